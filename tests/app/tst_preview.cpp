// The chart preview beside the list: opened by the space bar and the row's context menu, it
// draws the current row's chart from the workbook in the Excel file box, follows the current
// row and the rows Find puts in, says in itself what keeps a workbook from being read, keeps no
// workbook open, and saves the chart as a picture.

#include "app/ChartPreview.h"
#include "app/Form1.h"
#include "engine/chartdraw/ChartScene.h"
#include "engine/legacy/LegacyConverter.h"
#include "platform/ChartList.h"
#include "platform/Services.h"
#include "platform/Shutdown.h"
#include "servers/spreadsheet/SpreadsheetServer.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TestSettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QPushButton>
#include <QLocale>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Whether this process holds the file open (any of its descriptors names it).
bool heldOpen(const QString& path) {
    const QString wanted = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == wanted) return true;
    }
    return false;
}

}  // namespace

class PreviewTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_books;
    testsupport::FakeDialogs m_dialogs;
    testsupport::FakeClock m_clock;
    testsupport::FakeEvents m_events{&m_clock};
    std::unique_ptr<app::Form1> m_form;

    QString book(const QString& name) const { return m_books.filePath(name); }
    QTreeWidget* list() const { return m_form->ListView1(); }

    void find(const QString& workbook) {
        m_form->Text1()->setText(workbook);
        m_form->PushButton(4)->click();
    }

private slots:
    void initTestCase() {
        testsupport::useEmptyTestSettings();
        QProcess make;
        make.start(QStringLiteral("/usr/bin/python3"),
                   {qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/tools/make-chart-workbooks.py"),
                    m_books.path()});
        QVERIFY(make.waitForFinished(120000));
        QCOMPARE(make.exitCode(), 0);
        QVERIFY(QFile::copy(book("several.xlsx"), book("again.xlsx")));
        servers::registerSpreadsheetServer();
    }

    void init() {
        platform::resetMainWindowClosedForTests();
        m_dialogs.calls.clear();
        m_form = std::make_unique<app::Form1>(m_dialogs, platform::systemFiles(), m_clock, m_events);
        QVERIFY(m_form->Form_Load());
        m_form->showCentered();
        m_dialogs.calls.clear();
    }

    void cleanup() { m_form.reset(); }

    void spaceOpensThePreviewOfTheCurrentRowWhichFollowsRowsAndFind() {
        find(book("several.xlsx"));
        QCOMPARE(platform::ChartList(list()).count(), 5);
        list()->setFocus();
        list()->setCurrentItem(list()->topLevelItem(1));
        const bool checkedBefore = list()->topLevelItem(1)->checkState(0) == Qt::Checked;
        QTest::keyClick(list(), Qt::Key_Space);

        app::ChartPreview* preview = m_form->chartPreview();
        QVERIFY(preview && preview->isVisible());
        QCOMPARE(preview->windowTitle(), QStringLiteral("Chart Preview"));
        QCOMPARE(preview->shownSheet(), QStringLiteral("Summary"));
        QCOMPARE(preview->shownIndex(), 2);
        QVERIFY2(preview->scene(), qPrintable(preview->message()));
        QVERIFY(preview->description().contains(QStringLiteral("Summary")));
        QVERIFY(preview->description().contains(QStringLiteral(" series")));
        QVERIFY(preview->description().contains(QStringLiteral(" cm (")));
        // The space bar previews; it does not toggle the row's check mark.
        QCOMPARE(list()->topLevelItem(1)->checkState(0) == Qt::Checked, checkedBefore);
        QVERIFY(!heldOpen(book("several.xlsx")));

        // Moving through the list moves the preview along.
        list()->setCurrentItem(list()->topLevelItem(3));
        QTRY_COMPARE(preview->shownSheet(), platform::ChartList(list()).sheetName(4));
        QCOMPARE(preview->shownIndex(), 1);

        // Find on another workbook empties and refills the list; the preview follows it.
        find(book("again.xlsx"));
        QTRY_COMPARE(preview->shownPath(), book("again.xlsx"));
        QVERIFY(preview->scene());
        QVERIFY(!heldOpen(book("again.xlsx")));
        QVERIFY(m_dialogs.messageBoxes().isEmpty());
    }

    // A chart of the newer kinds is previewed as it is drawn, and saved from that drawing.
    void newerKindsArePreviewedAsTheyAreDrawn() {
        QTemporaryDir engineBooks;
        QProcess make;
        make.start(QStringLiteral("/usr/bin/python3"),
                   {qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/tools/make_test_workbooks.py"),
                    engineBooks.path()});
        QVERIFY(make.waitForFinished(120000));
        QCOMPARE(make.exitCode(), 0);
        find(engineBooks.filePath(QStringLiteral("chartex.xlsx")));
        QCOMPARE(platform::ChartList(list()).count(), 10);
        list()->setFocus();
        list()->setCurrentItem(list()->topLevelItem(1));
        QTest::keyClick(list(), Qt::Key_Space);
        app::ChartPreview* preview = m_form->chartPreview();
        QVERIFY(preview && preview->isVisible());
        QTRY_COMPARE(preview->shownIndex(), 2);
        QVERIFY2(preview->scene(), qPrintable(preview->message()));
        QCOMPARE(preview->scene()->count(engine::chart::SceneTag::Element::DataPoint, 0), 6);
        QVERIFY2(preview->description().contains(QStringLiteral("Waterfall chart, 1 series")), qPrintable(preview->description()));

        const QString saved = engineBooks.filePath(QStringLiteral("waterfall.svg"));
        m_dialogs.saveAnswers.push_back(saved);
        QVERIFY(preview->saveAsPicture());
        QFile svg(saved);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QVERIFY(svg.readAll().contains(">Cash flow<"));
    }

    void theRowsContextMenuOffersPreviewChart() {
        find(book("several.xlsx"));
        const QTreeWidgetItem* item = list()->topLevelItem(2);
        const QPoint at = list()->visualItemRect(item).center();
        QString offered;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) offered += action->text();
            if (auto* preview = menu->findChild<QAction*>(QStringLiteral("actionPreviewChart"))) preview->trigger();
            menu->close();
        });
        emit list()->customContextMenuRequested(at);
        QCOMPARE(offered, QStringLiteral("Preview Chart"));
        QVERIFY(m_form->chartPreview() && m_form->chartPreview()->isVisible());
        QCOMPARE(m_form->chartPreview()->shownIndex(), 3);
        // The window's design is as it was: the preview is a window of its own.
        QVERIFY(!m_form->findChild<app::ChartPreview*>());
        QCOMPARE(list()->toolTip(), QStringLiteral("Double-click item to remove it. Move | line to right and out "
                                                   "of window to reveal full names."));
        // Double-clicking a row still does nothing.
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(platform::ChartList(list()).count(), 5);
    }

    void aWorkbookThatCannotBeReadIsToldInsideThePreviewWithoutABox_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("not a zip") << "notazip.xlsx";
        QTest::newRow("malformed drawing") << "badxml.xlsx";
        QTest::newRow("gone") << "missing.xlsx";
    }

    void aWorkbookThatCannotBeReadIsToldInsideThePreviewWithoutABox() {
        QFETCH(QString, file);
        find(book("several.xlsx"));
        list()->setCurrentItem(list()->topLevelItem(0));
        m_form->openChartPreview();
        QVERIFY(m_form->chartPreview()->scene());
        // The box now names a workbook that fails; the next row shown reads it.
        m_form->Text1()->setText(book(file));
        list()->setCurrentItem(list()->topLevelItem(1));
        app::ChartPreview* preview = m_form->chartPreview();
        QTRY_COMPARE(preview->shownPath(), book(file));
        QVERIFY(!preview->scene());
        QVERIFY2(preview->message().contains(file), qPrintable(preview->message()));
        QVERIFY(!preview->findChild<QPushButton*>(QStringLiteral("savePicture"))->isEnabled());
        QVERIFY(m_dialogs.messageBoxes().isEmpty());
    }

    void theSampleWorkbookIsPreviewedFromItsOwnRecords() {
        const QString sample = QCoreApplication::applicationDirPath() + QStringLiteral("/Samples/sample1.xls");
        if (!QFile::exists(sample)) QSKIP("the build has not put the sample workbook beside the tests");
        // No converter to reach: a preview that still went through one would fail.
        engine::LegacyConverter::clearCache();
        engine::LegacyConverter::setOfficeProgram(QStringLiteral("/nonexistent/soffice"));
        find(sample);
        QVERIFY(platform::ChartList(list()).count() > 0);
        list()->setCurrentItem(list()->topLevelItem(0));
        m_form->openChartPreview();
        engine::LegacyConverter::setOfficeProgram(QString());
        QVERIFY2(m_form->chartPreview()->scene(), qPrintable(m_form->chartPreview()->message()));
        QVERIFY2(m_form->chartPreview()->description().contains(QStringLiteral("Column chart, 4 series")),
                 qPrintable(m_form->chartPreview()->description()));
        QVERIFY(!heldOpen(sample));
        QVERIFY(m_dialogs.messageBoxes().isEmpty());
    }

    void rowsAskedForDuringARead_areServedAfterIt_theLatestOnly() {
        find(book("several.xlsx"));
        list()->setCurrentItem(list()->topLevelItem(0));
        m_form->openChartPreview();
        app::ChartPreview* preview = m_form->chartPreview();
        QVERIFY(preview->scene());
        const QString path = preview->shownPath();
        // Calls queued before the read starts run while it is under way, on the window's thread:
        // the window answers, and the preview takes two more requests, which return at once.
        QStringList during;
        QTimer::singleShot(0, preview, [&] {
            preview->showChart(path, QStringLiteral("Summary"), 2);
            during << QString::number(preview->shownIndex());
            preview->showChart(path, QStringLiteral("Summary"), 3);
            during << QString::number(preview->shownIndex());
        });
        preview->showChart(path, QStringLiteral("Summary"), 1);
        QCOMPARE(during, (QStringList{"1", "1"}));  // still the read under way
        // When the read ends, the latest request is read and shown.
        QCOMPARE(preview->shownSheet(), QStringLiteral("Summary"));
        QCOMPARE(preview->shownIndex(), 3);
        QVERIFY2(preview->scene(), qPrintable(preview->message()));
        QVERIFY(preview->description().contains(QStringLiteral("Summary")));
    }

    void aReadOvertakenByShowNothingIsDropped() {
        find(book("several.xlsx"));
        list()->setCurrentItem(list()->topLevelItem(0));
        m_form->openChartPreview();
        app::ChartPreview* preview = m_form->chartPreview();
        const QString path = preview->shownPath();
        QTimer::singleShot(0, preview, [&] { preview->showNothing(QStringLiteral("No charts are listed.")); });
        preview->showChart(path, QStringLiteral("Summary"), 2);
        QVERIFY(!preview->scene());
        QCOMPARE(preview->message(), QStringLiteral("No charts are listed."));
        QVERIFY(preview->description().isEmpty());
    }

    void thePreviewShowsNumbersAsTheUsersRegionWritesThem() {
        QLocale::setDefault(QLocale(QStringLiteral("fr_FR")));
        find(book("several.xlsx"));
        list()->setCurrentItem(list()->topLevelItem(0));
        m_form->openChartPreview();
        app::ChartPreview* preview = m_form->chartPreview();
        const bool shown = preview->scene() != nullptr;
        const QString description = preview->description();
        QStringList labels;
        if (shown) labels = preview->scene()->texts(engine::chart::SceneTag::Element::AxisLabel);
        QLocale::setDefault(QLocale::c());
        QVERIFY(shown);
        // The size line: "12,70 x 7,62 cm (...)", decimals with a comma.
        QVERIFY2(QRegularExpression(QStringLiteral("\\d+,\\d\\d x \\d+,\\d\\d cm")).match(description).hasMatch(),
                 qPrintable(description));
        QVERIFY(!labels.isEmpty());
        for (const QString& label : labels) QVERIFY2(!label.contains(u'.'), qPrintable(label));
    }

    void saveAsPictureWritesPngSvgAndPdf() {
        find(book("several.xlsx"));
        list()->setCurrentItem(list()->topLevelItem(0));
        m_form->openChartPreview();
        app::ChartPreview* preview = m_form->chartPreview();
        QVERIFY(preview->scene());
        QTemporaryDir out;
        m_dialogs.saveAnswers = {out.filePath("chart.png"), out.filePath("chart.svg"), out.filePath("chart.pdf"),
                                 out.filePath("plain")};
        for (int i = 0; i < 4; ++i) QVERIFY(preview->saveAsPicture());
        const QImage png(out.filePath("chart.png"));
        const QSizeF points = preview->scene()->size;
        QCOMPARE(png.size(), QSize(qRound(points.width() * 96 / 72), qRound(points.height() * 96 / 72)));
        QVERIFY(QSvgRenderer(out.filePath("chart.svg")).isValid());
        QFile pdf(out.filePath("chart.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        // A name without a picture extension is saved as PNG under that name plus ".png".
        QCOMPARE(QImage(out.filePath("plain.png")).size(), png.size());
        QVERIFY(m_dialogs.messageBoxes().isEmpty());
    }
};

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"

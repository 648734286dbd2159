// The whole road through the main window: the built-in spreadsheet and presentation
// applications, workbooks generated with real charts, Find, Start Copying, the presentation
// saved from its window, reopened by our reader and by LibreOffice. Dialogs are scripted.

#include "app/Form1.h"
#include "engine/chartcopy/ChartPackage.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/presentation/Presentation.h"
#include "engine/presentation/SlidePart.h"
#include "office/PowerPoint.h"
#include "office/RunningChecks.h"
#include "office/ServerRegistry.h"
#include "platform/ChartList.h"
#include "platform/Services.h"
#include "platform/Shutdown.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"
#include "servers/spreadsheet/SpreadsheetServer.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/TestSettings.h"
#include "transfer/ProgressText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

// What a pasted chart must show: its title and the values of its one series.
struct ExpectedChart {
    QString title;
    std::vector<double> values;
};

QString sheetName(int s) {
    return s == 2 ? QStringLiteral("Région 2") : QStringLiteral("Data %1").arg(s);
}

ExpectedChart expectedChart(int sheet, int chart) {
    ExpectedChart expected{QStringLiteral("S%1 C%2").arg(sheet).arg(chart), {}};
    for (int k = 1; k <= 4; ++k) expected.values.push_back(sheet * 1000 + chart * 10 + k);
    return expected;
}

QList<servers::PresentationWindow*> presentationWindows() {
    QList<servers::PresentationWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<servers::PresentationWindow*>(widget);
        if (window && window->isVisible()) windows << window;
    }
    return windows;
}

// The charts of a presentation, slide by slide: the title of each slide's one chart, "" for a
// slide without a chart; fails the test when a slide holds more than one.
struct ChartSeen {
    engine::ChartSummary summary;
    std::vector<double> firstSeriesValues;
};

QStringList chartTitles(const engine::Presentation& presentation,
                        std::vector<ChartSeen>* summaries = nullptr) {
    QStringList titles;
    for (int i = 0; i < presentation.slideCount(); ++i) {
        QString title;
        int charts = 0;
        for (const auto& shape : presentation.slideShapes(i)) {
            if (shape.kind != engine::SlideShape::Kind::Chart) continue;
            ++charts;
            const QString part = presentation.slideTarget(i, shape.relId);
            const auto summary = presentation.chartSummary(part);
            title = summary.title;
            if (summaries) {
                const auto model = presentation.chartModel(part);
                const auto series = model.allSeries();
                std::vector<double> values;
                if (!series.empty() && series.front()->valueData() && series.front()->valueData()->numbers)
                    values = series.front()->valueData()->numbers->dense();
                summaries->push_back({summary, values});
            }
        }
        if (charts > 1) title = QStringLiteral("<%1 charts>").arg(charts);
        titles << title;
    }
    return titles;
}

// Pages of the PDF that LibreOffice makes of path, with a profile of its own; -1 when it
// made none.
int pagesByLibreOffice(const QString& path, const QString& workFolder) {
    const QString profile = QUrl::fromLocalFile(workFolder + QStringLiteral("/lo-profile")).toString();
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                   QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"),
                   workFolder, path});
    if (!soffice.waitForFinished(240000)) return -1;
    const QString pdf = workFolder + QLatin1Char('/') + QFileInfo(path).completeBaseName() +
                        QStringLiteral(".pdf");
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(60000)) return -1;
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                           .match(QString::fromUtf8(info.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

bool libreOfficeAvailable() {
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

}  // namespace

class CopyRunWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void checkedChartsLandOnNewSlidesInListOrderAndSurviveSaving();
    void existingPresentationKeepsItsSlidesInFront();
    void closingTheMainWindowDuringAWaitEndsTheRunAndLeavesThePresentationOpen();
    void aRowWhoseChartIsMissingIsReportedAndLeavesNoSlide();
    void theUsersClipboardHoldsWhatItHeldAfterARun();
    void sampleWorkbookEndToEnd();
    void sampleWithoutLibreOfficeIsFoundAndCopied();

private:
    QPushButton* button(int number) { return m_form->PushButton(number); }
    void find(const QString& workbook);
    // Unchecks the rows at these 1-based positions; returns the expected charts of the rest.
    QList<ExpectedChart> uncheck(const QList<int>& positions);
    servers::PresentationWindow* onlyPresentationWindow();
    void checkCharts(const engine::Presentation& presentation, int firstChartSlide,
                     const QList<ExpectedChart>& expected);

    QTemporaryDir m_work;
    QString m_book;
    testsupport::FakeDialogs m_dialogs;
    std::unique_ptr<app::Form1> m_form;
};

void CopyRunWindowTest::initTestCase() {
    QVERIFY(m_work.isValid());
    const QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    QVERIFY2(!source.isEmpty(), "QUILLMERE_SOURCE_DIR is not set");
    m_book = m_work.filePath(QStringLiteral("three sheets.xlsx"));
    QProcess make;
    make.start(QStringLiteral("/usr/bin/python3"),
               {source + QStringLiteral("/tests/transfer/make_copyrun_workbook.py"), m_book,
                QStringLiteral("3"), QStringLiteral("2")});
    QVERIFY(make.waitForFinished(120000));
    QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
}

void CopyRunWindowTest::init() {
    testsupport::useEmptyTestSettings();
    platform::resetMainWindowClosedForTests();
    office::ServerRegistry::instance().reset();
    servers::registerSpreadsheetServer();
    servers::registerPresentationServer(m_dialogs);
    m_dialogs.clear();
    m_form = std::make_unique<app::Form1>(m_dialogs, platform::systemFiles(), platform::systemClock(),
                                          platform::systemEvents());
    QVERIFY(m_form->Form_Load());
    m_form->showCentered();
    m_form->Text3()->setText(QStringLiteral("0"));
}

void CopyRunWindowTest::cleanup() {
    m_form.reset();
    // The presentation windows outlive the main window; close them, discarding the result.
    for (auto* window : presentationWindows()) {
        m_dialogs.saveChangesAnswers.push_back(platform::Dialogs::SaveChoice::Discard);
        window->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!office::IsPowerPointRunning());
    office::ServerRegistry::instance().reset();
    platform::resetMainWindowClosedForTests();
}

void CopyRunWindowTest::find(const QString& workbook) {
    m_form->Text1()->setText(workbook);
    button(4)->click();
}

QList<ExpectedChart> CopyRunWindowTest::uncheck(const QList<int>& positions) {
    platform::ChartList list(m_form->ListView1());
    QList<ExpectedChart> expected;
    for (int row = 1; row <= list.count(); ++row) {
        if (positions.contains(row)) {
            list.setChecked(row, false);
            continue;
        }
        int sheet = 0;
        for (int s = 1; s <= 9 && sheet == 0; ++s) {
            if (sheetName(s) == list.sheetName(row)) sheet = s;
        }
        expected << expectedChart(sheet, list.chartIndex(row).toInt());
    }
    return expected;
}

servers::PresentationWindow* CopyRunWindowTest::onlyPresentationWindow() {
    const auto windows = presentationWindows();
    return windows.size() == 1 ? windows.first() : nullptr;
}

void CopyRunWindowTest::checkCharts(const engine::Presentation& presentation, int firstChartSlide,
                                    const QList<ExpectedChart>& expected) {
    std::vector<ChartSeen> summaries;
    const QStringList titles = chartTitles(presentation, &summaries);
    QCOMPARE(titles.size(), firstChartSlide + expected.size());
    QStringList expectedTitles;
    for (int i = 0; i < firstChartSlide; ++i) expectedTitles << QString();
    for (const auto& chart : expected) expectedTitles << chart.title;
    QCOMPARE(titles, expectedTitles);
    QCOMPARE(int(summaries.size()), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(summaries[i].summary.series.size(), std::size_t(1));
        QCOMPARE(summaries[i].firstSeriesValues, expected.at(i).values);
        // The chart carries its data with it, for Edit Data.
        QVERIFY(!summaries[i].summary.externalDataRelId.isEmpty());
    }
}

void CopyRunWindowTest::checkedChartsLandOnNewSlidesInListOrderAndSurviveSaving() {
    find(m_book);
    QCOMPARE(platform::ChartList(m_form->ListView1()).count(), 6);
    const auto expected = uncheck({2, 5});
    QVERIFY(m_form->Option1()->isChecked());

    button(2)->click();

    QCOMPARE(m_dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    QCOMPARE(m_form->ProgressBar1()->value(), 0);
    QCOMPARE(transfer::progressText(m_form->ProgressBar1()), QStringLiteral("Progress Bar"));
    QCOMPARE(m_form->MousePointer(), 0);
    QVERIFY(!office::IsExcelRunning());
    QVERIFY(office::IsPowerPointRunning());
    auto* window = onlyPresentationWindow();
    QVERIFY(window);
    QVERIFY(window->document().isModified());
    checkCharts(window->document().presentation(), 0, expected);

    // Saved from its window, the file reopens in our reader with the same charts...
    const QString saved = m_work.filePath(QStringLiteral("result.pptx"));
    QFile::remove(saved);
    m_dialogs.saveAnswers = {saved};
    window->saveAction()->trigger();
    QVERIFY(QFile::exists(saved));
    QVERIFY(!window->document().isModified());
    checkCharts(engine::Presentation::open(saved), 0, expected);

    // ...and LibreOffice makes one page of each slide.
    if (!libreOfficeAvailable()) QSKIP("LibreOffice or pdfinfo is not installed");
    QCOMPARE(pagesByLibreOffice(saved, m_work.path()), expected.size());
}

void CopyRunWindowTest::existingPresentationKeepsItsSlidesInFront() {
    const QString deck = m_work.filePath(QStringLiteral("existing deck.pptx"));
    {
        auto front = engine::Presentation::createNew();
        front.addSlide(0, office::ppLayoutBlank);
        front.pasteText(0, QStringLiteral("Front page"));
        front.addSlide(1, office::ppLayoutBlank);
        front.save(deck);
    }
    find(m_book);
    const auto expected = uncheck({1});
    m_form->Option2()->setChecked(true);
    m_form->Text2()->setText(deck);

    button(2)->click();

    QCOMPARE(m_dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    auto* window = onlyPresentationWindow();
    QVERIFY(window);
    checkCharts(window->document().presentation(), 2, expected);
    QCOMPARE(window->document().presentation().slideShapes(0).front().paragraphs,
             QStringList{QStringLiteral("Front page")});
    // The file itself is untouched until the user saves.
    QCOMPARE(engine::Presentation::open(deck).slideCount(), 2);
    window->saveAction()->trigger();
    checkCharts(engine::Presentation::open(deck), 2, expected);
    if (!libreOfficeAvailable()) QSKIP("LibreOffice or pdfinfo is not installed");
    QCOMPARE(pagesByLibreOffice(deck, m_work.path()), 2 + expected.size());
}

void CopyRunWindowTest::closingTheMainWindowDuringAWaitEndsTheRunAndLeavesThePresentationOpen() {
    find(m_book);
    m_form->Text3()->setText(QStringLiteral("200"));
    // The window closes once the run is in its wait, that is once the first slide is there:
    // however slowly the machine gets there, the close lands in the wait and not before it.
    QTimer closer;
    connect(&closer, &QTimer::timeout, m_form.get(), [this] {
        auto* window = onlyPresentationWindow();
        if (window && window->document().presentation().slideCount() > 0) m_form->close();
    });
    closer.start(20);
    QElapsedTimer clock;
    clock.start();
    button(2)->click();
    closer.stop();
    // The wait ended with the window, long before its 200 seconds.
    QVERIFY(clock.elapsed() < 100000);
    QVERIFY(platform::mainWindowClosed());
    QVERIFY(m_dialogs.messageTexts().isEmpty());
    auto* window = onlyPresentationWindow();
    QVERIFY(window);
    // The first chart's slide was added and selected; its paste never came.
    QCOMPARE(chartTitles(window->document().presentation()), QStringList{QString()});
    // Nothing asked Excel to quit, but the run let it go with its handler.
    QVERIFY(!office::IsExcelRunning());
    QVERIFY(office::IsPowerPointRunning());
}

void CopyRunWindowTest::aRowWhoseChartIsMissingIsReportedAndLeavesNoSlide() {
    find(m_book);
    platform::ChartList list(m_form->ListView1());
    QCOMPARE(list.count(), 6);
    for (int row = 4; row <= 6; ++row) list.setChecked(row, false);
    // The list was found in another workbook of the same layout, which lacks this chart.
    list.setChartIndex(2, QStringLiteral("9"));
    const QList<ExpectedChart> expected{expectedChart(1, 1), expectedChart(2, 1)};
    QCOMPARE(list.sheetName(3), sheetName(2));

    button(2)->click();

    const auto boxes = m_dialogs.messageBoxes();
    QStringList reports;
    for (const auto& box : boxes) {
        if (box.title == QLatin1String("Application Error")) reports << box.text;
    }
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.first().contains(QStringLiteral("PushButton2_Click at line 146")), qPrintable(reports.first()));
    QCOMPARE(boxes.last().text, QStringLiteral("Done."));
    auto* window = onlyPresentationWindow();
    QVERIFY(window);
    // Two slides, each with its own chart: no blank slide, and the first chart is not pasted
    // again in place of the missing one.
    checkCharts(window->document().presentation(), 0, expected);
}

void CopyRunWindowTest::theUsersClipboardHoldsWhatItHeldAfterARun() {
    QImage picture(24, 16, QImage::Format_ARGB32);
    picture.fill(QColor(10, 120, 200));
    auto* mine = new QMimeData;
    mine->setText(QStringLiteral("the user's own text"));
    mine->setImageData(picture);
    QGuiApplication::clipboard()->setMimeData(mine);
    find(m_book);
    const auto expected = uncheck({4, 5, 6});

    button(2)->click();

    QCOMPARE(m_dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    checkCharts(onlyPresentationWindow()->document().presentation(), 0, expected);
    const QMimeData* after = QGuiApplication::clipboard()->mimeData();
    QVERIFY(after);
    QCOMPARE(after->text(), QStringLiteral("the user's own text"));
    QVERIFY(after->hasImage());
    QCOMPARE(qvariant_cast<QImage>(after->imageData()).convertToFormat(QImage::Format_ARGB32), picture);
    QVERIFY(!after->hasFormat(QString::fromLatin1(engine::kChartPackageMime)));
}

void CopyRunWindowTest::sampleWorkbookEndToEnd() {
    button(5)->click();  // Load Sample/Example File
    QVERIFY(QFile::exists(m_form->Text1()->text()));
    button(4)->click();
    const int rows = platform::ChartList(m_form->ListView1()).count();
    QVERIFY(rows > 0);
    m_form->Text3()->setText(QStringLiteral("1"));
    m_form->Text3()->setText(QStringLiteral("0"));

    button(2)->click();

    QCOMPARE(m_dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    auto* window = onlyPresentationWindow();
    QVERIFY(window);
    const QStringList titles = chartTitles(window->document().presentation());
    QCOMPARE(titles.size(), rows);
    const QString saved = m_work.filePath(QStringLiteral("sample.pptx"));
    QFile::remove(saved);
    m_dialogs.saveAnswers = {saved};
    window->saveAction()->trigger();
    std::vector<ChartSeen> summaries;
    chartTitles(engine::Presentation::open(saved), &summaries);
    QCOMPARE(int(summaries.size()), rows);
    for (const auto& seen : summaries) QVERIFY(!seen.summary.series.empty());
    if (!libreOfficeAvailable()) QSKIP("pdfinfo is not installed");
    QCOMPARE(pagesByLibreOffice(saved, m_work.path()), rows);
}

void CopyRunWindowTest::sampleWithoutLibreOfficeIsFoundAndCopied() {
    engine::LegacyConverter::clearCache();
    engine::LegacyConverter::setOfficeProgram(m_work.filePath(QStringLiteral("no-such-soffice")));
    button(5)->click();  // Load Sample/Example File
    button(4)->click();
    QVERIFY(m_dialogs.messageTexts().isEmpty());
    platform::ChartList list(m_form->ListView1());
    QCOMPARE(list.count(), 9);
    for (int row = 3; row <= list.count(); ++row) list.setChecked(row, false);

    button(2)->click();
    engine::LegacyConverter::setOfficeProgram(QString());

    // Copied from the workbook's own records: no report, a chart on each new slide.
    QCOMPARE(m_dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    auto* window = onlyPresentationWindow();
    QVERIFY(window);
    QCOMPARE(chartTitles(window->document().presentation()),
             (QStringList{QStringLiteral("Monthly harvest (kg)"), QStringLiteral("Hillside and Cloudridge")}));
}

QTEST_MAIN(CopyRunWindowTest)
#include "tst_window.moc"

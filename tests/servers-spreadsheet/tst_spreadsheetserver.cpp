#include "engine/chartcopy/ChartPackage.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/presentation/Presentation.h"
#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "servers/spreadsheet/SpreadsheetServer.h"
#include "tests/legacy/LegacyWorkbooks.h"
#include "tests/workbook/GeneratedWorkbooks.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <QtTest>

using office::AutomationError;
using office::ExcelApplication;

class SpreadsheetServerTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ExcelApplication> createExcel() {
        return office::createObject<ExcelApplication>(QString::fromLatin1(office::kExcelProgId));
    }

    // The description of the AutomationError that call throws; an empty text when none.
    template <typename Call>
    static QString failureOf(Call call) {
        try {
            call();
        } catch (const AutomationError& e) {
            return e.description();
        }
        return {};
    }

    static QStringList tempFolders(const QString& pattern) {
        return QDir(QDir::tempPath()).entryList({pattern}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_temp;
    QTemporaryDir m_legacy;

private slots:
    void initTestCase() {
        // A temporary folder of this program's own, so that the folders the tests count are
        // never those of another program running at the same time.
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        QStandardPaths::setTestModeEnabled(true);
        office::ServerRegistry::instance().reset();
        servers::registerSpreadsheetServer();
        QVERIFY(QFileInfo::exists(generatedWorkbook(QStringLiteral("charts.xlsx"))));
    }

    void createdByProgIdHiddenNamedAndRunningUntilQuit() {
        auto excel = createExcel();
        QCOMPARE(excel->Name(), QStringLiteral("Microsoft Excel"));
        QVERIFY(!excel->Visible());
        auto running = office::ServerRegistry::instance().getRunning(QString::fromLatin1(office::kExcelProgId));
        QCOMPARE(running.get(), static_cast<office::AutomationObject*>(excel.get()));
        QCOMPARE(failureOf([&] { excel->ActiveWorkbook(); }), QStringLiteral("Object variable not set"));
        QVERIFY(excel->DisplayAlerts());
        excel->setDisplayAlerts(false);
        QVERIFY(!excel->DisplayAlerts());
        excel->Quit();
        QVERIFY(!office::ServerRegistry::instance().isRunning(QString::fromLatin1(office::kExcelProgId)));
        QVERIFY(!failureOf([&] { excel->Workbooks(); }).isEmpty());
    }

    void discoveryWalkOnAPathWithBlanks() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral(" my book .xlsx"));
        QVERIFY(QFile::copy(generatedWorkbook(QStringLiteral("charts.xlsx")), path));
        auto excel = createExcel();
        excel->Workbooks()->Open(path);
        auto sheets = excel->ActiveWorkbook()->Worksheets();
        QCOMPARE(sheets->Count(), 7);  // the chart sheet is not a worksheet; the hidden one is
        QStringList rows;
        for (int i = 1; i <= sheets->Count(); ++i) {
            auto objects = excel->ActiveWorkbook()->Worksheets()->Item(i)->ChartObjects();
            for (int j = 1; j <= objects->Count(); ++j) {
                rows << excel->ActiveWorkbook()->Worksheets()->Item(i)->Name() + u'|' +
                            objects->Item(j)->Chart()->Name() + u'|' + QString::number(j);
            }
        }
        QCOMPARE(rows, (QStringList{"Data|Data Chart 3|1", "Data|Data Chart 4|2", "Data|Data Chart 5|3",
                                    "Hidden|Hidden Chart 1|1", "It's here|It's here Chart 1|1",
                                    QStringLiteral("Données Ünïcode|Données Ünïcode Chart 1|1"),
                                    "Same Names|Same Names Twin|1", "Same Names|Same Names Twin|2",
                                    "Rows And Cols|Rows And Cols Chart 1|1"}));
        QCOMPARE(excel->ActiveWorkbook()->Name(), QStringLiteral(" my book .xlsx"));
        QCOMPARE(sheets->Item(QStringLiteral("same names"))->ChartObjects()->Item(2)->Name(), QStringLiteral("Twin"));
        excel->setDisplayAlerts(false);
        excel->Quit();
    }

    void missesAreSubscriptOutOfRange() {
        auto excel = createExcel();
        excel->Workbooks()->Open(generatedWorkbook(QStringLiteral("charts.xlsx")));
        auto sheets = excel->ActiveWorkbook()->Worksheets();
        const QString subscript = QStringLiteral("Subscript out of range");
        QCOMPARE(failureOf([&] { sheets->Item(0); }), subscript);
        QCOMPARE(failureOf([&] { sheets->Item(8); }), subscript);
        QCOMPARE(failureOf([&] { sheets->Item(QStringLiteral("Chart Sheet")); }), subscript);
        QCOMPARE(failureOf([&] { sheets->Item(QStringLiteral("Nowhere")); }), subscript);
        auto objects = sheets->Item(1)->ChartObjects();
        QCOMPARE(failureOf([&] { objects->Item(0); }), subscript);
        QCOMPARE(failureOf([&] { objects->Item(4); }), subscript);
        QCOMPARE(sheets->Item(QStringLiteral("Empty"))->ChartObjects()->Count(), 0);
        excel->Quit();
        // Objects handed out before Quit refuse every call after it.
        QVERIFY(!failureOf([&] { objects->Count(); }).isEmpty());
        QVERIFY(!failureOf([&] { sheets->Count(); }).isEmpty());
    }

    void brokenWorkbooksFailWithTheFileNamed_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "nothing here.xlsx" << "nothing here.xlsx";
        QTest::newRow("not a zip") << "notazip.xlsx" << "notazip.xlsx: ";
        QTest::newRow("truncated") << "truncated.xlsx" << "truncated.xlsx: ";
        QTest::newRow("no workbook part") << "noworkbook.xlsx" << "no workbook part";
        QTest::newRow("dangling") << "dangling.xlsx" << "xl/drawings/drawing1.xml: chart \"Chart 3\"";
        QTest::newRow("malformed drawing") << "malformed-drawing.xlsx"
                                           << "malformed-drawing.xlsx: xl/drawings/drawing1.xml: not well-formed XML";
        QTest::newRow("zip bomb") << "bomb.xlsx" << "bomb.xlsx: ";
    }

    void brokenWorkbooksFailWithTheFileNamed() {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        auto excel = createExcel();
        const QString description =
            failureOf([&] { excel->Workbooks()->Open(generatedWorkbook(file)); });
        QVERIFY2(description.contains(expected), qPrintable(description));
        QCOMPARE(failureOf([&] { excel->ActiveWorkbook(); }), QStringLiteral("Object variable not set"));
        excel->Quit();
    }

    // What a window is shown of a chart: read from the file alone, described as Chart.Facts
    // describes it, and refused with the file named when the sheet or chart is not there.
    void aChartIsReadToShowAsFactsDescribeIt() {
        const QString path = generatedWorkbook(QStringLiteral("charts.xlsx"));
        auto excel = createExcel();
        auto sheet = excel->Workbooks()->Open(path)->Worksheets()->Item(1);
        const QString sheetName = sheet->Name();
        const office::ExcelChartFacts facts = sheet->ChartObjects()->Item(1)->Chart()->Facts();
        excel->Quit();

        const servers::ShownChart shown = servers::readChartToShow(path, sheetName.toUpper(), 1);
        QVERIFY(shown.scene && shown.chart);
        QCOMPARE(shown.kind, facts.kind);
        QCOMPARE(shown.seriesCount, facts.seriesCount);
        QCOMPARE(qRound(shown.sizeInPoints.width() * 12700), int(facts.widthEmu));
        QCOMPARE(shown.scene->size, shown.sizeInPoints);

        const QString noSheet = failureOf([&] { servers::readChartToShow(path, QStringLiteral("Nowhere"), 1); });
        QVERIFY2(noSheet.contains(QStringLiteral("charts.xlsx")) &&
                     noSheet.contains(QStringLiteral("no worksheet named \"Nowhere\"")),
                 qPrintable(noSheet));
        for (const int index : {0, 99}) {
            const QString noChart = failureOf([&] { servers::readChartToShow(path, sheetName, index); });
            QVERIFY2(noChart.contains(QStringLiteral("has no chart %1").arg(index)), qPrintable(noChart));
        }
        const QString gone = failureOf([&] { servers::readChartToShow(m_temp.filePath(QStringLiteral("gone.xlsx")), sheetName, 1); });
        QVERIFY2(gone.contains(QStringLiteral("gone.xlsx")), qPrintable(gone));
    }

    void chartAreaCopyLeavesAChartPackageOnTheClipboard() {
        QGuiApplication::clipboard()->clear();
        auto excel = createExcel();
        excel->Workbooks()->Open(generatedWorkbook(QStringLiteral("charts.xlsx")));
        excel->ActiveWorkbook()->Worksheets()->Item(QStringLiteral("Data"))->ChartObjects()->Item(2)->Chart()->ChartArea()->Copy();
        excel->setDisplayAlerts(false);
        excel->Quit();
        // Pasting needs no open workbook: the package stands on its own after Quit.
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime && mime->hasFormat(QString::fromLatin1(engine::kChartPackageMime)));
        const engine::ChartPackage package =
            engine::chartPackageFromBytes(mime->data(QString::fromLatin1(engine::kChartPackageMime)));
        QCOMPARE(package.chartName, QStringLiteral("Chart 4"));
        QCOMPARE(package.chartPart().name, QStringLiteral("/xl/charts/chart2.xml"));
        QCOMPARE(package.cx, qint64(6096000));
        QCOMPARE(package.cy, qint64(3810000));
        QCOMPARE(int(package.cells.size()), 1 + 6 + 6);
        QVERIFY(!package.theme.isEmpty());

        // Beside it, a PNG of the chart at its size on the sheet at screen resolution:
        // 6096000 x 3810000 EMU is 640 x 400 pixels at 96 dpi.
        QVERIFY(mime->formats().contains(QStringLiteral("image/png")));
        const QImage picture = QImage::fromData(mime->data(QStringLiteral("image/png")), "PNG");
        QCOMPARE(picture.size(), QSize(640, 400));
        // A drawn chart, not an empty picture: more than a handful of colours.
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4) colours.insert(picture.pixel(x, y));
        QVERIFY(colours.size() > 3);
        QVERIFY(mime->hasImage());
        QCOMPARE(qvariant_cast<QImage>(mime->imageData()).size(), QSize(640, 400));

        // A slide's paste still takes the chart package, not the picture.
        engine::Presentation slides = engine::Presentation::createNew();
        slides.addSlide(0, 12);
        slides.paste(0, *mime);
        QCOMPARE(slides.slideShapes(0).size(), size_t(1));
        QCOMPARE(slides.slideShapes(0).front().kind, engine::SlideShape::Kind::Chart);
    }

    // Every row discovery would list: "sheet|chart name|index".
    static QStringList listedRows(ExcelApplication& excel) {
        QStringList rows;
        auto sheets = excel.ActiveWorkbook()->Worksheets();
        for (int i = 1; i <= sheets->Count(); ++i) {
            auto objects = sheets->Item(i)->ChartObjects();
            for (int j = 1; j <= objects->Count(); ++j) {
                rows << sheets->Item(i)->Name() + u'|' + objects->Item(j)->Chart()->Name() + u'|' + QString::number(j);
            }
        }
        return rows;
    }

    // The kind of plot of the chart on the clipboard ("pieChart", "lineChart"...).
    static QString copiedPlotKind() {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        if (!mime || !mime->hasFormat(QString::fromLatin1(engine::kChartPackageMime))) return {};
        const engine::ChartPackage package =
            engine::chartPackageFromBytes(mime->data(QString::fromLatin1(engine::kChartPackageMime)));
        QXmlStreamReader xml(package.chartPart().data);
        bool inPlotArea = false;
        while (xml.readNextStartElement() || !xml.atEnd()) {
            if (!xml.isStartElement()) continue;
            if (xml.name() == QLatin1String("plotArea")) inPlotArea = true;
            else if (inPlotArea && xml.name().endsWith(QLatin1String("Chart"))) return xml.name().toString();
        }
        return {};
    }

    // A stand-in for LibreOffice that "converts" any workbook into the .xlsx that
    // make_test_workbooks.py writes for `which`, so that the copy meets a conversion whose charts
    // differ from the original's.
    QString fakeConverter(const QString& which) {
        const QString script = m_legacy.filePath(QStringLiteral("fake-soffice-") + which);
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly)) return {};
        file.write("#!/bin/sh\n"
                   "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=\"$2\"; shift; done\n"
                   "exec cp '" + generatedWorkbook(which).toUtf8() + "' \"$out/input.xlsx\"\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return script;
    }

    void legacyWorkbookIsListedAndCopiedFromItsOwnRecords() {
        const QString mixed = convertedXls(QStringLiteral("legacy-mixed.xls"));
        if (mixed.isEmpty()) QSKIP("LibreOffice is not installed");
        // No converter to reach: a copy that still went through one would fail.
        engine::LegacyConverter::clearCache();
        engine::LegacyConverter::setOfficeProgram(QStringLiteral("/nonexistent/soffice"));
        const int conversions = engine::LegacyConverter::conversionsRun();
        const QStringList foldersBefore = tempFolders(QStringLiteral("quillmere-book-*"));
        auto excel = createExcel();
        excel->Workbooks()->Open(mixed);
        QCOMPARE(listedRows(*excel),
                 (QStringList{QStringLiteral("Übersicht Q1|Übersicht Q1 Chart 1|1"),
                              QStringLiteral("Übersicht Q1|Übersicht Q1 Chart 2|2"),
                              QStringLiteral("Übersicht Q1|Übersicht Q1 Chart 3|3"),
                              "Graph Sheet|Graph Sheet Chart 1|1", "Hidden Data|Hidden Data Chart 1|1",
                              "Twins|Twins Chart 1|1", "Twins|Twins Chart 2|2",
                              QStringLiteral("Spät|Spät Chart 1|1")}));
        // Each chart object is found by sheet and position.
        auto sheets = excel->ActiveWorkbook()->Worksheets();
        sheets->Item(QStringLiteral("Übersicht Q1"))->ChartObjects()->Item(3)->Chart()->ChartArea()->Copy();
        QCOMPARE(copiedPlotKind(), QStringLiteral("pieChart"));
        sheets->Item(QStringLiteral("twins"))->ChartObjects()->Item(2)->Chart()->ChartArea()->Copy();
        QCOMPARE(copiedPlotKind(), QStringLiteral("lineChart"));
        sheets->Item(QStringLiteral("Hidden Data"))->ChartObjects()->Item(1)->Chart()->ChartArea()->Copy();
        QCOMPARE(copiedPlotKind(), QStringLiteral("areaChart"));
        sheets->Item(1)->ChartObjects()->Item(1)->Chart()->ChartArea()->Copy();
        QCOMPARE(copiedPlotKind(), QStringLiteral("barChart"));
        excel->Quit();
        engine::LegacyConverter::setOfficeProgram(QString());
        QCOMPARE(engine::LegacyConverter::conversionsRun(), conversions);
        QCOMPARE(tempFolders(QStringLiteral("quillmere-book-*")), foldersBefore);
    }

    void legacyChartsAreCopiedWithoutLibreOfficeAndNeverFromAConversion() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old book.xls"));
        QVERIFY(QFile::copy(savedXls(QStringLiteral("WithThreeCharts.xls")), path));
        // A converter that would hand back another workbook, whose charts differ from these.
        const QString converter = fakeConverter(QStringLiteral("legacy-three-sheets.xlsx"));
        QVERIFY(!converter.isEmpty());
        engine::LegacyConverter::clearCache();
        engine::LegacyConverter::setOfficeProgram(converter);
        const int conversions = engine::LegacyConverter::conversionsRun();
        auto excel = createExcel();
        excel->Workbooks()->Open(path);
        QCOMPARE(listedRows(*excel), (QStringList{"Sheet2|Sheet2 Chart 1|1", "Sheet2|Sheet2 Chart 2|2",
                                                  "Sheet3|Sheet3 Chart 1|1"}));
        QVERIFY(!engine::LegacyConverter::isConvertingInBackground());
        auto sheets = excel->ActiveWorkbook()->Worksheets();
        sheets->Item(QStringLiteral("Sheet2"))->ChartObjects()->Item(1)->Chart()->ChartArea()->Copy();
        QCOMPARE(copiedPlotKind(), QStringLiteral("lineChart"));
        sheets->Item(QStringLiteral("Sheet2"))->ChartObjects()->Item(2)->Chart()->ChartArea()->Copy();
        QCOMPARE(copiedPlotKind(), QStringLiteral("pieChart"));
        sheets->Item(QStringLiteral("Sheet3"))->ChartObjects()->Item(1)->Chart()->ChartArea()->Copy();
        QCOMPARE(copiedPlotKind(), QStringLiteral("areaChart"));
        QCOMPARE(childProcesses(), QStringList());
        excel->Quit();
        engine::LegacyConverter::setOfficeProgram(QString());
        QCOMPARE(engine::LegacyConverter::conversionsRun(), conversions);

        // A chart sheet is not a worksheet: not listed, and not found by its name.
        excel = createExcel();
        excel->Workbooks()->Open(savedXls(QStringLiteral("SimpleScatterChart.xls")));
        QCOMPARE(listedRows(*excel), (QStringList{"Sheet1|Sheet1 Chart 1|1"}));
        QCOMPARE(failureOf([&] { excel->ActiveWorkbook()->Worksheets()->Item(QStringLiteral("Chart1")); }),
                 QStringLiteral("Subscript out of range"));
        excel->Quit();
    }

    // The processes this program has started and not yet reaped, over all its threads.
    static QStringList childProcesses() {
        QStringList children;
        for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile file(QStringLiteral("/proc/self/task/%1/children").arg(task));
            if (file.open(QIODevice::ReadOnly)) children << QString::fromLatin1(file.readAll()).split(u' ', Qt::SkipEmptyParts);
        }
        return children;
    }

    void damagedLegacyWorkbooksFailAtOpenWithTheFileNamed() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old book.xls"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'));
        }
        auto excel = createExcel();
        const QString description = failureOf([&] { excel->Workbooks()->Open(path); });
        QVERIFY2(description.startsWith(QStringLiteral("old book.xls: not a readable compound file")),
                 qPrintable(description));
        QCOMPARE(failureOf([&] { excel->ActiveWorkbook(); }), QStringLiteral("Object variable not set"));
        QVERIFY2(failureOf([&] { excel->Workbooks()->Open(savedXls(QStringLiteral("testEXCEL_95.xls"))); })
                     .startsWith(QStringLiteral("testEXCEL_95.xls: an Excel 5.0/95")),
                 "BIFF5");
        excel->Quit();
    }
};

QTEST_MAIN(SpreadsheetServerTest)
#include "tst_spreadsheetserver.moc"

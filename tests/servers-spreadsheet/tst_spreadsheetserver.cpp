#include "engine/chart/ChartPackage.h"
#include "engine/legacy/LegacyConverter.h"
#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "servers/spreadsheet/SpreadsheetServer.h"
#include "tests/workbook/GeneratedWorkbooks.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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

    QTemporaryDir m_legacy;
    QString m_xls;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        office::ServerRegistry::instance().reset();
        servers::registerSpreadsheetServer();
        QVERIFY(QFileInfo::exists(generatedWorkbook(QStringLiteral("charts.xlsx"))));
        // A real .xls, made by LibreOffice from the generated workbook.
        if (!QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
            QProcess soffice;
            soffice.start(QStringLiteral("soffice"),
                          {QStringLiteral("-env:UserInstallation=file://") + m_legacy.filePath(QStringLiteral("profile")),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xls"),
                           QStringLiteral("--outdir"), m_legacy.path(), generatedWorkbook(QStringLiteral("charts.xlsx"))});
            QVERIFY(soffice.waitForFinished(180000));
            m_xls = m_legacy.filePath(QStringLiteral("charts.xls"));
            QVERIFY(QFileInfo::exists(m_xls));
        }
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
    }

    void legacyWorkbookIsConvertedOnceAndItsCopyGoesAtQuit() {
        if (m_xls.isEmpty()) QSKIP("LibreOffice is not installed");
        engine::LegacyConverter::clearCache();
        const int before = engine::LegacyConverter::conversionsRun();
        const QStringList foldersBefore = tempFolders(QStringLiteral("quillmere-book-*"));
        QStringList names;
        for (int run = 0; run < 2; ++run) {
            auto excel = createExcel();
            excel->Workbooks()->Open(m_xls);
            QCOMPARE(tempFolders(QStringLiteral("quillmere-book-*")).size(), foldersBefore.size() + 1);
            auto sheets = excel->ActiveWorkbook()->Worksheets();
            names.clear();
            for (int i = 1; i <= sheets->Count(); ++i) {
                auto sheet = sheets->Item(i);
                for (int j = 1; j <= sheet->ChartObjects()->Count(); ++j) {
                    names << sheet->ChartObjects()->Item(j)->Chart()->Name();
                }
            }
            excel->ActiveWorkbook()->Worksheets()->Item(1)->ChartObjects()->Item(1)->Chart()->ChartArea()->Copy();
            excel->Quit();
            QCOMPARE(tempFolders(QStringLiteral("quillmere-book-*")), foldersBefore);
        }
        QCOMPARE(engine::LegacyConverter::conversionsRun(), before + 1);
        qInfo("charts.xls as LibreOffice converts it: %s", qPrintable(names.join(QStringLiteral(", "))));
        QVERIFY(names.size() >= 8);
    }

    void legacyWorkbookWithoutLibreOfficeSaysWhatToDo() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old book.xls"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'));
        }
        engine::LegacyConverter::setOfficeProgram(QStringLiteral("/nonexistent/soffice"));
        auto excel = createExcel();
        const QString description = failureOf([&] { excel->Workbooks()->Open(path); });
        engine::LegacyConverter::setOfficeProgram(QString());
        excel->Quit();
        QVERIFY2(description.startsWith(QStringLiteral("old book.xls: ")), qPrintable(description));
        QVERIFY2(description.contains(QStringLiteral("libreoffice-calc-nogui")), qPrintable(description));
        QVERIFY2(description.contains(QStringLiteral("save the workbook as .xlsx")), qPrintable(description));
    }
};

QTEST_MAIN(SpreadsheetServerTest)
#include "tst_spreadsheetserver.moc"

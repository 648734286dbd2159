// quillmere-cli as a shell runs it: the built executable, without a display, on workbooks with
// real charts. What list prints is held against the rows the window's discovery gives for the
// same workbook; what copy writes is read back with the presentation engine and LibreOffice.

#include "discovery/Excel1.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/workbook/Workbook.h"
#include "engine/package/Namespaces.h"
#include "engine/package/Package.h"
#include "engine/package/Xml.h"
#include "engine/presentation/Presentation.h"
#include "servers/spreadsheet/SpreadsheetServer.h"
#include "tests/discovery/Harness.h"
#include "tests/cli/CliProcess.h"

#include <algorithm>
#include <cmath>
#include <QImage>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using clitest::Result;
using clitest::runCli;

namespace {

QString unescaped(const QString& field) {
    QString text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const QChar next = field[++i];
        text += next == u't' ? QChar(u'\t') : next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next;
    }
    return text;
}

QList<QStringList> tsvRows(const QByteArray& out) {
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts)) {
        QStringList fields;
        for (const QString& field : line.split(u'\t')) fields.append(unescaped(field));
        rows.append(fields);
    }
    return rows;
}

// Every chart of a presentation, slide by slide: the slide number and the chart's kind and
// title; slides without a chart are left out.
// The charts as the workbook's list names them: a pasted chart with one named series and no
// title of its own shows that series' name as an explicit title, where the list (reading the
// workbook's part) gives the automatic title as "".
QStringList asListed(QStringList pasted, const QStringList& listed) {
    for (qsizetype i = 0; i < std::min(pasted.size(), listed.size()); ++i) {
        const QStringList want = listed[i].split(u':');
        QStringList have = pasted[i].split(u':');
        if (want.size() == 4 && have.size() == 4 && want[2].isEmpty() && want[3] == QLatin1String("1")) have[2].clear();
        pasted[i] = have.join(u':');
    }
    return pasted;
}

QStringList chartsOf(const QString& path) {
    const engine::Presentation presentation = engine::Presentation::open(path);
    QStringList charts;
    for (int i = 0; i < presentation.slideCount(); ++i) {
        for (const engine::SlideShape& shape : presentation.slideShapes(i)) {
            if (shape.kind != engine::SlideShape::Kind::Chart) continue;
            const engine::ChartSummary summary =
                presentation.chartSummary(presentation.slideTarget(i, shape.relId));
            charts.append(QStringLiteral("%1:%2:%3:%4")
                              .arg(i + 1)
                              .arg(summary.kind, summary.title)
                              .arg(summary.series.size()));
        }
    }
    return charts;
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class CliTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void listGivesTheWindowsRowsInTheWindowsOrder_data();
    void listGivesTheWindowsRowsInTheWindowsOrder();
    void listDescribesEachChartAndJsonSaysTheSame();
    void unreadableChartKeepsItsRowAndFailsTheList();
    void legacyListCopyAndRenderStartNoOtherProgram();
    void legacyFactsAgreeWithTheConvertedWorkbook_data();
    void legacyFactsAgreeWithTheConvertedWorkbook();
    void workbookWithoutChartsListsNothingAndSaysSo_data();
    void workbookWithoutChartsListsNothingAndSaysSo();
    void chartSheetsAreListedOnRequestOnlyAfterTheWorksheetsCharts_data();
    void chartSheetsAreListedOnRequestOnlyAfterTheWorksheetsCharts();
    void chartSheetIsCopiedAndDrawnByItsNameAtTheSizeOfItsPage();
    void chartSheetOfANewerKindIsCopiedAndDrawnAsOne();
    void chartSheetNamedWrongOrDamagedFailsWithOneLine();
    void newerKindsAreListedInTheDrawingsOrderWithTheirKind();
    void newerKindsAreCopiedAsTheirOwnPartsWithAPictureForOtherReaders();
    void newerKindsAreDrawnInEveryFormat();

    void copyOfSeveralWorkbooksPutsEveryChartOnItsOwnSlideInListOrder();
    void copyOfNamedChartsTakesThemInTheOrderGiven();
    void copyIntoADeckKeepsItsSlidesFirstAndLeavesItUnchanged();
    void copyTakesTheDecksThemeUnlessSourceFormattingIsKept();
    void copiedPresentationOpensInLibreOffice();

    void failuresGiveOneLineTheirStatusAndLeaveNothingBehind_data();
    void failuresGiveOneLineTheirStatusAndLeaveNothingBehind();
    void progressShowsOnATerminalOnlyAndQuietSilencesIt();
    void helpAndVersionAnswerOnStandardOutput();

private:
    QString windowBook(const QString& name) const { return m_books.filePath(QStringLiteral("window/") + name); }
    QString engineBook(const QString& name) const { return m_books.filePath(QStringLiteral("engine/") + name); }
    QString out(const QString& name) const { return m_out.filePath(name); }
    QStringList listedKinds(const QString& book);

    QTemporaryDir m_books;
    QTemporaryDir m_out;
};

void CliTest::initTestCase() {
    QVERIFY(m_books.isValid() && m_out.isValid());
    const QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    QVERIFY2(!source.isEmpty(), "QUILLMERE_SOURCE_DIR is not set");
    struct Script {
        QString script;
        QString folder;
        QStringList options;
    };
    const QList<Script> scripts{{QStringLiteral("tools/make-chart-workbooks.py"), QStringLiteral("window"), {}},
                                {QStringLiteral("tools/make_test_workbooks.py"), QStringLiteral("engine"), {}},
                                {QStringLiteral("tools/make_test_workbooks.py"), QStringLiteral("defaults"),
                                 {QStringLiteral("--defaults-2007")}},
                                {QStringLiteral("tools/make-model-workbooks.py"), QStringLiteral("model"), {}},
                                {QStringLiteral("tools/make-render-workbooks.py"), QStringLiteral("render"), {}}};
    for (const auto& [script, folder, options] : scripts) {
        QVERIFY(QDir(m_books.path()).mkpath(folder));
        QProcess make;
        make.start(QStringLiteral("/usr/bin/python3"), QStringList{source + u'/' + script} + options + QStringList{m_books.filePath(folder)});
        QVERIFY(make.waitForFinished(120000));
        QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
    }
    // The window's discovery below runs in this process, on the same built-in application.
    servers::registerSpreadsheetServer();
}

// Every workbook the test data generators write, the broken ones included, the sample beside the
// executables and the legacy workbooks saved by the spreadsheet application.
void CliTest::listGivesTheWindowsRowsInTheWindowsOrder_data() {
    QTest::addColumn<QString>("book");
    QStringList books;
    for (const QString& folder : {QStringLiteral("window"), QStringLiteral("engine"), QStringLiteral("defaults"),
                                  QStringLiteral("model"), QStringLiteral("render")}) {
        for (const QFileInfo& file : QDir(m_books.filePath(folder)).entryInfoList(QDir::Files, QDir::Name)) {
            books << file.filePath();
        }
    }
    books << QCoreApplication::applicationDirPath() + QStringLiteral("/Samples/sample1.xls");
    const QDir legacy(qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/tests/legacy/data"));
    for (const QString& name : legacy.entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name)) {
        books << legacy.filePath(name);
    }
    for (const QString& book : books) {
        QTest::newRow(qPrintable(QFileInfo(QFileInfo(book).path()).fileName() + u'/' + QFileInfo(book).fileName())) << book;
    }
}

void CliTest::listGivesTheWindowsRowsInTheWindowsOrder() {
    QFETCH(QString, book);
    chartstest::Harness window;
    charts::Excel1(window.form, window.dialogs, window.runner).ExtractChartByFile(book);
    QStringList expected;
    for (const QString& row : window.rows()) expected.append(row.section(u'|', 0, 2));

    const Result result = runCli({QStringLiteral("list"), book, QStringLiteral("--json")});
    QStringList listed;
    const QJsonArray rows = QJsonDocument::fromJson(result.out).array();
    for (const QJsonValue& row : rows) {
        const QJsonObject o = row.toObject();
        listed.append(o[QStringLiteral("sheet")].toString() + u'|' + o[QStringLiteral("chart")].toString() + u'|' +
                      QString::number(o[QStringLiteral("index")].toInt()));
    }
    QCOMPARE(listed, expected);
    // A workbook Find reports it cannot read fails the list; any other lists with success, or
    // says per chart which one's facts could not be read.
    if (!window.reports.isEmpty()) {
        QCOMPARE(result.status, 2);
        return;
    }
    QVERIFY2(result.status == 0 || result.status == 2, result.err.constData());
    if (result.status == 0) {
        for (const QJsonValue& row : rows) QVERIFY2(!row[QStringLiteral("kind")].toString().isEmpty(), book.toUtf8().constData());
    }
}

// A PATH whose soffice (and libreoffice) records that it was called and fails, as a missing or
// broken LibreOffice would.
QProcessEnvironment recordingOffice(const QString& folder, const QString& record) {
    for (const QString& name : {QStringLiteral("soffice"), QStringLiteral("libreoffice")}) {
        QFile script(folder + u'/' + name);
        if (!script.open(QIODevice::WriteOnly)) return {};
        script.write("#!/bin/sh\necho \"$0 $*\" >> '" + record.toUtf8() + "'\nexit 1\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), folder + u':' + qEnvironmentVariable("PATH"));
    return environment;
}

void CliTest::legacyListCopyAndRenderStartNoOtherProgram() {
    const QString sample = QCoreApplication::applicationDirPath() + QStringLiteral("/Samples/sample1.xls");
    QTemporaryDir bin;
    const QString record = bin.filePath(QStringLiteral("calls.txt"));
    const QProcessEnvironment environment = recordingOffice(bin.path(), record);
    QVERIFY(!environment.isEmpty());

    for (const QStringList& list : {QStringList{QStringLiteral("list"), sample},
                                    QStringList{QStringLiteral("list"), sample, QStringLiteral("--json")}}) {
        const Result result = runCli(list, environment);
        QCOMPARE(result.status, 0);
        QCOMPARE(result.err, QByteArray());
        QVERIFY(!result.out.isEmpty());
    }
    // Every chart of the sample copied, and drawn, from the workbook's own records.
    const QString deck = out(QStringLiteral("sample.pptx"));
    const Result copy = runCli({QStringLiteral("copy"), sample, QStringLiteral("--output"), deck}, environment);
    QVERIFY2(copy.status == 0, copy.err.constData());
    const engine::Presentation presentation = engine::Presentation::open(deck);
    QCOMPARE(presentation.slideCount(), 9);
    QTemporaryDir pictures;
    const Result render = runCli({QStringLiteral("render"), sample, QStringLiteral("--format"), QStringLiteral("svg"),
                                  QStringLiteral("--output"), pictures.path()},
                                 environment);
    QVERIFY2(render.status == 0, render.err.constData());
    QCOMPARE(QDir(pictures.path()).entryList(QDir::Files).size(), 9);
    QVERIFY2(!QFile::exists(record), "an .xls started LibreOffice");

    // The same PATH does reach the converter for a format only it reads: the check above can fail.
    const QString ods = bin.filePath(QStringLiteral("book.ods"));
    QFile file(ods);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 not really");
    file.close();
    runCli({QStringLiteral("list"), ods}, environment);
    QVERIFY(QFile::exists(record));
}

// What list says of a legacy workbook's charts, read from its own records, is what the chart
// model says of the same charts in LibreOffice's conversion of it, the road list took before. The
// generated workbooks with a chart of every kind are saved as .xls by LibreOffice first. Sizes
// are compared on the workbooks LibreOffice wrote: on those the spreadsheet application saved,
// LibreOffice measures columns by its own font metrics, about a pixel per column away from the
// file format's rule, which the list follows for .xls as for .xlsx.
void CliTest::legacyFactsAgreeWithTheConvertedWorkbook_data() {
    QTest::addColumn<QString>("book");
    QTest::addColumn<bool>("sizes");
    QTest::newRow("every kind") << m_books.filePath(QStringLiteral("model/kinds.xlsx")) << true;
    QTest::newRow("every kind, drawn") << m_books.filePath(QStringLiteral("render/render.xlsx")) << true;
    QTest::newRow("sample") << QCoreApplication::applicationDirPath() + QStringLiteral("/Samples/sample1.xls") << true;
    const QString legacy = qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/tests/legacy/data/");
    for (const char* name : {"WithThreeCharts.xls", "SimpleChart.xls", "SimpleScatterChart.xls"}) {
        QTest::newRow(name) << legacy + QString::fromLatin1(name) << false;
    }
}

void CliTest::legacyFactsAgreeWithTheConvertedWorkbook() {
    QFETCH(QString, book);
    QFETCH(bool, sizes);
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) QFAIL("LibreOffice (soffice) is not installed");
    QTemporaryDir folder;
    if (book.endsWith(QLatin1String(".xlsx"))) {
        const QString legacy = folder.filePath(QFileInfo(book).completeBaseName() + QStringLiteral(".xls"));
        QFile saved(legacy);
        QVERIFY(saved.open(QIODevice::WriteOnly));
        saved.write(engine::LegacyConverter::convert(book, QStringLiteral("xls")));
        saved.close();
        book = legacy;
    }
    const QString converted = folder.filePath(QStringLiteral("converted.xlsx"));
    QFile file(converted);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(engine::LegacyConverter::convert(book, QStringLiteral("xlsx")));
    file.close();
    const auto workbook = engine::Workbook::open(converted);

    const Result result = runCli({QStringLiteral("list"), book, QStringLiteral("--json")});
    QCOMPARE(result.status, 0);
    const QJsonArray rows = QJsonDocument::fromJson(result.out).array();
    QVERIFY(!rows.isEmpty());
    for (const QJsonValue& row : rows) {
        const engine::Workbook::Sheet* sheet = workbook->sheetByName(row[QStringLiteral("sheet")].toString());
        QVERIFY(sheet);
        const int index = row[QStringLiteral("index")].toInt();
        QVERIFY(index <= int(sheet->chartObjects.size()));
        const engine::Workbook::ChartObject& chart = sheet->chartObjects[size_t(index - 1)];
        const engine::ChartSummary summary =
            engine::readChartSummary(workbook->package().read(chart.chartPart), QStringLiteral("converted.xlsx"), chart.chartPart);
        const QString where = sheet->name + u':' + QString::number(index);
        QCOMPARE(where + u' ' + row[QStringLiteral("kind")].toString(), where + u' ' + summary.kind);
        // LibreOffice writes the automatic title of a chart of one series, its name, as a title
        // of the chart's own, which the list gives as none.
        const bool automaticTitle = row[QStringLiteral("title")].toString().isEmpty() && summary.series.size() == 1 &&
                                    summary.title == summary.series.front().name;
        if (!automaticTitle) QCOMPARE(where + u' ' + row[QStringLiteral("title")].toString(), where + u' ' + summary.title);
        QCOMPARE(row[QStringLiteral("series")].toInt(), int(summary.series.size()));
        if (!sizes) continue;
        // Sizes follow from the same anchors and the same column and row sizes, each side
        // rounding to whole pixels: within a few pixels of each other.
        const auto [width, height] = workbook->chartSize(*sheet, chart);
        QVERIFY2(std::abs(qint64(row[QStringLiteral("width")].toDouble()) - width) <= 4 * 9525,
                 qPrintable(where + QStringLiteral(" width %1 against %2").arg(row[QStringLiteral("width")].toDouble()).arg(width)));
        QVERIFY2(std::abs(qint64(row[QStringLiteral("height")].toDouble()) - height) <= 4 * 9525,
                 qPrintable(where + QStringLiteral(" height %1 against %2").arg(row[QStringLiteral("height")].toDouble()).arg(height)));
    }
}

void CliTest::listDescribesEachChartAndJsonSaysTheSame() {
    const QString book = engineBook(QStringLiteral("charts.xlsx"));
    const Result text = runCli({QStringLiteral("list"), book});
    QCOMPARE(text.status, 0);
    const QList<QStringList> rows = tsvRows(text.out);
    QVERIFY(rows.size() >= 3);
    // XlsxWriter's charts are 480 x 288 pixels unless scaled; a pixel is 9525 EMU.
    const QStringList first{QStringLiteral("Data"), QStringLiteral("Data Chart 3"), QStringLiteral("1"),
                            QStringLiteral("Column"), QString(), QStringLiteral("2"),
                            QString::number(480 * 9525), QString::number(288 * 9525)};
    QCOMPARE(rows[0], first);
    QCOMPARE(rows[1].mid(3), (QStringList{QStringLiteral("Line"), QString(), QStringLiteral("1"),
                                          QString::number(640 * 9525), QString::number(400 * 9525)}));
    QCOMPARE(rows[2][3], QStringLiteral("Pie"));

    const Result json = runCli({QStringLiteral("list"), book, QStringLiteral("--json")});
    QCOMPARE(json.status, 0);
    QJsonParseError error;
    const QJsonArray array = QJsonDocument::fromJson(json.out, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(array.size(), rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QJsonObject o = array[i].toObject();
        const QStringList fromJson{o[QStringLiteral("sheet")].toString(), o[QStringLiteral("chart")].toString(),
                                   QString::number(o[QStringLiteral("index")].toInt()),
                                   o[QStringLiteral("kind")].toString(), o[QStringLiteral("title")].toString(),
                                   QString::number(o[QStringLiteral("series")].toInt()),
                                   QString::number(qint64(o[QStringLiteral("width")].toDouble())),
                                   QString::number(qint64(o[QStringLiteral("height")].toDouble()))};
        QCOMPARE(fromJson, rows[i]);
    }
}

void CliTest::unreadableChartKeepsItsRowAndFailsTheList() {
    // The Data worksheet's cells are cut short: its three charts' sizes cannot be read, while
    // the window lists them from the drawing alone.
    const QString book = engineBook(QStringLiteral("badsheet.xlsx"));
    chartstest::Harness window;
    charts::Excel1(window.form, window.dialogs, window.runner).ExtractChartByFile(book);
    const Result result = runCli({QStringLiteral("list"), book});
    QCOMPARE(result.status, 2);
    QStringList listed;
    const QList<QStringList> rows = tsvRows(result.out);
    for (const QStringList& fields : rows) listed.append(fields.mid(0, 3).join(u'|') + QStringLiteral("|1"));
    QCOMPARE(listed, window.rows());
    QCOMPARE(rows[0].mid(3), (QStringList{QString(), QString(), QStringLiteral("0"), QStringLiteral("0"),
                                          QStringLiteral("0")}));  // nothing read, nothing made up
    QCOMPARE(rows[3][3], QStringLiteral("Area"));
    const QStringList lines = QString::fromUtf8(result.err).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(lines[i].startsWith(QStringLiteral("quillmere-cli: ") + book + QStringLiteral(": chart Data:") +
                                     QString::number(i + 1) + QStringLiteral(": xl/worksheets/sheet1.xml")),
                 qPrintable(lines[i]));
    }
}

void CliTest::workbookWithoutChartsListsNothingAndSaysSo_data() {
    QTest::addColumn<QString>("book");
    QTest::newRow("no drawing") << windowBook(QStringLiteral("nocharts.xlsx"));
    QTest::newRow("only a chart sheet") << windowBook(QStringLiteral("chartsheet.xlsx"));
}

void CliTest::workbookWithoutChartsListsNothingAndSaysSo() {
    QFETCH(QString, book);
    const Result result = runCli({QStringLiteral("list"), book});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err, QByteArray("No charts found within file.\n"));

    const Result quiet = runCli({QStringLiteral("list"), book, QStringLiteral("--quiet")});
    QCOMPARE(quiet.status, 0);
    QCOMPARE(quiet.out + quiet.err, QByteArray());

    // A script reading JSON still gets a document: the empty array.
    const Result json = runCli({QStringLiteral("list"), QStringLiteral("--json"), book});
    QCOMPARE(json.status, 0);
    QCOMPARE(QJsonDocument::fromJson(json.out).array().size(), 0);
    QVERIFY(QJsonDocument::fromJson(json.out).isArray());
}

// Workbooks with chart sheets: the window's Find lists none of their charts, and the command
// line lists them only when asked, after every worksheet's chart, in the sheets' order.
void CliTest::chartSheetsAreListedOnRequestOnlyAfterTheWorksheetsCharts_data() {
    QTest::addColumn<QString>("book");
    QTest::addColumn<QStringList>("worksheetCharts");  // "sheet|chart|index" of the window's rows
    QTest::addColumn<QStringList>("chartSheets");      // "sheet|kind|width|height"
    const QString saved = qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/tests/workbook/data/");
    // Letter landscape less the margins: 9.6 x 7 in; A4 portrait less half an inch all round.
    const QString letter = QStringLiteral("%1|%2").arg(914400 * 96 / 10).arg(914400 * 7);
    const QString a4 = QStringLiteral("%1|%2").arg(std::llround((210 / 25.4 - 1) * 914400)).arg(std::llround((297 / 25.4 - 1) * 914400));
    QTest::newRow("generated") << engineBook(QStringLiteral("chartsheets.xlsx"))
                               << QStringList{QStringLiteral("Data|Data Chart 1|1"), QStringLiteral("Q1|Q1 Chart 1|1")}
                               << QStringList{QStringLiteral("Portrait A4|Line|") + a4, QStringLiteral("Pie Sheet|Pie|") + letter,
                                              QStringLiteral("Q1-1|Bar|") + letter};
    QTest::newRow("main test workbook") << engineBook(QStringLiteral("charts.xlsx")) << QStringList()
                                        << QStringList{QStringLiteral("Chart Sheet|Bar|") + letter};
    QTest::newRow("a newer kind") << engineBook(QStringLiteral("chartex-chartsheet.xlsx")) << QStringList()
                                  << QStringList{QStringLiteral("Flow|Waterfall|") + letter};
    QTest::newRow("saved by the spreadsheet application") << saved + QStringLiteral("chart_sheet.xlsx") << QStringList()
                                                           << QStringList{QStringLiteral("Chart1|Column|") + letter};
    QTest::newRow("saved by the spreadsheet application, 1-inch margins")
        << saved + QStringLiteral("WithChartSheet.xlsx") << QStringList()
        << QStringList{QStringLiteral("Chart2|Column|%1|%2").arg(914400 * 95 / 10).arg(914400 * 65 / 10)};
}

void CliTest::chartSheetsAreListedOnRequestOnlyAfterTheWorksheetsCharts() {
    QFETCH(QString, book);
    QFETCH(QStringList, worksheetCharts);
    QFETCH(QStringList, chartSheets);
    chartstest::Harness window;
    charts::Excel1(window.form, window.dialogs, window.runner).ExtractChartByFile(book);
    QStringList found;
    for (const QString& row : window.rows()) found.append(row.section(u'|', 0, 2));
    if (book.endsWith(QLatin1String("charts.xlsx"))) {
        // Charts on its worksheets are listed; the chart sheet's is not among them.
        QVERIFY(!found.isEmpty());
        for (const QString& row : found) QVERIFY2(!row.startsWith(QLatin1String("Chart Sheet|")), qPrintable(row));
        worksheetCharts = found;
    } else {
        QCOMPARE(found, worksheetCharts);
    }
    QCOMPARE(window.dialogs.messageTexts().contains(QStringLiteral("No charts found within file.")), found.isEmpty());

    const Result plain = runCli({QStringLiteral("list"), book});
    QCOMPARE(plain.status, 0);
    QCOMPARE(tsvRows(plain.out).size(), worksheetCharts.size());

    const Result text = runCli({QStringLiteral("list"), book, QStringLiteral("--chart-sheets")});
    QCOMPARE(text.status, 0);
    QCOMPARE(text.err, QByteArray());  // charts were found
    const QList<QStringList> rows = tsvRows(text.out);
    QCOMPARE(rows.size(), worksheetCharts.size() + chartSheets.size());
    QStringList worksheetRows, chartSheetRows;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList& r = rows[i];
        if (i < worksheetCharts.size()) {
            worksheetRows.append(r.mid(0, 3).join(u'|'));
            continue;
        }
        // A chart sheet's chart is named as the spreadsheet application names it, by its sheet,
        // and has no index.
        QCOMPARE(r[1], r[0]);
        QCOMPARE(r[2], QString());
        chartSheetRows.append(QStringList{r[0], r[3], r[6], r[7]}.join(u'|'));
    }
    QCOMPARE(worksheetRows, worksheetCharts);
    QCOMPARE(chartSheetRows, chartSheets);

    const Result json = runCli({QStringLiteral("list"), book, QStringLiteral("--chart-sheets"), QStringLiteral("--json")});
    QCOMPARE(json.status, 0);
    const QJsonArray array = QJsonDocument::fromJson(json.out).array();
    QCOMPARE(array.size(), rows.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonObject o = array[i].toObject();
        const bool chartSheet = i >= worksheetCharts.size();
        QCOMPARE(o[QStringLiteral("chartSheet")].toBool(true), chartSheet);
        QCOMPARE(o[QStringLiteral("index")].isNull(), chartSheet);
        QCOMPARE(o[QStringLiteral("sheet")].toString(), rows[i][0]);
        QCOMPARE(o[QStringLiteral("kind")].toString(), rows[i][3]);
    }
}

void CliTest::chartSheetIsCopiedAndDrawnByItsNameAtTheSizeOfItsPage() {
    const QString book = engineBook(QStringLiteral("chartsheets.xlsx"));
    const QString deck = out(QStringLiteral("chartsheets.pptx"));
    // Named in any case, in any order with the worksheets' charts.
    const Result copy = runCli({QStringLiteral("copy"), book, QStringLiteral("--chart"), QStringLiteral("portrait a4"),
                                QStringLiteral("--chart"), QStringLiteral("Data:1"), QStringLiteral("--chart"),
                                QStringLiteral("Pie Sheet"), QStringLiteral("--output"), deck});
    QVERIFY2(copy.status == 0, copy.err.constData());
    QStringList kinds;
    for (const QString& chart : chartsOf(deck)) kinds.append(chart.section(u':', 0, 1));
    QCOMPARE(kinds, (QStringList{QStringLiteral("1:Line"), QStringLiteral("2:Column"), QStringLiteral("3:Pie")}));
    const engine::Presentation presentation = engine::Presentation::open(deck);
    const auto frameOf = [&](int slide) {
        for (const engine::SlideShape& shape : presentation.slideShapes(slide)) {
            if (shape.kind == engine::SlideShape::Kind::Chart) return shape.frame;
        }
        return engine::EmuRect{};
    };
    // Both pages are taller than the slide leaves room for: scaled down to it, in proportion,
    // as any chart too large for the slide; the worksheet's chart keeps its own size.
    const engine::EmuRect portrait = frameOf(0);
    const engine::EmuRect pie = frameOf(2);
    QCOMPARE(portrait.cy, pie.cy);
    QVERIFY(portrait.cy < 6858000);
    QVERIFY(qAbs(double(portrait.cx) / portrait.cy - (210 / 25.4 - 1) / (297 / 25.4 - 1)) < 1e-3);
    QVERIFY(qAbs(double(pie.cx) / pie.cy - 9.6 / 7) < 1e-3);
    QCOMPARE(frameOf(1).cx, qint64(480 * 9525));

    // Drawn at the page's size; its picture keeps apart from that of worksheet Q1's chart 1.
    const QString pictures = out(QStringLiteral("chartsheet-pictures"));
    const Result render = runCli({QStringLiteral("render"), book, QStringLiteral("--chart"), QStringLiteral("Q1-1"),
                                  QStringLiteral("--chart"), QStringLiteral("Q1:1"), QStringLiteral("--format"),
                                  QStringLiteral("png"), QStringLiteral("--output"), pictures});
    QVERIFY2(render.status == 0, render.err.constData());
    QCOMPARE(QDir(pictures).entryList(QDir::Files, QDir::Name), (QStringList{QStringLiteral("Q1-1.png"), QStringLiteral("Q1-1_2.png")}));
    QCOMPARE(QImage(QDir(pictures).filePath(QStringLiteral("Q1-1_2.png"))).size(), QSize(922, 672));
    QCOMPARE(QImage(QDir(pictures).filePath(QStringLiteral("Q1-1.png"))).size(), QSize(480, 288));
}

// A chart sheet whose chart is of the newer kinds is pasted as that kind (its chartex part
// behind a picture) at the size of the sheet's page, and drawn as a chart.
void CliTest::chartSheetOfANewerKindIsCopiedAndDrawnAsOne() {
    const QString book = engineBook(QStringLiteral("chartex-chartsheet.xlsx"));
    const QString deck = out(QStringLiteral("chartex-chartsheet.pptx"));
    const Result copy = runCli({QStringLiteral("copy"), book, QStringLiteral("--chart"), QStringLiteral("Flow"),
                                QStringLiteral("--output"), deck});
    QVERIFY2(copy.status == 0, copy.err.constData());
    const engine::Presentation presentation = engine::Presentation::open(deck);
    QCOMPARE(presentation.slideCount(), 1);
    const auto package = engine::PackageReader::open(deck);
    const QString slidePart = presentation.slidePartName(0);
    QVERIFY(QString::fromUtf8(package->read(slidePart)).contains(QStringLiteral("Requires=\"cx1\"")));
    const engine::Relationships rels = package->relationships(slidePart);
    QCOMPARE(rels.ofType(QStringLiteral("http://schemas.microsoft.com/office/2014/relationships/chartEx")).size(), 1);
    const auto pictures = rels.ofType(QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image"));
    QCOMPARE(pictures.size(), 1);
    // Letter landscape less the margins (9.6 x 7 in), scaled down to the slide in proportion.
    const std::vector<engine::SlideShape> shapes = presentation.slideShapes(0);
    QCOMPARE(shapes.size(), size_t(1));
    QVERIFY(qAbs(double(shapes[0].frame.cx) / shapes[0].frame.cy - 9.6 / 7) < 1e-3);
    const QImage picture = QImage::fromData(package->read(pictures.front()->targetPart), "PNG");
    QVERIFY(qAbs(double(picture.width()) / picture.height() - 9.6 / 7) < 1e-2);

    const QString folder = out(QStringLiteral("chartex-chartsheet-pictures"));
    const Result render = runCli({QStringLiteral("render"), book, QStringLiteral("--chart"), QStringLiteral("Flow"),
                                  QStringLiteral("--format"), QStringLiteral("svg"), QStringLiteral("--output"), folder});
    QVERIFY2(render.status == 0, render.err.constData());
    QFile svg(QDir(folder).filePath(QStringLiteral("Flow.svg")));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray drawn = svg.readAll();
    QVERIFY2(drawn.contains(">Cash flow<") && drawn.contains(">Returns<") && !drawn.contains(">Waterfall chart<"),
             drawn.left(2000).constData());
}

void CliTest::chartSheetNamedWrongOrDamagedFailsWithOneLine() {
    const QString book = engineBook(QStringLiteral("chartsheets.xlsx"));
    const struct {
        QString chart;
        QString says;
    } cases[] = {
        {QStringLiteral("Data"), QStringLiteral("--chart Data: \"Data\" is a worksheet; name its chart as SHEET:INDEX")},
        {QStringLiteral("Pie Sheet:1"), QStringLiteral("--chart Pie Sheet:1: \"Pie Sheet\" is a chart sheet; name it without an index")},
        {QStringLiteral("Nowhere"), QStringLiteral("--chart Nowhere: no chart sheet named \"Nowhere\"")},
    };
    for (const auto& [chart, says] : cases) {
        const QString deck = out(QStringLiteral("never.pptx"));
        const Result result = runCli({QStringLiteral("copy"), book, QStringLiteral("--chart"), chart, QStringLiteral("--output"), deck});
        QCOMPARE(result.status, 2);
        const QString err = QString::fromUtf8(result.err);
        QVERIFY2(err.startsWith(QStringLiteral("quillmere-cli: ") + book + QStringLiteral(": ") + says), qPrintable(err));
        QCOMPARE(err.count(u'\n'), 1);
        QVERIFY(!QFileInfo::exists(deck));
    }

    // A chart sheet whose drawing is missing: the worksheet's chart is still listed, the chart
    // sheet keeps its row and the list fails naming the missing part; copying it fails alike.
    const QString broken = engineBook(QStringLiteral("chartsheet-broken.xlsx"));
    const Result list = runCli({QStringLiteral("list"), broken, QStringLiteral("--chart-sheets")});
    QCOMPARE(list.status, 2);
    const QList<QStringList> rows = tsvRows(list.out);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][3], QStringLiteral("Column"));
    QCOMPARE(rows[1].mid(0, 4), (QStringList{QStringLiteral("Lost"), QStringLiteral("Lost"), QString(), QString()}));
    QVERIFY2(list.err.contains(": chart Lost: xl/chartsheets/_rels/sheet1.xml.rels: the drawing xl/drawings/drawing2.xml is missing"),
             list.err.constData());
    const Result copy = runCli({QStringLiteral("copy"), broken, QStringLiteral("--chart"), QStringLiteral("Lost"),
                                QStringLiteral("--output"), out(QStringLiteral("lost.pptx"))});
    QCOMPARE(copy.status, 2);
    QVERIFY2(copy.err.contains("drawing2.xml is missing"), copy.err.constData());
    QVERIFY(!QFileInfo::exists(out(QStringLiteral("lost.pptx"))));
}

// Charts of the newer kinds are chart objects like any other: Find and the list give them in
// the drawing's order among the classic ones, and the list says their kind.
void CliTest::newerKindsAreListedInTheDrawingsOrderWithTheirKind() {
    const QString book = engineBook(QStringLiteral("chartex.xlsx"));
    chartstest::Harness window;
    charts::Excel1(window.form, window.dialogs, window.runner).ExtractChartByFile(book);
    const QStringList rows = window.rows();
    QCOMPARE(rows.size(), 10);
    QCOMPARE(rows[1], QStringLiteral("Data|Data Waterfall 1|2|1"));
    QCOMPARE(rows[9], QStringLiteral("Data|Data Chart 2|10|1"));
    QVERIFY(window.reports.isEmpty());

    const Result json = runCli({QStringLiteral("list"), book, QStringLiteral("--json")});
    QVERIFY2(json.status == 0, json.err.constData());
    QStringList listed;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.out).array()) {
        const QJsonObject o = value.toObject();
        listed.append(QStringLiteral("%1|%2|%3|%4")
                          .arg(o[QStringLiteral("index")].toInt())
                          .arg(o[QStringLiteral("kind")].toString(), o[QStringLiteral("title")].toString())
                          .arg(o[QStringLiteral("series")].toInt()));
    }
    QCOMPARE(listed, (QStringList{QStringLiteral("1|Column||1"), QStringLiteral("2|Waterfall|Cash flow|1"),
                                  QStringLiteral("3|Histogram|Spread|1"), QStringLiteral("4|Pareto|Causes|1"),
                                  QStringLiteral("5|Box and Whisker||1"), QStringLiteral("6|Treemap|Markets|1"),
                                  QStringLiteral("7|Sunburst|Markets by region|1"), QStringLiteral("8|Funnel|Pipeline|1"),
                                  QStringLiteral("9|Filled Map|By country|1"), QStringLiteral("10|Line||1")}));
}

// A chart of the newer kinds is pasted as the presentation application stores it: its chartex
// part, linked to an embedded workbook with its data, in a frame inside mc:AlternateContent that
// requires the kind's namespace, with a picture for readers that do not know the kind.
void CliTest::newerKindsAreCopiedAsTheirOwnPartsWithAPictureForOtherReaders() {
    const QString deck = out(QStringLiteral("newer-kinds.pptx"));
    const Result copy = runCli({QStringLiteral("copy"), engineBook(QStringLiteral("chartex.xlsx")), QStringLiteral("--output"), deck});
    QVERIFY2(copy.status == 0, copy.err.constData());
    const engine::Presentation presentation = engine::Presentation::open(deck);
    QCOMPARE(presentation.slideCount(), 10);
    const auto package = engine::PackageReader::open(deck);
    const QStringList required{QString(), QStringLiteral("cx1"), QStringLiteral("cx1"), QStringLiteral("cx1"),
                               QStringLiteral("cx1"), QStringLiteral("cx1"), QStringLiteral("cx1"), QStringLiteral("cx2"),
                               QStringLiteral("cx4"), QString()};
    for (int i = 0; i < presentation.slideCount(); ++i) {
        const QString slidePart = presentation.slidePartName(i);
        const QString slide = QString::fromUtf8(package->read(slidePart));
        const engine::Relationships rels = package->relationships(slidePart);
        if (required[i].isEmpty()) {
            QVERIFY2(!slide.contains(QLatin1String("AlternateContent")), qPrintable(slidePart));
            QCOMPARE(rels.ofType(QStringLiteral("http://schemas.microsoft.com/office/2014/relationships/chartEx")).size(), 0);
            continue;
        }
        QVERIFY2(slide.contains(QStringLiteral("Requires=\"%1\"").arg(required[i])), qPrintable(slide));
        // One chartex part, of its content type, whose data link is the embedded workbook.
        const auto chartex = rels.ofType(QStringLiteral("http://schemas.microsoft.com/office/2014/relationships/chartEx"));
        QCOMPARE(chartex.size(), 1);
        const QString part = chartex.front()->targetPart;
        QCOMPARE(package->contentTypes().of(part), QStringLiteral("application/vnd.ms-office.chartex+xml"));
        QVERIFY2(slide.contains(QStringLiteral("r:id=\"%1\"").arg(chartex.front()->id)), qPrintable(slide));
        const QByteArray chartXml = package->read(part);
        const qsizetype link = chartXml.indexOf("<cx:externalData ");
        QVERIFY2(link > 0 && link == chartXml.indexOf("<cx:chartData>") + qsizetype(strlen("<cx:chartData>")), chartXml.constData());
        const engine::Relationships chartRels = package->relationships(part);
        const auto embedded = chartRels.ofType(QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/package"));
        QCOMPARE(embedded.size(), 1);
        QVERIFY(chartXml.contains(QStringLiteral("r:id=\"%1\"").arg(embedded.front()->id).toUtf8()));
        QTemporaryDir folder;
        const QString workbookPath = folder.filePath(QStringLiteral("data.xlsx"));
        QFile file(workbookPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(package->read(embedded.front()->targetPart));
        file.close();
        const auto workbook = engine::Workbook::open(workbookPath);
        if (i == 1) {  // the waterfall: its categories and amounts
            const auto cells = workbook->readCells(QStringLiteral("Data"), {{QStringLiteral("Data"), 1, 0, 2, 1}});
            QVERIFY(cells);
            QCOMPARE((*cells)[0].value.toString(), QStringLiteral("Start"));
            QCOMPARE((*cells)[1].value.toDouble(), 100.0);
            QCOMPARE((*cells)[3].value.toDouble(), 40.0);
        }
        // The picture readers that do not know the kind show, at the frame's size.
        const auto pictures = rels.ofType(QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image"));
        QCOMPARE(pictures.size(), 1);
        const QImage picture = QImage::fromData(package->read(pictures.front()->targetPart), "PNG");
        QCOMPARE(picture.size(), QSize(4876800 / 9525, 2667000 / 9525));
        // The deck's own reader shows that picture in the chart's place.
        const std::vector<engine::SlideShape> shapes = presentation.slideShapes(i);
        QCOMPARE(shapes.size(), size_t(1));
        QCOMPARE(int(shapes[0].kind), int(engine::SlideShape::Kind::Picture));
        QCOMPARE(shapes[0].frame.cx, qint64(4876800));
    }
}

// The newer kinds are drawn in every format, at the chart's size: as charts, region maps as an
// outline naming the kind; the other charts as ever.
void CliTest::newerKindsAreDrawnInEveryFormat() {
    const QString book = engineBook(QStringLiteral("chartex.xlsx"));
    const QString folder = out(QStringLiteral("newer-pictures"));
    for (const QString& format : {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")}) {
        const Result render = runCli({QStringLiteral("render"), book, QStringLiteral("--chart"), QStringLiteral("Data:2"),
                                      QStringLiteral("--chart"), QStringLiteral("Data:8"), QStringLiteral("--chart"),
                                      QStringLiteral("Data:5"), QStringLiteral("--chart"), QStringLiteral("Data:9"),
                                      QStringLiteral("--chart"), QStringLiteral("Data:1"), QStringLiteral("--format"), format, QStringLiteral("--output"), folder});
        QVERIFY2(render.status == 0, render.err.constData());
    }
    QCOMPARE(QImage(QDir(folder).filePath(QStringLiteral("Data-2.png"))).size(), QSize(512, 280));
    const auto svgText = [&](const QString& name) {
        QFile svg(QDir(folder).filePath(name));
        return svg.open(QIODevice::ReadOnly) ? svg.readAll() : QByteArray();
    };
    const QByteArray funnel = svgText(QStringLiteral("Data-8.svg"));
    QVERIFY2(funnel.contains(">Pipeline<") && funnel.contains(">Visitors<") && funnel.contains(">Orders<"),
             funnel.left(2000).constData());
    const QByteArray box = svgText(QStringLiteral("Data-5.svg"));
    QVERIFY2(!box.contains(">Box and Whisker chart<") && box.contains(">80<"), box.left(2000).constData());
    const QByteArray map = svgText(QStringLiteral("Data-9.svg"));
    QVERIFY2(map.contains(">Filled Map chart<"), map.left(2000).constData());
    QVERIFY(QFileInfo(QDir(folder).filePath(QStringLiteral("Data-2.pdf"))).size() > 0);
    QVERIFY(QFileInfo(QDir(folder).filePath(QStringLiteral("Data-1.pdf"))).size() > 0);
}

QStringList CliTest::listedKinds(const QString& book) {
    QStringList kinds;
    for (const QStringList& fields : tsvRows(runCli({QStringLiteral("list"), book}).out)) {
        kinds.append(fields[3] + u':' + fields[4] + u':' + fields[5]);
    }
    return kinds;
}

void CliTest::copyOfSeveralWorkbooksPutsEveryChartOnItsOwnSlideInListOrder() {
    const QString several = windowBook(QStringLiteral("several.xlsx"));
    const QString charts = engineBook(QStringLiteral("charts.xlsx"));
    const QString target = out(QStringLiteral("several.pptx"));
    const Result result = runCli({QStringLiteral("copy"), several, charts, QStringLiteral("--output"), target});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out + result.err, QByteArray());  // not a terminal: no progress

    QStringList expected;
    for (const QString& kind : listedKinds(several) + listedKinds(charts)) {
        expected.append(QString::number(expected.size() + 1) + u':' + kind);
    }
    QCOMPARE(asListed(chartsOf(target), expected), expected);
    QCOMPARE(engine::Presentation::open(target).slideCount(), expected.size());
}

void CliTest::copyOfNamedChartsTakesThemInTheOrderGiven() {
    const QString charts = engineBook(QStringLiteral("charts.xlsx"));
    const QString several = windowBook(QStringLiteral("several.xlsx"));
    const QString target = out(QStringLiteral("named.pptx"));
    // The sheet named without regard to case, as the window's copy finds it; a --chart belongs
    // to the workbook before it, and a workbook without one gives all of its charts.
    const Result result = runCli({QStringLiteral("copy"), charts, QStringLiteral("--chart"), QStringLiteral("Data:3"),
                                  QStringLiteral("--chart"), QStringLiteral("it's HERE:1"), QStringLiteral("--chart"),
                                  QStringLiteral("Data:1"), several, QStringLiteral("--chart"),
                                  QStringLiteral("Hidden Data:1"), QStringLiteral("--output"), target});
    QCOMPARE(result.status, 0);
    const QStringList kinds = listedKinds(charts);
    const QStringList severalKinds = listedKinds(several);
    const QStringList expected{QStringLiteral("1:") + kinds[2], QStringLiteral("2:") + kinds[4],
                               QStringLiteral("3:") + kinds[0], QStringLiteral("4:") + severalKinds[4]};
    QCOMPARE(asListed(chartsOf(target), expected), expected);
}

void CliTest::copyIntoADeckKeepsItsSlidesFirstAndLeavesItUnchanged() {
    const QString charts = engineBook(QStringLiteral("charts.xlsx"));
    const QString deck = out(QStringLiteral("deck.pptx"));
    QCOMPARE(runCli({QStringLiteral("copy"), charts, QStringLiteral("--chart"), QStringLiteral("Data:2"),
                     QStringLiteral("--chart"), QStringLiteral("Hidden:1"), QStringLiteral("--output"), deck})
                 .status,
             0);
    const QByteArray deckHash = fileHash(deck);
    const QString target = out(QStringLiteral("into.pptx"));
    const Result result = runCli({QStringLiteral("copy"), charts, QStringLiteral("--chart"), QStringLiteral("Data:3"),
                                  QStringLiteral("--into"), deck, QStringLiteral("--output"), target});
    QCOMPARE(result.status, 0);
    QCOMPARE(fileHash(deck), deckHash);

    const engine::Presentation before = engine::Presentation::open(deck);
    const engine::Presentation after = engine::Presentation::open(target);
    QCOMPARE(after.slideCount(), before.slideCount() + 1);
    for (int i = 0; i < before.slideCount(); ++i) {
        QCOMPARE(after.slidePartName(i), before.slidePartName(i));
        QCOMPARE(after.package().part(after.slidePartName(i)), before.package().part(before.slidePartName(i)));
    }
    const QStringList kinds = listedKinds(charts);
    const QStringList expected = chartsOf(deck) + QStringList{QStringLiteral("3:") + kinds[2]};
    QCOMPARE(asListed(chartsOf(target), expected), expected);

    // OUT naming the deck itself replaces it: the one case where the deck changes.
    QCOMPARE(runCli({QStringLiteral("copy"), charts, QStringLiteral("--chart"), QStringLiteral("Data:1"),
                     QStringLiteral("--into"), deck, QStringLiteral("--output"), deck})
                 .status,
             0);
    QCOMPARE(engine::Presentation::open(deck).slideCount(), before.slideCount() + 1);
    QCOMPARE(QDir(m_out.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".tmp")), QStringList());
}

// The copy pastes as the presentation application's plain paste does, in the deck's theme (its
// body font named as the theme's, no theme of the chart's own); --keep-source-formatting keeps
// the workbook's, its face stated.
void CliTest::copyTakesTheDecksThemeUnlessSourceFormattingIsKept() {
    const QString charts = engineBook(QStringLiteral("charts.xlsx"));
    struct Expected {
        QStringList options;
        QString face;
        bool themeOverride;
    };
    const QList<Expected> runs{{{}, QStringLiteral("+mn-lt"), false},
                               {{QStringLiteral("--keep-source-formatting")}, QStringLiteral("Calibri"), true}};
    for (const Expected& run : runs) {
        const QString deck = out(run.themeOverride ? QStringLiteral("kept.pptx") : QStringLiteral("deck-theme.pptx"));
        QCOMPARE(runCli(QStringList{QStringLiteral("copy"), charts, QStringLiteral("--chart"), QStringLiteral("Data:1")} +
                        run.options + QStringList{QStringLiteral("--output"), deck})
                     .status,
                 0);
        const engine::Presentation presentation = engine::Presentation::open(deck);
        const auto frames = presentation.chartFrames();
        QCOMPARE(frames.size(), size_t(1));
        const QString part = frames.front().chartPart;
        const auto& package = presentation.package();
        QCOMPARE(package.relationships(part).firstOfType(QString::fromLatin1(engine::xml::rel::kThemeOverride)) != nullptr,
                 run.themeOverride);
        pugi::xml_document doc;
        engine::parseXml(doc, package.part(part), deck, part);
        QSet<QString> faces;
        for (const auto& n : doc.select_nodes("//*[local-name()='latin']"))
            faces.insert(QString::fromUtf8(n.node().attribute("typeface").value()));
        QCOMPARE(faces, QSet<QString>{run.face});
    }
}

void CliTest::copiedPresentationOpensInLibreOffice() {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
        QSKIP("LibreOffice (soffice) or pdfinfo is not installed");
    }
    const QString target = out(QStringLiteral("outside.pptx"));
    QCOMPARE(runCli({QStringLiteral("copy"), windowBook(QStringLiteral("several.xlsx")), QStringLiteral("--output"),
                     target})
                 .status,
             0);
    QTemporaryDir work;
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                   QStringLiteral("--outdir"), work.path(), target});
    QVERIFY(soffice.waitForFinished(240000));
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {work.filePath(QStringLiteral("outside.pdf"))});
    QVERIFY(pdfinfo.waitForFinished(60000));
    QCOMPARE(pdfinfo.exitCode(), 0);
    const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    QVERIFY(pages.hasMatch());
    QCOMPARE(pages.captured(1).toInt(), engine::Presentation::open(target).slideCount());

    // A deck of the newer kinds loses no slide either: LibreOffice shows their pictures.
    const QString newer = out(QStringLiteral("outside-newer.pptx"));
    QCOMPARE(runCli({QStringLiteral("copy"), engineBook(QStringLiteral("chartex.xlsx")), QStringLiteral("--output"), newer}).status, 0);
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                   QStringLiteral("--outdir"), work.path(), newer});
    QVERIFY(soffice.waitForFinished(240000));
    pdfinfo.start(QStringLiteral("pdfinfo"), {work.filePath(QStringLiteral("outside-newer.pdf"))});
    QVERIFY(pdfinfo.waitForFinished(60000));
    const QRegularExpressionMatch newerPages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(pdfinfo.readAllStandardOutput()));
    QVERIFY(newerPages.hasMatch());
    QCOMPARE(newerPages.captured(1).toInt(), 10);

    // A legacy deck goes through the converter, as in the window: its slides first, then ours.
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("ppt"),
                   QStringLiteral("--outdir"), work.path(), target});
    QVERIFY(soffice.waitForFinished(240000));
    const QString legacy = work.filePath(QStringLiteral("outside.ppt"));
    QVERIFY(QFileInfo::exists(legacy));
    const QByteArray legacyHash = fileHash(legacy);
    const QString into = out(QStringLiteral("from-legacy.pptx"));
    const Result result = runCli({QStringLiteral("copy"), engineBook(QStringLiteral("charts.xlsx")), QStringLiteral("--chart"),
                                  QStringLiteral("Data:3"), QStringLiteral("--into"), legacy, QStringLiteral("--output"), into});
    QVERIFY2(result.status == 0, result.err.constData());
    QCOMPARE(fileHash(legacy), legacyHash);
    const QStringList charts = chartsOf(into);
    QCOMPARE(engine::Presentation::open(into).slideCount(), pages.captured(1).toInt() + 1);
    QVERIFY2(!charts.isEmpty() && charts.last().startsWith(QString::number(pages.captured(1).toInt() + 1) +
                                                          QStringLiteral(":Pie")),
             qPrintable(charts.join(u' ')));
}

void CliTest::failuresGiveOneLineTheirStatusAndLeaveNothingBehind_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("named");  // what the one line must name

    const QString book = engineBook(QStringLiteral("charts.xlsx"));
    const QString target = out(QStringLiteral("failed.pptx"));
    const QString o = QStringLiteral("--output");
    const QString copy = QStringLiteral("copy");
    const QString list = QStringLiteral("list");

    QTest::newRow("no command") << QStringList{} << 1 << QStringLiteral("no command");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("paste"), book} << 1 << QStringLiteral("paste");
    QTest::newRow("copy without --output") << QStringList{copy, book} << 1 << QStringLiteral("--output");
    QTest::newRow("output not a presentation") << QStringList{copy, book, o, out(QStringLiteral("x.txt"))} << 1
                                               << QStringLiteral("x.txt");
    // A name alone is a chart sheet's; a worksheet named so is no chart.
    QTest::newRow("--chart worksheet without index")
        << QStringList{copy, book, QStringLiteral("--chart"), QStringLiteral("Data"), o, target} << 2
        << QStringLiteral("\"Data\" is a worksheet");
    QTest::newRow("--chart index not a number")
        << QStringList{copy, book, QStringLiteral("--chart"), QStringLiteral("Data:first"), o, target} << 1
        << QStringLiteral("Data:first");
    QTest::newRow("--chart before any workbook")
        << QStringList{copy, QStringLiteral("--chart"), QStringLiteral("Data:1"), book, o, target} << 1
        << QStringLiteral("Data:1");
    QTest::newRow("list of two workbooks") << QStringList{list, book, book} << 1 << QStringLiteral("one workbook");
    QTest::newRow("output replacing the workbook")
        << QStringList{copy, book, o, book} << 1 << QStringLiteral("charts.xlsx");

    QTest::newRow("list: missing workbook") << QStringList{list, out(QStringLiteral("missing.xlsx"))} << 2
                                            << QStringLiteral("missing.xlsx");
    QTest::newRow("list: not a zip") << QStringList{list, engineBook(QStringLiteral("notazip.xlsx"))} << 2
                                     << QStringLiteral("notazip.xlsx");
    QTest::newRow("list: truncated") << QStringList{list, engineBook(QStringLiteral("truncated.xlsx"))} << 2
                                     << QStringLiteral("truncated.xlsx");
    QTest::newRow("copy: missing workbook") << QStringList{copy, book, out(QStringLiteral("missing.xlsx")), o, target}
                                            << 2 << QStringLiteral("missing.xlsx");
    QTest::newRow("copy: corrupt workbook after a good one")
        << QStringList{copy, book, windowBook(QStringLiteral("badxml.xlsx")), o, target} << 2
        << QStringLiteral("badxml.xlsx");
    QTest::newRow("copy: no such worksheet") << QStringList{copy, book, QStringLiteral("--chart"), QStringLiteral("Nope:1"), o, target}
                                             << 2 << QStringLiteral("Nope");
    QTest::newRow("copy: no such chart") << QStringList{copy, book, QStringLiteral("--chart"), QStringLiteral("Data:9"), o, target}
                                         << 2 << QStringLiteral("Data:9");
    QTest::newRow("copy: chart part missing") << QStringList{copy, engineBook(QStringLiteral("dangling.xlsx")), o, target}
                                              << 2 << QStringLiteral("dangling.xlsx");
    QTest::newRow("copy: missing deck") << QStringList{copy, book, QStringLiteral("--into"), out(QStringLiteral("nodeck.pptx")), o, target}
                                        << 2 << QStringLiteral("nodeck.pptx");
    QTest::newRow("copy: deck not a presentation")
        << QStringList{copy, book, QStringLiteral("--into"), engineBook(QStringLiteral("charts.xlsx")), o, target} << 2
        << QStringLiteral("charts.xlsx");

    QTest::newRow("output in a missing folder")
        << QStringList{copy, book, o, out(QStringLiteral("no/such/folder/out.pptx"))} << 3 << QStringLiteral("out.pptx");
    QTest::newRow("output is a folder") << QStringList{copy, book, o, m_out.filePath(QStringLiteral("folder.pptx"))}
                                        << 3 << QStringLiteral("folder.pptx");
    // A folder that passes every test beforehand and still refuses the file: the save itself
    // must fail cleanly.
    if (QFileInfo(QStringLiteral("/proc/self")).isDir()) {
        QTest::newRow("output refused at the save") << QStringList{copy, book, o, QStringLiteral("/proc/quillmere-cli-test.pptx")}
                                                    << 3 << QStringLiteral("quillmere-cli-test.pptx");
    }
    if (::geteuid() != 0) {
        QTest::newRow("output in a read-only folder")
            << QStringList{copy, book, o, out(QStringLiteral("readonly/out.pptx"))} << 3 << QStringLiteral("out.pptx");
        QTest::newRow("output a read-only file")
            << QStringList{copy, book, o, out(QStringLiteral("locked.pptx"))} << 3 << QStringLiteral("locked.pptx");
    }
}

void CliTest::failuresGiveOneLineTheirStatusAndLeaveNothingBehind() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, named);
    QVERIFY(QDir(m_out.path()).mkpath(QStringLiteral("folder.pptx")));
    QVERIFY(QDir(m_out.path()).mkpath(QStringLiteral("readonly")));
    QFile::setPermissions(m_out.filePath(QStringLiteral("readonly")), QFile::ReadOwner | QFile::ExeOwner);
    QFile locked(m_out.filePath(QStringLiteral("locked.pptx")));
    if (!locked.exists()) {
        QVERIFY(locked.open(QIODevice::WriteOnly));
        locked.write("not ours to replace");
        locked.close();
        locked.setPermissions(QFile::ReadOwner);
    }
    const QByteArray lockedHash = fileHash(locked.fileName());
    const QStringList before = QDir(m_out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    const Result result = runCli(arguments);
    QCOMPARE(result.status, status);
    QCOMPARE(result.out, QByteArray());
    const QString err = QString::fromUtf8(result.err);
    QVERIFY2(err.startsWith(QStringLiteral("quillmere-cli: ")) && err.endsWith(u'\n') && err.count(u'\n') == 1,
             qPrintable(err));
    QVERIFY2(err.contains(named), qPrintable(err));

    QCOMPARE(QDir(m_out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QCOMPARE(QDir(m_out.filePath(QStringLiteral("readonly"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/quillmere-cli-test.pptx")));
    QCOMPARE(fileHash(locked.fileName()), lockedHash);
}

void CliTest::progressShowsOnATerminalOnlyAndQuietSilencesIt() {
    // script(1) gives the command a terminal and copies what it writes there.
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty()) QSKIP("script(1) is not installed");
    const QString charts = engineBook(QStringLiteral("charts.xlsx"));
    auto onTerminal = [&](const QString& extra) {
        QProcess process;
        process.start(QStringLiteral("script"),
                      {QStringLiteral("-qec"),
                       QStringLiteral("'%1' copy '%2' --chart Data:1 --chart Data:2 %3 --output '%4'")
                           .arg(QStringLiteral(QUILLMERE_CLI), charts, extra, out(QStringLiteral("terminal.pptx"))),
                       QStringLiteral("/dev/null")});
        process.waitForFinished(120000);
        return process.readAllStandardOutput();
    };
    const QByteArray shown = onTerminal(QString());
    QVERIFY2(shown.contains("\rcharts.xlsx: chart 1 of 2 (Data:1)") && shown.contains("chart 2 of 2 (Data:2)"),
             shown.constData());
    QVERIFY2(shown.endsWith("\r\033[K"), shown.constData());  // the line is cleared at the end
    QCOMPARE(onTerminal(QStringLiteral("--quiet")), QByteArray());
}

void CliTest::helpAndVersionAnswerOnStandardOutput() {
    const Result help = runCli({QStringLiteral("copy"), QStringLiteral("--help")});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.contains("quillmere-cli list WORKBOOK [--chart-sheets] [--json]"));
    QVERIFY(help.out.contains("--format png|svg|pdf"));
    QVERIFY(help.out.contains("<sheet>-<index>.<format>"));
    QVERIFY(!help.out.contains("not available"));
    QCOMPARE(help.err, QByteArray());
    const Result version = runCli({QStringLiteral("--version")});
    QCOMPARE(version.status, 0);
    QVERIFY(QRegularExpression(QStringLiteral("^quillmere-cli \\d+\\.\\d+")).match(QString::fromUtf8(version.out)).hasMatch());
}

QTEST_MAIN(CliTest)
#include "tst_cli.moc"

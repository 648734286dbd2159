#include "engine/legacy/XlsStructure.h"
#include "engine/package/Package.h"
#include "tests/legacy/BiffBuilder.h"
#include "tests/legacy/LegacyWorkbooks.h"

#include <QFile>
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

using engine::DocumentError;
using engine::XlsStructure;

using namespace biffbuilder;

namespace {

using Listing = std::vector<std::pair<QString, std::vector<QString>>>;

// What discovery sees: every worksheet with its chart objects' names.
Listing worksheetListing(const XlsStructure& structure) {
    Listing listing;
    for (const XlsStructure::Sheet* sheet : structure.worksheets()) {
        std::vector<QString> names;
        for (const auto& chart : sheet->chartObjects) names.push_back(chart.name);
        listing.emplace_back(sheet->name, names);
    }
    return listing;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// The message of the DocumentError that call throws; empty when it throws none.
template <typename Call>
QString failureOf(Call call) {
    try {
        call();
    } catch (const DocumentError& e) {
        return e.message();
    }
    return {};
}

}  // namespace

TEST(XlsStructure, ExcelSavedWorkbooksListTheirChartObjectsAsStoredAndNeverAChartSheet) {
    EXPECT_EQ(worksheetListing(XlsStructure::read(savedXls(QStringLiteral("WithThreeCharts.xls")))),
              (Listing{{QStringLiteral("Sheet1"), {}},
                       {QStringLiteral("Sheet2"), {QStringLiteral("Chart 1"), QStringLiteral("Chart 2")}},
                       {QStringLiteral("Sheet3"), {QStringLiteral("Chart 1")}}}));

    const XlsStructure scatter = XlsStructure::read(savedXls(QStringLiteral("SimpleScatterChart.xls")));
    EXPECT_EQ(worksheetListing(scatter), (Listing{{QStringLiteral("Sheet1"), {QStringLiteral("Chart 1")}}}));
    ASSERT_EQ(scatter.sheets().size(), 2u);
    EXPECT_EQ(scatter.sheets()[1].name, QStringLiteral("Chart1"));
    EXPECT_EQ(scatter.sheets()[1].kind, XlsStructure::SheetKind::Chartsheet);

    const XlsStructure onlyChartSheets = XlsStructure::read(savedXls(QStringLiteral("44010-TwoCharts.xls")));
    EXPECT_EQ(worksheetListing(onlyChartSheets), (Listing{{QStringLiteral("auto_1"), {}}}));
    EXPECT_EQ(onlyChartSheets.sheets().size(), 3u);

    // Stored without a name: the application names it by its object id.
    const XlsStructure simple = XlsStructure::read(savedXls(QStringLiteral("SimpleChart.xls")));
    const auto& chart = simple.worksheets().front()->chartObjects.at(0);
    EXPECT_EQ(chart.name, QStringLiteral("Chart 2"));
    EXPECT_FALSE(chart.nameStored);
    ASSERT_TRUE(chart.anchor.has_value());
    EXPECT_EQ(chart.anchor->firstColumn, 3);
    EXPECT_EQ(chart.anchor->firstRow, 7);
    EXPECT_EQ(chart.anchor->lastColumn, 10);
    EXPECT_EQ(chart.anchor->lastRow, 23);
}

TEST(XlsStructure, WorkbooksLibreOfficeSavedListSheetsInOrderWithVisibilityAndNonAsciiNames) {
    const QString mixed = convertedXls(QStringLiteral("legacy-mixed.xls"));
    if (mixed.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
    const XlsStructure structure = XlsStructure::read(mixed);
    // LibreOffice keeps no chart names in .xls and saves a chart sheet as a worksheet holding
    // the chart: what the file holds is listed, by object id.
    EXPECT_EQ(worksheetListing(structure),
              (Listing{{QStringLiteral("Übersicht Q1"),
                        {QStringLiteral("Chart 1"), QStringLiteral("Chart 2"), QStringLiteral("Chart 3")}},
                       {QStringLiteral("Graph Sheet"), {QStringLiteral("Chart 1")}},
                       {QStringLiteral("Hidden Data"), {QStringLiteral("Chart 1")}},
                       {QStringLiteral("Leer"), {}},
                       {QStringLiteral("Twins"), {QStringLiteral("Chart 1"), QStringLiteral("Chart 2")}},
                       {QStringLiteral("Spät"), {QStringLiteral("Chart 1")}}}));
    EXPECT_EQ(structure.sheets()[2].visibility, XlsStructure::Visibility::Hidden);
    EXPECT_EQ(structure.sheets()[0].visibility, XlsStructure::Visibility::Visible);
    const auto& third = structure.sheets()[0].chartObjects[2];
    ASSERT_TRUE(third.anchor.has_value());
    EXPECT_EQ(third.anchor->firstColumn, 12);  // M2
    EXPECT_EQ(third.anchor->firstRow, 1);

    // The same file with "Graph Sheet" entered as a chart sheet: it drops out of the list.
    QByteArray bytes = fileBytes(mixed);
    const qsizetype name = bytes.indexOf(QByteArray("\x0b\x00Graph Sheet", 13));
    ASSERT_GT(name, 0);
    bytes[name - 1] = char(2);
    const Listing patched = worksheetListing(XlsStructure::fromFileBytes(bytes, QStringLiteral("mixed.xls")));
    ASSERT_EQ(patched.size(), 5u);
    EXPECT_EQ(patched[1].first, QStringLiteral("Hidden Data"));

    const QString chartSheetOnly = convertedXls(QStringLiteral("legacy-chartsheet-only.xls"));
    EXPECT_EQ(XlsStructure::read(chartSheetOnly).worksheets().front()->name, QStringLiteral("Data"));
}

TEST(XlsStructure, DrawingSplitOverRecordsGivesNamesAnchorsAndLeavesGroupedChartsOut) {
    const QByteArray patriarch = art(0x000F, 0xF004, art(0x0002, 0xF00A, u32(1024) + u32(0x0005)));
    const QByteArray named = shape(QStringLiteral("Umsatz Übersicht"), 2, 4);
    const QByteArray group =
        art(0x000F, 0xF003,
            art(0x000F, 0xF004, art(0x0002, 0xF00A, u32(1025) + u32(0x0001)) + clientData()) +
                shape(QStringLiteral("Inside"), 20, 20));
    const QByteArray unnamed = shape(QString(), 30, 40);
    const QByteArray drawing =
        art(0x000F, 0xF002, art(0x0010, 0xF008, u32(4) + u32(1027)) + art(0x000F, 0xF003, patriarch + named + group + unnamed));

    // The drawing is cut after every client data record, where the OBJ of that shape follows.
    std::vector<QByteArray> pieces;
    qsizetype from = 0;
    for (qsizetype at = drawing.indexOf(clientData()); at >= 0; at = drawing.indexOf(clientData(), at + 1)) {
        pieces.push_back(drawing.mid(from, at + 8 - from));
        from = at + 8;
    }
    ASSERT_EQ(pieces.size(), 4u);
    // The last shape's piece is split once more, into a MSODRAWING and a CONTINUE.
    const QByteArray last = pieces[3];
    const QByteArray chartSubstream = bof(0x0020) + record(0x00EC, art(0x000F, 0xF002, {})) + chartObj(99) + eof();
    const QByteArray sheet = bof(0x0010) + record(0x0200, QByteArray(14, '\0')) +
                             record(0x00EC, pieces[0]) + chartObj(1) + chartSubstream +
                             record(0x00EC, pieces[1]) + chartObj(2, 0x0000) +
                             record(0x00EC, pieces[2]) + chartObj(3) + chartSubstream +
                             record(0x00EC, last.left(10)) + record(0x003C, last.mid(10)) + chartObj(7) +
                             chartSubstream + eof();
    const QByteArray stream = workbookStream(
        {{sheetEntry(0, 0, "Sheet A"), sheet}, {sheetEntry(1, 0, "Dialog"), bof(0x0010) + record(0x0081, u16(0x0010)) + eof()},
         {sheetEntry(2, 1, "Macro"), bof(0x0040) + eof()}});

    const XlsStructure structure = XlsStructure::fromWorkbookStream(stream, QStringLiteral("made.xls"));
    ASSERT_EQ(structure.sheets().size(), 3u);
    EXPECT_EQ(structure.sheets()[1].kind, XlsStructure::SheetKind::DialogSheet);
    EXPECT_EQ(structure.sheets()[1].visibility, XlsStructure::Visibility::Hidden);
    EXPECT_EQ(structure.sheets()[2].kind, XlsStructure::SheetKind::MacroSheet);
    EXPECT_EQ(structure.sheets()[2].visibility, XlsStructure::Visibility::VeryHidden);
    EXPECT_EQ(worksheetListing(structure),
              (Listing{{QStringLiteral("Sheet A"), {QStringLiteral("Umsatz Übersicht"), QStringLiteral("Chart 7")}}}));
    const auto& charts = structure.sheets()[0].chartObjects;
    EXPECT_TRUE(charts[0].nameStored);
    ASSERT_TRUE(charts[0].anchor && charts[1].anchor);
    EXPECT_EQ(charts[0].anchor->firstColumn, 2);
    EXPECT_EQ(charts[0].anchor->firstRow, 4);
    EXPECT_EQ(charts[1].anchor->firstColumn, 30);
    EXPECT_EQ(charts[1].anchor->lastRow, 55);
}

TEST(XlsStructure, DamagedTruncatedEncryptedAndOldFilesGiveOneMessageNamingTheFile) {
    const QByteArray sheet = bof(0x0010) + chartObj(1) + eof();
    const QByteArray good = workbookStream({{sheetEntry(0, 0, "S"), sheet}});
    ASSERT_NO_THROW(XlsStructure::fromWorkbookStream(good, QStringLiteral("b.xls")));

    QByteArray farSheet = good;
    farSheet.truncate(good.size() - sheet.size());  // the sheet's substream is missing
    QByteArray noEof = good;
    noEof.chop(4);
    QByteArray longRecord = good;
    longRecord[good.size() - 2] = char(0x40);  // the last record claims 64 bytes it does not have
    QByteArray wrongStart = good;
    wrongStart[0] = char(0x00);
    const QByteArray encrypted = workbookStream({{sheetEntry(0, 0, "S"), sheet}}, record(0x002F, QByteArray(54, '\0')));
    const QByteArray biff5 = bof(0x0005, 0x0500) + eof();
    const QByteArray notBof = workbookStream({{sheetEntry(0, 0, "S"), eof() + sheet}});
    // Two entries naming the same substream: the walk must not repeat it for every entry.
    QByteArray shared = workbookStream({{sheetEntry(0, 0, "S"), sheet}, {sheetEntry(0, 0, "T"), QByteArray()}});
    const qsizetype second = shared.indexOf(QByteArray("\x01\x00T", 3)) - 6;
    shared.replace(second, 4, shared.mid(shared.indexOf(QByteArray("\x01\x00S", 3)) - 6, 4));

    const std::vector<std::pair<QByteArray, QString>> cases = {
        {good.left(good.size() / 2), QStringLiteral("damaged or truncated")},
        {farSheet, QStringLiteral("past the end of the stream")},
        {noEof, QStringLiteral("without its EOF record")},
        {longRecord, QStringLiteral("runs past the end of the stream")},
        {wrongStart, QStringLiteral("does not begin with a BOF")},
        {notBof, QStringLiteral("does not begin with a BOF record")},
        {shared, QStringLiteral("overlaps another sheet's")},
        {workbookStream({{sheetEntry(0, 0, "Data"), sheet}, {sheetEntry(0, 0, "DATA"), sheet}}),
         QStringLiteral("sheets \"Data\" and \"DATA\" have the same name")},
        {encrypted, QStringLiteral("encrypted")},
        {biff5, QStringLiteral("Excel 5.0/95")},
        {QByteArray(), QStringLiteral("empty or truncated")},
    };
    for (const auto& [stream, expected] : cases) {
        const QString message = failureOf([&] { XlsStructure::fromWorkbookStream(stream, QStringLiteral("b.xls")); });
        EXPECT_TRUE(message.startsWith(QStringLiteral("b.xls: "))) << message.toStdString();
        EXPECT_TRUE(message.contains(expected)) << message.toStdString() << " lacks " << expected.toStdString();
    }

    // Whole files: saved by the application, cut short, or not a workbook at all.
    const QByteArray saved = fileBytes(savedXls(QStringLiteral("WithThreeCharts.xls")));
    ASSERT_FALSE(saved.isEmpty());
    const std::vector<std::pair<QByteArray, QString>> files = {
        {fileBytes(savedXls(QStringLiteral("xor-encryption-abc.xls"))), QStringLiteral("encrypted")},
        {fileBytes(savedXls(QStringLiteral("testEXCEL_95.xls"))), QStringLiteral("Excel 5.0/95")},
        {saved.left(saved.size() / 2), QStringLiteral("truncated")},
        {saved.left(600), QStringLiteral("truncated")},
        {QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'), QStringLiteral("not a readable compound file")},
        {QByteArray::fromHex("0904060000001000") + QByteArray(20, '\0'), QStringLiteral("Excel 4.0")},
        {QByteArray("name,value\n"), QStringLiteral("not an Excel 97-2003 workbook")},
    };
    for (const auto& [bytes, expected] : files) {
        const QString message = failureOf([&] { XlsStructure::fromFileBytes(bytes, QStringLiteral("old book.xls")); });
        EXPECT_TRUE(message.startsWith(QStringLiteral("old book.xls: "))) << message.toStdString();
        EXPECT_TRUE(message.contains(expected)) << message.toStdString() << " lacks " << expected.toStdString();
    }
    EXPECT_TRUE(failureOf([] { XlsStructure::read(QStringLiteral("/nonexistent/gone.xls")); })
                    .startsWith(QStringLiteral("gone.xls: ")));
}

TEST(XlsStructure, ChartRecordsGiveWhatAListSaysAndTheSheetsSizesGiveTheChartsSize) {
    using Outline = std::tuple<QString, QString, int>;
    const auto outlines = [](const XlsStructure& structure) {
        std::vector<Outline> all;
        for (const XlsStructure::Sheet* sheet : structure.worksheets()) {
            for (const auto& chart : sheet->chartObjects) {
                if (!chart.outline) {
                    all.emplace_back(QStringLiteral("(none)"), QString(), 0);
                    continue;
                }
                all.emplace_back(chart.outline->kind, chart.outline->title, chart.outline->seriesCount);
            }
        }
        return all;
    };
    // The titles as the spreadsheet application shows them; the scatter chart's is automatic.
    EXPECT_EQ(outlines(XlsStructure::read(savedXls(QStringLiteral("WithThreeCharts.xls")))),
              (std::vector<Outline>{{QStringLiteral("Line"), QString(), 2},
                                    {QStringLiteral("Pie"), QStringLiteral("Pie Chart Title Thingy"), 1},
                                    {QStringLiteral("Area"), QStringLiteral("Sheet 3 Chart with Title"), 2}}));
    EXPECT_EQ(outlines(XlsStructure::read(savedXls(QStringLiteral("SimpleScatterChart.xls")))),
              (std::vector<Outline>{{QStringLiteral("Scatter"), QString(), 1}}));

    // Sheet1 of SimpleChart.xls: column A 3185/256 characters wide, the others the default of
    // 8 digits (64 px); rows of 264 twips (18 px). The chart spans D8 to K24.
    const XlsStructure simple = XlsStructure::read(savedXls(QStringLiteral("SimpleChart.xls")));
    const XlsStructure::Sheet& sheet = *simple.worksheets().front();
    EXPECT_EQ(sheet.geometry.columnPixels(0), 87);
    EXPECT_EQ(sheet.geometry.columnPixels(5), 64);
    EXPECT_EQ(sheet.geometry.rowPixels(10), 18);
    const auto& chart = sheet.chartObjects.at(0);
    const auto size = XlsStructure::chartSize(sheet, chart);
    ASSERT_TRUE(size.has_value());
    const qint64 px = 9525;
    EXPECT_EQ(size->first, 7 * 64 * px + 64 * px * chart.anchor->lastColumnOffset / 1024 -
                               64 * px * chart.anchor->firstColumnOffset / 1024);
    EXPECT_EQ(size->second, 16 * 18 * px + 18 * px * chart.anchor->lastRowOffset / 256 -
                                18 * px * chart.anchor->firstRowOffset / 256);
}

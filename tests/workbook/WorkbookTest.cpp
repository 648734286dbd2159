#include "GeneratedWorkbooks.h"
#include "engine/workbook/Workbook.h"

#include <gtest/gtest.h>
#include <cmath>

using engine::DocumentError;
using engine::Workbook;

namespace {

QStringList chartNames(const Workbook::Sheet& sheet) {
    QStringList names;
    for (const auto& chart : sheet.chartObjects) names << chart.name;
    return names;
}

// The message of the DocumentError that opening path throws; fails the test when none.
QString openFailure(const QString& name) {
    try {
        Workbook::open(generatedWorkbook(name));
    } catch (const DocumentError& e) {
        return e.message();
    }
    ADD_FAILURE() << name.toStdString() << " opened without an error";
    return {};
}

}  // namespace

TEST(Workbook, SheetsInTabOrderWithKindAndVisibility) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    QStringList names;
    for (const auto& sheet : book->sheets()) names << sheet.name;
    EXPECT_EQ(names, (QStringList{"Data", "Chart Sheet", "Hidden", "It's here", QStringLiteral("Données Ünïcode"),
                                  "Same Names", "Rows And Cols", "Empty"}));
    EXPECT_EQ(book->sheets()[1].kind, Workbook::SheetKind::Chartsheet);
    EXPECT_EQ(book->sheets()[2].visibility, Workbook::Visibility::Hidden);
    EXPECT_EQ(book->sheets()[0].visibility, Workbook::Visibility::Visible);

    QStringList worksheets;
    for (const auto* sheet : book->worksheets()) worksheets << sheet->name;
    EXPECT_EQ(worksheets.size(), 7);
    EXPECT_FALSE(worksheets.contains("Chart Sheet"));
    EXPECT_TRUE(worksheets.contains("Hidden"));
    EXPECT_EQ(book->sheetByName(QStringLiteral("données ünïcode"))->name, QStringLiteral("Données Ünïcode"));
    EXPECT_EQ(book->sheetByName(QStringLiteral("Nope")), nullptr);
}

TEST(Workbook, ChartObjectsInDocumentOrderSkippingPicturesAndShapes) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    const auto& data = *book->sheetByName(QStringLiteral("Data"));
    EXPECT_EQ(chartNames(data), (QStringList{"Chart 3", "Chart 4", "Chart 5"}));
    EXPECT_EQ(data.chartObjects[0].chartPart, QStringLiteral("/xl/charts/chart1.xml"));
    EXPECT_EQ(data.chartObjects[2].chartPart, QStringLiteral("/xl/charts/chart3.xml"));
    EXPECT_EQ(chartNames(*book->sheetByName(QStringLiteral("Same Names"))), (QStringList{"Twin", "Twin"}));
    EXPECT_EQ(book->sheetByName(QStringLiteral("Hidden"))->chartObjects.size(), 1u);
    EXPECT_TRUE(book->sheetByName(QStringLiteral("Empty"))->chartObjects.empty());
    EXPECT_TRUE(book->sheetByName(QStringLiteral("Empty"))->drawingPart.isEmpty());
}

// A chart sheet's chart is read with the sheet, and kept apart from the worksheets' charts.
TEST(Workbook, ChartSheetsShowTheirOneChartApartFromTheWorksheets) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    ASSERT_EQ(book->chartsheets().size(), 1u);
    const Workbook::Sheet& sheet = *book->chartsheets().front();
    EXPECT_EQ(sheet.name, QStringLiteral("Chart Sheet"));
    ASSERT_EQ(sheet.chartObjects.size(), 1u);
    EXPECT_FALSE(sheet.chartFailure);
    EXPECT_EQ(sheet.chartObjects[0].chartPart, QStringLiteral("/xl/charts/chart4.xml"));
    for (const Workbook::Sheet* worksheet : book->worksheets()) {
        for (const auto& chart : worksheet->chartObjects) EXPECT_NE(chart.chartPart, sheet.chartObjects[0].chartPart);
    }
    // Its cells are none of its own: the chart's ranges are on worksheets.
    EXPECT_FALSE(book->readCells(sheet.name, {{sheet.name, 0, 0, 0, 0}}));
}

// A chart sheet's chart is as large as the printable part of its page, whatever its drawing's
// anchor says; the workbooks saved by the spreadsheet application anchor theirs a little inside.
TEST(Workbook, ChartSheetChartIsTheSizeOfThePrintablePage) {
    const auto size = [](const QString& file, const QString& sheetName) {
        const auto book = Workbook::open(file);
        const Workbook::Sheet* sheet = book->sheetByName(sheetName);
        EXPECT_TRUE(sheet && sheet->kind == Workbook::SheetKind::Chartsheet && sheet->chartObjects.size() == 1);
        if (!sheet || sheet->chartObjects.empty()) return std::pair<qint64, qint64>{};
        return book->chartSize(*sheet, sheet->chartObjects.front());
    };
    constexpr qint64 kInch = 914400;
    const QString generated = generatedWorkbook(QStringLiteral("chartsheets.xlsx"));
    // Letter landscape, 11 x 8.5 in, less 0.7 in at the sides and 0.75 in at top and bottom.
    EXPECT_EQ(size(generated, QStringLiteral("Pie Sheet")), (std::pair<qint64, qint64>{kInch * 96 / 10, kInch * 7}));
    // A4 portrait, 210 x 297 mm, less half an inch all round.
    EXPECT_EQ(size(generated, QStringLiteral("Portrait A4")),
              (std::pair<qint64, qint64>{std::llround((210 / 25.4 - 1) * kInch), std::llround((297 / 25.4 - 1) * kInch)}));

    const QString data = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT "/tests/workbook/data/");
    EXPECT_EQ(size(data + QStringLiteral("chart_sheet.xlsx"), QStringLiteral("Chart1")),
              (std::pair<qint64, qint64>{kInch * 96 / 10, kInch * 7}));
    EXPECT_EQ(size(data + QStringLiteral("WithChartSheet.xlsx"), QStringLiteral("Chart2")),
              (std::pair<qint64, qint64>{kInch * 95 / 10, kInch * 65 / 10}));
}

TEST(Workbook, ChartSheetsSavedByTheSpreadsheetApplicationAreRead) {
    const QString data = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT "/tests/workbook/data/");
    const auto first = Workbook::open(data + QStringLiteral("chart_sheet.xlsx"));
    ASSERT_EQ(first->chartsheets().size(), 1u);
    EXPECT_EQ(chartNames(*first->chartsheets().front()), QStringList{QStringLiteral("Chart 1")});
    for (const Workbook::Sheet* sheet : first->worksheets()) EXPECT_TRUE(sheet->chartObjects.empty());
    const auto second = Workbook::open(data + QStringLiteral("WithChartSheet.xlsx"));
    ASSERT_EQ(second->chartsheets().size(), 1u);
    EXPECT_EQ(second->chartsheets().front()->name, QStringLiteral("Chart2"));
    EXPECT_EQ(chartNames(*second->chartsheets().front()), QStringList{QStringLiteral("Shape")});
}

// A damaged chart sheet is reached only on request, so it leaves the rest of the workbook
// readable and is told, naming the file and part, when its chart is asked for.
TEST(WorkbookFaults, ChartSheetWhoseDrawingIsMissingKeepsTheWorkbookReadable) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("chartsheet-broken.xlsx")));
    EXPECT_EQ(book->sheetByName(QStringLiteral("Data"))->chartObjects.size(), 1u);
    const Workbook::Sheet& lost = *book->sheetByName(QStringLiteral("Lost"));
    EXPECT_TRUE(lost.chartObjects.empty());
    ASSERT_TRUE(lost.chartFailure);
    const QString message = lost.chartFailure->message();
    EXPECT_TRUE(message.contains(QStringLiteral("chartsheet-broken.xlsx"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("xl/drawings/drawing2.xml is missing"))) << message.toStdString();
}

TEST(Workbook, NoChartsWhereOnlyPicturesAndShapes) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("nocharts.xlsx")));
    ASSERT_EQ(book->worksheets().size(), 2u);
    EXPECT_FALSE(book->worksheets()[0]->drawingPart.isEmpty());
    EXPECT_TRUE(book->worksheets()[0]->chartObjects.empty());
}

TEST(Workbook, GroupedChartsAreNotChartObjectsButChartexAndOneCellAnchorsAre) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("groups.xlsx")));
    const auto& sheet = *book->sheetByName(QStringLiteral("It's here"));
    // The waterfall's whole anchor stands in mc:AlternateContent.
    EXPECT_EQ(chartNames(sheet), (QStringList{"Chart 1", "Waterfall 1", "One Cell"}));
    ASSERT_EQ(sheet.chartObjects.size(), 3u);
    EXPECT_FALSE(sheet.chartObjects[0].frame.extended);
    EXPECT_TRUE(sheet.chartObjects[1].frame.extended);
    EXPECT_EQ(sheet.chartObjects[1].chartPart, QStringLiteral("/xl/charts/chartEx1.xml"));
    const auto size = book->chartSize(sheet, sheet.chartObjects[2]);
    EXPECT_EQ(size, (std::pair<qint64, qint64>{1234567, 765432}));
}

// Charts of the newer kinds count among the chart objects in the drawing's order, as the
// spreadsheet application counts them; an mc:AlternateContent stands for the branch a reader
// that knows those kinds takes.
TEST(Workbook, ChartexFramesAreChartObjectsInDocumentOrder) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("chartex.xlsx")));
    const auto& sheet = *book->sheetByName(QStringLiteral("Data"));
    EXPECT_EQ(chartNames(sheet), (QStringList{"Chart 1", "Waterfall 1", "Histogram 1", "Pareto 1", "Box 1", "Treemap 1",
                                              "Sunburst 1", "Funnel 1", "Map 1", "Chart 2"}));
    ASSERT_EQ(sheet.chartObjects.size(), 10u);
    for (size_t i = 1; i <= 8; ++i) {
        EXPECT_TRUE(sheet.chartObjects[i].frame.extended) << i;
        EXPECT_EQ(sheet.chartObjects[i].chartPart, QStringLiteral("/xl/charts/chartEx%1.xml").arg(i)) << i;
    }
    EXPECT_FALSE(sheet.chartObjects[9].frame.extended);
    // The anchor inside the alternate content gives the size: 8 default columns by 14 rows.
    EXPECT_EQ(book->chartSize(sheet, sheet.chartObjects[1]), (std::pair<qint64, qint64>{8 * 64 * 9525, 14 * 20 * 9525}));

    // A choice that requires a namespace no reader knows is not taken: the fallback, a shape, is.
    const auto unknown = Workbook::open(generatedWorkbook(QStringLiteral("chartex-unknown.xlsx")));
    const QStringList names = chartNames(*unknown->sheetByName(QStringLiteral("Data")));
    EXPECT_EQ(names.size(), 7);
    EXPECT_FALSE(names.contains(QStringLiteral("Funnel 1")));
    EXPECT_TRUE(names.contains(QStringLiteral("Map 1")));
}

TEST(Workbook, ChartSizesInEmuFromTheAnchor) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    const auto& data = *book->sheetByName(QStringLiteral("Data"));
    // XlsxWriter's default 480 x 288 px and a chart scaled to 640 x 400 px, at 9525 EMU a pixel.
    EXPECT_EQ(book->chartSize(data, data.chartObjects[0]), (std::pair<qint64, qint64>{4572000, 2743200}));
    EXPECT_EQ(book->chartSize(data, data.chartObjects[1]), (std::pair<qint64, qint64>{6096000, 3810000}));
    // Over a wide column, a hidden column, a tall row, a short row and a hidden row, XlsxWriter
    // still made the anchor span 480 x 288 px.
    const auto& sized = *book->sheetByName(QStringLiteral("Rows And Cols"));
    EXPECT_EQ(book->chartSize(sized, sized.chartObjects[0]), (std::pair<qint64, qint64>{4572000, 2743200}));
}

TEST(Workbook, ReadsReferencedCellsWithSharedStringsAndFormats) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    const auto cells = book->readCells(QStringLiteral("Data"), {{QStringLiteral("Data"), 0, 0, 2, 1}});
    ASSERT_TRUE(cells);
    ASSERT_EQ(cells->size(), 6u);
    EXPECT_EQ((*cells)[0].value.toString(), QStringLiteral("Month"));
    EXPECT_EQ((*cells)[1].value.toString(), QStringLiteral("Sales"));
    EXPECT_EQ((*cells)[2].value.toString(), QStringLiteral("Jan"));
    EXPECT_DOUBLE_EQ((*cells)[3].value.toDouble(), 120.5);
    EXPECT_EQ((*cells)[3].numberFormat, QStringLiteral("#,##0.00"));
    EXPECT_EQ((*cells)[5].row, 2);
    EXPECT_EQ((*cells)[5].column, 1);
    // An address without a cell is there, empty.
    const auto empty = book->readCells(QStringLiteral("Data"), {{QStringLiteral("Data"), 100, 5, 100, 5}});
    ASSERT_TRUE(empty);
    ASSERT_EQ(empty->size(), 1u);
    EXPECT_FALSE(empty->front().value.isValid());
    // Not a worksheet, or too many cells: nothing.
    EXPECT_FALSE(book->readCells(QStringLiteral("Chart Sheet"), {{QStringLiteral("Chart Sheet"), 0, 0, 0, 0}}));
    EXPECT_FALSE(book->readCells(QStringLiteral("Data"), {{QStringLiteral("Data"), 0, 0, engine::kMaxRows - 1, 0}}));
}

TEST(Workbook, ThemeOfTheWorkbook) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    EXPECT_EQ(book->themePart(), QStringLiteral("/xl/theme/theme1.xml"));
    EXPECT_TRUE(book->theme().contains("a:theme"));
}

TEST(WorkbookFaults, EachFaultIsOneClearErrorNamingFileAndPart) {
    const QString notZip = openFailure(QStringLiteral("notazip.xlsx"));
    EXPECT_TRUE(notZip.startsWith(QStringLiteral("notazip.xlsx: "))) << notZip.toStdString();

    const QString truncated = openFailure(QStringLiteral("truncated.xlsx"));
    EXPECT_TRUE(truncated.startsWith(QStringLiteral("truncated.xlsx: "))) << truncated.toStdString();

    const QString noWorkbook = openFailure(QStringLiteral("noworkbook.xlsx"));
    EXPECT_TRUE(noWorkbook.contains(QStringLiteral("noworkbook.xlsx"))) << noWorkbook.toStdString();
    EXPECT_TRUE(noWorkbook.contains(QStringLiteral("no workbook part"))) << noWorkbook.toStdString();

    const QString dangling = openFailure(QStringLiteral("dangling.xlsx"));
    EXPECT_TRUE(dangling.contains(QStringLiteral("dangling.xlsx: xl/drawings/drawing1.xml: ")))
        << dangling.toStdString();
    EXPECT_TRUE(dangling.contains(QStringLiteral("xl/charts/chart1.xml, which is missing"))) << dangling.toStdString();

    const QString malformed = openFailure(QStringLiteral("malformed-drawing.xlsx"));
    EXPECT_TRUE(malformed.startsWith(QStringLiteral("malformed-drawing.xlsx: xl/drawings/drawing1.xml: not well-formed XML")))
        << malformed.toStdString();

    const QString bomb = openFailure(QStringLiteral("bomb.xlsx"));
    EXPECT_TRUE(bomb.contains(QStringLiteral("bomb.xlsx"))) << bomb.toStdString();
    EXPECT_TRUE(bomb.contains(QStringLiteral("too large"))) << bomb.toStdString();

    const QString missing = openFailure(QStringLiteral("no such file.xlsx"));
    EXPECT_TRUE(missing.contains(QStringLiteral("no such file.xlsx"))) << missing.toStdString();
}

TEST(WorkbookFaults, CorruptCellDataFailsOnlyWhenTheSizeOrCellsAreRead) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("badsheet.xlsx")));
    const auto& data = *book->sheetByName(QStringLiteral("Data"));
    ASSERT_EQ(data.chartObjects.size(), 3u);
    try {
        book->readCells(QStringLiteral("Data"), {{QStringLiteral("Data"), 0, 0, 200, 2}});
        FAIL() << "a cut-off worksheet was read";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("badsheet.xlsx: xl/worksheets/sheet1.xml: ")))
            << e.message().toStdString();
    }
}

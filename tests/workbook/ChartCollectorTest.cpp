#include "GeneratedWorkbooks.h"
#include "engine/chartcopy/ChartCollector.h"

#include <gtest/gtest.h>

using engine::ChartPackage;
using engine::DocumentError;
using engine::Workbook;

namespace {

const ChartPackage::Cell* cellAt(const ChartPackage& package, const QString& sheet, int row, int column) {
    for (const auto& cell : package.cells) {
        if (cell.sheet == sheet && cell.row == row && cell.column == column) return &cell;
    }
    return nullptr;
}

ChartPackage collect(const Workbook& book, const QString& sheetName, int index) {
    const auto* sheet = book.sheetByName(sheetName);
    return engine::collectChart(book, *sheet, sheet->chartObjects.at(size_t(index)));
}

}  // namespace

TEST(ChartCollector, ChartPartThemeSizeAndTheCellsItsSeriesReferTo) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    const ChartPackage package = collect(*book, QStringLiteral("Data"), 0);
    EXPECT_EQ(package.sheetName, QStringLiteral("Data"));
    EXPECT_EQ(package.chartName, QStringLiteral("Chart 3"));
    ASSERT_EQ(package.parts.size(), 1u);  // XlsxWriter's charts relate to nothing
    EXPECT_EQ(package.chartPart().name, QStringLiteral("/xl/charts/chart1.xml"));
    EXPECT_EQ(package.chartPart().contentType,
              QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chart+xml"));
    EXPECT_TRUE(package.chartPart().data.contains("c:chartSpace"));
    EXPECT_TRUE(package.theme.contains("a:theme"));
    EXPECT_EQ(package.cx, 4572000);
    EXPECT_EQ(package.cy, 2743200);

    // Two series: names B1 and C1, categories A2:A7, values B2:B7 and C2:C7; nothing else.
    EXPECT_EQ(package.cells.size(), 2u + 6u + 12u);
    const auto* name = cellAt(package, QStringLiteral("Data"), 0, 2);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->value.toString(), QStringLiteral("Costs"));
    const auto* category = cellAt(package, QStringLiteral("Data"), 2, 0);
    ASSERT_TRUE(category);
    EXPECT_EQ(category->value.toString(), QStringLiteral("Feb"));
    const auto* sales = cellAt(package, QStringLiteral("Data"), 1, 1);
    ASSERT_TRUE(sales);
    EXPECT_DOUBLE_EQ(sales->value.toDouble(), 120.5);
    EXPECT_EQ(sales->numberFormat, QStringLiteral("#,##0.00"));
    EXPECT_DOUBLE_EQ(cellAt(package, QStringLiteral("Data"), 6, 2)->value.toDouble(), 105);
    EXPECT_FALSE(cellAt(package, QStringLiteral("Data"), 0, 0));  // "Month" is not referred to
}

TEST(ChartCollector, SurvivesTheSerialisedRoundTrip) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("charts.xlsx")));
    const ChartPackage package = collect(*book, QString::fromUtf8("Données Ünïcode"), 0);
    const ChartPackage back = engine::chartPackageFromBytes(engine::chartPackageToBytes(package));
    EXPECT_EQ(back.sheetName, QString::fromUtf8("Données Ünïcode"));
    EXPECT_EQ(back.cells.size(), package.cells.size());
    EXPECT_EQ(back.chartPart().data, package.chartPart().data);
    EXPECT_EQ(back.cx, package.cx);
}

TEST(ChartCollector, ValuesOfAMissingSheetComeFromTheChartsCaches) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("cachefallback.xlsx")));
    const ChartPackage package = collect(*book, QStringLiteral("It's here"), 0);
    const auto* fromCache = cellAt(package, QStringLiteral("Gone"), 3, 1);
    ASSERT_TRUE(fromCache);
    EXPECT_DOUBLE_EQ(fromCache->value.toDouble(), 143.0);
    EXPECT_EQ(cellAt(package, QStringLiteral("It's here"), 1, 0)->value.toString(), QStringLiteral("Jan"));
    EXPECT_EQ(package.cells.size(), 1u + 6u + 6u);
}

TEST(ChartCollector, CarriesEveryPartTheChartReachesTransitively) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("chartparts.xlsx")));
    const ChartPackage package = collect(*book, QStringLiteral("Data"), 0);
    QStringList names;
    for (const auto& part : package.parts) names << part.name;
    EXPECT_EQ(names, (QStringList{"/xl/charts/chart1.xml", "/xl/charts/style1.xml", "/xl/drawings/drawing99.xml",
                                  "/xl/media/image1.png"}));
    EXPECT_TRUE(package.parts[0].rels.contains("chartUserShapes"));
    EXPECT_TRUE(package.parts[2].rels.contains("../media/image1.png"));
    EXPECT_EQ(package.parts[1].contentType, QStringLiteral("application/vnd.ms-office.chartstyle+xml"));
    EXPECT_EQ(package.parts[3].contentType, QStringLiteral("image/png"));
}

TEST(ChartCollector, ADanglingRelationshipOfTheChartIsNamed) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("chartdangling.xlsx")));
    try {
        collect(*book, QStringLiteral("Data"), 0);
        FAIL() << "collected a chart whose style is missing";
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("chartdangling.xlsx: xl/charts/_rels/chart1.xml.rels: relationship "
                                              "\"rId1\" points at style9.xml, which is missing"));
    }
}

#include "engine/chart/ChartPackage.h"
#include "engine/package/Package.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(ChartPackage, BytesRoundTripEveryField) {
    ChartPackage p;
    p.sourceFile = "/data/Book 1.xlsx";
    p.sheetName = "Sales 'Q1'";
    p.chartName = "Chart 1";
    p.parts.push_back({"/xl/charts/chart1.xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml",
                       "<c:chartSpace/>", "<Relationships/>"});
    p.parts.push_back({"/xl/charts/style1.xml", "application/vnd.ms-office.chartstyle+xml", "<cs:chartStyle/>", {}});
    p.theme = "<a:theme/>";
    p.cells.push_back({"Sales 'Q1'", 1, 2, 3.5, "0.0%"});
    p.cells.push_back({"Sales 'Q1'", 0, 2, QStringLiteral("Größe"), {}});
    p.cx = 4572000;
    p.cy = 2743200;
    p.date1904 = true;

    const ChartPackage back = chartPackageFromBytes(chartPackageToBytes(p));
    EXPECT_EQ(back.sheetName, p.sheetName);
    EXPECT_EQ(back.chartName, p.chartName);
    ASSERT_EQ(back.parts.size(), 2u);
    EXPECT_EQ(back.chartPart().data, p.parts[0].data);
    EXPECT_EQ(back.parts[1].rels, QByteArray());
    ASSERT_EQ(back.cells.size(), 2u);
    EXPECT_EQ(back.cells[0].value.toDouble(), 3.5);
    EXPECT_EQ(back.cells[1].value.toString(), QStringLiteral("Größe"));
    EXPECT_EQ(back.cells[0].numberFormat, "0.0%");
    EXPECT_EQ(back.cx, 4572000);
    EXPECT_TRUE(back.date1904);
}

TEST(ChartPackage, RefusesBytesThatAreNotAChartPackage) {
    EXPECT_THROW(chartPackageFromBytes(QByteArray()), DocumentError);
    EXPECT_THROW(chartPackageFromBytes("plain text from another program"), DocumentError);
    ChartPackage p;
    p.parts.push_back({"/xl/charts/chart1.xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml", "<c/>", {}});
    const QByteArray good = chartPackageToBytes(p);
    EXPECT_NO_THROW(chartPackageFromBytes(good));
    EXPECT_THROW(chartPackageFromBytes(good.left(good.size() - 3)), DocumentError);
    try {
        chartPackageFromBytes("junk");
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.message(), "clipboard: not a chart package");
    }
}

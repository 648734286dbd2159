#include <gtest/gtest.h>

#include <cmath>

#include "engine/chartdraw/ChartexStatistics.h"

using engine::ChartexChart;
using Binning = engine::ChartexChart::Series::Binning;
using engine::chartex::HistogramBin;

namespace {

std::vector<double> countsOf(const std::vector<HistogramBin>& bins) {
    std::vector<double> out;
    for (const HistogramBin& bin : bins) out.push_back(bin.value);
    return out;
}

QStringList labelsOf(const std::vector<HistogramBin>& bins) {
    QStringList out;
    for (const HistogramBin& bin : bins) out.append(bin.label);
    return out;
}

}  // namespace

// Automatic bins are as wide as Scott's rule says (3.5 sample deviations over the cube root of
// the count) and start at the least value, the first bin holding it.
TEST(ChartexStatistics, AutomaticBinsFollowScottsRule) {
    const std::vector<double> values{2, 4, 4, 4, 5, 5, 7, 9};
    // Sample deviation sqrt(32 / 7), eight values: cube root 2.
    const double width = 3.5 * std::sqrt(32.0 / 7) / 2;
    EXPECT_NEAR(engine::chartex::scottBinWidth(values), width, 1e-12);
    const auto bins = engine::chartex::histogramBins(values, Binning{});
    ASSERT_EQ(bins.size(), 2u);
    EXPECT_DOUBLE_EQ(bins[0].low, 2);
    EXPECT_NEAR(bins[0].high, 2 + width, 1e-12);
    EXPECT_EQ(countsOf(bins), (std::vector<double>{6, 2}));
    // Alike values, or one, make one bin of them all; no values make none.
    EXPECT_EQ(countsOf(engine::chartex::histogramBins({3, 3, 3}, Binning{})),
              std::vector<double>{3});
    EXPECT_EQ(countsOf(engine::chartex::histogramBins({7}, Binning{})), std::vector<double>{1});
    EXPECT_TRUE(engine::chartex::histogramBins({NAN, INFINITY}, Binning{}).empty());
}

// A value on a bin's edge belongs to the bin closed on that side: right by default, so the
// first bin is [a, b] and the next (b, c]; left, [a, b) and the last [b, c].
TEST(ChartexStatistics, EdgesGoToTheSideTheBinsAreClosedOn) {
    Binning right;
    right.size = 2;
    const auto r = engine::chartex::histogramBins({1, 3, 3, 5}, right);
    EXPECT_EQ(countsOf(r), (std::vector<double>{3, 1}));
    EXPECT_EQ(labelsOf(r), (QStringList{QStringLiteral("[1, 3]"), QStringLiteral("(3, 5]")}));
    Binning left = right;
    left.closedLeft = true;
    const auto l = engine::chartex::histogramBins({1, 3, 3, 5}, left);
    EXPECT_EQ(countsOf(l), (std::vector<double>{1, 3}));
    EXPECT_EQ(labelsOf(l), (QStringList{QStringLiteral("[1, 3)"), QStringLiteral("[3, 5]")}));
    // A count divides the span evenly.
    Binning four;
    four.count = 4;
    const auto c = engine::chartex::histogramBins({0, 1, 2, 3, 4, 5, 6, 7, 8}, four);
    EXPECT_EQ(countsOf(c), (std::vector<double>{3, 2, 2, 2}));
    EXPECT_DOUBLE_EQ(c.back().high, 8);
}

// Values at or below the underflow bound, and above the overflow bound, each fill one bin of
// their own at the ends; the regular bins lie between the bounds.
TEST(ChartexStatistics, UnderflowAndOverflowBinsTakeTheTails) {
    Binning binning;
    binning.size = 2;
    binning.underflow = 2;
    binning.overflow = 8;
    const auto bins = engine::chartex::histogramBins({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, binning);
    EXPECT_EQ(countsOf(bins), (std::vector<double>{3, 2, 2, 2, 2}));
    EXPECT_EQ(bins.front().kind, HistogramBin::Kind::Underflow);
    EXPECT_EQ(bins.back().kind, HistogramBin::Kind::Overflow);
    EXPECT_EQ(bins.front().label, QStringLiteral("\u22642"));
    EXPECT_EQ(bins[1].label, QStringLiteral("(2, 4]"));
    EXPECT_EQ(bins.back().label, QStringLiteral(">8"));
}

// A bin size far too small for the span is held to a bounded number of bins, and values too
// far apart for their span to be a number share one bin: every value still counted once.
TEST(ChartexStatistics, ExtremeBinningsAreBounded) {
    Binning binning;
    binning.size = 1e-12;
    const auto bins = engine::chartex::histogramBins({0, 5e5, 1e6}, binning, 1000);
    EXPECT_EQ(bins.size(), 1000u);
    double total = 0;
    for (const HistogramBin& bin : bins) total += bin.value;
    EXPECT_EQ(total, 3);
    EXPECT_EQ(bins.front().value, 1);
    EXPECT_EQ(bins.back().value, 1);
    // So is a bin count past the bound: the bins it keeps still cover every value.
    Binning many;
    many.count = 1'000'000;
    const auto counted = engine::chartex::histogramBins({0, 1, 2, 3}, many, 1000);
    ASSERT_EQ(counted.size(), 1000u);
    EXPECT_DOUBLE_EQ(counted.back().high, 3);
    EXPECT_EQ(counted.back().value, 1);
    EXPECT_EQ(counted[333].value, 1);  // 1 lies in (0.999, 1.002]
    const auto apart = engine::chartex::histogramBins({-1e308, 0, 1e308}, Binning{});
    ASSERT_EQ(apart.size(), 1u);
    EXPECT_EQ(apart[0].value, 3);
    // Neither do their quartiles or mean overflow.
    const auto box = engine::chartex::boxStatistics({-1e308, 1e308, 1e308, -1e308}, false);
    EXPECT_TRUE(std::isfinite(box->q1) && std::isfinite(box->median) && std::isfinite(box->q3));
    EXPECT_DOUBLE_EQ(box->mean, 0);
}

// Quartiles as QUARTILE.EXC and QUARTILE.INC give them; the whiskers reach the furthest values
// within one and a half box lengths and what lies beyond is an outlier.
TEST(ChartexStatistics, BoxQuartilesWhiskersAndOutliers) {
    const std::vector<double> values{6, 7, 15, 36, 39, 40, 41, 42, 43, 47, 49};
    const auto exclusive = engine::chartex::boxStatistics(values, true);
    ASSERT_TRUE(exclusive);
    EXPECT_DOUBLE_EQ(exclusive->q1, 15);
    EXPECT_DOUBLE_EQ(exclusive->median, 40);
    EXPECT_DOUBLE_EQ(exclusive->q3, 43);
    const auto inclusive = engine::chartex::boxStatistics(values, false);
    EXPECT_DOUBLE_EQ(inclusive->q1, 25.5);
    EXPECT_DOUBLE_EQ(inclusive->median, 40);
    EXPECT_DOUBLE_EQ(inclusive->q3, 42.5);

    const auto box = engine::chartex::boxStatistics({100, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true);
    EXPECT_DOUBLE_EQ(box->q1, 2.75);
    EXPECT_DOUBLE_EQ(box->q3, 8.25);
    EXPECT_DOUBLE_EQ(box->mean, 14.5);
    EXPECT_DOUBLE_EQ(box->lowWhisker, 1);
    EXPECT_DOUBLE_EQ(box->highWhisker, 9);
    EXPECT_EQ(box->outliers, std::vector<double>{100});
    EXPECT_EQ(box->inner.size(), 9u);
    // Exclusive quartiles of too few values stay within them.
    const auto two = engine::chartex::boxStatistics({1, 3}, true);
    EXPECT_DOUBLE_EQ(two->q1, 1);
    EXPECT_DOUBLE_EQ(two->q3, 3);
    EXPECT_FALSE(engine::chartex::boxStatistics({NAN}, true));
}

// The squarified layout of the method's own example (sizes 6 6 4 3 2 2 1 in a 6 x 4 area):
// the two sixes stacked at the left, every rectangle as large as its size, none overlapping.
TEST(ChartexStatistics, SquarifiedRectanglesTileTheArea) {
    const std::vector<double> sizes{6, 6, 4, 3, 2, 2, 1, 0};
    const QRectF area(10, 20, 6, 4);
    const auto rects = engine::chartex::squarify(sizes, area);
    ASSERT_EQ(rects.size(), sizes.size());
    EXPECT_EQ(rects[0], QRectF(10, 20, 3, 2));
    EXPECT_EQ(rects[1], QRectF(10, 22, 3, 2));
    for (size_t i = 0; i + 1 < sizes.size(); ++i) {
        EXPECT_NEAR(rects[i].width() * rects[i].height(), sizes[i], 1e-9) << i;
        EXPECT_TRUE(area.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(rects[i])) << i;
        EXPECT_LE(
            std::max(rects[i].width() / rects[i].height(), rects[i].height() / rects[i].width()),
            3.0)
            << i;
        for (size_t j = i + 1; j + 1 < sizes.size(); ++j) {
            const QRectF both = rects[i].intersected(rects[j]);
            EXPECT_LT(both.width() * both.height(), 1e-9) << i << " " << j;
        }
    }
    EXPECT_TRUE(rects.back().isEmpty());
}

// Each point's path runs from the outermost level in, empty levels skipped; parents are shared,
// leaves are not, and points without a size or a name are left out.
TEST(ChartexStatistics, HierarchyFromTheLevelsOfTheCategories) {
    const ChartexChart chart = engine::readChartex(
        "<cx:chartSpace xmlns:cx=\"http://schemas.microsoft.com/office/drawing/2014/chartex\">"
        "<cx:chartData><cx:data id=\"0\"><cx:strDim type=\"cat\">"
        "<cx:lvl ptCount=\"6\"><cx:pt idx=\"0\">Lyon</cx:pt><cx:pt idx=\"1\">Paris</cx:pt>"
        "<cx:pt idx=\"2\">Tokyo</cx:pt><cx:pt idx=\"3\">Nice</cx:pt><cx:pt idx=\"4\">Paris</cx:pt>"
        "<cx:pt idx=\"5\">Rome</cx:pt></cx:lvl>"
        "<cx:lvl ptCount=\"6\"><cx:pt idx=\"0\">France</cx:pt><cx:pt idx=\"1\">France</cx:pt>"
        "<cx:pt idx=\"4\">France</cx:pt><cx:pt idx=\"5\">Italy</cx:pt></cx:lvl>"
        "<cx:lvl ptCount=\"6\"><cx:pt idx=\"0\">Europe</cx:pt><cx:pt idx=\"1\">Europe</cx:pt>"
        "<cx:pt idx=\"2\">Asia</cx:pt><cx:pt idx=\"3\">Europe</cx:pt><cx:pt "
        "idx=\"4\">Europe</cx:pt>"
        "<cx:pt idx=\"5\">Europe</cx:pt></cx:lvl></cx:strDim>"
        "<cx:numDim type=\"size\"><cx:lvl ptCount=\"7\"><cx:pt idx=\"0\">10</cx:pt>"
        "<cx:pt idx=\"1\">20</cx:pt><cx:pt idx=\"2\">5</cx:pt><cx:pt idx=\"3\">4</cx:pt>"
        "<cx:pt idx=\"4\">1</cx:pt><cx:pt idx=\"5\">0</cx:pt><cx:pt idx=\"6\">9</cx:pt></cx:lvl>"
        "</cx:numDim></cx:data></cx:chartData><cx:chart><cx:plotArea><cx:plotAreaRegion>"
        "<cx:series layoutId=\"treemap\"><cx:dataId val=\"0\"/></cx:series>"
        "</cx:plotAreaRegion></cx:plotArea></cx:chart></cx:chartSpace>",
        QStringLiteral("book.xlsx"), QStringLiteral("/xl/charts/chartEx1.xml"));
    const auto nodes = engine::chartex::hierarchy(chart, chart.series.front());
    QStringList described;
    for (const auto& node : nodes) {
        described.append(
            QStringLiteral("%1 %2 d%3 b%4 p%5 %6")
                .arg(node.name)
                .arg(node.value)
                .arg(node.depth)
                .arg(node.branch)
                .arg(node.point)
                .arg(node.parent < 0 ? QStringLiteral("-") : nodes[size_t(node.parent)].name));
    }
    EXPECT_EQ(described, (QStringList{
                             QStringLiteral("Europe 35 d0 b0 p-1 -"),
                             QStringLiteral("France 31 d1 b0 p-1 Europe"),
                             QStringLiteral("Lyon 10 d2 b0 p0 France"),
                             QStringLiteral("Paris 20 d2 b0 p1 France"),
                             QStringLiteral("Asia 5 d0 b1 p-1 -"),
                             QStringLiteral("Tokyo 5 d1 b1 p2 Asia"),
                             QStringLiteral("Nice 4 d1 b0 p3 Europe"),
                             QStringLiteral("Paris 1 d2 b0 p4 France"),
                         }));
    EXPECT_EQ(nodes[1].children, (std::vector<int>{2, 3, 7}));
}

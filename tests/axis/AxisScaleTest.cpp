// Automatic axis scales against what the spreadsheet and presentation applications were seen
// to choose. Sources: Microsoft KB 214075 "How Chart Axis Limits Are Determined" (as quoted by
// Jon Peltier, "How Excel Calculates Automatic Chart Axis Limits"); axes measured against
// Excel and PowerPoint exports in the office2pdf project (issues 553, 634 and 824, and the
// table of data maxima in its diagram renderer's tests); Peltier, "Logarithmic Axes in Excel
// Charts"; Excel 2003 help, "Tips for using time-scale axes".
#include <gtest/gtest.h>

#include <cmath>

#include "engine/chartdraw/AxisScale.h"

using namespace engine;

namespace {

struct Range {
    double dataMin, dataMax;
    double min, max, major;
};

void expectScales(const std::vector<Range>& table, bool pad = true) {
    for (const Range& r : table) {
        SCOPED_TRACE(testing::Message() << "data " << r.dataMin << " to " << r.dataMax);
        ValueAxisInput in;
        in.dataMin = r.dataMin;
        in.dataMax = r.dataMax;
        in.padEnds = pad;
        const AxisScale s = autoValueScale(in);
        EXPECT_DOUBLE_EQ(s.min, r.min);
        EXPECT_DOUBLE_EQ(s.max, r.max);
        EXPECT_DOUBLE_EQ(s.majorUnit, r.major);
    }
}

}  // namespace

TEST(AxisScale, PositiveDataStartsAtZeroAndClearsTheMaximum) {
    expectScales({
        // Excel, measured (office2pdf issues 634 and 553).
        {0, 17, 0, 18, 2},
        {0, 23334, 0, 25000, 5000},
        // office2pdf's table of data maxima.
        {0, 8.6, 0, 10, 1},
        {0, 9.7, 0, 12, 2},
        {0, 21, 0, 25, 5},
        {0, 97, 0, 120, 20},
        // KB 214075: the minimum is 0 while the range exceeds a sixth of the maximum.
        {40, 55, 0, 60, 10},
        {0.2, 0.9, 0, 1, 0.1},
        {0, 0, 0, 1, 0.2},
    });
}

TEST(AxisScale, DataWithinTheTopSixthLiftsTheMinimum) {
    // KB 214075 with Peltier's reading of its divisor (a twentieth of the range below).
    expectScales({
        {50, 55, 49, 56, 1},
        {1000, 1100, 980, 1120, 20},
        {0.95, 1.0, 0.94, 1.01, 0.01},
    });
}

TEST(AxisScale, NegativeDataMirrorsAndMixedDataPadsBothEnds) {
    expectScales({
        {-17, 0, -18, 0, 2},
        {-55, -50, -56, -49, 1},
        {-5, 10, -6, 12, 2},
        {-100, 250, -150, 300, 50},
    });
}

TEST(AxisScale, StackedTotalsWithoutPadding) {
    // Stacks are scaled on each category's positive and negative sums, with no padding.
    const Extent e = stackedExtent({{3, 4, NAN, -2}, {5, 1, 6}, {2, -3, 1, -1}});
    EXPECT_DOUBLE_EQ(e.max, 10);
    EXPECT_DOUBLE_EQ(e.min, -3);
    expectScales({{0, 10, 0, 10, 2}, {-3, 10, -4, 10, 2}}, false);
    const AxisScale percent = percentStackedScale(false);
    EXPECT_DOUBLE_EQ(percent.min, 0);
    EXPECT_DOUBLE_EQ(percent.max, 1);
    EXPECT_DOUBLE_EQ(percentStackedScale(true).min, -1);
}

TEST(AxisScale, FixedValuesWinAndTheRestFollows) {
    ValueAxisInput in;
    in.dataMin = 0;
    in.dataMax = 17;
    in.fixedMin = 5;
    AxisScale s = autoValueScale(in);
    EXPECT_DOUBLE_EQ(s.min, 5);
    EXPECT_DOUBLE_EQ(s.majorUnit, 2);
    EXPECT_DOUBLE_EQ(s.max, 19);
    in.fixedMin.reset();
    in.fixedMajorUnit = 5;
    s = autoValueScale(in);
    EXPECT_DOUBLE_EQ(s.majorUnit, 5);
    EXPECT_DOUBLE_EQ(s.minorUnit, 1);
    in.fixedMax = 3;  // below the automatic minimum's neighbourhood: the axis still has length
    in.fixedMajorUnit.reset();
    s = autoValueScale(in);
    EXPECT_DOUBLE_EQ(s.max, 3);
    EXPECT_LT(s.min, s.max);
}

TEST(AxisScale, PresentationChartsCapIntervalsByTextAndPlotSize) {
    // PowerPoint, measured (office2pdf issue 824): data max 8.2, 18 pt labels, a 311 pt plot
    // gave 0 to 10 in steps of 2.
    ValueAxisInput in;
    in.dataMax = 8.2;
    in.maxIntervals = presentationIntervalCap(18, 311);
    EXPECT_EQ(in.maxIntervals, 5);
    const AxisScale s = autoValueScale(in);
    EXPECT_DOUBLE_EQ(s.max, 10);
    EXPECT_DOUBLE_EQ(s.majorUnit, 2);
    EXPECT_EQ(presentationIntervalCap(10, 400), 10);
    EXPECT_EQ(presentationIntervalCap(44, 400), 1);
}

TEST(AxisScale, LogarithmicAxesRunBetweenPowersOfTheBase) {
    // Peltier: data from 8 to 12 gets the axis 1 to 100.
    AxisScale s = logarithmicScale(8, 12);
    EXPECT_DOUBLE_EQ(s.min, 1);
    EXPECT_DOUBLE_EQ(s.max, 100);
    EXPECT_DOUBLE_EQ(s.majorUnit, 10);
    s = logarithmicScale(0.03, 1000);
    EXPECT_DOUBLE_EQ(s.min, 0.01);
    EXPECT_DOUBLE_EQ(s.max, 1000);
    s = logarithmicScale(3, 9, 2);
    EXPECT_DOUBLE_EQ(s.min, 1);
    EXPECT_DOUBLE_EQ(s.max, 16);
    s = logarithmicScale(-5, 0);
    EXPECT_DOUBLE_EQ(s.min, 1);
    EXPECT_DOUBLE_EQ(s.max, 10);
}

TEST(AxisScale, DateAxesTakeTheirBaseUnitFromTheSmallestGap) {
    // Excel 2003 help: a smallest gap of 7 days gives days.
    EXPECT_EQ(dateBaseUnit({45000, 45007, 45014, 45021}), TimeUnit::Days);
    // The first of each month (gaps of 28 to 31 days), and the first of each year.
    EXPECT_EQ(dateBaseUnit({44927, 44958, 44986, 45017, 45047}), TimeUnit::Months);
    EXPECT_EQ(dateBaseUnit({43831, 44197, 44562, 44927}), TimeUnit::Years);
    EXPECT_EQ(dateBaseUnit({45000.25, 45000.75, 45030}), TimeUnit::Months);
    EXPECT_EQ(dateBaseUnit({45000}), TimeUnit::Days);
}

TEST(AxisScale, DateAxisMajorStepsGrowFromDaysToWeeksMonthsAndYears) {
    auto expectStep = [](double span, TimeUnit base, int count, TimeUnit unit) {
        SCOPED_TRACE(span);
        const DateStep s = dateMajorUnit(span, base);
        EXPECT_EQ(s.count, count);
        EXPECT_EQ(s.unit, unit);
    };
    expectStep(9, TimeUnit::Days, 1, TimeUnit::Days);
    expectStep(18, TimeUnit::Days, 2, TimeUnit::Days);
    expectStep(40, TimeUnit::Days, 7, TimeUnit::Days);
    expectStep(100, TimeUnit::Days, 1, TimeUnit::Months);
    expectStep(100, TimeUnit::Months, 1, TimeUnit::Months);
    expectStep(2000, TimeUnit::Days, 8, TimeUnit::Months);
    expectStep(9 * 365 * 3, TimeUnit::Days, 3, TimeUnit::Years);
    expectStep(100, TimeUnit::Years, 1, TimeUnit::Years);
}

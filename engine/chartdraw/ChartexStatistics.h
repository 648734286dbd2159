#pragma once

#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "engine/chartmodel/ChartexPart.h"

// What the newer chart kinds compute from their data before anything is drawn, as the spreadsheet
// application computes it: a histogram's bins, a box's quartiles and whiskers, a treemap's
// squarified rectangles and the hierarchy a treemap or sunburst shows. Pure functions of their
// arguments; nothing here throws.
namespace engine::chartex {

// One column of a histogram: the values in (low, high] (or [low, high) when the bins are closed
// on the left; the first bin also holds its low end, the last its high end), or, for the
// underflow and overflow bins, the values at or below low / above high.
struct HistogramBin {
    enum class Kind { Regular, Underflow, Overflow };
    Kind kind = Kind::Regular;
    double low = 0;
    double high = 0;
    double value = 0;  // how many values fell in it
    QString label;     // "[1, 5]", "(5, 9]", "≤1", ">9" as the category axis shows it
};

// The bin width Scott's normal reference rule gives: 3.5 times the sample standard deviation over
// the cube root of the count; 0 for fewer than two values or values all alike.
double scottBinWidth(const std::vector<double>& values);

// The values put into bins as the binning says: a bin count divides the span of the values (from
// the underflow bound, when set, to the overflow bound, when set) into that many; a bin size
// steps from the start of that span; neither means a size by Scott's rule. Values that are not
// finite are left out. Empty for no values; one bin when all are alike. At most maxBins regular
// bins (a tiny bin size over a wide span is held to it by widening the bins).
std::vector<HistogramBin> histogramBins(const std::vector<double>& values,
                                        const ChartexChart::Series::Binning& binning,
                                        int maxBins = 1000);

// A box and whisker of one group of values.
struct BoxStatistics {
    double q1 = 0;
    double median = 0;
    double q3 = 0;
    double mean = 0;
    double lowWhisker = 0;         // the least value not below q1 - 1.5 * (q3 - q1)
    double highWhisker = 0;        // the greatest value not above q3 + 1.5 * (q3 - q1)
    std::vector<double> outliers;  // the values beyond the whiskers, ascending
    std::vector<double> inner;     // the others, ascending
};

// The quartile p (0.25, 0.5, 0.75) of ascending values, as QUARTILE.EXC (exclusive: rank
// p * (n + 1), held to the first and last value) or QUARTILE.INC (inclusive: rank p * (n - 1) + 1)
// compute it, interpolating between neighbours. sorted must not be empty.
double quartile(const std::vector<double>& sorted, double p, bool exclusive);
// nullopt for no finite values.
std::optional<BoxStatistics> boxStatistics(std::vector<double> values, bool exclusive);

// Squarified treemap layout (Bruls, Huizing and van Wijk): the rectangles dividing area in
// proportion to sizes, in the order of sizes, laid out from the largest down in rows whose
// rectangles stay as square as they can. Sizes not above zero get an empty rectangle.
std::vector<QRectF> squarify(const std::vector<double>& sizes, const QRectF& area);

// A node of the hierarchy a treemap or sunburst shows: each point's path is its texts from the
// outermost level in, empty levels skipped; points of a common path prefix share the nodes of
// it, while each point is a leaf of its own.
struct HierarchyNode {
    QString name;
    double value = 0;  // the sum of its leaves' sizes
    int parent = -1;   // -1 for a node of the top level
    int depth = 0;     // 0 for the top level
    int branch = 0;    // which node of the top level it descends from, in their order
    int point = -1;    // the data point of a leaf, -1 for a parent
    std::vector<int> children;
};

// The nodes of the series' data (texts of its "cat" dimension, sizes of its "size" dimension,
// or "val" without one), parents before their children, the top level in order of appearance.
// Points without a size above zero, or without any text, are left out.
std::vector<HierarchyNode> hierarchy(const ChartexChart& chart, const ChartexChart::Series& series);

}  // namespace engine::chartex

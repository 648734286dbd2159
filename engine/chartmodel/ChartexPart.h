#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "engine/package/Package.h"

namespace engine {

// A chart of the kinds the spreadsheet application added in its 2016 version (waterfall,
// histogram, pareto, box and whisker, treemap, sunburst, funnel, region map), read from its
// chartex part (cx:chartSpace, [MS-ODRAWXML]) as far as listing, copying and drawing it need:
// the data it holds (cx:chartData: each cx:data with its dimensions, their formula and the
// cached points of their first level), its title and its series in plot order.
//
// A series whose layout derives it from another (the pareto line, cx:series/@ownerIdx) is kept
// with owned set. The kind is named from the series' layouts as the application names it:
// "Waterfall", "Histogram" (clusteredColumn), "Pareto" (a histogram with its pareto line),
// "Box and Whisker", "Treemap", "Sunburst", "Funnel", "Filled Map" (regionMap); "Chart" when
// the plot area holds no series.
//
// Errors: throws DocumentError naming the file and part for malformed XML (within the limits of
// depth and size), and, as Unsupported, for a part whose root is not cx:chartSpace holding a
// cx:chart.
struct ChartexChart {
    struct Dimension {
        QString type;  // cx:numDim/cx:strDim @type: "val", "cat", "size", "x", "y", "colorVal"...
        bool numeric = false;  // cx:numDim
        QString formula;       // cx:f; "" when the data are literal
        QString formatCode;    // the first level's @formatCode (numbers)
        // The first level's points by index (ptCount of them; a point not given is empty):
        // numbers for cx:numDim, texts for cx:strDim.
        std::vector<std::optional<double>> numbers;
        std::vector<QString> texts;
        // Every level of a cx:strDim as texts, the first (the innermost: leaves of a treemap or
        // sunburst) first; a hierarchy's outer levels follow. texts is levels.front().
        std::vector<std::vector<QString>> levels;
    };
    struct Data {
        int id = 0;  // cx:data/@id, referred to by cx:series/cx:dataId/@val
        std::vector<Dimension> dimensions;
    };
    struct Series {
        QString layout;  // cx:series/@layoutId
        QString name;    // the cached text of cx:tx (cx:txData/cx:v)
        QString nameFormula;
        int dataId = -1;
        bool owned = false;  // derived from another series (@ownerIdx)
        bool hidden = false;
        std::vector<int> subtotals;  // waterfall: the points set as totals (layoutPr/subtotals)
        // Histogram and pareto: how the values are put into bins (layoutPr/binning); unset when
        // the series has no cx:binning. Neither size nor count means the width is automatic.
        struct Binning {
            std::optional<double> size;
            std::optional<int> count;
            bool closedLeft = false;  // intervalClosed="l": [a, b) instead of (a, b]
            std::optional<double> underflow;  // values at or below it in one bin of their own
            std::optional<double> overflow;   // values above it in one bin of their own
        };
        std::optional<Binning> binning;
        bool aggregation = false;  // layoutPr/aggregation: values summed per category
        // Box and whisker (layoutPr/statistics, layoutPr/visibility), with the application's
        // defaults: exclusive quartiles, mean marker and outliers shown.
        bool quartileExclusive = true;
        bool meanLine = false;
        bool meanMarker = true;
        bool innerPoints = false;  // visibility/@nonoutliers
        bool outliers = true;
        // Treemap: layoutPr/parentLabelLayout ("overlapping", "banner", "none").
        QString parentLabels = QStringLiteral("overlapping");
    };

    std::vector<Data> data;
    std::vector<Series> series;
    // The category axis' gap between columns, in columns' widths (cx:catScaling/@gapWidth of
    // the plot area's first axis that has one); unset when none says.
    std::optional<double> gapWidth;
    bool hasTitle = false;
    bool hasLegend = false;  // cx:legend
    QString title;  // the title's own text, blanks for line breaks; "" when none or automatic

    QString kindName() const;
    // The series counted as the chart's own: those no other series derives.
    int ownSeriesCount() const;
    const Data* dataById(int id) const;
    // The first dimension of this series' data of the type given ("val", "cat"...); nullptr
    // when it has none.
    const Dimension* dimension(const Series& series, const QString& type) const;
};

ChartexChart readChartex(const QByteArray& xml, const QString& file, const QString& part,
                         const Limits& limits = {});

// The markup-compatibility namespace a frame of this chart requires in mc:Choice, as the office
// applications declare it: cx2 for a funnel, cx4 for a region map, cx1 for the other kinds.
struct ChartexRequirement {
    const char* prefix;
    const char* uri;
};
ChartexRequirement chartexRequirement(const ChartexChart& chart);

// The chartex part as a presentation holds it: its data linked to the embedded workbook of
// relationship packageRelId (cx:externalData, first in cx:chartData, not updated on open), any
// link it had before dropped. Throws like readChartex.
QByteArray chartexForSlide(const QByteArray& xml, const QString& packageRelId, const QString& file,
                           const QString& part);

}  // namespace engine

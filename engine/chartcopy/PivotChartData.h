#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "engine/chartcopy/ChartPackage.h"

namespace engine {

// A pivot chart (a chart part with c:pivotSource) shows the points its pivot table gives it, and
// its caches hold exactly those. The cells its references span are the pivot table's rows, with
// the table's subtotals and grand total among them (and a series name may span the table's
// header rows), so caches filled or rewritten from those cells would show points the chart never
// showed. Off its workbook the chart has no pivot table, so it is pasted as an ordinary chart
// over a sheet of exactly the values it shows.

struct PlainChartData {
    // The chart part with c:pivotSource taken out and every series' references (name,
    // categories, values) naming the data sheet below; caches, formatting and everything else
    // as they were.
    QByteArray chartXml;
    // The data sheet "Sheet1", laid out as the presentation application lays out a chart's data:
    // the category levels in the first columns (outermost first), then one column per series,
    // its name in row 1 and its values below, category i on row i + 2. Cached number formats
    // other than General go with the numbers.
    std::vector<ChartPackage::Cell> cells;
};

// The chart as an ordinary chart over its own values, when chartXml is a pivot chart's part;
// nullopt for any other chart. A part in which the name pivotSource does not occur is no pivot
// chart and is not parsed (its faults are for the chart's reader to find); otherwise throws
// DocumentError naming file and part when the XML is malformed.
std::optional<PlainChartData> pivotChartAsPlainChart(const QByteArray& chartXml,
                                                     const QString& file, const QString& part);

}  // namespace engine

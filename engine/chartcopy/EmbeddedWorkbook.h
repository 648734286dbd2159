#pragma once

#include "engine/chartcopy/ChartPackage.h"

#include <QByteArray>

namespace engine {

// The workbook embedded beside a pasted chart, so that an office suite's Edit Data finds the
// chart's numbers where its formulas point: one worksheet per sheet the chart refers to, under
// the same name, holding the package's cells at the same addresses with their number formats,
// and nothing else of the source workbook; a 1904 date system is carried over into the
// workbook's properties. Each sheet is written in one pass, rows in order, text inline; the
// cost is that of the cells, in time and memory.
//
// Throws DocumentError naming the clipboard when a sheet name cannot be used in a workbook,
// or a cell cannot be written (outside a sheet's bounds, a number that is not finite, text
// longer than a cell holds).
QByteArray buildEmbeddedWorkbook(const ChartPackage& package);

}  // namespace engine

#pragma once

#include "engine/chart/ChartPackage.h"

#include <QByteArray>

namespace engine {

// The workbook embedded beside a pasted chart, so that an office suite's Edit Data finds the
// chart's numbers where its formulas point: one worksheet per sheet the chart refers to, under
// the same name, holding the package's cells at the same addresses with their number formats,
// and nothing else of the source workbook. Built with libxlsxwriter; a 1904 date system is
// carried over into the workbook's properties.
//
// Throws DocumentError naming the clipboard when a sheet name or a cell cannot be written.
QByteArray buildEmbeddedWorkbook(const ChartPackage& package);

}  // namespace engine

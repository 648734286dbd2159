#pragma once

#include "engine/chartcopy/ChartPackage.h"

#include <pugixml.hpp>
#include <vector>

namespace engine {

// Gives every cell reference of a chart part (c:numRef, c:strRef) a cache that holds what the
// cells hold, where its cache is missing or shorter than the range: readers draw a chart from
// its caches, never from the cells. Numbers keep their cells' number formats (the cache's
// format code is the first number's, points that differ carry their own); text caches get each
// cell's text as the cell shows it. A reference whose cells are not among the given ones (a
// defined name, another workbook, cells the copy could not read) keeps its cache as it was.
// References along one row or column only, as charts use them. Linear in the part and cells.
// With `rewrite`, every cache whose sheet is among the cells is written again from them, however
// long it was: a refresh takes the cells as they are now, not a cache the workbook's writer may
// have left behind.
void fillChartCaches(pugi::xml_document& doc, const std::vector<ChartPackage::Cell>& cells, bool date1904,
                     bool rewrite = false);

}  // namespace engine

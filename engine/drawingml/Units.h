#pragma once

namespace engine::drawingml {

// DrawingML lengths are English Metric Units: 914400 to the inch, 12700 to the point.
inline constexpr double kEmuPerPoint = 12700.0;

// The size a chart takes where its workbook gives it none (an anchor of no extent, as some
// programs write): the spreadsheet application's default chart, 5 x 3 inches (480 x 288 px at
// 96 dpi). Pasting, the clipboard's picture and drawing to a file all use it.
inline constexpr long long kDefaultChartCx = 4572000;
inline constexpr long long kDefaultChartCy = 2743200;

}  // namespace engine::drawingml

#pragma once

namespace engine::drawingml {

// DrawingML lengths are English Metric Units: 914400 to the inch, 12700 to the point.
inline constexpr double kEmuPerPoint = 12700.0;

}  // namespace engine::drawingml

#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The preset patterns of DrawingML (a:pattFill prst, 54 of them) as the office applications draw
// them: an 8 x 8 tile of foreground and background pixels repeated over the shape, one tile
// pixel to a screen pixel at 96 dpi, whatever the shape's size.

namespace engine::chart {

// The tile of a preset: eight rows of eight pixels, the most significant bit leftmost, a set bit
// drawn in the foreground colour. nullopt for a name that is no preset.
std::optional<std::array<std::uint8_t, 8>> presetPatternBits(const QString& preset);

// The tile in colours: 8 x 8 pixels, ARGB32 premultiplied. An unknown preset draws as the
// office applications draw the default one (pct5).
QImage presetPatternTile(const QString& preset, const QColor& foreground, const QColor& background);

// A brush that repeats the tile from the scene's origin, one tile pixel per 0.75 pt (a pixel at
// 96 dpi), so that a painter scaled from points to a 96 dpi device draws each tile pixel on one
// device pixel.
QBrush presetPatternBrush(const QString& preset, const QColor& foreground,
                          const QColor& background);

}  // namespace engine::chart

#include "engine/chartdraw/PatternFill.h"

#include <QTransform>
#include <algorithm>
#include <utility>

namespace engine::chart {

namespace {

using PatternTile = std::array<std::uint8_t, 8>;

// Each row mirrored left to right: the up-diagonals from the down-diagonals.
constexpr PatternTile mirroredTile(PatternTile tile) {
    for (auto& row : tile) {
        std::uint8_t out = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (row & (1u << bit)) out |= std::uint8_t(1u << (7 - bit));
        }
        row = out;
    }
    return tile;
}

// Rows turned into columns: the vertical families from the horizontal ones.
constexpr PatternTile transposedTile(const PatternTile& tile) {
    PatternTile out{};
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            if (tile[size_t(r)] & (0x80u >> c)) out[size_t(c)] |= std::uint8_t(0x80u >> r);
        }
    }
    return out;
}

constexpr PatternTile kLtHorz{0xFF, 0, 0, 0, 0xFF, 0, 0, 0};
constexpr PatternTile kHorz{0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
constexpr PatternTile kNarHorz{0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};
constexpr PatternTile kDkHorz{0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
constexpr PatternTile kDashHorz{0xF0, 0, 0, 0, 0x0F, 0, 0, 0};
constexpr PatternTile kLtDnDiag{0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11};
constexpr PatternTile kDnDiag{0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99};
constexpr PatternTile kDkDnDiag{0xEE, 0x77, 0xBB, 0xDD, 0xEE, 0x77, 0xBB, 0xDD};
constexpr PatternTile kWdDnDiag{0xC1, 0xE0, 0x70, 0x38, 0x1C, 0x0E, 0x07, 0x83};
constexpr PatternTile kDashDnDiag{0x88, 0x44, 0x22, 0x11, 0, 0, 0, 0};

// The presets by name, as the schema spells them (ST_PresetPatternVal). The percentages cover
// about that share of the tile with the foreground; the line families differ in spacing
// (narrow, light, plain, dark), thickness and dashes as their names say.
const std::pair<const char*, PatternTile> kPresetPatterns[] = {
    {"pct5", {0x80, 0, 0, 0, 0x08, 0, 0, 0}},
    {"pct10", {0x80, 0, 0x08, 0, 0x80, 0, 0x08, 0}},
    {"pct20", {0x88, 0, 0x22, 0, 0x88, 0, 0x22, 0}},
    {"pct25", {0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}},
    {"pct30", {0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11}},
    {"pct40", {0xAA, 0x44, 0xAA, 0x54, 0xAA, 0x44, 0xAA, 0x54}},
    {"pct50", {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}},
    {"pct60", {0x55, 0xBB, 0x55, 0xAB, 0x55, 0xBB, 0x55, 0xAB}},
    {"pct70", {0x55, 0xBB, 0x55, 0xEE, 0x55, 0xBB, 0x55, 0xEE}},
    {"pct75", {0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}},
    {"pct80", {0x77, 0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF}},
    {"pct90", {0x7F, 0xFF, 0xFF, 0xFF, 0xF7, 0xFF, 0xFF, 0xFF}},
    {"horz", kHorz},
    {"vert", transposedTile(kHorz)},
    {"ltHorz", kLtHorz},
    {"ltVert", transposedTile(kLtHorz)},
    {"dkHorz", kDkHorz},
    {"dkVert", transposedTile(kDkHorz)},
    {"narHorz", kNarHorz},
    {"narVert", transposedTile(kNarHorz)},
    {"dashHorz", kDashHorz},
    {"dashVert", transposedTile(kDashHorz)},
    {"cross", {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}},
    {"dnDiag", kDnDiag},
    {"upDiag", mirroredTile(kDnDiag)},
    {"ltDnDiag", kLtDnDiag},
    {"ltUpDiag", mirroredTile(kLtDnDiag)},
    {"dkDnDiag", kDkDnDiag},
    {"dkUpDiag", mirroredTile(kDkDnDiag)},
    {"wdDnDiag", kWdDnDiag},
    {"wdUpDiag", mirroredTile(kWdDnDiag)},
    {"dashDnDiag", kDashDnDiag},
    {"dashUpDiag", mirroredTile(kDashDnDiag)},
    {"diagCross", {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}},
    {"smCheck", {0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33}},
    {"lgCheck", {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F}},
    {"smGrid", {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88}},
    {"lgGrid", {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}},
    {"dotGrid", {0xAA, 0, 0x80, 0, 0x80, 0, 0x80, 0}},
    {"smConfetti", {0x80, 0x10, 0x02, 0x40, 0x04, 0x20, 0x01, 0x08}},
    {"lgConfetti", {0xC0, 0xCC, 0x0C, 0x60, 0x63, 0x03, 0x18, 0x18}},
    {"horzBrick", {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08}},
    {"diagBrick", {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81}},
    {"solidDmnd", {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00}},
    {"openDmnd", {0x80, 0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41}},
    {"dotDmnd", {0x80, 0, 0x22, 0, 0x08, 0, 0x22, 0}},
    {"plaid", {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0}},
    {"sphere", {0x3C, 0x42, 0x99, 0xBD, 0xBD, 0x99, 0x42, 0x3C}},
    {"weave", {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51}},
    {"divot", {0x00, 0x20, 0x10, 0x20, 0x00, 0x04, 0x08, 0x04}},
    {"shingle", {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01}},
    {"wave", {0x00, 0x18, 0xA4, 0x03, 0x00, 0x18, 0xA4, 0x03}},
    {"trellis", {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99}},
    {"zigZag", {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18}},
};

// Office draws a tile pixel on a screen pixel: 0.75 pt at 96 dpi.
constexpr double kPatternPixelPoints = 0.75;

}  // namespace

std::optional<std::array<std::uint8_t, 8>> presetPatternBits(const QString& preset) {
    for (const auto& [name, tile] : kPresetPatterns) {
        if (preset == QLatin1String(name)) return tile;
    }
    return std::nullopt;
}

QImage presetPatternTile(const QString& preset, const QColor& foreground,
                         const QColor& background) {
    const PatternTile tile =
        presetPatternBits(preset).value_or(*presetPatternBits(QStringLiteral("pct5")));
    QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
    const QRgb fg = qPremultiply(foreground.rgba());
    const QRgb bg = qPremultiply(background.rgba());
    for (int r = 0; r < 8; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int c = 0; c < 8; ++c) line[c] = (tile[size_t(r)] & (0x80u >> c)) ? fg : bg;
    }
    return image;
}

QBrush presetPatternBrush(const QString& preset, const QColor& foreground,
                          const QColor& background) {
    QBrush brush(presetPatternTile(preset, foreground, background));
    brush.setTransform(QTransform::fromScale(kPatternPixelPoints, kPatternPixelPoints));
    return brush;
}

}  // namespace engine::chart

#pragma once

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartPackage.h"
#include "engine/package/Package.h"

namespace engine {

// How a pasted chart is formatted, the two choices the presentation application offers when a
// chart comes from a workbook.
enum class PasteFormatting {
    // The plain paste: the chart takes the deck's theme. Its theme colours and fonts (stated,
    // and those its style and the theme's format scheme give it) are written as references to
    // the deck's theme (a:schemeClr with the style's transforms, +mn-lt), so that the chart
    // follows a later change of it; colours and faces the chart states as fixed stay. No theme
    // override is written.
    DeckTheme,
    // The chart keeps the look it had in its workbook: the workbook's theme, resolved into the
    // chart and carried as the chart's theme override.
    KeepSource,
};

struct PasteLook {
    PasteFormatting formatting = PasteFormatting::KeepSource;
    // The theme part (a:theme) of the master of the slide the chart goes onto; empty when the
    // deck has none (the office default theme then stands in). Read with DeckTheme only.
    QByteArray deckTheme;
};

// Copies a chart package into a presentation's package as a native chart, ready for a slide to
// relate to: the chart part at a new /ppt/charts/chartN.xml (chartExN.xml for the newer kinds,
// which keep their own data caches and take no theme override) and every related part (style,
// colours, user-shape drawings, their images and charts) at new names that clash with nothing,
// relationship targets rewritten to the new names with their ids kept, content types added,
// the look the chart is pasted with written into it explicitly (see PasteLook: with KeepSource
// the source theme also goes along as the chart's theme override, unless the chart brings one of
// its own), and an embedded workbook with the chart's data that c:externalData points to.
// With KeepSource every colour and face is stated in the part, so that a reader that ignores
// theme overrides draws the same chart; with DeckTheme the references left are to the deck's
// own theme, which every reader resolves alike (the office defaults are stated instead when the
// deck's theme cannot be read).
//
// Returns the new chart part's name; `written`, when given, receives the model of the chart part
// as placed. Throws DocumentError naming the clipboard when the
// package is inconsistent (a relationship to a part it does not carry, malformed XML); the
// target package is then left as it was.
QString insertChartParts(Package& package, const ChartPackage& chart, chart::ChartSpace* written = nullptr,
                         const PasteLook& look = {});

// The same in two steps, for a caller that must check first whether the package can take the
// parts: made without changing the package (its part names only are read; the names chosen
// are free in it as it is now), then added, which cannot fail.
struct ChartParts {
    QString chartPart;
    std::vector<std::pair<QString, QByteArray>> parts;  // name, bytes; relationships parts too
    std::vector<std::pair<QString, QString>> types;     // name, content type
};
// With rewriteCaches, every cache is written again from the package's cells (a refresh).
ChartParts makeChartParts(const Package& package, const ChartPackage& chart, chart::ChartSpace* written = nullptr,
                          bool rewriteCaches = false, const PasteLook& look = {});
void addChartParts(Package& package, const ChartParts& parts);

}  // namespace engine

#pragma once

#include "engine/chartcopy/ChartInsertion.h"
#include "engine/chartcopy/ChartPackage.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/package/Package.h"
#include "engine/workbook/Workbook.h"

// A chart's look (theme, theme override, colour map, host, producer) as it is where the chart
// lives: on a workbook's sheet, on the clipboard, pasted onto a slide, or shown on one.
// Everything that draws or pastes a chart gets its context here, so that one chart cannot be
// drawn in two colourings: the theme override is always the one the chart part names through
// its relationships, and the producer always the one the package's extended properties name.

namespace engine::chart {

// The theme override part the chart part names through its relationships, "" when it names
// none (or one outside the package, or missing from it).
QByteArray themeOverrideOf(const PackageReader& package, const QString& chartPart);
QByteArray themeOverrideOf(const Package& package, const QString& chartPart);
// The same for a chart package, whose chart part's relationships the caller has read.
QByteArray themeOverrideOf(const ChartPackage& package, const Relationships& chartRels);

// The producer the package's extended properties name (found through the package's
// relationship, else at /docProps/app.xml), unknown without them. Never throws: they only
// refine how a chart looks.
Producer producerOf(const PackageReader& package);
Producer producerOf(const Package& package);

// The look of a workbook's chart: the workbook's theme under the chart's own theme override, the
// chart's colour map override or the standard map (a workbook has no other), the workbook host
// and the workbook's producer. Throws DocumentError naming the workbook and part when a theme
// part is malformed.
RenderContext workbookChartLook(const Workbook& workbook, const QString& chartPart,
                                const ChartSpace& chart);

// The look of a chart of a workbook that holds no theme (a legacy .xls): the office defaults,
// the chart's colour map override or the standard map, the workbook host, no known producer.
RenderContext themelessChartLook(const ChartSpace& chart, const QString& file);

// The look of a chart as the clipboard carries it: the look workbookChartLook gives the chart in
// its workbook, made from the package alone (its theme, the override its chart part relates to,
// the producer it names). Throws DocumentError naming the package's source when the chart's
// relationships or a theme part are malformed.
RenderContext packagedChartLook(const ChartPackage& package, const ChartSpace& chart);

// The look a chart is pasted in (see PasteLook): the workbook's theme (KeepSource) or the deck's
// (DeckTheme; a deck theme that cannot be read leaves the office defaults, as the deck's slides
// show), under the chart's own theme override either way; the standard colour map (a workbook has
// no other, and the pasted chart states the identity map); the workbook's producer, whose
// defaults the chart was made with. The host stays the workbook: the chart keeps the sizes and
// border it had there, only its theme changes. chartRels: the chart part's relationships as the
// package carries them. Throws DocumentError naming the clipboard when the source theme or the
// override is malformed.
RenderContext pastedChartLook(const ChartPackage& package, const Relationships& chartRels,
                              const PasteLook& look);

// The look of a chart shown on a slide of a deck: the theme of the slide's master (slideTheme,
// the bytes of its a:theme part; empty for none) under the chart's own theme override, the
// chart's colour map override else the slide's, the slide host and the deck's producer. Throws
// DocumentError naming the deck and part when a theme part is malformed.
RenderContext slideChartLook(const Package& deck, const QString& deckName, const QString& chartPart,
                             const ChartSpace& chart, const QByteArray& slideTheme,
                             const drawingml::ColorMap& slideColorMap);

}  // namespace engine::chart

#pragma once

#include "engine/drawingml/Color.h"
#include "engine/drawingml/Theme.h"

#include <QString>

// What a chart is drawn against beside its own part: the theme (already merged with the chart's
// theme override), the colour map (the chart's c:clrMapOvr or the host's), whether the chart
// sits in a workbook or on a slide, and which application wrote it. The same context serves the
// effective-format resolver and the renderer.

namespace engine::chart {

// The application that wrote the document, from docProps/app.xml; empty when unknown.
struct Producer {
    QString application;  // "Microsoft Excel"
    QString version;      // "12.0000"
};

enum class ChartHost { Workbook, Slide };

struct RenderContext {
    drawingml::Theme theme;
    drawingml::ColorMap colorMap = drawingml::ColorMap::standard();
    ChartHost host = ChartHost::Workbook;
    Producer producer;
};

}  // namespace engine::chart

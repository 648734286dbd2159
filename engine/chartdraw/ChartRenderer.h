#pragma once

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartdraw/ChartScene.h"
#include "engine/chartformat/FormatResolver.h"

#include <QImage>
#include <QPainter>
#include <QSizeF>
#include <QString>
#include <functional>

// Draws a chart part the way the office applications draw it, in three stages: layout (where
// the title, legend, plot area, axes and their labels go for a given size), scene (a display
// list of tagged primitives, ChartScene.h) and painting (QPainter onto any device). PNG, SVG
// and PDF pictures come from the same scene.
//
// Every chart kind the model reads is drawn. 3-D kinds (bar3D, line3D, area3D, pie3D,
// surface3D) are drawn as their 2-D twins, without depth, walls or floor; a surface chart is
// drawn as its contour view (the top view, coloured by value band). A kind that cannot be drawn
// shows its frame, its title and a one-line note naming the kind; nothing here throws for a
// chart the model has read, and no chart with a series gives an empty picture. A chart without
// any series draws only its area, title and legend, as the spreadsheet does: with a chart area
// that has no fill or border, that picture is blank.
//
// Fonts: the faces the chart names (theme fonts resolved first) are drawn with their metric
// twins where Linux has no such face (see engine/text/FontResolver.h), and text is measured
// with the font that draws it. Needs a QGuiApplication (the offscreen platform does).
//
// Thread safety: the functions are re-entrant; separate charts may be drawn on separate
// threads (fonts are only read).

namespace engine::chart {

// The scene of a chart drawn at sizeInPoints (the chart frame's size: EMU / 12700). Lines of
// more points than the picture has pixel columns keep, per column, their first, last, lowest
// and highest point; pixelsPerPoint says how fine the columns are (the first form assumes a
// picture at twice the density of a 96 dpi screen). Vector pictures ask for more.
ChartScene buildChartScene(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints);
ChartScene buildChartScene(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                           double pixelsPerPoint);

// Paints a scene into target (device coordinates of the painter), scaling points to fit.
void paintChartScene(const ChartScene& scene, QPainter& painter, const QRectF& target);

// The largest image drawn: 16384 pixels a side and 64 million pixels (256 MB) in all. A chart's
// frame may span a whole sheet (millions of pixels each way); vector pictures have no bound.
inline constexpr int kMaxImageSide = 16384;
inline constexpr qint64 kMaxImagePixels = 64LL * 1024 * 1024;

// The chart as an image. `scale` is device pixels per screen pixel: at scale 1 one point is
// 96/72 pixels (a screen at 96 dpi), so a 360 x 216 pt chart gives 480 x 288 pixels; scale 2
// gives twice as many pixels each way (a high-density screen). The image is ARGB32
// premultiplied, with the chart's own background (transparent where the chart area has none),
// and carries its resolution (96 x scale dpi). Throws DocumentError (kind OverLimit, "... too
// large to draw ...") when the image would pass the bounds above; nothing is allocated then.
QImage renderChartImage(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                        double scale);
// The largest scale, at most `scale`, at which renderChartImage draws a chart of sizeInPoints
// within the bounds.
double scaleWithinImageBounds(QSizeF sizeInPoints, double scale);

enum class PictureFormat { Png, Svg, Pdf };

// Writes the chart as a picture file. PNG as renderChartImage at `scale`; SVG and PDF as vector
// pictures of sizeInPoints (scale is ignored), text kept as text. The file appears complete or
// not at all (written beside the target, flushed, then renamed: FileReplacement.h); a symbolic
// link at path is replaced, never written through. Throws DocumentError (kind Io) naming the
// file when it cannot be written, a full disk among them.
void writeChartPicture(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                       PictureFormat format, double scale, const QString& path);

// The same for any scene of sizeInPoints, made by `scene` for a given number of pixels per
// point: what draws charts that are not read into the chart model (the newer kinds).
QImage renderSceneImage(QSizeF sizeInPoints, double scale, const std::function<ChartScene(double)>& scene);
void writeScenePicture(QSizeF sizeInPoints, PictureFormat format, double scale, const QString& path,
                       const std::function<ChartScene(double)>& scene);

}  // namespace engine::chart

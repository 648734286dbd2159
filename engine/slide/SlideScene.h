#pragma once

#include "engine/slide/SlideModel.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <vector>

// The second stage of drawing a slide: a display list of primitives laid out in points from the
// slide's top-left corner, every one tagged with what it draws, so that tests (and anything else
// that wants to know what a slide shows) can ask the scene instead of looking at pixels. Text is
// laid out here, once: lines broken, autofit applied, bullets placed. Charts stay frames that
// the painter hands to whoever draws charts.

namespace engine::slide {

struct ScenePrimitive {
    enum class Kind { Path, Text, Image, Chart };
    Kind kind = Kind::Path;
    // What it draws: "background", "shape 4 \"Rectangle 3\"", "shape 2 \"Title 1\" text",
    // "table 5 \"Table 4\" cell 1,2", "picture 6 \"Picture 5\"", "chart 7 \"Chart 1\"",
    // "unknown 8 \"Diagram 2\"" (its outline and its label).
    QString tag;
    // From the primitive's coordinates to the slide's (rotation and flips about the element's
    // centre); identity for most.
    QTransform transform;

    // Path: filled with brush, stroked with pen (widths in points).
    QPainterPath path;
    QBrush brush = Qt::NoBrush;
    QPen pen = Qt::NoPen;
    // Off for fills that meet their neighbours edge to edge (table cells), which smoothing would
    // part with a faint seam.
    bool antialias = true;

    // Text: one run of one line, starting at origin on its baseline. font carries the face that
    // draws it and its size in points as pointSizeF (autofit scale applied).
    QString text;
    QFont font;
    QColor color;
    QPointF origin;

    // Image: the part `source` (pixels of image) drawn into rect, clipped to clip when it is
    // not empty (a picture in an ellipse).
    QImage image;
    QRectF source;
    QRectF rect;  // Image, Chart
    QPainterPath clip;

    // Chart: the chart part and the frame's name.
    QString chartPart;
    QString name;
};

struct SlideScene {
    QSizeF size;  // points
    std::vector<ScenePrimitive> items;

    // The primitives whose tag starts with prefix, in drawing order.
    std::vector<const ScenePrimitive*> tagged(const QString& prefix) const;
    // The text of the primitives whose tag starts with prefix, runs of a line joined and lines
    // joined with "\n".
    QString textOf(const QString& prefix) const;
};

// Builds the scene of a slide model. Needs a QGuiApplication (text is measured with the fonts
// that draw it). Never throws for anything the model holds: elements it has no drawing for
// become a thin outline with their name.
SlideScene buildSlideScene(const SlideModel& model);

// The path of a preset geometry in a w x h box, with the shape's adjust values; empty when the
// preset is not one drawn here.
QPainterPath presetPath(const QString& preset, double w, double h, const std::map<QString, double>& adjustments);

}  // namespace engine::slide

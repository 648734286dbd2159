#pragma once

#include "engine/drawingml/Theme.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace engine {
class Presentation;
}

// One slide as it is to be drawn: what the slide, its layout and its master say, with the
// inheritance between them already worked out (a placeholder's place, text styles and body
// properties; the background; the master's and layout's own shapes) and every colour resolved
// through the theme and the colour map. Geometry is in points from the slide's top-left corner.
//
// The model is the first of three stages: readSlideModel() here, buildSlideScene() turns it
// into a display list (SlideScene.h), paintSlideScene() draws that (SlidePainter.h). The model
// owns everything it holds (decoded pictures included) and refers to nothing of the
// presentation, so it may outlive changes to it.

namespace engine::slide {

// A fill with its colours resolved.
struct Paint {
    enum class Kind { None, Solid, LinearGradient, RadialGradient, Picture };
    Kind kind = Kind::None;
    QColor color;                                 // Solid; the average colour of a pattern
    std::vector<std::pair<double, QColor>> stops; // gradients: position 0..1, colour
    double angle = 90;                            // linear gradients: degrees, clockwise from +x
    QImage image;                                 // Picture (null when the picture is unreadable)
    bool tile = false;
    QSizeF tileSize;     // Picture, tiled: the size of one tile in points
    QPointF tileOffset;  // Picture, tiled: where the tiling starts, from the box's top-left corner

    bool isVisible() const { return kind != Kind::None; }
};

// A line with its colour resolved; invisible when the shape has none.
struct Stroke {
    bool visible = false;
    QColor color = Qt::black;
    double width = 0.75;  // points
    QString dash;         // a:prstDash ("solid", "dash", "sysDot"...); "" for solid
    QString head;         // line end types ("triangle", "arrow"...); "" or "none" for none
    QString tail;
};

struct TextRun {
    QString text;       // "\n" for a line break
    QString family;     // the face the document names, theme references resolved
    double size = 18;   // points, before any autofit scale
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int baseline = 0;   // superscript > 0, subscript < 0, thousandths of a percent
    // "all": drawn in capitals, "small": lower-case letters as small capitals; the text keeps
    // the letters as written either way.
    QString capitals;
    QColor color = Qt::black;
};

struct Bullet {
    enum class Kind { None, Character, Number };
    Kind kind = Kind::None;
    QString character;     // Character
    QString scheme;        // Number: a:buAutoNum type ("arabicPeriod", "alphaLcParenR"...)
    int startAt = 1;
    QString family;        // "" for the text's own face
    double sizeScale = 1;  // a:buSzPct
    std::optional<QColor> color;  // a:buClr; the first run's colour when absent
};

struct TextParagraph {
    QString alignment = QStringLiteral("l");  // "l", "ctr", "r", "just", "dist"
    int level = 0;
    double marginLeft = 0;   // points, where the text starts
    double indent = 0;       // points, of the first line relative to marginLeft (negative: hanging)
    double lineSpacing = 1;  // a proportion of single spacing, when lineSpacingPoints is absent
    std::optional<double> lineSpacingPoints;
    double spaceBefore = 0;  // points
    double spaceAfter = 0;
    Bullet bullet;
    std::vector<TextRun> runs;
    TextRun end;             // the size and face an empty paragraph takes
};

struct TextFrame {
    double left = 7.2;  // insets, points
    double top = 3.6;
    double right = 7.2;
    double bottom = 3.6;
    QString anchor = QStringLiteral("t");  // "t", "ctr", "b"
    bool anchorCentered = false;
    bool wrap = true;
    QString autoFit;        // "normal" (shrink text on overflow), "shape", "" or "none"
    double fontScale = 1;   // a:normAutofit fontScale
    double lineSpacingReduction = 0;
    QString vertical;       // a:bodyPr vert; "" or "horz" for horizontal text
    std::vector<TextParagraph> paragraphs;

    bool hasText() const;
};

struct TableCell {
    TextFrame text;
    Paint fill;
    Stroke left, top, right, bottom;
    int columnSpan = 1;
    int rowSpan = 1;
    bool merged = false;  // covered by a neighbour's span: not drawn
};

struct Table {
    std::vector<double> columnWidths;  // points
    std::vector<double> rowHeights;    // points (the least height; text may need more)
    std::vector<std::vector<TableCell>> rows;
};

// A subpath of a custom geometry, in the path's own coordinate space (w x h).
struct CustomPath {
    QPainterPath path;
    double width = 0;
    double height = 0;
    bool filled = true;
    bool stroked = true;
};

struct SlideElement {
    enum class Kind { Shape, Picture, Table, Group, Chart, Unknown };
    Kind kind = Kind::Unknown;
    int id = 0;
    QString name;
    QString placeholder;  // ph type ("title", "body", "dt"...); "" for no placeholder
    QRectF frame;         // points on the slide (a group's children too)
    double rotation = 0;  // degrees clockwise
    bool flipH = false;
    bool flipV = false;

    // Shapes and pictures
    QString geometry;  // a:prstGeom prst; "custom" with customPaths; "" when none is given
    std::map<QString, double> adjustments;  // a:avLst guides written as "val N"
    std::vector<CustomPath> customPaths;
    Paint fill;
    Stroke line;
    std::optional<TextFrame> text;

    // Pictures: the decoded image (null when unreadable) and the part of it shown (a:srcRect),
    // as fractions of its width and height.
    QImage image;
    QRectF sourceRect{0, 0, 1, 1};

    Table table;
    std::vector<SlideElement> children;  // Group
    QString chartPart;                   // Chart: the chart part, "" when its link is broken
    QString what;                        // Unknown: what the element is ("p:contentPart"...)
};

struct SlideModel {
    QSizeF size;  // points
    Paint background;
    // Drawing order: the master's own shapes, the layout's, then the slide's.
    std::vector<SlideElement> elements;
    // What charts on the slide draw with: the master's theme and the slide's colour map.
    drawingml::Theme theme;
    drawingml::ColorMap colorMap = drawingml::ColorMap::standard();
    // Pictures left undecoded because SlideReadOptions put slow decodes off (their elements
    // and fills have null images); reading the slide again without that limit decodes them.
    int undecodedPictures = 0;
    // The slide shows its own number (a slide number field): read at another position, it
    // reads otherwise.
    bool showsNumber = false;
    QString slidePart;
    QString layoutPart;
    QString masterPart;
    QString themePart;
};

// Reads slide `index` (0-based) of the presentation with its layout, master and theme. Throws
// DocumentError naming the file and part when the slide cannot be read at all (malformed XML,
// no layout); what it cannot make sense of inside a readable slide becomes an Unknown element,
// or is left out (a picture that does not decode keeps its frame with a null image).
// Pictures are decoded at most 2400 pixels a side; a picture of more than kMaxPicturePixels
// source pixels is not decoded at all and keeps its frame with a null image, as decoding costs
// in proportion to the source's pixels even when scaled down (a compressed PNG of 60000 x 60000
// pixels takes half a minute), and slides are read as they are drawn.
inline constexpr qint64 kMaxPicturePixels = 64LL * 1024 * 1024;

// Pictures a window decodes while it lays out a slide: up to this many source pixels (a full-HD
// screenshot), or, when the header gives no size, this many bytes. Larger ones take from a
// tenth of a second to about a second each and are decoded on another thread.
inline constexpr qint64 kQuickPicturePixels = 2LL * 1024 * 1024;
inline constexpr qint64 kQuickPictureBytes = 1024 * 1024;

struct SlideReadOptions {
    // When set, a picture beyond kQuickPicturePixels (kQuickPictureBytes when its size is
    // unknown) is not decoded but counted in SlideModel::undecodedPictures.
    bool onlyQuickPictures = false;
};

SlideModel readSlideModel(const Presentation& presentation, int index, const SlideReadOptions& options = {});

}  // namespace engine::slide

#include "engine/slide/SlideScene.h"

#include "engine/text/FontResolver.h"

#include <QHash>
#include <QLinearGradient>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTextLayout>
#include <QtMath>
#include <cmath>

namespace engine::slide {

namespace {

constexpr double kLabelSize = 9;  // points, the name on an element drawn as an outline

const FontResolver& fonts() {
    static const FontResolver resolver;
    return resolver;
}

// Text is measured on a device of 72 dots per inch, where a point is a pixel.
QPaintDevice* measuringDevice() {
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = qRound(72 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

double adjust(const std::map<QString, double>& adjustments, const char* name, double fallback) {
    auto it = adjustments.find(QString::fromLatin1(name));
    if (it == adjustments.end() && QByteArray(name) == "adj1") it = adjustments.find(QStringLiteral("adj"));
    if (it == adjustments.end() && QByteArray(name) == "adj") it = adjustments.find(QStringLiteral("adj1"));
    return it != adjustments.end() ? it->second : fallback;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// A wedge from a callout's body to its tip (adjust values relative to the centre, as a
// fraction of the size in 100000ths).
QPainterPath withWedge(const QPainterPath& body, double w, double h, const std::map<QString, double>& a) {
    const QPointF tip(w / 2 + w * adjust(a, "adj1", -20833) / 100000.0, h / 2 + h * adjust(a, "adj2", 62500) / 100000.0);
    const QPointF centre(w / 2, h / 2);
    const QPointF d = tip - centre;
    QPointF p1, p2;
    if (std::abs(d.x()) * h > std::abs(d.y()) * w) {  // the tip lies beyond a side
        p1 = QPointF(centre.x(), h * 0.35);
        p2 = QPointF(centre.x(), h * 0.65);
    } else {
        p1 = QPointF(w * 0.35, centre.y());
        p2 = QPointF(w * 0.65, centre.y());
    }
    return body.united(polygon({p1, tip, p2}));
}

QPainterPath regular(int corners, double w, double h, double rotationDegrees, double innerRatio = 0) {
    QPainterPath path;
    const int n = innerRatio > 0 ? corners * 2 : corners;
    for (int i = 0; i < n; ++i) {
        const double angle = qDegreesToRadians(rotationDegrees + 360.0 * i / n);
        const double r = (innerRatio > 0 && i % 2 == 1) ? innerRatio : 1.0;
        const QPointF p(w / 2 + r * w / 2 * std::cos(angle), h / 2 + r * h / 2 * std::sin(angle));
        if (i == 0) path.moveTo(p);
        else path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

bool isLineGeometry(const QString& preset) {
    return preset == QLatin1String("line") || preset == QLatin1String("straightConnector1") ||
           preset.startsWith(QLatin1String("bentConnector")) || preset.startsWith(QLatin1String("curvedConnector"));
}

Qt::PenStyle penStyle(const QString& dash) {
    if (dash.isEmpty() || dash == QLatin1String("solid")) return Qt::SolidLine;
    if (dash == QLatin1String("dot") || dash == QLatin1String("sysDot")) return Qt::DotLine;
    if (dash.endsWith(QLatin1String("DashDotDot"))) return Qt::DashDotDotLine;
    if (dash.endsWith(QLatin1String("DashDot")) || dash == QLatin1String("dashDot")) return Qt::DashDotLine;
    return Qt::DashLine;
}

QPen pen(const Stroke& stroke) {
    if (!stroke.visible) return Qt::NoPen;
    QPen p(stroke.color, std::max(0.0, stroke.width), penStyle(stroke.dash), Qt::FlatCap, Qt::MiterJoin);
    if (stroke.width <= 0) p.setCosmetic(true);
    return p;
}

QBrush brush(const Paint& paint, const QRectF& box) {
    switch (paint.kind) {
    case Paint::Kind::Solid:
        return paint.color;
    case Paint::Kind::LinearGradient: {
        const double angle = qDegreesToRadians(paint.angle);
        const double half = (std::abs(box.width() * std::cos(angle)) + std::abs(box.height() * std::sin(angle))) / 2;
        const QPointF d(half * std::cos(angle), half * std::sin(angle));
        QLinearGradient g(box.center() - d, box.center() + d);
        for (const auto& [at, colour] : paint.stops) g.setColorAt(std::clamp(at, 0.0, 1.0), colour);
        return g;
    }
    case Paint::Kind::RadialGradient: {
        const double radius = std::hypot(box.width(), box.height()) / 2;
        QRadialGradient g(box.center(), radius);
        for (const auto& [at, colour] : paint.stops) g.setColorAt(std::clamp(at, 0.0, 1.0), colour);
        return g;
    }
    case Paint::Kind::Picture:
    case Paint::Kind::None:
        break;
    }
    return Qt::NoBrush;
}

QString tagOf(const char* kind, const SlideElement& e) {
    return QStringLiteral("%1 %2 \"%3\"").arg(QLatin1String(kind)).arg(e.id).arg(e.name);
}

QTransform placement(const SlideElement& e, bool flips) {
    if (e.rotation == 0 && (!flips || (!e.flipH && !e.flipV))) return {};
    const QPointF c = e.frame.center();
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(e.rotation);
    if (flips) t.scale(e.flipH ? -1 : 1, e.flipV ? -1 : 1);
    t.translate(-c.x(), -c.y());
    return t;
}

// ---------------------------------------------------------------------------------------
// Text layout

// The character a bullet shows. Symbol fonts (Wingdings, Symbol, the producers' own) place their
// bullets at letters or in the private use area; Linux has none of them, so the common ones are
// shown as the Unicode characters they look like, and any other as a round bullet.
QString bulletCharacter(const Bullet& bullet) {
    const QString c = bullet.character;
    if (c.isEmpty()) return QStringLiteral("\u2022");
    const QString face = bullet.family.toLower();
    if (face.startsWith(QLatin1String("wingdings"))) {
        static const QHash<QChar, QString> wingdings = {
            {u'\u00a7', QStringLiteral("\u25aa")}, {u'\u00d8', QStringLiteral("\u27a2")}, {u'\u00fc', QStringLiteral("\u2714")},
            {u'q', QStringLiteral("\u2751")},      {u'v', QStringLiteral("\u2756")},      {u'n', QStringLiteral("\u25a0")},
            {u'l', QStringLiteral("\u25cf")},      {u'\u00a8', QStringLiteral("\u25fb")}};
        return wingdings.value(c.front(), QStringLiteral("\u2022"));
    }
    if (face == QLatin1String("symbol") && c == QStringLiteral("\u00b7")) return QStringLiteral("\u2022");
    const char16_t code = c.front().unicode();
    if (code >= 0xE000 && code <= 0xF8FF) return QStringLiteral("\u2022");
    return c;
}

QString bulletText(const Bullet& bullet, int number) {
    if (bullet.kind == Bullet::Kind::Character) return bulletCharacter(bullet);
    const QString& s = bullet.scheme;
    QString core;
    if (s.startsWith(QLatin1String("alphaLc"))) core = QChar(u'a' + (number - 1) % 26);
    else if (s.startsWith(QLatin1String("alphaUc"))) core = QChar(u'A' + (number - 1) % 26);
    else if (s.startsWith(QLatin1String("romanLc")) || s.startsWith(QLatin1String("romanUc"))) {
        static const char* const ones[] = {"", "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix"};
        static const char* const tens[] = {"", "x", "xx", "xxx", "xl", "l", "lx", "lxx", "lxxx", "xc"};
        core = QString::fromLatin1(tens[(number / 10) % 10]) + QString::fromLatin1(ones[number % 10]);
        if (s.startsWith(QLatin1String("romanUc"))) core = core.toUpper();
    } else {
        core = QString::number(number);
    }
    if (s.endsWith(QLatin1String("ParenBoth"))) return u'(' + core + u')';
    if (s.endsWith(QLatin1String("ParenR"))) return core + u')';
    if (s.endsWith(QLatin1String("Plain"))) return core;
    return core + u'.';
}

QFont runFont(const TextRun& run, double scale) {
    QFont font = fonts().font(run.family, std::max(0.5, run.size * scale), run.bold, run.italic);
    font.setUnderline(run.underline);
    font.setStrikeOut(run.strike);
    if (run.capitals == QLatin1String("small")) font.setCapitalization(QFont::SmallCaps);
    return font;
}

struct LaidLine {
    std::vector<ScenePrimitive> runs;
};

// Lays out a text frame in box (slide points, before transform). Appends its primitives to out
// and answers the height the text needed (before the anchor moved it).
class TextLayouter {
public:
    TextLayouter(const TextFrame& frame, const QRectF& box, const QTransform& transform, const QString& tag)
        : m_frame(frame), m_box(box), m_transform(transform), m_tag(tag) {}

    void place(std::vector<ScenePrimitive>& out) {
        if (!m_frame.hasText()) return;
        QRectF box = m_box;
        QTransform transform = m_transform;
        // Vertical text: laid out across the rotated box.
        if (m_frame.vertical == QLatin1String("vert") || m_frame.vertical == QLatin1String("eaVert") ||
            m_frame.vertical == QLatin1String("vert270")) {
            const QPointF c = box.center();
            QTransform rotate;
            rotate.translate(c.x(), c.y());
            rotate.rotate(m_frame.vertical == QLatin1String("vert270") ? -90 : 90);
            rotate.translate(-c.x(), -c.y());
            transform = rotate * transform;
            box = QRectF(c.x() - box.height() / 2, c.y() - box.width() / 2, box.height(), box.width());
        }
        const QRectF inner = box.adjusted(m_frame.left, m_frame.top, -m_frame.right, -m_frame.bottom);
        double scale = m_frame.fontScale;
        std::vector<ScenePrimitive> laid;
        double height = layout(inner, scale, laid);
        // Shrink on overflow: what the office applications do for a body set to autofit, in the
        // steps they take, and no smaller than they go.
        while (m_frame.autoFit == QLatin1String("normal") && height > inner.height() + 0.5 && scale > 0.3) {
            scale *= 0.9;
            laid.clear();
            height = layout(inner, scale, laid);
        }
        double shift = 0;
        if (m_frame.anchor == QLatin1String("ctr")) shift = (inner.height() - height) / 2;
        else if (m_frame.anchor == QLatin1String("b")) shift = inner.height() - height;
        for (auto& p : laid) {
            p.origin.ry() += shift;
            p.transform = transform;
            out.push_back(std::move(p));
        }
    }

private:
    double layout(const QRectF& inner, double scale, std::vector<ScenePrimitive>& out) const {
        double y = inner.top();
        int number = 0;
        int previousLevel = -1;
        bool first = true;
        for (const TextParagraph& p : m_frame.paragraphs) {
            if (p.bullet.kind == Bullet::Kind::Number) {
                number = (previousLevel == p.level && number > 0) ? number + 1 : p.bullet.startAt;
            } else {
                number = 0;
            }
            previousLevel = p.level;
            if (!first) y += p.spaceBefore * scale;
            first = false;
            y = paragraph(p, inner, y, scale, number, out);
            y += p.spaceAfter * scale;
        }
        return y - inner.top();
    }

    double paragraph(const TextParagraph& p, const QRectF& inner, double y, double scale, int number,
                     std::vector<ScenePrimitive>& out) const {
        QString text;
        QList<QTextLayout::FormatRange> formats;
        std::vector<const TextRun*> runAt;  // the run of each format range
        for (const TextRun& run : p.runs) {
            // Capitals are laid out as such, so that lines break where the capitals make them.
            QString piece = run.capitals == QLatin1String("all") ? run.text.toUpper() : run.text;
            piece.replace(u'\n', QChar::LineSeparator);
            piece.replace(u'\t', u' ');
            if (piece.isEmpty()) continue;
            QTextLayout::FormatRange range;
            range.start = int(text.size());
            range.length = int(piece.size());
            range.format.setFont(runFont(run, scale));
            formats << range;
            runAt.push_back(&run);
            text += piece;
        }
        const TextRun& firstRun = p.runs.empty() ? p.end : p.runs.front();
        const bool hasText = !text.trimmed().isEmpty();

        // The bullet hangs at marginLeft + indent; the text starts at marginLeft, or after the
        // bullet when that is wider.
        double firstX = p.marginLeft + p.indent;
        ScenePrimitive bullet;
        bool withBullet = false;
        if (p.bullet.kind != Bullet::Kind::None && hasText) {
            TextRun b = firstRun;
            // A symbol font draws nothing useful here (see bulletCharacter): the text's face does.
            if (!p.bullet.family.isEmpty() && fonts().isInstalled(p.bullet.family)) b.family = p.bullet.family;
            b.size = firstRun.size * p.bullet.sizeScale;
            b.bold = b.italic = b.underline = b.strike = false;
            b.capitals.clear();
            bullet.kind = ScenePrimitive::Kind::Text;
            bullet.tag = m_tag + QStringLiteral(" bullet");
            bullet.text = bulletText(p.bullet, number);
            bullet.font = runFont(b, scale);
            bullet.color = p.bullet.color.value_or(firstRun.color);
            bullet.origin = QPointF(inner.left() + (p.marginLeft + p.indent) * scale, 0);
            const double width = FontResolver::measure(bullet.text + u' ', bullet.font, measuringDevice()).width();
            firstX = std::max(p.marginLeft * scale, (p.marginLeft + p.indent) * scale + width);
            withBullet = true;
        } else {
            firstX *= scale;
        }
        const double restX = p.marginLeft * scale;

        QTextLayout layout(text, runFont(firstRun, scale), measuringDevice());
        QTextOption option;
        option.setWrapMode(m_frame.wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::ManualWrap);
        layout.setTextOption(option);
        layout.setFormats(formats);
        layout.beginLayout();
        int lineNumber = 0;
        const double endHeight = FontResolver::measure(QStringLiteral("Ag"), runFont(p.end, scale), measuringDevice()).height();
        if (text.isEmpty()) {
            layout.endLayout();
            return y + lineAdvance(p, endHeight, scale);
        }
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid()) break;
            const double x0 = lineNumber == 0 ? firstX : restX;
            const double width = std::max(1.0, inner.width() - x0);
            line.setLineWidth(m_frame.wrap ? width : 1e6);
            const double natural = line.naturalTextWidth();
            double offset = 0;
            if (p.alignment == QLatin1String("ctr")) offset = (width - natural) / 2;
            else if (p.alignment == QLatin1String("r")) offset = width - natural;
            // Single spacing is 1.2 times the largest size on the line, as the office
            // applications set it, or the font's own height where that is more.
            double largest = 0;
            for (qsizetype r = 0; r < formats.size(); ++r) {
                if (formats[r].start < line.textStart() + line.textLength() && formats[r].start + formats[r].length > line.textStart())
                    largest = std::max(largest, formats[r].format.font().pointSizeF());
            }
            const double lineHeight = std::max(line.ascent() + line.descent(), 1.2 * largest);
            // The first line's baseline sits at its ascent scaled like the spacing, as the
            // office applications put extra spacing above the text.
            const double advance = lineAdvance(p, lineHeight, scale);
            const double baseline = y + advance - line.descent() * (p.lineSpacingPoints ? 1 : p.lineSpacing);
            if (lineNumber == 0 && withBullet) {
                bullet.origin.setY(baseline);
                out.push_back(bullet);
            }
            const int start = line.textStart();
            const int end = start + line.textLength();
            for (qsizetype r = 0; r < formats.size(); ++r) {
                const int a = std::max(start, formats[r].start);
                const int b = std::min(end, formats[r].start + formats[r].length);
                if (a >= b) continue;
                QString piece = text.mid(a, b - a);
                piece.remove(QChar::LineSeparator);
                if (piece.isEmpty()) continue;
                ScenePrimitive prim;
                prim.kind = ScenePrimitive::Kind::Text;
                prim.tag = m_tag;
                prim.text = piece;
                prim.font = formats[r].format.font();
                prim.color = runAt[size_t(r)]->color;
                const double x = inner.left() + x0 + offset + line.cursorToX(a);
                double shiftY = 0;
                if (runAt[size_t(r)]->baseline != 0)
                    shiftY = -runAt[size_t(r)]->baseline / 100000.0 * runAt[size_t(r)]->size * scale;
                prim.origin = QPointF(x, baseline + shiftY);
                out.push_back(std::move(prim));
            }
            y += advance;
            ++lineNumber;
        }
        layout.endLayout();
        return y;
    }

    static double lineAdvance(const TextParagraph& p, double lineHeight, double scale) {
        if (p.lineSpacingPoints) return *p.lineSpacingPoints * scale;
        return lineHeight * p.lineSpacing;
    }

    const TextFrame& m_frame;
    QRectF m_box;
    QTransform m_transform;
    QString m_tag;
};

// ---------------------------------------------------------------------------------------

class SceneBuilder {
public:
    explicit SceneBuilder(SlideScene& scene) : m_scene(scene) {}

    void background(const Paint& paint) {
        const QRectF page(QPointF(0, 0), m_scene.size);
        if (paint.kind == Paint::Kind::Picture && paint.tile && !paint.tileSize.isEmpty()) {
            ScenePrimitive p;
            p.tag = QStringLiteral("background");
            p.path.addRect(page);
            QBrush tiles(paint.image);
            QTransform t;
            t.translate(paint.tileOffset.x(), paint.tileOffset.y());
            t.scale(paint.tileSize.width() / paint.image.width(), paint.tileSize.height() / paint.image.height());
            tiles.setTransform(t);
            p.brush = tiles;
            m_scene.items.push_back(std::move(p));
            return;
        }
        if (paint.kind == Paint::Kind::Picture) {
            image(QStringLiteral("background"), paint.image, QRectF(QPointF(0, 0), QSizeF(paint.image.size())), page, {}, {});
            return;
        }
        ScenePrimitive p;
        p.tag = QStringLiteral("background");
        p.path.addRect(page);
        p.brush = paint.isVisible() ? brush(paint, page) : QBrush(Qt::white);
        m_scene.items.push_back(std::move(p));
    }

    void element(const SlideElement& e, const QTransform& parent) {
        switch (e.kind) {
        case SlideElement::Kind::Shape:
            shape(e, parent);
            break;
        case SlideElement::Kind::Picture:
            picture(e, parent);
            break;
        case SlideElement::Kind::Table:
            table(e, parent);
            break;
        case SlideElement::Kind::Group: {
            const QTransform t = placement(e, true) * parent;
            for (const auto& child : e.children) element(child, t);
            break;
        }
        case SlideElement::Kind::Chart: {
            ScenePrimitive p;
            p.kind = ScenePrimitive::Kind::Chart;
            p.tag = tagOf("chart", e);
            p.transform = parent;
            p.rect = e.frame;
            p.chartPart = e.chartPart;
            p.name = e.name;
            m_scene.items.push_back(std::move(p));
            break;
        }
        case SlideElement::Kind::Unknown:
            outline(e, parent, e.what);
            break;
        }
    }

private:
    void image(const QString& tag, const QImage& img, const QRectF& source, const QRectF& rect, const QTransform& t,
               const QPainterPath& clip) {
        ScenePrimitive p;
        p.kind = ScenePrimitive::Kind::Image;
        p.tag = tag;
        p.image = img;
        p.source = source;
        p.rect = rect;
        p.transform = t;
        p.clip = clip;
        m_scene.items.push_back(std::move(p));
    }

    // An element drawn as a thin outline with its name (and what it is).
    void outline(const SlideElement& e, const QTransform& parent, const QString& what) {
        if (e.frame.isEmpty()) return;
        ScenePrimitive box;
        box.tag = tagOf("unknown", e);
        box.transform = placement(e, false) * parent;
        box.path.addRect(e.frame);
        QPen thin(QColor(0x90, 0x90, 0x90), 0.75, Qt::DashLine);
        box.pen = thin;
        m_scene.items.push_back(box);
        ScenePrimitive label;
        label.kind = ScenePrimitive::Kind::Text;
        label.tag = box.tag + QStringLiteral(" label");
        label.transform = box.transform;
        label.text = what.isEmpty() ? e.name : QStringLiteral("%1 (%2)").arg(e.name, what);
        label.font = fonts().font(QStringLiteral("Arial"), kLabelSize);
        label.color = QColor(0x60, 0x60, 0x60);
        label.origin = e.frame.topLeft() + QPointF(3, 3 + kLabelSize);
        m_scene.items.push_back(std::move(label));
    }

    QPainterPath geometryPath(const SlideElement& e, bool* known) const {
        *known = true;
        const QRectF f = e.frame;
        QPainterPath path;
        if (e.geometry == QLatin1String("custom") && !e.customPaths.empty()) {
            for (const auto& cp : e.customPaths) {
                QTransform scale;
                scale.translate(f.x(), f.y());
                scale.scale(f.width() / cp.width, f.height() / cp.height);
                path.addPath(scale.map(cp.path));
            }
            return path;
        }
        const QString preset = e.geometry.isEmpty() ? QStringLiteral("rect") : e.geometry;
        path = presetPath(preset, f.width(), f.height(), e.adjustments);
        if (path.isEmpty()) {
            *known = false;
            path.addRect(0, 0, f.width(), f.height());
        }
        return path.translated(f.topLeft());
    }

    void arrowHead(const QPointF& tip, const QPointF& from, const Stroke& s, const QTransform& t, const QString& tag) {
        const QPointF d = tip - from;
        const double len = std::hypot(d.x(), d.y());
        if (len <= 0) return;
        const QPointF u = d / len;
        const QPointF n(-u.y(), u.x());
        const double size = std::max(3.0, s.width * 3);
        ScenePrimitive p;
        p.tag = tag + QStringLiteral(" arrow");
        p.transform = t;
        p.path = polygon({tip, tip - u * size + n * size / 2, tip - u * size - n * size / 2});
        p.brush = s.color;
        m_scene.items.push_back(std::move(p));
    }

    void shape(const SlideElement& e, const QTransform& parent) {
        const QString tag = tagOf("shape", e);
        const QTransform t = placement(e, true) * parent;
        bool known = true;
        const QPainterPath path = geometryPath(e, &known);
        const bool line = isLineGeometry(e.geometry);
        if (!known) {
            outline(e, parent, e.geometry);
        } else if (e.fill.kind == Paint::Kind::Picture) {
            image(tag, e.fill.image, QRectF(QPointF(0, 0), QSizeF(e.fill.image.size())), e.frame, t, path);
        }
        if (known && (e.fill.isVisible() || e.line.visible)) {
            ScenePrimitive p;
            p.tag = tag;
            p.transform = t;
            p.path = path;
            if (!line && e.fill.kind != Paint::Kind::Picture) p.brush = brush(e.fill, e.frame);
            p.pen = pen(e.line);
            if (e.geometry == QLatin1String("custom")) {
                // Paths that say they are not stroked or not filled keep to it.
                bool anyFilled = false, anyStroked = false;
                for (const auto& cp : e.customPaths) {
                    anyFilled |= cp.filled;
                    anyStroked |= cp.stroked;
                }
                if (!anyFilled) p.brush = Qt::NoBrush;
                if (!anyStroked) p.pen = Qt::NoPen;
            }
            m_scene.items.push_back(std::move(p));
            if (line && e.line.visible) {
                const QRectF f = e.frame;
                const QPointF a = f.topLeft(), b = f.bottomRight();
                const QPointF before = path.elementCount() > 1 ? QPointF(path.elementAt(path.elementCount() - 2)) : a;
                const QPointF after = path.elementCount() > 1 ? QPointF(path.elementAt(1)) : b;
                if (!e.line.tail.isEmpty() && e.line.tail != QLatin1String("none")) arrowHead(b, before, e.line, t, tag);
                if (!e.line.head.isEmpty() && e.line.head != QLatin1String("none")) arrowHead(a, after, e.line, t, tag);
            }
        }
        if (e.text) TextLayouter(*e.text, e.frame, placement(e, false) * parent, tag + QStringLiteral(" text")).place(m_scene.items);
    }

    void picture(const SlideElement& e, const QTransform& parent) {
        const QString tag = tagOf("picture", e);
        const QTransform t = placement(e, true) * parent;
        if (e.image.isNull()) {
            outline(e, parent, QStringLiteral("picture"));
            return;
        }
        QPainterPath clip;
        if (!e.geometry.isEmpty() && e.geometry != QLatin1String("rect")) {
            bool known = true;
            clip = geometryPath(e, &known);
        }
        const QSizeF size = e.image.size();
        const QRectF source(e.sourceRect.x() * size.width(), e.sourceRect.y() * size.height(),
                            e.sourceRect.width() * size.width(), e.sourceRect.height() * size.height());
        image(tag, e.image, source, e.frame, t, clip);
        if (e.line.visible) {
            ScenePrimitive p;
            p.tag = tag + QStringLiteral(" line");
            p.transform = t;
            if (clip.isEmpty()) p.path.addRect(e.frame);
            else p.path = clip;
            p.pen = pen(e.line);
            m_scene.items.push_back(std::move(p));
        }
    }

    void table(const SlideElement& e, const QTransform& parent) {
        const Table& table = e.table;
        const QTransform t = placement(e, false) * parent;
        std::vector<double> xs{e.frame.left()};
        for (double w : table.columnWidths) xs.push_back(xs.back() + w);
        // Rows grow to hold their text.
        std::vector<double> heights = table.rowHeights;
        for (size_t r = 0; r < table.rows.size(); ++r) {
            for (size_t c = 0; c < table.rows[r].size() && c + 1 < xs.size(); ++c) {
                const TableCell& cell = table.rows[r][c];
                if (cell.merged || cell.rowSpan > 1) continue;
                const size_t last = std::min(xs.size() - 1, c + size_t(cell.columnSpan));
                std::vector<ScenePrimitive> scratch;
                TextFrame measure = cell.text;
                measure.anchor = QStringLiteral("t");
                const QRectF box(xs[c], 0, xs[last] - xs[c], 1e6);
                TextLayouter(measure, box, {}, QString()).place(scratch);
                double bottom = 0;
                for (const auto& p : scratch) bottom = std::max(bottom, p.origin.y() + QFontMetricsF(p.font, measuringDevice()).descent());
                if (!scratch.empty()) heights[r] = std::max(heights[r], bottom + cell.text.bottom);
            }
        }
        std::vector<double> ys{e.frame.top()};
        for (double h : heights) ys.push_back(ys.back() + h);

        for (size_t r = 0; r < table.rows.size(); ++r) {
            for (size_t c = 0; c < table.rows[r].size() && c + 1 < xs.size(); ++c) {
                const TableCell& cell = table.rows[r][c];
                if (cell.merged) continue;
                const size_t lastC = std::min(xs.size() - 1, c + size_t(cell.columnSpan));
                const size_t lastR = std::min(ys.size() - 1, r + size_t(cell.rowSpan));
                const QRectF box(QPointF(xs[c], ys[r]), QPointF(xs[lastC], ys[lastR]));
                const QString tag = tagOf("table", e) + QStringLiteral(" cell %1,%2").arg(r + 1).arg(c + 1);
                if (cell.fill.isVisible()) {
                    ScenePrimitive p;
                    p.tag = tag;
                    p.transform = t;
                    p.path.addRect(box);
                    p.brush = brush(cell.fill, box);
                    p.antialias = false;
                    m_scene.items.push_back(std::move(p));
                }
                const std::pair<const Stroke*, QLineF> sides[] = {
                    {&cell.left, QLineF(box.topLeft(), box.bottomLeft())},
                    {&cell.right, QLineF(box.topRight(), box.bottomRight())},
                    {&cell.top, QLineF(box.topLeft(), box.topRight())},
                    {&cell.bottom, QLineF(box.bottomLeft(), box.bottomRight())}};
                for (const auto& [stroke, segment] : sides) {
                    if (!stroke->visible) continue;
                    ScenePrimitive p;
                    p.tag = tag + QStringLiteral(" border");
                    p.transform = t;
                    p.path.moveTo(segment.p1());
                    p.path.lineTo(segment.p2());
                    p.pen = pen(*stroke);
                    m_scene.items.push_back(std::move(p));
                }
                TextLayouter(cell.text, box, t, tag + QStringLiteral(" text")).place(m_scene.items);
            }
        }
    }

    SlideScene& m_scene;
};

}  // namespace

QPainterPath presetPath(const QString& preset, double w, double h, const std::map<QString, double>& a) {
    const double ss = std::min(w, h);
    QPainterPath path;
    if (preset == QLatin1String("rect") || preset == QLatin1String("flowChartProcess") ||
        preset == QLatin1String("textBox")) {
        path.addRect(0, 0, w, h);
    } else if (preset == QLatin1String("roundRect") || preset == QLatin1String("flowChartAlternateProcess")) {
        const double r = ss * std::clamp(adjust(a, "adj", 16667), 0.0, 50000.0) / 100000.0;
        path.addRoundedRect(0, 0, w, h, r, r);
    } else if (preset == QLatin1String("ellipse") || preset == QLatin1String("flowChartConnector")) {
        path.addEllipse(0, 0, w, h);
    } else if (preset == QLatin1String("flowChartTerminator")) {
        path.addRoundedRect(0, 0, w, h, ss / 2, ss / 2);
    } else if (preset == QLatin1String("line") || preset == QLatin1String("straightConnector1")) {
        path.moveTo(0, 0);
        path.lineTo(w, h);
    } else if (preset == QLatin1String("bentConnector2")) {
        path.moveTo(0, 0);
        path.lineTo(w, 0);
        path.lineTo(w, h);
    } else if (preset.startsWith(QLatin1String("bentConnector"))) {
        const double x = w * adjust(a, "adj1", 50000) / 100000.0;
        path.moveTo(0, 0);
        path.lineTo(x, 0);
        path.lineTo(x, h);
        path.lineTo(w, h);
    } else if (preset.startsWith(QLatin1String("curvedConnector"))) {
        const double x = w * adjust(a, "adj1", 50000) / 100000.0;
        path.moveTo(0, 0);
        path.cubicTo(x, 0, x, h, w, h);
    } else if (preset == QLatin1String("triangle") || preset == QLatin1String("flowChartExtract")) {
        const double x = w * std::clamp(adjust(a, "adj", 50000), 0.0, 100000.0) / 100000.0;
        path = polygon({{x, 0}, {w, h}, {0, h}});
    } else if (preset == QLatin1String("rtTriangle")) {
        path = polygon({{0, 0}, {w, h}, {0, h}});
    } else if (preset == QLatin1String("diamond") || preset == QLatin1String("flowChartDecision")) {
        path = polygon({{w / 2, 0}, {w, h / 2}, {w / 2, h}, {0, h / 2}});
    } else if (preset == QLatin1String("parallelogram") || preset == QLatin1String("flowChartInputOutput")) {
        const double x = preset == QLatin1String("parallelogram") ? ss * adjust(a, "adj", 25000) / 100000.0 : w / 5;
        path = polygon({{x, 0}, {w, 0}, {w - x, h}, {0, h}});
    } else if (preset == QLatin1String("trapezoid")) {
        const double x = ss * adjust(a, "adj", 25000) / 100000.0;
        path = polygon({{0, h}, {x, 0}, {w - x, 0}, {w, h}});
    } else if (preset == QLatin1String("pentagon")) {
        path = regular(5, w, h, -90);
    } else if (preset == QLatin1String("hexagon")) {
        const double x = ss * adjust(a, "adj", 25000) / 100000.0;
        path = polygon({{x, 0}, {w - x, 0}, {w, h / 2}, {w - x, h}, {x, h}, {0, h / 2}});
    } else if (preset == QLatin1String("octagon")) {
        const double x = ss * adjust(a, "adj", 29289) / 100000.0;
        path = polygon({{x, 0}, {w - x, 0}, {w, x}, {w, h - x}, {w - x, h}, {x, h}, {0, h - x}, {0, x}});
    } else if (preset == QLatin1String("plus")) {
        const double x = ss * adjust(a, "adj", 25000) / 100000.0;
        path = polygon({{x, 0}, {w - x, 0}, {w - x, x}, {w, x}, {w, h - x}, {w - x, h - x}, {w - x, h}, {x, h},
                        {x, h - x}, {0, h - x}, {0, x}, {x, x}});
    } else if (preset == QLatin1String("star5")) {
        path = regular(5, w, h, -90, 0.38);
    } else if (preset == QLatin1String("rightArrow") || preset == QLatin1String("leftArrow")) {
        const double half = h * std::clamp(adjust(a, "adj1", 50000), 0.0, 100000.0) / 200000.0;
        const double head = std::min(w, ss * adjust(a, "adj2", 50000) / 100000.0);
        path = polygon({{0, h / 2 - half}, {w - head, h / 2 - half}, {w - head, 0}, {w, h / 2}, {w - head, h},
                        {w - head, h / 2 + half}, {0, h / 2 + half}});
        if (preset == QLatin1String("leftArrow")) path = QTransform(-1, 0, 0, 1, w, 0).map(path);
    } else if (preset == QLatin1String("downArrow") || preset == QLatin1String("upArrow")) {
        const double half = w * std::clamp(adjust(a, "adj1", 50000), 0.0, 100000.0) / 200000.0;
        const double head = std::min(h, ss * adjust(a, "adj2", 50000) / 100000.0);
        path = polygon({{w / 2 - half, 0}, {w / 2 + half, 0}, {w / 2 + half, h - head}, {w, h - head}, {w / 2, h},
                        {0, h - head}, {w / 2 - half, h - head}});
        if (preset == QLatin1String("upArrow")) path = QTransform(1, 0, 0, -1, 0, h).map(path);
    } else if (preset == QLatin1String("leftRightArrow")) {
        const double half = h * std::clamp(adjust(a, "adj1", 50000), 0.0, 100000.0) / 200000.0;
        const double head = std::min(w / 2, ss * adjust(a, "adj2", 50000) / 100000.0);
        path = polygon({{0, h / 2}, {head, 0}, {head, h / 2 - half}, {w - head, h / 2 - half}, {w - head, 0},
                        {w, h / 2}, {w - head, h}, {w - head, h / 2 + half}, {head, h / 2 + half}, {head, h}});
    } else if (preset == QLatin1String("chevron")) {
        const double x = std::min(w, ss * adjust(a, "adj", 50000) / 100000.0);
        path = polygon({{0, 0}, {w - x, 0}, {w, h / 2}, {w - x, h}, {0, h}, {x, h / 2}});
    } else if (preset == QLatin1String("homePlate")) {
        const double x = std::min(w, ss * adjust(a, "adj", 50000) / 100000.0);
        path = polygon({{0, 0}, {w - x, 0}, {w, h / 2}, {w - x, h}, {0, h}});
    } else if (preset == QLatin1String("wedgeRectCallout")) {
        QPainterPath body;
        body.addRect(0, 0, w, h);
        path = withWedge(body, w, h, a);
    } else if (preset == QLatin1String("wedgeRoundRectCallout")) {
        QPainterPath body;
        body.addRoundedRect(0, 0, w, h, ss / 6, ss / 6);
        path = withWedge(body, w, h, a);
    } else if (preset == QLatin1String("wedgeEllipseCallout") || preset == QLatin1String("cloudCallout")) {
        QPainterPath body;
        body.addEllipse(0, 0, w, h);
        path = withWedge(body, w, h, a);
    } else if (preset.contains(QLatin1String("Callout")) && preset.back().isDigit()) {
        // Line callouts (callout1, borderCallout2, accentCallout3...): the box and a line from
        // it; the adjust pairs are y, x of each point as fractions of the size.
        path.addRect(0, 0, w, h);
        const double y1 = h * adjust(a, "adj1", 18750) / 100000.0, x1 = w * adjust(a, "adj2", -8333) / 100000.0;
        const double y2 = h * adjust(a, "adj3", 112500) / 100000.0, x2 = w * adjust(a, "adj4", -38333) / 100000.0;
        path.moveTo(x1, y1);
        path.lineTo(x2, y2);
    }
    return path;
}

std::vector<const ScenePrimitive*> SlideScene::tagged(const QString& prefix) const {
    std::vector<const ScenePrimitive*> result;
    for (const auto& p : items)
        if (p.tag.startsWith(prefix)) result.push_back(&p);
    return result;
}

QString SlideScene::textOf(const QString& prefix) const {
    QString text;
    double lastY = std::numeric_limits<double>::quiet_NaN();
    for (const auto* p : tagged(prefix)) {
        if (p->kind != ScenePrimitive::Kind::Text || p->tag.endsWith(QLatin1String(" bullet"))) continue;
        if (!text.isEmpty() && std::abs(p->origin.y() - lastY) > 0.5) text += u'\n';
        text += p->text;
        lastY = p->origin.y();
    }
    return text;
}

SlideScene buildSlideScene(const SlideModel& model) {
    SlideScene scene;
    scene.size = model.size;
    SceneBuilder builder(scene);
    builder.background(model.background);
    for (const auto& e : model.elements) builder.element(e, {});
    return scene;
}

}  // namespace engine::slide

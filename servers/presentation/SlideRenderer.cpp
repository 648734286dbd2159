#include "servers/presentation/SlideRenderer.h"

#include "servers/presentation/PresentationDocument.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace servers {

namespace {

constexpr double kEmuPerPoint = 12700.0;

QRectF onPage(const engine::EmuRect& r, const QRectF& page, double scale) {
    return {page.left() + r.x * scale, page.top() + r.y * scale, r.cx * scale, r.cy * scale};
}

bool isTitle(const QString& placeholder) {
    return placeholder == "title" || placeholder == "ctrTitle";
}

// Where a placeholder that takes its place from the layout is drawn: titles at the top, other
// text below them. Close enough for a preview; the file keeps the layout's own geometry.
QRectF defaultFrame(const engine::SlideShape& shape, const QRectF& page) {
    if (isTitle(shape.placeholderType))
        return {page.left() + page.width() * 0.05, page.top() + page.height() * 0.06, page.width() * 0.9,
                page.height() * 0.18};
    return {page.left() + page.width() * 0.05, page.top() + page.height() * 0.28, page.width() * 0.9,
            page.height() * 0.62};
}

void drawText(QPainter& painter, const engine::SlideShape& shape, const QRectF& frame, double scale) {
    const QString text = shape.paragraphs.join(u'\n');
    if (text.trimmed().isEmpty()) return;
    QFont font(QStringLiteral("Arial"));
    const double points = isTitle(shape.placeholderType) ? 40.0 : 18.0;
    font.setPixelSize(std::max(1, int(points * kEmuPerPoint * scale)));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int align = shape.placeholderType == "ctrTitle" || shape.placeholderType == "subTitle"
                          ? Qt::AlignHCenter | Qt::AlignVCenter
                          : Qt::AlignLeft | Qt::AlignTop;
    painter.drawText(frame, align | Qt::TextWordWrap, text);
}

void drawChartBox(QPainter& painter, const QString& caption, const QRectF& frame, double scale) {
    painter.setPen(QPen(QColor(0x2E, 0x6D, 0xB4), std::max(1.0, 19050 * scale), Qt::DashLine));
    painter.setBrush(QColor(0xE8, 0xEC, 0xF1));
    painter.drawRect(frame);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, int(14 * kEmuPerPoint * scale)));
    painter.setFont(font);
    painter.setPen(QColor(0x1F, 0x2A, 0x44));
    painter.drawText(frame.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, caption);
}

}  // namespace

QRectF fittedSlideRect(const QRectF& bounds, const PresentationDocument& document) {
    const double w = double(document.presentation().slideWidth());
    const double h = double(document.presentation().slideHeight());
    const double scale = std::min(bounds.width() / w, bounds.height() / h);
    const QSizeF size(w * scale, h * scale);
    return {bounds.center() - QPointF(size.width() / 2, size.height() / 2), size};
}

QString chartPlaceholderText(const QString& name, const engine::ChartSummary& summary) {
    QString kind = summary.kind.isEmpty() ? QStringLiteral("Chart") : summary.kind;
    QString line = kind + QStringLiteral(" chart");
    if (!summary.title.isEmpty()) line += QStringLiteral(": \"%1\"").arg(summary.title);
    return name + u'\n' + line + QStringLiteral("\n(placeholder: charts are not drawn yet)");
}

void renderSlide(QPainter& painter, const QRectF& target, const PresentationDocument& document, int index) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF page = fittedSlideRect(target, document);
    painter.setPen(QColor(0xB0, 0xB0, 0xB0));
    painter.setBrush(Qt::white);
    painter.drawRect(page);
    const double scale = page.width() / double(document.presentation().slideWidth());

    std::vector<engine::SlideShape> shapes;
    try {
        shapes = document.presentation().slideShapes(index);
    } catch (const engine::DocumentError& e) {
        painter.setPen(Qt::darkRed);
        painter.drawText(page, Qt::AlignCenter | Qt::TextWordWrap, e.message());
        painter.restore();
        return;
    }
    painter.setClipRect(page);
    for (const auto& shape : shapes) {
        const QRectF frame = shape.hasFrame ? onPage(shape.frame, page, scale) : defaultFrame(shape, page);
        switch (shape.kind) {
        case engine::SlideShape::Kind::Text:
            drawText(painter, shape, frame, scale);
            break;
        case engine::SlideShape::Kind::Picture: {
            const QString part = document.presentation().slideTarget(index, shape.relId);
            QImage image;
            if (!part.isEmpty() && document.presentation().package().hasPart(part))
                image = QImage::fromData(document.presentation().package().part(part));
            if (image.isNull()) {
                painter.setPen(Qt::gray);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(frame);
            } else {
                painter.drawImage(frame, image);
            }
            break;
        }
        case engine::SlideShape::Kind::Chart: {
            const QString part = document.presentation().slideTarget(index, shape.relId);
            engine::ChartSummary summary;
            if (!part.isEmpty()) summary = document.chartSummary(part);
            drawChartBox(painter, chartPlaceholderText(shape.name, summary), frame, scale);
            break;
        }
        case engine::SlideShape::Kind::Other:
            if (shape.hasFrame) {
                painter.setPen(QPen(Qt::lightGray, 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(frame);
            }
            break;
        }
    }
    painter.restore();
}

}  // namespace servers

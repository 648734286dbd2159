#include "engine/chart/ChartRenderer.h"

#include "engine/package/FileReplacement.h"
#include "engine/package/Package.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace engine::chart {

namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;

QByteArray svgBytes(const ChartScene& scene, QSizeF size) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(72);  // one unit per point
    svg.setSize(QSize(int(std::ceil(size.width())), int(std::ceil(size.height()))));
    svg.setViewBox(QRectF(QPointF(0, 0), size));
    QPainter painter(&svg);
    paintChartScene(scene, painter, QRectF(QPointF(0, 0), size));
    painter.end();
    return buffer.data();
}

QByteArray pdfBytes(const ChartScene& scene, QSizeF size) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(72 * 10);  // ten device units per point keeps text placement fine-grained
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(QPageSize(size, QPageSize::Point, QString(), QPageSize::ExactMatch));
    QPainter painter(&pdf);
    paintChartScene(scene, painter, QRectF(0, 0, size.width() * 10, size.height() * 10));
    painter.end();
    return buffer.data();
}

}  // namespace

QImage renderChartImage(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                        double scale) {
    if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
    const double k = kPixelsPerPoint * scale;
    const QSize pixels(std::max(1, int(std::lround(sizeInPoints.width() * k))),
                       std::max(1, int(std::lround(sizeInPoints.height() * k))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter = int(std::lround(96 * scale / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::transparent);
    const ChartScene scene = buildChartScene(chart, context, sizeInPoints, k);
    QPainter painter(&image);
    paintChartScene(scene, painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    return image;
}

void writeChartPicture(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                       PictureFormat format, double scale, const QString& path) {
    QByteArray bytes;
    if (format == PictureFormat::Png) {
        const QImage image = renderChartImage(chart, context, sizeInPoints, scale);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            throw DocumentError(DocumentError::Kind::Io, path, QString(), QStringLiteral("the picture could not be encoded as PNG"));
    } else {
        // Vector pictures get zoomed: keep detail for eight pixels per point.
        const ChartScene scene = buildChartScene(chart, context, sizeInPoints, 8);
        bytes = format == PictureFormat::Svg ? svgBytes(scene, sizeInPoints) : pdfBytes(scene, sizeInPoints);
    }
    // Every write checked through to the flush: a picture replaced by a half-written one on
    // a full disk would be lost without a word.
    writeFileAtomically(path, bytes, path);
}

}  // namespace engine::chart

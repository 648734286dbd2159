#include "engine/chartdraw/ChartRenderer.h"

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
    return renderSceneImage(sizeInPoints, scale, [&](double pixelsPerPoint) {
        return buildChartScene(chart, context, sizeInPoints, pixelsPerPoint);
    });
}

QImage renderSceneImage(QSizeF sizeInPoints, double scale, const std::function<ChartScene(double)>& scene) {
    if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
    const double k = kPixelsPerPoint * scale;
    // Checked in floating point, before any conversion to int: a frame's extent goes up to
    // 2^44 EMU.
    const double width = std::max(1.0, std::round(sizeInPoints.width() * k));
    const double height = std::max(1.0, std::round(sizeInPoints.height() * k));
    if (!(width <= kMaxImageSide && height <= kMaxImageSide && width * height <= double(kMaxImagePixels))) {
        throw DocumentError(DocumentError::Kind::OverLimit,
                            QStringLiteral("a picture of %1 x %2 pixels is too large to draw (at most %3 pixels a "
                                           "side and %4 million in all)")
                                .arg(width, 0, 'f', 0)
                                .arg(height, 0, 'f', 0)
                                .arg(kMaxImageSide)
                                .arg(kMaxImagePixels / (1024 * 1024)));
    }
    const QSize pixels{int(width), int(height)};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter = int(std::lround(std::clamp(96 * scale / 0.0254, 1.0, 1e9)));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintChartScene(scene(k), painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    return image;
}

double scaleWithinImageBounds(QSizeF sizeInPoints, double scale) {
    if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
    const double w = std::max(sizeInPoints.width() * kPixelsPerPoint, 1e-9);
    const double h = std::max(sizeInPoints.height() * kPixelsPerPoint, 1e-9);
    // Rounding may add half a pixel each way: a little room is kept.
    const double fit = std::min({(kMaxImageSide - 1) / w, (kMaxImageSide - 1) / h,
                                 std::sqrt(double(kMaxImagePixels) / ((w + 1) * (h + 1)))});
    return std::min(scale, fit);
}

void writeChartPicture(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                       PictureFormat format, double scale, const QString& path) {
    writeScenePicture(sizeInPoints, format, scale, path, [&](double pixelsPerPoint) {
        return buildChartScene(chart, context, sizeInPoints, pixelsPerPoint);
    });
}

void writeScenePicture(QSizeF sizeInPoints, PictureFormat format, double scale, const QString& path,
                       const std::function<ChartScene(double)>& scene) {
    QByteArray bytes;
    if (format == PictureFormat::Png) {
        const QImage image = renderSceneImage(sizeInPoints, scale, scene);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            throw DocumentError(DocumentError::Kind::Io, path, QString(), QStringLiteral("the picture could not be encoded as PNG"));
    } else {
        // Vector pictures get zoomed: keep detail for eight pixels per point.
        const ChartScene built = scene(8);
        bytes = format == PictureFormat::Svg ? svgBytes(built, sizeInPoints) : pdfBytes(built, sizeInPoints);
    }
    // Every write checked through to the flush: a picture replaced by a half-written one on
    // a full disk would be lost without a word.
    writeFileAtomically(path, bytes, path);
}

}  // namespace engine::chart

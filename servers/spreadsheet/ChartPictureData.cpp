#include "servers/spreadsheet/ChartPictureData.h"

#include "engine/chartcopy/ChartLook.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/drawingml/Units.h"

#include <QBuffer>

namespace servers {

namespace {

constexpr const char* kPng = "image/png";
constexpr const char* kQtImage = "application/x-qt-image";
constexpr double kEmuPerPoint = 12700.0;
// A chart whose anchor gives no size gets the spreadsheet's default chart size.

}  // namespace

ChartPictureData::ChartPictureData(std::shared_ptr<const engine::ChartPackage> package)
    : engine::ChartPackageData(std::move(package)) {}

QStringList ChartPictureData::formats() const {
    QStringList list = engine::ChartPackageData::formats();
    list << QString::fromLatin1(kPng) << QString::fromLatin1(kQtImage);
    return list;
}

bool ChartPictureData::hasFormat(const QString& mimeType) const {
    return mimeType == QLatin1String(kPng) || mimeType == QLatin1String(kQtImage) || engine::ChartPackageData::hasFormat(mimeType);
}

QImage ChartPictureData::picture() const {
    if (m_picture) return *m_picture;
    QImage image;
    if (!this->package()) return image;
    try {
        const engine::ChartPackage& package = *this->package();
        const auto& part = package.chartPart();
        const engine::chart::ChartSpace chart = engine::chart::readChartSpace(part.data, package.sourceFile, part.name);
        // In the look the chart has in its workbook, which the package carries whole.
        const auto context = engine::chart::packagedChartLook(package, chart);
        const bool sized = package.cx > 0 && package.cy > 0;
        const QSizeF points((sized ? package.cx : engine::drawingml::kDefaultChartCx) / kEmuPerPoint,
                            (sized ? package.cy : engine::drawingml::kDefaultChartCy) / kEmuPerPoint);
        // A chart over a whole sheet is drawn smaller, within the bounds of a picture.
        image = engine::chart::renderChartImage(chart, context, points,
                                                engine::chart::scaleWithinImageBounds(points, 1.0));
    } catch (const engine::DocumentError&) {
        // No picture: the package is still there for a slide to take.
    }
    m_picture = image;
    return image;
}

QVariant ChartPictureData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType == QLatin1String(kQtImage)) {
        const QImage image = picture();
        return image.isNull() ? QVariant() : QVariant(image);
    }
    if (mimeType == QLatin1String(kPng)) {
        if (m_png.isEmpty()) {
            const QImage image = picture();
            if (image.isNull()) return {};
            QBuffer buffer(&m_png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        }
        return m_png;
    }
    return engine::ChartPackageData::retrieveData(mimeType, type);
}

}  // namespace servers

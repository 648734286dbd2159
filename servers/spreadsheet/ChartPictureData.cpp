#include "servers/spreadsheet/ChartPictureData.h"

#include "engine/chart/ChartRenderer.h"

#include <QBuffer>

namespace servers {

namespace {

constexpr const char* kPng = "image/png";
constexpr const char* kQtImage = "application/x-qt-image";
constexpr const char* kThemeOverrideType = "application/vnd.openxmlformats-officedocument.themeOverride+xml";
constexpr double kEmuPerPoint = 12700.0;
// A chart whose anchor gives no size gets the spreadsheet's default chart size.
constexpr qint64 kDefaultCx = 4572000;
constexpr qint64 kDefaultCy = 2743200;

}  // namespace

ChartPictureData::ChartPictureData(engine::ChartPackage package, engine::chart::Producer producer)
    : m_package(std::move(package)), m_producer(std::move(producer)) {
    setData(QString::fromLatin1(engine::kChartPackageMime), engine::chartPackageToBytes(m_package));
}

ChartPictureData::ChartPictureData(engine::ChartPackage package, engine::chart::Producer producer,
                                   const QByteArray& bytes)
    : m_package(std::move(package)), m_producer(std::move(producer)) {
    setData(QString::fromLatin1(engine::kChartPackageMime), bytes);
}

QStringList ChartPictureData::formats() const {
    QStringList list = QMimeData::formats();
    list << QString::fromLatin1(kPng) << QString::fromLatin1(kQtImage);
    return list;
}

bool ChartPictureData::hasFormat(const QString& mimeType) const {
    return mimeType == QLatin1String(kPng) || mimeType == QLatin1String(kQtImage) || QMimeData::hasFormat(mimeType);
}

QImage ChartPictureData::picture() const {
    if (m_picture) return *m_picture;
    QImage image;
    try {
        const auto& part = m_package.chartPart();
        const engine::chart::ChartSpace chart = engine::chart::readChartSpace(part.data, m_package.sourceFile, part.name);
        QByteArray themeOverride;
        for (const auto& p : m_package.parts)
            if (p.contentType == QLatin1String(kThemeOverrideType)) themeOverride = p.data;
        const auto context = engine::chart::makeRenderContext(chart, m_package.theme, themeOverride,
                                                              engine::chart::ChartHost::Workbook, m_producer,
                                                              engine::drawingml::ColorMap::standard(), m_package.sourceFile);
        const bool sized = m_package.cx > 0 && m_package.cy > 0;
        const QSizeF points((sized ? m_package.cx : kDefaultCx) / kEmuPerPoint,
                            (sized ? m_package.cy : kDefaultCy) / kEmuPerPoint);
        image = engine::chart::renderChartImage(chart, context, points, 1.0);
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
    return QMimeData::retrieveData(mimeType, type);
}

}  // namespace servers

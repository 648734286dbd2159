#pragma once

#include "engine/chartcopy/ChartPackage.h"
#include "engine/chartformat/FormatResolver.h"

#include <QImage>
#include <QMimeData>
#include <optional>

namespace servers {

// What ChartArea.Copy leaves on the clipboard: the chart package (kChartPackageMime), which a
// slide's paste takes first (in this process the package itself, see engine::ChartPackageData),
// and a PNG picture of the chart (image/png, and as an image for Qt readers) for every program
// that takes pictures, as the spreadsheet application offers one.
//
// The picture is drawn when a reader first asks for it, not at the copy: a copy run pastes the
// package and never needs it. It is the chart at its size on the sheet at screen resolution
// (96 dpi: EMU / 9525 pixels each way), drawn from the package alone in the look the chart has
// in its workbook (engine::chart::packagedChartLook: the package's theme, the chart's own theme
// override, the producer the package names), so it stays available after the workbook is
// closed. A chart that cannot be drawn offers no picture data.
class ChartPictureData : public engine::ChartPackageData {
public:
    explicit ChartPictureData(std::shared_ptr<const engine::ChartPackage> package);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

    // The chart drawn at screen resolution (null when it cannot be drawn); drawn once.
    QImage picture() const;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    mutable std::optional<QImage> m_picture;
    mutable QByteArray m_png;
};

}  // namespace servers

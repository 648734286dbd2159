#include "engine/text/FontResolver.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <QStringList>
#include <array>
#include <utility>

namespace engine {

namespace {

constexpr std::array<std::pair<const char*, const char*>, 6> kTwins = {{
    {"Calibri", "Carlito"},
    {"Cambria", "Caladea"},
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    // Helvetica is what Arial was drawn to replace, and shares its widths.
    {"Helvetica", "Liberation Sans"},
}};

}  // namespace

FontResolver::FontResolver() {
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families) m_installed.insert(f.toLower());
}

QString FontResolver::metricTwin(const QString& officeFamily) {
    const QString name = officeFamily.trimmed();
    for (const auto& [office, twin] : kTwins)
        if (name.compare(QLatin1String(office), Qt::CaseInsensitive) == 0)
            return QLatin1String(twin);
    return {};
}

QString FontResolver::fallbackFamily() { return QStringLiteral("Carlito"); }

bool FontResolver::isInstalled(const QString& family) const {
    return m_installed.contains(family.trimmed().toLower());
}

QString FontResolver::family(const QString& officeFamily) const {
    const QString name = officeFamily.trimmed();
    if (!name.isEmpty() && isInstalled(name)) return name;
    const QString twin = metricTwin(name);
    if (!twin.isEmpty()) return twin;
    return fallbackFamily();
}

bool FontResolver::isMetricCompatible(const QString& officeFamily) const {
    const QString name = officeFamily.trimmed();
    if (!name.isEmpty() && isInstalled(name)) return true;
    const QString twin = metricTwin(name);
    return !twin.isEmpty() && isInstalled(twin);
}

QFont FontResolver::font(const QString& officeFamily, double pointSize, bool bold,
                         bool italic) const {
    QFont f(family(officeFamily));
    // Only the face asked for: no fontconfig substitute behind Qt's back.
    f.setStyleStrategy(QFont::PreferMatch);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    if (pointSize > 0) f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QSizeF FontResolver::measure(const QString& text, const QFont& font, const QPaintDevice* device) {
    // Qt rounds a font's size to whole pixels, which would make 10 pt text some 2% narrower or
    // wider than its true width. Measuring at a large size and scaling keeps widths linear.
    constexpr int kReferencePixels = 2048;
    double pixels = font.pixelSize();
    if (pixels <= 0) {
        double dpi = 96;
        if (device)
            dpi = device->logicalDpiY();
        else if (const QScreen* screen = QGuiApplication::primaryScreen())
            dpi = screen->logicalDotsPerInchY();
        pixels = font.pointSizeF() * dpi / 72.0;
    }
    QFont reference(font);
    reference.setPixelSize(kReferencePixels);
    const QFontMetricsF metrics(reference);
    const double scale = pixels / kReferencePixels;
    return {metrics.horizontalAdvance(text) * scale, metrics.height() * scale};
}

}  // namespace engine

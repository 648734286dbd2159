// Text in charts: measured with the faces that draw it, at sizes scaled linearly from one
// reference size, and broken into lines.

#include "engine/chartdraw/ChartLayout.h"

#include <QFontMetricsF>
#include <QHash>
#include <memory>

namespace engine::chart {

namespace {

// Metrics of one face at a large pixel size, scaled linearly to any size: widths then follow the
// size exactly as in the office applications' layout, whatever size Qt would hint to.
struct FaceMetrics {
    QFontMetricsF metrics;
    static constexpr double kReference = 1024;
};

const QFontMetricsF& metricsFor(const TextStyle& style) {
    thread_local QHash<QString, std::shared_ptr<QFontMetricsF>> cache;
    const QString key = style.family + QLatin1Char(style.bold ? 'b' : '-') + QLatin1Char(style.italic ? 'i' : '-');
    auto it = cache.find(key);
    if (it == cache.end()) {
        QFont font(style.family);
        font.setStyleStrategy(QFont::PreferMatch);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setKerning(true);
        font.setPixelSize(int(FaceMetrics::kReference));
        font.setBold(style.bold);
        font.setItalic(style.italic);
        it = cache.insert(key, std::make_shared<QFontMetricsF>(font));
    }
    return **it;
}

}  // namespace

double lineHeightOf(const TextStyle& style) {
    return metricsFor(style).height() * style.size / FaceMetrics::kReference;
}

QSizeF measureText(const QString& text, const TextStyle& style) {
    const QFontMetricsF& m = metricsFor(style);
    const double k = style.size / FaceMetrics::kReference;
    // Shaping is the costly part, and charts measure the same labels again and again (layout
    // passes, redraws): keep the widths at the reference size, a bounded number of them.
    thread_local QHash<QString, double> widths;
    const QString key = style.family + QLatin1Char(style.bold ? 'b' : '-') + QLatin1Char(style.italic ? 'i' : '-') + text;
    auto it = widths.constFind(key);
    if (it == widths.constEnd()) {
        if (widths.size() > 20000) widths.clear();
        it = widths.insert(key, m.horizontalAdvance(text));
    }
    return {*it * k, m.height() * k};
}

QStringList wrapText(const QString& text, const TextStyle& style, double maxWidth) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        const QStringList words = paragraph.split(QLatin1Char(' '));
        QString line;
        for (const QString& word : words) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && measureText(candidate, style).width() > maxWidth) {
                lines << line;
                line = word;
            } else {
                line = candidate;
            }
        }
        lines << line;
    }
    return lines;
}

}  // namespace engine::chart

// What the layout and the scene builder both read off the chart model: a source's numbers, a
// manual layout's rectangle, a title's text and a category's label.

#include "engine/chartdraw/ChartLayout.h"

#include <limits>

namespace engine::chart {

std::vector<double> numbersOf(const DataSource* source) {
    if (!source) return {};
    if (source->numbers) return source->numbers->dense();
    std::vector<double> out;
    if (source->strings) {
        for (const QString& s : source->strings->dense()) {
            bool ok = false;
            const double v = s.toDouble(&ok);
            out.push_back(ok ? v : std::numeric_limits<double>::quiet_NaN());
        }
    }
    return out;
}

QRectF placeManually(const ManualLayout& m, const QRectF& automatic, QSizeF chart) {
    QRectF r = automatic;
    const bool xEdge = m.xMode == LayoutMode::Edge;
    const bool yEdge = m.yMode == LayoutMode::Edge;
    if (m.x) r.moveLeft(xEdge ? *m.x * chart.width() : automatic.left() + *m.x * chart.width());
    if (m.y) r.moveTop(yEdge ? *m.y * chart.height() : automatic.top() + *m.y * chart.height());
    if (m.w) {
        const bool edge = m.wMode == LayoutMode::Edge;
        r.setWidth(edge ? *m.w * chart.width() - r.left() : *m.w * chart.width());
    }
    if (m.h) {
        const bool edge = m.hMode == LayoutMode::Edge;
        r.setHeight(edge ? *m.h * chart.height() - r.top() : *m.h * chart.height());
    }
    if (r.width() < 1) r.setWidth(1);
    if (r.height() < 1) r.setHeight(1);
    return r;
}

const ManualLayout* manualOf(const std::optional<Layout>& layout) {
    return layout && layout->manual ? &*layout->manual : nullptr;
}

QString categoryLabel(const QStringList& texts, int index) {
    return index < texts.size() ? texts[index] : QString::number(index + 1);
}

QString titleText(const FormatResolver& resolver, bool* shown) {
    *shown = resolver.titleShown();
    if (!*shown) return {};
    const auto& title = resolver.chart().chart.title;
    if (title && title->text) return title->text->text();
    if (const Series* s = resolver.automaticTitleSeries(); s && s->text) return s->text->text();
    // A title without text of its own: the one series' name, else the placeholder.
    const auto series = resolver.chart().allSeries();
    if (series.size() == 1 && series.front()->text && !series.front()->text->text().isEmpty())
        return series.front()->text->text();
    return QStringLiteral("Chart Title");
}

}  // namespace engine::chart

// The hierarchical kinds among the newer charts: treemap and sunburst.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/chartdraw/ChartexDrawing.h"
#include "engine/chartdraw/ChartexStatistics.h"

namespace engine::chartexdraw {

using chart::SceneTag;
using chartex::HierarchyNode;

namespace {

const ChartexChart::Series* hierarchySeries(const ChartexChart& chart, const char* layout) {
    for (const ChartexChart::Series& s : chart.series)
        if (!s.owned && s.layout == QLatin1String(layout)) return &s;
    return nullptr;
}

// The nodes below parent (-1: the top level), largest first, equal ones in their order.
std::vector<int> hierarchyChildren(const std::vector<HierarchyNode>& nodes, int parent) {
    std::vector<int> out;
    if (parent >= 0) {
        out = nodes[size_t(parent)].children;
    } else {
        for (size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].parent < 0) out.push_back(int(i));
    }
    std::stable_sort(out.begin(), out.end(),
                     [&](int a, int b) { return nodes[size_t(a)].value > nodes[size_t(b)].value; });
    return out;
}

class TreemapPainter {
  public:
    TreemapPainter(SceneMaker& maker, const std::vector<HierarchyNode>& nodes,
                   const QString& parents)
        : m_maker(maker), m_nodes(nodes), m_parents(parents) {}

    void lay(int parent, const QRectF& area) {
        const std::vector<int> children = hierarchyChildren(m_nodes, parent);
        std::vector<double> sizes;
        for (const int c : children) sizes.push_back(m_nodes[size_t(c)].value);
        const std::vector<QRectF> rects = chartex::squarify(sizes, area);
        for (size_t k = 0; k < children.size(); ++k) {
            const HierarchyNode& node = m_nodes[size_t(children[k])];
            const QRectF r = rects[k];
            if (r.isEmpty()) continue;
            const QColor color = accent(node.branch);
            if (node.children.empty()) {
                m_maker.rect(SceneTag{SceneTag::Element::DataPoint, 0, node.point}, r, color,
                             chart::ScenePen{Qt::white, 1, {}, Qt::FlatCap, Qt::MiterJoin});
                label(SceneTag{SceneTag::Element::DataLabel, 0, node.point}, node.name, r, 9,
                      false);
                continue;
            }
            const SceneTag tag{SceneTag::Element::ParentLabel, node.depth, children[k]};
            if (m_parents == QLatin1String("banner")) {
                const double height = m_maker.measure(node.name, 9).height() + 2;
                if (r.height() > 2 * height) {
                    const QRectF banner(r.left(), r.top(), r.width(), height);
                    m_maker.rect(tag, banner, color.darker(115),
                                 chart::ScenePen{Qt::white, 1, {}, Qt::FlatCap, Qt::MiterJoin});
                    label(tag, node.name, banner, 9, false);
                    lay(children[k], r.adjusted(0, height, 0, 0));
                    continue;
                }
            }
            if (m_parents == QLatin1String("overlapping")) {
                // The parent's name keeps its corner; the leaves' names there move below it.
                const QSizeF box = m_maker.measure(node.name, 11, true);
                if (box.width() + 6 <= r.width() && box.height() + 2 <= r.height()) {
                    m_overlaps.push_back({children[k], r});
                    m_reserved.push_back(QRectF(r.topLeft() + QPointF(3, 1), box));
                }
            }
            lay(children[k], r);
        }
    }

    // The parents' names over their areas, drawn last so that no leaf hides them.
    void overlappingLabels() {
        for (const auto& [index, r] : m_overlaps) {
            const HierarchyNode& node = m_nodes[size_t(index)];
            label(SceneTag{SceneTag::Element::ParentLabel, node.depth, index}, node.name, r, 11,
                  true);
        }
    }

  private:
    // A name at the top left of its rectangle, when it fits there.
    void label(SceneTag tag, const QString& name, const QRectF& r, double size, bool bold) {
        const QSizeF box = m_maker.measure(name, size, bold);
        QPointF at = r.topLeft() + QPointF(3, 1);
        if (tag.element != SceneTag::Element::ParentLabel) {
            for (const QRectF& reserved : m_reserved)
                if (reserved.intersects(QRectF(at, box))) at.setY(reserved.bottom() + 1);
        }
        if (at.x() + box.width() + 3 > r.right() || at.y() + box.height() + 1 > r.bottom()) return;
        m_maker.text(tag, name, size, at, Qt::AlignLeft | Qt::AlignTop, Qt::white, bold);
    }

    SceneMaker& m_maker;
    const std::vector<HierarchyNode>& m_nodes;
    const QString m_parents;
    std::vector<std::pair<int, QRectF>> m_overlaps;
    std::vector<QRectF> m_reserved;  // where the parents' names go
};

}  // namespace

bool drawTreemap(SceneMaker& maker, const ChartexChart& chart) {
    const ChartexChart::Series* series = hierarchySeries(chart, "treemap");
    if (!series) return false;
    const std::vector<HierarchyNode> nodes = chartex::hierarchy(chart, *series);
    if (nodes.empty()) return false;
    const double top = title(maker, chart, maker.size().width());
    const QRectF plot(8, top + 4, maker.size().width() - 16, maker.size().height() - top - 12);
    if (plot.width() <= 0 || plot.height() <= 0) return true;
    TreemapPainter painter(maker, nodes, series->parentLabels);
    painter.lay(-1, plot);
    painter.overlappingLabels();
    return true;
}

bool drawSunburst(SceneMaker& maker, const ChartexChart& chart) {
    const ChartexChart::Series* series = hierarchySeries(chart, "sunburst");
    if (!series) return false;
    const std::vector<HierarchyNode> nodes = chartex::hierarchy(chart, *series);
    if (nodes.empty()) return false;
    int levels = 0;
    for (const HierarchyNode& node : nodes) levels = std::max(levels, node.depth + 1);
    const double top = title(maker, chart, maker.size().width());
    const QRectF plot(8, top + 4, maker.size().width() - 16, maker.size().height() - top - 12);
    const double radius = std::min(plot.width(), plot.height()) / 2;
    if (radius <= 4) return true;
    const QPointF centre = plot.center();
    // The middle is left open, as wide as half a ring.
    const double ring = radius / (double(levels) + 0.5);
    const double hole = ring / 2;

    // Each node's sweep within its parent's, clockwise from twelve o'clock, largest first.
    struct Span {
        int node;
        double from;
        double sweep;
    };
    std::vector<Span> pending;
    const auto spread = [&](int parent, double from, double sweep) {
        const std::vector<int> children = hierarchyChildren(nodes, parent);
        double total = 0;
        for (const int c : children) total += nodes[size_t(c)].value;
        if (!(total > 0)) return;
        for (const int c : children) {
            const double share = sweep * nodes[size_t(c)].value / total;
            pending.push_back({c, from, share});
            from += share;
        }
    };
    spread(-1, 0, 360);
    for (size_t k = 0; k < pending.size(); ++k) {
        const Span span = pending[k];
        const HierarchyNode& node = nodes[size_t(span.node)];
        const double inner = hole + ring * node.depth;
        const double outer = inner + ring;
        const QRectF outerBox(centre - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer));
        const QRectF innerBox(centre - QPointF(inner, inner), QSizeF(2 * inner, 2 * inner));
        // Qt's angles run counter-clockwise from three o'clock.
        const double start = 90 - span.from;
        QPainterPath segment;
        segment.arcMoveTo(outerBox, start);
        segment.arcTo(outerBox, start, -span.sweep);
        segment.arcTo(innerBox, start - span.sweep, span.sweep);
        segment.closeSubpath();
        const int point = node.children.empty() ? node.point : span.node;
        maker.fill(SceneTag{SceneTag::Element::DataPoint, node.depth, point}, segment,
                   accent(node.branch),
                   chart::ScenePen{Qt::white, 1, {}, Qt::FlatCap, Qt::MiterJoin});
        const QSizeF box = maker.measure(node.name, 8);
        const double middle = (inner + outer) / 2;
        const double arc = middle * span.sweep * std::numbers::pi / 180;
        if (box.width() + 4 <= std::min(arc, span.sweep >= 180 ? 2 * middle : arc) &&
            box.height() <= ring) {
            const double angle = (90 - span.from - span.sweep / 2) * std::numbers::pi / 180;
            const QPointF at =
                centre + QPointF(std::cos(angle) * middle, -std::sin(angle) * middle);
            maker.text(SceneTag{SceneTag::Element::DataLabel, node.depth, point}, node.name, 8, at,
                       Qt::AlignCenter, Qt::white);
        } else if (box.width() + 4 <= ring && arc >= box.height()) {
            // Too narrow across, but the ring is deep enough: along the radius, reading outward.
            const double degrees = span.from + span.sweep / 2;
            const double angle = (90 - degrees) * std::numbers::pi / 180;
            const QPointF at =
                centre + QPointF(std::cos(angle) * middle, -std::sin(angle) * middle);
            maker.text(SceneTag{SceneTag::Element::DataLabel, node.depth, point}, node.name, 8, at,
                       Qt::AlignCenter, Qt::white, false,
                       degrees <= 180 ? degrees - 90 : degrees - 270);
        }
        spread(span.node, span.from, span.sweep);
    }
    return true;
}

}  // namespace engine::chartexdraw

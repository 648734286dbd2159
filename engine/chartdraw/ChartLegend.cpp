// The legend: which entries it lists, how they are sized and set out (down the side or in rows
// above or below the plot area), and how its keys and texts are drawn.

#include "engine/chartdraw/ChartSceneBuilder.h"
#include "engine/chartdraw/ShapeEffects.h"

namespace engine::chart {

namespace {

constexpr double kLegendPitchPerPoint = 2.1;  // a side legend's row height per point of its font
constexpr double kSideLegendGap = 17;         // between a side legend's box and the plot area
constexpr double kRowLegendGap = 4;           // between a legend above or below and the plot area

// One entry of the legend before it is placed.
struct LegendEntryDraft {
    QString text;
    LegendItem::Kind kind;
    int series;
    int point;
    int trendline;
    const SeriesData* data;
    const GroupData* group;
};

// An entry measured: its text broken into lines, the widths of its text and key.
struct SizedLegendEntry {
    LegendEntryDraft entry;
    QStringList lines;
    double textWidth;
    double keyWidth;
};

// The name a trendline shows in the legend when it has none of its own, as the spreadsheet
// application words it.
QString automaticTrendlineName(const Trendline& t, const QString& seriesName) {
    const TrendlineType type = t.type.value_or(TrendlineType::Linear);
    QString kind = QStringLiteral("Linear");
    if (type == TrendlineType::Exponential) kind = QStringLiteral("Expon.");
    else if (type == TrendlineType::Logarithmic) kind = QStringLiteral("Log.");
    else if (type == TrendlineType::Polynomial) kind = QStringLiteral("Poly.");
    else if (type == TrendlineType::Power) kind = QStringLiteral("Power");
    else if (type == TrendlineType::MovingAverage) kind = QStringLiteral("%1 per. Mov. Avg.").arg(t.period.value_or(2));
    return QStringLiteral("%1 (%2)").arg(kind, seriesName);
}

class LegendPlacer {
  public:
    LegendPlacer(const ChartSpace& chart, const ChartFormats& formats, ChartLayout& layout)
        : m_legend(*chart.chart.legend), m_formats(formats), m_layout(layout),
          m_position(m_legend.position.value_or(LegendPosition::Right)) {
        m_out.style = m_formats.text(R().legendText());
        m_out.lineHeight = lineHeightOf(m_out.style);
    }

    void run(QRectF& free) {
        const std::vector<LegendEntryDraft> entries = listEntries();
        if (entries.empty()) return;
        const std::vector<SizedLegendEntry> sized = measure(entries, free);
        QRectF box = sideLegend() ? stackDown(sized, free) : setInRows(sized, free);
        if (const ManualLayout* m = manualOf(m_legend.layout)) box = moveByHand(*m, box);
        keepInsideChart(box);
        m_out.rect = box;
        m_layout.legend = m_out;
    }

  private:
    const FormatResolver& R() const { return m_formats.resolver(); }

    bool sideLegend() const {
        return m_position == LegendPosition::Right || m_position == LegendPosition::Left || m_position == LegendPosition::TopRight;
    }

    // The entries: one per category where colours vary by point, else one per series, then one
    // per trendline; less those the legend deletes (by their place in that list).
    std::vector<LegendEntryDraft> listEntries() const {
        std::vector<LegendEntryDraft> entries;
        std::vector<LegendEntryDraft> trendEntries;
        for (const GroupData& g : m_layout.groups) {
            if (R().legendListsPoints(*g.group)) {
                const SeriesData& s = g.series.front();
                const int n = std::max<int>(int(s.values.size()), 0);
                for (int i = 0; i < n; ++i)
                    entries.push_back({categoryLabel(m_layout.categories, i), LegendItem::Kind::Point, s.position, i, -1, &s, &g});
            } else {
                std::vector<LegendEntryDraft> groupEntries;
                for (const SeriesData& s : g.series)
                    groupEntries.push_back({s.name, LegendItem::Kind::Series, s.position, -1, -1, &s, &g});
                // A legend down the side lists stacked series from the top, as they are stacked
                // upwards (stacked lines too); so does it the bars of a bar chart.
                if (sideLegend() && (g.stacked != g.horizontal)) std::reverse(groupEntries.begin(), groupEntries.end());
                entries.insert(entries.end(), groupEntries.begin(), groupEntries.end());
            }
            for (const SeriesData& s : g.series) {
                int index = 0;
                for (const Trendline& t : s.series->trendlines) {
                    const QString name = t.name.isEmpty() ? automaticTrendlineName(t, s.name) : t.name;
                    trendEntries.push_back({name, LegendItem::Kind::Trendline, s.position, -1, index++, &s, &g});
                }
            }
        }
        entries.insert(entries.end(), trendEntries.begin(), trendEntries.end());
        for (size_t i = entries.size(); i-- > 0;) {
            for (const LegendEntry& e : m_legend.entries)
                if (e.index == int(i) && e.deleted.value_or(false)) entries.erase(entries.begin() + i);
        }
        return entries;
    }

    double squareKey() const { return kLegendKeyPerPoint * m_out.style.size; }
    double keyGap() const { return m_out.lineHeight * 0.3; }

    // A trendline's key and the series keys of line kinds are a short line; all others a square.
    double keyWidthOf(const LegendEntryDraft& e) const {
        const bool lineKey = e.kind == LegendItem::Kind::Trendline ||
                             (e.kind == LegendItem::Kind::Series && legendKeyOf(*e.group->group) == ChartKind::LegendKey::Line);
        return lineKey ? m_out.lineHeight * 1.8 : squareKey();
    }

    std::vector<SizedLegendEntry> measure(const std::vector<LegendEntryDraft>& entries, const QRectF& free) const {
        const double lh = m_out.lineHeight;
        const double maxTextWidth = sideLegend() ? std::max(20.0, m_layout.size.width() * 0.3)
                                                 : std::max(20.0, free.width() - 2 * kPad - 2 * lh);
        std::vector<SizedLegendEntry> sized;
        for (const LegendEntryDraft& e : entries) {
            SizedLegendEntry s{e, wrapText(e.text, m_out.style, maxTextWidth), 0, keyWidthOf(e)};
            for (const QString& l : s.lines) s.textWidth = std::max(s.textWidth, measureText(l, m_out.style).width());
            sized.push_back(s);
        }
        return sized;
    }

    void addItem(const SizedLegendEntry& s, double x, double y) {
        const double lh = m_out.lineHeight, keyW = squareKey();
        LegendItem item;
        item.kind = s.entry.kind;
        item.lines = s.lines;
        item.series = s.entry.series;
        item.point = s.entry.point;
        item.trendline = s.entry.trendline;
        item.data = s.entry.data;
        item.group = s.entry.group;
        const double h = lh * s.lines.size();
        item.keyRect = QRectF(x, y + (std::min(h, lh) - std::min(s.keyWidth, keyW)) / 2, s.keyWidth, keyW);
        item.textRect = QRectF(x + s.keyWidth + keyGap(), y, s.textWidth, h);
        m_out.items.push_back(item);
    }

    // A legend down the side: the entries that fit, one under another, with as much room between
    // them as the application leaves where it fits, less where it does not (every entry shown
    // comes before the room between them); centred on the room below the title.
    QRectF stackDown(const std::vector<SizedLegendEntry>& sized, QRectF& free) {
        const double lh = m_out.lineHeight;
        double w = 0, h = 0;
        size_t counted = 0;
        for (const SizedLegendEntry& s : sized) {
            const double ih = lh * s.lines.size();
            if (h + ih > free.height() - 2 * kPad && counted > 0 && h > 0) break;  // no room: the rest is cut
            w = std::max(w, s.keyWidth + keyGap() + s.textWidth);
            h += ih;
            ++counted;
        }
        const int shown = int(std::max<size_t>(1, std::min(sized.size(), size_t(std::max(1.0, (free.height() - 2 * kPad) / lh)))));
        QRectF box;
        box.setSize(QSizeF(w + 2 * kPad, 0));
        double allLines = 0;
        for (const SizedLegendEntry& s : sized) allLines += lh * s.lines.size();
        const double roomy = std::max(0.0, kLegendPitchPerPoint * m_out.style.size - lh);
        const double lead = std::clamp((free.height() - 2 * kPad - allLines) / double(sized.size()), 0.0, roomy);
        double y = 0;
        std::vector<const SizedLegendEntry*> kept;
        for (int i = 0; i < int(sized.size()) && y + lh * sized[i].lines.size() + lead <= free.height() - 2 * kPad + 1e-6; ++i) {
            kept.push_back(&sized[i]);
            y += lh * sized[i].lines.size() + lead;
        }
        if (kept.empty() && shown > 0) kept.push_back(&sized[0]), y = lh;
        box.setHeight(y + 2 * kPad);
        const double x0 = m_position == LegendPosition::Left ? free.left() : free.right() - box.width();
        const double roomTop = m_layout.title && !R().titleOverlay() ? m_layout.title->rect.bottom() : 0;
        double y0 = m_position == LegendPosition::TopRight ? free.top() : (roomTop + m_layout.size.height() - box.height()) / 2;
        y0 = std::max(free.top(), std::min(y0, free.bottom() - box.height()));
        box.moveTopLeft(QPointF(x0, y0));
        double yy = box.top() + kPad;
        for (const SizedLegendEntry* s : kept) {
            addItem(*s, box.left() + kPad, yy + lead / 2);
            yy += lh * s->lines.size() + lead;
        }
        if (!R().legendOverlay() && !manualOf(m_legend.layout)) {
            if (m_position == LegendPosition::Left) free.setLeft(box.right() + kSideLegendGap);
            else free.setRight(box.left() - kSideLegendGap);
        }
        return box;
    }

    // A legend above or below: rows of entries, as many to a row as fit, the rows centred; rows
    // past half the room are cut.
    QRectF setInRows(const std::vector<SizedLegendEntry>& sized, QRectF& free) {
        const double lh = m_out.lineHeight, gap = keyGap(), itemGap = lh * 0.8;
        std::vector<std::vector<const SizedLegendEntry*>> rows(1);
        double rowW = 0;
        const double maxW = free.width() - 2 * kPad;
        for (const SizedLegendEntry& s : sized) {
            const double w = s.keyWidth + gap + s.textWidth;
            if (!rows.back().empty() && rowW + itemGap + w > maxW) {
                rows.emplace_back();
                rowW = 0;
            }
            rowW += (rows.back().empty() ? 0 : itemGap) + w;
            rows.back().push_back(&s);
        }
        double h = 0, w = 0;
        std::vector<double> rowHeights, rowWidths;
        for (const auto& row : rows) {
            double rh = 0, rw = 0;
            for (const SizedLegendEntry* s : row) {
                rh = std::max(rh, lh * s->lines.size());
                rw += (rw > 0 ? itemGap : 0) + s->keyWidth + gap + s->textWidth;
            }
            if (h + rh > free.height() * 0.5 && h > 0) break;  // no room for more rows
            rowHeights.push_back(rh);
            rowWidths.push_back(rw);
            h += rh;
            w = std::max(w, rw);
        }
        QRectF box;
        box.setSize(QSizeF(w + 2 * kPad, h + 2 * kPad));
        const double y0 = m_position == LegendPosition::Top ? free.top() : free.bottom() - box.height();
        box.moveTopLeft(QPointF(free.center().x() - box.width() / 2, y0));
        double y = box.top() + kPad;
        for (size_t r = 0; r < rowHeights.size(); ++r) {
            double x = box.center().x() - rowWidths[r] / 2;
            for (const SizedLegendEntry* s : rows[r]) {
                addItem(*s, x, y);
                x += s->keyWidth + gap + s->textWidth + itemGap;
            }
            y += rowHeights[r];
        }
        if (!R().legendOverlay() && !manualOf(m_legend.layout)) {
            if (m_position == LegendPosition::Top) free.setTop(box.bottom() + kRowLegendGap);
            else free.setBottom(box.top() - kRowLegendGap);
        }
        return box;
    }

    QRectF moveByHand(const ManualLayout& m, const QRectF& box) {
        const QRectF moved = placeManually(m, box, m_layout.size);
        const QPointF shift = moved.topLeft() - box.topLeft();
        for (LegendItem& item : m_out.items) {
            item.keyRect.translate(shift);
            item.textRect.translate(shift);
        }
        return moved;
    }

    // Entries wider than a legend box placed by hand would leave the chart: keep them in.
    void keepInsideChart(QRectF& box) {
        double overflow = 0;
        for (const LegendItem& item : m_out.items)
            overflow = std::max(overflow, item.textRect.right() - (m_layout.size.width() - 1));
        if (overflow <= 0) return;
        for (LegendItem& item : m_out.items) {
            item.keyRect.translate(-overflow, 0);
            item.textRect.translate(-overflow, 0);
        }
        box.translate(-overflow, 0);
    }

    static constexpr double kPad = 3;  // between the legend's edge and its entries

    const Legend& m_legend;
    const ChartFormats& m_formats;
    ChartLayout& m_layout;
    const LegendPosition m_position;
    LegendLayout m_out;
};

}  // namespace

void placeLegend(const ChartSpace& chart, const ChartFormats& formats, ChartLayout& layout, QRectF& free) {
    if (!chart.chart.legend) return;
    LegendPlacer(chart, formats, layout).run(free);
}

// A filled key with the shadow and bevel of the series or point it stands for, as the plot
// draws them.
void ChartSceneBuilder::addLegendKeyShape(const SceneTag& tag, const QPainterPath& path, const ResolvedShape& shape) {
    const size_t before = m_scene.items.size();
    addShape(tag, path, shape);
    if (m_scene.items.size() > before && m_scene.items.back().fill) setShapeEffects(m_scene.items.back(), shape);
}

void ChartSceneBuilder::drawLegend() {
    if (!m_layout.legend) return;
    const LegendLayout& legend = *m_layout.legend;
    QPainterPath box;
    box.addRect(legend.rect);
    addShape(tagOf(E::Legend), box, R().legendShape());
    int entry = 0;
    for (const LegendItem& item : legend.items) {
        const int e = entry++;
        const GroupData& g = *item.group;
        const SeriesData& s = *item.data;
        const QRectF key = item.keyRect;
        const SceneTag keyTag = tagOf(E::LegendKey, e, item.point);
        if (item.kind == LegendItem::Kind::Trendline) {
            // A trendline's key: its line.
            const Trendline* t = item.trendline >= 0 && item.trendline < int(s.series->trendlines.size())
                                     ? &s.series->trendlines[item.trendline]
                                     : nullptr;
            const double y = item.textRect.top() + legend.lineHeight / 2;
            addLine(keyTag, QPointF(key.left(), y), QPointF(key.right(), y), t ? m_formats.pen(R().trendline(*s.series, *t)) : std::nullopt);
        } else if (item.kind == LegendItem::Kind::Point) {
            QPainterPath p;
            p.addRect(key);
            addLegendKeyShape(keyTag, p, R().dataPoint(*g.group, *s.series, item.point));
        } else if (legendKeyOf(*g.group) == ChartKind::LegendKey::Line) {
            // A line kind's key: its line and marker as the plot draws them.
            const double y = item.textRect.top() + legend.lineHeight / 2;
            if (showsSeriesLine(g, *s.series))
                addLine(keyTag, QPointF(key.left(), y), QPointF(key.right(), y), m_formats.line(R().series(*g.group, *s.series)));
            const MarkerStyle m = ChartFormats::marker(R().marker(*g.group, *s.series));
            const bool explicitSymbol = s.series->marker && s.series->marker->symbol;
            if (m.visible && (automaticMarkers(g) || explicitSymbol) && R().groupShowsMarkers(*g.group))
                addPath(keyTag, markerPath(m.symbol, QPointF(key.center().x(), y), m.size), isOpenSymbol(m.symbol) ? std::nullopt : m.fill, m.line);
        } else {
            QPainterPath p;
            p.addRect(key);
            addLegendKeyShape(keyTag, p, R().series(*g.group, *s.series));
        }
        double y = item.textRect.top();
        for (const QString& line : item.lines) {
            addText(tagOf(E::LegendEntry, e, item.point), line, legend.style, QPointF(item.textRect.left(), y));
            y += legend.lineHeight;
        }
    }
}

}  // namespace engine::chart

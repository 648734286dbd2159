// What is drawn over a group's data: drop, high-low and series lines, up-down bars, trendlines,
// error bars and data labels.

#include "engine/chartdraw/ChartSceneBuilder.h"

#include <QTransform>
#include <cmath>
#include <functional>

namespace engine::chart {

// Least-squares polynomial coefficients (c0 + c1 x + ...), or empty when the system is singular.
std::vector<double> ChartSceneBuilder::polyFit(const std::vector<double>& xs, const std::vector<double>& ys, int order, std::optional<double> intercept) {
    const int n = order + 1;
    const int off = intercept ? 1 : 0;
    const int m = n - off;
    std::vector<std::vector<double>> a(m, std::vector<double>(m + 1, 0));
    for (size_t i = 0; i < xs.size(); ++i) {
        const double y = ys[i] - (intercept ? *intercept : 0);
        for (int r = 0; r < m; ++r) {
            const double xr = std::pow(xs[i], r + off);
            for (int c = 0; c < m; ++c) a[r][c] += xr * std::pow(xs[i], c + off);
            a[r][m] += xr * y;
        }
    }
    for (int c = 0; c < m; ++c) {
        int pivot = c;
        for (int r = c + 1; r < m; ++r)
            if (std::abs(a[r][c]) > std::abs(a[pivot][c])) pivot = r;
        if (std::abs(a[pivot][c]) < 1e-12) return {};
        std::swap(a[c], a[pivot]);
        for (int r = 0; r < m; ++r) {
            if (r == c) continue;
            const double f = a[r][c] / a[c][c];
            for (int k = c; k <= m; ++k) a[r][k] -= f * a[c][k];
        }
    }
    std::vector<double> coeffs(n, 0);
    if (intercept) coeffs[0] = *intercept;
    for (int r = 0; r < m; ++r) coeffs[r + off] = a[r][m] / a[r][r];
    return coeffs;
}

// A number as a trendline label shows it: up to five significant digits.
QString ChartSceneBuilder::shortNumber(double v, const NumberSymbols& numbers) {
    return formatGeneral(QString::number(v, 'g', 5).toDouble(), numbers);
}

void ChartSceneBuilder::drawDecorations(const GroupData& g) {
    if (!g.categoryAxis || !g.valueAxis || g.polar) {
        if (isPieLike(*g.group) || g.group->kind == K::Radar)
            for (const SeriesData& s : g.series) drawDataLabels(g, s);
        return;
    }
    drawGroupLines(g);
    for (const SeriesData& s : g.series) {
        drawErrorBars(g, s);
        drawTrendlines(g, s);
        drawDataLabels(g, s);
    }
}

void ChartSceneBuilder::drawGroupLines(const GroupData& g) {
    const auto& series = g.series;
    if (series.empty()) return;
    int n = 1;
    for (const SeriesData& s : series) n = std::max(n, int(s.values.size()));
    if (g.group->dropLines) {
        const auto pen = m_formats.pen(R().groupLines(*g.group->dropLines));
        const double base = g.categoryAxis->crossValueOn(*g.valueAxis);
        for (const SeriesData& s : series)
            for (const auto& [i, p] : m_linePoints[s.position])
                addLine(tagOf(E::DropLine, s.position, i), p, at(g, i, base), pen);
    }
    if (g.group->hiLowLines || g.group->upDownBars) {
        const auto tops = stackedTops(g, nullptr);
        for (int i = 0; i < n; ++i) {
            double lo = std::numeric_limits<double>::infinity(), hi = -lo;
            for (const auto& t : tops)
                if (i < int(t.size()) && std::isfinite(t[i])) lo = std::min(lo, t[i]), hi = std::max(hi, t[i]);
            if (!std::isfinite(lo)) continue;
            if (g.group->hiLowLines)
                addLine(tagOf(E::HighLowLine, -1, i), at(g, i, lo), at(g, i, hi), m_formats.pen(R().groupLines(*g.group->hiLowLines)));
            if (g.group->upDownBars && tops.size() >= 2) {
                const double open = i < int(tops.front().size()) ? tops.front()[i] : kNaN;
                const double close = i < int(tops.back().size()) ? tops.back()[i] : kNaN;
                if (!std::isfinite(open) || !std::isfinite(close)) continue;
                const UpDownBars& ud = *g.group->upDownBars;
                const double gap = ud.gapWidth.value_or(150) / 100.0;
                const double w = g.categoryAxis->categoryWidth() / (1 + gap);
                const double c = g.categoryAxis->categoryCenter(g.categoryAxis->slot(i));
                const double v0 = g.valueAxis->map(open), v1 = g.valueAxis->map(close);
                const QRectF r = g.horizontal ? QRectF(QPointF(v0, c - w / 2), QPointF(v1, c + w / 2)).normalized()
                                              : QRectF(QPointF(c - w / 2, v0), QPointF(c + w / 2, v1)).normalized();
                QPainterPath path;
                path.addRect(r);
                const bool up = close >= open;
                addShape(tagOf(up ? E::UpBar : E::DownBar, -1, i), path, R().upDownBar(ud, up));
            }
        }
    }
}

// The x and y of each point of a series as a fit sees them: categories count 1, 2, 3...
void ChartSceneBuilder::seriesXY(const GroupData& g, const SeriesData& s, std::vector<double>& xs, std::vector<double>& ys) const {
    for (size_t i = 0; i < s.values.size(); ++i) {
        const double x = isScatterLike(*g.group) ? (i < s.xs.size() ? s.xs[i] : kNaN) : double(i + 1);
        if (!std::isfinite(x) || !std::isfinite(s.values[i])) continue;
        xs.push_back(x);
        ys.push_back(s.values[i]);
    }
}

QPointF ChartSceneBuilder::dataPoint(const GroupData& g, double x, double y) const {
    if (isScatterLike(*g.group)) return {g.categoryAxis->map(x), g.valueAxis->map(y)};
    return at(g, x - 1, y);
}

void ChartSceneBuilder::drawTrendlines(const GroupData& g, const SeriesData& s) {
    if (s.series->trendlines.empty()) return;
    std::vector<double> xs, ys;
    seriesXY(g, s, xs, ys);
    if (xs.size() < 2) return;
    int index = 0;
    for (const Trendline& t : s.series->trendlines) {
        const int ti = index++;
        const TrendlineType type = t.type.value_or(TrendlineType::Linear);
        const auto pen = m_formats.pen(R().trendline(*s.series, t));
        const double xmin = *std::min_element(xs.begin(), xs.end()) - t.backward.value_or(0);
        const double xmax = *std::max_element(xs.begin(), xs.end()) + t.forward.value_or(0);
        std::function<double(double)> f;
        QString equation;
        if (type == TrendlineType::MovingAverage) {
            const int period = std::max(2, t.period.value_or(2));
            std::vector<QPointF> pts;
            for (size_t i = size_t(period) - 1; i < ys.size(); ++i) {
                double sum = 0;
                for (int k = 0; k < period; ++k) sum += ys[i - k];
                pts.push_back(dataPoint(g, xs[i], sum / period));
            }
            if (pts.size() >= 2) addPath(tagOf(E::Trendline, s.position, ti), polyline(pts), std::nullopt, pen);
            continue;
        }
        std::vector<double> fx, fy;
        const bool logX = type == TrendlineType::Logarithmic || type == TrendlineType::Power;
        const bool logY = type == TrendlineType::Exponential || type == TrendlineType::Power;
        for (size_t i = 0; i < xs.size(); ++i) {
            if ((logX && xs[i] <= 0) || (logY && ys[i] <= 0)) continue;
            fx.push_back(logX ? std::log(xs[i]) : xs[i]);
            fy.push_back(logY ? std::log(ys[i]) : ys[i]);
        }
        const int order = type == TrendlineType::Polynomial ? std::clamp(t.order.value_or(2), 2, 6) : 1;
        std::optional<double> intercept;
        if (t.intercept && type != TrendlineType::Logarithmic && type != TrendlineType::Power)
            intercept = type == TrendlineType::Exponential ? (*t.intercept > 0 ? std::optional<double>(std::log(*t.intercept)) : std::nullopt) : t.intercept;
        const auto c = fx.size() > size_t(order) ? polyFit(fx, fy, order, intercept) : std::vector<double>{};
        if (c.empty()) continue;
        f = [=](double x) {
            const double u = logX ? std::log(x) : x;
            double v = 0;
            for (size_t k = c.size(); k-- > 0;) v = v * u + c[k];
            return logY ? std::exp(v) : v;
        };
        // Equation and R² as the label shows them.
        const NumberSymbols& numbers = m_layout.numbers;
        auto term = [&numbers](double coefficient, const QString& rest, bool first) {
            QString s = shortNumber(std::abs(coefficient), numbers);
            if (rest.size() && s == QLatin1String("1")) s.clear();
            const QString sign = coefficient < 0 ? (first ? QStringLiteral("-") : QStringLiteral(" - ")) : (first ? QString() : QStringLiteral(" + "));
            return sign + s + rest;
        };
        if (type == TrendlineType::Linear || type == TrendlineType::Polynomial) {
            QString eq;
            bool first = true;
            for (size_t k = c.size(); k-- > 0;) {
                if (c[k] == 0 && k != 0) continue;
                const QString rest = k == 0 ? QString() : (k == 1 ? QStringLiteral("x") : QStringLiteral("x%1").arg(QChar(k == 2 ? 0x00B2 : (k == 3 ? 0x00B3 : 0x2070 + int(k)))));
                if (k == 0 && c[0] == 0) continue;
                eq += term(c[k], rest, first);
                first = false;
            }
            equation = QStringLiteral("y = ") + eq;
        } else if (type == TrendlineType::Exponential) {
            equation = QStringLiteral("y = %1e%2x").arg(shortNumber(std::exp(c[0]), numbers), shortNumber(c[1], numbers));
        } else if (type == TrendlineType::Logarithmic) {
            equation = QStringLiteral("y = %1ln(x)%2").arg(shortNumber(c[1], numbers), term(c[0], QString(), false));
        } else if (type == TrendlineType::Power) {
            equation = QStringLiteral("y = %1x%2").arg(shortNumber(std::exp(c[0]), numbers), shortNumber(c[1], numbers));
        }
        std::vector<QPointF> pts;
        const int steps = 100;
        for (int k = 0; k <= steps; ++k) {
            const double x = xmin + (xmax - xmin) * k / steps;
            if (logX && x <= 0) continue;
            const double y = f(x);
            if (!std::isfinite(y)) continue;
            pts.push_back(dataPoint(g, x, y));
        }
        // Clip to the plot area, as the application does.
        if (pts.size() >= 2) addPath(tagOf(E::Trendline, s.position, ti), clipPolyline(pts), std::nullopt, pen);
        const bool showEq = R().trendlineShowsEquation(t), showR2 = R().trendlineShowsRSquared(t);
        if (showEq || showR2) {
            QStringList lines;
            if (t.label && t.label->text) lines << t.label->text->text();
            else {
                if (showEq) lines << equation;
                if (showR2) {
                    double ssRes = 0, ssTot = 0;
                    for (size_t i = 0; i < xs.size(); ++i) {
                        if ((logX && xs[i] <= 0) || (logY && ys[i] <= 0)) continue;
                        const double fi = logY ? std::log(f(xs[i])) : f(xs[i]);
                        const double yi = logY ? std::log(ys[i]) : ys[i];
                        ssRes += (yi - fi) * (yi - fi);
                    }
                    double fmean = 0;
                    for (double y : fy) fmean += y;
                    fmean /= std::max<size_t>(1, fy.size());
                    for (double y : fy) ssTot += (y - fmean) * (y - fmean);
                    const double r2 = ssTot > 0 ? 1 - ssRes / ssTot : 1;
                    QString r2Text = Format(QStringLiteral("0.####")).format(r2, m_layout.dates, numbers);
                    if (r2Text.endsWith(numbers.decimal)) r2Text.chop(numbers.decimal.size());
                    lines << QStringLiteral("R\u00B2 = %1").arg(r2Text);
                }
            }
            const TextStyle style = m_formats.text(R().trendlineLabelText(t));
            const QPointF end = pts.empty() ? m_layout.plot.center() : pts.back();
            double y = std::clamp(end.y() - 6 - lines.size() * measureText(QStringLiteral("X"), style).height(), m_layout.plot.top(), m_layout.plot.bottom());
            for (const QString& line : lines) {
                const QSizeF sz = measureText(line, style);
                const double x = std::clamp(end.x() - sz.width(), m_layout.plot.left(), m_layout.plot.right() - sz.width());
                addText(tagOf(E::TrendlineLabel, s.position, ti), line, style, QPointF(x, y));
                y += sz.height();
            }
        }
    }
}

QPainterPath ChartSceneBuilder::clipPolyline(const std::vector<QPointF>& pts) const {
    QPainterPath path;
    const QRectF r = m_layout.plot;
    bool drawing = false;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (r.adjusted(-0.01, -0.01, 0.01, 0.01).contains(pts[i])) {
            if (!drawing) path.moveTo(pts[i]);
            else path.lineTo(pts[i]);
            drawing = true;
        } else {
            drawing = false;
        }
    }
    return path;
}

void ChartSceneBuilder::drawErrorBars(const GroupData& g, const SeriesData& s) {
    for (const ErrorBars& e : s.series->errorBars) {
        const bool xDirection = e.direction == ErrorBarDirection::X ||
                                (!isScatterLike(*g.group) && g.horizontal && !e.direction);
        std::vector<double> xs, ys;
        seriesXY(g, s, xs, ys);
        if (ys.empty()) continue;
        const ErrorValueType type = e.valueType.value_or(ErrorValueType::FixedValue);
        const double k = e.value.value_or(type == ErrorValueType::Percentage ? 5 : 1);
        const std::vector<double>& along = xDirection && isScatterLike(*g.group) ? xs : ys;
        double mean = 0;
        for (double v : along) mean += v;
        mean /= along.size();
        double variance = 0;
        for (double v : along) variance += (v - mean) * (v - mean);
        const double sd = along.size() > 1 ? std::sqrt(variance / (along.size() - 1)) : 0;
        const double se = along.size() > 1 ? std::sqrt(variance / (along.size() * (along.size() - 1))) : 0;
        const std::vector<double> plus = e.plus ? numbersOf(&*e.plus) : std::vector<double>{};
        const std::vector<double> minus = e.minus ? numbersOf(&*e.minus) : std::vector<double>{};
        const ErrorBarType barType = e.barType.value_or(ErrorBarType::Both);
        const auto pen = m_formats.pen(R().errorBars(e));
        for (size_t i = 0; i < ys.size(); ++i) {
            const double x = xs[i], y = ys[i];
            const double v = xDirection && isScatterLike(*g.group) ? x : y;
            double centre = v, up = 0, down = 0;
            if (type == ErrorValueType::FixedValue) up = down = k;
            else if (type == ErrorValueType::Percentage) up = down = std::abs(v) * k / 100;
            else if (type == ErrorValueType::StandardDeviation) centre = mean, up = down = k * sd;
            else if (type == ErrorValueType::StandardError) up = down = se;
            else if (type == ErrorValueType::Custom) {
                up = i < plus.size() && std::isfinite(plus[i]) ? plus[i] : 0;
                down = i < minus.size() && std::isfinite(minus[i]) ? minus[i] : 0;
            }
            const double hi = barType == ErrorBarType::Minus ? centre : centre + up;
            const double lo = barType == ErrorBarType::Plus ? centre : centre - down;
            QPointF a, b;
            if (xDirection && isScatterLike(*g.group)) a = dataPoint(g, lo, y), b = dataPoint(g, hi, y);
            else a = dataPoint(g, x, lo), b = dataPoint(g, x, hi);
            const int point = int(i);
            addLine(tagOf(E::ErrorBar, s.position, point), a, b, pen);
            if (!e.noEndCap.value_or(false)) {
                const bool vertical = std::abs(a.x() - b.x()) < std::abs(a.y() - b.y());
                const QPointF cap = vertical ? QPointF(3, 0) : QPointF(0, 3);
                if (barType != ErrorBarType::Plus) addLine(tagOf(E::ErrorBar, s.position, point), a - cap, a + cap, pen);
                if (barType != ErrorBarType::Minus) addLine(tagOf(E::ErrorBar, s.position, point), b - cap, b + cap, pen);
            }
        }
    }
}

// The model's own label of point i (custom text, number format), else the series' or the
// group's labels; what they show and how comes from the resolver.
const DataLabelContent* ChartSceneBuilder::labelContent(const GroupData& g, const SeriesData& s, int i, const DataLabel** own) const {
    *own = nullptr;
    if (s.series->labels) {
        *own = byIndex(s.series->labels->labels, i);
        return &*s.series->labels;
    }
    return g.group->labels ? &*g.group->labels : nullptr;
}

std::optional<ChartSceneBuilder::PointLabel> ChartSceneBuilder::pointLabel(const GroupData& g, const SeriesData& s, int i,
                                                                      double total) const {
    const double value = s.values[size_t(i)];
    if (!std::isfinite(value)) return std::nullopt;
    const auto label = R().dataLabel(*g.group, *s.series, i);
    if (!label) return std::nullopt;
    const DataLabel* own = nullptr;
    const DataLabelContent* content = labelContent(g, s, i, &own);
    if (own && own->deleted) return std::nullopt;
    QString text;
    if (own && own->text) {
        text = own->text->text();
    } else {
        if (!label->visible()) return std::nullopt;
        QStringList parts;
        const auto numFmt = own && own->numberFormat ? own->numberFormat : (content ? content->numberFormat : std::nullopt);
        Format format(!s.formatCode.isEmpty() ? s.formatCode : QStringLiteral("General"));
        if (numFmt && !numFmt->sourceLinked.value_or(false) && !numFmt->formatCode.isEmpty()) format = Format(numFmt->formatCode);
        if (label->showSeriesName) parts << s.name;
        if (label->showCategoryName)
            parts << (isScatterLike(*g.group) ? formatGeneral(size_t(i) < s.xs.size() ? s.xs[size_t(i)] : 0, m_layout.numbers)
                                              : categoryLabel(m_layout.categories, i));
        if (label->showValue) parts << format.format(value, m_layout.dates, m_layout.numbers);
        if (label->showPercent && isPieLike(*g.group)) {
            const bool percentCode = numFmt && !numFmt->sourceLinked.value_or(false) && numFmt->formatCode.contains(QLatin1Char('%'));
            parts << Format(percentCode ? numFmt->formatCode : QStringLiteral("0%")).format(total > 0 ? std::abs(value) / total : 0, m_layout.dates, m_layout.numbers);
        }
        if (label->showBubbleSize && size_t(i) < s.sizes.size()) parts << format.format(s.sizes[size_t(i)], m_layout.dates, m_layout.numbers);
        // Where the comma is the decimal separator, the applications part the pieces
        // of a label with a semicolon, as their list separator.
        const QString defaultSeparator = m_layout.numbers.decimal == QLatin1String(",") ? QStringLiteral("; ") : QStringLiteral(", ");
        text = parts.join(label->separator.isEmpty() ? defaultSeparator : label->separator);
    }
    if (text.isEmpty()) return std::nullopt;
    PointLabel out;
    out.label = *label;
    out.style = m_formats.text(label->text);
    out.lines = text.split(QLatin1Char('\n'));
    double w = 0, h = 0;
    for (const QString& l : out.lines) {
        const QSizeF sz = measureText(l, out.style);
        w = std::max(w, sz.width());
        h += sz.height();
    }
    out.size = QSizeF(w, h);
    // A label its text properties turn (a:bodyPr rot) is placed by the room its turned
    // box takes, and turned about its centre.
    out.angle = out.style.rotation.value_or(0);
    const double turn = out.angle * M_PI / 180;
    out.room = QSizeF(std::abs(w * std::cos(turn)) + std::abs(h * std::sin(turn)),
                      std::abs(w * std::sin(turn)) + std::abs(h * std::cos(turn)));
    return out;
}

void ChartSceneBuilder::drawDataLabels(const GroupData& g, const SeriesData& s) {
    if (!s.series->labels && !g.group->labels) return;
    double total = 0;
    for (double v : s.values) if (std::isfinite(v)) total += std::abs(v);
    const DataLabels& labels = s.series->labels ? *s.series->labels : *g.group->labels;
    const std::optional<ScenePen> leaderPen = labels.showLeaderLines.value_or(false)
        ? m_formats.pen(R().groupLines(ChartLines{labels.leaderLines})) : std::nullopt;
    for (size_t i = 0; i < s.values.size(); ++i) {
        const std::optional<PointLabel> label = pointLabel(g, s, int(i), total);
        if (!label) continue;
        const double w = label->size.width(), h = label->size.height();
        const double angle = label->angle;
        const QSizeF room = label->room;
        const std::optional<QPointF> center = labelCenter(g, s, int(i), label->label.position, room);
        if (!center) continue;
        // Labels stay inside the chart.
        const QPointF c(std::clamp(center->x(), room.width() / 2, std::max(room.width() / 2, m_size.width() - room.width() / 2)),
                        std::clamp(center->y(), room.height() / 2, std::max(room.height() / 2, m_size.height() - room.height() / 2)));
        const QRectF box(c.x() - w / 2, c.y() - h / 2, w, h);
        // A pie's label moved away from its slice is joined to it by a leader line, when the
        // labels show them.
        const auto placed = m_pieLabels.find({s.position, int(i)});
        if (leaderPen && placed != m_pieLabels.end() && placed->second.edge)
            if (const auto leader = ringLeaderLine(*placed->second.edge, QRectF(c - QPointF(room.width() / 2, room.height() / 2), room), placed->second.right,
                                                   kPieLeaderWithin))
                addLine(tagOf(E::LeaderLine, s.position, int(i)), leader->first, leader->second, leaderPen);
        QPainterPath bg;
        if (angle == 0) {
            bg.addRect(box.adjusted(-2, -1, 2, 1).intersected(QRectF(QPointF(0, 0), m_size)));
        } else {
            bg.addRect(box.adjusted(-2, -1, 2, 1));
            bg = QTransform().translate(c.x(), c.y()).rotate(angle).translate(-c.x(), -c.y()).map(bg);
        }
        addShape(tagOf(E::DataLabel, s.position, int(i)), bg, label->label.shape);
        double y = box.top();
        for (const QString& l : label->lines) {
            const QSizeF sz = measureText(l, label->style);
            addText(tagOf(E::DataLabel, s.position, int(i)), l, label->style, QPointF(box.center().x() - sz.width() / 2, y), angle, c);
            y += sz.height();
        }
    }
}

std::optional<QPointF> ChartSceneBuilder::labelCenter(const GroupData& g, const SeriesData& s, int i, DataLabelPosition position, QSizeF size) {
    const double gap = 3;
    if (isPieLike(*g.group)) {
        // Pie labels placed with their neighbours in mind (drawPie) stand where they were put.
        if (const auto placed = m_pieLabels.find({s.position, i}); placed != m_pieLabels.end()) return placed->second.center;
        const auto it = m_slices.find(s.position);
        if (it == m_slices.end() || i >= int(it->second.size())) return std::nullopt;
        const Slice& sl = it->second[i];
        if (sl.sweep <= 0 && sl.outer <= 0) return std::nullopt;
        const double mid = sl.start + sl.sweep / 2;
        double r;
        if (position == DataLabelPosition::OutsideEnd) {
            const double a = (mid - 90) * M_PI / 180;
            const double extra = std::abs(std::cos(a)) * size.width() / 2 + std::abs(std::sin(a)) * size.height() / 2;
            r = sl.outer + gap + extra;
        } else if (position == DataLabelPosition::InsideEnd) {
            r = sl.outer * 0.8;
        } else if (position == DataLabelPosition::Center) {
            r = (sl.inner + sl.outer) / 2;
        } else {
            r = sl.inner > 0 ? (sl.inner + sl.outer) / 2 : sl.outer * 0.65;
        }
        return polar(sl.center, r, mid);
    }
    if (g.group->kind == K::Bar || g.group->kind == K::Bar3D) {
        const auto it = m_barRects.find({s.position, i});
        if (it == m_barRects.end()) return std::nullopt;
        const QRectF r = it->second;
        const DataLabelPosition pos = position;
        const bool negative = s.values[i] < 0;
        const bool reversed = g.valueAxis->reversed;
        const bool towardsHigh = negative == reversed;  // the bar's end lies at the high side
        if (g.horizontal) {
            const double endX = towardsHigh ? r.right() : r.left();
            const double baseX = towardsHigh ? r.left() : r.right();
            const double dir = towardsHigh ? 1 : -1;
            if (pos == DataLabelPosition::Center) return r.center();
            if (pos == DataLabelPosition::InsideEnd) return QPointF(endX - dir * (gap + size.width() / 2), r.center().y());
            if (pos == DataLabelPosition::InsideBase) return QPointF(baseX + dir * (gap + size.width() / 2), r.center().y());
            return QPointF(endX + dir * (gap + size.width() / 2), r.center().y());
        }
        const double endY = towardsHigh ? r.top() : r.bottom();
        const double baseY = towardsHigh ? r.bottom() : r.top();
        const double dir = towardsHigh ? -1 : 1;
        if (pos == DataLabelPosition::Center) return r.center();
        if (pos == DataLabelPosition::InsideEnd) return QPointF(r.center().x(), endY - dir * (gap + size.height() / 2));
        if (pos == DataLabelPosition::InsideBase) return QPointF(r.center().x(), baseY + dir * (gap + size.height() / 2));
        return QPointF(r.center().x(), endY + dir * (gap + size.height() / 2));
    }
    const auto it = m_linePoints.find(s.position);
    if (it == m_linePoints.end()) return std::nullopt;
    for (const auto& [index, p] : it->second) {
        if (index != i) continue;
        const bool area = g.group->kind == K::Area || g.group->kind == K::Area3D;
        const DataLabelPosition pos = position;
        if (area && pos == DataLabelPosition::Center) {
            const double base = g.valueAxis->map(g.categoryAxis->crossValueOn(*g.valueAxis));
            return g.horizontal ? QPointF((p.x() + base) / 2, p.y()) : QPointF(p.x(), (p.y() + base) / 2);
        }
        if (pos == DataLabelPosition::Top) return p - QPointF(0, gap + 2 + size.height() / 2);
        if (pos == DataLabelPosition::Bottom) return p + QPointF(0, gap + 2 + size.height() / 2);
        if (pos == DataLabelPosition::Left) return p - QPointF(gap + 2 + size.width() / 2, 0);
        if (pos == DataLabelPosition::Center) return p;
        return p + QPointF(gap + 2 + size.width() / 2, 0);
    }
    return std::nullopt;
}

}  // namespace engine::chart

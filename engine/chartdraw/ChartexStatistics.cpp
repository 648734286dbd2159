#include "engine/chartdraw/ChartexStatistics.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace engine::chartex {

namespace {

// Bounds on a bin axis as the user reads them, in their locale.
QString binNumber(double value) { return QLocale().toString(value, 'g', 6); }

std::vector<double> finiteAscending(const std::vector<double>& values) {
    std::vector<double> out;
    out.reserve(values.size());
    for (const double v : values)
        if (std::isfinite(v)) out.push_back(v);
    std::sort(out.begin(), out.end());
    return out;
}

// A row of the squarified layout is as bad as its most elongated rectangle.
double squarifyWorst(double sum, double smallest, double largest, double side) {
    if (sum <= 0 || smallest <= 0) return std::numeric_limits<double>::infinity();
    const double side2 = side * side;
    const double sum2 = sum * sum;
    return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

}  // namespace

double scottBinWidth(const std::vector<double>& values) {
    const std::vector<double> v = finiteAscending(values);
    if (v.size() < 2) return 0;
    const double n = double(v.size());
    double mean = 0;
    for (const double x : v) mean += x / n;
    double squares = 0;
    for (const double x : v) squares += (x - mean) * (x - mean);
    const double deviation = std::sqrt(squares / (n - 1));
    const double width = 3.5 * deviation / std::cbrt(n);
    return std::isfinite(width) ? width : 0;
}

std::vector<HistogramBin> histogramBins(const std::vector<double>& values,
                                        const ChartexChart::Series::Binning& binning, int maxBins) {
    const std::vector<double> v = finiteAscending(values);
    if (v.empty()) return {};
    maxBins = std::max(1, maxBins);
    const double start = binning.underflow.value_or(v.front());
    const double end = std::max(start, binning.overflow.value_or(v.back()));
    const double span = end - start;
    double width = 0;
    int count = 1;
    // Values so far apart that their span is not a number fall into one bin.
    if (span > 0 && std::isfinite(span)) {
        width = binning.count  ? span / *binning.count
                : binning.size ? *binning.size
                               : scottBinWidth(v);
        if (!(width > 0) || !std::isfinite(width)) width = span;
        // A tiny rounding error must not open a bin for the last value alone.
        const double steps = span / width;
        const int wanted =
            binning.count ? *binning.count : int(std::min(std::ceil(steps - 1e-9), 1e9));
        count = std::clamp(wanted, 1, maxBins);
        // Fewer bins than asked for cover the span all the same.
        if (count < wanted) width = span / count;
    }
    const bool left = binning.closedLeft;

    std::vector<HistogramBin> bins;
    if (binning.underflow) {
        HistogramBin bin;
        bin.kind = HistogramBin::Kind::Underflow;
        bin.low = bin.high = *binning.underflow;
        bin.label = (left ? QStringLiteral("<") : QStringLiteral("\u2264")) + binNumber(bin.high);
        bins.push_back(bin);
    }
    const size_t first = bins.size();
    for (int i = 0; i < count; ++i) {
        HistogramBin bin;
        bin.low = start + width * i;
        bin.high = width > 0 ? start + width * (i + 1) : end;
        // The last bin ends where the span does when a count or an overflow bound sets it.
        if (i == count - 1 && (binning.count || binning.overflow)) bin.high = end;
        // The outer end of the first (last) regular bin is closed too, unless a bin of the tail
        // takes the values there.
        const bool closedBoth =
            left ? i == count - 1 && !binning.overflow : i == 0 && !binning.underflow;
        const QString open = closedBoth || left ? QStringLiteral("[") : QStringLiteral("(");
        const QString close = closedBoth || !left ? QStringLiteral("]") : QStringLiteral(")");
        bin.label = open + binNumber(bin.low) + QStringLiteral(", ") + binNumber(bin.high) + close;
        bins.push_back(bin);
    }
    if (binning.overflow) {
        HistogramBin bin;
        bin.kind = HistogramBin::Kind::Overflow;
        bin.low = bin.high = end;
        bin.label = (left ? QStringLiteral("\u2265") : QStringLiteral(">")) + binNumber(end);
        bins.push_back(bin);
    }

    for (const double x : v) {
        if (binning.underflow && (left ? x < *binning.underflow : x <= *binning.underflow)) {
            bins.front().value += 1;
            continue;
        }
        if (binning.overflow && (left ? x >= end : x > end)) {
            bins.back().value += 1;
            continue;
        }
        int index = 0;
        if (width > 0) {
            // Held within the bins before it is made an index.
            const double t = std::clamp((x - start) / width, -1.0, double(count) + 1);
            index = left ? int(std::floor(t + 1e-9)) : int(std::ceil(t - 1e-9)) - 1;
        }
        index = std::clamp(index, 0, count - 1);
        bins[first + size_t(index)].value += 1;
    }
    return bins;
}

double quartile(const std::vector<double>& sorted, double p, bool exclusive) {
    const double n = double(sorted.size());
    // Zero-based rank.
    double rank = exclusive ? p * (n + 1) - 1 : p * (n - 1);
    rank = std::clamp(rank, 0.0, n - 1);
    const size_t below = size_t(std::floor(rank));
    const double fraction = rank - double(below);
    if (below + 1 >= sorted.size()) return sorted[below];
    // Weighted so that neighbours far apart cannot overflow.
    return (1 - fraction) * sorted[below] + fraction * sorted[below + 1];
}

std::optional<BoxStatistics> boxStatistics(std::vector<double> values, bool exclusive) {
    const std::vector<double> v = finiteAscending(values);
    if (v.empty()) return std::nullopt;
    BoxStatistics box;
    box.q1 = quartile(v, 0.25, exclusive);
    box.median = quartile(v, 0.5, exclusive);
    box.q3 = quartile(v, 0.75, exclusive);
    // Each value's share summed, which stays finite where the plain sum would not.
    box.mean = 0;
    for (const double x : v) box.mean += x / double(v.size());
    const double reach = 1.5 * (box.q3 - box.q1);
    const double lowFence = box.q1 - reach;
    const double highFence = box.q3 + reach;
    box.lowWhisker = box.q1;
    box.highWhisker = box.q3;
    bool anyInner = false;
    for (const double x : v) {
        if (x < lowFence || x > highFence) {
            box.outliers.push_back(x);
            continue;
        }
        box.inner.push_back(x);
        box.lowWhisker = anyInner ? std::min(box.lowWhisker, x) : std::min(x, box.q1);
        box.highWhisker = anyInner ? std::max(box.highWhisker, x) : std::max(x, box.q3);
        anyInner = true;
    }
    return box;
}

std::vector<QRectF> squarify(const std::vector<double>& sizes, const QRectF& area) {
    std::vector<QRectF> out(sizes.size());
    std::vector<size_t> order;
    double total = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] > 0 && std::isfinite(sizes[i])) {
            order.push_back(i);
            total += sizes[i];
        }
    }
    if (order.empty() || area.width() <= 0 || area.height() <= 0) return out;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
    const double scale = area.width() * area.height() / total;
    QRectF free = area;
    size_t next = 0;
    while (next < order.size()) {
        // Grow the row along the shorter side while its worst rectangle improves.
        const double side = std::min(free.width(), free.height());
        size_t end = next + 1;
        double sum = sizes[order[next]] * scale;
        double largest = sum;
        double smallest = sum;
        while (end < order.size()) {
            const double a = sizes[order[end]] * scale;
            if (squarifyWorst(sum + a, std::min(smallest, a), std::max(largest, a), side) >
                squarifyWorst(sum, smallest, largest, side))
                break;
            sum += a;
            smallest = std::min(smallest, a);
            largest = std::max(largest, a);
            ++end;
        }
        const bool last = end == order.size();
        if (free.width() >= free.height()) {
            // A column at the left of what is free.
            const double w = last ? free.width() : sum / free.height();
            double y = free.top();
            for (size_t k = next; k < end; ++k) {
                const double h = sizes[order[k]] * scale / sum * free.height();
                out[order[k]] = QRectF(free.left(), y, w, k + 1 == end ? free.bottom() - y : h);
                y += h;
            }
            free.setLeft(free.left() + w);
        } else {
            const double h = last ? free.height() : sum / free.width();
            double x = free.left();
            for (size_t k = next; k < end; ++k) {
                const double w = sizes[order[k]] * scale / sum * free.width();
                out[order[k]] = QRectF(x, free.top(), k + 1 == end ? free.right() - x : w, h);
                x += w;
            }
            free.setTop(free.top() + h);
        }
        next = end;
    }
    return out;
}

std::vector<HierarchyNode> hierarchy(const ChartexChart& chart,
                                     const ChartexChart::Series& series) {
    const ChartexChart::Dimension* sizes = chart.dimension(series, QStringLiteral("size"));
    if (!sizes) sizes = chart.dimension(series, QStringLiteral("val"));
    const ChartexChart::Dimension* names = chart.dimension(series, QStringLiteral("cat"));
    std::vector<HierarchyNode> nodes;
    if (!sizes || !names || names->levels.empty()) return nodes;
    QHash<QPair<int, QString>, int> byName;  // (parent, name) of each parent node
    int topCount = 0;
    for (size_t i = 0; i < sizes->numbers.size(); ++i) {
        const double size = sizes->numbers[i].value_or(0);
        if (!(size > 0)) continue;
        QStringList path;
        for (auto level = names->levels.rbegin(); level != names->levels.rend(); ++level) {
            if (i < level->size() && !(*level)[i].isEmpty()) path.append((*level)[i]);
        }
        if (path.isEmpty()) continue;
        int parent = -1;
        for (qsizetype depth = 0; depth < path.size(); ++depth) {
            const bool leaf = depth + 1 == path.size();
            int at = leaf ? -1 : byName.value({parent, path[depth]}, -1);
            if (at < 0) {
                HierarchyNode node;
                node.name = path[depth];
                node.parent = parent;
                node.depth = int(depth);
                node.branch = parent < 0 ? topCount++ : nodes[size_t(parent)].branch;
                node.point = leaf ? int(i) : -1;
                at = int(nodes.size());
                nodes.push_back(node);
                if (parent >= 0) nodes[size_t(parent)].children.push_back(at);
                if (!leaf) byName.insert({parent, path[depth]}, at);
            }
            nodes[size_t(at)].value += size;
            parent = at;
        }
    }
    return nodes;
}

}  // namespace engine::chartex

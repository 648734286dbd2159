#include "engine/chartdraw/ChartLayout.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>

namespace engine::chart {

namespace {

// The spacing of the spreadsheet application's automatic layout, measured on its own pictures of
// its charts (screenshots at two pixels a point of 412 x 211 pt charts with a title, axis titles
// and a legend on the right; the ten XlsxWriter examples of tests/data/chart-references):
// - the title's ink starts 16.5 pt below the chart's top edge, the legend's text ends 15 pt
//   inside its right edge: 11.5 pt of padding plus the text's own leading;
// - axis titles' ink lies 17.5 to 18.5 pt from the left and bottom edges, 3.5 pt more than the
//   padding alone gives;
// - the entries of a legend on the side are 21 pt apart at 10 pt, 2.1 times the font size
//   (line height 12.2 pt), with each entry centred in its row.
constexpr double kChartPadding = 11.5;        // between the chart's edge and what it holds
constexpr double kAxisTitleOuterGap = 3.5;    // between an axis title and the chart's edge, besides the padding
// - a legend on the side has its keys 20 pt from the plot area's edge, and is centred on the
//   room from the title's bottom to the chart's bottom edge; square keys are 5 pt at 10 pt.
// - the plot area's top (its top value label's ink) starts 13 pt below the title's ink.
constexpr double kValueIntervalLines = 1.1;   // the least height of a vertical value axis' interval, in label lines
constexpr double kTableCellPadding = 1.5;     // above, below and beside the text of a data table's cell
constexpr double kTitleGap = 8;               // between the title and what lies below it
constexpr double kGap = 4;                    // between legend and plot area, axis titles and labels
constexpr double kTickLength = 3.75;   // a major tick mark outside the plot
constexpr double kLabelGap = 2.5;      // between a tick and its label

bool allNumbers(const std::vector<double>& values) {
    if (values.empty()) return false;
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

QStringList textsOf(const DataSource* source, const QString& axisFormat, DateSystem dates,
                    const NumberSymbols& numbers) {
    QStringList out;
    if (!source) return out;
    if (source->multiLevel && !source->multiLevel->levels.empty()) {
        for (const QString& s : source->multiLevel->levels.front().dense()) out << s;
    } else if (source->strings) {
        for (const QString& s : source->strings->dense()) out << s;
    } else if (source->numbers) {
        const QString code = !axisFormat.isEmpty() ? axisFormat : source->numbers->formatCode;
        const Format format(code.isEmpty() ? QStringLiteral("General") : code);
        for (double v : source->numbers->dense())
            out << (std::isfinite(v) ? format.format(v, dates, numbers) : QString());
    }
    return out;
}

QString seriesName(const Series& series) {
    if (series.text) {
        const QString t = series.text->text();
        if (!t.isEmpty()) return t;
    }
    return QStringLiteral("Series%1").arg(qint64(series.index) + 1);
}

// The format an axis shows its numbers in: its own, unless linked to its source; linked, the
// source's as the cache holds it. Where the cache holds no format but "General" (as some writers
// leave every cache) the axis' record of its source's format stands in for the cells' own.
QString axisNumberFormat(const Axis& axis, const QString& cacheFormat) {
    if (!axis.numberFormat || axis.numberFormat->formatCode.isEmpty()) return cacheFormat;
    if (!axis.numberFormat->sourceLinked.value_or(false)) return axis.numberFormat->formatCode;
    const bool cacheGeneral = cacheFormat.isEmpty() || cacheFormat.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
    return cacheGeneral ? axis.numberFormat->formatCode : cacheFormat;
}


double displayUnitDivisor(const DisplayUnits& units, const NumberSymbols& numbers, QString* label) {
    using U = BuiltInUnit;
    static const std::pair<BuiltInUnit, double> kUnits[] = {
        {U::Hundreds, 1e2}, {U::Thousands, 1e3}, {U::TenThousands, 1e4}, {U::HundredThousands, 1e5},
        {U::Millions, 1e6}, {U::TenMillions, 1e7}, {U::HundredMillions, 1e8}, {U::Billions, 1e9},
        {U::Trillions, 1e12}};
    static const char* const kNames[] = {"Hundreds", "Thousands", "10000", "100000", "Millions",
                                         "10000000", "100000000", "Billions", "Trillions"};
    if (units.custom && *units.custom > 0) {
        *label = formatGeneral(*units.custom, numbers);
        return *units.custom;
    }
    if (units.builtIn) {
        for (size_t i = 0; i < std::size(kUnits); ++i) {
            if (*units.builtIn == kUnits[i].first) {
                *label = QLatin1String(kNames[i]);
                return kUnits[i].second;
            }
        }
    }
    return 1;
}


// The width of the widest tick label. An axis of many categories (one per point of a long
// series) measures only its longest labels by characters: shaping a label per point would cost
// more than the rest of the chart, and the widest label is one of the longest.
double widestLabel(const std::vector<AxisTick>& ticks, const TextStyle& style) {
    constexpr size_t kMeasuredAll = 1000;
    double widest = 0;
    if (ticks.size() <= kMeasuredAll) {
        for (const AxisTick& t : ticks) widest = std::max(widest, measureText(t.text, style).width());
        return widest;
    }
    std::vector<const QString*> longest;
    longest.reserve(ticks.size());
    for (const AxisTick& t : ticks) longest.push_back(&t.text);
    std::nth_element(longest.begin(), longest.begin() + kMeasuredAll, longest.end(),
                     [](const QString* a, const QString* b) { return a->size() > b->size(); });
    for (size_t i = 0; i < kMeasuredAll; ++i) widest = std::max(widest, measureText(*longest[i], style).width());
    return widest;
}


class Layouter {
  public:
    Layouter(const ChartSpace& chart, const ChartFormats& formats, QSizeF size)
        : m_chart(chart), m_formats(formats) {
        m_out.size = size;
        m_out.dates = chart.date1904.value_or(false) ? DateSystem::Date1904 : DateSystem::Date1900;
        m_out.numbers = formats.resolver().context().numbers;
    }

    ChartLayout run() {
        prepareData();
        QRectF free(QPointF(0, 0), m_out.size);
        free.adjust(kChartPadding, kChartPadding, -kChartPadding, -kChartPadding);
        placeTitle(free);
        placeLegend(m_chart, m_formats, m_out, free);
        placePlot(free);
        return std::move(m_out);
    }

  private:
    const FormatResolver& R() const { return m_formats.resolver(); }

    AxisLayout* axisById(unsigned id) {
        for (auto& a : m_out.axes)
            if (a->axis->id == id) return a.get();
        return nullptr;
    }

    void prepareData() {
        const PlotArea& plot = m_chart.chart.plotArea;
        for (size_t i = 0; i < plot.axes.size(); ++i) {
            auto a = std::make_unique<AxisLayout>();
            a->axis = &plot.axes[i];
            a->index = int(i);
            a->visible = !R().axisDeleted(plot.axes[i]) && plot.axes[i].kind != Axis::Kind::Series;
            a->dates = m_out.dates;
            a->numbers = m_out.numbers;
            m_out.axes.push_back(std::move(a));
        }
        int position = 0;
        bool primaryTaken = false;
        std::vector<unsigned> primaryIds;
        for (const ChartGroup& g : plot.groups) {
            GroupData data;
            data.group = &g;
            const std::optional<Grouping> grouping = g.grouping;
            data.stacked = grouping == Grouping::Stacked || grouping == Grouping::PercentStacked;
            data.percent = grouping == Grouping::PercentStacked;
            data.horizontal = (g.kind == ChartGroup::Kind::Bar || g.kind == ChartGroup::Kind::Bar3D) &&
                              g.barDirection == BarDirection::Bar;
            data.polar = chartKind(g).axes == ChartKind::Axes::None || chartKind(g).axes == ChartKind::Axes::Radial;
            if (!isPieLike(g) && g.axisIds.size() >= 2) {
                data.categoryAxis = axisById(g.axisIds[0]);
                data.valueAxis = axisById(g.axisIds[1]);
                // Bar charts list their value axis first at times; the kinds decide.
                if (data.categoryAxis && data.valueAxis && !isScatterLike(g) &&
                    data.categoryAxis->axis->kind == Axis::Kind::Value &&
                    data.valueAxis->axis->kind != Axis::Kind::Value)
                    std::swap(data.categoryAxis, data.valueAxis);
                const bool secondary = primaryTaken && std::find(primaryIds.begin(), primaryIds.end(), g.axisIds[1]) == primaryIds.end();
                if (!primaryTaken) {
                    primaryTaken = true;
                    primaryIds = g.axisIds;
                }
                for (AxisLayout* a : {data.categoryAxis, data.valueAxis}) {
                    if (!a) continue;
                    a->secondary = secondary;
                }
                if (data.categoryAxis) {
                    data.categoryAxis->horizontal = !data.horizontal;
                    data.categoryAxis->numeric = isScatterLike(g);
                }
                if (data.valueAxis) {
                    data.valueAxis->horizontal = data.horizontal;
                    data.valueAxis->numeric = true;
                }
                if (data.categoryAxis && data.valueAxis) {
                    data.categoryAxis->cross = data.valueAxis;
                    data.valueAxis->cross = data.categoryAxis;
                }
            }
            for (const Series& s : g.series) {
                SeriesData sd;
                sd.series = &s;
                sd.position = position++;
                sd.colorIndex = s.index;
                sd.name = seriesName(s);
                sd.values = numbersOf(s.valueData());
                if (const DataSource* v = s.valueData(); v && v->numbers) sd.formatCode = v->numbers->formatCode;
                if (isScatterLike(g)) {
                    sd.xs = numbersOf(s.xValues ? &*s.xValues : nullptr);
                    if (!allNumbers(sd.xs)) {
                        sd.xs.clear();
                        for (size_t i = 0; i < sd.values.size(); ++i) sd.xs.push_back(double(i + 1));
                    }
                    sd.sizes = numbersOf(s.bubbleSizes ? &*s.bubbleSizes : nullptr);
                }
                data.series.push_back(std::move(sd));
            }
            // Series are drawn in c:order.
            std::stable_sort(data.series.begin(), data.series.end(), [](const SeriesData& a, const SeriesData& b) {
                return a.series->order < b.series->order;
            });
            m_out.groups.push_back(std::move(data));
        }
        prepareCategories();
        for (auto& a : m_out.axes) prepareScale(*a);
    }

    void prepareCategories() {
        // The chart's categories: those of the first series that has them.
        const Series* withCategories = nullptr;
        int count = 0;
        for (const GroupData& g : m_out.groups) {
            if (isScatterLike(*g.group)) continue;
            for (const SeriesData& s : g.series) {
                count = std::max<int>(count, int(s.values.size()));
                if (!withCategories && s.series->categories) withCategories = s.series;
            }
        }
        QString axisFormat;
        AxisLayout* categoryAxis = nullptr;
        for (const GroupData& g : m_out.groups)
            if (g.categoryAxis && !isScatterLike(*g.group)) { categoryAxis = g.categoryAxis; break; }
        if (categoryAxis) {
            const DataSource* source = withCategories ? &*withCategories->categories : nullptr;
            axisFormat = axisNumberFormat(*categoryAxis->axis, source && source->numbers ? source->numbers->formatCode : QString());
        }
        QStringList texts = textsOf(withCategories ? &*withCategories->categories : nullptr, axisFormat, m_out.dates, m_out.numbers);
        count = std::max<int>(count, int(texts.size()));
        m_out.categories = texts;
        m_out.categoryCount = count;
        for (auto& a : m_out.axes) {
            if (a->numeric) continue;
            a->categoryCount = std::max(1, count);
            a->categories = texts;
            // Area charts sit on the tick marks unless the value axis says otherwise.
            bool areaChart = false;
            for (const GroupData& g : m_out.groups)
                if (g.categoryAxis == a.get() && (g.group->kind == ChartGroup::Kind::Area || g.group->kind == ChartGroup::Kind::Area3D)) areaChart = true;
            const Axis* partner = a->cross ? a->cross->axis : nullptr;
            const std::optional<CrossBetween> between = partner ? partner->crossBetween : std::nullopt;
            a->between = !between ? !areaChart : between != CrossBetween::MidCategory;
            if (a->axis->kind == Axis::Kind::Date && withCategories) prepareDates(*a, *withCategories->categories);
            if (withCategories && !a->axis->noMultiLevelLabels.value_or(false)) prepareOuterLevels(*a, *withCategories->categories);
        }
    }

    // Each outer level's points start a group that runs to the next point of that level.
    void prepareOuterLevels(AxisLayout& a, const DataSource& categories) {
        a.outerLevels.clear();
        if (!categories.multiLevel) return;
        const auto& levels = categories.multiLevel->levels;
        for (size_t l = 1; l < levels.size(); ++l) {
            std::vector<StringPoint> points = levels[l].points;
            std::sort(points.begin(), points.end(), [](const StringPoint& x, const StringPoint& y) { return x.index < y.index; });
            std::vector<CategoryGroup> groups;
            for (size_t i = 0; i < points.size(); ++i) {
                const int first = std::max(0, points[i].index);
                const int last = i + 1 < points.size() ? points[i + 1].index - 1 : a.categoryCount - 1;
                if (first <= last && first < a.categoryCount) groups.push_back({first, std::min(last, a.categoryCount - 1), points[i].text});
            }
            if (!groups.empty()) a.outerLevels.push_back(std::move(groups));
        }
    }

    // A date axis places each point by its date, in whole base units (days, months, years)
    // from the first date, and labels every major step with the date there.
    void prepareDates(AxisLayout& a, const DataSource& categories) {
        if (!categories.numbers) return;
        std::vector<double> serials = categories.numbers->dense();
        // A serial no calendar reaches (beyond the year 9999 either way from 1900) reads as
        // absent, as a non-finite one does.
        constexpr double kLastSerial = 2958465;
        for (double& v : serials)
            if (!(std::abs(v) <= kLastSerial)) v = std::numeric_limits<double>::quiet_NaN();
        std::vector<double> present;
        for (double v : serials)
            if (std::isfinite(v)) present.push_back(std::floor(v));
        if (present.empty()) return;
        const Axis& axis = *a.axis;
        auto unitOf = [](const std::optional<TimeUnit>& unit, TimeUnit fallback) { return unit.value_or(fallback); };
        const TimeUnit base = unitOf(axis.baseTimeUnit, dateBaseUnit(present));
        const QDate origin = a.dates == DateSystem::Date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
        auto dateOf = [&](double serial) { return origin.addDays(qint64(serial)); };
        auto slotOf = [&](const QDate& first, const QDate& d) -> double {
            if (base == TimeUnit::Days) return double(first.daysTo(d));
            if (base == TimeUnit::Months) return (d.year() - first.year()) * 12.0 + d.month() - first.month();
            return double(d.year() - first.year());
        };
        double lo = *std::min_element(present.begin(), present.end());
        double hi = *std::max_element(present.begin(), present.end());
        // Bounds the axis states (dates, in whole days) stand over the data's; points outside
        // them are not drawn.
        const auto bound = [&](const std::optional<double>& b) -> std::optional<double> {
            if (b && std::abs(*b) <= kLastSerial) return std::floor(*b);
            return std::nullopt;
        };
        const double boundLo = bound(axis.minimum).value_or(lo), boundHi = bound(axis.maximum).value_or(hi);
        if (boundLo <= boundHi) {
            lo = boundLo;
            hi = boundHi;
        }
        const QDate first = dateOf(lo);
        a.dateSlots.clear();
        for (double v : serials) {
            const bool inside = std::isfinite(v) && std::floor(v) >= lo && std::floor(v) <= hi;
            a.dateSlots.push_back(inside ? slotOf(first, dateOf(std::floor(v))) : -1);
        }
        for (GroupData& g : m_out.groups) {
            if (g.categoryAxis != &a) continue;
            for (SeriesData& s : g.series) {
                for (size_t i = 0; i < s.values.size() && i < serials.size(); ++i) {
                    if (std::isfinite(serials[i]) && a.dateSlots[i] < 0) s.values[i] = std::numeric_limits<double>::quiet_NaN();
                }
            }
        }
        a.categoryCount = int(slotOf(first, dateOf(hi))) + 1;
        a.date = true;
        // The labels: the axis' format, else the dates' own.
        const QString code = axisNumberFormat(axis, categories.numbers->formatCode);
        a.format = Format(code.isEmpty() ? QStringLiteral("d-mmm-yy") : code);
        DateStep step = dateMajorUnit(hi - lo, base, 10);
        if (axis.majorUnit && *axis.majorUnit > 0) step = {int(*axis.majorUnit), unitOf(axis.majorTimeUnit, base)};
        a.dateTicks.clear();
        for (QDate d = first; slotOf(first, d) <= a.categoryCount - 1 && a.dateTicks.size() < 1000;) {
            const double serial = double(origin.daysTo(d));
            a.dateTicks.push_back({slotOf(first, d), a.format.format(serial, a.dates, a.numbers)});
            d = step.unit == TimeUnit::Days ? d.addDays(step.count) : (step.unit == TimeUnit::Months ? d.addMonths(step.count) : d.addYears(step.count));
        }
    }

    void prepareScale(AxisLayout& a) {
        const Axis& axis = *a.axis;
        a.reversed = axis.orientation == Orientation::MaxMin;
        if (axis.displayUnits) a.unitDivisor = displayUnitDivisor(*axis.displayUnits, a.numbers, &a.unitLabel);
        if (!a.numeric) return;
        // The extent the axis must show.
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        bool padEnds = true, percent = false, hasNegative = false, threeD = false;
        QString sourceFormat;
        for (const GroupData& g : m_out.groups) {
            const bool asValue = g.valueAxis == &a;
            const bool asX = g.categoryAxis == &a && isScatterLike(*g.group);
            if (!asValue && !asX) continue;
            using K = ChartGroup::Kind;
            const K k = g.group->kind;
            threeD = threeD || chartKind(k).threeD;
            if (asValue && g.stacked) {
                std::vector<std::vector<double>> values;
                for (const SeriesData& s : g.series) values.push_back(s.values);
                const Extent e = stackedExtent(values);
                lo = std::min(lo, e.min);
                hi = std::max(hi, e.max);
                // Stacked totals get the same room above them as single values do (a total of
                // 120 is drawn on 0 to 140, one of 80 on 0 to 100): only 100% stacks end flush.
                if (g.percent) padEnds = false;
                percent = percent || g.percent;
                hasNegative = hasNegative || e.min < 0;
            } else {
                for (const SeriesData& s : g.series) {
                    const auto& v = asX ? s.xs : s.values;
                    for (size_t i = 0; i < v.size(); ++i) {
                        double x = v[i];
                        if (!std::isfinite(x)) continue;
                        lo = std::min(lo, x);
                        hi = std::max(hi, x);
                    }
                }
            }
            if (asValue && sourceFormat.isEmpty() && !g.series.empty()) sourceFormat = g.series.front().formatCode;
            if (asX && sourceFormat.isEmpty() && !g.series.empty() && g.series.front().series->xValues &&
                g.series.front().series->xValues->numbers)
                sourceFormat = g.series.front().series->xValues->numbers->formatCode;
        }
        if (!std::isfinite(lo)) lo = 0, hi = 0;
        if (threeD) padEnds = false;
        m_extent[&a] = {lo, hi, padEnds, percent, hasNegative};
        a.logarithmic = axis.logBase.has_value();
        a.logBase = axis.logBase.value_or(10);
        if (axis.numberFormat && !axis.numberFormat->sourceLinked.value_or(false) && !axis.numberFormat->formatCode.isEmpty())
            a.format = Format(axis.numberFormat->formatCode);
        else if (percent)
            a.format = Format(QStringLiteral("0%"));
        else if (const QString linked = axisNumberFormat(axis, sourceFormat); !linked.isEmpty())
            a.format = Format(linked);
        computeScale(a, 10);
    }

    void computeScale(AxisLayout& a, int maxIntervals) {
        const Axis& axis = *a.axis;
        const Extent3 e = m_extent[&a];
        if (a.logarithmic) {
            a.scale = logarithmicScale(e.lo > 0 ? e.lo : 1, e.hi > 0 ? e.hi : 1, a.logBase);
            if (axis.minimum && *axis.minimum > 0) a.scale.min = *axis.minimum;
            if (axis.maximum && *axis.maximum > a.scale.min) a.scale.max = *axis.maximum;
            return;
        }
        if (e.percent) {
            a.scale = percentStackedScale(e.hasNegative, maxIntervals);
            if (axis.minimum) a.scale.min = *axis.minimum;
            if (axis.maximum) a.scale.max = *axis.maximum;
            if (axis.majorUnit && *axis.majorUnit > 0) a.scale.majorUnit = *axis.majorUnit;
        } else {
            ValueAxisInput in;
            in.dataMin = e.lo;
            in.dataMax = e.hi;
            in.padEnds = e.padEnds;
            in.fixedMin = axis.minimum;
            in.fixedMax = axis.maximum;
            if (axis.majorUnit && *axis.majorUnit > 0) in.fixedMajorUnit = axis.majorUnit;
            in.maxIntervals = std::max(1, maxIntervals);
            a.scale = autoValueScale(in);
        }
        if (axis.minorUnit && *axis.minorUnit > 0) a.scale.minorUnit = *axis.minorUnit;
        if (!(a.scale.max > a.scale.min)) a.scale.max = a.scale.min + 1;
        if (!(a.scale.majorUnit > 0) || (a.scale.max - a.scale.min) / a.scale.majorUnit > 1000)
            a.scale.majorUnit = (a.scale.max - a.scale.min) / 10;
    }

    void makeTicks(AxisLayout& a) {
        a.majorTicks.clear();
        a.minorTicks.clear();
        if (a.numeric) {
            if (a.logarithmic) {
                const double base = std::max(1.0001, a.logBase);
                for (double v = a.scale.min; v <= a.scale.max * (1 + 1e-9); v *= base) {
                    a.majorTicks.push_back({a.map(v), v, a.labelFor(v)});
                    for (int k = 2; k < int(base) && base <= 10.5; ++k)
                        if (v * k < a.scale.max) a.minorTicks.push_back(a.map(v * k));
                    if (a.majorTicks.size() > 200) break;
                }
                return;
            }
            const double step = a.scale.majorUnit;
            // Counted in floating point and capped before the cast: a unit given far smaller
            // than the span would pass any int.
            const int n = int(std::min(std::floor((a.scale.max - a.scale.min) / step + 1e-9), 1000.0));
            for (int k = 0; k <= n && k <= 1000; ++k) {
                double v = a.scale.min + k * step;
                if (std::abs(v) < step * 1e-9) v = 0;
                a.majorTicks.push_back({a.map(v), v, a.labelFor(v)});
            }
            const double minor = a.scale.minorUnit > 0 ? a.scale.minorUnit : step / 5;
            const int m = int(std::min(std::floor((a.scale.max - a.scale.min) / minor + 1e-9), 5000.0));
            for (int k = 0; k <= m && k <= 5000; ++k) a.minorTicks.push_back(a.map(a.scale.min + k * minor));
            return;
        }
        if (a.date && !a.dateTicks.empty()) {
            for (const auto& [slot, text] : a.dateTicks) a.majorTicks.push_back({a.categoryCenter(slot), slot, text});
            return;
        }
        // Thousands of categories cannot all be labelled: only every stride-th is a candidate.
        const int n = std::max(1, a.categoryCount);
        a.stride = std::max(1, int(std::ceil(n / 1000.0)));
        for (int i = 0; i < n; i += a.stride) {
            const QString text = categoryLabel(a.categories, i);
            a.majorTicks.push_back({a.categoryCenter(i), double(i), text});
        }
    }

    // The depth of an axis' labels away from the axis (for its band), deciding rotation and
    // skipping of category labels on the way.
    double labelDepth(AxisLayout& a, double length) {
        const Axis& axis = *a.axis;
        if (!a.visible || axis.tickLabelPosition == TickLabelPosition::None) return 0;
        a.labelStyle = m_formats.text(R().axisLabelText(axis));
        const double lh = lineHeightOf(a.labelStyle);
        const double widest = widestLabel(a.majorTicks, a.labelStyle);
        a.labelSkip = 1;
        a.labelAngle = a.labelStyle.rotation.value_or(0);
        a.labelWrapWidth = 0;
        if (a.numeric) {
            return a.horizontal ? lh : widest;
        }
        const int n = std::max(1, a.categoryCount);
        // On a date axis the labels stand a major unit apart, not a category.
        const double between = a.date && a.majorTicks.size() > 1 ? a.majorTicks[1].value - a.majorTicks[0].value : 1;
        const double slot = std::abs(length) / n * between;
        if (axis.tickLabelSkip && *axis.tickLabelSkip > 0) a.labelSkip = *axis.tickLabelSkip;
        auto toStride = [&](int skip) { return a.date ? skip : (skip + a.stride - 1) / a.stride * a.stride; };
        if (!a.horizontal) {
            if (!axis.tickLabelSkip && slot > 0) a.labelSkip = toStride(std::max(1, int(std::ceil(lh / slot - 1e-6))));
            return widest;
        }
        if (!a.labelStyle.rotation && widest > slot * a.labelSkip * 0.98 && n > 1) {
            // Labels too wide for their slot are first broken at their spaces, as the
            // application does; only where a word is still wider than the slot are they turned.
            if (const int lines = wrapCategoryLabels(a, slot * a.labelSkip * 0.98)) return lines * lh + a.outerLevels.size() * lh;
            a.labelAngle = -45;
        }
        if (a.labelAngle != 0) {
            const double rad = std::abs(a.labelAngle) * M_PI / 180;
            const double along = lh / std::max(0.2, std::sin(rad));
            if (!axis.tickLabelSkip && slot > 0) a.labelSkip = toStride(std::max(1, int(std::ceil(along / slot - 1e-6))));
            a.innerLabelDepth = std::min(widest * std::sin(rad) + lh * std::cos(rad), m_out.size.height() * 0.4);
        } else {
            a.innerLabelDepth = lh;
        }
        // Outer levels: a row each under the labels.
        return a.innerLabelDepth + a.outerLevels.size() * lh;
    }

    // Breaks every label of a horizontal category axis into lines no wider than `width` and
    // answers the most lines a label takes; 0, leaving the labels as they were, when a word
    // is wider than that or a label would take more than three lines.
    int wrapCategoryLabels(AxisLayout& a, double width) {
        constexpr int kMostLines = 3;
        if (a.majorTicks.size() > 1000) return 0;
        // The layout may be tried more than once: a label broken before is whole again first.
        for (AxisTick& t : a.majorTicks) t.text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        std::vector<QStringList> wrapped;
        int most = 1;
        for (const AxisTick& t : a.majorTicks) {
            QStringList lines = wrapText(t.text, a.labelStyle, width);
            for (const QString& line : lines)
                if (measureText(line, a.labelStyle).width() > width) return 0;
            if (lines.size() > kMostLines) return 0;
            most = std::max(most, int(lines.size()));
            wrapped.push_back(std::move(lines));
        }
        for (size_t i = 0; i < wrapped.size(); ++i) a.majorTicks[i].text = wrapped[i].join(QLatin1Char('\n'));
        a.innerLabelDepth = most * lineHeightOf(a.labelStyle);
        a.labelWrapWidth = width;
        return most;
    }

    std::optional<TextBlock> axisTitle(const AxisLayout& a) {
        if (!a.visible || !a.axis->title) return std::nullopt;
        const Title& t = *a.axis->title;
        TextBlock block;
        block.style = m_formats.text(R().axisTitleText(*a.axis));
        const QString text = t.text ? t.text->text() : QStringLiteral("Axis Title");
        block.angle = block.style.rotation.value_or(a.horizontal ? 0 : -90);
        const double room = a.horizontal ? m_out.size.width() * 0.8 : m_out.size.height() * 0.8;
        block.lines = wrapText(text, block.style, room);
        block.lineHeight = lineHeightOf(block.style);
        double w = 0;
        for (const QString& l : block.lines) w = std::max(w, measureText(l, block.style).width());
        block.rect = QRectF(0, 0, w, block.lineHeight * block.lines.size());
        return block;
    }

    void placeTitle(QRectF& free) {
        bool shown = false;
        const QString text = titleText(R(), &shown);
        if (!shown) return;
        const Title* t = m_chart.chart.title ? &*m_chart.chart.title : nullptr;
        TextBlock block;
        block.style = m_formats.text(R().titleText());
        block.lines = wrapText(text, block.style, m_out.size.width() * 0.8);
        block.lineHeight = lineHeightOf(block.style);
        block.angle = block.style.rotation.value_or(0);
        double w = 0;
        for (const QString& l : block.lines) w = std::max(w, measureText(l, block.style).width());
        const double h = block.lineHeight * block.lines.size();
        block.rect = QRectF(free.center().x() - w / 2, free.top(), w, h);
        if (t)
            if (const ManualLayout* m = manualOf(t->layout)) block.rect = placeManually(*m, block.rect, m_out.size);
        if (!R().titleOverlay() && !(t && manualOf(t->layout)))
            free.setTop(block.rect.bottom() + kTitleGap);
        m_out.title = block;
    }

    void placePlot(const QRectF& free) {
        const PlotArea& plot = m_chart.chart.plotArea;
        QRectF outer = free;
        bool inner = false;
        if (const ManualLayout* m = manualOf(plot.layout)) {
            outer = placeManually(*m, free, m_out.size);
            inner = m->layoutTarget == LayoutTarget::Inner;
        }
        m_out.plotOuter = outer;
        std::vector<AxisLayout*> shown;
        for (auto& a : m_out.axes)
            if (a->cross || a->numeric) shown.push_back(a.get());
        const bool anyPolar = std::any_of(m_out.groups.begin(), m_out.groups.end(), [](const GroupData& g) { return g.polar; });
        const bool anyCartesian = std::any_of(m_out.groups.begin(), m_out.groups.end(), [](const GroupData& g) { return !g.polar && g.valueAxis; });
        QRectF rect = outer;
        if (!anyCartesian) {
            m_out.plot = outer;
            if (anyPolar) placePolarAxes(outer);
            return;
        }
        std::optional<DataTableLayout> table = prepareDataTable();
        // Lay the axes out twice: the first pass finds the plot's size, which decides how many
        // intervals the value axes take and whether category labels must turn or be skipped.
        double tableLabelDepth = 0;
        for (int pass = 0; pass < 3; ++pass) {
            double left = 0, right = 0, top = 0, bottom = 0;
            for (AxisLayout* a : shown) {
                const double length = a->horizontal ? rect.width() : rect.height();
                if (a->numeric && !a->logarithmic) {
                    const double lh = lineHeightOf(m_formats.text(R().axisLabelText(*a->axis)));
                    int cap = 10;
                    if (pass > 0) {
                        if (a->horizontal) {
                            const double widest = widestLabel(a->majorTicks, a->labelStyle);
                            cap = int(length / std::max(1.0, widest * 1.6));
                        } else {
                            // The application puts 8 intervals (0 to 80 by 10) on a plot 112.5 pt
                            // tall with 10 pt labels: 1.15 line heights an interval.
                            cap = int(length / std::max(1.0, lh * kValueIntervalLines));
                        }
                        cap = std::clamp(cap, 2, 10);
                    }
                    computeScale(*a, cap);
                }
                a->lo = 0;
                a->hi = length;
                makeTicks(*a);
                a->labelExtent = labelDepth(*a, length);
                if (table && table->axis == a) {
                    // The table's rows hang below the category labels, which head its columns.
                    tableLabelDepth = a->labelExtent;
                    a->labelExtent += table->series.size() * table->rowHeight;
                }
                a->title = axisTitle(*a);
                if (!a->visible) continue;
                const Edge edge = edgeOf(*a);
                const TickLabelPosition lblPos = a->axis->tickLabelPosition.value_or(TickLabelPosition::NextTo);
                double band = 0;
                if (a->labelExtent > 0 && (edge != Edge::Middle || lblPos != TickLabelPosition::NextTo))
                    band += a->labelExtent + kLabelGap + tickOutside(*a);
                if (a->title) band += a->title->rect.height() + kGap + kAxisTitleOuterGap;
                const bool high = labelsHigh(*a, edge);
                if (a->horizontal) (high ? top : bottom) = std::max(high ? top : bottom, band);
                else (high ? right : left) = std::max(high ? right : left, band);
            }
            // Labels centred on the plot's ends hang half over them: leave room for that.
            double hangX = 0, hangY = 0;
            for (AxisLayout* a : shown) {
                if (!a->visible || a->labelExtent <= 0 || a->majorTicks.empty()) continue;
                if (!a->horizontal) {
                    hangY = std::max(hangY, lineHeightOf(a->labelStyle) / 2);
                } else if (a->labelAngle == 0 && (a->numeric || !a->between)) {
                    hangX = std::max(hangX, measureText(a->majorTicks.front().text, a->labelStyle).width() / 2);
                    hangX = std::max(hangX, measureText(a->majorTicks.back().text, a->labelStyle).width() / 2);
                } else if (a->labelAngle != 0) {
                    // Turned labels end at their category and reach back (or on) by their width.
                    const double rad = std::abs(a->labelAngle) * M_PI / 180;
                    const double first = measureText(a->majorTicks.front().text, a->labelStyle).width() * std::cos(rad);
                    const double offset = a->between ? std::abs(a->hi - a->lo) / std::max(1, a->categoryCount) / 2 : 0;
                    const double need = first - offset - left;
                    if (a->labelAngle < 0) left += std::max(0.0, need);
                    else right += std::max(0.0, need);
                }
            }
            top = std::max(top, hangY);
            bottom = std::max(bottom, hangY);
            left = std::max(left, hangX);
            if (table) left = std::max(left, table->nameWidth);
            right = std::max(right, hangX);
            rect = inner ? outer : outer.adjusted(left, top, -right, -bottom);
            if (rect.width() < 10) rect.setWidth(10);
            if (rect.height() < 10) rect.setHeight(10);
        }
        m_out.plot = rect;
        if (inner) m_out.plotOuter = rect;
        for (AxisLayout* a : shown) placeAxis(*a, rect);
        if (table && table->axis->visible) {
            const AxisLayout& a = *table->axis;
            const double top = a.labelLine + tickOutside(a) + kLabelGap + tableLabelDepth;
            table->rows = QRectF(rect.left() - table->nameWidth, top, rect.width() + table->nameWidth,
                                 table->series.size() * table->rowHeight);
            m_out.dataTable = std::move(table);
        }
    }

    // The data table's rows and sizes, when the plot area has one and a horizontal category
    // axis (column, line and area charts) to hang it from.
    std::optional<DataTableLayout> prepareDataTable() {
        const PlotArea& plot = m_chart.chart.plotArea;
        if (!plot.dataTable) return std::nullopt;
        DataTableLayout t;
        for (const GroupData& g : m_out.groups) {
            if (g.polar || isScatterLike(*g.group) || !g.categoryAxis || !g.categoryAxis->horizontal) continue;
            if (!t.axis) t.axis = g.categoryAxis;
            for (const SeriesData& s : g.series) t.series.emplace_back(&g, &s);
        }
        if (!t.axis || t.series.empty()) return std::nullopt;
        const DataTable& d = *plot.dataTable;
        t.horizontalBorders = d.horizontalBorders.value_or(false);
        t.verticalBorders = d.verticalBorders.value_or(false);
        t.outline = d.outline.value_or(false);
        t.keys = d.keys.value_or(false);
        t.style = m_formats.text(R().axisLabelText(*t.axis->axis));
        const double lh = lineHeightOf(t.style);
        t.padding = kTableCellPadding;
        t.rowHeight = lh + 2 * t.padding;
        t.keySide = t.keys ? kLegendKeyPerPoint * t.style.size : 0;
        double widest = 0;
        for (const auto& [g, s] : t.series) widest = std::max(widest, measureText(s->name, t.style).width());
        t.nameWidth = widest + 2 * t.padding + (t.keys ? t.keySide + t.padding : 0);
        return t;
    }

    enum class Edge { Low, High, Middle };

    // Where an axis' line lies across its partner: at the partner's low end (left, bottom),
    // high end, or in between.
    Edge edgeOf(const AxisLayout& a) const {
        if (!a.cross) return Edge::Low;
        const AxisLayout& p = *a.cross;
        const double v = a.crossValueOn(p);
        double t;
        if (p.numeric) {
            t = p.logarithmic ? (std::log(v) - std::log(p.scale.min)) / (std::log(p.scale.max) - std::log(p.scale.min))
                              : (v - p.scale.min) / (p.scale.max - p.scale.min);
        } else {
            const int n = std::max(1, p.categoryCount);
            const double last = p.between ? n : std::max(1, n - 1);
            t = v / last;
        }
        if (p.reversed) t = 1 - t;
        // For a horizontal axis the partner runs bottom to top: low end is the bottom.
        if (t <= 1e-9) return Edge::Low;
        if (t >= 1 - 1e-9) return Edge::High;
        return Edge::Middle;
    }

    bool labelsHigh(const AxisLayout& a, Edge edge) const {
        const TickLabelPosition pos = a.axis->tickLabelPosition.value_or(TickLabelPosition::NextTo);
        const bool partnerReversed = a.cross && a.cross->reversed;
        if (pos == TickLabelPosition::High) return !partnerReversed;
        if (pos == TickLabelPosition::Low) return partnerReversed;
        return edge == Edge::High;
    }

    double tickOutside(const AxisLayout& a) const {
        const TickMark mark = R().majorTickMark(*a.axis);
        return mark == TickMark::Out || mark == TickMark::Cross ? kTickLength : 0;
    }

    void placeAxis(AxisLayout& a, const QRectF& plot) {
        if (a.horizontal) {
            a.lo = a.reversed ? plot.right() : plot.left();
            a.hi = a.reversed ? plot.left() : plot.right();
        } else {
            a.lo = a.reversed ? plot.top() : plot.bottom();
            a.hi = a.reversed ? plot.bottom() : plot.top();
        }
        makeTicks(a);
        // The ticks are made anew for the plot's final size: labels broken before are again.
        if (a.labelWrapWidth > 0) wrapCategoryLabels(a, a.labelWrapWidth);
        // The line sits where it crosses its partner.
        if (a.cross) {
            AxisLayout& p = *a.cross;
            if (p.horizontal) {
                p.lo = p.reversed ? plot.right() : plot.left();
                p.hi = p.reversed ? plot.left() : plot.right();
            } else {
                p.lo = p.reversed ? plot.top() : plot.bottom();
                p.hi = p.reversed ? plot.bottom() : plot.top();
            }
            const double v = a.crossValueOn(p);
            if (p.numeric) a.line = p.map(v);
            else a.line = p.lo + v * p.categoryWidth();
        } else {
            a.line = a.horizontal ? plot.bottom() : plot.left();
        }
        const Edge edge = edgeOf(a);
        const bool high = labelsHigh(a, edge);
        a.labelsLowSide = !high;
        const TickLabelPosition pos = a.axis->tickLabelPosition.value_or(TickLabelPosition::NextTo);
        if (pos == TickLabelPosition::NextTo) a.labelLine = a.line;
        else if (a.horizontal) a.labelLine = high ? plot.top() : plot.bottom();
        else a.labelLine = high ? plot.right() : plot.left();
        if (a.title) {
            TextBlock& t = *a.title;
            const double depth = a.labelExtent + kLabelGap + tickOutside(a) + kGap;
            if (a.horizontal) {
                const double y = high ? a.labelLine - depth - t.rect.height() : a.labelLine + depth;
                t.rect.moveTopLeft(QPointF(plot.center().x() - t.rect.width() / 2, y));
            } else {
                // Turned a quarter: its height runs across the axis.
                const double across = t.rect.height();
                const double cx = high ? a.labelLine + depth + across / 2 : a.labelLine - depth - across / 2;
                t.rect.moveCenter(QPointF(cx, plot.center().y()));
            }
            if (const ManualLayout* m = manualOf(a.axis->title->layout)) t.rect = placeManually(*m, t.rect, m_out.size);
        }
        if (!a.unitLabel.isEmpty() && a.axis->displayUnits && a.axis->displayUnits->hasLabel) {
            TextBlock u;
            const auto& lbl = a.axis->displayUnits->label;
            u.style = m_formats.text(R().displayUnitsText(*a.axis));
            const QString text = lbl && lbl->text ? lbl->text->text() : a.unitLabel;
            u.lines = QStringList{text};
            u.lineHeight = lineHeightOf(u.style);
            u.angle = a.horizontal ? 0 : -90;
            const QSizeF s = measureText(text, u.style);
            u.rect = QRectF(0, 0, s.width(), s.height());
            if (a.horizontal) u.rect.moveTopRight(QPointF(plot.right(), a.labelLine + a.labelExtent + kTickLength + kLabelGap));
            else u.rect.moveCenter(QPointF(a.labelLine - a.labelExtent - kTickLength - kLabelGap - s.height() / 2 - 2, plot.top() + s.width() / 2));
            a.unitTitle = u;
        }
    }

    void placePolarAxes(const QRectF& outer) {
        for (GroupData& g : m_out.groups) {
            if (g.group->kind != ChartGroup::Kind::Radar || !g.valueAxis) continue;
            AxisLayout& v = *g.valueAxis;
            const TextStyle style = m_formats.text(R().axisLabelText(g.categoryAxis ? *g.categoryAxis->axis : *v.axis));
            double widest = 0;
            for (int i = 0; i < std::min(m_out.categoryCount, 1000); ++i)
                widest = std::max(widest, measureText(categoryLabel(m_out.categories, i), style).width());
            const double room = std::min(outer.width() / 2 - widest - 6, outer.height() / 2 - lineHeightOf(style) - 6);
            const double radius = std::max(10.0, room);
            // Rings a label's height apart: the application labels a radar of about 65 pt radius
            // with values to 70 as 0 to 80 by 20.
            computeScale(v, std::clamp(int(radius / lineHeightOf(style)), 2, 10));
            v.horizontal = false;
            v.lo = outer.center().y();
            v.hi = outer.center().y() - radius;
            v.line = outer.center().x();
            makeTicks(v);
            v.labelStyle = m_formats.text(R().axisLabelText(*v.axis));
            if (g.categoryAxis) g.categoryAxis->labelStyle = style;
            m_out.plot = QRectF(outer.center().x() - radius, outer.center().y() - radius, 2 * radius, 2 * radius);
        }
    }

    struct Extent3 {
        double lo = 0, hi = 0;
        bool padEnds = true, percent = false, hasNegative = false;
    };

    const ChartSpace& m_chart;
    const ChartFormats& m_formats;
    ChartLayout m_out;
    std::map<const AxisLayout*, Extent3> m_extent;
};

}  // namespace

ChartLayout layoutChart(const ChartSpace& chart, const ChartFormats& formats, QSizeF size) {
    return Layouter(chart, formats, size).run();
}

}  // namespace engine::chart

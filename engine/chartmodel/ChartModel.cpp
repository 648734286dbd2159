#include "engine/chartmodel/ChartModel.h"
#include "engine/chartmodel/ChartKind.h"

#include "engine/package/Xml.h"
#include "engine/package/XmlValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace engine::chart {

using xml::Ns;

namespace {

pugi::xml_node c(const pugi::xml_node& parent, const char* local) {
    return xml::child(parent, Ns::C, local);
}

const char* val(const pugi::xml_node& element) {
    return element.attribute("val").value();
}

// CT_Boolean: present without val means true.
std::optional<bool> boolElement(const pugi::xml_node& parent, const char* local) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    const auto a = e.attribute("val");
    if (!a) return true;
    return xml::xsdBooleanOr(a.value(), false);
}

// Infinities and NaNs are no cell's value; a cache holding one has a missing point there.
std::optional<double> number(const char* text) {
    return xml::parseXsdDouble(text);
}

// Days from the epoch of the date system to a date written as ISO 8601 ("2024-01-31", with an
// optional time "T12:00:00"): LibreOffice writes date categories so in number caches, where the
// spreadsheet applications write serial numbers.
std::optional<double> isoDateSerial(const char* text, bool date1904) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0;
    int secondsAt = -1;
    // The whole-number fields by sscanf; the seconds, which may have decimals, by from_chars,
    // since %lf would take the C library's locale's decimal point.
    const int fields = std::sscanf(text, "%4d-%2d-%2dT%2d:%2d:%n", &year, &month, &day, &hour, &minute, &secondsAt);
    if (fields != 3 && fields < 5) return std::nullopt;
    if (fields == 5 && secondsAt >= 0) {
        const char* begin = text + secondsAt;
        const auto parsed = std::from_chars(begin, begin + std::strlen(begin), second);
        if (parsed.ec != std::errc() || parsed.ptr == begin || !std::isfinite(second)) second = 0;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59) return std::nullopt;
    // Days since 1970-01-01 of a proleptic Gregorian date.
    const int y = year - (month <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const double days = era * 146097.0 + dayOfEra - 719468;
    // Serial 0 is 1899-12-30 in the 1900 system (which counts a day that never was, so dates
    // from March 1900 on line up), 1904-01-01 in the 1904 system.
    const double serial = date1904 ? days + 24107 : days + 25569;
    return serial + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::optional<int> intElement(const pugi::xml_node& parent, const char* local, int byDefault) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    const auto a = e.attribute("val");
    return a ? a.as_int(byDefault) : byDefault;
}

std::optional<unsigned> uintElement(const pugi::xml_node& parent, const char* local) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    return e.attribute("val").as_uint(0);
}

std::optional<double> doubleElement(const pugi::xml_node& parent, const char* local) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    return number(val(e));
}

std::optional<QString> stringElement(const pugi::xml_node& parent, const char* local,
                                     const char* byDefault) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    const auto a = e.attribute("val");
    return QString::fromUtf8(a ? a.value() : byDefault);
}

// An enumerated element: its val parsed by its schema type's table, the schema's default when
// val is left out. A val that is no token of the type reads as absent.
template <typename E>
std::optional<E> schemaEnumElement(const pugi::xml_node& parent, const char* local, E byDefault) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    const auto a = e.attribute("val");
    return a ? schemaEnum<E>(a.value()) : byDefault;
}

std::optional<ShapeProperties> shapeOf(const pugi::xml_node& parent) {
    const auto e = c(parent, "spPr");
    if (!e) return std::nullopt;
    return drawingml::readShapeProperties(e);
}

std::optional<TextBody> textPropertiesOf(const pugi::xml_node& parent) {
    const auto e = c(parent, "txPr");
    if (!e) return std::nullopt;
    return drawingml::readTextBody(e);
}

std::optional<Layout> layoutOf(const pugi::xml_node& parent) {
    const auto e = c(parent, "layout");
    if (!e) return std::nullopt;
    Layout layout;
    if (const auto m = c(e, "manualLayout")) {
        ManualLayout manual;
        manual.layoutTarget = schemaEnumElement(m, "layoutTarget", LayoutTarget::Outer);
        manual.xMode = schemaEnumElement(m, "xMode", LayoutMode::Factor);
        manual.yMode = schemaEnumElement(m, "yMode", LayoutMode::Factor);
        manual.wMode = schemaEnumElement(m, "wMode", LayoutMode::Factor);
        manual.hMode = schemaEnumElement(m, "hMode", LayoutMode::Factor);
        manual.x = doubleElement(m, "x");
        manual.y = doubleElement(m, "y");
        manual.w = doubleElement(m, "w");
        manual.h = doubleElement(m, "h");
        layout.manual = manual;
    }
    return layout;
}

std::optional<NumberFormat> numberFormatOf(const pugi::xml_node& parent) {
    const auto e = c(parent, "numFmt");
    if (!e) return std::nullopt;
    NumberFormat format;
    format.formatCode = QString::fromUtf8(e.attribute("formatCode").value());
    format.sourceLinked = drawingml::optionalBool(e.attribute("sourceLinked"));
    return format;
}

std::optional<int> pointCountOf(const pugi::xml_node& cache) {
    const auto e = c(cache, "ptCount");
    if (!e) return std::nullopt;
    return std::max(0, e.attribute("val").as_int(0));
}

// The date system of the part being read, for the dates some producers write in number caches.
thread_local bool t_date1904 = false;
// Whether the read under way keeps the points of number caches.
thread_local bool t_numberCachePoints = true;

// The c:pt children of a cache in document order, each with the text of its c:v, for caches of
// many points. A point written as every producer writes it (under the cache's own prefix,
// declaring nothing) is known by its name alone, and so is its value; anything else goes
// through the namespace-aware look-up, which gives the same for those.
class CachePoints {
public:
    explicit CachePoints(const pugi::xml_node& cache) : m_cache(cache) {
        const char* name = cache.name();
        const char* colon = std::strchr(name, ':');
        const std::string prefix = colon ? std::string(name, size_t(colon - name) + 1) : std::string();
        m_pt = prefix + "pt";
        m_v = prefix + "v";
    }

    // How many children the cache has: room enough for its points, counted from what is there
    // (never from what ptCount claims). A cache of 200,000 points otherwise grows its vector a
    // score of times.
    size_t room() const {
        size_t children = 0;
        for (pugi::xml_node e = m_cache.first_child(); e; e = e.next_sibling()) ++children;
        return children;
    }

    // Calls visit(pt, value text) for each point.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        xml::ChildScope scope(m_cache, Ns::C);
        for (pugi::xml_node e = m_cache.first_child(); e; e = e.next_sibling()) {
            if (e.type() != pugi::node_element) continue;
            const bool plain = m_pt == e.name() && declaresNothing(e);
            if (plain || scope.is(e, Ns::C, "pt")) visit(e, valueOf(e, plain));
        }
    }

private:
    static bool declaresNothing(const pugi::xml_node& e) {
        for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute()) {
            if (std::strncmp(a.name(), "xmlns", 5) == 0) return false;
        }
        return true;
    }

    // The text of the first c:v of pt, a c:pt; plain when pt has the cache's prefix and declares
    // nothing, so that a child of that prefix declaring nothing is in the same namespace.
    const char* valueOf(const pugi::xml_node& pt, bool plain) const {
        xml::ChildScope scope(pt, Ns::C);
        for (pugi::xml_node e = pt.first_child(); e; e = e.next_sibling()) {
            if (e.type() != pugi::node_element) continue;
            if ((plain && m_v == e.name() && declaresNothing(e)) || scope.is(e, Ns::C, "v")) return e.text().get();
        }
        return "";
    }

    pugi::xml_node m_cache;
    std::string m_pt, m_v;
};

NumericCache numericCache(const pugi::xml_node& cache, bool points = true) {
    NumericCache result;
    result.formatCode = QString::fromUtf8(c(cache, "formatCode").text().get());
    result.pointCount = pointCountOf(cache);
    if (!points) return result;
    const CachePoints cachePoints(cache);
    result.points.reserve(cachePoints.room());
    cachePoints.forEach([&](const pugi::xml_node& pt, const char* text) {
        const int index = pt.attribute("idx").as_int(-1);
        if (index < 0) return;
        NumericPoint point;
        point.index = index;
        // The date reading only where the number reading fails: it is far the dearer of the two,
        // and a cache of 200,000 points is read on every copy of its chart.
        std::optional<double> value = number(text);
        if (!value) value = isoDateSerial(text, t_date1904);
        point.value = value.value_or(std::numeric_limits<double>::quiet_NaN());
        if (const auto format = pt.attribute("formatCode")) point.formatCode = QString::fromUtf8(format.value());
        result.points.push_back(std::move(point));
    });
    return result;
}

StringCache stringCache(const pugi::xml_node& cache) {
    StringCache result;
    result.pointCount = pointCountOf(cache);
    const CachePoints cachePoints(cache);
    result.points.reserve(cachePoints.room());
    cachePoints.forEach([&](const pugi::xml_node& pt, const char* text) {
        const int index = pt.attribute("idx").as_int(-1);
        if (index >= 0) result.points.push_back({index, QString::fromUtf8(text)});
    });
    return result;
}

DataSource dataSourceOf(const pugi::xml_node& holder) {
    DataSource source;
    for (pugi::xml_node e = holder.first_child(); e; e = e.next_sibling()) {
        if (e.type() != pugi::node_element || xml::namespaceOf(e) != Ns::C) continue;
        const std::string_view local = xml::localName(e);
        if (local == "numRef") {
            source.kind = DataSource::Kind::NumberReference;
            source.formula = QString::fromUtf8(c(e, "f").text().get());
            if (const auto cache = c(e, "numCache")) source.numbers = numericCache(cache, t_numberCachePoints);
        } else if (local == "strRef") {
            source.kind = DataSource::Kind::StringReference;
            source.formula = QString::fromUtf8(c(e, "f").text().get());
            if (const auto cache = c(e, "strCache")) source.strings = stringCache(cache);
        } else if (local == "multiLvlStrRef") {
            source.kind = DataSource::Kind::MultiLevelReference;
            source.formula = QString::fromUtf8(c(e, "f").text().get());
            if (const auto cache = c(e, "multiLvlStrCache")) {
                MultiLevelCache levels;
                levels.pointCount = pointCountOf(cache);
                for (const auto level : xml::children(cache, Ns::C, "lvl")) {
                    levels.levels.push_back(stringCache(level));
                }
                source.multiLevel = std::move(levels);
            }
        } else if (local == "numLit") {
            source.kind = DataSource::Kind::NumberLiteral;
            source.numbers = numericCache(e);
        } else if (local == "strLit") {
            source.kind = DataSource::Kind::StringLiteral;
            source.strings = stringCache(e);
        } else {
            continue;
        }
        break;
    }
    return source;
}

std::optional<DataSource> dataSource(const pugi::xml_node& parent, const char* local) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    return dataSourceOf(e);
}

std::optional<TextSource> textSource(const pugi::xml_node& parent) {
    const auto tx = c(parent, "tx");
    if (!tx) return std::nullopt;
    TextSource text;
    if (const auto ref = c(tx, "strRef")) {
        text.formula = QString::fromUtf8(c(ref, "f").text().get());
        if (const auto cache = c(ref, "strCache")) text.cache = stringCache(cache);
    } else if (const auto v = c(tx, "v")) {
        text.literal = QString::fromUtf8(v.text().get());
    } else if (const auto rich = c(tx, "rich")) {
        text.rich = drawingml::readTextBody(rich);
    }
    return text;
}

std::optional<Title> titleOf(const pugi::xml_node& parent, const char* local = "title") {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    Title title;
    title.text = textSource(e);
    title.layout = layoutOf(e);
    title.overlay = boolElement(e, "overlay");
    title.shape = shapeOf(e);
    title.textProperties = textPropertiesOf(e);
    return title;
}

std::optional<ChartLines> linesOf(const pugi::xml_node& parent, const char* local) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    return ChartLines{shapeOf(e)};
}

std::optional<Marker> markerOf(const pugi::xml_node& parent) {
    const auto e = c(parent, "marker");
    if (!e) return std::nullopt;
    Marker marker;
    marker.symbol = schemaEnumElement(e, "symbol", MarkerSymbol::None);
    marker.size = intElement(e, "size", 5);
    marker.shape = shapeOf(e);
    return marker;
}

void readLabelContent(const pugi::xml_node& e, DataLabelContent* content) {
    content->numberFormat = numberFormatOf(e);
    content->shape = shapeOf(e);
    content->textProperties = textPropertiesOf(e);
    content->position = schemaEnumElement(e, "dLblPos", DataLabelPosition::BestFit);
    content->showLegendKey = boolElement(e, "showLegendKey");
    content->showValue = boolElement(e, "showVal");
    content->showCategoryName = boolElement(e, "showCatName");
    content->showSeriesName = boolElement(e, "showSerName");
    content->showPercent = boolElement(e, "showPercent");
    content->showBubbleSize = boolElement(e, "showBubbleSize");
    if (const auto separator = c(e, "separator")) content->separator = QString::fromUtf8(separator.text().get());
}

std::optional<DataLabels> labelsOf(const pugi::xml_node& parent) {
    const auto e = c(parent, "dLbls");
    if (!e) return std::nullopt;
    DataLabels labels;
    for (const auto one : xml::children(e, Ns::C, "dLbl")) {
        DataLabel label;
        label.index = std::max(0, c(one, "idx").attribute("val").as_int(0));
        label.deleted = boolElement(one, "delete").value_or(false);
        label.layout = layoutOf(one);
        label.text = textSource(one);
        readLabelContent(one, &label);
        labels.labels.push_back(std::move(label));
    }
    labels.deleted = boolElement(e, "delete");
    readLabelContent(e, &labels);
    labels.showLeaderLines = boolElement(e, "showLeaderLines");
    if (const auto leader = c(e, "leaderLines")) {
        labels.hasLeaderLines = true;
        labels.leaderLines = shapeOf(leader);
    }
    // The Office 2013 extension carries the leader lines of the kinds whose labels had none
    // before (c15:showLeaderLines, c15:leaderLines); the elements of the schema win.
    for (const auto ext : xml::children(c(e, "extLst"), Ns::C, "ext")) {
        if (const auto show = xml::child(ext, Ns::C15, "showLeaderLines"); show && !labels.showLeaderLines)
            labels.showLeaderLines = show.attribute("val") ? xml::xsdBooleanOr(show.attribute("val").value(), false) : true;
        if (const auto leader = xml::child(ext, Ns::C15, "leaderLines"); leader && !labels.hasLeaderLines) {
            labels.hasLeaderLines = true;
            labels.leaderLines = shapeOf(leader);
        }
    }
    return labels;
}

Trendline trendlineOf(const pugi::xml_node& e) {
    Trendline line;
    line.name = QString::fromUtf8(c(e, "name").text().get());
    line.shape = shapeOf(e);
    line.type = schemaEnumElement(e, "trendlineType", TrendlineType::Linear);
    line.order = intElement(e, "order", 2);
    line.period = intElement(e, "period", 2);
    line.forward = doubleElement(e, "forward");
    line.backward = doubleElement(e, "backward");
    line.intercept = doubleElement(e, "intercept");
    line.displayRSquared = boolElement(e, "dispRSqr");
    line.displayEquation = boolElement(e, "dispEq");
    if (const auto l = c(e, "trendlineLbl")) {
        TrendlineLabel label;
        label.layout = layoutOf(l);
        label.text = textSource(l);
        label.numberFormat = numberFormatOf(l);
        label.shape = shapeOf(l);
        label.textProperties = textPropertiesOf(l);
        line.label = std::move(label);
    }
    return line;
}

ErrorBars errorBarsOf(const pugi::xml_node& e) {
    ErrorBars bars;
    bars.direction = schemaEnumElement(e, "errDir", ErrorBarDirection::Y);
    bars.barType = schemaEnumElement(e, "errBarType", ErrorBarType::Both);
    bars.valueType = schemaEnumElement(e, "errValType", ErrorValueType::FixedValue);
    bars.noEndCap = boolElement(e, "noEndCap");
    bars.plus = dataSource(e, "plus");
    bars.minus = dataSource(e, "minus");
    bars.value = doubleElement(e, "val");
    bars.shape = shapeOf(e);
    return bars;
}

Series seriesOf(const pugi::xml_node& e) {
    Series series;
    series.index = std::max(0, c(e, "idx").attribute("val").as_int(0));
    series.order = std::max(0, c(e, "order").attribute("val").as_int(0));
    series.text = textSource(e);
    series.shape = shapeOf(e);
    series.invertIfNegative = boolElement(e, "invertIfNegative");
    series.shape3D = schemaEnumElement(e, "shape", BarShape::Box);
    series.marker = markerOf(e);
    for (const auto pt : xml::children(e, Ns::C, "dPt")) {
        DataPoint point;
        point.index = std::max(0, c(pt, "idx").attribute("val").as_int(0));
        point.invertIfNegative = boolElement(pt, "invertIfNegative");
        point.marker = markerOf(pt);
        point.bubble3D = boolElement(pt, "bubble3D");
        point.explosion = intElement(pt, "explosion", 0);
        point.shape = shapeOf(pt);
        series.points.push_back(std::move(point));
    }
    series.labels = labelsOf(e);
    for (const auto t : xml::children(e, Ns::C, "trendline")) series.trendlines.push_back(trendlineOf(t));
    for (const auto b : xml::children(e, Ns::C, "errBars")) series.errorBars.push_back(errorBarsOf(b));
    series.categories = dataSource(e, "cat");
    series.values = dataSource(e, "val");
    series.xValues = dataSource(e, "xVal");
    series.yValues = dataSource(e, "yVal");
    series.bubbleSizes = dataSource(e, "bubbleSize");
    series.smooth = boolElement(e, "smooth");
    series.explosion = intElement(e, "explosion", 0);
    series.bubble3D = boolElement(e, "bubble3D");
    return series;
}

ChartGroup groupOf(const pugi::xml_node& e, ChartGroup::Kind kind) {
    ChartGroup group;
    group.kind = kind;
    group.barDirection = schemaEnumElement(e, "barDir", BarDirection::Column);
    group.grouping = schemaEnumElement(e, "grouping", kind == ChartGroup::Kind::Bar || kind == ChartGroup::Kind::Bar3D
                                                          ? Grouping::Clustered
                                                          : Grouping::Standard);
    group.varyColors = boolElement(e, "varyColors");
    group.gapWidth = intElement(e, "gapWidth", 150);
    group.gapDepth = intElement(e, "gapDepth", 150);
    group.overlap = intElement(e, "overlap", 0);
    group.shape = schemaEnumElement(e, "shape", BarShape::Box);
    group.holeSize = intElement(e, "holeSize", 10);
    group.firstSliceAngle = intElement(e, "firstSliceAng", 0);
    group.ofPieType = schemaEnumElement(e, "ofPieType", OfPieType::Pie);
    group.splitType = schemaEnumElement(e, "splitType", SplitType::Auto);
    group.splitPosition = doubleElement(e, "splitPos");
    group.secondPieSize = intElement(e, "secondPieSize", 75);
    group.scatterStyle = schemaEnumElement(e, "scatterStyle", ScatterStyle::Marker);
    group.radarStyle = schemaEnumElement(e, "radarStyle", RadarStyle::Standard);
    group.bubbleScale = intElement(e, "bubbleScale", 100);
    group.showNegativeBubbles = boolElement(e, "showNegBubbles");
    group.bubble3D = boolElement(e, "bubble3D");
    group.wireframe = boolElement(e, "wireframe");
    group.marker = boolElement(e, "marker");
    group.hiLowLines = linesOf(e, "hiLowLines");
    group.dropLines = linesOf(e, "dropLines");
    for (const auto lines : xml::children(e, Ns::C, "serLines")) group.seriesLines.push_back({shapeOf(lines)});
    if (const auto bars = c(e, "upDownBars")) {
        UpDownBars upDown;
        upDown.gapWidth = intElement(bars, "gapWidth", 150);
        if (const auto up = c(bars, "upBars")) {
            upDown.hasUpBars = true;
            upDown.upBars = shapeOf(up);
        }
        if (const auto down = c(bars, "downBars")) {
            upDown.hasDownBars = true;
            upDown.downBars = shapeOf(down);
        }
        group.upDownBars = upDown;
    }
    group.labels = labelsOf(e);
    for (const auto s : xml::children(e, Ns::C, "ser")) group.series.push_back(seriesOf(s));
    for (const auto id : xml::children(e, Ns::C, "axId")) group.axisIds.push_back(id.attribute("val").as_uint(0));
    return group;
}

Axis axisOf(const pugi::xml_node& e, Axis::Kind kind) {
    Axis axis;
    axis.kind = kind;
    axis.id = c(e, "axId").attribute("val").as_uint(0);
    if (const auto scaling = c(e, "scaling")) {
        axis.orientation = schemaEnumElement(scaling, "orientation", Orientation::MinMax);
        axis.minimum = doubleElement(scaling, "min");
        axis.maximum = doubleElement(scaling, "max");
        axis.logBase = doubleElement(scaling, "logBase");
    }
    axis.deleted = boolElement(e, "delete");
    axis.position = schemaEnumElement(e, "axPos", AxisPosition::Left);
    axis.majorGridlines = linesOf(e, "majorGridlines");
    axis.minorGridlines = linesOf(e, "minorGridlines");
    axis.title = titleOf(e);
    axis.numberFormat = numberFormatOf(e);
    axis.majorTickMark = schemaEnumElement(e, "majorTickMark", TickMark::Cross);
    axis.minorTickMark = schemaEnumElement(e, "minorTickMark", TickMark::Cross);
    axis.tickLabelPosition = schemaEnumElement(e, "tickLblPos", TickLabelPosition::NextTo);
    axis.shape = shapeOf(e);
    axis.textProperties = textPropertiesOf(e);
    axis.crossAxis = uintElement(e, "crossAx");
    axis.crosses = schemaEnumElement(e, "crosses", Crosses::AutoZero);
    axis.crossesAt = doubleElement(e, "crossesAt");
    axis.crossBetween = schemaEnumElement(e, "crossBetween", CrossBetween::Between);
    axis.majorUnit = doubleElement(e, "majorUnit");
    axis.minorUnit = doubleElement(e, "minorUnit");
    axis.baseTimeUnit = schemaEnumElement(e, "baseTimeUnit", TimeUnit::Days);
    axis.majorTimeUnit = schemaEnumElement(e, "majorTimeUnit", TimeUnit::Days);
    axis.minorTimeUnit = schemaEnumElement(e, "minorTimeUnit", TimeUnit::Days);
    if (const auto units = c(e, "dispUnits")) {
        DisplayUnits display;
        display.builtIn = schemaEnumElement(units, "builtInUnit", BuiltInUnit::Thousands);
        display.custom = doubleElement(units, "custUnit");
        if (c(units, "dispUnitsLbl")) {
            display.hasLabel = true;
            display.label = titleOf(units, "dispUnitsLbl");
        }
        axis.displayUnits = std::move(display);
    }
    axis.automatic = boolElement(e, "auto");
    axis.labelAlignment = schemaEnumElement(e, "lblAlgn", LabelAlignment::Center);
    axis.labelOffset = intElement(e, "lblOffset", 100);
    axis.tickLabelSkip = intElement(e, "tickLblSkip", 1);
    axis.tickMarkSkip = intElement(e, "tickMarkSkip", 1);
    axis.noMultiLevelLabels = boolElement(e, "noMultiLvlLbl");
    return axis;
}

std::optional<Surface> surfaceOf(const pugi::xml_node& parent, const char* local) {
    const auto e = c(parent, local);
    if (!e) return std::nullopt;
    return Surface{intElement(e, "thickness", 0), shapeOf(e)};
}

PlotArea plotAreaOf(const pugi::xml_node& e) {
    PlotArea plot;
    plot.layout = layoutOf(e);
    for (pugi::xml_node child = e.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element || xml::namespaceOf(child) != Ns::C) continue;
        const std::string_view name = xml::localName(child);
        if (const auto kind = chartGroupKindOf(name)) plot.groups.push_back(groupOf(child, *kind));
        if (name == "catAx") plot.axes.push_back(axisOf(child, Axis::Kind::Category));
        else if (name == "valAx") plot.axes.push_back(axisOf(child, Axis::Kind::Value));
        else if (name == "dateAx") plot.axes.push_back(axisOf(child, Axis::Kind::Date));
        else if (name == "serAx") plot.axes.push_back(axisOf(child, Axis::Kind::Series));
        else if (name == "dTable") {
            plot.hasDataTable = true;
            plot.dataTable = DataTable{boolElement(child, "showHorzBorder"), boolElement(child, "showVertBorder"),
                                       boolElement(child, "showOutline"), boolElement(child, "showKeys")};
        }
    }
    plot.shape = shapeOf(e);
    return plot;
}

Chart chartOf(const pugi::xml_node& e) {
    Chart chart;
    chart.title = titleOf(e);
    chart.autoTitleDeleted = boolElement(e, "autoTitleDeleted");
    if (const auto view = c(e, "view3D")) {
        View3D v;
        v.rotateX = intElement(view, "rotX", 0);
        v.rotateY = intElement(view, "rotY", 0);
        v.heightPercent = intElement(view, "hPercent", 100);
        v.depthPercent = intElement(view, "depthPercent", 100);
        v.rightAngleAxes = boolElement(view, "rAngAx");
        v.perspective = intElement(view, "perspective", 30);
        chart.view3D = v;
    }
    chart.floor = surfaceOf(e, "floor");
    chart.sideWall = surfaceOf(e, "sideWall");
    chart.backWall = surfaceOf(e, "backWall");
    chart.plotArea = plotAreaOf(c(e, "plotArea"));
    if (const auto l = c(e, "legend")) {
        Legend legend;
        legend.position = schemaEnumElement(l, "legendPos", LegendPosition::Right);
        for (const auto entry : xml::children(l, Ns::C, "legendEntry")) {
            legend.entries.push_back({std::max(0, c(entry, "idx").attribute("val").as_int(0)),
                                      boolElement(entry, "delete"), textPropertiesOf(entry)});
        }
        legend.layout = layoutOf(l);
        legend.overlay = boolElement(l, "overlay");
        legend.shape = shapeOf(l);
        legend.textProperties = textPropertiesOf(l);
        chart.legend = std::move(legend);
    }
    chart.plotVisibleOnly = boolElement(e, "plotVisOnly");
    chart.displayBlanksAs = schemaEnumElement(e, "dispBlanksAs", DisplayBlanksAs::Zero);
    return chart;
}

// The style of a chart space: c:style, possibly inside mc:AlternateContent whose choice holds
// c14:style and whose fallback holds c:style.
void readStyle(const pugi::xml_node& root, ChartSpace* space) {
    space->style = intElement(root, "style", 2);
    for (const auto alternate : xml::children(root, Ns::Mc, "AlternateContent")) {
        for (const auto choice : xml::children(alternate, Ns::Mc, "Choice")) {
            if (const auto style = xml::child(choice, Ns::C14, "style")) {
                space->office2010Style = style.attribute("val").as_int(102);
            }
        }
        if (!space->style) space->style = intElement(xml::child(alternate, Ns::Mc, "Fallback"), "style", 2);
    }
}

template <typename Point>
size_t denseLength(const std::optional<int>& pointCount, const std::vector<Point>& points) {
    int last = -1;
    for (const Point& p : points) last = std::max(last, p.index);
    // Counted unsigned: a point at the largest index there is still has a place after it.
    size_t length = last < 0 ? 0 : static_cast<size_t>(last) + 1;
    if (pointCount && *pointCount >= 0) length = std::min(length, static_cast<size_t>(*pointCount));
    return std::min(length, points.size() * 2 + 1024);
}

}  // namespace

std::vector<double> NumericCache::dense() const {
    std::vector<double> values(denseLength(pointCount, points), std::numeric_limits<double>::quiet_NaN());
    for (const NumericPoint& p : points) {
        if (static_cast<size_t>(p.index) < values.size()) values[static_cast<size_t>(p.index)] = p.value;
    }
    return values;
}

std::vector<QString> StringCache::dense() const {
    std::vector<QString> texts(denseLength(pointCount, points));
    for (const StringPoint& p : points) {
        if (static_cast<size_t>(p.index) < texts.size()) texts[static_cast<size_t>(p.index)] = p.text;
    }
    return texts;
}

QString StringCache::first() const {
    return points.empty() ? QString() : points.front().text;
}

QString TextSource::text() const {
    if (rich) return rich->text();
    if (literal) return *literal;
    return cache ? cache->first() : QString();
}

const DataSource* Series::categoryData() const {
    return categories ? &*categories : xValues ? &*xValues : nullptr;
}

const DataSource* Series::valueData() const {
    return values ? &*values : yValues ? &*yValues : nullptr;
}

QString ChartGroup::kindName() const {
    const ChartKind& k = chartKind(kind);
    const QString name = (kind == Kind::Bar || kind == Kind::Bar3D) && barDirection == BarDirection::Bar
                             ? QStringLiteral("Bar")
                             : QString::fromLatin1(k.name);
    return k.threeD ? QStringLiteral("3-D ") + name : name;
}

std::optional<ChartGroup::Kind> chartGroupKindOf(std::string_view local) {
    if (const ChartKind* k = chartKindOfElement(local)) return k->kind;
    return std::nullopt;
}

const Axis* PlotArea::axisById(unsigned id) const {
    for (const Axis& axis : axes) {
        if (axis.id == id) return &axis;
    }
    return nullptr;
}

std::vector<const Series*> ChartSpace::allSeries() const {
    std::vector<const Series*> result;
    for (const ChartGroup& group : chart.plotArea.groups) {
        for (const Series& series : group.series) result.push_back(&series);
    }
    return result;
}

ChartSpace readChartSpace(const QByteArray& bytes, const QString& file, const QString& part,
                          const Limits& limits, ReadOptions options) {
    pugi::xml_document doc;
    parseXml(doc, bytes, file, part, limits);
    return readChartSpace(doc, file, part, options);
}

ChartSpace readChartSpace(const pugi::xml_document& doc, const QString& file, const QString& part,
                          ReadOptions options) {
    struct Restore {
        ~Restore() { t_numberCachePoints = true; }
    } restore;
    t_numberCachePoints = options.numberCachePoints;
    const auto root = doc.document_element();
    const auto chart = c(root, "chart");
    if (!xml::is(root, Ns::C, "chartSpace") || !chart) {
        throw DocumentError(DocumentError::Kind::Unsupported, file, part,
                            QStringLiteral("not a chart (no c:chartSpace/c:chart)"));
    }
    ChartSpace space;
    space.date1904 = boolElement(root, "date1904");
    t_date1904 = space.date1904.value_or(false);
    space.language = stringElement(root, "lang", "");
    space.roundedCorners = boolElement(root, "roundedCorners");
    readStyle(root, &space);
    if (const auto map = c(root, "clrMapOvr")) space.colorMapOverride = drawingml::readColorMap(map);
    space.shape = shapeOf(root);
    space.textProperties = textPropertiesOf(root);
    if (const auto data = c(root, "externalData")) {
        space.externalDataRelId = xml::relationshipId(data);
        space.autoUpdate = boolElement(data, "autoUpdate");
    }
    if (const auto shapes = c(root, "userShapes")) space.userShapesRelId = xml::relationshipId(shapes);
    space.chart = chartOf(chart);
    return space;
}

}  // namespace engine::chart

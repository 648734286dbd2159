#include "engine/chartformat/ExplicitFormat.h"
#include "engine/chartmodel/ChartKind.h"

#include "engine/chartmodel/ChartSchema.h"
#include "engine/package/Xml.h"
#include "engine/package/XmlValues.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

namespace engine::chart {

namespace {

using xml::Ns;
namespace s = schema;

pugi::xml_node childC(const pugi::xml_node& node, const char* local) {
    return xml::child(node, Ns::C, local);
}

pugi::xml_node childA(const pugi::xml_node& node, const char* local) {
    return xml::child(node, Ns::A, local);
}

pugi::xml_node appendA(pugi::xml_node parent, const char* local) {
    return parent.append_child(xml::qualifiedName(parent, Ns::A, local).c_str());
}

pugi::xml_node appendC(pugi::xml_node parent, const char* local) {
    return parent.append_child(xml::qualifiedName(parent, Ns::C, local).c_str());
}

pugi::xml_node ensure(pugi::xml_node parent, const xml::ChildSequence& sequence, Ns ns, const char* local) {
    if (auto existing = xml::child(parent, ns, local)) return existing;
    return xml::insertChild(parent, sequence, ns, local);
}

void ensureValue(pugi::xml_node parent, const xml::ChildSequence& sequence, const char* local,
                 const QString& value) {
    if (childC(parent, local)) return;
    xml::insertChild(parent, sequence, Ns::C, local).append_attribute("val") = value.toUtf8().constData();
}

void ensureBool(pugi::xml_node parent, const xml::ChildSequence& sequence, const char* local, bool value) {
    ensureValue(parent, sequence, local, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool isTrue(const pugi::xml_node& element) {
    if (!element) return false;
    const auto val = element.attribute("val");
    // Read as the chart model reads it, so that what the model takes for shown is not taken
    // here for deleted.
    return !val || xml::xsdBooleanOr(val.value(), false);
}

// A colour the theme gave goes in as the theme reference it stands for (turned into its value
// afterwards unless the references are kept), any other as its value.
void appendColor(pugi::xml_node container, const Rgba& color) {
    if (color.reference.isSet()) {
        auto clr = appendA(container, "schemeClr");
        clr.append_attribute("val") = color.reference.schemeValue().toLatin1().constData();
        bool opacityNamed = false;
        for (int i = 0; i < color.reference.count; ++i) {
            const drawingml::ColorTransform& t = color.reference.transforms[static_cast<size_t>(i)];
            using K = drawingml::ColorTransform::Kind;
            opacityNamed = opacityNamed || t.kind == K::Alpha || t.kind == K::AlphaOff || t.kind == K::AlphaMod;
            auto transform = appendA(clr, drawingml::transformName(t.kind));
            if (t.kind != K::Comp && t.kind != K::Inv && t.kind != K::Gray && t.kind != K::Gamma && t.kind != K::InvGamma)
                transform.append_attribute("val") = t.value;
        }
        if (!opacityNamed && color.alpha() < 255) {
            appendA(clr, "alpha").append_attribute("val") = static_cast<int>(std::lround(std::clamp(color.a, 0.0, 1.0) * 100000));
        }
        return;
    }
    auto clr = appendA(container, "srgbClr");
    clr.append_attribute("val") = color.hex().toLatin1().constData();
    if (color.alpha() < 255) {
        appendA(clr, "alpha").append_attribute("val") = static_cast<int>(std::lround(std::clamp(color.a, 0.0, 1.0) * 100000));
    }
}

bool hasFill(const pugi::xml_node& node) {
    for (const char* local : {"noFill", "solidFill", "gradFill", "blipFill", "pattFill", "grpFill"}) {
        if (childA(node, local)) return true;
    }
    return false;
}

// Puts the fill element of fill among parent's children; a picture fill (which names a part)
// is never made up here.
void insertFill(pugi::xml_node parent, const xml::ChildSequence& sequence, const ResolvedFill& fill) {
    switch (fill.kind) {
    case ResolvedFill::Kind::None:
        xml::insertChild(parent, sequence, Ns::A, "noFill");
        return;
    case ResolvedFill::Kind::Solid:
        appendColor(xml::insertChild(parent, sequence, Ns::A, "solidFill"), fill.color);
        return;
    case ResolvedFill::Kind::Gradient: {
        auto gradient = xml::insertChild(parent, sequence, Ns::A, "gradFill");
        gradient.append_attribute("rotWithShape") = "1";
        auto list = appendA(gradient, "gsLst");
        for (const auto& stop : fill.stops) {
            auto gs = appendA(list, "gs");
            gs.append_attribute("pos") = static_cast<int>(std::lround(stop.position * 100000));
            appendColor(gs, stop.color);
        }
        if (fill.path.isEmpty()) {
            auto lin = appendA(gradient, "lin");
            lin.append_attribute("ang") = static_cast<long long>(std::llround(fill.angle * 60000));
            lin.append_attribute("scaled") = fill.scaled ? "1" : "0";
        } else {
            auto path = appendA(gradient, "path");
            path.append_attribute("path") = fill.path.toUtf8().constData();
            auto rect = appendA(path, "fillToRect");
            for (const char* side : {"l", "t", "r", "b"}) rect.append_attribute(side) = 50000;
        }
        return;
    }
    case ResolvedFill::Kind::Pattern: {
        auto pattern = xml::insertChild(parent, sequence, Ns::A, "pattFill");
        pattern.append_attribute("prst") = fill.pattern.toUtf8().constData();
        appendColor(appendA(pattern, "fgClr"), fill.color);
        appendColor(appendA(pattern, "bgClr"), fill.background);
        return;
    }
    case ResolvedFill::Kind::Picture:
        return;
    }
}

void completeLine(pugi::xml_node spPr, const ResolvedLine& line) {
    pugi::xml_node ln = childA(spPr, "ln");
    const bool created = !ln;
    if (created) ln = xml::insertChild(spPr, s::kShapeProperties, Ns::A, "ln");
    if (line.visible && !ln.attribute("w")) ln.append_attribute("w") = static_cast<long long>(std::llround(line.width * 12700));
    if (!hasFill(ln)) {
        ResolvedFill none;
        insertFill(ln, s::kLine, line.visible ? line.fill : none);
    }
    if (!created || !line.visible) return;
    if (line.cap != QLatin1String("flat")) ln.append_attribute("cap") = line.cap.toUtf8().constData();
    if (line.dash != QLatin1String("solid") && line.dash != QLatin1String("custom")) {
        xml::insertChild(ln, s::kLine, Ns::A, "prstDash").append_attribute("val") = line.dash.toUtf8().constData();
    }
    if (line.join == QLatin1String("round")) xml::insertChild(ln, s::kLine, Ns::A, "round");
}

void completeShape(pugi::xml_node owner, const xml::ChildSequence& sequence, const ResolvedShape& shape,
                   bool withFill, bool withLine) {
    pugi::xml_node spPr = ensure(owner, sequence, Ns::C, "spPr");
    if (withFill && !hasFill(spPr)) insertFill(spPr, s::kShapeProperties, shape.fill);
    if (withLine) completeLine(spPr, shape.line);
}

void completeLineOf(pugi::xml_node owner, const xml::ChildSequence& sequence, const ResolvedLine& line) {
    ResolvedShape shape;
    shape.line = line;
    completeShape(owner, sequence, shape, false, true);
}

void completeRun(pugi::xml_node run, const ResolvedText& text, bool withBold) {
    if (!run.attribute("sz")) {
        run.append_attribute("sz") = static_cast<int>(std::lround(std::clamp(text.size, 1.0, 4000.0) * 100));
    }
    if (withBold && !run.attribute("b")) run.append_attribute("b") = text.bold ? "1" : "0";
    if (!hasFill(run)) appendColor(xml::insertChild(run, s::kRunProperties, Ns::A, "solidFill"), text.color);
    if (!childA(run, "latin")) {
        // A theme font goes in as its reference, turned into its face unless references are kept.
        const QString& face = text.typefaceReference.isEmpty() ? text.typeface : text.typefaceReference;
        xml::insertChild(run, s::kRunProperties, Ns::A, "latin").append_attribute("typeface") =
            face.toUtf8().constData();
    }
}

// Every paragraph's default run properties of a text body, made explicit; a body without
// paragraphs gets one.
void completeParagraphs(pugi::xml_node body, const ResolvedText& text, bool withBold) {
    bool any = false;
    for (auto p : xml::children(body, Ns::A, "p")) {
        any = true;
        auto pPr = ensure(p, s::kParagraph, Ns::A, "pPr");
        completeRun(ensure(pPr, s::kParagraphProperties, Ns::A, "defRPr"), text, withBold);
    }
    if (any) return;
    auto p = appendA(body, "p");
    completeRun(appendA(appendA(p, "pPr"), "defRPr"), text, withBold);
    appendA(p, "endParaRPr").append_attribute("lang") = "en-US";
}

void completeTextProperties(pugi::xml_node owner, const xml::ChildSequence& sequence,
                            const ResolvedText& text, bool withBold) {
    pugi::xml_node txPr = ensure(owner, sequence, Ns::C, "txPr");
    ensure(txPr, s::kTextBody, Ns::A, "bodyPr");
    ensure(txPr, s::kTextBody, Ns::A, "lstStyle");
    completeParagraphs(txPr, text, withBold);
}

// A title's text: its rich text when it has one, else its text properties.
void completeTitleText(pugi::xml_node title, const ResolvedText& text) {
    if (auto rich = childC(childC(title, "tx"), "rich")) completeParagraphs(rich, text, true);
    else completeTextProperties(title, s::kTitle, text, true);
}

// An enumerated element, written with its schema token where the chart has none.
template <typename E>
void ensureToken(pugi::xml_node parent, const xml::ChildSequence& sequence, const char* local, E value) {
    ensureValue(parent, sequence, local, QString::fromLatin1(schemaToken(value)));
}

// How many points a series draws, from the points its value cache holds as it stands now
// (caches may have been filled in just before): one past the last point present. The cache's
// ptCount is not trusted, so a part claiming billions of points costs what its points cost.
int pointCountOf(const pugi::xml_node& series) {
    for (const char* local : {"val", "yVal"}) {
        const auto source = childC(series, local);
        if (!source) continue;
        for (const char* kind : {"numRef", "numLit"}) {
            auto data = childC(source, kind);
            if (!data) continue;
            if (std::strcmp(kind, "numRef") == 0) data = childC(data, "numCache");
            int count = 0;
            for (auto pt : xml::children(data, Ns::C, "pt")) {
                const long long index = pt.attribute("idx").as_llong(-1);
                if (index >= 0 && index < count + 1048576LL) count = std::max(count, int(index) + 1);
            }
            return count;
        }
    }
    return 0;
}

// Theme references made concrete: every a:schemeClr becomes the a:srgbClr it stands for in the
// source's theme and colour map, and every theme font (+mn-lt, +mj-ea...) the face it names.
// A reader that resolves them against the receiving deck's theme, or its master's colour map,
// then draws what the source showed. Data caches are not walked: they hold neither.
void resolveThemeReferences(pugi::xml_node node, const FormatResolver& resolver) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        const Ns ns = xml::namespaceOf(child);
        const std::string_view local = xml::localName(child);
        if (ns == Ns::C && (local == "numCache" || local == "strCache" || local == "numLit" ||
                            local == "strLit" || local == "multiLvlStrRef")) {
            continue;
        }
        if (ns == Ns::A && local == "schemeClr") {
            const drawingml::Color color = drawingml::readColorElement(child);
            if (color.name == QLatin1String("phClr")) continue;  // only a theme's own styles use it
            const Rgba resolved = resolver.color(color);
            pugi::xml_node replacement = node.insert_child_before(xml::qualifiedName(node, Ns::A, "srgbClr").c_str(), child);
            replacement.append_attribute("val") = resolved.hex().toLatin1().constData();
            if (resolved.alpha() < 255) {
                appendA(replacement, "alpha").append_attribute("val") =
                    static_cast<int>(std::lround(std::clamp(resolved.a, 0.0, 1.0) * 100000));
            }
            node.remove_child(child);
            child = replacement;
            continue;
        }
        if (ns == Ns::A && (local == "latin" || local == "ea" || local == "cs")) {
            auto typeface = child.attribute("typeface");
            const QString face = QString::fromUtf8(typeface.value());
            if (face.startsWith(u'+') && resolver.theme().fonts) {
                const QString resolved = drawingml::resolveTypeface(face, *resolver.theme().fonts);
                if (!resolved.isEmpty() && resolved != face) typeface = resolved.toUtf8().constData();
            }
            continue;
        }
        resolveThemeReferences(child, resolver);
    }
}

class Writer {
public:
    Writer(const ChartSpace& model, const FormatResolver& resolver) : m_model(model), m_r(resolver) {}

    void write(pugi::xml_document& doc) {
        auto root = doc.document_element();
        auto chart = childC(root, "chart");
        if (!chart) return;
        writeChart(chart);
        completeShape(root, s::kChartSpace, m_r.chartArea(), true, true);
        completeTextProperties(root, s::kChartSpace, m_r.chartText(), false);
    }

private:
    void writeChart(pugi::xml_node chart) {
        if (m_model.chart.title) {
            writeTitle(childC(chart, "title"), *m_model.chart.title, m_r.titleText());
        } else if (const Series* series = m_r.automaticTitleSeries()) {
            writeAutomaticTitle(chart, *series);
            ensureBool(chart, s::kChart, "autoTitleDeleted", false);
        } else {
            ensureBool(chart, s::kChart, "autoTitleDeleted", true);
        }
        if (auto plot = childC(chart, "plotArea")) writePlotArea(plot);
        if (auto legend = childC(chart, "legend")) {
            ensureBool(legend, s::kLegend, "overlay", m_r.legendOverlay());
            completeTextProperties(legend, s::kLegend, m_r.legendText(), false);
        }
        ensureToken(chart, s::kChart, "dispBlanksAs", m_r.displayBlanksAs());
    }

    void writeTitle(pugi::xml_node node, const Title& title, const ResolvedText& text) {
        if (!node) return;
        ensureBool(node, s::kTitle, "overlay", title.overlay.value_or(false));
        completeTitleText(node, text);
    }

    // The title the producer shows for a lone named series, linked to the series' name.
    void writeAutomaticTitle(pugi::xml_node chart, const Series& series) {
        auto title = xml::insertChild(chart, s::kChart, Ns::C, "title");
        auto tx = appendC(title, "tx");
        const TextSource& name = *series.text;
        if (!name.formula.isEmpty()) {
            auto ref = appendC(tx, "strRef");
            appendC(ref, "f").text() = name.formula.toUtf8().constData();
            auto cache = appendC(ref, "strCache");
            appendC(cache, "ptCount").append_attribute("val") = 1;
            auto pt = appendC(cache, "pt");
            pt.append_attribute("idx") = 0;
            appendC(pt, "v").text() = name.text().toUtf8().constData();
        } else {
            auto rich = appendC(tx, "rich");
            appendA(rich, "bodyPr");
            appendA(rich, "lstStyle");
            auto p = appendA(rich, "p");
            auto run = appendA(p, "r");
            appendA(run, "rPr").append_attribute("lang") = "en-US";
            appendA(run, "t").text() = name.text().toUtf8().constData();
        }
        appendC(title, "overlay").append_attribute("val") = "0";
        completeTitleText(title, m_r.titleText());
    }

    void writePlotArea(pugi::xml_node plot) {
        size_t group = 0, axis = 0;
        const auto& groups = m_model.chart.plotArea.groups;
        const auto& axes = m_model.chart.plotArea.axes;
        for (pugi::xml_node child = plot.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element || xml::namespaceOf(child) != Ns::C) continue;
            const std::string_view name = xml::localName(child);
            if (name == "catAx" || name == "valAx" || name == "dateAx" || name == "serAx") {
                if (axis < axes.size()) writeAxis(child, axes[axis++]);
            } else if (name.size() > 5 && name.substr(name.size() - 5) == "Chart") {
                if (group < groups.size()) writeGroup(child, groups[group++]);
            }
        }
        completeShape(plot, s::kPlotArea, m_r.plotArea(), true, true);
    }

    void writeGroup(pugi::xml_node node, const ChartGroup& group) {
        using K = ChartGroup::Kind;
        if (chartKind(group).varyColorsElement) ensureBool(node, s::kGroup, "varyColors", m_r.varyColors(group));
        if (group.kind == K::Line) ensureBool(node, s::kGroup, "marker", m_r.groupShowsMarkers(group));
        size_t index = 0;
        for (auto ser : xml::children(node, Ns::C, "ser")) {
            if (index < group.series.size()) writeSeries(ser, group, group.series[index++]);
        }
        if (auto labels = childC(node, "dLbls"); labels && group.labels) writeLabels(labels, group, *group.labels);
        for (const char* local : {"hiLowLines", "dropLines"}) {
            const auto& lines = std::strcmp(local, "hiLowLines") == 0 ? group.hiLowLines : group.dropLines;
            if (auto element = childC(node, local); element && lines) {
                completeLineOf(element, s::kShapeOwner, m_r.groupLines(*lines));
            }
        }
        size_t line = 0;
        for (auto element : xml::children(node, Ns::C, "serLines")) {
            if (line < group.seriesLines.size()) completeLineOf(element, s::kShapeOwner, m_r.groupLines(group.seriesLines[line++]));
        }
        if (auto bars = childC(node, "upDownBars"); bars && group.upDownBars) {
            if (auto up = childC(bars, "upBars")) completeShape(up, s::kShapeOwner, m_r.upDownBar(*group.upDownBars, true), true, true);
            if (auto down = childC(bars, "downBars")) completeShape(down, s::kShapeOwner, m_r.upDownBar(*group.upDownBars, false), true, true);
        }
    }

    void writeSeries(pugi::xml_node ser, const ChartGroup& group, const Series& series) {
        const bool filled = m_r.drawsFilled(group);
        completeShape(ser, s::kSeries, m_r.series(group, series), filled, true);
        if (chartKind(group).invertIfNegative) ensureBool(ser, s::kSeries, "invertIfNegative", m_r.invertIfNegative(series));
        if (chartKind(group).seriesMarkers) writeMarker(ser, group, series);
        writePoints(ser, group, series, filled);
        if (auto labels = childC(ser, "dLbls"); labels && series.labels) writeLabels(labels, group, *series.labels);
        size_t t = 0;
        for (auto element : xml::children(ser, Ns::C, "trendline")) {
            if (t >= series.trendlines.size()) break;
            const Trendline& trendline = series.trendlines[t++];
            completeLineOf(element, s::kTrendline, m_r.trendline(series, trendline));
            ensureBool(element, s::kTrendline, "dispRSqr", m_r.trendlineShowsRSquared(trendline));
            ensureBool(element, s::kTrendline, "dispEq", m_r.trendlineShowsEquation(trendline));
            if (auto label = childC(element, "trendlineLbl")) {
                completeTextProperties(label, s::kDataLabels, m_r.trendlineLabelText(trendline), false);
            }
        }
        size_t e = 0;
        for (auto element : xml::children(ser, Ns::C, "errBars")) {
            if (e < series.errorBars.size()) completeLineOf(element, s::kErrorBars, m_r.errorBars(series.errorBars[e++]));
        }
        if (chartKind(group).smoothable) ensureBool(ser, s::kSeries, "smooth", m_r.smooth(group, series));
    }

    void writeMarker(pugi::xml_node ser, const ChartGroup& group, const Series& series) {
        const ResolvedMarker marker = m_r.marker(group, series);
        auto node = childC(ser, "marker");
        if (!marker.visible) {
            // Hidden by the group: said on the series too, for readers that look only there.
            if (!node) {
                node = xml::insertChild(ser, s::kSeries, Ns::C, "marker");
                appendC(node, "symbol").append_attribute("val") = schemaToken(MarkerSymbol::None);
            }
            return;
        }
        if (!node) node = xml::insertChild(ser, s::kSeries, Ns::C, "marker");
        ensureToken(node, s::kMarker, "symbol", marker.symbol);
        ensureValue(node, s::kMarker, "size", QString::number(marker.size));
        completeShape(node, s::kMarker, marker.shape, true, true);
    }

    // Points that say something of their own get the rest of their look; when colours vary by
    // point, every point gets its colour.
    void writePoints(pugi::xml_node ser, const ChartGroup& group, const Series& series, bool filled) {
        std::unordered_set<int> present;
        pugi::xml_node last;
        for (auto dPt : xml::children(ser, Ns::C, "dPt")) {
            const int index = childC(dPt, "idx").attribute("val").as_int(-1);
            last = dPt;
            if (index < 0) continue;
            present.insert(index);
            completeShape(dPt, s::kDataPoint, m_r.dataPoint(group, series, index), filled, true);
        }
        if (!m_r.variesByPoint(group)) return;
        const int count = pointCountOf(ser);
        for (int index = 0; index < count; ++index) {
            if (present.count(index)) continue;
            const std::string name = xml::qualifiedName(ser, Ns::C, "dPt");
            // Inserted after the previous one: a long series costs one pass, not one per point.
            pugi::xml_node dPt = last ? ser.insert_child_after(name.c_str(), last)
                                      : xml::insertChild(ser, s::kSeries, Ns::C, "dPt");
            last = dPt;
            appendC(dPt, "idx").append_attribute("val") = index;
            if (chartKind(group).invertIfNegative) {
                appendC(dPt, "invertIfNegative").append_attribute("val") = m_r.invertIfNegative(series) ? "1" : "0";
            }
            if (group.kind == ChartGroup::Kind::Bubble) appendC(dPt, "bubble3D").append_attribute("val") = "0";
            completeShape(dPt, s::kDataPoint, m_r.dataPoint(group, series, index), filled, true);
        }
    }

    void writeLabels(pugi::xml_node node, const ChartGroup& group, const DataLabels& labels) {
        if (isTrue(childC(node, "delete"))) return;
        const ResolvedDataLabel resolved = m_r.resolveLabels(group, labels, nullptr);
        completeTextProperties(node, s::kDataLabels, resolved.text, false);
        writeFlags(node, resolved);
        size_t index = 0;
        for (auto label : xml::children(node, Ns::C, "dLbl")) {
            if (index >= labels.labels.size()) break;
            const DataLabel& model = labels.labels[index++];
            if (model.deleted || childC(label, "delete")) continue;
            writeFlags(label, m_r.resolveLabels(group, labels, &model));
        }
    }

    static void writeFlags(pugi::xml_node node, const ResolvedDataLabel& label) {
        ensureBool(node, s::kDataLabels, "showLegendKey", label.showLegendKey);
        ensureBool(node, s::kDataLabels, "showVal", label.showValue);
        ensureBool(node, s::kDataLabels, "showCatName", label.showCategoryName);
        ensureBool(node, s::kDataLabels, "showSerName", label.showSeriesName);
        ensureBool(node, s::kDataLabels, "showPercent", label.showPercent);
        ensureBool(node, s::kDataLabels, "showBubbleSize", label.showBubbleSize);
    }

    void writeAxis(pugi::xml_node node, const Axis& axis) {
        if (auto major = childC(node, "majorGridlines")) completeLineOf(major, s::kShapeOwner, m_r.gridlines(axis, true));
        if (auto minor = childC(node, "minorGridlines")) completeLineOf(minor, s::kShapeOwner, m_r.gridlines(axis, false));
        if (axis.title) writeTitle(childC(node, "title"), *axis.title, m_r.axisTitleText(axis));
        ensureToken(node, s::kAxis, "majorTickMark", m_r.majorTickMark(axis));
        ensureToken(node, s::kAxis, "minorTickMark", m_r.minorTickMark(axis));
        completeLineOf(node, s::kAxis, m_r.axisLine(axis));
        completeTextProperties(node, s::kAxis, m_r.axisLabelText(axis), false);
    }

    const ChartSpace& m_model;
    const FormatResolver& m_r;
};

}  // namespace

void writeExplicitFormat(pugi::xml_document& doc, const ChartSpace& model, const FormatResolver& resolver,
                         ThemeReferences references) {
    Writer(model, resolver).write(doc);
    if (references == ThemeReferences::Resolve) resolveThemeReferences(doc.document_element(), resolver);
}

}  // namespace engine::chart

// The chart model against the XML it is read from: for every element kind the model covers,
// what the part holds (read here independently, by XPath on local names) must be what the model
// says, and what the part leaves out must be absent from the model.

#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/package/Xml.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include "tests/support/GeneratedFiles.h"

#include <gtest/gtest.h>

using namespace engine;
using namespace engine::chart;

namespace {

using testsupport::sourceRoot;

// The workbooks of tools/make-model-workbooks.py, made once per test program, with the
// LibreOffice round trip when LibreOffice is installed.
QString modelWorkbook(const QString& name) {
    QStringList arguments;
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!office.isEmpty()) arguments << QStringLiteral("--libreoffice") << office;
    return testsupport::generatedFile(QStringLiteral("make-model-workbooks.py"), arguments, name);
}

QString dataFile(const QString& name) {
    return sourceRoot() + QStringLiteral("/tests/chart/data/") + name;
}

// ---- The XML side, read by local name, independently of the reader under test.

pugi::xml_node childNamed(const pugi::xml_node& parent, const char* local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && std::strcmp(xml::localName(c), local) == 0) return c;
    }
    return {};
}

std::vector<pugi::xml_node> childrenNamed(const pugi::xml_node& parent, const char* local) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && std::strcmp(xml::localName(c), local) == 0) out.push_back(c);
    }
    return out;
}

// The val of an option element as the model should give it back: booleans as "1"/"0", with
// the schema's defaults for a missing val.
QString xmlValue(const pugi::xml_node& element, const char* byDefault) {
    const auto a = element.attribute("val");
    const QString v = QString::fromUtf8(a ? a.value() : byDefault);
    if (v == "true") return "1";
    if (v == "false") return "0";
    return v;
}

QString str(const std::optional<QString>& v) { return *v; }
QString str(const std::optional<bool>& v) { return *v ? "1" : "0"; }
QString str(const std::optional<int>& v) { return QString::number(*v); }
QString str(const std::optional<unsigned>& v) { return QString::number(*v); }
QString str(const std::optional<double>& v) { return QString::number(*v, 'g', 17); }
template <typename E, typename = decltype(SchemaEnum<E>::tokens)>
QString str(const std::optional<E>& v) { return QString::fromLatin1(schemaToken(*v)); }

// One option element of the schema and where the model keeps it.
template <typename T>
struct Option {
    const char* element;
    const char* byDefault;  // what a missing val means
    std::function<std::optional<QString>(const T&)> model;
};

template <typename V>
std::optional<QString> opt(const std::optional<V>& v) {
    if (!v) return std::nullopt;
    return str(v);
}

template <typename T>
void compareOptions(const pugi::xml_node& xml, const T& model, const std::vector<Option<T>>& options,
                    const std::string& where) {
    for (const auto& option : options) {
        const auto element = childNamed(xml, option.element);
        const auto value = option.model(model);
        ASSERT_EQ(bool(element), value.has_value()) << where << ": " << option.element;
        if (!element) continue;
        const QString expected = xmlValue(element, option.byDefault);
        bool numeric = false;
        const double number = expected.toDouble(&numeric);
        if (numeric) {
            EXPECT_DOUBLE_EQ(value->toDouble(), number) << where << ": " << option.element;
        } else {
            EXPECT_EQ(value->toStdString(), expected.toStdString()) << where << ": " << option.element;
        }
    }
}

void comparePresence(const pugi::xml_node& xml, const char* local, bool inModel, const std::string& where) {
    EXPECT_EQ(bool(childNamed(xml, local)), inModel) << where << ": " << local;
}

void compareNumbers(const pugi::xml_node& cache, const NumericCache& model, const std::string& where) {
    const auto count = childNamed(cache, "ptCount");
    EXPECT_EQ(bool(count), model.pointCount.has_value()) << where;
    if (count) {
        EXPECT_EQ(count.attribute("val").as_int(), *model.pointCount) << where;
    }
    EXPECT_EQ(QString::fromUtf8(childNamed(cache, "formatCode").text().get()), model.formatCode) << where;
    const auto points = childrenNamed(cache, "pt");
    ASSERT_EQ(points.size(), model.points.size()) << where;
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].attribute("idx").as_int(), model.points[i].index) << where;
        const QString text = QString::fromUtf8(childNamed(points[i], "v").text().get());
        // LibreOffice writes dates as ISO dates in number caches; the model has their serials.
        const QDate date = QDate::fromString(text, Qt::ISODate);
        const double expected = date.isValid() ? QDate(1899, 12, 30).daysTo(date) : text.toDouble();
        EXPECT_DOUBLE_EQ(expected, model.points[i].value) << where;
    }
}

void compareStrings(const pugi::xml_node& cache, const StringCache& model, const std::string& where) {
    const auto count = childNamed(cache, "ptCount");
    EXPECT_EQ(bool(count), model.pointCount.has_value()) << where;
    if (count) {
        EXPECT_EQ(count.attribute("val").as_int(), *model.pointCount) << where;
    }
    const auto points = childrenNamed(cache, "pt");
    ASSERT_EQ(points.size(), model.points.size()) << where;
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].attribute("idx").as_int(), model.points[i].index) << where;
        EXPECT_EQ(QString::fromUtf8(childNamed(points[i], "v").text().get()), model.points[i].text) << where;
    }
}

void compareSource(const pugi::xml_node& holder, const std::optional<DataSource>& model, const std::string& where) {
    ASSERT_EQ(bool(holder), model.has_value()) << where;
    if (!holder) return;
    if (auto ref = childNamed(holder, "numRef")) {
        EXPECT_EQ(model->kind, DataSource::Kind::NumberReference) << where;
        EXPECT_EQ(QString::fromUtf8(childNamed(ref, "f").text().get()), model->formula) << where;
        ASSERT_EQ(bool(childNamed(ref, "numCache")), model->numbers.has_value()) << where;
        if (model->numbers) compareNumbers(childNamed(ref, "numCache"), *model->numbers, where);
    } else if (auto ref = childNamed(holder, "strRef")) {
        EXPECT_EQ(model->kind, DataSource::Kind::StringReference) << where;
        EXPECT_EQ(QString::fromUtf8(childNamed(ref, "f").text().get()), model->formula) << where;
        ASSERT_EQ(bool(childNamed(ref, "strCache")), model->strings.has_value()) << where;
        if (model->strings) compareStrings(childNamed(ref, "strCache"), *model->strings, where);
    } else if (auto ref = childNamed(holder, "multiLvlStrRef")) {
        EXPECT_EQ(model->kind, DataSource::Kind::MultiLevelReference) << where;
        const auto cache = childNamed(ref, "multiLvlStrCache");
        ASSERT_EQ(bool(cache), model->multiLevel.has_value()) << where;
        if (!cache) return;
        const auto levels = childrenNamed(cache, "lvl");
        ASSERT_EQ(levels.size(), model->multiLevel->levels.size()) << where;
        for (size_t i = 0; i < levels.size(); ++i) compareStrings(levels[i], model->multiLevel->levels[i], where);
    } else if (auto lit = childNamed(holder, "numLit")) {
        EXPECT_EQ(model->kind, DataSource::Kind::NumberLiteral) << where;
        compareNumbers(lit, *model->numbers, where);
    } else if (auto lit = childNamed(holder, "strLit")) {
        EXPECT_EQ(model->kind, DataSource::Kind::StringLiteral) << where;
        compareStrings(lit, *model->strings, where);
    }
}

QString richText(const pugi::xml_node& rich) {
    QStringList paragraphs;
    for (const auto p : childrenNamed(rich, "p")) {
        QString text;
        for (pugi::xml_node r = p.first_child(); r; r = r.next_sibling()) {
            const std::string_view local = r.type() == pugi::node_element ? xml::localName(r) : "";
            if (local == "r" || local == "fld") text += QString::fromUtf8(childNamed(r, "t").text().get());
            if (local == "br") text += u'\n';
        }
        paragraphs << text;
    }
    return paragraphs.join(u'\n');
}

void compareText(const pugi::xml_node& holder, const std::optional<TextSource>& model, const std::string& where) {
    const auto tx = childNamed(holder, "tx");
    ASSERT_EQ(bool(tx), model.has_value()) << where;
    if (!tx) return;
    if (auto ref = childNamed(tx, "strRef")) {
        EXPECT_EQ(QString::fromUtf8(childNamed(ref, "f").text().get()), model->formula) << where;
        if (auto cache = childNamed(ref, "strCache")) compareStrings(cache, *model->cache, where);
    } else if (auto v = childNamed(tx, "v")) {
        EXPECT_EQ(QString::fromUtf8(v.text().get()), model->literal.value_or("<none>")) << where;
    } else if (auto rich = childNamed(tx, "rich")) {
        ASSERT_TRUE(model->rich) << where;
        EXPECT_EQ(richText(rich), model->text()) << where;
    }
}

void compareTitle(const pugi::xml_node& parent, const char* local, const std::optional<Title>& model,
                  const std::string& where) {
    const auto title = childNamed(parent, local);
    ASSERT_EQ(bool(title), model.has_value()) << where << ": " << local;
    if (!title) return;
    compareText(title, model->text, where + "/title");
    comparePresence(title, "layout", model->layout.has_value(), where + "/title");
    comparePresence(title, "spPr", model->shape.has_value(), where + "/title");
    comparePresence(title, "txPr", model->textProperties.has_value(), where + "/title");
    compareOptions<Title>(title, *model, {{"overlay", "1", [](const Title& t) { return opt(t.overlay); }}},
                          where + "/title");
}

void compareLayout(const pugi::xml_node& parent, const std::optional<Layout>& model, const std::string& where) {
    const auto layout = childNamed(parent, "layout");
    ASSERT_EQ(bool(layout), model.has_value()) << where;
    if (!layout) return;
    const auto manual = childNamed(layout, "manualLayout");
    ASSERT_EQ(bool(manual), model->manual.has_value()) << where;
    if (!manual) return;
    compareOptions<ManualLayout>(manual, *model->manual,
                                 {{"layoutTarget", "outer", [](const ManualLayout& m) { return opt(m.layoutTarget); }},
                                  {"xMode", "factor", [](const ManualLayout& m) { return opt(m.xMode); }},
                                  {"yMode", "factor", [](const ManualLayout& m) { return opt(m.yMode); }},
                                  {"x", "", [](const ManualLayout& m) { return opt(m.x); }},
                                  {"y", "", [](const ManualLayout& m) { return opt(m.y); }},
                                  {"w", "", [](const ManualLayout& m) { return opt(m.w); }},
                                  {"h", "", [](const ManualLayout& m) { return opt(m.h); }}},
                                 where + "/layout");
}

void compareLabelContent(const pugi::xml_node& xml, const DataLabelContent& model, const std::string& where) {
    compareOptions<DataLabelContent>(
        xml, model,
        {{"dLblPos", "bestFit", [](const DataLabelContent& l) { return opt(l.position); }},
         {"showLegendKey", "1", [](const DataLabelContent& l) { return opt(l.showLegendKey); }},
         {"showVal", "1", [](const DataLabelContent& l) { return opt(l.showValue); }},
         {"showCatName", "1", [](const DataLabelContent& l) { return opt(l.showCategoryName); }},
         {"showSerName", "1", [](const DataLabelContent& l) { return opt(l.showSeriesName); }},
         {"showPercent", "1", [](const DataLabelContent& l) { return opt(l.showPercent); }},
         {"showBubbleSize", "1", [](const DataLabelContent& l) { return opt(l.showBubbleSize); }}},
        where);
    comparePresence(xml, "numFmt", model.numberFormat.has_value(), where);
    comparePresence(xml, "spPr", model.shape.has_value(), where);
    comparePresence(xml, "txPr", model.textProperties.has_value(), where);
    const auto separator = childNamed(xml, "separator");
    ASSERT_EQ(bool(separator), model.separator.has_value()) << where;
    if (separator) {
        EXPECT_EQ(QString::fromUtf8(separator.text().get()), *model.separator) << where;
    }
}

void compareLabels(const pugi::xml_node& parent, const std::optional<DataLabels>& model, const std::string& where) {
    const auto labels = childNamed(parent, "dLbls");
    ASSERT_EQ(bool(labels), model.has_value()) << where;
    if (!labels) return;
    compareLabelContent(labels, *model, where + "/dLbls");
    compareOptions<DataLabels>(labels, *model,
                               {{"delete", "1", [](const DataLabels& l) { return opt(l.deleted); }},
                                {"showLeaderLines", "1", [](const DataLabels& l) { return opt(l.showLeaderLines); }}},
                               where + "/dLbls");
    EXPECT_EQ(bool(childNamed(labels, "leaderLines")), model->hasLeaderLines) << where;
    const auto each = childrenNamed(labels, "dLbl");
    ASSERT_EQ(each.size(), model->labels.size()) << where;
    for (size_t i = 0; i < each.size(); ++i) {
        const std::string at = where + "/dLbl" + std::to_string(i);
        const DataLabel& label = model->labels[i];
        EXPECT_EQ(childNamed(each[i], "idx").attribute("val").as_int(), label.index) << at;
        EXPECT_EQ(bool(childNamed(each[i], "delete")) && xmlValue(childNamed(each[i], "delete"), "1") == "1",
                  label.deleted)
            << at;
        compareLayout(each[i], label.layout, at);
        compareText(each[i], label.text, at);
        compareLabelContent(each[i], label, at);
    }
}

const std::vector<Option<ChartGroup>>& groupOptions() {
    static const std::vector<Option<ChartGroup>> options{
        {"barDir", "col", [](const ChartGroup& g) { return opt(g.barDirection); }},
        {"grouping", "", [](const ChartGroup& g) { return opt(g.grouping); }},
        {"varyColors", "1", [](const ChartGroup& g) { return opt(g.varyColors); }},
        {"gapWidth", "150", [](const ChartGroup& g) { return opt(g.gapWidth); }},
        {"gapDepth", "150", [](const ChartGroup& g) { return opt(g.gapDepth); }},
        {"overlap", "0", [](const ChartGroup& g) { return opt(g.overlap); }},
        {"shape", "box", [](const ChartGroup& g) { return opt(g.shape); }},
        {"holeSize", "10", [](const ChartGroup& g) { return opt(g.holeSize); }},
        {"firstSliceAng", "0", [](const ChartGroup& g) { return opt(g.firstSliceAngle); }},
        {"ofPieType", "pie", [](const ChartGroup& g) { return opt(g.ofPieType); }},
        {"splitType", "auto", [](const ChartGroup& g) { return opt(g.splitType); }},
        {"splitPos", "", [](const ChartGroup& g) { return opt(g.splitPosition); }},
        {"secondPieSize", "75", [](const ChartGroup& g) { return opt(g.secondPieSize); }},
        {"scatterStyle", "marker", [](const ChartGroup& g) { return opt(g.scatterStyle); }},
        {"radarStyle", "standard", [](const ChartGroup& g) { return opt(g.radarStyle); }},
        {"bubbleScale", "100", [](const ChartGroup& g) { return opt(g.bubbleScale); }},
        {"showNegBubbles", "1", [](const ChartGroup& g) { return opt(g.showNegativeBubbles); }},
        {"bubble3D", "1", [](const ChartGroup& g) { return opt(g.bubble3D); }},
        {"wireframe", "1", [](const ChartGroup& g) { return opt(g.wireframe); }},
        {"marker", "1", [](const ChartGroup& g) { return opt(g.marker); }}};
    return options;
}

const std::vector<Option<Series>>& seriesOptions() {
    static const std::vector<Option<Series>> options{
        {"invertIfNegative", "1", [](const Series& s) { return opt(s.invertIfNegative); }},
        {"smooth", "1", [](const Series& s) { return opt(s.smooth); }},
        {"explosion", "0", [](const Series& s) { return opt(s.explosion); }},
        {"bubble3D", "1", [](const Series& s) { return opt(s.bubble3D); }},
        {"shape", "box", [](const Series& s) { return opt(s.shape3D); }}};
    return options;
}

const std::vector<Option<Axis>>& axisOptions() {
    static const std::vector<Option<Axis>> options{
        {"delete", "1", [](const Axis& a) { return opt(a.deleted); }},
        {"axPos", "l", [](const Axis& a) { return opt(a.position); }},
        {"majorTickMark", "cross", [](const Axis& a) { return opt(a.majorTickMark); }},
        {"minorTickMark", "cross", [](const Axis& a) { return opt(a.minorTickMark); }},
        {"tickLblPos", "nextTo", [](const Axis& a) { return opt(a.tickLabelPosition); }},
        {"crossAx", "0", [](const Axis& a) { return opt(a.crossAxis); }},
        {"crosses", "autoZero", [](const Axis& a) { return opt(a.crosses); }},
        {"crossesAt", "", [](const Axis& a) { return opt(a.crossesAt); }},
        {"crossBetween", "between", [](const Axis& a) { return opt(a.crossBetween); }},
        {"majorUnit", "", [](const Axis& a) { return opt(a.majorUnit); }},
        {"minorUnit", "", [](const Axis& a) { return opt(a.minorUnit); }},
        {"baseTimeUnit", "days", [](const Axis& a) { return opt(a.baseTimeUnit); }},
        {"majorTimeUnit", "days", [](const Axis& a) { return opt(a.majorTimeUnit); }},
        {"minorTimeUnit", "days", [](const Axis& a) { return opt(a.minorTimeUnit); }},
        {"auto", "1", [](const Axis& a) { return opt(a.automatic); }},
        {"lblAlgn", "ctr", [](const Axis& a) { return opt(a.labelAlignment); }},
        {"lblOffset", "100", [](const Axis& a) { return opt(a.labelOffset); }},
        {"tickLblSkip", "1", [](const Axis& a) { return opt(a.tickLabelSkip); }},
        {"tickMarkSkip", "1", [](const Axis& a) { return opt(a.tickMarkSkip); }},
        {"noMultiLvlLbl", "1", [](const Axis& a) { return opt(a.noMultiLevelLabels); }}};
    return options;
}

void compareSeries(const pugi::xml_node& xml, const Series& model, const std::string& where) {
    EXPECT_EQ(childNamed(xml, "idx").attribute("val").as_int(), model.index) << where;
    EXPECT_EQ(childNamed(xml, "order").attribute("val").as_int(), model.order) << where;
    compareText(xml, model.text, where);
    comparePresence(xml, "spPr", model.shape.has_value(), where);
    compareOptions(xml, model, seriesOptions(), where);
    const auto marker = childNamed(xml, "marker");
    ASSERT_EQ(bool(marker), model.marker.has_value()) << where;
    if (marker) {
        compareOptions<Marker>(marker, *model.marker,
                               {{"symbol", "none", [](const Marker& m) { return opt(m.symbol); }},
                                {"size", "5", [](const Marker& m) { return opt(m.size); }}},
                               where + "/marker");
        comparePresence(marker, "spPr", model.marker->shape.has_value(), where + "/marker");
    }
    const auto points = childrenNamed(xml, "dPt");
    ASSERT_EQ(points.size(), model.points.size()) << where;
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(childNamed(points[i], "idx").attribute("val").as_int(), model.points[i].index) << where;
        comparePresence(points[i], "spPr", model.points[i].shape.has_value(), where + "/dPt");
        comparePresence(points[i], "marker", model.points[i].marker.has_value(), where + "/dPt");
        compareOptions<DataPoint>(points[i], model.points[i],
                                  {{"explosion", "0", [](const DataPoint& p) { return opt(p.explosion); }},
                                   {"invertIfNegative", "1", [](const DataPoint& p) { return opt(p.invertIfNegative); }},
                                   {"bubble3D", "1", [](const DataPoint& p) { return opt(p.bubble3D); }}},
                                  where + "/dPt");
    }
    compareLabels(xml, model.labels, where);
    const auto trendlines = childrenNamed(xml, "trendline");
    ASSERT_EQ(trendlines.size(), model.trendlines.size()) << where;
    for (size_t i = 0; i < trendlines.size(); ++i) {
        compareOptions<Trendline>(trendlines[i], model.trendlines[i],
                                  {{"trendlineType", "linear", [](const Trendline& t) { return opt(t.type); }},
                                   {"order", "2", [](const Trendline& t) { return opt(t.order); }},
                                   {"period", "2", [](const Trendline& t) { return opt(t.period); }},
                                   {"forward", "", [](const Trendline& t) { return opt(t.forward); }},
                                   {"backward", "", [](const Trendline& t) { return opt(t.backward); }},
                                   {"intercept", "", [](const Trendline& t) { return opt(t.intercept); }},
                                   {"dispRSqr", "1", [](const Trendline& t) { return opt(t.displayRSquared); }},
                                   {"dispEq", "1", [](const Trendline& t) { return opt(t.displayEquation); }}},
                                  where + "/trendline");
        comparePresence(trendlines[i], "trendlineLbl", model.trendlines[i].label.has_value(), where);
    }
    const auto bars = childrenNamed(xml, "errBars");
    ASSERT_EQ(bars.size(), model.errorBars.size()) << where;
    for (size_t i = 0; i < bars.size(); ++i) {
        compareOptions<ErrorBars>(bars[i], model.errorBars[i],
                                  {{"errDir", "y", [](const ErrorBars& b) { return opt(b.direction); }},
                                   {"errBarType", "both", [](const ErrorBars& b) { return opt(b.barType); }},
                                   {"errValType", "fixedVal", [](const ErrorBars& b) { return opt(b.valueType); }},
                                   {"noEndCap", "1", [](const ErrorBars& b) { return opt(b.noEndCap); }},
                                   {"val", "", [](const ErrorBars& b) { return opt(b.value); }}},
                                  where + "/errBars");
        compareSource(childNamed(bars[i], "plus"), model.errorBars[i].plus, where + "/plus");
        compareSource(childNamed(bars[i], "minus"), model.errorBars[i].minus, where + "/minus");
    }
    compareSource(childNamed(xml, "cat"), model.categories, where + "/cat");
    compareSource(childNamed(xml, "val"), model.values, where + "/val");
    compareSource(childNamed(xml, "xVal"), model.xValues, where + "/xVal");
    compareSource(childNamed(xml, "yVal"), model.yValues, where + "/yVal");
    compareSource(childNamed(xml, "bubbleSize"), model.bubbleSizes, where + "/bubbleSize");
}

void compareAxis(const pugi::xml_node& xml, const Axis& model, const std::string& where) {
    EXPECT_EQ(childNamed(xml, "axId").attribute("val").as_uint(), model.id) << where;
    compareOptions(xml, model, axisOptions(), where);
    const auto scaling = childNamed(xml, "scaling");
    compareOptions<Axis>(scaling, model,
                         {{"orientation", "minMax", [](const Axis& a) { return opt(a.orientation); }},
                          {"min", "", [](const Axis& a) { return opt(a.minimum); }},
                          {"max", "", [](const Axis& a) { return opt(a.maximum); }},
                          {"logBase", "", [](const Axis& a) { return opt(a.logBase); }}},
                         where + "/scaling");
    comparePresence(xml, "majorGridlines", model.majorGridlines.has_value(), where);
    comparePresence(xml, "minorGridlines", model.minorGridlines.has_value(), where);
    comparePresence(xml, "spPr", model.shape.has_value(), where);
    comparePresence(xml, "txPr", model.textProperties.has_value(), where);
    comparePresence(xml, "dispUnits", model.displayUnits.has_value(), where);
    compareTitle(xml, "title", model.title, where);
    const auto format = childNamed(xml, "numFmt");
    ASSERT_EQ(bool(format), model.numberFormat.has_value()) << where;
    if (format) {
        EXPECT_EQ(QString::fromUtf8(format.attribute("formatCode").value()), model.numberFormat->formatCode) << where;
        EXPECT_EQ(bool(format.attribute("sourceLinked")), model.numberFormat->sourceLinked.has_value()) << where;
    }
}

// The whole comparison of one chart part with its model.
void compareWithXml(const QByteArray& bytes, const ChartSpace& model, const std::string& where) {
    pugi::xml_document doc;
    parseXml(doc, bytes, "test", "/chart.xml");
    const auto root = doc.document_element();
    compareOptions<ChartSpace>(root, model,
                               {{"date1904", "1", [](const ChartSpace& s) { return opt(s.date1904); }},
                                {"lang", "", [](const ChartSpace& s) { return opt(s.language); }},
                                {"roundedCorners", "1", [](const ChartSpace& s) { return opt(s.roundedCorners); }}},
                               where);
    if (!childNamed(root, "AlternateContent")) {
        compareOptions<ChartSpace>(root, model, {{"style", "2", [](const ChartSpace& s) { return opt(s.style); }}},
                                   where);
    }
    comparePresence(root, "clrMapOvr", model.colorMapOverride.has_value(), where);
    comparePresence(root, "spPr", model.shape.has_value(), where);
    comparePresence(root, "txPr", model.textProperties.has_value(), where);
    comparePresence(root, "externalData", !model.externalDataRelId.isEmpty(), where);
    comparePresence(root, "userShapes", !model.userShapesRelId.isEmpty(), where);

    const auto chart = childNamed(root, "chart");
    compareTitle(chart, "title", model.chart.title, where);
    compareOptions<Chart>(chart, model.chart,
                          {{"autoTitleDeleted", "1", [](const Chart& c) { return opt(c.autoTitleDeleted); }},
                           {"plotVisOnly", "1", [](const Chart& c) { return opt(c.plotVisibleOnly); }},
                           {"dispBlanksAs", "zero", [](const Chart& c) { return opt(c.displayBlanksAs); }}},
                          where);
    comparePresence(chart, "view3D", model.chart.view3D.has_value(), where);
    comparePresence(chart, "floor", model.chart.floor.has_value(), where);
    comparePresence(chart, "sideWall", model.chart.sideWall.has_value(), where);
    comparePresence(chart, "backWall", model.chart.backWall.has_value(), where);
    if (const auto view = childNamed(chart, "view3D")) {
        compareOptions<View3D>(view, *model.chart.view3D,
                               {{"rotX", "0", [](const View3D& v) { return opt(v.rotateX); }},
                                {"rotY", "0", [](const View3D& v) { return opt(v.rotateY); }},
                                {"depthPercent", "100", [](const View3D& v) { return opt(v.depthPercent); }},
                                {"rAngAx", "1", [](const View3D& v) { return opt(v.rightAngleAxes); }},
                                {"perspective", "30", [](const View3D& v) { return opt(v.perspective); }}},
                               where + "/view3D");
    }
    const auto legend = childNamed(chart, "legend");
    ASSERT_EQ(bool(legend), model.chart.legend.has_value()) << where;
    if (legend) {
        compareOptions<Legend>(legend, *model.chart.legend,
                               {{"legendPos", "r", [](const Legend& l) { return opt(l.position); }},
                                {"overlay", "1", [](const Legend& l) { return opt(l.overlay); }}},
                               where + "/legend");
        compareLayout(legend, model.chart.legend->layout, where + "/legend");
        const auto entries = childrenNamed(legend, "legendEntry");
        ASSERT_EQ(entries.size(), model.chart.legend->entries.size()) << where;
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(childNamed(entries[i], "idx").attribute("val").as_int(), model.chart.legend->entries[i].index);
        }
    }

    const auto plot = childNamed(chart, "plotArea");
    compareLayout(plot, model.chart.plotArea.layout, where + "/plotArea");
    comparePresence(plot, "spPr", model.chart.plotArea.shape.has_value(), where + "/plotArea");
    size_t group = 0, axis = 0;
    for (pugi::xml_node child = plot.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        const QString local = QString::fromUtf8(xml::localName(child));
        if (local.endsWith(QLatin1String("Chart"))) {
            ASSERT_LT(group, model.chart.plotArea.groups.size()) << where;
            const ChartGroup& g = model.chart.plotArea.groups[group++];
            const std::string at = where + "/" + local.toStdString();
            compareOptions(child, g, groupOptions(), at);
            comparePresence(child, "hiLowLines", g.hiLowLines.has_value(), at);
            comparePresence(child, "dropLines", g.dropLines.has_value(), at);
            comparePresence(child, "upDownBars", g.upDownBars.has_value(), at);
            EXPECT_EQ(childrenNamed(child, "serLines").size(), g.seriesLines.size()) << at;
            compareLabels(child, g.labels, at);
            const auto ids = childrenNamed(child, "axId");
            ASSERT_EQ(ids.size(), g.axisIds.size()) << at;
            for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i].attribute("val").as_uint(), g.axisIds[i]);
            const auto series = childrenNamed(child, "ser");
            ASSERT_EQ(series.size(), g.series.size()) << at;
            for (size_t i = 0; i < series.size(); ++i) compareSeries(series[i], g.series[i], at + "/ser" + std::to_string(i));
        } else if (local.endsWith(QLatin1String("Ax"))) {
            ASSERT_LT(axis, model.chart.plotArea.axes.size()) << where;
            const Axis& a = model.chart.plotArea.axes[axis++];
            const Axis::Kind kind = local == "catAx" ? Axis::Kind::Category
                                    : local == "valAx" ? Axis::Kind::Value
                                    : local == "dateAx" ? Axis::Kind::Date
                                                        : Axis::Kind::Series;
            EXPECT_EQ(a.kind, kind) << where;
            compareAxis(child, a, where + "/" + local.toStdString());
        }
    }
    EXPECT_EQ(group, model.chart.plotArea.groups.size()) << where;
    EXPECT_EQ(axis, model.chart.plotArea.axes.size()) << where;
}

struct ChartOfWorkbook {
    QString sheet;
    QString name;
    QString part;
    QByteArray bytes;
};

std::vector<ChartOfWorkbook> chartsOf(const Workbook& workbook) {
    std::vector<ChartOfWorkbook> charts;
    for (const auto* sheet : workbook.worksheets()) {
        for (const auto& chart : sheet->chartObjects) {
            charts.push_back({sheet->name, chart.name, chart.chartPart, workbook.package().read(chart.chartPart)});
        }
    }
    return charts;
}

// A chart part in the usual prefixes, around the plot-area content given.
QByteArray specimen(const QByteArray& chartSpaceHead, const QByteArray& chart) {
    return "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>"
           "<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'"
           " xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/main'"
           " xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'"
           " xmlns:mc='http://schemas.openxmlformats.org/markup-compatibility/2006'"
           " xmlns:c14='http://schemas.microsoft.com/office/drawing/2007/8/2/chart'>" +
           chartSpaceHead + "<c:chart>" + chart + "</c:chart></c:chartSpace>";
}

}  // namespace

TEST(ChartModel, EveryGeneratedChartReadsAsItsXmlSays) {
    const auto workbook = Workbook::open(modelWorkbook("kinds.xlsx"));
    const auto charts = chartsOf(*workbook);
    ASSERT_EQ(charts.size(), 10u);
    for (const auto& chart : charts) {
        const ChartSpace model = readChartSpace(chart.bytes, "kinds.xlsx", chart.part);
        compareWithXml(chart.bytes, model, chart.part.toStdString());
    }
    // A few facts of what was generated, beyond agreeing with the XML.
    const ChartSpace column = readChartSpace(charts[0].bytes, "kinds.xlsx", charts[0].part);
    EXPECT_EQ(column.style, 26);
    const Series& north = column.chart.plotArea.groups[0].series[0];
    ASSERT_TRUE(north.labels);
    EXPECT_TRUE(north.labels->labels[0].deleted);
    EXPECT_EQ(north.labels->labels[1].text->text(), "Peak");
    EXPECT_EQ(north.trendlines[0].type, TrendlineType::Polynomial);
    EXPECT_EQ(north.trendlines[0].order, 3);
    EXPECT_EQ(north.errorBars[0].valueType, ErrorValueType::Percentage);
    EXPECT_EQ(north.shape->fill->kind, drawingml::Fill::Kind::Gradient);
    EXPECT_EQ(column.chart.legend->entries[0].deleted, true);
    EXPECT_TRUE(column.chart.title->layout->manual);
    const Axis* values = column.chart.plotArea.axisById(column.chart.plotArea.groups[0].axisIds[1]);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->maximum, 40.0);
    EXPECT_EQ(values->shape->line->dash, "dash");

    const ChartSpace combination = readChartSpace(charts[9].bytes, "kinds.xlsx", charts[9].part);
    EXPECT_EQ(summarizeChart(combination).kind, "Combination");
    EXPECT_EQ(combination.chart.plotArea.axes.size(), 4u);
    const ChartSpace stock = readChartSpace(charts[8].bytes, "kinds.xlsx", charts[8].part);
    EXPECT_EQ(stock.chart.plotArea.axes[0].kind, Axis::Kind::Date);
    EXPECT_EQ(stock.chart.plotArea.axes[0].majorTimeUnit, TimeUnit::Months);
    EXPECT_FALSE(stock.chart.plotArea.axes[0].baseTimeUnit);
}

TEST(ChartModel, ChartsSavedByLibreOfficeReadAsTheirXmlSays) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) GTEST_SKIP() << "no LibreOffice";
    const auto original = Workbook::open(modelWorkbook("kinds.xlsx"));
    const auto saved = Workbook::open(modelWorkbook("kinds-lo.xlsx"));
    const auto before = chartsOf(*original);
    const auto after = chartsOf(*saved);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        const ChartSpace model = readChartSpace(after[i].bytes, "kinds-lo.xlsx", after[i].part);
        compareWithXml(after[i].bytes, model, "LibreOffice " + after[i].part.toStdString());
        const ChartSpace source = readChartSpace(before[i].bytes, "kinds.xlsx", before[i].part);
        // LibreOffice rewrites the look, but keeps the kinds, the series and their references.
        EXPECT_EQ(summarizeChart(model).kind, summarizeChart(source).kind) << i;
        ASSERT_EQ(model.allSeries().size(), source.allSeries().size()) << i;
        for (size_t s = 0; s < model.allSeries().size(); ++s) {
            EXPECT_EQ(model.allSeries()[s]->valueData()->formula, source.allSeries()[s]->valueData()->formula);
        }
    }
}

TEST(ChartModel, StrictWorkbookIsListedReadAndCopiedLikeItsTransitionalTwin) {
    const auto transitional = Workbook::open(modelWorkbook("kinds.xlsx"));
    const auto strict = Workbook::open(modelWorkbook("strict.xlsx"));
    ASSERT_EQ(strict->sheets().size(), transitional->sheets().size());
    const auto a = chartsOf(*transitional);
    const auto b = chartsOf(*strict);
    ASSERT_EQ(b.size(), a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(b[i].name, a[i].name);
        const ChartSpace model = readChartSpace(b[i].bytes, "strict.xlsx", b[i].part);
        compareWithXml(b[i].bytes, model, "strict " + b[i].part.toStdString());
        const ChartSummary x = summarizeChart(readChartSpace(a[i].bytes, "kinds.xlsx", a[i].part));
        const ChartSummary y = summarizeChart(model);
        EXPECT_EQ(y.kind, x.kind);
        EXPECT_EQ(y.title, x.title);
        ASSERT_EQ(y.series.size(), x.series.size());
        for (size_t s = 0; s < x.series.size(); ++s) EXPECT_EQ(y.series[s].pointCount, x.series[s].pointCount);
    }
    // The copy of a chart takes the same cells, theme and size from either twin.
    const auto* sheetA = transitional->sheetByName("Data");
    const auto* sheetB = strict->sheetByName("Data");
    ASSERT_TRUE(sheetA && sheetB);
    for (size_t i = 0; i < sheetA->chartObjects.size(); ++i) {
        const ChartPackage x = collectChart(*transitional, *sheetA, sheetA->chartObjects[i]);
        const ChartPackage y = collectChart(*strict, *sheetB, sheetB->chartObjects[i]);
        EXPECT_EQ(y.cx, x.cx);
        EXPECT_EQ(y.cy, x.cy);
        EXPECT_FALSE(y.theme.isEmpty());
        ASSERT_EQ(y.cells.size(), x.cells.size()) << i;
        for (size_t k = 0; k < x.cells.size(); ++k) {
            EXPECT_EQ(y.cells[k].row, x.cells[k].row);
            EXPECT_EQ(y.cells[k].value, x.cells[k].value);
        }
    }
}

TEST(ChartModel, SpecimensOfKindsGeneratorsDoNotWrite) {
    const QByteArray bar3D = specimen(
        "<c:date1904 val='0'/><c:lang val='en-US'/><c:roundedCorners val='0'/>"
        "<mc:AlternateContent><mc:Choice Requires='c14'><c14:style val='102'/></mc:Choice>"
        "<mc:Fallback><c:style val='2'/></mc:Fallback></mc:AlternateContent>"
        "<c:clrMapOvr bg1='dk1' tx1='lt1' bg2='dk2' tx2='lt2' accent1='accent1' accent2='accent2' accent3='accent3'"
        " accent4='accent4' accent5='accent5' accent6='accent6' hlink='hlink' folHlink='folHlink'/>",
        "<c:autoTitleDeleted val='1'/><c:view3D><c:rotX val='15'/><c:rotY val='20'/><c:rAngAx/></c:view3D>"
        "<c:floor><c:thickness val='0'/></c:floor><c:sideWall><c:spPr><a:noFill/></c:spPr></c:sideWall>"
        "<c:backWall/><c:plotArea><c:layout/><c:bar3DChart><c:barDir val='bar'/><c:grouping val='standard'/>"
        "<c:varyColors/><c:ser><c:idx val='0'/><c:order val='0'/><c:tx><c:v>Literal</c:v></c:tx>"
        "<c:shape val='cylinder'/><c:cat><c:multiLvlStrRef><c:f>Sheet1!$A$2:$B$5</c:f><c:multiLvlStrCache>"
        "<c:ptCount val='4'/><c:lvl><c:pt idx='0'><c:v>Q1</c:v></c:pt><c:pt idx='1'><c:v>Q2</c:v></c:pt>"
        "<c:pt idx='2'><c:v>Q1</c:v></c:pt><c:pt idx='3'><c:v>Q2</c:v></c:pt></c:lvl>"
        "<c:lvl><c:pt idx='0'><c:v>2023</c:v></c:pt><c:pt idx='2'><c:v>2024</c:v></c:pt></c:lvl>"
        "</c:multiLvlStrCache></c:multiLvlStrRef></c:cat>"
        "<c:val><c:numLit><c:formatCode>General</c:formatCode><c:ptCount val='4'/>"
        "<c:pt idx='0'><c:v>1</c:v></c:pt><c:pt idx='3' formatCode='0%'><c:v>0.25</c:v></c:pt></c:numLit></c:val>"
        "</c:ser><c:gapWidth/><c:gapDepth val='80'/><c:shape val='box'/><c:axId val='1'/><c:axId val='2'/><c:axId val='3'/>"
        "</c:bar3DChart><c:catAx><c:axId val='1'/><c:scaling><c:orientation val='maxMin'/></c:scaling>"
        "<c:delete val='0'/><c:axPos val='l'/><c:crossAx val='2'/><c:lblOffset/><c:noMultiLvlLbl val='0'/></c:catAx>"
        "<c:valAx><c:axId val='2'/><c:scaling><c:logBase val='10'/></c:scaling><c:axPos val='b'/>"
        "<c:numFmt formatCode='#,##0' sourceLinked='1'/><c:crossAx val='1'/><c:crossesAt val='3.5'/>"
        "<c:dispUnits><c:builtInUnit val='thousands'/><c:dispUnitsLbl/></c:dispUnits></c:valAx>"
        "<c:serAx><c:axId val='3'/><c:scaling/><c:axPos val='b'/><c:crossAx val='2'/><c:tickLblSkip val='2'/></c:serAx>"
        "</c:plotArea><c:plotVisOnly/><c:dispBlanksAs val='gap'/>");
    const ChartSpace model = readChartSpace(bar3D, "specimen", "/bar3D.xml");
    compareWithXml(bar3D, model, "bar3D");
    EXPECT_EQ(model.style, 2);
    EXPECT_EQ(model.office2010Style, 102);
    ASSERT_TRUE(model.colorMapOverride);
    EXPECT_EQ(model.colorMapOverride->slotOf("bg1"), drawingml::SchemeSlot::Dk1);
    const ChartGroup& group = model.chart.plotArea.groups[0];
    EXPECT_EQ(group.kindName(), "3-D Bar");
    EXPECT_EQ(group.varyColors, true);  // present without val
    EXPECT_EQ(group.gapWidth, 150);     // present without val: the schema default
    EXPECT_FALSE(group.overlap);        // absent
    EXPECT_EQ(model.chart.plotArea.axes[0].labelOffset, 100);
    EXPECT_EQ(model.chart.plotArea.axes[0].noMultiLevelLabels, false);
    EXPECT_TRUE(model.chart.plotArea.axes[1].displayUnits->hasLabel);
    EXPECT_EQ(model.chart.plotArea.axes[1].numberFormat->sourceLinked, true);
    EXPECT_TRUE(model.chart.plotArea.layout && !model.chart.plotArea.layout->manual);
    const Series& series = group.series[0];
    EXPECT_EQ(series.categories->multiLevel->levels[1].points[1].text, "2024");
    const auto dense = series.values->numbers->dense();
    ASSERT_EQ(dense.size(), 4u);
    EXPECT_TRUE(std::isnan(dense[1]));
    EXPECT_EQ(series.values->numbers->points[1].formatCode, "0%");
    EXPECT_EQ(summarizeChart(model).series[0].name, "Literal");

    const QByteArray bubble = specimen(
        "",
        "<c:title><c:tx><c:strRef><c:f>Sheet1!$A$1</c:f><c:strCache><c:ptCount val='1'/>"
        "<c:pt idx='0'><c:v>Bubbles</c:v></c:pt></c:strCache></c:strRef></c:tx><c:overlay val='0'/></c:title>"
        "<c:plotArea><c:bubbleChart><c:varyColors val='0'/><c:ser><c:idx val='3'/><c:order val='1'/>"
        "<c:errBars><c:errDir val='x'/><c:errBarType val='minus'/><c:errValType val='cust'/><c:noEndCap val='1'/>"
        "<c:minus><c:numRef><c:f>Sheet1!$D$2:$D$3</c:f></c:numRef></c:minus></c:errBars>"
        "<c:xVal><c:numRef><c:f>Sheet1!$A$2:$A$3</c:f><c:numCache><c:formatCode>General</c:formatCode>"
        "<c:ptCount val='2'/><c:pt idx='0'><c:v>1</c:v></c:pt><c:pt idx='1'><c:v>2</c:v></c:pt></c:numCache></c:numRef></c:xVal>"
        "<c:yVal><c:numRef><c:f>Sheet1!$B$2:$B$3</c:f></c:numRef></c:yVal>"
        "<c:bubbleSize><c:numLit><c:ptCount val='2'/><c:pt idx='0'><c:v>5</c:v></c:pt></c:numLit></c:bubbleSize>"
        "<c:bubble3D val='0'/></c:ser><c:bubbleScale val='50'/><c:showNegBubbles val='0'/>"
        "<c:axId val='7'/><c:axId val='8'/></c:bubbleChart>"
        "<c:ofPieChart><c:ofPieType val='bar'/><c:varyColors val='1'/><c:gapWidth val='100'/>"
        "<c:splitType val='pos'/><c:splitPos val='2'/><c:secondPieSize val='50'/><c:serLines/></c:ofPieChart>"
        "<c:surface3DChart><c:wireframe val='1'/><c:axId val='7'/></c:surface3DChart>"
        "<c:stockChart><c:hiLowLines/><c:upDownBars><c:gapWidth val='60'/><c:upBars/><c:downBars/></c:upDownBars>"
        "<c:axId val='7'/></c:stockChart>"
        "<c:dateAx><c:axId val='7'/><c:scaling/><c:delete/><c:axPos val='b'/><c:crossAx val='8'/>"
        "<c:auto val='1'/><c:lblOffset val='100'/><c:baseTimeUnit val='years'/><c:majorUnit val='2'/>"
        "<c:majorTimeUnit val='years'/></c:dateAx>"
        "<c:valAx><c:axId val='8'/><c:scaling><c:min val='-5'/><c:max val='5'/></c:scaling><c:axPos val='l'/>"
        "<c:majorGridlines/><c:title><c:tx><c:rich><a:bodyPr rot='-5400000' vert='horz'/><a:p><a:r><a:t>Y</a:t></a:r></a:p></c:rich></c:tx></c:title>"
        "<c:crossAx val='7'/><c:crosses val='max'/><c:crossBetween val='midCat'/></c:valAx>"
        "</c:plotArea><c:legend><c:legendPos val='t'/><c:legendEntry><c:idx val='0'/><c:delete val='1'/></c:legendEntry>"
        "<c:layout><c:manualLayout><c:xMode val='edge'/><c:yMode val='edge'/><c:x val='0.1'/><c:y val='0.2'/>"
        "<c:w val='0.5'/><c:h val='0.1'/></c:manualLayout></c:layout><c:overlay val='0'/></c:legend>");
    const ChartSpace other = readChartSpace(bubble, "specimen", "/bubble.xml");
    compareWithXml(bubble, other, "bubble");
    EXPECT_EQ(summarizeChart(other).title, "Bubbles");
    EXPECT_EQ(summarizeChart(other).kind, "Combination");
    EXPECT_EQ(other.chart.plotArea.groups[1].kindName(), "Pie");
    EXPECT_EQ(other.chart.plotArea.groups[2].kindName(), "3-D Surface");
    EXPECT_TRUE(other.chart.plotArea.groups[3].upDownBars->hasUpBars);
    EXPECT_EQ(other.chart.plotArea.groups[3].upDownBars->gapWidth, 60);
    EXPECT_EQ(other.chart.plotArea.axes[0].deleted, true);
    EXPECT_TRUE(other.chart.plotArea.axes[1].title->text->rich->body->rotation);
    EXPECT_EQ(other.chart.legend->layout->manual->x, 0.1);
    EXPECT_FALSE(other.chart.legend->layout->manual->layoutTarget);
}

TEST(ChartModel, NothingButAClassicChartSpaceIsAChart) {
    const QByteArray chartEx =
        "<cx:chartSpace xmlns:cx='http://schemas.microsoft.com/office/drawing/2014/chartex'>"
        "<cx:chart><cx:plotArea/></cx:chart></cx:chartSpace>";
    const QByteArray disguised =
        "<c:chartSpace xmlns:c='http://schemas.microsoft.com/office/drawing/2014/chartex'><c:chart/></c:chartSpace>";
    for (const QByteArray& part : {chartEx, disguised}) {
        try {
            readChartSpace(part, "book.xlsx", "/xl/charts/chartEx1.xml");
            ADD_FAILURE() << "a chartEx part was read as a chart";
        } catch (const DocumentError& e) {
            EXPECT_EQ(e.kind(), DocumentError::Kind::Unsupported);
            EXPECT_TRUE(e.message().contains("xl/charts/chartEx1.xml"));
        }
    }
}

TEST(ChartModel, PointCountIsNeverAnAllocationSize) {
    // A fuzzed presentation whose chart claims 50 million points in its caches, and a workbook
    // claiming the most an int holds: summaries and copies cost what the points present cost.
    const auto presentation = Presentation::open(dataFile("ptcount-50m.pptx"));
    int charts = 0;
    for (int s = 0; s < presentation.slideCount(); ++s) {
        for (const auto& shape : presentation.slideShapes(s)) {
            if (shape.kind != SlideShape::Kind::Chart) continue;
            ++charts;
            const QString part = presentation.slideTarget(s, shape.relId);
            const ChartSummary summary = presentation.chartSummary(part);
            const ChartSpace model = presentation.chartModel(part);
            for (const Series* series : model.allSeries()) {
                for (const DataSource* source : {series->categoryData(), series->valueData()}) {
                    if (!source) continue;
                    if (source->numbers) {
                        EXPECT_LE(source->numbers->dense().size(), 1024u + 2 * source->numbers->points.size());
                    }
                    if (source->strings) {
                        EXPECT_LE(source->strings->dense().size(), 1024u + 2 * source->strings->points.size());
                    }
                }
            }
            EXPECT_FALSE(summary.series.empty());
        }
    }
    EXPECT_GE(charts, 1);

    const auto workbook = Workbook::open(dataFile("ptcount.xlsx"));
    for (const auto* sheet : workbook->worksheets()) {
        for (const auto& chart : sheet->chartObjects) {
            const ChartPackage package = collectChart(*workbook, *sheet, chart);
            EXPECT_LT(package.cells.size(), 100u);
        }
    }
}

TEST(ChartModel, SparseAndLyingCachesStayBounded) {
    const QByteArray part = specimen(
        "", "<c:plotArea><c:lineChart><c:ser><c:idx val='0'/><c:order val='0'/><c:val><c:numRef><c:f>S!$A$1:$A$3</c:f>"
            "<c:numCache><c:ptCount val='3'/><c:pt idx='0'><c:v>1</c:v></c:pt><c:pt idx='2000000000'><c:v>2</c:v></c:pt>"
            "<c:pt idx='-4'><c:v>3</c:v></c:pt><c:pt idx='1'><c:v>not a number</c:v></c:pt></c:numCache></c:numRef></c:val>"
            "</c:ser></c:lineChart></c:plotArea>");
    const ChartSpace model = readChartSpace(part, "specimen", "/sparse.xml");
    const NumericCache& cache = *model.allSeries().front()->values->numbers;
    EXPECT_EQ(cache.points.size(), 3u);  // the negative index is dropped
    const auto dense = cache.dense();
    ASSERT_EQ(dense.size(), 3u);  // as ptCount says, though an index runs far past it
    EXPECT_EQ(dense[0], 1.0);
    EXPECT_TRUE(std::isnan(dense[1]));
}

// Points are found by their namespace, whatever prefix writes it: under another prefix bound
// to the chart's namespace, in a default namespace declared on the point, and not where a
// point rebinds the cache's prefix to another namespace (that pt is not the chart's).
TEST(ChartModel, CachePointsAreReadByNamespaceWhateverTheirPrefix) {
    const QByteArray part = specimen(
        "", "<c:plotArea><c:lineChart><c:ser><c:idx val='0'/><c:order val='0'/>"
            "<c:cat><c:strRef><c:f>S!$A$1:$A$4</c:f><c:strCache><c:ptCount val='4'/>"
            "<c:pt idx='0'><c:v>plain</c:v></c:pt>"
            "<k:pt xmlns:k='http://schemas.openxmlformats.org/drawingml/2006/chart' idx='1'><k:v>other prefix</k:v></k:pt>"
            "<pt xmlns='http://schemas.openxmlformats.org/drawingml/2006/chart' idx='2'><v>default</v></pt>"
            "<c:pt xmlns:c='urn:elsewhere' idx='3'><c:v>not the chart's</c:v></c:pt>"
            "</c:strCache></c:strRef></c:cat>"
            "<c:val><c:numRef><c:f>S!$B$1:$B$3</c:f><c:numCache><c:ptCount val='3'/>"
            "<c:pt idx='0'><c:v>1.5</c:v></c:pt>"
            "<c:pt idx='1'><x:v xmlns:x='urn:elsewhere'>9</x:v><c:v>2.5</c:v></c:pt>"
            "<c:pt idx='2'><k:v xmlns:k='http://schemas.openxmlformats.org/drawingml/2006/chart'>3.5</k:v></c:pt>"
            "</c:numCache></c:numRef></c:val></c:ser></c:lineChart></c:plotArea>");
    const ChartSpace model = readChartSpace(part, "specimen", "/prefixes.xml");
    const Series& series = *model.allSeries().front();
    const StringCache& names = *series.categories->strings;
    ASSERT_EQ(names.points.size(), 3u);
    EXPECT_EQ(names.points[0].text, "plain");
    EXPECT_EQ(names.points[1].text, "other prefix");
    EXPECT_EQ(names.points[2].text, "default");
    const NumericCache& values = *series.values->numbers;
    ASSERT_EQ(values.points.size(), 3u);
    EXPECT_EQ(values.points[0].value, 1.5);
    EXPECT_EQ(values.points[1].value, 2.5);
    EXPECT_EQ(values.points[2].value, 3.5);
}

TEST(ChartModel, AReadWithoutCachePointsKeepsFormulasFormatsAndLiterals) {
    const QByteArray part = specimen(
        "", "<c:plotArea><c:scatterChart><c:ser><c:idx val='0'/><c:order val='0'/>"
            "<c:xVal><c:numLit><c:ptCount val='2'/><c:pt idx='0'><c:v>5</c:v></c:pt><c:pt idx='1'><c:v>6</c:v></c:pt></c:numLit></c:xVal>"
            "<c:yVal><c:numRef><c:f>S!$B$1:$B$2</c:f><c:numCache><c:formatCode>0.0%</c:formatCode><c:ptCount val='2'/>"
            "<c:pt idx='0'><c:v>1</c:v></c:pt><c:pt idx='1'><c:v>2</c:v></c:pt></c:numCache></c:numRef></c:yVal>"
            "</c:ser></c:scatterChart></c:plotArea>");
    const ChartSpace light = readChartSpace(part, "specimen", "/light.xml", {}, {.numberCachePoints = false});
    const Series& series = *light.allSeries().front();
    EXPECT_EQ(series.yValues->formula, "S!$B$1:$B$2");
    EXPECT_EQ(series.yValues->numbers->formatCode, "0.0%");
    EXPECT_EQ(series.yValues->numbers->pointCount, 2);
    EXPECT_TRUE(series.yValues->numbers->points.empty());
    EXPECT_EQ(series.xValues->numbers->points.size(), 2u);  // literals are the data itself
    // The next read on the same thread reads every point again.
    const ChartSpace full = readChartSpace(part, "specimen", "/light.xml");
    EXPECT_EQ(full.allSeries().front()->yValues->numbers->points.size(), 2u);
}

TEST(ChartModel, IsoDatesInNumberCachesBecomeSerialsOfTheChartsDateSystem) {
    auto serialOf = [](const QByteArray& head, const char* text) {
        const QByteArray part = specimen(
            head, QByteArray("<c:plotArea><c:lineChart><c:ser><c:idx val='0'/><c:order val='0'/><c:cat><c:numRef>"
                             "<c:f>S!$A$1</c:f><c:numCache><c:pt idx='0'><c:v>") + text +
                      "</c:v></c:pt></c:numCache></c:numRef></c:cat></c:ser></c:lineChart></c:plotArea>");
        return readChartSpace(part, "specimen", "/dates.xml").allSeries().front()->categories->numbers->points[0].value;
    };
    EXPECT_DOUBLE_EQ(serialOf("", "2024-01-01"), 45292.0);
    EXPECT_DOUBLE_EQ(serialOf("", "1900-03-01"), 61.0);
    EXPECT_DOUBLE_EQ(serialOf("", "2024-01-01T18:00:00"), 45292.75);
    EXPECT_DOUBLE_EQ(serialOf("<c:date1904 val='1'/>", "2024-01-01"), 45292.0 - 1462);
    EXPECT_TRUE(std::isnan(serialOf("", "2024-13-01")));
    EXPECT_DOUBLE_EQ(serialOf("", " 12.5 "), 12.5);
    // Infinities and NaNs written in a cache are missing points, never values.
    EXPECT_TRUE(std::isnan(serialOf("", "inf")));
    EXPECT_TRUE(std::isnan(serialOf("", "-INF")));
    EXPECT_TRUE(std::isnan(serialOf("", "nan")));
    EXPECT_TRUE(std::isnan(serialOf("", "1e999")));
}

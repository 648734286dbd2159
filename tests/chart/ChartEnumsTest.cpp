// The chart schema's enumerations against the schema itself: every token of every modelled
// simple type parses and is written back as it was, no token is missing or misspelt, and text
// outside a type's value set reads as absent, in the tables and through the model's reader.

#include <gtest/gtest.h>

#include <QFile>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/chartmodel/ChartEnums.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/package/Xml.h"
#include "tests/support/GeneratedFiles.h"

using namespace engine;
using namespace engine::chart;

namespace {

// The enumerations of dml-chart.xsd by simple type name, in the schema's order.
const std::map<std::string, std::vector<std::string>>& schemaEnumerations() {
    static const std::map<std::string, std::vector<std::string>> types = [] {
        std::map<std::string, std::vector<std::string>> out;
        QFile file(testsupport::sourceRoot() +
                   QStringLiteral("/tests/schema/data/ecma-376-transitional/dml-chart.xsd"));
        if (!file.open(QIODevice::ReadOnly)) return out;
        const QByteArray bytes = file.readAll();
        pugi::xml_document doc;
        if (!doc.load_buffer(bytes.constData(), size_t(bytes.size()))) return out;
        for (pugi::xml_node type = doc.document_element().first_child(); type;
             type = type.next_sibling()) {
            if (std::string_view(type.name()) != "xsd:simpleType") continue;
            std::vector<std::string> tokens;
            for (const auto e : type.child("xsd:restriction").children("xsd:enumeration")) {
                tokens.emplace_back(e.attribute("value").value());
            }
            if (!tokens.empty()) out[type.attribute("name").value()] = tokens;
        }
        return out;
    }();
    return types;
}

template <typename E>
std::vector<std::string> ourTokens() {
    std::vector<std::string> out;
    for (const auto& t : SchemaEnum<E>::tokens) out.emplace_back(t.token);
    return out;
}

// One enumeration against its schema type: the same tokens in the same order, each parsing to a
// value of its own that writes back as the same token, and text outside the set parsing to
// nothing.
template <typename E>
void checkAgainstSchema(std::set<std::string>* covered) {
    const std::string type = SchemaEnum<E>::type;
    covered->insert(type);
    const auto& schema = schemaEnumerations();
    const auto it = schema.find(type);
    ASSERT_NE(it, schema.end()) << type << " is no enumerated type of the schema";
    EXPECT_EQ(ourTokens<E>(), it->second) << type;

    std::set<E> values;
    for (const std::string& token : it->second) {
        const std::optional<E> value = schemaEnum<E>(token);
        ASSERT_TRUE(value) << type << ": " << token;
        EXPECT_EQ(std::string(schemaToken(*value)), token) << type;
        EXPECT_TRUE(values.insert(*value).second)
            << type << ": two tokens for one value at " << token;
    }
    for (const std::string& token : it->second) {
        // The schema's tokens are case-sensitive and exact: a neighbour of each is no token.
        std::string upper = token;
        upper[0] = char(std::toupper(static_cast<unsigned char>(upper[0])));
        if (upper != token) {
            EXPECT_FALSE(schemaEnum<E>(upper)) << type << ": " << upper;
        }
        EXPECT_FALSE(schemaEnum<E>(token + " ")) << type << ": " << token;
    }
    EXPECT_FALSE(schemaEnum<E>("")) << type;
    EXPECT_FALSE(schemaEnum<E>("bogus")) << type;
}

TEST(ChartEnums, EveryModelledTypeHasExactlyTheSchemasTokensAndRoundTrips) {
    ASSERT_FALSE(schemaEnumerations().empty()) << "the chart schema was not found or not read";
    std::set<std::string> covered;
    checkAgainstSchema<LayoutTarget>(&covered);
    checkAgainstSchema<LayoutMode>(&covered);
    checkAgainstSchema<SplitType>(&covered);
    checkAgainstSchema<LabelAlignment>(&covered);
    checkAgainstSchema<DataLabelPosition>(&covered);
    checkAgainstSchema<MarkerSymbol>(&covered);
    checkAgainstSchema<TrendlineType>(&covered);
    checkAgainstSchema<ErrorBarDirection>(&covered);
    checkAgainstSchema<ErrorBarType>(&covered);
    checkAgainstSchema<ErrorValueType>(&covered);
    checkAgainstSchema<Grouping>(&covered);
    checkAgainstSchema<ScatterStyle>(&covered);
    checkAgainstSchema<RadarStyle>(&covered);
    checkAgainstSchema<BarDirection>(&covered);
    checkAgainstSchema<BarShape>(&covered);
    checkAgainstSchema<OfPieType>(&covered);
    checkAgainstSchema<AxisPosition>(&covered);
    checkAgainstSchema<Crosses>(&covered);
    checkAgainstSchema<CrossBetween>(&covered);
    checkAgainstSchema<TickMark>(&covered);
    checkAgainstSchema<TickLabelPosition>(&covered);
    checkAgainstSchema<TimeUnit>(&covered);
    checkAgainstSchema<BuiltInUnit>(&covered);
    checkAgainstSchema<Orientation>(&covered);
    checkAgainstSchema<LegendPosition>(&covered);
    checkAgainstSchema<DisplayBlanksAs>(&covered);

    // The line and area groups' grouping is the bar groups' without "clustered": one enumeration
    // serves both.
    for (const std::string& token : schemaEnumerations().at("ST_Grouping")) {
        EXPECT_TRUE(schemaEnum<Grouping>(token)) << token;
    }
    covered.insert("ST_Grouping");

    // Enumerated types the model has no element for: a new one in the schema shows up here.
    const std::set<std::string> notModelled{"ST_SizeRepresents", "ST_PictureFormat",
                                            "ST_PageSetupOrientation"};
    for (const auto& [type, tokens] : schemaEnumerations()) {
        EXPECT_TRUE(covered.count(type) || notModelled.count(type))
            << type << " has no enumeration";
    }
}

ChartSpace readChart(const char* plotAreaAndLegend) {
    const QByteArray xml =
        QByteArray(
            "<c:chartSpace "
            "xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'><c:chart>") +
        plotAreaAndLegend + "</c:chart></c:chartSpace>";
    return readChartSpace(xml, QStringLiteral("book.xlsx"),
                          QStringLiteral("/xl/charts/chart1.xml"));
}

// The reader parses each value once: a token becomes its value, a val left out the schema's
// default, and a val outside the set (a damaged file) is absent, so that the drawing's rule for
// a missing element applies rather than some other value's.
TEST(ChartEnums, ReaderTakesTokensDefaultsAndTreatsUnknownValuesAsAbsent) {
    const ChartSpace chart = readChart(
        "<c:plotArea><c:barChart><c:barDir val='bar'/><c:grouping val='Stacked'/><c:varyColors "
        "val='0'/>"
        "<c:axId val='1'/><c:axId val='2'/></c:barChart>"
        "<c:lineChart><c:grouping/><c:axId val='1'/><c:axId val='2'/></c:lineChart>"
        "<c:catAx><c:axId val='1'/><c:scaling><c:orientation val='maxMin'/></c:scaling><c:axPos "
        "val='x'/>"
        "<c:majorTickMark val='out'/><c:minorTickMark/><c:tickLblPos val='low'/><c:crossAx "
        "val='2'/>"
        "<c:crosses val='max'/><c:lblAlgn val=''/></c:catAx>"
        "<c:valAx><c:axId val='2'/><c:scaling/><c:axPos val='l'/><c:crossAx val='1'/>"
        "<c:crossBetween val='midCat'/><c:dispUnits><c:builtInUnit "
        "val='tenThousands'/></c:dispUnits></c:valAx>"
        "</c:plotArea><c:legend><c:legendPos val='tr'/></c:legend><c:dispBlanksAs val='span '/>");
    const auto& groups = chart.chart.plotArea.groups;
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].barDirection, BarDirection::Bar);
    EXPECT_FALSE(groups[0].grouping.has_value());       // the token is "stacked"
    EXPECT_EQ(groups[1].grouping, Grouping::Standard);  // no val: the line group's default
    ASSERT_EQ(chart.chart.plotArea.axes.size(), 2u);
    const Axis& category = chart.chart.plotArea.axes[0];
    EXPECT_EQ(category.orientation, Orientation::MaxMin);
    EXPECT_FALSE(category.position.has_value());
    EXPECT_EQ(category.majorTickMark, TickMark::Out);
    EXPECT_EQ(category.minorTickMark, TickMark::Cross);
    EXPECT_EQ(category.tickLabelPosition, TickLabelPosition::Low);
    EXPECT_EQ(category.crosses, Crosses::Max);
    EXPECT_FALSE(category.labelAlignment.has_value());
    EXPECT_FALSE(category.crossBetween.has_value());  // not written at all
    const Axis& value = chart.chart.plotArea.axes[1];
    EXPECT_EQ(value.position, AxisPosition::Left);
    EXPECT_EQ(value.crossBetween, CrossBetween::MidCategory);
    ASSERT_TRUE(value.displayUnits);
    EXPECT_EQ(value.displayUnits->builtIn, BuiltInUnit::TenThousands);
    ASSERT_TRUE(chart.chart.legend);
    EXPECT_EQ(chart.chart.legend->position, LegendPosition::TopRight);
    EXPECT_FALSE(chart.chart.displayBlanksAs.has_value());  // a trailing blank is no token
}

}  // namespace

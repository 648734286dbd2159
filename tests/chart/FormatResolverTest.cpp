// The effective-format resolver: the chart styles by group of eight, the colour cycle past the
// sixth series, varyColors, the producer's meaning of absent elements, the host's text defaults,
// and that a chart's own properties win over the style piece by piece.
//
// Expected colours are computed here from the documented rules (tint and shade in linear RGB),
// not taken from the resolver.

#include "engine/chartformat/FormatResolver.h"
#include "engine/chartmodel/ChartModel.h"

#include <QString>
#include <cmath>
#include <gtest/gtest.h>

using namespace engine;
using namespace engine::chart;

namespace {

// A theme with the 2007 colours and a format scheme whose subtle line is 1 pt (not Office's
// 0.75 pt), so that widths taken from the theme are told apart from built-in numbers.
const char* kTheme = R"(<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="Test">
<a:themeElements>
 <a:clrScheme name="Test">
  <a:dk1><a:srgbClr val="000000"/></a:dk1><a:lt1><a:srgbClr val="FFFFFF"/></a:lt1>
  <a:dk2><a:srgbClr val="1F497D"/></a:dk2><a:lt2><a:srgbClr val="EEECE1"/></a:lt2>
  <a:accent1><a:srgbClr val="4F81BD"/></a:accent1><a:accent2><a:srgbClr val="C0504D"/></a:accent2>
  <a:accent3><a:srgbClr val="9BBB59"/></a:accent3><a:accent4><a:srgbClr val="8064A2"/></a:accent4>
  <a:accent5><a:srgbClr val="4BACC6"/></a:accent5><a:accent6><a:srgbClr val="F79646"/></a:accent6>
  <a:hlink><a:srgbClr val="0000FF"/></a:hlink><a:folHlink><a:srgbClr val="800080"/></a:folHlink>
 </a:clrScheme>
 <a:fontScheme name="Test">
  <a:majorFont><a:latin typeface="Cambria"/><a:ea typeface=""/><a:cs typeface=""/></a:majorFont>
  <a:minorFont><a:latin typeface="Candara"/><a:ea typeface=""/><a:cs typeface=""/></a:minorFont>
 </a:fontScheme>
 <a:fmtScheme name="Test">
  <a:fillStyleLst>
   <a:solidFill><a:schemeClr val="phClr"/></a:solidFill>
   <a:gradFill><a:gsLst><a:gs pos="0"><a:schemeClr val="phClr"><a:tint val="50000"/></a:schemeClr></a:gs>
     <a:gs pos="100000"><a:schemeClr val="phClr"/></a:gs></a:gsLst><a:lin ang="5400000" scaled="1"/></a:gradFill>
   <a:gradFill><a:gsLst><a:gs pos="0"><a:schemeClr val="phClr"><a:tint val="40000"/></a:schemeClr></a:gs>
     <a:gs pos="100000"><a:schemeClr val="phClr"><a:shade val="60000"/></a:schemeClr></a:gs></a:gsLst><a:lin ang="5400000" scaled="0"/></a:gradFill>
  </a:fillStyleLst>
  <a:lnStyleLst>
   <a:ln w="12700"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:prstDash val="solid"/></a:ln>
   <a:ln w="25400"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln>
   <a:ln w="38100"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln>
  </a:lnStyleLst>
  <a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst>
  <a:bgFillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:bgFillStyleLst>
 </a:fmtScheme>
</a:themeElements></a:theme>)";

const char* kNs = R"(xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" xmlns:c14="http://schemas.microsoft.com/office/drawing/2007/8/2/chart")";

QString seriesXml(int idx, const QString& inner = QString(), int points = 3) {
    QString cache;
    for (int i = 0; i < points; ++i) cache += QStringLiteral("<c:pt idx=\"%1\"><c:v>%2</c:v></c:pt>").arg(i).arg(i + 1);
    return QStringLiteral("<c:ser><c:idx val=\"%1\"/><c:order val=\"%1\"/>"
                          "<c:tx><c:strRef><c:f>Sheet1!$B$%2</c:f><c:strCache><c:ptCount val=\"1\"/><c:pt idx=\"0\"><c:v>S%1</c:v></c:pt></c:strCache></c:strRef></c:tx>"
                          "%3<c:val><c:numRef><c:f>Sheet1!$B$2:$B$4</c:f><c:numCache><c:formatCode>General</c:formatCode><c:ptCount val=\"%4\"/>%5</c:numCache></c:numRef></c:val></c:ser>")
        .arg(idx).arg(idx + 1).arg(inner).arg(points).arg(cache);
}

const char* kAxes = R"(<c:catAx><c:axId val="1"/><c:scaling/><c:axPos val="b"/><c:crossAx val="2"/></c:catAx>
<c:valAx><c:axId val="2"/><c:scaling/><c:axPos val="l"/><c:majorGridlines/><c:minorGridlines/><c:crossAx val="1"/></c:valAx>)";

// A chart space around a group (e.g. "barChart") holding the given series.
QByteArray chartXml(const QString& styleXml, const QString& group, const QString& groupInner,
                    const QString& series, const QString& chartExtra = QString(),
                    const QString& spaceExtra = QString()) {
    const bool pie = group == QLatin1String("pieChart");
    return QStringLiteral("<c:chartSpace %1>%2<c:chart>%3<c:plotArea><c:layout/><c:%4>%5%6%7</c:%4>%8</c:plotArea></c:chart>%9</c:chartSpace>")
        .arg(QString::fromLatin1(kNs), styleXml, chartExtra, group, groupInner, series,
             pie ? QString() : QStringLiteral("<c:axId val=\"1\"/><c:axId val=\"2\"/>"),
             pie ? QString() : QString::fromLatin1(kAxes), spaceExtra)
        .toUtf8();
}

QString style(int n) {
    return QStringLiteral("<c:style val=\"%1\"/>").arg(n);
}

Producer excel2007() {
    return producerFromAppXml(
        "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
        "<Application>Microsoft Excel</Application><AppVersion>12.0000</AppVersion></Properties>");
}

Producer excel2016() {
    return producerFromAppXml(
        "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
        "<Application>Microsoft Excel</Application><AppVersion>16.0300</AppVersion></Properties>");
}

RenderContext context(ChartHost host = ChartHost::Workbook, Producer producer = Producer::unknown()) {
    RenderContext c;
    c.theme = drawingml::readTheme(QByteArray(kTheme), QStringLiteral("test"), QStringLiteral("theme"));
    c.host = host;
    c.producer = producer;
    return c;
}

// Independent colour maths: tint and shade in linear RGB, as documented.
double toLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double toSrgb(double c) { return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055; }
QString transformed(unsigned rgb, double tint, double shade = 1.0) {
    QString out;
    for (int shift : {16, 8, 0}) {
        double linear = toLinear(((rgb >> shift) & 0xFF) / 255.0);
        linear = linear * shade;
        linear = 1 - (1 - linear) * tint;
        out += QStringLiteral("%1").arg(static_cast<int>(std::lround(toSrgb(linear) * 255)), 2, 16, QLatin1Char('0'));
    }
    return out.toUpper();
}

struct Parsed {
    ChartSpace space;
    const ChartGroup& group() const { return space.chart.plotArea.groups.front(); }
    const Series& series(size_t i) const { return group().series.at(i); }
    const Axis& valueAxis() const { return space.chart.plotArea.axes.at(1); }
    const Axis& categoryAxis() const { return space.chart.plotArea.axes.at(0); }
};

Parsed parse(const QByteArray& xml) {
    return {readChartSpace(xml, QStringLiteral("test.xlsx"), QStringLiteral("/xl/charts/chart1.xml"))};
}

}  // namespace

TEST(ProducerTest, ReadsApplicationAndVersionAndTellsOffice2007Apart) {
    EXPECT_TRUE(excel2007().is2007());
    EXPECT_TRUE(excel2007().isMicrosoft());
    EXPECT_FALSE(excel2016().is2007());
    const Producer lo = producerFromAppXml(
        "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
        "<Application>LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2</Application></Properties>");
    EXPECT_TRUE(lo.isLibreOffice());
    EXPECT_FALSE(lo.is2007());
    // A version 12 from another application is not Office 2007.
    EXPECT_FALSE(producerFromAppXml("<Properties><Application>Other</Application><AppVersion>12.0</AppVersion></Properties>").is2007());
    EXPECT_TRUE(producerFromAppXml("<Properties><Application>Micro").isUnknown());
    EXPECT_TRUE(producerFromAppXml(QByteArray()).isUnknown());
}

// Styles 1-8: greys, the six accents, one accent each; lines three times the theme's subtle
// line; filled series without a border; the subtle (solid) fill.
TEST(FormatResolverStyles, Styles1To8) {
    {
        const auto p = parse(chartXml(style(1), "lineChart", "<c:grouping val=\"standard\"/>", seriesXml(0) + seriesXml(1)));
        FormatResolver r(p.space, context());
        EXPECT_EQ(r.style(), 1);
        EXPECT_EQ(r.series(p.group(), p.series(0)).line.color.hex(), transformed(0x000000, 0.885));
        EXPECT_EQ(r.series(p.group(), p.series(1)).line.color.hex(), transformed(0x000000, 0.55));
        EXPECT_DOUBLE_EQ(r.series(p.group(), p.series(0)).line.width, 3.0);  // 3 x the theme's 1 pt
    }
    {
        const auto p = parse(chartXml(style(2), "barChart", "<c:barDir val=\"col\"/>", seriesXml(0) + seriesXml(1)));
        FormatResolver r(p.space, context());
        const ResolvedShape first = r.series(p.group(), p.series(0));
        EXPECT_EQ(first.fill.kind, ResolvedFill::Kind::Solid);
        EXPECT_EQ(first.fill.color.hex(), QStringLiteral("4F81BD"));
        EXPECT_FALSE(first.line.visible);
        EXPECT_EQ(r.series(p.group(), p.series(1)).fill.color.hex(), QStringLiteral("C0504D"));
        // The axes and major gridlines: tx1 at a 75 % tint; the minor ones at 50 %.
        EXPECT_EQ(r.axisLine(p.valueAxis()).color.hex(), transformed(0x000000, 0.75));
        EXPECT_EQ(r.gridlines(p.valueAxis(), true).color.hex(), transformed(0x000000, 0.75));
        EXPECT_EQ(r.gridlines(p.valueAxis(), false).color.hex(), transformed(0x000000, 0.50));
        EXPECT_FALSE(r.gridlines(p.categoryAxis(), true).visible);
        EXPECT_DOUBLE_EQ(r.axisLine(p.valueAxis()).width, 1.0);
    }
    {
        // Styles 3..8 are accent1..accent6 alone, faded across the series.
        const auto p = parse(chartXml(style(5), "barChart", "<c:barDir val=\"col\"/>", seriesXml(0) + seriesXml(1) + seriesXml(2)));
        FormatResolver r(p.space, context());
        EXPECT_EQ(r.series(p.group(), p.series(1)).fill.color.hex(), QStringLiteral("9BBB59"));
        EXPECT_EQ(r.series(p.group(), p.series(0)).fill.color.hex(), transformed(0x9BBB59, 1.0, 0.65));
        EXPECT_EQ(r.series(p.group(), p.series(2)).fill.color.hex(), transformed(0x9BBB59, 0.65));
    }
}

// Styles 9-16: lines five times the subtle line, white borders around filled series.
TEST(FormatResolverStyles, Styles9To16) {
    const auto line = parse(chartXml(style(10), "lineChart", "", seriesXml(0)));
    FormatResolver lr(line.space, context());
    EXPECT_DOUBLE_EQ(lr.series(line.group(), line.series(0)).line.width, 5.0);
    EXPECT_EQ(lr.series(line.group(), line.series(0)).line.color.hex(), QStringLiteral("4F81BD"));

    const auto bar = parse(chartXml(style(12), "barChart", "", seriesXml(0)));
    FormatResolver br(bar.space, context());
    const ResolvedShape s = br.series(bar.group(), bar.series(0));
    EXPECT_EQ(s.fill.color.hex(), QStringLiteral("C0504D"));  // style 12: accent2
    EXPECT_TRUE(s.line.visible);
    EXPECT_EQ(s.line.color.hex(), QStringLiteral("FFFFFF"));
}

// Styles 17-24: the intense fill of the format scheme (a gradient of the series colour).
TEST(FormatResolverStyles, Styles17To24) {
    const auto p = parse(chartXml(style(18), "barChart", "", seriesXml(0)));
    FormatResolver r(p.space, context());
    const ResolvedShape s = r.series(p.group(), p.series(0));
    ASSERT_EQ(s.fill.kind, ResolvedFill::Kind::Gradient);
    ASSERT_EQ(s.fill.stops.size(), 2u);
    EXPECT_EQ(s.fill.stops[0].color.hex(), transformed(0x4F81BD, 0.40));
    EXPECT_EQ(s.fill.stops[1].color.hex(), transformed(0x4F81BD, 1.0, 0.60));
    EXPECT_DOUBLE_EQ(s.fill.angle, 90.0);
    EXPECT_FALSE(s.line.visible);
}

// Styles 25-32: seven-times lines, larger markers.
TEST(FormatResolverStyles, Styles25To32) {
    const auto p = parse(chartXml(style(26), "lineChart", "<c:marker val=\"1\"/>", seriesXml(0)));
    FormatResolver r(p.space, context());
    EXPECT_DOUBLE_EQ(r.series(p.group(), p.series(0)).line.width, 7.0);
    const ResolvedMarker m = r.marker(p.group(), p.series(0));
    EXPECT_TRUE(m.visible);
    EXPECT_EQ(m.size, 13);
    EXPECT_EQ(m.symbol, MarkerSymbol::Diamond);
    EXPECT_EQ(m.shape.fill.color.hex(), QStringLiteral("4F81BD"));
}

// Styles 33-40: tinted plot area, borders half-shaded from the series colour.
TEST(FormatResolverStyles, Styles33To40) {
    const auto p = parse(chartXml(style(35), "barChart", "", seriesXml(0)));
    FormatResolver r(p.space, context());
    EXPECT_EQ(r.plotArea().fill.color.hex(), transformed(0x4F81BD, 0.20));
    const ResolvedShape s = r.series(p.group(), p.series(0));
    EXPECT_EQ(s.fill.color.hex(), QStringLiteral("4F81BD"));
    EXPECT_EQ(s.line.color.hex(), transformed(0x4F81BD, 1.0, 0.5));
    EXPECT_EQ(r.axisLine(p.valueAxis()).color.hex(), transformed(0x000000, 0.75));  // dk1 from 33 on
}

// Styles 41-48: dark chart, light text, intense fills.
TEST(FormatResolverStyles, Styles41To48) {
    const auto p = parse(chartXml(style(42), "barChart", "", seriesXml(0) + seriesXml(1)));
    FormatResolver r(p.space, context());
    EXPECT_EQ(r.chartArea().fill.color.hex(), QStringLiteral("000000"));
    EXPECT_EQ(r.plotArea().fill.color.hex(), transformed(0x000000, 0.95));
    EXPECT_EQ(r.axisLabelText(p.valueAxis()).color.hex(), QStringLiteral("FFFFFF"));
    EXPECT_EQ(r.series(p.group(), p.series(1)).fill.kind, ResolvedFill::Kind::Gradient);
    EXPECT_EQ(r.series(p.group(), p.series(1)).fill.stops.back().color.hex(), transformed(0xC0504D, 1.0, 0.60));
    EXPECT_EQ(r.gridlines(p.valueAxis(), false).color.hex(), transformed(0x000000, 0.90));
}

TEST(FormatResolverStyles, AbsentStyleIsTwoAndTheOffice2010FormCountsFromOneHundred) {
    const auto absent = parse(chartXml(QString(), "barChart", "", seriesXml(0)));
    EXPECT_EQ(FormatResolver(absent.space, context()).style(), 2);
    const auto c14 = parse(chartXml(QStringLiteral("<mc:AlternateContent><mc:Choice Requires=\"c14\"><c14:style val=\"107\"/></mc:Choice>"
                                                   "<mc:Fallback><c:style val=\"7\"/></mc:Fallback></mc:AlternateContent>"),
                                    "barChart", "", seriesXml(0)));
    FormatResolver r(c14.space, context());
    EXPECT_EQ(r.style(), 7);
    EXPECT_TRUE(r.office2010Style());
    EXPECT_EQ(r.series(c14.group(), c14.series(0)).fill.color.hex(), QStringLiteral("4BACC6"));  // style 7: accent5
}

// Seven series or more: each run of six gets its own shade or tint, so the seventh series is not
// drawn like the first.
TEST(FormatResolverCycle, SeventhAndLaterSeriesAreShadedByCycle) {
    QString series;
    for (int i = 0; i < 13; ++i) series += seriesXml(i);
    const auto p = parse(chartXml(style(2), "barChart", "", series));
    FormatResolver r(p.space, context());
    // 13 series: three cycles; v = (cycle+1)/4*1.4-0.7 = -0.35, 0, +0.35.
    EXPECT_EQ(r.series(p.group(), p.series(0)).fill.color.hex(), transformed(0x4F81BD, 1.0, 0.65));
    EXPECT_EQ(r.series(p.group(), p.series(6)).fill.color.hex(), QStringLiteral("4F81BD"));
    EXPECT_EQ(r.series(p.group(), p.series(7)).fill.color.hex(), QStringLiteral("C0504D"));
    EXPECT_EQ(r.series(p.group(), p.series(12)).fill.color.hex(), transformed(0x4F81BD, 0.65));

    QString seven;
    for (int i = 0; i < 7; ++i) seven += seriesXml(i);
    const auto q = parse(chartXml(style(2), "barChart", "", seven));
    FormatResolver s(q.space, context());
    const QString first = s.series(q.group(), q.series(0)).fill.color.hex();
    const QString seventh = s.series(q.group(), q.series(6)).fill.color.hex();
    EXPECT_NE(first, seventh);
    EXPECT_EQ(first, transformed(0x4F81BD, 1.0, 1 - 0.7 / 3));
    EXPECT_EQ(seventh, transformed(0x4F81BD, 1 - 0.7 / 3));
}

TEST(FormatResolverCycle, VaryColorsFollowsTheProducerWhenAbsent) {
    const auto pie = parse(chartXml(style(2), "pieChart", "", seriesXml(0)));
    FormatResolver office2007(pie.space, context(ChartHost::Workbook, excel2007()));
    EXPECT_FALSE(office2007.varyColors(pie.group()));
    EXPECT_EQ(office2007.dataPoint(pie.group(), pie.series(0), 2).fill.color.hex(), QStringLiteral("4F81BD"));

    FormatResolver modern(pie.space, context(ChartHost::Workbook, excel2016()));
    EXPECT_TRUE(modern.varyColors(pie.group()));
    EXPECT_EQ(modern.dataPoint(pie.group(), pie.series(0), 0).fill.color.hex(), QStringLiteral("4F81BD"));
    EXPECT_EQ(modern.dataPoint(pie.group(), pie.series(0), 2).fill.color.hex(), QStringLiteral("9BBB59"));

    // Said explicitly, the producer does not matter; with two series a column chart's colours
    // vary by series, not by point.
    const auto one = parse(chartXml(style(2), "barChart", "<c:varyColors val=\"1\"/>", seriesXml(0)));
    FormatResolver vary(one.space, context(ChartHost::Workbook, excel2007()));
    EXPECT_EQ(vary.dataPoint(one.group(), one.series(0), 1).fill.color.hex(), QStringLiteral("C0504D"));
    const auto two = parse(chartXml(style(2), "barChart", "<c:varyColors val=\"1\"/>", seriesXml(0) + seriesXml(1)));
    FormatResolver byseries(two.space, context());
    EXPECT_FALSE(byseries.variesByPoint(two.group()));
    EXPECT_EQ(byseries.dataPoint(two.group(), two.series(1), 0).fill.color.hex(), QStringLiteral("C0504D"));

    // A point's own c:dPt wins over the varied colour.
    const auto own = parse(chartXml(style(2), "pieChart", "<c:varyColors val=\"1\"/>",
                                    seriesXml(0, "<c:dPt><c:idx val=\"1\"/><c:spPr><a:solidFill><a:srgbClr val=\"123456\"/></a:solidFill></c:spPr></c:dPt>")));
    FormatResolver pointOwn(own.space, context());
    EXPECT_EQ(pointOwn.dataPoint(own.group(), own.series(0), 1).fill.color.hex(), QStringLiteral("123456"));
    EXPECT_EQ(pointOwn.dataPoint(own.group(), own.series(0), 2).fill.color.hex(), QStringLiteral("9BBB59"));
}

// The elements Office 2007 left out meant something else than the schema's defaults.
TEST(FormatResolverProducer, AbsentElementsMeanWhatTheProducerMeant) {
    const QString labels = QStringLiteral("<c:dLbls><c:showVal val=\"1\"/></c:dLbls>");
    const QString trend = QStringLiteral("<c:trendline><c:trendlineType val=\"linear\"/></c:trendline>");
    const auto p = parse(chartXml(style(2), "lineChart", "<c:grouping val=\"standard\"/>",
                                  seriesXml(0, labels + trend)));
    FormatResolver old(p.space, context(ChartHost::Workbook, excel2007()));
    FormatResolver schema(p.space, context(ChartHost::Workbook, excel2016()));

    EXPECT_EQ(old.majorTickMark(p.valueAxis()), TickMark::Out);
    EXPECT_EQ(old.minorTickMark(p.valueAxis()), TickMark::None);
    EXPECT_EQ(schema.majorTickMark(p.valueAxis()), TickMark::Cross);
    EXPECT_EQ(schema.minorTickMark(p.valueAxis()), TickMark::Cross);

    EXPECT_FALSE(old.smooth(p.group(), p.series(0)));
    EXPECT_TRUE(schema.smooth(p.group(), p.series(0)));

    const auto oldLabel = old.dataLabel(p.group(), p.series(0), 1);
    ASSERT_TRUE(oldLabel);
    EXPECT_TRUE(oldLabel->showValue);
    EXPECT_FALSE(oldLabel->showSeriesName);
    EXPECT_FALSE(oldLabel->showCategoryName);
    EXPECT_FALSE(oldLabel->showLegendKey);
    const auto schemaLabel = schema.dataLabel(p.group(), p.series(0), 1);
    ASSERT_TRUE(schemaLabel);
    EXPECT_TRUE(schemaLabel->showSeriesName);
    EXPECT_TRUE(schemaLabel->showLegendKey);
    EXPECT_EQ(oldLabel->position, DataLabelPosition::Right);

    const Trendline& t = p.series(0).trendlines.front();
    EXPECT_FALSE(old.trendlineShowsEquation(t));
    EXPECT_FALSE(old.trendlineShowsRSquared(t));
    EXPECT_TRUE(schema.trendlineShowsEquation(t));

    EXPECT_FALSE(old.groupShowsMarkers(p.group()));
    EXPECT_TRUE(schema.groupShowsMarkers(p.group()));

    // What the file says is never overridden.
    const auto said = parse(chartXml(style(2), "lineChart", "<c:marker val=\"1\"/>",
                                     seriesXml(0, QString(), 3).replace("</c:val>", "</c:val><c:smooth val=\"1\"/>")));
    FormatResolver saidOld(said.space, context(ChartHost::Workbook, excel2007()));
    EXPECT_TRUE(saidOld.smooth(said.group(), said.series(0)));
    EXPECT_TRUE(saidOld.groupShowsMarkers(said.group()));
}

TEST(FormatResolverTitle, OneNamedSeriesWithoutTitleGetsTheAutomaticTitleUnlessDeleted) {
    const auto one = parse(chartXml(style(2), "barChart", "", seriesXml(0)));
    FormatResolver r(one.space, context(ChartHost::Workbook, excel2007()));
    ASSERT_TRUE(r.automaticTitle());
    EXPECT_EQ(r.automaticTitleSeries(), &one.series(0));
    EXPECT_TRUE(r.titleShown());

    const auto deleted = parse(chartXml(style(2), "barChart", "", seriesXml(0), "<c:autoTitleDeleted val=\"1\"/>"));
    EXPECT_FALSE(FormatResolver(deleted.space, context()).titleShown());
    const auto two = parse(chartXml(style(2), "barChart", "", seriesXml(0) + seriesXml(1)));
    EXPECT_FALSE(FormatResolver(two.space, context()).titleShown());
}

// Text: the theme's minor font, 10 pt in a workbook and 18 pt on a slide, an 18 pt bold title
// in a workbook; a chart-wide size scales the title to 120 %; an element's own size wins.
TEST(FormatResolverText, HostDefaultsChartSizeAndOwnProperties) {
    const auto p = parse(chartXml(style(2), "barChart", "", seriesXml(0)));
    FormatResolver workbook(p.space, context(ChartHost::Workbook));
    EXPECT_EQ(workbook.axisLabelText(p.valueAxis()).typeface, QStringLiteral("Candara"));
    EXPECT_DOUBLE_EQ(workbook.axisLabelText(p.valueAxis()).size, 10.0);
    EXPECT_DOUBLE_EQ(workbook.titleText().size, 18.0);
    EXPECT_TRUE(workbook.titleText().bold);
    EXPECT_FALSE(workbook.legendText().bold);
    FormatResolver slide(p.space, context(ChartHost::Slide));
    EXPECT_DOUBLE_EQ(slide.axisLabelText(p.valueAxis()).size, 18.0);

    const QString txPr = QStringLiteral("<c:txPr><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"1200\" b=\"0\"><a:solidFill><a:srgbClr val=\"333333\"/></a:solidFill><a:latin typeface=\"+mj-lt\"/></a:defRPr></a:pPr><a:endParaRPr lang=\"en-US\"/></a:p></c:txPr>");
    const auto sized = parse(chartXml(style(2), "barChart", "", seriesXml(0), QString(), txPr));
    FormatResolver s(sized.space, context(ChartHost::Slide));
    EXPECT_DOUBLE_EQ(s.axisLabelText(sized.valueAxis()).size, 12.0);
    EXPECT_NEAR(s.titleText().size, 14.4, 1e-9);
    EXPECT_EQ(s.titleText().typeface, QStringLiteral("Cambria"));
    EXPECT_EQ(s.legendText().color.hex(), QStringLiteral("333333"));
}

// A chart's own c:spPr wins piece by piece: a width alone keeps the style's colour.
TEST(FormatResolverOwn, OwnPropertiesWinPieceByPiece) {
    const auto p = parse(chartXml(style(2), "lineChart", "",
                                  seriesXml(0, "<c:spPr><a:ln w=\"50800\"><a:prstDash val=\"dash\"/></a:ln></c:spPr>") +
                                      seriesXml(1, "<c:spPr><a:ln><a:noFill/></a:ln></c:spPr>")));
    FormatResolver r(p.space, context());
    const ResolvedLine first = r.series(p.group(), p.series(0)).line;
    EXPECT_DOUBLE_EQ(first.width, 4.0);
    EXPECT_EQ(first.dash, QStringLiteral("dash"));
    EXPECT_EQ(first.color.hex(), QStringLiteral("4F81BD"));
    EXPECT_FALSE(r.series(p.group(), p.series(1)).line.visible);

    // The workbook draws a chart-area border, a slide does not; an explicit no-line wins.
    EXPECT_TRUE(r.chartArea().line.visible);
    EXPECT_FALSE(FormatResolver(p.space, context(ChartHost::Slide)).chartArea().line.visible);
    const auto noLine = parse(chartXml(style(2), "lineChart", "", seriesXml(0), QString(),
                                       "<c:spPr><a:ln><a:noFill/></a:ln></c:spPr>"));
    EXPECT_FALSE(FormatResolver(noLine.space, context()).chartArea().line.visible);
}

// Scheme colours resolve through the chart's colour map: a map that swaps light and dark swaps
// what bg1 and tx1 stand for.
TEST(FormatResolverContext, ColourMapOverrideAndThemeOverride) {
    const auto p = parse(chartXml(style(2), "barChart", "", seriesXml(0), QString(),
                                  QString()).replace("<c:chart>", "<c:clrMapOvr bg1=\"dk1\" tx1=\"lt1\" bg2=\"dk2\" tx2=\"lt2\" accent1=\"accent2\" accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\"/><c:chart>"));
    const QByteArray override_ =
        "<a:themeOverride xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:clrScheme name=\"x\">"
        "<a:dk1><a:srgbClr val=\"111111\"/></a:dk1><a:lt1><a:srgbClr val=\"EEEEEE\"/></a:lt1><a:dk2><a:srgbClr val=\"000000\"/></a:dk2>"
        "<a:lt2><a:srgbClr val=\"FFFFFF\"/></a:lt2><a:accent1><a:srgbClr val=\"AA0000\"/></a:accent1><a:accent2><a:srgbClr val=\"00AA00\"/></a:accent2>"
        "<a:accent3><a:srgbClr val=\"0000AA\"/></a:accent3><a:accent4><a:srgbClr val=\"AAAA00\"/></a:accent4><a:accent5><a:srgbClr val=\"00AAAA\"/></a:accent5>"
        "<a:accent6><a:srgbClr val=\"AA00AA\"/></a:accent6><a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink><a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink>"
        "</a:clrScheme></a:themeOverride>";
    const RenderContext c = makeRenderContext(p.space, QByteArray(kTheme), override_, ChartHost::Workbook, Producer::unknown());
    FormatResolver r(p.space, c);
    EXPECT_EQ(r.chartArea().fill.color.hex(), QStringLiteral("111111"));  // bg1 -> dk1
    EXPECT_EQ(r.axisLabelText(p.valueAxis()).color.hex(), QStringLiteral("EEEEEE"));
    EXPECT_EQ(r.series(p.group(), p.series(0)).fill.color.hex(), QStringLiteral("00AA00"));  // accent1 -> accent2
    EXPECT_EQ(r.axisLabelText(p.valueAxis()).typeface, QStringLiteral("Candara"));  // fonts kept from the host theme
}

// What a paste reads once and hands on, against what a full reading finds: the model handed
// back with the chart (what the window draws the new chart from, instead of reading a part of
// many points again) against the model read afresh from the part written, and the series'
// ranges its provenance records, scanned from the part, against those read through a tree.

#include "Fixtures.h"
#include "engine/chartcopy/SeriesRangesScan.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/presentation/ChartProvenance.h"
#include "engine/presentation/Presentation.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

using engine::Presentation;
namespace chart = engine::chart;

namespace {

QString chartsXlsx() { return fixtures::fixtureDir() + "/charts.xlsx"; }

// Every number a model's series hold in their number caches, each with where it sits, so that
// two models compare as lists.
std::vector<QString> numbersOf(const chart::ChartSpace& model) {
    std::vector<QString> out;
    const auto add = [&](const QString& where, const std::optional<chart::DataSource>& source) {
        if (!source || !source->numbers) return;
        out.push_back(where + QStringLiteral(" count %1 format %2")
                                  .arg(source->numbers->pointCount.value_or(-1))
                                  .arg(source->numbers->formatCode));
        for (const chart::NumericPoint& p : source->numbers->points) {
            out.push_back(where + QStringLiteral(" [%1] %2 %3")
                                      .arg(p.index)
                                      .arg(std::isnan(p.value) ? QStringLiteral("nan") : QString::number(p.value, 'g', 17))
                                      .arg(p.formatCode));
        }
    };
    int n = 0;
    for (const chart::Series* s : model.allSeries()) {
        const QString at = QStringLiteral("series %1 ").arg(n++);
        add(at + "cat", s->categories);
        add(at + "val", s->values);
        add(at + "xVal", s->xValues);
        add(at + "yVal", s->yValues);
        add(at + "bubbleSize", s->bubbleSizes);
        for (size_t e = 0; e < s->errorBars.size(); ++e) {
            add(at + QStringLiteral("errBars %1 plus").arg(e), s->errorBars[e].plus);
            add(at + QStringLiteral("errBars %1 minus").arg(e), s->errorBars[e].minus);
        }
    }
    return out;
}

struct Variant {
    const char* what;
    int chartNumber;
    engine::PasteFormatting formatting;
    bool stripNumberCaches;  // the paste writes them from the cells
    bool customErrorBars;    // error amounts from cells, with caches of their own
};

engine::ChartPackage packageFor(const Variant& v) {
    auto package = fixtures::chartPackageFromWorkbook(chartsXlsx(), v.chartNumber, "Chart 1");
    QByteArray& xml = package.parts.front().data;
    if (v.customErrorBars) {
        const QByteArray bars =
            "<c:errBars><c:errDir val=\"y\"/><c:errBarType val=\"both\"/><c:errValType val=\"cust\"/>"
            "<c:plus><c:numRef><c:f>'Data ''Nord'' Q1'!$C$2:$C$6</c:f><c:numCache><c:formatCode>General</c:formatCode>"
            "<c:ptCount val=\"5\"/><c:pt idx=\"0\"><c:v>7</c:v></c:pt><c:pt idx=\"3\"><c:v>16</c:v></c:pt>"
            "</c:numCache></c:numRef></c:plus>"
            "<c:minus><c:numLit><c:ptCount val=\"1\"/><c:pt idx=\"0\"><c:v>0.5</c:v></c:pt></c:numLit></c:minus>"
            "</c:errBars>";
        const qsizetype at = xml.indexOf("<c:cat>");
        EXPECT_GE(at, 0);
        xml.insert(at, bars);
    }
    if (v.stripNumberCaches) {
        QString text = QString::fromUtf8(xml);
        text.remove(QRegularExpression(QStringLiteral("<c:numCache>.*?</c:numCache>")));
        xml = text.toUtf8();
    }
    return package;
}

TEST(PastedChartModel, HoldsEveryNumberThePartItWroteHolds) {
    const std::vector<Variant> variants = {
        {"column chart in the deck's theme", 1, engine::PasteFormatting::DeckTheme, false, false},
        {"column chart keeping its look", 1, engine::PasteFormatting::KeepSource, false, false},
        {"line chart of dates", 2, engine::PasteFormatting::DeckTheme, false, false},
        {"pie chart, points coloured one by one", 3, engine::PasteFormatting::KeepSource, false, false},
        {"number caches written from the cells", 1, engine::PasteFormatting::DeckTheme, true, false},
        {"error amounts from cells and a literal", 1, engine::PasteFormatting::KeepSource, false, true},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.what);
        auto p = Presentation::createNew();
        p.addSlide(0, 12);
        Presentation::PastedChart pasted;
        p.pasteChart(0, packageFor(v), &pasted, v.formatting);
        ASSERT_FALSE(pasted.part.isEmpty());
        const chart::ChartSpace written =
            chart::readChartSpace(p.partBytes(pasted.part), QStringLiteral("deck"), pasted.part);
        const std::vector<QString> expected = numbersOf(written);
        EXPECT_EQ(numbersOf(pasted.model), expected);
        // A value cache of five points at least, so that the comparison is not of nothing.
        EXPECT_GE(expected.size(), 6u);
        ASSERT_EQ(pasted.model.allSeries().size(), written.allSeries().size());
        if (v.customErrorBars) {
            ASSERT_FALSE(written.allSeries().front()->errorBars.empty());
            EXPECT_EQ(pasted.model.allSeries().front()->errorBars.front().plus->numbers->points.size(), 2u);
        }
    }
}

// A chart part with the turns a scan must follow as a tree does: the chart namespace under
// another prefix and redeclared on the way, a series' data out of schema order, a formula met
// twice, a literal name, formulas that belong to no series' data (the title, a data label, a
// series of an extension, a cache) and a chart element of another namespace named like one.
const char kTangledChart[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<k:chartSpace xmlns:k="http://schemas.openxmlformats.org/drawingml/2006/chart"
  xmlns:c15="http://schemas.microsoft.com/office/drawing/2012/chart" xmlns:x="urn:other">
 <k:chart>
  <k:title><k:tx><k:strRef><k:f>Sheet1!$A$1</k:f></k:strRef></k:tx></k:title>
  <k:plotArea>
   <k:barChart>
    <k:ser>
     <k:idx val="0"/><k:order val="0"/>
     <k:dLbls><k:dLbl><k:idx val="0"/><k:tx><k:strRef><k:f>Sheet1!$Z$1</k:f></k:strRef></k:tx></k:dLbl></k:dLbls>
     <k:val><k:numRef><k:f> Sheet1!$B$2:$B$4 </k:f><k:numCache><k:f>Sheet1!$Y$1</k:f></k:numCache></k:numRef></k:val>
     <k:cat><k:strRef><k:f>Sheet1!$A$2:$A$4</k:f></k:strRef></k:cat>
     <k:tx><k:strRef><k:f>Sheet1!$B$1</k:f></k:strRef></k:tx>
     <k:val><k:numRef><k:f>Sheet1!$X$2:$X$4</k:f></k:numRef></k:val>
    </k:ser>
    <x:ser><k:tx><k:strRef><k:f>Sheet1!$W$1</k:f></k:strRef></k:tx></x:ser>
    <k:ser xmlns:k="urn:not-the-chart"><k:tx><k:strRef><k:f>Sheet1!$V$1</k:f></k:strRef></k:tx></k:ser>
    <ser xmlns="http://schemas.openxmlformats.org/drawingml/2006/chart">
     <tx><v>Literal name</v></tx>
     <cat><strRef><f>Sheet1!$A$2:$A$4</f></strRef></cat>
     <val><numRef><f>Sheet1!$C$2:$C$4</f></numRef></val>
    </ser>
   </k:barChart>
   <k:extLst><k:ext uri="{02D57815-91ED-43cb-92C2-25804820EDAC}"><c15:filteredBarSeries><c15:ser>
     <k:tx><k:strRef><k:f>Sheet1!$U$1</k:f></k:strRef></k:tx></c15:ser></c15:filteredBarSeries></k:ext></k:extLst>
  </k:plotArea>
 </k:chart>
</k:chartSpace>)";

TEST(SeriesRangesScan, FindsWhatTheTreeFindsInThePartsAPasteMeets) {
    std::vector<std::pair<QString, QByteArray>> parts;
    for (int number = 1; number <= 3; ++number) {
        parts.emplace_back(QStringLiteral("fixture chart %1").arg(number),
                           fixtures::chartPackageFromWorkbook(chartsXlsx(), number, "Chart 1").parts.front().data);
    }
    parts.emplace_back(QStringLiteral("tangled chart"), QByteArray(kTangledChart));
    for (const auto& [what, xml] : parts) {
        SCOPED_TRACE(what.toStdString());
        const QStringList tree = engine::chartSeriesRanges(xml, "book.xlsx", "/xl/charts/chart1.xml");
        const auto scanned = engine::scanSeriesRanges(xml, "book.xlsx", "/xl/charts/chart1.xml");
        ASSERT_TRUE(scanned.has_value());
        EXPECT_EQ(*scanned, tree);
        EXPECT_FALSE(tree.isEmpty());
    }
    EXPECT_EQ(*engine::scanSeriesRanges(kTangledChart, "book.xlsx", "/xl/charts/chart1.xml"),
              (QStringList{"Sheet1!$B$1", "Sheet1!$A$2:$A$4", "Sheet1!$B$2:$B$4", "Sheet1!$C$2:$C$4"}));

    // Parts the scan leaves to the tree: the newer kinds, and text in UTF-16.
    const QByteArray chartex =
        "<cx:chartSpace xmlns:cx=\"http://schemas.microsoft.com/office/drawing/2014/chartex\"><cx:chartData>"
        "<cx:data id=\"0\"><cx:numDim type=\"val\"><cx:f>Sheet1!$B$2:$B$4</cx:f></cx:numDim></cx:data>"
        "</cx:chartData></cx:chartSpace>";
    EXPECT_FALSE(engine::scanSeriesRanges(chartex, "book.xlsx", "/xl/charts/chartEx1.xml").has_value());
    QByteArray wide("\xFF\xFE");
    const QString text = QString::fromUtf8(kTangledChart).mid(QString::fromUtf8(kTangledChart).indexOf(u'\n') + 1);
    wide.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_FALSE(engine::scanSeriesRanges(wide, "book.xlsx", "/xl/charts/chart1.xml").has_value());
}

}  // namespace

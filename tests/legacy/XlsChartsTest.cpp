#include "engine/chartmodel/ChartModel.h"
#include "engine/legacy/XlsCharts.h"
#include "engine/package/Package.h"
#include "engine/workbook/CellReference.h"
#include "tests/legacy/BiffBuilder.h"
#include "tests/legacy/LegacyWorkbooks.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstring>

using engine::DocumentError;
using engine::XlsStructure;
using engine::XlsWorkbook;
using engine::chart::Axis;
using engine::chart::ChartGroup;
using engine::chart::ChartSpace;
using engine::chart::Series;
using engine::chart::AxisPosition;
using engine::chart::BarDirection;
using engine::chart::CrossBetween;
using engine::chart::Grouping;
using engine::chart::LayoutMode;
using engine::chart::LayoutTarget;
using engine::chart::MarkerSymbol;
using engine::chart::OfPieType;
using engine::chart::SplitType;
using engine::chart::TimeUnit;
using namespace biffbuilder;

namespace {

QString sample() { return legacyTestSourceRoot() + QStringLiteral("/assets/Samples/sample1.xls"); }

const XlsStructure::Sheet& worksheet(const XlsWorkbook& book, const QString& name) {
    for (const XlsStructure::Sheet* sheet : book.structure().worksheets()) {
        if (sheet->name == name) return *sheet;
    }
    throw std::runtime_error("no worksheet " + name.toStdString());
}

ChartSpace model(const XlsWorkbook& book, const QString& sheet, int chart) {
    return book.workbookChart(worksheet(book, sheet), chart).chart;
}

// The harvest figures assets/make-sample.py writes for estate e (0-3) in month m (0-11).
double harvest(int estate, int month) {
    static const int season[] = {12, 14, 30, 55, 80, 96, 104, 98, 76, 50, 26, 15};
    return season[month] * (10 + 3 * estate) + 7 * ((estate + 1) * (month + 3) % 5);
}

const Axis* axisOfKind(const ChartSpace& space, Axis::Kind kind, int nth = 0) {
    for (const Axis& axis : space.chart.plotArea.axes) {
        if (axis.kind == kind && nth-- == 0) return &axis;
    }
    return nullptr;
}

QString titleText(const std::optional<engine::chart::Title>& title) {
    return title && title->text ? title->text->text() : QString();
}

}  // namespace

TEST(XlsCharts, SampleChartsReadAsTheirKindsTitlesAndSeries) {
    const auto book = XlsWorkbook::open(sample());
    struct Expected {
        const char* sheet;
        int chart;
        const char* kind;
        size_t series;
        const char* title;
    };
    const Expected expected[] = {
        {"Harvest", 0, "Column", 4, "Monthly harvest (kg)"},
        {"Harvest", 1, "Line", 2, "Hillside and Cloudridge"},
        {"Sales 2021", 0, "Bar", 2, "Revenue and costs by channel"},
        {"Sales 2021", 1, "Pie", 1, "Share of revenue"},
        {"Sales 2021", 2, "Doughnut", 1, "Share of costs"},
        {"Weather", 0, "Scatter", 1, "Rainfall against harvest"},
        {"Weather", 1, "Area", 1, "Sunshine hours"},
        {"Tasting Notes", 0, "Radar", 2, "Blend profiles"},
        {"Year Overview", 0, "Column", 4, "Harvest of the year, all estates"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(std::string(e.sheet) + ":" + std::to_string(e.chart + 1));
        const ChartSpace space = model(*book, QString::fromUtf8(e.sheet), e.chart);
        ASSERT_EQ(space.chart.plotArea.groups.size(), 1u);
        EXPECT_EQ(space.chart.plotArea.groups[0].kindName(), QString::fromUtf8(e.kind));
        EXPECT_EQ(space.allSeries().size(), e.series);
        EXPECT_EQ(titleText(space.chart.title), QString::fromUtf8(e.title));
    }
    EXPECT_EQ(model(*book, QStringLiteral("Year Overview"), 0).chart.plotArea.groups[0].grouping,
              Grouping::Stacked);
    EXPECT_EQ(model(*book, QStringLiteral("Sales 2021"), 2).chart.plotArea.groups[0].holeSize, 50);
}

TEST(XlsCharts, SeriesFormulasResolveToSheetsAndCachesHoldTheCells) {
    const auto book = XlsWorkbook::open(sample());
    const ChartSpace column = model(*book, QStringLiteral("Harvest"), 0);
    const std::vector<const Series*> series = column.allSeries();
    ASSERT_EQ(series.size(), 4u);
    for (int e = 0; e < 4; ++e) {
        SCOPED_TRACE(e);
        const Series& s = *series[size_t(e)];
        const QString letter = QString(QChar(u'B' + e));
        ASSERT_TRUE(s.text);
        EXPECT_EQ(s.text->formula, QStringLiteral("Harvest!$%1$1").arg(letter));
        EXPECT_EQ(s.text->text(),
                  (QStringList{"Hillside", "Riverbend", "Cloudridge", "Lowmeadow"}[e]));
        ASSERT_TRUE(s.categories && s.categories->strings);
        EXPECT_EQ(s.categories->formula, QStringLiteral("Harvest!$A$2:$A$13"));
        EXPECT_EQ(s.categories->strings->dense().front(), QStringLiteral("Jan"));
        EXPECT_EQ(s.categories->strings->dense().back(), QStringLiteral("Dec"));
        ASSERT_TRUE(s.values && s.values->numbers);
        EXPECT_EQ(s.values->formula, QStringLiteral("Harvest!$%1$2:$%1$13").arg(letter));
        const std::vector<double> values = s.values->numbers->dense();
        ASSERT_EQ(values.size(), 12u);
        for (int m = 0; m < 12; ++m) EXPECT_EQ(values[size_t(m)], harvest(e, m)) << m;
    }
    // A sheet name with a blank is quoted, as the spreadsheet writes it.
    const ChartSpace bar = model(*book, QStringLiteral("Sales 2021"), 0);
    EXPECT_EQ(bar.allSeries().front()->values->formula, QStringLiteral("'Sales 2021'!$B$2:$B$6"));
    EXPECT_EQ(bar.allSeries().front()->values->numbers->dense(),
              (std::vector<double>{4200, 9800, 6100, 15300, 2700}));

    // A chart package carries the cells its formulas name, and nothing else of the workbook.
    const engine::ChartPackage package =
        book->chartPackage(worksheet(*book, QStringLiteral("Harvest")), 0);
    EXPECT_EQ(package.cells.size(), 4u * 13 + 12);
    EXPECT_EQ(package.sheetName, QStringLiteral("Harvest"));
    EXPECT_GT(package.cx, 0);
    EXPECT_GT(package.cy, 0);
    EXPECT_EQ(book->cellPasses(), 2);  // one per sheet read, whatever the charts on it
}

TEST(XlsCharts, AxesFollowTheRecords) {
    const auto book = XlsWorkbook::open(sample());
    // The column chart's value axis crosses between categories, as its CatSerRange says.
    const ChartSpace column = model(*book, QStringLiteral("Harvest"), 0);
    const Axis* category = axisOfKind(column, Axis::Kind::Category);
    const Axis* value = axisOfKind(column, Axis::Kind::Value);
    ASSERT_TRUE(category && value);
    EXPECT_EQ(value->crossBetween, CrossBetween::Between);
    EXPECT_EQ(category->position, AxisPosition::Bottom);
    EXPECT_TRUE(value->majorGridlines.has_value());
    EXPECT_EQ(category->crossAxis, value->id);
    EXPECT_EQ(value->crossAxis, category->id);

    const ChartSpace bar = model(*book, QStringLiteral("Sales 2021"), 0);
    EXPECT_EQ(bar.chart.plotArea.groups[0].barDirection, BarDirection::Bar);
    EXPECT_EQ(axisOfKind(bar, Axis::Kind::Category)->position, AxisPosition::Left);

    // A scatter chart has two value axes, each with its title.
    const ChartSpace scatter = model(*book, QStringLiteral("Weather"), 0);
    const Axis* x = axisOfKind(scatter, Axis::Kind::Value, 0);
    const Axis* y = axisOfKind(scatter, Axis::Kind::Value, 1);
    ASSERT_TRUE(x && y);
    EXPECT_EQ(titleText(x->title), QStringLiteral("Rainfall (mm)"));
    EXPECT_EQ(titleText(y->title), QStringLiteral("Harvest (kg)"));
    EXPECT_EQ(scatter.allSeries().front()->xValues->formula, QStringLiteral("Weather!$B$2:$B$13"));

    // Pies have no axes.
    EXPECT_TRUE(model(*book, QStringLiteral("Sales 2021"), 1).chart.plotArea.axes.empty());
}

TEST(XlsCharts, ExcelSavedChartsRead) {
    for (const char* name : {"SimpleChart.xls", "SimpleScatterChart.xls", "WithThreeCharts.xls"}) {
        SCOPED_TRACE(name);
        const auto book = XlsWorkbook::open(savedXls(QString::fromLatin1(name)));
        int charts = 0;
        for (const XlsStructure::Sheet* sheet : book->structure().worksheets()) {
            for (int c = 0; c < int(sheet->chartObjects.size()); ++c, ++charts) {
                const ChartSpace space = book->workbookChart(*sheet, c).chart;
                EXPECT_FALSE(space.chart.plotArea.groups.empty());
                for (const Series* series : space.allSeries()) {
                    ASSERT_TRUE(series->valueData());
                    // Resolved through the sheet references to a worksheet of the same workbook.
                    const auto ranges = engine::parseChartFormula(series->valueData()->formula);
                    ASSERT_TRUE(ranges && ranges->size() == 1)
                        << series->valueData()->formula.toStdString();
                    EXPECT_NO_THROW(worksheet(*book, ranges->front().sheet));
                    ASSERT_TRUE(series->valueData()->numbers);
                    EXPECT_FALSE(series->valueData()->numbers->points.empty());
                }
            }
        }
        EXPECT_GT(charts, 0);
    }
}

namespace {

QByteArray xnum(double value) {
    QByteArray bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}
QByteArray cell(int type, int row, int column, const QByteArray& rest) {
    return record(type, u16(row) + u16(column) + u16(0) + rest);
}
// PtgArea3d over sheet reference ixti, columns marked relative as the application writes them.
QByteArray area(int ixti, int firstRow, int lastRow, int firstColumn, int lastColumn) {
    const QByteArray ptg = QByteArray(1, char(0x3B)) + u16(ixti) + u16(firstRow) + u16(lastRow) +
                           u16(firstColumn | 0xC000) + u16(lastColumn | 0xC000);
    return u16(int(ptg.size())) + ptg;
}
QByteArray brai(int id, const QByteArray& formula) {
    return record(0x1051, QByteArray(1, char(id)) + char(formula.isEmpty() ? 0 : 2) + u16(0) +
                              u16(0) + (formula.isEmpty() ? u16(0) : formula));
}
QByteArray begin() { return record(0x1033, {}); }
QByteArray end() { return record(0x1034, {}); }

// A chart of one series: its name in A1, categories A2:A6 and values B2:B6 of the sheet that
// sheet reference valuesIxti names (and bubble sizes where a formula is given), drawn by a
// chart group of the given records.
QByteArray chartSubstream(const QByteArray& groupRecord, int valuesIxti = 0,
                          const QByteArray& bubbleSizes = {}, const QByteArray& seriesData = {}) {
    return bof(0x0020) + record(0x1002, QByteArray(16, '\0')) + begin() +
           record(0x1003, u16(3) + u16(1) + u16(5) + u16(5) + u16(1) + u16(0)) + begin() +
           brai(0, area(0, 0, 0, 0, 0)) + brai(1, area(valuesIxti, 1, 5, 1, 1)) +
           brai(2, area(0, 1, 5, 0, 0)) + brai(3, bubbleSizes) + record(0x1045, u16(0)) + end() +
           record(0x1041, u16(0) + QByteArray(16, '\0')) + begin() +
           record(0x101D, u16(0) + QByteArray(16, '\0')) + begin() +
           record(0x1020, u16(1) + u16(1) + u16(1) + u16(1)) + end() +
           record(0x101D, u16(1) + QByteArray(16, '\0')) + begin() + end() +
           record(0x1014, QByteArray(16, '\0') + u16(0) + u16(0)) + begin() + groupRecord + end() +
           end() + seriesData + end() + eof();
}

// A workbook of one worksheet "Data" whose cells come in every record kind that holds a value,
// its strings in a shared string table that runs on over a CONTINUE record, and one chart.
QByteArray handMadeWorkbook(const QByteArray& groupRecord, int valuesIxti = 0,
                            const QByteArray& bubbleSizes = {}, const QByteArray& seriesData = {},
                            const QByteArray& moreGlobals = {}) {
    // The second string breaks after "abc"; its rest comes in UTF-16 after a new flags byte.
    const QByteArray sst =
        record(0x00FC, u32(3) + u32(3) + u16(11) + char(0) + QByteArray("Series name") + u16(6) +
                           char(0) + QByteArray("abc"));
    QByteArray wide;
    for (QChar c : QStringLiteral("d\u00E9f")) wide += u16(c.unicode());
    const QByteArray sstRest =
        record(0x003C, QByteArray(1, char(1)) + wide + u16(4) + char(0) + QByteArray("Last"));
    const QByteArray globals =
        record(0x01AE, u16(1) + u16(0x0401)) +
        record(0x01AE, u16(1) + u16(5) + char(0) + QByteArray("other")) +
        record(0x0017, u16(2) + u16(0) + u16(0) + u16(0) + u16(1) + u16(0) + u16(0)) + sst +
        sstRest + moreGlobals;
    const QByteArray label = u16(3) + char(0) + QByteArray("Lab");
    const QByteArray cells =
        cell(0x00FD, 0, 0, u32(0)) + cell(0x00FD, 1, 0, u32(1)) + cell(0x0204, 2, 0, label) +
        cell(0x0006, 3, 0,
             QByteArray(1, char(0)) + QByteArray(5, '\0') + u16(0xFFFF) + QByteArray(6, '\0') +
                 u16(0)) +
        record(0x0207, u16(12) + char(0) + QByteArray("From formula")) +
        cell(0x0205, 4, 0, QByteArray(1, char(1)) + char(0)) + cell(0x00FD, 5, 0, u32(2)) +
        cell(0x0203, 1, 1, xnum(1.5)) + cell(0x027E, 2, 1, u32((7u << 2) | 2)) +
        cell(0x027E, 3, 1, u32((1234u << 2) | 3)) +
        record(0x00BD, u16(4) + u16(1) + u16(0) + u32((100u << 2) | 2) + u16(0) +
                           u32((200u << 2) | 2) + u16(2)) +
        cell(0x0006, 5, 1, xnum(42) + QByteArray(6, '\0') + u16(0));
    const QByteArray sheet =
        bof(0x0010) + cells + chartObj(1) +
        chartSubstream(groupRecord, valuesIxti, bubbleSizes, seriesData) + eof();
    return workbookStream({{sheetEntry(0, 0, "Data"), sheet}}, globals);
}

QByteArray lineRecord() { return record(0x1018, u16(0)); }

}  // namespace

TEST(XlsCharts, CellsOfEveryRecordKindReachTheCaches) {
    const auto book =
        XlsWorkbook::fromWorkbookStream(handMadeWorkbook(lineRecord()), QStringLiteral("made.xls"));
    const ChartSpace space = model(*book, QStringLiteral("Data"), 0);
    ASSERT_EQ(space.chart.plotArea.groups.size(), 1u);
    EXPECT_EQ(space.chart.plotArea.groups[0].kind, ChartGroup::Kind::Line);
    const Series& series = *space.allSeries().at(0);
    EXPECT_EQ(series.text->text(), QStringLiteral("Series name"));
    EXPECT_EQ(series.categories->formula, QStringLiteral("Data!$A$2:$A$6"));
    EXPECT_EQ(series.categories->strings->dense(),
              (std::vector<QString>{QStringLiteral("abcd\u00E9f"), QStringLiteral("Lab"),
                                    QStringLiteral("From formula"), QStringLiteral("TRUE"),
                                    QStringLiteral("Last")}));
    EXPECT_EQ(series.values->numbers->dense(), (std::vector<double>{1.5, 7, 12.34, 100, 42}));
}

TEST(XlsCharts, AChartNotReadInFullIsRefusedNamingFileSheetAndChart) {
    // A chart group whose kind record is missing: there is nothing to draw.
    const auto kindless = XlsWorkbook::fromWorkbookStream(handMadeWorkbook(QByteArray()),
                                                          QStringLiteral("made.xls"));
    try {
        kindless->chartPackage(worksheet(*kindless, QStringLiteral("Data")), 0);
        FAIL() << "a chart without a chart kind was copied";
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.kind(), DocumentError::Kind::Unsupported);
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("made.xls: sheet \"Data\", chart \"Chart 1\": the chart has no chart group")))
            << e.message().toStdString();
    }
    // Values in another workbook: the chart would be drawn without its data.
    const auto external = XlsWorkbook::fromWorkbookStream(handMadeWorkbook(lineRecord(), 1),
                                                          QStringLiteral("made.xls"));
    try {
        external->workbookChart(worksheet(*external, QStringLiteral("Data")), 0);
        FAIL() << "a chart of another workbook's values was drawn";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().contains(
            QStringLiteral("the values of series 1 are not cells of this workbook")))
            << e.message().toStdString();
    }
}

namespace {

// The colour of a solid fill as 0xRRGGBB; -1 for none or another kind.
int solidColour(const std::optional<engine::drawingml::Fill>& fill) {
    if (!fill || fill->kind != engine::drawingml::Fill::Kind::Solid) return -1;
    const auto& c = fill->color.rgb;
    return c.red() << 16 | c.green() << 8 | c.blue();
}

}  // namespace

TEST(XlsCharts, WhatTheRecordsLeaveAutomaticIsWrittenAsTheApplicationOfTheFormatDrewIt) {
    // Saved by the spreadsheet application with its series formats left automatic: the first
    // series takes the palette's first chart fill (periwinkle), the chart area a black border.
    const auto simple = XlsWorkbook::open(savedXls(QStringLiteral("SimpleChart.xls")));
    const ChartSpace bars = model(*simple, QStringLiteral("Sheet1"), 0);
    ASSERT_TRUE(bars.allSeries().front()->shape);
    EXPECT_EQ(solidColour(bars.allSeries().front()->shape->fill), 0x9999FF);
    ASSERT_TRUE(bars.shape && bars.shape->line);
    EXPECT_EQ(solidColour(bars.shape->line->fill), 0x000000);

    // Automatic lines take the palette's line colours and markers by series.
    const auto three = XlsWorkbook::open(savedXls(QStringLiteral("WithThreeCharts.xls")));
    const ChartSpace lines = model(*three, QStringLiteral("Sheet2"), 0);
    ASSERT_EQ(lines.allSeries().size(), 2u);
    EXPECT_EQ(lines.allSeries()[0]->marker->symbol, MarkerSymbol::Diamond);
    EXPECT_EQ(lines.allSeries()[1]->marker->symbol, MarkerSymbol::Square);
    EXPECT_NE(solidColour(lines.allSeries()[0]->shape->line->fill),
              solidColour(lines.allSeries()[1]->shape->line->fill));

    // A plot area the records give no frame at all is bare: no grey fill made up for it.
    const auto sample =
        XlsWorkbook::open(legacyTestSourceRoot() + QStringLiteral("/assets/Samples/sample1.xls"));
    const ChartSpace column = model(*sample, QStringLiteral("Harvest"), 0);
    ASSERT_TRUE(column.chart.plotArea.shape && column.chart.plotArea.shape->fill);
    EXPECT_EQ(column.chart.plotArea.shape->fill->kind, engine::drawingml::Fill::Kind::None);
    // The records' own colours stay: the column chart's first series is the one LibreOffice wrote.
    EXPECT_EQ(solidColour(column.allSeries().front()->shape->fill), 0x4F81BD);
}

namespace {

QByteArray bopPop(int type, bool autoSplit, int split, int position, int percent, int secondSize,
                  int gap, double value) {
    return record(0x1061, QByteArray(1, char(type)) + char(autoSplit ? 1 : 0) + u16(split) +
                              u16(position) + u16(percent) + u16(secondSize) + u16(gap) +
                              xnum(value) + u16(0));
}

QString chartPartOf(const XlsWorkbook& book) {
    return QString::fromUtf8(
        book.chartPackage(worksheet(book, QStringLiteral("Data")), 0).parts.at(0).data);
}

}  // namespace

TEST(XlsCharts, BubbleOfPieAndSurfaceChartsReadAsTheirKinds) {
    // Bubbles sized by B2:B6, scaled to 150 %, by width, negative ones shown.
    const auto bubbles = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(record(0x101B, u16(150) + u16(2) + u16(0x0003)), 0, area(0, 1, 5, 1, 1)),
        QStringLiteral("made.xls"));
    ChartSpace space = model(*bubbles, QStringLiteral("Data"), 0);
    ASSERT_EQ(space.chart.plotArea.groups.size(), 1u);
    const ChartGroup& bubble = space.chart.plotArea.groups[0];
    EXPECT_EQ(bubble.kind, ChartGroup::Kind::Bubble);
    EXPECT_EQ(bubble.bubbleScale, 150);
    EXPECT_EQ(bubble.showNegativeBubbles, true);
    ASSERT_EQ(bubble.series.size(), 1u);
    ASSERT_TRUE(bubble.series[0].bubbleSizes && bubble.series[0].bubbleSizes->numbers);
    EXPECT_EQ(bubble.series[0].bubbleSizes->numbers->dense(),
              (std::vector<double>{1.5, 7, 12.34, 100, 42}));
    EXPECT_TRUE(chartPartOf(*bubbles).contains(QStringLiteral("<c:sizeRepresents val=\"w\"/>")));

    // Without sizes of their own, every bubble is drawn alike.
    const auto unsized = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(record(0x101B, u16(100) + u16(1) + u16(0x0001))),
        QStringLiteral("made.xls"));
    space = model(*unsized, QStringLiteral("Data"), 0);
    const Series& plain = space.chart.plotArea.groups.at(0).series.at(0);
    ASSERT_TRUE(plain.bubbleSizes && plain.bubbleSizes->numbers);
    EXPECT_EQ(plain.bubbleSizes->numbers->dense(), (std::vector<double>(5, 1.0)));

    // Bar of pie, the last two points in the bar.
    const auto barOfPie = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(bopPop(2, false, 0, 2, 0, 60, 120, 0)), QStringLiteral("made.xls"));
    space = model(*barOfPie, QStringLiteral("Data"), 0);
    const ChartGroup& ofPie = space.chart.plotArea.groups.at(0);
    EXPECT_EQ(ofPie.kind, ChartGroup::Kind::OfPie);
    EXPECT_EQ(ofPie.ofPieType, OfPieType::Bar);
    EXPECT_EQ(ofPie.splitType, SplitType::Position);
    EXPECT_EQ(ofPie.splitPosition, 2.0);
    EXPECT_EQ(ofPie.secondPieSize, 60);
    EXPECT_EQ(ofPie.gapWidth, 120);
    EXPECT_TRUE(space.chart.plotArea.axes.empty());

    // Pie of pie by value, and by a list of points (BopPopCustom: points 0, 2 and 4).
    const auto byValue = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(bopPop(1, false, 1, 0, 0, 75, 100, 12.5)), QStringLiteral("made.xls"));
    space = model(*byValue, QStringLiteral("Data"), 0);
    EXPECT_EQ(space.chart.plotArea.groups.at(0).ofPieType, OfPieType::Pie);
    EXPECT_EQ(space.chart.plotArea.groups.at(0).splitType, SplitType::Value);
    EXPECT_EQ(space.chart.plotArea.groups.at(0).splitPosition, 12.5);
    const auto custom = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(bopPop(1, false, 3, 0, 0, 75, 100, 0) +
                         record(0x1067, u16(5) + QByteArray(1, char(0x15)))),
        QStringLiteral("made.xls"));
    const QString customPart = chartPartOf(*custom);
    EXPECT_TRUE(customPart.contains(QStringLiteral("<c:custSplit><c:secondPiePt val=\"0\"/>"
                                                   "<c:secondPiePt val=\"2\"/>"
                                                   "<c:secondPiePt val=\"4\"/></c:custSplit>")))
        << customPart.toStdString();

    // A surface without fill is a wireframe.
    const auto wire = XlsWorkbook::fromWorkbookStream(handMadeWorkbook(record(0x103F, u16(0))),
                                                      QStringLiteral("made.xls"));
    space = model(*wire, QStringLiteral("Data"), 0);
    EXPECT_EQ(space.chart.plotArea.groups.at(0).kind, ChartGroup::Kind::Surface);
    EXPECT_EQ(space.chart.plotArea.groups.at(0).wireframe, true);
    const auto filled = XlsWorkbook::fromWorkbookStream(handMadeWorkbook(record(0x103F, u16(1))),
                                                        QStringLiteral("made.xls"));
    EXPECT_EQ(model(*filled, QStringLiteral("Data"), 0).chart.plotArea.groups.at(0).wireframe,
              false);
}

TEST(XlsCharts, ValuesOutsideTheWorkbookAreTakenFromTheChartsOwnCopy) {
    // Values in another workbook, and the chart's copy of them (SIIndex 1, then a cell per
    // point: row the point, column the series); points 0, 1 and 3.
    const auto number = [](int point, double v) {
        return record(0x0203, u16(point) + u16(0) + u16(0) + xnum(v));
    };
    const QByteArray seriesData = record(0x1065, u16(1)) + number(0, 2.5) + number(1, -4) +
                                  number(3, 1e6) + record(0x1065, u16(2));
    const auto book = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(lineRecord(), 1, {}, seriesData), QStringLiteral("made.xls"));
    const ChartSpace space = model(*book, QStringLiteral("Data"), 0);
    const Series& series = *space.allSeries().at(0);
    ASSERT_TRUE(series.values && series.values->numbers);
    EXPECT_TRUE(series.values->formula.isEmpty());
    EXPECT_EQ(series.values->kind, engine::chart::DataSource::Kind::NumberLiteral);
    const std::vector<double> points = series.values->numbers->dense();
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0], 2.5);
    EXPECT_EQ(points[1], -4);
    EXPECT_TRUE(std::isnan(points[2]));
    EXPECT_EQ(points[3], 1e6);
    // The categories still come from the cells.
    EXPECT_EQ(series.categories->formula, QStringLiteral("Data!$A$2:$A$6"));

    // Saved by the spreadsheet application: the second series' values are a constant, which the
    // chart keeps as one point; the first series reads its cells.
    const auto saved = XlsWorkbook::open(legacyTestSourceRoot() +
                                         QStringLiteral("/tests/legacy/data/25183.xls"));
    const ChartSpace matt = model(*saved, QStringLiteral("matt"), 0);
    ASSERT_EQ(matt.allSeries().size(), 2u);
    EXPECT_EQ(matt.allSeries()[0]->valueData()->formula, QStringLiteral("matt!$B$2:$B$72"));
    EXPECT_EQ(matt.allSeries()[1]->valueData()->numbers->dense(), std::vector<double>{1});
}

TEST(XlsCharts, ACategoryAxisMadeATimeLineIsADateAxis) {
    // AxcExt after the category axis's CatSerRange: a date axis in months, ticks every
    // 3 months, from serial 45292 (2024-01-01); the maximum and the minor step automatic.
    const QByteArray catSerRange = record(0x1020, u16(1) + u16(1) + u16(1) + u16(1));
    const QByteArray axcExt = record(0x1062, u16(45292) + u16(0) + u16(3) + u16(1) + u16(1) +
                                                 u16(0) + u16(1) + u16(0) +
                                                 u16(0x0002 | 0x0008 | 0x0010));
    // The cells' format (XF 0) the built-in date format 14, m/d/yyyy.
    const QByteArray dateXf = record(0x00E0, u16(0) + u16(14) + QByteArray(16, '\0'));
    QByteArray stream = handMadeWorkbook(lineRecord(), 0, {}, {}, dateXf);
    const qsizetype at = stream.indexOf(catSerRange);
    ASSERT_GT(at, 0);
    stream.insert(at + catSerRange.size(), axcExt);
    // Numbers for categories (B2:B6 for A2:A6): text categories stay categories whatever the
    // axis says, as the spreadsheet lays them out.
    const QByteArray textCategories = brai(2, area(0, 1, 5, 0, 0));
    const QByteArray textAxis = stream;
    ASSERT_GT(stream.indexOf(textCategories), 0);
    stream.replace(stream.indexOf(textCategories), textCategories.size(),
                   brai(2, area(0, 1, 5, 1, 1)));
    const auto book = XlsWorkbook::fromWorkbookStream(stream, QStringLiteral("made.xls"));
    const ChartSpace space = model(*book, QStringLiteral("Data"), 0);
    const Axis* dates = axisOfKind(space, Axis::Kind::Date);
    ASSERT_TRUE(dates);
    EXPECT_EQ(dates->baseTimeUnit, TimeUnit::Months);
    EXPECT_EQ(dates->majorUnit, 3.0);
    EXPECT_EQ(dates->majorTimeUnit, TimeUnit::Months);
    EXPECT_EQ(dates->minimum, 45292.0);
    EXPECT_FALSE(dates->maximum.has_value());
    EXPECT_EQ(axisOfKind(space, Axis::Kind::Category), nullptr);

    // Saved by the spreadsheet application: daily dates on a date axis.
    const auto saved = XlsWorkbook::open(savedXls(QStringLiteral("SimpleChart.xls")));
    EXPECT_TRUE(axisOfKind(model(*saved, QStringLiteral("Sheet1"), 0), Axis::Kind::Date));

    // Without the record, or over text categories, the axis stays one of categories.
    const auto plain =
        XlsWorkbook::fromWorkbookStream(handMadeWorkbook(lineRecord()), QStringLiteral("made.xls"));
    EXPECT_TRUE(axisOfKind(model(*plain, QStringLiteral("Data"), 0), Axis::Kind::Category));
    const auto texts = XlsWorkbook::fromWorkbookStream(textAxis, QStringLiteral("made.xls"));
    EXPECT_TRUE(axisOfKind(model(*texts, QStringLiteral("Data"), 0), Axis::Kind::Category));
}

TEST(XlsCharts, PlotAreaAndLegendPlacedByHandKeepTheirPlace) {
    // CrtLayout12A: the plot area's inside from the chart's edges; CrtLayout12 in the legend:
    // moved from its automatic place by a factor, its size automatic.
    const auto frt = [](int type) { return u16(type) + u16(0) + QByteArray(8, '\0') + u32(0); };
    const QByteArray plot =
        record(0x08A7, frt(0x08A7) + u16(1) + QByteArray(8, '\0') + u16(2) + u16(2) + u16(2) +
                           u16(2) + xnum(0.1) + xnum(0.15) + xnum(0.7) + xnum(0.6) + u16(0));
    const QByteArray legendLayout =
        record(0x089D, frt(0x089D) + u16(0) + u16(1) + u16(1) + u16(0) + u16(0) + xnum(0.05) +
                           xnum(-0.1) + xnum(0) + xnum(0) + u16(0));
    const QByteArray legend = record(0x1015, QByteArray(16, '\0') + char(3) + char(1) + u16(0x1F)) +
                              begin() + legendLayout + end();
    const auto book = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(lineRecord() + legend, 0, {}, plot), QStringLiteral("made.xls"));
    const ChartSpace space = model(*book, QStringLiteral("Data"), 0);
    ASSERT_TRUE(space.chart.plotArea.layout && space.chart.plotArea.layout->manual);
    const auto& inside = *space.chart.plotArea.layout->manual;
    EXPECT_EQ(inside.layoutTarget, LayoutTarget::Inner);
    EXPECT_EQ(inside.xMode, LayoutMode::Edge);
    EXPECT_EQ(inside.hMode, LayoutMode::Edge);
    EXPECT_EQ(inside.x, 0.1);
    EXPECT_EQ(inside.h, 0.6);
    ASSERT_TRUE(space.chart.legend && space.chart.legend->layout &&
                space.chart.legend->layout->manual);
    const auto& moved = *space.chart.legend->layout->manual;
    EXPECT_EQ(moved.xMode, LayoutMode::Factor);
    EXPECT_EQ(moved.y, -0.1);
    EXPECT_FALSE(moved.wMode.has_value());
    EXPECT_FALSE(moved.w.has_value());

    // Without the records, both are laid out automatically.
    const auto plain =
        XlsWorkbook::fromWorkbookStream(handMadeWorkbook(lineRecord()), QStringLiteral("made.xls"));
    const ChartSpace automatic = model(*plain, QStringLiteral("Data"), 0);
    EXPECT_FALSE(automatic.chart.plotArea.layout && automatic.chart.plotArea.layout->manual);
}

TEST(XlsCharts, ALabelOfItsOwnOnAPointIsKeptAndAHiddenOneStaysHidden) {
    // Text blocks linked to points of series 1 (ObjectLink 4): point 3 says "Peak!" with its
    // value, point 4's label is deleted; the series itself shows no labels.
    const auto text = [](int flags) {
        return record(0x1025, QByteArray(24, '\0') + u16(flags) + u16(0) + u16(0) + u16(0));
    };
    const auto link = [](int point) { return record(0x1027, u16(4) + u16(0) + u16(point)); };
    const QByteArray labels =
        text(0x0004) + begin() + link(2) +
        record(0x100D, u16(0) + char(5) + char(0) + QByteArray("Peak!")) + end() +
        text(0x0040 | 0x0010) + begin() + link(3) + end();
    const auto book = XlsWorkbook::fromWorkbookStream(
        handMadeWorkbook(lineRecord(), 0, {}, labels), QStringLiteral("made.xls"));
    const ChartSpace space = model(*book, QStringLiteral("Data"), 0);
    const Series& series = *space.allSeries().at(0);
    ASSERT_TRUE(series.labels);
    ASSERT_EQ(series.labels->labels.size(), 2u);
    const auto& peak = series.labels->labels[0];
    EXPECT_EQ(peak.index, 2);
    ASSERT_TRUE(peak.text);
    EXPECT_EQ(peak.text->text(), QStringLiteral("Peak!"));
    EXPECT_EQ(peak.showValue, true);
    const auto& hidden = series.labels->labels[1];
    EXPECT_EQ(hidden.index, 3);
    EXPECT_EQ(hidden.deleted, true);
    EXPECT_NE(series.labels->showValue, std::optional<bool>(true));
}

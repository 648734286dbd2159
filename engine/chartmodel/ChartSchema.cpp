#include "engine/chartmodel/ChartSchema.h"

namespace engine::chart::schema {

using xml::Ns;

const xml::ChildSequence kChartSpace{
    {{Ns::C, "date1904"}}, {{Ns::C, "lang"}}, {{Ns::C, "roundedCorners"}},
    {{Ns::Mc, "AlternateContent"}, {Ns::C, "style"}}, {{Ns::C, "clrMapOvr"}},
    {{Ns::C, "pivotSource"}}, {{Ns::C, "protection"}}, {{Ns::C, "chart"}}, {{Ns::C, "spPr"}},
    {{Ns::C, "txPr"}}, {{Ns::C, "externalData"}}, {{Ns::C, "printSettings"}},
    {{Ns::C, "userShapes"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kChart{
    {{Ns::C, "title"}}, {{Ns::C, "autoTitleDeleted"}}, {{Ns::C, "pivotFmts"}}, {{Ns::C, "view3D"}},
    {{Ns::C, "floor"}}, {{Ns::C, "sideWall"}}, {{Ns::C, "backWall"}}, {{Ns::C, "plotArea"}},
    {{Ns::C, "legend"}}, {{Ns::C, "plotVisOnly"}}, {{Ns::C, "dispBlanksAs"}},
    {{Ns::C, "showDLblsOverMax"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kPlotArea{
    {{Ns::C, "layout"}},
    {{Ns::C, "areaChart"}, {Ns::C, "area3DChart"}, {Ns::C, "lineChart"}, {Ns::C, "line3DChart"},
     {Ns::C, "stockChart"}, {Ns::C, "radarChart"}, {Ns::C, "scatterChart"}, {Ns::C, "pieChart"},
     {Ns::C, "pie3DChart"}, {Ns::C, "doughnutChart"}, {Ns::C, "barChart"}, {Ns::C, "bar3DChart"},
     {Ns::C, "ofPieChart"}, {Ns::C, "surfaceChart"}, {Ns::C, "surface3DChart"}, {Ns::C, "bubbleChart"},
     {Ns::C, "valAx"}, {Ns::C, "catAx"}, {Ns::C, "dateAx"}, {Ns::C, "serAx"}},
    {{Ns::C, "dTable"}}, {{Ns::C, "spPr"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kGroup{
    {{Ns::C, "barDir"}, {Ns::C, "radarStyle"}, {Ns::C, "scatterStyle"}, {Ns::C, "ofPieType"}, {Ns::C, "wireframe"}},
    {{Ns::C, "grouping"}}, {{Ns::C, "varyColors"}}, {{Ns::C, "ser"}}, {{Ns::C, "dLbls"}},
    {{Ns::C, "gapWidth"}, {Ns::C, "firstSliceAng"}, {Ns::C, "bubble3D"}},
    {{Ns::C, "overlap"}, {Ns::C, "holeSize"}, {Ns::C, "bubbleScale"}, {Ns::C, "splitType"}},
    {{Ns::C, "splitPos"}}, {{Ns::C, "custSplit"}}, {{Ns::C, "secondPieSize"}},
    {{Ns::C, "showNegBubbles"}}, {{Ns::C, "sizeRepresents"}},
    {{Ns::C, "serLines"}, {Ns::C, "dropLines"}}, {{Ns::C, "hiLowLines"}}, {{Ns::C, "upDownBars"}},
    {{Ns::C, "marker"}}, {{Ns::C, "smooth"}}, {{Ns::C, "shape"}}, {{Ns::C, "bandFmts"}},
    {{Ns::C, "axId"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kSeries{
    {{Ns::C, "idx"}}, {{Ns::C, "order"}}, {{Ns::C, "tx"}}, {{Ns::C, "spPr"}},
    {{Ns::C, "invertIfNegative"}}, {{Ns::C, "pictureOptions"}}, {{Ns::C, "marker"}},
    {{Ns::C, "explosion"}}, {{Ns::C, "dPt"}}, {{Ns::C, "dLbls"}}, {{Ns::C, "trendline"}},
    {{Ns::C, "errBars"}}, {{Ns::C, "cat"}}, {{Ns::C, "val"}}, {{Ns::C, "xVal"}}, {{Ns::C, "yVal"}},
    {{Ns::C, "bubbleSize"}}, {{Ns::C, "bubble3D"}}, {{Ns::C, "shape"}}, {{Ns::C, "smooth"}},
    {{Ns::C, "extLst"}}};

const xml::ChildSequence kDataPoint{
    {{Ns::C, "idx"}}, {{Ns::C, "invertIfNegative"}}, {{Ns::C, "marker"}}, {{Ns::C, "bubble3D"}},
    {{Ns::C, "explosion"}}, {{Ns::C, "spPr"}}, {{Ns::C, "pictureOptions"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kDataLabels{
    {{Ns::C, "idx"}}, {{Ns::C, "dLbl"}}, {{Ns::C, "delete"}}, {{Ns::C, "layout"}}, {{Ns::C, "tx"}},
    {{Ns::C, "numFmt"}}, {{Ns::C, "spPr"}}, {{Ns::C, "txPr"}}, {{Ns::C, "dLblPos"}},
    {{Ns::C, "showLegendKey"}}, {{Ns::C, "showVal"}}, {{Ns::C, "showCatName"}},
    {{Ns::C, "showSerName"}}, {{Ns::C, "showPercent"}}, {{Ns::C, "showBubbleSize"}},
    {{Ns::C, "separator"}}, {{Ns::C, "showLeaderLines"}}, {{Ns::C, "leaderLines"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kTrendline{
    {{Ns::C, "name"}}, {{Ns::C, "spPr"}}, {{Ns::C, "trendlineType"}}, {{Ns::C, "order"}},
    {{Ns::C, "period"}}, {{Ns::C, "forward"}}, {{Ns::C, "backward"}}, {{Ns::C, "intercept"}},
    {{Ns::C, "dispRSqr"}}, {{Ns::C, "dispEq"}}, {{Ns::C, "trendlineLbl"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kErrorBars{
    {{Ns::C, "errDir"}}, {{Ns::C, "errBarType"}}, {{Ns::C, "errValType"}}, {{Ns::C, "noEndCap"}},
    {{Ns::C, "plus"}}, {{Ns::C, "minus"}}, {{Ns::C, "val"}}, {{Ns::C, "spPr"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kAxis{
    {{Ns::C, "axId"}}, {{Ns::C, "scaling"}}, {{Ns::C, "delete"}}, {{Ns::C, "axPos"}},
    {{Ns::C, "majorGridlines"}}, {{Ns::C, "minorGridlines"}}, {{Ns::C, "title"}}, {{Ns::C, "numFmt"}},
    {{Ns::C, "majorTickMark"}}, {{Ns::C, "minorTickMark"}}, {{Ns::C, "tickLblPos"}}, {{Ns::C, "spPr"}},
    {{Ns::C, "txPr"}}, {{Ns::C, "crossAx"}}, {{Ns::C, "crosses"}, {Ns::C, "crossesAt"}},
    {{Ns::C, "auto"}, {Ns::C, "crossBetween"}}, {{Ns::C, "lblAlgn"}}, {{Ns::C, "lblOffset"}},
    {{Ns::C, "baseTimeUnit"}, {Ns::C, "tickLblSkip"}}, {{Ns::C, "majorUnit"}, {Ns::C, "tickMarkSkip"}},
    {{Ns::C, "majorTimeUnit"}, {Ns::C, "noMultiLvlLbl"}}, {{Ns::C, "minorUnit"}},
    {{Ns::C, "minorTimeUnit"}, {Ns::C, "dispUnits"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kTitle{
    {{Ns::C, "tx"}}, {{Ns::C, "layout"}}, {{Ns::C, "overlay"}}, {{Ns::C, "spPr"}}, {{Ns::C, "txPr"}},
    {{Ns::C, "extLst"}}};

const xml::ChildSequence kLegend{
    {{Ns::C, "legendPos"}}, {{Ns::C, "legendEntry"}}, {{Ns::C, "layout"}}, {{Ns::C, "overlay"}},
    {{Ns::C, "spPr"}}, {{Ns::C, "txPr"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kMarker{
    {{Ns::C, "symbol"}}, {{Ns::C, "size"}}, {{Ns::C, "spPr"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kUpDownBars{
    {{Ns::C, "gapWidth"}}, {{Ns::C, "upBars"}}, {{Ns::C, "downBars"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kShapeOwner{{{Ns::C, "spPr"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kStringReference{
    {{Ns::C, "f"}}, {{Ns::C, "numCache"}, {Ns::C, "strCache"}}, {{Ns::C, "extLst"}}};

const xml::ChildSequence kShapeProperties{
    {{Ns::A, "xfrm"}}, {{Ns::A, "custGeom"}, {Ns::A, "prstGeom"}},
    {{Ns::A, "noFill"}, {Ns::A, "solidFill"}, {Ns::A, "gradFill"}, {Ns::A, "blipFill"},
     {Ns::A, "pattFill"}, {Ns::A, "grpFill"}},
    {{Ns::A, "ln"}}, {{Ns::A, "effectLst"}, {Ns::A, "effectDag"}}, {{Ns::A, "scene3d"}},
    {{Ns::A, "sp3d"}}, {{Ns::A, "extLst"}}};

const xml::ChildSequence kLine{
    {{Ns::A, "noFill"}, {Ns::A, "solidFill"}, {Ns::A, "gradFill"}, {Ns::A, "pattFill"}},
    {{Ns::A, "prstDash"}, {Ns::A, "custDash"}}, {{Ns::A, "round"}, {Ns::A, "bevel"}, {Ns::A, "miter"}},
    {{Ns::A, "headEnd"}}, {{Ns::A, "tailEnd"}}, {{Ns::A, "extLst"}}};

const xml::ChildSequence kRunProperties{
    {{Ns::A, "ln"}},
    {{Ns::A, "noFill"}, {Ns::A, "solidFill"}, {Ns::A, "gradFill"}, {Ns::A, "blipFill"},
     {Ns::A, "pattFill"}, {Ns::A, "grpFill"}},
    {{Ns::A, "effectLst"}, {Ns::A, "effectDag"}}, {{Ns::A, "highlight"}},
    {{Ns::A, "uLnTx"}, {Ns::A, "uLn"}}, {{Ns::A, "uFillTx"}, {Ns::A, "uFill"}}, {{Ns::A, "latin"}},
    {{Ns::A, "ea"}}, {{Ns::A, "cs"}}, {{Ns::A, "sym"}}, {{Ns::A, "hlinkClick"}},
    {{Ns::A, "hlinkMouseOver"}}, {{Ns::A, "rtl"}}, {{Ns::A, "extLst"}}};

const xml::ChildSequence kTextBody{{{Ns::A, "bodyPr"}}, {{Ns::A, "lstStyle"}}, {{Ns::A, "p"}}};

const xml::ChildSequence kParagraph{
    {{Ns::A, "pPr"}}, {{Ns::A, "r"}, {Ns::A, "br"}, {Ns::A, "fld"}}, {{Ns::A, "endParaRPr"}}};

const xml::ChildSequence kParagraphProperties{
    {{Ns::A, "lnSpc"}}, {{Ns::A, "spcBef"}}, {{Ns::A, "spcAft"}}, {{Ns::A, "buClrTx"}, {Ns::A, "buClr"}},
    {{Ns::A, "buSzTx"}, {Ns::A, "buSzPct"}, {Ns::A, "buSzPts"}}, {{Ns::A, "buFontTx"}, {Ns::A, "buFont"}},
    {{Ns::A, "buNone"}, {Ns::A, "buAutoNum"}, {Ns::A, "buChar"}, {Ns::A, "buBlip"}}, {{Ns::A, "tabLst"}},
    {{Ns::A, "defRPr"}}, {{Ns::A, "extLst"}}};

}  // namespace engine::chart::schema

#pragma once

#include "engine/package/Xml.h"

// The schema order of the chart elements an editor of chart parts adds children to, each
// declared once. Sequences that stand for several element kinds (every chart group, every
// series, every axis) are the union of their orders, which agree wherever they overlap.

namespace engine::chart::schema {

extern const xml::ChildSequence kChartSpace;
extern const xml::ChildSequence kChart;
extern const xml::ChildSequence kPlotArea;
extern const xml::ChildSequence kGroup;
extern const xml::ChildSequence kSeries;
extern const xml::ChildSequence kDataPoint;
extern const xml::ChildSequence kDataLabels;  // c:dLbls and c:dLbl
extern const xml::ChildSequence kTrendline;
extern const xml::ChildSequence kErrorBars;
extern const xml::ChildSequence kAxis;
extern const xml::ChildSequence kTitle;
extern const xml::ChildSequence kLegend;
extern const xml::ChildSequence kMarker;
extern const xml::ChildSequence kUpDownBars;
extern const xml::ChildSequence kShapeOwner;  // c:majorGridlines, c:hiLowLines, c:upBars...
extern const xml::ChildSequence kStringReference;  // c:strRef and c:numRef
extern const xml::ChildSequence kShapeProperties;  // c:spPr
extern const xml::ChildSequence kLine;             // a:ln
extern const xml::ChildSequence kRunProperties;    // a:defRPr, a:rPr
extern const xml::ChildSequence kTextBody;         // c:txPr, c:rich
extern const xml::ChildSequence kParagraph;        // a:p
extern const xml::ChildSequence kParagraphProperties;  // a:pPr

}  // namespace engine::chart::schema

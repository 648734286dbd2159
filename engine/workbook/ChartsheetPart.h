#pragma once

#include <QString>
#include <utility>

#include "engine/package/Package.h"

namespace engine {

// The page a chart sheet prints on, as its part (CT_Chartsheet) describes it: the paper
// (pageSetup/@paperSize, or @paperWidth and @paperHeight where given), its orientation and the
// margins (pageMargins, inches). The spreadsheet application lays a chart sheet's chart out on
// the printable part of that page, so that is the chart's size.
//
// What the part leaves out takes the application's defaults for a new chart sheet: Letter
// paper, landscape, margins of 0.7 inch left and right and 0.75 inch top and bottom. A paper
// size number the reader does not know counts as Letter; margins are held between 0 and half
// the paper, so a page never has a negative printable size.
struct ChartsheetPage {
    double paperWidthInches = 8.5;  // of the paper in portrait
    double paperHeightInches = 11;
    bool landscape = true;
    double leftInches = 0.7;
    double rightInches = 0.7;
    double topInches = 0.75;
    double bottomInches = 0.75;

    // The printable part of the page in EMU, width and height.
    std::pair<qint64, qint64> printableSize() const;
};

// Reads the page of the chart sheet part. Throws DocumentError naming the file and part when the
// XML is malformed or the part is no chart sheet.
ChartsheetPage readChartsheetPage(const PackageReader& package, const QString& part);

}  // namespace engine

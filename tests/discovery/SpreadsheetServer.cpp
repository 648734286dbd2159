#include "SpreadsheetServer.h"

#include "servers/spreadsheet/SpreadsheetServer.h"

namespace chartstest {

void registerSpreadsheetServer() { servers::registerSpreadsheetServer(); }

// The conversion keeps the sheets, their order and the hidden sheet, renames each chart
// "Chart N" by its place on the sheet, and turns the chart sheet "Year Overview" into a
// worksheet holding its one chart, which is therefore listed too.
const QStringList kSampleRows = {
    QStringLiteral("Harvest|Harvest Chart 1|1|1"),
    QStringLiteral("Harvest|Harvest Chart 2|2|1"),
    QStringLiteral("Sales 2021|Sales 2021 Chart 1|1|1"),
    QStringLiteral("Sales 2021|Sales 2021 Chart 2|2|1"),
    QStringLiteral("Sales 2021|Sales 2021 Chart 3|3|1"),
    QStringLiteral("Weather|Weather Chart 1|1|1"),
    QStringLiteral("Weather|Weather Chart 2|2|1"),
    QStringLiteral("Tasting Notes|Tasting Notes Chart 1|1|1"),
    QStringLiteral("Year Overview|Year Overview Chart 1|1|1"),
};

}  // namespace chartstest

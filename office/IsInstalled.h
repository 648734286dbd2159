#pragma once

#include <QString>

namespace platform {
class Dialogs;
}

namespace office {

// The start-up presence test of Excel (module IsInstalled). It creates an "Excel.Application"
// object through the server registry and lets it go at once, without any call on it and
// without Quit. Every failure inside is ignored: a factory that throws counts the same as one
// that returns nothing.
//
// When no object can be created, the help message is shown (OK, no icon, the application
// title) and the result asks the caller to end the program. Ending it is left to start-up,
// which must then show no window and run no further step.

enum class ExcelPresence { Present, Missing };

// The help message, exactly as shown: five paragraphs separated by two CR LF pairs.
QString excelMissingMessage();

[[nodiscard]] ExcelPresence RequireExcel(platform::Dialogs& dialogs);

}  // namespace office

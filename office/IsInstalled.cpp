#include "IsInstalled.h"

#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "platform/Dialogs.h"

namespace office {

QString excelMissingMessage() {
    const QString breaks = QStringLiteral("\r\n\r\n");
    return QStringLiteral("Error 842001. A normal instance of Excel could not be created.") +
           breaks + QStringLiteral("1. Please make sure Excel is installed on this computer.") +
           breaks +
           QStringLiteral(
               "2. Please open Excel normally and make sure a blank spreadsheet opens "
               "immediately without any interrupting window (such as an Excel file recovery "
               "window).") +
           breaks +
           QStringLiteral(
               "3. Please make sure that when you double-click on a XLS or XLSX file that Excel "
               "opens normally without any interrupting messages.") +
           breaks +
           QStringLiteral(
               "4. All versions of Excel are supported by this software except for the rare "
               "Excel Starter and Student editions.");
}

ExcelPresence RequireExcel(platform::Dialogs& dialogs) {
    bool created = false;
    try {
        // The object is released at the end of this statement: nothing is asked of it.
        created = ServerRegistry::instance().create(QString::fromLatin1(kExcelProgId)) != nullptr;
    } catch (...) {
        created = false;
    }
    if (created) return ExcelPresence::Present;

    try {
        dialogs.messageBox(excelMissingMessage(), platform::box::kOkOnly, QString());
    } catch (...) {
        // Failures inside the presence test are ignored; the program ends all the same.
    }
    return ExcelPresence::Missing;
}

}  // namespace office

#include "RunningChecks.h"

#include "office/Excel.h"
#include "office/PowerPoint.h"
#include "office/ServerRegistry.h"
#include "platform/Dialogs.h"

namespace office {

namespace {

bool runningUnderName(const char* progId, const char* expectedName) {
    try {
        auto object = ServerRegistry::instance().getRunning(QString::fromLatin1(progId));
        return object && object->Name() == QLatin1String(expectedName);
    } catch (...) {
        return false;
    }
}

QString warning(const QString& firstLine, const QString& secondLine) {
    return firstLine + QLatin1Char('\r') + secondLine + QStringLiteral("\r\n\r\n") +
           QStringLiteral("Would you like to proceed anyway?");
}

bool stopFor(bool running, const QString& text, platform::Dialogs& dialogs) {
    if (!running) return false;
    return dialogs.messageBox(text, platform::box::kYesNo, QString()) !=
           platform::box::kResultYes;
}

}  // namespace

bool IsExcelRunning() { return runningUnderName(kExcelProgId, kExcelName); }

bool IsPowerPointRunning() { return runningUnderName(kPowerPointProgId, kPowerPointName); }

QString openExcelWarning() {
    return warning(
        QStringLiteral("Excel may be open. It is recommended that you close Excel first."),
        QStringLiteral("Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary."));
}

QString openPowerPointWarning() {
    return warning(
        QStringLiteral(
            "PowerPoint may be open. It is recommended that you close PowerPoint first."),
        QStringLiteral("Use Ctrl+Alt+Del > Task Manager > POWERPNT.EXE if necessary."));
}

bool StopForOpenExcel(platform::Dialogs& dialogs) {
    return stopFor(IsExcelRunning(), openExcelWarning(), dialogs);
}

bool StopForOpenPowerPoint(platform::Dialogs& dialogs) {
    return stopFor(IsPowerPointRunning(), openPowerPointWarning(), dialogs);
}

}  // namespace office

#include "ErrorReport.h"

#include "Dialogs.h"

namespace platform {

QString applicationErrorText(const QString& location, int line, const QString& description) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") +
           QLatin1String(kSupportAddress);
}

void ReportApplicationError(Dialogs& dialogs, const QString& location, int line,
                            const QString& description) {
    dialogs.messageBox(applicationErrorText(location, line, description),
                       box::kOkOnly + box::kExclamation, QStringLiteral("Application Error"));
}

}  // namespace platform

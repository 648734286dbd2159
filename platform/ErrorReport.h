#pragma once

#include <QString>

namespace platform {

class Dialogs;

// The support address named at the end of every error report.
inline constexpr const char* kSupportAddress = "support@quillmere.example";

// The text of an error report: the description, CR LF, the location string, "at line ", the
// line number, two bare CRs and the request to e-mail a screenshot to the support address.
QString applicationErrorText(const QString& location, int line, const QString& description);

// Shows the "Application Error" box (exclamation icon, OK) with that text and returns when the
// user has dismissed it. The only way the program reports an unexpected failure.
void ReportApplicationError(Dialogs& dialogs, const QString& location, int line,
                            const QString& description);

}  // namespace platform

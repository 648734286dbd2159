#include "office/Excel.h"
#include "office/PowerPoint.h"

namespace office {

ExcelChartFacts ExcelChart::Facts() {
    throw AutomationError(QString::fromLatin1(kNotSupported));
}

void ExcelChart::Export(const QString&, const QString&, const ExcelPictureSize&) {
    throw AutomationError(QString::fromLatin1(kNotSupported));
}

std::shared_ptr<ExcelCharts> ExcelWorkbook::Charts() {
    throw AutomationError(QString::fromLatin1(kNotSupported));
}

void PptPresentation::SaveAs(const QString&) {
    throw AutomationError(QString::fromLatin1(kNotSupported));
}

}  // namespace office

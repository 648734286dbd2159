#include "GeneratedWorkbooks.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/package/Package.h"

#include <gtest/gtest.h>

using engine::DocumentError;
using engine::LegacyConverter;

TEST(LegacyConverter, WithoutLibreOfficeSaysWhatToInstallAndNamesTheFile) {
    LegacyConverter::clearCache();
    LegacyConverter::setOfficeProgram(QStringLiteral("/nonexistent/soffice"));
    try {
        LegacyConverter::convert(generatedWorkbook(QStringLiteral("charts.xlsx")), QStringLiteral("xlsx"));
        ADD_FAILURE() << "converted without LibreOffice";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("charts.xlsx: "))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("libreoffice-calc-nogui"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral(".xlsx"))) << e.message().toStdString();
    }
    LegacyConverter::setOfficeProgram(QString());
}

TEST(LegacyConverter, PresentationsNameTheImpressPackage) {
    LegacyConverter::setOfficeProgram(QStringLiteral("/nonexistent/soffice"));
    try {
        LegacyConverter::convert(generatedWorkbook(QStringLiteral("charts.xlsx")), QStringLiteral("pptx"));
        ADD_FAILURE() << "converted without LibreOffice";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("libreoffice-impress-nogui"))) << e.message().toStdString();
    }
    LegacyConverter::setOfficeProgram(QString());
}

TEST(LegacyConverter, AMissingFileIsNamed) {
    try {
        LegacyConverter::convert(QStringLiteral("/nonexistent/old book.xls"), QStringLiteral("xlsx"));
        ADD_FAILURE() << "converted a missing file";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("old book.xls: "))) << e.message().toStdString();
    }
}

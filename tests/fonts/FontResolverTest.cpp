// Office faces resolve to their installed metric twins, and text is measured with the face
// that draws it. Advance widths of the office faces' figures, in units of a 2048-unit em, are
// the published metrics of those faces (Calibri 1038, Arial 1139, Times New Roman 1024,
// Courier New 1229); a twin that draws them must give the same.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>

#include "engine/text/FontResolver.h"

using namespace engine;

namespace {

class FontResolverTest : public testing::Test {
  protected:
    FontResolver resolver;

    void requireInstalled(const QString& family) {
        if (!resolver.isInstalled(family))
            GTEST_SKIP() << family.toStdString()
                         << " is not installed (see the Makefile's RUN_PKGS)";
    }

    // The advance of `text` at 2048 pixels to the em, so that widths read as font units.
    double advanceInFontUnits(const QString& officeFamily, const QString& text) {
        QFont font = resolver.font(officeFamily, 0);
        font.setPixelSize(2048);
        return FontResolver::measure(text, font).width();
    }
};

}  // namespace

TEST_F(FontResolverTest, OfficeFacesMapToTheirMetricTwins) {
    EXPECT_EQ(FontResolver::metricTwin("Calibri"), "Carlito");
    EXPECT_EQ(FontResolver::metricTwin("cambria"), "Caladea");
    EXPECT_EQ(FontResolver::metricTwin(" Arial "), "Liberation Sans");
    EXPECT_EQ(FontResolver::metricTwin("Times New Roman"), "Liberation Serif");
    EXPECT_EQ(FontResolver::metricTwin("Courier New"), "Liberation Mono");
    EXPECT_EQ(FontResolver::metricTwin("Aptos"), "");
    EXPECT_EQ(FontResolver::metricTwin("Segoe UI"), "");
}

TEST_F(FontResolverTest, FacesWithoutATwinFallBackToCarlito) {
    if (resolver.isInstalled("Aptos") || resolver.isInstalled("Segoe UI"))
        GTEST_SKIP() << "the real faces are installed here";
    EXPECT_EQ(resolver.family("Aptos"), "Carlito");
    EXPECT_EQ(resolver.family("Aptos Narrow"), "Carlito");
    EXPECT_EQ(resolver.family("Segoe UI"), "Carlito");
    EXPECT_EQ(resolver.family("No Such Face 12345"), "Carlito");
    EXPECT_EQ(resolver.family(""), "Carlito");
    EXPECT_FALSE(resolver.isMetricCompatible("Aptos"));
}

TEST_F(FontResolverTest, AnInstalledFaceIsUsedAsItIs) {
    requireInstalled("DejaVu Sans");
    EXPECT_EQ(resolver.family("DejaVu Sans"), "DejaVu Sans");
    EXPECT_TRUE(resolver.isMetricCompatible("DejaVu Sans"));
}

TEST_F(FontResolverTest, TheTwinIsWhatDrawsTheText) {
    struct Expect {
        const char* office;
        const char* drawnBy;
    };
    for (const Expect& e :
         {Expect{"Calibri", "Carlito"}, Expect{"Cambria", "Caladea"},
          Expect{"Arial", "Liberation Sans"}, Expect{"Times New Roman", "Liberation Serif"},
          Expect{"Courier New", "Liberation Mono"}, Expect{"Aptos", "Carlito"}}) {
        SCOPED_TRACE(e.office);
        if (!resolver.isInstalled(e.drawnBy)) continue;
        const QFont font = resolver.font(e.office, 10, true);
        EXPECT_EQ(QFontInfo(font).family(), e.drawnBy);
        EXPECT_TRUE(QFontInfo(font).bold());
    }
}

TEST_F(FontResolverTest, CalibriTextHasCalibrisWidths) {
    requireInstalled("Carlito");
    EXPECT_DOUBLE_EQ(advanceInFontUnits("Calibri", "0"), 1038);
    EXPECT_DOUBLE_EQ(advanceInFontUnits("Calibri", "0123456789"), 10380);
    EXPECT_TRUE(resolver.isMetricCompatible("Calibri"));
}

TEST_F(FontResolverTest, ArialTimesAndCourierTextHaveTheirWidths) {
    requireInstalled("Liberation Sans");
    requireInstalled("Liberation Serif");
    requireInstalled("Liberation Mono");
    EXPECT_DOUBLE_EQ(advanceInFontUnits("Arial", "5"), 1139);
    EXPECT_DOUBLE_EQ(advanceInFontUnits("Times New Roman", "5"), 1024);
    EXPECT_DOUBLE_EQ(advanceInFontUnits("Courier New", "Wi"), 2 * 1229);
}

TEST_F(FontResolverTest, WidthsScaleWithSizeAndTheDeviceMeasuredFor) {
    requireInstalled("Carlito");
    const QString text = QStringLiteral("Quarterly revenue 2024");
    const double at10 = FontResolver::measure(text, resolver.font("Calibri", 10)).width();
    const double at20 = FontResolver::measure(text, resolver.font("Calibri", 20)).width();
    EXPECT_NEAR(at20 / at10, 2.0, 0.01);

    QImage at72(10, 10, QImage::Format_ARGB32);
    at72.setDotsPerMeterX(qRound(72 / 0.0254));
    at72.setDotsPerMeterY(qRound(72 / 0.0254));
    QImage at144 = at72;
    at144.setDotsPerMeterX(qRound(144 / 0.0254));
    at144.setDotsPerMeterY(qRound(144 / 0.0254));
    const QFont font = resolver.font("Calibri", 12);
    const double w72 = FontResolver::measure(text, font, &at72).width();
    EXPECT_NEAR(FontResolver::measure(text, font, &at144).width() / w72, 2.0, 0.01);
    // At 72 dpi a point is a pixel: 22 characters of 12 pt text are some 110 pt wide.
    EXPECT_GT(w72, 90);
    EXPECT_LT(w72, 130);
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

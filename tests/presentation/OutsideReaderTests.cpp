// Every kind of presentation this engine saves opens in LibreOffice with one page per slide,
// and reads back with every chart's series, caches and data.

#include "Fixtures.h"

#include "engine/package/OoxmlNames.h"
#include "engine/presentation/Presentation.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using engine::Presentation;

TEST(SavedPresentations, OpenInLibreOfficeAndReadBackWithTheirCharts) {
    QTemporaryDir dir;
    const QString charts = fixtures::fixtureDir() + "/charts.xlsx";
    QStringList files;
    QList<int> slides;

    // A new presentation with several charts, one of them twice, and a title slide.
    auto many = Presentation::createNew();
    many.addSlide(0, 1);
    for (int i = 1; i <= 4; ++i) {
        many.addSlide(many.slideCount(), 12);
        many.pasteChart(i, fixtures::chartPackageFromWorkbook(charts, i == 4 ? 1 : i, QString("Chart %1").arg(i)));
    }
    files << dir.filePath("many.pptx");
    many.save(files.back());
    slides << many.slideCount();

    // Pictures, text and a chart scaled down to fit.
    auto mixed = Presentation::createNew();
    mixed.addSlide(0, 12);
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    mixed.pastePicture(0, image);
    mixed.pasteText(0, "Caption\nsecond line");
    mixed.addSlide(1, 12);
    auto big = fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/big.xlsx", 1);
    big.cx *= 5;
    big.cy *= 5;
    mixed.pasteChart(1, big);
    files << dir.filePath("mixed.pptx");
    mixed.save(files.back());
    slides << mixed.slideCount();

    if (!fixtures::sofficeAvailable()) GTEST_SKIP() << "LibreOffice (soffice/pdfinfo) is not installed; outside check skipped";

    // A presentation LibreOffice made, with charts added to it.
    QFile::copy(fixtures::fixtureDir() + "/outside.fodp", dir.filePath("outside.fodp"));
    QProcess::execute("soffice", {"-env:UserInstallation=file://" + dir.path() + "/lo-profile", "--headless",
                                  "--convert-to", "pptx", "--outdir", dir.path(), dir.filePath("outside.fodp")});
    auto outside = Presentation::open(dir.filePath("outside.pptx"));
    outside.addSlide(outside.slideCount(), 12);
    outside.pasteChart(outside.slideCount() - 1, fixtures::chartPackageFromWorkbook(charts, 3));
    files << dir.filePath("outside-extended.pptx");
    outside.save(files.back());
    slides << outside.slideCount();

    const QList<int> pages = fixtures::pdfPageCounts(files, dir.path());
    ASSERT_EQ(pages.size(), files.size());
    for (int i = 0; i < files.size(); ++i) EXPECT_EQ(pages[i], slides[i]) << files[i].toStdString();

    // Our own reader finds every chart again, with its series, caches and embedded data.
    int chartsFound = 0;
    for (const QString& file : files) {
        const auto p = Presentation::open(file);
        for (int s = 0; s < p.slideCount(); ++s) {
            for (const auto& shape : p.slideShapes(s)) {
                if (shape.kind != engine::SlideShape::Kind::Chart) continue;
                ++chartsFound;
                const QString chart = p.slideTarget(s, shape.relId);
                const auto summary = p.chartSummary(chart);
                ASSERT_FALSE(summary.series.empty()) << chart.toStdString();
                for (const auto& series : summary.series) {
                    EXPECT_FALSE(series.valueFormula.isEmpty());
                    EXPECT_GT(series.pointCount, 0);
                }
                const auto chartRels = p.package().relationships(chart);
                const auto* data = chartRels.byId(summary.externalDataRelId);
                ASSERT_NE(data, nullptr);
                EXPECT_EQ(data->type, engine::ooxml::rel::kPackage);
                EXPECT_FALSE(fixtures::readWorkbookCells(p.package().part(data->targetPart)).isEmpty());
            }
        }
    }
    EXPECT_EQ(chartsFound, 6);
}

// Inputs that once crashed, overflowed or passed as success while doing harm: each kept
// under fuzz/regressions or built here, each checked for the sound outcome.

#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartcopy/ChartPackage.h"
#include "engine/package/Package.h"
#include "engine/package/Xml.h"
#include "engine/presentation/Presentation.h"
#include "engine/slide/SlideModel.h"
#include "engine/workbook/Workbook.h"

#include <QDataStream>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

using namespace engine;

namespace {

const char* const kChartType = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
constexpr qint64 kMaxExtent = 27273042316900LL;

QString regression(const char* name) {
    return qEnvironmentVariable("QUILLMERE_SOURCE_DIR", QStringLiteral(QUILLMERE_SOURCE_ROOT)) +
           QStringLiteral("/fuzz/regressions/") + QString::fromLatin1(name);
}

// Every chart of every worksheet, collected as the spreadsheet's copy does.
std::vector<ChartPackage> copyCharts(const Workbook& workbook) {
    std::vector<ChartPackage> packages;
    for (const auto* sheet : workbook.worksheets()) {
        for (const auto& chart : sheet->chartObjects) packages.push_back(collectChart(workbook, *sheet, chart));
    }
    return packages;
}

// Pastes every package on a slide of its own of a new presentation, saves and reopens it.
Presentation pastedAndReopened(const std::vector<ChartPackage>& packages, const QTemporaryDir& dir) {
    auto p = Presentation::createNew();
    for (size_t i = 0; i < packages.size(); ++i) {
        p.addSlide(int(i), 12);
        p.pasteChart(int(i), chartPackageFromBytes(chartPackageToBytes(packages[i])));
    }
    const QString path = dir.filePath(QStringLiteral("out.pptx"));
    p.save(path);
    return Presentation::open(path);
}

ChartPackage minimalPackage() {
    ChartPackage p;
    p.parts.push_back({"/xl/charts/chart1.xml", kChartType,
                       "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart/></c:chartSpace>",
                       {}});
    p.cx = 100000;
    p.cy = 100000;
    return p;
}

QByteArray header(quint32 version) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint32(0x514D4350) << version << QString() << QString() << QString() << qint64(1) << qint64(1)
        << false << QByteArray() << quint32(1) << QStringLiteral("/xl/charts/chart1.xml")
        << QString::fromLatin1(kChartType) << QByteArray("<c/>") << QByteArray() << quint32(1)
        << QStringLiteral("Sheet1") << qint32(0) << qint32(0);
    return bytes;
}

}  // namespace

TEST(HostileClipboard, CellValueNestedWithoutEndIsRefusedNotRecursedInto) {
    // A value written as a QVariant list holding a list holding a list... 200,000 deep: read
    // as a QVariant it recursed once per level until the stack was gone.
    QByteArray level;
    {
        QDataStream out(&level, QIODevice::WriteOnly);
        out << quint32(QMetaType::QVariantList) << qint8(0) << quint32(1);
    }
    for (quint32 version : {1u, 2u}) {
        QByteArray bytes = header(version);
        bytes.reserve(bytes.size() + level.size() * 200000);
        for (int i = 0; i < 200000; ++i) bytes += level;
        EXPECT_THROW(chartPackageFromBytes(bytes), DocumentError) << "version " << version;
    }
}

TEST(HostileClipboard, CountsAndSizesBeyondTheBytesAreRefused) {
    const QByteArray good = chartPackageToBytes(minimalPackage());
    ASSERT_NO_THROW(chartPackageFromBytes(good));
    // Every prefix is refused, none makes the reader allocate what the bytes announce.
    for (qsizetype n = 0; n < good.size(); n += 7) EXPECT_THROW(chartPackageFromBytes(good.left(n)), DocumentError);
    ChartPackage huge = minimalPackage();
    huge.cx = kMaxExtent + 1;
    EXPECT_THROW(chartPackageFromBytes(chartPackageToBytes(huge)), DocumentError);
    ChartPackage many = minimalPackage();
    for (int i = 0; i < kMaxChartPackageParts; ++i) {
        many.parts.push_back({QStringLiteral("/xl/media/image%1.png").arg(i + 1), "image/png", "x", {}});
    }
    EXPECT_THROW(chartPackageFromBytes(chartPackageToBytes(many)), DocumentError);
}

TEST(HostileClipboard, PartNamesOutsideTheirFoldersAreRefusedAndNeverWritten) {
    for (const char* name : {"/a/../../../../tmp/x.xml", "/xl/charts/./style1.xml", "xl/charts/chart2.xml",
                             "/xl//charts/a.xml", "/xl/charts/a.xml.", "/xl\\charts\\a.xml", "/xl/charts%2F..%2Fa.xml"}) {
        ChartPackage p = minimalPackage();
        p.parts.push_back({QString::fromLatin1(name), "image/png", "x", {}});
        EXPECT_THROW(chartPackageFromBytes(chartPackageToBytes(p)), DocumentError) << name;
    }
    // The kept input of the older clipboard format is refused as a whole.
    QFile kept(regression("part-name-traversal.bin"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_THROW(chartPackageFromBytes(kept.readAll()), DocumentError);

    // Handed over directly, an unreferenced part is not placed at all...
    QTemporaryDir dir;
    ChartPackage p = minimalPackage();
    p.parts.push_back({"/a/../../../../x.xml", "image/png", "x", {}});
    auto presentation = Presentation::createNew();
    presentation.addSlide(0, 12);
    presentation.pasteChart(0, p);
    for (const QString& part : presentation.package().partNames()) EXPECT_TRUE(isValidPartName(part)) << part.toStdString();
    // ...and a package never writes or reads a name that climbs out of its folders.
    Package package = presentation.package();
    package.setPart("/ppt/../../evil.xml", "x");
    EXPECT_THROW(package.saveAtomically(dir.filePath("evil.pptx")), DocumentError);
    EXPECT_FALSE(QFile::exists(dir.filePath("evil.pptx")));
}

TEST(HostileClipboard, OnlyTheChartsOwnKindsOfPartTravel) {
    // The chart's relationships name the worksheet and the workbook part besides its own.
    const auto workbook = Workbook::open(regression("foreign-parts-carried.xlsx"));
    const auto packages = copyCharts(*workbook);
    ASSERT_FALSE(packages.empty());
    for (const auto& package : packages) {
        for (const auto& part : package.parts) {
            EXPECT_FALSE(part.contentType.contains("spreadsheetml")) << part.name.toStdString();
        }
    }
    QTemporaryDir dir;
    const auto reopened = pastedAndReopened(packages, dir);
    for (const QString& part : reopened.package().partNames()) {
        if (part.startsWith("/ppt/embeddings/")) continue;  // the chart's own data
        const QString type = reopened.package().contentTypes().of(part);
        EXPECT_FALSE(type.contains("spreadsheetml")) << part.toStdString() << " " << type.toStdString();
    }
    // A package on the clipboard that carries one anyway is refused.
    ChartPackage foreign = minimalPackage();
    foreign.parts.push_back({"/xl/worksheets/sheet1.xml",
                             "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml", "<x/>", {}});
    EXPECT_THROW(chartPackageFromBytes(chartPackageToBytes(foreign)), DocumentError);
}

TEST(HostileWorkbook, WhatTheCopyCarriesThePasteTakes) {
    // Chart parts relating to a style typed as plain XML (a lax writer), a style part no
    // content type names, a style relating to a chart and to itself as a picture, a chart part
    // of an unreadable type: the copy carried parts the paste then refused.
    for (const char* name : {"chart-style-typed-as-plain-xml.xlsx", "chart-relates-to-unlisted-style.xlsx",
                             "chart-style-relates-to-chart.xlsx", "chart-part-of-unknown-type.xlsx"}) {
        SCOPED_TRACE(name);
        const auto workbook = Workbook::open(regression(name));
        const auto packages = copyCharts(*workbook);
        ASSERT_FALSE(packages.empty());
        for (const auto& package : packages) {
            for (size_t i = 1; i < package.parts.size(); ++i) {
                EXPECT_TRUE(chartPackageCarriesContentType(package.parts[i].contentType))
                    << package.parts[i].name.toStdString() << " " << package.parts[i].contentType.toStdString();
            }
        }
        QTemporaryDir dir;
        EXPECT_EQ(pastedAndReopened(packages, dir).slideCount(), int(packages.size()));
    }
}

TEST(HostileWorkbook, NonFiniteNumbersNeverReachTheEmbeddedWorkbook) {
    const auto workbook = Workbook::open(regression("non-finite-numbers.xlsx"));
    const auto packages = copyCharts(*workbook);
    ASSERT_FALSE(packages.empty());
    for (const auto& package : packages) {
        for (const auto& cell : package.cells) {
            if (cell.value.typeId() == QMetaType::Double) {
                EXPECT_TRUE(std::isfinite(cell.value.toDouble()));
            }
        }
    }
    QTemporaryDir dir;
    const auto reopened = pastedAndReopened(packages, dir);
    int numbers = 0;
    for (const QString& part : reopened.package().partNames()) {
        if (!part.endsWith(".xlsx")) continue;
        const auto embedded = Package::fromZipBytes(reopened.package().part(part), "embedded");
        for (const QString& inner : embedded.partNames()) {
            if (!inner.startsWith("/xl/worksheets/")) continue;
            pugi::xml_document doc;
            parseXml(doc, embedded.part(inner), "embedded", inner);
            for (auto c : doc.select_nodes("//*[local-name()='c']")) {
                const auto cell = c.node();
                if (*cell.attribute("t").value()) continue;  // text, shared string, truth value
                bool ok = false;
                const double value = QString::fromUtf8(xml::child(cell, xml::Ns::S, "v").text().as_string()).toDouble(&ok);
                EXPECT_TRUE(ok && std::isfinite(value)) << xml::child(cell, xml::Ns::S, "v").text().as_string();
                ++numbers;
            }
        }
    }
    EXPECT_GT(numbers, 0);

    // From the clipboard: refused when read, and refused when handed over directly.
    ChartPackage nan = minimalPackage();
    nan.cells.push_back({"Sheet1", 0, 0, std::nan(""), {}});
    EXPECT_THROW(chartPackageFromBytes(chartPackageToBytes(nan)), DocumentError);
    ChartPackage inf = minimalPackage();
    inf.cells.push_back({"Sheet1", 0, 0, HUGE_VAL, {}});
    auto presentation = Presentation::createNew();
    presentation.addSlide(0, 12);
    EXPECT_THROW(presentation.pasteChart(0, inf), DocumentError);
}

TEST(HostileWorkbook, SheetNamesAlikeButForCaseAreRefusedNamingTheFile) {
    // "Data" and "DATA": found by name, the second sheet's chart was never reached, and the
    // first one's copied in its place.
    try {
        Workbook::open(regression("case-duplicate-sheet-names.xlsx"));
        FAIL() << "opened";
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.message().toStdString(),
                  "case-duplicate-sheet-names.xlsx: xl/workbook.xml: sheets \"Data\" and \"DATA\" have the same name "
                  "(the case of letters does not tell sheets apart)");
    }
}

TEST(HostileWorkbook, AnchorOffsetsAtTheEndsOfTheirRangeGiveTheLargestSize) {
    // colOff from -2^63 to 2^63-1: the difference overflowed.
    const auto workbook = Workbook::open(regression("anchor-offset-overflow.xlsx"));
    bool found = false;
    for (const auto* sheet : workbook->worksheets()) {
        for (const auto& chart : sheet->chartObjects) {
            const auto [cx, cy] = workbook->chartSize(*sheet, chart);
            EXPECT_EQ(cx, kMaxExtent);
            EXPECT_GE(cy, 0);
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST(HostileWorkbook, LongUnionOfWholeColumnsIsCollected) {
    // 2,100 whole columns: the running point offset passed INT_MAX.
    const auto workbook = Workbook::open(regression("union-offset-overflow.xlsx"));
    const auto packages = copyCharts(*workbook);
    ASSERT_FALSE(packages.empty());
    for (const auto& cell : packages.front().cells) EXPECT_EQ(cell.column, 0);
}

TEST(HostilePresentation, NewLayoutIdStaysInItsRangeWhenTheMasterHoldsTheLast) {
    // The master's id is 4294967295 and there is no blank layout: one is added.
    QTemporaryDir dir;
    auto p = Presentation::open(regression("layout-id-wraps-to-zero.pptx"));
    p.addSlide(p.slideCount(), 12);
    p.save(dir.filePath("out.pptx"));
    const auto reopened = Presentation::open(dir.filePath("out.pptx"));
    std::set<quint64> ids;
    int layouts = 0;
    for (const QString& part : reopened.package().partNames()) {
        if (!part.startsWith("/ppt/slideMasters/") || !part.endsWith(".xml")) continue;
        pugi::xml_document doc;
        parseXml(doc, reopened.package().part(part), "out", part);
        for (auto id : doc.select_nodes("//*[local-name()='sldLayoutId']")) {
            const quint64 value = id.node().attribute("id").as_ullong();
            EXPECT_GE(value, 2147483648ULL);
            EXPECT_LE(value, 4294967295ULL);
            EXPECT_TRUE(ids.insert(value).second) << "layout id " << value << " twice";
            ++layouts;
        }
    }
    EXPECT_GT(layouts, 0);
    EXPECT_EQ(ids.count(4294967295ULL), 0u);  // the master's own
}

TEST(HostilePresentation, SlideAddedAfterTheLargestSlideIdReopens) {
    // The second slide's id is 2147483647, the largest there is.
    QTemporaryDir dir;
    auto p = Presentation::open(regression("slide-id-out-of-range.pptx"));
    const int before = p.slideCount();
    p.addSlide(before, 12);
    p.save(dir.filePath("out.pptx"));
    EXPECT_EQ(Presentation::open(dir.filePath("out.pptx")).slideCount(), before + 1);
}

TEST(HostilePresentation, ChartPastedBesideTheLargestShapeIdGetsAnotherInRange) {
    auto p = Presentation::open(regression("shape-id-overflow.pptx"));
    std::set<int> before;
    for (const auto& shape : p.slideShapes(0)) before.insert(shape.id);
    // The slide's largest id, 2147483647, is on an element that is no shape of its own.
    p.pasteChart(0, minimalPackage());
    int added = 0;
    for (const auto& shape : p.slideShapes(0)) {
        if (before.count(shape.id)) continue;
        EXPECT_GE(shape.id, 2);
        ++added;
    }
    EXPECT_EQ(added, 1);
}

TEST(HostilePresentation, GroupScaledBeyondAnyCoordinateStaysInRange) {
    const auto p = Presentation::open(regression("group-transform-cast.pptx"));
    int framed = 0;
    for (int i = 0; i < p.slideCount(); ++i) {
        for (const auto& shape : p.slideShapes(i)) {
            if (!shape.hasFrame) continue;
            for (qint64 v : {shape.frame.x, shape.frame.y, shape.frame.cx, shape.frame.cy}) {
                EXPECT_GE(v, -kMaxExtent - 12700) << shape.name.toStdString();
                EXPECT_LE(v, kMaxExtent) << shape.name.toStdString();
            }
            ++framed;
        }
    }
    EXPECT_GT(framed, 0);
}

TEST(HostilePresentation, PictureOfMorePixelsThanDrawnIsLeftUndecodedInItsFrame) {
    // A 26 KB deck whose one picture is a valid PNG of 60000 x 60000 pixels: decoding it took
    // half a minute of the window's time, scaled or not.
    const auto presentation = Presentation::open(regression("picture-of-60000-pixels-a-side.pptx"));
    const slide::SlideModel model = slide::readSlideModel(presentation, 0);
    int pictures = 0;
    for (const auto& element : model.elements) {
        if (element.kind != slide::SlideElement::Kind::Picture) continue;
        EXPECT_TRUE(element.image.isNull());
        EXPECT_FALSE(element.frame.isEmpty());
        ++pictures;
    }
    EXPECT_EQ(pictures, 1);
}

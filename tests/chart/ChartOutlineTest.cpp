// The outline of a chart part (one pass, no document tree) against the summary of its whole
// model: on every chart part of every workbook and deck the project's generators write, and on
// parts made here for the forms the generators never write.

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartOutline.h"
#include "engine/chartcopy/ChartPart.h"
#include "tests/support/GeneratedFiles.h"

#include <QDir>
#include <cstdio>
#include <QStandardPaths>
#include <optional>

#include <gtest/gtest.h>

using namespace engine;

namespace {

struct Said {
    std::optional<ChartOutline> said;
    QString error;
};

Said byModel(const QByteArray& xml) {
    try {
        const ChartSummary summary = summarizeChart(chart::readChartSpace(xml, "book.xlsx", "/xl/charts/chart1.xml"));
        return {ChartOutline{summary.kind, summary.title, int(summary.series.size())}, {}};
    } catch (const DocumentError& e) {
        return {std::nullopt, e.message()};
    }
}

Said byOutline(const QByteArray& xml) {
    try {
        return {readChartOutline(xml, "book.xlsx", "/xl/charts/chart1.xml"), {}};
    } catch (const DocumentError& e) {
        return {std::nullopt, e.message()};
    }
}

// Both readers give the same kind, title and series count, or both refuse the part.
void expectAgreement(const QByteArray& xml, const QString& where) {
    const Said model = byModel(xml);
    const Said outline = byOutline(xml);
    ASSERT_EQ(model.said.has_value(), outline.said.has_value())
        << where.toStdString() << ": model says " << model.error.toStdString() << ", outline says "
        << outline.error.toStdString();
    if (!model.said) return;
    EXPECT_EQ(outline.said->kind, model.said->kind) << where.toStdString();
    EXPECT_EQ(outline.said->title, model.said->title) << where.toStdString();
    EXPECT_EQ(outline.said->seriesCount, model.said->seriesCount) << where.toStdString();
}

QStringList generatedPackages() {
    QStringList arguments;
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!office.isEmpty()) arguments << QStringLiteral("--libreoffice") << office;
    const QStringList folders{
        QFileInfo(testsupport::generatedFile(QStringLiteral("make-model-workbooks.py"), arguments, "x")).path(),
        QFileInfo(testsupport::generatedFile(QStringLiteral("make-render-workbooks.py"), {}, "x")).path(),
        QFileInfo(testsupport::generatedFile(QStringLiteral("make-chart-workbooks.py"), {}, "x")).path(),
        QFileInfo(testsupport::generatedFile(QStringLiteral("make_test_workbooks.py"), {}, "x")).path(),
        QFileInfo(testsupport::generatedFile(QStringLiteral("make_test_workbooks.py"), {QStringLiteral("--defaults-2007")}, "x")).path(),
        testsupport::sourceRoot() + QStringLiteral("/tests/chart/data")};
    QStringList packages;
    for (const QString& folder : folders) {
        for (const QFileInfo& file : QDir(folder).entryInfoList({"*.xlsx", "*.xlsm", "*.pptx"}, QDir::Files, QDir::Name)) {
            packages << file.filePath();
        }
    }
    return packages;
}

TEST(ChartOutline, AgreesWithTheModelOnEveryChartPartTheGeneratorsWrite) {
    int parts = 0;
    for (const QString& path : generatedPackages()) {
        std::unique_ptr<PackageReader> package;
        try {
            package = PackageReader::open(path);
        } catch (const DocumentError&) {
            continue;  // the generators' broken files: no chart part to read
        }
        for (const QString& part : package->partNames()) {
            if (!part.contains(QLatin1String("/charts/")) || !part.endsWith(QLatin1String(".xml"))) continue;
            QByteArray xml;
            try {
                xml = package->read(part);
            } catch (const DocumentError&) {
                continue;
            }
            expectAgreement(xml, path + u':' + part);
            // The streamed read of the same part, piece by piece out of the package.
            const Said model = byModel(xml);
            if (model.said) {
                const ChartOutline streamed = readChartOutline(*package, part);
                EXPECT_EQ(streamed.kind + u'|' + streamed.title + u'|' + QString::number(streamed.seriesCount),
                          model.said->kind + u'|' + model.said->title + u'|' + QString::number(model.said->seriesCount))
                    << (path + u':' + part).toStdString();
                ++parts;
            }
        }
    }
    // The model workbooks alone hold a chart of every kind; fewer means the generators failed.
    EXPECT_GT(parts, 40);
    std::printf("%d chart parts outlined\n", parts);
}

QByteArray chartSpace(const QByteArray& chart, const QByteArray& declarations =
                                                    R"(xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" )"
                                                    R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main")") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<c:chartSpace " + declarations + "><c:chart>" + chart +
           "</c:chart><c:txPr/></c:chartSpace>";
}

struct Case {
    const char* name;
    QByteArray xml;
    const char* kind;   // what both must say; nullptr: both refuse the part
    const char* title;
    int series;
};

TEST(ChartOutline, AgreesWithTheModelOnFormsTheGeneratorsNeverWrite) {
    const QByteArray bar = "<c:plotArea><c:layout/><c:barChart><c:barDir val=\"bar\"/><c:ser><c:idx val=\"0\"/></c:ser>"
                           "<c:ser><c:idx val=\"1\"/></c:ser><c:axId val=\"1\"/></c:barChart></c:plotArea>";
    const Case cases[] = {
        {"rich title over paragraphs, a break and a field",
         chartSpace("<c:title><c:tx><c:rich><a:bodyPr/><a:p><a:r><a:t>Sales</a:t></a:r><a:br/><a:r><a:t>2024</a:t></a:r>"
                    "</a:p><a:p><a:fld type=\"x\"><a:t>by month</a:t></a:fld><a:endParaRPr/></a:p></c:rich></c:tx></c:title>" + bar),
         "Bar", "Sales 2024 by month", 2},
        {"a cell's text: the first point with an index",
         chartSpace("<c:title><c:tx><c:strRef><c:f>S!$A$1</c:f><c:strCache><c:ptCount val=\"2\"/><c:pt idx=\"-1\"><c:v>no</c:v>"
                    "</c:pt><c:pt idx=\"1\"><c:v>Cell &amp; more</c:v></c:pt><c:pt idx=\"0\"><c:v>later</c:v></c:pt></c:strCache>"
                    "</c:strRef></c:tx></c:title>" + bar),
         "Bar", "Cell & more", 2},
        {"a cell's text before a literal before rich text, whatever their order",
         chartSpace("<c:title><c:tx><c:rich><a:p><a:r><a:t>rich</a:t></a:r></a:p></c:rich><c:v>literal</c:v></c:tx></c:title>" + bar),
         "Bar", "literal", 2},
        {"an automatic title, and a title after the plot area",
         chartSpace(bar + "<c:title><c:overlay val=\"0\"/></c:title><c:autoTitleDeleted val=\"0\"/>"), "Bar", "", 2},
        {"line ends and blanks of the text kept as the model keeps them",
         chartSpace("<c:title><c:tx><c:rich><a:p><a:r><a:t>one\r\ntwo\rthree </a:t></a:r></a:p><a:p><a:r><a:t> </a:t></a:r>"
                    "</a:p></c:rich></c:tx></c:title>" + bar),
         "Bar", "one two three   ", 2},
        {"groups of several kinds, 3-D and a default bar direction",
         chartSpace("<c:plotArea><c:bar3DChart><c:ser/></c:bar3DChart><c:lineChart><c:ser/><c:ser/></c:lineChart></c:plotArea>"),
         "Combination", "", 3},
        {"the default namespace and the strict spelling",
         "<chartSpace xmlns=\"http://purl.oclc.org/ooxml/drawingml/chart\"><chart><plotArea><pie3DChart><ser/></pie3DChart>"
         "</plotArea></chart></chartSpace>",
         "3-D Pie", "", 1},
        {"chart elements in other namespaces, in extensions and alternate content not counted",
         chartSpace("<c:plotArea><c:lineChart><c:ser/><c:extLst><c:ext uri=\"{x}\"><c15:filteredLineSeries><c15:ser/>"
                    "</c15:filteredLineSeries></c:ext></c:extLst></c:lineChart><x:barChart><x:ser/></x:barChart>"
                    "<mc:AlternateContent><mc:Choice Requires=\"c14\"><c:areaChart><c:ser/></c:areaChart></mc:Choice>"
                    "</mc:AlternateContent></c:plotArea>",
                    R"(xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" xmlns:x="urn:other" )"
                    R"(xmlns:c15="http://schemas.microsoft.com/office/drawing/2012/chart" )"
                    R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")"),
         "Line", "", 1},
        {"a prefix bound again inside the part",
         chartSpace("<c:plotArea><c:areaChart xmlns:c=\"urn:other\"><c:ser/></c:areaChart><d:radarChart "
                    "xmlns:d=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><d:ser/></d:radarChart></c:plotArea>"),
         "Radar", "", 1},
        {"no plot area", chartSpace("<c:autoTitleDeleted val=\"1\"/>"), "Chart", "", 0},
        {"a chartEx part is no chart",
         "<cx:chartSpace xmlns:cx=\"http://schemas.microsoft.com/office/drawing/2014/chartex\"><cx:chart><cx:plotArea>"
         "</cx:plotArea></cx:chart></cx:chartSpace>",
         nullptr, nullptr, 0},
        {"a chart space without a chart", "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"/>",
         nullptr, nullptr, 0},
        {"malformed inside the chart", chartSpace("<c:plotArea><c:lineChart></c:plotArea>"), nullptr, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectAgreement(c.xml, QString::fromLatin1(c.name));
        const Said outline = byOutline(c.xml);
        ASSERT_EQ(outline.said.has_value(), c.kind != nullptr) << outline.error.toStdString();
        if (!c.kind) continue;
        EXPECT_EQ(outline.said->kind, QString::fromUtf8(c.kind));
        EXPECT_EQ(outline.said->title, QString::fromUtf8(c.title));
        EXPECT_EQ(outline.said->seriesCount, c.series);
    }
    // The same part in UTF-16, read through the model.
    const QString text = QString::fromUtf8(cases[0].xml).replace(QLatin1String("UTF-8"), QLatin1String("UTF-16"));
    const QByteArray utf16 = QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const Said outline = byOutline(utf16);
    ASSERT_TRUE(outline.said.has_value()) << outline.error.toStdString();
    EXPECT_EQ(outline.said->title, QStringLiteral("Sales 2024 by month"));
}

TEST(ChartOutline, RefusalNamesTheFileAndPart) {
    try {
        readChartOutline(QByteArray("<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart>"),
                         "book.xlsx", "/xl/charts/chart7.xml");
        FAIL() << "a part cut short was outlined";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().startsWith("book.xlsx")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("xl/charts/chart7.xml")) << e.message().toStdString();
    }
}

}  // namespace

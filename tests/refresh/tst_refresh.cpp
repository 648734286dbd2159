// A deck's charts brought up to date from their workbooks: a workbook written by XlsxWriter, its
// charts copied by quillmere-cli copy, the workbook changed in one way at a time, refresh run,
// and the deck read back chart by chart against what the workbook now holds.

#include "engine/chartmodel/ChartModel.h"
#include "engine/package/Package.h"
#include "engine/package/Xml.h"
#include "engine/package/Zip.h"
#include "engine/presentation/Presentation.h"
#include "tests/cli/CliProcess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <pugixml.hpp>

using clitest::Result;
using clitest::runCli;

namespace {

const QString kRecolour = QStringLiteral("7030A0");

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Writes the workbook in this state into folder (sales.xlsx) and returns what its charts show.
QJsonObject writeWorkbook(const QString& state, const QString& folder) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT) + QStringLiteral("/tools/make-refresh-workbooks.py"), state, folder});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) qFatal("make-refresh-workbooks.py failed");
    QFile facts(folder + QStringLiteral("/sales.json"));
    if (!facts.open(QIODevice::ReadOnly)) qFatal("no sales.json");
    return QJsonDocument::fromJson(facts.readAll()).object();
}

// The first series of the first chart of the deck gets a fill of its own, as a user's edit.
void recolourFirstSeries(const QString& deck) {
    engine::Package package = engine::Package::load(deck);
    const engine::Presentation presentation = engine::Presentation::open(deck);
    const QString part = presentation.chartFrames().front().chartPart;
    pugi::xml_document doc;
    engine::parseXml(doc, package.part(part), deck, part);
    pugi::xml_node ser = doc.select_node("//c:ser").node();
    pugi::xml_node spPr = ser.child("c:spPr");
    if (!spPr) spPr = ser.insert_child_after("c:spPr", ser.child("c:tx"));
    spPr.remove_children();
    spPr.append_child("a:solidFill").append_child("a:srgbClr").append_attribute("val") = kRecolour.toLatin1().constData();
    package.setPart(part, engine::xmlBytes(doc));
    package.saveAtomically(deck);
}

QString firstSeriesColour(const engine::Presentation& deck, const engine::Presentation::ChartFrame& frame) {
    pugi::xml_document doc;
    engine::parseXml(doc, deck.partBytes(frame.chartPart), deck.name(), frame.chartPart);
    return QString::fromUtf8(doc.select_node("//c:ser/c:spPr/a:solidFill/a:srgbClr").node().attribute("val").value());
}

// Each chart of the deck shows what the workbook's facts say its chart shows: series by series,
// names, category texts and values, point by point.
void compareWithWorkbook(const engine::Presentation& deck, const QJsonObject& facts) {
    for (const auto& frame : deck.chartFrames()) {
        QVERIFY(frame.provenance);
        const QJsonArray expected = facts.value(frame.provenance->chart).toArray();
        QVERIFY2(!expected.isEmpty(), qPrintable(frame.provenance->chart));
        const engine::chart::ChartSpace model = deck.chartModel(frame.chartPart);
        const auto series = model.allSeries();
        QCOMPARE(qsizetype(series.size()), expected.size());
        for (size_t s = 0; s < series.size(); ++s) {
            const QJsonObject want = expected[qsizetype(s)].toObject();
            QCOMPARE(series[s]->text->text(), want.value(QStringLiteral("name")).toString());
            const QJsonArray categories = want.value(QStringLiteral("categories")).toArray();
            const QJsonArray values = want.value(QStringLiteral("values")).toArray();
            const auto& categoryPoints = series[s]->categoryData()->strings->points;
            const auto& valuePoints = series[s]->valueData()->numbers->points;
            QCOMPARE(qsizetype(categoryPoints.size()), categories.size());
            QCOMPARE(qsizetype(valuePoints.size()), values.size());
            for (qsizetype i = 0; i < values.size(); ++i) {
                QCOMPARE(categoryPoints[size_t(i)].text, categories[i].toString());
                QCOMPARE(valuePoints[size_t(i)].value, values[i].toDouble());
            }
        }
    }
}

// A package zipped from a folder of its parts as written by hand in the test data,
// [Content_Types].xml first.
QString zipFolder(const QString& folder, const QString& target) {
    std::vector<std::pair<QString, QByteArray>> entries;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
        entries.emplace_back(QDir(folder).relativeFilePath(path), file.readAll());
    }
    std::sort(entries.begin(), entries.end());
    std::stable_partition(entries.begin(), entries.end(),
                          [](const auto& entry) { return entry.first == QLatin1String("[Content_Types].xml"); });
    engine::writeZip(target, entries);
    return target;
}

// What the schema check says of a deck: "" when every part is valid.
QString schemaErrors(const QString& deck) {
    QProcess check;
    check.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT "/tools/check-ooxml-schema.py"),
                                                    QStringLiteral("--quiet"), deck});
    if (!check.waitForFinished(300000)) return QStringLiteral("the schema check did not finish");
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0) return {};
    return QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
}

std::vector<double> seriesValues(const engine::Presentation& deck, size_t series) {
    const engine::chart::ChartSpace model = deck.chartModel(deck.chartFrames().front().chartPart);
    std::vector<double> values;
    for (const auto& point : model.allSeries().at(series)->valueData()->numbers->points) values.push_back(point.value);
    return values;
}

QStringList reportLines(const Result& result) {
    return QString::fromUtf8(result.out).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

class RefreshTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void copiedChartsRememberTheirSourceAcrossSaves();
    void refreshFollowsTheWorkbookAndKeepsTheDecksFormatting_data();
    void refreshFollowsTheWorkbookAndKeepsTheDecksFormatting();
    void missingSourcesLeaveTheirChartsAsTheyWere();
    void movedWorkbooksAreFoundBesideTheDeckOrAsMapped();
    void dryRunAndDecksWithoutSourcesWriteNothing();
    void replaceRedrawsTheChartInTheFramesPlace();
    void refreshedDeckOpensInLibreOffice();
    void deckSavedByLibreOfficeStillRefreshes();
    void chartsLinkedTheOfficeWayRefreshFromTheirWorkbook();
    void copyLinkLinksChartsToTheirWorkbookBesideTheDeck();
    void handWrittenLinkedDeckRefreshesFromItsWorkbook();
    void newerKindsRememberTheirSourceAndAreRedrawnWhole();

private:
    // A folder with the base workbook and a deck of its two charts copied by the CLI.
    struct Setup {
        std::unique_ptr<QTemporaryDir> dir;
        QString workbook, deck;
    };
    Setup copied() {
        Setup s;
        s.dir = std::make_unique<QTemporaryDir>();
        writeWorkbook(QStringLiteral("base"), s.dir->path());
        s.workbook = s.dir->filePath(QStringLiteral("sales.xlsx"));
        s.deck = s.dir->filePath(QStringLiteral("deck.pptx"));
        const Result copy = runCli({QStringLiteral("copy"), s.workbook, QStringLiteral("--output"), s.deck});
        if (copy.status != 0) qFatal("copy failed: %s", copy.err.constData());
        return s;
    }
};

void RefreshTest::copiedChartsRememberTheirSourceAcrossSaves() {
    const Setup s = copied();
    const engine::Presentation deck = engine::Presentation::open(s.deck);
    const auto frames = deck.chartFrames();
    QCOMPARE(frames.size(), size_t(2));
    const engine::ChartProvenance& revenue = *frames[0].provenance;
    QCOMPARE(revenue.workbook, QFileInfo(s.workbook).absoluteFilePath());
    QCOMPARE(revenue.workbookRelative, QStringLiteral("sales.xlsx"));
    QCOMPARE(revenue.sheet, QStringLiteral("Data"));
    QCOMPARE(revenue.chart, QStringLiteral("Revenue"));
    QCOMPARE(revenue.chartIndex, 1);
    QCOMPARE(revenue.seriesRanges, (QStringList{QStringLiteral("Data!$B$1"), QStringLiteral("Data!$A$2:$A$5"),
                                                QStringLiteral("Data!$B$2:$B$5"), QStringLiteral("Data!$C$1"),
                                                QStringLiteral("Data!$C$2:$C$5")}));
    QVERIFY(qAbs(revenue.copiedAt.secsTo(QDateTime::currentDateTimeUtc())) < 3600);
    QCOMPARE(frames[1].provenance->chart, QStringLiteral("Trend"));
    QCOMPARE(frames[1].provenance->chartIndex, 2);

    // Saved elsewhere by the engine, the deck keeps its provenance and the relative path follows.
    QTemporaryDir other;
    QDir(other.path()).mkdir(QStringLiteral("sub"));
    const QString moved = other.filePath(QStringLiteral("sub/copy.pptx"));
    deck.save(moved);
    const auto reopened = engine::Presentation::open(moved).chartFrames();
    QCOMPARE(reopened[0].provenance->workbook, revenue.workbook);
    QCOMPARE(reopened[0].provenance->workbookRelative, QDir(other.filePath(QStringLiteral("sub"))).relativeFilePath(s.workbook));
}

void RefreshTest::refreshFollowsTheWorkbookAndKeepsTheDecksFormatting_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("revenueReport");  // a part of what the report says of Revenue
    QTest::addColumn<bool>("colourKept");
    QTest::newRow("values") << "values" << "8 values" << true;
    QTest::newRow("category added") << "category" << "2 values, 2 categories" << true;
    QTest::newRow("series added") << "series-added" << "1 series added" << true;
    QTest::newRow("series removed") << "series-removed" << "1 series removed" << true;
    QTest::newRow("number format") << "format" << "1 number format" << true;
    QTest::newRow("sheet renamed") << "sheet-renamed" << "sheet renamed to \"Figures\"" << true;
    QTest::newRow("chart renamed") << "chart-renamed" << "chart renamed to \"Income\", matched by its place on the sheet"
                                   << true;
}

void RefreshTest::refreshFollowsTheWorkbookAndKeepsTheDecksFormatting() {
    QFETCH(QString, state);
    QFETCH(QString, revenueReport);
    QFETCH(bool, colourKept);
    const Setup s = copied();
    // A first refresh brings the copy's caches to the cells' own number formats.
    QCOMPARE(runCli({QStringLiteral("refresh"), s.deck}).status, 0);
    recolourFirstSeries(s.deck);
    const int slides = engine::Presentation::open(s.deck).slideCount();

    QJsonObject facts = writeWorkbook(state, s.dir->path());
    const Result result = runCli({QStringLiteral("refresh"), s.deck});
    QVERIFY2(result.status == 0, result.err.constData());
    const QStringList lines = reportLines(result);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains(QStringLiteral("slide 1, Revenue")) && lines[0].contains(revenueReport), qPrintable(lines[0]));

    const engine::Presentation deck = engine::Presentation::open(s.deck);
    QCOMPARE(deck.slideCount(), slides);
    // The facts name charts as the workbook does now; the deck's frames keep their names.
    if (state == QLatin1String("chart-renamed")) facts.insert(QStringLiteral("Revenue"), facts.value(QStringLiteral("Income")));
    QVERIFY(deck.chartFrames()[0].provenance);
    if (state == QLatin1String("chart-renamed")) {
        QCOMPARE(deck.chartFrames()[0].provenance->chart, QStringLiteral("Income"));
        facts.insert(QStringLiteral("Income"), facts.value(QStringLiteral("Revenue")));
    }
    compareWithWorkbook(deck, facts);
    if (colourKept) QCOMPARE(firstSeriesColour(deck, deck.chartFrames()[0]), kRecolour);

    // Nothing changed since: the second refresh says so and leaves the file alone.
    const QByteArray before = fileHash(s.deck);
    const Result again = runCli({QStringLiteral("refresh"), s.deck});
    QCOMPARE(again.status, 0);
    for (const QString& line : reportLines(again)) QVERIFY2(line.endsWith(QStringLiteral(": unchanged")), qPrintable(line));
    QCOMPARE(fileHash(s.deck), before);
}

void RefreshTest::missingSourcesLeaveTheirChartsAsTheyWere() {
    const Setup s = copied();
    // The chart deleted in the workbook: its chart stays as it was, the other is updated.
    writeWorkbook(QStringLiteral("chart-deleted"), s.dir->path());
    const QByteArray revenueBefore = engine::Presentation::open(s.deck).partBytes(QStringLiteral("/ppt/charts/chart1.xml"));
    Result result = runCli({QStringLiteral("refresh"), s.deck, QStringLiteral("--json")});
    QCOMPARE(result.status, 2);
    const QJsonArray records = QJsonDocument::fromJson(result.out).array();
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[0][QStringLiteral("change")].toString(), QStringLiteral("chart no longer in the workbook"));
    QCOMPARE(records[0][QStringLiteral("outcome")].toString(), QStringLiteral("chart-missing"));
    QCOMPARE(records[1][QStringLiteral("outcome")].toString(), QStringLiteral("unchanged"));
    QCOMPARE(engine::Presentation::open(s.deck).partBytes(QStringLiteral("/ppt/charts/chart1.xml")), revenueBefore);

    // The workbook gone, or not a workbook: nothing is written.
    const QByteArray before = fileHash(s.deck);
    QVERIFY(QFile::remove(s.workbook));
    result = runCli({QStringLiteral("refresh"), s.deck});
    QCOMPARE(result.status, 2);
    for (const QString& line : reportLines(result))
        QVERIFY2(line.contains(QStringLiteral("workbook missing: ") + QFileInfo(s.workbook).absoluteFilePath()), qPrintable(line));
    QCOMPARE(fileHash(s.deck), before);
    QFile junk(s.workbook);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a workbook");
    junk.close();
    result = runCli({QStringLiteral("refresh"), s.deck});
    QCOMPARE(result.status, 2);
    QVERIFY2(reportLines(result).value(0).contains(QStringLiteral("workbook unreadable: ")), result.out.constData());
    QCOMPARE(fileHash(s.deck), before);
}

void RefreshTest::movedWorkbooksAreFoundBesideTheDeckOrAsMapped() {
    const Setup s = copied();
    // Deck and workbook moved together: found by the relative path the save recorded.
    QTemporaryDir elsewhere;
    const QString deck = elsewhere.filePath(QStringLiteral("deck.pptx"));
    QVERIFY(QFile::copy(s.deck, deck));
    QVERIFY(QFile::rename(s.workbook, elsewhere.filePath(QStringLiteral("sales.xlsx"))));
    writeWorkbook(QStringLiteral("values"), elsewhere.path());
    Result result = runCli({QStringLiteral("refresh"), deck});
    QVERIFY2(result.status == 0, result.out.constData());
    QVERIFY2(reportLines(result).value(0).contains(QStringLiteral("workbook found at ") + elsewhere.filePath(QStringLiteral("sales.xlsx"))),
             result.out.constData());
    QCOMPARE(engine::Presentation::open(deck).chartFrames()[0].provenance->workbook, elsewhere.filePath(QStringLiteral("sales.xlsx")));

    // The workbook moved elsewhere alone: missing, until --workbook says where it went.
    QTemporaryDir other;
    const QString moved = other.filePath(QStringLiteral("renamed.xlsx"));
    QVERIFY(QFile::rename(elsewhere.filePath(QStringLiteral("sales.xlsx")), moved));
    writeWorkbook(QStringLiteral("category"), other.path());
    QVERIFY(QFile::remove(moved) && QFile::rename(other.filePath(QStringLiteral("sales.xlsx")), moved));
    QCOMPARE(runCli({QStringLiteral("refresh"), deck}).status, 2);
    result = runCli({QStringLiteral("refresh"), deck, QStringLiteral("--workbook"), QStringLiteral("sales.xlsx=") + moved});
    QVERIFY2(result.status == 0, result.out.constData());
    QVERIFY2(reportLines(result).value(0).contains(QStringLiteral("2 categories")), result.out.constData());
}

void RefreshTest::dryRunAndDecksWithoutSourcesWriteNothing() {
    const Setup s = copied();
    writeWorkbook(QStringLiteral("series-added"), s.dir->path());
    const QByteArray before = fileHash(s.deck);
    const Result dry = runCli({QStringLiteral("refresh"), s.deck, QStringLiteral("--dry-run")});
    QCOMPARE(dry.status, 0);
    QVERIFY2(reportLines(dry).value(0).contains(QStringLiteral("1 series added")), dry.out.constData());
    QCOMPARE(fileHash(s.deck), before);

    // --output leaves the deck and writes OUT; a deck of no workbook's charts is not rewritten.
    const QString out = s.dir->filePath(QStringLiteral("out.pptx"));
    QCOMPARE(runCli({QStringLiteral("refresh"), s.deck, QStringLiteral("--output"), out}).status, 0);
    QCOMPARE(fileHash(s.deck), before);
    QCOMPARE(engine::Presentation::open(out).chartModel(QStringLiteral("/ppt/charts/chart1.xml")).allSeries().size(), size_t(3));
    const QString plain = s.dir->filePath(QStringLiteral("plain.pptx"));
    engine::Presentation::createNew().save(plain);
    const QByteArray plainHash = fileHash(plain);
    const QDateTime plainTime = QFileInfo(plain).lastModified();
    const Result none = runCli({QStringLiteral("refresh"), plain});
    QCOMPARE(none.status, 0);
    QVERIFY(none.out.isEmpty());
    QCOMPARE(fileHash(plain), plainHash);
    QCOMPARE(QFileInfo(plain).lastModified(), plainTime);
    // An output that cannot be written is status 3.
    QCOMPARE(runCli({QStringLiteral("refresh"), s.deck, QStringLiteral("--output"), s.dir->filePath(QStringLiteral("no/such/out.pptx"))}).status, 3);
}

void RefreshTest::replaceRedrawsTheChartInTheFramesPlace() {
    const Setup s = copied();
    recolourFirstSeries(s.deck);
    engine::Presentation::ChartFrame before = engine::Presentation::open(s.deck).chartFrames()[0];
    const QJsonObject facts = writeWorkbook(QStringLiteral("series-added"), s.dir->path());
    const Result result = runCli({QStringLiteral("refresh"), s.deck, QStringLiteral("--replace")});
    QVERIFY2(result.status == 0, result.err.constData());
    const engine::Presentation deck = engine::Presentation::open(s.deck);
    const auto after = deck.chartFrames()[0];
    QCOMPARE(after.frame.x, before.frame.x);
    QCOMPARE(after.frame.cy, before.frame.cy);
    QVERIFY(after.chartPart != before.chartPart);
    // The charts replaced leave no part behind: two charts, two embedded workbooks.
    int charts = 0, workbooks = 0;
    for (const QString& part : deck.package().partNames()) {
        charts += part.startsWith(QStringLiteral("/ppt/charts/chart")) && part.endsWith(QStringLiteral(".xml")) ? 1 : 0;
        workbooks += part.startsWith(QStringLiteral("/ppt/embeddings/")) ? 1 : 0;
    }
    QCOMPARE(charts, 2);
    QCOMPARE(workbooks, 2);
    QVERIFY(firstSeriesColour(deck, after) != kRecolour);
    QCOMPARE(after.provenance->chart, QStringLiteral("Revenue"));
    compareWithWorkbook(deck, facts);
}

// The pages LibreOffice makes of a deck when it converts it to PDF; -1 when it cannot.
int pagesInLibreOffice(const QString& deck) {
    QTemporaryDir work;
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                   QStringLiteral("--outdir"), work.path(), deck});
    if (!soffice.waitForFinished(240000)) return -1;
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {work.filePath(QFileInfo(deck).completeBaseName() + QStringLiteral(".pdf"))});
    if (!pdfinfo.waitForFinished(60000) || pdfinfo.exitCode() != 0) return -1;
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(pdfinfo.readAllStandardOutput()));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

bool libreOfficeMissing() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty() ||
           QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

void RefreshTest::refreshedDeckOpensInLibreOffice() {
    if (libreOfficeMissing()) QSKIP("LibreOffice (soffice) or pdfinfo is not installed");
    const Setup s = copied();
    writeWorkbook(QStringLiteral("series-added"), s.dir->path());
    QCOMPARE(runCli({QStringLiteral("refresh"), s.deck}).status, 0);
    QCOMPARE(pagesInLibreOffice(s.deck), engine::Presentation::open(s.deck).slideCount());
}

void RefreshTest::deckSavedByLibreOfficeStillRefreshes() {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) QSKIP("LibreOffice (soffice) is not installed");
    const Setup s = copied();
    QTemporaryDir work;
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pptx"),
                   QStringLiteral("--outdir"), work.path(), s.deck});
    QVERIFY(soffice.waitForFinished(240000));
    const QString saved = work.filePath(QStringLiteral("deck.pptx"));
    // Impress drops the frames' tags; the deck's own copy of the provenance stands in.
    const auto frames = engine::Presentation::open(saved).chartFrames();
    QCOMPARE(frames.size(), size_t(2));
    QVERIFY(frames[0].tagsPart.isEmpty());
    QVERIFY(frames[0].provenance);
    QCOMPARE(frames[0].provenance->chart, QStringLiteral("Revenue"));

    const QJsonObject facts = writeWorkbook(QStringLiteral("series-added"), s.dir->path());
    const Result result = runCli({QStringLiteral("refresh"), saved});
    QVERIFY2(result.status == 0, result.out.constData());
    QVERIFY2(reportLines(result).value(0).contains(QStringLiteral("1 series added")), result.out.constData());
    const engine::Presentation deck = engine::Presentation::open(saved);
    QVERIFY(!deck.chartFrames()[0].tagsPart.isEmpty());
    compareWithWorkbook(deck, facts);
}

void RefreshTest::chartsLinkedTheOfficeWayRefreshFromTheirWorkbook() {
    // The copied deck made over into one whose charts link their data as the office
    // applications write it: no tags, no embedded workbooks, c:externalData through an external
    // oleObject relationship to a Windows path.
    const Setup s = copied();
    engine::Package package = engine::Package::load(s.deck);
    static const QRegularExpression custData(QStringLiteral("<p:custDataLst>.*?</p:custDataLst>"));
    static const QRegularExpression tagsRel(QStringLiteral("<Relationship [^>]*relationships/tags\"[^>]*/>"));
    static const QRegularExpression customRel(QStringLiteral("<Relationship [^>]*relationships/custom-properties\"[^>]*/>"));
    static const QRegularExpression packageRel(
        QStringLiteral("Type=\"[^\"]*relationships/package\" Target=\"[^\"]*\""));
    for (const QString& part : package.partNames()) {
        QString text = QString::fromUtf8(package.part(part));
        if (part.startsWith(QStringLiteral("/ppt/tags/")) || part.startsWith(QStringLiteral("/ppt/embeddings/")) ||
            part.startsWith(QStringLiteral("/docProps/custom"))) {
            package.removePart(part);
            continue;
        }
        if (part.startsWith(QStringLiteral("/ppt/slides/"))) text.remove(custData).remove(tagsRel);
        if (part == QStringLiteral("/_rels/.rels")) text.remove(customRel);
        if (part.startsWith(QStringLiteral("/ppt/charts/_rels/"))) {
            text.replace(packageRel, QStringLiteral("Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/oleObject\" "
                                                    "Target=\"file:///C:\\Users\\ana\\Reports\\sales.xlsx\" TargetMode=\"External\""));
        }
        package.setPart(part, text.toUtf8());
    }
    package.saveAtomically(s.deck);
    const engine::Presentation linked = engine::Presentation::open(s.deck);
    QCOMPARE(linked.chartFrames().size(), size_t(2));
    QVERIFY(!linked.chartFrames()[0].provenance);
    QCOMPARE(linked.externalWorkbookOf(linked.chartFrames()[0].chartPart), QStringLiteral("file:///C:\\Users\\ana\\Reports\\sales.xlsx"));

    // The workbook changed, beside the deck under the link's file name.
    writeWorkbook(QStringLiteral("values"), s.dir->path());
    const Result result = runCli({QStringLiteral("refresh"), s.deck});
    QVERIFY2(result.status == 0, result.out.constData());
    const QStringList lines = reportLines(result);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains(QStringLiteral("(sales.xlsx, linked): 8 values")), qPrintable(lines[0]));
    const engine::Presentation deck = engine::Presentation::open(s.deck);
    const engine::chart::ChartSpace model = deck.chartModel(deck.chartFrames()[0].chartPart);
    const auto series = model.allSeries();
    QCOMPARE(series[0]->valueData()->numbers->points[0].value, 241.0);
    QCOMPARE(series[1]->valueData()->numbers->points[3].value, 2 * (80 + 21) + 1.0);
    // The link stays the office applications' own.
    QCOMPARE(deck.externalWorkbookOf(deck.chartFrames()[0].chartPart), QStringLiteral("file:///C:\\Users\\ana\\Reports\\sales.xlsx"));
}

void RefreshTest::copyLinkLinksChartsToTheirWorkbookBesideTheDeck() {
    QTemporaryDir dir;
    writeWorkbook(QStringLiteral("base"), dir.path());
    const QString deckPath = dir.filePath(QStringLiteral("linked.pptx"));
    const Result copy = runCli({QStringLiteral("copy"), dir.filePath(QStringLiteral("sales.xlsx")), QStringLiteral("--link"),
                                QStringLiteral("--output"), deckPath});
    QVERIFY2(copy.status == 0, copy.err.constData());
    const engine::Presentation deck = engine::Presentation::open(deckPath);
    for (const auto& frame : deck.chartFrames()) {
        QCOMPARE(deck.externalWorkbookOf(frame.chartPart), QStringLiteral("sales.xlsx"));
        QVERIFY(deck.embeddedWorkbookOf(frame.chartPart).isEmpty());
        QVERIFY(frame.provenance);
    }
    for (const QString& part : deck.package().partNames()) QVERIFY2(!part.startsWith(QStringLiteral("/ppt/embeddings/")), qPrintable(part));

    const QJsonObject facts = writeWorkbook(QStringLiteral("category"), dir.path());
    const Result result = runCli({QStringLiteral("refresh"), deckPath});
    QVERIFY2(result.status == 0, result.out.constData());
    const engine::Presentation refreshed = engine::Presentation::open(deckPath);
    compareWithWorkbook(refreshed, facts);
    QCOMPARE(refreshed.externalWorkbookOf(refreshed.chartFrames()[0].chartPart), QStringLiteral("sales.xlsx"));
    if (!libreOfficeMissing()) QCOMPARE(pagesInLibreOffice(deckPath), refreshed.slideCount());
}

void RefreshTest::handWrittenLinkedDeckRefreshesFromItsWorkbook() {
    // A deck as the presentation application stores a chart pasted with its data linked:
    // c:externalData (autoUpdate off) names an external oleObject relationship to a Windows
    // path; no tags, no embedded workbook; the caches show what the workbook held when the
    // link was last updated. Its workbook has changed three numbers since.
    const QString data = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT "/tests/refresh/data/");
    QTemporaryDir dir;
    const QString deckPath = zipFolder(data + QStringLiteral("linked-deck"), dir.filePath(QStringLiteral("linked.pptx")));
    const QString link = QStringLiteral("file:///C:\\Users\\ana\\Documents\\Reports\\quarterly.xlsx");
    QVERIFY2(schemaErrors(deckPath).isEmpty(), qPrintable(schemaErrors(deckPath)));
    {
        const engine::Presentation deck = engine::Presentation::open(deckPath);
        QCOMPARE(deck.chartFrames().size(), size_t(1));
        QVERIFY(!deck.chartFrames().front().provenance);
        QCOMPARE(deck.externalWorkbookOf(deck.chartFrames().front().chartPart), link);
        QCOMPARE(seriesValues(deck, 0), (std::vector<double>{110, 120, 130, 140}));
    }
    const QByteArray original = fileHash(deckPath);

    // The workbook found nowhere: the deck is left as it is.
    QDir(dir.path()).mkdir(QStringLiteral("elsewhere"));
    const QString moved = zipFolder(data + QStringLiteral("linked-workbook"), dir.filePath(QStringLiteral("elsewhere/q3.xlsx")));
    Result result = runCli({QStringLiteral("refresh"), deckPath});
    QCOMPARE(result.status, 2);
    QVERIFY2(reportLines(result).value(0).contains(QStringLiteral("workbook missing: ") + link), result.out.constData());
    QCOMPARE(fileHash(deckPath), original);

    // Mapped by --workbook, into another file.
    const QString mapped = dir.filePath(QStringLiteral("mapped.pptx"));
    result = runCli({QStringLiteral("refresh"), deckPath, QStringLiteral("--workbook"), QStringLiteral("quarterly.xlsx=") + moved,
                     QStringLiteral("--output"), mapped});
    QVERIFY2(result.status == 0, result.out.constData());
    QCOMPARE(seriesValues(engine::Presentation::open(mapped), 0), (std::vector<double>{115, 120, 135, 140}));

    // Beside the deck under the link's file name.
    zipFolder(data + QStringLiteral("linked-workbook"), dir.filePath(QStringLiteral("quarterly.xlsx")));
    result = runCli({QStringLiteral("refresh"), deckPath});
    QVERIFY2(result.status == 0, result.out.constData());
    const QStringList lines = reportLines(result);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(QStringLiteral("slide 1, Chart 3 (quarterly.xlsx, linked): 3 values")), qPrintable(lines[0]));
    const engine::Presentation deck = engine::Presentation::open(deckPath);
    QCOMPARE(seriesValues(deck, 0), (std::vector<double>{115, 120, 135, 140}));
    QCOMPARE(seriesValues(deck, 1), (std::vector<double>{80, 85, 90, 101}));
    // Still linked the office applications' way, to the same path, updated on request only.
    QCOMPARE(deck.externalWorkbookOf(deck.chartFrames().front().chartPart), link);
    QVERIFY(deck.partBytes(deck.chartFrames().front().chartPart).contains("<c:autoUpdate val=\"0\"/>"));
    QVERIFY2(schemaErrors(deckPath).isEmpty(), qPrintable(schemaErrors(deckPath)));
    if (!libreOfficeMissing()) QCOMPARE(pagesInLibreOffice(deckPath), 1);
}

void RefreshTest::newerKindsRememberTheirSourceAndAreRedrawnWhole() {
    QTemporaryDir dir;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT "/tools/make_test_workbooks.py"), dir.path()});
    QVERIFY(python.waitForFinished(300000) && python.exitCode() == 0);
    const QString workbook = dir.filePath(QStringLiteral("chartex.xlsx"));
    const QString deckPath = dir.filePath(QStringLiteral("chartex.pptx"));
    const Result copy = runCli({QStringLiteral("copy"), workbook, QStringLiteral("--output"), deckPath});
    QVERIFY2(copy.status == 0, copy.err.constData());

    // The workbook's charts of the newer kinds (a classic chart on either side of them) remember
    // where they came from as the classic ones do.
    const engine::Presentation copied = engine::Presentation::open(deckPath);
    const auto frames = copied.chartFrames();
    std::vector<size_t> newer;
    for (size_t i = 0; i < frames.size(); ++i) {
        QVERIFY(frames[i].provenance);
        QCOMPARE(frames[i].provenance->workbook, QFileInfo(workbook).absoluteFilePath());
        QVERIFY(frames[i].provenance->chartIndex > 0);
        QVERIFY(!frames[i].provenance->seriesRanges.isEmpty());
        QVERIFY(!frames[i].tagsPart.isEmpty());
        if (frames[i].chartex) newer.push_back(i);
    }
    QCOMPARE(newer.size(), size_t(8));
    const size_t first = newer.front();

    // Current: nothing is written (once a first refresh has brought the classic charts' caches
    // to the cells' own number formats).
    Result result = runCli({QStringLiteral("refresh"), deckPath});
    QVERIFY2(result.status == 0, result.out.constData());
    for (size_t i : newer) QVERIFY2(reportLines(result).value(qsizetype(i)).endsWith(QStringLiteral(": unchanged")), result.out.constData());
    const QByteArray before = fileHash(deckPath);
    result = runCli({QStringLiteral("refresh"), deckPath});
    QVERIFY2(result.status == 0, result.out.constData());
    for (const QString& line : reportLines(result)) QVERIFY2(line.endsWith(QStringLiteral(": unchanged")), qPrintable(line));
    QCOMPARE(fileHash(deckPath), before);

    // The deck's first chart of the newer kinds out of date: redrawn whole from the workbook,
    // in its frame; the others stay as they are.
    const QByteArray current = copied.partBytes(frames[first].chartPart);
    {
        engine::Package package = engine::Package::load(deckPath);
        static const QRegularExpression point(QStringLiteral("<cx:pt idx=\"0\">[-0-9.]+</cx:pt>"));
        QString stale = QString::fromUtf8(package.part(frames[first].chartPart));
        QVERIFY(stale.contains(point));
        stale.replace(point, QStringLiteral("<cx:pt idx=\"0\">999999</cx:pt>"));
        package.setPart(frames[first].chartPart, stale.toUtf8());
        package.saveAtomically(deckPath);
    }
    result = runCli({QStringLiteral("refresh"), deckPath});
    QVERIFY2(result.status == 0, result.out.constData());
    const QStringList lines = reportLines(result);
    QCOMPARE(lines.size(), qsizetype(frames.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString expected = size_t(i) == first ? QStringLiteral(": redrawn as the workbook draws it") : QStringLiteral(": unchanged");
        QVERIFY2(lines[i].endsWith(expected), qPrintable(lines[i]));
    }
    const engine::Presentation deck = engine::Presentation::open(deckPath);
    const auto after = deck.chartFrames();
    QCOMPARE(after.size(), frames.size());
    QVERIFY(after[first].chartex);
    QCOMPARE(deck.partBytes(after[first].chartPart), current);
    QCOMPARE(after[first].frame.x, frames[first].frame.x);
    QCOMPARE(after[first].frame.cy, frames[first].frame.cy);
    QCOMPARE(after[first].provenance->chart, frames[first].provenance->chart);
    QCOMPARE(deck.partBytes(after[first + 1].chartPart), copied.partBytes(frames[first + 1].chartPart));
    // The old chart, its workbook and its picture went: as many of each as before.
    const auto chartPartsOf = [](const engine::Presentation& p) {
        int count = 0;
        for (const QString& part : p.package().partNames()) {
            count += part.startsWith(QStringLiteral("/ppt/media/")) || part.startsWith(QStringLiteral("/ppt/embeddings/")) ||
                             part.startsWith(QStringLiteral("/ppt/charts/"))
                         ? 1
                         : 0;
        }
        return count;
    };
    QCOMPARE(chartPartsOf(deck), chartPartsOf(copied));
    QVERIFY2(schemaErrors(deckPath).isEmpty(), qPrintable(schemaErrors(deckPath)));
    if (!libreOfficeMissing()) QCOMPARE(pagesInLibreOffice(deckPath), deck.slideCount());
}

QTEST_GUILESS_MAIN(RefreshTest)
#include "tst_refresh.moc"

// quillmere-cli render as a shell runs it: the built executable draws the charts of generated
// workbooks into files, which are read back by their bytes (magic numbers), decoded (PNG), parsed
// (SVG) and measured by poppler (PDF).

#include "tests/cli/CliProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using clitest::Result;
using clitest::runCli;

namespace {

QByteArray head(const QString& path, int bytes) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Every entry under a folder, with its path below it, so that nothing written anywhere is missed.
QStringList treeOf(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) entries.append(QDir(folder).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

// What poppler says of the first page of a PDF: "W x H" in points, "" when it cannot read it.
QString pdfPageSize(const QString& path) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForFinished(60000) || info.exitCode() != 0) return {};
    const auto match = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                           .match(QString::fromUtf8(info.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1) + QStringLiteral(" x ") + match.captured(2) : QString();
}

// The drawing area of an SVG: its root's viewBox, in points; "" when the root is no SVG.
QString svgViewBox(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader reader(&file);
    while (!reader.atEnd() && !reader.isStartElement()) reader.readNext();
    if (reader.name() != QLatin1String("svg") || reader.namespaceUri() != QLatin1String("http://www.w3.org/2000/svg")) return {};
    return reader.attributes().value(QLatin1String("viewBox")).toString();
}

int distinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    }
    return int(colours.size());
}

}  // namespace

class CliRenderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void everyChartBecomesOnePictureNamedBySheetAndIndexAtItsOwnSize();
    void namedChartsComeInTheFormatAndSizeAsked_data();
    void namedChartsComeInTheFormatAndSizeAsked();
    void sheetNamesBecomeSafeAndDistinctFileNames();
    void unreadableChartIsSaidAndSkippedTheOthersDrawn();
    void chartAnchoredWithoutExtentIsDrawnAtTheSizeItsPasteTakes();
    void failuresGiveOneLineTheirStatusAndLeaveNothingBehind_data();
    void failuresGiveOneLineTheirStatusAndLeaveNothingBehind();
    void pictureRefusedAtTheWriteEndsTheRunWithStatus3();
    void diskFullPartWayKeepsThePictureItWouldReplace();
    void linkPlantedInTheFolderIsReplacedNotWrittenThrough();
    void chartTooLargeToDrawIsSaidAndSkipped();

private:
    QString book(const QString& name) const { return m_books.filePath(name); }
    QString out(const QString& name) const { return m_out.filePath(name); }

    QTemporaryDir m_books;
    QTemporaryDir m_out;
};

void CliRenderTest::initTestCase() {
    QVERIFY(m_books.isValid() && m_out.isValid());
    const QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    QVERIFY2(!source.isEmpty(), "QUILLMERE_SOURCE_DIR is not set");
    QProcess make;
    make.start(QStringLiteral("/usr/bin/python3"), {source + QStringLiteral("/tools/make_test_workbooks.py"), m_books.path()});
    QVERIFY(make.waitForFinished(120000));
    QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
    // Sheet names a file name cannot carry as they are (a spreadsheet forbids / \ ? * : [ ]
    // itself); two of them come out alike.
    const QString names = QStringLiteral(R"(
import sys, xlsxwriter
wb = xlsxwriter.Workbook(sys.argv[1])
for name in ['..', '-x', 'a<b', 'a>b', 'Q1 | "Q2"']:
    ws = wb.add_worksheet(name)
    ws.write_column('A1', [1, 2, 3])
    chart = wb.add_chart({'type': 'column'})
    chart.add_series({'values': [name, 0, 0, 2, 0]})
    ws.insert_chart('C2', chart)
wb.close()
)");
    make.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), names, book(QStringLiteral("names.xlsx"))});
    QVERIFY(make.waitForFinished(120000));
    QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
    // A chart frame 35 times the usual width: about 16,800 pixels across.
    const QString wide = QStringLiteral(R"(
import sys, xlsxwriter
wb = xlsxwriter.Workbook(sys.argv[1])
ws = wb.add_worksheet('Wide')
ws.write_column('A1', [1, 2, 3])
chart = wb.add_chart({'type': 'line'})
chart.add_series({'values': ['Wide', 0, 0, 2, 0]})
ws.insert_chart('C2', chart, {'x_scale': 35})
wb.close()
)");
    make.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), wide, book(QStringLiteral("wide.xlsx"))});
    QVERIFY(make.waitForFinished(120000));
    QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
}

void CliRenderTest::init() {
    QDir(m_out.path()).removeRecursively();
    QVERIFY(QDir().mkpath(m_out.path()));
}

void CliRenderTest::everyChartBecomesOnePictureNamedBySheetAndIndexAtItsOwnSize() {
    const QString workbook = book(QStringLiteral("charts.xlsx"));
    const Result listed = runCli({QStringLiteral("list"), workbook});
    QCOMPARE(listed.status, 0);
    // The folder is made, parents and all.
    const QString folder = out(QStringLiteral("pictures/png"));
    const Result result = runCli({QStringLiteral("render"), workbook, QStringLiteral("--format"), QStringLiteral("png"),
                                  QStringLiteral("--output"), folder});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err, QByteArray());

    QStringList expected;
    for (const QString& line : QString::fromUtf8(listed.out).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        QCOMPARE(fields.size(), 8);
        const QString name = fields[0] + u'-' + fields[2] + QStringLiteral(".png");
        expected.append(name);
        const QString path = QDir(folder).filePath(name);
        QCOMPARE(head(path, 8), QByteArray("\x89PNG\r\n\x1a\n", 8));
        const QImage picture(path);
        QVERIFY2(!picture.isNull(), qPrintable(name));
        // 914400 EMU to the inch, 96 pixels to the inch at scale 1.
        QCOMPARE(picture.size(), QSize(qRound(fields[6].toDouble() * 96 / 914400), qRound(fields[7].toDouble() * 96 / 914400)));
        // A chart is drawn, not a blank: background, lines, data and text give many colours.
        QVERIFY2(distinctColours(picture) > 8, qPrintable(name));
    }
    QVERIFY(expected.size() >= 5);
    expected.sort();
    QCOMPARE(filesIn(folder), expected);
}

void CliRenderTest::namedChartsComeInTheFormatAndSizeAsked_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("magic");
    QTest::addColumn<QString>("size");  // pixels (PNG), viewBox (SVG) or page points (PDF)

    // Data:1 is 4572000 x 2743200 EMU: 360 x 216 pt, 480 x 288 px.
    const QString png = QStringLiteral("png"), svg = QStringLiteral("svg"), pdf = QStringLiteral("pdf");
    const QStringList laidOut{QStringLiteral("--width"), QStringLiteral("300"), QStringLiteral("--height"), QStringLiteral("500")};
    QTest::newRow("png at scale 2") << QStringList{QStringLiteral("--format"), png, QStringLiteral("--scale"), QStringLiteral("2")}
                                    << QStringLiteral("Data-1.png") << QByteArray("\x89PNG\r\n\x1a\n", 8) << QStringLiteral("960x576");
    QTest::newRow("png at scale 0.5") << QStringList{QStringLiteral("--format"), png, QStringLiteral("--scale"), QStringLiteral("0.5")}
                                      << QStringLiteral("Data-1.png") << QByteArray("\x89PNG\r\n\x1a\n", 8) << QStringLiteral("240x144");
    QTest::newRow("png laid out to 300 x 500") << QStringList{QStringLiteral("--format"), png} + laidOut << QStringLiteral("Data-1.png")
                                               << QByteArray("\x89PNG\r\n\x1a\n", 8) << QStringLiteral("300x500");
    QTest::newRow("svg") << QStringList{QStringLiteral("--format"), svg} << QStringLiteral("Data-1.svg") << QByteArray("<?xml")
                         << QStringLiteral("0 0 360 216");
    QTest::newRow("svg laid out to 300 x 500") << QStringList{QStringLiteral("--format"), svg} + laidOut << QStringLiteral("Data-1.svg")
                                               << QByteArray("<?xml") << QStringLiteral("0 0 225 375");
    QTest::newRow("pdf") << QStringList{QStringLiteral("--format"), pdf} << QStringLiteral("Data-1.pdf") << QByteArray("%PDF-")
                         << QStringLiteral("360 x 216");
    QTest::newRow("pdf laid out to 300 x 500") << QStringList{QStringLiteral("--format"), pdf} + laidOut << QStringLiteral("Data-1.pdf")
                                               << QByteArray("%PDF-") << QStringLiteral("225 x 375");
}

void CliRenderTest::namedChartsComeInTheFormatAndSizeAsked() {
    QFETCH(QStringList, options);
    QFETCH(QString, file);
    QFETCH(QByteArray, magic);
    QFETCH(QString, size);
    // Named in another letter case than the workbook's: the file takes the workbook's spelling.
    const Result result = runCli(QStringList{QStringLiteral("render"), book(QStringLiteral("charts.xlsx")),
                                             QStringLiteral("--chart"), QStringLiteral("data:1"), QStringLiteral("--output"),
                                             m_out.path()} + options);
    QCOMPARE(result.status, 0);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(filesIn(m_out.path()), QStringList{file});
    const QString path = out(file);
    QCOMPARE(head(path, magic.size()), magic);
    if (file.endsWith(QLatin1String(".png"))) {
        const QImage picture(path);
        QCOMPARE(QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height()), size);
    } else if (file.endsWith(QLatin1String(".svg"))) {
        QCOMPARE(svgViewBox(path), size);
    } else {
        QCOMPARE(pdfPageSize(path), size);
    }
}

void CliRenderTest::sheetNamesBecomeSafeAndDistinctFileNames() {
    const QString folder = out(QStringLiteral("names"));
    const Result result = runCli({QStringLiteral("render"), book(QStringLiteral("names.xlsx")), QStringLiteral("--format"),
                                  QStringLiteral("png"), QStringLiteral("--output"), folder});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.err, QByteArray());
    // Nothing escapes the folder (".." is a name, not a way up) and nothing hides or reads as
    // an option; "a<b" and "a>b" stay apart.
    QCOMPARE(treeOf(m_out.path()), QStringList({QStringLiteral("names"), QStringLiteral("names/Q1 _ _Q2_-1.png"),
                                                QStringLiteral("names/__-1.png"), QStringLiteral("names/_x-1.png"),
                                                QStringLiteral("names/a_b-1.png"), QStringLiteral("names/a_b_2-1.png")}));
}

void CliRenderTest::unreadableChartIsSaidAndSkippedTheOthersDrawn() {
    // The Data sheet's XML is cut: its three charts cannot be read, the other sheets' can.
    const QString workbook = book(QStringLiteral("badsheet.xlsx"));
    const Result result = runCli({QStringLiteral("render"), workbook, QStringLiteral("--format"), QStringLiteral("png"),
                                  QStringLiteral("--output"), m_out.path()});
    QCOMPARE(result.status, 2);
    const QStringList lines = QString::fromUtf8(result.err).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(lines[i].startsWith(QStringLiteral("quillmere-cli: %1: chart Data:%2: ").arg(workbook).arg(i + 1)),
                 qPrintable(lines[i]));
    }
    const QStringList written = filesIn(m_out.path());
    QVERIFY(!written.isEmpty());
    QVERIFY(written.filter(QRegularExpression(QStringLiteral("^Data-"))).isEmpty());
    for (const QString& name : written) QVERIFY2(!QImage(out(name)).isNull(), qPrintable(name));
}

void CliRenderTest::failuresGiveOneLineTheirStatusAndLeaveNothingBehind_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("named");  // what the one line must name

    const QString render = QStringLiteral("render");
    const QString charts = book(QStringLiteral("charts.xlsx"));
    const QString f = QStringLiteral("--format"), o = QStringLiteral("--output"), png = QStringLiteral("png");
    const QString folder = out(QStringLiteral("new"));

    QTest::newRow("no --format") << QStringList{render, charts, o, folder} << 1 << QStringLiteral("--format");
    QTest::newRow("unknown format") << QStringList{render, charts, f, QStringLiteral("gif"), o, folder} << 1 << QStringLiteral("gif");
    QTest::newRow("no --output") << QStringList{render, charts, f, png} << 1 << QStringLiteral("--output");
    QTest::newRow("scale 0") << QStringList{render, charts, f, png, QStringLiteral("--scale"), QStringLiteral("0"), o, folder} << 1
                             << QStringLiteral("--scale");
    QTest::newRow("width without height") << QStringList{render, charts, f, png, QStringLiteral("--width"), QStringLiteral("10"), o, folder}
                                          << 1 << QStringLiteral("--height");
    QTest::newRow("scale and width") << QStringList{render, charts, f, png, QStringLiteral("--scale"), QStringLiteral("2"),
                                                    QStringLiteral("--width"), QStringLiteral("10"), QStringLiteral("--height"),
                                                    QStringLiteral("10"), o, folder}
                                     << 1 << QStringLiteral("--scale");
    QTest::newRow("two workbooks") << QStringList{render, charts, charts, f, png, o, folder} << 1 << QStringLiteral("one workbook");

    QTest::newRow("missing workbook") << QStringList{render, book(QStringLiteral("missing.xlsx")), f, png, o, folder} << 2
                                      << QStringLiteral("missing.xlsx");
    QTest::newRow("not a zip") << QStringList{render, book(QStringLiteral("notazip.xlsx")), f, png, o, folder} << 2
                               << QStringLiteral("notazip.xlsx");
    QTest::newRow("malformed drawing") << QStringList{render, book(QStringLiteral("malformed-drawing.xlsx")), f, png, o, folder} << 2
                                       << QStringLiteral("malformed-drawing.xlsx");
    QTest::newRow("no such worksheet") << QStringList{render, charts, QStringLiteral("--chart"), QStringLiteral("Nope:1"), f, png, o, folder}
                                       << 2 << QStringLiteral("Nope");
    QTest::newRow("no such chart") << QStringList{render, charts, QStringLiteral("--chart"), QStringLiteral("Data:9"), f, png, o, folder}
                                   << 2 << QStringLiteral("Data:9");
    // The folder is made for the picture, which cannot be drawn: the folder goes again.
    QTest::newRow("only an unreadable chart") << QStringList{render, book(QStringLiteral("badsheet.xlsx")), QStringLiteral("--chart"),
                                                             QStringLiteral("Data:1"), f, png, o, folder + QStringLiteral("/deeper")}
                                              << 2 << QStringLiteral("Data:1");

    QTest::newRow("output is a file") << QStringList{render, charts, f, png, o, out(QStringLiteral("plain.txt"))} << 3
                                      << QStringLiteral("plain.txt");
    QTest::newRow("output below a file") << QStringList{render, charts, f, png, o, out(QStringLiteral("plain.txt/sub"))} << 3
                                         << QStringLiteral("plain.txt");
    // Folders that refuse files even to the superuser.
    if (QFileInfo(QStringLiteral("/proc/self")).isDir()) {
        QTest::newRow("output in /proc") << QStringList{render, charts, f, png, o, QStringLiteral("/proc/self")} << 3
                                         << QStringLiteral("/proc/self");
        QTest::newRow("output not makeable") << QStringList{render, charts, f, png, o, QStringLiteral("/proc/quillmere/pictures")}
                                             << 3 << QStringLiteral("/proc/quillmere/pictures");
    }
    if (::geteuid() != 0) {
        QTest::newRow("read-only folder") << QStringList{render, charts, f, png, o, out(QStringLiteral("readonly"))} << 3
                                          << QStringLiteral("readonly");
        QTest::newRow("below a read-only folder") << QStringList{render, charts, f, png, o, out(QStringLiteral("readonly/sub"))} << 3
                                                  << QStringLiteral("readonly");
    }
}

void CliRenderTest::failuresGiveOneLineTheirStatusAndLeaveNothingBehind() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, named);
    QFile plain(out(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QDir().mkpath(out(QStringLiteral("readonly"))));
    QFile::setPermissions(out(QStringLiteral("readonly")), QFile::ReadOwner | QFile::ExeOwner);
    const QStringList before = treeOf(m_out.path());

    const Result result = runCli(arguments);
    QFile::setPermissions(out(QStringLiteral("readonly")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(result.status, status);
    QCOMPARE(result.out, QByteArray());
    const QStringList lines = QString::fromUtf8(result.err).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith(QStringLiteral("quillmere-cli: ")), qPrintable(lines[0]));
    QVERIFY2(lines[0].contains(named), qPrintable(lines[0]));
    QCOMPARE(treeOf(m_out.path()), before);
}

void CliRenderTest::pictureRefusedAtTheWriteEndsTheRunWithStatus3() {
    // Every check beforehand passes; the second picture's name is taken by a folder, so only
    // its write can fail. The first picture is whole, and nothing else is left.
    QVERIFY(QDir().mkpath(out(QStringLiteral("Data-2.png"))));
    const Result result = runCli({QStringLiteral("render"), book(QStringLiteral("charts.xlsx")), QStringLiteral("--format"),
                                  QStringLiteral("png"), QStringLiteral("--output"), m_out.path()});
    QCOMPARE(result.status, 3);
    const QStringList lines = QString::fromUtf8(result.err).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith(QStringLiteral("quillmere-cli: ")) && lines[0].contains(QStringLiteral("Data-2.png")),
             qPrintable(lines[0]));
    QCOMPARE(filesIn(m_out.path()), QStringList({QStringLiteral("Data-1.png"), QStringLiteral("Data-2.png")}));
    QVERIFY(QFileInfo(out(QStringLiteral("Data-2.png"))).isDir());
    QCOMPARE(QImage(out(QStringLiteral("Data-1.png"))).size(), QSize(480, 288));
}

void CliRenderTest::diskFullPartWayKeepsThePictureItWouldReplace() {
    // A good picture from an earlier run; then no file may grow past 2 KB (a disk that fills
    // up part-way through each picture), so every write fails after its first bytes.
    const QString charts = book(QStringLiteral("charts.xlsx"));
    for (const QString& format : {QStringLiteral("png"), QStringLiteral("svg")}) {
        const QStringList arguments{QStringLiteral("render"), charts, QStringLiteral("--chart"), QStringLiteral("Data:1"),
                                    QStringLiteral("--format"), format, QStringLiteral("--output"), m_out.path()};
        QCOMPARE(runCli(arguments).status, 0);
        const QString picture = out(QStringLiteral("Data-1.") + format);
        QFile file(picture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        file.close();
        QVERIFY(good.size() > 4096);

        const Result full = runCli(arguments, {}, [] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{2048, 2048};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(99);
        });
        QCOMPARE(full.status, 3);
        QVERIFY2(full.err.contains("Data-1." + format.toLatin1()) && full.err.contains("too large"), full.err.constData());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), good);
        file.close();
        QCOMPARE(filesIn(m_out.path()), QStringList{QStringLiteral("Data-1.") + format});
        QVERIFY(QFile::remove(picture));
    }
}

void CliRenderTest::linkPlantedInTheFolderIsReplacedNotWrittenThrough() {
    // Someone who can write in the output folder links a picture's name to another file.
    const QString victim = m_books.filePath(QStringLiteral("victim.txt"));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    QVERIFY(QFile::link(victim, out(QStringLiteral("Data-1.png"))));
    const Result result = runCli({QStringLiteral("render"), book(QStringLiteral("charts.xlsx")), QStringLiteral("--chart"),
                                  QStringLiteral("Data:1"), QStringLiteral("--format"), QStringLiteral("png"),
                                  QStringLiteral("--output"), m_out.path()});
    QCOMPARE(result.status, 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
    const QFileInfo picture(out(QStringLiteral("Data-1.png")));
    QVERIFY(!picture.isSymLink());
    QCOMPARE(QImage(picture.filePath()).size(), QSize(480, 288));
}

void CliRenderTest::chartTooLargeToDrawIsSaidAndSkipped() {
    const QString workbook = book(QStringLiteral("wide.xlsx"));
    const QStringList arguments{QStringLiteral("render"), workbook, QStringLiteral("--format"), QStringLiteral("png"),
                                QStringLiteral("--output"), m_out.path()};
    const Result png = runCli(arguments);
    QCOMPARE(png.status, 2);
    QVERIFY2(png.err.startsWith(QStringLiteral("quillmere-cli: %1: chart Wide:1: ").arg(workbook).toUtf8()) &&
                 png.err.contains("too large to draw"),
             png.err.constData());
    QCOMPARE(filesIn(m_out.path()), QStringList());
    // Vector pictures have no such bound.
    QCOMPARE(runCli(QStringList(arguments).replaceInStrings(QStringLiteral("png"), QStringLiteral("svg"))).status, 0);
    QCOMPARE(filesIn(m_out.path()), QStringList{QStringLiteral("Wide-1.svg")});
}


void CliRenderTest::chartAnchoredWithoutExtentIsDrawnAtTheSizeItsPasteTakes() {
    // Saved by the spreadsheet application with an anchor of no height (Apache POI's test data).
    const QString workbook = qEnvironmentVariable("QUILLMERE_SOURCE_DIR") +
                             QStringLiteral("/tests/legacy/data/25183.xls");
    const Result listed = runCli({QStringLiteral("list"), workbook});
    QCOMPARE(listed.status, 0);
    QVERIFY2(listed.out.endsWith("\t0\n"), listed.out.constData());
    const QString folder = out(QStringLiteral("zero"));
    const Result result = runCli({QStringLiteral("render"), workbook, QStringLiteral("--format"),
                                  QStringLiteral("png"), QStringLiteral("--output"), folder});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
    const QImage picture(QDir(folder).filePath(QStringLiteral("matt-1.png")));
    // 5 x 3 inches at 96 dpi, the size a paste gives such a chart.
    QCOMPARE(picture.size(), QSize(480, 288));
    QVERIFY(distinctColours(picture) > 8);
}

QTEST_GUILESS_MAIN(CliRenderTest)
#include "tst_cli_render.moc"

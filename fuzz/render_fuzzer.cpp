// Fuzz target of `render`: a workbook opened and its charts written as picture files, each at
// the size of its anchor, into a folder where something may already stand at the picture's
// name: an older picture, a symbolic link to a file elsewhere (the user's, never to be written
// through), a link to nowhere, a folder, or the temporary of a writer that was killed. The
// input's hash picks the format, the scale and what is in the way, chart by chart.
//
// Beyond not crashing, the writer keeps its promises, checked after every chart:
//  - written, the name holds a regular file (never a link), whole: a PNG decodes at the size
//    the chart was drawn at, an SVG is well-formed XML, a PDF has its header and end marker;
//    a replaced picture keeps its permissions;
//  - refused (a DocumentError), the name is as it was, byte for byte, link for link;
//  - either way the file a link pointed to is untouched and no temporary of this write is left.

#include "FuzzSupport.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartdraw/ChartexScene.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/chartcopy/WorkbookChart.h"
#include "engine/drawingml/Units.h"
#include "engine/package/FileReplacement.h"
#include "engine/workbook/Workbook.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace engine;

[[noreturn]] void broken(const char* what) { fuzzsupport::broken("render", what); }

enum class InTheWay { Nothing, OlderPicture, LinkToUserFile, DanglingLink, Folder, KilledWritersTemporary };
constexpr int kInTheWayCount = 6;

const QByteArray kUserFile = "the user's own file, which no picture may overwrite\n";
const QByteArray kOlderPicture = "an older picture\n";
constexpr mode_t kOlderPictureMode = 0640;

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) abort();
}

// What stood at a name before a write, to compare with what stands there after a refusal.
struct Standing {
    bool exists = false;
    bool link = false;
    bool folder = false;
    QString linkTarget;
    QByteArray bytes;
    mode_t mode = 0;
};

Standing standingAt(const QString& path) {
    Standing s;
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return s;
    s.exists = true;
    s.link = S_ISLNK(st.st_mode);
    s.folder = S_ISDIR(st.st_mode);
    s.mode = st.st_mode & 07777;
    if (s.link) s.linkTarget = QFileInfo(path).symLinkTarget();
    else if (!s.folder) s.bytes = readAll(path);
    return s;
}

bool sameStanding(const Standing& a, const Standing& b) {
    return a.exists == b.exists && a.link == b.link && a.folder == b.folder && a.linkTarget == b.linkTarget &&
           a.bytes == b.bytes && a.mode == b.mode;
}

// The names of this program's temporaries in folder.
QStringList temporariesIn(const QDir& folder) {
    QStringList names;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (isWriterTemporaryName(name)) names << name;
    }
    return names;
}

void putInTheWay(InTheWay what, const QDir& folder, const QString& path, const QString& userFile) {
    const QByteArray name = QFile::encodeName(path);
    switch (what) {
    case InTheWay::Nothing:
        break;
    case InTheWay::OlderPicture:
        writeAll(path, kOlderPicture);
        ::chmod(name.constData(), kOlderPictureMode);
        break;
    case InTheWay::LinkToUserFile:
        if (::symlink(QFile::encodeName(userFile).constData(), name.constData()) != 0) abort();
        break;
    case InTheWay::DanglingLink:
        if (::symlink(QFile::encodeName(folder.filePath(QStringLiteral("nowhere/at/all"))).constData(),
                      name.constData()) != 0)
            abort();
        break;
    case InTheWay::Folder:
        if (!folder.mkdir(QFileInfo(path).fileName())) abort();
        writeAll(path + QStringLiteral("/inside"), kOlderPicture);
        break;
    case InTheWay::KilledWritersTemporary:
        writeAll(folder.filePath(u'.' + QFileInfo(path).fileName() + QStringLiteral(".Ab3dE9.tmp")), kOlderPicture);
        break;
    }
}

// The picture's pixels as renderSceneImage sizes them, kept in floating point: a frame may be
// far larger than any picture.
QSizeF expectedPixels(QSizeF points, double scale) {
    const double k = 96.0 / 72.0 * scale;
    return QSizeF(std::max(1.0, std::round(points.width() * k)), std::max(1.0, std::round(points.height() * k)));
}

bool withinImageBounds(QSizeF pixels) {
    return pixels.width() <= chart::kMaxImageSide && pixels.height() <= chart::kMaxImageSide &&
           pixels.width() * pixels.height() <= double(chart::kMaxImagePixels);
}

void checkWritten(const QString& path, chart::PictureFormat format, QSizeF pixels, InTheWay before) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) broken("a picture reported written is not there");
    if (!S_ISREG(st.st_mode)) broken("a picture written is not a regular file (written through a link?)");
    if (before == InTheWay::OlderPicture && (st.st_mode & 07777) != kOlderPictureMode)
        broken("a replaced picture lost its permissions");
    const QByteArray bytes = readAll(path);
    switch (format) {
    case chart::PictureFormat::Png: {
        QImage image;
        if (!image.loadFromData(bytes, "PNG")) broken("a PNG written does not decode");
        if (QSizeF(image.size()) != pixels) broken("a PNG written is not of the size drawn");
        break;
    }
    case chart::PictureFormat::Svg: {
        QXmlStreamReader reader(bytes);
        bool svg = false;
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement && !svg) {
                if (reader.name() != QLatin1String("svg")) broken("an SVG written has another root");
                svg = true;
            }
        }
        if (reader.hasError() || !svg) broken("an SVG written is not well-formed");
        break;
    }
    case chart::PictureFormat::Pdf:
        if (!bytes.startsWith("%PDF-") || !bytes.trimmed().endsWith("%%EOF")) broken("a PDF written is cut short");
        break;
    }
}

// One chart drawn as the server's Export draws it.
struct Drawable {
    std::optional<chart::WorkbookChart> chart;
    std::optional<ChartexChart> chartex;
    QSizeF points;
};

Drawable drawableOf(const Workbook& workbook, const Workbook::Sheet& sheet, const Workbook::ChartObject& object) {
    Drawable d;
    if (object.frame.extended) {
        d.chartex = readChartex(workbook.package().read(object.chartPart), workbook.displayName(), object.chartPart,
                                workbook.package().limits());
        const auto [cx, cy] = workbook.chartSize(sheet, object);
        d.points = QSizeF(cx / drawingml::kEmuPerPoint, cy / drawingml::kEmuPerPoint);
    } else {
        d.chart = chart::workbookChart(workbook, sheet, object);
        d.points = d.chart->sizeInPoints;
    }
    if (d.points.isEmpty()) {
        d.points = QSizeF(drawingml::kDefaultChartCx / drawingml::kEmuPerPoint,
                          drawingml::kDefaultChartCy / drawingml::kEmuPerPoint);
    }
    return d;
}

void writePicture(const Drawable& d, chart::PictureFormat format, double scale, const QString& path) {
    if (d.chartex) {
        const ChartexChart& chartex = *d.chartex;
        const QSizeF points = d.points;
        chart::writeScenePicture(points, format, scale, path, [&](double) { return chartexScene(chartex, points); });
    } else {
        chart::writeChartPicture(d.chart->chart, d.chart->context, d.points, format, scale, path);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startOffscreenGui(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzzsupport::bytesOf(data, size);
    const QString bookPath = fuzzsupport::stage(input, QStringLiteral("book.xlsx"));
    QDir pictures(fuzzsupport::workFolder().filePath(QStringLiteral("pictures")));
    pictures.removeRecursively();
    if (!pictures.mkpath(QStringLiteral("."))) abort();
    const QString userFile = fuzzsupport::stage(kUserFile, QStringLiteral("users-file.txt"));

    std::unique_ptr<Workbook> workbook;
    try {
        workbook = Workbook::open(bookPath, fuzzsupport::fuzzLimits());
    } catch (const DocumentError&) {
        return 0;
    }
    size_t pick = qHash(input);
    int drawn = 0;
    std::vector<const Workbook::Sheet*> sheets = workbook->worksheets();
    for (const auto* sheet : workbook->chartsheets()) sheets.push_back(sheet);
    for (const Workbook::Sheet* sheet : sheets) {
        for (const Workbook::ChartObject& object : sheet->chartObjects) {
            // A few charts an input, so that a run stays quick.
            if (drawn++ == 4) return 0;
            std::optional<Drawable> drawable;
            try {
                drawable = drawableOf(*workbook, *sheet, object);
            } catch (const DocumentError&) {
                continue;  // a chart that cannot be read is said and skipped, as render does
            }
            static const double scales[] = {1, 2, 0.5};
            double scale = scales[pick % 3];
            auto format = chart::PictureFormat(pick / 3 % 3);
            const auto inTheWay = InTheWay(pick / 9 % kInTheWayCount);
            pick = pick / 54 + size_t(drawn) * 0x9e3779b9u;
            // A PNG of tens of millions of pixels takes seconds under the sanitizers: those within
            // the bounds are drawn as vector pictures instead; the bounds themselves are still met.
            const QSizeF pixels = expectedPixels(drawable->points, scale);
            const bool withinBounds = withinImageBounds(pixels);
            if (format == chart::PictureFormat::Png && withinBounds && pixels.width() * pixels.height() > 4e6)
                format = chart::PictureFormat::Svg;

            static const char* const suffixes[] = {"png", "svg", "pdf"};
            const QString path =
                pictures.filePath(QStringLiteral("chart %1.%2").arg(drawn).arg(QLatin1String(suffixes[int(format)])));
            putInTheWay(inTheWay, pictures, path, userFile);
            const Standing before = standingAt(path);
            const QStringList temporariesBefore = temporariesIn(pictures);
            bool written = false;
            try {
                writePicture(*drawable, format, scale, path);
                written = true;
            } catch (const DocumentError& e) {
                const bool tooLarge = format == chart::PictureFormat::Png && !withinBounds;
                if (tooLarge != (e.kind() == DocumentError::Kind::OverLimit))
                    broken("a picture refused for another reason than its size, or too large and drawn");
                if (!tooLarge && inTheWay != InTheWay::Folder) broken("a picture refused with nothing in the way");
                if (!e.message().contains(QFileInfo(path).fileName()) && e.kind() == DocumentError::Kind::Io)
                    broken("a refusal to write that does not name the file");
            }
            if (written) checkWritten(path, format, pixels, inTheWay);
            else if (!sameStanding(before, standingAt(path))) broken("a refused picture changed what was at its name");
            if (readAll(userFile) != kUserFile) broken("a picture written through a link into the user's file");
            if (temporariesIn(pictures) != temporariesBefore) broken("a write left a temporary behind");
        }
    }
    return 0;
}

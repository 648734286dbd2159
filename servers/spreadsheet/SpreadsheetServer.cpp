#include "SpreadsheetServer.h"
#include "servers/spreadsheet/ChartPictureData.h"

#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartcopy/ChartOutline.h"
#include "engine/chartdraw/ChartexScene.h"
#include "engine/chartcopy/ChartPackage.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartcopy/WorkbookChart.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/drawingml/Units.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/legacy/XlsCharts.h"
#include "engine/legacy/XlsStructure.h"
#include "engine/package/FileKind.h"
#include "engine/workbook/Workbook.h"
#include "office/ServerRegistry.h"
#include "platform/Clipboard.h"
#include "platform/Failure.h"
#include "platform/WorkAside.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <optional>
#include <tuple>
#include <vector>

namespace servers {

namespace {

using office::AutomationError;
using platform::runtime::kObjectNotSet;
using platform::runtime::kSubscriptOutOfRange;

// The wording COM uses for a call on an application that has ended.
const char* const kDisconnected = "The object invoked has disconnected from its clients.";

// One worksheet as the collections show it: its name and its chart objects' names in
// ChartObjects order. For an Open XML workbook it is the engine's sheet; for a legacy .xls it
// comes from the native read of its records.
struct ListedSheet {
    QString name;
    std::vector<QString> chartNames;
    const engine::Workbook::Sheet* sheet = nullptr;          // the engine's sheet, when read directly
    const engine::XlsStructure::Sheet* legacy = nullptr;     // a legacy sheet, owned by the xls reader
};

// A chart as the collections reach it: chart object `chart` of listed worksheet `sheet`, or
// the chart of listed chart sheet `sheet` (chart 0).
struct ChartPlace {
    bool chartSheet = false;
    int sheet = 0;
    int chart = 0;
};

struct OpenWorkbook {
    QString path;  // as the caller gave it
    std::vector<ListedSheet> worksheets;
    std::vector<ListedSheet> chartSheets;  // chartNames: the one chart shown, or none
    std::unique_ptr<engine::Workbook> workbook;  // read directly, or the converted copy once made
    std::unique_ptr<QTemporaryDir> converted;    // the converted copy of an .xlsb or .ods workbook
    std::unique_ptr<engine::XlsWorkbook> xls;    // a legacy .xls, read from its own records
    bool released = false;                       // its application has quit
    QString conversionFailure;                   // why the conversion failed, told at every copy
    engine::DocumentError::Kind conversionFailureKind = engine::DocumentError::Kind::Corrupt;

    QString fileName() const { return QFileInfo(path).fileName(); }

    // The workbook an .xlsb or .ods workbook is read from: its converted copy, made on first use.
    const engine::Workbook& chartSource();
    const ListedSheet& listed(const ChartPlace& place) const {
        return (place.chartSheet ? chartSheets : worksheets)[size_t(place.sheet)];
    }
    // The engine's sheet and chart that stand for the chart at place of an Open XML (or
    // converted) workbook. Throws DocumentError for a chart sheet whose chart cannot be read.
    std::pair<const engine::Workbook::Sheet*, int> chartFor(const ChartPlace& place);
    // Throws DocumentError when the chart sheet at place shows no chart that can be read.
    void requireChartOfSheet(const ChartPlace& place) const;
};

struct ApplicationState {
    bool running = true;
    bool displayAlerts = true;
    std::vector<std::shared_ptr<OpenWorkbook>> workbooks;
    std::shared_ptr<OpenWorkbook> active;

    void check() const {
        if (!running) throw AutomationError(kDisconnected);
    }
    void release() {
        running = false;
        active.reset();
        for (auto& book : workbooks) {
            book->released = true;
            book->worksheets.clear();
            book->chartSheets.clear();
            book->workbook.reset();
            book->converted.reset();
            book->xls.reset();
        }
        workbooks.clear();
    }
};

using State = std::shared_ptr<ApplicationState>;

// What the caller's object stands for: the workbook it belongs to; worksheets and chart objects
// are positions in the workbook's listed worksheets.
struct Handle {
    State state;
    std::shared_ptr<OpenWorkbook> book;

    void check() const {
        state->check();
        if (book->released) throw AutomationError(kDisconnected);
    }
    const ListedSheet& sheet(int index) const {
        check();
        return book->worksheets[size_t(index)];
    }
    const ListedSheet& sheet(const ChartPlace& place) const {
        check();
        return book->listed(place);
    }
};

// A chart read whole for drawing: the model in its look with its frame's size, or a chart of
// the newer kinds, drawn from its own model (its size then in chart.sizeInPoints).
struct ChartToDraw {
    engine::chart::WorkbookChart chart;
    std::optional<engine::ChartexChart> chartex;
};

// Throws DocumentError when the chart cannot be read.
ChartToDraw chartToDraw(OpenWorkbook& book, const ChartPlace& place) {
    ChartToDraw out;
    book.requireChartOfSheet(place);
    if (const engine::XlsWorkbook* xls = book.xls.get()) {
        out.chart = xls->workbookChart(*book.listed(place).legacy, place.chart);
        return out;
    }
    const auto [sheet, index] = book.chartFor(place);
    const engine::Workbook& workbook = *book.workbook;
    const engine::Workbook::ChartObject& object = sheet->chartObjects[size_t(index)];
    if (object.frame.extended) {
        out.chartex = engine::readChartex(workbook.package().read(object.chartPart), workbook.displayName(),
                                          object.chartPart, workbook.package().limits());
        const auto [cx, cy] = workbook.chartSize(*sheet, object);
        out.chart.sizeInPoints = QSizeF(cx / 12700.0, cy / 12700.0);
    } else {
        out.chart = engine::chart::workbookChart(workbook, *sheet, object);
    }
    return out;
}

class ChartAreaImpl : public office::ExcelChartArea {
public:
    ChartAreaImpl(Handle handle, ChartPlace place) : m_handle(std::move(handle)), m_place(place) {}

    void Copy() override {
        m_handle.check();
        if (!platform::clipboardAvailable()) throw AutomationError(QStringLiteral("ChartArea.Copy: no clipboard to copy to"));
        std::shared_ptr<engine::ChartPackage> made;
        try {
            // The workbook is this application's own, which nothing else reaches while the
            // handler that copies waits here; the clipboard's data is made back on this thread.
            m_handle.book->requireChartOfSheet(m_place);
            if (const engine::XlsWorkbook* xls = m_handle.book->xls.get()) {
                const engine::XlsStructure::Sheet& sheet = *m_handle.book->listed(m_place).legacy;
                platform::runWhileServicingEvents([&] {
                    made = std::make_shared<engine::ChartPackage>(xls->chartPackage(sheet, m_place.chart));
                    made->sourceFile = sourcePath();
                });
            } else {
                const auto [sheet, chart] = m_handle.book->chartFor(m_place);
                const engine::Workbook& workbook = *m_handle.book->workbook;
                platform::runWhileServicingEvents([&, sheet = sheet, chart = chart] {
                    made = std::make_shared<engine::ChartPackage>(
                        engine::collectChart(workbook, *sheet, sheet->chartObjects[size_t(chart)]));
                    // A converted workbook's chart comes from the file the user named, not from
                    // the converted copy it was read from.
                    made->sourceFile = sourcePath();
                });
            }
        } catch (const engine::DocumentError& e) {
            throw AutomationError(e.message());
        }
        platform::setClipboardData(new ChartPictureData(std::move(made)));
    }

private:
    // The workbook as the pasted chart remembers it: absolute, so that it can be found again
    // from wherever the presentation is opened.
    QString sourcePath() const { return QFileInfo(m_handle.book->path).absoluteFilePath(); }

    Handle m_handle;
    ChartPlace m_place;
};

class ChartImpl : public office::ExcelChart {
public:
    ChartImpl(Handle handle, ChartPlace place) : m_handle(std::move(handle)), m_place(place) {}

    QString Name() override {
        const ListedSheet& sheet = m_handle.sheet(m_place);
        if (m_place.chartSheet) return sheet.name;
        return sheet.name + u' ' + sheet.chartNames[size_t(m_place.chart)];
    }
    std::shared_ptr<office::ExcelChartArea> ChartArea() override {
        m_handle.check();
        return std::make_shared<ChartAreaImpl>(m_handle, m_place);
    }
    // Read from the chart part's outline, never a whole model of it; a legacy workbook's from
    // its own records, as it is listed, without converting it.
    office::ExcelChartFacts Facts() override {
        const ListedSheet& listed = m_handle.sheet(m_place);
        office::ExcelChartFacts facts;
        try {
            m_handle.book->requireChartOfSheet(m_place);
        } catch (const engine::DocumentError& e) {
            throw AutomationError(e.message());
        }
        if (listed.legacy) {
            const engine::XlsStructure::ChartObject& object = listed.legacy->chartObjects[size_t(m_place.chart)];
            if (!object.outline) {
                throw AutomationError(QStringLiteral("%1: chart %2: the chart's own records are missing from the "
                                                     "workbook (damaged file)")
                                          .arg(m_handle.book->fileName(), Name()));
            }
            facts.kind = object.outline->kind;
            facts.title = object.outline->title;
            facts.seriesCount = object.outline->seriesCount;
            if (const auto size = engine::XlsStructure::chartSize(*listed.legacy, object)) {
                std::tie(facts.widthEmu, facts.heightEmu) = *size;
            }
            return facts;
        }
        try {
            const auto [sheet, chart] = m_handle.book->chartFor(m_place);
            const engine::Workbook& workbook = *m_handle.book->workbook;
            const engine::Workbook::ChartObject& object = sheet->chartObjects[size_t(chart)];
            const engine::ChartOutline outline = object.frame.extended
                                                     ? engine::readChartexOutline(workbook.package(), object.chartPart)
                                                     : engine::readChartOutline(workbook.package(), object.chartPart);
            facts.kind = outline.kind;
            facts.title = outline.title;
            facts.seriesCount = outline.seriesCount;
            std::tie(facts.widthEmu, facts.heightEmu) = workbook.chartSize(*sheet, object);
        } catch (const engine::DocumentError& e) {
            throw AutomationError(e.message());
        }
        return facts;
    }
    // Drawn from the same chart a copy takes, in the workbook's theme, as its producer draws it.
    void Export(const QString& fileName, const QString& filterName, const office::ExcelPictureSize& size) override {
        m_handle.check();
        engine::chart::PictureFormat format = engine::chart::PictureFormat::Png;
        if (filterName.compare(QLatin1String("SVG"), Qt::CaseInsensitive) == 0) format = engine::chart::PictureFormat::Svg;
        else if (filterName.compare(QLatin1String("PDF"), Qt::CaseInsensitive) == 0) format = engine::chart::PictureFormat::Pdf;
        else if (filterName.compare(QLatin1String("PNG"), Qt::CaseInsensitive) != 0) {
            throw AutomationError(QStringLiteral("Chart.Export: no graphics filter \"%1\" (PNG, SVG or PDF)").arg(filterName));
        }
        if (!(size.scale > 0 && size.scale <= 16) || (size.widthPixels > 0) != (size.heightPixels > 0)) {
            throw AutomationError(QString::fromLatin1(platform::runtime::kOverflow));
        }
        ChartToDraw read;
        try {
            read = chartToDraw(*m_handle.book, m_place);
        } catch (const engine::DocumentError& e) {
            throw AutomationError(e.message());
        }
        const engine::chart::WorkbookChart& chart = read.chart;
        QSizeF points = chart.sizeInPoints;
        double scale = size.scale;
        if (size.widthPixels > 0) {
            // Laid out as if the frame were that many pixels on a 96 dpi screen.
            points = QSizeF(size.widthPixels * 72.0 / 96.0, size.heightPixels * 72.0 / 96.0);
            scale = 1;
        }
        if (points.isEmpty()) {
            // An anchor of no extent: drawn at the size its paste is given.
            points = QSizeF(engine::drawingml::kDefaultChartCx / engine::drawingml::kEmuPerPoint,
                            engine::drawingml::kDefaultChartCy / engine::drawingml::kEmuPerPoint);
        }
        try {
            if (read.chartex) {
                engine::chart::writeScenePicture(points, format, scale, fileName, [&](double) {
                    return engine::chartexScene(*read.chartex, points);
                });
            } else {
                engine::chart::writeChartPicture(chart.chart, chart.context, points, format, scale, fileName);
            }
        } catch (const engine::DocumentError& e) {
            if (e.kind() == engine::DocumentError::Kind::Io) throw office::PictureFileError(e.message());
            throw AutomationError(e.message());
        }
    }

private:
    Handle m_handle;
    ChartPlace m_place;
};

class ChartObjectImpl : public office::ExcelChartObject {
public:
    ChartObjectImpl(Handle handle, int sheet, int chart) : m_handle(std::move(handle)), m_sheet(sheet), m_chart(chart) {}

    QString Name() override { return m_handle.sheet(m_sheet).chartNames[size_t(m_chart)]; }
    std::shared_ptr<office::ExcelChart> Chart() override {
        m_handle.check();
        return std::make_shared<ChartImpl>(m_handle, ChartPlace{false, m_sheet, m_chart});
    }

private:
    Handle m_handle;
    int m_sheet;
    int m_chart;
};

class ChartObjectsImpl : public office::ExcelChartObjects {
public:
    ChartObjectsImpl(Handle handle, int sheet) : m_handle(std::move(handle)), m_sheet(sheet) {}

    int Count() override { return int(m_handle.sheet(m_sheet).chartNames.size()); }
    std::shared_ptr<office::ExcelChartObject> Item(int index) override {
        if (index < 1 || index > Count()) throw AutomationError(kSubscriptOutOfRange);
        return std::make_shared<ChartObjectImpl>(m_handle, m_sheet, index - 1);
    }

private:
    Handle m_handle;
    int m_sheet;
};

class WorksheetImpl : public office::ExcelWorksheet {
public:
    WorksheetImpl(Handle handle, int sheet) : m_handle(std::move(handle)), m_sheet(sheet) {}

    QString Name() override { return m_handle.sheet(m_sheet).name; }
    std::shared_ptr<office::ExcelChartObjects> ChartObjects() override {
        m_handle.check();
        return std::make_shared<ChartObjectsImpl>(m_handle, m_sheet);
    }

private:
    Handle m_handle;
    int m_sheet;
};

class WorksheetsImpl : public office::ExcelWorksheets {
public:
    explicit WorksheetsImpl(Handle handle) : m_handle(std::move(handle)) {}

    int Count() override {
        m_handle.check();
        return int(m_handle.book->worksheets.size());
    }
    std::shared_ptr<office::ExcelWorksheet> Item(int index) override {
        if (index < 1 || index > Count()) throw AutomationError(kSubscriptOutOfRange);
        return std::make_shared<WorksheetImpl>(m_handle, index - 1);
    }
    std::shared_ptr<office::ExcelWorksheet> Item(const QString& name) override {
        const int count = Count();
        for (int i = 0; i < count; ++i) {
            if (m_handle.book->worksheets[size_t(i)].name.compare(name, Qt::CaseInsensitive) == 0) {
                return std::make_shared<WorksheetImpl>(m_handle, i);
            }
        }
        throw AutomationError(kSubscriptOutOfRange);
    }

private:
    Handle m_handle;
};

class ChartSheetsImpl : public office::ExcelCharts {
public:
    explicit ChartSheetsImpl(Handle handle) : m_handle(std::move(handle)) {}

    int Count() override {
        m_handle.check();
        return int(m_handle.book->chartSheets.size());
    }
    std::shared_ptr<office::ExcelChart> Item(int index) override {
        if (index < 1 || index > Count()) throw AutomationError(kSubscriptOutOfRange);
        return std::make_shared<ChartImpl>(m_handle, ChartPlace{true, index - 1, 0});
    }
    std::shared_ptr<office::ExcelChart> Item(const QString& name) override {
        const int count = Count();
        for (int i = 0; i < count; ++i) {
            if (m_handle.book->chartSheets[size_t(i)].name.compare(name, Qt::CaseInsensitive) == 0) {
                return std::make_shared<ChartImpl>(m_handle, ChartPlace{true, i, 0});
            }
        }
        throw AutomationError(kSubscriptOutOfRange);
    }

private:
    Handle m_handle;
};

class WorkbookImpl : public office::ExcelWorkbook {
public:
    explicit WorkbookImpl(Handle handle) : m_handle(std::move(handle)) {}

    QString Name() override {
        m_handle.check();
        return m_handle.book->fileName();
    }
    std::shared_ptr<office::ExcelWorksheets> Worksheets() override {
        m_handle.check();
        return std::make_shared<WorksheetsImpl>(m_handle);
    }
    std::shared_ptr<office::ExcelCharts> Charts() override {
        m_handle.check();
        return std::make_shared<ChartSheetsImpl>(m_handle);
    }

private:
    Handle m_handle;
};

const engine::Workbook& OpenWorkbook::chartSource() {
    if (workbook) return *workbook;
    // A conversion that failed is not run again for every chart of the same run.
    if (!conversionFailure.isEmpty())
        throw engine::DocumentError(conversionFailureKind, conversionFailure);
    QByteArray bytes;
    try {
        bytes = engine::LegacyConverter::convert(path, QStringLiteral("xlsx"));
    } catch (const engine::DocumentError& e) {
        conversionFailure = e.message();
        conversionFailureKind = e.kind();
        throw;
    }
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillmere-book-XXXXXX"));
    const QString copy = folder->filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".xlsx"));
    QFile out(copy);
    if (!folder->isValid() || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
        throw engine::DocumentError(
            engine::DocumentError::Kind::Io, fileName(), QString(),
            QStringLiteral("no room for the converted copy in the temporary folder"));
    }
    out.close();
    try {
        workbook = engine::Workbook::open(copy);
    } catch (const engine::DocumentError& e) {
        throw engine::DocumentError(
            e.kind(),
            QStringLiteral("%1 (as converted by LibreOffice): %2").arg(fileName(), e.message()));
    }
    converted = std::move(folder);
    return *workbook;
}

std::pair<const engine::Workbook::Sheet*, int> OpenWorkbook::chartFor(const ChartPlace& place) {
    requireChartOfSheet(place);
    const ListedSheet& sheet = listed(place);
    chartSource();
    return {sheet.sheet, place.chart};
}

void OpenWorkbook::requireChartOfSheet(const ChartPlace& place) const {
    if (!place.chartSheet) return;
    const ListedSheet& sheet = listed(place);
    if (sheet.legacy) {
        throw engine::DocumentError(
            engine::DocumentError::Kind::Unsupported, fileName(), QString(),
            QStringLiteral("chart sheet \"%1\": the charts of an .xls workbook's chart sheets "
                           "are not read (save the workbook as .xlsx to reach them)")
                .arg(sheet.name));
    }
    if (sheet.sheet && sheet.sheet->chartFailure) throw *sheet.sheet->chartFailure;
    if (sheet.chartNames.empty()) {
        throw engine::DocumentError(
            engine::DocumentError::Kind::Missing, fileName(),
            sheet.sheet ? sheet.sheet->part : QString(),
            QStringLiteral("chart sheet \"%1\" shows no chart").arg(sheet.name));
    }
}

// Legacy: a compound file (Excel 97-2003 .xls, and what else an office suite keeps in one) or a
// bare BIFF stream of Excel 2.x to 4.0.
enum class Content { Missing, Unreadable, Zip, Legacy, Other };

Content contentOf(const QByteArray& head);

// What a file holds, by its first bytes; head and the reason a file cannot be read are kept for
// the messages.
struct Sniffed {
    Content content = Content::Other;
    QByteArray head;
    qint64 size = 0;
    QString unreadable;
};

Sniffed sniff(const QString& path) {
    Sniffed out;
    QFile file(path);
    if (!QFileInfo(path).isFile()) return {Content::Missing, {}, 0, {}};
    if (!file.open(QIODevice::ReadOnly)) {
        out.content = Content::Unreadable;
        out.unreadable = file.error() == QFileDevice::OpenError && !QFileInfo(path).isReadable()
                             ? QStringLiteral("you have no permission to read it")
                             : file.errorString();
        return out;
    }
    out.head = file.read(512);
    out.size = file.size();
    out.content = contentOf(out.head);
    return out;
}

Content contentOf(const QByteArray& head) {
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) return Content::Zip;
    if (head.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))) return Content::Legacy;
    static const QList<QByteArray> kBiffStarts = {QByteArray::fromHex("0900"), QByteArray::fromHex("0902"),
                                                  QByteArray::fromHex("0904"), QByteArray::fromHex("0908")};
    for (const QByteArray& start : kBiffStarts) {
        if (head.startsWith(start)) return Content::Legacy;
    }
    return Content::Other;
}

bool isOpenXmlWorkbookExtension(const QString& path) {
    static const QStringList kExtensions = {QStringLiteral("xlsx"), QStringLiteral("xlsm"),
                                            QStringLiteral("xltx"), QStringLiteral("xltm")};
    return kExtensions.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

// Zip workbooks the engine does not read itself (OpenDocument, binary .xlsb) go to LibreOffice.
bool isConvertedZipExtension(const QString& path) {
    static const QStringList kExtensions = {QStringLiteral("ods"), QStringLiteral("ots"),
                                            QStringLiteral("xlsb")};
    return kExtensions.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

std::shared_ptr<OpenWorkbook> openWorkbook(const QString& path) {
    auto book = std::make_shared<OpenWorkbook>();
    book->path = path;
    const Sniffed sniffed = sniff(path);
    const Content content = sniffed.content;
    if (content == Content::Missing) {
        throw AutomationError(QStringLiteral("Sorry, we couldn't find %1. Is it possible it was moved, "
                                             "renamed or deleted?")
                                  .arg(path));
    }
    if (content == Content::Unreadable) {
        throw AutomationError(QStringLiteral("%1: the file cannot be read: %2").arg(path, sniffed.unreadable));
    }
    if (content == Content::Other) {
        // Say what the file is when it plainly holds no workbook; text named as a format only
        // the converter reads (a CSV file, say) is left to the converter.
        const QString what = engine::describeFileStart(sniffed.head, sniffed.size);
        const bool text = what.startsWith(QLatin1String("a text file"));
        if (!what.isEmpty() && (isOpenXmlWorkbookExtension(path) || !text)) {
            throw AutomationError(QStringLiteral("%1: not a workbook: the file is %2").arg(QFileInfo(path).fileName(), what));
        }
    }
    try {
        if (content == Content::Legacy) {
            // Listed, copied and drawn from the file's own records; no other program is involved.
            book->xls = engine::XlsWorkbook::open(path);
            for (const engine::XlsStructure::Sheet* sheet : book->xls->structure().worksheets()) {
                ListedSheet listed;
                listed.name = sheet->name;
                for (const auto& chart : sheet->chartObjects) listed.chartNames.push_back(chart.name);
                listed.legacy = sheet;
                book->worksheets.push_back(std::move(listed));
            }
            for (const engine::XlsStructure::Sheet& sheet : book->xls->structure().sheets()) {
                if (sheet.kind != engine::XlsStructure::SheetKind::Chartsheet) continue;
                book->chartSheets.push_back(ListedSheet{sheet.name, {}, nullptr, &sheet});
            }
            return book;
        }
        const bool direct = content == Content::Zip ? !isConvertedZipExtension(path)
                                                    : content == Content::Other && isOpenXmlWorkbookExtension(path);
        if (direct) {
            book->workbook = engine::Workbook::open(path);
        } else {
            book->chartSource();
        }
        for (const engine::Workbook::Sheet* sheet : book->workbook->worksheets()) {
            ListedSheet listed;
            listed.name = sheet->name;
            listed.sheet = sheet;
            for (const auto& chart : sheet->chartObjects) listed.chartNames.push_back(chart.name);
            book->worksheets.push_back(std::move(listed));
        }
        for (const engine::Workbook::Sheet* sheet : book->workbook->chartsheets()) {
            ListedSheet listed;
            listed.name = sheet->name;
            listed.sheet = sheet;
            for (const auto& chart : sheet->chartObjects) listed.chartNames.push_back(chart.name);
            book->chartSheets.push_back(std::move(listed));
        }
        return book;
    } catch (const engine::DocumentError& e) {
        throw AutomationError(e.message());
    }
}

class WorkbooksImpl : public office::ExcelWorkbooks {
public:
    explicit WorkbooksImpl(State state) : m_state(std::move(state)) {}

    std::shared_ptr<office::ExcelWorkbook> Open(const QString& path) override {
        m_state->check();
        auto book = openWorkbook(path);
        m_state->workbooks.push_back(book);
        m_state->active = book;
        return std::make_shared<WorkbookImpl>(Handle{m_state, book});
    }

private:
    State m_state;
};

class SpreadsheetApplication : public office::ExcelApplication {
public:
    SpreadsheetApplication() : m_state(std::make_shared<ApplicationState>()) {}
    ~SpreadsheetApplication() override { m_state->release(); }

    QString Name() override { return QString::fromLatin1(office::kExcelName); }
    std::shared_ptr<office::ExcelWorkbooks> Workbooks() override {
        m_state->check();
        return std::make_shared<WorkbooksImpl>(m_state);
    }
    std::shared_ptr<office::ExcelWorkbook> ActiveWorkbook() override {
        m_state->check();
        if (!m_state->active) throw AutomationError(kObjectNotSet);
        return std::make_shared<WorkbookImpl>(Handle{m_state, m_state->active});
    }
    bool DisplayAlerts() override {
        m_state->check();
        return m_state->displayAlerts;
    }
    void setDisplayAlerts(bool on) override {
        m_state->check();
        m_state->displayAlerts = on;
    }
    bool Visible() override { return false; }
    void Quit() override {
        m_state->check();
        m_state->release();
        office::ServerRegistry::instance().withdrawRunning(QString::fromLatin1(office::kExcelProgId), this);
    }

private:
    State m_state;
};

}  // namespace

std::shared_ptr<office::ExcelApplication> createSpreadsheetApplication() {
    return std::make_shared<SpreadsheetApplication>();
}

ShownChart readChartToShow(const QString& path, const QString& sheetName, int chartIndex) {
    // A workbook of its own, opened as Workbooks.Open opens it and let go on return: nothing
    // is shared with the running application, so this may run on any thread.
    const std::shared_ptr<OpenWorkbook> book = openWorkbook(path);
    ShownChart shown;
    try {
        int sheet = -1;
        for (size_t i = 0; i < book->worksheets.size() && sheet < 0; ++i) {
            if (book->worksheets[i].name.compare(sheetName, Qt::CaseInsensitive) == 0) sheet = int(i);
        }
        if (sheet < 0) {
            throw engine::DocumentError(engine::DocumentError::Kind::Missing, book->fileName(), QString(),
                                        QStringLiteral("there is no worksheet named \"%1\"").arg(sheetName));
        }
        const ListedSheet& listed = book->worksheets[size_t(sheet)];
        if (chartIndex < 1 || chartIndex > int(listed.chartNames.size())) {
            throw engine::DocumentError(engine::DocumentError::Kind::Missing, book->fileName(), QString(),
                                        QStringLiteral("worksheet \"%1\" has no chart %2").arg(sheetName).arg(chartIndex));
        }
        shown.name = listed.chartNames[size_t(chartIndex - 1)];
        ChartToDraw read = chartToDraw(*book, ChartPlace{false, sheet, chartIndex - 1});
        shown.sizeInPoints = read.chart.sizeInPoints;
        if (read.chartex) {
            shown.kind = read.chartex->kindName();
            shown.seriesCount = read.chartex->ownSeriesCount();
            shown.scene = std::make_shared<engine::chart::ChartScene>(engine::chartexScene(*read.chartex, shown.sizeInPoints));
            return shown;
        }
        const engine::ChartSummary summary = engine::summarizeChart(read.chart.chart);
        shown.kind = summary.kind;
        shown.seriesCount = int(summary.series.size());
        shown.scene = std::make_shared<engine::chart::ChartScene>(
            engine::chart::buildChartScene(read.chart.chart, read.chart.context, read.chart.sizeInPoints));
        shown.chart = std::move(read.chart);
    } catch (const engine::DocumentError& e) {
        throw AutomationError(e.message());
    }
    return shown;
}

void registerSpreadsheetServer() {
    office::ServerRegistry::instance().registerServer(
        QString::fromLatin1(office::kExcelProgId), []() -> std::shared_ptr<office::AutomationObject> {
            auto application = createSpreadsheetApplication();
            office::ServerRegistry::instance().publishRunning(QString::fromLatin1(office::kExcelProgId),
                                                              application);
            return application;
        });
}

}  // namespace servers

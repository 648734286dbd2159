#include "SpreadsheetServer.h"

#include "engine/chart/ChartCollector.h"
#include "engine/chart/ChartPackage.h"
#include "engine/chart/ChartPart.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/workbook/Workbook.h"
#include "office/ServerRegistry.h"
#include "platform/Failure.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <tuple>
#include <vector>

namespace servers {

namespace {

using office::AutomationError;
using platform::runtime::kObjectNotSet;
using platform::runtime::kSubscriptOutOfRange;

// The wording COM uses for a call on an application that has ended.
const char* const kDisconnected = "The object invoked has disconnected from its clients.";

struct OpenWorkbook {
    QString path;  // as the caller gave it
    std::unique_ptr<engine::Workbook> workbook;
    std::unique_ptr<QTemporaryDir> converted;  // the converted copy of a legacy workbook
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
            book->workbook.reset();
            book->converted.reset();
        }
        workbooks.clear();
    }
};

using State = std::shared_ptr<ApplicationState>;

// What the caller's object stands for: the workbook, and the worksheet and chart object in it.
struct Handle {
    State state;
    std::shared_ptr<OpenWorkbook> book;

    const engine::Workbook& workbook() const {
        state->check();
        if (!book->workbook) throw AutomationError(kDisconnected);
        return *book->workbook;
    }
};

class ChartAreaImpl : public office::ExcelChartArea {
public:
    ChartAreaImpl(Handle handle, const engine::Workbook::Sheet* sheet, int chart)
        : m_handle(std::move(handle)), m_sheet(sheet), m_chart(chart) {}

    void Copy() override {
        const engine::Workbook& workbook = m_handle.workbook();
        QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                    ? QGuiApplication::clipboard()
                                    : nullptr;
        if (!clipboard) throw AutomationError(QStringLiteral("ChartArea.Copy: no clipboard to copy to"));
        QByteArray bytes;
        try {
            const engine::ChartPackage package =
                engine::collectChart(workbook, *m_sheet, m_sheet->chartObjects[size_t(m_chart)]);
            bytes = engine::chartPackageToBytes(package);
        } catch (const engine::DocumentError& e) {
            throw AutomationError(e.message());
        }
        auto* mime = new QMimeData;
        mime->setData(QString::fromLatin1(engine::kChartPackageMime), bytes);
        clipboard->setMimeData(mime);
    }

private:
    Handle m_handle;
    const engine::Workbook::Sheet* m_sheet;
    int m_chart;
};

class ChartImpl : public office::ExcelChart {
public:
    ChartImpl(Handle handle, const engine::Workbook::Sheet* sheet, int chart)
        : m_handle(std::move(handle)), m_sheet(sheet), m_chart(chart) {}

    QString Name() override {
        m_handle.workbook();
        return m_sheet->name + u' ' + m_sheet->chartObjects[size_t(m_chart)].name;
    }
    std::shared_ptr<office::ExcelChartArea> ChartArea() override {
        m_handle.workbook();
        return std::make_shared<ChartAreaImpl>(m_handle, m_sheet, m_chart);
    }
    office::ExcelChartFacts Facts() override {
        const engine::Workbook& workbook = m_handle.workbook();
        const engine::Workbook::ChartObject& object = m_sheet->chartObjects[size_t(m_chart)];
        office::ExcelChartFacts facts;
        try {
            const engine::ChartSummary summary = engine::readChartSummary(
                workbook.package().read(object.chartPart), workbook.displayName(), object.chartPart);
            facts.kind = summary.kind;
            facts.title = summary.title;
            facts.seriesCount = int(summary.series.size());
            std::tie(facts.widthEmu, facts.heightEmu) = workbook.chartSize(*m_sheet, object);
        } catch (const engine::DocumentError& e) {
            throw AutomationError(e.message());
        }
        return facts;
    }

private:
    Handle m_handle;
    const engine::Workbook::Sheet* m_sheet;
    int m_chart;
};

class ChartObjectImpl : public office::ExcelChartObject {
public:
    ChartObjectImpl(Handle handle, const engine::Workbook::Sheet* sheet, int chart)
        : m_handle(std::move(handle)), m_sheet(sheet), m_chart(chart) {}

    QString Name() override {
        m_handle.workbook();
        return m_sheet->chartObjects[size_t(m_chart)].name;
    }
    std::shared_ptr<office::ExcelChart> Chart() override {
        m_handle.workbook();
        return std::make_shared<ChartImpl>(m_handle, m_sheet, m_chart);
    }

private:
    Handle m_handle;
    const engine::Workbook::Sheet* m_sheet;
    int m_chart;
};

class ChartObjectsImpl : public office::ExcelChartObjects {
public:
    ChartObjectsImpl(Handle handle, const engine::Workbook::Sheet* sheet)
        : m_handle(std::move(handle)), m_sheet(sheet) {}

    int Count() override {
        m_handle.workbook();
        return int(m_sheet->chartObjects.size());
    }
    std::shared_ptr<office::ExcelChartObject> Item(int index) override {
        m_handle.workbook();
        if (index < 1 || index > int(m_sheet->chartObjects.size())) throw AutomationError(kSubscriptOutOfRange);
        return std::make_shared<ChartObjectImpl>(m_handle, m_sheet, index - 1);
    }

private:
    Handle m_handle;
    const engine::Workbook::Sheet* m_sheet;
};

class WorksheetImpl : public office::ExcelWorksheet {
public:
    WorksheetImpl(Handle handle, const engine::Workbook::Sheet* sheet)
        : m_handle(std::move(handle)), m_sheet(sheet) {}

    QString Name() override {
        m_handle.workbook();
        return m_sheet->name;
    }
    std::shared_ptr<office::ExcelChartObjects> ChartObjects() override {
        m_handle.workbook();
        return std::make_shared<ChartObjectsImpl>(m_handle, m_sheet);
    }

private:
    Handle m_handle;
    const engine::Workbook::Sheet* m_sheet;
};

class WorksheetsImpl : public office::ExcelWorksheets {
public:
    explicit WorksheetsImpl(Handle handle) : m_handle(std::move(handle)) {}

    int Count() override { return int(m_handle.workbook().worksheets().size()); }
    std::shared_ptr<office::ExcelWorksheet> Item(int index) override {
        const auto sheets = m_handle.workbook().worksheets();
        if (index < 1 || index > int(sheets.size())) throw AutomationError(kSubscriptOutOfRange);
        return std::make_shared<WorksheetImpl>(m_handle, sheets[size_t(index - 1)]);
    }
    std::shared_ptr<office::ExcelWorksheet> Item(const QString& name) override {
        for (const engine::Workbook::Sheet* sheet : m_handle.workbook().worksheets()) {
            if (sheet->name.compare(name, Qt::CaseInsensitive) == 0) {
                return std::make_shared<WorksheetImpl>(m_handle, sheet);
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
        m_handle.workbook();
        return QFileInfo(m_handle.book->path).fileName();
    }
    std::shared_ptr<office::ExcelWorksheets> Worksheets() override {
        m_handle.workbook();
        return std::make_shared<WorksheetsImpl>(m_handle);
    }

private:
    Handle m_handle;
};

enum class Content { Missing, Unreadable, Zip, Compound, Other };

Content sniff(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) return Content::Missing;
    if (!file.open(QIODevice::ReadOnly)) return Content::Unreadable;
    const QByteArray head = file.read(8);
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) return Content::Zip;
    if (head == QByteArray::fromHex("D0CF11E0A1B11AE1")) return Content::Compound;
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
    const Content content = sniff(path);
    if (content == Content::Missing) {
        throw AutomationError(QStringLiteral("Sorry, we couldn't find %1. Is it possible it was moved, "
                                             "renamed or deleted?")
                                  .arg(path));
    }
    if (content == Content::Unreadable) {
        throw AutomationError(QStringLiteral("%1: the file cannot be read (no permission?)").arg(path));
    }
    const bool direct = content == Content::Zip ? !isConvertedZipExtension(path)
                                                : content == Content::Other && isOpenXmlWorkbookExtension(path);
    try {
        if (direct) {
            book->workbook = engine::Workbook::open(path);
            return book;
        }
        const QByteArray converted = engine::LegacyConverter::convert(path, QStringLiteral("xlsx"));
        book->converted = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillmere-book-XXXXXX"));
        const QString copy = book->converted->filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".xlsx"));
        QFile out(copy);
        if (!book->converted->isValid() || !out.open(QIODevice::WriteOnly) || out.write(converted) != converted.size()) {
            throw AutomationError(QStringLiteral("%1: no room for the converted copy in the temporary folder")
                                      .arg(QFileInfo(path).fileName()));
        }
        out.close();
        try {
            book->workbook = engine::Workbook::open(copy);
        } catch (const engine::DocumentError& e) {
            throw AutomationError(QStringLiteral("%1 (as converted by LibreOffice): %2")
                                      .arg(QFileInfo(path).fileName(), e.message()));
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

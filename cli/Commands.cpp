#include "cli/Commands.h"

#include "office/Excel.h"
#include "office/PowerPoint.h"
#include "office/ServerRegistry.h"
#include "platform/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace cli {

namespace {

using office::AutomationError;

// An object the automation layer handed back, held for as long as it is used; an empty
// reference is a missing object, as one never set.
template <typename T>
std::shared_ptr<T> need(std::shared_ptr<T> object) {
    if (!object) throw AutomationError(QString::fromLatin1(platform::runtime::kObjectNotSet));
    return object;
}

// One line naming the file: the server's own description when it names the file already,
// else the path in front of it.
QString aboutFile(const QString& path, const QString& description) {
    const QString name = QFileInfo(path).fileName();
    if (!name.isEmpty() && description.contains(name)) return description;
    return path + QStringLiteral(": ") + description;
}

// One line about one chart of a workbook: the workbook, the chart, then what is wrong, without
// the file's name a second time when the description begins with it.
QString aboutChart(const QString& path, const QString& chart, QString description) {
    const QString prefix = QFileInfo(path).fileName() + QStringLiteral(": ");
    if (description.startsWith(prefix)) description.remove(0, prefix.size());
    return path + QStringLiteral(": chart ") + chart + QStringLiteral(": ") + description;
}

// An input the command is about to read: a readable plain file.
void requireReadable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) throw CommandError(status::kUnreadableInput, path + QStringLiteral(": no such file"));
    if (info.isDir()) throw CommandError(status::kUnreadableInput, path + QStringLiteral(": is a folder, not a file"));
    if (!info.isReadable()) {
        throw CommandError(status::kUnreadableInput, path + QStringLiteral(": cannot be read (no permission)"));
    }
}

QString canonicalOrAbsolute(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// The output is checked before any work, so that a run that could never save fails at once;
// the save itself is atomic and is the final word.
void requireWritableOutput(const QString& output, const QList<Source>& sources) {
    const QFileInfo info(output);
    const QString target = canonicalOrAbsolute(output);
    for (const Source& source : sources) {
        if (canonicalOrAbsolute(source.workbook) == target) {
            throw CommandError(status::kUsage,
                               output + QStringLiteral(": is one of the workbooks; workbooks are only read"));
        }
    }
    if (info.isDir()) throw CommandError(status::kOutputNotWritable, output + QStringLiteral(": is a folder"));
    // The save would replace it by a rename, which a read-only file does not prevent.
    if (info.exists() && !info.isWritable()) {
        throw CommandError(status::kOutputNotWritable, output + QStringLiteral(": the file is read-only"));
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir()) {
        throw CommandError(status::kOutputNotWritable, output + QStringLiteral(": the folder does not exist"));
    }
    if (!folder.isWritable()) {
        throw CommandError(status::kOutputNotWritable,
                           output + QStringLiteral(": cannot write in ") + QDir::toNativeSeparators(folder.filePath()));
    }
}

// A spreadsheet application with one workbook open; quit, alerts off, when it goes.
class OpenWorkbook {
public:
    explicit OpenWorkbook(const QString& path) : m_path(path) {
        requireReadable(path);
        try {
            m_excel = office::createObject<office::ExcelApplication>(QString::fromLatin1(office::kExcelProgId));
            need(m_excel->Workbooks())->Open(path);
        } catch (const AutomationError& e) {
            quit();
            throw CommandError(status::kUnreadableInput, aboutFile(path, e.description()));
        }
    }
    ~OpenWorkbook() { quit(); }
    OpenWorkbook(const OpenWorkbook&) = delete;
    OpenWorkbook& operator=(const OpenWorkbook&) = delete;

    office::ExcelApplication& excel() { return *m_excel; }
    const QString& path() const { return m_path; }

private:
    void quit() {
        if (!m_excel) return;
        try {
            m_excel->setDisplayAlerts(false);
            m_excel->Quit();
        } catch (const AutomationError&) {
            // Already ended: nothing of it is left to release.
        }
        m_excel.reset();
    }

    QString m_path;
    std::shared_ptr<office::ExcelApplication> m_excel;
};

// The charts of one source to copy, in order: those named, checked against the workbook, or
// every chart in the window's order.
QList<ChartRef> chartsToCopy(const Source& source, OpenWorkbook& book) {
    QList<ChartRef> charts;
    try {
        const auto worksheets = need(need(book.excel().ActiveWorkbook())->Worksheets());
        if (source.charts.isEmpty()) {
            const int sheetCount = worksheets->Count();
            for (int i = 1; i <= sheetCount; ++i) {
                const auto worksheet = need(worksheets->Item(i));
                const int chartCount = need(worksheet->ChartObjects())->Count();
                const QString name = chartCount > 0 ? worksheet->Name() : QString();
                for (int j = 1; j <= chartCount; ++j) charts.append(ChartRef{name, j});
            }
            return charts;
        }
        for (const ChartRef& ref : source.charts) {
            std::shared_ptr<office::ExcelWorksheet> worksheet;
            try {
                worksheet = need(worksheets->Item(ref.sheet));
            } catch (const AutomationError&) {
                throw CommandError(status::kUnreadableInput,
                                   source.workbook + QStringLiteral(": --chart %1: no worksheet named \"%2\"")
                                       .arg(ref.text(), ref.sheet));
            }
            const int count = need(worksheet->ChartObjects())->Count();
            if (ref.index > count) {
                throw CommandError(status::kUnreadableInput,
                                   source.workbook + QStringLiteral(": --chart %1: worksheet \"%2\" has %3 chart(s)")
                                       .arg(ref.text(), ref.sheet)
                                       .arg(count));
            }
            charts.append(ref);
        }
    } catch (const AutomationError& e) {
        throw CommandError(status::kUnreadableInput, aboutFile(source.workbook, e.description()));
    }
    return charts;
}

// The copy run's steps for one chart: the chart area to the clipboard, a blank slide at the
// end, that slide selected, the paste.
void copyChart(OpenWorkbook& book, const ChartRef& chart, office::PptApplication& powerPoint,
               office::PptPresentation& target) {
    try {
        const auto worksheets = need(need(book.excel().ActiveWorkbook())->Worksheets());
        const auto objects = need(need(worksheets->Item(chart.sheet))->ChartObjects());
        need(need(need(objects->Item(chart.index))->Chart())->ChartArea())->Copy();
        const auto slides = need(target.Slides());
        slides->Add(slides->Count() + 1, office::ppLayoutBlank);
        need(slides->Item(slides->Count()))->Select();
        need(need(powerPoint.ActiveWindow())->View())->Paste();
    } catch (const AutomationError& e) {
        throw CommandError(status::kUnreadableInput, aboutChart(book.path(), chart.text(), e.description()));
    }
}

// The signals that end a process from a terminal or a job control wait while a save runs: a
// save interrupted half-way would leave its temporary file behind, one let finish leaves the
// whole file. At any other time nothing has been written, and they end the process at once.
std::atomic<bool> g_saving{false};
volatile std::sig_atomic_t g_pendingSignal = 0;

extern "C" void endOnSignal(int signal) {
    if (g_saving.load()) {
        g_pendingSignal = signal;
        return;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class SaveGuard {
public:
    SaveGuard() { g_saving = true; }
    ~SaveGuard() {
        g_saving = false;
        if (const int signal = g_pendingSignal) endOnSignal(signal);
    }
    SaveGuard(const SaveGuard&) = delete;
    SaveGuard& operator=(const SaveGuard&) = delete;
};

// A signal the process was started to ignore (nohup, a background job) stays ignored.
void deferEndingSignalsDuringSaves() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        if (std::signal(signal, endOnSignal) == SIG_IGN) std::signal(signal, SIG_IGN);
    }
}

}  // namespace

int runList(const Options& options, Console& console) {
    const QString& path = options.sources.front().workbook;
    OpenWorkbook book(path);
    std::vector<ListedChart> charts;
    try {
        charts = listCharts(book.excel());
    } catch (const AutomationError& e) {
        throw CommandError(status::kUnreadableInput, aboutFile(path, e.description()));
    }
    if (options.json) console.result(listAsJson(charts));
    else console.result(listAsText(charts));
    if (charts.empty()) console.notice(QStringLiteral("No charts found within file."));
    // Every row is listed, as the window lists it; a chart that cannot be read is still an
    // unreadable input, said once per chart.
    int result = status::kSuccess;
    for (const ListedChart& chart : charts) {
        if (chart.problem.isEmpty()) continue;
        const QString chartText = chart.sheetName + u':' + QString::number(chart.chartIndex);
        std::fprintf(stderr, "quillmere-cli: %s\n",
                     aboutChart(path, chartText, chart.problem).toLocal8Bit().constData());
        result = status::kUnreadableInput;
    }
    return result;
}

int runCopy(const Options& options, Console& console) {
    for (const Source& source : options.sources) requireReadable(source.workbook);
    if (!options.into.isEmpty()) requireReadable(options.into);
    requireWritableOutput(options.output, options.sources);
    deferEndingSignalsDuringSaves();

    std::shared_ptr<office::PptApplication> powerPoint;
    std::shared_ptr<office::PptPresentation> target;
    try {
        powerPoint = office::createObject<office::PptApplication>(QString::fromLatin1(office::kPowerPointProgId));
        const auto presentations = need(powerPoint->Presentations());
        // Untitled: the deck is read into a presentation that names no file, so only the
        // save below writes anything, and only to OUT.
        target = options.into.isEmpty()
                     ? presentations->Add(office::msoTrue)
                     : presentations->Open(options.into, office::msoFalse, office::msoTrue, office::msoTrue);
        need(target);
    } catch (const AutomationError& e) {
        const QString source = options.into.isEmpty() ? QStringLiteral("new presentation") : options.into;
        throw CommandError(status::kUnreadableInput, aboutFile(source, e.description()));
    }

    int copied = 0;
    for (const Source& source : options.sources) {
        OpenWorkbook book(source.workbook);
        const QList<ChartRef> charts = chartsToCopy(source, book);
        if (charts.isEmpty()) {
            console.notice(source.workbook + QStringLiteral(": No charts found within file."));
            continue;
        }
        const QString name = QFileInfo(source.workbook).fileName();
        for (int i = 0; i < charts.size(); ++i) {
            console.progress(QStringLiteral("%1: chart %2 of %3 (%4)")
                                 .arg(name)
                                 .arg(i + 1)
                                 .arg(charts.size())
                                 .arg(charts[i].text()));
            copyChart(book, charts[i], *powerPoint, *target);
            ++copied;
        }
    }
    console.progress(QStringLiteral("Saving %1").arg(options.output));
    try {
        const SaveGuard guard;
        target->SaveAs(QFileInfo(options.output).absoluteFilePath());
    } catch (const AutomationError& e) {
        throw CommandError(status::kOutputNotWritable, aboutFile(options.output, e.description()));
    }
    console.progress(QString());
    if (copied == 0) console.notice(QStringLiteral("No charts."));
    return status::kSuccess;
}

int runRender(const Options& options, Console&) {
    // The arguments were checked, so a script learns of a wrong call before it learns that this
    // build cannot draw; drawing waits for the chart renderer.
    Q_UNUSED(options);
    throw CommandError(status::kNotAvailable,
                       QStringLiteral("render: not available in this build (it has no chart renderer yet)"));
}

}  // namespace cli

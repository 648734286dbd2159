#include "cli/Commands.h"

#include "office/Excel.h"
#include "office/PowerPoint.h"
#include "office/ServerRegistry.h"
#include "platform/Failure.h"
#include "refresh/DeckRefresh.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace cli {

namespace {

using office::AutomationError;

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

// The folder pictures go to. Checked before any work: an existing folder must be writable, a
// missing one must be possible to make in the nearest folder above it that exists. It is made
// only when the first picture is about to be written, and taken away again (the levels this
// run made, when empty) if no picture was.
class OutputFolder {
public:
    explicit OutputFolder(const QString& path) : m_path(path) {
        QFileInfo info(path);
        if (info.exists() && !info.isDir()) {
            throw CommandError(status::kOutputNotWritable, path + QStringLiteral(": is a file, not a folder"));
        }
        QString existing = QFileInfo(path).absoluteFilePath();
        while (!QFileInfo(existing).exists()) {
            m_made.prepend(existing);
            existing = QFileInfo(existing).absolutePath();
        }
        if (!QFileInfo(existing).isDir()) {
            throw CommandError(status::kOutputNotWritable,
                               path + QStringLiteral(": ") + QDir::toNativeSeparators(existing) + QStringLiteral(" is not a folder"));
        }
        if (!QFileInfo(existing).isWritable()) {
            throw CommandError(status::kOutputNotWritable,
                               path + QStringLiteral(": cannot write in ") + QDir::toNativeSeparators(existing));
        }
    }
    ~OutputFolder() {
        if (m_written) return;
        for (auto level = m_made.crbegin(); level != m_made.crend(); ++level) QDir().rmdir(*level);
    }
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Makes the folder if it is missing; before each picture.
    void make() {
        if (!m_made.isEmpty() && !QDir().mkpath(m_path)) {
            throw CommandError(status::kOutputNotWritable, m_path + QStringLiteral(": the folder cannot be made"));
        }
    }
    void written() { m_written = true; }
    QString filePath(const QString& name) const { return QDir(m_path).filePath(name); }

private:
    QString m_path;
    QStringList m_made;  // the levels missing at the start, outermost first
    bool m_written = false;
};

// A sheet name as part of a file name: characters that are no file name's on some system
// (path separators, wildcards, quotes, control characters), and dots and blanks at either end,
// become '_'; a leading '-' too, so that no name reads as an option. At most 150 bytes of
// UTF-8, well inside any file system's limit with the index and extension added.
QString safeSheetName(const QString& sheet) {
    QString name;
    for (const QChar c : sheet) {
        const bool unsafe = c.unicode() < 0x20 || c.unicode() == 0x7f || QStringLiteral("/\\:*?\"<>|").contains(c);
        name.append(unsafe ? u'_' : c);
    }
    while (name.toUtf8().size() > 150) name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    for (qsizetype i = 0; i < name.size() && (name[i] == u'.' || name[i] == u' ' || name[i] == u'-'); ++i) name[i] = u'_';
    for (qsizetype i = name.size() - 1; i >= 0 && (name[i] == u'.' || name[i] == u' '); --i) name[i] = u'_';
    return name.isEmpty() ? QStringLiteral("_") : name;
}

// One file name per chart, "<sheet>-<index>.<extension>", or "<sheet>.<extension>" for a chart
// sheet's. Two sheets whose names come out alike (ignoring case) keep apart: the later one's
// part gets "_2", "_3"...; so does a chart sheet whose name would be that of a worksheet's
// chart ("Q1-2" beside chart 2 of "Q1").
QStringList pictureFileNames(const QList<ChartRef>& charts, const QString& extension) {
    QHash<QString, QString> partOfSheet;  // the sheet's name as given, lower case -> its part
    QSet<QString> taken;                  // parts in use, lower case
    QSet<QString> worksheetNames;         // names of the worksheets' pictures, lower case
    for (const ChartRef& chart : charts) {
        if (!chart.isChartSheet()) {
            worksheetNames.insert((safeSheetName(chart.sheet) + u'-' + QString::number(chart.index)).toLower());
        }
    }
    QStringList names;
    for (const ChartRef& chart : charts) {
        const QString key = chart.sheet.toLower();
        auto part = partOfSheet.find(key);
        if (part == partOfSheet.end()) {
            const QString base = safeSheetName(chart.sheet);
            QString candidate = base;
            const auto clashes = [&](const QString& name) {
                return taken.contains(name.toLower()) || (chart.isChartSheet() && worksheetNames.contains(name.toLower()));
            };
            for (int n = 2; clashes(candidate); ++n) candidate = base + u'_' + QString::number(n);
            taken.insert(candidate.toLower());
            part = partOfSheet.insert(key, candidate);
        }
        names.append(chart.isChartSheet() ? *part + u'.' + extension
                                          : *part + u'-' + QString::number(chart.index) + u'.' + extension);
    }
    return names;
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

// Whether the workbook has a chart sheet of that name; a server that reaches no chart sheets
// has none.
bool chartSheetExists(OpenWorkbook& book, const QString& name) {
    try {
        need(need(need(book.excel().ActiveWorkbook())->Charts())->Item(name));
        return true;
    } catch (const AutomationError&) {
        return false;
    }
}

// A chart sheet named by --chart SHEET, as the workbook spells it.
ChartRef chartSheetNamed(const Source& source, OpenWorkbook& book, const ChartRef& ref) {
    const auto workbook = need(book.excel().ActiveWorkbook());
    std::shared_ptr<office::ExcelChart> chart;
    try {
        chart = need(need(workbook->Charts())->Item(ref.sheet));
    } catch (const AutomationError&) {
        bool worksheet = false;
        try {
            need(need(workbook->Worksheets())->Item(ref.sheet));
            worksheet = true;
        } catch (const AutomationError&) {
        }
        if (worksheet) {
            throw CommandError(status::kUnreadableInput,
                               source.workbook + QStringLiteral(": --chart %1: \"%1\" is a worksheet; name its chart "
                                                                "as SHEET:INDEX (--chart \"%1:1\")")
                                   .arg(ref.sheet));
        }
        throw CommandError(status::kUnreadableInput,
                           source.workbook + QStringLiteral(": --chart %1: no chart sheet named \"%1\"").arg(ref.sheet));
    }
    return ChartRef{chart->Name(), 0};
}

// The chart a reference names in the open workbook: a worksheet's chart object's chart, or a
// chart sheet.
std::shared_ptr<office::ExcelChart> chartNamed(OpenWorkbook& book, const ChartRef& ref) {
    const auto workbook = need(book.excel().ActiveWorkbook());
    if (ref.isChartSheet()) return need(need(workbook->Charts())->Item(ref.sheet));
    const auto objects = need(need(need(workbook->Worksheets())->Item(ref.sheet))->ChartObjects());
    return need(need(objects->Item(ref.index))->Chart());
}

// The charts of one source to copy or draw, in order: those named, checked against the
// workbook, or every chart in the window's order.
QList<ChartRef> chartsToTake(const Source& source, OpenWorkbook& book) {
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
            if (ref.isChartSheet()) {
                charts.append(chartSheetNamed(source, book, ref));
                continue;
            }
            std::shared_ptr<office::ExcelWorksheet> worksheet;
            try {
                worksheet = need(worksheets->Item(ref.sheet));
            } catch (const AutomationError&) {
                if (chartSheetExists(book, ref.sheet)) {
                    throw CommandError(status::kUnreadableInput,
                                       source.workbook + QStringLiteral(": --chart %1: \"%2\" is a chart sheet; "
                                                                        "name it without an index (--chart \"%2\")")
                                           .arg(ref.text(), ref.sheet));
                }
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
            // The sheet as the workbook spells it, whatever the case it was named in.
            charts.append(ChartRef{worksheet->Name(), ref.index});
        }
    } catch (const AutomationError& e) {
        throw CommandError(status::kUnreadableInput, aboutFile(source.workbook, e.description()));
    }
    return charts;
}

// The copy run's steps for one chart: the chart area to the clipboard, a blank slide at the
// end, that slide selected, the paste.
void copyChart(OpenWorkbook& book, const ChartRef& chart, office::PptApplication& powerPoint,
               office::PptPresentation& target, bool keepSourceFormatting) {
    try {
        need(chartNamed(book, chart)->ChartArea())->Copy();
        const auto slides = need(target.Slides());
        slides->Add(slides->Count() + 1, office::ppLayoutBlank);
        need(slides->Item(slides->Count()))->Select();
        const auto view = need(need(powerPoint.ActiveWindow())->View());
        // Chosen here whatever the window's setting says, so that a copy is the same on any
        // machine.
        if (keepSourceFormatting) view->PasteSourceFormatting();
        else view->PasteDestinationTheme();
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
        charts = listCharts(book.excel(), options.chartSheets);
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
        const QString chartText =
            chart.chartSheet ? chart.sheetName : chart.sheetName + u':' + QString::number(chart.chartIndex);
        std::fprintf(stderr, "quillmere-cli: %s\n",
                     aboutChart(path, chartText, chart.problem).toLocal8Bit().constData());
        result = status::kUnreadableInput;
    }
    return result;
}

namespace {

// The charts a copy pasted (on the slides after the first `firstSlide`), linked to their
// workbooks instead of embedding them: by the workbook's file name when it lies beside the
// deck, else by its file URI. The deck is written again, atomically.
void linkCopiedCharts(const QString& output, int firstSlide) {
    try {
        engine::Presentation deck = engine::Presentation::open(output);
        const QString folder = QFileInfo(output).absolutePath();
        for (const auto& frame : deck.chartFrames()) {
            if (frame.slide < firstSlide || !frame.provenance || frame.chartex) continue;
            deck.linkChart(frame, engine::workbookLinkTarget(frame.provenance->workbook, folder));
        }
        const SaveGuard guard;
        deck.save(QFileInfo(output).absoluteFilePath());
    } catch (const engine::DocumentError& e) {
        throw CommandError(status::kOutputNotWritable, aboutFile(output, e.message()));
    }
}

}  // namespace

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
        const QList<ChartRef> charts = chartsToTake(source, book);
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
            copyChart(book, charts[i], *powerPoint, *target, options.keepSourceFormatting);
            ++copied;
        }
    }
    console.progress(QStringLiteral("Saving %1").arg(options.output));
    const int slidesBefore = options.into.isEmpty() ? 0 : int(target->Slides()->Count()) - copied;
    try {
        const SaveGuard guard;
        target->SaveAs(QFileInfo(options.output).absoluteFilePath());
    } catch (const AutomationError& e) {
        throw CommandError(status::kOutputNotWritable, aboutFile(options.output, e.description()));
    }
    if (options.link) linkCopiedCharts(options.output, slidesBefore);
    console.progress(QString());
    if (copied == 0) console.notice(QStringLiteral("No charts."));
    return status::kSuccess;
}

int runRender(const Options& options, Console& console) {
    const Source& source = options.sources.front();
    // Every drawing takes its separators from the default locale, the user's unless named.
    if (!options.locale.isEmpty()) QLocale::setDefault(QLocale(options.locale.section(u'.', 0, 0).section(u'@', 0, 0)));
    requireReadable(source.workbook);
    OutputFolder folder(options.output);
    deferEndingSignalsDuringSaves();

    OpenWorkbook book(source.workbook);
    const QList<ChartRef> charts = chartsToTake(source, book);
    if (charts.isEmpty()) {
        console.notice(QStringLiteral("No charts found within file."));
        return status::kSuccess;
    }
    const QString filter = options.format.toUpper();
    office::ExcelPictureSize size;
    if (options.scale > 0) size.scale = options.scale;
    size.widthPixels = options.width;
    size.heightPixels = options.height;
    const QStringList names = pictureFileNames(charts, options.format);
    const QString workbookName = QFileInfo(source.workbook).fileName();

    // A chart that cannot be read is said and skipped, as list goes on past one; a picture that
    // cannot be written ends the run, as every other would fail alike.
    int result = status::kSuccess;
    for (int i = 0; i < charts.size(); ++i) {
        const ChartRef& chart = charts[i];
        console.progress(QStringLiteral("%1: chart %2 of %3 (%4)")
                             .arg(workbookName)
                             .arg(i + 1)
                             .arg(charts.size())
                             .arg(chart.text()));
        const QString path = folder.filePath(names[i]);
        try {
            const auto picture = chartNamed(book, chart);
            folder.make();
            const SaveGuard guard;
            picture->Export(QFileInfo(path).absoluteFilePath(), filter, size);
            folder.written();
        } catch (const office::PictureFileError& e) {
            throw CommandError(status::kOutputNotWritable, aboutFile(path, e.description()));
        } catch (const AutomationError& e) {
            console.progress(QString());
            std::fprintf(stderr, "quillmere-cli: %s\n",
                         aboutChart(source.workbook, chart.text(), e.description()).toLocal8Bit().constData());
            result = status::kUnreadableInput;
        }
    }
    console.progress(QString());
    return result;
}

namespace {

const char* outcomeName(refresh::ChartResult::Outcome outcome) {
    switch (outcome) {
    case refresh::ChartResult::Outcome::Updated:
        return "updated";
    case refresh::ChartResult::Outcome::Unchanged:
        return "unchanged";
    case refresh::ChartResult::Outcome::WorkbookMissing:
        return "workbook-missing";
    case refresh::ChartResult::Outcome::ChartMissing:
        return "chart-missing";
    case refresh::ChartResult::Outcome::Failed:
        break;
    }
    return "failed";
}

}  // namespace

int runRefresh(const Options& options, Console& console) {
    if (!options.output.isEmpty()) requireWritableOutput(options.output, {});
    deferEndingSignalsDuringSaves();
    refresh::RefreshOptions refreshOptions;
    refreshOptions.replace = options.replace;
    for (const auto& [from, to] : options.workbookMap) refreshOptions.workbookMap.emplace_back(from, to);
    refresh::WorkbookShelf shelf;  // a workbook several decks take charts from is read once

    int result = status::kSuccess;
    QJsonArray records;
    QByteArray lines;
    for (const Source& deck : options.sources) {
        const QString path = deck.workbook;
        console.progress(QStringLiteral("Refreshing %1").arg(path));
        std::optional<engine::Presentation> presentation;
        try {
            requireReadable(path);
            presentation.emplace(engine::Presentation::open(path));
        } catch (const CommandError& e) {
            std::fprintf(stderr, "quillmere-cli: %s\n", e.message().toLocal8Bit().constData());
            result = std::max(result, status::kUnreadableInput);
            continue;
        } catch (const engine::DocumentError& e) {
            std::fprintf(stderr, "quillmere-cli: %s\n", aboutFile(path, e.message()).toLocal8Bit().constData());
            result = std::max(result, status::kUnreadableInput);
            continue;
        }
        std::vector<refresh::ChartResult> charts;
        try {
            charts = refresh::refreshPresentation(*presentation, path, refreshOptions, shelf);
        } catch (const engine::DocumentError& e) {
            std::fprintf(stderr, "quillmere-cli: %s\n", aboutFile(path, e.message()).toLocal8Bit().constData());
            result = std::max(result, status::kUnreadableInput);
            continue;
        }
        bool changed = false;
        for (const refresh::ChartResult& chart : charts) {
            changed = changed || chart.deckChanged;
            if (chart.outcome != refresh::ChartResult::Outcome::Updated &&
                chart.outcome != refresh::ChartResult::Outcome::Unchanged) {
                result = std::max(result, status::kUnreadableInput);
            }
            if (options.json) {
                QJsonObject record;
                record[QStringLiteral("deck")] = path;
                record[QStringLiteral("slide")] = chart.slide;
                record[QStringLiteral("chart")] = chart.chart;
                record[QStringLiteral("source")] = chart.source;
                record[QStringLiteral("workbook")] = chart.workbook;
                record[QStringLiteral("outcome")] = QString::fromLatin1(outcomeName(chart.outcome));
                record[QStringLiteral("change")] = chart.what;
                records.append(record);
            } else {
                lines += QStringLiteral("%1: slide %2, %3 (%4): %5\n")
                             .arg(path)
                             .arg(chart.slide)
                             .arg(chart.chart, chart.source, chart.what)
                             .toUtf8();
            }
        }
        // A deck with no chart from a workbook, or none changed, is not rewritten; OUT is written
        // whenever the deck has charts to refresh, so that a script finds it.
        const QString target = options.output.isEmpty() ? path : options.output;
        const bool write = !options.dryRun && !charts.empty() && (changed || !options.output.isEmpty());
        if (charts.empty()) console.notice(path + QStringLiteral(": no chart from a workbook; left as it is"));
        if (!write) continue;
        try {
            const SaveGuard guard;
            presentation->save(QFileInfo(target).absoluteFilePath());
        } catch (const engine::DocumentError& e) {
            std::fprintf(stderr, "quillmere-cli: %s\n", aboutFile(target, e.message()).toLocal8Bit().constData());
            result = std::max(result, status::kOutputNotWritable);
        }
    }
    console.progress(QString());
    console.result(options.json ? QJsonDocument(records).toJson(QJsonDocument::Indented) : lines);
    return result;
}

}  // namespace cli

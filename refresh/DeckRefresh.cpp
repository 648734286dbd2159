#include "refresh/DeckRefresh.h"

#include "engine/chartcopy/ChartCaches.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartcopy/ChartDataUpdate.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/legacy/XlsCharts.h"
#include "engine/legacy/XlsStructure.h"
#include "engine/chartcopy/ChartInsertion.h"
#include "engine/package/OoxmlNames.h"
#include "engine/package/Xml.h"
#include "engine/workbook/CellReference.h"
#include "engine/workbook/Workbook.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>

namespace refresh {

namespace {

// Workbook formats the engine reads only through LibreOffice.
bool isConvertedWorkbook(const QString& path) {
    static const QStringList kConverted = {QStringLiteral("ods"), QStringLiteral("ots"), QStringLiteral("xlsb")};
    return kConverted.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

QString sourceText(const engine::ChartProvenance& p) {
    QStringList parts{QFileInfo(p.workbook).fileName(), p.sheet, p.chart};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

// Ranges with their sheet names taken off ("Data!$B$2:$B$5" -> "$B$2:$B$5"), to compare the
// ranges of a chart whose sheet may have been renamed.
QStringList withoutSheetNames(const QStringList& ranges) {
    QStringList bare;
    for (const QString& range : ranges) bare << range.section(u'!', -1);
    return bare;
}

}  // namespace

// One workbook as a refresh reads it: the engine's workbook, or the native reader of a legacy
// .xls, or the failure to read it, remembered so that it is not tried again.
struct WorkbookShelf::Book {
    std::unique_ptr<engine::Workbook> workbook;
    std::unique_ptr<engine::XlsWorkbook> xls;
    std::unique_ptr<QTemporaryDir> converted;
    std::optional<engine::DocumentError> failure;

    // The sheets by name with their charts' names, whichever reader holds them.
    struct ListedSheet {
        QString name;
        QStringList charts;
    };
    std::vector<ListedSheet> sheets;
};

WorkbookShelf::WorkbookShelf() = default;
WorkbookShelf::~WorkbookShelf() = default;

WorkbookShelf::Book& WorkbookShelf::book(const QString& path) {
    const QString key = QFileInfo(path).absoluteFilePath();
    if (auto found = m_books.value(key)) return *found;
    auto book = std::make_shared<Book>();
    m_books.insert(key, book);
    ++m_opened;
    try {
        QFile file(key);
        if (!file.open(QIODevice::ReadOnly)) {
            throw engine::DocumentError(engine::DocumentError::Kind::Missing, QFileInfo(key).fileName(), QString(),
                                        file.exists() ? file.errorString() : QStringLiteral("no such file"));
        }
        const QByteArray head = file.read(8);
        file.close();
        if (head.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))) {
            book->xls = engine::XlsWorkbook::open(key);
            for (const engine::XlsStructure::Sheet* sheet : book->xls->structure().worksheets()) {
                Book::ListedSheet listed{sheet->name, {}};
                for (const auto& chart : sheet->chartObjects) listed.charts << chart.name;
                book->sheets.push_back(listed);
            }
            return *book;
        }
        QString readFrom = key;
        if (isConvertedWorkbook(key)) {
            const QByteArray bytes = engine::LegacyConverter::convert(key, QStringLiteral("xlsx"));
            book->converted = std::make_unique<QTemporaryDir>();
            readFrom = book->converted->filePath(QStringLiteral("converted.xlsx"));
            QFile out(readFrom);
            if (!book->converted->isValid() || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
                throw engine::DocumentError(
                    engine::DocumentError::Kind::Io, QFileInfo(key).fileName(), QString(),
                    QStringLiteral("no room for the converted copy in the temporary folder"));
            }
        }
        book->workbook = engine::Workbook::open(readFrom);
        for (const engine::Workbook::Sheet* sheet : book->workbook->worksheets()) {
            Book::ListedSheet listed{sheet->name, {}};
            for (const auto& chart : sheet->chartObjects) listed.charts << chart.name;
            book->sheets.push_back(listed);
        }
    } catch (const engine::DocumentError& e) {
        book->failure = e;
    }
    return *book;
}

std::optional<engine::ChartPackage> WorkbookShelf::chart(const QString& path, const engine::ChartProvenance& wanted,
                                                         const QStringList& taken, QString* how) {
    Book& b = book(path);
    if (b.failure) throw *b.failure;
    // The sheet by its name; when that is gone, the one sheet holding a chart of the name.
    int sheet = -1;
    for (size_t i = 0; i < b.sheets.size() && sheet < 0; ++i) {
        if (b.sheets[i].name.compare(wanted.sheet, Qt::CaseInsensitive) == 0) sheet = int(i);
    }
    if (sheet < 0) {
        for (size_t i = 0; i < b.sheets.size(); ++i) {
            if (!b.sheets[i].charts.contains(wanted.chart)) continue;
            if (sheet >= 0) return std::nullopt;  // several: which one is not known
            sheet = int(i);
        }
        if (sheet < 0) return std::nullopt;
        if (how) *how = QStringLiteral("sheet renamed to \"%1\"").arg(b.sheets[size_t(sheet)].name);
    }
    const Book::ListedSheet& listed = b.sheets[size_t(sheet)];
    int chart = int(listed.charts.indexOf(wanted.chart));
    const bool renamed = chart < 0;
    if (renamed) {
        // A chart renamed in the workbook keeps its place on the sheet.
        if (wanted.chartIndex < 1 || wanted.chartIndex > listed.charts.size()) return std::nullopt;
        chart = wanted.chartIndex - 1;
        if (taken.contains(listed.charts[chart], Qt::CaseInsensitive)) return std::nullopt;
        const QString renamed = QStringLiteral("chart renamed to \"%1\", matched by its place on the sheet")
                                    .arg(listed.charts[chart]);
        if (how) *how = how->isEmpty() ? renamed : *how + QStringLiteral(", ") + renamed;
    }
    engine::ChartPackage package;
    if (b.xls) {
        package = b.xls->chartPackage(*b.xls->structure().worksheets()[size_t(sheet)], chart);
    } else {
        const engine::Workbook::Sheet& s = *b.workbook->worksheets()[size_t(sheet)];
        package = engine::collectChart(*b.workbook, s, s.chartObjects[size_t(chart)]);
    }
    if (renamed && !wanted.seriesRanges.isEmpty()) {
        const QStringList now = withoutSheetNames(
            engine::chartSeriesRanges(package.chartPart().data, QFileInfo(path).fileName(), package.chartPart().name));
        const QStringList before = withoutSheetNames(wanted.seriesRanges);
        const auto shared = std::count_if(before.begin(), before.end(), [&](const QString& r) { return now.contains(r); });
        if (shared * 2 < before.size()) return std::nullopt;
    }
    package.sourceFile = QFileInfo(path).absoluteFilePath();
    package.chartIndex = chart;
    return package;
}

std::vector<engine::ChartPackage::Cell> WorkbookShelf::cells(const QString& path, const QStringList& formulas,
                                                             bool* date1904) {
    Book& b = book(path);
    if (b.failure) throw *b.failure;
    if (!b.workbook) {
        throw engine::DocumentError(
            engine::DocumentError::Kind::Unsupported, QFileInfo(path).fileName(), QString(),
            QStringLiteral("charts linked to a legacy .xls workbook are not refreshed"));
    }
    if (date1904) *date1904 = b.workbook->date1904();
    QHash<QString, std::vector<engine::CellRange>> bySheet;
    for (const QString& formula : formulas) {
        const auto ranges = engine::parseChartFormula(formula);
        if (!ranges) continue;
        for (const engine::CellRange& range : *ranges) bySheet[range.sheet].push_back(range);
    }
    std::vector<engine::ChartPackage::Cell> cells;
    for (auto it = bySheet.constBegin(); it != bySheet.constEnd(); ++it) {
        const auto read = b.workbook->readCells(it.key(), it.value());
        if (!read) continue;  // no such worksheet: those caches stay as they are
        for (const engine::Workbook::CellValue& cell : *read) {
            cells.push_back({it.key(), cell.row, cell.column, cell.value, cell.numberFormat});
        }
    }
    return cells;
}

namespace {

// The file a link of the office applications names, as a path here: "file:///C:\a\b.xlsx",
// "file:///\\server\share\b.xlsx", "/home/a/b.xlsx" or a relative "b.xlsx".
QString linkedWorkbookPath(const QString& target) {
    QString path = target;
    if (path.startsWith(QLatin1String("file:///"), Qt::CaseInsensitive)) path.remove(0, 8);
    else if (path.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) path.remove(0, 7);
    path.replace(u'\\', u'/');
    // "/home/..." lost its leading slash with "file:///"; a drive or a share did not have one.
    const bool drive = path.size() > 1 && path[1] == u':';
    if (target.startsWith(QLatin1String("file:///"), Qt::CaseInsensitive) && !drive && !path.startsWith(u'/')) path.prepend(u'/');
    if (path.contains(u'%') && !QFileInfo::exists(path)) path = QUrl::fromPercentEncoding(path.toUtf8());
    return path;
}

// Where a chart's workbook is now, or "" when it is found nowhere.
class WorkbookFinder {
public:
    WorkbookFinder(const QString& deckPath, const RefreshOptions& options) : m_options(options) {
        if (!deckPath.isEmpty()) m_deckFolder = QFileInfo(deckPath).absolutePath();
    }

    QString find(const engine::ChartProvenance& p) {
        const QString key = p.workbook + u'\n' + p.workbookRelative;
        const auto known = m_found.constFind(key);
        if (known != m_found.constEnd()) return *known;
        const QString found = search(p);
        m_found.insert(key, found);
        return found;
    }

private:
    QString search(const engine::ChartProvenance& p) {
        if (!m_deckFolder.isEmpty() && !p.workbookRelative.isEmpty()) {
            const QString beside = QDir::cleanPath(QDir(m_deckFolder).absoluteFilePath(p.workbookRelative));
            if (QFileInfo(beside).isFile()) return beside;
        }
        const QString name = QFileInfo(p.workbook).fileName();
        for (const auto& [from, to] : m_options.workbookMap) {
            const bool byName = !from.contains(u'/');
            if ((byName && from == name) || QFileInfo(from).absoluteFilePath() == p.workbook)
                return QFileInfo(to).absoluteFilePath();
        }
        if (QFileInfo(p.workbook).isFile()) return p.workbook;
        if (m_options.locate) {
            // Asked once per missing workbook: the answer holds for its other charts too.
            const QString chosen = m_options.locate(p.workbook);
            return chosen.isEmpty() ? QString() : QFileInfo(chosen).absoluteFilePath();
        }
        return {};
    }

public:
    // The workbook a link of the office applications names: the path as it is, then relative to
    // the deck, then a file of its name beside the deck, then the workbook map (the target as
    // written or its file name); "" when found nowhere.
    QString findLinked(const QString& target) {
        const QString path = linkedWorkbookPath(target);
        const QString name = path.section(u'/', -1);
        for (const auto& [from, to] : m_options.workbookMap) {
            if (from == target || from == name || from == path) return QFileInfo(to).absoluteFilePath();
        }
        const bool absolute = path.startsWith(u'/') && !path.startsWith(QLatin1String("//"));
        if (absolute && QFileInfo(path).isFile()) return path;
        if (!m_deckFolder.isEmpty()) {
            const bool drive = path.size() > 1 && path[1] == u':';
            if (!absolute && !drive && !path.startsWith(QLatin1String("//"))) {
                const QString relative = QDir::cleanPath(QDir(m_deckFolder).absoluteFilePath(path));
                if (QFileInfo(relative).isFile()) return relative;
            }
            const QString beside = QDir(m_deckFolder).absoluteFilePath(name);
            if (!name.isEmpty() && QFileInfo(beside).isFile()) return beside;
        }
        return {};
    }

private:
    const RefreshOptions& m_options;
    QString m_deckFolder;
    QHash<QString, QString> m_found;
};

QByteArray embeddedWorkbookOfParts(const engine::ChartParts& parts) {
    for (const auto& [name, type] : parts.types) {
        if (type != QLatin1String(engine::ooxml::ct::kXlsx)) continue;
        for (const auto& [partName, bytes] : parts.parts) {
            if (partName == name) return bytes;
        }
    }
    return {};
}

}  // namespace

namespace {

ChartResult refreshLinkedChart(engine::Presentation& presentation, const engine::Presentation::ChartFrame& frame,
                               const QString& target, WorkbookFinder& finder, WorkbookShelf& shelf) {
    ChartResult result;
    result.slide = frame.slide + 1;
    result.chart = frame.name;
    result.source = linkedWorkbookPath(target).section(u'/', -1) + QStringLiteral(", linked");
    const QString path = finder.findLinked(target);
    if (path.isEmpty()) {
        result.outcome = ChartResult::Outcome::WorkbookMissing;
        result.what = QStringLiteral("workbook missing: %1").arg(target);
        return result;
    }
    result.workbook = path;
    try {
        const QByteArray deckXml = presentation.partBytes(frame.chartPart);
        bool date1904 = false;
        std::vector<engine::ChartPackage::Cell> cells;
        try {
            cells = shelf.cells(path, engine::chartSeriesRanges(deckXml, presentation.name(), frame.chartPart), &date1904);
        } catch (const engine::DocumentError& e) {
            result.outcome = ChartResult::Outcome::WorkbookMissing;
            result.what = QStringLiteral("workbook unreadable: %1").arg(e.message());
            return result;
        }
        pugi::xml_document doc;
        engine::parseXml(doc, deckXml, presentation.name(), frame.chartPart);
        engine::fillChartCaches(doc, cells, date1904, true);
        const QByteArray refreshed = engine::xmlBytes(doc);
        engine::ChartDataChange change;
        engine::updateChartData(deckXml, refreshed, presentation.name(), frame.chartPart, &change);
        result.what = change.text();
        result.outcome = change.any() ? ChartResult::Outcome::Updated : ChartResult::Outcome::Unchanged;
        if (change.any()) {
            presentation.updateChart(frame, refreshed, QByteArray(), std::nullopt);
            result.deckChanged = true;
        }
        if (path != linkedWorkbookPath(target)) result.what += QStringLiteral(" (workbook found at %1)").arg(path);
    } catch (const engine::DocumentError& e) {
        result.outcome = ChartResult::Outcome::Failed;
        result.what = QStringLiteral("not updated: %1").arg(e.message());
    }
    return result;
}

}  // namespace

std::vector<ChartResult> refreshPresentation(engine::Presentation& presentation, const QString& deckPath,
                                             const RefreshOptions& options, WorkbookShelf& shelf) {
    std::vector<ChartResult> results;
    WorkbookFinder finder(deckPath, options);
    const std::vector<engine::Presentation::ChartFrame> frames = presentation.chartFrames();
    for (const engine::Presentation::ChartFrame& frame : frames) {
        if (!frame.provenance) {
            if (frame.chartex) continue;  // no link of the office applications' kind is read for them
            const QString target = presentation.externalWorkbookOf(frame.chartPart);
            if (!target.isEmpty()) results.push_back(refreshLinkedChart(presentation, frame, target, finder, shelf));
            continue;
        }
        const engine::ChartProvenance& was = *frame.provenance;
        ChartResult result;
        result.slide = frame.slide + 1;
        result.chart = frame.name;
        result.source = sourceText(was);
        const QString path = finder.find(was);
        if (path.isEmpty()) {
            result.outcome = ChartResult::Outcome::WorkbookMissing;
            result.what = QStringLiteral("workbook missing: %1").arg(was.workbook);
            results.push_back(result);
            continue;
        }
        result.workbook = path;
        QStringList notes;
        if (path != was.workbook) notes << QStringLiteral("workbook found at %1").arg(path);
        try {
            QString how;
            std::optional<engine::ChartPackage> package;
            try {
                // The names the deck's other charts of the same sheet remember: a chart of one
                // of those names is not this one renamed.
                QStringList taken;
                for (const auto& other : frames) {
                    if (other.provenance && &other != &frame && other.provenance->workbook == was.workbook &&
                        other.provenance->sheet.compare(was.sheet, Qt::CaseInsensitive) == 0) {
                        taken << other.provenance->chart;
                    }
                }
                package = shelf.chart(path, was, taken, &how);
            } catch (const engine::DocumentError& e) {
                result.outcome = ChartResult::Outcome::WorkbookMissing;
                result.what = QStringLiteral("workbook unreadable: %1").arg(e.message());
                results.push_back(result);
                continue;
            }
            if (!package) {
                result.outcome = ChartResult::Outcome::ChartMissing;
                result.what = QStringLiteral("chart no longer in the workbook");
                results.push_back(result);
                continue;
            }
            if (!how.isEmpty()) notes << how;
            if (frame.chartex || package->isChartex()) {
                // The newer kinds are not updated in place: redrawn whole when the workbook's
                // chart differs from the deck's (or when asked to).
                const engine::ChartParts parts = engine::makeChartParts(presentation.package(), *package, nullptr, true);
                engine::ChartProvenance now = was;
                now.workbook = path;
                now.sheet = package->sheetName;
                now.chart = package->chartName;
                now.chartIndex = package->chartIndex + 1;
                now.seriesRanges = engine::chartSeriesRanges(parts.parts.front().second, presentation.name(), frame.chartPart);
                now.copiedAt = QDateTime::currentDateTimeUtc();
                if (options.replace || !frame.chartex || parts.parts.front().second != presentation.partBytes(frame.chartPart)) {
                    presentation.replaceChart(frame, *package, now);
                    result.deckChanged = true;
                    result.outcome = ChartResult::Outcome::Updated;
                    result.what = QStringLiteral("redrawn as the workbook draws it");
                } else {
                    if (now.workbook != was.workbook || now.sheet != was.sheet || now.chart != was.chart ||
                        now.chartIndex != was.chartIndex) {
                        now.copiedAt = was.copiedAt;
                        presentation.updateChart(frame, presentation.partBytes(frame.chartPart), QByteArray(), now);
                        result.deckChanged = true;
                    }
                    result.outcome = ChartResult::Outcome::Unchanged;
                    result.what = QStringLiteral("unchanged");
                }
                if (!notes.isEmpty()) result.what += QStringLiteral(" (%1)").arg(notes.join(QStringLiteral("; ")));
                results.push_back(result);
                continue;
            }
            // The chart as a copy would paste it now, its caches written from the cells as they are.
            const engine::ChartParts parts = engine::makeChartParts(presentation.package(), *package, nullptr, true);
            const QByteArray& fresh = parts.parts.front().second;
            engine::ChartDataChange change;
            const QByteArray updated =
                engine::updateChartData(presentation.partBytes(frame.chartPart), fresh, presentation.name(), frame.chartPart, &change);

            engine::ChartProvenance now = was;
            now.workbook = path;
            now.sheet = package->sheetName;
            now.chart = package->chartName;
            now.chartIndex = package->chartIndex + 1;
            now.seriesRanges = engine::chartSeriesRanges(package->chartPart().data, presentation.name(), frame.chartPart);
            const bool moved = now.workbook != was.workbook || now.sheet != was.sheet || now.chart != was.chart ||
                               now.chartIndex != was.chartIndex;
            now.copiedAt = QDateTime::currentDateTimeUtc();

            if (options.replace || change.structureChanged) {
                presentation.replaceChart(frame, *package, now);
                result.deckChanged = true;
                result.outcome = ChartResult::Outcome::Updated;
                result.what = change.structureChanged ? QStringLiteral("chart kind changed: redrawn as the workbook draws it")
                                                      : QStringLiteral("redrawn as the workbook draws it");
                if (change.any()) result.what += QStringLiteral(" (%1)").arg(change.text());
            } else if (change.any()) {
                presentation.updateChart(frame, updated, embeddedWorkbookOfParts(parts), now);
                result.deckChanged = true;
                result.outcome = ChartResult::Outcome::Updated;
                result.what = change.text();
            } else {
                // Current already: the deck is left alone unless the chart was found elsewhere.
                if (moved) {
                    now.copiedAt = was.copiedAt;
                    presentation.updateChart(frame, presentation.partBytes(frame.chartPart), QByteArray(), now);
                    result.deckChanged = true;
                }
                result.outcome = ChartResult::Outcome::Unchanged;
                result.what = change.text();
            }
        } catch (const engine::DocumentError& e) {
            result.outcome = ChartResult::Outcome::Failed;
            result.what = QStringLiteral("not updated: %1").arg(e.message());
        }
        if (!notes.isEmpty()) result.what += QStringLiteral(" (%1)").arg(notes.join(QStringLiteral("; ")));
        results.push_back(result);
    }
    return results;
}

QStringList missingWorkbooks(const engine::Presentation& presentation, const QString& deckPath,
                             const RefreshOptions& options) {
    RefreshOptions nobodyAsked = options;
    nobodyAsked.locate = nullptr;
    WorkbookFinder finder(deckPath, nobodyAsked);
    QStringList missing;
    for (const engine::Presentation::ChartFrame& frame : presentation.chartFrames()) {
        if (frame.provenance && !missing.contains(frame.provenance->workbook) && finder.find(*frame.provenance).isEmpty())
            missing << frame.provenance->workbook;
    }
    return missing;
}

}  // namespace refresh

#pragma once

#include "engine/chartcopy/ChartPackage.h"
#include "engine/presentation/ChartProvenance.h"
#include "engine/presentation/Presentation.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace refresh {

// How a refresh brings a deck's charts up to date from their workbooks.
struct RefreshOptions {
    // false: the data only (values, categories, series names, number formats, the embedded
    // workbook), keeping the deck's formatting; true: the whole chart as the workbook draws it
    // now, in the frame's place and size.
    bool replace = false;
    // Workbooks that moved: the path a chart remembers (absolute, or only its file name) to the
    // path to read instead.
    std::vector<std::pair<QString, QString>> workbookMap;
    // Asked once per workbook that is found nowhere (the window's file dialog); returns the path
    // to use, or "" to leave its charts as they are. Not set: nobody is asked.
    std::function<QString(const QString& missingWorkbook)> locate;
};

// What became of one chart of a deck.
struct ChartResult {
    enum class Outcome {
        Updated,          // its data (or the whole chart) changed
        Unchanged,        // already current
        WorkbookMissing,  // the workbook is not found or cannot be read: the chart is left as it was
        ChartMissing,     // the workbook no longer has the chart: left as it was
        Failed,           // the chart could not be brought up to date: left as it was
    };
    int slide = 0;  // 1-based
    QString chart;  // the frame's name on the slide
    QString source;  // "book.xlsx, Sheet1, Chart 1"
    Outcome outcome = Outcome::Unchanged;
    QString what;   // "12 values, 1 series added", "unchanged", "workbook missing: ..."
    QString workbook;  // the workbook read (after relinking), "" when none
    bool deckChanged = false;  // the chart or its provenance was rewritten in the presentation

    bool sourceMissing() const { return outcome == Outcome::WorkbookMissing || outcome == Outcome::ChartMissing; }
};

// Workbooks opened by a refresh, each once for all the charts (and decks) that come from it; one
// that cannot be read is tried once too. Counts what it opened, for the benchmarks.
class WorkbookShelf {
public:
    WorkbookShelf();
    ~WorkbookShelf();
    WorkbookShelf(const WorkbookShelf&) = delete;
    WorkbookShelf& operator=(const WorkbookShelf&) = delete;

    // The chart package of a chart of the workbook at path, found by sheet and chart name. When
    // the name is gone, the chart at the same 1-based place on the sheet is taken as the chart
    // renamed, unless its name is among `taken` (the deck remembers that chart as another) or
    // it reads fewer than half the ranges remembered (sheet names aside): then the chart was
    // deleted, not renamed. `how` says what was found when it is not the chart as remembered
    // ("chart renamed to ..."). Throws engine::DocumentError when the workbook cannot be read;
    // returns nothing when it has no such chart.
    std::optional<engine::ChartPackage> chart(const QString& path, const engine::ChartProvenance& wanted,
                                              const QStringList& taken, QString* how);
    // The cells the formulas name (sheet-qualified ranges, as c:f holds them), read from the
    // workbook at path, and its date system. Throws engine::DocumentError when the workbook
    // cannot be read or is a legacy .xls (whose linked charts are not refreshed).
    std::vector<engine::ChartPackage::Cell> cells(const QString& path, const QStringList& formulas, bool* date1904);
    int workbooksOpened() const { return m_opened; }

private:
    struct Book;
    Book& book(const QString& path);
    QHash<QString, std::shared_ptr<Book>> m_books;  // by absolute path
    int m_opened = 0;
};

// Brings every chart of the presentation that remembers its workbook up to date, in memory (the
// caller saves it, or not). deckPath is the file it was opened from, "" for an unsaved deck: a
// workbook is looked for by its path relative to the deck's folder first, then through the
// options' workbook map, then at its absolute path, then by asking. A workbook that cannot be
// read, or no longer has the chart, leaves the chart exactly as it was. A chart linked to its
// workbook the office applications' way (c:externalData to an external file) has its caches
// written again from the cells its formulas name, the link's target found as a path, beside the
// deck under its file name, or through the workbook map. Other charts are not listed.
std::vector<ChartResult> refreshPresentation(engine::Presentation& presentation, const QString& deckPath,
                                             const RefreshOptions& options, WorkbookShelf& shelf);

// The workbooks the presentation's charts remember that are found nowhere (not by their path
// relative to the deck, nor through the options' workbook map, nor at their own path), each
// once, as the charts remember them: what a window asks the user for before a refresh, so that
// the refresh itself can run where nobody is asked (its answers then go into the workbook map).
// Only files are looked at; no workbook is read. options.locate is not called.
QStringList missingWorkbooks(const engine::Presentation& presentation, const QString& deckPath,
                             const RefreshOptions& options);

}  // namespace refresh

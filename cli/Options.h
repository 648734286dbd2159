#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace cli {

// Exit statuses of quillmere-cli, as the README documents them.
namespace status {
inline constexpr int kSuccess = 0;
inline constexpr int kUsage = 1;           // the command line is wrong
inline constexpr int kUnreadableInput = 2;  // a workbook or deck cannot be read, or lacks a named chart
inline constexpr int kOutputNotWritable = 3;
}  // namespace status

// A chart named on the command line as SHEET:INDEX: the worksheet's name (as the window's
// "Sheet Name", matched without regard to case) and the chart's 1-based position on it; or as
// SHEET alone, the chart of a chart sheet (index 0).
struct ChartRef {
    QString sheet;
    int index = 0;

    bool isChartSheet() const { return index == 0; }
    QString text() const { return isChartSheet() ? sheet : sheet + u':' + QString::number(index); }
};

// One workbook of a copy, with the charts named after it; none named means all of them.
struct Source {
    QString workbook;
    QList<ChartRef> charts;
};

// What the command line asks for. Paths are kept exactly as given.
struct Options {
    enum class Command { Help, Version, List, Copy, Render, Refresh };

    Command command = Command::Help;
    bool quiet = false;
    bool json = false;           // list, refresh
    bool chartSheets = false;    // list: the chart sheets' charts too
    bool dryRun = false;         // refresh: nothing written, what would change said
    bool replace = false;        // refresh: whole charts as their workbooks draw them now
    bool link = false;           // copy: charts linked to their workbooks instead of embedding them
    bool keepSourceFormatting = false;  // copy: charts keep their workbook's look, not the deck's theme
    QList<QPair<QString, QString>> workbookMap;  // refresh: --workbook OLD=NEW, in order
    QList<Source> sources;       // list: exactly one; copy and render: one or more; refresh: the decks
    QString into;                // copy: the deck to start from, "" for a new presentation
    QString output;              // copy, refresh: the presentation to write; render: the folder
    QString format;              // render: png, svg or pdf
    double scale = 0;            // render: 0 when not given
    int width = 0, height = 0;   // render: 0 when not given
    QString locale;              // render: the region whose separators numbers show, "" for the user's
};

// The command line parsed, or a usage error: message is one line without the program's name
// ("copy: --output is required").
struct ParseResult {
    Options options;
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// arguments without the program name. --help and --version anywhere win over everything
// else. A --chart belongs to the workbook named before it.
ParseResult parseArguments(const QStringList& arguments);

// The text of --help.
QString usageText();

}  // namespace cli

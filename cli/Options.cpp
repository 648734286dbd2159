#include "cli/Options.h"

#include <QLocale>

namespace cli {

namespace {

// QLocale takes any name and falls back to C for one it does not know; only C and POSIX may
// mean C. An encoding suffix ("de_DE.UTF-8") is allowed, as in LANG.
bool isKnownLocale(const QString& name) {
    const QString bare = name.section(u'.', 0, 0).section(u'@', 0, 0);
    if (bare == QLatin1String("C") || bare == QLatin1String("POSIX")) return true;
    return !bare.isEmpty() && QLocale(bare).language() != QLocale::C;
}

// SHEET:INDEX, split at the last colon so that a sheet name may hold colons of its own; a text
// without a colon names a chart sheet (no sheet name may hold one).
bool parseChartRef(const QString& text, ChartRef* ref) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0 && !text.isEmpty()) {
        ref->sheet = text;
        ref->index = 0;
        return true;
    }
    if (colon <= 0) return false;
    bool ok = false;
    const int index = text.mid(colon + 1).toInt(&ok);
    if (!ok || index < 1 || text.mid(colon + 1).startsWith(u'+')) return false;
    ref->sheet = text.left(colon);
    ref->index = index;
    return true;
}

class Parser {
public:
    explicit Parser(const QStringList& arguments) : m_args(arguments) {}

    ParseResult run() {
        ParseResult result;
        for (const QString& arg : m_args) {
            if (arg == QLatin1String("--")) break;
            if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
                result.options.command = Options::Command::Help;
                return result;
            }
            if (arg == QLatin1String("--version")) {
                result.options.command = Options::Command::Version;
                return result;
            }
        }
        if (m_args.isEmpty()) return fail(QStringLiteral("no command given (list, copy, render or refresh)"));
        const QString command = m_args.front();
        Options& o = result.options;
        if (command == QLatin1String("list")) {
            o.command = Options::Command::List;
        } else if (command == QLatin1String("copy")) {
            o.command = Options::Command::Copy;
        } else if (command == QLatin1String("render")) {
            o.command = Options::Command::Render;
        } else if (command == QLatin1String("refresh")) {
            o.command = Options::Command::Refresh;
        } else {
            return fail(QStringLiteral("unknown command \"%1\" (list, copy, render or refresh)").arg(command));
        }
        m_command = command;
        bool onlyPaths = false;
        for (m_at = 1; m_at < m_args.size(); ++m_at) {
            const QString arg = m_args[m_at];
            if (onlyPaths || !arg.startsWith(QLatin1String("--")) || arg == QLatin1String("-")) {
                o.sources.append(Source{arg, {}});
                continue;
            }
            if (arg == QLatin1String("--")) {
                onlyPaths = true;
                continue;
            }
            if (arg == QLatin1String("--quiet")) {
                o.quiet = true;
            } else if (arg == QLatin1String("--json") &&
                       (o.command == Options::Command::List || o.command == Options::Command::Refresh)) {
                o.json = true;
            } else if (arg == QLatin1String("--chart-sheets") && o.command == Options::Command::List) {
                o.chartSheets = true;
            } else if (arg == QLatin1String("--link") && o.command == Options::Command::Copy) {
                o.link = true;
            } else if (arg == QLatin1String("--keep-source-formatting") && o.command == Options::Command::Copy) {
                o.keepSourceFormatting = true;
            } else if (arg == QLatin1String("--dry-run") && o.command == Options::Command::Refresh) {
                o.dryRun = true;
            } else if (arg == QLatin1String("--replace") && o.command == Options::Command::Refresh) {
                o.replace = true;
            } else if (arg == QLatin1String("--workbook") && o.command == Options::Command::Refresh) {
                QString text;
                if (!value(arg, &text)) return m_result;
                const qsizetype equals = text.indexOf(u'=');
                if (equals <= 0 || equals == text.size() - 1) {
                    return fail(QStringLiteral("--workbook %1: expected OLD=NEW").arg(text));
                }
                o.workbookMap.append({text.left(equals), text.mid(equals + 1)});
            } else if (arg == QLatin1String("--chart") && o.command != Options::Command::List &&
                       o.command != Options::Command::Refresh) {
                QString text;
                if (!value(arg, &text)) return m_result;
                ChartRef ref;
                if (!parseChartRef(text, &ref)) {
                    return fail(QStringLiteral("--chart %1: expected SHEET:INDEX, INDEX a whole number from 1, or the "
                                               "name of a chart sheet").arg(text));
                }
                if (o.sources.isEmpty()) return fail(QStringLiteral("--chart %1 comes before any workbook").arg(text));
                o.sources.back().charts.append(ref);
            } else if (arg == QLatin1String("--into") && o.command == Options::Command::Copy) {
                if (!o.into.isEmpty()) return fail(QStringLiteral("--into is given twice"));
                if (!value(arg, &o.into)) return m_result;
            } else if (arg == QLatin1String("--output") && o.command != Options::Command::List) {
                if (!o.output.isEmpty()) return fail(QStringLiteral("--output is given twice"));
                if (!value(arg, &o.output)) return m_result;
            } else if (arg == QLatin1String("--format") && o.command == Options::Command::Render) {
                if (!value(arg, &o.format)) return m_result;
                if (o.format != QLatin1String("png") && o.format != QLatin1String("svg") &&
                    o.format != QLatin1String("pdf")) {
                    return fail(QStringLiteral("--format %1: expected png, svg or pdf").arg(o.format));
                }
            } else if (arg == QLatin1String("--scale") && o.command == Options::Command::Render) {
                QString text;
                if (!value(arg, &text)) return m_result;
                bool ok = false;
                o.scale = text.toDouble(&ok);
                if (!ok || !(o.scale > 0) || o.scale > 16) {
                    return fail(QStringLiteral("--scale %1: expected a number above 0, at most 16").arg(text));
                }
            } else if (arg == QLatin1String("--locale") && o.command == Options::Command::Render) {
                if (!value(arg, &o.locale)) return m_result;
                if (!isKnownLocale(o.locale)) {
                    return fail(QStringLiteral("--locale %1: expected a locale name such as en_US, de_DE or fr_FR").arg(o.locale));
                }
            } else if ((arg == QLatin1String("--width") || arg == QLatin1String("--height")) &&
                       o.command == Options::Command::Render) {
                QString text;
                if (!value(arg, &text)) return m_result;
                bool ok = false;
                const int pixels = text.toInt(&ok);
                if (!ok || pixels < 1 || pixels > 20000) {
                    return fail(QStringLiteral("%1 %2: expected a whole number of pixels from 1 to 20000").arg(arg, text));
                }
                (arg == QLatin1String("--width") ? o.width : o.height) = pixels;
            } else {
                return fail(QStringLiteral("unknown option %1").arg(arg));
            }
        }
        return check(result);
    }

private:
    ParseResult check(ParseResult result) {
        const Options& o = result.options;
        if (o.command == Options::Command::Refresh) {
            if (o.sources.isEmpty()) return fail(QStringLiteral("no presentation given"));
            if (!o.output.isEmpty() && o.sources.size() > 1) return fail(QStringLiteral("--output takes one presentation"));
            if (!o.output.isEmpty() && !o.output.endsWith(QLatin1String(".pptx"), Qt::CaseInsensitive) &&
                !o.output.endsWith(QLatin1String(".pptm"), Qt::CaseInsensitive)) {
                return fail(QStringLiteral("--output %1: the presentation's name must end in .pptx (.pptm for one with macros)")
                                .arg(o.output));
            }
            return result;
        }
        if (o.sources.isEmpty()) return fail(QStringLiteral("no workbook given"));
        for (const Source& source : o.sources) {
            if (source.workbook.isEmpty()) return fail(QStringLiteral("an empty workbook path was given"));
        }
        switch (o.command) {
        case Options::Command::List:
            if (o.sources.size() > 1) return fail(QStringLiteral("list takes one workbook"));
            break;
        case Options::Command::Copy:
            if (o.output.isEmpty()) return fail(QStringLiteral("--output OUT.pptx is required"));
            if (!o.output.endsWith(QLatin1String(".pptx"), Qt::CaseInsensitive) &&
                !o.output.endsWith(QLatin1String(".pptm"), Qt::CaseInsensitive)) {
                return fail(QStringLiteral("--output %1: the presentation's name must end in .pptx (.pptm for one with macros)")
                                .arg(o.output));
            }
            break;
        case Options::Command::Render:
            if (o.sources.size() > 1) return fail(QStringLiteral("render takes one workbook"));
            if (o.format.isEmpty()) return fail(QStringLiteral("--format png|svg|pdf is required"));
            if (o.output.isEmpty()) return fail(QStringLiteral("--output DIR is required"));
            if ((o.width > 0) != (o.height > 0)) return fail(QStringLiteral("--width and --height go together"));
            if (o.scale > 0 && o.width > 0) return fail(QStringLiteral("--scale and --width/--height exclude each other"));
            break;
        default:
            break;
        }
        return result;
    }

    bool value(const QString& option, QString* out) {
        if (m_at + 1 >= m_args.size()) {
            fail(QStringLiteral("%1 needs a value").arg(option));
            return false;
        }
        *out = m_args[++m_at];
        return true;
    }

    ParseResult fail(const QString& message) {
        m_result.error = m_command.isEmpty() ? message : m_command + QStringLiteral(": ") + message;
        return m_result;
    }

    QStringList m_args;
    QString m_command;
    qsizetype m_at = 0;
    ParseResult m_result;
};

}  // namespace

ParseResult parseArguments(const QStringList& arguments) {
    return Parser(arguments).run();
}

QString usageText() {
    return QStringLiteral(
        "Usage:\n"
        "  quillmere-cli list WORKBOOK [--chart-sheets] [--json]\n"
        "  quillmere-cli copy WORKBOOK [--chart CHART]... [WORKBOOK [--chart CHART]...]...\n"
        "                     [--into DECK] [--link] [--keep-source-formatting] --output OUT.pptx\n"
        "  quillmere-cli render WORKBOOK [--chart CHART]... --format png|svg|pdf\n"
        "                     [--scale N | --width W --height H] [--locale NAME] --output DIR\n"
        "  quillmere-cli refresh DECK... [--output OUT.pptx] [--workbook OLD=NEW]... [--replace]\n"
        "                     [--dry-run] [--json]\n"
        "\n"
        "list    One line per chart of the workbook's worksheets, in the window's order, tab-separated:\n"
        "        sheet name, chart name, chart index, kind, title, series count, width and height in EMU.\n"
        "        --chart-sheets adds the charts of chart sheets after them, in the workbook's sheet order,\n"
        "        with an empty chart index. --json gives an array of objects with the same fields, and\n"
        "        \"chartSheet\" true for a chart sheet's chart (its \"index\" null).\n"
        "copy    Copies every chart of each workbook's worksheets (or the charts named by the --chart\n"
        "        options after it, in that order) onto new blank slides at the end of a new presentation,\n"
        "        or of a copy of DECK, and saves OUT.pptx. DECK is not changed unless OUT names it.\n"
        "        CHART is SHEET:INDEX for a worksheet's chart, or the name of a chart sheet alone. With\n"
        "        --link the charts link to their workbooks as the office applications' \"Link Data\" does\n"
        "        (by a relative path when deck and workbook share a folder) instead of embedding their data.\n"
        "        The charts take the deck's theme (its colours and fonts), as the presentation application's\n"
        "        paste does; with --keep-source-formatting they keep the look of their workbook's theme.\n"
        "render  Draws every chart of the workbook (or those named) into DIR, made if missing, one file\n"
        "        per chart named <sheet>-<index>.<format>, <sheet>.<format> for a chart sheet (characters\n"
        "        no file name may hold become _).\n"
        "        PNG at the chart's own size on a 96 dpi screen times --scale (default 1), or laid out\n"
        "        to --width x --height pixels; SVG and PDF at the chart's size in points (or that of\n"
        "        W x H pixels). A chart that cannot be read is said on standard error and skipped\n"
        "        (exit status 2); files of the same name are replaced. Numbers show with the decimal\n"
        "        and thousands separators of the user's region (LC_ALL, LC_NUMERIC, LANG), or of\n"
        "        --locale NAME (de_DE, fr_FR, en_US, C...), so that batch pictures are reproducible.\n"
        "refresh Brings every chart the decks got from a workbook up to date from that workbook as it is\n"
        "        now: values, categories, series names, number formats and the embedded data, keeping\n"
        "        the deck's formatting (series added or removed in the workbook are added or removed);\n"
        "        --replace puts the whole chart as the workbook draws it in the frame's place instead.\n"
        "        A workbook is looked for beside the deck by its relative path, then as --workbook maps\n"
        "        it (OLD a path or a file name), then where it was. One line per chart: deck, slide,\n"
        "        chart, source, what changed; --json gives one object per chart. Each deck is rewritten\n"
        "        in place (or to OUT.pptx) only when a chart changed; --dry-run writes nothing. Exit\n"
        "        status 2 when a workbook or chart is missing (its charts are left as they were).\n"
        "\n"
        "Options:\n"
        "  --quiet     no progress and no notices on standard error; errors are still shown\n"
        "  --help      this text\n"
        "  --version   the program's version\n"
        "\n"
        "Exit status: 0 success, 1 usage, 2 an input cannot be read (or lacks a named chart),\n"
        "3 the output cannot be written.\n");
}

}  // namespace cli

#include "CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstring>

namespace app {

CommandLine::Action earlyAction(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return CommandLine::Action::Help;
        }
        if (std::strcmp(argv[i], "--version") == 0) return CommandLine::Action::Version;
    }
    return CommandLine::Action::Run;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    bool onlyFiles = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!onlyFiles && argument == QLatin1String("--")) {
            onlyFiles = true;
            continue;
        }
        if (!onlyFiles && argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            result.action = CommandLine::Action::Error;
            result.error = QStringLiteral("unknown option %1").arg(argument);
            return result;
        }
        QString path = argument;
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(argument);
            if (url.isLocalFile()) path = url.toLocalFile();
        }
        if (path.isEmpty()) continue;
        result.files.append(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    }
    return result;
}

QString helpText() {
    return QStringLiteral(
        "Usage: quillmere [WORKBOOK] [PRESENTATION]\n"
        "       quillmere --help | --version\n"
        "\n"
        "Copies the charts of a spreadsheet workbook onto new slides of a new or an existing\n"
        "presentation, as native, editable charts.\n"
        "\n"
        "A workbook (.xlsx, .xlsm, .xltx, .xltm, .xls, .xlsb, .ods) is put into the Excel File "
        "box\n"
        "and its charts are listed; a presentation (.pptx, .pptm, .ppt, .odp) is put into the\n"
        "existing-presentation box and chosen as the target.\n"
        "\n"
        "Options:\n"
        "  -h, --help     this text\n"
        "  --version      the program's version and licence\n"
        "\n"
        "quillmere-cli lists, copies and draws charts without a window; see quillmere-cli "
        "--help.\n");
}

QString versionText() {
    return QStringLiteral(
               "quillmere %1\n"
               "Copyright (C) 2026 The Quillmere developers\n"
               "License GPL-3.0-or-later: GNU GPL version 3 or later "
               "<https://gnu.org/licenses/gpl.html>.\n"
               "This is free software: you are free to change and redistribute it.\n"
               "There is NO WARRANTY, to the extent permitted by law.\n")
        .arg(QStringLiteral(QUILLMERE_VERSION));
}

FileKind fileKindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    static const QStringList workbooks = {QStringLiteral("xlsx"), QStringLiteral("xlsm"),
                                          QStringLiteral("xltx"), QStringLiteral("xltm"),
                                          QStringLiteral("xls"),  QStringLiteral("xlsb"),
                                          QStringLiteral("ods")};
    static const QStringList presentations = {QStringLiteral("pptx"), QStringLiteral("pptm"),
                                              QStringLiteral("ppt"), QStringLiteral("odp")};
    if (workbooks.contains(suffix)) return FileKind::Workbook;
    if (presentations.contains(suffix)) return FileKind::Presentation;
    return FileKind::Other;
}

}  // namespace app

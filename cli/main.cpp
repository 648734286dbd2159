// quillmere-cli: the window's two jobs from a shell, and drawing charts to files. list, copy
// and render run the same built-in spreadsheet and presentation applications, through the same
// automation surfaces, as the window does; nothing is ever shown.

#include "cli/Commands.h"
#include "cli/Options.h"
#include "cli/SilentDialogs.h"
#include "platform/Memory.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QFile>
#include <cstdio>
#include <memory>

namespace {

void printError(const QString& line) {
    std::fprintf(stderr, "quillmere-cli: %s\n", line.toLocal8Bit().constData());
}

// Standard error carries the command's own lines only: Qt's warnings (fonts, platform
// plugins) would break the promise of one line per error.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) printError(message);
}

}  // namespace

int main(int argc, char** argv) {
    platform::configureMemory();
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QFile::decodeName(argv[i]));
    const cli::ParseResult parsed = cli::parseArguments(arguments);
    if (!parsed.ok()) {
        printError(parsed.error + QStringLiteral(" (see quillmere-cli --help)"));
        return cli::status::kUsage;
    }
    const cli::Options& options = parsed.options;
    switch (options.command) {
    case cli::Options::Command::Help:
        std::fputs(cli::usageText().toLocal8Bit().constData(), stdout);
        return cli::status::kSuccess;
    case cli::Options::Command::Version:
        std::printf("quillmere-cli %s\n", QUILLMERE_VERSION);
        return cli::status::kSuccess;
    default:
        break;
    }

    qInstallMessageHandler(quietMessages);
    // list needs no clipboard, no windows and no fonts, so it starts the lighter application
    // object. copy needs the clipboard and render the fonts; on the offscreen platform the
    // clipboard is private to the process, so a run neither needs a display nor disturbs the
    // user's clipboard. refresh needs the fonts only (a chart of the newer kinds redrawn takes
    // a new picture for readers that do not know its kind).
    std::unique_ptr<QCoreApplication> application;
    if (options.command == cli::Options::Command::Refresh) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else if (options.command != cli::Options::Command::List) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("quillmere-cli"));

    cli::SilentDialogs dialogs;
    servers::registerSpreadsheetServer();
    servers::registerPresentationServer(dialogs);

    cli::Console console(options.quiet);
    try {
        switch (options.command) {
        case cli::Options::Command::List:
            return cli::runList(options, console);
        case cli::Options::Command::Copy:
            return cli::runCopy(options, console);
        case cli::Options::Command::Refresh:
            return cli::runRefresh(options, console);
        default:
            return cli::runRender(options, console);
        }
    } catch (const cli::CommandError& e) {
        console.progress(QString());
        printError(e.message());
        return e.status();
    }
}

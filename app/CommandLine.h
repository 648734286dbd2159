#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the program's command line asks for. --help and --version are answered before any
// application object exists, so that they need no display; the files are taken once the
// window has started (Form1::openFiles).
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList files;  // absolute paths, in the order given
    QString error;      // for Action::Error: what is wrong, naming the argument
};

// Only --help (-h) and --version are looked for: the arguments may still hold Qt's own options.
CommandLine::Action earlyAction(int argc, char** argv);

// The arguments left once the application object has taken Qt's options (argument 0 is the
// program). Every argument not beginning with "-", and every one after "--", names a file; a
// file:// URL names its local file. An option of ours or Qt's left over is an error.
CommandLine parseCommandLine(const QStringList& arguments);

QString helpText();
QString versionText();

// What the program does with a file handed to it (command line, drop), by its name's extension.
enum class FileKind { Workbook, Presentation, Other };
FileKind fileKindOf(const QString& path);

}  // namespace app

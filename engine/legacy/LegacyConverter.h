#pragma once

#include <QByteArray>
#include <QString>

namespace engine {

// Converts a document in a format the engine does not read (.xls, .xlsb, .ods, .ppt, .odp...)
// to its Open XML twin through LibreOffice's headless converter:
//   soffice --headless --convert-to <extension> --outdir <temp> <copy of the file>
// LibreOffice runs with a profile folder of its own (-env:UserInstallation) in a temporary
// folder, so a LibreOffice the user has open is neither used nor changed, and it works on a
// copy of the file, so that nothing (not even a lock file) appears beside the user's document.
// Everything it writes lives in that temporary folder and is removed before convert() returns.
//
// The result is kept in memory for the rest of the program run: the same unchanged file (same
// path, size and modification time) is converted once, however often it is opened.
//
// A conversion can also run ahead of need, in the background (convertInBackground): one at a
// time, on a thread of its own; starting another one, or cancelBackground(), ends it (LibreOffice
// and its children are killed), and so does the end of the program. convert() on a file whose
// conversion runs in the background waits for that conversion instead of starting a second one.
//
// Errors: throws DocumentError naming the file: LibreOffice not installed (saying what to
// install or how to save the document instead), not finished within the time limit, or no
// converted file produced.
class LegacyConverter {
public:
    // The converted document's bytes. targetExtension without the dot: "xlsx", "pptx".
    static QByteArray convert(const QString& path, const QString& targetExtension);

    // Starts converting the file in the background unless its result is known already or that
    // very conversion is under way; any other background conversion is cancelled first. Its
    // result is kept as convert() keeps one; its failure is thrown by the next convert() of the
    // same unchanged file. Never throws.
    static void convertInBackground(const QString& path, const QString& targetExtension);
    // Cancels the background conversion, if any, and waits until LibreOffice has ended.
    static void cancelBackground();
    static bool isConvertingInBackground();

    // The converter program; by default "soffice" found on PATH. Tests point it elsewhere.
    static void setOfficeProgram(const QString& program);
    static QString officeProgram();
    // The time limit of one conversion (120 s unless changed).
    static void setTimeLimitMilliseconds(int milliseconds);
    // How many conversions actually ran LibreOffice in this process.
    static int conversionsRun();
    // Cancels the background conversion and forgets every remembered conversion (tests).
    static void clearCache();
};

}  // namespace engine

#pragma once

#include <QString>

namespace platform {

// The per-user settings store: application "Tessalind", section "Quillmere", text values by
// key. Backed by QSettings in INI form (Tessalind.ini in the user's configuration folder).
// Every write is synced to disk before WriteSetting returns, so the program may end at any
// moment without losing a value. A write replaces the file whole (a new file, flushed, renamed
// over the old one), so a program killed in the middle of one leaves the values before it or
// after it, never a broken file; a temporary file such a kill leaves is taken away by the next
// write. A failed write is not reported.
QString ReadSetting(const QString& key, const QString& defaultValue = QString());
void WriteSetting(const QString& key, const QString& text);

// Reads a stored option the way start-up does: "True"/"False" in any letter case, or a number
// (0 false, anything else true). Throws Failure("Type mismatch") for any other text.
bool settingAsBoolean(const QString& text);

// The settings the program keeps, each named here once with the key it is stored under and
// the value it reads as until it is first written (a key written empty reads empty). Callers
// name a setting by Key; the literal keys are those the store has always used, so a file an
// earlier version wrote reads the same.
class Settings {
  public:
    enum class Key {
        WorkbookPath,            // "Excel File": the workbook chosen in the main window; ""
        PresentationPath,        // "PowerPoint File": the presentation chosen there; ""
        Delay,                   // "Delay": the text of the delay box, in seconds; "1"
        NewPresentation,         // "Option1": paste into a new presentation; "1" (true)
        ExistingPresentation,    // "Option2": paste into an existing presentation; "0"
        PresentationWindowSize,  // "PresentationWindowSize": "WIDTHxHEIGHT" in pixels; ""
        KeepSourceFormatting,    // "Keep Source Formatting": a pasted chart keeps the workbook's
                                 // look instead of taking the deck's theme; "False"
        LinkPastedCharts,        // "LinkPastedCharts": pasted charts link to their workbooks,
                                 // "1" or "0"; "0"
    };

    // The key the store holds the setting under.
    static QString keyOf(Key key);
    static QString defaultOf(Key key);

    static QString read(Key key);
    static void write(Key key, const QString& text);
    // read(key) taken as settingAsBoolean takes it; throws Failure("Type mismatch") likewise.
    static bool readBoolean(Key key);
    // "True" or "False", as the options are stored.
    static void writeBoolean(Key key, bool value);
};

// Where the store keeps its file: Tessalind.ini in the user's configuration folder (the
// standard generic configuration location, so that tests in QStandardPaths test mode never
// touch the user's own file).
QString settingsFilePath();

}  // namespace platform

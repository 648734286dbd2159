#pragma once

class QMimeData;

namespace platform {

// The clipboard the built-in applications copy charts to (ChartArea.Copy) and paste from
// (View.Paste). It is the system clipboard, except while a PrivateClipboard lives: then it is
// a slot of this process's own, so that a copy run moves its charts from the spreadsheet to the
// presentation without touching what the user keeps on the system clipboard, and a paste never
// takes something the user copied in another program during the run's wait.
//
// Application thread only. Without a QGuiApplication (and no PrivateClipboard) there is no
// clipboard: available() is false, data() is null and setData() discards what it is given.

// Whether there is a clipboard to copy to.
bool clipboardAvailable();

// What the clipboard holds; null when it holds nothing or there is none. The object belongs to
// the clipboard and lives until the next setClipboardData() or the end of the private scope.
const QMimeData* clipboardData();

// Puts data on the clipboard, which takes ownership of it.
void setClipboardData(QMimeData* data);

// While an object of this class lives, the clipboard is private to the process and starts
// empty; it is dropped when the last of them ends. Scopes may nest.
class PrivateClipboard {
public:
    PrivateClipboard();
    ~PrivateClipboard();
    PrivateClipboard(const PrivateClipboard&) = delete;
    PrivateClipboard& operator=(const PrivateClipboard&) = delete;
};

}  // namespace platform

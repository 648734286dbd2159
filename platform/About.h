#pragma once

#include <QString>

namespace platform {

class Dialogs;

// "About Quillmere": the version, the licence and the libraries the program runs on, with the
// versions it found at run time.
QString aboutTitle();
QString aboutText();

// Shows it in an information box through the dialogs.
void showAbout(Dialogs& dialogs);

}  // namespace platform

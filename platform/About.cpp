#include "About.h"

#include <gsf/gsf-utils.h>
#include <zip.h>
#include <zlib.h>

#include <pugixml.hpp>

#include "Dialogs.h"

namespace platform {

QString aboutTitle() { return QStringLiteral("About Quillmere"); }

QString aboutText() {
    const int pugixml = PUGIXML_VERSION;
    const QString pugixmlVersion =
        pugixml >= 1000 ? QStringLiteral("%1.%2").arg(pugixml / 1000).arg(pugixml % 1000 / 10)
                        : QStringLiteral("%1.%2").arg(pugixml / 100).arg(pugixml % 100 / 10);
    return QStringLiteral(
               "Quillmere %1\r\n"
               "Copies the charts of a workbook onto presentation slides as native, editable "
               "charts.\r\n"
               "\r\n"
               "Copyright (C) 2026 The Quillmere developers.\r\n"
               "Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).\r\n"
               "\r\n"
               "Libraries:\r\n"
               "Qt %2 (LGPL-3.0)\r\n"
               "libzip %3 (BSD-3-Clause)\r\n"
               "zlib %4 (Zlib)\r\n"
               "pugixml %5 (MIT)\r\n"
               "libgsf %6.%7.%8 (LGPL-2.1)\r\n"
               "LibreOffice, when installed, converts legacy formats.")
        .arg(QStringLiteral(QUILLMERE_VERSION), QString::fromLatin1(qVersion()),
             QString::fromLatin1(zip_libzip_version()), QString::fromLatin1(zlibVersion()),
             pugixmlVersion)
        .arg(libgsf_major_version)
        .arg(libgsf_minor_version)
        .arg(libgsf_micro_version);
}

void showAbout(Dialogs& dialogs) {
    constexpr int kInformation = 64;
    dialogs.messageBox(aboutText(), box::kOkOnly + kInformation, aboutTitle());
}

}  // namespace platform

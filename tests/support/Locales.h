#pragma once

#include <QString>
#include <QStringList>

namespace testsupport {

// Makes the C library able to take each of these locales ("de_DE.UTF-8"): compiles them with
// localedef into a folder of this test program's own (under its temporary folder) and points
// LOCPATH there for this process and every program it starts. Returns "" when all were made,
// else what went wrong, for the test to fail with: a test that needs a locale never skips.
// The sources come from Debian's `locales` package (/usr/share/i18n/locales).
QString makePrivateLocales(const QStringList& names);

}  // namespace testsupport

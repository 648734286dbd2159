#pragma once

#include "tests/support/GeneratedFiles.h"

// The workbooks of tools/make_test_workbooks.py, generated once per test program into a
// temporary folder that goes when the program ends.
inline QString generatedWorkbook(const QString& name) {
    return testsupport::generatedFile(QStringLiteral("make_test_workbooks.py"), {}, name);
}

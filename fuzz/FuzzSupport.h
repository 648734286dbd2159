#pragma once

// What every fuzz target shares: the input staged as a file where the engine reads files, and
// the one outcome besides success an input may have, a DocumentError. Any other exception,
// crash or sanitizer report is a finding.

#include "engine/chartcopy/ChartPackage.h"
#include "engine/package/Package.h"

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace fuzzsupport {

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A folder for the run's files, made once per process.
inline const QTemporaryDir& workFolder() {
    static QTemporaryDir dir;
    return dir;
}

// Writes bytes to a file of this name in the work folder and returns its path.
QString stage(const QByteArray& bytes, const QString& fileName);

// Limits small enough that one input cannot take the run's memory, as a user's machine would
// refuse a file far beyond them.
engine::Limits fuzzLimits();

// A chart package that pastes cleanly: one chart of one series over three cells.
engine::ChartPackage smallChartPackage();

// A finding of a target's own checks: says what was wrong ("chart model: a value out of its
// range") and aborts, which the fuzzer reports with the input.
[[noreturn]] void broken(const char* target, const char* what);

bool finite(const QRectF& r);

// For targets that lay out text: the application object a GUI program has, on the offscreen
// platform, made once. Call from LLVMFuzzerInitialize.
void startOffscreenGui(int* argc, char*** argv);

}  // namespace fuzzsupport

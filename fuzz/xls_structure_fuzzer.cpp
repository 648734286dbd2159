// Fuzz target of the native .xls structure reader: the input is a whole file (compound file,
// Workbook stream, sheet substreams, drawing records). Every input must end in a listing or in a
// DocumentError; anything else (a crash, a sanitizer report, another exception) is a finding.

#include "engine/legacy/XlsStructure.h"
#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const engine::XlsStructure structure = engine::XlsStructure::fromFileBytes(bytes, QStringLiteral("fuzz.xls"));
        for (const auto* sheet : structure.worksheets()) {
            for (const auto& chart : sheet->chartObjects) (void)chart.name.size();
        }
    } catch (const engine::DocumentError&) {
    }
    // The Workbook stream alone reaches the record walk without the compound file around it.
    try {
        (void)engine::XlsStructure::fromWorkbookStream(bytes, QStringLiteral("fuzz.xls"));
    } catch (const engine::DocumentError&) {
    }
    return 0;
}

// Fuzz target of the .xls chart reader: the input is a Workbook stream (BIFF8 records: globals,
// sheet substreams with their cells and the chart substreams inside them). Every chart of every
// worksheet is written as a chart part and read back through the chart model. An input must end
// in chart parts or in a DocumentError; a chart part of ours that the chart model cannot read is
// a finding, as is a crash, a sanitizer report or another exception. Built with the fuzzer, the
// input is mutated record by record (BiffMutator.cpp).

#include "FuzzSupport.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/legacy/XlsCharts.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<engine::XlsWorkbook> book;
    try {
        book = engine::XlsWorkbook::fromWorkbookStream(fuzzsupport::bytesOf(data, size), QStringLiteral("fuzz.xls"));
    } catch (const engine::DocumentError&) {
        return 0;
    }
    for (const engine::XlsStructure::Sheet* sheet : book->structure().worksheets()) {
        for (int c = 0; c < int(sheet->chartObjects.size()); ++c) {
            QByteArray part;
            try {
                part = book->chartPart(*sheet, c);
            } catch (const engine::DocumentError& e) {
                // Refused as not read in full, or its records damaged: said, never written half.
                if (e.kind() != engine::DocumentError::Kind::Unsupported) {
                    std::fprintf(stderr, "%s\n", qPrintable(e.message()));
                    fuzzsupport::broken("xls chart", "a refusal of another kind");
                }
                continue;
            }
            try {
                (void)engine::chart::readChartSpace(part, QStringLiteral("fuzz.xls"), QStringLiteral("/xl/charts/chart1.xml"));
            } catch (const engine::DocumentError&) {
                fuzzsupport::broken("xls chart", "a chart part written that the chart model cannot read");
            }
        }
    }
    return 0;
}

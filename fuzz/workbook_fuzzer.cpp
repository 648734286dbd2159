// Fuzz target: a workbook opened and every chart copied onto a slide of a new presentation,
// as a copy run does (open, list, collect, through the clipboard format, paste, save). Every
// chart is listed and sized; the first kMaxCopied are copied, so that the kept inputs of
// findings at scale (tens of thousands of frames) replay in seconds under the sanitizers: the
// benchmarks measure scale.

#include "FuzzSupport.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"

namespace {
constexpr int kMaxCopied = 200;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzzsupport::stage(fuzzsupport::bytesOf(data, size), QStringLiteral("book.xlsx"));
    try {
        const auto workbook = engine::Workbook::open(path, fuzzsupport::fuzzLimits());
        auto presentation = engine::Presentation::createNew();
        int slide = 0;
        for (const auto* sheet : workbook->worksheets()) {
            for (const auto& chart : sheet->chartObjects) {
                try {
                    (void)workbook->chartSize(*sheet, chart);
                    if (slide == kMaxCopied) continue;
                    const auto package = engine::collectChart(*workbook, *sheet, chart);
                    presentation.addSlide(slide, 12);
                    presentation.pasteChart(slide, engine::chartPackageFromBytes(engine::chartPackageToBytes(package)));
                    ++slide;
                } catch (const engine::DocumentError&) {
                    // One chart refused; the others are still copied, as in the program.
                }
            }
        }
        (void)presentation.package().toZipBytes();
    } catch (const engine::DocumentError&) {
    }
    return 0;
}

// Fuzz target: a presentation opened, its slides read as the window draws them, a slide added,
// a chart pasted onto the new slide and onto the first, saved and opened again.

#include "FuzzSupport.h"
#include "engine/presentation/Presentation.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzzsupport::stage(fuzzsupport::bytesOf(data, size), QStringLiteral("deck.pptx"));
    const QString saved = fuzzsupport::workFolder().filePath(QStringLiteral("saved.pptx"));
    QFile::remove(saved);
    try {
        auto presentation = engine::Presentation::open(path, fuzzsupport::fuzzLimits());
        for (int i = 0; i < presentation.slideCount(); ++i) {
            for (const auto& shape : presentation.slideShapes(i)) {
                if (shape.kind == engine::SlideShape::Kind::Chart && !shape.relId.isEmpty()) {
                    try {
                        (void)presentation.chartSummary(presentation.slideTarget(i, shape.relId));
                    } catch (const engine::DocumentError&) {
                    }
                }
            }
        }
        const int added = presentation.slideCount();
        presentation.addSlide(added, 12);
        presentation.pasteChart(added, fuzzsupport::smallChartPackage());
        try {
            presentation.pasteChart(0, fuzzsupport::smallChartPackage());
        } catch (const engine::DocumentError&) {
        }
        presentation.save(saved);
        // What the program saved, it must open again.
        const auto reopened = engine::Presentation::open(saved, fuzzsupport::fuzzLimits());
        if (reopened.slideCount() != presentation.slideCount()) abort();
    } catch (const engine::DocumentError&) {
    }
    return 0;
}

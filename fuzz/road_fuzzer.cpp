// Fuzz target of the whole road: a workbook opened, every chart copied onto a slide of a new
// deck through the clipboard's format, the deck saved to a file and opened again, and each
// slide read back with its charts as the presentation window reads them. A chart that was
// pasted must come back: the saved deck holds as many slides as were added, each chart frame
// names a chart part the deck holds, and that part reads as a chart of the same kind.

#include "FuzzSupport.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/presentation/Presentation.h"
#include "engine/slide/SlideModel.h"
#include "engine/workbook/Workbook.h"

#include <QFile>
#include <cstdio>
#include <vector>

namespace {

[[noreturn]] void broken(const char* what) { fuzzsupport::broken("road", what); }

constexpr int kMaxCharts = 24;

void chartFrames(const std::vector<engine::slide::SlideElement>& elements, std::vector<QString>* parts) {
    for (const auto& e : elements) {
        if (e.kind == engine::slide::SlideElement::Kind::Chart) parts->push_back(e.chartPart);
        chartFrames(e.children, parts);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startOffscreenGui(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString book = fuzzsupport::stage(fuzzsupport::bytesOf(data, size), QStringLiteral("book.xlsx"));
    const QString deck = fuzzsupport::workFolder().filePath(QStringLiteral("deck.pptx"));
    QFile::remove(deck);
    std::vector<QString> kinds;  // per slide, in order: the pasted chart's kind
    try {
        const auto workbook = engine::Workbook::open(book, fuzzsupport::fuzzLimits());
        auto presentation = engine::Presentation::createNew();
        for (const auto* sheet : workbook->worksheets()) {
            for (const auto& chart : sheet->chartObjects) {
                if (int(kinds.size()) >= kMaxCharts) break;
                try {
                    const auto package = engine::chartPackageFromBytes(
                        engine::chartPackageToBytes(engine::collectChart(*workbook, *sheet, chart)));
                    const int slide = int(kinds.size());
                    presentation.addSlide(slide, 12);
                    engine::Presentation::PastedChart pasted;
                    presentation.pasteChart(slide, package, &pasted);
                    kinds.push_back(engine::summarizeChart(pasted.model).kind);
                } catch (const engine::DocumentError&) {
                    // One chart refused; the others are still copied, as in the program.
                }
            }
        }
        if (kinds.empty()) return 0;
        presentation.save(deck);
    } catch (const engine::DocumentError&) {
        return 0;
    }

    // What was saved opens again, every slide and chart in place.
    try {
        const auto reopened = engine::Presentation::open(deck, fuzzsupport::fuzzLimits());
        if (reopened.slideCount() != int(kinds.size())) broken("the saved deck has another number of slides");
        for (int i = 0; i < reopened.slideCount(); ++i) {
            std::vector<QString> parts;
            chartFrames(engine::slide::readSlideModel(reopened, i).elements, &parts);
            if (parts.size() != 1) broken("a slide lost its chart, or gained one");
            if (parts.front().isEmpty() || !reopened.package().hasPart(parts.front()))
                broken("a chart frame names no chart part of the deck");
            if (engine::summarizeChart(reopened.chartModel(parts.front())).kind != kinds[size_t(i)])
                broken("a chart reads back as another kind");
        }
    } catch (const engine::DocumentError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        broken("a deck we saved cannot be read back");
    }
    return 0;
}

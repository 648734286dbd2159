// Fuzz target: bytes on the clipboard under the chart package's type, pasted onto a slide.

#include "FuzzSupport.h"
#include "engine/presentation/Presentation.h"

#include <QMimeData>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QMimeData clipboard;
    clipboard.setData(QString::fromLatin1(engine::kChartPackageMime), fuzzsupport::bytesOf(data, size));
    try {
        auto presentation = engine::Presentation::createNew();
        presentation.addSlide(0, 12);
        presentation.paste(0, clipboard);
        (void)presentation.package().toZipBytes();
    } catch (const engine::DocumentError&) {
    }
    return 0;
}

// Fuzz target: every slide of a presentation drawn as the presentation window draws it: read
// with its layout, master and theme, laid out as a scene, painted into a small picture. Whatever
// the deck holds, drawing must end without a crash, and the scene must stay on finite ground.

#include "FuzzSupport.h"
#include "engine/presentation/Presentation.h"
#include "engine/slide/SlideModel.h"
#include "engine/slide/SlidePainter.h"
#include "engine/slide/SlideScene.h"

#include <QImage>
#include <QPainter>
#include <cmath>

namespace {

constexpr int kMaxSlides = 40;

[[noreturn]] void broken(const char* what) { fuzzsupport::broken("slide scene", what); }

using fuzzsupport::finite;

void check(const engine::slide::SlideScene& scene) {
    using engine::slide::ScenePrimitive;
    for (const ScenePrimitive& p : scene.items) {
        if (p.kind == ScenePrimitive::Kind::Text && !(p.font.pointSizeF() > 0 && std::isfinite(p.font.pointSizeF())))
            broken("text of no size");
        if (p.kind == ScenePrimitive::Kind::Text && !(std::isfinite(p.origin.x()) && std::isfinite(p.origin.y())))
            broken("text at no place");
        if (p.kind == ScenePrimitive::Kind::Image && !p.image.isNull() && !finite(p.source)) broken("a picture cut nowhere");
    }
}

}  // namespace

// Laying out text needs the fonts a GUI application loads; the offscreen platform serves.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startOffscreenGui(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzzsupport::stage(fuzzsupport::bytesOf(data, size), QStringLiteral("deck.pptx"));
    try {
        const auto presentation = engine::Presentation::open(path, fuzzsupport::fuzzLimits());
        QImage picture(64, 36, QImage::Format_ARGB32_Premultiplied);
        for (int i = 0; i < std::min(presentation.slideCount(), kMaxSlides); ++i) {
            try {
                const auto scene = engine::slide::buildSlideScene(engine::slide::readSlideModel(presentation, i));
                check(scene);
                picture.fill(Qt::white);
                QPainter painter(&picture);
                engine::slide::paintSlideScene(scene, painter, QRectF(picture.rect()));
            } catch (const engine::DocumentError&) {
            }
        }
    } catch (const engine::DocumentError&) {
    }
    return 0;
}

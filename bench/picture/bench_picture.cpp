// A slide with one huge picture, read, laid out and painted at slide size (1280 x 720 pixels,
// the 13.33-inch slide at 96 dpi), as the presentation window's pool thread does with a large
// picture and `quillmere-cli render` does with every slide:
//  - BM_PictureOf60000PixelsASide: the kept fuzz input, a valid PNG of 60000 x 60000 pixels
//    (3.6 gigapixels, 10 MB compressed), beyond the bound of what is decoded: its frame is drawn.
//  - BM_LargestDecodedPng: the same deck with a PNG of 5600 x 5600 pixels (31 megapixels),
//    decoded and scaled down to 2400 pixels a side. A PNG is decoded whole before it is scaled,
//    and Qt's image reader refuses a decode of more than 128 MB, so this is about the largest PNG
//    a slide shows.
// Counters: the process's peak resident memory so far (getrusage); run one benchmark alone
// (--benchmark_filter=...) for its own peak. The 5600-pixel PNG is written row by row, so
// making it costs no memory of its own.

#include "engine/presentation/Presentation.h"
#include "engine/slide/SlideModel.h"
#include "engine/slide/SlidePainter.h"
#include "engine/slide/SlideScene.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <zlib.h>

namespace {

const QString kDeck = QStringLiteral(QUILLMERE_SOURCE_ROOT "/fuzz/regressions/picture-of-60000-pixels-a-side.pptx");
const QString kMedia = QStringLiteral("/ppt/media/image1.png");

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QByteArray chunk(const char* type, const QByteArray& body) {
    QByteArray out(4, '\0');
    qToBigEndian(quint32(body.size()), out.data());
    const QByteArray typed = QByteArray(type, 4) + body;
    out += typed;
    QByteArray crc(4, '\0');
    qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))), crc.data());
    return out + crc;
}

// A grey-scale PNG of side x side pixels, a gradient across each row, deflated row by row.
QByteArray streamedPng(int side) {
    QByteArray header(13, '\0');
    qToBigEndian(quint32(side), header.data());
    qToBigEndian(quint32(side), header.data() + 4);
    header[8] = 8;  // bit depth; colour type 0 (grey), no interlace
    QByteArray row(side + 1, '\0');  // filter byte 0, then the pixels
    for (int x = 0; x < side; ++x) row[x + 1] = char(x * 255 / side);
    z_stream z{};
    deflateInit(&z, Z_BEST_SPEED);
    QByteArray compressed;
    QByteArray buffer(1 << 16, '\0');
    for (int y = 0; y < side; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(row.data());
        z.avail_in = uInt(row.size());
        const int flush = y + 1 == side ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer.data());
            z.avail_out = uInt(buffer.size());
            deflate(&z, flush);
            compressed.append(buffer.constData(), buffer.size() - qsizetype(z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", compressed) +
           chunk("IEND", {});
}

void drawSlide(benchmark::State& state, const engine::Presentation& deck, bool expectPicture) {
    QImage page(1280, 720, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const auto scene = engine::slide::buildSlideScene(engine::slide::readSlideModel(deck, 0));
        page.fill(Qt::white);
        QPainter painter(&page);
        engine::slide::paintSlideScene(scene, painter, QRectF(page.rect()));
        painter.end();
        bool picture = false;
        for (const auto& item : scene.items)
            if (item.kind == engine::slide::ScenePrimitive::Kind::Image) picture = true;
        if (picture != expectPicture) state.SkipWithError(expectPicture ? "the picture was not drawn" : "the picture was decoded");
    }
    state.counters["peak_rss_mb"] = peakResidentMegabytes();
}

void BM_PictureOf60000PixelsASide(benchmark::State& state) {
    drawSlide(state, engine::Presentation::open(kDeck), false);
}
BENCHMARK(BM_PictureOf60000PixelsASide)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LargestDecodedPng(benchmark::State& state) {
    engine::Package package = engine::Presentation::open(kDeck).package();
    package.setPart(kMedia, streamedPng(5600));
    drawSlide(state, engine::Presentation::fromPackage(package, QStringLiteral("largest.pptx")), true);
}
BENCHMARK(BM_LargestDecodedPng)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Reading the structure of a legacy .xls workbook stream (sheets, chart objects, their drawing
// shapes) at scale: one worksheet with N chart objects and a drawing of N shapes, the shapes'
// client data placed so that no chart finds its shape (the most searching a reader can be made
// to do). Time per run should grow in proportion to N: the complexity line says so.

#include "engine/legacy/XlsStructure.h"

#include <QByteArray>
#include <benchmark/benchmark.h>

namespace {

QByteArray u16(int v) {
    return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF);
}
QByteArray u32(quint32 v) {
    return u16(int(v & 0xFFFF)) + u16(int(v >> 16));
}
QByteArray record(int type, const QByteArray& body) {
    return u16(type) + u16(int(body.size())) + body;
}
QByteArray art(int verInstance, int type, const QByteArray& body) {
    return u16(verInstance) + u16(type) + u32(quint32(body.size())) + body;
}

// The workbook stream: globals naming one worksheet, then the sheet's substream.
QByteArray workbookStream(int charts) {
    const QByteArray bof = record(0x0809, u16(0x0600) + u16(0x0005) + QByteArray(12, '\0'));
    const QByteArray eof = record(0x000A, {});
    const QByteArray name = "Sheet1";
    const auto boundSheet = [&](quint32 at) {
        return record(0x0085, u32(at) + char(0) + char(0) + char(name.size()) + char(0) + name);
    };
    const QByteArray globals = bof + boundSheet(0) + eof;
    QByteArray stream = bof + boundSheet(quint32(globals.size())) + eof;

    stream += record(0x0809, u16(0x0600) + u16(0x0010) + QByteArray(12, '\0'));
    const QByteArray chartObject =
        record(0x005D, u16(0x0015) + u16(0x0012) + u16(0x0005) + u16(1) + QByteArray(14, '\0') + QByteArray(4, '\0'));
    for (int i = 0; i < charts; ++i) stream += chartObject;
    const QByteArray shape = art(0x000F, 0xF004, art(0x0000, 0xF011, {}));
    QByteArray shapes;
    for (int i = 0; i < charts; ++i) shapes += shape;
    const QByteArray drawing = art(0x000F, 0xF002, art(0x000F, 0xF003, shapes));
    // A drawing record and its continuations, 8224 bytes each at most.
    for (qsizetype at = 0; at < drawing.size(); at += 8224) {
        stream += record(at == 0 ? 0x00EC : 0x003C, drawing.mid(at, 8224));
    }
    return stream + eof;
}

void BM_XlsStructureOfManyChartsAndShapes(benchmark::State& state) {
    const QByteArray stream = workbookStream(int(state.range(0)));
    size_t listed = 0;
    for (auto _ : state) {
        const auto structure = engine::XlsStructure::fromWorkbookStream(stream, QStringLiteral("shapes.xls"));
        listed = structure.worksheets().front()->chartObjects.size();
        benchmark::DoNotOptimize(listed);
    }
    if (listed != size_t(state.range(0))) state.SkipWithError("not every chart object was listed");
    state.SetComplexityN(state.range(0));
    state.counters["charts"] = double(listed);
}
BENCHMARK(BM_XlsStructureOfManyChartsAndShapes)
    ->RangeMultiplier(4)
    ->Range(10000, 160000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();

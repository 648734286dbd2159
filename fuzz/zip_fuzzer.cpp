// Fuzz target: zip reading, as a package and entry by entry in pieces.

#include "FuzzSupport.h"
#include "engine/package/Zip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);
    const QString path = fuzzsupport::stage(bytes, QStringLiteral("input.zip"));
    try {
        engine::ZipReader zip(path, QStringLiteral("input.zip"), fuzzsupport::fuzzLimits());
        for (int i = 0; i < int(zip.entries().size()); ++i) {
            try {
                zip.readInChunks(i, 4096, [](const QByteArray& chunk) { return !chunk.isNull(); });
            } catch (const engine::DocumentError&) {
            }
        }
    } catch (const engine::DocumentError&) {
    }
    try {
        (void)engine::Package::fromZipBytes(bytes, QStringLiteral("input.zip"), fuzzsupport::fuzzLimits());
    } catch (const engine::DocumentError&) {
    }
    return 0;
}

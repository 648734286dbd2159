#include "CursorFile.h"

#include "platform/Failure.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace app {

namespace {

[[noreturn]] void invalid(const QString& path, const QString& fault) {
    throw platform::Failure(QStringLiteral("Invalid picture: %1: %2").arg(path, fault));
}

quint16 word(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

}  // namespace

QCursor readCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) invalid(path, file.errorString());
    const QByteArray bytes = file.readAll();

    // Directory: reserved 0, type 2 (cursor), image count; then 16-byte entries whose
    // fields 4 and 6 are the hot spot's x and y.
    constexpr int kHeader = 6;
    constexpr int kEntry = 16;
    if (bytes.size() < kHeader + kEntry) invalid(path, QStringLiteral("too short for a cursor"));
    if (word(bytes, 0) != 0 || word(bytes, 2) != 2) {
        invalid(path, QStringLiteral("not a cursor file"));
    }
    if (word(bytes, 4) == 0) invalid(path, QStringLiteral("holds no image"));
    const int hotX = word(bytes, kHeader + 4);
    const int hotY = word(bytes, kHeader + 6);
    const quint32 size = dword(bytes, kHeader + 8);
    const quint32 offset = dword(bytes, kHeader + 12);
    if (offset > quint32(bytes.size()) || size > quint32(bytes.size()) - offset) {
        invalid(path, QStringLiteral("image lies outside the file"));
    }

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull()) invalid(path, reader.errorString());
    if (hotX >= image.width() || hotY >= image.height()) {
        invalid(path, QStringLiteral("hot spot outside the image"));
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace app

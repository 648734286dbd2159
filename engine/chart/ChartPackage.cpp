#include "ChartPackage.h"

#include "engine/package/Package.h"

#include <QDataStream>
#include <QIODevice>

namespace engine {

namespace {

constexpr quint32 kMagic = 0x514D4350;  // "QMCP"
constexpr quint32 kVersion = 1;
constexpr quint32 kMaxParts = 4096;
constexpr quint32 kMaxCells = 4'000'000;

const QString kClipboard = QStringLiteral("clipboard");

[[noreturn]] void refuse(const QString& what) {
    throw DocumentError(kClipboard, QString(), what);
}

}  // namespace

QByteArray chartPackageToBytes(const ChartPackage& p) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kVersion << p.sourceFile << p.sheetName << p.chartName << p.cx << p.cy
        << p.date1904 << p.theme;
    out << static_cast<quint32>(p.parts.size());
    for (const auto& part : p.parts) out << part.name << part.contentType << part.data << part.rels;
    out << static_cast<quint32>(p.cells.size());
    for (const auto& cell : p.cells) {
        out << cell.sheet << static_cast<qint32>(cell.row) << static_cast<qint32>(cell.column)
            << cell.value << cell.numberFormat;
    }
    return bytes;
}

ChartPackage chartPackageFromBytes(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kMagic) refuse(QStringLiteral("not a chart package"));
    if (version != kVersion) refuse(QStringLiteral("chart package of an unknown version %1").arg(version));
    ChartPackage p;
    in >> p.sourceFile >> p.sheetName >> p.chartName >> p.cx >> p.cy >> p.date1904 >> p.theme;
    quint32 partCount = 0;
    in >> partCount;
    if (in.status() != QDataStream::Ok || partCount == 0 || partCount > kMaxParts) {
        refuse(QStringLiteral("chart package without a readable chart part"));
    }
    p.parts.reserve(partCount);
    for (quint32 i = 0; i < partCount && in.status() == QDataStream::Ok; ++i) {
        ChartPackage::Part part;
        in >> part.name >> part.contentType >> part.data >> part.rels;
        p.parts.push_back(std::move(part));
    }
    quint32 cellCount = 0;
    in >> cellCount;
    if (in.status() != QDataStream::Ok || cellCount > kMaxCells) {
        refuse(QStringLiteral("chart package data damaged"));
    }
    p.cells.reserve(cellCount);
    for (quint32 i = 0; i < cellCount && in.status() == QDataStream::Ok; ++i) {
        ChartPackage::Cell cell;
        qint32 row = 0, column = 0;
        in >> cell.sheet >> row >> column >> cell.value >> cell.numberFormat;
        cell.row = row;
        cell.column = column;
        if (row < 0 || column < 0 || row >= 1048576 || column >= 16384) {
            refuse(QStringLiteral("chart package cell outside the sheet"));
        }
        p.cells.push_back(std::move(cell));
    }
    if (in.status() != QDataStream::Ok) refuse(QStringLiteral("chart package truncated"));
    if (p.parts.front().name.isEmpty() || p.parts.front().data.isEmpty()) {
        refuse(QStringLiteral("chart package without a chart part"));
    }
    if (p.cx < 0 || p.cy < 0) refuse(QStringLiteral("chart package with a negative size"));
    return p;
}

}  // namespace engine

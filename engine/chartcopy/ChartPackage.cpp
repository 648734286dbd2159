#include "ChartPackage.h"

#include "engine/package/Package.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

constexpr quint32 kMagic = 0x514D4350;  // "QMCP"
// Version 2 writes cell values as a tagged kind and payload instead of a QVariant: a QVariant
// read from foreign bytes can nest lists without bound and recurse until the stack is gone.
// Version 3 adds the producer of the source workbook after the theme; version 2 packages are
// still read (with an unknown producer). Version 4 names each cell's sheet and number format by
// their place in a table written once, instead of spelling both out per cell: a chart of many
// points takes a third less room, and reading it back makes no string per cell. A package
// whose table would not fit 16-bit places is written spelled out. Version 5 adds, after the
// producer, the chart's place on its sheet (where the pasted chart remembers it came from) and
// whether the cells are written by table; versions 2 to 4 are still read.
constexpr quint32 kVersion = 5;
constexpr qsizetype kMaxTable = 65536;
constexpr quint32 kOldestVersion = 2;
constexpr quint32 kMaxCells = 4'000'000;
constexpr qsizetype kMaxNameLength = 2048;
// The largest extent a drawing may give a shape, in EMU (a:ext); paste scales down to the slide.
constexpr qint64 kMaxExtent = 27273042316900;

enum class ValueKind : quint8 { Empty = 0, Number = 1, Text = 2, Truth = 3 };

const QString kClipboard = QStringLiteral("clipboard");

[[noreturn]] void refuse(const QString& what) {
    throw DocumentError(DocumentError::Kind::Corrupt, kClipboard, QString(), what);
}

void writeValue(QDataStream& out, const QVariant& value) {
    if (value.isNull() || !value.isValid()) {
        out << quint8(ValueKind::Empty);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        out << quint8(ValueKind::Truth) << value.toBool();
        return;
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        out << quint8(ValueKind::Number) << value.toDouble();
        return;
    default:
        out << quint8(ValueKind::Text) << value.toString();
        return;
    }
}

QVariant readValue(QDataStream& in) {
    quint8 kind = 0;
    in >> kind;
    switch (ValueKind(kind)) {
    case ValueKind::Empty:
        return QVariant();
    case ValueKind::Number: {
        double number = 0;
        in >> number;
        if (!std::isfinite(number)) refuse(QStringLiteral("chart package cell holds a number that is not finite"));
        return number;
    }
    case ValueKind::Text: {
        QString text;
        in >> text;
        return text;
    }
    case ValueKind::Truth: {
        bool truth = false;
        in >> truth;
        return truth;
    }
    }
    refuse(QStringLiteral("chart package cell of an unknown kind %1").arg(kind));
}

QString readName(QDataStream& in, const char* what) {
    QString name;
    in >> name;
    if (name.size() > kMaxNameLength) refuse(QStringLiteral("chart package %1 too long").arg(QLatin1String(what)));
    return name;
}

void checkStream(const QDataStream& in) {
    if (in.status() != QDataStream::Ok) refuse(QStringLiteral("chart package truncated"));
}

// The cells of a package written by table are most of a long chart's bytes. They are written
// and read here byte by byte, in exactly the form the data stream gives them (big-endian
// integers, an IEEE double, a truth value as one byte), rather than field by field through the
// stream; a text goes through the stream as before.
char* putBigEndian(char* at, quint64 value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) *at++ = char((value >> shift) & 0xFF);
    return at;
}

quint64 takeBigEndian(const uchar* at, int bytes) {
    quint64 value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | at[i];
    return value;
}

// Appends one tabled cell without its value when the value is text, which the stream writes;
// true when the value was written too.
bool putTabledCell(QByteArray& out, quint16 sheet, quint16 format, qint32 row, quint16 column, const QVariant& value) {
    char cell[2 + 2 + 4 + 2 + 1 + 8];
    char* at = putBigEndian(cell, sheet, 2);
    at = putBigEndian(at, format, 2);
    at = putBigEndian(at, quint32(row), 4);
    at = putBigEndian(at, column, 2);
    bool written = true;
    if (value.isNull() || !value.isValid()) {
        *at++ = char(ValueKind::Empty);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            *at++ = char(ValueKind::Truth);
            *at++ = char(value.toBool() ? 1 : 0);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong: {
            const double number = value.toDouble();
            quint64 bits = 0;
            std::memcpy(&bits, &number, sizeof bits);
            *at++ = char(ValueKind::Number);
            at = putBigEndian(at, bits, 8);
            break;
        }
        default:
            *at++ = char(ValueKind::Text);
            written = false;
            break;
        }
    }
    out.append(cell, at - cell);
    return written;
}

}  // namespace

bool chartPackageCarriesRelationship(const QString& type) {
    static const QSet<QString> kTypes = {
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartUserShapes"),
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image"),
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/themeOverride"),
        QStringLiteral("http://schemas.microsoft.com/office/2011/relationships/chartStyle"),
        QStringLiteral("http://schemas.microsoft.com/office/2011/relationships/chartColorStyle"),
    };
    return kTypes.contains(type);
}

bool ChartPackage::isChartex() const {
    return !parts.empty() && parts.front().contentType.compare(QLatin1String(kChartexContentType), Qt::CaseInsensitive) == 0;
}

bool chartPackageCarriesContentType(const QString& contentType) {
    // In lower case: content types are compared ignoring case.
    static const QSet<QString> kTypes = {
        QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chart+xml"),
        QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml"),
        QStringLiteral("application/vnd.openxmlformats-officedocument.themeoverride+xml"),
        QStringLiteral("application/vnd.ms-office.chartstyle+xml"),
        QStringLiteral("application/vnd.ms-office.chartcolorstyle+xml"),
    };
    if (kTypes.contains(contentType.toLower())) return true;
    // Pictures of any raster or vector kind: "image/png", "image/x-emf", "image/svg+xml".
    if (!contentType.startsWith(QLatin1String("image/"), Qt::CaseInsensitive) || contentType.size() <= 6) return false;
    for (const QChar c : contentType) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && !QStringLiteral("/+-._").contains(c)) return false;
    }
    return true;
}

bool chartPackageCarriesPart(const QString& type, const QString& contentType) {
    static const QHash<QString, QString> kKindOf = {
        {QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartUserShapes"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml")},
        {QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/themeOverride"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.themeOverride+xml")},
        {QStringLiteral("http://schemas.microsoft.com/office/2011/relationships/chartStyle"),
         QStringLiteral("application/vnd.ms-office.chartstyle+xml")},
        {QStringLiteral("http://schemas.microsoft.com/office/2011/relationships/chartColorStyle"),
         QStringLiteral("application/vnd.ms-office.chartcolorstyle+xml")},
    };
    if (type == QLatin1String("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image")) {
        return contentType.startsWith(QLatin1String("image/"), Qt::CaseInsensitive) &&
               chartPackageCarriesContentType(contentType);
    }
    const auto kind = kKindOf.constFind(type);
    return kind != kKindOf.constEnd() && kind->compare(contentType, Qt::CaseInsensitive) == 0;
}

bool chartPackageNamesPartById(const QString& sourceContentType, const QString& type) {
    const bool chart = sourceContentType.compare(
                           QLatin1String("application/vnd.openxmlformats-officedocument.drawingml.chart+xml"),
                           Qt::CaseInsensitive) == 0;
    const bool shapes = sourceContentType.compare(
                            QLatin1String("application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml"),
                            Qt::CaseInsensitive) == 0;
    if (type == QLatin1String("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image")) {
        return chart || shapes;
    }
    return chart && type == QLatin1String("http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartUserShapes");
}

QByteArray chartPackageToBytes(const ChartPackage& p) {
    // The table of sheet names and number formats, each once, in the order first met.
    QStringList table;
    QHash<QString, quint16> place;
    std::vector<std::pair<quint16, quint16>> places;  // per cell: sheet, format
    places.reserve(p.cells.size());
    const auto placeOf = [&](const QString& text) -> int {
        const auto it = place.constFind(text);
        if (it != place.constEnd()) return *it;
        if (table.size() >= kMaxTable) return -1;
        place.insert(text, quint16(table.size()));
        table << text;
        return int(table.size() - 1);
    };
    // Cells come in runs of one sheet and one format: the place of the last text asked for is
    // kept at hand.
    const QString* lastText[2] = {nullptr, nullptr};
    int lastPlace[2] = {-1, -1};
    const auto placeAtHand = [&](int which, const QString& text) {
        if (!lastText[which] || *lastText[which] != text) {
            lastText[which] = &text;
            lastPlace[which] = placeOf(text);
        }
        return lastPlace[which];
    };
    bool tabled = true;
    for (const auto& cell : p.cells) {
        const int sheet = placeAtHand(0, cell.sheet);
        const int format = placeAtHand(1, cell.numberFormat);
        if (sheet < 0 || format < 0 || cell.column < 0 || cell.column > 0xFFFF) {
            tabled = false;
            break;
        }
        places.emplace_back(quint16(sheet), quint16(format));
    }

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kVersion << p.sourceFile << p.sheetName << p.chartName << p.cx << p.cy << p.date1904
        << p.theme << p.producerApplication << p.producerVersion << static_cast<qint32>(p.chartIndex) << tabled;
    out << static_cast<quint32>(p.parts.size());
    for (const auto& part : p.parts) out << part.name << part.contentType << part.data << part.rels;
    if (tabled) {
        out << static_cast<quint32>(table.size());
        for (const QString& text : table) out << text;
    }
    out << static_cast<quint32>(p.cells.size());
    if (tabled) {
        // Cells gathered in a buffer written at once, texts through the stream between them.
        QByteArray run;
        run.reserve(qsizetype(std::min<size_t>(p.cells.size(), 1 << 20)) * 19);
        for (size_t i = 0; i < p.cells.size(); ++i) {
            const auto& cell = p.cells[i];
            if (putTabledCell(run, places[i].first, places[i].second, static_cast<qint32>(cell.row),
                              static_cast<quint16>(cell.column), cell.value))
                continue;
            out.writeRawData(run.constData(), int(run.size()));
            run.clear();
            out << cell.value.toString();
        }
        out.writeRawData(run.constData(), int(run.size()));
    } else {
        for (const auto& cell : p.cells) {
            out << cell.sheet << static_cast<qint32>(cell.row) << static_cast<qint32>(cell.column);
            writeValue(out, cell.value);
            out << cell.numberFormat;
        }
    }
    bytes.squeeze();  // grown by doubling, and kept on the clipboard
    return bytes;
}

ChartPackage chartPackageFromBytes(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kMagic) refuse(QStringLiteral("not a chart package"));
    if (version < kOldestVersion || version > kVersion) refuse(QStringLiteral("chart package of an unknown version %1").arg(version));
    ChartPackage p;
    // Strings and byte arrays are read in bounded steps by QDataStream: a length beyond the
    // bytes at hand ends the stream without allocating that length.
    p.sourceFile = readName(in, "file name");
    p.sheetName = readName(in, "sheet name");
    p.chartName = readName(in, "chart name");
    in >> p.cx >> p.cy >> p.date1904 >> p.theme;
    if (version >= 3) {
        p.producerApplication = readName(in, "producer");
        p.producerVersion = readName(in, "producer version");
    }
    bool tabled = version == 4;
    if (version >= 5) {
        qint32 index = -1;
        in >> index >> tabled;
        p.chartIndex = index < 0 ? -1 : index;
    }
    checkStream(in);
    if (p.cx < 0 || p.cy < 0) refuse(QStringLiteral("chart package with a negative size"));
    if (p.cx > kMaxExtent || p.cy > kMaxExtent) refuse(QStringLiteral("chart package with a size beyond any drawing"));

    quint32 partCount = 0;
    in >> partCount;
    if (in.status() != QDataStream::Ok || partCount == 0) {
        refuse(QStringLiteral("chart package without a readable chart part"));
    }
    if (partCount > quint32(kMaxChartPackageParts)) refuse(QStringLiteral("chart package with too many parts"));
    p.parts.reserve(partCount);
    QSet<QString> names;
    for (quint32 i = 0; i < partCount; ++i) {
        ChartPackage::Part part;
        part.name = readName(in, "part name");
        part.contentType = readName(in, "content type");
        in >> part.data >> part.rels;
        checkStream(in);
        part.data.squeeze();  // read in growing steps; the part is kept by the presentation
        if (!isValidPartName(part.name)) {
            refuse(QStringLiteral("chart package part name \"%1\" is not valid").arg(part.name.left(200)));
        }
        if (names.contains(part.name.toLower())) {
            refuse(QStringLiteral("chart package carries %1 twice").arg(part.name));
        }
        names.insert(part.name.toLower());
        const bool isChart =
            part.contentType.compare(QLatin1String(kChartContentType), Qt::CaseInsensitive) == 0 ||
            part.contentType.compare(QLatin1String(kChartexContentType), Qt::CaseInsensitive) == 0;
        if (i == 0 ? !isChart : (isChart || !chartPackageCarriesContentType(part.contentType))) {
            refuse(i == 0 ? QStringLiteral("chart package does not start with a chart part")
                          : QStringLiteral("chart package carries %1 of a kind a chart does not use (%2)")
                                .arg(part.name, part.contentType.left(200)));
        }
        p.parts.push_back(std::move(part));
    }
    QStringList table;
    if (tabled) {
        quint32 entries = 0;
        in >> entries;
        if (in.status() != QDataStream::Ok || entries > quint32(kMaxTable)) refuse(QStringLiteral("chart package data damaged"));
        for (quint32 i = 0; i < entries; ++i) {
            table << readName(in, "sheet name or number format");
            checkStream(in);
        }
    }
    const auto fromTable = [&](quint16 place) {
        if (place >= table.size()) refuse(QStringLiteral("chart package cell names no sheet or format it carries"));
        return table[place];
    };
    quint32 cellCount = 0;
    in >> cellCount;
    if (in.status() != QDataStream::Ok || cellCount > kMaxCells) {
        refuse(QStringLiteral("chart package data damaged"));
    }
    // Each cell takes at least 11 bytes: no more are reserved than the bytes could hold.
    p.cells.reserve(std::min<qsizetype>(cellCount, bytes.size() / 11));
    if (tabled) {
        // Read from the bytes directly, as written by putTabledCell, with the stream's checks
        // in the stream's order; texts through the stream.
        QIODevice* device = in.device();
        const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
        const qint64 size = bytes.size();
        qint64 at = device->pos();
        for (quint32 i = 0; i < cellCount; ++i) {
            constexpr qint64 kFixed = 2 + 2 + 4 + 2 + 1;
            if (size - at < kFixed) refuse(QStringLiteral("chart package truncated"));
            ChartPackage::Cell cell;
            const auto sheet = quint16(takeBigEndian(data + at, 2));
            const auto format = quint16(takeBigEndian(data + at + 2, 2));
            const auto row = qint32(quint32(takeBigEndian(data + at + 4, 4)));
            const auto column = qint32(takeBigEndian(data + at + 8, 2));
            cell.sheet = fromTable(sheet);
            cell.numberFormat = fromTable(format);
            if (row < 0 || row >= 1048576 || column >= 16384) refuse(QStringLiteral("chart package cell outside the sheet"));
            cell.row = row;
            cell.column = column;
            const quint8 kind = data[at + 10];
            at += kFixed;
            switch (ValueKind(kind)) {
            case ValueKind::Empty:
                break;
            case ValueKind::Number: {
                if (size - at < 8) refuse(QStringLiteral("chart package truncated"));
                const quint64 bits = takeBigEndian(data + at, 8);
                at += 8;
                double number = 0;
                std::memcpy(&number, &bits, sizeof number);
                if (!std::isfinite(number)) refuse(QStringLiteral("chart package cell holds a number that is not finite"));
                cell.value = number;
                break;
            }
            case ValueKind::Truth:
                if (size - at < 1) refuse(QStringLiteral("chart package truncated"));
                cell.value = data[at] != 0;
                at += 1;
                break;
            case ValueKind::Text: {
                if (!device->seek(at)) refuse(QStringLiteral("chart package truncated"));
                QString text;
                in >> text;
                checkStream(in);
                cell.value = text;
                at = device->pos();
                break;
            }
            default:
                refuse(QStringLiteral("chart package cell of an unknown kind %1").arg(kind));
            }
            p.cells.push_back(std::move(cell));
        }
        if (!device->seek(at)) refuse(QStringLiteral("chart package truncated"));
    } else {
        for (quint32 i = 0; i < cellCount; ++i) {
            ChartPackage::Cell cell;
            qint32 row = 0, column = 0;
            cell.sheet = readName(in, "sheet name");
            in >> row >> column;
            checkStream(in);
            if (row < 0 || column < 0 || row >= 1048576 || column >= 16384) {
                refuse(QStringLiteral("chart package cell outside the sheet"));
            }
            cell.row = row;
            cell.column = column;
            cell.value = readValue(in);
            in >> cell.numberFormat;
            checkStream(in);
            p.cells.push_back(std::move(cell));
        }
    }
    checkStream(in);
    if (!in.atEnd()) refuse(QStringLiteral("chart package followed by other data"));
    if (p.parts.front().data.isEmpty()) refuse(QStringLiteral("chart package without a chart part"));
    return p;
}

ChartPackageData::ChartPackageData(std::shared_ptr<const ChartPackage> package) : m_package(std::move(package)) {}

QStringList ChartPackageData::formats() const {
    QStringList list = QMimeData::formats();
    list.prepend(QString::fromLatin1(kChartPackageMime));
    return list;
}

bool ChartPackageData::hasFormat(const QString& mimeType) const {
    return mimeType == QLatin1String(kChartPackageMime) || QMimeData::hasFormat(mimeType);
}

QVariant ChartPackageData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType == QLatin1String(kChartPackageMime) && m_package) return chartPackageToBytes(*m_package);
    return QMimeData::retrieveData(mimeType, type);
}

std::shared_ptr<const ChartPackage> ownChartPackage(const QMimeData& data) {
    const auto* own = dynamic_cast<const ChartPackageData*>(&data);
    return own ? own->package() : nullptr;
}

std::shared_ptr<const ChartPackage> chartPackageOf(const QMimeData& data) {
    if (auto own = ownChartPackage(data)) return own;
    const QString format = QString::fromLatin1(kChartPackageMime);
    if (!data.hasFormat(format)) return nullptr;
    return std::make_shared<const ChartPackage>(chartPackageFromBytes(data.data(format)));
}

}  // namespace engine

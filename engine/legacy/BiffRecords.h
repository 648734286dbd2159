#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>

// The record layer of a BIFF8 Workbook stream, shared by the readers of its structure and of its
// charts: little-endian fields, records with their lengths checked against the stream, CONTINUE
// records joined, short Unicode strings. Internal to engine/legacy.
namespace engine::biff {

inline constexpr quint16 kContinue = 0x003C;
// Record types that both readers walk by.
inline constexpr quint16 kBegin = 0x1033;
inline constexpr quint16 kBof = 0x0809;
inline constexpr quint16 kChart3d = 0x103A;
inline constexpr quint16 kChartFormat = 0x1014;
inline constexpr quint16 kCrtLine = 0x101C;
inline constexpr quint16 kDropBar = 0x103D;
inline constexpr quint16 kEnd = 0x1034;
inline constexpr quint16 kEof = 0x000A;
inline constexpr quint16 kObjectLink = 0x1027;
inline constexpr quint16 kSerToCrt = 0x1045;
inline constexpr quint16 kSeriesText = 0x100D;
inline constexpr quint16 kText = 0x1025;

inline quint16 u16(const char* p) { return quint16(quint8(p[0]) | (quint8(p[1]) << 8)); }
inline quint32 u32(const char* p) { return quint32(u16(p)) | (quint32(u16(p + 2)) << 16); }

// Walks the records of one Workbook stream, which it does not own: the stream must outlive it.
// Every failure throws DocumentError naming the file and the stream.
class Reader {
public:
    Reader(const QByteArray& stream, const QString& file) : m_stream(stream), m_file(file) {}

    [[noreturn]] void fail(const QString& what) const {
        throw DocumentError(DocumentError::Kind::Corrupt, m_file, QStringLiteral("Workbook"), what);
    }

    struct Record {
        quint16 type = 0;
        qsizetype offset = 0;  // of the record header in the stream
        const char* data = nullptr;
        qsizetype size = 0;
    };

    // The record at pos; fails when its header or body would run past the end of the stream.
    Record at(qsizetype pos) const {
        if (pos < 0 || pos > m_stream.size() - 4) {
            fail(QStringLiteral("the stream ends inside a record header at offset %1 (damaged or "
                                "truncated file)")
                     .arg(pos));
        }
        Record record;
        record.type = u16(m_stream.constData() + pos);
        record.size = u16(m_stream.constData() + pos + 2);
        record.offset = pos;
        if (record.size > m_stream.size() - pos - 4) {
            fail(QStringLiteral("record 0x%1 at offset %2 runs past the end of the stream (damaged "
                                "or truncated file)")
                     .arg(record.type, 4, 16, QLatin1Char('0'))
                     .arg(pos));
        }
        record.data = m_stream.constData() + pos + 4;
        return record;
    }

    qsizetype size() const { return m_stream.size(); }

    // The record's body followed by the bodies of the CONTINUE records right after it; pos is
    // moved past the last of them.
    QByteArray joined(const Record& record, qsizetype& pos) const {
        QByteArray bytes(record.data, record.size);
        while (pos <= m_stream.size() - 4 && u16(m_stream.constData() + pos) == kContinue) {
            const Record next = at(pos);
            bytes.append(next.data, next.size);
            pos = next.offset + 4 + next.size;
        }
        return bytes;
    }

private:
    const QByteArray& m_stream;
    const QString& m_file;
};

// A ShortXLUnicodeString (count byte, flags byte, Latin-1 or UTF-16 characters); ok false when it
// runs past available.
inline QString shortUnicodeString(const char* p, qsizetype available, bool* ok) {
    *ok = false;
    if (available < 2) return {};
    const int count = quint8(p[0]);
    const bool wide = (quint8(p[1]) & 0x01) != 0;
    const qsizetype bytes = wide ? 2 * qsizetype(count) : count;
    if (bytes > available - 2) return {};
    *ok = true;
    if (!wide) return QString::fromLatin1(p + 2, count);
    QString text(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) text[i] = QChar(u16(p + 2 + 2 * i));
    return text;
}

}  // namespace engine::biff

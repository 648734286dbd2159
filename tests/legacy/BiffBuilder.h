#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

// Pieces of hand-made BIFF8 Workbook streams and OfficeArt drawings for the .xls tests.
namespace biffbuilder {

// Little-endian pieces of hand-made BIFF8 streams and OfficeArt drawings.
inline QByteArray u16(int value) {
    QByteArray bytes(2, '\0');
    bytes[0] = char(value & 0xFF);
    bytes[1] = char((value >> 8) & 0xFF);
    return bytes;
}
inline QByteArray u32(quint32 value) { return u16(int(value & 0xFFFF)) + u16(int(value >> 16)); }
inline QByteArray record(int type, const QByteArray& body) {
    return u16(type) + u16(int(body.size())) + body;
}
inline QByteArray bof(int kind, int version = 0x0600) {
    return record(0x0809, u16(version) + u16(kind) + QByteArray(12, '\0'));
}
inline QByteArray eof() { return record(0x000A, {}); }
inline QByteArray boundSheet(quint32 position, int hidden, int kind, const QByteArray& latin1Name) {
    return record(0x0085, u32(position) + char(hidden) + char(kind) + char(latin1Name.size()) +
                              char(0) + latin1Name);
}
inline QByteArray chartObj(int id, int type = 0x0005) {
    return record(0x005D, u16(0x0015) + u16(0x0012) + u16(type) + u16(id) + QByteArray(14, '\0') +
                              QByteArray(4, '\0'));
}
inline QByteArray art(int verInstance, int type, const QByteArray& body) {
    return u16(verInstance) + u16(type) + u32(quint32(body.size())) + body;
}
inline QByteArray clientData() { return art(0x0000, 0xF011, {}); }
inline QByteArray shape(const QString& name, int column, int row, bool client = true) {
    QByteArray body = art(0x0002, 0xF00A, u32(1024) + u32(0x0A00));
    if (!name.isEmpty()) {
        QByteArray text;
        for (QChar c : name) text += u16(c.unicode());
        text += u16(0);
        body += art((1 << 4) | 0x3, 0xF00B, u16(0x8380) + u32(quint32(text.size())) + text);
    }
    body += art(0x0000, 0xF010,
                u16(0) + u16(column) + u16(0) + u16(row) + u16(0) + u16(column + 8) + u16(0) +
                    u16(row + 15) + u16(0));
    if (client) body += clientData();
    return art(0x000F, 0xF004, body);
}

// A workbook stream of globals and sheets; each sheet's substream is given whole and its BOF
// position filled in.
inline QByteArray workbookStream(const std::vector<std::pair<QByteArray, QByteArray>>& sheets,
                                 const QByteArray& extraGlobals = {}) {
    QByteArray globals = bof(0x0005) + extraGlobals;
    qsizetype position = globals.size() + eof().size();
    for (const auto& [entry, substream] : sheets)
        position += boundSheet(0, 0, 0, entry.mid(2)).size();
    QByteArray entries;
    QByteArray substreams;
    for (const auto& [entry, substream] : sheets) {
        entries +=
            boundSheet(quint32(position + substreams.size()), entry[0], entry[1], entry.mid(2));
        substreams += substream;
    }
    return globals + entries + eof() + substreams;
}

inline QByteArray sheetEntry(int hidden, int kind, const QByteArray& name) {
    return QByteArray(1, char(hidden)) + char(kind) + name;
}

}  // namespace biffbuilder

#pragma once

#include "Package.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <mutex>
#include <vector>

struct zip;

namespace engine {

struct ZipOutEntry;

// The zip container under a package, over libzip. Reading is bounded by Limits: the entry
// count when opening, and per entry the declared and the actual uncompressed size, and the
// ratio of uncompressed to compressed size. Every error names the file (and the entry).
// Reads, and saves that copy entries from it, may come from several threads: they take turns
// on the one libzip handle.
class ZipReader {
public:
    struct Entry {
        QString name;  // as stored, without leading slash
        qint64 size = 0;
        qint64 compressedSize = 0;
        quint32 crc = 0;
        quint16 method = 0;  // ZIP_CM_STORE, ZIP_CM_DEFLATE...
    };

    ZipReader(const QString& path, const QString& displayName, const Limits& limits);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    const std::vector<Entry>& entries() const { return m_entries; }
    // Index into entries() of the entry with that name (ASCII case ignored), -1 when none.
    int find(const QString& name) const;
    // The same for a part name ("/xl/workbook.xml").
    int findPart(const QString& partName) const;
    QByteArray read(int index) const;
    void readInChunks(int index, qint64 chunkBytes,
                      const std::function<bool(const QByteArray&)>& consume) const;

private:
    friend struct ZipWriting;  // copies stored entries raw
    void checkBounds(const Entry& entry) const;
    qint64 inflateBound(const Entry& entry) const;
    [[noreturn]] void throwPastDeclaredSize(const Entry& entry) const;

    zip* m_zip = nullptr;
    mutable std::mutex m_zipInUse;  // libzip's handle serves one thread at a time
    QString m_file;
    Limits m_limits;
    std::vector<Entry> m_entries;
    QHash<QString, int> m_index;       // lower-case name -> index
    QHash<QString, int> m_byPartName;  // part name as stored ("/" + name) -> index
};

// Why a zip without [Content_Types].xml is no Open XML package, for the message refusing it.
QString notAPackageMessage(const ZipReader& zip);

// One entry of a zip being written: bytes, or an entry of an open zip copied as it is stored
// (compressed bytes, method and CRC unchanged, nothing inflated).
struct ZipOutEntry {
    QString name;
    QByteArray data;
    const ZipReader* source = nullptr;  // set for a copied entry; must stay open until written
    int sourceIndex = -1;
};

// Writes a zip file from the entries in the order given; [Content_Types].xml should come
// first. Bytes are deflated at level 6 (entries of a megabyte or more at level 4, for speed),
// except formats that are compressed already (images, audio, video, zips such as embedded
// workbooks), which are stored. Throws DocumentError
// (kind Io) naming displayName, or path when that is empty, on any failure; a disk without
// room for the file is said in so many words.
void writeZipEntries(const QString& path, const std::vector<ZipOutEntry>& entries,
                     const QString& displayName = QString());
void writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries);
// The same zip written in memory and returned as bytes; errors name displayName.
QByteArray zipEntriesToBytes(const std::vector<ZipOutEntry>& entries, const QString& displayName);

// The words for a failed write's errno: a full disk (or quota) and a file past the size the
// disk takes in the user's terms, anything else as the system says it.
QString systemWriteErrorText(int error);

// Reopens the zip at path and checks that it holds exactly the entries, each with the size
// and CRC-32 it should have, without inflating anything. Throws DocumentError naming
// displayName and the first entry found wrong.
void checkWrittenZip(const QString& path, const QString& displayName, const std::vector<ZipOutEntry>& entries,
                     const Limits& limits = {});

}  // namespace engine

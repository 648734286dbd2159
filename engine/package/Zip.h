#pragma once

#include "Package.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

struct zip;

namespace engine {

// The zip container under a package, over libzip. Reading is bounded by Limits: the entry
// count when opening, and per entry the declared and the actual uncompressed size, and the
// ratio of uncompressed to compressed size. Every error names the file (and the entry).
class ZipReader {
public:
    struct Entry {
        QString name;  // as stored, without leading slash
        qint64 size = 0;
        qint64 compressedSize = 0;
    };

    ZipReader(const QString& path, const QString& displayName, const Limits& limits);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    const std::vector<Entry>& entries() const { return m_entries; }
    // Index into entries() of the entry with that name (ASCII case ignored), -1 when none.
    int find(const QString& name) const;
    QByteArray read(int index) const;
    void readInChunks(int index, qint64 chunkBytes,
                      const std::function<bool(const QByteArray&)>& consume) const;

private:
    void checkBounds(const Entry& entry) const;

    zip* m_zip = nullptr;
    QString m_file;
    Limits m_limits;
    std::vector<Entry> m_entries;
    QHash<QString, int> m_index;  // lower-case name -> index
};

// Writes a zip file from named buffers in the order given, deflated; [Content_Types].xml
// should come first. Throws DocumentError naming path on any failure.
void writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries);

}  // namespace engine

#include "Zip.h"
#include "engine/package/FileKind.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <QFile>
#include <zip.h>
#include <zlib.h>

namespace engine {

namespace {

QString zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

// Deflate level of what is written: close to level 9's size at a fraction of its time.
constexpr zip_uint32_t kDeflateLevel = 6;
// Entries this large (a chart's cache of many points, the sheet of its embedded workbook) are
// deflated at level 4: a third of level 6's time for a tenth more bytes (level 1 would save
// little more time for a third more bytes).
constexpr qsizetype kFastDeflateBytes = 1024 * 1024;
constexpr zip_uint32_t kFastDeflateLevel = 4;

// Formats whose bytes deflate gains (next to) nothing on: zips of all kinds, images, audio
// and video. Sound in .wav is not compressed, but deflate does little for it either.
bool isCompressedAlready(const QString& name) {
    static const char* const kExtensions[] = {
        ".xlsx", ".xlsm", ".xlsb", ".xltx", ".xltm", ".docx", ".docm", ".dotx", ".pptx", ".pptm", ".potx",
        ".ppsx", ".odt", ".ods", ".odp", ".zip", ".7z", ".gz", ".bz2", ".xz", ".png", ".jpg", ".jpeg",
        ".jpe", ".jfif", ".gif", ".webp", ".wdp", ".jxr", ".heic", ".emz", ".wmz", ".mp4", ".m4v",
        ".m4a", ".mov", ".avi", ".wmv", ".wma", ".asf", ".mpg", ".mpeg", ".mp3", ".aac", ".ogg",
        ".oga", ".ogv", ".opus", ".flac", ".wav", ".webm", ".mkv", ".3gp"};
    for (const char* ext : kExtensions) {
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive)) return true;
    }
    return false;
}

quint32 crcOf(const QByteArray& data) {
    uLong crc = crc32(0L, Z_NULL, 0);
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const uInt n = uInt(std::min<qsizetype>(left, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(p), n);
        p += n;
        left -= n;
    }
    return quint32(crc);
}

}  // namespace

namespace {

// Says why a file libzip takes for no zip at all is none: a zip whose end (with its directory)
// is missing was cut short; anything else is said by what it starts with.
[[noreturn]] void refuseNonZip(const QString& path, const QString& file) {
    QFile in(path);
    const QByteArray head = in.open(QIODevice::ReadOnly) ? in.read(512) : QByteArray();
    if (head.startsWith("PK\x03\x04")) {
        throw DocumentError(
            DocumentError::Kind::Corrupt, file, QString(),
            QStringLiteral("the file is cut short or damaged: its zip directory is missing "
                           "(an incomplete download or copy?)"));
    }
    const QString what = describeFileStart(head, in.size());
    throw DocumentError(DocumentError::Kind::Unsupported, file, QString(),
                        what.isEmpty() ? QStringLiteral("not a zip package")
                                       : QStringLiteral("not a zip package: the file is %1").arg(what));
}

}  // namespace

QString notAPackageMessage(const ZipReader& zip) {
    return zip.find(QStringLiteral("mimetype")) >= 0
               ? QStringLiteral("not an Open XML package (no [Content_Types].xml): the file is an OpenDocument file")
               : QStringLiteral("not an Open XML package (no [Content_Types].xml): the file is a zip archive of other files");
}

ZipReader::ZipReader(const QString& path, const QString& displayName, const Limits& limits)
    : m_file(displayName), m_limits(limits) {
    if (!QFile::exists(path)) throw DocumentError(DocumentError::Kind::Missing, m_file, QString(), QStringLiteral("file not found"));
    int code = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!m_zip) {
        switch (code) {
            case ZIP_ER_NOZIP:
                refuseNonZip(path, m_file);
            case ZIP_ER_INCONS:
                throw DocumentError(DocumentError::Kind::Corrupt, m_file, QString(),
                                    QStringLiteral("damaged or truncated zip package"));
            case ZIP_ER_OPEN:
            case ZIP_ER_READ:
                throw DocumentError(DocumentError::Kind::Io, m_file, QString(), QStringLiteral("cannot be read"));
            default:
                throw DocumentError(DocumentError::Kind::Corrupt, m_file, QString(),
                                    zipErrorText(code));
        }
    }
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    if (count < 0 || count > m_limits.maxEntries) {
        zip_close(m_zip);
        m_zip = nullptr;
        throw DocumentError(DocumentError::Kind::OverLimit, m_file, QString(),
                            QStringLiteral("too many zip entries (%1, at most %2)")
                                .arg(count)
                                .arg(m_limits.maxEntries));
    }
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        Entry e;
        e.name = QString::fromUtf8(st.name ? st.name : "");
        e.size = (st.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(st.size) : 0;
        e.compressedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? static_cast<qint64>(st.comp_size) : 0;
        e.crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
        e.method = (st.valid & ZIP_STAT_COMP_METHOD) ? st.comp_method : 0;
        total += e.size;
        m_index.insert(e.name.toLower(), static_cast<int>(m_entries.size()));
        m_byPartName.insert(partNameFromZipEntry(e.name), static_cast<int>(m_entries.size()));
        m_entries.push_back(e);
    }
    if (total > m_limits.maxTotalBytes) {
        zip_close(m_zip);
        m_zip = nullptr;
        throw DocumentError(DocumentError::Kind::OverLimit, m_file, QString(),
                            QStringLiteral("uncompressed size too large (%1 bytes)").arg(total));
    }
}

ZipReader::~ZipReader() {
    if (m_zip) zip_discard(m_zip);
}

int ZipReader::find(const QString& name) const { return m_index.value(name.toLower(), -1); }

int ZipReader::findPart(const QString& partName) const {
    // Readers nearly always name a part as the zip spells it: one look-up, no copy.
    const int exact = m_byPartName.value(partName, -1);
    return exact >= 0 ? exact : find(zipEntryFromPartName(partName));
}

void ZipReader::checkBounds(const Entry& e) const {
    const QString part = partNameFromZipEntry(e.name);
    if (e.size > m_limits.maxPartBytes) {
        throw DocumentError(DocumentError::Kind::OverLimit, m_file, part,
                            QStringLiteral("part too large (%1 bytes uncompressed)").arg(e.size));
    }
    if (e.size > m_limits.ratioFloorBytes &&
        static_cast<double>(e.size) > m_limits.maxRatio * static_cast<double>(std::max<qint64>(e.compressedSize, 1))) {
        throw DocumentError(DocumentError::Kind::OverLimit, m_file, part,
                            QStringLiteral("compression ratio too high (%1 bytes from %2)")
                                .arg(e.size)
                                .arg(e.compressedSize));
    }
}

namespace {

using ZipFile = std::unique_ptr<zip_file_t, int (*)(zip_file_t*)>;

// Closed on every way out, also when a consumer throws (a reader refusing the part).
ZipFile openEntry(zip_t* zip, int index, const QString& file, const QString& part) {
    ZipFile opened(zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0), zip_fclose);
    if (!opened)
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("cannot be opened in the zip"));
    return opened;
}

// Inflates up to size bytes into data; the count, 0 at the end of the entry.
qint64 readSome(zip_file_t* f, char* data, qint64 size, const QString& file, const QString& part) {
    const zip_int64_t n = zip_fread(f, data, static_cast<zip_uint64_t>(size));
    if (n < 0) {
        const QString why = QString::fromUtf8(zip_error_strerror(zip_file_get_error(f)));
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("damaged zip data (%1)").arg(why));
    }
    return n;
}

}  // namespace

// The declared size may lie; the bound holds on what is actually inflated.
qint64 ZipReader::inflateBound(const Entry& e) const {
    return std::min(m_limits.maxPartBytes, std::max<qint64>(e.size, 0) + 1);
}

void ZipReader::throwPastDeclaredSize(const Entry& e) const {
    throw DocumentError(DocumentError::Kind::OverLimit, m_file, partNameFromZipEntry(e.name),
                        QStringLiteral("inflates past its declared size (%1 bytes)").arg(e.size));
}

void ZipReader::readInChunks(int index, qint64 chunkBytes,
                             const std::function<bool(const QByteArray&)>& consume) const {
    const Entry& e = m_entries.at(static_cast<size_t>(index));
    const QString part = partNameFromZipEntry(e.name);
    checkBounds(e);
    const std::lock_guard lock(m_zipInUse);
    const ZipFile file = openEntry(m_zip, index, m_file, part);
    const qint64 bound = inflateBound(e);
    QByteArray buffer(static_cast<qsizetype>(std::max<qint64>(chunkBytes, 4096)), Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        const qint64 n = readSome(file.get(), buffer.data(), buffer.size(), m_file, part);
        if (n == 0) break;
        done += n;
        if (done > bound) throwPastDeclaredSize(e);
        // Handed over without a copy: the piece lives until the next read into the buffer.
        if (!consume(QByteArray::fromRawData(buffer.constData(), static_cast<qsizetype>(n)))) break;
    }
}

QByteArray ZipReader::read(int index) const {
    const Entry& e = m_entries.at(static_cast<size_t>(index));
    const QString part = partNameFromZipEntry(e.name);
    checkBounds(e);
    const std::lock_guard lock(m_zipInUse);
    const ZipFile file = openEntry(m_zip, index, m_file, part);
    // Inflated straight into the result, one byte past the bound so that a part longer than
    // it says is caught.
    const qint64 bound = inflateBound(e);
    QByteArray out(static_cast<qsizetype>(bound + 1), Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        const qint64 n = readSome(file.get(), out.data() + done, out.size() - done, m_file, part);
        if (n == 0) break;
        done += n;
        if (done > bound) throwPastDeclaredSize(e);
    }
    out.truncate(static_cast<qsizetype>(done));
    return out;
}

QString systemWriteErrorText(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("there is not enough space on the disk");
    case EFBIG:
        return QStringLiteral("the file is too large for this disk");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

namespace {
// A write that failed for want of space says so in the user's words; anything else as libzip
// puts it.
QString writeErrorText(zip_t* z) {
    zip_error_t* error = zip_get_error(z);
    if (zip_error_system_type(error) == ZIP_ET_SYS) {
        const int system = zip_error_code_system(error);
        if (system == ENOSPC || system == EDQUOT || system == EFBIG) return systemWriteErrorText(system);
    }
    return QString::fromUtf8(zip_strerror(z));
}
}  // namespace

// 1980-01-01 12:00 UTC: the first day zip's dates can hold, in every time zone.
constexpr time_t kEntryTime = 315576000;

// Adds the entries to an archive opened for writing and closes it, which writes it. On any
// failure the archive is discarded and DocumentError names `shown`.
struct ZipWriting {
    static void addEntriesAndClose(zip_t* z, const std::vector<ZipOutEntry>& entries, const QString& shown);
};

void ZipWriting::addEntriesAndClose(zip_t* z, const std::vector<ZipOutEntry>& entries, const QString& shown) {
    // The zips entries are copied from are read at zip_close; no other read may interleave.
    std::vector<const ZipReader*> sources;
    for (const ZipOutEntry& entry : entries) {
        if (entry.source) sources.push_back(entry.source);
    }
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    std::vector<std::unique_lock<std::mutex>> locks;
    for (const ZipReader* source : sources) locks.emplace_back(source->m_zipInUse);

    for (const ZipOutEntry& entry : entries) {
        zip_source_t* src = nullptr;
        if (entry.source) {
            // The stored bytes as they are: libzip copies them without inflating when the entry
            // keeps its method.
            src = zip_source_zip(z, entry.source->m_zip, static_cast<zip_uint64_t>(entry.sourceIndex),
                                 ZIP_FL_COMPRESSED, 0, -1);
        } else {
            // The buffers outlive zip_close: libzip reads them only when writing.
            src = zip_source_buffer(z, entry.data.constData(), static_cast<zip_uint64_t>(entry.data.size()), 0);
        }
        zip_int64_t index = -1;
        if (src) index = zip_file_add(z, entry.name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index >= 0) {
            const auto i = static_cast<zip_uint64_t>(index);
            int result = 0;
            if (entry.source) {
                const ZipReader::Entry& stored = entry.source->entries().at(size_t(entry.sourceIndex));
                result = zip_set_file_compression(z, i, stored.method, 0);
            } else if (isCompressedAlready(entry.name)) {
                result = zip_set_file_compression(z, i, ZIP_CM_STORE, 0);
            } else {
                result = zip_set_file_compression(
                    z, i, ZIP_CM_DEFLATE, entry.data.size() >= kFastDeflateBytes ? kFastDeflateLevel : kDeflateLevel);
            }
            // Entries made here carry one fixed time, as the office applications' own do, so
            // that the same document gives the same bytes whenever it is written.
            if (result == 0 && !entry.source) result = zip_file_set_mtime(z, i, kEntryTime, 0);
            if (result != 0) index = -1;
        } else if (src) {
            zip_source_free(src);
        }
        if (index < 0) {
            const QString why = writeErrorText(z);
            zip_discard(z);
            throw DocumentError(DocumentError::Kind::Io, shown, entry.name, QStringLiteral("cannot be added: ") + why);
        }
    }
    if (zip_close(z) != 0) {
        const QString why = writeErrorText(z);
        zip_discard(z);
        throw DocumentError(DocumentError::Kind::Io, shown, QString(), QStringLiteral("cannot be written: ") + why);
    }
}

void writeZipEntries(const QString& path, const std::vector<ZipOutEntry>& entries, const QString& displayName) {
    const QString shown = displayName.isEmpty() ? path : displayName;
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) throw DocumentError(DocumentError::Kind::Io, shown, QString(), QStringLiteral("cannot be created: ") + zipErrorText(code));
    ZipWriting::addEntriesAndClose(z, entries, shown);
}

QByteArray zipEntriesToBytes(const std::vector<ZipOutEntry>& entries, const QString& displayName) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    const auto fail = [&](const QString& what) {
        const QString why = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw DocumentError(DocumentError::Kind::Io, displayName, QString(), what + why);
    };
    if (!buffer) fail(QStringLiteral("cannot be made in memory: "));
    // The archive is written into the buffer, which outlives it to be read back.
    struct Release {
        zip_source_t* source;
        ~Release() { zip_source_free(source); }
    } release{buffer};
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!z) fail(QStringLiteral("cannot be made in memory: "));
    zip_source_keep(buffer);
    ZipWriting::addEntriesAndClose(z, entries, displayName);

    QByteArray bytes;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(buffer, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || zip_source_open(buffer) != 0) {
        zip_error_set(&error, ZIP_ER_READ, 0);
        fail(QStringLiteral("cannot be read back: "));
    }
    bytes.resize(qsizetype(stat.size));
    const zip_int64_t read = zip_source_read(buffer, bytes.data(), stat.size);
    zip_source_close(buffer);
    if (read != zip_int64_t(stat.size)) {
        zip_error_set(&error, ZIP_ER_READ, 0);
        fail(QStringLiteral("cannot be read back: "));
    }
    zip_error_fini(&error);
    return bytes;
}

void writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries) {
    std::vector<ZipOutEntry> out;
    out.reserve(entries.size());
    for (const auto& [name, data] : entries) out.push_back({name, data, nullptr, -1});
    writeZipEntries(path, out);
}

void checkWrittenZip(const QString& path, const QString& displayName, const std::vector<ZipOutEntry>& entries,
                     const Limits& limits) {
    ZipReader check(path, displayName, limits);
    if (check.entries().size() != entries.size()) {
        throw DocumentError(DocumentError::Kind::Io, displayName, QString(), QStringLiteral("written file lost parts"));
    }
    for (const ZipOutEntry& entry : entries) {
        const int index = check.find(entry.name);
        bool same = index >= 0;
        if (same) {
            const ZipReader::Entry& written = check.entries()[size_t(index)];
            if (entry.source) {
                const ZipReader::Entry& stored = entry.source->entries().at(size_t(entry.sourceIndex));
                same = written.size == stored.size && written.crc == stored.crc;
            } else {
                same = written.size == entry.data.size() && written.crc == crcOf(entry.data);
            }
        }
        if (!same) {
            throw DocumentError(DocumentError::Kind::Io, displayName, partNameFromZipEntry(entry.name),
                                QStringLiteral("written part does not read back"));
        }
    }
}

}  // namespace engine

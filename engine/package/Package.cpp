#include "Package.h"
#include "Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace engine {

namespace {

const QString kContentTypesPart = QStringLiteral("/[Content_Types].xml");

// Flushes a file or folder to the disk; the errno of a failed flush, or 0 (also where the file
// system cannot flush at all). A file system that allocates late (network file systems, some
// quotas) reports a full disk only here.
int fsyncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return errno;
    const int result = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return result;
}

}  // namespace

Package Package::load(const QString& path, const Limits& limits) {
    return open(path, QFileInfo(path).fileName(), limits, false);
}

Package Package::open(const QString& path, const QString& name, const Limits& limits, bool readAll) {
    auto zip = std::make_shared<const ZipReader>(path, name, limits);
    Package package;
    package.m_name = name;
    const int ct = zip->find(QStringLiteral("[Content_Types].xml"));
    if (ct < 0) {
        throw DocumentError(DocumentError::Kind::Unsupported, name, QString(),
                            notAPackageMessage(*zip));
    }
    package.m_contentTypes = ContentTypes::parse(zip->read(ct), name, limits);
    qint64 total = 0;
    for (int i = 0; i < static_cast<int>(zip->entries().size()); ++i) {
        const auto& e = zip->entries()[static_cast<size_t>(i)];
        if (i == ct || e.name.endsWith(u'/')) continue;
        const QString part = partNameFromZipEntry(e.name);
        if (!isValidPartName(part)) {
            throw DocumentError(name, QString(),
                                QStringLiteral("zip entry \"%1\" is not a valid part name").arg(e.name));
        }
        const QString key = part.toLower();
        if (package.m_spelling.contains(key)) {
            throw DocumentError(name, part, QStringLiteral("part stored twice"));
        }
        package.m_order << part;
        package.m_spelling.insert(key, part);
        if (readAll) {
            QByteArray data = zip->read(i);
            total += data.size();
            if (total > limits.maxTotalBytes) {
                throw DocumentError(DocumentError::Kind::OverLimit, name, QString(), QStringLiteral("uncompressed size too large"));
            }
            package.m_parts.insert(key, data);
        } else {
            package.m_stored.insert(key, i);
        }
    }
    if (!readAll) package.m_source = std::move(zip);
    return package;
}

Package Package::fromZipBytes(const QByteArray& bytes, const QString& name, const Limits& limits) {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/quillmere-XXXXXX.zip"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        throw DocumentError(DocumentError::Kind::Io, name, QString(), QStringLiteral("cannot be staged for reading"));
    }
    file.close();
    // The staging file goes with this call, so everything is read now.
    return open(file.fileName(), name, limits, true);
}

bool Package::hasPart(const QString& partName) const {
    return m_spelling.contains(partName.toLower());
}

const QByteArray& Package::part(const QString& partName) const {
    const QString key = partName.toLower();
    auto it = m_parts.constFind(key);
    if (it != m_parts.constEnd()) return *it;
    const auto stored = m_stored.constFind(key);
    if (stored == m_stored.constEnd()) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, partName, QStringLiteral("part is missing"));
    }
    return *m_parts.insert(key, m_source->read(*stored));
}

void Package::setPart(const QString& partName, const QByteArray& data) {
    const QString key = partName.toLower();
    if (!m_spelling.contains(key)) {
        m_order << partName;
        m_spelling.insert(key, partName);
    }
    m_stored.remove(key);
    m_parts.insert(key, data);
}

void Package::removePart(const QString& partName) {
    const QString key = partName.toLower();
    if (!m_spelling.contains(key)) return;
    m_parts.remove(key);
    m_stored.remove(key);
    m_order.removeIf([&](const QString& n) { return n.toLower() == key; });
    m_spelling.remove(key);
    m_contentTypes.removeOverride(partName);
}

Relationships Package::relationships(const QString& sourcePart) const {
    const QString relsPart = relationshipsPartName(sourcePart);
    if (!hasPart(relsPart)) return {};
    return Relationships::parse(part(relsPart), sourcePart, m_name);
}

void Package::setRelationships(const QString& sourcePart, const Relationships& rels) {
    const QString relsPart = relationshipsPartName(sourcePart);
    if (rels.empty()) {
        removePart(relsPart);
        return;
    }
    setPart(relsPart, rels.serialize());
}

QString Package::freePartName(const QString& pattern) const {
    for (int n = 1;; ++n) {
        const QString name = pattern.arg(n);
        if (!hasPart(name)) return name;
    }
}

std::vector<ZipOutEntry> Package::zipEntries() const {
    std::vector<ZipOutEntry> entries;
    entries.push_back({QStringLiteral("[Content_Types].xml"), m_contentTypes.serialize(), nullptr, -1});
    for (const QString& name : m_order) {
        // A name that would leave the package's folders is never written, whoever set it.
        if (!isValidPartName(name)) {
            throw DocumentError(m_name, QString(), QStringLiteral("\"%1\" is not a valid part name").arg(name));
        }
        const auto stored = m_stored.constFind(name.toLower());
        if (stored != m_stored.constEnd()) {
            entries.push_back({zipEntryFromPartName(name), {}, m_source.get(), *stored});
        } else {
            entries.push_back({zipEntryFromPartName(name), part(name), nullptr, -1});
        }
    }
    return entries;
}

QByteArray Package::toZipBytes() const {
    return zipEntriesToBytes(zipEntries(), m_name);
}

namespace {
// Temporary files of earlier saves of the same file that never reached their rename (the
// program was killed, the machine lost power): the save that just replaced the file makes
// them worthless, so it takes them away.
// Also taken: the zip writer's own temporary of such a file (".deck.pptx.AbC123.tmp.XyZ789"),
// left when the kill came while it was writing.
void removeStaleTemporaries(const QDir& dir, const QString& display) {
    const QString prefix = u'.' + display + u'.';
    for (const QString& name : dir.entryList({prefix + QStringLiteral("*.tmp*")}, QDir::Files | QDir::Hidden)) {
        const qsizetype ours = prefix.size() + 6 + 4;  // XXXXXX.tmp
        const bool temporary = name.size() == ours && name.endsWith(QLatin1String(".tmp"));
        const bool writers = name.size() == ours + 7 && name.mid(ours - 4, 5) == QLatin1String(".tmp.");
        if (temporary || writers) QFile::remove(dir.filePath(name));
    }
}
}  // namespace

void Package::saveAtomically(const QString& path) const {
    const QFileInfo target(path);
    const QString display = target.fileName();
    QDir dir = target.absoluteDir();
    if (!dir.exists()) throw DocumentError(DocumentError::Kind::Missing, display, QString(), QStringLiteral("folder does not exist"));
    // The temporary file sits beside the target so the final rename stays on one file system.
    QTemporaryFile reserve(dir.filePath(QStringLiteral(".%1.XXXXXX.tmp").arg(display)));
    if (!reserve.open()) {
        throw DocumentError(DocumentError::Kind::Io, display, QString(), QStringLiteral("cannot write in ") + dir.path());
    }
    // An unnamed temporary file gets its name only now, and may fail to get one.
    const QString temp = reserve.fileName();
    if (temp.isEmpty()) {
        throw DocumentError(DocumentError::Kind::Io, display, QString(), QStringLiteral("cannot write in ") + dir.path());
    }
    reserve.close();
    reserve.setAutoRemove(false);
    auto discard = [&] { QFile::remove(temp); };
    try {
        const auto entries = zipEntries();
        writeZipEntries(temp, entries, display);
        if (const int error = fsyncPath(temp)) {
            throw DocumentError(DocumentError::Kind::Io, display, QString(),
                                QStringLiteral("cannot be written: ") + systemWriteErrorText(error));
        }
        // Reopen what was written and check every entry's size and CRC before it may replace
        // anything.
        checkWrittenZip(temp, display, entries);
    } catch (...) {
        discard();
        throw;
    }
    // A temporary file is private to its owner; the saved document gets the usual permissions,
    // or keeps those of the file it replaces.
    QFile::setPermissions(temp, target.exists()
                                    ? QFile::permissions(path)
                                    : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        discard();
        throw DocumentError(DocumentError::Kind::Io, display, QString(), QStringLiteral("cannot replace the file"));
    }
    // The rename is done; a folder that cannot be flushed leaves nothing to undo.
    fsyncPath(dir.absolutePath());
    removeStaleTemporaries(dir, display);
}

}  // namespace engine

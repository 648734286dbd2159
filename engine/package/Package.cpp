#include "Package.h"
#include "FileReplacement.h"
#include "Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <mutex>
#include <sys/stat.h>

namespace engine {

namespace {

const QString kContentTypesPart = QStringLiteral("/[Content_Types].xml");

// Who the file at a path is: a file replaced by a rename has another inode, one rewritten in
// place another time of change or size.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileIdentity of(const QString& path) {
        struct stat s {};
        FileIdentity id;
        if (::stat(QFile::encodeName(path).constData(), &s) != 0) return id;
        id = {true, s.st_dev, s.st_ino, s.st_size, s.st_mtim};
        return id;
    }
    bool operator==(const FileIdentity& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

}  // namespace

struct Package::FileBasis {
    std::mutex mutex;
    QString path;  // canonical; empty when the package came from no file
    FileIdentity identity;

    void set(const QString& file, const FileIdentity& id) {
        const std::lock_guard lock(mutex);
        path = QFileInfo(file).canonicalFilePath();
        identity = id;
    }
    // Throws when path is the file this basis is of, and it is no longer as it was.
    void requireUnchanged(const QString& file, const QString& display) {
        const std::lock_guard lock(mutex);
        if (path.isEmpty() || QFileInfo(file).canonicalFilePath() != path) return;
        const FileIdentity now = FileIdentity::of(file);
        if (now.exists && !(now == identity)) {
            throw DocumentError(DocumentError::Kind::Io, display, QString(),
                                QStringLiteral("was changed by another program after it was read; "
                                               "not saved, so that neither change is lost"));
        }
    }
};

Package::Package() : m_basis(std::make_shared<FileBasis>()) {}

Package Package::load(const QString& path, const Limits& limits) {
    // Taken before the file is opened: a file replaced in between is then taken for changed,
    // which refuses a save rather than lose a change.
    const FileIdentity identity = FileIdentity::of(path);
    Package package = open(path, QFileInfo(path).fileName(), limits, false);
    package.m_basis->set(path, identity);
    return package;
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
            throw DocumentError(
                DocumentError::Kind::Corrupt, name, QString(),
                QStringLiteral("zip entry \"%1\" is not a valid part name").arg(e.name));
        }
        const QString key = part.toLower();
        if (package.m_spelling.contains(key)) {
            throw DocumentError(DocumentError::Kind::Corrupt, name, part,
                                QStringLiteral("part stored twice"));
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
    {
        const std::lock_guard guard(m_freeFrom->lock);
        m_freeFrom->next.clear();
    }
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
    return freePartName(pattern, {});
}

QString Package::freePartName(const QString& pattern, const QSet<QString>& reserved) const {
    // Numbers below the hint were all taken when last asked; only a removal frees one again.
    // Reserved names are not in the package yet, so the hint stays below them.
    const std::lock_guard guard(m_freeFrom->lock);
    int& hint = m_freeFrom->next[pattern];
    bool hintMoved = false;
    for (int n = std::max(hint, 1);; ++n) {
        const QString name = pattern.arg(n);
        if (hasPart(name)) continue;
        if (!hintMoved) {
            hint = n;
            hintMoved = true;
        }
        if (!reserved.contains(name.toLower())) return name;
    }
}

void Package::setContentType(const QString& partName, const QString& contentType) {
    static const QString workbookType =
        QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
    const qsizetype slash = partName.lastIndexOf(u'/');
    const qsizetype dot = partName.lastIndexOf(u'.');
    const QString extension = dot > slash ? partName.mid(dot + 1).toLower() : QString();
    const bool byExtension =
        contentType.startsWith(QStringLiteral("image/")) || contentType == workbookType;
    if (byExtension && !extension.isEmpty() && !m_contentTypes.hasDefault(extension)) {
        m_contentTypes.setDefault(extension, contentType);
        return;
    }
    if (m_contentTypes.of(partName) != contentType)
        m_contentTypes.setOverride(partName, contentType);
}

Package::AddedPart Package::addPart(const QString& pattern, const QByteArray& data,
                                    const QString& contentType, const QString& sourcePart,
                                    Relationships& sourceRels, const QString& relationshipType) {
    // Everything is checked before the first change.
    if (contentType.isEmpty()) {
        throw DocumentError(DocumentError::Kind::Unsupported, m_name, pattern,
                            QStringLiteral("a part needs a content type"));
    }
    if (!sourcePart.isEmpty() && !hasPart(sourcePart)) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, sourcePart,
                            QStringLiteral("part is missing, so nothing can be related to it"));
    }
    QString name;
    if (pattern.contains(QStringLiteral("%1"))) {
        if (!isValidPartName(pattern.arg(1))) {
            throw DocumentError(
                DocumentError::Kind::Unsupported, m_name, QString(),
                QStringLiteral("\"%1\" does not make valid part names").arg(pattern));
        }
        name = freePartName(pattern);
    } else {
        if (!isValidPartName(pattern)) {
            throw DocumentError(DocumentError::Kind::Unsupported, m_name, QString(),
                                QStringLiteral("\"%1\" is not a valid part name").arg(pattern));
        }
        if (hasPart(pattern)) {
            throw DocumentError(DocumentError::Kind::Corrupt, m_name, pattern,
                                QStringLiteral("part already exists"));
        }
        name = pattern;
    }
    setPart(name, data);
    setContentType(name, contentType);
    return {name, sourceRels.add(relationshipType, sourcePart, name)};
}

Package::AddedPart Package::addPart(const QString& pattern, const QByteArray& data,
                                    const QString& contentType, const QString& sourcePart,
                                    const QString& relationshipType) {
    Relationships rels = relationships(sourcePart);
    const AddedPart added = addPart(pattern, data, contentType, sourcePart, rels, relationshipType);
    setRelationships(sourcePart, rels);
    return added;
}

std::vector<ZipOutEntry> Package::zipEntries() const {
    std::vector<ZipOutEntry> entries;
    entries.push_back({QStringLiteral("[Content_Types].xml"), m_contentTypes.serialize(), nullptr, -1});
    for (const QString& name : m_order) {
        // A name that would leave the package's folders is never written, whoever set it.
        if (!isValidPartName(name)) {
            throw DocumentError(DocumentError::Kind::Corrupt, m_name, QString(),
                                QStringLiteral("\"%1\" is not a valid part name").arg(name));
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

void Package::saveAtomically(const QString& path, const Limits& limits) const {
    const QString display = QFileInfo(path).fileName();
    // The temporary file sits beside the target so the final rename stays on one file system;
    // from here to the rename this program's other writers into the folder wait.
    FileReplacement out(path, display);
    m_basis->requireUnchanged(path, display);
    const auto entries = zipEntries();
    writeZipEntries(out.temporaryPath(), entries, display);
    // Reopen what was written and check every entry's size and CRC before it may replace
    // anything.
    checkWrittenZip(out.temporaryPath(), display, entries, limits);
    out.commit(true);
    m_basis->set(path, FileIdentity::of(path));
}

}  // namespace engine

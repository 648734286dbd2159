#include "Package.h"
#include "Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace engine {

namespace {

const QString kContentTypesPart = QStringLiteral("/[Content_Types].xml");

void fsyncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

Package Package::load(const QString& path, const Limits& limits) {
    const QString display = QFileInfo(path).fileName();
    ZipReader zip(path, display, limits);
    Package package;
    package.m_name = display;
    const int ct = zip.find(QStringLiteral("[Content_Types].xml"));
    if (ct < 0) {
        throw DocumentError(DocumentError::Kind::Unsupported, display, QString(),
                            QStringLiteral("not an Open XML package (no [Content_Types].xml)"));
    }
    package.m_contentTypes = ContentTypes::parse(zip.read(ct), display, limits);
    qint64 total = 0;
    for (int i = 0; i < static_cast<int>(zip.entries().size()); ++i) {
        const auto& e = zip.entries()[static_cast<size_t>(i)];
        if (i == ct || e.name.endsWith(u'/')) continue;
        const QString part = partNameFromZipEntry(e.name);
        if (!isValidPartName(part)) {
            throw DocumentError(display, QString(),
                                QStringLiteral("zip entry \"%1\" is not a valid part name").arg(e.name));
        }
        if (package.hasPart(part)) {
            throw DocumentError(display, part, QStringLiteral("part stored twice"));
        }
        QByteArray data = zip.read(i);
        total += data.size();
        if (total > limits.maxTotalBytes) {
            throw DocumentError(DocumentError::Kind::OverLimit, display, QString(), QStringLiteral("uncompressed size too large"));
        }
        package.setPart(part, data);
    }
    return package;
}

Package Package::fromZipBytes(const QByteArray& bytes, const QString& name, const Limits& limits) {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/quillmere-XXXXXX.zip"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        throw DocumentError(DocumentError::Kind::Io, name, QString(), QStringLiteral("cannot be staged for reading"));
    }
    file.close();
    Package package = load(file.fileName(), limits);
    package.m_name = name;
    return package;
}

bool Package::hasPart(const QString& partName) const {
    return m_parts.contains(partName.toLower());
}

const QByteArray& Package::part(const QString& partName) const {
    auto it = m_parts.constFind(partName.toLower());
    if (it == m_parts.constEnd()) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, partName, QStringLiteral("part is missing"));
    }
    return *it;
}

void Package::setPart(const QString& partName, const QByteArray& data) {
    const QString key = partName.toLower();
    if (!m_parts.contains(key)) {
        m_order << partName;
        m_spelling.insert(key, partName);
    }
    m_parts.insert(key, data);
}

void Package::removePart(const QString& partName) {
    const QString key = partName.toLower();
    if (!m_parts.remove(key)) return;
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

namespace {
std::vector<std::pair<QString, QByteArray>> zipEntries(const Package& p) {
    std::vector<std::pair<QString, QByteArray>> entries;
    entries.emplace_back(QStringLiteral("[Content_Types].xml"), p.contentTypes().serialize());
    for (const QString& name : p.partNames()) {
        // A name that would leave the package's folders is never written, whoever set it.
        if (!isValidPartName(name)) {
            throw DocumentError(p.name(), QString(),
                                QStringLiteral("\"%1\" is not a valid part name").arg(name));
        }
        entries.emplace_back(zipEntryFromPartName(name), p.part(name));
    }
    return entries;
}
}  // namespace

QByteArray Package::toZipBytes() const {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/quillmere-XXXXXX.zip"));
    if (!file.open()) throw DocumentError(DocumentError::Kind::Io, m_name, QString(), QStringLiteral("no temporary file"));
    const QString path = file.fileName();
    file.close();
    writeZip(path, zipEntries(*this));
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly)) {
        throw DocumentError(DocumentError::Kind::Io, m_name, QString(), QStringLiteral("temporary file unreadable"));
    }
    return written.readAll();
}

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
    const QString temp = reserve.fileName();
    reserve.close();
    reserve.setAutoRemove(false);
    auto discard = [&] { QFile::remove(temp); };
    try {
        const auto entries = zipEntries(*this);
        writeZip(temp, entries);
        fsyncPath(temp);
        // Reopen what was written and compare every part before it may replace anything.
        ZipReader check(temp, display, Limits{});
        if (check.entries().size() != entries.size()) {
            throw DocumentError(DocumentError::Kind::Io, display, QString(), QStringLiteral("written file lost parts"));
        }
        for (const auto& [name, data] : entries) {
            const int index = check.find(name);
            if (index < 0 || check.read(index) != data) {
                throw DocumentError(DocumentError::Kind::Io, display, partNameFromZipEntry(name),
                                    QStringLiteral("written part does not read back"));
            }
        }
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
    fsyncPath(dir.absolutePath());
}

}  // namespace engine

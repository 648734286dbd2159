#include "Package.h"
#include "Zip.h"

#include <QFileInfo>

namespace engine {

struct PackageReader::Impl {
    std::unique_ptr<ZipReader> zip;
};

namespace {
const QString kContentTypesEntry = QStringLiteral("[Content_Types].xml");
}

std::unique_ptr<PackageReader> PackageReader::open(const QString& path, const Limits& limits) {
    std::unique_ptr<PackageReader> reader(new PackageReader);
    reader->m_path = path;
    reader->m_fileName = QFileInfo(path).fileName();
    reader->m_limits = limits;
    reader->m_impl = std::make_unique<Impl>();
    const QString display = QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName();
    reader->m_impl->zip = std::make_unique<ZipReader>(path, display, limits);
    const int ct = reader->m_impl->zip->find(kContentTypesEntry);
    if (ct < 0) {
        throw DocumentError(DocumentError::Kind::Unsupported, display, QString(),
                            notAPackageMessage(*reader->m_impl->zip));
    }
    reader->m_contentTypes =
        ContentTypes::parse(reader->m_impl->zip->read(ct), display, limits);
    return reader;
}

PackageReader::~PackageReader() = default;

QStringList PackageReader::partNames() const {
    QStringList names;
    for (const auto& e : m_impl->zip->entries()) {
        if (e.name.endsWith(u'/')) continue;  // folder entries are not parts
        names << partNameFromZipEntry(e.name);
    }
    return names;
}

bool PackageReader::hasPart(const QString& partName) const {
    return m_impl->zip->findPart(partName) >= 0;
}

QByteArray PackageReader::read(const QString& partName) const {
    const int index = m_impl->zip->findPart(partName);
    if (index < 0) {
        throw DocumentError(DocumentError::Kind::Missing, m_fileName, partName, QStringLiteral("part is missing"));
    }
    return m_impl->zip->read(index);
}

void PackageReader::readInChunks(const QString& partName, qint64 chunkBytes,
                                 const std::function<bool(const QByteArray&)>& consume) const {
    const int index = m_impl->zip->findPart(partName);
    if (index < 0) {
        throw DocumentError(DocumentError::Kind::Missing, m_fileName, partName, QStringLiteral("part is missing"));
    }
    m_impl->zip->readInChunks(index, chunkBytes, consume);
}

Relationships PackageReader::relationships(const QString& sourcePart) const {
    const int index = m_impl->zip->findPart(relationshipsPartName(sourcePart));
    if (index < 0) return {};
    return Relationships::parse(m_impl->zip->read(index), sourcePart, m_fileName, m_limits);
}

}  // namespace engine

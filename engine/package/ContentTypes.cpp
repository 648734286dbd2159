// Reader and writer of [Content_Types].xml.
#include "Package.h"
#include "Xml.h"

#include <cstring>

namespace engine {

namespace {

QString extensionOf(const QString& partName) {
    const qsizetype slash = partName.lastIndexOf(u'/');
    const qsizetype dot = partName.lastIndexOf(u'.');
    return dot > slash ? partName.mid(dot + 1).toLower() : QString();
}
}  // namespace

ContentTypes ContentTypes::parse(const QByteArray& xml, const QString& file, const Limits& limits) {
    const QString part = QStringLiteral("/[Content_Types].xml");
    pugi::xml_document doc;
    parseXml(doc, xml, file, part, limits);
    const pugi::xml_node root = doc.document_element();
    if (!xml::is(root, xml::Ns::ContentTypes, "Types")) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("root is not Types"));
    }
    ContentTypes types;
    xml::ChildScope entries(root, xml::Ns::ContentTypes);
    for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element) continue;
        const QString type = QString::fromUtf8(node.attribute("ContentType").value());
        if (entries.is(node, xml::Ns::ContentTypes, "Default")) {
            types.m_defaults.emplace_back(
                QString::fromUtf8(node.attribute("Extension").value()).toLower(), type);
        } else if (entries.is(node, xml::Ns::ContentTypes, "Override")) {
            const QString name = QString::fromUtf8(node.attribute("PartName").value());
            // A part named twice keeps its first type, as a reader going in order finds it.
            if (!types.m_overrideIndex.contains(name.toLower())) {
                types.m_overrideIndex.insert(name.toLower(), types.m_overrides.size());
            }
            types.m_overrides.emplace_back(name, type);
        }
    }
    return types;
}

QString ContentTypes::of(const QString& partName) const {
    if (const auto it = m_overrideIndex.constFind(partName.toLower()); it != m_overrideIndex.constEnd()) {
        return m_overrides[*it].second;
    }
    const QString ext = extensionOf(partName);
    for (const auto& [e, type] : m_defaults) {
        if (e == ext) return type;
    }
    return QString();
}

void ContentTypes::setDefault(const QString& extension, const QString& contentType) {
    const QString ext = extension.toLower();
    for (auto& [e, type] : m_defaults) {
        if (e == ext) {
            type = contentType;
            return;
        }
    }
    m_defaults.emplace_back(ext, contentType);
}

bool ContentTypes::hasDefault(const QString& extension) const {
    const QString ext = extension.toLower();
    return std::any_of(m_defaults.begin(), m_defaults.end(),
                       [&](const auto& d) { return d.first == ext; });
}

void ContentTypes::setOverride(const QString& partName, const QString& contentType) {
    const QString key = partName.toLower();
    if (const auto it = m_overrideIndex.constFind(key); it != m_overrideIndex.constEnd()) {
        m_overrides[*it].second = contentType;
        return;
    }
    m_overrideIndex.insert(key, m_overrides.size());
    m_overrides.emplace_back(partName, contentType);
}

void ContentTypes::removeOverride(const QString& partName) {
    if (!m_overrideIndex.contains(partName.toLower())) return;
    std::erase_if(m_overrides, [&](const auto& o) {
        return o.first.compare(partName, Qt::CaseInsensitive) == 0;
    });
    m_overrideIndex.clear();
    for (size_t i = 0; i < m_overrides.size(); ++i) {
        if (!m_overrideIndex.contains(m_overrides[i].first.toLower())) m_overrideIndex.insert(m_overrides[i].first.toLower(), i);
    }
}

QByteArray ContentTypes::serialize() const {
    pugi::xml_document doc;
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    auto root = doc.append_child("Types");
    root.append_attribute("xmlns") = xml::uriOf(xml::Ns::ContentTypes);
    for (const auto& [ext, type] : m_defaults) {
        auto node = root.append_child("Default");
        node.append_attribute("Extension") = ext.toUtf8().constData();
        node.append_attribute("ContentType") = type.toUtf8().constData();
    }
    for (const auto& [name, type] : m_overrides) {
        auto node = root.append_child("Override");
        node.append_attribute("PartName") = name.toUtf8().constData();
        node.append_attribute("ContentType") = type.toUtf8().constData();
    }
    return xmlBytes(doc);
}

}  // namespace engine

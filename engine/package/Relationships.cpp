// Reader and writer of relationships parts (_rels/*.rels).
#include "Package.h"
#include "Xml.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

// A relationship type read from a part against one in its transitional spelling, without the
// copies xml::relationshipTypeIs would need: this runs for every relationship looked up.
bool typeMatches(const QString& type, const QString& expected) {
    if (type == expected) return true;
    static const QString transitional =
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    static const QString strict = QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships/");
    return expected.startsWith(transitional) && type.startsWith(strict) &&
           QStringView(type).mid(strict.size()) == QStringView(expected).mid(transitional.size());
}

QString attr(const pugi::xml_node& node, const char* name) {
    return QString::fromUtf8(node.attribute(name).value());
}
}  // namespace

Relationships Relationships::parse(const QByteArray& xml, const QString& sourcePart,
                                   const QString& file, const Limits& limits) {
    const QString relsPart = relationshipsPartName(sourcePart);
    pugi::xml_document doc;
    parseXml(doc, xml, file, relsPart, limits);
    const pugi::xml_node root = doc.document_element();
    if (!xml::is(root, xml::Ns::PackageRels, "Relationships")) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, relsPart,
                            QStringLiteral("root is not Relationships"));
    }
    Relationships rels;
    for (const pugi::xml_node node :
         xml::children(root, xml::Ns::PackageRels, xml::Ns::PackageRels, "Relationship")) {
        Relationship rel;
        rel.id = attr(node, "Id");
        rel.type = attr(node, "Type");
        rel.target = attr(node, "Target");
        rel.external = attr(node, "TargetMode").compare(QStringLiteral("External"),
                                                        Qt::CaseInsensitive) == 0;
        if (rel.id.isEmpty() || rel.type.isEmpty()) {
            throw DocumentError(DocumentError::Kind::Corrupt, file, relsPart,
                                QStringLiteral("relationship without Id or Type"));
        }
        if (rels.byId(rel.id)) {
            throw DocumentError(DocumentError::Kind::Corrupt, file, relsPart,
                                QStringLiteral("relationship id %1 used twice").arg(rel.id));
        }
        if (!rel.external) rel.targetPart = resolvePartName(sourcePart, rel.target);
        rels.m_byId.insert(rel.id, rels.m_items.size());
        rels.m_items.push_back(std::move(rel));
    }
    return rels;
}

const Relationship* Relationships::byId(const QString& id) const {
    const auto it = m_byId.constFind(id);
    return it == m_byId.constEnd() ? nullptr : &m_items[*it];
}

const Relationship* Relationships::firstOfType(const QString& type) const {
    for (const Relationship& r : m_items) {
        if (typeMatches(r.type, type)) return &r;
    }
    return nullptr;
}

std::vector<const Relationship*> Relationships::ofType(const QString& type) const {
    std::vector<const Relationship*> out;
    for (const Relationship& r : m_items) {
        if (typeMatches(r.type, type)) out.push_back(&r);
    }
    return out;
}

namespace {
QString nextId(const std::vector<Relationship>& items, const QHash<QString, size_t>& byId, qint64& highest) {
    static const QRegularExpression numbered(QStringLiteral("^rId(\\d+)$"));
    if (highest < 0) {
        highest = 0;
        for (const Relationship& r : items) {
            const auto m = numbered.match(r.id);
            if (m.hasMatch()) highest = std::max(highest, m.captured(1).toLongLong());
        }
    }
    QString id;
    do {
        id = QStringLiteral("rId%1").arg(++highest);
    } while (byId.contains(id));
    return id;
}
}  // namespace

QString Relationships::add(const QString& type, const QString& sourcePart,
                           const QString& targetPart) {
    Relationship rel;
    rel.id = nextId(m_items, m_byId, m_highest);
    rel.type = type;
    rel.target = relativeTarget(sourcePart, targetPart);
    rel.targetPart = targetPart;
    m_byId.insert(rel.id, m_items.size());
    m_items.push_back(rel);
    return rel.id;
}

void Relationships::retarget(const QString& id, const QString& sourcePart, const QString& targetPart) {
    const auto it = m_byId.constFind(id);
    if (it == m_byId.constEnd() || m_items[*it].external) return;
    m_items[*it].target = relativeTarget(sourcePart, targetPart);
    m_items[*it].targetPart = targetPart;
}

QString Relationships::addExternal(const QString& type, const QString& target) {
    Relationship rel;
    rel.id = nextId(m_items, m_byId, m_highest);
    rel.type = type;
    rel.target = target;
    rel.external = true;
    m_byId.insert(rel.id, m_items.size());
    m_items.push_back(rel);
    return rel.id;
}

void Relationships::remove(const QString& id) {
    if (std::erase_if(m_items, [&](const Relationship& r) { return r.id == id; }) == 0) return;
    m_highest = -1;
    m_byId.clear();
    for (size_t i = 0; i < m_items.size(); ++i) m_byId.insert(m_items[i].id, i);
}

QByteArray Relationships::serialize() const {
    pugi::xml_document doc;
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    auto root = doc.append_child("Relationships");
    root.append_attribute("xmlns") = xml::uriOf(xml::Ns::PackageRels);
    for (const Relationship& r : m_items) {
        auto node = root.append_child("Relationship");
        node.append_attribute("Id") = r.id.toUtf8().constData();
        node.append_attribute("Type") = r.type.toUtf8().constData();
        node.append_attribute("Target") = r.target.toUtf8().constData();
        if (r.external) node.append_attribute("TargetMode") = "External";
    }
    return xmlBytes(doc);
}

}  // namespace engine

#include "Xml.h"
#include "engine/package/XmlValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace engine {

namespace {

int lineOfOffset(const QByteArray& bytes, std::ptrdiff_t offset) {
    if (offset < 0) return 1;
    const qsizetype end = std::min<qsizetype>(offset, bytes.size());
    return 1 + static_cast<int>(std::count(bytes.constBegin(), bytes.constBegin() + end, '\n'));
}

// Depth of the deepest element, walked without recursion so a hostile document cannot
// exhaust the stack here either.
int depthOf(const pugi::xml_node& root, int limit) {
    std::vector<std::pair<pugi::xml_node, int>> stack{{root, 0}};
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        if (depth > limit) return depth;
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element) stack.emplace_back(child, depth + 1);
        }
    }
    return 0;
}

struct ByteWriter : pugi::xml_writer {
    QByteArray out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    }
};

}  // namespace

void parseXml(pugi::xml_document& doc, const QByteArray& bytes, const QString& file,
              const QString& part, const Limits& limits) {
    const unsigned flags =
        pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;
    const pugi::xml_parse_result result =
        doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), flags,
                        pugi::encoding_auto);
    if (!result) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("not well-formed XML at line %1 (%2)")
                                .arg(lineOfOffset(bytes, result.offset))
                                .arg(QString::fromUtf8(result.description())));
    }
    if (!doc.document_element()) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, part, QStringLiteral("no XML root element"));
    }
    if (depthOf(doc, limits.maxXmlDepth) > limits.maxXmlDepth) {
        throw DocumentError(DocumentError::Kind::OverLimit, file, part,
                            QStringLiteral("XML nested deeper than %1 levels").arg(limits.maxXmlDepth));
    }
}

namespace {

// The prefix of a qualified name ("" when it has none).
std::string_view qualifiedNamePrefix(const char* name) {
    const std::string_view text(name);
    const auto colon = text.find(':');
    return colon == std::string_view::npos ? std::string_view() : text.substr(0, colon);
}

}  // namespace

void requireDeclaredPrefixes(const pugi::xml_document& doc, const QString& file, const QString& part) {
    // The prefixes declared on the path from the root to the element being visited (innermost
    // last), and the path itself, walked without recursion as depthOf is. An element with the
    // prefix of its parent and no declarations of its own is bound as its parent is, which
    // spares the look-up for nearly every element of a long cache.
    struct Frame {
        pugi::xml_node node;
        std::size_t declared;     // size of `bound` before this element's own declarations
        std::string_view prefix;  // the element's own prefix, found bound
    };
    std::vector<std::string_view> bound{"xml", "xmlns"};
    const auto isBound = [&bound](std::string_view prefix) {
        return prefix.empty() || std::find(bound.rbegin(), bound.rend(), prefix) != bound.rend();
    };
    const auto refuse = [&](std::string_view prefix, const char* name) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("not well-formed XML: the prefix %1 of <%2> is not declared")
                                .arg(QString::fromUtf8(prefix.data(), qsizetype(prefix.size())),
                                     QString::fromUtf8(name)));
    };
    std::vector<Frame> path;
    pugi::xml_node node = doc.document_element();
    while (node) {
        const std::size_t before = bound.size();
        bool prefixedAttributes = false;
        for (const pugi::xml_attribute& a : node.attributes()) {
            const char* name = a.name();
            if (std::strncmp(name, "xmlns:", 6) == 0) bound.emplace_back(name + 6);
            else if (std::strchr(name, ':')) prefixedAttributes = true;
        }
        const std::string_view prefix = qualifiedNamePrefix(node.name());
        const bool asParent = !path.empty() && bound.size() == before && prefix == path.back().prefix;
        if (!asParent && !isBound(prefix)) refuse(prefix, node.name());
        if (prefixedAttributes) {
            for (const pugi::xml_attribute& a : node.attributes()) {
                const std::string_view attributePrefix = qualifiedNamePrefix(a.name());
                if (attributePrefix != "xmlns" && !isBound(attributePrefix)) refuse(attributePrefix, node.name());
            }
        }
        path.push_back({node, before, prefix});
        // Next element in document order: the first child, else the next sibling of this
        // element or of the nearest ancestor that has one, dropping the scopes left behind.
        pugi::xml_node next = node.first_child();
        while (next && next.type() != pugi::node_element) next = next.next_sibling();
        while (!next && !path.empty()) {
            const Frame left = path.back();
            path.pop_back();
            bound.resize(left.declared);
            next = left.node.next_sibling();
            while (next && next.type() != pugi::node_element) next = next.next_sibling();
        }
        node = next;
    }
}

QByteArray xmlBytes(const pugi::xml_document& doc, qsizetype sizeHint) {
    ByteWriter writer;
    if (sizeHint > 0) writer.out.reserve(sizeHint);
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    // Grown by doubling: a part kept in a package would hold up to twice its size.
    writer.out.squeeze();
    return writer.out;
}

}  // namespace engine

namespace engine::xml {

namespace {

// The URI bound to the prefix of qualified (the part before ':'; the default namespace when
// there is none) in scope at node, or nullptr when unbound. Every element match ends here, so
// attributes are ruled out by their first letter before any comparison.
const char* uriInScope(pugi::xml_node node, const char* qualified) {
    const char* colon = std::strchr(qualified, ':');
    const size_t prefixLength = colon ? static_cast<size_t>(colon - qualified) : 0;
    for (; node && node.type() == pugi::node_element; node = node.parent()) {
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            const char* name = a.name();
            if (name[0] != 'x' || std::strncmp(name, "xmlns", 5) != 0) continue;
            const bool binds = colon ? name[5] == ':' && std::strncmp(name + 6, qualified, prefixLength) == 0 &&
                                           name[6 + prefixLength] == 0
                                     : name[5] == 0;
            if (binds) return a.value();
        }
    }
    return nullptr;
}

const char* localPart(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

bool samePrefix(const char* a, const char* b) {
    const char* colonA = std::strchr(a, ':');
    const char* colonB = std::strchr(b, ':');
    if (!colonA || !colonB) return !colonA && !colonB;
    return colonA - a == colonB - b && std::strncmp(a, b, static_cast<size_t>(colonA - a)) == 0;
}

bool declaresNamespaces(const pugi::xml_node& element) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        const char* name = a.name();
        if (std::strncmp(name, "xmlns", 5) == 0 && (name[5] == 0 || name[5] == ':')) return true;
    }
    return false;
}

}  // namespace

const char* localName(const pugi::xml_node& element) {
    return localPart(element.name());
}

Ns namespaceOf(const pugi::xml_node& element) {
    const char* uri = uriInScope(element, element.name());
    if (!uri) return std::strchr(element.name(), ':') ? Ns::Unknown : Ns::None;
    return namespaceOfUri(uri);
}

bool is(const pugi::xml_node& node, Ns ns, const char* local) {
    // The local name first: it is cheap and rules out nearly every candidate.
    return node.type() == pugi::node_element && std::strcmp(localName(node), local) == 0 &&
           namespaceOf(node) == ns;
}

Ns ChildScope::namespaceOf(const pugi::xml_node& child) {
    const char* name = child.name();
    if (m_parent.type() != pugi::node_element || declaresNamespaces(child)) return xml::namespaceOf(child);
    const char* parentName = m_parent.name();
    if (samePrefix(name, parentName)) {
        if (!m_parentNs) m_parentNs = xml::namespaceOf(m_parent);
        return *m_parentNs;
    }
    // Another prefix: bound where the parent's scope binds it.
    // The prefix with its colon, so that "" (no prefix) and ":" never match each other.
    const char* colon = std::strchr(name, ':');
    const std::size_t length = colon ? static_cast<std::size_t>(colon - name) + 1 : 0;
    if (m_otherName && m_otherLength == length && std::strncmp(m_otherName, name, length) == 0) {
        return m_otherNs;
    }
    const char* uri = uriInScope(m_parent, name);
    m_otherName = name;
    m_otherLength = length;
    m_otherNs = uri ? namespaceOfUri(uri) : colon ? Ns::Unknown : Ns::None;
    return m_otherNs;
}

bool ChildScope::is(const pugi::xml_node& child, Ns ns, const char* local) {
    // The local name first: it is cheap and rules out nearly every candidate.
    return child.type() == pugi::node_element && std::strcmp(localName(child), local) == 0 &&
           namespaceOf(child) == ns;
}

namespace {

pugi::xml_node firstChildIn(ChildScope scope, const pugi::xml_node& parent, Ns ns, const char* local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (scope.is(c, ns, local)) return c;
    }
    return {};
}

}  // namespace

pugi::xml_node child(const pugi::xml_node& parent, Ns ns, const char* local) {
    return firstChildIn(ChildScope(parent), parent, ns, local);
}

pugi::xml_node child(const pugi::xml_node& parent, Ns parentNs, Ns ns, const char* local) {
    return firstChildIn(ChildScope(parent, parentNs), parent, ns, local);
}

pugi::xml_node firstElement(const pugi::xml_node& parent) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) return c;
    }
    return {};
}

Children::iterator::iterator(pugi::xml_node node, const ChildScope& scope, Ns ns, const char* local)
    : m_node(node), m_scope(scope), m_ns(ns), m_local(local) {
    settle();
}

Children::iterator& Children::iterator::operator++() {
    m_node = m_node.next_sibling();
    settle();
    return *this;
}

void Children::iterator::settle() {
    while (m_node && !m_scope.is(m_node, m_ns, m_local)) m_node = m_node.next_sibling();
}

double toDouble(const pugi::xml_attribute& attribute, double fallback) {
    if (!attribute) return fallback;
    return parseXsdDouble(attribute.value()).value_or(fallback);
}

pugi::xml_attribute attribute(const pugi::xml_node& element, Ns ns, const char* local) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        const char* name = a.name();
        const char* colon = std::strchr(name, ':');
        if (std::strcmp(colon ? colon + 1 : name, local) != 0) continue;
        if (!colon) {
            if (ns == Ns::None) return a;
            continue;
        }
        if (std::strncmp(name, "xmlns:", 6) == 0) continue;
        const char* uri = uriInScope(element, name);
        if (uri && namespaceOfUri(uri) == ns) return a;
    }
    return {};
}

QString relationshipId(const pugi::xml_node& element, const char* local) {
    return QString::fromUtf8(attribute(element, Ns::R, local).value());
}

bool prefixInScope(const pugi::xml_node& node, Ns ns, std::string* prefix) {
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent()) {
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            const char* name = a.name();
            if (std::strncmp(name, "xmlns", 5) != 0) continue;
            if (name[5] != 0 && name[5] != ':') continue;
            if (namespaceOfUri(a.value()) != ns) continue;
            // A nearer declaration of the same prefix to another URI would shadow this one;
            // parts in practice never do that, so the first match stands.
            if (prefix) *prefix = name[5] == ':' ? std::string(name + 6) : std::string();
            return true;
        }
    }
    return false;
}

namespace {

// Whether a prefix can stand before a colon in a name that reads back: a declaration such as
// xmlns:1="..." parses (it is an attribute named so), but "1:id" is no name at all.
bool isUsablePrefix(const std::string& prefix) {
    for (size_t i = 0; i < prefix.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(prefix[i]);
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
        const bool later = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!letter && !(i > 0 && later)) return false;
    }
    return true;
}

// Whether names with this prefix ("" for none) read back in ns at node: a part may declare a
// prefix twice, and readers take the first declaration.
bool prefixReadsBackAs(const pugi::xml_node& node, const std::string& prefix, Ns ns) {
    const std::string probe = prefix.empty() ? std::string("x") : prefix + ":x";
    const char* uri = uriInScope(node, probe.c_str());
    return uri && namespaceOfUri(uri) == ns;
}

// Declares the usual prefix of ns (numbered when the document element has it already) on the
// document element, so that every element added below it sees the binding, and returns it.
std::string declareUsualPrefix(const pugi::xml_node& node, Ns ns) {
    pugi::xml_node root = firstElement(node.root());
    const char* usual = usualPrefixOf(ns);
    std::string prefix = *usual ? usual : "ns";
    std::string declaration = "xmlns:" + prefix;
    for (int n = 1; root.attribute(declaration.c_str()); ++n) {
        prefix = std::string(*usual ? usual : "ns") + std::to_string(n);
        declaration = "xmlns:" + prefix;
    }
    root.append_attribute(declaration.c_str()) = uriOf(ns);
    return prefix;
}

}  // namespace

std::string qualifiedName(const pugi::xml_node& node, Ns ns, const char* local) {
    std::string prefix;
    if (!prefixInScope(node, ns, &prefix) || !isUsablePrefix(prefix) || !prefixReadsBackAs(node, prefix, ns))
        prefix = declareUsualPrefix(node, ns);
    return prefix.empty() ? std::string(local) : prefix + ":" + local;
}

std::string qualifiedAttributeName(const pugi::xml_node& node, Ns ns, const char* local) {
    // A default namespace applies to elements only: an attribute is in ns only with a prefix.
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent()) {
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            if (std::strncmp(a.name(), "xmlns:", 6) != 0 || namespaceOfUri(a.value()) != ns) continue;
            const std::string prefix(a.name() + 6);
            if (!prefix.empty() && isUsablePrefix(prefix) && prefixReadsBackAs(node, prefix, ns)) return prefix + ":" + local;
        }
    }
    return declareUsualPrefix(node, ns) + ":" + local;
}

ChildSequence::ChildSequence(std::initializer_list<std::initializer_list<QName>> sequence) {
    for (const auto& slot : sequence) m_slots.emplace_back(slot);
}

int ChildSequence::slotOf(Ns ns, const char* local) const {
    for (size_t i = 0; i < m_slots.size(); ++i) {
        for (const QName& name : m_slots[i]) {
            if (name.ns == ns && std::strcmp(name.local, local) == 0) return static_cast<int>(i);
        }
    }
    return -1;
}

int ChildSequence::slotOf(const pugi::xml_node& element) const {
    if (element.type() != pugi::node_element) return -1;
    const char* local = localName(element);
    for (size_t i = 0; i < m_slots.size(); ++i) {
        for (const QName& name : m_slots[i]) {
            if (std::strcmp(name.local, local) == 0 && namespaceOf(element) == name.ns) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

pugi::xml_node insertChild(pugi::xml_node parent, const ChildSequence& sequence, Ns ns,
                           const char* local) {
    const int wanted = sequence.slotOf(ns, local);
    const std::string name = qualifiedName(parent, ns, local);
    if (wanted >= 0) {
        for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
            if (sequence.slotOf(c) > wanted) return parent.insert_child_before(name.c_str(), c);
        }
    }
    return parent.append_child(name.c_str());
}

}  // namespace engine::xml

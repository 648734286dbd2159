#pragma once

#include "engine/package/Namespaces.h"
#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

// Parses one part as XML: declaration kept, whitespace-only text kept where it is an element's
// only content (<a:t> </a:t>), namespace declarations kept as the attributes they are.
// Throws DocumentError (corrupt) "file: part: not well-formed XML at line N (reason)", or
// (over a limit) "file: part: XML nested deeper than N levels".
void parseXml(pugi::xml_document& doc, const QByteArray& bytes, const QString& file,
              const QString& part, const Limits& limits = {});

// Refuses a document whose element or attribute names use a prefix that no declaration in
// scope binds ("xdr:to" with no xmlns:xdr above it). pugixml does not resolve prefixes, so such
// a part parses; written out again it is not namespace-well-formed and the office applications
// refuse or repair the file. Throws DocumentError (corrupt) "file: part: not well-formed XML:
// the prefix P of <NAME> is not declared". The prefixes "xml" and "xmlns" are always bound.
void requireDeclaredPrefixes(const pugi::xml_document& doc, const QString& file, const QString& part);

// Serialises without reformatting: what was parsed comes back as it was, apart from the
// quoting of attributes and the escaping of text.
// sizeHint: the bytes expected (the size the document was read from, say), reserved at once
// so that a large part is not grown by doubling past its size.
QByteArray xmlBytes(const pugi::xml_document& doc, qsizetype sizeHint = 0);

}  // namespace engine

// Element and attribute names matched by namespace, the only way part readers and writers look
// at names. pugixml keeps names as written ("c:chart"); these helpers resolve the prefix through
// the declarations in scope, so a part that binds the chart namespace to "c", to "ch" or to the
// default namespace reads the same, a strict-namespace part reads like its transitional twin,
// and an element of another namespace with the same local name (cx:chartSpace) never matches.
namespace engine::xml {

// An attribute's value as text (UTF-8 decoded); "" when absent.
inline QString text(const pugi::xml_attribute& attribute) { return QString::fromUtf8(attribute.value()); }

// The local name ("c:chart" -> "chart").
const char* localName(const pugi::xml_node& element);
// The namespace of an element, from its prefix and the declarations in scope. None when the
// name has no prefix and no default namespace is declared; Unknown for an unknown URI or an
// undeclared prefix.
Ns namespaceOf(const pugi::xml_node& element);
// True when node is an element named local in namespace ns.
bool is(const pugi::xml_node& node, Ns ns, const char* local);

// The namespaces of one element's children, resolved through that element. A child that
// declares no namespace of its own resolves its prefix where its parent does, so a scope looks
// each prefix up once for all the children, not once per child: a cache of 200,000 points costs
// one look-up, not 200,000 walks up to the declarations. When the caller has already matched
// the parent (an element found by child(), children() or forEachChild()), it passes the
// parent's namespace and the parent's own prefix is not looked up at all.
// Holds no copy of the document: the parent must outlive the scope, and no namespace
// declaration may be added or removed in the parent's scope while the scope is in use.
class ChildScope {
public:
    explicit ChildScope(const pugi::xml_node& parent) : m_parent(parent) {}
    ChildScope(const pugi::xml_node& parent, Ns parentNs) : m_parent(parent), m_parentNs(parentNs) {}
    // The namespace of child, an element among the parent's children (as namespaceOf says).
    Ns namespaceOf(const pugi::xml_node& child);
    // True when child is an element local in ns.
    bool is(const pugi::xml_node& child, Ns ns, const char* local);

private:
    pugi::xml_node m_parent;
    std::optional<Ns> m_parentNs;
    // The last prefix other than the parent's that was resolved at the parent: the child name
    // it came from and the length of its prefix with the colon.
    const char* m_otherName = nullptr;
    std::size_t m_otherLength = 0;
    Ns m_otherNs = Ns::Unknown;
};

// The first child element local in ns; an empty node when there is none (or parent is empty).
// The second form is for a parent already known to be in parentNs (see ChildScope).
pugi::xml_node child(const pugi::xml_node& parent, Ns ns, const char* local);
pugi::xml_node child(const pugi::xml_node& parent, Ns parentNs, Ns ns, const char* local);
// The first child element, whatever its name.
pugi::xml_node firstElement(const pugi::xml_node& parent);

// Calls visit(child, local name) for every child element of parent in ns, in document order,
// resolving through one ChildScope. The second form is for a parent already known to be in
// parentNs.
template <typename Visit>
void forEachChild(ChildScope scope, const pugi::xml_node& parent, Ns ns, Visit&& visit) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && scope.namespaceOf(c) == ns) {
            visit(c, std::string_view(localName(c)));
        }
    }
}
template <typename Visit>
void forEachChild(const pugi::xml_node& parent, Ns ns, Visit&& visit) {
    forEachChild(ChildScope(parent), parent, ns, std::forward<Visit>(visit));
}
template <typename Visit>
void forEachChild(const pugi::xml_node& parent, Ns parentNs, Ns ns, Visit&& visit) {
    forEachChild(ChildScope(parent, parentNs), parent, ns, std::forward<Visit>(visit));
}

// The child elements local in ns, in document order: for (auto pt : children(cache, Ns::C, "pt")).
// Each one yielded is known to be in ns, so its own children may be read with the parentNs
// forms above.
class Children {
public:
    class iterator {
    public:
        iterator(pugi::xml_node node, const ChildScope& scope, Ns ns, const char* local);
        pugi::xml_node operator*() const { return m_node; }
        iterator& operator++();
        bool operator!=(const iterator& other) const { return m_node != other.m_node; }

    private:
        void settle();
        pugi::xml_node m_node;
        ChildScope m_scope;
        Ns m_ns;
        const char* m_local;
    };
    Children(const pugi::xml_node& parent, const ChildScope& scope, Ns ns, const char* local)
        : m_parent(parent), m_scope(scope), m_ns(ns), m_local(local) {}
    iterator begin() const { return {m_parent.first_child(), m_scope, m_ns, m_local}; }
    iterator end() const { return {pugi::xml_node(), m_scope, m_ns, m_local}; }

private:
    pugi::xml_node m_parent;
    ChildScope m_scope;
    Ns m_ns;
    const char* m_local;
};
inline Children children(const pugi::xml_node& parent, Ns ns, const char* local) {
    return {parent, ChildScope(parent), ns, local};
}
inline Children children(const pugi::xml_node& parent, Ns parentNs, Ns ns, const char* local) {
    return {parent, ChildScope(parent, parentNs), ns, local};
}

// The attribute local in ns of element; with Ns::None, the unprefixed attribute of that name
// (unprefixed attributes are in no namespace, whatever the default namespace).
pugi::xml_attribute attribute(const pugi::xml_node& element, Ns ns, const char* local);
// An attribute's value as a number, read the same whatever the process's locale (the text is
// an xsd:double: "." as the decimal point, an optional exponent, blanks around); fallback when
// the attribute is absent, is not such a number, or is not finite.
double toDouble(const pugi::xml_attribute& attribute, double fallback);

// The relationship id an element refers to: its r:id (or r:embed, r:link... by local), in
// either spelling of the relationships namespace. "" when absent.
QString relationshipId(const pugi::xml_node& element, const char* local = "id");

// The prefix bound to ns (either spelling) in scope at node: true and the prefix ("" for the
// default namespace), or false when ns is not declared there.
bool prefixInScope(const pugi::xml_node& node, Ns ns, std::string* prefix);
// The name to give a new element or attribute local in ns inside the document of node:
// "prefix:local" with the prefix the document already uses, else declaring the usual prefix
// (numbered when taken) on the document element.
std::string qualifiedName(const pugi::xml_node& node, Ns ns, const char* local);
// The same for a new attribute, which always takes a prefix: a default namespace declared for
// ns would leave an unprefixed attribute in no namespace at all.
std::string qualifiedAttributeName(const pugi::xml_node& node, Ns ns, const char* local);

// One element's children in schema order: a sequence of slots, each naming the elements that
// may stand there (a choice shares one slot). Declared once per element kind and used to put a
// new child where the schema wants it.
struct QName {
    Ns ns;
    const char* local;
};
class ChildSequence {
public:
    ChildSequence(std::initializer_list<std::initializer_list<QName>> sequence);
    // The slot of an element, or -1 when the sequence does not name it.
    int slotOf(const pugi::xml_node& element) const;
    int slotOf(Ns ns, const char* local) const;

private:
    std::vector<std::vector<QName>> m_slots;
};
// Inserts a new element local in ns among parent's children where the sequence puts it: after
// every child of the same or an earlier slot, before the first of a later one. Children the
// sequence does not name keep their place. Returns the new element.
pugi::xml_node insertChild(pugi::xml_node parent, const ChildSequence& sequence, Ns ns,
                           const char* local);

}  // namespace engine::xml

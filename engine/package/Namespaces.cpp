#include "engine/package/Namespaces.h"

#include <array>
#include <string_view>

namespace engine::xml {

namespace {

// Views rather than C strings, so that matching a URI compares lengths first and never measures
// the table's strings again: every element match ends here.
struct Spelling {
    Ns ns;
    std::string_view transitional;
    std::string_view strict;  // empty when the namespace has one spelling
    std::string_view prefix;
};

constexpr std::array<Spelling, 16> kSpellings{{
    {Ns::PackageRels, "http://schemas.openxmlformats.org/package/2006/relationships", {}, ""},
    {Ns::ContentTypes, "http://schemas.openxmlformats.org/package/2006/content-types", {}, ""},
    {Ns::R, "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
     "http://purl.oclc.org/ooxml/officeDocument/relationships", "r"},
    {Ns::A, "http://schemas.openxmlformats.org/drawingml/2006/main",
     "http://purl.oclc.org/ooxml/drawingml/main", "a"},
    {Ns::C, "http://schemas.openxmlformats.org/drawingml/2006/chart",
     "http://purl.oclc.org/ooxml/drawingml/chart", "c"},
    {Ns::Xdr, "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing",
     "http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing", "xdr"},
    {Ns::Cdr, "http://schemas.openxmlformats.org/drawingml/2006/chartDrawing",
     "http://purl.oclc.org/ooxml/drawingml/chartDrawing", "cdr"},
    {Ns::Pic, "http://schemas.openxmlformats.org/drawingml/2006/picture",
     "http://purl.oclc.org/ooxml/drawingml/picture", "pic"},
    {Ns::P, "http://schemas.openxmlformats.org/presentationml/2006/main",
     "http://purl.oclc.org/ooxml/presentationml/main", "p"},
    {Ns::S, "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
     "http://purl.oclc.org/ooxml/spreadsheetml/main", ""},
    {Ns::Mc, "http://schemas.openxmlformats.org/markup-compatibility/2006", {}, "mc"},
    {Ns::C14, "http://schemas.microsoft.com/office/drawing/2007/8/2/chart", {}, "c14"},
    {Ns::C16, "http://schemas.microsoft.com/office/drawing/2014/chart", {}, "c16"},
    {Ns::Cx, "http://schemas.microsoft.com/office/drawing/2014/chartex", {}, "cx"},
    {Ns::Cs, "http://schemas.microsoft.com/office/drawing/2012/chartStyle", {}, "cs"},
    {Ns::C15, "http://schemas.microsoft.com/office/drawing/2012/chart", {}, "c15"},
}};

const Spelling* spellingOf(Ns ns) {
    for (const Spelling& s : kSpellings) {
        if (s.ns == ns) return &s;
    }
    return nullptr;
}

constexpr std::string_view kTransitionalRelBase =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr std::string_view kStrictRelBase = "http://purl.oclc.org/ooxml/officeDocument/relationships/";

}  // namespace

const char* uriOf(Ns ns) {
    const Spelling* s = spellingOf(ns);
    return s ? s->transitional.data() : "";
}

const char* strictUriOf(Ns ns) {
    const Spelling* s = spellingOf(ns);
    return s ? (s->strict.empty() ? s->transitional : s->strict).data() : "";
}

const char* usualPrefixOf(Ns ns) {
    const Spelling* s = spellingOf(ns);
    return s ? s->prefix.data() : "";
}

Ns namespaceOfUri(std::string_view uri) {
    if (uri.empty()) return Ns::None;
    // The namespace matched last is tried first: a part names the same one or two namespaces
    // element after element.
    thread_local const Spelling* last = nullptr;
    if (last && (uri == last->transitional || uri == last->strict)) return last->ns;
    for (const Spelling& s : kSpellings) {
        if (uri == s.transitional || (!s.strict.empty() && uri == s.strict)) {
            last = &s;
            return s.ns;
        }
    }
    return Ns::Unknown;
}

bool relationshipTypeIs(std::string_view type, std::string_view expected) {
    if (type == expected) return true;
    if (!expected.starts_with(kTransitionalRelBase) || !type.starts_with(kStrictRelBase)) return false;
    return type.substr(kStrictRelBase.size()) == expected.substr(kTransitionalRelBase.size());
}

bool isChartGraphicUri(std::string_view uri) {
    return namespaceOfUri(uri) == Ns::C;
}

bool isChartexGraphicUri(std::string_view uri) {
    return namespaceOfUri(uri) == Ns::Cx;
}

}  // namespace engine::xml

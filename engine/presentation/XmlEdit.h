#pragma once

#include <pugixml.hpp>
#include <string>

namespace engine::xmledit {

// Small helpers for editing parts written by other programs, which may bind the usual
// namespaces to other prefixes (or to none). New elements are named with whatever prefix the
// part already uses for a namespace; when it uses none, one is declared on the part's root.

// The prefix bound to uri in scope at node ("" for the default namespace); false when unbound.
bool prefixInScope(pugi::xml_node node, const char* uri, std::string* prefix);

// "prefix:local" (or "local") for uri, declaring preferredPrefix on root when uri is unbound.
std::string qualifiedName(pugi::xml_node root, const char* uri, const char* preferredPrefix,
                          const char* local);

}  // namespace engine::xmledit

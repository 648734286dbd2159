#include "engine/presentation/XmlEdit.h"

#include <cstring>

namespace engine::xmledit {

bool prefixInScope(pugi::xml_node node, const char* uri, std::string* prefix) {
    for (auto n = node; n && n.type() == pugi::node_element; n = n.parent()) {
        for (auto attribute : n.attributes()) {
            const char* name = attribute.name();
            if (std::strcmp(attribute.value(), uri) != 0) continue;
            if (std::strcmp(name, "xmlns") == 0) {
                if (prefix) prefix->clear();
                return true;
            }
            if (std::strncmp(name, "xmlns:", 6) == 0) {
                // A nearer declaration of the same prefix to another URI would shadow this one;
                // parts in practice never do that, so the first match stands.
                if (prefix) *prefix = name + 6;
                return true;
            }
        }
    }
    return false;
}

std::string qualifiedName(pugi::xml_node root, const char* uri, const char* preferredPrefix,
                          const char* local) {
    std::string prefix;
    if (!prefixInScope(root, uri, &prefix)) {
        prefix = preferredPrefix;
        std::string attribute = "xmlns:" + prefix;
        // Declared on the root, so that every element added below it sees the binding.
        int n = 1;
        while (root.attribute(attribute.c_str())) {
            prefix = std::string(preferredPrefix) + std::to_string(n++);
            attribute = "xmlns:" + prefix;
        }
        root.append_attribute(attribute.c_str()) = uri;
    }
    return prefix.empty() ? std::string(local) : prefix + ":" + local;
}

}  // namespace engine::xmledit

#pragma once

#include "engine/package/Namespaces.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The prefixes bound while a chart part is streamed, for the readers that see it element by
// element rather than as a tree (the outline and the series-range scan): an element's
// declarations are added as it starts (declare, with the element's depth), dropped as it ends
// (leave, with the count of elements still open), and a prefix resolves to its innermost
// binding: None for no prefix and no default namespace, Unknown for an undeclared prefix or an
// unknown URI.
class StreamedNamespaces {
public:
    void declare(std::string_view prefix, std::string_view uri, std::size_t depth) {
        m_scopes.push_back({std::string(prefix), xml::namespaceOfUri(uri), depth});
    }
    void leave(std::size_t openElements) {
        while (!m_scopes.empty() && m_scopes.back().depth >= openElements) m_scopes.pop_back();
    }
    xml::Ns resolve(std::string_view prefix) const {
        for (auto s = m_scopes.rbegin(); s != m_scopes.rend(); ++s) {
            if (s->prefix == prefix) return s->ns;
        }
        return prefix.empty() ? xml::Ns::None : xml::Ns::Unknown;
    }

private:
    struct Scope {
        std::string prefix;
        xml::Ns ns;
        std::size_t depth;  // of the element declaring it
    };
    std::vector<Scope> m_scopes;
};

}  // namespace engine

#include "Xml.h"

#include <algorithm>
#include <cstring>
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
        throw DocumentError(file, part,
                            QStringLiteral("not well-formed XML at line %1 (%2)")
                                .arg(lineOfOffset(bytes, result.offset))
                                .arg(QString::fromUtf8(result.description())));
    }
    if (!doc.document_element()) {
        throw DocumentError(file, part, QStringLiteral("no XML root element"));
    }
    if (depthOf(doc, limits.maxXmlDepth) > limits.maxXmlDepth) {
        throw DocumentError(file, part,
                            QStringLiteral("XML nested deeper than %1 levels").arg(limits.maxXmlDepth));
    }
}

QByteArray xmlBytes(const pugi::xml_document& doc) {
    ByteWriter writer;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.out;
}

const char* localName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node childByLocalName(const pugi::xml_node& node, const char* local) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && std::strcmp(localName(child), local) == 0) {
            return child;
        }
    }
    return {};
}

}  // namespace engine

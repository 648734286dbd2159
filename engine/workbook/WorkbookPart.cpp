#include "WorkbookPart.h"

#include "engine/package/Xml.h"

namespace engine {

namespace {
const char* const kRelationshipsNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kStrictRelationshipsNs = "http://purl.oclc.org/ooxml/officeDocument/relationships";

// The r:id attribute of an element, whatever prefix the document gave the namespace.
QString relationshipIdOf(const pugi::xml_node& element) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        const auto colon = name.find(':');
        if (colon == std::string_view::npos || name.substr(colon + 1) != "id") continue;
        const std::string prefix(name.substr(0, colon));
        // Look the prefix up on this element and its ancestors.
        const std::string declaration = "xmlns:" + prefix;
        for (pugi::xml_node n = element; n; n = n.parent()) {
            const pugi::xml_attribute ns = n.attribute(declaration.c_str());
            if (!ns) continue;
            const std::string_view uri = ns.value();
            if (uri == kRelationshipsNs || uri == kStrictRelationshipsNs) {
                return QString::fromUtf8(a.value());
            }
            break;
        }
    }
    return {};
}
}  // namespace

WorkbookPart WorkbookPart::parse(const QByteArray& xml, const QString& file, const QString& part,
                                 const Limits& limits) {
    pugi::xml_document doc;
    parseXml(doc, xml, file, part, limits);
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(localName(root)) != "workbook") {
        throw DocumentError(file, part, QStringLiteral("not a workbook part (root <%1>)")
                                            .arg(QString::fromUtf8(root.name())));
    }
    WorkbookPart workbook;
    const pugi::xml_node properties = childByLocalName(root, "workbookPr");
    const std::string_view date1904 = properties.attribute("date1904").value();
    workbook.date1904 = date1904 == "1" || date1904 == "true";
    for (pugi::xml_node sheet = childByLocalName(root, "sheets").first_child(); sheet;
         sheet = sheet.next_sibling()) {
        if (sheet.type() != pugi::node_element || std::string_view(localName(sheet)) != "sheet") {
            continue;
        }
        SheetEntry entry;
        entry.name = QString::fromUtf8(sheet.attribute("name").value());
        entry.state = QString::fromUtf8(sheet.attribute("state").as_string("visible"));
        entry.relationshipId = relationshipIdOf(sheet);
        if (entry.name.isEmpty()) throw DocumentError(file, part, QStringLiteral("a sheet without a name"));
        workbook.sheets.push_back(entry);
    }
    if (workbook.sheets.empty()) throw DocumentError(file, part, QStringLiteral("the workbook has no sheets"));
    return workbook;
}

}  // namespace engine

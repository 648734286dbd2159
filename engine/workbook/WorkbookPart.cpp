#include "WorkbookPart.h"

#include "engine/package/Xml.h"
#include "engine/package/XmlValues.h"

namespace engine {

using xml::Ns;

WorkbookPart WorkbookPart::parse(const QByteArray& xml, const QString& file, const QString& part,
                                 const Limits& limits) {
    pugi::xml_document doc;
    parseXml(doc, xml, file, part, limits);
    const pugi::xml_node root = doc.document_element();
    if (!xml::is(root, Ns::S, "workbook")) {
        throw DocumentError(
            DocumentError::Kind::Corrupt, file, part,
            QStringLiteral("not a workbook part (root <%1>)").arg(QString::fromUtf8(root.name())));
    }
    WorkbookPart workbook;
    const pugi::xml_node properties = xml::child(root, Ns::S, Ns::S, "workbookPr");
    workbook.date1904 = xml::xsdBooleanOr(properties.attribute("date1904").value(), false);
    for (const pugi::xml_node sheet : xml::children(xml::child(root, Ns::S, Ns::S, "sheets"), Ns::S, Ns::S, "sheet")) {
        SheetEntry entry;
        entry.name = QString::fromUtf8(sheet.attribute("name").value());
        entry.state = QString::fromUtf8(sheet.attribute("state").as_string("visible"));
        entry.relationshipId = xml::relationshipId(sheet);
        if (entry.name.isEmpty())
            throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                                QStringLiteral("a sheet without a name"));
        workbook.sheets.push_back(entry);
    }
    if (workbook.sheets.empty())
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("the workbook has no sheets"));
    return workbook;
}

}  // namespace engine

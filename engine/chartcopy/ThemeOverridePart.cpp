#include "engine/chartcopy/ThemeOverridePart.h"

#include "engine/package/Xml.h"
#include "engine/package/OoxmlNames.h"

#include <cstring>

namespace engine {

QByteArray themeOverrideFromTheme(const QByteArray& themeXml, const QString& file,
                                  const QString& part) {
    pugi::xml_document theme;
    parseXml(theme, themeXml, file, part);
    const auto root = theme.document_element();
    if (!xml::is(root, xml::Ns::A, "theme")) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("root element is not a:theme"));
    }
    const auto elements = xml::child(root, xml::Ns::A, "themeElements");
    const char* const schemes[] = {"clrScheme", "fontScheme", "fmtScheme"};
    for (const char* scheme : schemes) {
        if (!xml::child(elements, xml::Ns::A, scheme)) {
            throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                                QStringLiteral("theme has no a:%1").arg(scheme));
        }
    }

    pugi::xml_document out;
    auto declaration = out.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";
    // The override is named with the prefix the theme itself uses for DrawingML.
    const char* rootName = root.name();
    const char* colon = std::strchr(rootName, ':');
    const std::string prefix = colon ? std::string(rootName, colon + 1) : std::string();
    auto override_ = out.append_child((prefix + "themeOverride").c_str());
    for (auto attribute : root.attributes()) {
        if (std::strncmp(attribute.name(), "xmlns", 5) == 0)
            override_.append_attribute(attribute.name()) = attribute.value();
    }
    if (!override_.attribute(colon ? ("xmlns:" + prefix.substr(0, prefix.size() - 1)).c_str() : "xmlns"))
        override_.append_attribute(colon ? ("xmlns:" + prefix.substr(0, prefix.size() - 1)).c_str()
                                         : "xmlns") = xml::uriOf(xml::Ns::A);
    for (const char* scheme : schemes) override_.append_copy(xml::child(elements, xml::Ns::A, scheme));
    return xmlBytes(out);
}

}  // namespace engine

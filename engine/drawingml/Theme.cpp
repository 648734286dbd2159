#include "engine/drawingml/Theme.h"

#include "engine/package/Xml.h"

namespace engine::drawingml {

using xml::Ns;

namespace {

QString typeface(const pugi::xml_node& collection, const char* local) {
    return QString::fromUtf8(xml::child(collection, Ns::A, local).attribute("typeface").value());
}

FontCollection readFontCollection(const pugi::xml_node& node) {
    FontCollection fonts;
    fonts.latin = typeface(node, "latin");
    fonts.eastAsian = typeface(node, "ea");
    fonts.complexScript = typeface(node, "cs");
    for (const auto font : xml::children(node, Ns::A, "font")) {
        fonts.byScript.emplace_back(QString::fromUtf8(font.attribute("script").value()),
                                    QString::fromUtf8(font.attribute("typeface").value()));
    }
    return fonts;
}

std::vector<Fill> readFills(const pugi::xml_node& list) {
    std::vector<Fill> fills;
    for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling()) {
        if (auto fill = readFillElement(c)) fills.push_back(*fill);
    }
    return fills;
}

FormatScheme readFormatScheme(const pugi::xml_node& node) {
    FormatScheme scheme;
    scheme.name = QString::fromUtf8(node.attribute("name").value());
    scheme.fills = readFills(xml::child(node, Ns::A, "fillStyleLst"));
    for (const auto ln : xml::children(xml::child(node, Ns::A, "lnStyleLst"), Ns::A, "ln")) {
        scheme.lines.push_back(readLine(ln));
    }
    for (const auto style :
         xml::children(xml::child(node, Ns::A, "effectStyleLst"), Ns::A, "effectStyle")) {
        Effects effects = readEffects(xml::child(style, Ns::A, "effectLst"));
        effects.bevelWidth = readBevelWidth(xml::child(style, Ns::A, "sp3d"));
        scheme.effects.push_back(std::move(effects));
    }
    scheme.backgroundFills = readFills(xml::child(node, Ns::A, "bgFillStyleLst"));
    return scheme;
}

template <typename T>
const T* at(const std::vector<T>& list, int index) {
    return index >= 1 && index <= static_cast<int>(list.size()) ? &list[static_cast<size_t>(index - 1)]
                                                                 : nullptr;
}

}  // namespace

const Fill* Theme::fillOf(int index) const {
    if (!formats) return nullptr;
    return index >= 1001 ? at(formats->backgroundFills, index - 1000) : at(formats->fills, index);
}

const Line* Theme::lineOf(int index) const {
    return formats ? at(formats->lines, index) : nullptr;
}

const Effects* Theme::effectOf(int index) const {
    return formats ? at(formats->effects, index) : nullptr;
}

Theme readTheme(const QByteArray& bytes, const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, bytes, file, part);
    const auto root = doc.document_element();
    pugi::xml_node schemes;
    if (xml::is(root, Ns::A, "theme")) {
        schemes = xml::child(root, Ns::A, "themeElements");
    } else if (xml::is(root, Ns::A, "themeOverride")) {
        schemes = root;
    } else {
        throw DocumentError(DocumentError::Kind::Unsupported, file, part,
                            QStringLiteral("not a theme (root <%1>)").arg(QString::fromUtf8(root.name())));
    }
    Theme theme;
    theme.name = QString::fromUtf8(root.attribute("name").value());
    if (const auto colors = xml::child(schemes, Ns::A, "clrScheme")) theme.colors = readColorScheme(colors);
    if (const auto fonts = xml::child(schemes, Ns::A, "fontScheme")) {
        FontScheme scheme;
        scheme.name = QString::fromUtf8(fonts.attribute("name").value());
        scheme.major = readFontCollection(xml::child(fonts, Ns::A, "majorFont"));
        scheme.minor = readFontCollection(xml::child(fonts, Ns::A, "minorFont"));
        theme.fonts = scheme;
    }
    if (const auto formats = xml::child(schemes, Ns::A, "fmtScheme")) theme.formats = readFormatScheme(formats);
    return theme;
}

Theme withOverride(Theme theme, const Theme& override_) {
    if (override_.colors) theme.colors = override_.colors;
    if (override_.fonts) theme.fonts = override_.fonts;
    if (override_.formats) theme.formats = override_.formats;
    return theme;
}

}  // namespace engine::drawingml

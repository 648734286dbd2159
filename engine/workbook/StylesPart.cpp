#include "StylesPart.h"

#include "engine/package/Xml.h"

namespace engine {

using xml::Ns;

StylesPart StylesPart::parse(const QByteArray& xml, const QString& file, const QString& part,
                             const Limits& limits) {
    pugi::xml_document doc;
    parseXml(doc, xml, file, part, limits);
    StylesPart styles;
    const pugi::xml_node root = doc.document_element();
    for (const pugi::xml_node f : xml::children(xml::child(root, Ns::S, "numFmts"), Ns::S, "numFmt")) {
        styles.m_customFormats.insert(f.attribute("numFmtId").as_int(-1),
                                      QString::fromUtf8(f.attribute("formatCode").value()));
    }
    for (const pugi::xml_node xf : xml::children(xml::child(root, Ns::S, "cellXfs"), Ns::S, "xf")) {
        styles.m_xfFormatIds.push_back(xf.attribute("numFmtId").as_int(0));
    }
    return styles;
}

QString StylesPart::numberFormat(int xfIndex) const {
    if (xfIndex < 0 || xfIndex >= int(m_xfFormatIds.size())) return {};
    const int id = m_xfFormatIds[size_t(xfIndex)];
    auto it = m_customFormats.constFind(id);
    QString code = it != m_customFormats.constEnd() ? *it : builtInFormat(id);
    if (code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) code.clear();
    return code;
}

QString StylesPart::builtInFormat(int id) {
    switch (id) {
    case 1: return QStringLiteral("0");
    case 2: return QStringLiteral("0.00");
    case 3: return QStringLiteral("#,##0");
    case 4: return QStringLiteral("#,##0.00");
    case 9: return QStringLiteral("0%");
    case 10: return QStringLiteral("0.00%");
    case 11: return QStringLiteral("0.00E+00");
    case 12: return QStringLiteral("# ?/?");
    case 13: return QStringLiteral("# ?\?/?\?");
    case 14: return QStringLiteral("mm-dd-yy");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("m/d/yy h:mm");
    case 37: return QStringLiteral("#,##0 ;(#,##0)");
    case 38: return QStringLiteral("#,##0 ;[Red](#,##0)");
    case 39: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 40: return QStringLiteral("#,##0.00;[Red](#,##0.00)");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mmss.0");
    case 48: return QStringLiteral("##0.0E+0");
    case 49: return QStringLiteral("@");
    default: return {};
    }
}

}  // namespace engine

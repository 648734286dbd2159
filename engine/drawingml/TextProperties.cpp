#include "engine/drawingml/TextProperties.h"

#include "engine/drawingml/Theme.h"
#include "engine/drawingml/Units.h"
#include "engine/package/Xml.h"

namespace engine::drawingml {

using xml::Ns;

namespace {

using xml::text;

// bodyPr rot="-60000000": the producer picks the angle (a chart axis labels' automatic rotation).
constexpr long long kAutomaticRotation = -60000000;


std::optional<double> inset(const pugi::xml_node& node, const char* name) {
    const auto a = node.attribute(name);
    if (!a) return std::nullopt;
    return xml::toDouble(a, 0) / kEmuPerPoint;
}

std::optional<QString> face(const pugi::xml_node& node, const char* local) {
    const auto element = xml::child(node, Ns::A, local);
    if (!element) return std::nullopt;
    return text(element.attribute("typeface"));
}

}  // namespace

RunProperties readRunProperties(const pugi::xml_node& element) {
    RunProperties run;
    // A size outside the schema's 1 to 4000 points is no size to draw text at: absent, as is
    // one that is not a number as a whole ("100e" once passed the range as 100 and then read
    // as 0 points).
    if (const auto sz = element.attribute("sz")) {
        const double hundredths = xml::toDouble(sz, 0);
        if (hundredths >= 100 && hundredths <= 400000) run.size = hundredths / 100.0;
    }
    run.bold = optionalBool(element.attribute("b"));
    run.italic = optionalBool(element.attribute("i"));
    run.underline = text(element.attribute("u"));
    run.strike = text(element.attribute("strike"));
    if (const auto baseline = element.attribute("baseline")) run.baseline = baseline.as_int(0);
    if (const auto spc = element.attribute("spc")) run.spacing = xml::toDouble(spc, 0) / 100.0;
    run.capitals = text(element.attribute("cap"));
    run.language = text(element.attribute("lang"));
    run.fill = readFill(element);
    if (const auto ln = xml::child(element, Ns::A, "ln")) run.outline = readLine(ln);
    run.latin = face(element, "latin");
    run.eastAsian = face(element, "ea");
    run.complexScript = face(element, "cs");
    return run;
}

QString resolveTypeface(const QString& typeface, const FontScheme& fonts) {
    // "+mj-lt", "+mn-ea", "+mn-cs": major or minor, latin, east-Asian or complex script.
    if (typeface.size() != 6 || !typeface.startsWith(u'+')) return typeface;
    const FontCollection* collection = typeface.mid(1, 2) == QLatin1String("mj")   ? &fonts.major
                                       : typeface.mid(1, 2) == QLatin1String("mn") ? &fonts.minor
                                                                                  : nullptr;
    if (!collection || typeface.at(3) != u'-') return typeface;
    const QString script = typeface.mid(4);
    if (script == QLatin1String("lt")) return collection->latin;
    if (script == QLatin1String("ea")) return collection->eastAsian;
    if (script == QLatin1String("cs")) return collection->complexScript;
    return typeface;
}

ParagraphProperties readParagraphProperties(const pugi::xml_node& pPr) {
    ParagraphProperties paragraph;
    paragraph.alignment = text(pPr.attribute("algn"));
    if (const auto level = pPr.attribute("lvl")) paragraph.level = level.as_int(0);
    paragraph.rightToLeft = optionalBool(pPr.attribute("rtl"));
    if (const auto defaults = xml::child(pPr, Ns::A, "defRPr")) paragraph.defaults = readRunProperties(defaults);
    return paragraph;
}

BodyProperties readBodyProperties(const pugi::xml_node& bodyPr) {
    BodyProperties body;
    if (const auto rot = bodyPr.attribute("rot")) {
        if (rot.as_llong(0) == kAutomaticRotation) body.automaticRotation = true;
        else body.rotation = xml::toDouble(rot, 0) / 60000.0;
    }
    body.vertical = text(bodyPr.attribute("vert"));
    body.leftInset = inset(bodyPr, "lIns");
    body.topInset = inset(bodyPr, "tIns");
    body.rightInset = inset(bodyPr, "rIns");
    body.bottomInset = inset(bodyPr, "bIns");
    body.anchor = text(bodyPr.attribute("anchor"));
    body.anchorCentered = optionalBool(bodyPr.attribute("anchorCtr"));
    body.wrap = text(bodyPr.attribute("wrap"));
    body.upright = optionalBool(bodyPr.attribute("upright"));
    if (xml::child(bodyPr, Ns::A, "noAutofit")) body.autoFit = QStringLiteral("none");
    else if (xml::child(bodyPr, Ns::A, "normAutofit")) body.autoFit = QStringLiteral("normal");
    else if (xml::child(bodyPr, Ns::A, "spAutoFit")) body.autoFit = QStringLiteral("shape");
    return body;
}

QString Paragraph::text() const {
    QString result;
    for (const TextRun& run : runs) result += run.kind == TextRun::Kind::Break ? QStringLiteral("\n") : run.text;
    return result;
}

QString TextBody::text() const {
    QStringList lines;
    for (const Paragraph& p : paragraphs) lines << p.text();
    return lines.join(u'\n');
}

const RunProperties* TextBody::firstDefaults() const {
    if (paragraphs.empty() || !paragraphs.front().properties || !paragraphs.front().properties->defaults)
        return nullptr;
    return &*paragraphs.front().properties->defaults;
}

TextBody readTextBody(const pugi::xml_node& node) {
    TextBody body;
    if (const auto bodyPr = xml::child(node, Ns::A, "bodyPr")) body.body = readBodyProperties(bodyPr);
    if (const auto level = xml::child(xml::child(node, Ns::A, "lstStyle"), Ns::A, "lvl1pPr")) {
        body.listLevel1 = readParagraphProperties(level);
    }
    for (const auto p : xml::children(node, Ns::A, "p")) {
        Paragraph paragraph;
        for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || xml::namespaceOf(c) != Ns::A) continue;
            const std::string_view local = xml::localName(c);
            if (local == "pPr") {
                paragraph.properties = readParagraphProperties(c);
            } else if (local == "r" || local == "fld" || local == "br") {
                TextRun run;
                run.kind = local == "r" ? TextRun::Kind::Run
                           : local == "fld" ? TextRun::Kind::Field
                                            : TextRun::Kind::Break;
                run.text = QString::fromUtf8(xml::child(c, Ns::A, "t").text().get());
                if (run.kind == TextRun::Kind::Field) run.fieldType = QString::fromUtf8(c.attribute("type").value());
                if (const auto rPr = xml::child(c, Ns::A, "rPr")) run.properties = readRunProperties(rPr);
                paragraph.runs.push_back(std::move(run));
            } else if (local == "endParaRPr") {
                paragraph.endProperties = readRunProperties(c);
            }
        }
        body.paragraphs.push_back(std::move(paragraph));
    }
    return body;
}

}  // namespace engine::drawingml

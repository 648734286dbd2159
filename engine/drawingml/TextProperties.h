#pragma once

#include "engine/drawingml/ShapeProperties.h"

#include <QString>
#include <optional>
#include <pugixml.hpp>
#include <vector>

// Text bodies and their body, paragraph and run properties (a:bodyPr, a:pPr, a:rPr, a:defRPr),
// as the document states them; absent attributes stay absent.

namespace engine::drawingml {

struct FontScheme;

struct RunProperties {
    std::optional<double> size;  // points (sz in hundredths)
    std::optional<bool> bold;
    std::optional<bool> italic;
    QString underline;           // u: "none", "sng", "dbl"...; "" when absent
    QString strike;              // "noStrike", "sngStrike", "dblStrike"; "" when absent
    std::optional<int> baseline; // thousandths of a percent
    std::optional<double> spacing;  // spc, points
    QString capitals;            // cap: "none", "small", "all"; "" when absent
    QString language;            // lang
    std::optional<Fill> fill;    // the text colour is its solid fill
    std::optional<Line> outline;
    // Typefaces as written, theme references included ("+mn-lt", "+mj-ea"...).
    std::optional<QString> latin;
    std::optional<QString> eastAsian;
    std::optional<QString> complexScript;
};
// Reads a:rPr, a:defRPr or a:endParaRPr.
RunProperties readRunProperties(const pugi::xml_node& element);

// The face a typeface stands for: "+mn-lt" the theme's minor latin font, "+mj-ea" the major
// east-Asian one, and so on; any other name stands for itself.
QString resolveTypeface(const QString& typeface, const FontScheme& fonts);

struct ParagraphProperties {
    QString alignment;  // algn: "l", "ctr", "r", "just"...; "" when absent
    std::optional<int> level;
    std::optional<bool> rightToLeft;
    std::optional<RunProperties> defaults;  // a:defRPr
};
ParagraphProperties readParagraphProperties(const pugi::xml_node& pPr);

struct BodyProperties {
    // Rotation in degrees; the automatic sentinel (rot="-60000000", the producer decides) is
    // told apart from any real angle.
    std::optional<double> rotation;
    bool automaticRotation = false;
    QString vertical;        // vert: "horz", "vert", "vert270", "wordArtVert", "eaVert"...
    std::optional<double> leftInset;  // points
    std::optional<double> topInset;
    std::optional<double> rightInset;
    std::optional<double> bottomInset;
    QString anchor;          // "t", "ctr", "b"...
    std::optional<bool> anchorCentered;
    QString wrap;            // "none" or "square"
    std::optional<bool> upright;
    QString autoFit;         // "none", "normal", "shape"; "" when absent
};
BodyProperties readBodyProperties(const pugi::xml_node& bodyPr);

struct TextRun {
    enum class Kind { Run, Field, Break };
    Kind kind = Kind::Run;
    QString text;
    QString fieldType;  // a:fld type ("CELLRANGE", "SERIESNAME", "VALUE"...)
    std::optional<RunProperties> properties;
};

struct Paragraph {
    std::optional<ParagraphProperties> properties;
    std::vector<TextRun> runs;
    std::optional<RunProperties> endProperties;  // a:endParaRPr
    QString text() const;  // the runs' and fields' texts, breaks as "\n"
};

// A text body (c:rich, c:txPr, p:txBody, a:txBody...): its body properties, the first level of
// its list style (what charts use) and its paragraphs.
struct TextBody {
    std::optional<BodyProperties> body;
    std::optional<ParagraphProperties> listLevel1;  // a:lstStyle/a:lvl1pPr
    std::vector<Paragraph> paragraphs;
    QString text() const;  // paragraphs joined with "\n"
    // The first paragraph's default run properties, which chart text properties (c:txPr) use
    // for the whole element.
    const RunProperties* firstDefaults() const;
};
TextBody readTextBody(const pugi::xml_node& body);

}  // namespace engine::drawingml

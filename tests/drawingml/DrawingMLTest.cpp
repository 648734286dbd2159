#include "engine/drawingml/Color.h"
#include "engine/drawingml/ShapeProperties.h"
#include "engine/drawingml/TextProperties.h"
#include "engine/drawingml/Theme.h"
#include "engine/package/Xml.h"

#include <gtest/gtest.h>

using namespace engine;
using namespace engine::drawingml;

namespace {

constexpr const char* kA = "xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/main'";

pugi::xml_document parsed(const QByteArray& text) {
    pugi::xml_document doc;
    parseXml(doc, text, "test", "/part.xml");
    return doc;
}

// Resolves the colour written inside a <a:solidFill> against the scheme and map given.
QString resolved(const QByteArray& colorXml, const ColorScheme& scheme = defaultColorScheme(),
                 const ColorMap& map = ColorMap::standard()) {
    const auto doc = parsed(QByteArray("<a:solidFill ") + kA + ">" + colorXml + "</a:solidFill>");
    const auto rgba = resolve(readColor(doc.document_element()), scheme, map);
    return rgba ? rgba->hex() : QStringLiteral("unresolved");
}

// A theme in the layout office suites write, with a system colour pair and distinctive accents.
const QByteArray kTheme =
    "<a:theme xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/main' name='Test Theme'>"
    "<a:themeElements><a:clrScheme name='Test'>"
    "<a:dk1><a:sysClr val='windowText' lastClr='101010'/></a:dk1>"
    "<a:lt1><a:sysClr val='window' lastClr='FEFEFE'/></a:lt1>"
    "<a:dk2><a:srgbClr val='1F497D'/></a:dk2><a:lt2><a:srgbClr val='EEECE1'/></a:lt2>"
    "<a:accent1><a:srgbClr val='4F81BD'/></a:accent1><a:accent2><a:srgbClr val='C0504D'/></a:accent2>"
    "<a:accent3><a:srgbClr val='9BBB59'/></a:accent3><a:accent4><a:srgbClr val='8064A2'/></a:accent4>"
    "<a:accent5><a:srgbClr val='4BACC6'/></a:accent5><a:accent6><a:srgbClr val='F79646'/></a:accent6>"
    "<a:hlink><a:srgbClr val='0000FF'/></a:hlink><a:folHlink><a:srgbClr val='800080'/></a:folHlink>"
    "</a:clrScheme>"
    "<a:fontScheme name='Office'><a:majorFont><a:latin typeface='Cambria'/><a:ea typeface=''/>"
    "<a:cs typeface=''/><a:font script='Jpan' typeface='MS Gothic'/></a:majorFont>"
    "<a:minorFont><a:latin typeface='Calibri'/><a:ea typeface='SimSun'/><a:cs typeface='Arial'/></a:minorFont>"
    "</a:fontScheme>"
    "<a:fmtScheme name='Office'><a:fillStyleLst><a:solidFill><a:schemeClr val='phClr'/></a:solidFill>"
    "<a:gradFill rotWithShape='1'><a:gsLst><a:gs pos='0'><a:schemeClr val='phClr'><a:tint val='50000'/></a:schemeClr></a:gs>"
    "<a:gs pos='100000'><a:schemeClr val='phClr'><a:shade val='30000'/></a:schemeClr></a:gs></a:gsLst>"
    "<a:lin ang='16200000' scaled='1'/></a:gradFill>"
    "<a:gradFill><a:gsLst><a:gs pos='0'><a:schemeClr val='phClr'/></a:gs></a:gsLst><a:path path='circle'/></a:gradFill>"
    "</a:fillStyleLst><a:lnStyleLst><a:ln w='9525' cap='flat' cmpd='sng'><a:solidFill><a:schemeClr val='phClr'/></a:solidFill>"
    "<a:prstDash val='solid'/></a:ln><a:ln w='25400'/><a:ln w='38100'/></a:lnStyleLst>"
    "<a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst>"
    "<a:outerShdw blurRad='40000' dist='23000' dir='5400000' rotWithShape='0'><a:srgbClr val='000000'><a:alpha val='35000'/></a:srgbClr></a:outerShdw>"
    "</a:effectLst></a:effectStyle></a:effectStyleLst>"
    "<a:bgFillStyleLst><a:solidFill><a:schemeClr val='phClr'/></a:solidFill></a:bgFillStyleLst></a:fmtScheme>"
    "</a:themeElements></a:theme>";

}  // namespace

TEST(ColorResolution, DocumentedResultsOfTheTransforms) {
    // Excel's lightest gridline grey: white at 85 % luminance.
    EXPECT_EQ(resolved("<a:srgbClr val='FFFFFF'><a:lumMod val='85000'/></a:srgbClr>"), "D9D9D9");
    // A 25 % shade is computed in linear RGB, as PowerPoint does.
    EXPECT_EQ(resolved("<a:srgbClr val='FF99FF'><a:shade val='25000'/></a:srgbClr>"), "895089");
    // Text 1 lighter by 35 % and 25 % (lumMod with lumOff), as Office writes "lighter" colours.
    EXPECT_EQ(resolved("<a:schemeClr val='tx1'><a:lumMod val='65000'/><a:lumOff val='35000'/></a:schemeClr>"), "595959");
    EXPECT_EQ(resolved("<a:schemeClr val='tx1'><a:lumMod val='75000'/><a:lumOff val='25000'/></a:schemeClr>"), "404040");
    EXPECT_EQ(resolved("<a:srgbClr val='4472C4'><a:lumMod val='60000'/></a:srgbClr>"), "264478");
}

TEST(ColorResolution, TransformsApplyInDocumentOrder) {
    // Darken then lighten is not lighten then darken.
    const QString a = resolved("<a:srgbClr val='808080'><a:lumMod val='50000'/><a:lumOff val='50000'/></a:srgbClr>");
    const QString b = resolved("<a:srgbClr val='808080'><a:lumOff val='50000'/><a:lumMod val='50000'/></a:srgbClr>");
    EXPECT_EQ(a, "C0C0C0");
    EXPECT_EQ(b, "808080");
    EXPECT_EQ(resolved("<a:srgbClr val='FF0000'><a:comp/></a:srgbClr>"), "00FFFF");
    EXPECT_EQ(resolved("<a:srgbClr val='FF0000'><a:hueOff val='7200000'/></a:srgbClr>"), "00FF00");
    EXPECT_EQ(resolved("<a:srgbClr val='FF0000'><a:satMod val='0'/></a:srgbClr>"), "808080");
    EXPECT_EQ(resolved("<a:srgbClr val='000000'><a:tint val='0'/></a:srgbClr>"), "FFFFFF");
    EXPECT_EQ(resolved("<a:srgbClr val='FFFFFF'><a:inv/></a:srgbClr>"), "000000");
    EXPECT_EQ(resolved("<a:srgbClr val='336699'><a:red val='100000'/><a:blueMod val='0'/></a:srgbClr>"), "FF6600");
    EXPECT_EQ(resolved("<a:srgbClr val='FF0000'><a:gray/></a:srgbClr>"), "383838");

    const auto doc = parsed(QByteArray("<a:solidFill ") + kA +
                            "><a:srgbClr val='102030'><a:alpha val='50000'/><a:alphaMod val='50000'/>"
                            "<a:alphaOff val='-90000'/></a:srgbClr></a:solidFill>");
    const auto rgba = resolve(readColor(doc.document_element()), defaultColorScheme(), ColorMap::standard());
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->alpha(), 0);  // 50 % x 50 % - 90 % clamps at nothing
    EXPECT_EQ(rgba->hex(), "102030");
}

TEST(ColorResolution, BaseColoursOfEveryKind) {
    EXPECT_EQ(resolved("<a:prstClr val='dkBlue'/>"), "00008B");
    EXPECT_EQ(resolved("<a:prstClr val='ltGray'/>"), "D3D3D3");
    EXPECT_EQ(resolved("<a:prstClr val='medSeaGreen'/>"), "3CB371");
    EXPECT_EQ(resolved("<a:hslClr hue='14400000' sat='100000' lum='50000'/>"), "0000FF");
    EXPECT_EQ(resolved("<a:scrgbClr r='100000' g='21586' b='0'/>"), "FF8000");
    EXPECT_EQ(resolved("<a:sysClr val='windowText' lastClr='123456'/>"), "123456");
    EXPECT_EQ(resolved("<a:sysClr val='window'/>"), "FFFFFF");
    EXPECT_EQ(resolved("<a:schemeClr val='accent2'/>"), "ED7D31");
    EXPECT_EQ(resolved("<a:schemeClr val='nonsense'/>"), "unresolved");
}

TEST(ColorResolution, SchemeColoursGoThroughTheColourMapAndItsOverride) {
    const Theme theme = readTheme(kTheme, "book.xlsx", "/xl/theme/theme1.xml");
    ASSERT_TRUE(theme.colors);
    // Workbooks map bg1 to lt1: a system colour whose last value stands.
    EXPECT_EQ(resolved("<a:schemeClr val='bg1'/>", *theme.colors), "FEFEFE");
    EXPECT_EQ(resolved("<a:schemeClr val='tx1'/>", *theme.colors), "101010");
    // A chart's c:clrMapOvr that swaps light and dark, as on a dark slide master.
    const auto override_ = parsed(
        "<c:clrMapOvr xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart' bg1='dk1' tx1='lt1' "
        "bg2='dk2' tx2='lt2' accent1='accent6' accent2='accent2' accent3='accent3' accent4='accent4' "
        "accent5='accent5' accent6='accent6' hlink='hlink' folHlink='folHlink'/>");
    const ColorMap map = readColorMap(override_.document_element());
    EXPECT_EQ(resolved("<a:schemeClr val='bg1'/>", *theme.colors, map), "101010");
    EXPECT_EQ(resolved("<a:schemeClr val='tx2'/>", *theme.colors, map), "EEECE1");
    EXPECT_EQ(resolved("<a:schemeClr val='accent1'/>", *theme.colors, map), "F79646");
    // dk1 and the like name the scheme directly, past the map.
    EXPECT_EQ(resolved("<a:schemeClr val='dk1'/>", *theme.colors, map), "101010");
    // A placeholder colour takes the style reference's colour.
    const auto ph = parsed(QByteArray("<a:fillRef ") + kA + " idx='1'><a:schemeClr val='phClr'><a:lumMod val='50000'/></a:schemeClr></a:fillRef>");
    const auto rgba = resolve(readColor(ph.document_element()), *theme.colors, ColorMap::standard(),
                              Rgba::fromRgb(0xFF0000));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->hex(), "800000");
}

// A resolved colour remembers the theme colour it stands for, so that a writer can name it
// again: the scheme value as written with the transforms after the theme's own, carried through
// a placeholder and further transforms; a stated colour names nothing, nor does a reference
// with no room left for another transform.
TEST(ColorResolution, ResolvedColoursRememberTheThemeColourTheyStandFor) {
    const Theme theme = readTheme(kTheme, "book.xlsx", "/xl/theme/theme1.xml");
    ASSERT_TRUE(theme.colors);
    using K = ColorTransform::Kind;
    const auto resolvedFrom = [&](const QByteArray& colorXml, std::optional<Rgba> placeholder = std::nullopt) {
        const auto doc = parsed(QByteArray("<a:solidFill ") + kA + ">" + colorXml + "</a:solidFill>");
        return *resolve(readColor(doc.document_element()), *theme.colors, ColorMap::standard(), placeholder);
    };
    const Rgba text = resolvedFrom("<a:schemeClr val='tx1'><a:lumMod val='65000'/><a:lumOff val='35000'/></a:schemeClr>");
    EXPECT_EQ(text.reference.schemeValue(), "tx1");
    ASSERT_EQ(text.reference.count, 2);
    EXPECT_EQ(text.reference.transforms[0].kind, K::LumMod);
    EXPECT_EQ(text.reference.transforms[0].value, 65000);
    EXPECT_EQ(text.reference.transforms[1].kind, K::LumOff);
    EXPECT_EQ(resolvedFrom("<a:schemeClr val='dk2'/>").reference.schemeValue(), "dk2");

    // A format scheme's placeholder takes the style colour's reference and adds its own shade.
    const Rgba shaded = resolvedFrom("<a:schemeClr val='phClr'><a:shade val='95000'/></a:schemeClr>",
                                     resolvedFrom("<a:schemeClr val='accent2'/>"));
    EXPECT_EQ(shaded.reference.schemeValue(), "accent2");
    ASSERT_EQ(shaded.reference.count, 1);
    EXPECT_EQ(shaded.reference.transforms[0].kind, K::Shade);
    const Rgba faded = applyTransforms(shaded, {{K::Alpha, 50000}});
    EXPECT_EQ(faded.reference.count, 2);

    for (const char* stated : {"<a:srgbClr val='12AB34'/>", "<a:sysClr val='window'/>", "<a:prstClr val='red'/>"})
        EXPECT_FALSE(resolvedFrom(stated).reference.isSet()) << stated;
    EXPECT_FALSE(resolvedFrom("<a:schemeClr val='phClr'/>", Rgba::fromRgb(0xFF0000)).reference.isSet());

    Rgba crowded = resolvedFrom("<a:schemeClr val='accent1'/>");
    for (int i = 0; i < SchemeReference::kMaxTransforms; ++i) crowded = applyTransforms(crowded, {{K::Tint, 90000}});
    EXPECT_TRUE(crowded.reference.isSet());
    crowded = applyTransforms(crowded, {{K::Tint, 90000}});
    EXPECT_FALSE(crowded.reference.isSet());

    // Named through the colour map as a part under it would name the slot.
    EXPECT_EQ(referenceTo(SchemeSlot::Dk1, ColorMap::standard()).schemeValue(), "tx1");
    const auto swapped = parsed("<c:clrMapOvr xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart' "
                                "bg1='dk1' tx1='lt1' bg2='dk2' tx2='lt2'/>");
    EXPECT_EQ(referenceTo(SchemeSlot::Dk1, readColorMap(swapped.document_element())).schemeValue(), "bg1");
    EXPECT_EQ(referenceTo(SchemeSlot::Accent3, ColorMap::standard()).schemeValue(), "accent3");
}

TEST(ThemeReader, SchemesFontsAndFormatListsAsWritten) {
    const Theme theme = readTheme(kTheme, "book.xlsx", "/xl/theme/theme1.xml");
    EXPECT_EQ(theme.name, "Test Theme");
    ASSERT_TRUE(theme.fonts);
    EXPECT_EQ(theme.fonts->major.latin, "Cambria");
    EXPECT_EQ(theme.fonts->minor.eastAsian, "SimSun");
    EXPECT_EQ(theme.fonts->minor.complexScript, "Arial");
    ASSERT_EQ(theme.fonts->major.byScript.size(), 1u);
    EXPECT_EQ(theme.fonts->major.byScript[0].second, "MS Gothic");
    EXPECT_EQ(resolveTypeface("+mn-lt", *theme.fonts), "Calibri");
    EXPECT_EQ(resolveTypeface("+mj-lt", *theme.fonts), "Cambria");
    EXPECT_EQ(resolveTypeface("+mn-ea", *theme.fonts), "SimSun");
    EXPECT_EQ(resolveTypeface("Arial", *theme.fonts), "Arial");

    ASSERT_TRUE(theme.formats);
    ASSERT_EQ(theme.formats->fills.size(), 3u);
    const Fill* gradient = theme.fillOf(2);
    ASSERT_NE(gradient, nullptr);
    EXPECT_EQ(gradient->kind, Fill::Kind::Gradient);
    ASSERT_EQ(gradient->stops.size(), 2u);
    EXPECT_DOUBLE_EQ(gradient->stops[1].position, 1.0);
    EXPECT_EQ(gradient->stops[0].color.transforms.size(), 1u);
    EXPECT_DOUBLE_EQ(*gradient->linearAngle, 270.0);
    EXPECT_EQ(theme.fillOf(3)->path, "circle");
    EXPECT_FALSE(theme.fillOf(3)->linearAngle.has_value());
    EXPECT_EQ(theme.fillOf(0), nullptr);
    EXPECT_EQ(theme.fillOf(4), nullptr);
    EXPECT_EQ(theme.fillOf(1001)->kind, Fill::Kind::Solid);
    ASSERT_EQ(theme.formats->lines.size(), 3u);
    EXPECT_DOUBLE_EQ(*theme.lineOf(1)->width, 0.75);
    EXPECT_EQ(theme.lineOf(1)->dash, "solid");
    EXPECT_EQ(theme.lineOf(1)->cap, "flat");
    EXPECT_TRUE(theme.effectOf(1)->empty);
    ASSERT_TRUE(theme.effectOf(2)->outerShadow);
    EXPECT_DOUBLE_EQ(*theme.effectOf(2)->outerShadow->direction, 90.0);
}

TEST(ThemeReader, OverridesReplaceWholeSchemesAndOtherRootsAreRefused) {
    const Theme base = readTheme(kTheme, "book.xlsx", "/xl/theme/theme1.xml");
    const Theme override_ = readTheme(
        "<a:themeOverride xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/main'>"
        "<a:clrScheme name='Other'><a:accent1><a:srgbClr val='00FF00'/></a:accent1></a:clrScheme>"
        "</a:themeOverride>",
        "deck.pptx", "/ppt/theme/themeOverride1.xml");
    EXPECT_FALSE(override_.fonts);
    const Theme merged = withOverride(base, override_);
    EXPECT_EQ(merged.colors->name, "Other");
    EXPECT_EQ(merged.fonts->minor.latin, "Calibri");
    try {
        readTheme("<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'/>", "b", "/p");
        ADD_FAILURE() << "a chart was read as a theme";
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.kind(), DocumentError::Kind::Unsupported);
    }
}

TEST(ShapePropertiesReader, FillsLinesAndAbsentAttributesToldApart) {
    const auto doc = parsed(QByteArray("<c:spPr xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart' ") + kA +
                            "><a:pattFill prst='dkDnDiag'><a:fgClr><a:srgbClr val='FF0000'/></a:fgClr>"
                            "<a:bgClr><a:schemeClr val='bg1'/></a:bgClr></a:pattFill>"
                            "<a:ln w='28575' cap='rnd'><a:noFill/><a:custDash><a:ds d='400000' sp='100000'/></a:custDash>"
                            "<a:miter lim='800000'/><a:headEnd type='triangle' w='lg'/><a:tailEnd type='oval'/></a:ln>"
                            "<a:effectLst/></c:spPr>");
    const ShapeProperties sp = readShapeProperties(doc.document_element());
    ASSERT_TRUE(sp.fill);
    EXPECT_EQ(sp.fill->kind, Fill::Kind::Pattern);
    EXPECT_EQ(sp.fill->pattern, "dkDnDiag");
    EXPECT_EQ(sp.fill->background.name, "bg1");
    ASSERT_TRUE(sp.line);
    EXPECT_DOUBLE_EQ(*sp.line->width, 2.25);
    EXPECT_EQ(sp.line->fill->kind, Fill::Kind::None);
    EXPECT_EQ(sp.line->customDash, (std::vector<std::pair<int, int>>{{400000, 100000}}));
    EXPECT_EQ(sp.line->join, "miter");
    EXPECT_EQ(*sp.line->miterLimit, 800000);
    EXPECT_EQ(sp.line->head->width, "lg");
    EXPECT_EQ(sp.line->tail->type, "oval");
    EXPECT_TRUE(sp.line->compound.isEmpty());
    ASSERT_TRUE(sp.effects);
    EXPECT_TRUE(sp.effects->empty);

    const auto bare = parsed(QByteArray("<a:spPr ") + kA + "><a:ln/></a:spPr>");
    const ShapeProperties none = readShapeProperties(bare.document_element());
    EXPECT_FALSE(none.fill);  // absent: the producer's default applies, not "no fill"
    ASSERT_TRUE(none.line);
    EXPECT_FALSE(none.line->width);
    EXPECT_FALSE(none.line->fill);
    EXPECT_FALSE(none.effects);

    const auto style = parsed(QByteArray("<p:style xmlns:p='http://schemas.openxmlformats.org/presentationml/2006/main' ") + kA +
                              "><a:lnRef idx='2'><a:schemeClr val='accent1'><a:shade val='50000'/></a:schemeClr></a:lnRef>"
                              "<a:fillRef idx='1'><a:schemeClr val='accent1'/></a:fillRef>"
                              "<a:effectRef idx='0'><a:schemeClr val='accent1'/></a:effectRef>"
                              "<a:fontRef idx='minor'><a:schemeClr val='lt1'/></a:fontRef></p:style>");
    const ShapeStyle refs = readShapeStyle(style.document_element());
    EXPECT_EQ(refs.line->index, 2);
    EXPECT_EQ(refs.line->color.transforms.size(), 1u);
    EXPECT_EQ(refs.effect->index, 0);
    EXPECT_EQ(refs.font->index, "minor");
    EXPECT_EQ(refs.font->color.name, "lt1");
}

TEST(TextPropertiesReader, RunsParagraphsAndTheAutomaticRotation) {
    const auto doc = parsed(QByteArray("<c:rich xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart' ") + kA +
                            "><a:bodyPr rot='-60000000' vert='horz' lIns='91440' anchor='ctr'/>"
                            "<a:lstStyle><a:lvl1pPr algn='r'/></a:lstStyle>"
                            "<a:p><a:pPr algn='ctr'><a:defRPr sz='1400' b='0' u='sng'><a:solidFill><a:schemeClr val='tx1'/></a:solidFill>"
                            "<a:latin typeface='+mn-lt'/></a:defRPr></a:pPr>"
                            "<a:r><a:rPr lang='de-DE' i='1' baseline='30000'/><a:t>Umsatz </a:t></a:r>"
                            "<a:fld id='{1}' type='CELLRANGE'><a:t>[Zelle]</a:t></a:fld><a:br/><a:r><a:t>2024</a:t></a:r>"
                            "<a:endParaRPr sz='1000'/></a:p><a:p><a:r><a:t>zweite</a:t></a:r></a:p></c:rich>");
    const TextBody body = readTextBody(doc.document_element());
    ASSERT_TRUE(body.body);
    EXPECT_TRUE(body.body->automaticRotation);
    EXPECT_FALSE(body.body->rotation);
    EXPECT_EQ(body.body->vertical, "horz");
    EXPECT_DOUBLE_EQ(*body.body->leftInset, 7.2);
    EXPECT_FALSE(body.body->topInset);
    EXPECT_EQ(body.listLevel1->alignment, "r");
    EXPECT_EQ(body.text(), "Umsatz [Zelle]\n2024\nzweite");
    ASSERT_EQ(body.paragraphs.size(), 2u);
    const auto& runs = body.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[1].kind, TextRun::Kind::Field);
    EXPECT_EQ(runs[1].fieldType, "CELLRANGE");
    EXPECT_TRUE(*runs[0].properties->italic);
    EXPECT_FALSE(runs[0].properties->bold);
    EXPECT_EQ(*runs[0].properties->baseline, 30000);
    const RunProperties* defaults = body.firstDefaults();
    ASSERT_NE(defaults, nullptr);
    EXPECT_DOUBLE_EQ(*defaults->size, 14.0);
    EXPECT_FALSE(*defaults->bold);  // present and false, not absent
    EXPECT_EQ(defaults->underline, "sng");
    EXPECT_EQ(*defaults->latin, "+mn-lt");
    EXPECT_EQ(defaults->fill->color.name, "tx1");
    EXPECT_DOUBLE_EQ(*body.paragraphs[0].endProperties->size, 10.0);

    const auto turned = parsed(QByteArray("<a:bodyPr ") + kA + " rot='-5400000' vert='vert270'/>");
    const BodyProperties rotated = readBodyProperties(turned.document_element());
    EXPECT_FALSE(rotated.automaticRotation);
    EXPECT_DOUBLE_EQ(*rotated.rotation, -90.0);
}

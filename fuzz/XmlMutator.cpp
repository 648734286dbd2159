#include "XmlMutator.h"

#include <pugixml.hpp>

#include <algorithm>
#include <sstream>
#include <string_view>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace fuzzmutate {

namespace {

// Values that have found faults in readers of numbers, names and references before.
const char* const kValues[] = {
    "0", "1", "-1", "2", "255", "256", "65535", "65536", "2147483647", "2147483648", "-2147483649",
    "4294967295", "9223372036854775807", "1e308", "-1e308", "1e-308", "NaN", "nan", "inf", "-INF", "0.5",
    "100000", "21600000", "-21600000", "", " ", "true", "false", "b", "l", "r", "t", "ctr", "none",
    "auto", "rId1", "rId0", "rId4294967296", "../../x.xml", "/xl/charts/chart1.xml", "Sheet1!$A$1:$A$3",
    "'Sheet 1'!$B$1:$B$1048576", "General", "0.00%", "yyyy-mm-dd", "\xEF\xBF\xBF",
};

struct Tree {
    pugi::xml_document doc;
    std::vector<pugi::xml_node> elements;  // every element, the root first
};

void collect(pugi::xml_node node, std::vector<pugi::xml_node>* out) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        out->push_back(child);
        collect(child, out);
    }
}

template <typename T>
const T& pick(const std::vector<T>& list, std::minstd_rand& random) {
    return list[random() % list.size()];
}

// Text mutated as bytes by libFuzzer, given room to grow.
std::string mutatedText(const std::string& text) {
    std::string out = text;
    const size_t length = out.size();
    out.resize(length * 2 + 16);
    out.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(out.data()), length, out.size()));
    return out;
}

std::string attributeValue(const Tree& tree, std::minstd_rand& random) {
    switch (random() % 4) {
    case 0: {  // a value another attribute of the document has
        const pugi::xml_node from = pick(tree.elements, random);
        if (pugi::xml_attribute a = from.first_attribute()) return a.value();
        break;
    }
    case 1:  // a number nudged
        return std::to_string(int64_t(random()) - int64_t(random()));
    default:
        break;
    }
    return kValues[random() % std::size(kValues)];
}

bool edit(Tree& tree, std::minstd_rand& random, const Vocabulary& vocabulary) {
    pugi::xml_node node = pick(tree.elements, random);
    const bool root = node == tree.elements.front();
    switch (random() % 10) {
    case 0:  // deleted
        if (root) return false;
        return node.parent().remove_child(node);
    case 1:  // doubled beside itself
        if (root) return false;
        return bool(node.parent().insert_copy_after(node, node));
    case 2: {  // copied under another element of the document
        pugi::xml_node target = pick(tree.elements, random);
        for (pugi::xml_node up = target; up; up = up.parent())
            if (up == node) return false;
        return bool(target.append_copy(node));
    }
    case 3: {  // an element of the schema inserted, empty or with a value
        if (vocabulary.elements.empty()) return false;
        pugi::xml_node added = random() % 2 ? node.append_child(pick(vocabulary.elements, random).c_str())
                                            : (root ? pugi::xml_node()
                                                    : node.parent().insert_child_before(
                                                          pick(vocabulary.elements, random).c_str(), node));
        if (!added) return false;
        if (random() % 2) added.append_attribute("val").set_value(attributeValue(tree, random).c_str());
        return true;
    }
    case 4:  // renamed to another name of the schema
        if (vocabulary.elements.empty()) return false;
        return node.set_name(pick(vocabulary.elements, random).c_str());
    case 5:  // an attribute added from the schema's names
        if (vocabulary.attributes.empty()) return false;
        return node.append_attribute(pick(vocabulary.attributes, random).c_str())
            .set_value(attributeValue(tree, random).c_str());
    case 6: {  // an attribute dropped
        std::vector<pugi::xml_attribute> attributes;
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) attributes.push_back(a);
        if (attributes.empty()) return false;
        return node.remove_attribute(pick(attributes, random));
    }
    case 7: {  // text content mutated as bytes
        pugi::xml_node text = node.first_child();
        if (!text || (text.type() != pugi::node_pcdata && text.type() != pugi::node_cdata)) return false;
        return text.set_value(mutatedText(text.value()).c_str());
    }
    case 8: {  // children reordered: one moved to the front
        pugi::xml_node child = node.last_child();
        if (!child || child == node.first_child()) return false;
        return bool(node.prepend_move(child));
    }
    default: {  // an attribute's value changed
        std::vector<pugi::xml_attribute> attributes;
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) attributes.push_back(a);
        if (attributes.empty()) return false;
        pugi::xml_attribute a = pick(attributes, random);
        return random() % 3 ? a.set_value(attributeValue(tree, random).c_str())
                            : a.set_value(mutatedText(a.value()).c_str());
    }
    }
}

}  // namespace

const Vocabulary& chartVocabulary() {
    static const Vocabulary vocabulary{
        {
        "a:alpha", "a:bgClr", "a:bodyPr", "a:cs", "a:defRPr", "a:ea", "a:effectLst", "a:endParaRPr", "a:fgClr",
        "a:gradFill", "a:gs", "a:gsLst", "a:hslClr", "a:latin", "a:lin", "a:ln", "a:lstStyle", "a:lumMod",
        "a:lumOff", "a:noFill", "a:outerShdw", "a:p", "a:pPr", "a:pattFill", "a:prstClr", "a:prstDash", "a:r",
        "a:rPr", "a:round", "a:schemeClr", "a:scrgbClr", "a:shade", "a:solidFill", "a:srgbClr", "a:sysClr", "a:t",
        "c14:style", "c15:showLeaderLines", "c16r3:dataDisplayOptions16", "c16r3:dispNaAsBlank", "c:area3DChart",
        "c:areaChart", "c:auto", "c:autoTitleDeleted", "c:autoUpdate", "c:autoZero", "c:axId", "c:axPos",
        "c:backWall", "c:backward", "c:bar", "c:bar3DChart", "c:barChart", "c:barDir", "c:baseTimeUnit",
        "c:bestFit", "c:between", "c:both", "c:box", "c:bubble3D", "c:bubbleChart", "c:bubbleScale",
        "c:bubbleSize", "c:builtInUnit", "c:cat", "c:catAx", "c:chart", "c:chartSpace", "c:clrMapOvr",
        "c:clustered", "c:col", "c:cross", "c:crossAx", "c:crossBetween", "c:crosses", "c:crossesAt", "c:ctr",
        "c:custUnit", "c:dLbl", "c:dLblPos", "c:dLbls", "c:dPt", "c:dTable", "c:date1904", "c:dateAx", "c:days",
        "c:delete", "c:depthPercent", "c:dispBlanksAs", "c:dispEq", "c:dispRSqr", "c:dispUnits", "c:dispUnitsLbl",
        "c:doughnutChart", "c:downBars", "c:dropLines", "c:errBarType", "c:errBars", "c:errDir", "c:errValType",
        "c:explosion", "c:ext", "c:extLst", "c:externalData", "c:f", "c:factor", "c:firstSliceAng", "c:fixedVal",
        "c:floor", "c:formatCode", "c:forward", "c:gapDepth", "c:gapWidth", "c:grouping", "c:h", "c:hMode",
        "c:hPercent", "c:headerFooter", "c:hiLowLines", "c:holeSize", "c:idx", "c:intercept", "c:invertIfNegative",
        "c:lang", "c:layout", "c:layoutTarget", "c:lblAlgn", "c:lblOffset", "c:leaderLines", "c:legend",
        "c:legendEntry", "c:legendPos", "c:line3DChart", "c:lineChart", "c:linear", "c:logBase", "c:lvl",
        "c:majorGridlines", "c:majorTickMark", "c:majorTimeUnit", "c:majorUnit", "c:manualLayout", "c:marker",
        "c:max", "c:min", "c:minMax", "c:minorGridlines", "c:minorTickMark", "c:minorTimeUnit", "c:minorUnit",
        "c:minus", "c:multiLvlStrCache", "c:multiLvlStrRef", "c:name", "c:nextTo", "c:noEndCap", "c:noMultiLvlLbl",
        "c:none", "c:numCache", "c:numFmt", "c:numLit", "c:numRef", "c:ofPieChart", "c:ofPieType", "c:order",
        "c:orientation", "c:outer", "c:overlap", "c:overlay", "c:pageMargins", "c:pageSetup", "c:period",
        "c:perspective", "c:pie", "c:pie3DChart", "c:pieChart", "c:plotArea", "c:plotVisOnly", "c:plus",
        "c:printSettings", "c:pt", "c:ptCount", "c:rAngAx", "c:radarChart", "c:radarStyle", "c:rich", "c:rotX",
        "c:rotY", "c:roundedCorners", "c:scaling", "c:scatterChart", "c:scatterStyle", "c:secondPieSize",
        "c:separator", "c:ser", "c:serAx", "c:serLines", "c:shape", "c:showBubbleSize", "c:showCatName",
        "c:showHorzBorder", "c:showKeys", "c:showLeaderLines", "c:showLegendKey", "c:showNegBubbles",
        "c:showOutline", "c:showPercent", "c:showSerName", "c:showVal", "c:showVertBorder", "c:sideWall", "c:size",
        "c:smooth", "c:sourceLinked", "c:spPr", "c:splitPos", "c:splitType", "c:standard", "c:stockChart",
        "c:strCache", "c:strLit", "c:strRef", "c:style", "c:surface3DChart", "c:surfaceChart", "c:symbol",
        "c:thickness", "c:thousands", "c:tickLblPos", "c:tickLblSkip", "c:tickMarkSkip", "c:title", "c:trendline",
        "c:trendlineLbl", "c:trendlineType", "c:true", "c:tx", "c:txPr", "c:upBars", "c:upDownBars",
        "c:userShapes", "c:v", "c:val", "c:valAx", "c:varyColors", "c:view3D", "c:w", "c:wMode", "c:wireframe",
        "c:x", "c:xMode", "c:xVal", "c:y", "c:yMode", "c:yVal", "c:zero", "mc:AlternateContent", "mc:Choice",
        "mc:Fallback",
        },
        {
        "ang", "b", "baseline", "cap", "dir", "formatCode", "idx", "l", "lang", "lastClr", "pos", "prst", "r",
        "r:embed", "r:id", "rot", "rotWithShape", "rtl", "scaled", "sourceLinked", "spc", "strike", "sz", "t",
        "typeface", "u", "uri", "val", "vert", "w", "wrap", "algn", "anchor", "lIns", "tIns", "rIns", "bIns",
        "numCol", "ptCount", "cx", "cy", "x", "y", "orient",
        },
    };
    return vocabulary;
}

void harvest(const std::string& xml, Vocabulary& vocabulary) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) return;
    std::vector<pugi::xml_node> elements;
    collect(doc, &elements);
    auto add = [](std::vector<std::string>& list, const char* name) {
        if (*name && std::find(list.begin(), list.end(), name) == list.end()) list.emplace_back(name);
    };
    for (const pugi::xml_node e : elements) {
        add(vocabulary.elements, e.name());
        for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute())
            if (std::string_view(a.name()).substr(0, 5) != "xmlns") add(vocabulary.attributes, a.name());
    }
}

bool mutateXml(std::string& xml, size_t maxSize, std::minstd_rand& random, const Vocabulary& vocabulary) {
    Tree tree;
    if (!tree.doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_declaration)) return false;
    collect(tree.doc, &tree.elements);
    if (tree.elements.empty()) return false;
    // One to three edits: a fault often needs two changes together (an axis dropped and its
    // id kept elsewhere).
    const int edits = 1 + int(random() % 3);
    bool changed = false;
    for (int i = 0; i < edits; ++i) {
        changed = edit(tree, random, vocabulary) || changed;
        tree.elements.clear();
        collect(tree.doc, &tree.elements);
        if (tree.elements.empty()) return false;
    }
    if (!changed) return false;
    std::ostringstream out;
    tree.doc.save(out, "", pugi::format_raw);
    std::string result = out.str();
    if (result.size() > maxSize) return false;
    xml.swap(result);
    return true;
}

}  // namespace fuzzmutate

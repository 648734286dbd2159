#include "engine/package/Package.h"
#include "engine/package/Xml.h"
#include "engine/package/Zip.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace engine;
using xml::Ns;

namespace {

pugi::xml_document parsed(const QByteArray& text) {
    pugi::xml_document doc;
    parseXml(doc, text, "test", "/part.xml");
    return doc;
}

QStringList childNames(const pugi::xml_node& node) {
    QStringList names;
    for (auto c : node.children()) {
        if (c.type() == pugi::node_element) names << QString::fromUtf8(c.name());
    }
    return names;
}

}  // namespace

TEST(XmlNamespaces, ElementsMatchByNamespaceWhateverThePrefix) {
    // The same chart under the usual prefix, another prefix, the default namespace and the
    // strict spelling of the namespace.
    const QByteArray texts[] = {
        "<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'><c:chart/></c:chartSpace>",
        "<ch:chartSpace xmlns:ch='http://schemas.openxmlformats.org/drawingml/2006/chart'><ch:chart/></ch:chartSpace>",
        "<chartSpace xmlns='http://schemas.openxmlformats.org/drawingml/2006/chart'><chart/></chartSpace>",
        "<c:chartSpace xmlns:c='http://purl.oclc.org/ooxml/drawingml/chart'><c:chart/></c:chartSpace>"};
    for (const QByteArray& text : texts) {
        const auto doc = parsed(text);
        const auto root = doc.document_element();
        EXPECT_TRUE(xml::is(root, Ns::C, "chartSpace")) << text.constData();
        EXPECT_TRUE(xml::child(root, Ns::C, "chart")) << text.constData();
        EXPECT_FALSE(xml::is(root, Ns::Cx, "chartSpace")) << text.constData();
    }
}

TEST(XmlNamespaces, ChartExIsNeverAClassicChartAndUndeclaredPrefixesMatchNothing) {
    const auto ex = parsed(
        "<c:chartSpace xmlns:c='http://schemas.microsoft.com/office/drawing/2014/chartex'><c:chart/></c:chartSpace>");
    EXPECT_FALSE(xml::is(ex.document_element(), Ns::C, "chartSpace"));
    EXPECT_TRUE(xml::is(ex.document_element(), Ns::Cx, "chartSpace"));
    EXPECT_FALSE(xml::child(ex.document_element(), Ns::C, "chart"));

    const auto undeclared = parsed("<c:chartSpace><c:chart/></c:chartSpace>");
    EXPECT_EQ(xml::namespaceOf(undeclared.document_element()), Ns::Unknown);
    EXPECT_FALSE(xml::is(undeclared.document_element(), Ns::C, "chartSpace"));
    EXPECT_EQ(xml::namespaceOf(parsed("<plain/>").document_element()), Ns::None);
}

TEST(XmlNamespaces, InnerDeclarationsShadowOuterOnes) {
    const auto doc = parsed(
        "<a:root xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/main'>"
        "<a:x/><inner xmlns:a='http://schemas.openxmlformats.org/drawingml/2006/chart'><a:x/></inner></a:root>");
    const auto root = doc.document_element();
    EXPECT_TRUE(xml::child(root, Ns::A, "x"));
    const auto inner = xml::firstElement(xml::child(root, Ns::None, "inner"));
    EXPECT_TRUE(xml::is(inner, Ns::C, "x"));
    EXPECT_FALSE(xml::is(inner, Ns::A, "x"));
}

TEST(XmlNamespaces, ChildrenThatRebindTheirParentsPrefixAreNotTakenForItsNamespace) {
    // Children are matched through their parent's namespace when they share its prefix; a
    // child that declares the prefix (or the default namespace) again must be resolved itself.
    const auto doc = parsed(
        "<c:cache xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'>"
        "<c:pt idx='0'/>"
        "<c:pt idx='1' xmlns:c='http://schemas.microsoft.com/office/drawing/2014/chartex'/>"
        "<pt idx='2'/>"
        "<pt idx='3' xmlns='http://schemas.openxmlformats.org/drawingml/2006/chart'/>"
        "<x:pt idx='4' xmlns:x='http://purl.oclc.org/ooxml/drawingml/chart'/>"
        "<c:pt idx='5'/></c:cache>");
    const auto cache = doc.document_element();
    QStringList chartPoints;
    for (auto pt : xml::children(cache, Ns::C, "pt")) chartPoints << pt.attribute("idx").value();
    EXPECT_EQ(chartPoints, (QStringList{"0", "3", "4", "5"}));
    EXPECT_STREQ(xml::child(cache, Ns::Cx, "pt").attribute("idx").value(), "1");
    EXPECT_STREQ(xml::child(cache, Ns::None, "pt").attribute("idx").value(), "2");

    // And a parent whose own prefix is unbound makes its same-prefix children unbound too.
    const auto loose = parsed("<q:cache xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'>"
                              "<q:pt/><c:pt idx='7'/></q:cache>");
    EXPECT_STREQ(xml::child(loose.document_element(), Ns::C, "pt").attribute("idx").value(), "7");
}

TEST(XmlNamespaces, AScopeResolvesEachPrefixOfItsChildrenWhereTheParentBindsIt) {
    // Children under other prefixes than their parent's, interleaved, one of them rebinding its
    // own prefix and one unprefixed under a default namespace: each is taken for the namespace
    // its own prefix has, whatever was resolved before it in the same scope.
    const auto doc = parsed(
        "<c:spPr xmlns='http://schemas.openxmlformats.org/drawingml/2006/main'"
        " xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'"
        " xmlns:a='http://purl.oclc.org/ooxml/drawingml/main'"
        " xmlns:cx='http://schemas.microsoft.com/office/drawing/2014/chartex'>"
        "<a:ln n='0'/><cx:ln n='1'/><a:ln n='2' xmlns:a='http://schemas.microsoft.com/office/drawing/2014/chartex'/>"
        "<ln n='3'/><a:ln n='4'/><c:ln n='5'/><q:ln n='6'/><ln n='7'/></c:spPr>");
    const auto spPr = doc.document_element();
    const auto numbers = [](xml::Children list) {
        QStringList found;
        for (auto e : list) found << e.attribute("n").value();
        return found;
    };
    EXPECT_EQ(numbers(xml::children(spPr, Ns::A, "ln")), (QStringList{"0", "3", "4", "7"}));
    EXPECT_EQ(numbers(xml::children(spPr, Ns::Cx, "ln")), (QStringList{"1", "2"}));
    EXPECT_EQ(numbers(xml::children(spPr, Ns::C, Ns::C, "ln")), (QStringList{"5"}));
    EXPECT_EQ(numbers(xml::children(spPr, Ns::Unknown, "ln")), (QStringList{"6"}));

    // forEachChild through a known parent namespace, and child() in both forms, agree.
    QStringList visited;
    xml::forEachChild(spPr, Ns::C, Ns::A, [&](const pugi::xml_node& e, std::string_view local) {
        visited << QString::fromUtf8(local.data(), qsizetype(local.size())) + e.attribute("n").value();
    });
    EXPECT_EQ(visited, (QStringList{"ln0", "ln3", "ln4", "ln7"}));
    EXPECT_STREQ(xml::child(spPr, Ns::Cx, "ln").attribute("n").value(), "1");
    EXPECT_STREQ(xml::child(spPr, Ns::C, Ns::C, "ln").attribute("n").value(), "5");

    // A scope answers element by element exactly as namespaceOf does.
    xml::ChildScope scope(spPr);
    for (auto e : spPr.children()) EXPECT_EQ(scope.namespaceOf(e), xml::namespaceOf(e)) << e.attribute("n").value();
}

TEST(XmlNamespaces, RelationshipIdsInEitherSpellingAndOnlyInTheirNamespace) {
    const auto doc = parsed(
        "<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'"
        " xmlns:rel='http://schemas.openxmlformats.org/officeDocument/2006/relationships'"
        " xmlns:s='http://purl.oclc.org/ooxml/officeDocument/relationships'"
        " xmlns:o='urn:other'>"
        "<c:externalData rel:id='rId7'/><c:userShapes s:id='rId9'/><c:legacy o:id='rId3' id='x'/>"
        "</c:chartSpace>");
    const auto root = doc.document_element();
    EXPECT_EQ(xml::relationshipId(xml::child(root, Ns::C, "externalData")), "rId7");
    EXPECT_EQ(xml::relationshipId(xml::child(root, Ns::C, "userShapes")), "rId9");
    EXPECT_EQ(xml::relationshipId(xml::child(root, Ns::C, "legacy")), "");
    EXPECT_STREQ(xml::attribute(xml::child(root, Ns::C, "legacy"), Ns::None, "id").value(), "x");
}

TEST(XmlNamespaces, NamesWrittenReadBackEvenWhereThePartBindsAPrefixNoNameCanCarry) {
    // "xmlns:1" parses as an attribute, but an attribute "1:id" would not: a name written in
    // that namespace gets a prefix of its own.
    auto doc = parsed(
        "<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'"
        " xmlns:1='http://schemas.openxmlformats.org/officeDocument/2006/relationships'"
        " xmlns:r='urn:taken'><c:chart/></c:chartSpace>");
    auto root = doc.document_element();
    const std::string name = xml::qualifiedName(root, Ns::R, "id");
    EXPECT_EQ(name, "r1:id");
    xml::child(root, Ns::C, "chart").append_attribute(name.c_str()) = "rId3";
    const auto back = parsed(xmlBytes(doc));
    EXPECT_EQ(xml::relationshipId(xml::child(back.document_element(), Ns::C, "chart")), "rId3");
    // A usable prefix in scope is taken as it is.
    EXPECT_EQ(xml::qualifiedName(root, Ns::C, "f"), "c:f");
}

TEST(XmlNamespaces, AttributesWrittenReadBackWhereTheirNamespaceIsTheDefaultOne) {
    // A default namespace names elements only: an unprefixed "id" would be in no namespace, and
    // the chart's link to its embedded workbook would be lost.
    auto doc = parsed(
        "<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'"
        " xmlns='http://schemas.openxmlformats.org/officeDocument/2006/relationships'><c:chart/></c:chartSpace>");
    auto root = doc.document_element();
    EXPECT_EQ(xml::qualifiedName(root, Ns::R, "x"), "x");  // an element may take the default
    const std::string name = xml::qualifiedAttributeName(root, Ns::R, "id");
    EXPECT_EQ(name, "r:id");
    xml::child(root, Ns::C, "chart").append_attribute(name.c_str()) = "rId3";
    const auto back = parsed(xmlBytes(doc));
    EXPECT_EQ(xml::relationshipId(xml::child(back.document_element(), Ns::C, "chart")), "rId3");
    // A usable prefix in scope is taken as it is.
    EXPECT_EQ(xml::qualifiedAttributeName(root, Ns::R, "embed"), "r:embed");

    // A prefix declared twice reads as its first declaration: the second one is no use.
    auto twice = parsed(
        "<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart' xmlns:r='urn:other'"
        " xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'><c:chart/></c:chartSpace>");
    auto twiceRoot = twice.document_element();
    const std::string other = xml::qualifiedAttributeName(twiceRoot, Ns::R, "id");
    EXPECT_EQ(other, "r1:id");
    xml::child(twiceRoot, Ns::C, "chart").append_attribute(other.c_str()) = "rId4";
    EXPECT_EQ(xml::relationshipId(xml::child(twiceRoot, Ns::C, "chart")), "rId4");
}

TEST(XmlNamespaces, InsertionFollowsTheDeclaredSequenceAndKeepsUnknownChildren) {
    const xml::ChildSequence sequence{{{Ns::C, "a"}}, {{Ns::C, "b"}, {Ns::Mc, "AlternateContent"}},
                                      {{Ns::C, "c"}}, {{Ns::C, "d"}}};
    auto doc = parsed(
        "<x:root xmlns:x='http://schemas.openxmlformats.org/drawingml/2006/chart'>"
        "<x:a/><x:unknown/><x:c/><x:d/></x:root>");
    auto root = doc.document_element();
    xml::insertChild(root, sequence, Ns::C, "b");
    xml::insertChild(root, sequence, Ns::C, "c");
    xml::insertChild(root, sequence, Ns::C, "a");
    EXPECT_EQ(childNames(root),
              (QStringList{"x:a", "x:unknown", "x:a", "x:b", "x:c", "x:c", "x:d"}))
        << childNames(root).join(u' ').toStdString();
    // A namespace the part does not declare yet is declared once, with its usual prefix.
    auto added = xml::insertChild(root, sequence, Ns::Mc, "AlternateContent");
    EXPECT_STREQ(added.name(), "mc:AlternateContent");
    EXPECT_STREQ(root.attribute("xmlns:mc").value(), xml::uriOf(Ns::Mc));
    EXPECT_EQ(childNames(root).indexOf("mc:AlternateContent"), 4);
}

TEST(XmlNamespaces, RelationshipTypesMatchInEitherSpelling) {
    EXPECT_TRUE(xml::relationshipTypeIs(
        "http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet", xml::rel::kWorksheet));
    EXPECT_TRUE(xml::relationshipTypeIs(xml::rel::kWorksheet, xml::rel::kWorksheet));
    EXPECT_FALSE(xml::relationshipTypeIs(
        "http://purl.oclc.org/ooxml/officeDocument/relationships/chartsheet", xml::rel::kWorksheet));
    EXPECT_TRUE(xml::isChartGraphicUri("http://purl.oclc.org/ooxml/drawingml/chart"));
    EXPECT_FALSE(xml::isChartGraphicUri("http://schemas.microsoft.com/office/drawing/2014/chartex"));

    const QByteArray rels =
        "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
        "<Relationship Id='rId1' Type='http://purl.oclc.org/ooxml/officeDocument/relationships/theme' "
        "Target='theme/theme1.xml'/></Relationships>";
    const auto parsedRels = Relationships::parse(rels, "/xl/workbook.xml", "book.xlsx");
    ASSERT_NE(parsedRels.firstOfType(xml::rel::kTheme), nullptr);
    EXPECT_EQ(parsedRels.firstOfType(xml::rel::kTheme)->targetPart, "/xl/theme/theme1.xml");
}

TEST(DocumentErrors, CarryAKindThatCallersDecideBy) {
    auto kindOf = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const DocumentError& e) {
            return e.kind();
        }
        ADD_FAILURE() << "no error";
        return DocumentError::Kind::Io;
    };
    QTemporaryDir dir;
    EXPECT_EQ(kindOf([&] { PackageReader::open(dir.filePath("absent.xlsx")); }),
              DocumentError::Kind::Missing);
    EXPECT_EQ(kindOf([] { parsed("<a><b></a>"); }), DocumentError::Kind::Corrupt);
    EXPECT_EQ(kindOf([] {
                  pugi::xml_document doc;
                  Limits limits;
                  limits.maxXmlDepth = 3;
                  parseXml(doc, "<a><b><c><d><e/></d></c></b></a>", "t", "/p.xml", limits);
              }),
              DocumentError::Kind::OverLimit);
    const QString notPackage = dir.filePath("plain.zip");
    writeZip(notPackage, {{"readme.txt", "text"}});
    EXPECT_EQ(kindOf([&] { PackageReader::open(notPackage); }), DocumentError::Kind::Unsupported);
    EXPECT_EQ(kindOf([&] {
                  writeZip(notPackage, {{"[Content_Types].xml",
                                         "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'/>"}});
                  PackageReader::open(notPackage)->read("/xl/workbook.xml");
              }),
              DocumentError::Kind::Missing);
}

// A prefix is bound only inside the element that declares it; an element or attribute whose
// prefix no declaration in scope binds is refused with the prefix and the element named.
TEST(XmlNamespaces, UndeclaredPrefixesAreRefusedAndDeclaredOnesPass) {
    const QByteArray good[] = {
        "<c:a xmlns:c='u1'><c:b r:id='x' xmlns:r='u2'/><c:b xml:space='preserve'/></c:a>",
        "<a xmlns='u1'><b><x:c xmlns:x='u2'><x:d/></x:c></b><e/></a>",
        "<c:a xmlns:c='u1'><!-- a:b --><c:b>text x:y</c:b><?pi z:w?></c:a>",
    };
    for (const QByteArray& text : good) {
        const auto doc = parsed(text);
        EXPECT_NO_THROW(requireDeclaredPrefixes(doc, "test", "/part.xml")) << text.constData();
    }
    const std::pair<QByteArray, QString> bad[] = {
        // The fuzzed chart: a drawing's element pasted into a category cache.
        {"<c:a xmlns:c='u1'><c:v>Item 3<xdr:to/></c:v></c:a>", "the prefix xdr of <xdr:to>"},
        // Declared on a sibling only: out of scope again after it.
        {"<c:a xmlns:c='u1'><x:b xmlns:x='u2'/><x:c/></c:a>", "the prefix x of <x:c>"},
        {"<c:a xmlns:c='u1'><c:b q:val='1'/></c:a>", "the prefix q of <c:b>"},
        {"<c:a/>", "the prefix c of <c:a>"},
    };
    for (const auto& [text, named] : bad) {
        const auto doc = parsed(text);
        try {
            requireDeclaredPrefixes(doc, "book.xlsx", "/xl/charts/chart4.xml");
            ADD_FAILURE() << "accepted " << text.constData();
        } catch (const DocumentError& e) {
            EXPECT_EQ(e.kind(), DocumentError::Kind::Corrupt);
            EXPECT_TRUE(e.message().contains(named)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("xl/charts/chart4.xml")) << e.message().toStdString();
        }
    }
}

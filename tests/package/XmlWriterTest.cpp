#include "engine/package/Xml.h"
#include "engine/package/XmlWriter.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

using engine::xml::XmlWriter;

namespace {

pugi::xml_node parsedRoot(pugi::xml_document& doc, const QByteArray& bytes) {
    engine::parseXml(doc, bytes, "test", "/written.xml");
    return doc.document_element();
}

}  // namespace

TEST(XmlWriter, TextAndAttributesReadBackAsTheyWereGiven) {
    const QString awkward = QStringLiteral("a & b < c > d \"e\" 'f' ]]> \u00e9\u4e2d\U0001F600");
    const QString blanks = QStringLiteral("tab\there\nline\r\ncrlf  two spaces");
    QByteArray out;
    XmlWriter w(out);
    w.declaration();
    w.start("root");
    w.attribute("text", awkward);
    w.attribute("blanks", blanks);
    w.start("t");
    w.text(awkward);
    w.end();
    w.start("lines");
    w.text(blanks);
    w.finish();

    pugi::xml_document doc;
    const auto root = parsedRoot(doc, out);
    EXPECT_EQ(engine::xml::text(root.attribute("text")), awkward);
    EXPECT_EQ(engine::xml::text(root.attribute("blanks")), blanks);
    EXPECT_EQ(QString::fromUtf8(root.child("t").text().get()), awkward);
    EXPECT_EQ(QString::fromUtf8(root.child("lines").text().get()), blanks);
    // Empty elements close at once; the declaration is the usual one.
    EXPECT_TRUE(
        out.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<root "));
}

TEST(XmlWriter, CharactersXmlCannotCarryAreReplacedOrWrittenInTheOfficeForm) {
    const QString text = QStringLiteral("bell\u0007 nul") + QChar(0) +
                         QStringLiteral(" \uFFFE\uFFFF _x0041_ _x12_ _");
    QByteArray plain;
    {
        XmlWriter w(plain);
        w.start("t");
        w.text(text);
        w.finish();
    }
    pugi::xml_document doc;
    EXPECT_EQ(QString::fromUtf8(parsedRoot(doc, plain).text().get()),
              QStringLiteral("bell\uFFFD nul\uFFFD \uFFFD\uFFFD _x0041_ _x12_ _"));

    QByteArray office;
    {
        XmlWriter w(office, XmlWriter::Unwritable::OfficeEscape);
        w.start("t");
        w.attribute("v", text);
        w.text(text);
        w.finish();
    }
    pugi::xml_document officeDoc;
    const auto root = parsedRoot(officeDoc, office);
    const QString expected =
        QStringLiteral("bell_x0007_ nul_x0000_ _xFFFE__xFFFF_ _x005F_x0041_ _x12_ _");
    EXPECT_EQ(QString::fromUtf8(root.text().get()), expected);
    EXPECT_EQ(engine::xml::text(root.attribute("v")), expected);
}

TEST(XmlWriter, DeclaresANamespaceOnlyWhereItIsNotInScopeAlready) {
    QByteArray out;
    XmlWriter w(out);
    w.start("r:root");
    w.namespaceDeclaration("r", "urn:one");
    w.namespaceDeclaration("", "urn:default");
    w.start("r:child");
    w.namespaceDeclaration("r", "urn:one");   // in scope: not again
    w.namespaceDeclaration("", "urn:other");  // another URI: declared
    w.start("inner");
    w.namespaceDeclaration("", "urn:other");
    w.end();
    w.end();
    w.start("sibling");
    w.namespaceDeclaration("", "urn:other");  // the child's declaration ended with it
    w.finish();
    EXPECT_EQ(out,
              "<r:root xmlns:r=\"urn:one\" xmlns=\"urn:default\"><r:child "
              "xmlns=\"urn:other\"><inner/></r:child>"
              "<sibling xmlns=\"urn:other\"/></r:root>");
    pugi::xml_document doc;
    const auto root = parsedRoot(doc, out);
    EXPECT_EQ(engine::xml::namespaceOf(root.first_child()),
              engine::xml::namespaceOf(root.last_child()));
}

TEST(XmlWriter, NumbersAreWrittenSoThatTheyReadBackExactly) {
    const double values[] = {0.1,
                             1.0 / 3,
                             -2.5e-300,
                             1e21,
                             123456789012345678.0,
                             -0.0,
                             std::numeric_limits<double>::max()};
    QByteArray out;
    XmlWriter w(out);
    w.start("n");
    for (double v : values) {
        w.start("v");
        w.attribute("a", v);
        w.number(v);
        w.end();
    }
    w.start("i");
    w.attribute("a", std::numeric_limits<long long>::min());
    w.number(4294967296LL);
    w.finish();
    pugi::xml_document doc;
    const auto root = parsedRoot(doc, out);
    size_t k = 0;
    for (const auto v : root.children("v")) {
        for (const char* text : {v.attribute("a").value(), v.text().get()}) {
            double read = 0;
            const auto end = text + std::strlen(text);
            ASSERT_EQ(std::from_chars(text, end, read).ptr, end) << text;
            EXPECT_EQ(read, values[k]) << text;
            EXPECT_EQ(std::signbit(read), std::signbit(values[k]));
        }
        ++k;
    }
    EXPECT_EQ(k, std::size(values));
    EXPECT_STREQ(root.child("i").attribute("a").value(), "-9223372036854775808");
    EXPECT_STREQ(root.child("i").text().get(), "4294967296");
    EXPECT_THROW(w.attribute("x", std::numeric_limits<double>::quiet_NaN()), std::invalid_argument);
}

TEST(XmlWriter, MisuseIsRefusedRatherThanWrittenAsBrokenXml) {
    QByteArray out;
    XmlWriter w(out);
    EXPECT_THROW(w.end(), std::logic_error);
    EXPECT_THROW(w.text("loose"), std::logic_error);
    w.start("a");
    w.text("content");
    EXPECT_THROW(w.attribute("late", "x"), std::logic_error);
    EXPECT_THROW(w.namespaceDeclaration("p", "urn:p"), std::logic_error);
    EXPECT_THROW(w.declaration(), std::logic_error);
    w.finish();
    EXPECT_EQ(out, "<a>content</a>");
    // Finished, the writer no longer holds on to out: its owner may move it away.
    const QByteArray taken = std::move(out);
    EXPECT_EQ(taken, "<a>content</a>");
}

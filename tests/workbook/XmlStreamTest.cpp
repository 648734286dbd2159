#include "engine/workbook/XmlStream.h"

#include <gtest/gtest.h>

#include <optional>

using engine::DocumentError;
using engine::XmlStream;

namespace {

// Writes every event as one line, so that readings can be compared.
class Recorder : public XmlStream::Handler {
public:
    QStringList events;
    QString stopAt;
    bool skipMarked = false;  // pass over the content of elements with skip="1"

    static QString string(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

    bool startElement(std::string_view name, const XmlStream::Attributes& attributes) override {
        QString line = QStringLiteral("<") + string(name);
        for (const auto& [key, value] : attributes) line += u' ' + string(key) + u'=' + string(value);
        events << line;
        if (skipMarked && attributes.value("skip") == "1") skipContent();
        return string(name) != stopAt;
    }
    bool endElement(std::string_view name) override {
        events << QStringLiteral("</") + string(name);
        return true;
    }
    bool text(std::string_view text) override {
        // Text may come in several calls; join neighbours so readings compare equal.
        if (!events.isEmpty() && events.back().startsWith(u'"')) {
            events.back().insert(events.back().size() - 1, string(text));
        } else {
            events << u'"' + string(text) + u'"';
        }
        return true;
    }
};

const QByteArray kSheet =
    "<?xml version=\"1.0\"?>\n<!-- a comment with <tags> -->"
    "<x:worksheet xmlns:x=\"urn:x\"><x:sheetData><x:row r=\"2\" ht='30'>"
    "<x:c r=\"A2\" t=\"inlineStr\"><x:is><x:t>Caf&#xE9; &amp; &lt;bar&gt; &#233;</x:t></x:is></x:c>"
    "<x:c r=\"B2\" a=\"1 &gt; 0\"><x:v>12.5</x:v></x:c><x:c r=\"C2\"><x:v><![CDATA[<raw>]]></x:v></x:c>"
    "</x:row></x:sheetData></x:worksheet>";

QStringList readInPieces(const QByteArray& xml, int piece, const QString& stopAt = {}, bool skipMarked = false) {
    Recorder recorder;
    recorder.stopAt = stopAt;
    recorder.skipMarked = skipMarked;
    XmlStream stream(recorder, QStringLiteral("book.xlsx"), QStringLiteral("/xl/worksheets/sheet1.xml"), {});
    for (int i = 0; i < xml.size(); i += piece) {
        if (!stream.feed(xml.mid(i, piece))) break;
    }
    stream.finish();
    return recorder.events;
}

}  // namespace

TEST(XmlStream, PiecesOfAnySizeReadAsTheWhole) {
    const QStringList whole = readInPieces(kSheet, int(kSheet.size()));
    EXPECT_TRUE(whole.contains(QString::fromUtf8("\"Café & <bar> é\"")));
    EXPECT_TRUE(whole.contains(QStringLiteral("<c r=B2 a=1 > 0")));
    EXPECT_TRUE(whole.contains(QStringLiteral("\"<raw>\"")));
    EXPECT_TRUE(whole.contains(QStringLiteral("<row r=2 ht=30")));
    for (int piece : {1, 2, 3, 7, 64}) EXPECT_EQ(readInPieces(kSheet, piece), whole) << piece;
}

TEST(XmlStream, MalformedReferencesReadTheSameWholeAndInPieces) {
    // An '&' that starts no reference stays as it is, whether the reference that follows it
    // arrives in the same piece or the next.
    const QByteArray xml = "<r><t>&a&lt; &lt:text&gt; &amp &#x41 x&#65;&verylongname;</t></r>";
    const QStringList whole = readInPieces(xml, int(xml.size()));
    EXPECT_TRUE(whole.contains(QStringLiteral("\"&a< &lt:text> &amp &#x41 xA&verylongname;\"")))
        << whole.join(u'|').toStdString();
    for (int piece = 1; piece < xml.size(); ++piece) EXPECT_EQ(readInPieces(xml, piece), whole) << piece;
}

TEST(XmlStream, StopsWhereTheHandlerSays) {
    const QStringList events = readInPieces(kSheet, 5, QStringLiteral("row"));
    EXPECT_EQ(events.back(), QStringLiteral("<row r=2 ht=30"));
}

QString failureOf(const QByteArray& xml, int piece, engine::Limits limits = {}, bool skipMarked = false) {
    Recorder recorder;
    recorder.skipMarked = skipMarked;
    XmlStream stream(recorder, QStringLiteral("book.xlsx"), QStringLiteral("/xl/worksheets/sheet1.xml"), limits);
    try {
        for (int i = 0; i < xml.size(); i += piece) stream.feed(xml.mid(i, piece));
        stream.finish();
    } catch (const DocumentError& e) {
        return e.message();
    }
    return QString();
}

TEST(XmlStream, PassedOverContentEndsAtItsOwnEndTagWhereverThePiecesFall) {
    // What may look like the end of a passed-over row: the same text in a comment, CDATA, an
    // instruction and an escaped text; a row of the same name inside; the name with a prefix
    // or a longer name; an end tag with space before its '>'.
    const QByteArray xml =
        "<x:sheetData xmlns:x=\"urn:x\"><x:row r=\"1\" skip=\"1\">"
        "<x:c r=\"A1\"><x:v>1</x:v></x:c><!-- </x:row> --><x:c><x:is><x:t><![CDATA[</x:row>]]></x:t></x:is></x:c>"
        "<?pi </x:row>?><x:c t=\"str\"><x:v>&lt;/x:row&gt;</x:v></x:c><x:row><x:row/></x:row ><x:rows>"
        "</x:rows><x:c r=\"B1\" s='>'/></x:row>tail<x:row r=\"2\"><x:c r=\"A2\"><x:v>2</x:v></x:c></x:row>"
        "<x:row r=\"3\" skip=\"1\"/><x:row r=\"4\" skip=\"1\"><![CDATA[x]]></x:row   ></x:sheetData>";
    const QStringList expected = {
        QStringLiteral("<sheetData x=urn:x"), QStringLiteral("<row r=1 skip=1"), QStringLiteral("</row"),
        QStringLiteral("\"tail\""), QStringLiteral("<row r=2"), QStringLiteral("<c r=A2"), QStringLiteral("<v"),
        QStringLiteral("\"2\""), QStringLiteral("</v"), QStringLiteral("</c"), QStringLiteral("</row"),
        QStringLiteral("<row r=3 skip=1"), QStringLiteral("</row"), QStringLiteral("<row r=4 skip=1"),
        QStringLiteral("</row"), QStringLiteral("</sheetData")};
    for (int piece = 1; piece <= xml.size(); ++piece) {
        EXPECT_EQ(readInPieces(xml, piece, {}, true).join(u'|').toStdString(), expected.join(u'|').toStdString()) << piece;
    }
    // Without passing over, the same document reads in full.
    EXPECT_TRUE(readInPieces(xml, int(xml.size())).contains(QStringLiteral("\"</x:row>\"")));
}

TEST(XmlStream, PassedOverContentThatNeverEndsOrBreaksTheLimitsFails) {
    engine::Limits shallow;
    shallow.maxXmlDepth = 4;
    const struct {
        QByteArray xml;
        QString says;
    } cases[] = {
        // A row without its end tag runs on into the next one and to the end of the part.
        {"<sheetData><row skip=\"1\"><c/><row><c/></row></sheetData>", QStringLiteral("the part ends")},
        {"<sheetData><row skip=\"1\"><!-- </row></sheetData>", QStringLiteral("the part ends")},
        {"<sheetData><row skip=\"1\"><![CDATA[</row>]]</row></sheetData>", QStringLiteral("the part ends")},
        {"<sheetData><row skip=\"1\"><!DOCTYPE x></row></sheetData>", QStringLiteral("document type")},
        {"<sheetData><row skip=\"1\"><row><row><row><row/></row></row></row></row></sheetData>", QStringLiteral("deeper than 4")},
        {"<sheetData><row skip=\"1\"></row <></sheetData>", QStringLiteral("'<' inside a tag")},
    };
    for (const auto& c : cases) {
        for (int piece = 1; piece <= c.xml.size(); ++piece) {
            const QString message = failureOf(c.xml, piece, shallow, true);
            EXPECT_TRUE(message.startsWith(QStringLiteral("book.xlsx: xl/worksheets/sheet1.xml: ")) && message.contains(c.says))
                << c.xml.toStdString() << " in pieces of " << piece << ": " << message.toStdString();
        }
    }
    // Nested elements of other names do not count towards the limit, as they are not kept.
    EXPECT_TRUE(failureOf("<sheetData><row skip=\"1\"><c><is><r><t>x</t></r></is></c></row></sheetData>", 5, shallow, true)
                    .isEmpty());
}

TEST(XmlStream, MalformedOrTooDeepDocumentsThrowNamingFileAndPart) {
    const auto failure = [](const QByteArray& xml, engine::Limits limits = {}) {
        Recorder recorder;
        XmlStream stream(recorder, QStringLiteral("book.xlsx"), QStringLiteral("/xl/worksheets/sheet1.xml"), limits);
        try {
            stream.feed(xml);
            stream.finish();
        } catch (const DocumentError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_TRUE(failure("<a><b></a>").startsWith(QStringLiteral("book.xlsx: xl/worksheets/sheet1.xml: not well-formed XML")));
    EXPECT_FALSE(failure("<a><b>").isEmpty());
    EXPECT_FALSE(failure("<a x=1/>").isEmpty());
    EXPECT_FALSE(failure("<a><b x=\"1\"").isEmpty());
    EXPECT_FALSE(failure("<!DOCTYPE a [<!ENTITY e \"x\">]><a/>").isEmpty());
    EXPECT_FALSE(failure("").isEmpty());
    engine::Limits shallow;
    shallow.maxXmlDepth = 3;
    EXPECT_TRUE(failure("<a><b><c><d/></c></b></a>", shallow).contains(QStringLiteral("deeper than 3")));
    EXPECT_TRUE(failure("<a><b><c/></b></a>", shallow).isEmpty());
}

// Nesting beyond the limits is refused as over a limit, as the document reader refuses it;
// broken XML is corrupt.
TEST(XmlStream, TooDeepIsOverTheLimitsBrokenIsCorrupt) {
    const auto kindOf = [](const QByteArray& xml, engine::Limits limits) {
        Recorder recorder;
        XmlStream stream(recorder, QStringLiteral("book.xlsx"), QStringLiteral("/xl/worksheets/sheet1.xml"), limits);
        try {
            stream.feed(xml);
            stream.finish();
        } catch (const DocumentError& e) {
            return std::optional<DocumentError::Kind>(e.kind());
        }
        return std::optional<DocumentError::Kind>();
    };
    engine::Limits shallow;
    shallow.maxXmlDepth = 3;
    EXPECT_EQ(kindOf("<a><b><c><d/></c></b></a>", shallow), DocumentError::Kind::OverLimit);
    EXPECT_EQ(kindOf("<a><b></a>", {}), DocumentError::Kind::Corrupt);
    EXPECT_EQ(kindOf("<a><b>", {}), DocumentError::Kind::Corrupt);
}

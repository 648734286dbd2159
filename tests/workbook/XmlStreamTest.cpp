#include "engine/workbook/XmlStream.h"

#include <gtest/gtest.h>

using engine::DocumentError;
using engine::XmlStream;

namespace {

// Writes every event as one line, so that readings can be compared.
class Recorder : public XmlStream::Handler {
public:
    QStringList events;
    QString stopAt;

    static QString string(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

    bool startElement(std::string_view name, const XmlStream::Attributes& attributes) override {
        QString line = QStringLiteral("<") + string(name);
        for (const auto& [key, value] : attributes) line += u' ' + string(key) + u'=' + string(value);
        events << line;
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

QStringList readInPieces(const QByteArray& xml, int piece, const QString& stopAt = {}) {
    Recorder recorder;
    recorder.stopAt = stopAt;
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

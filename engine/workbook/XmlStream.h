#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace engine {

// A forward-only reader of XML handed over in pieces, for parts too large to hold whole
// (worksheets with their cell data, shared strings). It reports start tags, end tags and text
// to a handler, which may stop the reading at any point: a caller reads only as far as it
// needs. Names are reported without their prefix. Entities and character references are
// decoded. Nesting is bounded by the limits; a document that ends inside a tag, or whose tags
// do not nest, throws DocumentError naming the file and part.
class XmlStream {
public:
    using Attributes = std::vector<std::pair<QByteArray, QByteArray>>;  // local name, value

    class Handler {
    public:
        virtual ~Handler() = default;
        // Return false to stop reading.
        virtual bool startElement(const QByteArray& name, const Attributes& attributes) = 0;
        virtual bool endElement(const QByteArray& name) = 0;
        // Character data of the current element, decoded; may come in several calls.
        virtual bool text(const QByteArray& text) = 0;
    };

    XmlStream(Handler& handler, QString file, QString part, const Limits& limits);

    // Reads one more piece; false once the handler has asked to stop.
    bool feed(const QByteArray& chunk);
    // Called after the last piece: throws when the document did not end cleanly.
    void finish();

    bool stopped() const { return m_stopped; }

    // The value of one attribute by local name; empty when absent.
    static QByteArray attribute(const Attributes& attributes, const char* name);
    static bool hasAttribute(const Attributes& attributes, const char* name);
    // XML's text decoding: &amp; &lt; &gt; &quot; &apos; &#N; &#xN;.
    static QByteArray decode(const char* begin, const char* end);

private:
    [[noreturn]] void fail(const QString& what) const;
    bool parseTag(const char* begin, const char* end);

    Handler& m_handler;
    QString m_file;
    QString m_part;
    Limits m_limits;
    QByteArray m_buffer;
    std::vector<QByteArray> m_open;  // names of the open elements
    bool m_stopped = false;
    bool m_sawRoot = false;
    qint64 m_consumedLines = 0;
};

}  // namespace engine

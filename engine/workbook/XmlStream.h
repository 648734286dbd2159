#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

// A forward-only reader of XML handed over in pieces, for parts too large to hold whole
// (worksheets with their cell data, shared strings). It reports start tags, end tags and text
// to a handler, which may stop the reading at any point: a caller reads only as far as it
// needs. Names are reported without their prefix. Entities and character references are
// decoded. Nesting is bounded by the limits; a document that ends inside a tag, or whose tags
// do not nest, throws DocumentError naming the file and part.
//
// The reader does not allocate per tag: names, attribute values and text reach the handler as
// views into its buffer, valid only during the call (copy what must be kept). Decoding copies
// only a value or text holding '&'. Every byte is looked at a bounded number of times, however
// the pieces fall: a tag or text run longer than a piece is resumed where the scan stopped.
class XmlStream {
public:
    // The attributes of one start tag: local name and decoded value, in document order.
    class Attributes {
    public:
        using Item = std::pair<std::string_view, std::string_view>;
        // The value of one attribute by local name; empty when absent.
        std::string_view value(std::string_view name) const {
            for (const Item& item : m_items) {
                if (item.first == name) return item.second;
            }
            return {};
        }
        bool has(std::string_view name) const {
            for (const Item& item : m_items) {
                if (item.first == name) return true;
            }
            return false;
        }
        std::vector<Item>::const_iterator begin() const { return m_items.begin(); }
        std::vector<Item>::const_iterator end() const { return m_items.end(); }

        // For a reader that tells namespaces apart: the prefix the element's name is written
        // with ("" for none), and the namespaces the tag declares as (prefix, URI) pairs, ""
        // for the default namespace. The declarations are among the attributes as well.
        std::string_view elementPrefix() const { return m_prefix; }
        const std::vector<Item>& namespaceDeclarations() const { return m_namespaces; }

    private:
        friend class XmlStream;
        std::vector<Item> m_items;
        std::vector<Item> m_namespaces;
        std::string_view m_prefix;
        std::vector<QByteArray> m_decoded;  // values that held an entity, decoded
        size_t m_decodedUsed = 0;
    };

    class Handler {
    public:
        virtual ~Handler() = default;
        // Return false to stop reading.
        virtual bool startElement(std::string_view name, const Attributes& attributes) = 0;
        virtual bool endElement(std::string_view name) = 0;
        // Character data of the current element, decoded; may come in several calls.
        virtual bool text(std::string_view text) = 0;

    protected:
        // Called from startElement: the element's content is passed over without being
        // reported, up to its end tag, which is reported as usual. This is what makes reading
        // past rows not wanted cheap. Only what can end the content is looked at: end tags
        // and start tags of the element's name (as written, prefix and all; those inside are
        // counted, within the depth limit, so that nested elements of the same name end where
        // they should), comments, CDATA and instructions (which must close). The rest is not
        // checked: tags of other names are not matched, attributes not read, references not
        // decoded. Content that never ends leaves the part ending inside the element, which
        // is an error as always.
        void skipContent() { m_skipContent = true; }

    private:
        friend class XmlStream;
        bool m_skipContent = false;
    };

    XmlStream(Handler& handler, QString file, QString part, const Limits& limits);

    // Reads one more piece; false once the handler has asked to stop.
    bool feed(const QByteArray& chunk);
    // Called after the last piece: throws when the document did not end cleanly.
    void finish();

    bool stopped() const { return m_stopped; }

    // XML's text decoding: &amp; &lt; &gt; &quot; &apos; &#N; &#xN;.
    static QByteArray decode(std::string_view text);

private:
    enum class Pending { None, Tag, Comment, CData, Instruction };

    [[noreturn]] void fail(const QString& what) const;
    [[noreturn]] void failTooDeep() const;
    // Reads what it can of data (the buffer, or a piece where it lies) and returns how much
    // it used; the rest is a construct begun but not ended.
    qsizetype scan(const char* data, qsizetype size);
    // While content is passed over: moves *pos to the next '<' that may end it (a tag of the
    // element's name, or markup that may hold one), or as far as can be told from data.
    enum class Passed { AtMarkup, NeedMore, Content };
    Passed passOver(const char* data, qsizetype* pos, qsizetype size) const;
    bool parseTag(const char* begin, const char* end);
    void openSkipped();
    bool emitText(const char* begin, const char* end);
    void pushOpen(std::string_view name);
    std::string_view lastOpen() const;

    Handler& m_handler;
    QString m_file;
    QString m_part;
    Limits m_limits;
    QByteArray m_buffer;
    // Where the construct at the buffer's start was left: its kind, how far it was scanned,
    // and for a tag the quote it was inside.
    Pending m_pending = Pending::None;
    qsizetype m_scanned = 0;
    char m_quote = 0;
    QByteArray m_openNames;                // the open elements' names, one after another
    std::vector<qsizetype> m_openStarts;   // where each begins in m_openNames
    Attributes m_attributes;               // reused from tag to tag
    QByteArray m_decodedText;
    // Whether the content of the innermost open element is passed over, and how many elements
    // are open inside it.
    bool m_skipping = false;
    qsizetype m_skipNested = 0;
    std::string m_skipName;  // the name as written in its start tag, prefix and all
    bool m_stopped = false;
    bool m_sawRoot = false;
};

// Numbers and flags in attribute values, parsed from the bytes as the file format writes them.
bool parseInt(std::string_view text, int* value);
bool parseDouble(std::string_view text, double* value);
bool isTrue(std::string_view text);

}  // namespace engine

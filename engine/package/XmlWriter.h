#pragma once

#include <QByteArray>
#include <QString>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace engine::xml {

// Writes XML in one pass straight into a byte array, for parts made from scratch whose size is
// that of the data (a worksheet of 200,000 cells): no tree is built, nothing is written twice.
// Element and attribute names are given as written ("c", "r:id") and are not checked; text and
// attribute values are escaped here, numbers converted the same whatever the process's locale.
// A namespace declaration already in scope with the same URI is not written again.
//
// Characters XML 1.0 cannot carry at all (control characters other than tab, line feed and
// carriage return; U+FFFE and U+FFFF) are never written as they are. By default each becomes
// U+FFFD. With Unwritable::OfficeEscape they are written in the office applications' _xHHHH_
// form, and an underscore that begins text already in that form becomes _x005F_, so that a
// spreadsheet application reads the text back unchanged (for SpreadsheetML strings; other
// vocabularies do not decode the form).
//
// Misuse (an attribute after content, end() with no element open, a declaration outside a
// start tag) throws std::logic_error: it is a fault of the caller, never of a document.
//
// The writer appends to out, which the caller owns and may reserve beforehand. While it writes,
// out is grown ahead of the text and holds bytes past it: out is exactly the text written once
// finish() has run or the writer is gone. Element names are not copied: they must outlive the
// element (string literals, as callers write them).
class XmlWriter {
  public:
    enum class Unwritable { Replace, OfficeEscape };

    explicit XmlWriter(QByteArray& out, Unwritable unwritable = Unwritable::Replace);
    ~XmlWriter();
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    // <?xml version="1.0" encoding="UTF-8" standalone="yes"?> and a line break.
    void declaration();
    void start(std::string_view name);
    // xmlns:prefix="uri" (xmlns="uri" for an empty prefix) on the element just started, unless
    // the prefix is bound to that URI in scope already.
    void namespaceDeclaration(std::string_view prefix, std::string_view uri);
    // Values in UTF-8 (string_view), as text (QString), or numbers.
    void attribute(std::string_view name, std::string_view value);
    void attribute(std::string_view name, const char* value) {
        attribute(name, std::string_view(value));
    }
    void attribute(std::string_view name, const QString& value);
    template <typename Integer>
    requires(std::is_integral_v<Integer> &&
             !std::is_same_v<Integer, bool>) void attribute(std::string_view name, Integer value) {
        attributeInteger(name, static_cast<long long>(value));
    }
    // The shortest text that reads back as the same double. A value that is not finite has no
    // xsd:double spelling a spreadsheet reads: it throws std::invalid_argument.
    void attribute(std::string_view name, double value);
    void text(std::string_view utf8);
    void text(const char* utf8) { text(std::string_view(utf8)); }
    void text(const QString& text);
    void number(long long value);
    void number(double value);  // as the attribute form
    // Closes the innermost open element: "/>" when nothing was written in it.
    void end();
    // Closes every element still open and trims out to the text written.
    void finish();
    int depth() const { return int(m_open.size()); }

  private:
    // Bytes are copied to a cursor in out's storage, grown by doubling ahead of it: writing a
    // cell costs a few copies, not a QByteArray append each.
    void put(const char* bytes, size_t size) {
        if (size_t(m_end - m_cursor) < size) grow(size);
        std::memcpy(m_cursor, bytes, size);
        m_cursor += size;
    }
    void put(std::string_view bytes) { put(bytes.data(), bytes.size()); }
    void put(char c) {
        if (m_cursor == m_end) grow(1);
        *m_cursor++ = c;
    }
    void grow(size_t atLeast);
    void trim();
    void closeStartTag();
    void requireStartTag(const char* what) const;
    void attributeInteger(std::string_view name, long long value);
    void beginAttribute(std::string_view name);
    void escaped(std::string_view utf8, bool inAttribute);
    void escaped(const QString& text, bool inAttribute);

    struct Binding {
        std::string prefix;
        std::string uri;
        size_t depth;
    };
    QByteArray& m_out;
    // Where the next byte goes in m_out's storage, and the end of that storage as grown; both
    // null while detached from it (before the first write after finish()).
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    Unwritable m_unwritable;
    std::vector<std::string_view> m_open;  // names of the open elements, outermost first
    std::vector<Binding> m_bindings;       // namespace declarations in scope, innermost last
    bool m_startTagOpen = false;
};

}  // namespace engine::xml

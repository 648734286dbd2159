#include "engine/package/XmlWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace engine::xml {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether a byte of UTF-8 may need more than copying: markup, control characters, the lead
// byte of U+FFFE and U+FFFF, and (when escaping for the office form) the underscore.
bool needsCare(unsigned char c, bool underscore) {
    return c < 0x20 || c == '&' || c == '<' || c == '>' || c == '"' || c == 0xEF ||
           (underscore && c == '_');
}

}  // namespace

XmlWriter::XmlWriter(QByteArray& out, Unwritable unwritable)
    : m_out(out), m_unwritable(unwritable) {
    const qsizetype size = m_out.size();
    m_out.resize(std::max(m_out.capacity(), size + 4096));
    m_cursor = m_out.data() + size;
    m_end = m_out.data() + m_out.size();
}

XmlWriter::~XmlWriter() { trim(); }

void XmlWriter::grow(size_t atLeast) {
    // Not attached to out's storage (trimmed): the text written ends where out ends.
    const qsizetype used = m_cursor ? m_cursor - m_out.data() : m_out.size();
    m_out.resize(std::max(m_out.size() * 2, used + qsizetype(atLeast)));
    m_cursor = m_out.data() + used;
    m_end = m_out.data() + m_out.size();
}

void XmlWriter::trim() {
    if (!m_cursor) return;
    m_out.resize(m_cursor - m_out.data());
    // Detached: out may be moved or changed by its owner now, and a later write attaches again.
    m_cursor = nullptr;
    m_end = nullptr;
}

void XmlWriter::declaration() {
    if (!m_open.empty() || m_startTagOpen)
        throw std::logic_error("XML declaration inside an element");
    put(std::string_view("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"));
}

void XmlWriter::closeStartTag() {
    if (!m_startTagOpen) return;
    put('>');
    m_startTagOpen = false;
}

void XmlWriter::requireStartTag(const char* what) const {
    if (!m_startTagOpen) throw std::logic_error(std::string(what) + " outside a start tag");
}

void XmlWriter::start(std::string_view name) {
    closeStartTag();
    put('<');
    put(name.data(), name.size());
    m_open.emplace_back(name);
    m_startTagOpen = true;
}

void XmlWriter::namespaceDeclaration(std::string_view prefix, std::string_view uri) {
    requireStartTag("namespace declaration");
    for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it) {
        if (it->prefix != prefix) continue;
        if (it->uri == uri) return;
        break;
    }
    m_bindings.push_back({std::string(prefix), std::string(uri), m_open.size()});
    if (prefix.empty()) {
        beginAttribute("xmlns");
    } else {
        put(std::string_view(" xmlns:"));
        put(prefix.data(), prefix.size());
        put(std::string_view("=\""));
    }
    escaped(uri, true);
    put('"');
}

void XmlWriter::beginAttribute(std::string_view name) {
    requireStartTag("attribute");
    put(' ');
    put(name.data(), name.size());
    put(std::string_view("=\""));
}

void XmlWriter::attribute(std::string_view name, std::string_view value) {
    beginAttribute(name);
    escaped(value, true);
    put('"');
}

void XmlWriter::attribute(std::string_view name, const QString& value) {
    beginAttribute(name);
    escaped(value, true);
    put('"');
}

void XmlWriter::attributeInteger(std::string_view name, long long value) {
    beginAttribute(name);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    put(digits, size_t(end - digits));
    put('"');
}

void XmlWriter::attribute(std::string_view name, double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument("a number that is not finite has no XML spelling");
    beginAttribute(name);
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    put(digits, size_t(end - digits));
    put('"');
}

void XmlWriter::text(std::string_view utf8) {
    if (m_open.empty()) throw std::logic_error("text outside an element");
    closeStartTag();
    escaped(utf8, false);
}

void XmlWriter::text(const QString& value) {
    if (m_open.empty()) throw std::logic_error("text outside an element");
    closeStartTag();
    escaped(value, false);
}

void XmlWriter::number(long long value) {
    if (m_open.empty()) throw std::logic_error("text outside an element");
    closeStartTag();
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    put(digits, size_t(end - digits));
}

void XmlWriter::number(double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument("a number that is not finite has no XML spelling");
    if (m_open.empty()) throw std::logic_error("text outside an element");
    closeStartTag();
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    put(digits, size_t(end - digits));
}

void XmlWriter::end() {
    if (m_open.empty()) throw std::logic_error("end() with no element open");
    if (m_startTagOpen) {
        put(std::string_view("/>"));
        m_startTagOpen = false;
    } else {
        put(std::string_view("</"));
        put(m_open.back().data(), m_open.back().size());
        put('>');
    }
    while (!m_bindings.empty() && m_bindings.back().depth == m_open.size()) m_bindings.pop_back();
    m_open.pop_back();
}

void XmlWriter::finish() {
    while (!m_open.empty()) end();
    trim();
}

void XmlWriter::escaped(const QString& value, bool inAttribute) {
    const QByteArray utf8 = value.toUtf8();
    escaped(std::string_view(utf8.constData(), size_t(utf8.size())), inAttribute);
}

void XmlWriter::escaped(std::string_view utf8, bool inAttribute) {
    const bool office = m_unwritable == Unwritable::OfficeEscape;
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t size = utf8.size();
    size_t i = 0;
    while (i < size && !needsCare(bytes[i], office)) ++i;
    put(utf8.data(), i);
    size_t copiedTo = i;
    const auto flush = [&](size_t upTo) { put(utf8.data() + copiedTo, upTo - copiedTo); };
    for (; i < size; ++i) {
        const unsigned char c = bytes[i];
        if (!needsCare(c, office)) continue;
        const char* replacement = nullptr;
        size_t taken = 1;
        unsigned unwritable = 0x10000;  // none
        switch (c) {
            case '&':
                replacement = "&amp;";
                break;
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '"':
                replacement = inAttribute ? "&quot;" : nullptr;
                break;
            // Kept through the parser's line-end handling, and in attributes through its
            // normalisation of blanks.
            case '\r':
                replacement = "&#13;";
                break;
            case '\n':
                replacement = inAttribute ? "&#10;" : nullptr;
                break;
            case '\t':
                replacement = inAttribute ? "&#9;" : nullptr;
                break;
            case 0xEF:
                if (i + 2 < size && bytes[i + 1] == 0xBF &&
                    (bytes[i + 2] == 0xBE || bytes[i + 2] == 0xBF)) {
                    unwritable = bytes[i + 2] == 0xBE ? 0xFFFE : 0xFFFF;
                    taken = 3;
                }
                break;
            case '_':
                if (i + 6 < size && bytes[i + 1] == 'x' && isHexDigit(char(bytes[i + 2])) &&
                    isHexDigit(char(bytes[i + 3])) && isHexDigit(char(bytes[i + 4])) &&
                    isHexDigit(char(bytes[i + 5])) && bytes[i + 6] == '_') {
                    replacement = "_x005F_";
                }
                break;
            default:
                if (c < 0x20) unwritable = c;
                break;
        }
        if (!replacement && unwritable == 0x10000) continue;
        flush(i);
        if (replacement) {
            put(std::string_view(replacement));
        } else if (office) {
            static const char hex[] = "0123456789ABCDEF";
            const char form[] = {'_',
                                 'x',
                                 hex[(unwritable >> 12) & 0xF],
                                 hex[(unwritable >> 8) & 0xF],
                                 hex[(unwritable >> 4) & 0xF],
                                 hex[unwritable & 0xF],
                                 '_'};
            put(form, sizeof form);
        } else {
            put(std::string_view("\xEF\xBF\xBD"));  // U+FFFD
        }
        copiedTo = i + taken;
        i += taken - 1;
    }
    flush(size);
}

}  // namespace engine::xml

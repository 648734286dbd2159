#include "XmlStream.h"
#include "engine/package/XmlValues.h"

#include <charconv>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine {

namespace {

using uchar = unsigned char;

// Bytes by what they mean to the scanner, looked up rather than compared one by one.
struct ByteTable {
    bool is[256] = {};
    constexpr ByteTable(std::string_view bytes) {
        for (char c : bytes) is[uchar(c)] = true;
    }
    constexpr bool operator[](uchar c) const { return is[c]; }
};
constexpr ByteTable kNameEnd(std::string_view(" \t\r\n/>=", 7));

bool isNameChar(char c) { return !kNameEnd[uchar(c)]; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Names are short: a loop beats a call.
std::string_view localOf(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p) {
        if (*p == ':') return std::string_view(p + 1, size_t(end - p - 1));
    }
    return std::string_view(begin, size_t(end - begin));
}

void appendUtf8(QByteArray& out, uint code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out.append(char(code));
    } else if (code < 0x800) {
        out.append(char(0xC0 | (code >> 6)));
        out.append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(char(0xE0 | (code >> 12)));
        out.append(char(0x80 | ((code >> 6) & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    } else {
        out.append(char(0xF0 | (code >> 18)));
        out.append(char(0x80 | ((code >> 12) & 0x3F)));
        out.append(char(0x80 | ((code >> 6) & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    }
}

uint codeOf(std::string_view digits, int base) {
    uint code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, base);
    return error == std::errc() && end == digits.data() + digits.size() ? code : 0xFFFD;
}

void decodeInto(QByteArray& out, std::string_view text) {
    out.resize(0);
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* amp = static_cast<const char*>(std::memchr(p, '&', size_t(end - p)));
        if (!amp) {
            out.append(p, end - p);
            break;
        }
        out.append(p, amp - p);
        p = amp;
        // A reference ends at a ';' at most 12 bytes on and holds no other '&'. An '&' that
        // starts none stays as written; deciding this from the bytes up to the next '&' alone
        // keeps the reading the same wherever the stream's pieces happen to be cut.
        const char* semi = nullptr;
        for (const char* q = p + 1; q < end && q - p <= 12; ++q) {
            if (*q == ';') {
                semi = q;
                break;
            }
            if (*q == '&') break;
        }
        if (!semi) {
            out.append(*p++);
            continue;
        }
        const std::string_view name(p + 1, size_t(semi - p - 1));
        if (name == "amp") out.append('&');
        else if (name == "lt") out.append('<');
        else if (name == "gt") out.append('>');
        else if (name == "quot") out.append('"');
        else if (name == "apos") out.append('\'');
        else if (name.size() > 1 && name[0] == '#' && (name[1] == 'x' || name[1] == 'X')) appendUtf8(out, codeOf(name.substr(2), 16));
        else if (!name.empty() && name[0] == '#') appendUtf8(out, codeOf(name.substr(1), 10));
        else out.append(p, semi - p + 1);
        p = semi + 1;
    }
}

}  // namespace

bool parseInt(std::string_view text, int* value) {
    const auto parsed = xml::parseXsdInteger(text);
    if (!parsed || *parsed < std::numeric_limits<int>::min() || *parsed > std::numeric_limits<int>::max()) return false;
    *value = int(*parsed);
    return true;
}

bool parseDouble(std::string_view text, double* value) {
    const auto parsed = xml::parseXsdDouble(text);
    if (parsed) *value = *parsed;
    return parsed.has_value();
}

bool isTrue(std::string_view text) { return xml::xsdBooleanOr(text, false); }

XmlStream::XmlStream(Handler& handler, QString file, QString part, const Limits& limits)
    : m_handler(handler), m_file(std::move(file)), m_part(std::move(part)), m_limits(limits) {}

void XmlStream::fail(const QString& what) const {
    throw DocumentError(DocumentError::Kind::Corrupt, m_file, m_part,
                        QStringLiteral("not well-formed XML (%1)").arg(what));
}

void XmlStream::failTooDeep() const {
    throw DocumentError(
        DocumentError::Kind::OverLimit, m_file, m_part,
        QStringLiteral("XML nested deeper than %1 levels").arg(m_limits.maxXmlDepth));
}

QByteArray XmlStream::decode(std::string_view text) {
    QByteArray out;
    decodeInto(out, text);
    return out;
}

void XmlStream::pushOpen(std::string_view name) {
    m_openStarts.push_back(m_openNames.size());
    m_openNames.append(name.data(), qsizetype(name.size()));
}

std::string_view XmlStream::lastOpen() const {
    const qsizetype start = m_openStarts.back();
    return std::string_view(m_openNames.constData() + start, size_t(m_openNames.size() - start));
}

bool XmlStream::emitText(const char* begin, const char* end) {
    if (m_openStarts.empty() || begin == end || m_skipping) return true;
    const std::string_view raw(begin, size_t(end - begin));
    if (!std::memchr(begin, '&', raw.size())) return m_handler.text(raw);
    decodeInto(m_decodedText, raw);
    return m_handler.text(std::string_view(m_decodedText.constData(), size_t(m_decodedText.size())));
}

// One tag between '<' and '>' (both excluded).
bool XmlStream::parseTag(const char* begin, const char* end) {
    if (begin < end && *begin == '/') {
        if (m_skipNested > 0) {
            --m_skipNested;
            return true;
        }
        const char* nameEnd = begin + 1;
        while (nameEnd < end && isNameChar(*nameEnd)) ++nameEnd;
        const std::string_view name = localOf(begin + 1, nameEnd);
        if (m_openStarts.empty() || lastOpen() != name) {
            fail(QStringLiteral("mismatched end tag </%1>").arg(QString::fromUtf8(name.data(), qsizetype(name.size()))));
        }
        m_openNames.truncate(m_openStarts.back());
        m_openStarts.pop_back();
        m_skipping = false;
        return m_handler.endElement(name);
    }
    const bool selfClosing = end > begin && end[-1] == '/';
    if (selfClosing) --end;
    if (begin == end || !isNameChar(*begin)) fail(QStringLiteral("tag without a name"));
    if (m_skipping) {
        // Content passed over: only how deep it goes counts.
        if (!selfClosing) openSkipped();
        return true;
    }
    const char* nameEnd = begin;
    while (nameEnd < end && isNameChar(*nameEnd)) ++nameEnd;
    if (m_openStarts.empty() && m_sawRoot) fail(QStringLiteral("content after the root element"));
    m_sawRoot = true;
    const std::string_view name = localOf(begin, nameEnd);
    const auto nameText = [&] { return QString::fromUtf8(name.data(), qsizetype(name.size())); };
    m_attributes.m_items.clear();
    m_attributes.m_namespaces.clear();
    m_attributes.m_prefix = name.size() == size_t(nameEnd - begin)
                                ? std::string_view()
                                : std::string_view(begin, size_t(nameEnd - begin) - name.size() - 1);
    m_attributes.m_decodedUsed = 0;
    const char* p = nameEnd;
    while (p < end) {
        while (p < end && isSpace(*p)) ++p;
        if (p >= end) break;
        const char* keyBegin = p;
        while (p < end && isNameChar(*p)) ++p;
        const char* keyEnd = p;
        while (p < end && isSpace(*p)) ++p;
        if (p >= end || *p != '=' || keyBegin == keyEnd) fail(QStringLiteral("bad attribute in <%1>").arg(nameText()));
        ++p;
        while (p < end && isSpace(*p)) ++p;
        if (p >= end || (*p != '"' && *p != '\'')) fail(QStringLiteral("unquoted attribute in <%1>").arg(nameText()));
        const char quote = *p++;
        const char* valueEnd = static_cast<const char*>(std::memchr(p, quote, size_t(end - p)));
        if (!valueEnd) fail(QStringLiteral("unterminated attribute in <%1>").arg(nameText()));
        std::string_view value(p, size_t(valueEnd - p));
        if (std::memchr(p, '&', value.size())) {
            Attributes& a = m_attributes;
            if (a.m_decodedUsed == a.m_decoded.size()) a.m_decoded.emplace_back();
            QByteArray& decoded = a.m_decoded[a.m_decodedUsed++];
            decodeInto(decoded, value);
            value = std::string_view(decoded.constData(), size_t(decoded.size()));
        }
        const std::string_view key(keyBegin, size_t(keyEnd - keyBegin));
        m_attributes.m_items.emplace_back(localOf(keyBegin, keyEnd), value);
        if (key.size() >= 5 && key.substr(0, 5) == "xmlns" && (key.size() == 5 || key[5] == ':')) {
            m_attributes.m_namespaces.emplace_back(key.size() == 5 ? std::string_view() : key.substr(6), value);
        }
        p = valueEnd + 1;
    }
    if (qsizetype(m_openStarts.size()) >= m_limits.maxXmlDepth) failTooDeep();
    pushOpen(name);
    const bool carryOn = m_handler.startElement(name, m_attributes);
    if (m_handler.m_skipContent) {
        m_handler.m_skipContent = false;
        m_skipping = !selfClosing;
        if (m_skipping) m_skipName.assign(begin, size_t(nameEnd - begin));
    }
    if (!carryOn) return false;
    if (selfClosing) {
        m_openNames.truncate(m_openStarts.back());
        m_openStarts.pop_back();
        return m_handler.endElement(name);
    }
    return true;
}

bool XmlStream::feed(const QByteArray& chunk) {
    const char* in = chunk.constData();
    qsizetype left = chunk.size();
    while (left > 0 && !m_stopped) {
        if (m_buffer.isEmpty()) {
            const qsizetype used = scan(in, left);
            if (!m_stopped) m_buffer.append(in + used, left - used);
            break;
        }
        // A construct carried over from the last piece is completed in the buffer from as much
        // of this piece as it likely needs; once it is done, the rest is read where it lies.
        const qsizetype carried = m_buffer.size();
        const qsizetype take = std::min(left, std::max<qsizetype>(carried, 4096));
        m_buffer.append(in, take);
        const qsizetype used = scan(m_buffer.constData(), m_buffer.size());
        if (used >= carried) {
            m_buffer.resize(0);
            in += used - carried;
            left -= used - carried;
        } else {
            m_buffer.remove(0, used);
            in += take;
            left -= take;
        }
    }
    return !m_stopped;
}

void XmlStream::openSkipped() {
    if (qsizetype(m_openStarts.size()) + m_skipNested >= m_limits.maxXmlDepth) failTooDeep();
    ++m_skipNested;
}

// Content is passed over by looking only at what can end it: a '<' followed by '/' and the
// element's name, by the name itself (an element of the same name inside, whose end comes
// first), or by '!' or '?' (comments, CDATA and instructions, which may hold either and go the
// general way). Everything else is looked at sixteen bytes at a time where the processor
// allows.
XmlStream::Passed XmlStream::passOver(const char* data, qsizetype* pos, qsizetype size) const {
    const char* p = data + *pos;
    const char* end = data + size;
    const char* name = m_skipName.data();
    const qsizetype nameLength = qsizetype(m_skipName.size());
    const char first = name[0];
    // At a '<': whether it may end the content, cannot yet be told, or is content.
    const auto look = [&](const char* lt) {
        if (end - lt < 2) return Passed::NeedMore;
        const char* q = lt + 1;
        if (*q == '!' || *q == '?') return Passed::AtMarkup;
        if (*q == '/') ++q;
        if (end - q < nameLength + 1) return Passed::NeedMore;
        // Names inside mostly share the skipped one's prefix ("c:pt" in "c:ser"): its last
        // character rules them out before a comparison of the whole.
        if (q[nameLength - 1] != name[nameLength - 1]) return Passed::Content;
        return std::memcmp(q, name, size_t(nameLength)) == 0 && kNameEnd[uchar(q[nameLength])] ? Passed::AtMarkup
                                                                                                 : Passed::Content;
    };
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<'), slash = _mm_set1_epi8('/'), bang = _mm_set1_epi8('!');
    const __m128i question = _mm_set1_epi8('?'), initial = _mm_set1_epi8(first);
    while (end - p >= 18) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2));
        const __m128i next = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v1, bang), _mm_cmpeq_epi8(v1, question)),
            _mm_or_si128(_mm_cmpeq_epi8(v1, initial), _mm_and_si128(_mm_cmpeq_epi8(v1, slash), _mm_cmpeq_epi8(v2, initial))));
        unsigned hits = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(v0, lt), next)));
        while (hits) {
            const char* at = p + __builtin_ctz(hits);
            const Passed passed = look(at);
            if (passed != Passed::Content) {
                *pos = at - data;
                return passed;
            }
            hits &= hits - 1;
        }
        p += 16;
    }
#endif
    for (; p < end; ++p) {
        if (*p != '<') continue;
        const Passed passed = look(p);
        if (passed != Passed::Content) {
            *pos = p - data;
            return passed;
        }
    }
    *pos = size;
    return Passed::NeedMore;
}

qsizetype XmlStream::scan(const char* data, qsizetype size) {
    qsizetype pos = 0;
    // Searches for a terminator of a construct begun at pos, resuming past what an earlier
    // piece already scanned (less the terminator's length, which may straddle the pieces).
    const auto findClose = [&](qsizetype from, const char* close, qsizetype closeLength) -> qsizetype {
        const qsizetype start = std::max(from, pos + m_scanned - closeLength + 1);
        const QByteArrayView hay(data + start, size - start);
        const qsizetype at = hay.indexOf(QByteArrayView(close, closeLength));
        return at < 0 ? -1 : start + at;
    };
    while (pos < size && !m_stopped) {
        if (m_pending == Pending::None && m_skipping && passOver(data, &pos, size) == Passed::NeedMore) break;
        if (m_pending == Pending::None) {
            const char* lt = static_cast<const char*>(std::memchr(data + pos, '<', size_t(size - pos)));
            qsizetype textEnd = lt ? lt - data : size;
            if (!lt) {
                // Text runs on into the next piece: hand over what is here, keeping back only a
                // reference that may be cut in two.
                const qsizetype from = std::max(pos, size - 12);
                const char* amp = static_cast<const char*>(memrchr(data + from, '&', size_t(size - from)));
                if (amp && !std::memchr(amp, ';', size_t(data + size - amp))) textEnd = amp - data;
            }
            if (textEnd > pos) {
                if (!emitText(data + pos, data + textEnd)) {
                    m_stopped = true;
                    break;
                }
                pos = textEnd;
            }
            if (!lt) break;
            const qsizetype rest = size - pos;
            if (rest < 9 && (std::memcmp(data + pos, "<![CDATA[", size_t(rest)) == 0 ||
                             (rest < 4 && std::memcmp(data + pos, "<!--", size_t(rest)) == 0))) {
                break;  // cannot tell yet what begins here
            }
            if (rest >= 4 && std::memcmp(data + pos, "<!--", 4) == 0) m_pending = Pending::Comment;
            else if (rest >= 9 && std::memcmp(data + pos, "<![CDATA[", 9) == 0) m_pending = Pending::CData;
            else if (rest >= 2 && data[pos + 1] == '?') m_pending = Pending::Instruction;
            else if (rest >= 2 && data[pos + 1] == '!') fail(QStringLiteral("document type declarations are not allowed"));
            else if (rest < 2) break;
            else m_pending = Pending::Tag;
            m_scanned = 0;
            m_quote = 0;
        }
        if (m_pending == Pending::Comment) {
            const qsizetype close = findClose(pos + 4, "-->", 3);
            if (close < 0) break;
            pos = close + 3;
        } else if (m_pending == Pending::CData) {
            const qsizetype close = findClose(pos + 9, "]]>", 3);
            if (close < 0) break;
            if (!m_openStarts.empty() && !m_skipping &&
                !m_handler.text(std::string_view(data + pos + 9, size_t(close - pos - 9)))) {
                m_stopped = true;
            }
            pos = close + 3;
        } else if (m_pending == Pending::Instruction) {
            const qsizetype close = findClose(pos + 2, "?>", 2);
            if (close < 0) break;
            pos = close + 2;
        } else {
            // An ordinary tag: its end is the first '>' outside quotes.
            qsizetype p = pos + std::max<qsizetype>(m_scanned, 1);
            char quote = m_quote;
            for (; p < size; ++p) {
                const char c = data[p];
                if (quote) {
                    const char* q = static_cast<const char*>(std::memchr(data + p, quote, size_t(size - p)));
                    if (!q) {
                        p = size;
                        break;
                    }
                    p = q - data;
                    quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                } else if (c == '<') {
                    fail(QStringLiteral("'<' inside a tag"));
                }
            }
            if (p >= size) {
                m_quote = quote;
                m_scanned = size - pos;
                break;  // the tag ends in a later piece
            }
            if (!parseTag(data + pos + 1, data + p)) m_stopped = true;
            pos = p + 1;
        }
        m_pending = Pending::None;
        m_scanned = 0;
    }
    if (m_pending != Pending::None && m_pending != Pending::Tag) m_scanned = size - pos;
    return pos;
}

void XmlStream::finish() {
    if (m_stopped) return;
    if (m_pending != Pending::None) fail(QStringLiteral("the part ends inside a tag"));
    for (char c : m_buffer) {
        if (!isSpace(c)) fail(QStringLiteral("the part ends inside a tag"));
    }
    if (!m_sawRoot) fail(QStringLiteral("no root element"));
    if (!m_openStarts.empty()) {
        const std::string_view open = lastOpen();
        fail(QStringLiteral("the part ends before </%1>").arg(QString::fromUtf8(open.data(), qsizetype(open.size()))));
    }
}

}  // namespace engine

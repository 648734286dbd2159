#include "XmlStream.h"

#include <cstring>

namespace engine {

namespace {

bool isNameChar(char c) {
    return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '/' && c != '>' && c != '=';
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

QByteArray localOf(const char* begin, const char* end) {
    const char* colon = static_cast<const char*>(std::memchr(begin, ':', end - begin));
    return colon ? QByteArray(colon + 1, end - colon - 1) : QByteArray(begin, end - begin);
}

void appendUtf8(QByteArray& out, uint code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    const char32_t c = code;
    out.append(QString::fromUcs4(&c, 1).toUtf8());
}

}  // namespace

XmlStream::XmlStream(Handler& handler, QString file, QString part, const Limits& limits)
    : m_handler(handler), m_file(std::move(file)), m_part(std::move(part)), m_limits(limits) {}

void XmlStream::fail(const QString& what) const {
    throw DocumentError(m_file, m_part, QStringLiteral("not well-formed XML (%1)").arg(what));
}

QByteArray XmlStream::decode(const char* begin, const char* end) {
    const char* amp = static_cast<const char*>(std::memchr(begin, '&', end - begin));
    if (!amp) return QByteArray(begin, end - begin);
    QByteArray out;
    out.reserve(end - begin);
    const char* p = begin;
    while (p < end) {
        if (*p != '&') {
            out.append(*p++);
            continue;
        }
        const char* semi = static_cast<const char*>(std::memchr(p, ';', end - p));
        if (!semi || semi - p > 12) {
            out.append(*p++);
            continue;
        }
        const QByteArray name(p + 1, semi - p - 1);
        if (name == "amp") out.append('&');
        else if (name == "lt") out.append('<');
        else if (name == "gt") out.append('>');
        else if (name == "quot") out.append('"');
        else if (name == "apos") out.append('\'');
        else if (name.startsWith("#x") || name.startsWith("#X")) appendUtf8(out, name.mid(2).toUInt(nullptr, 16));
        else if (name.startsWith('#')) appendUtf8(out, name.mid(1).toUInt());
        else out.append(p, semi - p + 1);
        p = semi + 1;
    }
    return out;
}

QByteArray XmlStream::attribute(const Attributes& attributes, const char* name) {
    for (const auto& [key, value] : attributes) {
        if (key == name) return value;
    }
    return {};
}

bool XmlStream::hasAttribute(const Attributes& attributes, const char* name) {
    for (const auto& attribute : attributes) {
        if (attribute.first == name) return true;
    }
    return false;
}

// One tag between '<' and '>' (both excluded).
bool XmlStream::parseTag(const char* begin, const char* end) {
    if (begin < end && *begin == '/') {
        const char* nameEnd = begin + 1;
        while (nameEnd < end && isNameChar(*nameEnd)) ++nameEnd;
        const QByteArray name = localOf(begin + 1, nameEnd);
        if (m_open.empty() || m_open.back() != name) fail(QStringLiteral("mismatched end tag </%1>").arg(QString::fromUtf8(name)));
        m_open.pop_back();
        return m_handler.endElement(name);
    }
    bool selfClosing = end > begin && end[-1] == '/';
    if (selfClosing) --end;
    const char* nameEnd = begin;
    while (nameEnd < end && isNameChar(*nameEnd)) ++nameEnd;
    if (nameEnd == begin) fail(QStringLiteral("tag without a name"));
    if (m_open.empty() && m_sawRoot) fail(QStringLiteral("content after the root element"));
    m_sawRoot = true;
    const QByteArray name = localOf(begin, nameEnd);
    Attributes attributes;
    const char* p = nameEnd;
    while (p < end) {
        while (p < end && isSpace(*p)) ++p;
        if (p >= end) break;
        const char* keyBegin = p;
        while (p < end && isNameChar(*p)) ++p;
        const char* keyEnd = p;
        while (p < end && isSpace(*p)) ++p;
        if (p >= end || *p != '=' || keyBegin == keyEnd) fail(QStringLiteral("bad attribute in <%1>").arg(QString::fromUtf8(name)));
        ++p;
        while (p < end && isSpace(*p)) ++p;
        if (p >= end || (*p != '"' && *p != '\'')) fail(QStringLiteral("unquoted attribute in <%1>").arg(QString::fromUtf8(name)));
        const char quote = *p++;
        const char* valueEnd = static_cast<const char*>(std::memchr(p, quote, end - p));
        if (!valueEnd) fail(QStringLiteral("unterminated attribute in <%1>").arg(QString::fromUtf8(name)));
        attributes.emplace_back(localOf(keyBegin, keyEnd), decode(p, valueEnd));
        p = valueEnd + 1;
    }
    if (static_cast<int>(m_open.size()) >= m_limits.maxXmlDepth) {
        throw DocumentError(m_file, m_part,
                            QStringLiteral("XML nested deeper than %1 levels").arg(m_limits.maxXmlDepth));
    }
    m_open.push_back(name);
    if (!m_handler.startElement(name, attributes)) return false;
    if (selfClosing) {
        m_open.pop_back();
        return m_handler.endElement(name);
    }
    return true;
}

bool XmlStream::feed(const QByteArray& chunk) {
    if (m_stopped) return false;
    m_buffer.append(chunk);
    const char* data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    qsizetype pos = 0;
    while (pos < size && !m_stopped) {
        const char* lt = static_cast<const char*>(std::memchr(data + pos, '<', size - pos));
        if (!lt) break;  // text runs on into the next piece
        const qsizetype ltPos = lt - data;
        if (ltPos > pos) {
            if (!m_open.empty()) {
                if (!m_handler.text(decode(data + pos, lt))) {
                    m_stopped = true;
                    break;
                }
            }
            pos = ltPos;
        }
        const qsizetype rest = size - pos;
        if (rest >= 4 && std::memcmp(data + pos, "<!--", 4) == 0) {
            const QByteArray tail = QByteArray::fromRawData(data + pos + 4, rest - 4);
            const qsizetype close = tail.indexOf("-->");
            if (close < 0) break;
            pos += 4 + close + 3;
            continue;
        }
        if (rest >= 9 && std::memcmp(data + pos, "<![CDATA[", 9) == 0) {
            const QByteArray tail = QByteArray::fromRawData(data + pos + 9, rest - 9);
            const qsizetype close = tail.indexOf("]]>");
            if (close < 0) break;
            if (!m_open.empty() && !m_handler.text(QByteArray(data + pos + 9, close))) m_stopped = true;
            pos += 9 + close + 3;
            continue;
        }
        if (rest >= 2 && data[pos + 1] == '?') {
            const QByteArray tail = QByteArray::fromRawData(data + pos + 2, rest - 2);
            const qsizetype close = tail.indexOf("?>");
            if (close < 0) break;
            pos += 2 + close + 2;
            continue;
        }
        if (rest >= 2 && data[pos + 1] == '!') {
            if (rest < 9) break;
            fail(QStringLiteral("document type declarations are not allowed"));
        }
        // An ordinary tag: its end is the first '>' outside quotes.
        qsizetype p = pos + 1;
        char quote = 0;
        for (; p < size; ++p) {
            const char c = data[p];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            } else if (c == '<') {
                fail(QStringLiteral("'<' inside a tag"));
            }
        }
        if (p >= size) break;  // the tag ends in a later piece
        if (!parseTag(data + pos + 1, data + p)) m_stopped = true;
        pos = p + 1;
    }
    m_buffer.remove(0, pos);
    return !m_stopped;
}

void XmlStream::finish() {
    if (m_stopped) return;
    for (char c : m_buffer) {
        if (!isSpace(c)) fail(QStringLiteral("the part ends inside a tag"));
    }
    if (!m_sawRoot) fail(QStringLiteral("no root element"));
    if (!m_open.empty()) {
        fail(QStringLiteral("the part ends before </%1>").arg(QString::fromUtf8(m_open.back())));
    }
}

}  // namespace engine

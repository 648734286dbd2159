#include "SharedStringsPart.h"

#include "engine/workbook/XmlStream.h"

#include <QFileInfo>

namespace engine {

namespace {

class SharedStringsHandler : public XmlStream::Handler {
public:
    SharedStringsHandler(const std::set<int>& wanted, std::map<int, QString>& out)
        : m_wanted(wanted), m_out(out), m_last(wanted.empty() ? -1 : *wanted.rbegin()) {}

    bool startElement(std::string_view name, const XmlStream::Attributes&) override {
        if (name == "si") {
            ++m_index;
            if (m_index > m_last) return false;
            m_keep = m_wanted.count(m_index) > 0;
            m_text.clear();
        } else if (name == "rPh") {
            ++m_rphDepth;
        } else if (name == "t") {
            m_inText = m_keep && m_rphDepth == 0;
        }
        return true;
    }
    bool endElement(std::string_view name) override {
        if (name == "t") {
            m_inText = false;
        } else if (name == "rPh") {
            --m_rphDepth;
        } else if (name == "si" && m_keep) {
            m_out[m_index] = QString::fromUtf8(m_text);
            m_keep = false;
            if (m_index >= m_last) return false;
        }
        return true;
    }
    bool text(std::string_view text) override {
        if (m_inText) m_text.append(text.data(), qsizetype(text.size()));
        return true;
    }

private:
    const std::set<int>& m_wanted;
    std::map<int, QString>& m_out;
    int m_last;
    int m_index = -1;
    bool m_keep = false;
    bool m_inText = false;
    int m_rphDepth = 0;
    QByteArray m_text;
};

}  // namespace

std::map<int, QString> readSharedStrings(const PackageReader& package, const QString& part,
                                         const std::set<int>& wanted) {
    std::map<int, QString> strings;
    if (wanted.empty()) return strings;
    SharedStringsHandler handler(wanted, strings);
    const QString file = package.fileName();
    XmlStream stream(handler, file, part, package.limits());
    package.readInChunks(part, 64 * 1024, [&](const QByteArray& chunk) { return stream.feed(chunk); });
    stream.finish();
    return strings;
}

}  // namespace engine

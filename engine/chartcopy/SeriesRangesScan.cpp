#include "engine/chartcopy/SeriesRangesScan.h"

#include "engine/chartcopy/StreamedNamespaces.h"
#include "engine/package/Namespaces.h"
#include "engine/workbook/XmlStream.h"

#include <QSet>
#include <array>
#include <string>
#include <vector>

namespace engine {

namespace {

using xml::Ns;

// The elements of a series whose references count, in the order their formulas are listed.
constexpr std::array<std::string_view, 6> kSeriesDataElements = {"tx", "cat", "val", "xVal", "yVal", "bubbleSize"};

class SeriesRangesHandler : public XmlStream::Handler {
public:
    bool startElement(std::string_view name, const XmlStream::Attributes& attributes) override {
        const size_t depth = m_open.size();
        for (auto d = attributes.namespaceDeclarations().rbegin(); d != attributes.namespaceDeclarations().rend(); ++d) {
            m_scopes.declare(d->first, d->second, depth);
        }
        const Ns ns = m_scopes.resolve(attributes.elementPrefix());
        if (depth == 0 && ns == Ns::Cx && name == "chartSpace") {
            chartex = true;
            return false;
        }
        const Role parent = depth == 0 ? Role::Other : m_open.back();
        Role role = Role::Other;
        if (parent == Role::Formula) {
            // The formula's text is its own; an element inside it adds none.
            role = Role::Passed;
        } else if (parent == Role::Series) {
            role = Role::Passed;
            for (size_t i = 0; i < kSeriesDataElements.size(); ++i) {
                if (ns == Ns::C && name == kSeriesDataElements[i] && !m_dataSeen[i]) {
                    m_dataSeen[i] = true;
                    m_data = i;
                    role = Role::Data;
                }
            }
        } else if (parent == Role::Data) {
            m_formulaSeen = false;
            role = Role::Reference;
        } else if (parent == Role::Reference) {
            if (ns == Ns::C && name == "f" && !m_formulaSeen) {
                m_formulaSeen = true;
                m_formula.clear();
                role = Role::Formula;
            } else {
                role = Role::Passed;
            }
        } else if (parent == Role::Other) {
            if (ns == Ns::C && name == "ser") {
                m_dataSeen.fill(false);
                for (QStringList& formulas : m_seriesFormulas) formulas.clear();
                role = Role::Series;
            } else if (ns == Ns::C && (name == "numCache" || name == "strCache" || name == "numLit" ||
                                       name == "strLit" || name == "multiLvlStrCache")) {
                role = Role::Passed;
            }
        }
        if (role == Role::Passed || (parent == Role::Passed)) {
            m_open.push_back(Role::Passed);
            skipContent();
            return true;
        }
        m_open.push_back(role);
        return true;
    }

    bool endElement(std::string_view) override {
        const Role role = m_open.back();
        m_open.pop_back();
        m_scopes.leave(m_open.size());
        if (role == Role::Formula) {
            m_seriesFormulas[m_data] << QString::fromUtf8(m_formula).trimmed();
        } else if (role == Role::Series) {
            for (const QStringList& formulas : m_seriesFormulas) {
                for (const QString& formula : formulas) {
                    if (formula.isEmpty() || m_seen.contains(formula)) continue;
                    m_seen.insert(formula);
                    ranges << formula;
                }
            }
        }
        return true;
    }

    bool text(std::string_view text) override {
        if (!m_open.empty() && m_open.back() == Role::Formula) m_formula.append(text.data(), qsizetype(text.size()));
        return true;
    }

    QStringList ranges;
    bool chartex = false;

private:
    enum class Role { Other, Series, Data, Reference, Formula, Passed };
    std::vector<Role> m_open;
    StreamedNamespaces m_scopes;
    std::array<bool, kSeriesDataElements.size()> m_dataSeen{};
    std::array<QStringList, kSeriesDataElements.size()> m_seriesFormulas;
    size_t m_data = 0;
    bool m_formulaSeen = false;
    QByteArray m_formula;
    QSet<QString> m_seen;
};

bool isWideText(const QByteArray& bytes) {
    return bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0' || bytes.startsWith("\xFF\xFE") ||
                                 bytes.startsWith("\xFE\xFF"));
}

}  // namespace

std::optional<QStringList> scanSeriesRanges(const QByteArray& chartXml, const QString& file, const QString& part,
                                            const Limits& limits) {
    if (isWideText(chartXml)) return std::nullopt;
    SeriesRangesHandler handler;
    XmlStream stream(handler, file, part, limits);
    stream.feed(chartXml);
    if (handler.chartex) return std::nullopt;
    stream.finish();
    return handler.ranges;
}

}  // namespace engine

#include "engine/chartcopy/ChartOutline.h"

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/chartcopy/StreamedNamespaces.h"
#include "engine/package/Namespaces.h"
#include "engine/workbook/XmlStream.h"

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace engine {

namespace {

using xml::Ns;

constexpr qint64 kChunkBytes = 64 * 1024;

// What an open element is to the outline; every element not named here is passed over whole.
enum class Role {
    Space, Chart, Title, TitleText, StringReference, StringCache, CachePoint, CacheValue, Literal,
    Rich, Paragraph, Run, RunText, PlotArea, Group, Leaf
};

// The text of an element as the model reads it (pugixml's first text child, with line ends
// normalised): the element's own text up to its first child element, or, when that is only
// blanks beside child elements, the next run of text that is not.
class ElementText {
public:
    void add(std::string_view text) {
        if (!m_done) m_current.append(text.data(), qsizetype(text.size()));
    }
    void childStarts() {
        m_hadChild = true;
        if (m_done || m_current.isEmpty()) return;
        if (isBlank(m_current)) m_current.clear();
        else m_done = true;
    }
    QString result() const {
        if (m_hadChild && !m_done && isBlank(m_current)) return {};
        QString text = QString::fromUtf8(m_current);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(u'\r', u'\n');
        return text;
    }

private:
    static bool isBlank(const QByteArray& text) {
        for (char c : text) {
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
        }
        return true;
    }
    QByteArray m_current;
    bool m_hadChild = false;
    bool m_done = false;
};

class OutlineHandler : public XmlStream::Handler {
public:
    bool startElement(std::string_view name, const XmlStream::Attributes& attributes) override {
        const size_t depth = m_open.size();
        for (auto d = attributes.namespaceDeclarations().rbegin(); d != attributes.namespaceDeclarations().rend(); ++d) {
            m_scopes.declare(d->first, d->second, depth);
        }
        const Ns ns = m_scopes.resolve(attributes.elementPrefix());
        if (m_text) m_text->childStarts();
        const std::optional<Role> role = depth == 0 ? rootRole(ns, name) : childRole(m_open.back(), ns, name, attributes);
        if (!role) {
            m_open.push_back(Role::Leaf);
            skipContent();
            return true;
        }
        m_open.push_back(*role);
        return true;
    }

    bool endElement(std::string_view) override {
        const Role role = m_open.back();
        m_open.pop_back();
        m_scopes.leave(m_open.size());
        if (m_text && role == m_textRole) {
            *m_textTarget += m_text->result();
            m_text.reset();
        }
        // Nothing after the chart element counts.
        return role != Role::Chart;
    }

    bool text(std::string_view text) override {
        if (m_text && !m_open.empty() && m_open.back() == m_textRole) m_text->add(text);
        return true;
    }

    void check(const QString& file, const QString& part) const {
        if (!m_sawChart) {
            throw DocumentError(DocumentError::Kind::Unsupported, file, part,
                                QStringLiteral("not a chart (no c:chartSpace/c:chart)"));
        }
    }

    ChartOutline outline() const {
        ChartOutline outline;
        QStringList kinds;
        for (const chart::ChartGroup& group : m_groups) kinds << group.kindName();
        outline.kind = summaryKindOf(kinds);
        outline.seriesCount = m_seriesCount;
        // As the model's text source: a cell's text before a literal before rich text.
        QString title = m_hasReference ? m_cachedText : m_literal ? *m_literal : m_paragraphs.join(u'\n');
        outline.title = title.replace(u'\n', u' ');
        return outline;
    }

private:
    static std::optional<Role> rootRole(Ns ns, std::string_view name) {
        if (ns == Ns::C && name == "chartSpace") return Role::Space;
        return std::nullopt;
    }

    // The first of a kind among siblings is the one the model takes.
    static bool first(bool* seen) {
        if (*seen) return false;
        *seen = true;
        return true;
    }

    void collectText(Role role, QString* target) {
        m_text.emplace();
        m_textRole = role;
        m_textTarget = target;
    }

    std::optional<Role> childRole(Role parent, Ns ns, std::string_view name, const XmlStream::Attributes& a) {
        if (parent == Role::Rich || parent == Role::Paragraph || parent == Role::Run) {
            if (ns != Ns::A) return std::nullopt;
            if (parent == Role::Rich) {
                if (name != "p") return std::nullopt;
                m_paragraphs.append(QString());
                return Role::Paragraph;
            }
            if (parent == Role::Paragraph) {
                if (name == "br") m_paragraphs.back() += u'\n';
                if (name != "r" && name != "fld") return std::nullopt;
                m_runText = false;
                return Role::Run;
            }
            if (name != "t" || !first(&m_runText)) return std::nullopt;
            collectText(Role::RunText, &m_paragraphs.back());
            return Role::RunText;
        }
        if (ns != Ns::C) return std::nullopt;
        switch (parent) {
        case Role::Space:
            if (name == "chart" && first(&m_sawChart)) return Role::Chart;
            return std::nullopt;
        case Role::Chart:
            if (name == "title" && first(&m_sawTitle)) return Role::Title;
            if (name == "plotArea" && first(&m_sawPlotArea)) return Role::PlotArea;
            return std::nullopt;
        case Role::Title:
            if (name == "tx" && first(&m_sawTitleText)) return Role::TitleText;
            return std::nullopt;
        case Role::TitleText:
            if (name == "strRef" && first(&m_hasReference)) return Role::StringReference;
            if (name == "v" && !m_literal) {
                m_literal.emplace();
                collectText(Role::Literal, &*m_literal);
                return Role::Literal;
            }
            if (name == "rich" && first(&m_sawRich)) return Role::Rich;
            return std::nullopt;
        case Role::StringReference:
            if (name == "strCache" && first(&m_sawCache)) return Role::StringCache;
            return std::nullopt;
        case Role::StringCache: {
            // The model keeps the points with an index of 0 or more, and the title is the first.
            if (name != "pt" || m_sawPoint) return std::nullopt;
            int index = 0;
            if (!a.has("idx") || (parseInt(a.value("idx"), &index) && index < 0)) return std::nullopt;
            m_sawPoint = true;
            return Role::CachePoint;
        }
        case Role::CachePoint:
            if (name == "v" && first(&m_sawPointValue)) {
                collectText(Role::CacheValue, &m_cachedText);
                return Role::CacheValue;
            }
            return std::nullopt;
        case Role::PlotArea:
            if (const auto kind = chart::chartGroupKindOf(name)) {
                m_groups.emplace_back();
                m_groups.back().kind = *kind;
                m_barDirection = false;
                return Role::Group;
            }
            return std::nullopt;
        case Role::Group:
            if (name == "ser") ++m_seriesCount;
            if (name == "barDir" && first(&m_barDirection)) {
                m_groups.back().barDirection =
                    a.has("val") ? chart::schemaEnum<chart::BarDirection>(a.value("val")) : chart::BarDirection::Column;
            }
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }

    std::vector<Role> m_open;
    StreamedNamespaces m_scopes;
    std::vector<chart::ChartGroup> m_groups;
    int m_seriesCount = 0;
    bool m_sawChart = false, m_sawTitle = false, m_sawPlotArea = false, m_sawTitleText = false;
    bool m_hasReference = false, m_sawRich = false, m_sawCache = false, m_sawPoint = false;
    bool m_sawPointValue = false, m_runText = false, m_barDirection = false;
    std::optional<QString> m_literal;
    QString m_cachedText;
    QStringList m_paragraphs;
    // The text being collected: of which element, and where it goes when the element ends.
    std::optional<ElementText> m_text;
    Role m_textRole = Role::Leaf;
    QString* m_textTarget = nullptr;
};

bool isUtf16(const QByteArray& start) {
    return start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF") ||
           (start.size() >= 2 && ((start[0] == '<' && start[1] == 0) || (start[0] == 0 && start[1] == '<')));
}

ChartOutline fromModel(const QByteArray& chartXml, const QString& file, const QString& part, const Limits& limits) {
    chart::ReadOptions options;
    options.numberCachePoints = false;
    const ChartSummary summary = summarizeChart(chart::readChartSpace(chartXml, file, part, limits, options));
    return {summary.kind, summary.title, int(summary.series.size())};
}

QString displayName(const PackageReader& package) {
    return package.fileName().isEmpty() ? package.path() : package.fileName();
}

}  // namespace

ChartOutline readChartOutline(const QByteArray& chartXml, const QString& file, const QString& part,
                              const Limits& limits) {
    if (isUtf16(chartXml.left(2))) return fromModel(chartXml, file, part, limits);
    OutlineHandler handler;
    XmlStream stream(handler, file, part, limits);
    stream.feed(chartXml);
    stream.finish();
    handler.check(file, part);
    return handler.outline();
}

ChartOutline readChartOutline(const PackageReader& package, const QString& part) {
    const QString file = displayName(package);
    OutlineHandler handler;
    XmlStream stream(handler, file, part, package.limits());
    bool utf16 = false;
    bool started = false;
    package.readInChunks(part, kChunkBytes, [&](const QByteArray& chunk) {
        if (!started && !chunk.isEmpty()) {
            started = true;
            if ((utf16 = isUtf16(chunk.left(2)))) return false;
        }
        return stream.feed(chunk);
    });
    if (utf16) return fromModel(package.read(part), file, part, package.limits());
    stream.finish();
    handler.check(file, part);
    return handler.outline();
}

ChartOutline readChartexOutline(const PackageReader& package, const QString& part) {
    const ChartexChart chart =
        readChartex(package.read(part), package.fileName(), part, package.limits());
    return ChartOutline{chart.kindName(), chart.title, chart.ownSeriesCount()};
}

}  // namespace engine

#include "servers/presentation/ChartDrawings.h"

#include "engine/package/Namespaces.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

namespace servers {

namespace {

qint64 hundredths(double points) { return std::llround(points * 100); }

// A chart's relationships that do not change how it looks: its workbook (the chart part holds
// the values it shows) and the legacy embedding of one.
bool isChartWorkbookRelationship(const QString& type) {
    const QByteArray t = type.toUtf8();
    const std::string_view view(t.constData(), size_t(t.size()));
    return engine::xml::relationshipTypeIs(view, engine::xml::rel::kPackage) ||
           engine::xml::relationshipTypeIs(view, engine::xml::rel::kOleObject);
}

}  // namespace

ChartDrawings::Source ChartDrawings::read(const engine::Package& package, const QString& name) {
    Source source;
    source.name = name;
    if (name.isEmpty() || !package.hasPart(name)) return source;
    try {
        source.bytes = package.part(name);
        source.present = true;
    } catch (const engine::DocumentError&) {
        // A part that cannot be read counts as absent, as the drawing found it.
    }
    return source;
}

bool ChartDrawings::sameIn(Source& source, const engine::Package& package) {
    if (source.name.isEmpty() || !package.hasPart(source.name)) return !source.present;
    const QByteArray* now = nullptr;
    try {
        now = &package.part(source.name);
    } catch (const engine::DocumentError&) {
        return !source.present;
    }
    if (!source.present) return false;
    if (now->constData() == source.bytes.constData() && now->size() == source.bytes.size())
        return true;
    if (now->size() != source.bytes.size() || *now != source.bytes) return false;
    source.bytes = *now;
    return true;
}

std::vector<ChartDrawings::Source> ChartDrawings::sourcesOf(const engine::Package& package,
                                                            const QString& chartPart) {
    std::vector<Source> sources;
    sources.push_back(read(package, chartPart));
    const QString relsPart = engine::relationshipsPartName(chartPart);
    sources.push_back(read(package, relsPart));
    if (sources.back().present) {
        try {
            const auto rels =
                engine::Relationships::parse(sources.back().bytes, chartPart, package.name());
            for (const engine::Relationship& r : rels.all()) {
                if (r.external || r.targetPart.isEmpty() || isChartWorkbookRelationship(r.type))
                    continue;
                sources.push_back(read(package, r.targetPart));
            }
        } catch (const engine::DocumentError&) {
            // Malformed relationships fail the drawing; their bytes alone say it.
        }
    }
    // The deck's extended properties, whose producer decides what absent elements mean.
    const QString packageRels = engine::relationshipsPartName(QString());
    sources.push_back(read(package, packageRels));
    QString properties = QStringLiteral("/docProps/app.xml");
    if (sources.back().present) {
        try {
            const auto rels =
                engine::Relationships::parse(sources.back().bytes, QString(), package.name());
            const engine::Relationship* r =
                rels.firstOfType(QString::fromLatin1(engine::xml::rel::kExtendedProperties));
            if (r && !r->external) properties = r->targetPart;
        } catch (const engine::DocumentError&) {
        }
    }
    sources.push_back(read(package, properties));
    return sources;
}

bool ChartDrawings::sameSources(std::vector<Source>& kept, const std::vector<Source>& now) {
    if (kept.size() != now.size()) return false;
    for (size_t i = 0; i < kept.size(); ++i) {
        Source& k = kept[i];
        const Source& n = now[i];
        if (k.name.compare(n.name, Qt::CaseInsensitive) != 0 || k.present != n.present)
            return false;
        if (!k.present) continue;
        if (k.bytes.constData() == n.bytes.constData() && k.bytes.size() == n.bytes.size())
            continue;
        if (k.bytes != n.bytes) return false;
    }
    return true;
}

qint64 ChartDrawings::costOf(const DrawnChart& drawn) {
    qint64 cost = qint64(sizeof(DrawnChart)) + drawn.failure.size() * 2;
    if (!drawn.scene) return cost;
    for (const engine::chart::ScenePrimitive& item : drawn.scene->items) {
        cost += qint64(sizeof(item));
        cost += qint64(item.path.elementCount()) * qint64(sizeof(QPainterPath::Element));
        cost += item.text.size() * 2 + item.family.size() * 2;
        cost += item.image.sizeInBytes();
    }
    return cost;
}

ChartDrawings::Drawing* ChartDrawings::drawingIn(Version& version, const engine::Package& package,
                                                 const QString& deckName, const QString& themePart,
                                                 const engine::drawingml::ColorMap& colorMap,
                                                 qint64 width, qint64 height) {
    for (Drawing& d : version.drawings) {
        if (d.width != width || d.height != height || d.colorMap.map != colorMap.map) continue;
        if (d.themePart.compare(themePart, Qt::CaseInsensitive) != 0) continue;
        if (!d.drawn.failure.isEmpty() && d.deckName != deckName) continue;
        if (!sameIn(d.theme, package)) continue;
        return &d;
    }
    return nullptr;
}

std::optional<DrawnChart> ChartDrawings::find(const engine::Package& package,
                                              const QString& deckName, const QString& chartPart,
                                              const QString& themePart,
                                              const engine::drawingml::ColorMap& colorMap,
                                              QSizeF sizeInPoints) {
    auto it = m_charts.find(chartPart.toLower());
    if (it == m_charts.end()) return std::nullopt;
    for (Version& version : *it) {
        const bool same = std::all_of(version.sources.begin(), version.sources.end(),
                                      [&](Source& s) { return sameIn(s, package); });
        if (!same) continue;
        Drawing* d = drawingIn(version, package, deckName, themePart, colorMap,
                               hundredths(sizeInPoints.width()), hundredths(sizeInPoints.height()));
        if (!d) continue;
        d->lastUse = ++m_uses;
        return d->drawn;
    }
    return std::nullopt;
}

void ChartDrawings::insert(const engine::Package& package, const QString& deckName,
                           const QString& chartPart, const QString& themePart,
                           const engine::drawingml::ColorMap& colorMap, QSizeF sizeInPoints,
                           DrawnChart drawn) {
    std::vector<Source> sources = sourcesOf(package, chartPart);
    std::vector<Version>& versions = m_charts[chartPart.toLower()];
    auto version = std::find_if(versions.begin(), versions.end(),
                                [&](Version& v) { return sameSources(v.sources, sources); });
    if (version == versions.end()) {
        versions.push_back(Version{std::move(sources), {}});
        version = versions.end() - 1;
    }
    const qint64 width = hundredths(sizeInPoints.width()),
                 height = hundredths(sizeInPoints.height());
    if (Drawing* d = drawingIn(*version, package, deckName, themePart, colorMap, width, height)) {
        d->drawn = std::move(drawn);
        d->cost = costOf(d->drawn);
        d->lastUse = ++m_uses;
        return;
    }
    Drawing d;
    d.themePart = themePart;
    d.theme = read(package, themePart);
    d.colorMap = colorMap;
    d.width = width;
    d.height = height;
    d.deckName = deckName;
    d.cost = costOf(drawn);
    d.drawn = std::move(drawn);
    d.lastUse = ++m_uses;
    version->drawings.push_back(std::move(d));
}

void ChartDrawings::prune() {
    // A chart version whose part's bytes only this cache still holds is in no state of the
    // document: nothing can ask for its drawings again.
    for (auto it = m_charts.begin(); it != m_charts.end();) {
        std::erase_if(*it, [](const Version& v) {
            const Source& chart = v.sources.front();
            return !chart.present || chart.bytes.isDetached();
        });
        it = it->empty() ? m_charts.erase(it) : std::next(it);
    }
    // Of the drawings not shown since the last prune, the most recently shown are kept, within
    // the bounds of their number and size.
    std::vector<std::pair<quint64, qint64>> unshown;  // last use, cost
    for (const auto& versions : std::as_const(m_charts))
        for (const Version& v : versions)
            for (const Drawing& d : v.drawings)
                if (d.lastUse <= m_usesAtPrune) unshown.emplace_back(d.lastUse, d.cost);
    std::sort(unshown.begin(), unshown.end(), std::greater<>());
    quint64 keptFrom = 0;  // the oldest use of an unshown drawing kept
    qint64 total = 0;
    for (size_t i = 0; i < unshown.size(); ++i) {
        total += unshown[i].second;
        if (int(i) >= m_keptUnshown || total > m_keptUnshownBytes) {
            keptFrom = unshown[i].first + 1;
            break;
        }
    }
    if (keptFrom > 0) {
        for (auto it = m_charts.begin(); it != m_charts.end();) {
            for (Version& v : *it) {
                std::erase_if(v.drawings, [&](const Drawing& d) {
                    return d.lastUse <= m_usesAtPrune && d.lastUse < keptFrom;
                });
            }
            std::erase_if(*it, [](const Version& v) { return v.drawings.empty(); });
            it = it->empty() ? m_charts.erase(it) : std::next(it);
        }
    }
    m_usesAtPrune = m_uses;
}

int ChartDrawings::count() const {
    int n = 0;
    for (const auto& versions : m_charts)
        for (const Version& v : versions) n += int(v.drawings.size());
    return n;
}

}  // namespace servers

#include "engine/presentation/Presentation.h"

#include "engine/drawingml/Units.h"
#include "engine/package/Xml.h"
#include "engine/presentation/BuiltInTemplate.h"
#include "engine/chartcopy/ChartInsertion.h"
#include "engine/chartcopy/SeriesRangesScan.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/chartdraw/ChartexScene.h"
#include "engine/presentation/Ids.h"
#include "engine/package/OoxmlNames.h"
#include "engine/presentation/SlideLayoutPart.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QSet>
#include <QHash>
#include <algorithm>
#include <cmath>

namespace engine {

namespace {

// A chart that brings no size of its own gets the spreadsheet's default chart size.
using drawingml::kDefaultChartCx;
using drawingml::kDefaultChartCy;
constexpr qint64 kEmuPerPixel = 9525;        // at 96 dpi
constexpr qint64 kTextLineEmu = 457200;      // half an inch per pasted line of text

constexpr const char* kCustomPropertiesRelationship =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/custom-properties";
constexpr const char* kCustomPropertiesType = "application/vnd.openxmlformats-officedocument.custom-properties+xml";

bool isPresentationType(const QString& type) {
    namespace ct = ooxml::ct;
    return type == ct::kPresentation || type == ct::kPresentationMacro || type == ct::kSlideShow ||
           type == ct::kSlideShowMacro || type == ct::kTemplate || type == ct::kTemplateMacro;
}

// A shape of cx x cy centred on the slide, at its own size when it fits inside width x height,
// else scaled down to fit there, keeping its proportions.
EmuRect centredWithin(qint64 cx, qint64 cy, double width, double height, qint64 slideCx, qint64 slideCy) {
    const double scale = std::min({1.0, width / double(cx), height / double(cy)});
    EmuRect r;
    r.cx = scale < 1.0 ? static_cast<qint64>(std::floor(cx * scale)) : cx;
    r.cy = scale < 1.0 ? static_cast<qint64>(std::floor(cy * scale)) : cy;
    r.x = (slideCx - r.cx) / 2;
    r.y = (slideCy - r.cy) / 2;
    return r;
}

// Relationship types whose target belongs to its source alone, so that a copy of the source
// needs a copy of it: a slide's charts, notes, comments, embedded objects and tags (a chart
// frame's provenance among them: the copy is refreshed, relinked or deleted on its own), and
// what a chart holds of its own (workbook, theme override, drawing, style and colours).
bool isOwnedRelationship(const QString& type) {
    static const QStringList owned{
        QStringLiteral("chart"),        QStringLiteral("package"),         QStringLiteral("themeOverride"),
        QStringLiteral("notesSlide"),   QStringLiteral("comments"),        QStringLiteral("chartUserShapes"),
        QStringLiteral("chartStyle"),   QStringLiteral("chartColorStyle"), QStringLiteral("oleObject"),
        QStringLiteral("vmlDrawing"),   QStringLiteral("tags")};
    return owned.contains(type.section(u'/', -1));
}

// The naming pattern of a part, its number standing for %1: "/ppt/charts/chart3.xml" ->
// "/ppt/charts/chart%1.xml"; a name without a number gets one before its extension.
QString numberedPartPattern(const QString& partName) {
    const qsizetype slash = partName.lastIndexOf(u'/');
    qsizetype dot = partName.lastIndexOf(u'.');
    if (dot <= slash) dot = partName.size();
    qsizetype digits = dot;
    while (digits > slash + 1 && partName.at(digits - 1).isDigit()) --digits;
    return partName.left(digits) + QStringLiteral("%1") + partName.mid(dot);
}

}  // namespace

Presentation Presentation::createNew(const Limits& limits) {
    return fromPackage(builtInTemplatePackage(), QString::fromLatin1(kBuiltInTemplateName), limits);
}

Presentation Presentation::open(const QString& path, const Limits& limits) {
    return fromPackage(Package::load(path, limits), QFileInfo(path).fileName(), limits);
}

Presentation Presentation::fromPackage(Package package, const QString& name, const Limits& limits) {
    Presentation p;
    p.m_package = std::move(package);
    p.m_name = name;
    p.m_limits = limits;
    p.load();
    return p;
}

void Presentation::load() {
    const auto root = m_package.relationships(QString());
    const Relationship* main = root.firstOfType(ooxml::rel::kOfficeDocument);
    if (!main || main->targetPart.isEmpty() || !m_package.hasPart(main->targetPart)) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, QString(), QStringLiteral("no presentation part in the package"));
    }
    const QString type = m_package.contentTypes().of(main->targetPart);
    if (!isPresentationType(type)) {
        throw DocumentError(DocumentError::Kind::Unsupported, m_name, main->targetPart,
                            QStringLiteral("is not a presentation (content type \"%1\")").arg(type));
    }
    m_presentationPart = main->targetPart;
    m_main = std::make_shared<Main>();
    m_main->part.emplace(PresentationPart::parse(m_package.part(m_presentationPart), m_name, m_presentationPart));
    m_main->rels = m_package.relationships(m_presentationPart);
    const PresentationPart& presentation = *m_main->part;
    const Relationships& rels = m_main->rels;
    for (const auto& r : rels.all()) {
        if (!r.external && !m_package.hasPart(r.targetPart)) {
            throw DocumentError(DocumentError::Kind::Missing, m_name, m_presentationPart,
                                QStringLiteral("relationship %1 points to missing part %2").arg(r.id, r.target));
        }
    }
    for (const auto& m : presentation.masters()) {
        const Relationship* r = rels.byId(m.relId);
        if (!r || r->type != ooxml::rel::kSlideMaster) {
            throw DocumentError(DocumentError::Kind::Missing, m_name, m_presentationPart,
                                QStringLiteral("slide master %1 has no relationship %2").arg(m.id).arg(m.relId));
        }
        const QString master = r->targetPart;
        const auto masterRels = m_package.relationships(master);
        for (const QString& layoutRel : layoutRelIdsOfMaster(m_package.part(master), m_name, master)) {
            const Relationship* lr = masterRels.byId(layoutRel);
            if (!lr || lr->external || !m_package.hasPart(lr->targetPart)) {
                throw DocumentError(DocumentError::Kind::Missing, m_name, master,
                                    QStringLiteral("layout relationship %1 points to no part").arg(layoutRel));
            }
        }
    }
    if (presentation.masters().empty()) {
        throw DocumentError(DocumentError::Kind::Corrupt, m_name, m_presentationPart,
                            QStringLiteral("presentation has no slide master"));
    }
    for (const auto& s : presentation.slides()) {
        const Relationship* r = rels.byId(s.relId);
        if (!r || r->type != ooxml::rel::kSlide) {
            throw DocumentError(
                DocumentError::Kind::Corrupt, m_name, m_presentationPart,
                QStringLiteral("slide %1 has no slide relationship %2").arg(s.id).arg(s.relId));
        }
        checkSlide(r->targetPart);
        m_slides.push_back(r->targetPart);
    }
}

void Presentation::checkSlide(const QString& slidePart) {
    SlidePart::parse(m_package.part(slidePart), m_name, slidePart);
    const auto rels = m_package.relationships(slidePart);
    for (const auto& r : rels.all()) {
        if (!r.external && !m_package.hasPart(r.targetPart)) {
            throw DocumentError(DocumentError::Kind::Missing, m_name, slidePart,
                                QStringLiteral("relationship %1 points to missing part %2").arg(r.id, r.target));
        }
    }
    if (!rels.firstOfType(ooxml::rel::kSlideLayout)) {
        throw DocumentError(DocumentError::Kind::Corrupt, m_name, slidePart,
                            QStringLiteral("slide has no layout"));
    }
}

bool Presentation::isMacroEnabled() const {
    const QString type = m_package.contentTypes().of(m_presentationPart);
    return type == ooxml::ct::kPresentationMacro || type == ooxml::ct::kSlideShowMacro ||
           type == ooxml::ct::kTemplateMacro;
}

QString Presentation::slidePartName(int index) const {
    if (index < 0 || index >= slideCount()) return {};
    return m_slides[static_cast<size_t>(index)];
}

const Package& Presentation::package() const {
    writeMain();
    return m_package;
}

void Presentation::writeMain() const {
    if (!m_mainUnwritten) return;
    m_package.setPart(m_presentationPart, m_main->part->bytes());
    m_package.setRelationships(m_presentationPart, m_main->rels);
    m_mainUnwritten = false;
}

Presentation::Main& Presentation::editableMain() {
    if (m_main.use_count() > 1) {
        auto own = std::make_shared<Main>();
        own->part.emplace(m_main->part->clone());
        own->rels = m_main->rels;
        m_main = std::move(own);
    }
    return *m_main;
}

void Presentation::checkRoomFor(qsizetype added, const QString& what) const {
    const qsizetype entries = m_package.entryCount() + added;
    if (entries > m_limits.maxEntries) {
        throw DocumentError(DocumentError::Kind::OverLimit, m_name, QString(),
                            QStringLiteral("%1 would make %2 entries in the deck, more than the %3 it may hold")
                                .arg(what)
                                .arg(entries)
                                .arg(m_limits.maxEntries));
    }
}

void Presentation::checkIndex(int index) const {
    if (index < 0 || index >= slideCount()) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, QString(),
                            QStringLiteral("slide position %1 is out of bounds (0 to %2)")
                                .arg(index)
                                .arg(slideCount() - 1));
    }
}

QString Presentation::findLayout(const QString& wanted) const {
    const PresentationPart& presentation = *m_main->part;
    const Relationships& rels = m_main->rels;
    for (const auto& m : presentation.masters()) {
        const QString master = rels.byId(m.relId)->targetPart;
        const auto masterRels = m_package.relationships(master);
        for (const QString& id : layoutRelIdsOfMaster(m_package.part(master), m_name, master)) {
            const QString layout = masterRels.byId(id)->targetPart;
            if (layoutTypeOf(m_package.part(layout), m_name, layout) == wanted) return layout;
        }
    }
    return QString();
}

QString Presentation::addBlankLayout() {
    const PresentationPart& presentation = *m_main->part;
    const Relationships& rels = m_main->rels;
    const QString master = rels.byId(presentation.masters().front().relId)->targetPart;
    // Master and layout ids share one range and must differ across the whole presentation.
    // They run from 2147483648 to 4294967295.
    std::vector<quint64> used;
    for (const auto& m : presentation.masters()) {
        used.push_back(m.id);
        const QString part = rels.byId(m.relId)->targetPart;
        for (quint32 id : layoutIdsOfMaster(m_package.part(part), m_name, part)) used.push_back(id);
    }
    const auto layoutId = nextFreeId(std::move(used), 2147483648u, 4294967295u);
    if (!layoutId)
        throw DocumentError(DocumentError::Kind::OverLimit, m_name, master,
                            QStringLiteral("no layout id is left for a blank layout"));
    // What can fail is made first; the package is changed after.
    const QString layout = m_package.freePartName(QStringLiteral("/ppt/slideLayouts/slideLayout%1.xml"));
    auto masterRels = m_package.relationships(master);
    const QString relId = masterRels.add(ooxml::rel::kSlideLayout, master, layout);
    const QByteArray masterXml = masterWithLayout(m_package.part(master), static_cast<quint32>(*layoutId), relId, m_name, master);
    m_package.setPart(layout, blankLayoutXml());
    m_package.contentTypes().setOverride(layout, ooxml::ct::kSlideLayout);
    Relationships layoutRels;
    layoutRels.add(ooxml::rel::kSlideMaster, layout, master);
    m_package.setRelationships(layout, layoutRels);
    m_package.setRelationships(master, masterRels);
    m_package.setPart(master, masterXml);
    return layout;
}

void Presentation::addSlide(int index, int layoutNumber) {
    if (index < 0 || index > slideCount()) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, QString(),
                            QStringLiteral("slide position %1 is out of bounds (0 to %2)")
                                .arg(index)
                                .arg(slideCount()));
    }
    const QString wanted = layoutTypeOfNumber(layoutNumber);
    if (wanted.isEmpty()) {
        throw DocumentError(
            DocumentError::Kind::Unsupported, m_name, QString(),
            QStringLiteral("layout %1 is not a slide layout number").arg(layoutNumber));
    }
    // Everything that can fail comes before the first change, so a refusal leaves the
    // presentation as it was without a copy of it to go back to.
    QString layout = findLayout(wanted);
    if (layout.isEmpty() && layoutNumber != 12) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, QString(),
                            QStringLiteral("no slide layout of type \"%1\" (layout %2)")
                                .arg(wanted)
                                .arg(layoutNumber));
    }
    const quint32 slideId = m_main->part->nextSlideId();
    // The slide and its relationships, and a blank layout with its own when one is made.
    checkRoomFor(layout.isEmpty() ? 4 : 2, QStringLiteral("another slide"));
    QByteArray slideXml;
    if (!layout.isEmpty()) slideXml = SlidePart::newSlideXml(layoutPlaceholders(m_package.part(layout), m_name, layout));
    if (layout.isEmpty()) {
        layout = addBlankLayout();
        slideXml = SlidePart::newSlideXml(layoutPlaceholders(m_package.part(layout), m_name, layout));
    }

    Main& main = editableMain();
    const auto [slide, relId] =
        m_package.addPart(QStringLiteral("/ppt/slides/slide%1.xml"), slideXml, ooxml::ct::kSlide,
                          m_presentationPart, main.rels, ooxml::rel::kSlide);
    Relationships slideRels;
    slideRels.add(ooxml::rel::kSlideLayout, slide, layout);
    m_package.setRelationships(slide, slideRels);
    main.part->insertSlide(index, slideId, relId);
    m_mainUnwritten = true;
    m_slides.insert(m_slides.begin() + index, slide);
}

EmuRect Presentation::placed(qint64 cx, qint64 cy) const {
    if (cx <= 0 || cy <= 0) {
        cx = kDefaultChartCx;
        cy = kDefaultChartCy;
    }
    return centredWithin(cx, cy, double(slideWidth()), double(slideHeight()), slideWidth(), slideHeight());
}

EmuRect Presentation::placedChart(qint64 cx, qint64 cy) const {
    if (cx <= 0 || cy <= 0) return placed(cx, cy);
    return centredWithin(cx, cy, slideWidth() * 0.9, slideHeight() * 0.9, slideWidth(), slideHeight());
}

void Presentation::editSlide(int index,
                             const std::function<void(SlidePart&, Package&, const QString&)>& edit) {
    checkIndex(index);
    const QString slidePart = m_slides[static_cast<size_t>(index)];
    SlidePart slide = SlidePart::parse(m_package.part(slidePart), m_name, slidePart);
    edit(slide, m_package, slidePart);
    m_package.setPart(slidePart, slide.bytes());
}

Presentation::Presentation(const Presentation& other) = default;
Presentation& Presentation::operator=(const Presentation& other) = default;
Presentation::~Presentation() = default;

void Presentation::pasteChart(int index, const ChartPackage& chart, PastedChart* pasted, PasteFormatting formatting) {
    placeChart(makeChart(index, chart, pasted, formatting));
}

QByteArray Presentation::slideTheme(int index) const {
    checkIndex(index);
    // slide -> layout -> master -> theme, each through the first relationship of its kind.
    QString part = m_slides[static_cast<size_t>(index)];
    for (const char* type : {xml::rel::kSlideLayout, xml::rel::kSlideMaster, xml::rel::kTheme}) {
        if (!m_package.hasPart(relationshipsPartName(part))) return {};
        const Relationships rels = m_package.relationships(part);
        const Relationship* next = rels.firstOfType(QString::fromLatin1(type));
        if (!next || next->external || !m_package.hasPart(next->targetPart)) return {};
        part = next->targetPart;
    }
    return m_package.part(part);
}

namespace {
// The picture of a chart of the newer kinds that readers not knowing the kind show (PNG), at
// the frame's size on a 96 dpi screen held to a sensible picture, and the namespace its frame
// requires.
QByteArray chartexFallbackPicture(const ChartPackage& chart, const EmuRect& rect, const char** prefix, const char** uri) {
    const ChartexChart chartex = readChartex(chart.chartPart().data, QStringLiteral("clipboard"), chart.chartPart().name);
    const ChartexRequirement requirement = chartexRequirement(chartex);
    *prefix = requirement.prefix;
    *uri = requirement.uri;
    const QSize pixels(int(std::clamp<qint64>(rect.cx / kEmuPerPixel, 1, 4000)),
                       int(std::clamp<qint64>(rect.cy / kEmuPerPixel, 1, 4000)));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!chartexPicture(chartex, pixels).save(&buffer, "PNG")) {
        throw DocumentError(DocumentError::Kind::Io, QStringLiteral("clipboard"), chart.chartPart().name,
                            QStringLiteral("the chart's picture cannot be encoded as PNG"));
    }
    return png;
}
}  // namespace

Presentation::MadeChart Presentation::makeChart(int index, const ChartPackage& chart, PastedChart* pasted,
                                                PasteFormatting formatting) const {
    checkIndex(index);
    // The least a chart adds (its part, their relationships, its workbook): a full deck is
    // refused before the chart is made.
    checkRoomFor(3, QStringLiteral("another chart"));
    MadeChart made;
    made.index = index;
    made.slidePart = m_slides[static_cast<size_t>(index)];
    made.name = chart.chartName;
    made.rect = placedChart(chart.cx, chart.cy);
    PasteLook look;
    look.formatting = formatting;
    if (formatting == PasteFormatting::DeckTheme) look.deckTheme = slideTheme(index);
    made.parts = makeChartParts(m_package, chart, pasted ? &pasted->model : nullptr, false, look);
    if (pasted) pasted->part = made.parts.chartPart;
    if (chart.isChartex()) made.fallbackPicture = chartexFallbackPicture(chart, made.rect, &made.requiredPrefix, &made.requiredUri);
    if (!chart.sourceFile.isEmpty()) {
        // Where the chart came from goes with it, so that the deck can be refreshed later.
        ChartProvenance provenance;
        provenance.workbook = QFileInfo(chart.sourceFile).absoluteFilePath();
        provenance.sheet = chart.sheetName;
        provenance.chart = chart.chartName;
        provenance.chartIndex = chart.chartIndex >= 0 ? chart.chartIndex + 1 : 0;
        // The workbook's ranges, which a pivot chart's paste points elsewhere.
        // The part was parsed whole in the making: a scan of it will do.
        const QByteArray& source = chart.chartPart().data;
        const std::optional<QStringList> ranges = scanSeriesRanges(source, m_name, made.parts.chartPart);
        provenance.seriesRanges = ranges ? *ranges : chartSeriesRanges(source, m_name, made.parts.chartPart);
        provenance.copiedAt = QDateTime::currentDateTimeUtc();
        // The frame may be scaled down to fit the slide: the workbook's size is kept aside.
        if (chart.cx > 0 && chart.cy > 0) {
            provenance.sourceCx = chart.cx;
            provenance.sourceCy = chart.cy;
        }
        QSet<QString> reserved;
        for (const auto& part : made.parts.parts) reserved.insert(part.first.toLower());
        made.tagsPart = m_package.freePartName(QStringLiteral("/ppt/tags/tag%1.xml"), reserved);
        made.parts.parts.emplace_back(made.tagsPart, provenanceTagsXml(provenance));
        made.parts.types.emplace_back(made.tagsPart, ooxml::ct::kTags);
    }
    return made;
}

void Presentation::placeChart(const MadeChart& made) {
    const bool sameSlide = made.index >= 0 && made.index < slideCount() &&
                           m_slides[static_cast<size_t>(made.index)] == made.slidePart;
    const bool namesFree = std::none_of(made.parts.parts.begin(), made.parts.parts.end(),
                                        [&](const auto& part) { return m_package.hasPart(part.first); });
    if (!sameSlide || !namesFree) {
        throw DocumentError(DocumentError::Kind::Corrupt, m_name, made.slidePart,
                            QStringLiteral("the presentation changed while the chart was pasted"));
    }
    const bool slideHasRels = m_package.hasPart(relationshipsPartName(made.slidePart));
    const bool chartex = !made.fallbackPicture.isEmpty();
    checkRoomFor(static_cast<qsizetype>(made.parts.parts.size()) + (slideHasRels ? 0 : 1) + (chartex ? 1 : 0),
                 QStringLiteral("another chart"));
    editSlide(made.index, [&](SlidePart& slide, Package& package, const QString& slidePart) {
        auto rels = package.relationships(slidePart);
        const QString name = made.name.isEmpty() ? QStringLiteral("Chart %1").arg(slide.nextShapeId() - 1) : made.name;
        if (!chartex) {
            addChartParts(package, made.parts);
            const QString relId = rels.add(ooxml::rel::kChart, slidePart, made.parts.chartPart);
            const QString tagsRelId =
                made.tagsPart.isEmpty() ? QString() : rels.add(ooxml::rel::kTags, slidePart, made.tagsPart);
            package.setRelationships(slidePart, rels);
            slide.appendChartFrame(name, made.rect, relId, tagsRelId);
            return;
        }
        addChartParts(package, made.parts);
        const QString relId = rels.add(ooxml::rel::kChartex, slidePart, made.parts.chartPart);
        const QString pictureRelId =
            package
                .addPart(QStringLiteral("/ppt/media/image%1.png"), made.fallbackPicture,
                         ooxml::ct::kPng, slidePart, rels, ooxml::rel::kImage)
                .relationshipId;
        const QString tagsRelId =
            made.tagsPart.isEmpty() ? QString() : rels.add(ooxml::rel::kTags, slidePart, made.tagsPart);
        package.setRelationships(slidePart, rels);
        slide.appendChartexFrame(name, made.rect, relId, pictureRelId, made.requiredPrefix, made.requiredUri, tagsRelId);
    });
}

void Presentation::pastePicture(int index, const QImage& image) {
    if (image.isNull()) throw DocumentError(DocumentError::Kind::NothingToPaste, QString::fromLatin1(kNothingToPaste));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw DocumentError(DocumentError::Kind::Io, QStringLiteral("clipboard"), QString(),
                            QStringLiteral("picture cannot be encoded as PNG"));
    }
    editSlide(index, [&](SlidePart& slide, Package& work, const QString& slidePart) {
        auto rels = work.relationships(slidePart);
        checkRoomFor(work.hasPart(relationshipsPartName(slidePart)) ? 1 : 2, QStringLiteral("another picture"));
        const QString relId = work.addPart(QStringLiteral("/ppt/media/image%1.png"), png,
                                           ooxml::ct::kPng, slidePart, rels, ooxml::rel::kImage)
                                  .relationshipId;
        work.setRelationships(slidePart, rels);
        const QString name = QStringLiteral("Picture %1").arg(slide.nextShapeId() - 1);
        slide.appendPicture(name, placed(image.width() * kEmuPerPixel, image.height() * kEmuPerPixel), relId);
    });
}

void Presentation::pasteText(int index, const QString& text) {
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QStringList lines = normalised.split(u'\n');
    editSlide(index, [&](SlidePart& slide, Package&, const QString&) {
        const qint64 cx = slideWidth() * 8 / 10;
        const qint64 cy = std::min<qint64>(slideHeight(), kTextLineEmu * std::max<qsizetype>(1, lines.size()));
        const QString name = QStringLiteral("TextBox %1").arg(slide.nextShapeId() - 1);
        slide.appendTextBox(name, placed(cx, cy), lines);
    });
}

void Presentation::paste(int index, const QMimeData& data, PasteFormatting formatting) {
    if (const std::shared_ptr<const ChartPackage> chart = chartPackageOf(data)) {
        pasteChart(index, *chart, nullptr, formatting);
        return;
    }
    QImage image;
    if (data.hasImage()) image = qvariant_cast<QImage>(data.imageData());
    if (image.isNull()) {
        for (const QString& format : data.formats()) {
            if (!format.startsWith(QStringLiteral("image/"))) continue;
            image = QImage::fromData(data.data(format));
            if (!image.isNull()) break;
        }
    }
    if (!image.isNull()) {
        pastePicture(index, image);
        return;
    }
    if (data.hasText() && !data.text().isEmpty()) {
        pasteText(index, data.text());
        return;
    }
    throw DocumentError(DocumentError::Kind::NothingToPaste, QString::fromLatin1(kNothingToPaste));
}

std::vector<SlideShape> Presentation::slideShapes(int index) const {
    const QString part = slidePartName(index);
    if (part.isEmpty()) return {};
    return SlidePart::parse(m_package.part(part), m_name, part).shapes();
}

QString Presentation::slideTarget(int index, const QString& relId) const {
    const QString part = slidePartName(index);
    if (part.isEmpty()) return {};
    const auto rels = m_package.relationships(part);
    const Relationship* r = rels.byId(relId);
    return r && !r->external ? r->targetPart : QString();
}

ChartSummary Presentation::chartSummary(const QString& chartPart) const {
    return summarizeChart(chartModel(chartPart));
}

chart::ChartSpace Presentation::chartModel(const QString& chartPart) const {
    return chart::readChartSpace(m_package.part(chartPart), m_name, chartPart);
}

void Presentation::setChartFrame(int index, int shapeId, const EmuRect& frame) {
    if (frame.cx < 1 || frame.cy < 1) {
        throw DocumentError(
            DocumentError::Kind::OverLimit, m_name, slidePartName(index),
            QStringLiteral("a chart frame of %1 x %2 EMU has no size").arg(frame.cx).arg(frame.cy));
    }
    const auto shapes = slideShapes(index);
    const bool found = std::any_of(shapes.begin(), shapes.end(), [&](const SlideShape& s) {
        return s.id == shapeId && s.kind == SlideShape::Kind::Chart && s.hasFrame;
    });
    if (!found) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, slidePartName(index),
                            QStringLiteral("no chart frame with shape id %1").arg(shapeId));
    }
    editSlide(index, [&](SlidePart& slide, Package&, const QString&) { slide.setChartFrame(shapeId, frame); });
}

EmuRect Presentation::fittedToSlide(const EmuRect& frame) const {
    const double width = slideWidth() * 0.9, height = slideHeight() * 0.9;
    const double cx = std::max<qint64>(1, frame.cx), cy = std::max<qint64>(1, frame.cy);
    const double scale = std::min(width / cx, height / cy);
    EmuRect r;
    r.cx = static_cast<qint64>(std::floor(cx * scale));
    r.cy = static_cast<qint64>(std::floor(cy * scale));
    r.x = (slideWidth() - r.cx) / 2;
    r.y = (slideHeight() - r.cy) / 2;
    return r;
}

EmuRect Presentation::atOriginalSize(const ChartFrame& frame) const {
    EmuRect r;
    const bool known = frame.provenance && frame.provenance->hasSourceSize();
    r.cx = known ? frame.provenance->sourceCx : kDefaultChartCx;
    r.cy = known ? frame.provenance->sourceCy : kDefaultChartCy;
    // Where the chart was, seen from its centre; then onto the slide, as far as it fits.
    r.x = frame.frame.x + (frame.frame.cx - r.cx) / 2;
    r.y = frame.frame.y + (frame.frame.cy - r.cy) / 2;
    const auto onSlide = [](qint64 at, qint64 size, qint64 slide) {
        if (size >= slide) return (slide - size) / 2;
        return std::clamp<qint64>(at, 0, slide - size);
    };
    r.x = onSlide(r.x, r.cx, slideWidth());
    r.y = onSlide(r.y, r.cy, slideHeight());
    return r;
}

quint32 Presentation::slideId(int index) const {
    checkIndex(index);
    return m_main->part->slides()[static_cast<size_t>(index)].id;
}

std::vector<int> Presentation::checkedPositions(std::vector<int> indices) const {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (int index : indices) checkIndex(index);
    return indices;
}

QSet<QString> Presentation::reachableParts(const QSet<QString>& skipped) const {
    QSet<QString> reached;
    std::vector<QString> pending{QString()};
    while (!pending.empty()) {
        const QString source = pending.back();
        pending.pop_back();
        const bool isMain = source.compare(m_presentationPart, Qt::CaseInsensitive) == 0;
        const Relationships rels = isMain ? m_main->rels : m_package.relationships(source);
        const QString sourceKey = source.toLower() + u'|';
        for (const auto& r : rels.all()) {
            if (r.external || r.targetPart.isEmpty() || skipped.contains(sourceKey + r.id)) continue;
            const QString key = r.targetPart.toLower();
            if (reached.contains(key) || !m_package.hasPart(r.targetPart)) continue;
            reached.insert(key);
            pending.push_back(r.targetPart);
        }
    }
    return reached;
}

QStringList Presentation::partsLeftUnused(const QSet<QString>& skipped, std::vector<QString> pending) const {
    const QSet<QString> kept = reachableParts(skipped);
    QSet<QString> seen;
    QStringList unused;
    while (!pending.empty()) {
        const QString part = pending.back();
        pending.pop_back();
        if (kept.contains(part.toLower()) || seen.contains(part.toLower())) continue;
        seen.insert(part.toLower());
        unused.append(part);
        const Relationships rels = m_package.relationships(part);
        for (const auto& r : rels.all())
            if (!r.external && m_package.hasPart(r.targetPart)) pending.push_back(r.targetPart);
    }
    return unused;
}

void Presentation::deleteSlides(std::vector<int> indices) {
    indices = checkedPositions(std::move(indices));
    if (indices.empty()) return;
    // What goes is worked out before anything changes: a relationships part that cannot be
    // read refuses the deletion and leaves the deck as it was.
    QSet<QString> removedRels;
    std::vector<QString> pending;
    for (int index : indices) {
        removedRels.insert(m_presentationPart.toLower() + u'|' + m_main->part->slides()[static_cast<size_t>(index)].relId);
        pending.push_back(m_slides[static_cast<size_t>(index)]);
    }
    const QStringList unused = partsLeftUnused(removedRels, std::move(pending));

    Main& main = editableMain();
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
        const auto position = static_cast<size_t>(*it);
        main.rels.remove(main.part->slides()[position].relId);
        main.part->removeSlide(*it);
        m_slides.erase(m_slides.begin() + *it);
    }
    m_mainUnwritten = true;
    for (const QString& part : unused) {
        m_package.removePart(relationshipsPartName(part));
        m_package.removePart(part);
    }
}

void Presentation::deleteChart(int index, int shapeId) {
    checkIndex(index);
    const QString slidePart = m_slides[static_cast<size_t>(index)];
    QString relId, tagsRelId;
    for (const auto& shape : slideShapes(index)) {
        if (shape.id == shapeId && shape.kind == SlideShape::Kind::Chart) {
            relId = shape.relId;
            tagsRelId = shape.tagsRelId;
        }
    }
    SlidePart slide = SlidePart::parse(m_package.part(slidePart), m_name, slidePart);
    if (relId.isEmpty() || !slide.removeChartFrame(shapeId)) {
        throw DocumentError(DocumentError::Kind::Missing, m_name, slidePart,
                            QStringLiteral("no chart frame with shape id %1").arg(shapeId));
    }
    const QByteArray bytes = slide.bytes();
    // The relationship goes with the frame unless something else on the slide still names it.
    const bool stillNamed = bytes.contains(QByteArray("\"") + relId.toUtf8() + '"');
    Relationships rels = m_package.relationships(slidePart);
    const Relationship* chart = rels.byId(relId);
    QStringList unused;
    if (!stillNamed && chart && !chart->external)
        unused = partsLeftUnused({slidePart.toLower() + u'|' + relId}, {chart->targetPart});

    // The frame's provenance tags go with it too, unless something else still names them.
    const Relationship* tags = tagsRelId.isEmpty() ? nullptr : rels.byId(tagsRelId);
    const bool tagsGo = tags && !tags->external &&
                        !bytes.contains(QByteArray("\"") + tagsRelId.toUtf8() + '"');
    if (tagsGo) unused.append(partsLeftUnused({slidePart.toLower() + u'|' + tagsRelId}, {tags->targetPart}));

    m_package.setPart(slidePart, bytes);
    if (!stillNamed || tagsGo) {
        if (!stillNamed) rels.remove(relId);
        if (tagsGo) rels.remove(tagsRelId);
        m_package.setRelationships(slidePart, rels);
    }
    for (const QString& part : unused) {
        m_package.removePart(relationshipsPartName(part));
        m_package.removePart(part);
    }
}

int Presentation::duplicateSlide(int index) {
    checkIndex(index);
    const QString original = m_slides[static_cast<size_t>(index)];
    // Every part of the copy is made aside first (names, relationships, content types); the
    // deck changes only once nothing is left that can fail.
    struct CopiedPart {
        QString name;
        QString original;
        std::optional<Relationships> rels;
    };
    std::vector<CopiedPart> copied;
    QHash<QString, QString> copyOf;  // lower-case original -> copy
    QSet<QString> reserved;
    std::function<QString(const QString&)> copyPart = [&](const QString& part) -> QString {
        const QString name = m_package.freePartName(numberedPartPattern(part), reserved);
        reserved.insert(name.toLower());
        copyOf.insert(part.toLower(), name);
        const size_t at = copied.size();
        copied.push_back({name, part, std::nullopt});
        if (!m_package.hasPart(relationshipsPartName(part))) return name;
        Relationships rels = m_package.relationships(part);
        for (const auto& r : rels.all()) {
            if (r.external || r.targetPart.isEmpty()) continue;
            QString target = copyOf.value(r.targetPart.toLower());
            if (target.isEmpty() && isOwnedRelationship(r.type) && m_package.hasPart(r.targetPart))
                target = copyPart(r.targetPart);
            if (!target.isEmpty()) rels.retarget(r.id, name, target);
        }
        copied[at].rels = std::move(rels);
        return name;
    };
    const QString slide = copyPart(original);
    qsizetype entries = 0;
    for (const auto& c : copied) entries += c.rels ? 2 : 1;
    checkRoomFor(entries, QStringLiteral("a copy of slide %1").arg(index + 1));
    for (const auto& c : copied) m_package.part(c.original);  // read now, or fail now
    const quint32 id = m_main->part->nextSlideId();
    const quint32 originalId = m_main->part->slides()[static_cast<size_t>(index)].id;

    for (const auto& c : copied) {
        const QString type = m_package.contentTypes().of(c.original);
        m_package.setPart(c.name, m_package.part(c.original));
        if (m_package.contentTypes().of(c.name) != type) m_package.contentTypes().setOverride(c.name, type);
        if (c.rels) m_package.setRelationships(c.name, *c.rels);
    }
    Main& main = editableMain();
    const QString relId = main.rels.add(ooxml::rel::kSlide, m_presentationPart, slide);
    main.part->insertSlide(index + 1, id, relId);
    main.part->addToSectionAfter(originalId, id);
    m_mainUnwritten = true;
    m_slides.insert(m_slides.begin() + index + 1, slide);
    return index + 1;
}

void Presentation::moveSlides(std::vector<int> indices, int to) {
    indices = checkedPositions(std::move(indices));
    const int rest = slideCount() - static_cast<int>(indices.size());
    if (to < 0 || to > rest) {
        throw DocumentError(
            DocumentError::Kind::Missing, m_name, QString(),
            QStringLiteral("slide position %1 is out of bounds (0 to %2)").arg(to).arg(rest));
    }
    std::vector<bool> moving(static_cast<size_t>(slideCount()), false);
    for (int index : indices) moving[static_cast<size_t>(index)] = true;
    std::vector<int> order;
    order.reserve(moving.size());
    int placedOthers = 0;
    for (int i = 0; i < slideCount(); ++i) {
        if (moving[static_cast<size_t>(i)]) continue;
        if (placedOthers++ == to) order.insert(order.end(), indices.begin(), indices.end());
        order.push_back(i);
    }
    if (placedOthers <= to) order.insert(order.end(), indices.begin(), indices.end());
    bool same = true;
    for (size_t i = 0; i < order.size(); ++i) same = same && order[i] == static_cast<int>(i);
    if (same) return;
    Main& main = editableMain();
    main.part->reorderSlides(order, moving);
    m_mainUnwritten = true;
    std::vector<QString> slides;
    slides.reserve(order.size());
    for (int from : order) slides.push_back(m_slides[static_cast<size_t>(from)]);
    m_slides = std::move(slides);
}

std::vector<Presentation::ChartFrame> Presentation::chartFrames() const {
    std::vector<ChartFrame> frames;
    for (int i = 0; i < slideCount(); ++i) {
        const QString slidePart = m_slides[size_t(i)];
        std::optional<Relationships> rels;
        for (const SlideShape& shape : slideShapes(i)) {
            const bool chartex = !shape.chartexRelId.isEmpty();
            if (shape.kind != SlideShape::Kind::Chart && !chartex) continue;
            if (!rels) rels = m_package.relationships(slidePart);
            const Relationship* chart = rels->byId(chartex ? shape.chartexRelId : shape.relId);
            if (!chart || chart->external || !m_package.hasPart(chart->targetPart)) continue;
            ChartFrame frame;
            frame.slide = i;
            frame.shapeId = shape.id;
            frame.name = shape.name;
            frame.frame = shape.frame;
            frame.chartPart = chart->targetPart;
            frame.chartex = chartex;
            const Relationship* tags = shape.tagsRelId.isEmpty() ? nullptr : rels->byId(shape.tagsRelId);
            if (tags && !tags->external && m_package.hasPart(tags->targetPart)) {
                frame.tagsPart = tags->targetPart;
                frame.provenance = readProvenanceTags(m_package.part(tags->targetPart), m_name, tags->targetPart);
            }
            frames.push_back(std::move(frame));
        }
    }
    // Frames that lost their tags (a deck saved by an application that drops them) take their
    // provenance from the deck's copy of it, matched by slide, name and place among namesakes.
    const bool someLost = std::any_of(frames.begin(), frames.end(), [](const ChartFrame& f) { return !f.provenance; });
    const QString custom = someLost ? customPropertiesPart() : QString();
    if (custom.isEmpty()) return frames;
    const std::vector<FrameProvenance> records = readProvenanceCustomProperties(m_package.part(custom));
    QHash<QString, int> seen;
    for (ChartFrame& frame : frames) {
        const int nth = ++seen[QStringLiteral("%1\n%2").arg(frame.slide).arg(frame.name)];
        if (frame.provenance) continue;
        for (const FrameProvenance& record : records) {
            if (record.slide == frame.slide + 1 && record.frame == frame.name && record.nth == nth) frame.provenance = record.provenance;
        }
    }
    return frames;
}

QString Presentation::customPropertiesPart() const {
    const Relationships root = m_package.relationships(QString());
    const Relationship* r = root.firstOfType(QString::fromLatin1(kCustomPropertiesRelationship));
    return r && !r->external && m_package.hasPart(r->targetPart) ? r->targetPart : QString();
}

void Presentation::writeProvenanceRecords() const {
    std::vector<FrameProvenance> records;
    QHash<QString, int> seen;
    for (const ChartFrame& frame : chartFrames()) {
        const int nth = ++seen[QStringLiteral("%1\n%2").arg(frame.slide).arg(frame.name)];
        if (frame.provenance) records.push_back({frame.slide + 1, frame.name, nth, *frame.provenance});
    }
    QString part = customPropertiesPart();
    const QByteArray existing = part.isEmpty() ? QByteArray() : m_package.part(part);
    const QByteArray bytes = provenanceCustomPropertiesXml(records, existing);
    if (bytes == existing) return;
    // The copy is a second store beside the frames' tags: a deck at its bound of entries is
    // saved without it rather than not at all.
    if (part.isEmpty() && m_package.entryCount() + 1 > m_limits.maxEntries) return;
    if (part.isEmpty()) {
        const QString pattern = m_package.hasPart(QStringLiteral("/docProps/custom.xml"))
                                    ? QStringLiteral("/docProps/custom%1.xml")
                                    : QStringLiteral("/docProps/custom.xml");
        m_package.addPart(pattern, bytes, QString::fromLatin1(kCustomPropertiesType), QString(),
                          QString::fromLatin1(kCustomPropertiesRelationship));
        return;
    }
    m_package.setPart(part, bytes);
}

QString Presentation::embeddedWorkbookOf(const QString& chartPart) const {
    const QString relId = chartSummary(chartPart).externalDataRelId;
    if (relId.isEmpty()) return {};
    const Relationships rels = m_package.relationships(chartPart);
    const Relationship* r = rels.byId(relId);
    return r && !r->external && m_package.hasPart(r->targetPart) ? r->targetPart : QString();
}

void Presentation::setFrameProvenance(const ChartFrame& frame, const ChartProvenance& provenance) {
    if (!frame.tagsPart.isEmpty() && m_package.hasPart(frame.tagsPart)) {
        m_package.setPart(frame.tagsPart, provenanceTagsXml(provenance, m_package.part(frame.tagsPart)));
        return;
    }
    checkRoomFor(1, QStringLiteral("the chart's provenance"));
    const QByteArray tagsXml = provenanceTagsXml(provenance);
    editSlide(frame.slide, [&](SlidePart& slide, Package& package, const QString& slidePart) {
        auto rels = package.relationships(slidePart);
        const QString tags = package.freePartName(QStringLiteral("/ppt/tags/tag%1.xml"));
        const QString tagsRelId = rels.add(ooxml::rel::kTags, slidePart, tags);
        QString chartRelId;
        for (const SlideShape& shape : slide.shapes()) {
            if (shape.id == frame.shapeId) chartRelId = shape.relId;
        }
        if (!slide.relinkChartFrame(frame.shapeId, chartRelId, tagsRelId)) return;
        package.setPart(tags, tagsXml);
        package.contentTypes().setOverride(tags, ooxml::ct::kTags);
        package.setRelationships(slidePart, rels);
    });
}

QString Presentation::externalWorkbookOf(const QString& chartPart) const {
    const QString relId = chartSummary(chartPart).externalDataRelId;
    if (relId.isEmpty()) return {};
    const Relationships rels = m_package.relationships(chartPart);
    const Relationship* r = rels.byId(relId);
    return r && r->external ? r->target : QString();
}

void Presentation::updateChart(const ChartFrame& frame, const QByteArray& chartXml, const QByteArray& embeddedWorkbook,
                               const std::optional<ChartProvenance>& provenance) {
    checkIndex(frame.slide);
    const QString workbook = embeddedWorkbook.isEmpty() ? QString() : embeddedWorkbookOf(frame.chartPart);
    m_package.setPart(frame.chartPart, chartXml);
    if (!workbook.isEmpty() && !embeddedWorkbook.isEmpty()) m_package.setPart(workbook, embeddedWorkbook);
    if (provenance) setFrameProvenance(frame, *provenance);
}

void Presentation::linkChart(const ChartFrame& frame, const QString& target) {
    checkIndex(frame.slide);
    const QString relId = chartSummary(frame.chartPart).externalDataRelId;
    Relationships rels = m_package.relationships(frame.chartPart);
    const Relationship* embedded = relId.isEmpty() ? nullptr : rels.byId(relId);
    if (!embedded || embedded->external) return;
    const QString workbook = embedded->targetPart;
    pugi::xml_document doc;
    parseXml(doc, m_package.part(frame.chartPart), m_name, frame.chartPart);
    pugi::xml_node data = xml::child(doc.document_element(), xml::Ns::C, "externalData");
    pugi::xml_attribute id = xml::attribute(data, xml::Ns::R, "id");
    if (!id) return;
    rels.remove(relId);
    const QString linkId = rels.addExternal(QString::fromLatin1(ooxml::rel::kOleObject), target);
    id = linkId.toUtf8().constData();
    m_package.setPart(frame.chartPart, xmlBytes(doc));
    m_package.setRelationships(frame.chartPart, rels);
    m_package.removePart(workbook);
}

void Presentation::replaceChart(const ChartFrame& frame, const ChartPackage& chart, const ChartProvenance& provenance) {
    checkIndex(frame.slide);
    const QString slidePart = m_slides[size_t(frame.slide)];
    if (frame.chartex != chart.isChartex()) {
        throw DocumentError(DocumentError::Kind::Unsupported, m_name, frame.chartPart,
                            frame.chartex ? QStringLiteral("the chart is no longer of the newer kinds: paste it again")
                                          : QStringLiteral("the chart is now of the newer kinds: paste it again"));
    }
    PasteLook look;
    const bool hadOverride = m_package.hasPart(relationshipsPartName(frame.chartPart)) &&
                             m_package.relationships(frame.chartPart).firstOfType(ooxml::rel::kThemeOverride);
    look.formatting = hadOverride ? PasteFormatting::KeepSource : PasteFormatting::DeckTheme;
    if (!hadOverride) look.deckTheme = slideTheme(frame.slide);
    ChartParts parts = makeChartParts(m_package, chart, nullptr, true, look);
    const char* requiredPrefix = nullptr;
    const char* requiredUri = nullptr;
    const QByteArray picture = frame.chartex ? chartexFallbackPicture(chart, frame.frame, &requiredPrefix, &requiredUri) : QByteArray();
    checkRoomFor(qsizetype(parts.parts.size()) + (frame.chartex ? 1 : 0), QStringLiteral("another chart"));

    // The old chart and the parts only a chart carries (its workbook, style, colours, theme
    // override, user shapes and their pictures) go.
    std::vector<QString> old{frame.chartPart};
    for (size_t i = 0; i < old.size() && i < size_t(kMaxChartPackageParts); ++i) {
        if (!m_package.hasPart(relationshipsPartName(old[i]))) continue;
        const Relationships rels = m_package.relationships(old[i]);
        for (const Relationship& r : rels.all()) {
            if (r.external || !m_package.hasPart(r.targetPart)) continue;
            if (!chartPackageCarriesRelationship(r.type) && !xml::relationshipTypeIs(r.type.toStdString(), ooxml::rel::kPackage)) continue;
            if (std::find(old.begin(), old.end(), r.targetPart) == old.end()) old.push_back(r.targetPart);
        }
    }
    // The old fallback picture goes too, unless something else shows it.
    QString oldPictureRelId;
    for (const SlideShape& shape : slideShapes(frame.slide)) {
        if (frame.chartex && shape.id == frame.shapeId && !shape.chartexRelId.isEmpty()) oldPictureRelId = shape.relId;
    }
    const Relationships slideRels = m_package.relationships(slidePart);
    const Relationship* oldPicture = oldPictureRelId.isEmpty() ? nullptr : slideRels.byId(oldPictureRelId);
    if (oldPicture && !oldPicture->external) {
        for (const QString& part : partsLeftUnused({slidePart.toLower() + u'|' + oldPictureRelId}, {oldPicture->targetPart}))
            old.push_back(part);
    }
    addChartParts(m_package, parts);
    QString chartRelId;
    editSlide(frame.slide, [&](SlidePart& slide, Package& package, const QString&) {
        auto rels = package.relationships(slidePart);
        for (const SlideShape& shape : slide.shapes()) {
            if (shape.id != frame.shapeId) continue;
            if (!shape.relId.isEmpty()) rels.remove(shape.relId);
            if (!shape.chartexRelId.isEmpty()) rels.remove(shape.chartexRelId);
        }
        if (!frame.chartex) {
            chartRelId = rels.add(ooxml::rel::kChart, slidePart, parts.chartPart);
            package.setRelationships(slidePart, rels);
            slide.relinkChartFrame(frame.shapeId, chartRelId, QString());
            return;
        }
        chartRelId = rels.add(ooxml::rel::kChartex, slidePart, parts.chartPart);
        const QString pictureRelId = package
                                         .addPart(QStringLiteral("/ppt/media/image%1.png"), picture,
                                                  ooxml::ct::kPng, slidePart, rels, ooxml::rel::kImage)
                                         .relationshipId;
        package.setRelationships(slidePart, rels);
        slide.relinkChartexFrame(frame.shapeId, chartRelId, pictureRelId, requiredPrefix, requiredUri);
    });
    for (const QString& part : old) {
        m_package.removePart(relationshipsPartName(part));
        m_package.removePart(part);
    }
    ChartFrame placed = frame;
    placed.chartPart = parts.chartPart;
    setFrameProvenance(placed, provenance);
}

void Presentation::save(const QString& path) const {
    // Each chart that remembers its workbook also remembers where it lies from the deck, so
    // that a workbook moved together with the deck is found again.
    const QString folder = QFileInfo(path).absolutePath();
    bool provenance = false;
    for (const QString& name : m_package.partNames()) {
        if (m_package.contentTypes().of(name) != QLatin1String(ooxml::ct::kTags)) continue;
        if (auto tags = withRelativeWorkbook(m_package.part(name), folder)) m_package.setPart(name, *tags);
        provenance = provenance || m_package.part(name).contains("QM_WORKBOOK");
    }
    if (provenance) writeProvenanceRecords();
    writeMain();
    m_package.saveAtomically(path, m_limits);
}

}  // namespace engine

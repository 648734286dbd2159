#include "engine/presentation/Presentation.h"

#include "engine/presentation/BuiltInTemplate.h"
#include "engine/presentation/ChartInsertion.h"
#include "engine/presentation/Ids.h"
#include "engine/presentation/OoxmlNames.h"
#include "engine/presentation/SlideLayoutPart.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cmath>

namespace engine {

namespace {

// A chart that brings no size of its own gets the spreadsheet's default chart size.
constexpr qint64 kDefaultChartCx = 4572000;  // 480 px at 96 dpi
constexpr qint64 kDefaultChartCy = 2743200;  // 288 px
constexpr qint64 kEmuPerPixel = 9525;        // at 96 dpi
constexpr qint64 kTextLineEmu = 457200;      // half an inch per pasted line of text

bool isPresentationType(const QString& type) {
    using namespace ooxml::ct;
    return type == kPresentation || type == kPresentationMacro || type == kSlideShow ||
           type == kSlideShowMacro || type == kTemplate || type == kTemplateMacro;
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

}  // namespace

Presentation Presentation::createNew() {
    return fromPackage(builtInTemplatePackage(), QString::fromLatin1(kBuiltInTemplateName));
}

Presentation Presentation::open(const QString& path, const Limits& limits) {
    return fromPackage(Package::load(path, limits), QFileInfo(path).fileName());
}

Presentation Presentation::fromPackage(Package package, const QString& name) {
    Presentation p;
    p.m_package = std::move(package);
    p.m_name = name;
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
    m_presentation.emplace(PresentationPart::parse(m_package.part(m_presentationPart), m_name, m_presentationPart));

    const auto rels = m_package.relationships(m_presentationPart);
    for (const auto& r : rels.all()) {
        if (!r.external && !m_package.hasPart(r.targetPart)) {
            throw DocumentError(DocumentError::Kind::Missing, m_name, m_presentationPart,
                                QStringLiteral("relationship %1 points to missing part %2").arg(r.id, r.target));
        }
    }
    for (const auto& m : m_presentation->masters()) {
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
    if (m_presentation->masters().empty()) {
        throw DocumentError(m_name, m_presentationPart, QStringLiteral("presentation has no slide master"));
    }
    for (const auto& s : m_presentation->slides()) {
        const Relationship* r = rels.byId(s.relId);
        if (!r || r->type != ooxml::rel::kSlide) {
            throw DocumentError(m_name, m_presentationPart,
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
        throw DocumentError(m_name, slidePart, QStringLiteral("slide has no layout"));
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

QString Presentation::layoutForNumber(int layoutNumber) {
    const QString wanted = layoutTypeOfNumber(layoutNumber);
    if (wanted.isEmpty()) {
        throw DocumentError(m_name, QString(),
                            QStringLiteral("layout %1 is not a slide layout number").arg(layoutNumber));
    }
    const auto rels = m_package.relationships(m_presentationPart);
    for (const auto& m : m_presentation->masters()) {
        const QString master = rels.byId(m.relId)->targetPart;
        const auto masterRels = m_package.relationships(master);
        for (const QString& id : layoutRelIdsOfMaster(m_package.part(master), m_name, master)) {
            const QString layout = masterRels.byId(id)->targetPart;
            if (layoutTypeOf(m_package.part(layout), m_name, layout) == wanted) return layout;
        }
    }
    if (layoutNumber == 12) return addBlankLayout();
    throw DocumentError(m_name, QString(),
                        QStringLiteral("no slide layout of type \"%1\" (layout %2)").arg(wanted).arg(layoutNumber));
}

QString Presentation::addBlankLayout() {
    const auto rels = m_package.relationships(m_presentationPart);
    const QString master = rels.byId(m_presentation->masters().front().relId)->targetPart;
    // Master and layout ids share one range and must differ across the whole presentation.
    // They run from 2147483648 to 4294967295.
    std::vector<quint64> used;
    for (const auto& m : m_presentation->masters()) {
        used.push_back(m.id);
        const QString part = rels.byId(m.relId)->targetPart;
        for (quint32 id : layoutIdsOfMaster(m_package.part(part), m_name, part)) used.push_back(id);
    }
    const auto layoutId = nextFreeId(std::move(used), 2147483648u, 4294967295u);
    if (!layoutId) throw DocumentError(m_name, master, QStringLiteral("no layout id is left for a blank layout"));
    const QString layout = m_package.freePartName(QStringLiteral("/ppt/slideLayouts/slideLayout%1.xml"));
    m_package.setPart(layout, blankLayoutXml());
    m_package.contentTypes().setOverride(layout, ooxml::ct::kSlideLayout);
    Relationships layoutRels;
    layoutRels.add(ooxml::rel::kSlideMaster, layout, master);
    m_package.setRelationships(layout, layoutRels);
    auto masterRels = m_package.relationships(master);
    const QString relId = masterRels.add(ooxml::rel::kSlideLayout, master, layout);
    m_package.setRelationships(master, masterRels);
    m_package.setPart(master, masterWithLayout(m_package.part(master), static_cast<quint32>(*layoutId), relId, m_name, master));
    return layout;
}

void Presentation::addSlide(int index, int layoutNumber) {
    if (index < 0 || index > slideCount()) {
        throw DocumentError(m_name, QString(),
                            QStringLiteral("slide position %1 is out of bounds (0 to %2)").arg(index).arg(slideCount()));
    }
    // Edits go to copies first, so that a failure leaves the presentation untouched.
    const Package before = m_package;
    try {
        const QString layout = layoutForNumber(layoutNumber);
        const QString slide = m_package.freePartName(QStringLiteral("/ppt/slides/slide%1.xml"));
        m_package.setPart(slide, SlidePart::newSlideXml(layoutPlaceholders(m_package.part(layout), m_name, layout)));
        m_package.contentTypes().setOverride(slide, ooxml::ct::kSlide);
        Relationships slideRels;
        slideRels.add(ooxml::rel::kSlideLayout, slide, layout);
        m_package.setRelationships(slide, slideRels);

        auto presRels = m_package.relationships(m_presentationPart);
        const QString relId = presRels.add(ooxml::rel::kSlide, m_presentationPart, slide);
        m_package.setRelationships(m_presentationPart, presRels);
        auto part = PresentationPart::parse(m_package.part(m_presentationPart), m_name, m_presentationPart);
        part.insertSlide(index, part.nextSlideId(), relId);
        m_package.setPart(m_presentationPart, part.bytes());
        m_presentation.emplace(std::move(part));
        m_slides.insert(m_slides.begin() + index, slide);
    } catch (...) {
        m_package = before;
        throw;
    }
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
    if (index < 0 || index >= slideCount()) {
        throw DocumentError(m_name, QString(),
                            QStringLiteral("slide position %1 is out of bounds (0 to %2)").arg(index).arg(slideCount() - 1));
    }
    const QString slidePart = m_slides[static_cast<size_t>(index)];
    Package work = m_package;
    SlidePart slide = SlidePart::parse(work.part(slidePart), m_name, slidePart);
    edit(slide, work, slidePart);
    work.setPart(slidePart, slide.bytes());
    m_package = std::move(work);
}

Presentation::Presentation(const Presentation& other)
    : m_package(other.m_package),
      m_name(other.m_name),
      m_presentationPart(other.m_presentationPart),
      m_slides(other.m_slides) {
    // The parsed presentation part is not shared: it is read again from its bytes, which every
    // edit keeps up to date.
    if (other.m_presentation) {
        m_presentation.emplace(PresentationPart::parse(m_package.part(m_presentationPart), m_name, m_presentationPart));
    }
}

Presentation& Presentation::operator=(const Presentation& other) {
    if (this != &other) *this = Presentation(other);
    return *this;
}

Presentation::~Presentation() = default;

void Presentation::pasteChart(int index, const ChartPackage& chart, PastedChart* pasted) {
    editSlide(index, [&](SlidePart& slide, Package& work, const QString& slidePart) {
        const QString chartPart = insertChartParts(work, chart, pasted ? &pasted->model : nullptr);
        if (pasted) pasted->part = chartPart;
        auto rels = work.relationships(slidePart);
        const QString relId = rels.add(ooxml::rel::kChart, slidePart, chartPart);
        work.setRelationships(slidePart, rels);
        const QString name = chart.chartName.isEmpty()
                                 ? QStringLiteral("Chart %1").arg(slide.nextShapeId() - 1)
                                 : chart.chartName;
        slide.appendChartFrame(name, placedChart(chart.cx, chart.cy), relId);
    });
}

void Presentation::pastePicture(int index, const QImage& image) {
    if (image.isNull()) throw DocumentError(DocumentError::Kind::NothingToPaste, QString::fromLatin1(kNothingToPaste));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw DocumentError(QStringLiteral("clipboard"), QString(), QStringLiteral("picture cannot be encoded as PNG"));
    }
    editSlide(index, [&](SlidePart& slide, Package& work, const QString& slidePart) {
        const QString media = work.freePartName(QStringLiteral("/ppt/media/image%1.png"));
        work.setPart(media, png);
        if (!work.contentTypes().hasDefault("png")) work.contentTypes().setDefault("png", ooxml::ct::kPng);
        else if (work.contentTypes().of(media) != ooxml::ct::kPng) work.contentTypes().setOverride(media, ooxml::ct::kPng);
        auto rels = work.relationships(slidePart);
        const QString relId = rels.add(ooxml::rel::kImage, slidePart, media);
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

void Presentation::paste(int index, const QMimeData& data) {
    if (data.hasFormat(QString::fromLatin1(kChartPackageMime))) {
        pasteChart(index, chartPackageFromBytes(data.data(QString::fromLatin1(kChartPackageMime))));
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

void Presentation::save(const QString& path) const {
    m_package.saveAtomically(path);
}

}  // namespace engine

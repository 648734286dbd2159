#include "servers/presentation/PresentationDocument.h"

#include "office/PowerPoint.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Settings.h"
#include "platform/WorkAside.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartcopy/ChartLook.h"
#include "engine/slide/SlideModel.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPromise>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QThreadPool>
#include <algorithm>
#include <optional>
#include <utility>

namespace servers {

namespace {

const char* const kFilterPptx = "PowerPoint Presentation (*.pptx)|*.pptx|";
const char* const kFilterPptm = "PowerPoint Macro-Enabled Presentation (*.pptm)|*.pptm|";

}  // namespace

// One step of a document's undo stack: the presentation and its selected slide before and
// after. Pushed once its edit is done, so its first redo does nothing. The automation's step
// is open while its edits go on: its state after is taken when it is closed or undone.
class DeckStep : public QUndoCommand {
public:
    DeckStep(PresentationDocument* document, const QString& text, engine::Presentation before, int selectedBefore,
             bool contentChanged)
        : QUndoCommand(text),
          m_document(document),
          m_before(std::move(before)),
          m_selectedBefore(selectedBefore),
          m_contentChanged(contentChanged) {
        if (m_document->m_automationStep == nullptr && text.isEmpty()) {
            setText(QStringLiteral("Paste Charts"));
            m_document->m_automationStep = this;
        } else {
            close();
        }
    }
    ~DeckStep() override {
        if (m_document->m_automationStep == this) m_document->m_automationStep = nullptr;
        if (m_document->m_nudgeStep == this) m_document->m_nudgeStep = nullptr;
    }

    // Makes this step a nudge of the chart shapeId on slidePart, which later nudges of the same
    // chart join while it is the document's open nudge.
    void markNudge(const QString& slidePart, int shapeId) {
        m_nudgedSlide = slidePart;
        m_nudgedShape = shapeId;
    }
    int id() const override { return m_nudgedShape != 0 ? kNudgeStepId : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const DeckStep*>(other);
        if (m_document->m_nudgeStep != this || next->m_nudgedShape != m_nudgedShape ||
            next->m_nudgedSlide != m_nudgedSlide) {
            return false;
        }
        m_after = next->m_after;
        m_selectedAfter = next->m_selectedAfter;
        return true;
    }

    void close() {
        m_after = m_document->m_presentation;
        m_selectedAfter = m_document->m_selected;
        if (m_document->m_automationStep == this) m_document->m_automationStep = nullptr;
    }

    void undo() override {
        m_document->m_nudgeStep = nullptr;
        if (!m_after) close();
        m_document->restore(m_before, m_selectedBefore, m_contentChanged);
    }
    void redo() override {
        if (m_pushed) m_document->m_nudgeStep = nullptr;
        if (m_pushed) m_document->restore(*m_after, m_selectedAfter, m_contentChanged);
        m_pushed = true;
    }

private:
    static constexpr int kNudgeStepId = 1;

    PresentationDocument* m_document;
    QString m_nudgedSlide;
    int m_nudgedShape = 0;
    engine::Presentation m_before;
    std::optional<engine::Presentation> m_after;
    int m_selectedBefore = -1;
    int m_selectedAfter = -1;
    bool m_contentChanged = true;
    bool m_pushed = false;
};

PresentationDocument::PresentationDocument(engine::Presentation presentation, QString name,
                                           QString path, QString proposedPath, bool readOnly)
    : m_presentation(std::move(presentation)),
      m_name(std::move(name)),
      m_path(std::move(path)),
      m_proposedPath(std::move(proposedPath)),
      m_readOnly(readOnly),
      m_selected(m_presentation.slideCount() > 0 ? 0 : -1) {
    connect(&m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) { setModified(!clean); });
    // A step pushed, undone or redone: states may have gone (a redo branch given up, merged
    // nudges), and with them the charts only they held.
    connect(&m_undo, &QUndoStack::indexChanged, this, [this] { m_drawnCharts.prune(); });
}

PresentationDocument::~PresentationDocument() {
    // The steps refer to this document as they go, and nobody need hear of it.
    m_undo.blockSignals(true);
    m_undo.clear();
}

void PresentationDocument::automationEdit(const std::function<void()>& edit) {
    m_nudgeStep = nullptr;
    std::optional<engine::Presentation> before;
    const int selectedBefore = m_selected;
    if (!m_automationStep) before = m_presentation;
    edit();
    ++m_changes;
    if (before) m_undo.push(new DeckStep(this, QString(), std::move(*before), selectedBefore, true));
}

void PresentationDocument::endAutomationStep() {
    if (m_automationStep) m_automationStep->close();
}

void PresentationDocument::pushEdit(const QString& text, engine::Presentation before, int selectedBefore,
                                    bool contentChanged) {
    m_nudgeStep = nullptr;
    ++m_changes;
    m_undo.push(new DeckStep(this, text, std::move(before), selectedBefore, contentChanged));
}

void PresentationDocument::restore(const engine::Presentation& state, int selected, bool contentChanged) {
    m_presentation = state;
    ++m_changes;
    // The charts drawn are kept: each is given again only where its parts are as they were.
    if (contentChanged) m_drawn.clear();
    m_selected = m_presentation.slideCount() == 0 ? -1 : std::clamp(selected, 0, m_presentation.slideCount() - 1);
    emit slidesReset(contentChanged);
    emit selectionChanged(m_selected);
}

void PresentationDocument::deleteSlides(const std::vector<int>& indices) {
    if (indices.empty()) return;
    endAutomationStep();
    engine::Presentation before = m_presentation;
    const int selectedBefore = m_selected;
    m_presentation.deleteSlides(indices);
    // Parts of the slides gone may be named again by later edits: no slide drawn is kept (the
    // charts drawn are, by their parts' bytes).
    m_drawn.clear();
    const int first = *std::min_element(indices.begin(), indices.end());
    m_selected = slideCount() == 0 ? -1 : std::min(first, slideCount() - 1);
    pushEdit(indices.size() == 1 ? QStringLiteral("Delete Slide") : QStringLiteral("Delete Slides"), std::move(before),
             selectedBefore, true);
    emit slidesReset(true);
    emit selectionChanged(m_selected);
}

std::vector<int> PresentationDocument::duplicateSlides(const std::vector<int>& indices) {
    if (indices.empty()) return {};
    endAutomationStep();
    std::vector<int> sorted = indices;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    engine::Presentation work = m_presentation;
    std::vector<int> copies;
    // From the last, so that the positions still to copy stay where they were.
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) work.duplicateSlide(*it);
    for (size_t i = 0; i < sorted.size(); ++i) copies.push_back(sorted[i] + static_cast<int>(i) + 1);
    engine::Presentation before = std::exchange(m_presentation, std::move(work));
    const int selectedBefore = m_selected;
    m_selected = copies.front();
    pushEdit(sorted.size() == 1 ? QStringLiteral("Duplicate Slide") : QStringLiteral("Duplicate Slides"),
             std::move(before), selectedBefore, true);
    emit slidesReset(false);
    emit selectionChanged(m_selected);
    return copies;
}

void PresentationDocument::setChartFrame(int index, int shapeId, const engine::EmuRect& frame, const QString& text) {
    endAutomationStep();
    engine::Presentation before = m_presentation;
    m_presentation.setChartFrame(index, shapeId, frame);
    m_drawn.remove(m_presentation.slidePartName(index));
    pushEdit(text, std::move(before), m_selected, true);
    emit chartFramesChanged(index);
}

void PresentationDocument::nudgeChart(int index, int shapeId, const engine::EmuRect& frame) {
    endAutomationStep();
    engine::Presentation before = m_presentation;
    m_presentation.setChartFrame(index, shapeId, frame);
    const QString slidePart = m_presentation.slidePartName(index);
    m_drawn.remove(slidePart);
    auto* step = new DeckStep(this, QStringLiteral("Move Chart"), std::move(before), m_selected, true);
    step->markNudge(slidePart, shapeId);
    // Joined to the open nudge of this chart when there is one (the stack then deletes step);
    // either way the step on top is the one later nudges join.
    m_undo.push(step);
    m_nudgeStep = static_cast<DeckStep*>(const_cast<QUndoCommand*>(m_undo.command(m_undo.index() - 1)));
    emit chartFramesChanged(index);
}

void PresentationDocument::deleteChart(int index, int shapeId) {
    endAutomationStep();
    engine::Presentation before = m_presentation;
    m_presentation.deleteChart(index, shapeId);
    m_drawn.remove(m_presentation.slidePartName(index));
    pushEdit(QStringLiteral("Delete Chart"), std::move(before), m_selected, true);
    emit chartFramesChanged(index);
}

bool PresentationDocument::fitChartsToSlide(int index, int shapeId) {
    endAutomationStep();
    engine::Presentation work = m_presentation;
    std::vector<int> changed;
    const int first = index < 0 ? 0 : index;
    const int last = index < 0 ? slideCount() - 1 : index;
    for (int i = first; i <= last; ++i) {
        bool any = false;
        for (const auto& shape : work.slideShapes(i)) {
            if (shape.kind != engine::SlideShape::Kind::Chart || !shape.hasFrame) continue;
            if (shapeId != 0 && shape.id != shapeId) continue;
            work.setChartFrame(i, shape.id, work.fittedToSlide(shape.frame));
            any = true;
        }
        if (any) changed.push_back(i);
    }
    if (changed.empty()) return false;
    engine::Presentation before = std::exchange(m_presentation, std::move(work));
    for (int i : changed) m_drawn.remove(m_presentation.slidePartName(i));
    pushEdit(QStringLiteral("Fit to Slide"), std::move(before), m_selected, true);
    for (int i : changed) emit chartFramesChanged(i);
    return true;
}

bool PresentationDocument::chartsToOriginalSize(int index, int shapeId) {
    endAutomationStep();
    engine::Presentation work = m_presentation;
    std::vector<int> changed;
    for (const engine::Presentation::ChartFrame& frame : work.chartFrames()) {
        if (index >= 0 && frame.slide != index) continue;
        if (shapeId != 0 && frame.shapeId != shapeId) continue;
        const engine::EmuRect sized = work.atOriginalSize(frame);
        if (sized == frame.frame) continue;
        work.setChartFrame(frame.slide, frame.shapeId, sized);
        if (changed.empty() || changed.back() != frame.slide) changed.push_back(frame.slide);
    }
    if (changed.empty()) return false;
    engine::Presentation before = std::exchange(m_presentation, std::move(work));
    for (int i : changed) m_drawn.remove(m_presentation.slidePartName(i));
    pushEdit(QStringLiteral("Original Size"), std::move(before), m_selected, true);
    for (int i : changed) emit chartFramesChanged(i);
    return true;
}

void PresentationDocument::moveSlides(const std::vector<int>& indices, int to) {
    if (indices.empty()) return;
    endAutomationStep();
    engine::Presentation before = m_presentation;
    const int selectedBefore = m_selected;
    m_presentation.moveSlides(indices, to);
    bool moved = false;
    for (int i = 0; i < slideCount() && !moved; ++i) moved = before.slidePartName(i) != m_presentation.slidePartName(i);
    if (!moved) return;
    m_selected = to;
    pushEdit(indices.size() == 1 ? QStringLiteral("Move Slide") : QStringLiteral("Move Slides"), std::move(before),
             selectedBefore, false);
    emit slidesReset(false);
    emit selectionChanged(m_selected);
}

void PresentationDocument::selectSlide(int index) {
    if (index < 0 || index >= slideCount() || index == m_selected) return;
    m_nudgeStep = nullptr;
    m_selected = index;
    emit selectionChanged(index);
}

void PresentationDocument::addSlide(int index, int layoutNumber) {
    automationEdit([&] { m_presentation.addSlide(index, layoutNumber); });
    // The selection stays on the slide it was on, which may have moved down.
    if (m_selected >= index) ++m_selected;
    if (m_selected < 0) m_selected = 0;
    emit slideInserted(index);
    emit selectionChanged(m_selected);
}

engine::PasteFormatting PresentationDocument::pasteFormattingSetting() {
    bool keep = false;
    try {
        keep = platform::Settings::readBoolean(platform::Settings::Key::KeepSourceFormatting);
    } catch (const platform::Failure&) {
        // Not a truth value: the plain paste's own choice.
    }
    return keep ? engine::PasteFormatting::KeepSource : engine::PasteFormatting::DeckTheme;
}

void PresentationDocument::setPasteFormattingSetting(engine::PasteFormatting formatting) {
    platform::Settings::writeBoolean(platform::Settings::Key::KeepSourceFormatting,
                                     formatting == engine::PasteFormatting::KeepSource);
}

void PresentationDocument::paste(const QMimeData& data) {
    paste(data, pasteFormattingSetting());
}

void PresentationDocument::paste(const QMimeData& data, engine::PasteFormatting formatting) {
    const QString chartFormat = QString::fromLatin1(engine::kChartPackageMime);
    if (!data.hasFormat(chartFormat)) {
        automationEdit([&] { m_presentation.paste(m_selected, data, formatting); });
        pasted();
        return;
    }
    // The chart is made on a thread of its own, from a copy that is only read there, while
    // the window goes on drawing the presentation; the parts made are placed here after, so
    // that no deck of many slides is copied whole per chart (the copy shares everything and is
    // gone before the presentation changes).
    // This process's own copy hands over its package as it is; another program's is read from
    // its bytes, aside with the rest.
    const std::shared_ptr<const engine::ChartPackage> own = engine::ownChartPackage(data);
    const QByteArray package = own ? QByteArray() : data.data(chartFormat);
    const int index = m_selected;
    engine::Presentation::PastedChart chartPasted;
    std::optional<engine::Presentation::MadeChart> made;
    bool large = false;
    QString linkedWorkbook;  // "" when the chart embeds its workbook
    {
        const engine::Presentation source = m_presentation;
        m_pasting = true;
        const auto done = qScopeGuard([this] { m_pasting = false; });
        platform::runWhileServicingEvents([&] {
            constexpr qsizetype kLargeChartBytes = 256 * 1024;
            const std::shared_ptr<const engine::ChartPackage> read =
                own ? own : std::make_shared<const engine::ChartPackage>(engine::chartPackageFromBytes(package));
            const engine::ChartPackage& chart = *read;
            made = source.makeChart(index, chart, &chartPasted, formatting);
            large = chart.chartPart().data.size() >= kLargeChartBytes;
            if (!made->tagsPart.isEmpty()) linkedWorkbook = chart.sourceFile;
        });
    }
    if (!linkPastedCharts()) linkedWorkbook.clear();
    automationEdit([&] {
        m_presentation.placeChart(*made);
        if (linkedWorkbook.isEmpty()) return;
        engine::Presentation::ChartFrame frame;
        frame.slide = index;
        frame.chartPart = made->parts.chartPart;
        const QString folder = m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
        m_presentation.linkChart(frame, engine::workbookLinkTarget(linkedWorkbook, folder));
    });
    if (!large) {
        pasted();
        return;
    }
    // The slide and a new chart of many points are drawn on a thread too: such a chart takes
    // long to read and lay out, which the window's thread must not wait for when it shows the
    // slide. They are drawn from a copy, which costs little and is only read. A small one is
    // drawn when it is first shown, as any other.
    const engine::Presentation work = m_presentation;
    ChartDrawings known = m_drawnCharts;  // looked up aside: a copy
    std::shared_ptr<const DrawnSlide> slide;
    struct Drawn {
        QString chartPart;
        QSizeF size;
        DrawnChart chart;
    };
    std::vector<Drawn> charts;
    platform::runWhileServicingEvents([&] {
        slide = drawSlide(work, index);
        for (const engine::slide::ScenePrimitive& item : slide->scene.items) {
            if (item.kind != engine::slide::ScenePrimitive::Kind::Chart) continue;
            const QSizeF size = item.rect.size();
            if (known.find(work.package(), work.name(), item.chartPart, slide->themePart, slide->colorMap, size))
                continue;
            const bool twice = std::any_of(charts.begin(), charts.end(), [&](const Drawn& d) {
                return d.chartPart.compare(item.chartPart, Qt::CaseInsensitive) == 0 && d.size == size;
            });
            if (twice) continue;
            const bool isNew = item.chartPart.compare(chartPasted.part, Qt::CaseInsensitive) == 0;
            charts.push_back({item.chartPart, size,
                              drawChart(work, item.chartPart, *slide, size, isNew ? &chartPasted.model : nullptr)});
        }
    });
    for (Drawn& d : charts) {
        ++m_chartsDrawn;
        m_drawnCharts.insert(work.package(), work.name(), d.chartPart, slide->themePart, slide->colorMap, d.size,
                             std::move(d.chart));
    }
    pasted(slide);
}

bool PresentationDocument::linkPastedCharts() {
    return platform::Settings::read(platform::Settings::Key::LinkPastedCharts) == QLatin1String("1");
}

void PresentationDocument::setLinkPastedCharts(bool link) {
    platform::Settings::write(platform::Settings::Key::LinkPastedCharts, link ? QStringLiteral("1") : QStringLiteral("0"));
}

std::vector<refresh::ChartResult> PresentationDocument::refreshCharts(const refresh::RefreshOptions& options) {
    endAutomationStep();
    m_refreshing = true;
    const auto done = qScopeGuard([this] { m_refreshing = false; });
    // The workbooks found nowhere are asked for here, before the work goes aside: only the
    // window's thread may show a dialog.
    refresh::RefreshOptions aside = options;
    aside.locate = nullptr;
    if (options.locate) {
        QStringList missing;
        const engine::Presentation source = m_presentation;
        platform::runWhileServicingEvents([&] { missing = refresh::missingWorkbooks(source, m_path, aside); });
        for (const QString& workbook : missing) {
            const QString chosen = options.locate(workbook);
            if (!chosen.isEmpty()) aside.workbookMap.emplace_back(workbook, chosen);
        }
    }
    // Worked on a copy (it costs little) that takes the presentation's place when done, so that
    // a failure half-way leaves the presentation as it was. The automation may paste meanwhile
    // (the window's own edits wait): the refresh is then done again over what it made.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const quint64 changes = m_changes;
        engine::Presentation work = m_presentation;
        std::vector<refresh::ChartResult> results;
        platform::runWhileServicingEvents([&] {
            refresh::WorkbookShelf shelf;
            results = refresh::refreshPresentation(work, m_path, aside, shelf);
        });
        if (changes != m_changes) continue;
        QSet<int> changed;
        for (const refresh::ChartResult& result : results) {
            if (result.deckChanged) changed.insert(result.slide - 1);
        }
        if (changed.isEmpty()) return results;
        engine::Presentation before = std::exchange(m_presentation, std::move(work));
        for (int index : changed) m_drawn.remove(m_presentation.slidePartName(index));
        pushEdit(QStringLiteral("Update Charts"), std::move(before), m_selected, true);
        for (int index : changed) emit slideChanged(index);
        return results;
    }
    throw engine::DocumentError(engine::DocumentError::Kind::OverLimit, m_name, QString(),
                                QStringLiteral("the presentation kept changing while its charts were updated; nothing was changed"));
}

void PresentationDocument::pasted(std::shared_ptr<const DrawnSlide> drawn) {
    const QString part = m_presentation.slidePartName(m_selected);
    if (drawn) m_drawn.insert(part, std::move(drawn));
    else m_drawn.remove(part);
    emit slideChanged(m_selected);
}

std::shared_ptr<const DrawnSlide> PresentationDocument::drawnSlide(int index) const {
    const QString part = m_presentation.slidePartName(index);
    if (part.isEmpty()) return nullptr;
    // Kept unless it shows the number of the place the slide had when it was drawn.
    if (auto it = m_drawn.constFind(part); it != m_drawn.constEnd() && ((*it)->numberedAt < 0 || (*it)->numberedAt == index))
        return *it;
    engine::slide::SlideReadOptions quick;
    quick.onlyQuickPictures = true;
    auto drawn = drawSlide(m_presentation, index, quick);
    m_drawn.insert(part, drawn);
    if (drawn->picturesToCome > 0) decodePicturesAside(index, drawn);
    return drawn;
}

void PresentationDocument::decodePicturesAside(int index, const std::shared_ptr<const DrawnSlide>& pending) const {
    using Result = std::shared_ptr<const DrawnSlide>;
    // The kept drawings are a cache of what the presentation shows, filled in from const
    // readers; filling in a late picture is part of that.
    auto* self = const_cast<PresentationDocument*>(this);
    const QString part = m_presentation.slidePartName(index);
    auto* watcher = new QFutureWatcher<Result>(self);
    connect(watcher, &QFutureWatcherBase::finished, self, [self, watcher, part, pending] {
        watcher->deleteLater();
        if (watcher->future().resultCount() > 0) self->picturesDecoded(part, pending, watcher->result());
    });
    // The pool's thread reads its own copy, which shares the parts and is only read there.
    auto promise = std::make_shared<QPromise<Result>>();
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, work = m_presentation, index] {
        promise->start();
        promise->addResult(drawSlide(work, index));
        promise->finish();
    });
}

void PresentationDocument::picturesDecoded(const QString& slidePart, const std::shared_ptr<const DrawnSlide>& pending,
                                           std::shared_ptr<const DrawnSlide> complete) {
    // A slide changed while its pictures were decoded has been drawn anew since (or will be
    // when next shown); this drawing is of what it was.
    auto it = m_drawn.find(slidePart);
    if (it == m_drawn.end() || *it != pending) return;
    *it = std::move(complete);
    for (int i = 0; i < slideCount(); ++i) {
        if (m_presentation.slidePartName(i) == slidePart) {
            emit slideRedrawn(i);
            return;
        }
    }
}

DrawnChart PresentationDocument::drawnChart(const QString& chartPart, const DrawnSlide& slide,
                                            QSizeF sizeInPoints) const {
    const engine::Package& package = m_presentation.package();
    if (auto kept = m_drawnCharts.find(package, m_presentation.name(), chartPart, slide.themePart, slide.colorMap,
                                       sizeInPoints)) {
        return *kept;
    }
    DrawnChart drawn = drawChart(m_presentation, chartPart, slide, sizeInPoints);
    ++m_chartsDrawn;
    m_drawnCharts.insert(package, m_presentation.name(), chartPart, slide.themePart, slide.colorMap, sizeInPoints,
                         drawn);
    return drawn;
}

std::shared_ptr<const DrawnSlide> PresentationDocument::drawSlide(const engine::Presentation& presentation, int index,
                                                                  const engine::slide::SlideReadOptions& options) {
    auto drawn = std::make_shared<DrawnSlide>();
    try {
        const engine::slide::SlideModel model = engine::slide::readSlideModel(presentation, index, options);
        drawn->picturesToCome = model.undecodedPictures;
        drawn->scene = engine::slide::buildSlideScene(model);
        drawn->theme = model.theme;
        drawn->colorMap = model.colorMap;
        drawn->themePart = model.themePart;
        if (model.showsNumber) drawn->numberedAt = index;
    } catch (const engine::DocumentError& e) {
        drawn->failure = e.message();
        drawn->scene.size = QSizeF(presentation.slideWidth() / 12700.0, presentation.slideHeight() / 12700.0);
    }
    return drawn;
}

DrawnChart PresentationDocument::drawChart(const engine::Presentation& presentation, const QString& chartPart,
                                           const DrawnSlide& slide, QSizeF sizeInPoints,
                                           const engine::chart::ChartSpace* model) {
    DrawnChart drawn;
    try {
        const engine::Package& package = presentation.package();
        if (chartPart.isEmpty() || !package.hasPart(chartPart)) {
            throw engine::DocumentError(engine::DocumentError::Kind::Missing, presentation.name(),
                                        chartPart, QStringLiteral("the chart's part is missing"));
        }
        std::optional<engine::chart::ChartSpace> read;
        if (!model) read = presentation.chartModel(chartPart);
        const engine::chart::ChartSpace& chart = model ? *model : *read;
        const QByteArray hostTheme = slide.themePart.isEmpty() ? QByteArray() : package.part(slide.themePart);
        const auto context = engine::chart::slideChartLook(package, presentation.name(), chartPart, chart, hostTheme,
                                                           slide.colorMap);
        drawn.scene = std::make_shared<engine::chart::ChartScene>(
            engine::chart::buildChartScene(chart, context, sizeInPoints));
    } catch (const engine::DocumentError& e) {
        drawn.failure = e.message();
    }
    return drawn;
}

bool PresentationDocument::save(platform::Dialogs& dialogs) {
    endAutomationStep();
    if (m_path.isEmpty() || m_readOnly) return saveAs(dialogs);
    return saveTo(m_path, dialogs);
}

bool PresentationDocument::saveAs(platform::Dialogs& dialogs) {
    endAutomationStep();
    const bool macro = m_presentation.isMacroEnabled();
    const QString suffix = macro ? QStringLiteral(".pptm") : QStringLiteral(".pptx");
    QString proposed = !m_path.isEmpty() ? m_path : m_proposedPath;
    if (proposed.isEmpty()) {
        proposed = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                       .filePath(m_name + suffix);
    }
    QString chosen = dialogs.saveFileName(QStringLiteral("Save As"),
                                          QString::fromLatin1(macro ? kFilterPptm : kFilterPptx), proposed);
    if (chosen.isEmpty()) return false;
    // The file's extension must say what the package is, or office suites refuse it.
    const QString given = QFileInfo(chosen).suffix().toLower();
    if (given == "pptx" || given == "pptm") chosen.chop(5);
    chosen += suffix;
    return saveTo(chosen, dialogs);
}

void PresentationDocument::saveAs(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QString wanted = m_presentation.isMacroEnabled() ? QStringLiteral("pptm") : QStringLiteral("pptx");
    if (suffix != wanted) {
        // Office suites refuse a package whose extension says another kind than it holds.
        throw engine::DocumentError(engine::DocumentError::Kind::Unsupported, QFileInfo(path).fileName(), QString(),
                                    QStringLiteral("a presentation %1 must be saved as .%2")
                                        .arg(wanted == QLatin1String("pptm") ? QStringLiteral("with macros")
                                                                             : QStringLiteral("without macros"),
                                             wanted));
    }
    endAutomationStep();
    writeAside(path);
    rename(path);
}

void PresentationDocument::writeAside(const QString& path) {
    // Written from a copy, on a thread of its own: the window keeps drawing (and reading) the
    // presentation meanwhile. Parts are shared between the two, so the copy costs little.
    const engine::Presentation snapshot = m_presentation;
    platform::runWhileServicingEvents([&] { snapshot.save(path); });
}

bool PresentationDocument::saveTo(const QString& path, platform::Dialogs& dialogs) {
    // The busy pointer shows while the file is written, not while a dialog asks for its name.
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        writeAside(path);
        if (gui) QGuiApplication::restoreOverrideCursor();
    } catch (const engine::DocumentError& e) {
        if (gui) QGuiApplication::restoreOverrideCursor();
        dialogs.messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                           QString::fromLatin1(office::kPowerPointName));
        return false;
    }
    rename(path);
    return true;
}

void PresentationDocument::rename(const QString& path) {
    m_path = QFileInfo(path).absoluteFilePath();
    m_readOnly = false;
    const QString name = QFileInfo(path).fileName();
    if (name != m_name) {
        m_name = name;
        emit nameChanged(m_name);
    }
    m_nudgeStep = nullptr;
    m_undo.setClean();
    setModified(false);
}

void PresentationDocument::setModified(bool modified) {
    if (modified == m_modified) return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

}  // namespace servers

#include "servers/presentation/PresentationDocument.h"

#include "office/PowerPoint.h"
#include "platform/Dialogs.h"
#include "platform/WorkAside.h"
#include "engine/chart/ChartRenderer.h"
#include "engine/package/Namespaces.h"
#include "engine/slide/SlideModel.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPromise>
#include <QStandardPaths>
#include <QThreadPool>
#include <optional>

namespace servers {

namespace {

const char* const kFilterPptx = "PowerPoint Presentation (*.pptx)|*.pptx|";
const char* const kFilterPptm = "PowerPoint Macro-Enabled Presentation (*.pptm)|*.pptm|";

}  // namespace

PresentationDocument::PresentationDocument(engine::Presentation presentation, QString name,
                                           QString path, QString proposedPath, bool readOnly)
    : m_presentation(std::move(presentation)),
      m_name(std::move(name)),
      m_path(std::move(path)),
      m_proposedPath(std::move(proposedPath)),
      m_readOnly(readOnly),
      m_selected(m_presentation.slideCount() > 0 ? 0 : -1) {}

void PresentationDocument::selectSlide(int index) {
    if (index < 0 || index >= slideCount() || index == m_selected) return;
    m_selected = index;
    emit selectionChanged(index);
}

void PresentationDocument::addSlide(int index, int layoutNumber) {
    m_presentation.addSlide(index, layoutNumber);
    // The selection stays on the slide it was on, which may have moved down.
    if (m_selected >= index) ++m_selected;
    if (m_selected < 0) m_selected = 0;
    setModified(true);
    emit slideInserted(index);
    emit selectionChanged(m_selected);
}

void PresentationDocument::paste(const QMimeData& data) {
    const QString chartFormat = QString::fromLatin1(engine::kChartPackageMime);
    if (!data.hasFormat(chartFormat)) {
        m_presentation.paste(m_selected, data);
        pasted();
        return;
    }
    // The chart is made on a thread of its own, from a copy that is only read there, while
    // the window goes on drawing the presentation; the parts made are placed here after, so
    // that no deck of many slides is copied whole per chart (the copy shares everything and is
    // gone before the presentation changes).
    const QByteArray package = data.data(chartFormat);
    const int index = m_selected;
    engine::Presentation::PastedChart chartPasted;
    std::optional<engine::Presentation::MadeChart> made;
    bool large = false;
    {
        const engine::Presentation source = m_presentation;
        platform::runWhileServicingEvents([&] {
            constexpr qsizetype kLargeChartBytes = 256 * 1024;
            const engine::ChartPackage chart = engine::chartPackageFromBytes(package);
            made = source.makeChart(index, chart, &chartPasted);
            large = chart.chartPart().data.size() >= kLargeChartBytes;
        });
    }
    m_presentation.placeChart(*made);
    if (!large) {
        pasted();
        return;
    }
    // The slide and a new chart of many points are drawn on a thread too: such a chart takes
    // long to read and lay out, which the window's thread must not wait for when it shows the
    // slide. They are drawn from a copy, which costs little and is only read. A small one is
    // drawn when it is first shown, as any other.
    const engine::Presentation work = m_presentation;
    const QHash<QString, DrawnChart> known = m_drawnCharts;
    std::shared_ptr<const DrawnSlide> slide;
    QHash<QString, DrawnChart> charts;
    platform::runWhileServicingEvents([&] {
        slide = drawSlide(work, index);
        for (const engine::slide::ScenePrimitive& item : slide->scene.items) {
            if (item.kind != engine::slide::ScenePrimitive::Kind::Chart) continue;
            const QString key = chartKey(item.chartPart, *slide, item.rect.size());
            if (known.contains(key) || charts.contains(key)) continue;
            const bool isNew = item.chartPart.compare(chartPasted.part, Qt::CaseInsensitive) == 0;
            charts.insert(key, drawChart(work, item.chartPart, *slide, item.rect.size(), isNew ? &chartPasted.model : nullptr));
        }
    });
    m_drawnCharts.insert(charts);
    pasted(slide);
}

void PresentationDocument::pasted(std::shared_ptr<const DrawnSlide> drawn) {
    const QString part = m_presentation.slidePartName(m_selected);
    if (drawn) m_drawn.insert(part, std::move(drawn));
    else m_drawn.remove(part);
    setModified(true);
    emit slideChanged(m_selected);
}

std::shared_ptr<const DrawnSlide> PresentationDocument::drawnSlide(int index) const {
    const QString part = m_presentation.slidePartName(index);
    if (part.isEmpty()) return nullptr;
    if (auto it = m_drawn.constFind(part); it != m_drawn.constEnd()) return *it;
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
    const QString key = chartKey(chartPart, slide, sizeInPoints);
    if (auto it = m_drawnCharts.constFind(key); it != m_drawnCharts.constEnd()) return *it;
    DrawnChart drawn = drawChart(m_presentation, chartPart, slide, sizeInPoints);
    m_drawnCharts.insert(key, drawn);
    return drawn;
}

QString PresentationDocument::chartKey(const QString& chartPart, const DrawnSlide& slide, QSizeF sizeInPoints) {
    return QStringLiteral("%1|%2|%3x%4")
        .arg(chartPart, slide.themePart)
        .arg(qRound(sizeInPoints.width() * 100))
        .arg(qRound(sizeInPoints.height() * 100));
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
            throw engine::DocumentError(presentation.name(), chartPart, QStringLiteral("the chart's part is missing"));
        }
        std::optional<engine::chart::ChartSpace> read;
        if (!model) read = presentation.chartModel(chartPart);
        const engine::chart::ChartSpace& chart = model ? *model : *read;
        QByteArray themeOverride;
        const engine::Relationships rels = package.relationships(chartPart);
        if (const engine::Relationship* r = rels.firstOfType(QString::fromLatin1(engine::xml::rel::kThemeOverride))) {
            if (!r->external && package.hasPart(r->targetPart)) themeOverride = package.part(r->targetPart);
        }
        const QByteArray hostTheme = slide.themePart.isEmpty() ? QByteArray() : package.part(slide.themePart);
        const QString app = QStringLiteral("/docProps/app.xml");
        const auto producer = package.hasPart(app) ? engine::chart::producerFromAppXml(package.part(app))
                                                   : engine::chart::Producer::unknown();
        const auto context = engine::chart::makeRenderContext(chart, hostTheme, themeOverride,
                                                              engine::chart::ChartHost::Slide, producer,
                                                              slide.colorMap, presentation.name());
        drawn.scene = std::make_shared<engine::chart::ChartScene>(
            engine::chart::buildChartScene(chart, context, sizeInPoints));
    } catch (const engine::DocumentError& e) {
        drawn.failure = e.message();
    }
    return drawn;
}

bool PresentationDocument::save(platform::Dialogs& dialogs) {
    if (m_path.isEmpty() || m_readOnly) return saveAs(dialogs);
    return saveTo(m_path, dialogs);
}

bool PresentationDocument::saveAs(platform::Dialogs& dialogs) {
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
    setModified(false);
}

void PresentationDocument::setModified(bool modified) {
    if (modified == m_modified) return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

}  // namespace servers

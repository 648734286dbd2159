#include "servers/presentation/PresentationServer.h"

#include "engine/legacy/LegacyConverter.h"
#include "office/ServerRegistry.h"
#include "platform/Clipboard.h"
#include "servers/presentation/PresentationApplication.h"
#include "servers/presentation/PresentationWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <optional>

namespace servers {

namespace {

using office::AutomationError;

std::weak_ptr<PresentationApplication> g_instance;

QString progId() {
    return QString::fromLatin1(office::kPowerPointProgId);
}

[[noreturn]] void refuse(const QString& description) {
    throw AutomationError(description);
}

bool triState(const char* member, const char* argument, int value) {
    if (value != office::msoTrue && value != office::msoFalse) {
        refuse(QStringLiteral("%1: %2 must be msoTrue (-1) or msoFalse (0), not %3")
                   .arg(QLatin1String(member), QLatin1String(argument))
                   .arg(value));
    }
    return value == office::msoTrue;
}

// Formats PowerPoint does not read itself; they are opened through the LibreOffice converter.
bool isLegacyPresentation(const QString& path) {
    static const QStringList suffixes{"ppt", "pps", "pot", "odp", "otp", "fodp"};
    if (suffixes.contains(QFileInfo(path).suffix().toLower())) return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // The compound-file signature of the binary Office formats.
    return file.read(8) == QByteArray::fromHex("D0CF11E0A1B11AE1");
}

// Everything handed out by the application checks first that the application still runs and
// the presentation is still open.
class Member {
public:
    Member(std::shared_ptr<PresentationApplication> app, std::shared_ptr<PresentationDocument> doc)
        : m_app(std::move(app)), m_doc(std::move(doc)) {}

protected:
    void check(const char* member) const {
        if (!m_app->isRunning()) refuse(QStringLiteral("%1: PowerPoint has been closed").arg(QLatin1String(member)));
        if (m_doc && m_doc->isClosed())
            refuse(QStringLiteral("%1: the presentation has been closed").arg(QLatin1String(member)));
    }
    std::shared_ptr<PresentationApplication> m_app;
    std::shared_ptr<PresentationDocument> m_doc;
};

class Slide : public office::PptSlide, Member {
public:
    Slide(std::shared_ptr<PresentationApplication> app, std::shared_ptr<PresentationDocument> doc, QString part)
        : Member(std::move(app), std::move(doc)), m_part(std::move(part)) {}

    void Select() override {
        check("Slide.Select");
        const int index = position("Slide.Select");
        if (!m_doc->window()) refuse(QStringLiteral("Slide.Select: the presentation has no window"));
        m_doc->selectSlide(index);
        m_app->windowActivated(m_doc.get());
    }
    int SlideIndex() override {
        check("Slide.SlideIndex");
        return position("Slide.SlideIndex") + 1;
    }

private:
    int position(const char* member) const {
        for (int i = 0; i < m_doc->slideCount(); ++i)
            if (m_doc->presentation().slidePartName(i) == m_part) return i;
        refuse(QStringLiteral("%1: the slide has been deleted").arg(QLatin1String(member)));
    }
    QString m_part;
};

class Slides : public office::PptSlides, Member {
public:
    using Member::Member;

    int Count() override {
        check("Slides.Count");
        return m_doc->slideCount();
    }
    std::shared_ptr<office::PptSlide> Add(int index, int layout) override {
        check("Slides.Add");
        const int count = m_doc->slideCount();
        if (index < 1 || index > count + 1) {
            refuse(QStringLiteral("Slides.Add: index %1 is out of bounds (1 to %2)").arg(index).arg(count + 1));
        }
        try {
            m_doc->addSlide(index - 1, layout);
        } catch (const engine::DocumentError& e) {
            refuse(QStringLiteral("Slides.Add: ") + e.message());
        }
        return std::make_shared<Slide>(m_app, m_doc, m_doc->presentation().slidePartName(index - 1));
    }
    std::shared_ptr<office::PptSlide> Item(int index) override {
        check("Slides.Item");
        const int count = m_doc->slideCount();
        if (count == 0) refuse(QStringLiteral("Slides.Item: index %1 is out of bounds (the presentation has no slides)").arg(index));
        if (index < 1 || index > count) {
            refuse(QStringLiteral("Slides.Item: index %1 is out of bounds (1 to %2)").arg(index).arg(count));
        }
        return std::make_shared<Slide>(m_app, m_doc, m_doc->presentation().slidePartName(index - 1));
    }
};

class Presentation : public office::PptPresentation, Member {
public:
    using Member::Member;
    QString Name() override {
        check("Presentation.Name");
        return m_doc->name();
    }
    QString FullName() override {
        check("Presentation.FullName");
        return m_doc->fullName();
    }
    std::shared_ptr<office::PptSlides> Slides() override {
        check("Presentation.Slides");
        return std::make_shared<class Slides>(m_app, m_doc);
    }
    void SaveAs(const QString& fileName) override {
        check("Presentation.SaveAs");
        if (fileName.trimmed().isEmpty()) refuse(QStringLiteral("Presentation.SaveAs: no file name was given"));
        try {
            m_doc->saveAs(fileName);
        } catch (const engine::DocumentError& e) {
            refuse(QStringLiteral("Presentation.SaveAs: ") + e.message());
        }
    }
};

class View : public office::PptView, Member {
public:
    using Member::Member;
    void Paste() override { paste("View.Paste", PresentationDocument::pasteFormattingSetting()); }
    void PasteDestinationTheme() override { paste("View.PasteDestinationTheme", engine::PasteFormatting::DeckTheme); }
    void PasteSourceFormatting() override { paste("View.PasteSourceFormatting", engine::PasteFormatting::KeepSource); }

private:
    void paste(const char* member, engine::PasteFormatting formatting) {
        check(member);
        const QString name = QString::fromLatin1(member);
        if (m_doc->selectedSlide() < 0) refuse(name + QStringLiteral(": no slide is selected"));
        const QMimeData* data = platform::clipboardData();
        if (!data) refuse(QString::fromLatin1(engine::kNothingToPaste));
        try {
            m_doc->paste(*data, formatting);
        } catch (const engine::DocumentError& e) {
            if (e.kind() == engine::DocumentError::Kind::NothingToPaste) refuse(e.message());
            refuse(name + QStringLiteral(": ") + e.message());
        }
    }
};

class DocumentWindow : public office::PptDocumentWindow, Member {
public:
    using Member::Member;
    std::shared_ptr<office::PptView> View() override {
        check("DocumentWindow.View");
        return std::make_shared<class View>(m_app, m_doc);
    }
    std::shared_ptr<office::PptPresentation> Presentation() override {
        check("DocumentWindow.Presentation");
        return std::make_shared<class Presentation>(m_app, m_doc);
    }
};

class Presentations : public office::PptPresentations, Member {
public:
    explicit Presentations(std::shared_ptr<PresentationApplication> app) : Member(std::move(app), nullptr) {}
    int Count() override {
        check("Presentations.Count");
        return m_app->presentationCount();
    }
    std::shared_ptr<office::PptPresentation> Open(const QString& fileName, int readOnly, int untitled,
                                                  int withWindow) override {
        check("Presentations.Open");
        const bool r = triState("Presentations.Open", "ReadOnly", readOnly);
        const bool u = triState("Presentations.Open", "Untitled", untitled);
        const bool w = triState("Presentations.Open", "WithWindow", withWindow);
        return std::make_shared<Presentation>(m_app, m_app->open(fileName, r, u, w));
    }
    std::shared_ptr<office::PptPresentation> Add(int withWindow) override {
        check("Presentations.Add");
        const bool w = triState("Presentations.Add", "WithWindow", withWindow);
        return std::make_shared<Presentation>(m_app, m_app->add(w));
    }
};

}  // namespace

PresentationApplication::PresentationApplication(platform::Dialogs& dialogs) : m_dialogs(dialogs) {}

PresentationApplication::~PresentationApplication() {
    office::ServerRegistry::instance().withdrawRunning(progId(), this);
}

QString PresentationApplication::Name() {
    return QString::fromLatin1(office::kPowerPointName);
}

int PresentationApplication::Visible() {
    return m_visible ? office::msoTrue : office::msoFalse;
}

void PresentationApplication::setVisible(int msoTriState) {
    if (!m_running) refuse(QStringLiteral("Application.Visible: PowerPoint has been closed"));
    m_visible = triState("Application.Visible", "the value", msoTriState);
    for (const auto& doc : m_documents) {
        if (auto* window = doc->window()) {
            if (m_visible && !window->isVisible()) window->placeOnScreen();
            window->setVisible(m_visible);
        }
    }
}

std::shared_ptr<office::PptPresentations> PresentationApplication::Presentations() {
    if (!m_running) refuse(QStringLiteral("Application.Presentations: PowerPoint has been closed"));
    return std::make_shared<class Presentations>(shared_from_this());
}

std::shared_ptr<office::PptPresentation> PresentationApplication::ActivePresentation() {
    if (!m_running) refuse(QStringLiteral("Application.ActivePresentation: PowerPoint has been closed"));
    auto doc = m_active.lock();
    if (!doc || doc->isClosed()) refuse(QStringLiteral("Application.ActivePresentation: no presentation is open in a window"));
    return std::make_shared<Presentation>(shared_from_this(), doc);
}

std::shared_ptr<office::PptDocumentWindow> PresentationApplication::ActiveWindow() {
    if (!m_running) refuse(QStringLiteral("Application.ActiveWindow: PowerPoint has been closed"));
    auto doc = m_active.lock();
    if (!doc || doc->isClosed()) refuse(QStringLiteral("Application.ActiveWindow: no presentation window is open"));
    return std::make_shared<DocumentWindow>(shared_from_this(), doc);
}

std::shared_ptr<PresentationDocument> PresentationApplication::open(const QString& fileName, bool readOnly,
                                                                    bool untitled, bool withWindow) {
    if (fileName.trimmed().isEmpty()) refuse(QStringLiteral("Presentations.Open: no file name was given"));
    const QFileInfo info(fileName);
    if (!info.isFile()) refuse(QStringLiteral("Presentations.Open: %1 was not found").arg(fileName));
    const QString path = info.canonicalFilePath();
    if (!untitled) {
        for (const auto& doc : m_documents) {
            if (doc->path() != path) continue;
            // Opening an open presentation again brings its window forward, and begins a new
            // step of its undo stack for what the automation does with it next.
            doc->endAutomationStep();
            if (withWindow && !doc->window()) showWindowFor(doc);
            if (doc->window()) m_active = doc;
            return doc;
        }
    }
    std::optional<engine::Presentation> presentation;
    QString name = info.fileName(), docPath = path, proposed;
    try {
        if (isLegacyPresentation(path)) {
            const QByteArray converted = engine::LegacyConverter::convert(path, QStringLiteral("pptx"));
            presentation.emplace(engine::Presentation::fromPackage(
                engine::Package::fromZipBytes(converted, info.fileName()), info.fileName()));
            // Saved as .pptx, under the old name with the new extension, once the user agrees.
            name = info.completeBaseName() + QStringLiteral(".pptx");
            proposed = info.absoluteDir().filePath(name);
            docPath.clear();
        } else {
            presentation.emplace(engine::Presentation::open(path));
        }
    } catch (const engine::DocumentError& e) {
        refuse(QStringLiteral("Presentations.Open: ") + e.message());
    }
    if (untitled) {
        name = QStringLiteral("Presentation%1").arg(++m_untitledCount);
        docPath.clear();
        proposed.clear();
    }
    auto doc = std::make_shared<PresentationDocument>(std::move(*presentation), name, docPath, proposed,
                                                      readOnly);
    m_documents.push_back(doc);
    if (withWindow) showWindowFor(doc);
    return doc;
}

std::shared_ptr<PresentationDocument> PresentationApplication::add(bool withWindow) {
    auto doc = std::make_shared<PresentationDocument>(
        engine::Presentation::createNew(), QStringLiteral("Presentation%1").arg(++m_untitledCount), QString(),
        QString(), false);
    m_documents.push_back(doc);
    if (withWindow) showWindowFor(doc);
    return doc;
}

void PresentationApplication::showWindowFor(const std::shared_ptr<PresentationDocument>& document) {
    auto* window = new PresentationWindow(shared_from_this(), document);
    document->setWindow(window);
    ++m_windowCount;
    m_active = document;
    if (m_visible) {
        window->placeOnScreen();
        window->show();
    }
}

void PresentationApplication::windowActivated(PresentationDocument* document) {
    for (const auto& doc : m_documents)
        if (doc.get() == document && doc->window()) m_active = doc;
}

void PresentationApplication::windowClosed(PresentationDocument* document) {
    std::shared_ptr<PresentationDocument> closing;
    for (auto it = m_documents.begin(); it != m_documents.end(); ++it) {
        if (it->get() != document) continue;
        closing = *it;
        m_documents.erase(it);
        break;
    }
    if (!closing) return;
    closing->markClosed();
    closing->setWindow(nullptr);
    --m_windowCount;
    if (m_active.lock() == closing) {
        m_active.reset();
        for (auto it = m_documents.rbegin(); it != m_documents.rend(); ++it) {
            if ((*it)->window()) {
                m_active = *it;
                break;
            }
        }
    }
    if (m_windowCount == 0) stopRunning();
}

void PresentationApplication::stopRunning() {
    // PowerPoint ends with its last window: what it still holds goes, and a new creation
    // starts a new instance.
    m_running = false;
    for (const auto& doc : m_documents) doc->markClosed();
    m_documents.clear();
    office::ServerRegistry::instance().withdrawRunning(progId(), this);
    if (g_instance.lock().get() == this) g_instance.reset();
}

std::shared_ptr<office::PptApplication> presentationApplication(platform::Dialogs& dialogs) {
    if (auto running = g_instance.lock(); running && running->isRunning()) return running;
    auto app = std::make_shared<PresentationApplication>(dialogs);
    g_instance = app;
    office::ServerRegistry::instance().publishRunning(progId(), app);
    return app;
}

void registerPresentationServer(platform::Dialogs& dialogs) {
    office::ServerRegistry::instance().registerServer(
        progId(), [&dialogs]() -> std::shared_ptr<office::AutomationObject> {
            return presentationApplication(dialogs);
        });
}

}  // namespace servers

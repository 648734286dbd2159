#include "FakeOffice.h"

#include "office/ServerRegistry.h"

namespace testsupport {

using office::AutomationError;

void OfficeWorld::record(const QString& entry) {
    log << entry;
    if (onCall) onCall(entry);
    for (const QString& prefix : refuse) {
        if (entry.startsWith(prefix)) throw AutomationError(entry + QStringLiteral(": refused"));
    }
}

int OfficeWorld::indexOf(const QString& prefix) const {
    for (int i = 0; i < log.size(); ++i) {
        if (log.at(i).startsWith(prefix)) return i;
    }
    return -1;
}

int OfficeWorld::lastIndexOf(const QString& prefix) const {
    for (qsizetype i = log.size() - 1; i >= 0; --i) {
        if (log.at(i).startsWith(prefix)) return int(i);
    }
    return -1;
}

QStringList OfficeWorld::entriesStartingWith(const QString& prefix) const {
    QStringList found;
    for (const QString& entry : log) {
        if (entry.startsWith(prefix)) found << entry;
    }
    return found;
}

namespace {

// ---- PowerPoint ----

class FakeSlide : public office::PptSlide {
public:
    FakeSlide(OfficeWorld& world, int presentation, int index)
        : m_world(world), m_presentation(presentation), m_index(index) {}
    void Select() override {
        m_world.record(QStringLiteral("slide(%1).Select").arg(m_index));
        m_world.presentations[m_presentation].selected = m_index;
        m_world.activeWindow = m_presentation;
    }
    int SlideIndex() override { return m_index; }

private:
    OfficeWorld& m_world;
    int m_presentation;
    int m_index;
};

class FakeSlides : public office::PptSlides {
public:
    FakeSlides(OfficeWorld& world, int presentation)
        : m_world(world), m_presentation(presentation) {}
    int Count() override { return int(m_world.presentations.at(m_presentation).slides.size()); }
    std::shared_ptr<office::PptSlide> Add(int index, int layout) override {
        m_world.record(QStringLiteral("slides.Add(%1,%2)").arg(index).arg(layout));
        auto& slides = m_world.presentations[m_presentation].slides;
        if (index < 1 || index > slides.size() + 1) {
            throw AutomationError(QStringLiteral("Slides.Add: index out of bounds"));
        }
        slides.insert(index - 1, QStringList());
        return std::make_shared<FakeSlide>(m_world, m_presentation, index);
    }
    std::shared_ptr<office::PptSlide> Item(int index) override {
        if (index < 1 || index > Count()) {
            throw AutomationError(QStringLiteral("Slides.Item: index out of bounds"));
        }
        return std::make_shared<FakeSlide>(m_world, m_presentation, index);
    }

private:
    OfficeWorld& m_world;
    int m_presentation;
};

class FakePresentationObject : public office::PptPresentation {
public:
    FakePresentationObject(OfficeWorld& world, int index) : m_world(world), m_index(index) {}
    QString Name() override { return m_world.presentations.at(m_index).name; }
    QString FullName() override { return Name(); }
    std::shared_ptr<office::PptSlides> Slides() override {
        return std::make_shared<FakeSlides>(m_world, m_index);
    }

private:
    OfficeWorld& m_world;
    int m_index;
};

class FakePpt;

class FakePresentations : public office::PptPresentations {
public:
    FakePresentations(OfficeWorld& world, std::shared_ptr<office::AutomationObject> app)
        : m_world(world), m_app(std::move(app)) {}
    int Count() override { return int(m_world.presentations.size()); }
    std::shared_ptr<office::PptPresentation> Open(const QString& fileName, int readOnly,
                                                  int untitled, int withWindow) override {
        m_world.record(QStringLiteral("ppt.Presentations.Open(%1,%2,%3,%4)")
                           .arg(fileName)
                           .arg(readOnly)
                           .arg(untitled)
                           .arg(withWindow));
        if (!m_world.presentationFiles.contains(fileName)) {
            throw AutomationError(QStringLiteral("PowerPoint could not open the file."));
        }
        FakePresentation presentation{fileName, {}, 0, readOnly != office::msoFalse,
                                      withWindow != office::msoFalse};
        for (int i = 0; i < m_world.presentationFiles.value(fileName); ++i) {
            presentation.slides << QStringList{QStringLiteral("existing")};
        }
        return opened(presentation);
    }
    std::shared_ptr<office::PptPresentation> Add(int withWindow) override {
        m_world.record(QStringLiteral("ppt.Presentations.Add(%1)").arg(withWindow));
        return opened(FakePresentation{
            QStringLiteral("Presentation%1").arg(m_world.presentations.size() + 1), {}, 0, false,
            withWindow != office::msoFalse});
    }

private:
    std::shared_ptr<office::PptPresentation> opened(const FakePresentation& presentation) {
        m_world.presentations << presentation;
        m_world.activeWindow = int(m_world.presentations.size()) - 1;
        m_world.powerPointRunning = m_app;  // runs while it has a window open
        return std::make_shared<FakePresentationObject>(m_world, m_world.activeWindow);
    }

    OfficeWorld& m_world;
    std::shared_ptr<office::AutomationObject> m_app;
};

class FakeView : public office::PptView {
public:
    FakeView(OfficeWorld& world, int presentation) : m_world(world), m_presentation(presentation) {}
    void Paste() override {
        m_world.record(QStringLiteral("paste"));
        auto& presentation = m_world.presentations[m_presentation];
        const QString& clipboard = m_world.spreadsheet.clipboard;
        if (clipboard.isEmpty() || presentation.selected < 1) {
            throw AutomationError(QStringLiteral(
                "Clipboard is empty or contains data which may not be pasted here."));
        }
        presentation.slides[presentation.selected - 1] << clipboard;
    }
    void PasteDestinationTheme() override { Paste(); }
    void PasteSourceFormatting() override { Paste(); }

private:
    OfficeWorld& m_world;
    int m_presentation;
};

class FakeWindow : public office::PptDocumentWindow {
public:
    FakeWindow(OfficeWorld& world, int presentation) : m_world(world), m_presentation(presentation) {}
    std::shared_ptr<office::PptView> View() override {
        return std::make_shared<FakeView>(m_world, m_presentation);
    }
    std::shared_ptr<office::PptPresentation> Presentation() override {
        return std::make_shared<FakePresentationObject>(m_world, m_presentation);
    }

private:
    OfficeWorld& m_world;
    int m_presentation;
};

class FakePpt : public office::PptApplication, public std::enable_shared_from_this<FakePpt> {
public:
    explicit FakePpt(OfficeWorld& world) : m_world(world) {}
    QString Name() override { return QString::fromLatin1(office::kPowerPointName); }
    int Visible() override { return m_world.powerPointVisible; }
    void setVisible(int msoTriState) override {
        m_world.record(QStringLiteral("ppt.Visible=%1").arg(msoTriState));
        m_world.powerPointVisible = msoTriState;
    }
    std::shared_ptr<office::PptPresentations> Presentations() override {
        return std::make_shared<FakePresentations>(m_world, shared_from_this());
    }
    std::shared_ptr<office::PptPresentation> ActivePresentation() override {
        m_world.record(QStringLiteral("ppt.ActivePresentation"));
        return std::make_shared<FakePresentationObject>(m_world, activeIndex());
    }
    std::shared_ptr<office::PptDocumentWindow> ActiveWindow() override {
        return std::make_shared<FakeWindow>(m_world, activeIndex());
    }

private:
    int activeIndex() const {
        if (m_world.activeWindow < 0) {
            throw AutomationError(QStringLiteral("No presentation is currently open."));
        }
        return m_world.activeWindow;
    }
    OfficeWorld& m_world;
};

class Impostor : public office::AutomationObject {
public:
    explicit Impostor(QString name) : m_name(std::move(name)) {}
    QString Name() override { return m_name; }

private:
    QString m_name;
};

}  // namespace

void registerFakeOffice(OfficeWorld& world) {
    auto& registry = office::ServerRegistry::instance();
    const QString pptId = QString::fromLatin1(office::kPowerPointProgId);
    world.spreadsheet.timeline = &world.log;
    world.spreadsheet.registerServer();
    registry.registerServer(pptId, [&world, pptId]() -> std::shared_ptr<office::AutomationObject> {
        world.record(QStringLiteral("ppt.create"));
        auto& reg = office::ServerRegistry::instance();
        if (reg.isRunning(pptId)) return reg.getRunning(pptId);
        world.powerPointVisible = office::msoFalse;  // a new instance starts hidden
        auto ppt = std::make_shared<FakePpt>(world);
        reg.publishRunning(pptId, ppt);
        return ppt;
    });
}

std::shared_ptr<office::AutomationObject> publishImpostor(const QString& progId,
                                                          const QString& name) {
    auto object = std::make_shared<Impostor>(name);
    office::ServerRegistry::instance().publishRunning(progId, object);
    return object;
}

}  // namespace testsupport

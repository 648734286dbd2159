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

QStringList OfficeWorld::entriesStartingWith(const QString& prefix) const {
    QStringList found;
    for (const QString& entry : log) {
        if (entry.startsWith(prefix)) found << entry;
    }
    return found;
}

namespace {

const QString kSubscript = QString::fromLatin1(platform::runtime::kSubscriptOutOfRange);

// ---- Excel ----

struct ExcelState {
    explicit ExcelState(OfficeWorld& w) : world(w) {}
    OfficeWorld& world;
    bool quit = false;
    bool alerts = true;
    QString activePath;

    void check() const {
        if (quit) throw AutomationError(QStringLiteral("The object has quit"));
    }
};

class FakeChartArea : public office::ExcelChartArea {
public:
    FakeChartArea(std::shared_ptr<ExcelState> s, QString sheet, int index)
        : m_s(std::move(s)), m_sheet(std::move(sheet)), m_index(index) {}
    void Copy() override {
        m_s->check();
        const QString what = m_sheet + QLatin1Char('#') + QString::number(m_index);
        m_s->world.record(QStringLiteral("excel.Copy(") + what + QLatin1Char(')'));
        m_s->world.clipboard = what;
    }

private:
    std::shared_ptr<ExcelState> m_s;
    QString m_sheet;
    int m_index;
};

class FakeChart : public office::ExcelChart {
public:
    FakeChart(std::shared_ptr<ExcelState> s, QString sheet, int index)
        : m_s(std::move(s)), m_sheet(std::move(sheet)), m_index(index) {}
    QString Name() override { return m_sheet + QStringLiteral(" Chart ") + QString::number(m_index); }
    std::shared_ptr<office::ExcelChartArea> ChartArea() override {
        m_s->check();
        return std::make_shared<FakeChartArea>(m_s, m_sheet, m_index);
    }

private:
    std::shared_ptr<ExcelState> m_s;
    QString m_sheet;
    int m_index;
};

class FakeChartObject : public office::ExcelChartObject {
public:
    FakeChartObject(std::shared_ptr<ExcelState> s, QString sheet, int index)
        : m_s(std::move(s)), m_sheet(std::move(sheet)), m_index(index) {}
    QString Name() override { return QStringLiteral("Chart ") + QString::number(m_index); }
    std::shared_ptr<office::ExcelChart> Chart() override {
        m_s->check();
        return std::make_shared<FakeChart>(m_s, m_sheet, m_index);
    }

private:
    std::shared_ptr<ExcelState> m_s;
    QString m_sheet;
    int m_index;
};

class FakeChartObjects : public office::ExcelChartObjects {
public:
    FakeChartObjects(std::shared_ptr<ExcelState> s, OfficeWorld::Sheet sheet)
        : m_s(std::move(s)), m_sheet(std::move(sheet)) {}
    int Count() override { return m_sheet.charts; }
    std::shared_ptr<office::ExcelChartObject> Item(int index) override {
        m_s->check();
        if (index < 1 || index > m_sheet.charts) throw AutomationError(kSubscript);
        return std::make_shared<FakeChartObject>(m_s, m_sheet.name, index);
    }

private:
    std::shared_ptr<ExcelState> m_s;
    OfficeWorld::Sheet m_sheet;
};

class FakeWorksheet : public office::ExcelWorksheet {
public:
    FakeWorksheet(std::shared_ptr<ExcelState> s, OfficeWorld::Sheet sheet)
        : m_s(std::move(s)), m_sheet(std::move(sheet)) {}
    QString Name() override { return m_sheet.name; }
    std::shared_ptr<office::ExcelChartObjects> ChartObjects() override {
        m_s->check();
        return std::make_shared<FakeChartObjects>(m_s, m_sheet);
    }

private:
    std::shared_ptr<ExcelState> m_s;
    OfficeWorld::Sheet m_sheet;
};

class FakeWorksheets : public office::ExcelWorksheets {
public:
    explicit FakeWorksheets(std::shared_ptr<ExcelState> s) : m_s(std::move(s)) {}
    int Count() override { return int(sheets().size()); }
    std::shared_ptr<office::ExcelWorksheet> Item(int index) override {
        m_s->check();
        const auto list = sheets();
        if (index < 1 || index > list.size()) throw AutomationError(kSubscript);
        return std::make_shared<FakeWorksheet>(m_s, list.at(index - 1));
    }
    std::shared_ptr<office::ExcelWorksheet> Item(const QString& name) override {
        m_s->check();
        for (const auto& sheet : sheets()) {
            if (sheet.name.compare(name, Qt::CaseInsensitive) == 0) {
                return std::make_shared<FakeWorksheet>(m_s, sheet);
            }
        }
        throw AutomationError(kSubscript);
    }

private:
    QList<OfficeWorld::Sheet> sheets() const { return m_s->world.workbooks.value(m_s->activePath); }
    std::shared_ptr<ExcelState> m_s;
};

class FakeWorkbook : public office::ExcelWorkbook {
public:
    explicit FakeWorkbook(std::shared_ptr<ExcelState> s) : m_s(std::move(s)) {}
    QString Name() override { return m_s->activePath; }
    std::shared_ptr<office::ExcelWorksheets> Worksheets() override {
        m_s->check();
        return std::make_shared<FakeWorksheets>(m_s);
    }

private:
    std::shared_ptr<ExcelState> m_s;
};

class FakeWorkbooks : public office::ExcelWorkbooks {
public:
    explicit FakeWorkbooks(std::shared_ptr<ExcelState> s) : m_s(std::move(s)) {}
    std::shared_ptr<office::ExcelWorkbook> Open(const QString& path) override {
        m_s->check();
        m_s->world.record(QStringLiteral("excel.Workbooks.Open(") + path + QLatin1Char(')'));
        if (!m_s->world.workbooks.contains(path)) {
            throw AutomationError(QStringLiteral("'%1' could not be found.").arg(path));
        }
        m_s->activePath = path;
        return std::make_shared<FakeWorkbook>(m_s);
    }

private:
    std::shared_ptr<ExcelState> m_s;
};

class FakeExcel : public office::ExcelApplication {
public:
    explicit FakeExcel(OfficeWorld& world) : m_s(std::make_shared<ExcelState>(world)) {}
    QString Name() override { return QString::fromLatin1(office::kExcelName); }
    std::shared_ptr<office::ExcelWorkbooks> Workbooks() override {
        m_s->check();
        return std::make_shared<FakeWorkbooks>(m_s);
    }
    std::shared_ptr<office::ExcelWorkbook> ActiveWorkbook() override {
        m_s->check();
        if (m_s->activePath.isEmpty()) {
            throw AutomationError(QString::fromLatin1(platform::runtime::kObjectNotSet));
        }
        return std::make_shared<FakeWorkbook>(m_s);
    }
    bool DisplayAlerts() override { return m_s->alerts; }
    void setDisplayAlerts(bool on) override {
        m_s->check();
        m_s->world.record(QStringLiteral("excel.DisplayAlerts=") +
                          (on ? QStringLiteral("true") : QStringLiteral("false")));
        m_s->alerts = on;
    }
    bool Visible() override { return false; }
    void Quit() override {
        m_s->check();
        m_s->world.record(QStringLiteral("excel.Quit"));
        m_s->quit = true;
        ++m_s->world.excelQuit;
        office::ServerRegistry::instance().withdrawRunning(
            QString::fromLatin1(office::kExcelProgId), this);
    }

private:
    std::shared_ptr<ExcelState> m_s;
};

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
        FakePresentation presentation{fileName, {}, 0};
        for (int i = 0; i < m_world.presentationFiles.value(fileName); ++i) {
            presentation.slides << QStringList{QStringLiteral("existing")};
        }
        return opened(presentation);
    }
    std::shared_ptr<office::PptPresentation> Add(int withWindow) override {
        m_world.record(QStringLiteral("ppt.Presentations.Add(%1)").arg(withWindow));
        return opened(FakePresentation{
            QStringLiteral("Presentation%1").arg(m_world.presentations.size() + 1), {}, 0});
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
        if (m_world.clipboard.isEmpty() || presentation.selected < 1) {
            throw AutomationError(QStringLiteral(
                "Clipboard is empty or contains data which may not be pasted here."));
        }
        presentation.slides[presentation.selected - 1] << m_world.clipboard;
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
    int Visible() override { return m_visible; }
    void setVisible(int msoTriState) override {
        m_world.record(QStringLiteral("ppt.Visible=%1").arg(msoTriState));
        m_visible = msoTriState;
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
    int m_visible = office::msoFalse;
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
    const QString excelId = QString::fromLatin1(office::kExcelProgId);
    const QString pptId = QString::fromLatin1(office::kPowerPointProgId);
    registry.registerServer(excelId, [&world, excelId]() -> std::shared_ptr<office::AutomationObject> {
        world.record(QStringLiteral("excel.create"));
        auto excel = std::make_shared<FakeExcel>(world);
        ++world.excelCreated;
        world.lastExcel = excel;
        office::ServerRegistry::instance().publishRunning(excelId, excel);
        return excel;
    });
    registry.registerServer(pptId, [&world, pptId]() -> std::shared_ptr<office::AutomationObject> {
        world.record(QStringLiteral("ppt.create"));
        auto& reg = office::ServerRegistry::instance();
        if (reg.isRunning(pptId)) return reg.getRunning(pptId);
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

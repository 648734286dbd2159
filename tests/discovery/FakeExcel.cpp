#include "FakeExcel.h"

#include "office/ServerRegistry.h"

namespace chartstest {

namespace {

const char* const kSubscript = "Subscript out of range";

QString sheetKey(int sheet) { return QStringLiteral("sheet %1/").arg(sheet); }

class FakeChart : public office::ExcelChart {
public:
    FakeChart(std::shared_ptr<FakeExcelState> state, int sheet, int chart)
        : m_state(std::move(state)), m_sheet(sheet), m_chart(chart) {}

    QString Name() override {
        fakeCall(*m_state, sheetKey(m_sheet) + QStringLiteral("chart %1/Chart.Name").arg(m_chart));
        return m_state->workbooks.value(m_state->activePath).at(m_sheet - 1).charts.at(m_chart - 1);
    }
    std::shared_ptr<office::ExcelChartArea> ChartArea() override {
        fakeCall(*m_state, QStringLiteral("ChartArea"));
        return nullptr;
    }

private:
    std::shared_ptr<FakeExcelState> m_state;
    int m_sheet;
    int m_chart;
};

class FakeChartObject : public office::ExcelChartObject {
public:
    FakeChartObject(std::shared_ptr<FakeExcelState> state, int sheet, int chart)
        : m_state(std::move(state)), m_sheet(sheet), m_chart(chart) {}

    QString Name() override {
        fakeCall(*m_state, sheetKey(m_sheet) + QStringLiteral("chart %1/Name").arg(m_chart));
        return QStringLiteral("Chart %1").arg(m_chart);
    }
    std::shared_ptr<office::ExcelChart> Chart() override {
        fakeCall(*m_state, sheetKey(m_sheet) + QStringLiteral("chart %1/Chart").arg(m_chart));
        return std::make_shared<FakeChart>(m_state, m_sheet, m_chart);
    }

private:
    std::shared_ptr<FakeExcelState> m_state;
    int m_sheet;
    int m_chart;
};

class FakeChartObjects : public office::ExcelChartObjects {
public:
    FakeChartObjects(std::shared_ptr<FakeExcelState> state, int sheet)
        : m_state(std::move(state)), m_sheet(sheet) {}

    int Count() override {
        fakeCall(*m_state, sheetKey(m_sheet) + QStringLiteral("ChartObjects.Count"));
        return charts().size();
    }
    std::shared_ptr<office::ExcelChartObject> Item(int index) override {
        fakeCall(*m_state, sheetKey(m_sheet) + QStringLiteral("ChartObjects.Item(%1)").arg(index));
        if (index < 1 || index > charts().size()) throw office::AutomationError(kSubscript);
        return std::make_shared<FakeChartObject>(m_state, m_sheet, index);
    }

private:
    QStringList charts() const {
        return m_state->workbooks.value(m_state->activePath).at(m_sheet - 1).charts;
    }

    std::shared_ptr<FakeExcelState> m_state;
    int m_sheet;
};

class FakeWorksheet : public office::ExcelWorksheet {
public:
    FakeWorksheet(std::shared_ptr<FakeExcelState> state, int sheet)
        : m_state(std::move(state)), m_sheet(sheet) {}

    QString Name() override {
        fakeCall(*m_state, sheetKey(m_sheet) + QStringLiteral("Name"));
        return m_state->workbooks.value(m_state->activePath).at(m_sheet - 1).name;
    }
    std::shared_ptr<office::ExcelChartObjects> ChartObjects() override {
        fakeCall(*m_state, sheetKey(m_sheet) + QStringLiteral("ChartObjects"));
        return std::make_shared<FakeChartObjects>(m_state, m_sheet);
    }

private:
    std::shared_ptr<FakeExcelState> m_state;
    int m_sheet;
};

class FakeWorksheets : public office::ExcelWorksheets {
public:
    explicit FakeWorksheets(std::shared_ptr<FakeExcelState> state) : m_state(std::move(state)) {}

    int Count() override {
        fakeCall(*m_state, QStringLiteral("Worksheets.Count"));
        return sheets().size();
    }
    std::shared_ptr<office::ExcelWorksheet> Item(int index) override {
        fakeCall(*m_state, QStringLiteral("Worksheets.Item(%1)").arg(index));
        if (index < 1 || index > sheets().size()) throw office::AutomationError(kSubscript);
        return std::make_shared<FakeWorksheet>(m_state, index);
    }
    std::shared_ptr<office::ExcelWorksheet> Item(const QString& name) override {
        fakeCall(*m_state, QStringLiteral("Worksheets.Item(\"%1\")").arg(name));
        const QList<FakeSheet> all = sheets();
        for (int i = 0; i < all.size(); ++i) {
            if (all.at(i).name.compare(name, Qt::CaseInsensitive) == 0) {
                return std::make_shared<FakeWorksheet>(m_state, i + 1);
            }
        }
        throw office::AutomationError(kSubscript);
    }

private:
    QList<FakeSheet> sheets() const { return m_state->workbooks.value(m_state->activePath); }

    std::shared_ptr<FakeExcelState> m_state;
};

class FakeWorkbook : public office::ExcelWorkbook {
public:
    explicit FakeWorkbook(std::shared_ptr<FakeExcelState> state) : m_state(std::move(state)) {}

    QString Name() override {
        fakeCall(*m_state, QStringLiteral("Workbook.Name"));
        return m_state->activePath.section(QLatin1Char('/'), -1);
    }
    std::shared_ptr<office::ExcelWorksheets> Worksheets() override {
        fakeCall(*m_state, QStringLiteral("Worksheets"));
        return std::make_shared<FakeWorksheets>(m_state);
    }

private:
    std::shared_ptr<FakeExcelState> m_state;
};

class FakeWorkbooks : public office::ExcelWorkbooks {
public:
    explicit FakeWorkbooks(std::shared_ptr<FakeExcelState> state) : m_state(std::move(state)) {}

    std::shared_ptr<office::ExcelWorkbook> Open(const QString& path) override {
        m_state->openedPaths.append(path);
        fakeCall(*m_state, QStringLiteral("Open"));
        if (!m_state->workbooks.contains(path)) {
            throw office::AutomationError(QStringLiteral("'%1' could not be found.").arg(path));
        }
        m_state->activePath = path;
        return std::make_shared<FakeWorkbook>(m_state);
    }

private:
    std::shared_ptr<FakeExcelState> m_state;
};

}  // namespace

void fakeCall(FakeExcelState& state, const QString& key) {
    state.log.append(key);
    if (state.onCall) state.onCall(key);
    if (state.quit) throw office::AutomationError(QStringLiteral("Object variable not set"));
    auto failure = state.failures.constFind(key);
    if (failure != state.failures.constEnd()) throw office::AutomationError(*failure);
}

QString FakeExcelApplication::Name() { return QString::fromLatin1(office::kExcelName); }

std::shared_ptr<office::ExcelWorkbooks> FakeExcelApplication::Workbooks() {
    fakeCall(*m_state, QStringLiteral("Workbooks"));
    return std::make_shared<FakeWorkbooks>(m_state);
}

std::shared_ptr<office::ExcelWorkbook> FakeExcelApplication::ActiveWorkbook() {
    fakeCall(*m_state, QStringLiteral("ActiveWorkbook"));
    if (m_state->activePath.isEmpty()) {
        throw office::AutomationError(QStringLiteral("Object variable not set"));
    }
    return std::make_shared<FakeWorkbook>(m_state);
}

bool FakeExcelApplication::DisplayAlerts() {
    fakeCall(*m_state, QStringLiteral("DisplayAlerts"));
    return m_state->displayAlerts;
}

void FakeExcelApplication::setDisplayAlerts(bool on) {
    fakeCall(*m_state, QStringLiteral("DisplayAlerts="));
    m_state->displayAlerts = on;
}

bool FakeExcelApplication::Visible() {
    fakeCall(*m_state, QStringLiteral("Visible"));
    return false;
}

void FakeExcelApplication::Quit() {
    fakeCall(*m_state, QStringLiteral("Quit"));
    m_state->quit = true;
    m_state->activePath.clear();
}

FakeExcelServer::FakeExcelServer() {
    auto shared = state;
    office::ServerRegistry::instance().registerServer(
        QString::fromLatin1(office::kExcelProgId), [shared]() {
            ++shared->created;
            shared->quit = false;
            shared->displayAlerts = true;
            return std::make_shared<FakeExcelApplication>(shared);
        });
}

FakeExcelServer::~FakeExcelServer() {
    office::ServerRegistry::instance().unregisterServer(QString::fromLatin1(office::kExcelProgId));
}

}  // namespace chartstest

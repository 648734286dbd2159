#include "FakeSpreadsheet.h"

#include "office/ServerRegistry.h"
#include "platform/Failure.h"

namespace testsupport {

namespace {

using office::AutomationError;
using Instance = FakeSpreadsheet::Instance;

QString scriptedSheetKey(int sheet) { return QStringLiteral("sheet %1/").arg(sheet); }

QString scriptedChartKey(int sheet, int chart) {
    return scriptedSheetKey(sheet) + QStringLiteral("chart %1/").arg(chart);
}

[[noreturn]] void failOutOfRange() {
    throw AutomationError(QString::fromLatin1(platform::runtime::kSubscriptOutOfRange));
}

// What every object of one instance shares: the world, the instance, and for objects below a
// workbook the workbook they belong to.
struct ScriptedContext {
    FakeSpreadsheet* world;
    std::shared_ptr<Instance> instance;
    QString path;

    void call(const QString& key) const { world->call(*instance, key); }

    // The sheets of the bound workbook as they are now; a workbook gone since fails as a
    // reference to a closed workbook does.
    QList<FakeSheet> sheets() const {
        const auto it = world->workbooks.constFind(path);
        if (it == world->workbooks.constEnd()) {
            throw AutomationError(QString::fromLatin1(platform::runtime::kObjectNotSet));
        }
        return *it;
    }

    FakeSheet sheet(int position) const {
        const QList<FakeSheet> all = sheets();
        if (position < 1 || position > all.size()) failOutOfRange();
        return all.at(position - 1);
    }

    QString chartName(int sheetPosition, int chart) const {
        const FakeSheet found = sheet(sheetPosition);
        if (chart < 1 || chart > found.charts.size()) failOutOfRange();
        return found.charts.at(chart - 1);
    }
};

class ScriptedChartArea : public office::ExcelChartArea {
public:
    ScriptedChartArea(ScriptedContext context, int sheet, int chart)
        : m_c(std::move(context)), m_sheet(sheet), m_chart(chart) {}

    void Copy() override {
        m_c.call(scriptedChartKey(m_sheet, m_chart) + QStringLiteral("Copy"));
        m_c.chartName(m_sheet, m_chart);  // the chart is still there
        const QString what =
            m_c.sheet(m_sheet).name + QLatin1Char('#') + QString::number(m_chart);
        m_c.world->copied.append(what);
        m_c.world->clipboard = what;
    }

private:
    ScriptedContext m_c;
    int m_sheet;
    int m_chart;
};

class ScriptedChart : public office::ExcelChart {
public:
    ScriptedChart(ScriptedContext context, int sheet, int chart)
        : m_c(std::move(context)), m_sheet(sheet), m_chart(chart) {}

    QString Name() override {
        m_c.call(scriptedChartKey(m_sheet, m_chart) + QStringLiteral("Chart.Name"));
        return m_c.chartName(m_sheet, m_chart);
    }
    std::shared_ptr<office::ExcelChartArea> ChartArea() override {
        m_c.call(scriptedChartKey(m_sheet, m_chart) + QStringLiteral("ChartArea"));
        return std::make_shared<ScriptedChartArea>(m_c, m_sheet, m_chart);
    }

private:
    ScriptedContext m_c;
    int m_sheet;
    int m_chart;
};

class ScriptedChartObject : public office::ExcelChartObject {
public:
    ScriptedChartObject(ScriptedContext context, int sheet, int chart)
        : m_c(std::move(context)), m_sheet(sheet), m_chart(chart) {}

    QString Name() override {
        m_c.call(scriptedChartKey(m_sheet, m_chart) + QStringLiteral("Name"));
        return QStringLiteral("Chart %1").arg(m_chart);
    }
    std::shared_ptr<office::ExcelChart> Chart() override {
        m_c.call(scriptedChartKey(m_sheet, m_chart) + QStringLiteral("Chart"));
        return std::make_shared<ScriptedChart>(m_c, m_sheet, m_chart);
    }

private:
    ScriptedContext m_c;
    int m_sheet;
    int m_chart;
};

class ScriptedChartObjects : public office::ExcelChartObjects {
public:
    ScriptedChartObjects(ScriptedContext context, int sheet)
        : m_c(std::move(context)), m_sheet(sheet) {}

    int Count() override {
        m_c.call(scriptedSheetKey(m_sheet) + QStringLiteral("ChartObjects.Count"));
        return int(m_c.sheet(m_sheet).charts.size());
    }
    std::shared_ptr<office::ExcelChartObject> Item(int index) override {
        m_c.call(scriptedSheetKey(m_sheet) + QStringLiteral("ChartObjects.Item(%1)").arg(index));
        if (index < 1 || index > m_c.sheet(m_sheet).charts.size()) failOutOfRange();
        return std::make_shared<ScriptedChartObject>(m_c, m_sheet, index);
    }

private:
    ScriptedContext m_c;
    int m_sheet;
};

class ScriptedWorksheet : public office::ExcelWorksheet {
public:
    ScriptedWorksheet(ScriptedContext context, int sheet)
        : m_c(std::move(context)), m_sheet(sheet) {}

    QString Name() override {
        m_c.call(scriptedSheetKey(m_sheet) + QStringLiteral("Name"));
        return m_c.sheet(m_sheet).name;
    }
    std::shared_ptr<office::ExcelChartObjects> ChartObjects() override {
        m_c.call(scriptedSheetKey(m_sheet) + QStringLiteral("ChartObjects"));
        return std::make_shared<ScriptedChartObjects>(m_c, m_sheet);
    }

private:
    ScriptedContext m_c;
    int m_sheet;
};

class ScriptedWorksheets : public office::ExcelWorksheets {
public:
    explicit ScriptedWorksheets(ScriptedContext context) : m_c(std::move(context)) {}

    int Count() override {
        m_c.call(QStringLiteral("Worksheets.Count"));
        return int(m_c.sheets().size());
    }
    std::shared_ptr<office::ExcelWorksheet> Item(int index) override {
        m_c.call(QStringLiteral("Worksheets.Item(%1)").arg(index));
        if (index < 1 || index > m_c.sheets().size()) failOutOfRange();
        return std::make_shared<ScriptedWorksheet>(m_c, index);
    }
    std::shared_ptr<office::ExcelWorksheet> Item(const QString& name) override {
        m_c.call(QStringLiteral("Worksheets.Item(\"%1\")").arg(name));
        const QList<FakeSheet> all = m_c.sheets();
        for (int i = 0; i < all.size(); ++i) {
            if (all.at(i).name.compare(name, Qt::CaseInsensitive) == 0) {
                return std::make_shared<ScriptedWorksheet>(m_c, i + 1);
            }
        }
        failOutOfRange();
    }

private:
    ScriptedContext m_c;
};

class ScriptedWorkbook : public office::ExcelWorkbook {
public:
    explicit ScriptedWorkbook(ScriptedContext context) : m_c(std::move(context)) {}

    QString Name() override {
        m_c.call(QStringLiteral("Workbook.Name"));
        return m_c.path.section(QLatin1Char('/'), -1);
    }
    std::shared_ptr<office::ExcelWorksheets> Worksheets() override {
        m_c.call(QStringLiteral("Worksheets"));
        return std::make_shared<ScriptedWorksheets>(m_c);
    }

private:
    ScriptedContext m_c;
};

class ScriptedWorkbooks : public office::ExcelWorkbooks {
public:
    explicit ScriptedWorkbooks(ScriptedContext context) : m_c(std::move(context)) {}

    std::shared_ptr<office::ExcelWorkbook> Open(const QString& path) override {
        m_c.world->openedPaths.append(path);
        m_c.call(QStringLiteral("Open"));
        m_c.instance->alertsWhenOpened = m_c.instance->alerts;
        if (!m_c.world->workbooks.contains(path)) {
            throw AutomationError(QStringLiteral("'%1' could not be found.").arg(path));
        }
        m_c.instance->activePath = path;
        ScriptedContext bound = m_c;
        bound.path = path;
        return std::make_shared<ScriptedWorkbook>(bound);
    }

private:
    ScriptedContext m_c;
};

class ScriptedApplication : public office::ExcelApplication {
public:
    explicit ScriptedApplication(ScriptedContext context) : m_c(std::move(context)) {}

    QString Name() override { return QString::fromLatin1(office::kExcelName); }
    std::shared_ptr<office::ExcelWorkbooks> Workbooks() override {
        m_c.call(QStringLiteral("Workbooks"));
        return std::make_shared<ScriptedWorkbooks>(m_c);
    }
    std::shared_ptr<office::ExcelWorkbook> ActiveWorkbook() override {
        m_c.call(QStringLiteral("ActiveWorkbook"));
        if (m_c.instance->activePath.isEmpty()) {
            throw AutomationError(QString::fromLatin1(platform::runtime::kObjectNotSet));
        }
        ScriptedContext bound = m_c;
        bound.path = m_c.instance->activePath;
        return std::make_shared<ScriptedWorkbook>(bound);
    }
    bool DisplayAlerts() override {
        m_c.call(QStringLiteral("DisplayAlerts"));
        return m_c.instance->alerts;
    }
    void setDisplayAlerts(bool on) override {
        m_c.call(QStringLiteral("DisplayAlerts="));
        m_c.instance->alerts = on;
    }
    bool Visible() override {
        m_c.call(QStringLiteral("Visible"));
        return false;
    }
    void Quit() override {
        m_c.call(QStringLiteral("Quit"));
        m_c.instance->quit = true;
        m_c.instance->alertsWhenQuit = m_c.instance->alerts;
        m_c.instance->activePath.clear();
        office::ServerRegistry::instance().withdrawRunning(
            QString::fromLatin1(office::kExcelProgId), this);
    }

private:
    ScriptedContext m_c;
};

}  // namespace

FakeSheet::FakeSheet(QString sheetName, QStringList chartNames)
    : name(std::move(sheetName)), charts(std::move(chartNames)) {}

FakeSheet::FakeSheet(QString sheetName, int chartCount) : name(std::move(sheetName)) {
    for (int i = 1; i <= chartCount; ++i) charts.append(name + QStringLiteral(" Chart %1").arg(i));
}

int FakeSpreadsheet::quits() const {
    int count = 0;
    for (const auto& instance : instances) count += instance->quit ? 1 : 0;
    return count;
}

void FakeSpreadsheet::call(const Instance& instance, const QString& key) {
    calls.append(key);
    if (timeline) timeline->append(QStringLiteral("excel.") + key);
    if (onCall) onCall(key);
    if (instance.quit) {
        throw AutomationError(QString::fromLatin1(platform::runtime::kObjectNotSet));
    }
    const auto failure = failures.constFind(key);
    if (failure != failures.constEnd()) throw AutomationError(*failure);
}

void FakeSpreadsheet::registerServer() {
    const QString progId = QString::fromLatin1(office::kExcelProgId);
    office::ServerRegistry::instance().registerServer(
        progId, [this, progId]() -> std::shared_ptr<office::AutomationObject> {
            call(Instance{}, QStringLiteral("create"));
            auto instance = std::make_shared<Instance>();
            instances.append(instance);
            auto application =
                std::make_shared<ScriptedApplication>(ScriptedContext{this, instance, QString()});
            lastApplication = application;
            office::ServerRegistry::instance().publishRunning(progId, application);
            return application;
        });
    m_registered = true;
}

void FakeSpreadsheet::unregisterServer() {
    if (!m_registered) return;
    office::ServerRegistry::instance().unregisterServer(QString::fromLatin1(office::kExcelProgId));
    m_registered = false;
}

}  // namespace testsupport

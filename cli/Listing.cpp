#include "cli/Commands.h"

#include "office/Excel.h"
#include "platform/Failure.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

QString escaped(QString text) {
    text.replace(u'\\', QLatin1String("\\\\"));
    text.replace(u'\t', QLatin1String("\\t"));
    text.replace(u'\n', QLatin1String("\\n"));
    text.replace(u'\r', QLatin1String("\\r"));
    return text;
}

}  // namespace

namespace {

// The row's facts, or the reason they could not be read.
void describe(office::ExcelChart& chart, ListedChart& row) {
    try {
        const office::ExcelChartFacts facts = chart.Facts();
        row.kind = facts.kind;
        row.title = facts.title;
        row.seriesCount = facts.seriesCount;
        row.widthEmu = facts.widthEmu;
        row.heightEmu = facts.heightEmu;
    } catch (const office::AutomationError& e) {
        row.problem = e.description();
    }
}

}  // namespace

std::vector<ListedChart> listCharts(office::ExcelApplication& excel, bool chartSheets) {
    std::vector<ListedChart> charts;
    const auto workbook = need(excel.ActiveWorkbook());
    const auto worksheets = need(workbook->Worksheets());
    const int sheetCount = worksheets->Count();
    for (int i = 1; i <= sheetCount; ++i) {
        const auto worksheet = need(worksheets->Item(i));
        const auto objects = need(worksheet->ChartObjects());
        const int chartCount = objects->Count();
        if (chartCount == 0) continue;
        const QString sheetName = worksheet->Name();
        for (int j = 1; j <= chartCount; ++j) {
            const auto chart = need(need(objects->Item(j))->Chart());
            ListedChart row;
            row.sheetName = sheetName;
            row.chartName = chart->Name();
            row.chartIndex = j;
            describe(*chart, row);
            charts.push_back(std::move(row));
        }
    }
    if (!chartSheets) return charts;
    const auto sheetCharts = need(workbook->Charts());
    const int chartSheetCount = sheetCharts->Count();
    for (int i = 1; i <= chartSheetCount; ++i) {
        const auto chart = need(sheetCharts->Item(i));
        ListedChart row;
        row.sheetName = chart->Name();
        row.chartName = row.sheetName;
        row.chartSheet = true;
        describe(*chart, row);
        charts.push_back(std::move(row));
    }
    return charts;
}

QByteArray listAsText(const std::vector<ListedChart>& charts) {
    QByteArray text;
    for (const ListedChart& c : charts) {
        const QString index = c.chartSheet ? QString() : QString::number(c.chartIndex);
        const QStringList fields{escaped(c.sheetName),         escaped(c.chartName),
                                 index,                        escaped(c.kind),
                                 escaped(c.title),             QString::number(c.seriesCount),
                                 QString::number(c.widthEmu),  QString::number(c.heightEmu)};
        text += fields.join(u'\t').toUtf8();
        text += '\n';
    }
    return text;
}

QByteArray listAsJson(const std::vector<ListedChart>& charts) {
    QJsonArray array;
    for (const ListedChart& c : charts) {
        array.append(QJsonObject{{QStringLiteral("sheet"), c.sheetName},
                                 {QStringLiteral("chart"), c.chartName},
                                 {QStringLiteral("index"), c.chartSheet ? QJsonValue() : QJsonValue(c.chartIndex)},
                                 {QStringLiteral("chartSheet"), c.chartSheet},
                                 {QStringLiteral("kind"), c.kind},
                                 {QStringLiteral("title"), c.title},
                                 {QStringLiteral("series"), c.seriesCount},
                                 {QStringLiteral("width"), double(c.widthEmu)},
                                 {QStringLiteral("height"), double(c.heightEmu)}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

}  // namespace cli

// Draws charts of a workbook with the chart renderer, for looking at them beside another
// program's drawing (tools/compare-charts.py takes it as a renderer column).
//
//   quillmere-render-chart WORKBOOK SHEET INDEX OUTPUT [--scale S]
//
// INDEX is 1-based among the sheet's charts; OUTPUT ends in .png, .svg or .pdf.

#include "engine/chart/ChartRenderer.h"
#include "engine/chart/WorkbookChart.h"
#include "engine/package/Package.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    double scale = 1;
    if (const int at = int(args.indexOf(QStringLiteral("--scale"))); at >= 0 && at + 1 < args.size()) {
        scale = args[at + 1].toDouble();
        args.remove(at, 2);
    }
    QTextStream err(stderr);
    if (args.size() != 4) {
        err << "usage: quillmere-render-chart WORKBOOK SHEET INDEX OUTPUT [--scale S]\n";
        return 2;
    }
    try {
        const auto workbook = engine::Workbook::open(args[0]);
        const auto* sheet = workbook->sheetByName(args[1]);
        const int index = args[2].toInt();
        if (!sheet || index < 1 || index > int(sheet->chartObjects.size())) {
            err << args[0] << ": no chart " << args[2] << " on sheet " << args[1] << "\n";
            return 1;
        }
        const auto chart = engine::chart::workbookChart(*workbook, *sheet, sheet->chartObjects[size_t(index - 1)]);
        const QString out = args[3];
        const auto format = out.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)   ? engine::chart::PictureFormat::Svg
                            : out.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) ? engine::chart::PictureFormat::Pdf
                                                                                      : engine::chart::PictureFormat::Png;
        engine::chart::writeChartPicture(chart.chart, chart.context, chart.sizeInPoints, format, scale, out);
    } catch (const engine::DocumentError& e) {
        err << e.message() << "\n";
        return 1;
    }
    return 0;
}

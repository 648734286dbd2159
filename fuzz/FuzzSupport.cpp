#include "FuzzSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

QString stage(const QByteArray& bytes, const QString& fileName) {
    const QString path = workFolder().filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) abort();
    return path;
}

engine::Limits fuzzLimits() {
    engine::Limits limits;
    limits.maxPartBytes = 64LL * 1024 * 1024;
    limits.maxTotalBytes = 256LL * 1024 * 1024;
    return limits;
}

engine::ChartPackage smallChartPackage() {
    engine::ChartPackage p;
    p.sheetName = QStringLiteral("Sheet1");
    p.chartName = QStringLiteral("Chart 1");
    p.parts.push_back(
        {QStringLiteral("/xl/charts/chart1.xml"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chart+xml"),
         "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
         "<c:chart><c:plotArea><c:barChart><c:barDir val=\"col\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
         "<c:val><c:numRef><c:f>Sheet1!$A$1:$A$3</c:f><c:numCache><c:ptCount val=\"3\"/>"
         "<c:pt idx=\"0\"><c:v>1</c:v></c:pt><c:pt idx=\"1\"><c:v>2</c:v></c:pt><c:pt idx=\"2\"><c:v>3</c:v></c:pt>"
         "</c:numCache></c:numRef></c:val></c:ser></c:barChart></c:plotArea></c:chart></c:chartSpace>",
         {}});
    for (int row = 0; row < 3; ++row) p.cells.push_back({QStringLiteral("Sheet1"), row, 0, double(row + 1), {}});
    p.cx = 4572000;
    p.cy = 2743200;
    return p;
}

void broken(const char* target, const char* what) {
    std::fprintf(stderr, "%s: %s\n", target, what);
    std::abort();
}

bool finite(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

void startOffscreenGui(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
}

}  // namespace fuzzsupport

#pragma once

#include <QColor>
#include <QPainterPath>
#include <QSizeF>
#include <QString>
#include <optional>
#include <vector>

#include "engine/chartdraw/ChartScene.h"
#include "engine/chartmodel/ChartexPart.h"

// What the drawing of the newer chart kinds shares between its files: the default style's
// colours, a builder of scene primitives, the value axis and the title. Internal to the drawing.
namespace engine::chartexdraw {

// The Office theme's colours the default style draws these kinds in.
QColor accent(int index);  // accent 1 to 6 for index 0 to 5, then round again
extern const QColor kText;
extern const QColor kGrid;
extern const QColor kAxisLine;

// Builds the primitives of one scene.
class SceneMaker {
  public:
    explicit SceneMaker(QSizeF size) { m_scene.size = size; }

    chart::ChartScene take() { return std::move(m_scene); }
    QSizeF size() const { return m_scene.size; }

    // The white chart area with its thin grey border.
    void area();
    void fill(chart::SceneTag tag, const QPainterPath& path, const QColor& color,
              std::optional<chart::ScenePen> stroke = std::nullopt);
    void rect(chart::SceneTag tag, const QRectF& r, const QColor& color,
              std::optional<chart::ScenePen> stroke = std::nullopt);
    void stroke(chart::SceneTag tag, const QPainterPath& path, const QColor& color, double width);
    void line(chart::SceneTag tag, QPointF from, QPointF to, const QColor& color, double width);
    QSizeF measure(const QString& text, double size, bool bold = false) const;
    // A line of text whose box is placed by its anchor point: align says which point of the box
    // that is (Qt::AlignLeft/HCenter/Right with Qt::AlignTop/VCenter/Bottom); turned by angle
    // degrees clockwise about that point.
    void text(chart::SceneTag tag, const QString& line, double size, QPointF anchor,
              Qt::Alignment align, const QColor& color = kText, bool bold = false,
              double angle = 0);

  private:
    chart::ChartScene m_scene;
};

// A number as the user reads it, in their locale.
QString number(double value);
QString percent(double fraction);

// Bounds and step of a value axis.
struct Scale {
    double minimum = 0;
    double maximum = 1;
    double step = 1;
};

// The chart's title at the top when it has one (its text, or "Chart Title" when the title is
// automatic, as the application shows it); returns where the plot may begin.
double title(SceneMaker& maker, const ChartexChart& chart, double width);

// A legend's entries in one row centred below top, each a coloured key before its label;
// returns where what follows may begin.
double legendRow(SceneMaker& maker, double top,
                 const std::vector<std::pair<QString, QColor>>& entries);

// A plot of columns over categories: the value axis over [low, high] scaled as the application
// scales its column charts' axes (as many intervals as the plot's height holds at the spacing
// of its labels), its labels at the left, gridlines across, room for a row of category labels
// below; with percentRight, a second axis from 0 to 100 % with its labels at the right. The
// plot is empty when the chart is too small to hold one.
struct ValuePlot {
    QRectF plot;
    Scale scale;
    std::optional<Scale> right;
    double yOf(double value) const;
    double rightYOf(double value) const;
};
ValuePlot valuePlot(SceneMaker& maker, double top, double low, double high,
                    bool percentRight = false);
// The category labels under a plot of count slots, each centred on its slot.
void categoryLabels(SceneMaker& maker, const QRectF& plot, const std::vector<QString>& labels);

// The categories and values of a series: the texts of its "cat" dimension (or the points'
// numbers) and the numbers of its "val" dimension; nullopt when it has no values.
struct Points {
    std::vector<QString> categories;
    std::vector<std::optional<double>> values;
};
std::optional<Points> pointsOf(const ChartexChart& chart, const ChartexChart::Series& series);

// Each kind's drawing below the chart area; false when the chart lacks what the kind needs, for
// the caller to draw the named outline instead.
bool drawWaterfall(SceneMaker& maker, const ChartexChart& chart);
bool drawFunnel(SceneMaker& maker, const ChartexChart& chart);
bool drawHistogram(SceneMaker& maker, const ChartexChart& chart);
bool drawBoxWhisker(SceneMaker& maker, const ChartexChart& chart);
bool drawTreemap(SceneMaker& maker, const ChartexChart& chart);
bool drawSunburst(SceneMaker& maker, const ChartexChart& chart);

}  // namespace engine::chartexdraw

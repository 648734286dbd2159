#pragma once

#include "engine/chartdraw/ChartScene.h"
#include "engine/chartcopy/WorkbookChart.h"

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;

namespace platform {
class Dialogs;
}

namespace app {

// The "Chart Preview" window: one chart of a workbook drawn as the chart renderer draws it,
// with its sheet, name, kind, series count and size, and "Save as Picture..." (PNG, SVG or PDF).
//
// It asks the built-in spreadsheet application for the chart each time it is asked to show one
// (servers::readChartToShow): the workbook is read as Find reads it (a legacy .xls from its own
// records, .xlsb and .ods through their converted copy), the chart drawn in the look every
// picture of it has, and the file closed again before showChart returns, so the preview never
// keeps a workbook open or locked. The read runs on a thread of its own while the window answers
// events; a chart asked for during a read (the list's current row moved on) is read when that
// read ends, and that call returns at once. It has no part in the main window's numbered steps
// and reports nothing in boxes: a workbook or chart that cannot be read shows its message
// inside the preview.
//
// A top-level window of its own, owned by whoever made it; not modal.
class ChartPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Chart Preview";

    explicit ChartPreview(platform::Dialogs& dialogs);
    ~ChartPreview() override;

    // Shows chart object `chartIndex` (1-based, as the list's third column) of worksheet
    // `sheetName` of the workbook at path, described by chartName (the list's second column;
    // the chart object's own name when empty).
    void showChart(const QString& path, const QString& sheetName, int chartIndex,
                   const QString& chartName = QString());
    // Shows no chart, saying why.
    void showNothing(const QString& why);

    // What the preview shows: the description line above the chart, the message in place of a
    // chart ("" when a chart is drawn), and the drawn chart's scene (null when none).
    QString description() const;
    QString message() const { return m_message; }
    const engine::chart::ChartScene* scene() const { return m_scene.get(); }
    // What was asked for last: path, sheet and index.
    QString shownPath() const { return m_path; }
    QString shownSheet() const { return m_sheet; }
    int shownIndex() const { return m_index; }

    // Asks for a file name and writes the chart as a picture of the kind its extension names
    // (.png, .svg, .pdf; PNG when it names none of them). False when cancelled, when there is no
    // chart, or when writing failed (said in a message box).
    bool saveAsPicture();

private:
    struct Request {
        QString path;
        QString sheet;
        int index = 0;
        QString name;
    };
    // Reads and shows one chart; the window answers events while it is read.
    void serve(const Request& request);
    void refresh();

    platform::Dialogs& m_dialogs;
    QLabel* m_description = nullptr;
    QWidget* m_canvas = nullptr;
    QPushButton* m_save = nullptr;
    QString m_path;
    QString m_sheet;
    int m_index = 0;
    QString m_message;
    std::optional<engine::chart::WorkbookChart> m_chart;
    std::shared_ptr<const engine::chart::ChartScene> m_scene;
    bool m_reading = false;
    int m_generation = 0;  // counts reads and clearings, so that a read outdated by one is dropped
    std::optional<Request> m_pending;  // the latest chart asked for while one is read
};

// The size of a chart in the description: centimetres and pixels at 96 dpi.
QString chartSizeText(QSizeF sizeInPoints);

}  // namespace app

#pragma once

#include "office/Automation.h"

#include <QString>
#include <memory>

namespace office {

// The Excel object model as the program uses it. Every call may throw AutomationError with a
// description of what was refused. Objects handed out stay valid while the application that
// made them has not quit; after Quit every call on them fails.

class ExcelChartArea {
public:
    virtual ~ExcelChartArea() = default;
    // Puts the chart on the clipboard as a self-contained chart package (engine/chart), so that
    // pasting needs no open workbook.
    virtual void Copy() = 0;
};

// What a chart holds, as a listing shows it: Excel's model spreads these over ChartType,
// ChartTitle, SeriesCollection and the chart object's Width and Height; the built-in
// application answers them in one call, read from the chart part and its anchor.
struct ExcelChartFacts {
    QString kind;         // "Column", "Bar", "Line", "Pie", ... or "Combination"
    QString title;        // the title's own text; "" when the chart has none or an automatic one
    int seriesCount = 0;
    qint64 widthEmu = 0;  // the chart object's size on its sheet, in EMU
    qint64 heightEmu = 0;
};

// How large Export draws a chart. Excel draws it at its own size on a 96 dpi screen; the
// built-in application also takes a scale, or a size in pixels the chart is laid out to as if
// its frame had been given that size.
struct ExcelPictureSize {
    double scale = 1;      // pixels per screen pixel (PNG); vector pictures keep the chart's size
    int widthPixels = 0;   // with heightPixels, when both are above 0: the chart laid out to
    int heightPixels = 0;  // this many screen pixels (96 dpi), drawn at scale 1
};

// Export's refusal to write the picture file, when the chart itself was read: the folder, the
// disk. Any other refusal of Export is a plain AutomationError.
class PictureFileError : public AutomationError {
public:
    using AutomationError::AutomationError;
};

class ExcelChart {
public:
    virtual ~ExcelChart() = default;
    // As Excel reports an embedded chart's name: "<sheet name> <chart object name>"; a chart
    // sheet's is the sheet's name.
    virtual QString Name() = 0;
    virtual std::shared_ptr<ExcelChartArea> ChartArea() = 0;
    // A server that cannot describe its charts refuses with kNotSupported (the default).
    virtual ExcelChartFacts Facts();
    // Excel's Chart.Export: a picture of the chart written to fileName through the graphics
    // filter named ("PNG", "SVG", "PDF"), the file complete or not there at all. A server that
    // cannot draw refuses with kNotSupported (the default).
    virtual void Export(const QString& fileName, const QString& filterName, const ExcelPictureSize& size);
};

class ExcelChartObject {
public:
    virtual ~ExcelChartObject() = default;
    virtual QString Name() = 0;  // the chart object's own name ("Chart 1")
    virtual std::shared_ptr<ExcelChart> Chart() = 0;
};

class ExcelChartObjects {
public:
    virtual ~ExcelChartObjects() = default;
    virtual int Count() = 0;
    // 1-based; outside 1 to Count() fails with "Subscript out of range".
    virtual std::shared_ptr<ExcelChartObject> Item(int index) = 0;
};

class ExcelWorksheet {
public:
    virtual ~ExcelWorksheet() = default;
    virtual QString Name() = 0;
    virtual std::shared_ptr<ExcelChartObjects> ChartObjects() = 0;
};

class ExcelWorksheets {
public:
    virtual ~ExcelWorksheets() = default;
    // Worksheets only: chart sheets are not counted.
    virtual int Count() = 0;
    // By 1-based position or by name; a miss fails with "Subscript out of range".
    virtual std::shared_ptr<ExcelWorksheet> Item(int index) = 0;
    virtual std::shared_ptr<ExcelWorksheet> Item(const QString& name) = 0;
};

// Excel's Workbook.Charts: the workbook's chart sheets, in tab order. A chart sheet is a chart
// of its own; its Name is the sheet's name, as Excel reports it for a chart sheet.
class ExcelCharts {
public:
    virtual ~ExcelCharts() = default;
    virtual int Count() = 0;
    // By 1-based position or by name (ignoring case); a miss fails with "Subscript out of range".
    virtual std::shared_ptr<ExcelChart> Item(int index) = 0;
    virtual std::shared_ptr<ExcelChart> Item(const QString& name) = 0;
};

class ExcelWorkbook {
public:
    virtual ~ExcelWorkbook() = default;
    virtual QString Name() = 0;
    virtual std::shared_ptr<ExcelWorksheets> Worksheets() = 0;
    // A server that does not reach chart sheets refuses with kNotSupported (the default).
    virtual std::shared_ptr<ExcelCharts> Charts();
};

class ExcelWorkbooks {
public:
    virtual ~ExcelWorkbooks() = default;
    // Opens the workbook at path exactly as given (blanks included); it becomes the
    // application's ActiveWorkbook. A missing, unreadable or corrupt file fails with a
    // description naming it.
    virtual std::shared_ptr<ExcelWorkbook> Open(const QString& path) = 0;
};

class ExcelApplication : public AutomationObject {
public:
    virtual std::shared_ptr<ExcelWorkbooks> Workbooks() = 0;
    // Fails with "Object variable not set" when no workbook is open.
    virtual std::shared_ptr<ExcelWorkbook> ActiveWorkbook() = 0;
    virtual bool DisplayAlerts() = 0;
    virtual void setDisplayAlerts(bool on) = 0;
    virtual bool Visible() = 0;
    // Ends the instance: every workbook it opened is discarded unsaved, temporary files go,
    // and it leaves the table of running servers.
    virtual void Quit() = 0;
};

inline constexpr const char* kExcelProgId = "Excel.Application";
inline constexpr const char* kExcelName = "Microsoft Excel";

}  // namespace office

#pragma once

#include "engine/package/Package.h"
#include "engine/workbook/CellReference.h"
#include "engine/workbook/DrawingPart.h"
#include "engine/workbook/StylesPart.h"
#include "engine/workbook/WorksheetPart.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace engine {

// A spreadsheet workbook (.xlsx, .xlsm, .xltx, .xltm) read from its package: the sheets in tab
// order with their kind and visibility, the chart objects of every worksheet and the chart of
// every chart sheet, the theme, and, on demand, a chart's size and the values of cell ranges.
//
// Opening reads the workbook part, its relationships and the drawing of every worksheet, never
// the cell data: it costs in proportion to the sheets and charts. Sizes and cells stream a
// worksheet part only as far as the rows concerned. Cells once read are kept with the workbook
// (at most kMaxKeptCells of them, over all sheets), so a worksheet is streamed again only for
// cells not read before; ranges announced with expectCells are read in the same pass as the
// first read of their sheet. The sizes of a sheet's columns and rows are read once for all its
// charts, in the pass over its cells where that goes deep enough. A failed read of a sheet's
// cells is remembered and not tried again. The
// Workbook owns its PackageReader and what it keeps; the file stays open until the Workbook
// goes. Only reads: nothing on disk is ever changed. One thread at a time.
//
// Errors: open() throws DocumentError naming the file (and the part) for a file that is not a
// zip, a package without a workbook part, a sheet whose relationship or part is missing, and
// malformed workbook or worksheet drawing XML; a chart sheet's drawing that cannot be read is
// noted with the sheet instead (Sheet::chartFailure). The on-demand readers throw the same way.
class Workbook {
public:
    enum class SheetKind { Worksheet, Chartsheet, Other };
    enum class Visibility { Visible, Hidden, VeryHidden };

    struct ChartObject {
        QString name;         // the chart object's name ("Chart 1")
        QString chartPart;    // "/xl/charts/chart1.xml"
        QString drawingPart;  // the drawing that anchors it
        ChartFrame frame;
    };

    struct Sheet {
        QString name;
        SheetKind kind = SheetKind::Other;
        Visibility visibility = Visibility::Visible;
        QString part;         // the sheet's part; empty for kinds not read
        QString drawingPart;  // worksheets: the drawing found through the sheet's relationships
        // Worksheets: the chart objects of the drawing, in document order. Chart sheets: the
        // chart the sheet shows (the first chart of its drawing), or none.
        std::vector<ChartObject> chartObjects;
        // Chart sheets: why the sheet's drawing could not be read, when it could not.
        std::optional<DocumentError> chartFailure;
    };

    // One cell's value as the chart sees it: a number (double), a text (QString), or null for an
    // empty cell; numberFormat is the cell's format code when it is not General.
    struct CellValue {
        int row = 0;
        int column = 0;
        QVariant value;
        QString numberFormat;
    };

    static std::unique_ptr<Workbook> open(const QString& path, const Limits& limits = {});

    const QString& path() const;
    // The file's name as errors show it.
    QString displayName() const;
    const PackageReader& package() const { return *m_package; }
    const QString& workbookPart() const { return m_workbookPart; }
    bool date1904() const { return m_date1904; }

    const std::vector<Sheet>& sheets() const { return m_sheets; }
    // Worksheets only, in tab order.
    std::vector<const Sheet*> worksheets() const;
    // Chart sheets only, in tab order.
    std::vector<const Sheet*> chartsheets() const;
    // A sheet by name, ignoring case as Excel does; nullptr when none.
    const Sheet* sheetByName(const QString& name) const;

    // The workbook's theme part name and bytes; empty when it has none.
    QString themePart() const;
    QByteArray theme() const;

    // The chart object's size in EMU from its anchor: for a two-cell anchor the widths of the
    // columns and heights of the rows it spans (hidden ones count 0) less the start offsets plus
    // the end offsets; for one-cell and absolute anchors their xdr:ext. A chart sheet's chart
    // is as large as the printable part of the sheet's page (ChartsheetPage), whatever its
    // anchor says.
    std::pair<qint64, qint64> chartSize(const Sheet& sheet, const ChartObject& chart) const;

    // The cells of ranges on one sheet, every address of every range in row-major order (empty
    // cells as null values). Nothing when the sheet is not a worksheet of this workbook or the
    // ranges hold more than maxCells addresses.
    std::optional<std::vector<CellValue>> readCells(const QString& sheetName,
                                                    const std::vector<CellRange>& ranges,
                                                    qint64 maxCells = kDefaultMaxCells) const;

    static constexpr qint64 kDefaultMaxCells = 100000;
    static constexpr qint64 kMaxKeptCells = 500000;

    // Ranges that reads to come will likely ask for (the other charts of a copy run); ranges of
    // sheets that are not worksheets of this workbook are ignored. They cost nothing until a
    // read of their sheet streams it anyway.
    void expectCells(const std::vector<CellRange>& ranges) const;
    // Whether expectCells was ever called.
    bool expectsCells() const { return m_expectationsGiven; }
    // How many times the cell data of a worksheet has been streamed, and how many times a
    // worksheet has been streamed for chart sizes alone.
    int cellPasses() const { return m_cellPasses; }
    int geometryPasses() const { return m_geometryPasses; }

private:
    // The cells read from one worksheet, by key, sorted: which were read, what they hold.
    struct KeptCell {
        quint64 key;  // row << 14 | column
        QVariant value;
        int style;
    };
    struct SheetCells {
        CellSelection read;
        std::vector<KeptCell> cells;
        std::optional<DocumentError> failure;
    };
    // The sizes of a worksheet's columns and of its rows up to lastRow.
    struct KeptGeometry {
        int lastRow = -1;
        SheetGeometry geometry;
    };

    Workbook() = default;
    const StylesPart& styles() const;
    void readIntoKept(const Sheet& sheet, SheetCells& kept, const std::vector<CellRange>& ranges) const;
    // The last row a two-cell anchor of the sheet's charts spans; -1 when none.
    static int deepestAnchorRow(const Sheet& sheet);

    std::unique_ptr<PackageReader> m_package;
    QString m_workbookPart;
    bool m_date1904 = false;
    std::vector<Sheet> m_sheets;
    QString m_sharedStringsPart;
    QString m_stylesPart;
    QString m_themePart;
    mutable std::optional<StylesPart> m_styles;
    QHash<QString, int> m_sheetIndex;  // lower-case name -> index in m_sheets (the first of a name)
    mutable QHash<QString, SheetCells> m_kept;         // by worksheet part
    mutable QHash<QString, CellSelection> m_expected;  // by worksheet part
    mutable QHash<QString, KeptGeometry> m_geometry;   // by worksheet part
    mutable int m_cellPasses = 0;
    mutable int m_geometryPasses = 0;
    mutable bool m_expectationsGiven = false;
};

}  // namespace engine

#pragma once

#include "engine/workbook/WorksheetPart.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace engine {

// The structure of a legacy Excel 97-2003 workbook (.xls, BIFF8 in a compound file) as far as
// chart discovery needs it: the sheets in tab order with their kind and visibility, and on every
// worksheet its embedded charts in the order of the worksheet's ChartObjects collection, with
// their names and anchors. Cell data is never interpreted.
//
// The compound file is opened with libgsf; the "Workbook" stream is read once into memory and
// its records walked with every length checked against the stream: the globals substream's
// BOUNDSHEET8 records give the sheet list, each worksheet substream its OBJ records (object type
// chart, found through FtCmo) and the OfficeArt drawing (MSODRAWING records and their CONTINUE
// records, joined) that holds the shapes' names (OPT property wzName) and anchors
// (OfficeArtClientAnchorSheet). Of a chart's own substream (BOF of type chart after its OBJ) only
// what a list of charts says is read (ChartOutline); of the worksheet's cells only the sizes of
// its columns and rows, so that a chart's size follows from its anchor.
//
// ChartObjects holds the chart objects that are direct members of the sheet's drawing, in
// drawing order; charts that are members of a group of shapes are not in it, as in the
// spreadsheet application. An unnamed chart object gets the name the application gives it:
// "Chart " followed by its object id.
//
// Errors: read() throws DocumentError naming the file (and the stream when it concerns one) for a
// file that is not a compound file, one without a Workbook stream (an Excel 5.0/95 "Book" stream
// and BIFF2-4 files are named as such), an encrypted workbook (FILEPASS), and a damaged or
// truncated stream: a record that runs past the end, a substream without its EOF, a sheet whose
// substream does not begin with a BOF. Nothing is ever written.
class XlsStructure {
public:
    enum class SheetKind { Worksheet, Chartsheet, MacroSheet, DialogSheet, Other };
    enum class Visibility { Visible, Hidden, VeryHidden };

    // Where a chart object sits: its top-left and bottom-right cells (0-based) and the offsets
    // within them, in 1/1024 of the column's width and 1/256 of the row's height.
    struct Anchor {
        int firstColumn = 0;
        int firstColumnOffset = 0;
        int firstRow = 0;
        int firstRowOffset = 0;
        int lastColumn = 0;
        int lastColumnOffset = 0;
        int lastRow = 0;
        int lastRowOffset = 0;
    };

    // What the chart's records say of it, named as the chart model names the same chart read
    // from an Open XML part (summarizeChart): its chart groups' kinds ("Column", "3-D Pie", ...,
    // "Combination" for several, "Chart" for none), the chart title's text ("" when the chart has
    // none or an automatic one; line breaks made blanks) and the number of its series (trend
    // lines and error bars, which the records keep as series of their own, not counted).
    struct ChartOutline {
        QString kind;
        QString title;
        int seriesCount = 0;
    };

    struct ChartObject {
        int objectId = 0;         // FtCmo id
        QString name;             // as stored, or the application's default name
        bool nameStored = false;  // whether the drawing stored the name
        std::optional<Anchor> anchor;
        std::optional<ChartOutline> outline;  // absent when no chart substream follows the OBJ
        // Where the chart's substream (its BOF record) begins in the Workbook stream; -1 when none
        // follows the OBJ.
        qsizetype substreamOffset = -1;
    };

    struct Sheet {
        QString name;
        SheetKind kind = SheetKind::Other;
        Visibility visibility = Visibility::Visible;
        std::vector<ChartObject> chartObjects;  // worksheets only, in ChartObjects order
        // Worksheets: column widths (COLINFO, DEFCOLWIDTH, STANDARDWIDTH) and the heights of the
        // rows whose height or visibility differs from the default (ROW, DEFAULTROWHEIGHT).
        SheetGeometry geometry;
        // Where the sheet's substream (its BOF record) begins in the Workbook stream; -1 for the
        // kinds of sheet not read.
        qsizetype substreamOffset = -1;
    };

    // The chart object's size in EMU from its anchor, as Workbook::chartSize gives that of a
    // two-cell anchor: the columns and rows it spans at their drawn sizes in pixels (hidden ones
    // 0), less the start offsets, plus the end offsets. nullopt when the object has no anchor.
    static std::optional<std::pair<qint64, qint64>> chartSize(const Sheet& sheet, const ChartObject& chart);

    // Reads the workbook at path. displayName names the file in errors (by default its name).
    static XlsStructure read(const QString& path);
    // The same from the bytes of a whole file in memory (fuzzing, tests); displayName names it.
    static XlsStructure fromFileBytes(const QByteArray& file, const QString& displayName);
    // The Workbook stream of the file at path, read whole; throws as read() does for a file that
    // has none or cannot be read. displayName names the file in errors.
    static QByteArray readWorkbookStream(const QString& path, const QString& displayName);
    // The same from the bytes of a Workbook stream alone.
    static XlsStructure fromWorkbookStream(const QByteArray& stream, const QString& displayName);

    const std::vector<Sheet>& sheets() const { return m_sheets; }
    // Worksheets only (chart, macro and dialog sheets left out), in tab order.
    std::vector<const Sheet*> worksheets() const;

    // The longest Workbook stream read; a larger one is refused rather than loaded.
    static constexpr qint64 kMaxStreamBytes = 1024LL * 1024 * 1024;

private:
    std::vector<Sheet> m_sheets;
};

}  // namespace engine

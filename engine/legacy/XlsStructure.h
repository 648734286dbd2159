#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
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
// (OfficeArtClientAnchorSheet). A chart's own substream (BOF of type chart after its OBJ) is
// passed over.
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

    struct ChartObject {
        int objectId = 0;         // FtCmo id
        QString name;             // as stored, or the application's default name
        bool nameStored = false;  // whether the drawing stored the name
        std::optional<Anchor> anchor;
    };

    struct Sheet {
        QString name;
        SheetKind kind = SheetKind::Other;
        Visibility visibility = Visibility::Visible;
        std::vector<ChartObject> chartObjects;  // worksheets only, in ChartObjects order
    };

    // Reads the workbook at path. displayName names the file in errors (by default its name).
    static XlsStructure read(const QString& path);
    // The same from the bytes of a whole file in memory (fuzzing, tests); displayName names it.
    static XlsStructure fromFileBytes(const QByteArray& file, const QString& displayName);
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

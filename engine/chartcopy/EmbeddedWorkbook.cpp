#include "engine/chartcopy/EmbeddedWorkbook.h"

#include "engine/package/Namespaces.h"
#include "engine/package/Package.h"
#include "engine/package/OoxmlNames.h"
#include "engine/package/XmlWriter.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace engine {

namespace {

const QString kSource = QStringLiteral("clipboard");
const QString kPart = QStringLiteral("embedded workbook");

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr int kMaxSheetName = 31;
constexpr int kMaxCellText = 32767;
// Custom number formats are numbered from here; lower numbers are the built-in ones.
constexpr int kFirstCustomFormat = 164;

const char* const kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

[[noreturn]] void fail(const QString& what) {
    throw DocumentError(DocumentError::Kind::Corrupt, kSource, kPart, what);
}

// A cell's address ("B7") for a 0-based row and column, into buffer; returns its length.
std::string_view cellReference(char (&buffer)[16], int row, int column) {
    char letters[4];
    int n = 0;
    for (int c = column + 1; c > 0; c = (c - 1) / 26) letters[n++] = char('A' + (c - 1) % 26);
    int length = 0;
    while (n > 0) buffer[length++] = letters[--n];
    const auto end = std::to_chars(buffer + length, buffer + sizeof buffer, row + 1).ptr;
    return {buffer, size_t(end - buffer)};
}

// The rules a spreadsheet application puts on a sheet's name.
void checkSheetName(const QString& name) {
    QString why;
    if (name.isEmpty()) why = QStringLiteral("it is empty");
    else if (name.size() > kMaxSheetName) why = QStringLiteral("it is longer than %1 characters").arg(kMaxSheetName);
    else if (name.contains(QRegularExpression(QStringLiteral("[\\[\\]:*?/\\\\]"))))
        why = QStringLiteral("it holds one of [ ] : * ? / \\");
    else if (name.startsWith(u'\'') || name.endsWith(u'\''))
        why = QStringLiteral("it begins or ends with an apostrophe");
    if (!why.isEmpty()) fail(QStringLiteral("sheet name \"%1\" cannot be used (%2)").arg(name, why));
}

struct Sheet {
    QString name;
    std::vector<const ChartPackage::Cell*> cells;
};

// One worksheet part: the cells in row order, each with its number format's style. Text is
// written in the spreadsheet's _xHHHH_ form where XML cannot carry a character, so that a
// control character in a cell comes back as it was.
QByteArray worksheetXml(const Sheet& sheet, const QHash<QString, int>& styles) {
    int firstRow = kMaxRows, lastRow = -1, firstColumn = kMaxColumns, lastColumn = -1;
    for (const ChartPackage::Cell* cell : sheet.cells) {
        firstRow = std::min(firstRow, cell->row);
        lastRow = std::max(lastRow, cell->row);
        firstColumn = std::min(firstColumn, cell->column);
        lastColumn = std::max(lastColumn, cell->column);
    }
    // A number cell takes about twice its address's digits and its value's digits, plus 30 bytes
    // of markup, and a row as much again: reserving that up front spares growing by doubling
    // (text cells are longer, and grow it when they are many).
    const qsizetype digits = QByteArray::number(lastRow + 1).size();
    QByteArray out;
    out.reserve(qsizetype(sheet.cells.size()) * (4 * digits + 48) + 512);
    xml::XmlWriter w(out, xml::XmlWriter::Unwritable::OfficeEscape);
    w.declaration();
    w.start("worksheet");
    w.namespaceDeclaration("", kMainNs);
    w.namespaceDeclaration("r", kRelNs);
    w.start("dimension");
    char reference[16];
    if (lastRow < 0) {
        w.attribute("ref", "A1");
    } else if (firstRow == lastRow && firstColumn == lastColumn) {
        w.attribute("ref", cellReference(reference, firstRow, firstColumn));
    } else {
        char last[16];
        std::string range(cellReference(reference, firstRow, firstColumn));
        range += ':';
        range += cellReference(last, lastRow, lastColumn);
        w.attribute("ref", std::string_view(range));
    }
    w.end();
    w.start("sheetData");
    int openRow = -1;
    for (const ChartPackage::Cell* cell : sheet.cells) {
        if (cell->row != openRow) {
            if (openRow >= 0) w.end();
            w.start("row");
            w.attribute("r", cell->row + 1);
            openRow = cell->row;
        }
        w.start("c");
        w.attribute("r", cellReference(reference, cell->row, cell->column));
        if (const int style = styles.value(cell->numberFormat); style > 0) w.attribute("s", style);
        switch (cell->value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            w.start("v");
            w.number(cell->value.toDouble());
            w.end();
            break;
        case QMetaType::Bool:
            w.attribute("t", "b");
            w.start("v");
            w.text(cell->value.toBool() ? "1" : "0");
            w.end();
            break;
        default:
            w.attribute("t", "inlineStr");
            w.start("is");
            w.start("t");
            w.attribute("xml:space", "preserve");
            w.text(cell->value.toString());
            w.end();
            w.end();
            break;
        }
        w.end();
    }
    w.finish();
    return out;
}

// The styles part: the default look, and one cell format per number format the cells use.
QByteArray stylesXml(const QStringList& formats) {
    QByteArray out;
    xml::XmlWriter w(out, xml::XmlWriter::Unwritable::OfficeEscape);
    w.declaration();
    w.start("styleSheet");
    w.namespaceDeclaration("", kMainNs);
    if (!formats.isEmpty()) {
        w.start("numFmts");
        w.attribute("count", formats.size());
        for (qsizetype i = 0; i < formats.size(); ++i) {
            w.start("numFmt");
            w.attribute("numFmtId", kFirstCustomFormat + i);
            w.attribute("formatCode", formats[i]);
            w.end();
        }
        w.end();
    }
    // The workbook carries no theme, so its font names no theme colour or font scheme.
    w.start("fonts");
    w.attribute("count", 1);
    w.start("font");
    const std::initializer_list<std::pair<const char*, const char*>> font{
        {"sz", "11"}, {"name", "Calibri"}, {"family", "2"}};
    for (const auto& [name, value] : font) {
        w.start(name);
        w.attribute("val", value);
        w.end();
    }
    w.end();
    w.end();
    w.start("fills");
    w.attribute("count", 2);
    for (const char* pattern : {"none", "gray125"}) {
        w.start("fill");
        w.start("patternFill");
        w.attribute("patternType", pattern);
        w.end();
        w.end();
    }
    w.end();
    w.start("borders");
    w.attribute("count", 1);
    w.start("border");
    for (const char* side : {"left", "right", "top", "bottom", "diagonal"}) {
        w.start(side);
        w.end();
    }
    w.end();
    w.end();
    const auto cellFormat = [&](qsizetype numberFormat, bool inCellXfs) {
        w.start("xf");
        w.attribute("numFmtId", numberFormat);
        w.attribute("fontId", 0);
        w.attribute("fillId", 0);
        w.attribute("borderId", 0);
        if (inCellXfs) w.attribute("xfId", 0);
        if (numberFormat != 0) w.attribute("applyNumberFormat", 1);
        w.end();
    };
    w.start("cellStyleXfs");
    w.attribute("count", 1);
    cellFormat(0, false);
    w.end();
    w.start("cellXfs");
    w.attribute("count", formats.size() + 1);
    cellFormat(0, true);
    for (qsizetype i = 0; i < formats.size(); ++i) cellFormat(kFirstCustomFormat + i, true);
    w.end();
    w.start("cellStyles");
    w.attribute("count", 1);
    w.start("cellStyle");
    w.attribute("name", "Normal");
    w.attribute("xfId", 0);
    w.attribute("builtinId", 0);
    w.finish();
    return out;
}

QByteArray workbookXml(const std::vector<Sheet>& sheets, const QStringList& ids, bool date1904) {
    QByteArray out;
    xml::XmlWriter w(out, xml::XmlWriter::Unwritable::OfficeEscape);
    w.declaration();
    w.start("workbook");
    w.namespaceDeclaration("", kMainNs);
    w.namespaceDeclaration("r", kRelNs);
    w.start("workbookPr");
    if (date1904) w.attribute("date1904", 1);
    w.end();
    w.start("bookViews");
    w.start("workbookView");
    w.end();
    w.end();
    w.start("sheets");
    for (size_t i = 0; i < sheets.size(); ++i) {
        w.start("sheet");
        w.attribute("name", sheets[i].name);
        w.attribute("sheetId", i + 1);
        w.attribute("r:id", ids[qsizetype(i)]);
        w.end();
    }
    w.finish();
    return out;
}

}  // namespace

QByteArray buildEmbeddedWorkbook(const ChartPackage& package) {
    // Sheets in the order the chart first names them; at least the chart's own sheet, so that
    // a chart of literal data still gets a workbook to edit.
    std::vector<Sheet> sheets;
    QHash<QString, size_t> sheetIndex;  // by lower-case name: sheet names ignore case
    auto sheetFor = [&](QString name) -> Sheet& {
        if (name.isEmpty()) name = package.sheetName.isEmpty() ? QStringLiteral("Sheet1") : package.sheetName;
        const QString key = name.toLower();
        auto it = sheetIndex.constFind(key);
        if (it != sheetIndex.constEnd()) return sheets[*it];
        checkSheetName(name);
        sheetIndex.insert(key, sheets.size());
        sheets.push_back({name, {}});
        return sheets.back();
    };

    QHash<QString, int> styles;  // number format code -> cell format index
    QStringList formats;
    const QString* runName = nullptr;
    Sheet* runSheet = nullptr;
    for (const ChartPackage::Cell& cell : package.cells) {
        if (cell.value.isNull() || !cell.value.isValid()) continue;
        // Cells come in runs of one sheet, so the sheet of a run is looked up once.
        if (!runName || cell.sheet != *runName) {
            runName = &cell.sheet;
            runSheet = &sheetFor(cell.sheet);
        }
        if (cell.row < 0 || cell.row >= kMaxRows || cell.column < 0 || cell.column >= kMaxColumns) {
            fail(QStringLiteral("cell at row %1, column %2 is outside a worksheet").arg(cell.row + 1).arg(cell.column + 1));
        }
        if (cell.value.typeId() == QMetaType::Double || cell.value.typeId() == QMetaType::Float) {
            // Would be written as "nan" or "inf", which no spreadsheet reads back as that number.
            if (!std::isfinite(cell.value.toDouble())) {
                fail(QStringLiteral("cell at row %1, column %2 of \"%3\" holds a number that is not finite")
                         .arg(cell.row + 1)
                         .arg(cell.column + 1)
                         .arg(cell.sheet));
            }
        } else if (cell.value.typeId() == QMetaType::QString && cell.value.toString().size() > kMaxCellText) {
            fail(QStringLiteral("cell at row %1, column %2 of \"%3\" holds more than %4 characters")
                     .arg(cell.row + 1)
                     .arg(cell.column + 1)
                     .arg(cell.sheet)
                     .arg(kMaxCellText));
        }
        if (!cell.numberFormat.isEmpty() && cell.numberFormat.compare(QLatin1String("General"), Qt::CaseInsensitive) != 0 &&
            !styles.contains(cell.numberFormat)) {
            formats << cell.numberFormat;
            styles.insert(cell.numberFormat, int(formats.size()));
        }
        runSheet->cells.push_back(&cell);
    }
    if (sheets.empty()) sheetFor(QString());

    // Rows in order, cells in order within a row; they mostly come so already, which is
    // checked before sorting. A cell given twice keeps its first value, as the sheet's did.
    const auto before = [](const ChartPackage::Cell* a, const ChartPackage::Cell* b) {
        return a->row != b->row ? a->row < b->row : a->column < b->column;
    };
    const auto same = [](const ChartPackage::Cell* a, const ChartPackage::Cell* b) {
        return a->row == b->row && a->column == b->column;
    };
    for (Sheet& sheet : sheets) {
        if (!std::is_sorted(sheet.cells.begin(), sheet.cells.end(), before))
            std::stable_sort(sheet.cells.begin(), sheet.cells.end(), before);
        sheet.cells.erase(std::unique(sheet.cells.begin(), sheet.cells.end(), same), sheet.cells.end());
    }

    using namespace ooxml;
    Package workbook;
    ContentTypes& types = workbook.contentTypes();
    types.setDefault(QStringLiteral("rels"), QString::fromLatin1(ct::kRelationships));
    types.setDefault(QStringLiteral("xml"), QString::fromLatin1(ct::kXml));

    Relationships root;
    root.add(QString::fromLatin1(xml::rel::kOfficeDocument), QString(), QStringLiteral("/xl/workbook.xml"));
    workbook.setRelationships(QString(), root);

    const QString workbookPart = QStringLiteral("/xl/workbook.xml");
    Relationships rels;
    QStringList ids;
    for (size_t i = 0; i < sheets.size(); ++i) {
        const QString part = QStringLiteral("/xl/worksheets/sheet%1.xml").arg(i + 1);
        ids << rels.add(QString::fromLatin1(xml::rel::kWorksheet), workbookPart, part);
        workbook.setPart(part, worksheetXml(sheets[i], styles));
        types.setOverride(part, QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"));
    }
    rels.add(QString::fromLatin1(xml::rel::kStyles), workbookPart, QStringLiteral("/xl/styles.xml"));
    workbook.setRelationships(workbookPart, rels);
    workbook.setPart(workbookPart, workbookXml(sheets, ids, package.date1904));
    types.setOverride(workbookPart, QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"));
    workbook.setPart(QStringLiteral("/xl/styles.xml"), stylesXml(formats));
    types.setOverride(QStringLiteral("/xl/styles.xml"),
                      QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"));
    return workbook.toZipBytes();
}

}  // namespace engine

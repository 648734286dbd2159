#include "engine/chartcopy/EmbeddedWorkbook.h"

#include "engine/package/Namespaces.h"
#include "engine/package/Package.h"
#include "engine/package/OoxmlNames.h"

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

const char* const kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char* const kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

[[noreturn]] void fail(const QString& what) {
    throw DocumentError(DocumentError::Kind::Corrupt, kSource, kPart, what);
}

// Text as XML character data or attribute value. Characters XML cannot carry at all (most
// control characters) are written in the spreadsheet's own _xHHHH_ form, and text that
// already looks like that form has its underscore escaped, so that it reads back unchanged.
void appendText(QByteArray& out, const QString& text) {
    QString escaped;
    const QString* source = &text;
    const auto forbidden = [](char16_t c) {
        return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
    };
    const auto looksEscaped = [&](qsizetype i) {
        if (i + 6 >= text.size() || text[i + 1] != u'x' || text[i + 6] != u'_') return false;
        for (qsizetype k = i + 2; k < i + 6; ++k) {
            const char16_t d = text[k].unicode();
            if (!((d >= u'0' && d <= u'9') || (d >= u'a' && d <= u'f') || (d >= u'A' && d <= u'F'))) return false;
        }
        return true;
    };
    const bool needsEscaping = std::any_of(text.begin(), text.end(), [&](QChar c) {
        return forbidden(c.unicode()) || c == u'_';
    });
    if (needsEscaping) {
        escaped.reserve(text.size() + 16);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (forbidden(c)) {
                escaped += QStringLiteral("_x") + QStringLiteral("%1").arg(int(c), 4, 16, QLatin1Char('0')).toUpper() +
                           QLatin1Char('_');
            } else if (c == u'_' && looksEscaped(i)) {
                escaped += QStringLiteral("_x005F_");
            } else {
                escaped += QChar(c);
            }
        }
        source = &escaped;
    }
    const QByteArray utf8 = source->toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c; break;
        }
    }
}

// "A", "B", ... "Z", "AA", ... for a 0-based column.
void appendColumnName(QByteArray& out, int column) {
    char letters[4];
    int n = 0;
    for (int c = column + 1; c > 0; c = (c - 1) / 26) letters[n++] = char('A' + (c - 1) % 26);
    while (n > 0) out += letters[--n];
}

void appendInt(QByteArray& out, long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

// The shortest text that reads back as the same double.
void appendDouble(QByteArray& out, double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
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

// One worksheet part: the cells in row order, each with its number format's style.
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
    out += kXmlDeclaration;
    out += "<worksheet xmlns=\"";
    out += kMainNs;
    out += "\" xmlns:r=\"";
    out += kRelNs;
    out += "\"><dimension ref=\"";
    if (lastRow < 0) {
        out += "A1";
    } else {
        appendColumnName(out, firstColumn);
        appendInt(out, firstRow + 1);
        if (firstRow != lastRow || firstColumn != lastColumn) {
            out += ':';
            appendColumnName(out, lastColumn);
            appendInt(out, lastRow + 1);
        }
    }
    out += "\"/><sheetData>";
    int openRow = -1;
    for (const ChartPackage::Cell* cell : sheet.cells) {
        if (cell->row != openRow) {
            if (openRow >= 0) out += "</row>";
            out += "<row r=\"";
            appendInt(out, cell->row + 1);
            out += "\">";
            openRow = cell->row;
        }
        out += "<c r=\"";
        appendColumnName(out, cell->column);
        appendInt(out, cell->row + 1);
        out += '"';
        if (const int style = styles.value(cell->numberFormat); style > 0) {
            out += " s=\"";
            appendInt(out, style);
            out += '"';
        }
        switch (cell->value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            out += "><v>";
            appendDouble(out, cell->value.toDouble());
            out += "</v></c>";
            break;
        case QMetaType::Bool:
            out += cell->value.toBool() ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>";
            break;
        default:
            out += " t=\"inlineStr\"><is><t xml:space=\"preserve\">";
            appendText(out, cell->value.toString());
            out += "</t></is></c>";
            break;
        }
    }
    if (openRow >= 0) out += "</row>";
    out += "</sheetData></worksheet>";
    return out;
}

// The styles part: the default look, and one cell format per number format the cells use.
QByteArray stylesXml(const QStringList& formats) {
    QByteArray out = kXmlDeclaration;
    out += "<styleSheet xmlns=\"";
    out += kMainNs;
    out += "\">";
    if (!formats.isEmpty()) {
        out += "<numFmts count=\"";
        appendInt(out, formats.size());
        out += "\">";
        for (qsizetype i = 0; i < formats.size(); ++i) {
            out += "<numFmt numFmtId=\"";
            appendInt(out, kFirstCustomFormat + i);
            out += "\" formatCode=\"";
            appendText(out, formats[i]);
            out += "\"/>";
        }
        out += "</numFmts>";
    }
    // The workbook carries no theme, so its font names no theme colour or font scheme.
    out += "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"";
    appendInt(out, formats.size() + 1);
    out += "\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
    for (qsizetype i = 0; i < formats.size(); ++i) {
        out += "<xf numFmtId=\"";
        appendInt(out, kFirstCustomFormat + i);
        out += "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>";
    }
    out += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
           "</cellStyles></styleSheet>";
    return out;
}

QByteArray workbookXml(const std::vector<Sheet>& sheets, const QStringList& ids, bool date1904) {
    QByteArray out = kXmlDeclaration;
    out += "<workbook xmlns=\"";
    out += kMainNs;
    out += "\" xmlns:r=\"";
    out += kRelNs;
    out += "\">";
    out += date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>";
    out += "<bookViews><workbookView/></bookViews><sheets>";
    for (size_t i = 0; i < sheets.size(); ++i) {
        out += "<sheet name=\"";
        appendText(out, sheets[i].name);
        out += "\" sheetId=\"";
        appendInt(out, qint64(i) + 1);
        out += "\" r:id=\"";
        appendText(out, ids[qsizetype(i)]);
        out += "\"/>";
    }
    out += "</sheets></workbook>";
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

#include "engine/presentation/EmbeddedWorkbook.h"

#include "engine/package/Xml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <memory>
#include <xlsxwriter.h>

namespace engine {

namespace {

const QString kSource = QStringLiteral("clipboard");
const QString kPart = QStringLiteral("embedded workbook");

[[noreturn]] void fail(const QString& what) {
    throw DocumentError(kSource, kPart, what);
}

// The first children of a workbook part, in schema order, up to its sheets.
const xml::ChildSequence kWorkbookChildren{
    {{xml::Ns::S, "fileVersion"}}, {{xml::Ns::S, "fileSharing"}},  {{xml::Ns::S, "workbookPr"}},
    {{xml::Ns::S, "workbookProtection"}}, {{xml::Ns::S, "bookViews"}}, {{xml::Ns::S, "sheets"}}};

// Marks the workbook's dates as counted from 1904, which libxlsxwriter cannot set itself.
QByteArray withDate1904(const QByteArray& xlsx) {
    Package workbook = Package::fromZipBytes(xlsx, kPart);
    const QString part = QStringLiteral("/xl/workbook.xml");
    pugi::xml_document doc;
    parseXml(doc, workbook.part(part), kPart, part);
    auto root = doc.document_element();
    auto properties = xml::child(root, xml::Ns::S, "workbookPr");
    if (!properties) properties = xml::insertChild(root, kWorkbookChildren, xml::Ns::S, "workbookPr");
    if (!properties.attribute("date1904")) properties.append_attribute("date1904");
    properties.attribute("date1904") = "1";
    workbook.setPart(part, xmlBytes(doc));
    return workbook.toZipBytes();
}

// Where the workbook is staged: a memory-backed folder when the system has one, since
// libxlsxwriter can only write to files and a copy run builds one workbook per chart.
QString stagingFolder() {
    static const QString folder = [] {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return shm.isDir() && shm.isWritable() ? shm.absoluteFilePath() : QDir::tempPath();
    }();
    return folder;
}

}  // namespace

QByteArray buildEmbeddedWorkbook(const ChartPackage& package) {
    QTemporaryFile file(stagingFolder() + QStringLiteral("/quillmere-embed-XXXXXX.xlsx"));
    if (!file.open()) fail(QStringLiteral("no temporary file for the chart data"));
    const QByteArray path = QFile::encodeName(file.fileName());
    file.close();

    struct Closer {
        void operator()(lxw_workbook* wb) const {
            if (wb) workbook_close(wb);
        }
    };
    const QByteArray tmpdir = QFile::encodeName(stagingFolder());
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    // Rows go to disk as they are finished, so a chart of a million points costs little memory;
    // cells must then come sheet by sheet in row order, which the loop below sees to.
    options.constant_memory = LXW_TRUE;
    std::unique_ptr<lxw_workbook, Closer> workbook(workbook_new_opt(path.constData(), &options));
    if (!workbook) fail(QStringLiteral("cannot start the workbook for the chart data"));

    // Sheets in the order the chart first refers to them; at least the chart's own sheet, so
    // that a chart of literal data still gets a workbook to edit.
    QHash<QString, lxw_worksheet*> sheets;
    QHash<QString, lxw_format*> formats;
    auto sheetFor = [&](QString name) {
        if (name.isEmpty()) name = package.sheetName.isEmpty() ? QStringLiteral("Sheet1") : package.sheetName;
        auto it = sheets.constFind(name.toLower());
        if (it != sheets.constEnd()) return *it;
        const QByteArray utf8 = name.toUtf8();
        const lxw_error valid = workbook_validate_sheet_name(workbook.get(), utf8.constData());
        if (valid != LXW_NO_ERROR) {
            fail(QStringLiteral("sheet name \"%1\" cannot be used (%2)")
                     .arg(name, QString::fromUtf8(lxw_strerror(valid))));
        }
        lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), utf8.constData());
        if (!sheet) fail(QStringLiteral("sheet \"%1\" cannot be added").arg(name));
        sheets.insert(name.toLower(), sheet);
        return sheet;
    };
    auto formatFor = [&](const QString& code) -> lxw_format* {
        if (code.isEmpty() || code.compare("General", Qt::CaseInsensitive) == 0) return nullptr;
        auto it = formats.constFind(code);
        if (it != formats.constEnd()) return *it;
        lxw_format* format = workbook_add_format(workbook.get());
        format_set_num_format(format, code.toUtf8().constData());
        formats.insert(code, format);
        return format;
    };

    // Every sheet is added first, in the order the chart first names them; then each sheet's
    // cells are written in row order. Cells come in runs of one sheet, so the sheet of the run
    // is looked up once; and they mostly come sorted already, which is checked before sorting.
    struct Placed {
        int rank;
        lxw_worksheet* sheet;
        const ChartPackage::Cell* cell;
    };
    std::vector<Placed> ordered;
    ordered.reserve(package.cells.size());
    QHash<lxw_worksheet*, int> sheetRank;
    const QString* runName = nullptr;
    lxw_worksheet* runSheet = nullptr;
    int runRank = 0;
    for (const auto& cell : package.cells) {
        if (!runName || cell.sheet != *runName) {
            runName = &cell.sheet;
            runSheet = sheetFor(cell.sheet);
            runRank = sheetRank.value(runSheet, int(sheetRank.size()));
            sheetRank.insert(runSheet, runRank);
        }
        ordered.push_back({runRank, runSheet, &cell});
    }
    const auto before = [](const Placed& a, const Placed& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        if (a.cell->row != b.cell->row) return a.cell->row < b.cell->row;
        return a.cell->column < b.cell->column;
    };
    if (!std::is_sorted(ordered.begin(), ordered.end(), before)) {
        std::stable_sort(ordered.begin(), ordered.end(), before);
    }
    for (const auto& [rank, sheet, cellPointer] : ordered) {
        const ChartPackage::Cell& cell = *cellPointer;
        if (cell.value.isNull() || !cell.value.isValid()) continue;
        if (cell.row < 0 || cell.row > 1048575 || cell.column < 0 || cell.column > 16383) {
            fail(QStringLiteral("cell at row %1, column %2 is outside a worksheet")
                     .arg(cell.row + 1)
                     .arg(cell.column + 1));
        }
        const auto row = static_cast<lxw_row_t>(cell.row);
        const auto col = static_cast<lxw_col_t>(cell.column);
        lxw_format* format = formatFor(cell.numberFormat);
        lxw_error error = LXW_NO_ERROR;
        switch (cell.value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong: {
            const double number = cell.value.toDouble();
            // Written as "NAN" or "INF", which no spreadsheet reads back as that number.
            if (!std::isfinite(number)) {
                fail(QStringLiteral("cell at row %1, column %2 of \"%3\" holds a number that is not finite")
                         .arg(cell.row + 1)
                         .arg(cell.column + 1)
                         .arg(cell.sheet));
            }
            error = worksheet_write_number(sheet, row, col, number, format);
            break;
        }
        case QMetaType::Bool:
            error = worksheet_write_boolean(sheet, row, col, cell.value.toBool(), format);
            break;
        default:
            error = worksheet_write_string(sheet, row, col, cell.value.toString().toUtf8().constData(),
                                           format);
            break;
        }
        if (error != LXW_NO_ERROR) {
            fail(QStringLiteral("cell at row %1, column %2 of \"%3\" cannot be written (%4)")
                     .arg(cell.row + 1)
                     .arg(cell.column + 1)
                     .arg(cell.sheet, QString::fromUtf8(lxw_strerror(error))));
        }
    }
    if (sheets.isEmpty()) sheetFor(QString());

    const lxw_error closed = workbook_close(workbook.release());
    if (closed != LXW_NO_ERROR) {
        fail(QStringLiteral("cannot be written (%1)").arg(QString::fromUtf8(lxw_strerror(closed))));
    }
    QFile written(QFile::decodeName(path));
    if (!written.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot be read back"));
    QByteArray bytes = written.readAll();
    written.close();
    return package.date1904 ? withDate1904(bytes) : bytes;
}

}  // namespace engine

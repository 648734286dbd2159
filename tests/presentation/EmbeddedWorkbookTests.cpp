// The workbook written beside a pasted chart: every cell back at its address with its value
// and number format, in a file that our reader, an independent reader and LibreOffice open.

#include "Fixtures.h"

#include "engine/package/Xml.h"
#include "engine/chartcopy/EmbeddedWorkbook.h"
#include "engine/workbook/Workbook.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

using Cell = engine::ChartPackage::Cell;

engine::ChartPackage packageOf(std::vector<Cell> cells) {
    engine::ChartPackage package;
    package.sheetName = QStringLiteral("Data");
    package.cells = std::move(cells);
    return package;
}

// The raw XML of the first worksheet of an embedded workbook.
QByteArray firstSheetXml(const QByteArray& xlsx) {
    const auto workbook = engine::Package::fromZipBytes(xlsx, QStringLiteral("embedded"));
    return workbook.part(QStringLiteral("/xl/worksheets/sheet1.xml"));
}

TEST(EmbeddedWorkbook, EveryCellReadsBackAtItsAddressWithItsValueAndFormat) {
    // Cells out of row order, spread over two sheets named in the chart's order, at the far
    // corners of a sheet, with numbers at the edges of what a double holds.
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double huge = std::numeric_limits<double>::max();
    const auto package = packageOf({
        {"Data", 9, 1, 0.1 + 0.2, "0.00"},
        {"Data", 0, 0, QStringLiteral("Month"), {}},
        {"Other Sheet", 1048575, 16383, -1e-300, "0.00E+00"},
        {"Data", 9, 0, QStringLiteral("Oct"), {}},
        {"Data", 0, 26, huge, {}},
        {"Data", 0, 51, tiny, "General"},
        {"Data", 3, 52, true, {}},
        {"Data", 4, 52, false, {}},
        {"Data", 2, 1, 45000.0, "[$-409]d-mmm-yy;@"},
        {"Data", 5, 1, QVariant(), {}},
        {"Other Sheet", 0, 0, 7.0, "0.00"},
    });
    const QByteArray xlsx = engine::buildEmbeddedWorkbook(package);
    const fixtures::Cells cells = fixtures::readWorkbookCells(xlsx);

    EXPECT_EQ(cells.size(), 10);  // the empty cell is left out
    EXPECT_EQ(cells.value({"Data", 9, 1}).value.toDouble(), 0.1 + 0.2);  // every bit kept
    EXPECT_EQ(cells.value({"Data", 9, 1}).numberFormat, "0.00");
    EXPECT_EQ(cells.value({"Data", 0, 0}).value.toString(), "Month");
    EXPECT_EQ(cells.value({"Other Sheet", 1048575, 16383}).value.toDouble(), -1e-300);
    EXPECT_EQ(cells.value({"Other Sheet", 1048575, 16383}).numberFormat, "0.00E+00");
    EXPECT_EQ(cells.value({"Data", 0, 26}).value.toDouble(), huge);
    EXPECT_EQ(cells.value({"Data", 0, 51}).value.toDouble(), tiny);
    EXPECT_EQ(cells.value({"Data", 0, 51}).numberFormat, "");
    EXPECT_EQ(cells.value({"Data", 3, 52}).value, QVariant(true));
    EXPECT_EQ(cells.value({"Data", 4, 52}).value, QVariant(false));
    EXPECT_EQ(cells.value({"Data", 2, 1}).numberFormat, "[$-409]d-mmm-yy;@");
    EXPECT_EQ(cells.value({"Other Sheet", 0, 0}).numberFormat, "0.00");

    // Sheets in the order the chart first names them, rows ascending within each.
    const auto workbook = engine::Package::fromZipBytes(xlsx, QStringLiteral("embedded"));
    pugi::xml_document book;
    engine::parseXml(book, workbook.part(QStringLiteral("/xl/workbook.xml")), "embedded", "workbook");
    QStringList names;
    for (auto sheet : engine::xml::child(book.document_element(), engine::xml::Ns::S, "sheets").children())
        names << QString::fromUtf8(sheet.attribute("name").value());
    EXPECT_EQ(names, (QStringList{"Data", "Other Sheet"}));
    pugi::xml_document sheet;
    engine::parseXml(sheet, firstSheetXml(xlsx), "embedded", "sheet1");
    int previous = 0;
    for (auto row : engine::xml::child(sheet.document_element(), engine::xml::Ns::S, "sheetData").children()) {
        EXPECT_GT(row.attribute("r").as_int(), previous);
        previous = row.attribute("r").as_int();
    }

    // Our own workbook reader agrees, addresses past column Z included.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("embedded.xlsx"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(xlsx);
    file.close();
    const auto reopened = engine::Workbook::open(path);
    const auto read = reopened->readCells(QStringLiteral("Data"), {engine::CellRange{"Data", 0, 26, 9, 52}});
    ASSERT_TRUE(read.has_value());
    int found = 0;
    for (const auto& cell : *read) {
        if (cell.row == 0 && cell.column == 26) {
            EXPECT_EQ(cell.value.toDouble(), huge);
            ++found;
        }
        if (cell.row == 3 && cell.column == 52) {
            EXPECT_EQ(cell.value, QVariant(true));
            ++found;
        }
    }
    EXPECT_EQ(found, 2);
}

TEST(EmbeddedWorkbook, TextIsWrittenSoThatItReadsBackUnchanged) {
    const QString markup = QStringLiteral("A & B <c> \"quoted\" 'single'");
    const QString spaced = QStringLiteral("  two\tlines\r\nand spaces  ");
    const QString control = QStringLiteral("bell") + QChar(7) + QStringLiteral("end");
    const QString lookalike = QStringLiteral("_x0041_ is not A");
    const QString wide = QStringLiteral("Zürich – 東京 😀");
    const auto package = packageOf({{"Data", 0, 0, markup, {}},
                                    {"Data", 1, 0, spaced, {}},
                                    {"Data", 2, 0, control, {}},
                                    {"Data", 3, 0, lookalike, {}},
                                    {"Data", 4, 0, wide, {}}});
    const QByteArray xlsx = engine::buildEmbeddedWorkbook(package);
    const fixtures::Cells cells = fixtures::readWorkbookCells(xlsx);
    EXPECT_EQ(cells.value({"Data", 0, 0}).value.toString(), markup);
    EXPECT_EQ(cells.value({"Data", 1, 0}).value.toString(), spaced);  // no whitespace folded
    EXPECT_EQ(cells.value({"Data", 4, 0}).value.toString(), wide);
    // Characters XML cannot carry take the spreadsheet's escape, and text that looks like
    // one has its underscore escaped, so that a spreadsheet reads both back as they were.
    EXPECT_EQ(cells.value({"Data", 2, 0}).value.toString(), "bell_x0007_end");
    EXPECT_EQ(cells.value({"Data", 3, 0}).value.toString(), "_x005F_x0041_ is not A");
}

TEST(EmbeddedWorkbook, RefusesWhatNoWorkbookCanHoldNamingTheCell) {
    const auto refusal = [](std::vector<Cell> cells) -> QString {
        try {
            engine::buildEmbeddedWorkbook(packageOf(std::move(cells)));
        } catch (const engine::DocumentError& e) {
            return e.message();
        }
        return {};
    };
    EXPECT_TRUE(refusal({{"Data", 0, 0, std::numeric_limits<double>::infinity(), {}}}).contains("not finite"));
    EXPECT_TRUE(refusal({{"Data", 0, 0, std::nan(""), {}}}).contains("row 1, column 1"));
    EXPECT_TRUE(refusal({{"Data", 1048576, 0, 1.0, {}}}).contains("outside a worksheet"));
    EXPECT_TRUE(refusal({{"Data", 0, 16384, 1.0, {}}}).contains("outside a worksheet"));
    EXPECT_TRUE(refusal({{"Data", 0, 0, QString(32768, u'x'), {}}}).contains("32767"));
    EXPECT_TRUE(refusal({{"Data", 0, 0, QString(32767, u'x'), {}}}).isEmpty());
    EXPECT_TRUE(refusal({{"A/B", 0, 0, 1.0, {}}}).contains("sheet name \"A/B\""));
    EXPECT_TRUE(refusal({{"'Quoted", 0, 0, 1.0, {}}}).contains("apostrophe"));
    EXPECT_TRUE(refusal({{QString(32, u's'), 0, 0, 1.0, {}}}).contains("31 characters"));
    // Sheet names ignore case: two spellings are one sheet.
    EXPECT_TRUE(refusal({{"Data", 0, 0, 1.0, {}}, {"DATA", 1, 0, 2.0, {}}}).isEmpty());
}

TEST(EmbeddedWorkbook, AChartOfLiteralDataStillGetsASheetToEdit) {
    const QByteArray xlsx = engine::buildEmbeddedWorkbook(packageOf({}));
    const auto workbook = engine::Package::fromZipBytes(xlsx, QStringLiteral("embedded"));
    EXPECT_TRUE(workbook.hasPart(QStringLiteral("/xl/worksheets/sheet1.xml")));
    EXPECT_TRUE(fixtures::readWorkbookCells(xlsx).isEmpty());
}

// LibreOffice, as an outside reader, reads the numbers, text and truth values back.
TEST(EmbeddedWorkbook, LibreOfficeReadsTheCells) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) GTEST_SKIP() << "no soffice";
    QTemporaryDir dir;
    const auto package = packageOf({{"Data", 0, 0, QStringLiteral("A & B"), {}},
                                    {"Data", 0, 1, 2.5, "0.00"},
                                    {"Data", 1, 0, QStringLiteral("x"), {}},
                                    {"Data", 1, 1, -1234567.125, {}},
                                    {"Data", 2, 1, true, {}}});
    QFile file(dir.filePath(QStringLiteral("embedded.xlsx")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(engine::buildEmbeddedWorkbook(package));
    file.close();
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("csv"),
                   QStringLiteral("--outdir"), dir.path(), file.fileName()});
    ASSERT_TRUE(soffice.waitForFinished(240000));
    QFile csv(dir.filePath(QStringLiteral("embedded.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << soffice.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    // (LibreOffice's text export writes numbers in their standard form, as it does for a
    // workbook the spreadsheet application saved.)
    EXPECT_EQ(lines[0].trimmed().toStdString(), "A & B,2.5");
    EXPECT_EQ(lines[1].trimmed().toStdString(), "x,-1234567.125");
    EXPECT_EQ(lines[2].trimmed().toStdString(), ",TRUE");
}

}  // namespace

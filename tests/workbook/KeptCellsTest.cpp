// Reading every worksheet once for all the charts of a workbook, and inputs whose size once
// made a reading quadratic: many formulas, relationships, <col> elements, long tags and text.

#include "GeneratedWorkbooks.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/workbook/Workbook.h"
#include "engine/workbook/XmlStream.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using engine::CellRange;
using engine::ChartPackage;
using engine::DocumentError;
using engine::Workbook;

namespace {

QString dataFile(const QString& name) {
    QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    if (source.isEmpty()) source = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT);
    return source + QStringLiteral("/tests/workbook/data/") + name;
}

const ChartPackage::Cell* cellAt(const ChartPackage& package, const QString& sheet, int row, int column) {
    for (const auto& cell : package.cells) {
        if (cell.sheet == sheet && cell.row == row && cell.column == column) return &cell;
    }
    return nullptr;
}

std::map<QString, ChartPackage> collectAll(const Workbook& book) {
    std::map<QString, ChartPackage> charts;
    for (const auto* sheet : book.worksheets()) {
        for (const auto& chart : sheet->chartObjects) {
            charts[sheet->name + u'/' + chart.name] = engine::collectChart(book, *sheet, chart);
        }
    }
    return charts;
}

QVariantList valuesOf(const Workbook& book, const CellRange& range) {
    QVariantList values;
    const auto cells = book.readCells(range.sheet, {range});
    if (cells) {
        for (const auto& cell : *cells) values << cell.value;
    }
    return values;
}

// A one-sheet workbook written with the engine's own package writer: the given worksheet
// XML, and a drawing holding `frames` chart frames spanning columns A to lastColumn, each
// through its own relationship, all showing one chart of Sheet!A1:A3.
void writeWorkbook(const QString& path, const QByteArray& sheetXml, int frames, int lastColumn = 2) {
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const auto relsOf = [&](const QByteArray& body) {
        return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + body +
               "</Relationships>";
    };
    const auto relationship = [&](const QByteArray& id, const QByteArray& type, const QByteArray& target) {
        return "<Relationship Id=\"" + id + "\" Type=\"" + rel + type + "\" Target=\"" + target + "\"/>";
    };
    QByteArray anchors, drawingRels;
    for (int i = 1; i <= frames; ++i) {
        const QByteArray id = "rId" + QByteArray::number(i);
        anchors += "<xdr:twoCellAnchor><xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0</xdr:row>"
                   "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>" + QByteArray::number(lastColumn) +
                   "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>10</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>"
                   "<xdr:graphicFrame><xdr:nvGraphicFramePr><xdr:cNvPr id=\"" + QByteArray::number(i + 1) +
                   "\" name=\"Chart " + QByteArray::number(i) + "\"/></xdr:nvGraphicFramePr><a:graphic>"
                   "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart r:id=\"" +
                   id + "\"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor>";
        drawingRels += relationship(id, "chart", "../charts/chart1.xml");
    }
    engine::Package package;
    package.setPart(QStringLiteral("/_rels/.rels"), relsOf(relationship("rId1", "officeDocument", "xl/workbook.xml")));
    package.setPart(QStringLiteral("/xl/workbook.xml"),
                    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" +
                        rel.chopped(1) + "\"><sheets><sheet name=\"Sheet\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    package.setPart(QStringLiteral("/xl/_rels/workbook.xml.rels"),
                    relsOf(relationship("rId1", "worksheet", "worksheets/sheet1.xml")));
    package.setPart(QStringLiteral("/xl/worksheets/sheet1.xml"), sheetXml);
    package.setPart(QStringLiteral("/xl/worksheets/_rels/sheet1.xml.rels"),
                    relsOf(relationship("rId1", "drawing", "../drawings/drawing1.xml")));
    package.setPart(QStringLiteral("/xl/drawings/drawing1.xml"),
                    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
                    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                    "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:r=\"" +
                        rel.chopped(1) + "\">" + anchors + "</xdr:wsDr>");
    package.setPart(QStringLiteral("/xl/drawings/_rels/drawing1.xml.rels"), relsOf(drawingRels));
    package.setPart(QStringLiteral("/xl/charts/chart1.xml"),
                    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart>"
                    "<c:plotArea><c:lineChart><c:ser><c:idx val=\"0\"/><c:val><c:numRef><c:f>Sheet!$A$1:$A$3</c:f>"
                    "</c:numRef></c:val></c:ser></c:lineChart></c:plotArea></c:chart></c:chartSpace>");
    auto& types = package.contentTypes();
    types.setDefault(QStringLiteral("rels"), QStringLiteral("application/vnd.openxmlformats-package.relationships+xml"));
    types.setDefault(QStringLiteral("xml"), QStringLiteral("application/xml"));
    const QString office = QStringLiteral("application/vnd.openxmlformats-officedocument.");
    types.setOverride(QStringLiteral("/xl/workbook.xml"), office + QStringLiteral("spreadsheetml.sheet.main+xml"));
    types.setOverride(QStringLiteral("/xl/worksheets/sheet1.xml"), office + QStringLiteral("spreadsheetml.worksheet+xml"));
    types.setOverride(QStringLiteral("/xl/drawings/drawing1.xml"), office + QStringLiteral("drawing+xml"));
    types.setOverride(QStringLiteral("/xl/charts/chart1.xml"), office + QStringLiteral("drawingml.chart+xml"));
    package.saveAtomically(path);
}

QByteArray sheetXml(const QByteArray& before, const QByteArray& data = {}) {
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + before + "<sheetData>" +
           (data.isEmpty() ? QByteArray("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"A2\"><v>2</v></c>"
                                        "</row><row r=\"3\"><c r=\"A3\"><v>3</v></c></row>")
                           : data) +
           "</sheetData></worksheet>";
}

}  // namespace

TEST(KeptCells, EveryChartOfAWorkbookReadsEachSheetOnceWhateverRangesTheyShare) {
    const auto book = Workbook::open(generatedWorkbook(QStringLiteral("shared-ranges.xlsx")));
    const auto charts = collectAll(*book);
    ASSERT_EQ(charts.size(), 3u);
    // "Across" spans both sheets, "Same" and "Same too" share Left!B2:B7: two sheets, two passes.
    EXPECT_EQ(book->cellPasses(), 2);

    const ChartPackage& across = charts.at(QStringLiteral("Left/Across"));
    ASSERT_NE(cellAt(across, QStringLiteral("Left"), 1, 0), nullptr);
    EXPECT_EQ(cellAt(across, QStringLiteral("Left"), 1, 0)->value.toString(), QStringLiteral("Jan"));
    ASSERT_NE(cellAt(across, QStringLiteral("Right"), 6, 1), nullptr);
    EXPECT_EQ(cellAt(across, QStringLiteral("Right"), 6, 1)->value.toDouble(), 60.0);
    EXPECT_EQ(cellAt(across, QStringLiteral("Left"), 1, 1), nullptr);  // what other charts read stays out

    for (const QString& name : {QStringLiteral("Left/Same"), QStringLiteral("Right/Same too")}) {
        const ChartPackage& same = charts.at(name);
        ASSERT_NE(cellAt(same, QStringLiteral("Left"), 3, 1), nullptr) << name.toStdString();
        EXPECT_EQ(cellAt(same, QStringLiteral("Left"), 3, 1)->value.toDouble(), 3.0);
    }
    // Past the sheet's last row the cells are there, empty.
    const ChartPackage& sameToo = charts.at(QStringLiteral("Right/Same too"));
    ASSERT_NE(cellAt(sameToo, QStringLiteral("Right"), 39, 1), nullptr);
    EXPECT_TRUE(cellAt(sameToo, QStringLiteral("Right"), 39, 1)->value.isNull());
    EXPECT_EQ(cellAt(sameToo, QStringLiteral("Right"), 6, 1)->value.toDouble(), 60.0);
    EXPECT_EQ(book->cellPasses(), 2);
}

TEST(KeptCells, ASheetWhoseRowsAreOutOfOrderReadsAsOneInOrder) {
    const auto ordered = Workbook::open(generatedWorkbook(QStringLiteral("shared-ranges.xlsx")));
    const auto unordered = Workbook::open(generatedWorkbook(QStringLiteral("unordered.xlsx")));
    for (const CellRange& range : {CellRange{QStringLiteral("Left"), 1, 0, 2, 1}, CellRange{QStringLiteral("Left"), 0, 0, 6, 1},
                                   CellRange{QStringLiteral("Left"), 6, 1, 6, 1}}) {
        const QVariantList values = valuesOf(*ordered, range);
        EXPECT_EQ(valuesOf(*unordered, range), values);
        EXPECT_FALSE(values.contains(QVariant()));
    }
}

TEST(KeptCells, RowsPassedOverReadTheSameAsRowsReadWhateverTheyHold) {
    // Rows and cells not wanted are passed over; what they hold must not end them early or
    // late: "</row>" in a comment, in CDATA and escaped in text; rows and cells without r
    // (counted on from the one before, here row 2 after row 1); rows out of order, so that
    // the sheet is read to its end.
    const QByteArray data =
        "<row r=\"3\"><!-- </row><row r=\"4\"><c r=\"A4\"><v>99</v></c></row> --><c r=\"A3\"><v>3</v></c><c><v>30</v></c></row>"
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>one &lt;/row&gt;</t></is></c></row>"
        "<row><c r=\"A2\"><v><![CDATA[2]]></v></c><c t=\"inlineStr\"><is><t><![CDATA[</row>]]></t></is></c></row>"
        "<row r=\"6\"><c r=\"A6\"><v>6</v></c><c r=\"B6\"><v>60</v></c></row>"
        "<row r=\"5\"><c r=\"A5\"><v>5</v></c><c r=\"B5\" t=\"inlineStr\"><is><t>five</t></is></c></row>"
        "<row r=\"7\"><c r=\"A7\"><v>7</v></c></row>";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    writeWorkbook(path, sheetXml({}, data), 1);
    const auto whole = Workbook::open(path);
    const QVariantList all = valuesOf(*whole, CellRange{QStringLiteral("Sheet"), 0, 0, 6, 1});
    ASSERT_EQ(all.size(), 14);
    EXPECT_EQ(all.mid(0, 8), QVariantList({1.0, QStringLiteral("one </row>"), 2.0, QStringLiteral("</row>"), 3.0, 30.0,
                                           QVariant(), QVariant()}));
    EXPECT_EQ(all.mid(8, 6), QVariantList({5.0, QStringLiteral("five"), 6.0, 60.0, 7.0, QVariant()}));
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 2; ++column) {
            // A workbook of its own for each cell, so that every other row is passed over.
            const auto book = Workbook::open(path);
            EXPECT_EQ(valuesOf(*book, CellRange{QStringLiteral("Sheet"), row, column, row, column}),
                      QVariantList{all[row * 2 + column]})
                << row << "," << column;
        }
    }
}

TEST(KeptCells, ARowPassedOverThatNeverEndsIsAnErrorNamingFileAndPart) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    writeWorkbook(path,
                  sheetXml({}, "<row r=\"1\"><c r=\"A1\"><v>1</v></c><row r=\"2\"><c r=\"A2\"><v>2</v></c></row>"
                               "<row r=\"3\"><c r=\"A3\"><v>3</v></c></row>"),
                  1);
    const auto book = Workbook::open(path);
    try {
        book->readCells(QStringLiteral("Sheet"), {CellRange{QStringLiteral("Sheet"), 2, 0, 2, 0}});
        FAIL() << "read";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("book.xlsx: xl/worksheets/sheet1.xml: not well-formed XML")))
            << e.message().toStdString();
    }
}

TEST(KeptCells, ChartSizesComeFromThePassOverTheCellsOrFromOnePassForAllChartsOfTheSheet) {
    // Rows of several heights, hidden ones, rows given twice and rows of the default height;
    // columns of their own widths. Two charts span columns A to C and rows 1 to 10.
    QByteArray rows;
    for (int r = 1; r <= 12; ++r) {
        const QByteArray number = QByteArray::number(r);
        const QByteArray look = r % 4 == 0 ? " ht=\"30\" customHeight=\"1\"" : r % 4 == 1 ? " hidden=\"1\"" : r == 6 ? " ht=\"15\"" : "";
        rows += "<row r=\"" + number + "\"" + look + "><c r=\"A" + number + "\"><v>" + number + "</v></c></row>";
        if (r == 8) rows += "<row r=\"8\" ht=\"45\"><c r=\"B8\"><v>80</v></c></row>";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    writeWorkbook(path,
                  sheetXml("<sheetFormatPr defaultRowHeight=\"15\"/><cols><col min=\"2\" max=\"2\" width=\"20\"/></cols>", rows),
                  2, 3);
    const auto sizesOf = [](const Workbook& book) {
        const auto* sheet = book.worksheets().front();
        std::vector<std::pair<qint64, qint64>> sizes;
        for (const auto& chart : sheet->chartObjects) sizes.push_back(book.chartSize(*sheet, chart));
        return sizes;
    };
    const auto alone = Workbook::open(path);
    const auto sizes = sizesOf(*alone);
    EXPECT_EQ(alone->geometryPasses(), 1);
    // Rows 1 to 10: 1, 5 and 9 hidden, 4 of 30 pt, 8 of 45 pt (its last writing), the rest 15 pt.
    const qint64 pixels = 0 + 20 + 20 + 40 + 0 + 20 + 20 + 60 + 0 + 20;
    EXPECT_EQ(sizes.front().second, pixels * 9525);
    EXPECT_EQ(sizes.front().first, qint64(64 + 140 + 64) * 9525);

    const auto afterCells = Workbook::open(path);
    ASSERT_TRUE(afterCells->readCells(QStringLiteral("Sheet"), {CellRange{QStringLiteral("Sheet"), 0, 0, 11, 1}}));
    EXPECT_EQ(sizesOf(*afterCells), sizes);
    EXPECT_EQ(afterCells->geometryPasses(), 0);
    EXPECT_EQ(afterCells->cellPasses(), 1);
}

TEST(KeptCells, AWorkbookOpenedAgainReadsTheFileAsItIsNow) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    ASSERT_TRUE(QFile::copy(generatedWorkbook(QStringLiteral("shared-ranges.xlsx")), path));
    const CellRange range{QStringLiteral("Right"), 1, 1, 6, 1};
    {
        const auto book = Workbook::open(path);
        EXPECT_EQ(valuesOf(*book, range).front().toDouble(), 10.0);
    }
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(generatedWorkbook(QStringLiteral("shared-ranges-changed.xlsx")), path));
    const auto book = Workbook::open(path);
    EXPECT_EQ(valuesOf(*book, range).front().toDouble(), 1000.0);
}

TEST(KeptCells, ACorruptSheetIsStreamedOnceHoweverManyFormulasReferToIt) {
    // Found by fuzzing: 2,000 series on a sheet whose XML is broken, each formula streaming it
    // anew. The values come from the chart's caches; the sheet is tried once.
    const auto book = Workbook::open(dataFile(QStringLiteral("corrupt-sheet-many-series.xlsx")));
    for (const auto* sheet : book->worksheets()) {
        for (const auto& chart : sheet->chartObjects) {
            try {
                engine::collectChart(*book, *sheet, chart);
            } catch (const DocumentError&) {
            }
        }
    }
    EXPECT_LE(book->cellPasses(), int(book->worksheets().size()));
}

TEST(KeptCells, AChartWhosePrefixesAreNotDeclaredIsRefusedAtTheCopy) {
    // Found by copying the fuzzed workbook: chart4.xml holds a drawing's <xdr:to> inside a
    // category cache with no xmlns:xdr. The copy wrote it to the deck as it was, which no office
    // application reads; it is refused at the copy, before a slide is made for it.
    const auto book = Workbook::open(dataFile(QStringLiteral("corrupt-sheet-many-series.xlsx")));
    int refused = 0;
    for (const auto* sheet : book->worksheets()) {
        for (const auto& chart : sheet->chartObjects) {
            if (!chart.chartPart.endsWith(QStringLiteral("chart4.xml"))) continue;
            try {
                engine::collectChart(*book, *sheet, chart);
                ADD_FAILURE() << "chart4.xml copied";
            } catch (const DocumentError& e) {
                ++refused;
                EXPECT_EQ(e.kind(), DocumentError::Kind::Corrupt);
                EXPECT_TRUE(e.message().contains(QStringLiteral("chart4.xml")) && e.message().contains(QStringLiteral("xdr")))
                    << e.message().toStdString();
            }
        }
    }
    EXPECT_EQ(refused, 1);
}

TEST(KeptCells, ASheetListedTwiceIsRefusedNamingTheRelationship) {
    // Found by fuzzing: thousands of <sheet> entries sharing one relationship made a small
    // file into thousands of sheets, each parsing the same drawing.
    try {
        Workbook::open(dataFile(QStringLiteral("sheet-listed-twice.xlsx")));
        FAIL() << "opened";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("both refer to relationship"))) << e.message().toStdString();
    }
}

TEST(QuadraticInputs, ManyChartFramesEachWithItsOwnRelationship) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frames.xlsx"));
    writeWorkbook(path, sheetXml({}), 100000);
    const auto book = Workbook::open(path);
    EXPECT_EQ(book->worksheets().front()->chartObjects.size(), 100000u);
}

TEST(QuadraticInputs, AMillionColumnElementsAndAChartAcrossEveryColumn) {
    QByteArray cols = "<cols>";
    for (int i = 0; i < 1000000; ++i) cols += "<col min=\"16384\" max=\"16384\" width=\"2\"/>";
    cols += "<col min=\"2\" max=\"2\" hidden=\"1\"/><col min=\"3\" max=\"3\" width=\"20\"/></cols>";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cols.xlsx"));
    writeWorkbook(path, sheetXml("<sheetFormatPr defaultColWidth=\"10\"/>" + cols), 1, 16383);
    const auto book = Workbook::open(path);
    const auto* sheet = book->worksheets().front();
    const auto [cx, cy] = book->chartSize(*sheet, sheet->chartObjects.front());
    // A: 10 characters (70 px), B hidden, C 20 characters (140 px), D to XFC 10 characters each;
    // the chart ends at the start of XFD.
    EXPECT_EQ(cx, qint64(70 + 0 + 140 + 70 * (16383 - 3)) * 9525);
    EXPECT_GT(cy, 0);
}

TEST(QuadraticInputs, ALongTagAndALongTextRunComeThroughInPieces) {
    // Found by fuzzing: a tag or text run longer than a piece was scanned again from its start
    // with every piece, and the text kept whole until the next tag.
    class Counter : public engine::XmlStream::Handler {
    public:
        bool startElement(std::string_view name, const engine::XmlStream::Attributes& a) override {
            if (name == "sheetPr") codeNameBytes = qint64(a.value("codeName").size());
            return true;
        }
        bool endElement(std::string_view) override { return true; }
        bool text(std::string_view text) override {
            textBytes += qint64(text.size());
            largestText = std::max(largestText, qint64(text.size()));
            return true;
        }
        qint64 codeNameBytes = 0, textBytes = 0, largestText = 0;
    };
    const qint64 size = 64LL * 1024 * 1024;
    const QByteArray piece(64 * 1024, ' ');
    Counter counter;
    engine::XmlStream stream(counter, QStringLiteral("book.xlsx"), QStringLiteral("/xl/worksheets/sheet1.xml"), {});
    stream.feed("<worksheet><sheetPr codeName=\"");
    for (qint64 fed = 0; fed < size; fed += piece.size()) stream.feed(QByteArray(piece.size(), 'x'));
    stream.feed("\"/><sheetData>");
    for (qint64 fed = 0; fed < size; fed += piece.size()) stream.feed(piece);
    stream.feed("</sheetData></worksheet>");
    stream.finish();
    EXPECT_EQ(counter.codeNameBytes, size);
    EXPECT_EQ(counter.textBytes, size);
    EXPECT_LE(counter.largestText, piece.size());
}

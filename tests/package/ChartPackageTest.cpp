#include "engine/chartcopy/ChartPackage.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/package/Package.h"

#include <QDataStream>
#include <QIODevice>
#include <gtest/gtest.h>
#include <cmath>

using namespace engine;

TEST(ChartPackage, BytesRoundTripEveryField) {
    ChartPackage p;
    p.sourceFile = "/data/Book 1.xlsx";
    p.sheetName = "Sales 'Q1'";
    p.chartName = "Chart 1";
    p.parts.push_back({"/xl/charts/chart1.xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml",
                       "<c:chartSpace/>", "<Relationships/>"});
    p.parts.push_back({"/xl/charts/style1.xml", "application/vnd.ms-office.chartstyle+xml", "<cs:chartStyle/>", {}});
    p.theme = "<a:theme/>";
    p.cells.push_back({"Sales 'Q1'", 1, 2, 3.5, "0.0%"});
    p.cells.push_back({"Sales 'Q1'", 0, 2, QStringLiteral("Größe"), {}});
    p.cx = 4572000;
    p.cy = 2743200;
    p.date1904 = true;

    const ChartPackage back = chartPackageFromBytes(chartPackageToBytes(p));
    EXPECT_EQ(back.sheetName, p.sheetName);
    EXPECT_EQ(back.chartName, p.chartName);
    ASSERT_EQ(back.parts.size(), 2u);
    EXPECT_EQ(back.chartPart().data, p.parts[0].data);
    EXPECT_EQ(back.parts[1].rels, QByteArray());
    ASSERT_EQ(back.cells.size(), 2u);
    EXPECT_EQ(back.cells[0].value.toDouble(), 3.5);
    EXPECT_EQ(back.cells[1].value.toString(), QStringLiteral("Größe"));
    EXPECT_EQ(back.cells[0].numberFormat, "0.0%");
    EXPECT_EQ(back.cx, 4572000);
    EXPECT_TRUE(back.date1904);
}

TEST(ChartPackage, CellsKeepTheirSheetsAndFormatsWhateverTheTableHolds) {
    const auto roundTrip = [](const ChartPackage& p) {
        const ChartPackage back = chartPackageFromBytes(chartPackageToBytes(p));
        EXPECT_EQ(back.cells.size(), p.cells.size());
        for (size_t i = 0; i < std::min(back.cells.size(), p.cells.size()); ++i) {
            const auto& a = p.cells[i];
            const auto& b = back.cells[i];
            EXPECT_TRUE(a.sheet == b.sheet && a.row == b.row && a.column == b.column && a.value == b.value &&
                        a.numberFormat == b.numberFormat)
                << "cell " << i;
        }
    };
    ChartPackage p;
    p.parts.push_back({"/xl/charts/chart1.xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml",
                       "<c:chartSpace/>", {}});
    // Sheets and formats interleaved, a format that is also a sheet's name, every kind of value,
    // the last row and column of a sheet.
    p.cells.push_back({"Data", 0, 0, QStringLiteral("Month"), {}});
    p.cells.push_back({"Other", 1048575, 16383, 1.5, "0.00"});
    p.cells.push_back({"Data", 1, 0, true, "Data"});
    p.cells.push_back({"0.00", 2, 3, QVariant(), "0.00"});
    p.cells.push_back({"Data", 3, 0, -0.25, {}});
    roundTrip(p);
    const QByteArray tabled = chartPackageToBytes(p);

    // More distinct formats than the table's places hold: written spelled out, still read.
    ChartPackage wide = p;
    for (int i = 0; i < 70000; ++i) wide.cells.push_back({"Data", i, 1, double(i), QStringLiteral("0.%1").arg(i)});
    roundTrip(wide);

    // A cell naming a place beyond the table is refused. The last cell's sheet place sits 15
    // bytes before the end (sheet, format, row, column, kind, number).
    QByteArray damaged = tabled;
    const qsizetype place = damaged.size() - 19;
    damaged[place] = char(0x7F);
    EXPECT_THROW(chartPackageFromBytes(damaged), DocumentError);
}

TEST(ChartPackage, RefusesBytesThatAreNotAChartPackage) {
    EXPECT_THROW(chartPackageFromBytes(QByteArray()), DocumentError);
    EXPECT_THROW(chartPackageFromBytes("plain text from another program"), DocumentError);
    ChartPackage p;
    p.parts.push_back({"/xl/charts/chart1.xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml", "<c/>", {}});
    const QByteArray good = chartPackageToBytes(p);
    EXPECT_NO_THROW(chartPackageFromBytes(good));
    EXPECT_THROW(chartPackageFromBytes(good.left(good.size() - 3)), DocumentError);
    try {
        chartPackageFromBytes("junk");
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.message(), "clipboard: not a chart package");
    }
}

// Every kind of part a chart relates to comes back from the clipboard, whatever the case its
// content type is spelled in: the theme override's is spelled "themeOverride" by the formats.
TEST(ChartPackage, CarriesEveryKindOfRelatedPartInAnyCase) {
    ChartPackage p;
    p.parts.push_back({"/xl/charts/chart1.xml", kChartContentType, "<c:chartSpace/>", {}});
    const std::vector<std::pair<QString, QString>> related = {
        {"/xl/theme/themeOverride1.xml", "application/vnd.openxmlformats-officedocument.themeOverride+xml"},
        {"/xl/drawings/drawing2.xml", "application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml"},
        {"/xl/charts/style1.xml", "application/vnd.ms-office.chartstyle+xml"},
        {"/xl/charts/colors1.xml", "application/vnd.ms-office.chartcolorstyle+xml"},
        {"/xl/media/image1.png", "image/png"},
        {"/xl/theme/themeOverride2.xml", "APPLICATION/VND.OPENXMLFORMATS-OFFICEDOCUMENT.THEMEOVERRIDE+XML"},
    };
    for (const auto& [name, type] : related) {
        EXPECT_TRUE(chartPackageCarriesContentType(type)) << type.toStdString();
        p.parts.push_back({name, type, "<x/>", {}});
    }
    const ChartPackage back = chartPackageFromBytes(chartPackageToBytes(p));
    ASSERT_EQ(back.parts.size(), related.size() + 1);
    for (size_t i = 0; i < related.size(); ++i) EXPECT_EQ(back.parts[i + 1].name, related[i].first);
    EXPECT_FALSE(chartPackageCarriesContentType("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"));
}

TEST(ChartPackage, CellsAreWrittenAsTheDataStreamWritesThemAndTruncationIsRefused) {
    ChartPackage p;
    p.parts.push_back({"/xl/charts/chart1.xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml",
                       "<c:chartSpace/>", {}});
    // Texts between numbers, an empty text, both truth values, an empty cell, numbers of every
    // width, on two sheets with two formats.
    p.cells.push_back({"Data", 0, 0, QStringLiteral("Month"), {}});
    p.cells.push_back({"Data", 1, 1, 1.5, "0.00"});
    p.cells.push_back({"Data", 2, 1, -0.0, "0.00"});
    p.cells.push_back({"Other", 1048575, 16383, QStringLiteral(""), {}});
    p.cells.push_back({"Other", 3, 2, true, {}});
    p.cells.push_back({"Data", 4, 2, false, "0.00"});
    p.cells.push_back({"Data", 5, 2, QVariant(), {}});
    p.cells.push_back({"Data", 6, 2, 1e308, {}});
    p.cells.push_back({"Data", 7, 2, QStringLiteral("Größe 😀"), {}});
    p.cells.push_back({"Data", 8, 2, 42, {}});
    const QByteArray bytes = chartPackageToBytes(p);

    // The cells as a data stream writes them field by field, which packages from earlier
    // copies of the program hold: the table lists "Data", "", "0.00", "Other" as first met.
    QByteArray tail;
    {
        QDataStream out(&tail, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << quint32(4) << QStringLiteral("Data") << QString() << QStringLiteral("0.00") << QStringLiteral("Other");
        out << quint32(p.cells.size());
        const auto place = [](const QString& text) -> quint16 {
            return text == "Data" ? 0 : text.isEmpty() ? 1 : text == "0.00" ? 2 : 3;
        };
        for (const auto& cell : p.cells) {
            out << place(cell.sheet) << place(cell.numberFormat) << qint32(cell.row) << quint16(cell.column);
            if (!cell.value.isValid()) {
                out << quint8(0);
            } else if (cell.value.typeId() == QMetaType::Bool) {
                out << quint8(3) << cell.value.toBool();
            } else if (cell.value.typeId() == QMetaType::QString) {
                out << quint8(2) << cell.value.toString();
            } else {
                out << quint8(1) << cell.value.toDouble();
            }
        }
    }
    EXPECT_TRUE(bytes.endsWith(tail));

    const ChartPackage back = chartPackageFromBytes(bytes);
    ASSERT_EQ(back.cells.size(), p.cells.size());
    for (size_t i = 0; i < p.cells.size(); ++i) {
        const auto& a = p.cells[i];
        const auto& b = back.cells[i];
        const QVariant expected = a.value.typeId() == QMetaType::Int ? QVariant(a.value.toDouble()) : a.value;
        EXPECT_TRUE(a.sheet == b.sheet && a.row == b.row && a.column == b.column && expected == b.value &&
                    a.numberFormat == b.numberFormat)
            << "cell " << i;
    }
    EXPECT_TRUE(std::signbit(back.cells[2].value.toDouble()));

    // Cut anywhere, the bytes are refused, never read past.
    for (qsizetype size = 0; size < bytes.size(); ++size) {
        EXPECT_THROW(chartPackageFromBytes(bytes.left(size)), DocumentError) << "cut at " << size;
    }
    // A value of a kind no writer gives, and a number that is not finite, are refused.
    QByteArray unknownKind = bytes;
    unknownKind[bytes.size() - 9] = char(9);
    EXPECT_THROW(chartPackageFromBytes(unknownKind), DocumentError);
    QByteArray infinite = bytes;
    for (int i = 0; i < 8; ++i) infinite[bytes.size() - 8 + i] = i == 0 ? char(0x7F) : i == 1 ? char(0xF0) : char(0);
    EXPECT_THROW(chartPackageFromBytes(infinite), DocumentError);
}

// Found by fuzzing: a category cache holding a drawing's <xdr:to> with no xmlns:xdr. Unknown
// elements go to the deck as they are, so the copy wrote a chart part no office application
// reads; it is refused, naming the workbook, the part and the prefix, and a sound chart still
// goes through.
TEST(ChartPackage, AChartWithAnUndeclaredPrefixIsNotWrittenForASlide) {
    const QByteArray head =
        "<c:chartSpace xmlns:c='http://schemas.openxmlformats.org/drawingml/2006/chart'><c:chart><c:plotArea>"
        "<c:barChart><c:ser><c:cat><c:strRef><c:strCache><c:pt idx='0'><c:v>Item 3";
    const QByteArray tail = "</c:v></c:pt></c:strCache></c:strRef></c:cat></c:ser></c:barChart></c:plotArea></c:chart></c:chartSpace>";
    try {
        chartForSlide(head + "<xdr:to/>" + tail, QString(), "book.xlsx", "/xl/charts/chart4.xml");
        FAIL() << "written";
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.kind(), DocumentError::Kind::Corrupt);
        for (const char* named : {"book.xlsx", "xl/charts/chart4.xml", "xdr"})
            EXPECT_TRUE(e.message().contains(QLatin1String(named))) << e.message().toStdString();
    }
    EXPECT_FALSE(chartForSlide(head + tail, QString(), "book.xlsx", "/xl/charts/chart4.xml").isEmpty());
}

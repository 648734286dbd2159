#include "engine/workbook/CellReference.h"

#include <gtest/gtest.h>

using engine::CellRange;
using engine::parseChartFormula;

TEST(ChartFormula, QuotedSheetWithApostropheAndAbsoluteRange) {
    const auto ranges = parseChartFormula(QStringLiteral("'It''s here'!$B$2:$C$7"));
    ASSERT_TRUE(ranges);
    ASSERT_EQ(ranges->size(), 1u);
    EXPECT_EQ(ranges->front(), (CellRange{QStringLiteral("It's here"), 1, 1, 6, 2}));
}

TEST(ChartFormula, UnionSingleCellAndWholeColumn) {
    const auto ranges = parseChartFormula(QStringLiteral("(Data!$A$1,'My Sheet'!B3:B4,Data!$AB:$AB)"));
    ASSERT_TRUE(ranges);
    ASSERT_EQ(ranges->size(), 3u);
    EXPECT_EQ((*ranges)[0], (CellRange{QStringLiteral("Data"), 0, 0, 0, 0}));
    EXPECT_EQ((*ranges)[1], (CellRange{QStringLiteral("My Sheet"), 2, 1, 3, 1}));
    EXPECT_EQ((*ranges)[2], (CellRange{QStringLiteral("Data"), 0, 27, engine::kMaxRows - 1, 27}));
}

TEST(ChartFormula, NamesOtherWorkbooksAndBadAddressesAreNotRanges) {
    EXPECT_FALSE(parseChartFormula(QStringLiteral("SalesRange")));
    EXPECT_FALSE(parseChartFormula(QStringLiteral("[1]Sheet1!$A$1:$A$3")));
    EXPECT_FALSE(parseChartFormula(QStringLiteral("Sheet1!$A$0")));
    EXPECT_FALSE(parseChartFormula(QStringLiteral("Sheet1!$XFE$1")));
    EXPECT_FALSE(parseChartFormula(QStringLiteral("Sheet1!A1:5")));
    EXPECT_FALSE(parseChartFormula(QString()));
}

TEST(CellAddress, LettersRoundTrip) {
    EXPECT_EQ(engine::cellAddress(0, 0), QStringLiteral("A1"));
    EXPECT_EQ(engine::cellAddress(9, 27), QStringLiteral("AB10"));
    EXPECT_EQ(engine::columnLetters(16383), QStringLiteral("XFD"));
    int row = 0, column = 0;
    ASSERT_TRUE(engine::parseCellAddress(QStringLiteral("$XFD$1048576"), &row, &column));
    EXPECT_EQ(row, 1048575);
    EXPECT_EQ(column, 16383);
}

#include "engine/package/XmlValues.h"

#include <gtest/gtest.h>
#include <limits>

using namespace engine::xml;

TEST(XmlValues, BooleansAreTheSchemasFourSpellingsAndNothingElse) {
    for (const char* yes : {"1", "true", " true ", "\t1\n"})
        EXPECT_EQ(parseXsdBoolean(yes), true) << yes;
    for (const char* no : {"0", "false", " false\r\n"}) EXPECT_EQ(parseXsdBoolean(no), false) << no;
    // Case matters in the schema, and none of the words other producers use is a boolean.
    for (const char* neither :
         {"", " ", "True", "FALSE", "yes", "no", "on", "2", "-1", "01", "t", "1 1"})
        EXPECT_EQ(parseXsdBoolean(neither), std::nullopt) << '"' << neither << '"';
    EXPECT_TRUE(xsdBooleanOr("yes", true));
    EXPECT_FALSE(xsdBooleanOr("yes", false));
    EXPECT_FALSE(xsdBooleanOr("0", true));
}

TEST(XmlValues, NumbersReadTheSameWhateverTheLocaleAndRefuseWhatIsNotOne) {
    EXPECT_EQ(parseXsdDouble("1.5"), 1.5);
    EXPECT_EQ(parseXsdDouble(" +2.5E3 "), 2500.0);
    EXPECT_EQ(parseXsdDouble("-.5"), -0.5);
    EXPECT_EQ(parseXsdDouble("1e-3"), 0.001);
    for (const char* bad :
         {"", "1,5", "1.5.2", "0x10", "+-1", "--1", "INF", "NaN", "inf", "1e999", "1.5px", "١"})
        EXPECT_EQ(parseXsdDouble(bad), std::nullopt) << bad;

    EXPECT_EQ(parseXsdInteger(" 42\n"), 42);
    EXPECT_EQ(parseXsdInteger("+7"), 7);
    EXPECT_EQ(parseXsdInteger("-9223372036854775808"), std::numeric_limits<long long>::min());
    for (const char* bad : {"", "1.0", "1e3", "0x1F", "12abc", "9223372036854775808", "+-3", "1 2"})
        EXPECT_EQ(parseXsdInteger(bad), std::nullopt) << bad;
}

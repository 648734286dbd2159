// The number-format table: format code x value -> the text the spreadsheet application shows.
// Each group names where its cases come from. Most come from the test tables of two open-source
// libraries that check their output against the application's: SheetJS "ssf" (test/general.json,
// fraction.json, comma.tsv, exp.tsv, implied.json, oddities.json) and borgar "numfmt"
// (test/tables/ssf-dates.tsv.gz and ssf-times.tsv.gz, leap1900-test.js, conditionals-test.js,
// color-test.js, numfmt-test.js). Cases those tables mark as doubtful are left out.
#include <gtest/gtest.h>

#include <iterator>

#include "engine/numfmt/NumberFormat.h"

#include <QLocale>

using namespace engine;

namespace {

struct Case {
    const char* code;
    double value;
    const char* expected;
};

template <size_t N>
void expectTable(const Case (&table)[N], DateSystem dates = DateSystem::Date1900) {
    for (const Case& c : table) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << ", value " << c.value);
        EXPECT_EQ(NumberFormat(QString::fromUtf8(c.code)).format(c.value, dates).toStdString(),
                  c.expected);
    }
}

// ssf test/general.json; the 11-character rule of General is Microsoft KB 65903.
const Case kGeneral[] = {
    {R"(General)", 1.234567e-14, R"(1.23457E-14)"},
    {R"(General)", 1.234567e-12, R"(1.23457E-12)"},
    {R"(General)", 1.234567e-10, R"(1.23457E-10)"},
    {R"(General)", 1.234567e-08, R"(1.23457E-08)"},
    {R"(General)", 1.234567e-06, R"(1.23457E-06)"},
    {R"(General)", 0.0001234567, R"(0.000123457)"},
    {R"(General)", 0.01234567, R"(0.01234567)"},
    {R"(General)", 1.234567, R"(1.234567)"},
    {R"(General)", 123.4567, R"(123.4567)"},
    {R"(General)", 12345.67, R"(12345.67)"},
    {R"(General)", 1234567.0, R"(1234567)"},
    {R"(General)", 123456700.0, R"(123456700)"},
    {R"(General)", 12345670000.0, R"(12345670000)"},
    {R"(General)", 1234567000000.0, R"(1.23457E+12)"},
    {R"(General)", 123456700000000.0, R"(1.23457E+14)"},
    {R"(General)", 1e-14, R"(1E-14)"},
    {R"(General)", 1.0, R"(1)"},
    {R"(General)", 100000000000000.0, R"(1E+14)"},
    {R"(General)", 0.12, R"(0.12)"},
    {R"(General)", 12000000000000.0, R"(1.2E+13)"},
    {R"(General)", 0.0123, R"(0.0123)"},
    {R"(General)", 1230000000000.0, R"(1.23E+12)"},
    {R"(General)", 0.001234, R"(0.001234)"},
    {R"(General)", 123400000000.0, R"(1.234E+11)"},
    {R"(General)", 0.00012345, R"(0.00012345)"},
    {R"(General)", 12345000000.0, R"(12345000000)"},
    {R"(General)", 1.23456e-05, R"(1.23456E-05)"},
    {R"(General)", 1234560000.0, R"(1234560000)"},
    {R"(General)", 1.234567e-06, R"(1.23457E-06)"},
    {R"(General)", 123456700.0, R"(123456700)"},
    {R"(General)", 1.2345678e-07, R"(1.23457E-07)"},
    {R"(General)", 12345678.0, R"(12345678)"},
    {R"(General)", 1.23456789e-08, R"(1.23457E-08)"},
    {R"(General)", 1234567.89, R"(1234567.89)"},
    {R"(General)", 1.234567891e-09, R"(1.23457E-09)"},
    {R"(General)", 123456.7891, R"(123456.7891)"},
    {R"(General)", 1.2345678912e-10, R"(1.23457E-10)"},
    {R"(General)", 12345.678912, R"(12345.67891)"},
    {R"(General)", 1.23456789123e-11, R"(1.23457E-11)"},
    {R"(General)", 1234.56789123, R"(1234.567891)"},
    {R"(General)", 1.234567891234e-12, R"(1.23457E-12)"},
    {R"(General)", 123.4567891234, R"(123.4567891)"},
    {R"(General)", 1.2345678912345e-13, R"(1.23457E-13)"},
    {R"(General)", 12.345678912345, R"(12.34567891)"},
    {R"(General)", 1.23456789123456e-14, R"(1.23457E-14)"},
    {R"(General)", 1.23456789123456, R"(1.234567891)"},
    {R"(General)", 123456789123456.0, R"(1.23457E+14)"},
    {R"(General)", -0.1234567, R"(-0.1234567)"},
    {R"(General)", -12345670000.0, R"(-12345670000)"},
    {R"(General)", -123456700000.0, R"(-1.23457E+11)"},
    {R"(General)", -1234567000000.0, R"(-1.23457E+12)"},
    {R"(General)", -12345670000000.0, R"(-1.23457E+13)"},
};

// ssf test/fraction.json.
const Case kFractions[] = {
    {R"(# ?/?)", 1.0, R"(1    )"},
    {R"(# ?/?)", -1.2, R"(-1 1/5)"},
    {R"(# ?/?)", 12.3, R"(12 1/3)"},
    {R"(# ?/?)", -12.34, R"(-12 1/3)"},
    {R"(# ?/?)", 123.45, R"(123 4/9)"},
    {R"(# ?/?)", -123.456, R"(-123 1/2)"},
    {R"(# ?/?)", 1234.567, R"(1234 4/7)"},
    {R"(# ?/?)", -1234.5678, R"(-1234 4/7)"},
    {R"(# ?/?)", 12345.6789, R"(12345 2/3)"},
    {R"(# ?/?)", -12345.67891, R"(-12345 2/3)"},
    {R"(# ??/??)", 1.0, R"(1      )"},
    {R"(# ??/??)", -1.2, R"(-1  1/5 )"},
    {R"(# ??/??)", 12.3, R"(12  3/10)"},
    {R"(# ??/??)", -12.34, R"(-12 17/50)"},
    {R"(# ??/??)", 123.45, R"(123  9/20)"},
    {R"(# ??/??)", -123.456, R"(-123 26/57)"},
    {R"(# ??/??)", 1234.567, R"(1234 55/97)"},
    {R"(# ??/??)", -1234.5678, R"(-1234 46/81)"},
    {R"(# ??/??)", 12345.6789, R"(12345 55/81)"},
    {R"(# ??/??)", -12345.67891, R"(-12345 55/81)"},
    {R"(# ?/2)", 1.0, R"(1    )"},
    {R"(# ?/2)", -1.2, R"(-1    )"},
    {R"(# ?/2)", 12.3, R"(12 1/2)"},
    {R"(# ?/2)", -12.34, R"(-12 1/2)"},
    {R"(# ?/2)", 123.45, R"(123 1/2)"},
    {R"(# ?/2)", -123.456, R"(-123 1/2)"},
    {R"(# ?/2)", 1234.567, R"(1234 1/2)"},
    {R"(# ?/2)", -1234.5678, R"(-1234 1/2)"},
    {R"(# ?/2)", 12345.6789, R"(12345 1/2)"},
    {R"(# ?/2)", -12345.67891, R"(-12345 1/2)"},
    {R"(# ??/16)", 1.0, R"(1      )"},
    {R"(# ??/16)", -1.2, R"(-1  3/16)"},
    {R"(# ??/16)", 12.3, R"(12  5/16)"},
    {R"(# ??/16)", -12.34, R"(-12  5/16)"},
    {R"(# ??/16)", 123.45, R"(123  7/16)"},
    {R"(# ??/16)", -123.456, R"(-123  7/16)"},
    {R"(# ??/16)", 1234.567, R"(1234  9/16)"},
    {R"(# ??/16)", -1234.5678, R"(-1234  9/16)"},
    {R"(# ??/16)", 12345.6789, R"(12345 11/16)"},
    {R"(# ??/16)", -12345.67891, R"(-12345 11/16)"},
    {R"(# ??/100)", 1.0, R"(1       )"},
    {R"(# ??/100)", -1.2, R"(-1 20/100)"},
    {R"(# ??/100)", 12.3, R"(12 30/100)"},
    {R"(# ??/100)", -12.34, R"(-12 34/100)"},
    {R"(# ??/100)", 123.45, R"(123 45/100)"},
    {R"(# ??/100)", -123.456, R"(-123 46/100)"},
    {R"(# ??/100)", 1234.567, R"(1234 57/100)"},
    {R"(# ??/100)", -1234.5678, R"(-1234 57/100)"},
    {R"(# ??/100)", 12345.6789, R"(12345 68/100)"},
    {R"(# ??/100)", -12345.67891, R"(-12345 68/100)"},
    {R"(??/??)", 1.0, R"( 1/1 )"},
    {R"(??/??)", -1.2, R"(- 6/5 )"},
    {R"(??/??)", 12.3, R"(123/10)"},
    {R"(??/??)", -12.34, R"(-617/50)"},
    {R"(??/??)", 123.45, R"(2469/20)"},
    {R"(??/??)", -123.456, R"(-7037/57)"},
    {R"(??/??)", 1234.567, R"(119753/97)"},
    {R"(??/??)", -1234.5678, R"(-100000/81)"},
    {R"(??/??)", 12345.6789, R"(1000000/81)"},
    {R"(??/??)", -12345.67891, R"(-1000000/81)"},
    {R"(# ?/?)", 0.3, R"( 2/7)"},
    {R"(# ?/?)", 1.3, R"(1 1/3)"},
    {R"(# ?/?)", 2.3, R"(2 2/7)"},
};

// ssf test/comma.tsv: grouping, and the commas after the digits that divide by a thousand.
const Case kCommas[] = {
    {R"(#.0000,,,)", 0.99, R"(.0000)"},
    {R"(#.0000,,)", 0.99, R"(.0000)"},
    {R"(#.0000,)", 0.99, R"(.0010)"},
    {R"(#,##0.0)", 0.99, R"(1.0)"},
    {R"(###,###)", 0.99, R"(1)"},
    {R"(#,###.00)", 0.99, R"(.99)"},
    {R"(#.0000,,,)", 123.456, R"(.0000)"},
    {R"(#.0000,,)", 123.456, R"(.0001)"},
    {R"(#.0000,)", 123.456, R"(.1235)"},
    {R"(#,##0.0)", 123.456, R"(123.5)"},
    {R"(###,###)", 123.456, R"(123)"},
    {R"(#,###.00)", 123.456, R"(123.46)"},
    {R"(#.0000,,,)", 1234567.0, R"(.0012)"},
    {R"(#.0000,,)", 1234567.0, R"(1.2346)"},
    {R"(#.0000,)", 1234567.0, R"(1234.5670)"},
    {R"(#,##0.0)", 1234567.0, R"(1,234,567.0)"},
    {R"(###,###)", 1234567.0, R"(1,234,567)"},
    {R"(#,###.00)", 1234567.0, R"(1,234,567.00)"},
    {R"(#.0000,,,)", 123456789012.0, R"(123.4568)"},
    {R"(#.0000,,)", 123456789012.0, R"(123456.7890)"},
    {R"(#.0000,)", 123456789012.0, R"(123456789.0120)"},
    {R"(#,##0.0)", 123456789012.0, R"(123,456,789,012.0)"},
    {R"(###,###)", 123456789012.0, R"(123,456,789,012)"},
    {R"(#,###.00)", 123456789012.0, R"(123,456,789,012.00)"},
};

// ssf test/exp.tsv: exponents in steps of the number of integer placeholders.
const Case kExponents[] = {
    {R"(#0.0E+0)", 1.23457e-13, R"(12.3E-14)"},
    {R"(##0.0E+0)", 1.23457e-13, R"(123.5E-15)"},
    {R"(####0.0E+0)", 1.23457e-13, R"(123.5E-15)"},
    {R"(#0.0E+0)", 1.23457e-09, R"(12.3E-10)"},
    {R"(##0.0E+0)", 1.23457e-09, R"(1.2E-9)"},
    {R"(####0.0E+0)", 1.23457e-09, R"(12.3E-10)"},
    {R"(#0.0E+0)", 1.23457e-05, R"(12.3E-6)"},
    {R"(##0.0E+0)", 1.23457e-05, R"(12.3E-6)"},
    {R"(####0.0E+0)", 1.23457e-05, R"(1.2E-5)"},
    {R"(#0.0E+0)", 0.123456789, R"(12.3E-2)"},
    {R"(##0.0E+0)", 0.123456789, R"(123.5E-3)"},
    {R"(####0.0E+0)", 0.123456789, R"(12345.7E-5)"},
    {R"(##0.0E+0)", 1234.56789, R"(1.2E+3)"},
    {R"(####0.0E+0)", 1234.56789, R"(1234.6E+0)"},
    {R"(#0.0E+0)", 12345678.9, R"(12.3E+6)"},
    {R"(##0.0E+0)", 12345678.9, R"(12.3E+6)"},
    {R"(####0.0E+0)", 12345678.9, R"(123.5E+5)"},
    {R"(#0.0E+0)", 123456789000.0, R"(12.3E+10)"},
    {R"(##0.0E+0)", 123456789000.0, R"(123.5E+9)"},
    {R"(####0.0E+0)", 123456789000.0, R"(12.3E+10)"},
    {R"(#0.0E+0)", 1234567890000000.0, R"(12.3E+14)"},
    {R"(##0.0E+0)", 1234567890000000.0, R"(1.2E+15)"},
    {R"(####0.0E+0)", 1234567890000000.0, R"(1.2E+15)"},
    {R"(#0.0E+0)", 1.23456789e+19, R"(12.3E+18)"},
    {R"(##0.0E+0)", 1.23456789e+19, R"(12.3E+18)"},
    {R"(####0.0E+0)", 1.23456789e+19, R"(12345.7E+15)"},
    {R"(#0.0E+0)", 1.23456789e+23, R"(12.3E+22)"},
    {R"(##0.0E+0)", 1.23456789e+23, R"(123.5E+21)"},
    {R"(####0.0E+0)", 1.23456789e+23, R"(1234.6E+20)"},
    {R"(#0.0E+0)", 1.23456789e+27, R"(12.3E+26)"},
    {R"(##0.0E+0)", 1.23456789e+27, R"(1.2E+27)"},
    {R"(####0.0E+0)", 1.23456789e+27, R"(123.5E+25)"},
    {R"(#0.0E+0)", 1.23456789e+31, R"(12.3E+30)"},
    {R"(##0.0E+0)", 1.23456789e+31, R"(12.3E+30)"},
    {R"(####0.0E+0)", 1.23456789e+31, R"(12.3E+30)"},
};

// numfmt test/tables/ssf-dates.tsv.gz (1900 date system).
const Case kDates[] = {
    {R"(yy)", 0.0, R"(00)"},
    {R"(yyyy)", 0.0, R"(1900)"},
    {R"(mm)", 0.0, R"(01)"},
    {R"(mmmm)", 0.0, R"(January)"},
    {R"(d)", 0.0, R"(0)"},
    {R"(ddd)", 0.0, R"(Sat)"},
    {R"(dddd)", 0.0, R"(Saturday)"},
    {R"(y)", 60.0, R"(00)"},
    {R"(yy)", 60.0, R"(00)"},
    {R"(yyy)", 60.0, R"(1900)"},
    {R"(yyyy)", 60.0, R"(1900)"},
    {R"(m)", 60.0, R"(2)"},
    {R"(mm)", 60.0, R"(02)"},
    {R"(mmm)", 60.0, R"(Feb)"},
    {R"(mmmm)", 60.0, R"(February)"},
    {R"(mmmmm)", 60.0, R"(F)"},
    {R"(d)", 60.0, R"(29)"},
    {R"(dd)", 60.0, R"(29)"},
    {R"(ddd)", 60.0, R"(Wed)"},
    {R"(dddd)", 60.0, R"(Wednesday)"},
    {R"(yy)", 70.0, R"(00)"},
    {R"(yyyy)", 70.0, R"(1900)"},
    {R"(mm)", 70.0, R"(03)"},
    {R"(mmmm)", 70.0, R"(March)"},
    {R"(d)", 70.0, R"(10)"},
    {R"(ddd)", 70.0, R"(Sat)"},
    {R"(dddd)", 70.0, R"(Saturday)"},
    {R"(yy)", 36520.0, R"(99)"},
    {R"(yyyy)", 36520.0, R"(1999)"},
    {R"(mm)", 36520.0, R"(12)"},
    {R"(mmmm)", 36520.0, R"(December)"},
    {R"(d)", 36520.0, R"(26)"},
    {R"(ddd)", 36520.0, R"(Sun)"},
    {R"(dddd)", 36520.0, R"(Sunday)"},
    {R"(yy)", 100000.0, R"(73)"},
    {R"(yyyy)", 100000.0, R"(2173)"},
    {R"(mm)", 100000.0, R"(10)"},
    {R"(mmmm)", 100000.0, R"(October)"},
    {R"(d)", 100000.0, R"(14)"},
    {R"(ddd)", 100000.0, R"(Thu)"},
    {R"(dddd)", 100000.0, R"(Thursday)"},
    {R"(yy)", 2958460.0, R"(99)"},
    {R"(yyyy)", 2958460.0, R"(9999)"},
    {R"(mm)", 2958460.0, R"(12)"},
    {R"(mmmm)", 2958460.0, R"(December)"},
    {R"(d)", 2958460.0, R"(26)"},
    {R"(ddd)", 2958460.0, R"(Sun)"},
    {R"(dddd)", 2958460.0, R"(Sunday)"},
};

// numfmt test/tables/ssf-times.tsv.gz: seconds round to what is shown; elapsed [h] [m] [s].
const Case kTimes[] = {
    {R"(HH)", 1e-05, R"(00)"},           {R"(hhmm)", 1e-05, R"(0000)"},
    {R"(ss)", 1e-05, R"(01)"},           {R"(ss.00)", 1e-05, R"(00.86)"},
    {R"([h])", 1e-05, R"(0)"},           {R"([hh])", 1e-05, R"(00)"},
    {R"([mm])", 1e-05, R"(00)"},         {R"([ss])", 1e-05, R"(01)"},
    {R"(h)", 0.71274, R"(17)"},          {R"(HH)", 0.71274, R"(17)"},
    {R"(hm)", 0.71274, R"(176)"},        {R"(hhmm)", 0.71274, R"(1706)"},
    {R"(s)", 0.71274, R"(21)"},          {R"(ss)", 0.71274, R"(21)"},
    {R"(ss.0)", 0.71274, R"(20.7)"},     {R"(ss.00)", 0.71274, R"(20.74)"},
    {R"(ss.000)", 0.71274, R"(20.736)"}, {R"([h])", 0.71274, R"(17)"},
    {R"([hh])", 0.71274, R"(17)"},       {R"([m])", 0.71274, R"(1026)"},
    {R"([mm])", 0.71274, R"(1026)"},     {R"([s])", 0.71274, R"(61581)"},
    {R"([ss])", 0.71274, R"(61581)"},    {R"(HH)", 0.77777, R"(18)"},
    {R"(hhmm)", 0.77777, R"(1839)"},     {R"(ss)", 0.77777, R"(59)"},
    {R"(ss.00)", 0.77777, R"(59.33)"},   {R"([h])", 0.77777, R"(18)"},
    {R"([hh])", 0.77777, R"(18)"},       {R"([mm])", 0.77777, R"(1119)"},
    {R"([ss])", 0.77777, R"(67199)"},
};

// ssf test/oddities.json: placeholders and literals mixed, escapes, currencies, padding.
const Case kOddities[] = {
    {R"(#0.#)", 0, R"(0.)"},
    {R"(#0.#)", 12.34, R"(12.3)"},
    {R"(#0.#)", -1.23, R"(-1.2)"},
    {R"(#,###)", 0, R"()"},
    {R"(#,###)", 12345.6789, R"(12,346)"},
    {R"(#.##)", 0, R"(.)"},
    {R"(0;0)", -1.1, R"(1)"},
    {R"(0.00)", 1.0001, R"(1.00)"},
    {R"(0.##)", 1.007, R"(1.01)"},
    {R"(0.##)", -1.008, R"(-1.01)"},
    {R"(0.##)", 1000000000000.01, R"(1000000000000.01)"},
    {R"(0.0#)", 12.345, R"(12.35)"},
    {R"(0.0#)", 0.0012345, R"(0.0)"},
    {R"(0.0#)", 15.04, R"(15.04)"},
    {R"(** #,###,#00,000.00,**)", 1.2345, R"( 00,000.00)"},
    {R"(** #,###,#00,000.00,**)", 12345681.9, R"( 12,345.68)"},
    {R"(** #,###,#00,000.00,**)", 1234568223, R"( 1,234,568.22)"},
    {R"(00,000.00,)", 12345, R"(00,012.35)"},
    {R"(000#0#0#0##00##00##0#########)", 12345, R"(0000000000012345)"},
    {R"(0#######0.##0##0######00######0)", 12.3456789, R"(012.3456789000)"},
    {R"(#0#######)", 12345.6789, R"(012346)"},
    {R"(##,##)", 12345, R"(12,345)"},
    {R"(###\###\##0.00)", 0.00101, R"(##0.00)"},
    {R"(###\###\##0.00)", 101, R"(#1#01.00)"},
    {R"(###\###\##0.00)", 123456789.01, R"(12345#67#89.01)"},
    {R"(00000-0000)", 941051630, R"(94105-1630)"},
    {R"(000-00-0000)", 123456789, R"(123-45-6789)"},
    {R"(??/??)", 12.3456789, R"(1000/81)"},
    {R"(# ??/??)", 12.3456789, R"(12 28/81)"},
    {R"(#0#00??/??)", 12.3456789, R"(01000/81)"},
    {R"("Rs."#,##0.00)", -51968287, R"(-Rs.51,968,287.00)"},
    {R"($#.00)", -3.14159, R"(-$3.14)"},
    {R"("This is a ".00"test"000)", -3.14159, R"(-This is a 3.14test159)"},
    {R"([$INR]\ #,##0.00)", 3.14159, R"(INR 3.14)"},
    {R"([$₹-4009]\ #,##0.00)", -3.14159, R"(-₹ 3.14)"},
    {R"([$£-809]#,##0.0000;\-[$£-809]#,##0.0000)", -3.14159, R"(-£3.1416)"},
    {R"("-"0.00)", -3.14159, R"(--3.14)"},
    {R"(_($* #,##0_);_($* (#,##0);_($* "-"_);_(@_))", 1, R"( $1 )"},
    {R"(_($* #,##0_);_($* (#,##0);_($* "-"_);_(@_))", -1, R"( $(1))"},
    {R"(_($* #,##0_);_($* (#,##0);_($* "-"_);_(@_))", 0, R"( $- )"},
    {R"(123)", 0.7, R"(123)"},
    {R"(hh:mm AM/PM)", 0.7, R"(04:48 PM)"},
    {R"(hh:mm:ss AM/PM)", 0.5, R"(12:00:00 PM)"},
    {R"(hh:mm:ss.000)", 0.70707, R"(16:58:10.848)"},
    {R"(hh.000)", 0.70707, R"(16.848)"},
    {R"(hh .00)", 0.70707, R"(16 .85)"},
    {R"(A/P)", 0.7, R"(P)"},
    {R"(e)", 0.7, R"(1900)"},
    {R"([$-409]mmm\-yy)", 12345, R"(Oct-33)"},
    {R"([h]:mm:ss;@)", 2.9999999999999996, R"(72:00:00)"},
};

// numfmt test/numfmt-test.js: a minus only when something other than zero is shown;
// percent and scaling.
const Case kSigns[] = {
    {R"(0.0)", -1, R"(-1.0)"},
    {R"(0.0)", -0.01, R"(0.0)"},
    {R"(-0.0)", -0.01, R"(-0.0)"},
    {R"(0.0;-0.0)", -0.01, R"(-0.0)"},
    {R"(\p\o\s 0.0;\n\e\g 0.0;)", -0.01, R"(neg 0.0)"},
    {R"(-0)", -1, R"(--1)"},
    {R"(0.0%)", 0.0295, R"(3.0%)"},
    {R"(0.0,)", 2950, R"(3.0)"},
    {R"(0%)", 0, R"(0%)"},
};

// numfmt test/conditionals-test.js and ssf test/oddities.json: conditions replace the sign
// tests; a section chosen by a condition only negatives meet shows the magnitude.
const Case kConditions[] = {
    {R"([>=100]"A"0;[<=-100]"B"0;"C"0)", 6.3, R"(C6)"},
    {R"([>=100]"A"0;[<=-100]"B"0;"C"0)", -6.3, R"(-C6)"},
    {R"([>=100]"A"0;[<=0]"B"0;"C"0)", -6.3, R"(-B6)"},
    {R"([>=0]"A"0;[<=-100]"B"0;"C"0)", 6.3, R"(A6)"},
    {R"([>=0]"A"0;[<=0]"B"0;"C"0)", -6.3, R"(-B6)"},
    {R"([<=-100]"B"0;"C"0)", 6.3, R"(C6)"},
    {R"([<=-100]"B"0;"C"0)", -6.3, R"(C6)"},
    {R"([<=0]"B"0)", 6.3, R"(6.3)"},
    {R"([<=0]"B"0)", -6.3, R"(-B6)"},
    {R"([=6.3]"B"0)", -6.3, R"(-6.3)"},
    {R"([<>6]"B"0)", -6.3, R"(-B6)"},
    {R"([>6]"A"0;[<-6]"B"0)", -6.3, R"(B6)"},
    {R"([>=100]"A"-#,##0;[<=0]"B"-#,##0;"C"-#,##0)", -6.3, R"(-B-6)"},
    {R"([>=100]"A"0;[<=-100]"B"0)", 6.3, R"(######)"},
    {R"([<-4]\A0)", -5, R"(A5)"},
    {R"([=-5]\A0)", -5, R"(A5)"},
    {R"([>-6]\A0)", -5, R"(-A5)"},
    {R"([>2]\A0)", -5, R"(-5)"},
    {R"([<=9999999]###-####;(###) ###-####)", 8675309, R"(867-5309)"},
    {R"([<=9999999]###-####;(###) ###-####)", 2813308004, R"((281) 330-8004)"},
    {R"([Red][=50]General;[Blue]000)", 50, R"(50)"},
    {R"([Red][=50]General;[Blue]000)", 51, R"(051)"},
    {R"([Red][<>50]General;[Blue]000)", 50, R"(050)"},
    {R"([Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General)", -26, R"(26)"},
    {R"([Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General)", -25, R"(-25)"},
};

// numfmt test/leap1900-test.js: the 1900 system's day 0 and its 29 February 1900.
const Case kLeap1900[] = {
    {R"(yyyy-mm-dd)", 0, R"(1900-01-00)"},  {R"(yyyy-mm-dd)", 1, R"(1900-01-01)"},
    {R"(yyyy-mm-dd)", 59, R"(1900-02-28)"}, {R"(yyyy-mm-dd)", 60, R"(1900-02-29)"},
    {R"(yyyy-mm-dd)", 61, R"(1900-03-01)"},
};

// ECMA-376 Part 1, 18.17.4.1: in the 1904 system serial 0 is 1 January 1904 (a Friday).
const Case k1904[] = {
    {R"(yyyy-mm-dd dddd)", 0, R"(1904-01-01 Friday)"},
    {R"(yyyy-mm-dd)", 59, R"(1904-02-29)"},
    {R"(yyyy-mm-dd)", 366, R"(1905-01-01)"},
    // 1462 days after the same serial in the 1900 system.
    {R"(d-mmm-yy h:mm)", 43830.75, R"(1-Jan-24 18:00)"},
};

}  // namespace

TEST(NumberFormatTable, GeneralKeepsToElevenCharacters) { expectTable(kGeneral); }
TEST(NumberFormatTable, Fractions) { expectTable(kFractions); }
TEST(NumberFormatTable, ThousandsSeparatorsAndScaling) { expectTable(kCommas); }
TEST(NumberFormatTable, ScientificAndEngineeringExponents) { expectTable(kExponents); }
TEST(NumberFormatTable, DatesInThe1900System) { expectTable(kDates); }
TEST(NumberFormatTable, TimesAndElapsedTimes) { expectTable(kTimes); }
TEST(NumberFormatTable, PlaceholdersLiteralsAndEscapes) { expectTable(kOddities); }
TEST(NumberFormatTable, SignsPercentAndScaling) { expectTable(kSigns); }
TEST(NumberFormatTable, ConditionsChooseTheSection) { expectTable(kConditions); }
TEST(NumberFormatTable, TheFictitiousLeapDayOf1900) { expectTable(kLeap1900); }
TEST(NumberFormatTable, DatesInThe1904System) { expectTable(k1904, DateSystem::Date1904); }

TEST(NumberFormat, BuiltInIdsShowAsTheApplicationShowsThem) {
    // ssf test/implied.json; ids 14 and 22 as en-US shows them (ECMA-376 Part 1, 18.8.30 lists
    // the other locale-neutral ids; the currency ids 5-8 are en-US's).
    struct IdCase {
        int id;
        double value;
        const char* expected;
    };
    const IdCase cases[] = {
        {0, 12345.6789, R"(12345.6789)"},
        {1, 12345.6789, R"(12346)"},
        {2, 12345.6789, R"(12345.68)"},
        {3, 12345.6789, R"(12,346)"},
        {4, 12345.6789, R"(12,345.68)"},
        {9, 12345.6789, R"(1234568%)"},
        {10, 12345.6789, R"(1234567.89%)"},
        {11, 12345.6789, R"(1.23E+04)"},
        {12, 12345.6789, R"(12345 2/3)"},
        {13, 12345.6789, R"(12345 55/81)"},
        {15, 12345.6789, R"(18-Oct-33)"},
        {16, 12345.6789, R"(18-Oct)"},
        {17, 12345.6789, R"(Oct-33)"},
        {18, 12345.6789, R"(4:17 PM)"},
        {19, 12345.6789, R"(4:17:37 PM)"},
        {20, 12345.6789, R"(16:17)"},
        {21, 12345.6789, R"(16:17:37)"},
        {37, 12345.6789, R"(12,346 )"},
        {38, 12345.6789, R"(12,346 )"},
        {39, 12345.6789, R"(12,345.68)"},
        {40, 12345.6789, R"(12,345.68)"},
        {45, 12345.6789, R"(17:37)"},
        {46, 12345.6789, R"(296296:17:37)"},
        {47, 12345.6789, R"(1737.0)"},
        {48, 12345.6789, R"(12.3E+3)"},
        {49, 12345.6789, R"(12345.6789)"},
        {0, -12345.6789, R"(-12345.6789)"},
        {1, -12345.6789, R"(-12346)"},
        {2, -12345.6789, R"(-12345.68)"},
        {3, -12345.6789, R"(-12,346)"},
        {4, -12345.6789, R"(-12,345.68)"},
        {9, -12345.6789, R"(-1234568%)"},
        {10, -12345.6789, R"(-1234567.89%)"},
        {11, -12345.6789, R"(-1.23E+04)"},
        {12, -12345.6789, R"(-12345 2/3)"},
        {13, -12345.6789, R"(-12345 55/81)"},
        {37, -12345.6789, R"((12,346))"},
        {38, -12345.6789, R"((12,346))"},
        {39, -12345.6789, R"((12,345.68))"},
        {40, -12345.6789, R"((12,345.68))"},
        {48, -12345.6789, R"(-12.3E+3)"},
        {49, -12345.6789, R"(-12345.6789)"},
        {14, 45000, R"(3/15/2023)"},
        {22, 45000.5, R"(3/15/2023 12:00)"},
        {5, 1234.5, R"($1,235 )"},
        {5, -1234.5, R"(($1,235))"},
        {8, -0.5, R"(($0.50))"},
        {47, 12345.67876, R"(1724.9)"},
    };
    for (const IdCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << ", value " << c.value);
        EXPECT_EQ(NumberFormat::builtIn(c.id).format(c.value).toStdString(), c.expected);
    }
    EXPECT_EQ(NumberFormat::builtInCode(3), "#,##0");
    EXPECT_EQ(NumberFormat::builtInCode(100), "");
    EXPECT_TRUE(NumberFormat::builtIn(100).isGeneral());
}

TEST(NumberFormat, TextGoesToTheTextSectionOrPassesThrough) {
    // ssf test/oddities.json
    EXPECT_EQ(NumberFormat(R"("foo";"bar";"baz";"qux")").formatText("sheetjs"), "qux");
    EXPECT_EQ(NumberFormat(R"("foo";"bar";"baz")").formatText("sheetjs"), "sheetjs");
    EXPECT_EQ(NumberFormat(R"("foo";"bar";@)").formatText("sheetjs"), "sheetjs");
    EXPECT_EQ(NumberFormat(R"("foo";"bar";@)").format(0), "foo");
    EXPECT_EQ(NumberFormat("@@").formatText("sheetjs"), "sheetjssheetjs");
    EXPECT_EQ(NumberFormat("@@").format(-1), "-1");
    EXPECT_EQ(NumberFormat("[Blue]General").formatText("sheetjs"), "sheetjs");
    EXPECT_EQ(NumberFormat(R"(0.00;-0.00;0;"Label: "@)").formatText("x"), "Label: x");
}

TEST(NumberFormat, ColoursComeFromTheChosenSection) {
    // numfmt test/color-test.js; [ColorN] from the legacy 56-colour palette.
    const NumberFormat f("[blue]0;[green]-0;[magenta]0;[cyan]@");
    EXPECT_EQ(f.formatWithColor(1).color, QColor(Qt::blue));
    EXPECT_EQ(f.formatWithColor(-1).color, QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(f.formatWithColor(0).color, QColor(Qt::magenta));
    EXPECT_EQ(f.formatTextWithColor("foo").color, QColor(Qt::cyan));
    EXPECT_EQ(NumberFormat("[RED]0").formatWithColor(0).color, QColor(Qt::red));
    EXPECT_EQ(NumberFormat("[color3]0").formatWithColor(0).color, QColor(Qt::red));
    EXPECT_EQ(NumberFormat("[Color 10]0").formatWithColor(0).color, QColor(0x00, 0x80, 0x00));
    EXPECT_FALSE(NumberFormat("[blue]0").formatTextWithColor("foo").color.isValid());
    EXPECT_FALSE(NumberFormat("0").formatWithColor(1).color.isValid());
    const auto red = NumberFormat("#,##0.00;[Red]-#,##0.00").formatWithColor(-1234.5);
    EXPECT_EQ(red.text, "-1,234.50");
    EXPECT_EQ(red.color, QColor(Qt::red));
}

TEST(NumberFormat, MalformedCodesAreReportedAndShowGeneral) {
    for (const char* code : {R"("abc)", "[Red", "0;0;0;0;0", "[Color99]0", "[<abc]0"}) {
        SCOPED_TRACE(code);
        const NumberFormat f(QString::fromUtf8(code));
        EXPECT_FALSE(f.isValid());
        EXPECT_FALSE(f.errorString().isEmpty());
        EXPECT_EQ(f.format(1234.5), "1234.5");
    }
    EXPECT_TRUE(NumberFormat("").isGeneral());
    EXPECT_TRUE(NumberFormat("").isValid());
}

TEST(NumberFormat, ValuesThatCannotBeShownShowHashes) {
    EXPECT_EQ(NumberFormat("d-mmm-yy").format(-1), "######");
    EXPECT_EQ(NumberFormat("yyyy-mm-dd").format(2958465), "9999-12-31");
    EXPECT_EQ(NumberFormat("yyyy-mm-dd").format(2958466), "######");
    EXPECT_EQ(NumberFormat("yyyy-mm-dd").format(2957003, DateSystem::Date1904), "9999-12-31");
    EXPECT_EQ(NumberFormat("yyyy-mm-dd").format(2957004, DateSystem::Date1904), "######");
    EXPECT_EQ(NumberFormat(QString(200, '%') + "0").format(1), "######");
    // The limits of double stay within reach of the exponent.
    EXPECT_EQ(NumberFormat("0.00E+00").format(1.5e308), "1.50E+308");
    EXPECT_EQ(NumberFormat("0.00E+00").format(5e-324), "4.94E-324");
}

TEST(NumberFormat, TellsDateFormatsApart) {
    // numfmt test/numfmt-test.js (isDate)
    EXPECT_TRUE(NumberFormat("d-mmm-yy").isDateTime());
    EXPECT_TRUE(NumberFormat("[h]:mm").isDateTime());
    EXPECT_FALSE(NumberFormat(R"("y")").isDateTime());
    EXPECT_FALSE(NumberFormat(R"(\y)").isDateTime());
    EXPECT_FALSE(NumberFormat("0.00").isDateTime());
    EXPECT_FALSE(NumberFormat("General").isDateTime());
}

TEST(NumberFormat, GeneralNarrowerThanACell) {
    EXPECT_EQ(formatGeneral(1234567.891, 7), "1234568");
    EXPECT_EQ(formatGeneral(123456789, 7), "1.2E+08");
    EXPECT_EQ(formatGeneral(-0.000123456, 7), "-0.00012");
}

// The separators of the user's region, as the applications show the same codes on a German
// and a French system: the code's "." and "," stand for the decimal and thousands separators,
// quoted text, dates and exponents stay as written.
TEST(NumberFormatSymbols, CodesShowTheRegionsSeparators) {
    const NumberSymbols german = NumberSymbols::of(QLocale(QStringLiteral("de_DE")));
    const NumberSymbols french = NumberSymbols::of(QLocale(QStringLiteral("fr_FR")));
    ASSERT_EQ(german.decimal, QStringLiteral(","));
    ASSERT_EQ(german.group, QStringLiteral("."));
    ASSERT_EQ(french.group, QString(QChar(0x202F)));
    const QString nnbsp(QChar(0x202F));
    struct Row {
        const char* code;
        double value;
        QString de;
        QString fr;
    };
    const Row rows[] = {
        {"General", 21.25, "21,25", "21,25"},
        {"General", 1.23456789e11, "1,23457E+11", "1,23457E+11"},
        {"General", -0.000123457, "-0,000123457", "-0,000123457"},
        {"#,##0.00", 1234567.891, "1.234.567,89", "1" + nnbsp + "234" + nnbsp + "567,89"},
        {"#,##0", -1234, "-1.234", "-1" + nnbsp + "234"},
        {"0.0%", 0.125, "12,5%", "12,5%"},
        {"0.00E+00", 1500000, "1,50E+06", "1,50E+06"},
        {"#,##0,\"k\"", 1234567, "1.235k", "1" + nnbsp + "235k"},
        {"\"v.\"0.0", 2.5, "v.2,5", "v.2,5"},
        {"m/d/yyyy", 45306, "1/15/2024", "1/15/2024"},
        {"mm:ss.0", 0.000729, "01:03,0", "01:03,0"},
        {"0.00;(0.00)", -3.5, "(3,50)", "(3,50)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "code " << r.code << ", value " << r.value);
        const NumberFormat format(QString::fromUtf8(r.code));
        EXPECT_EQ(format.format(r.value, DateSystem::Date1900, german).toStdString(), r.de.toStdString());
        EXPECT_EQ(format.format(r.value, DateSystem::Date1900, french).toStdString(), r.fr.toStdString());
        // And the invariant form, for files, is the en-US one whatever else is asked.
        EXPECT_EQ(format.format(r.value), format.format(r.value, DateSystem::Date1900, NumberSymbols::of(QLocale::c())));
    }
}

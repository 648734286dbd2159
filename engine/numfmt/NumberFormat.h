#pragma once

#include <QColor>
#include <QString>
#include <memory>

class QLocale;

namespace engine {

// Which day serial 0 stands for. The 1900 system (the default of workbooks) counts days from
// 1900-01-00 and keeps the fictitious 1900-02-29 as serial 60, as the spreadsheet application
// does; the 1904 system (c:date1904, workbookPr date1904) counts from 1904-01-01.
enum class DateSystem { Date1900, Date1904 };

// What the "." and "," of a format code show as. Codes are written with "." for the decimal
// point and "," for the thousands separator whatever the locale; the spreadsheet application
// shows them with the separators of the user's region ("1.234,5" in Germany, "1 234,5" with a
// narrow no-break space in France). Text written into a file always takes invariant().
struct NumberSymbols {
    QString decimal = QStringLiteral(".");
    QString group = QStringLiteral(",");

    // ".", "," whatever the process's locale: for everything written to or read from a file.
    static NumberSymbols invariant() { return {}; }
    // The separators of a Qt locale (QLocale() is the user's: LC_ALL, LC_NUMERIC, LANG).
    static NumberSymbols of(const QLocale& locale);

    bool operator==(const NumberSymbols&) const = default;
};

// A number-format code ("#,##0.00;[Red]-#,##0.00", "d-mmm-yy", "0%", "General"...) parsed once,
// formatting any number of values as the spreadsheet application displays them in a cell or a
// chart label.
//
// Supported: General; up to four sections (positive;negative;zero;text) with their defaults
// and with conditions ([<100], [>=1000], [=0], [<>5]) in place of the sign tests; colours
// ([Red], [Color10]); digit placeholders 0 # ?, thousands separators, scaling commas, percent,
// scientific and engineering exponents (E+ E-), fractions with placeholder or fixed
// denominators; dates and times in both date systems (y m d h s, AM/PM and A/P, fractional
// seconds, elapsed [h] [m] [s]); quoted text, backslash escapes, currency brackets [$€-407];
// _x (a space standing in for x's width) and *x (a fill, which without a cell width prints
// nothing); @ for text.
//
// Numbers show at most 15 significant digits, as the spreadsheet application stores them.
// Errors: a malformed code (an unterminated quote or bracket, more than four sections, a
// condition or colour that cannot be read) does not throw; isValid() is false, errorString()
// says what is wrong, and every value is then shown as General so that a label never vanishes.
// Values a date section cannot show (negative serials, serials past 9999-12-31) come out as
// a row of '#', as in a cell too narrow to hold them.
//
// A NumberFormat is a value type (cheap to copy: the parsed form is shared and immutable) and
// may be used from several threads at once.
class NumberFormat {
  public:
    struct Result {
        QString text;
        QColor color;  // invalid when the section names no colour
    };

    // General.
    NumberFormat();
    explicit NumberFormat(const QString& code);

    // The format of a built-in id as the en-US application shows it (0-49, the currency and
    // accounting ids 5-8 and 41-44, and the ids other locales map onto these); General for an
    // id without one.
    static NumberFormat builtIn(int id);
    // The code of a built-in id, "" when the id has none.
    static QString builtInCode(int id);

    QString code() const;
    bool isValid() const;
    QString errorString() const;
    bool isGeneral() const;
    // True when the section for positive numbers shows a date or a time.
    bool isDateTime() const;

    // `symbols` says what the code's "." and "," show as: invariant() for text a file keeps,
    // NumberSymbols::of(QLocale()) for text the user reads.
    QString format(double value, DateSystem dates = DateSystem::Date1900,
                   const NumberSymbols& symbols = NumberSymbols::invariant()) const;
    Result formatWithColor(double value, DateSystem dates = DateSystem::Date1900,
                           const NumberSymbols& symbols = NumberSymbols::invariant()) const;
    // Text values: the text section when the code has one ('@' stands for the text), else the
    // text unchanged.
    QString formatText(const QString& text) const;
    Result formatTextWithColor(const QString& text) const;

    struct Parsed;

  private:
    std::shared_ptr<const Parsed> m_parsed;
};

// General as a cell shows it: at most `width` characters besides the sign (11 in a cell of
// standard width), switching to scientific notation with up to six significant digits
// ("1.23457E+11") when the number does not fit. The decimal point shows as symbols.decimal.
QString formatGeneral(double value, int width = 11, const NumberSymbols& symbols = NumberSymbols::invariant());
inline QString formatGeneral(double value, const NumberSymbols& symbols) { return formatGeneral(value, 11, symbols); }

// Colour `number` (1 to 56) of the spreadsheet application's legacy palette, [Color1] to [Color56]
// of number formats and colour indexes 8 to 63 of .xls files; numbers outside are clamped.
QColor legacyPalette(int number);

}  // namespace engine

#pragma once

#include <QLocale>
#include <QString>

namespace transfer {

// The numeric test and the text-to-integer conversion that the copy run applies to the delay
// box and to a row's chart index, in the manner of the platform's locale-aware conversions.
//
// Numeric text: blanks around, an optional sign, digits (the locale's group separator allowed
// between digits of the whole part), at most one decimal separator (the locale's, or "."),
// and an optional exponent ("e" or "E", an optional sign, digits). At least one digit must
// stand before the exponent. Empty or blank text is not numeric. When the locale's group
// separator is "." itself, "." stands for the decimal point and grouping is not recognised,
// so that "1.5" never silently becomes 15.
bool isNumeric(const QString& text, const QLocale& locale = QLocale());

// The value of numeric text, rounded to the nearest whole number with halves going to the even
// neighbour (2.5 gives 2, 3.5 gives 4), as a 16-bit signed integer. Throws
// platform::Failure("Type mismatch") for text that is not numeric and
// platform::Failure("Overflow") when the rounded value lies outside -32768 to 32767.
qint16 toInteger16(const QString& text, const QLocale& locale = QLocale());

// A number rounded the same way and checked against the same range (the loop bound of the copy
// run is the row count converted so).
qint16 toInteger16(double value);

}  // namespace transfer

#pragma once

#include <optional>
#include <string_view>

// The simple values of XML Schema as parts write them in attributes and text: one reading of
// each for every part reader, the same whatever the process's locale.
namespace engine::xml {

// xsd:boolean: "true" or "1", "false" or "0", with blanks around allowed (the schema collapses
// white space). Anything else ("yes", "True", "") is not a boolean: nullopt, and the caller
// keeps what it has when there is no value.
std::optional<bool> parseXsdBoolean(std::string_view text);
inline bool xsdBooleanOr(std::string_view text, bool fallback) {
    return parseXsdBoolean(text).value_or(fallback);
}

// xsd:double as a finite number: "." as the decimal point, an optional sign and exponent, blanks
// around. Not finite ("INF", "NaN"), or not such a number: nullopt, as no measure or cell of a
// document holds one.
std::optional<double> parseXsdDouble(std::string_view text);

// An integer (xsd:long, and its narrower kinds): optional sign, decimal digits, blanks around.
// Decimals, hexadecimal, trailing text or a value outside a 64-bit integer: nullopt.
std::optional<long long> parseXsdInteger(std::string_view text);

}  // namespace engine::xml

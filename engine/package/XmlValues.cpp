#include "engine/package/XmlValues.h"

#include <charconv>
#include <cmath>

namespace engine::xml {

namespace {

// The white space the schema's collapse removes around a value.
std::string_view withoutXmlBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<bool> parseXsdBoolean(std::string_view text) {
    text = withoutXmlBlanks(text);
    if (text == "1" || text == "true") return true;
    if (text == "0" || text == "false") return false;
    return std::nullopt;
}

std::optional<double> parseXsdDouble(std::string_view text) {
    text = withoutXmlBlanks(text);
    // from_chars takes no "+", which the schema allows; a sign after it is not allowed.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (text.empty() || error != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> parseXsdInteger(std::string_view text) {
    text = withoutXmlBlanks(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc() || ptr != end) return std::nullopt;
    return value;
}

}  // namespace engine::xml

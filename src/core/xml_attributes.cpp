#include "core/xml_attributes.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace {

// White space as the C locale's isspace sees it.
bool lf_isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool lf_isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// from_chars takes neither a '+' nor a "0x" prefix, so both are handled here.
double lf_magnitude(const char* first, const char* last) {
    double value = 0.0;
    if (last - first >= 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        const char* digits = first + 2;
        const bool hexNumber =
            digits < last && (lf_isHexDigit(*digits) ||
                              (*digits == '.' && digits + 1 < last && lf_isHexDigit(digits[1])));
        if (!hexNumber) {
            // strtod reads the "0" and stops at the 'x'.
            return 0.0;
        }
        const auto result = std::from_chars(digits, last, value, std::chars_format::hex);
        return result.ec == std::errc() ? value : 0.0;
    }
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    return result.ec == std::errc() ? value : 0.0;
}

double lf_cLocaleStrtod(std::string_view text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    while (first < last && lf_isSpace(*first)) {
        ++first;
    }
    bool negative = false;
    if (first < last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    if (first == last || *first == '+' || *first == '-') {
        return 0.0;
    }
    const double value = lf_magnitude(first, last);
    if (!std::isfinite(value)) {
        return 0.0;
    }
    return negative ? -value : value;
}

} // namespace

std::string gf_getAttributeValue(const pugi::xml_node& element, const char* name) {
    return element.attribute(name).as_string();
}

double gf_getAttributeDouble(const pugi::xml_node& element, const char* name) {
    const pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) {
        return 0.0;
    }
    return lf_cLocaleStrtod(attribute.value());
}

bool gf_getAttributeBool(const pugi::xml_node& element, const char* name) {
    return element.attribute(name).as_bool();
}

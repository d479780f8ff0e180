#include "core/number_parse.h"

#include <charconv>
#include <stdexcept>
#include <string>
#include <system_error>
#include <type_traits>

namespace {

// White space as the C locale's isspace sees it.
bool lf_isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <class T>
T lf_parse(std::string_view text, std::size_t* pos, bool whole, const char* name) {
    const auto invalid = [name] {
        return std::invalid_argument(std::string("invalid ") + name + " argument");
    };
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size && lf_isSpace(text[i])) {
        ++i;
    }
    // from_chars takes no '+'; a second sign after it is no number.
    if (i < size && text[i] == '+') {
        ++i;
        if (i < size && (text[i] == '+' || text[i] == '-')) {
            throw invalid();
        }
    }
    T value{};
    const char* first = text.data() + i;
    const char* last = text.data() + size;
    std::from_chars_result result;
    if constexpr (std::is_integral_v<T>) {
        result = std::from_chars(first, last, value, 10);
    } else {
        result = std::from_chars(first, last, value, std::chars_format::general);
    }
    if (result.ec == std::errc::invalid_argument) {
        throw invalid();
    }
    if (result.ec == std::errc::result_out_of_range) {
        throw std::out_of_range(std::string(name) + " argument out of range");
    }
    std::size_t used = static_cast<std::size_t>(result.ptr - text.data());
    if (whole) {
        while (used < size && lf_isSpace(text[used])) {
            ++used;
        }
        if (used != size) {
            throw invalid();
        }
    }
    if (pos != nullptr) {
        *pos = used;
    }
    return value;
}

} // namespace

int gf_stoi(std::string_view text, std::size_t* pos) {
    return lf_parse<int>(text, pos, false, "stoi");
}
double gf_stod(std::string_view text, std::size_t* pos) {
    return lf_parse<double>(text, pos, false, "stod");
}
float gf_stof(std::string_view text, std::size_t* pos) {
    return lf_parse<float>(text, pos, false, "stof");
}

int gf_stoiWhole(std::string_view text) {
    return lf_parse<int>(text, nullptr, true, "stoi");
}
double gf_stodWhole(std::string_view text) {
    return lf_parse<double>(text, nullptr, true, "stod");
}
float gf_stofWhole(std::string_view text) {
    return lf_parse<float>(text, nullptr, true, "stof");
}

std::optional<std::uint32_t> gf_parseHexId(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

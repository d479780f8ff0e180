#include "core/version_triple.h"

#include <charconv>
#include <fmt/format.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

namespace {

bool lf_isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<std::uint32_t> lf_toU32(std::string_view digits) {
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

// Whole-text match of (\d+).(\d+).(\d+); the separators are any single character. Digit runs
// are greedy, as a regular expression would take them, so "1.22.3" splits after "1" and "22".
bool lf_matchTriple(std::string_view text, std::string_view parts[3]) {
    // Backtracking over the two separator positions keeps the match exact for texts like
    // "1111" (1, 1, 1 with digit separators) without a regex engine.
    const std::size_t n = text.size();
    for (std::size_t i = 1; i + 1 < n; ++i) {         // end of first run, separator at i
        for (std::size_t j = i + 2; j + 1 < n; ++j) { // end of second run, separator at j
            std::string_view a = text.substr(0, i);
            std::string_view b = text.substr(i + 1, j - i - 1);
            std::string_view c = text.substr(j + 1);
            auto allDigits = [](std::string_view s) {
                if (s.empty()) {
                    return false;
                }
                for (char ch : s) {
                    if (!lf_isDigit(ch)) {
                        return false;
                    }
                }
                return true;
            };
            if (allDigits(a) && allDigits(b) && allDigits(c)) {
                parts[0] = a;
                parts[1] = b;
                parts[2] = c;
                return true;
            }
        }
    }
    return false;
}

// A JSON member as a 32-bit number: booleans count 0 or 1, floating values are truncated.
std::optional<std::uint32_t> lf_jsonNumber(const nlohmann::json& value) {
    constexpr double kMax = std::numeric_limits<std::uint32_t>::max();
    if (value.is_boolean()) {
        return value.get<bool>() ? 1u : 0u;
    }
    if (value.is_number_unsigned()) {
        const auto v = value.get<std::uint64_t>();
        if (v > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(v);
    }
    if (value.is_number_integer()) {
        const auto v = value.get<std::int64_t>();
        if (v < 0 || v > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(v);
    }
    if (value.is_number_float()) {
        const double v = value.get<double>();
        if (!(v > -1.0 && v < kMax + 1.0)) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(v);
    }
    return std::nullopt;
}

} // namespace

std::string VersionTriple::toString() const {
    return gf_versionToString(*this);
}

std::string gf_versionToString(const VersionTriple& version) {
    return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

VersionTriple gf_parseVersion(std::string_view text) {
    VersionTriple result;
    if (text.empty()) {
        return result;
    }
    std::string_view parts[3];
    if (lf_matchTriple(text, parts)) {
        std::uint32_t* fields[3] = {&result.major, &result.minor, &result.patch};
        for (int i = 0; i < 3; ++i) {
            const auto value = lf_toU32(parts[i]);
            if (!value) {
                return result;
            }
            *fields[i] = *value;
        }
        return result;
    }
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return result;
    }
    const char* names[3] = {"major", "minor", "patch"};
    std::uint32_t* fields[3] = {&result.major, &result.minor, &result.patch};
    for (int i = 0; i < 3; ++i) {
        const auto it = json.find(names[i]);
        if (it == json.end()) {
            return result;
        }
        const auto value = lf_jsonNumber(*it);
        if (!value) {
            return result;
        }
        *fields[i] = *value;
    }
    return result;
}

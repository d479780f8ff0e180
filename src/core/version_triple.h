#pragma once
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

// A program or data version; 0.0.0 when unknown.
struct VersionTriple {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t patch = 0;

    auto operator<=>(const VersionTriple&) const = default;
    // "{}.{}.{}"
    std::string toString() const;
};

// From a text of three runs of digits separated by any single characters, else from a JSON
// object with "major", "minor" and "patch". Never throws: what cannot be read stays 0.
VersionTriple gf_parseVersion(std::string_view text);
std::string gf_versionToString(const VersionTriple& version);

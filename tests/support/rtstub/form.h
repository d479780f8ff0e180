#pragma once
// The stand-in's own reading of a form body and its checks of each field's shape.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rtstub {

struct FormField {
    std::string name;
    std::string value; // percent-decoded, '+' read as a blank
    std::string raw;   // as sent
};

// The fields in order; nullopt when a piece has no '=' or a broken %XX escape.
std::optional<std::vector<FormField>> decodeForm(std::string_view body);
// Percent-decoding with '+' as a blank; nullopt for a broken escape.
std::optional<std::string> percentDecode(std::string_view text);

enum class FieldFormat {
    text,         // percent-encoded: unreserved characters and %XX only
    fourDecimals, // -?\d+\.\d{4}
    twoDecimals,  // -?\d+\.\d{2}
    integer,      // -?\d+
    word,         // exactly the given word
};

struct FieldSpec {
    std::string_view name;
    FieldFormat format;
    std::string_view word = {};
};

bool matchesFormat(const FormField& field, const FieldSpec& spec);
// The first field that breaks the field list (missing, extra, out of order or in the wrong format);
// "" when the fields match it.
std::string shapeFault(const std::vector<FormField>& fields, const std::vector<FieldSpec>& spec);

} // namespace rtstub

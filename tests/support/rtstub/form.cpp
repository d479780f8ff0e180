#include "support/rtstub/form.h"

#include <algorithm>

namespace rtstub {

namespace {

int lf_hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool lf_isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool lf_isUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || lf_isDigit(c) || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// -?\d+ followed, when decimals > 0, by '.' and exactly that many digits.
bool lf_isNumber(std::string_view text, int decimals) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        ++i;
    }
    const std::size_t digitsStart = i;
    while (i < text.size() && lf_isDigit(text[i])) {
        ++i;
    }
    if (i == digitsStart) {
        return false;
    }
    if (decimals == 0) {
        return i == text.size();
    }
    if (i >= text.size() || text[i] != '.') {
        return false;
    }
    ++i;
    const std::size_t fraction = i;
    while (i < text.size() && lf_isDigit(text[i])) {
        ++i;
    }
    return i == text.size() && i - fraction == static_cast<std::size_t>(decimals);
}

bool lf_isEncodedText(std::string_view raw) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%') {
            if (i + 2 >= raw.size()) {
                return false;
            }
            if (lf_hexValue(raw[i + 1]) < 0 || lf_hexValue(raw[i + 2]) < 0) {
                return false;
            }
            i += 2;
        } else if (!lf_isUnreserved(raw[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            const int high = lf_hexValue(text[i + 1]);
            const int low = lf_hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::vector<FormField>> decodeForm(std::string_view body) {
    std::vector<FormField> fields;
    if (body.empty()) {
        return fields;
    }
    std::size_t start = 0;
    while (start <= body.size()) {
        const std::size_t end = std::min(body.find('&', start), body.size());
        const std::string_view piece = body.substr(start, end - start);
        const std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const auto name = percentDecode(piece.substr(0, equals));
        const auto value = percentDecode(piece.substr(equals + 1));
        if (!name || !value) {
            return std::nullopt;
        }
        fields.push_back(FormField{*name, *value, std::string(piece.substr(equals + 1))});
        start = end + 1;
    }
    return fields;
}

bool matchesFormat(const FormField& field, const FieldSpec& spec) {
    switch (spec.format) {
    case FieldFormat::text:
        return lf_isEncodedText(field.raw);
    case FieldFormat::fourDecimals:
        return lf_isNumber(field.raw, 4);
    case FieldFormat::twoDecimals:
        return lf_isNumber(field.raw, 2);
    case FieldFormat::integer:
        return lf_isNumber(field.raw, 0);
    case FieldFormat::word:
        return field.raw == spec.word;
    }
    return false;
}

std::string shapeFault(const std::vector<FormField>& fields, const std::vector<FieldSpec>& spec) {
    const std::size_t n = std::max(fields.size(), spec.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (i >= fields.size()) {
            return std::string(spec[i].name);
        }
        if (i >= spec.size()) {
            return fields[i].name;
        }
        if (fields[i].name != spec[i].name || !matchesFormat(fields[i], spec[i])) {
            return std::string(spec[i].name);
        }
    }
    return {};
}

} // namespace rtstub

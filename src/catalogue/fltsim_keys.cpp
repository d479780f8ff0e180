#include "catalogue/fltsim_keys.h"

#include <array>

namespace {

// The classic locale's \s.
bool lf_isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What ECMAScript's '.' does not match.
bool lf_isLineTerminator(char c) {
    return c == '\n' || c == '\r';
}

char lf_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool lf_startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lf_lower(text[i]) != lf_lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::size_t lf_skipSpaces(std::string_view text, std::size_t pos) {
    while (pos < text.size() && lf_isSpace(text[pos])) {
        ++pos;
    }
    return pos;
}

bool lf_matchInto(std::string_view line, std::string_view key, std::string& out) {
    std::string value = lf_matchKeyValue(line, key);
    if (value.empty()) {
        return false;
    }
    out = std::move(value);
    return true;
}

} // namespace

std::string lf_matchKeyValue(std::string_view line, std::string_view key) {
    std::size_t pos = lf_skipSpaces(line, 0);
    if (!lf_startsWithNoCase(line.substr(pos), key)) {
        return {};
    }
    pos = lf_skipSpaces(line, pos + key.size());
    if (pos >= line.size() || line[pos] != '=') {
        return {};
    }
    const std::size_t first = lf_skipSpaces(line, pos + 1);
    std::size_t end = line.size();
    while (end > first && lf_isSpace(line[end - 1])) {
        --end;
    }
    if (end == first) {
        return {};
    }
    const std::string_view value = line.substr(first, end - first);
    for (const char c : value) {
        if (lf_isLineTerminator(c)) {
            return {};
        }
    }
    return std::string(value);
}

bool lf_matchTitle(std::string_view line, std::string& out) {
    return lf_matchInto(line, "title", out);
}

bool lf_matchSim(std::string_view line, std::string& out) {
    return lf_matchInto(line, "sim", out);
}

bool lf_matchModel(std::string_view line, std::string& out) {
    return lf_matchInto(line, "model", out);
}

bool lf_matchTexture(std::string_view line, std::string& out) {
    return lf_matchInto(line, "texture", out);
}

bool lf_matchAtcId(std::string_view line, std::string& out) {
    return lf_matchInto(line, "atc_id", out);
}

bool lf_matchAtcParkingTypes(std::string_view line, std::string& out) {
    return lf_matchInto(line, "atc_parking_types", out);
}

std::string lf_matchAtcModel(std::string_view line) {
    return lf_matchKeyValue(line, "atc_model");
}

std::string lf_matchAtcParkingCodes(std::string_view line) {
    return lf_matchKeyValue(line, "atc_parking_codes");
}

bool lf_hasAtcIdKey(std::string_view line) {
    return line.find("atc_id=") != std::string_view::npos;
}

bool lf_hasAtcParkingTypesKey(std::string_view line) {
    return line.find("atc_parking_types") != std::string_view::npos;
}

std::string lf_matchFltSimHeader(std::string_view line) {
    if (line.starts_with("//")) {
        return {};
    }
    // "\s*(\[fltsim\.)(\d+)\]\s*" as a whole.
    std::size_t pos = lf_skipSpaces(line, 0);
    if (lf_startsWithNoCase(line.substr(pos), "[fltsim.")) {
        pos += 8;
        const std::size_t digits = pos;
        while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
            ++pos;
        }
        if (pos > digits && pos < line.size() && line[pos] == ']' &&
            lf_skipSpaces(line, pos + 1) == line.size()) {
            return std::string(line.substr(digits, pos - digits));
        }
    }
    if (line.find("[fltsim.") != std::string_view::npos ||
        line.find("[FLTSIM.") != std::string_view::npos) {
        return "10000";
    }
    return {};
}

bool lf_isManufacturerCode(std::string_view code) {
    static constexpr std::array<std::string_view, 5> kCodes{"BOE", "AIB", "EMB", "BBA", "AED"};
    for (const std::string_view known : kCodes) {
        if (code == known) {
            return true;
        }
    }
    return false;
}

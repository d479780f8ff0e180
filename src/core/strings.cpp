#include "core/strings.h"

#include "core/globals.h"

#include <cmath>
#include <fmt/format.h>

namespace {

std::string_view lf_trimView(std::string_view text) {
    const auto first = text.find_first_not_of(kBlankSet);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlankSet);
    return text.substr(first, last - first + 1);
}

// Calls add(item) for every trimmed item, as a line-reading of a string stream would.
template <class Add> void lf_forEachItem(std::string_view text, char separator, Add add) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find(separator, pos);
        if (end == std::string_view::npos) {
            add(lf_trimView(text.substr(pos)));
            return;
        }
        add(lf_trimView(text.substr(pos, end - pos)));
        pos = end + 1;
    }
}

std::vector<std::string> lf_splitToVector(std::string_view text, char separator) {
    std::vector<std::string> items;
    lf_forEachItem(text, separator, [&](std::string_view item) { items.emplace_back(item); });
    return items;
}

} // namespace

std::string gf_trim(std::string_view text) {
    return std::string(lf_trimView(text));
}

void gf_removeBlanks(std::string& text) {
    if (text.find_first_of(kBlankSet) == std::string::npos) {
        return;
    }
    std::string joined;
    joined.reserve(text.size());
    bool first = true;
    lf_forEachItem(text, ',', [&](std::string_view item) {
        if (!first) {
            joined += ',';
        }
        joined += item;
        first = false;
    });
    text = std::move(joined);
}

std::vector<std::string> gf_splitToVector(std::string_view text) {
    return lf_splitToVector(text, ',');
}

std::vector<std::string> gf_splitCsvLine(std::string_view line) {
    return lf_splitToVector(line, ',');
}

std::list<std::string> gf_splitAtCommas(std::string_view text) {
    std::list<std::string> items;
    lf_forEachItem(text, ',', [&](std::string_view item) { items.emplace_back(item); });
    return items;
}

std::vector<std::string> gf_splitWords(std::string_view text) {
    return lf_splitToVector(text, ';');
}

void gf_appendCsvRows(const std::vector<std::string>& lines) {
    csvRows.reserve(csvRows.size() + lines.size());
    for (const std::string& line : lines) {
        csvRows.push_back(gf_splitCsvLine(line));
    }
}

std::string gf_splitAtColon(std::string_view text, std::string& second) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        second.clear();
        return std::string(text);
    }
    const std::string_view rest = text.substr(colon + 1);
    if (rest.find(':') == std::string_view::npos) {
        second.assign(rest);
    }
    return std::string(text.substr(0, colon));
}

bool gf_equalsUpper(std::string_view a, std::string b) {
    for (char& c : b) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return a == b;
}

bool gf_equalsWithStar(std::string_view a, std::string_view b) {
    return b.size() == a.size() + 1 && b.back() == '*' && b.substr(0, a.size()) == a;
}

bool gf_containsChar(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

std::string_view gf_pluralSuffix(std::size_t count) {
    return count == 1 ? "" : "s";
}

std::string gf_numberText(float number) {
    if (std::trunc(number) == number) {
        return fmt::format("{:.0f}", number);
    }
    return fmt::format("{:.1F}", number);
}

std::string gf_pathFromXmlLine(std::string_view line) {
    constexpr std::string_view open = "<Path>";
    constexpr std::string_view close = "</Path>";
    const auto start = line.find(open);
    if (start == std::string_view::npos) {
        return {};
    }
    const auto from = start + open.size();
    const auto end = line.find(close, from);
    if (end == std::string_view::npos) {
        return {};
    }
    return std::string(line.substr(from, end - from));
}

std::string gf_xmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

#pragma once
// The words of a stand-in's stdin command line, split at blanks and tabs.
#include <string_view>
#include <vector>

namespace ksb::test {

inline std::vector<std::string_view> gf_commandWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

} // namespace ksb::test

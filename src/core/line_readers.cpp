#include "core/line_readers.h"

namespace {

bool lf_containsAny(std::string_view line, std::string_view a, std::string_view b,
                    std::string_view c) {
    return line.find(a) != std::string_view::npos || line.find(b) != std::string_view::npos ||
           line.find(c) != std::string_view::npos;
}

} // namespace

void gf_parseActiveKey(bool& flag, std::string_view line) {
    if (lf_containsAny(line, "Active", "ACTIVE", "active") &&
        lf_containsAny(line, "True", "TRUE", "true")) {
        flag = true;
    }
}

void gf_readLines(std::istream& in, std::vector<std::string>& lines) {
    std::string line;
    while (std::getline(in, line)) {
        gf_dropCarriageReturn(line);
        lines.push_back(line);
    }
    in.clear();
}

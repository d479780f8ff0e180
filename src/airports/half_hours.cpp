#include "airports/airports.h"

#include "core/checked_lookup.h"
#include "core/log.h"
#include "core/number_parse.h"
#include "core/strings.h"

#include <fmt/format.h>

#include <cstddef>
#include <stdexcept>

std::string gf_bitset2hours(const std::bitset<48>& halfHours) {
    std::string text;
    for (std::size_t slot = 0; slot < halfHours.size(); ++slot) {
        if (!halfHours[slot]) {
            continue;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += fmt::format("{}", slot);
    }
    return text;
}

std::bitset<48> lf_hours2bitset(std::string_view text) {
    std::bitset<48> halfHours;
    try {
        // The splitter gives no piece after a trailing comma, so the older form reads the same.
        for (const std::string& piece : gf_splitToVector(text)) {
            // A negative number turns into a huge position, which the check refuses too.
            gf_bitSet(halfHours, static_cast<std::size_t>(gf_stoi(piece)));
        }
    } catch (const std::logic_error& e) {
        gf_logLine(fmt::format("exception {} in lf_hours2bitset", e.what()));
    }
    return halfHours;
}

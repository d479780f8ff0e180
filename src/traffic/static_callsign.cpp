// The tail number a static parked aircraft shows in the simulator: a callsign that ends in "*", so
// that it never passes for the live flight itself.
#include "traffic/conflicts.h"

#include <fmt/format.h>

#include <string>

namespace ksb {

std::string lf_staticCallsign(const StandToFill& entry, std::uint32_t key) {
    if (entry.callsign.empty()) {
        return fmt::format("{}{}{}", entry.airline, key, "*");
    }
    // An aircraft that does not stay into the next half hour leaves under its coupled callsign;
    // without one it keeps its own.
    std::string tail =
        !entry.stays && !entry.coupledCallsign.empty() ? entry.coupledCallsign : entry.callsign;
    if (gf_isGhostCallsign(tail)) {
        tail.pop_back();
    }
    if (tail.empty() || tail.back() != '*') {
        tail += '*';
    }
    return tail;
}

} // namespace ksb

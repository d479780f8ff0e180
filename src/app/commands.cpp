#include "app/commands.h"

// PLACEHOLDER ("Edit fields, commands and time shift"): no control acts on a click yet.
bool lf_onCommand(std::uint16_t) {
    return false;
}

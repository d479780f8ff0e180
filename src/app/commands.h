#pragma once
// What a click on a check box or a button does.
#include <cstdint>

// True when the id belonged to a control.
bool lf_onCommand(std::uint16_t id);

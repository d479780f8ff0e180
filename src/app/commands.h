#pragma once
// What a click on a check box or a button does.
#include <cstdint>
#include <functional>
#include <string>

// True when the id belonged to a control. A check box flips, is saved and then does its own
// step; a button does its action. No message shown here is logged.
bool lf_onCommand(std::uint16_t id);

// Where "Check version" gets its text (the update server's news); an empty function restores
// the updates subsystem's own. GUI thread, or before the window runs.
void gf_setNewVersionsSource(std::function<std::string()> source);

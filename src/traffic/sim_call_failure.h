#pragma once
// The engine's raw simulator calls: a failure writes its own line and counts once, and the link
// turns the third count into a restart. The caller holds trafficState.trafficMutex.
#include <string_view>

// Passes succeeded back; on a failure first logs the line as a warning and counts it.
bool gf_checkSimCall(bool succeeded, std::string_view failureLine);

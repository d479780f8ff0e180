#pragma once
// The stand name that heads traffic log lines. The caller holds trafficState.trafficMutex.
#include <cstdint>
#include <string>

// The park airport's stand name of the id; "sid==0?" for id 0, "unknown" when the stand table
// has no such id.
std::string gf_standLogName(std::uint32_t standId);

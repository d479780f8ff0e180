#pragma once
#include "core/version_triple.h"

#include <string_view>

inline constexpr std::string_view kProgramName = "KSBY_P3D";
inline constexpr std::string_view kSimulatorName = "Prepar3D v5/v6";
inline constexpr std::string_view kProgramVersionText = "9.3.0";

// The program's own version, parsed once.
const VersionTriple& gf_programVersion();

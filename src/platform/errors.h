#pragma once
// Temporary stand-in until the platform layer's own errors.h arrives.
#include <cstdint>

namespace platform {

// The Win32 error code that stands for an errno value.
std::uint32_t win32ErrorFromErrno(int errnoValue);

} // namespace platform

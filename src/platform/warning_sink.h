#pragma once
// The platform layer cannot reach the log; it reports problems through this sink, which writes
// to stderr until the log installs its own.
#include <string_view>

namespace platform {

using WarningSink = void (*)(std::string_view);

// nullptr restores the stderr sink.
void setWarningSink(WarningSink sink);
void warn(std::string_view text);

} // namespace platform

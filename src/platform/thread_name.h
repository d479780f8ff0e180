#pragma once
// Names the calling thread, so that the threads of a running program can be told apart from
// outside (/proc/<pid>/task/*/comm, debuggers, top -H).
#include <string>
#include <string_view>

namespace platform {

// The kernel keeps at most this many characters of a thread's name.
inline constexpr std::size_t kThreadNameMax = 15;

// Names the calling thread; a longer name is cut to kThreadNameMax characters. A failure only
// leaves the old name, so nothing is reported.
void setThreadName(std::string_view name);
// The calling thread's name; empty when it cannot be read.
std::string threadName();

} // namespace platform

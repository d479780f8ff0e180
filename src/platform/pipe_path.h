#pragma once
// Named pipes stand as Unix-domain sockets in one folder: "\\.\pipe\<name>" is
// <pipe folder>/<name with '\' as '/'>. The simulator stand-in binds by the same rule.
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

// The pipe name of the simulator's SimConnect server.
inline constexpr std::string_view kSimConnectPipeName = "Lockheed Martin Prepar3D v5\\SimConnect";

// KSBY_PIPE_DIR, else $XDG_RUNTIME_DIR/ksby-pipes, else /tmp/ksby-pipes.
std::filesystem::path pipeDirectory();

// The socket path of a pipe name. Nothing for a name with an empty or ".." component, or for a
// path longer than a Unix socket address holds, so that no name reaches outside the folder.
std::optional<std::filesystem::path> pipePath(std::string_view pipeName);

// Longest path a Unix socket address holds (its terminating zero not counted).
inline constexpr std::size_t kMaxUnixSocketPath = 107;

} // namespace platform

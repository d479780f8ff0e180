#include "platform/pipe_path.h"

#include "platform/environment.h"

#include <string>

namespace platform {

std::filesystem::path pipeDirectory() {
    if (const auto dir = environmentValue("KSBY_PIPE_DIR")) {
        return *dir;
    }
    if (const auto runtime = environmentValue("XDG_RUNTIME_DIR")) {
        return std::filesystem::path(*runtime) / "ksby-pipes";
    }
    return "/tmp/ksby-pipes";
}

std::optional<std::filesystem::path> pipePath(std::string_view pipeName) {
    std::filesystem::path path = pipeDirectory();
    std::size_t start = 0;
    while (true) {
        const std::size_t end = pipeName.find_first_of("\\/", start);
        const std::string_view component = pipeName.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (component.empty() || component == "..") {
            return std::nullopt;
        }
        path /= std::string(component);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    if (path.native().size() > kMaxUnixSocketPath) {
        return std::nullopt;
    }
    return path;
}

} // namespace platform

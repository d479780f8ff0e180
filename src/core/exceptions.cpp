#include "core/exceptions.h"

#include <fmt/format.h>

namespace ksb {

namespace {
std::string lf_userMessage(int code, std::string_view text) {
    // Code 99 carries a complete sentence for the user (e.g. how to install an update).
    if (code == 99) {
        return std::string(text);
    }
    return fmt::format("{}: {}", code, text);
}
} // namespace

UserErrorException::UserErrorException(int code, std::string_view text)
    : std::runtime_error(lf_userMessage(code, text)) {}

SysErrorException::SysErrorException(int code, std::string_view text)
    : std::runtime_error(fmt::format("sys error {}: {}", code, text)) {}

} // namespace ksb

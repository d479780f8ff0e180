#pragma once
#include <optional>
#include <string>

namespace platform {

// The variable's value read now; an empty value counts as unset.
std::optional<std::string> environmentValue(const char* name);

} // namespace platform

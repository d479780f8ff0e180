#pragma once
// Byte-exact fixture files.
#include <filesystem>
#include <string>
#include <string_view>

namespace ksb::test {

// Writes exactly these bytes (creating parent folders).
void writeBytes(const std::filesystem::path& path, std::string_view bytes);
// The whole file as bytes; throws std::runtime_error when it cannot be read.
std::string readBytes(const std::filesystem::path& path);

} // namespace ksb::test

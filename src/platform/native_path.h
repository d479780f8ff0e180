#pragma once
// Windows path texts from configuration files as Linux paths.
//   "X:\..." or "X:/..." (either case): the drive becomes $KSBY_DRIVE_<X> (upper-case letter)
//                          when set, else /mnt/<x> (lower case), where WSL mounts Windows drives
//   "/..."                 native, used as it stands
//   "\\server\..."         UNC, not mapped: comes back with '/' and will not exist
//   anything else          relative to the base ('\' also counts as a separator)
// When the result does not exist, each component missing in the exact case is looked up
// ASCII-case-insensitively in its parent (first match in byte order), as Windows would find it;
// from the first component without a match on, the rest stays as given.
#include <filesystem>
#include <string_view>

namespace platform {

std::filesystem::path toNativePath(std::string_view text);
// An absolute text (drive or native) replaces the base.
std::filesystem::path toNativePath(const std::filesystem::path& base, std::string_view text);

} // namespace platform

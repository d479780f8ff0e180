#include "support/scoped_current_dir.h"

#include <system_error>

namespace ksb::test {

ScopedCurrentDir::ScopedCurrentDir(const std::filesystem::path& folder)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
}

ScopedCurrentDir::~ScopedCurrentDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

} // namespace ksb::test

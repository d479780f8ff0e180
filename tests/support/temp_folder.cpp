#include "support/temp_folder.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace ksb::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ksby-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests may leave read-only entries behind; give write access back before removing.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

} // namespace ksb::test

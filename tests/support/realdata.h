#pragma once
// The real files beside the clone (../shared/realdata), reached through KSBY_REALDATA_DIR.
#include <filesystem>
#include <gtest/gtest.h>

namespace ksb::test {

inline std::filesystem::path realdataDir() {
#ifdef KSBY_REALDATA_DIR
    return std::filesystem::path(KSBY_REALDATA_DIR);
#else
    return {};
#endif
}

} // namespace ksb::test

// Fails the test with a clear message when the folder is missing.
#define KSBY_REQUIRE_REALDATA()                                                                    \
    do {                                                                                           \
        if (!std::filesystem::is_directory(::ksb::test::realdataDir())) {                          \
            FAIL() << "realdata folder missing: " << ::ksb::test::realdataDir()                    \
                   << " (expected ../shared/realdata beside the clone)";                           \
        }                                                                                          \
    } while (false)

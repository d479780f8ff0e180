// gtest main: every test starts from the core's start values, the system clock, the default
// message sink and exit handler.
#include "core/globals.h"

#include <gtest/gtest.h>

namespace {
class ResetCoreGlobals : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { gf_resetCoreGlobals(); }
    void OnTestEnd(const ::testing::TestInfo&) override { gf_resetCoreGlobals(); }
};
} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    ::testing::UnitTest::GetInstance()->listeners().Append(new ResetCoreGlobals);
    return RUN_ALL_TESTS();
}

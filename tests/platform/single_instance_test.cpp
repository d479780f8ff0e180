#include "platform/single_instance.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using Status = platform::SingleInstanceResult::Status;
using ksb::test::ScopedEnv;

TEST(SingleInstanceTest, SecondAcquireIsRefusedWhileTheFirstLockLives) {
    ksb::test::TempFolder folder;
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().string());
    const std::filesystem::path lockFile = folder / "Local_KSBY_P3D_x-1.0.lock";
    {
        platform::SingleInstanceResult first =
            platform::acquireSingleInstance("Local\\KSBY P3D:x-1.0");
        ASSERT_EQ(first.status, Status::acquired) << first.error;
        EXPECT_TRUE(first.lock.holds());
        EXPECT_EQ(first.lockFile, lockFile);

        const platform::SingleInstanceResult second =
            platform::acquireSingleInstance("Local\\KSBY P3D:x-1.0");
        EXPECT_EQ(second.status, Status::alreadyRunning);
        EXPECT_FALSE(second.lock.holds());
        EXPECT_EQ(second.error, "");

        // The lock travels with the object.
        platform::InstanceLock kept = std::move(first.lock);
        EXPECT_FALSE(first.lock.holds());
        EXPECT_EQ(platform::acquireSingleInstance("Local\\KSBY P3D:x-1.0").status,
                  Status::alreadyRunning);
        // Another name is another lock.
        EXPECT_EQ(platform::acquireSingleInstance("Local\\other").status, Status::acquired);
    }
    const platform::SingleInstanceResult third =
        platform::acquireSingleInstance("Local\\KSBY P3D:x-1.0");
    EXPECT_EQ(third.status, Status::acquired);
    // Never deleted.
    EXPECT_TRUE(std::filesystem::exists(lockFile));
}

TEST(SingleInstanceTest, LockFileInRuntimeFolderElseTmp) {
    struct Case {
        const char* name;
        std::optional<std::string> runtime;
        const char* expected;
    };
    const Case cases[] = {
        {"runtime folder", "/run/user/1000", "/run/user/1000/Global_KSBY_P3D.lock"},
        {"unset", std::nullopt, "/tmp/Global_KSBY_P3D.lock"},
        {"empty counts as unset", "", "/tmp/Global_KSBY_P3D.lock"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(platform::singleInstanceLockFile("Global\\KSBY_P3D").string(), c.expected);
    }
    EXPECT_EQ(platform::singleInstanceLockFile("a/../b é").filename().string(), "a_.._b__.lock");
}

TEST(SingleInstanceTest, LockFileThatCannotBeCreatedFailsWithTheErrnoText) {
    ksb::test::TempFolder folder;
    ScopedEnv runtime("XDG_RUNTIME_DIR", (folder / "missing").string());
    const platform::SingleInstanceResult result = platform::acquireSingleInstance("KSBY_P3D");
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_FALSE(result.lock.holds());
    EXPECT_EQ(result.error, "No such file or directory");
    EXPECT_EQ(result.lockFile, folder / "missing/KSBY_P3D.lock");
}

} // namespace

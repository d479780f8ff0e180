#include "core/globals.h"
#include "core/sim_detection.h"
#include "support/registry_store.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using ksb::test::RegistryStoreWriter;
using ksb::test::ScopedEnv;

class SimDetectionTest : public ::testing::Test {
protected:
    void writeStore(const RegistryStoreWriter& store) { store.writeTo(store_); }

    ksb::test::TempFolder folder_;
    std::filesystem::path store_ = folder_ / "registry.ini";
    ScopedEnv registry_{"KSBY_REGISTRY", store_.string()};
};

TEST_F(SimDetectionTest, InstalledVersionsAndSetupPaths) {
    struct Case {
        const char* name;
        RegistryStoreWriter store;
        bool v4, v5, v6;
        std::string path5, path6;
    };
    const std::string nonAscii = "D:\\Spiele\\Prepar3D v5 Größe – 飛行 \xF0\x9F\x9B\xA9\\";
    const Case cases[] = {
        {"only version 5", RegistryStoreWriter().p3d(5, "C:\\Program Files\\P3D v5\\"), false, true,
         false, "C:\\Program Files\\P3D v5\\", ""},
        {"all three, names in another case",
         RegistryStoreWriter()
             .p3d(4, "C:\\v4")
             .key("hkey_local_machine\\software\\lockheed martin\\PREPAR3D V5")
             .value("setuppath", "C:\\v5")
             .p3d(6, "E:\\v6"),
         true, true, true, "C:\\v5", "E:\\v6"},
        {"key without SetupPath", RegistryStoreWriter().key(ksb::test::p3dRegistryKey(6)), false,
         false, true, "", ""},
        {"version 5 of the current user only does not count",
         RegistryStoreWriter()
             .key("HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5")
             .value("SetupPath", "C:\\v5"),
         false, false, false, "", ""},
        {"non-ASCII setup path unchanged", RegistryStoreWriter().p3d(5, nonAscii), false, true,
         false, nonAscii, ""},
        {"empty store", RegistryStoreWriter(), false, false, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeStore(c.store);
        EXPECT_EQ(gf_isP3dInstalled(4), c.v4);
        EXPECT_EQ(gf_isP3dInstalled(5), c.v5);
        EXPECT_EQ(gf_isP3dInstalled(6), c.v6);
        EXPECT_EQ(gf_getP3dSetupPath(5), c.path5);
        EXPECT_EQ(gf_getP3dSetupPath(6), c.path6);
    }
}

TEST_F(SimDetectionTest, NoStoreMeansNothingInstalled) {
    ScopedEnv registry("KSBY_REGISTRY", (folder_ / "missing.ini").string());
    for (int version : {4, 5, 6}) {
        SCOPED_TRACE(version);
        EXPECT_FALSE(gf_isP3dInstalled(version));
        EXPECT_EQ(gf_getP3dSetupPath(version), "");
        EXPECT_FALSE(gf_p3dInstalled(version));
    }
}

TEST_F(SimDetectionTest, InstalledFlagsAreReadOnceUntilReset) {
    writeStore(RegistryStoreWriter().p3d(5, "C:\\v5"));
    EXPECT_FALSE(gf_p3dInstalled(4));
    EXPECT_TRUE(gf_p3dInstalled(5));
    EXPECT_FALSE(gf_p3dInstalled(6));

    writeStore(RegistryStoreWriter().p3d(4, "C:\\v4").p3d(6, "C:\\v6"));
    EXPECT_FALSE(gf_p3dInstalled(4));
    EXPECT_TRUE(gf_p3dInstalled(5));
    EXPECT_FALSE(gf_p3dInstalled(6));
    // The setup path is not cached.
    EXPECT_EQ(gf_getP3dSetupPath(5), "");

    gf_resetCoreGlobals();
    EXPECT_TRUE(gf_p3dInstalled(4));
    EXPECT_FALSE(gf_p3dInstalled(5));
    EXPECT_TRUE(gf_p3dInstalled(6));
}

} // namespace

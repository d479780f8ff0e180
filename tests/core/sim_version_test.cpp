#include "core/exceptions.h"
#include "core/parameters.h"
#include "core/sim_version.h"

#include <gtest/gtest.h>

namespace {

TEST(SimVersionTest, TheInstallPathTextThenP3dVersion) {
    struct Case {
        const char* name;
        std::string path;
        std::int32_t p3dVersion;
        std::string version;
    };
    const Case cases[] = {
        {"v5", "C:\\Program Files\\Lockheed Martin\\Prepar3D v5\\", 6, "5"},
        {"V5", "D:\\P3DV5", 6, "5"},
        {"v6", "C:\\Prepar3D v6", 5, "6"},
        {"V6", "E:\\SIMS\\P3DV6\\", 5, "6"},
        // The first test wins when both appear.
        {"v6 before v5 in the text", "D:\\v6\\copy of v5", 6, "5"},
        {"neither, P3D_VERSION 5", "D:\\Sims\\Prepar3D", 5, "5"},
        {"neither, P3D_VERSION 6", "D:\\Sims\\Prepar3D", 6, "6"},
        {"empty path", "", 6, "6"},
        // Only the text counts: "v 5" or "version5" is not "v5".
        {"not the exact letters", "D:\\P3D version5\\v 6", 6, "6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SIM_INSTALL_PATH.assign(c.path);
        P3D_VERSION.setRaw(c.p3dVersion);
        EXPECT_EQ(c.version, gf_simVersionFromInstallPath());
    }
}

} // namespace

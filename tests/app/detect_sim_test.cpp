#include "app/detect_sim.h"
#include "core/controls.h"
#include "core/exceptions.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "start_up_fixture.h"

#include <gtest/gtest.h>

namespace {

using ksb::test::RegistryStoreWriter;

class DetectSimTest : public ksb::test::StartUpFixture {};

TEST_F(DetectSimTest, TheInstalledVersionsDecide) {
    struct Case {
        const char* name;
        RegistryStoreWriter registry;
        const char* folderParameter; // set to "D:\AI" when not null
        std::string error;           // empty: no user error
        const char* logLine;         // the detection line, when one is written
        std::string path;            // SIM_INSTALL_PATH afterwards (value and field)
        bool notDetected;            // "P3D not detected?" shown and logged
        bool pathSaved;              // SIM_INSTALL_PATH saved (emptied)
    };
    const std::string noPath =
        "151: No P3D install path detected, type full Install Path above, and press Enter";
    const Case cases[] = {
        {"versions 5 and 6", RegistryStoreWriter().p3d(5, "C:\\P3D v5").p3d(6, "C:\\P3D v6"),
         nullptr,
         "153: More than one P3D version detected, type full Install Path to wanted version "
         "above and press Enter",
         nullptr, "", false, false},
        {"only version 5", RegistryStoreWriter().p3d(4, "C:\\v4").p3d(5, "C:\\P3D v5"), nullptr, "",
         "P3Dv5detected", "C:\\P3D v5", false, false},
        {"only version 6", RegistryStoreWriter().p3d(6, "E:\\Sim\\P3D v6\\"), nullptr, "",
         "P3Dv6detected", "E:\\Sim\\P3D v6\\", false, false},
        {"version 5 without a setup path", RegistryStoreWriter().key(ksb::test::p3dRegistryKey(5)),
         nullptr, noPath, "P3Dv5detected", "", false, true},
        {"only version 4", RegistryStoreWriter().p3d(4, "C:\\v4"), nullptr, noPath, nullptr, "",
         true, true},
        {"none, an lfolder set", RegistryStoreWriter(), "lfolder0", "", nullptr, "", true, false},
        {"none, an afolder set", RegistryStoreWriter(), "afolder9", "", nullptr, "", true, false},
        {"none, no folder set", RegistryStoreWriter(), nullptr, noPath, nullptr, "", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.registry.writeTo(registryFile());
        writeParameters({{"SIM_INSTALL_PATH", "old"}});
        gf_readParameters(gf_parameterLists());
        // In memory empty and shown so, as start-up finds it; the file still says "old".
        SIM_INSTALL_PATH.assign("");
        lf_showTextParameter(SIM_INSTALL_PATH);
        if (c.folderParameter != nullptr) {
            for (StringParameter* p : gf_parameterLists().texts) {
                if (p->name() == c.folderParameter) {
                    p->assign("D:\\AI");
                }
            }
        }

        std::string error;
        try {
            lf_detectSimVersion();
        } catch (const ksb::UserErrorException& e) {
            error = e.what();
        }

        EXPECT_EQ(c.error, error);
        const auto body = log->body();
        for (const char* line : {"P3Dv5detected", "P3Dv6detected"}) {
            const bool expected = c.logLine != nullptr && std::string(c.logLine) == line;
            EXPECT_EQ(expected, std::find(body.begin(), body.end(), line) != body.end()) << line;
        }
        EXPECT_EQ(c.path, SIM_INSTALL_PATH.value());
        EXPECT_EQ(c.path, widget(SIM_INSTALL_PATH).text);
        EXPECT_EQ(c.pathSaved ? "" : "old", stored("SIM_INSTALL_PATH"));
        EXPECT_EQ(c.notDetected,
                  std::find(body.begin(), body.end(), "P3D not detected?") != body.end());
        if (c.notDetected && c.error.empty()) {
            EXPECT_EQ("P3D not detected?", mainWindow.messageText());
        }
    }
}

} // namespace

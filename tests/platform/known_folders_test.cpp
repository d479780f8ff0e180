#include "platform/known_folders.h"
#include "support/file_bytes.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using ksb::test::ScopedEnv;

TEST(KnownFoldersTest, OverrideThenXdgThenHomeThenNothing) {
    struct Folder {
        const char* name;
        std::filesystem::path (*get)();
        const char* override;
        const char* xdg;
        const char* belowHome;
    };
    const Folder folders[] = {
        {"application data", &platform::appDataFolder, "KSBY_APPDATA", "XDG_CONFIG_HOME",
         "/home/u/.config"},
        {"documents", &platform::documentsFolder, "KSBY_DOCUMENTS", "XDG_DOCUMENTS_DIR",
         "/home/u/Documents"},
        {"public documents", &platform::publicDocumentsFolder, "KSBY_PUBLIC_DOCUMENTS",
         "XDG_PUBLICSHARE_DIR", "/home/u/Public"},
        {"program data", &platform::programDataFolder, "KSBY_PROGRAMDATA", "XDG_DATA_HOME",
         "/home/u/.local/share"},
    };
    struct Case {
        const char* name;
        std::optional<std::string> override;
        std::optional<std::string> xdg;
        std::optional<std::string> home;
        // Empty: expect the folder's place below HOME.
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"override wins", "/o/missing folder", "/xdg", "/home/u", "/o/missing folder"},
        {"XDG value", std::nullopt, "/xdg", "/home/u", "/xdg"},
        {"empty override counts as unset", "", "/xdg", "/home/u", "/xdg"},
        {"only HOME", std::nullopt, std::nullopt, "/home/u", std::nullopt},
        {"empty XDG value counts as unset", std::nullopt, "", "/home/u", std::nullopt},
        {"nothing", std::nullopt, std::nullopt, std::nullopt, ""},
        {"everything empty", "", "", "", ""},
    };
    for (const Folder& f : folders) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(f.name) + ": " + c.name);
            // Every other variable of the table is unset, so the folders cannot leak into
            // one another.
            ScopedEnv unset[] = {
                {"KSBY_APPDATA", std::nullopt},          {"KSBY_DOCUMENTS", std::nullopt},
                {"KSBY_PUBLIC_DOCUMENTS", std::nullopt}, {"KSBY_PROGRAMDATA", std::nullopt},
                {"XDG_CONFIG_HOME", std::nullopt},       {"XDG_DOCUMENTS_DIR", std::nullopt},
                {"XDG_PUBLICSHARE_DIR", std::nullopt},   {"XDG_DATA_HOME", std::nullopt}};
            ScopedEnv override(f.override, c.override);
            ScopedEnv xdg(f.xdg, c.xdg);
            ScopedEnv home("HOME", c.home);
            EXPECT_EQ(f.get().string(), c.expected.value_or(f.belowHome));
        }
    }
}

TEST(KnownFoldersTest, ProgramDataPathFindsTheRestAsWindowsWould) {
    ksb::test::TempFolder folder;
    ksb::test::writeBytes(folder / "Lockheed Martin/Prepar3D v5/scenery.CFG", "x");
    ScopedEnv programData("KSBY_PROGRAMDATA", folder.path().string());
    EXPECT_EQ(platform::programDataPath("Lockheed Martin\\Prepar3D v5\\scenery.cfg"),
              folder / "Lockheed Martin/Prepar3D v5/scenery.CFG");
    EXPECT_EQ(platform::programDataPath("\\LOCKHEED MARTIN\\prepar3d v5\\scenery.cfg"),
              folder / "Lockheed Martin/Prepar3D v5/scenery.CFG");
    EXPECT_EQ(platform::programDataPath("Lockheed Martin\\Prepar3D v6\\scenery.cfg"),
              folder / "Lockheed Martin/Prepar3D v6/scenery.cfg");
}

TEST(KnownFoldersTest, ProgramDataPathIsEmptyWhenTheFolderIsUnknown) {
    ScopedEnv programData("KSBY_PROGRAMDATA", std::nullopt);
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(platform::programDataPath("Lockheed Martin\\Prepar3D v5\\scenery.cfg"),
              std::filesystem::path());
}

} // namespace

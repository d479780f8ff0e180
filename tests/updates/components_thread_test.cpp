// The aircraft database and the registration codes brought up to date from the stand-in.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/codec.h"
#include "support/e2e/scene_catalogue.h"
#include "update_fixture.h"
#include "updates/updates.h"

#include <fmt/format.h>
#include <pugixml.hpp>

namespace {

namespace fs = std::filesystem;
using rtstub::Reply;

struct Item {
    const char* name;
    const char* folder;
    const char* file;
    StringParameter* setting;
    void (*update)();
    const char* noVersion;
    std::string serverBytes() const {
        return std::string_view(folder) == "dbase"
                   ? ksb::test::dbaseXmlText(ksb::e2e::scene::dbaseSpec())
                   : ksb::test::aigRegcodesText(ksb::e2e::scene::aigEntries());
    }
};

const Item kItems[] = {
    {"database", "dbase", "dbase.xml", &DBASE_VERSION, &gf_updateDbase,
     "===> No dbase version info found at the KSBY server?"},
    {"registration codes", "aig", "AIG-regcodes.xml", &AIG_VERSION, &gf_updateAigRegcodes,
     "===> No AIG regcodes version info found at the KSBY server?"},
};

class ComponentsTest : public ksb::test::UpdateFixture {
protected:
    std::filesystem::path installed(const Item& item) const {
        return at("input") / item.file;
    }
};

TEST_F(ComponentsTest, EachVersionFileStateAndOutcome) {
    enum class Transfer { ok, fails, noVersion };
    struct Case {
        const char* name;
        const char* server;  // nullptr: the stand-in's 1.0.0
        const char* setting; // before
        bool present;
        Transfer transfer;
        bool downloads;  // the file is requested
        bool installs;   // the server's bytes are installed
        const char* after; // the setting after
    };
    const Case cases[] = {
        {"fresh installation", nullptr, "", false, Transfer::ok, true, true, "1.0.0"},
        {"up to date", nullptr, "1.0.0", true, Transfer::ok, false, false, "1.0.0"},
        {"same version, file missing", nullptr, "1.0.0", false, Transfer::ok, true, true,
         "1.0.0"},
        {"newer on the server", "1.2.0", "1.0.0", true, Transfer::ok, true, true, "1.2.0"},
        {"older on the server", "0.9.0", "1.0.0", true, Transfer::ok, false, false, "1.0.0"},
        {"download fails", "1.2.0", "1.0.0", true, Transfer::fails, true, false, "1.0.0"},
        {"no version file, file missing", nullptr, "", false, Transfer::noVersion, false, false,
         ""},
    };
    for (const Item& item : kItems) {
        for (const Case& c : cases) {
            SCOPED_TRACE(fmt::format("{}: {}", item.name, c.name));
            ksb::test::ParametersFixture settings;
            ksb::test::LogCapture caseLog;
            ksb::test::WorkingFolder folder;
            ksb::test::RecordingMessageSink caseMessages;
            rtstub::RtStub server;
            ksb::gf_setUpdateBase(server.baseUrl());
            if (c.server != nullptr) {
                server.setUpdateVersion(item.folder, c.server);
            }
            item.setting->setValue(c.setting);
            const std::string old = "<old/>\n";
            if (c.present) {
                ksb::test::writeBytes(installed(item), old);
            }
            const std::string versionRoute = fmt::format("update:{}/version.json", item.folder);
            const std::string fileRoute = fmt::format("update:{}/{}", item.folder, item.file);
            if (c.transfer == Transfer::noVersion) {
                server.script(versionRoute, Reply::http(500, "oops"));
            } else if (c.transfer == Transfer::fails) {
                server.script(fileRoute, Reply::http(404, "missing"));
            }

            const std::size_t setUpLines = caseLog.body().size();
            item.update();

            std::vector<std::string> expectedRoutes{versionRoute};
            if (c.downloads) {
                expectedRoutes.push_back(fileRoute);
            }
            std::vector<std::string> seen;
            for (const rtstub::RequestRecord& record : server.requests()) {
                seen.push_back(record.route);
            }
            EXPECT_EQ(expectedRoutes, seen);
            if (c.installs) {
                EXPECT_EQ(item.serverBytes(), ksb::test::readBytes(installed(item)));
            } else if (c.present) {
                EXPECT_EQ(old, ksb::test::readBytes(installed(item)));
            } else {
                EXPECT_FALSE(fs::exists(installed(item)));
            }
            EXPECT_EQ(c.after, item.setting->value());
            const fs::path parametersFile = settings.parametersFile();
            EXPECT_EQ(std::string(c.after), settings.stored(item.setting->name()));
            std::vector<std::string> expectedMessages;
            if (c.downloads) {
                expectedMessages.push_back(fmt::format("Downloading {} version {} ...", item.file,
                                                       c.server != nullptr ? c.server : "1.0.0"));
            }
            EXPECT_EQ(expectedMessages, caseMessages.messages());
            std::vector<std::string> expectedLines;
            if (c.installs) {
                expectedLines = {fmt::format("{}={}", item.setting->name(), c.after),
                                 fmt::format("\"{}\" saved", parametersFile.string())};
            }
            if (c.transfer == Transfer::noVersion) {
                const std::string address = ksb::gf_updateUrl(versionRoute.substr(rtstub::kUpdateRoutePrefix.size()));
                expectedLines = {fmt::format("\"{}\" => \"{}\" download error: HTTP status 500",
                                             address, (folder.path() / "version.json").string()),
                                 fmt::format("===> downloading \"{}\" failed", address),
                                 item.noVersion};
            } else if (c.transfer == Transfer::fails && c.downloads) {
                const std::string address = ksb::gf_updateUrl(fileRoute.substr(rtstub::kUpdateRoutePrefix.size()));
                expectedLines = {fmt::format("\"{}\" => \"{}\" download error: HTTP status 404",
                                             address, (folder.path() / item.file).string()),
                                 fmt::format("downloading {} failed?", installed(item).string())};
            }
            const std::vector<std::string> body = caseLog.body();
            EXPECT_EQ(expectedLines,
                      std::vector<std::string>(body.begin() + static_cast<long>(setUpLines),
                                               body.end()));
            // No temporary file is left.
            EXPECT_FALSE(fs::exists(folder.path() / item.file));
            EXPECT_FALSE(fs::exists(installed(item).string() + ".tmp"));
            ksb::gf_resetUpdateSettings();
        }
    }
}

TEST_F(ComponentsTest, AnInstallThatCannotCompleteLeavesTheOldFile) {
    for (const Item& item : kItems) {
        SCOPED_TRACE(item.name);
        stub.setUpdateVersion(item.folder, "2.0.0");
        item.setting->setValue("1.0.0");
        ksb::test::writeBytes(installed(item), "<old/>\n");
        fs::create_directory(installed(item).string() + ".tmp");
        item.update();
        EXPECT_EQ("<old/>\n", ksb::test::readBytes(installed(item)));
        EXPECT_EQ("1.0.0", item.setting->value());
        EXPECT_EQ("1.0.0", stored(item.setting->name()));
        EXPECT_TRUE(log.contains(fmt::format("writing {} failed?", installed(item).string())));
        EXPECT_FALSE(fs::exists(at(item.file)));
    }
}

TEST_F(ComponentsTest, TheLegacyRegcodesFolderGoesOnlyWhenEmpty) {
    const fs::path legacy = at("input") / "regcodesAIG";
    ksb::test::writeBytes(legacy / "AIG-regcodes.xml", "<old/>");
    gf_updateAigRegcodes();
    EXPECT_FALSE(fs::exists(legacy));

    ksb::test::writeBytes(legacy / "AIG-regcodes.xml", "<old/>");
    ksb::test::writeBytes(legacy / "mine.txt", "user data");
    gf_updateAigRegcodes();
    EXPECT_FALSE(fs::exists(legacy / "AIG-regcodes.xml"));
    EXPECT_EQ("user data", ksb::test::readBytes(legacy / "mine.txt"));
    EXPECT_EQ(fmt::format("{} kept, it holds other files", legacy.string()), lines().back());
}

TEST_F(ComponentsTest, TheInstalledFilesDecodeWithTheTeamsCodec) {
    gf_updateDbase();
    gf_updateAigRegcodes();
    ASSERT_TRUE(gf_readDbase());
    EXPECT_EQ("DLH", gf_dbaseAirlineOfReg("D-AIMA"));
    EXPECT_EQ("A388", gf_dbaseTypeOfReg("D-AIMA"));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((at("input") / "AIG-regcodes.xml").c_str()));
    const pugi::xpath_node entry = doc.select_node("//*[@reg]");
    ASSERT_TRUE(entry);
    EXPECT_EQ("D-AIMA", decryptRegcode(entry.node().attribute("reg").as_string()));
    gf_resetCatalogueForTests();
}

} // namespace

// The update server of the web-service stand-in through the raw HTTP client: the built-in
// files, the version settings, the folder mode, the update reply kinds and the request log.
#include "raw_http.h"

#include "support/catalogue_fixtures.h"
#include "support/e2e/scene_catalogue.h"
#include "support/file_bytes.h"
#include "support/rtstub/rt_stub.h"
#include "support/rtstub/script.h"
#include "support/rtstub/update_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace {

using rtstub::Reply;

class UpdateServerTest : public ::testing::Test {
protected:
    rawhttp::Response get(const std::string& path) { return rawhttp::get(stub_.port(), path); }

    // The entry names of a zip, read through libzip.
    static std::vector<std::string> zipNames(const std::string& bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
        zip_error_fini(&error);
        std::vector<std::string> names;
        if (archive == nullptr) {
            zip_source_free(source);
            return names;
        }
        for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
            names.emplace_back(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
        }
        zip_discard(archive);
        return names;
    }

    rtstub::RtStub stub_;
};

TEST_F(UpdateServerTest, ServesEveryDefaultFile) {
    struct Case {
        const char* path;
        std::string body;
    };
    const Case cases[] = {
        {"/downloads/release/version_P3D.json", "9.3.0\n"},
        {"/downloads/dbase/version.json", R"({"major":1,"minor":0,"patch":0})"},
        {"/downloads/aig/version.json", "1.0.0\n"},
        {"/downloads/archive/p3d/version.json", "1.0.0\n"},
        {"/downloads/dbase/dbase.xml", ksb::test::dbaseXmlText(ksb::e2e::scene::dbaseSpec())},
        {"/downloads/aig/AIG-regcodes.xml",
         ksb::test::aigRegcodesText(ksb::e2e::scene::aigEntries())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const rawhttp::Response answer = get(c.path);
        EXPECT_EQ(200, answer.status);
        EXPECT_EQ(c.body, answer.body);
    }
    EXPECT_NE(std::string::npos, get("/downloads/docs/P3D_archive.txt").body.find('\n'));
    EXPECT_NE(std::string::npos, get("/downloads/docs/P3D_archive.csv").body.find(';'));
    EXPECT_EQ((std::vector<std::string>{"archive/", "archive/stock/", "archive/stock/EDDF.xml",
                                        "archive/ORBX/EDDS.xml",
                                        "archive/thirdparty/Demo/EHAM.xml", "readme.txt"}),
              zipNames(get("/downloads/archive/p3d/archive.zip").body));
    for (const char* missing :
         {"/downloads/release/setup_KSBY_P3D_v9.3.0.zip", "/downloads/nothing", "/downloads/"}) {
        SCOPED_TRACE(missing);
        const rawhttp::Response answer = get(missing);
        EXPECT_EQ(404, answer.status);
        EXPECT_EQ("", answer.body);
    }
    const rawhttp::Response posted =
        rawhttp::post(stub_.port(), "/downloads/aig/version.json", "x=1");
    EXPECT_EQ(404, posted.status);
    EXPECT_EQ("", posted.body);
}

TEST_F(UpdateServerTest, VersionsFollowTheSettingsAndANewerProgramBringsTheInstaller) {
    stub_.setUpdateVersion("program", "9.4.0");
    stub_.setUpdateVersion("dbase", "1.2.3");
    stub_.setUpdateVersion("aig", "2.0.0");
    stub_.setUpdateVersion("archive", "3.1.0");
    EXPECT_THROW(stub_.setUpdateVersion("docs", "1.0.0"), std::invalid_argument);
    EXPECT_EQ("9.4.0\n", get("/downloads/release/version_P3D.json").body);
    EXPECT_EQ(R"({"major":1,"minor":2,"patch":3})", get("/downloads/dbase/version.json").body);
    EXPECT_EQ("2.0.0\n", get("/downloads/aig/version.json").body);
    EXPECT_EQ("3.1.0\n", get("/downloads/archive/p3d/version.json").body);
    const rawhttp::Response installer = get("/downloads/release/setup_KSBY_P3D_v9.4.0.zip");
    EXPECT_EQ(200, installer.status);
    EXPECT_EQ((std::vector<std::string>{"setup.exe"}), zipNames(installer.body));
    EXPECT_EQ(4096u, rtstub::installerBytes().size());

    stub_.setUpdateFile("dbase/version.json", "7.0.0\n");
    stub_.setUpdateFile("extra/file.bin", std::string("a\0b", 3));
    EXPECT_EQ("7.0.0\n", get("/downloads/dbase/version.json").body);
    EXPECT_EQ(std::string("a\0b", 3), get("/downloads/extra/file.bin").body);
}

TEST_F(UpdateServerTest, ServesAFolderAndRefusesDotDot) {
    ksb::test::TempFolder root;
    ksb::test::writeBytes(root / "served" / "dbase" / "version.json", "4.5.6\n");
    ksb::test::writeBytes(root / "secret.txt", "outside");
    stub_.serveUpdateFolder(root / "served");
    EXPECT_EQ("4.5.6\n", get("/downloads/dbase/version.json").body);
    for (const char* refused : {"/downloads/../secret.txt", "/downloads/dbase/../../secret.txt",
                                "/downloads/aig/version.json"}) {
        SCOPED_TRACE(refused);
        const rawhttp::Response answer = get(refused);
        EXPECT_EQ(404, answer.status);
        EXPECT_EQ("", answer.body);
    }
}

TEST_F(UpdateServerTest, PlaysTheUpdateReplyKinds) {
    const auto script = rtstub::parseScript(
        R"({"update:a.bin":[{"bytes":"raw"},{"redirect":302,"location":"/downloads/b"},)"
        R"({"truncated":"abc","length":10},{"stall_ms":50},{"status":503,"body":"busy"}]})");
    stub_.script("update:a.bin", script.at("update:a.bin"));
    const rawhttp::Response bytes = get("/downloads/a.bin");
    EXPECT_EQ(200, bytes.status);
    EXPECT_EQ("raw", bytes.body);
    EXPECT_EQ("application/octet-stream", bytes.headers.at("content-type"));
    const rawhttp::Response redirect = get("/downloads/a.bin");
    EXPECT_EQ(302, redirect.status);
    EXPECT_EQ("/downloads/b", redirect.headers.at("location"));
    const rawhttp::Response truncated = get("/downloads/a.bin");
    EXPECT_EQ(200, truncated.status);
    EXPECT_EQ("10", truncated.headers.at("content-length"));
    EXPECT_EQ("abc", truncated.body);
    EXPECT_FALSE(truncated.complete);
    const rawhttp::Response stalled = get("/downloads/a.bin");
    EXPECT_EQ(200, stalled.status);
    EXPECT_EQ("", stalled.body);
    EXPECT_FALSE(stalled.complete);
    EXPECT_EQ(503, get("/downloads/a.bin").status);
    // The script is used up: the built-in table answers again.
    EXPECT_EQ(404, get("/downloads/a.bin").status);
    EXPECT_THROW(stub_.script("update:", Reply::bytes("x")), std::invalid_argument);
}

TEST_F(UpdateServerTest, LogsEachUpdateRequestWithItsHeaders) {
    std::vector<std::string> seen;
    stub_.onRequest([&](const rtstub::RequestRecord& record) { seen.push_back(record.route); });
    get("/downloads/aig/version.json");
    get("/downloads/nothing/here");
    ASSERT_TRUE(stub_.waitForRequests(2));
    const std::vector<rtstub::RequestRecord> log = stub_.requests();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("update:aig/version.json", log[0].route);
    EXPECT_EQ("GET", log[0].method);
    EXPECT_EQ("/downloads/aig/version.json", log[0].path);
    EXPECT_EQ("", log[0].body);
    EXPECT_EQ("update:nothing/here", log[1].route);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"Connection", "close"}, {"Content-Length", "0"}, {"Host", "127.0.0.1"}}),
              log[0].headers);
    EXPECT_EQ((std::vector<std::string>{"update:aig/version.json", "update:nothing/here"}), seen);
}

} // namespace

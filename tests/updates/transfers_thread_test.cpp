// Transfers from the update server: every reply the stand-in can give, against real libcurl.
#include "core/run_values.h"
#include "support/rtstub/raw_sockets.h"
#include "update_fixture.h"

#include <fmt/format.h>

#include <atomic>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;
using rtstub::Reply;

class TransfersTest : public ksb::test::UpdateFixture {
protected:
    std::string url(std::string_view path) const { return ksb::gf_updateUrl(path); }
    VersionTriple fetch(const std::string& address) {
        const ksb::UpdateHandle handle = ksb::gf_newUpdateHandle();
        return gf_downloadLines(handle.get(), address);
    }
    std::vector<std::string> failureLines(const std::string& address, std::string_view problem) {
        const fs::path file = at("version.json");
        return {fmt::format("\"{}\" => \"{}\" download error: {}", address, file.string(), problem),
                fmt::format("===> downloading \"{}\" failed", address)};
    }
};

TEST_F(TransfersTest, EachReplyGivesItsVersionLinesAndLeftovers) {
    struct Case {
        const char* name;
        Reply reply;
        VersionTriple version;
        std::string problem; // "" for a transfer that succeeded
        bool fileLeft;
    };
    const Case cases[] = {
        {"text form", Reply::bytes("9.4.0\n"), {9, 4, 0}, "", false},
        {"JSON form", Reply::bytes(R"({"major":9,"minor":4,"patch":0})"), {9, 4, 0}, "", false},
        {"further lines ignored", Reply::bytes("9.4.1\r\n1.2.3\n"), {9, 4, 1}, "", false},
        {"JSON over several lines", Reply::bytes("{\n\"major\":9,\n\"minor\":4,\n\"patch\":0\n}\n"),
         {}, "", false},
        {"empty body", Reply::empty(), {}, "", false},
        {"not found", Reply::http(404, "9.9.9\n"), {}, "HTTP status 404", true},
        {"server error", Reply::http(500, "9.9.9\n"), {}, "HTTP status 500", true},
        {"redirect", Reply::redirect(301, "http://127.0.0.1:9/x"), {}, "HTTP status 301", true},
        {"truncated", Reply::truncated("9.4", 100), {}, curl_easy_strerror(CURLE_PARTIAL_FILE),
         true},
    };
    const std::string address = url("dbase/version.json");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stub.script("update:dbase/version.json", c.reply);
        const std::size_t before = lines().size();
        EXPECT_EQ(c.version, fetch(address));
        const std::vector<std::string> all = lines();
        const std::vector<std::string> added(all.begin() + static_cast<long>(before), all.end());
        EXPECT_EQ(c.problem.empty() ? std::vector<std::string>{}
                                    : failureLines(address, c.problem),
                  added);
        EXPECT_EQ(c.fileLeft, fs::exists(at("version.json")));
        fs::remove(at("version.json"));
    }
    EXPECT_EQ(std::size(cases), stub.requests().size());
}

TEST_F(TransfersTest, ADroppedConnectionAndARefusedPortFail) {
    stub.script("update:aig/version.json", Reply::close());
    const std::string dropped = url("aig/version.json");
    EXPECT_EQ(VersionTriple{}, fetch(dropped));
    const rtstub::UnusedPort unused;
    const std::string refused = fmt::format("http://127.0.0.1:{}/downloads/aig/version.json",
                                            unused.port());
    EXPECT_EQ(VersionTriple{}, fetch(refused));
    std::vector<std::string> expected =
        failureLines(dropped, curl_easy_strerror(CURLE_GOT_NOTHING));
    const std::vector<std::string> second =
        failureLines(refused, curl_easy_strerror(CURLE_COULDNT_CONNECT));
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(expected, lines());
    // The partial file stays, closed.
    EXPECT_TRUE(fs::exists(at("version.json")));
}

TEST_F(TransfersTest, AStalledTransferIsGivenUp) {
    ksb::gf_setUpdateTransferLimits(std::chrono::seconds(5), std::chrono::seconds(1));
    stub.script("update:archive/p3d/version.json", Reply::stall(10000));
    const std::string address = url("archive/p3d/version.json");
    EXPECT_EQ(VersionTriple{}, fetch(address));
    EXPECT_EQ(failureLines(address, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT)), lines());
}

TEST_F(TransfersTest, ALocalFileThatCannotBeOpenedSendsNoRequest) {
    fs::create_directory(at("version.json"));
    const std::string address = url("dbase/version.json");
    EXPECT_EQ(VersionTriple{}, fetch(address));
    EXPECT_EQ((std::vector<std::string>{
                  fmt::format("could not open file: {}", at("version.json").string()),
                  fmt::format("===> downloading \"{}\" failed", address)}),
              lines());
    EXPECT_TRUE(stub.requests().empty());
    EXPECT_FALSE(gf_downloadFile(nullptr, address, at("x"), false));
    EXPECT_FALSE(fs::exists(at("x")));
}

TEST_F(TransfersTest, AnExitAbortsTheTransfer) {
    stub.script("update:dbase/version.json", Reply::stall(30000));
    stub.onRequest([](const rtstub::RequestRecord&) { exitInProgress = 1; });
    const std::string address = url("dbase/version.json");
    EXPECT_EQ(VersionTriple{}, fetch(address));
    exitInProgress = 0;
    EXPECT_EQ(failureLines(address, curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK)), lines());
}

TEST_F(TransfersTest, TheRequestsGoToTheBaseAddress) {
    ksb::gf_setUpdateBase(stub.baseUrl() + "/");
    EXPECT_EQ(stub.baseUrl() + "/downloads/release/version_P3D.json",
              url("release/version_P3D.json"));
    EXPECT_EQ((VersionTriple{9, 3, 0}), lf_fetchProgramVersionInfo());
    EXPECT_EQ((VersionTriple{1, 0, 0}), lf_fetchComponentVersionInfo("dbase"));
    EXPECT_EQ((VersionTriple{1, 0, 0}), lf_fetchComponentVersionInfo("aig"));
    EXPECT_EQ((VersionTriple{1, 0, 0}), lf_fetchArchiveVersionInfo());
    EXPECT_EQ((std::vector<std::string>{"update:release/version_P3D.json",
                                        "update:dbase/version.json", "update:aig/version.json",
                                        "update:archive/p3d/version.json"}),
              routes());
    for (const rtstub::RequestRecord& record : stub.requests()) {
        EXPECT_EQ("GET", record.method);
    }
    ksb::gf_resetUpdateSettings();
    EXPECT_EQ(std::string(ksb::kUpdateDefaultBase), ksb::gf_updateBase());
}

TEST_F(TransfersTest, TwoFetchesNeverShareTheVersionFile) {
    // The first answer waits until a second request came, or a while passes; with the fetches
    // serialised no second request can come while the first is under way.
    std::atomic<bool> overlapped{false};
    std::atomic<int> seen{0};
    stub.onRequest([&](const rtstub::RequestRecord&) {
        if (++seen == 1) {
            overlapped = stub.waitForRequests(2, std::chrono::milliseconds(300));
        }
    });
    stub.script("update:dbase/version.json", {Reply::bytes("1.0.1\n"), Reply::bytes("1.0.2\n")});
    const std::string address = url("dbase/version.json");
    VersionTriple first;
    VersionTriple second;
    std::thread other([&] { second = fetch(address); });
    first = fetch(address);
    other.join();
    EXPECT_FALSE(overlapped.load());
    EXPECT_EQ((std::set<VersionTriple>{{1, 0, 1}, {1, 0, 2}}), (std::set<VersionTriple>{first, second}));
    EXPECT_FALSE(fs::exists(at("version.json")));
    EXPECT_TRUE(lines().empty());
}

} // namespace

// tools/rtstub tried as a user would: its start line, a login, its options, its script and log
// files, and a clean end on SIGTERM and SIGINT.
#include "raw_http.h"

#include "support/file_bytes.h"
#include "support/piped_program.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <sstream>
#include <vector>

namespace {

// The stand-in program with pipes on stdin, stdout and stderr.
class Program : public ksb::test::PipedProgram {
public:
    explicit Program(std::vector<std::string> args)
        : PipedProgram(KSBY_RTSTUB_PROGRAM, std::move(args)) {}
    // The port of the start line; 0 when the line is not there.
    std::uint16_t startPort() {
        const std::string start = line();
        const std::string prefix = "rtstub listening on http://127.0.0.1:";
        EXPECT_EQ(start.rfind(prefix, 0), 0u) << start;
        return start.rfind(prefix, 0) == 0
                   ? static_cast<std::uint16_t>(std::stoi(start.substr(prefix.size())))
                   : 0;
    }
};

TEST(RtStubProgramTest, ServesTheDemoLicenceUntilSigterm) {
    Program program({});
    const std::uint16_t port = program.startPort();
    ASSERT_NE(port, 0);
    const auto auth = rawhttp::post(port, "/v4/auth", "license=DEMO-LICENCE&software=T_1");
    EXPECT_EQ(auth.status, 200);
    const auto answer = nlohmann::json::parse(auth.body);
    EXPECT_EQ(answer.at("GUID"), "G-42");
    EXPECT_EQ(answer.at("rrl"), 2000);
    EXPECT_EQ(answer.at("wrrl"), 2000);
    const auto weather = nlohmann::json::parse(
        rawhttp::post(port, "/v4/weather",
                      "GUID=G-42&querytype=locwx&toffset=0&lat=1.0000&lon=2.0000&alt=0&"
                      "airports=EHAM")
            .body);
    EXPECT_EQ(weather.at("data").at("ICAO"), "EHAM");
    EXPECT_EQ(weather.at("data").at("QNH"), 1013);
    program.signal(SIGTERM);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST(RtStubProgramTest, TakesItsOptionsScriptAndLog) {
    ksb::test::TempFolder folder;
    const auto script = folder / "script.json";
    const auto log = folder / "requests.log";
    ksb::test::writeBytes(script, R"({"auth":[{"status":503,"body":"down"}]})");
    Program program({"--licence",  "A-1",       "--licence", "B-2",      "--wrrl",
                     "700",        "--station", "LFPG",      "--qnh",    "998",
                     "--aircraft", "3",         "--parked",  "2",        "--centre",
                     "48.7,2.4",   "--seed",    "5",         "--script", script.string(),
                     "--log",      log.string()});
    const std::uint16_t port = program.startPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(rawhttp::post(port, "/v4/auth", "license=A-1&software=T").body, "down");
    EXPECT_EQ(nlohmann::json::parse(rawhttp::post(port, "/v4/auth", "license=B-2&software=T").body)
                  .at("wrrl"),
              700);
    EXPECT_EQ(rawhttp::post(port, "/v4/auth", "license=DEMO-LICENCE&software=T").body,
              R"({"status":404,"message":"unknown licence"})");
    const auto weather = nlohmann::json::parse(
        rawhttp::post(port, "/v4/weather",
                      "GUID=G-42&querytype=locwx&toffset=0&lat=1.0000&lon=2.0000&alt=0&"
                      "airports=LFPG")
            .body);
    EXPECT_EQ(weather.at("data").at("METAR"), "LFPG 101155Z 24010KT 9999 FEW020 08/04 Q998");
    const auto parked = nlohmann::json::parse(
        rawhttp::post(port, "/v4/traffic",
                      "GUID=G-42&top=10.00&bottom=9.00&left=1.00&right=2.00&querytype="
                      "parkedtraffic&toffset=0")
            .body);
    ASSERT_EQ(parked.at("data").size(), 2u);
    for (const auto& [hex, record] : parked.at("data").items()) {
        EXPECT_NEAR(record[0].get<double>(), 48.7, 0.03); // the fixed centre, not the box
    }
    rawhttp::post(port, "/v4/deauth", "GUID=x y");
    program.signal(SIGINT);
    EXPECT_EQ(program.exitCode(), 0);

    std::istringstream lines(ksb::test::readBytes(log));
    std::vector<nlohmann::json> entries;
    for (std::string line; std::getline(lines, line);) {
        entries.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0],
              nlohmann::json::parse(R"({"seq":1,"route":"auth","method":"POST","path":"/v4/auth",)"
                                    R"("body":"license=A-1&software=T","fault":""})"));
    EXPECT_EQ(entries[5].at("route"), "deauth");
    EXPECT_EQ(entries[5].at("fault"), "GUID");
}

TEST(RtStubProgramTest, ServesTheUpdateServerWithItsOptions) {
    ksb::test::TempFolder folder;
    const auto script = folder / "script.json";
    const auto log = folder / "requests.log";
    ksb::test::writeBytes(script, R"({"update:aig/version.json":[{"bytes":"5.0.0\n"}]})");
    Program program({"--update-version", "program=9.4.0", "--update-version", "dbase=2.1.0",
                     "--script", script.string(), "--log", log.string()});
    const std::uint16_t port = program.startPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(rawhttp::get(port, "/downloads/release/version_P3D.json").body, "9.4.0\n");
    EXPECT_EQ(rawhttp::get(port, "/downloads/dbase/version.json").body,
              R"({"major":2,"minor":1,"patch":0})");
    EXPECT_EQ(rawhttp::get(port, "/downloads/aig/version.json").body, "5.0.0\n");
    EXPECT_EQ(rawhttp::get(port, "/downloads/release/setup_KSBY_P3D_v9.4.0.zip").status, 200);
    program.signal(SIGTERM);
    EXPECT_EQ(program.exitCode(), 0);
    std::istringstream lines(ksb::test::readBytes(log));
    std::string first;
    std::getline(lines, first);
    EXPECT_EQ(nlohmann::json::parse(first),
              nlohmann::json::parse(R"({"seq":1,"route":"update:release/version_P3D.json",)"
                                    R"("method":"GET","path":"/downloads/release/version_P3D.json",)"
                                    R"("body":"","fault":""})"));

    ksb::test::writeBytes(folder / "served" / "archive" / "p3d" / "version.json", "8.8.8\n");
    Program served({"--updates", (folder / "served").string()});
    const std::uint16_t servedPort = served.startPort();
    ASSERT_NE(servedPort, 0);
    EXPECT_EQ(rawhttp::get(servedPort, "/downloads/archive/p3d/version.json").body, "8.8.8\n");
    EXPECT_EQ(rawhttp::get(servedPort, "/downloads/aig/version.json").status, 404);
    served.signal(SIGTERM);
    EXPECT_EQ(served.exitCode(), 0);
}

TEST(RtStubProgramTest, ServesTheTrafficSceneWithTheOptionsAfterIt) {
    Program program({"--traffic-scene", "--qnh", "1013"});
    const std::uint16_t port = program.startPort();
    ASSERT_NE(port, 0);
    const auto auth = nlohmann::json::parse(
        rawhttp::post(port, "/v4/auth", "license=E2E%2Blic%26key%3D1%25&software=T").body);
    EXPECT_EQ(auth.at("GUID"), "G-1");
    EXPECT_EQ(auth.at("rrl"), 100);
    const std::string box = "GUID=G-1&top=50.30&bottom=49.78&left=8.18&right=8.96";
    const auto live = nlohmann::json::parse(
        rawhttp::post(port, "/v4/traffic", box + "&querytype=locationtraffic&toffset=0").body);
    std::vector<std::string> hexids;
    for (const auto& [hex, record] : live.at("data").items()) {
        hexids.push_back(hex);
    }
    EXPECT_EQ(hexids, (std::vector<std::string>{"3944ef", "3c49cd", "3c4ab1", "3c6a5f", "4007f1",
                                                "440071", "4ca001", "896123"}));
    // The QNH given after the scene: the circle's 7,000 ft go out uncorrected.
    EXPECT_EQ(live.at("data").at("4007f1")[4].get<double>(), 7000.0);
    EXPECT_EQ(live.at("data").at("4007f1")[13], "BAW902");
    const auto parked = nlohmann::json::parse(
        rawhttp::post(port, "/v4/traffic", box + "&querytype=parkedtraffic&toffset=0").body);
    std::vector<std::string> stands;
    for (const auto& [hex, record] : parked.at("data").items()) {
        stands.push_back(record[2].get<std::string>());
    }
    EXPECT_EQ(stands, (std::vector<std::string>{"A1", "A2", "A3", "A4"}));
    program.signal(SIGTERM);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST(RtStubProgramTest, PlaysATrafficDayAndTakesCommandsOnStdin) {
    Program program({"--traffic-day", "7", "--day-hours", "1", "--time-scale", "20"});
    const std::uint16_t port = program.startPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(program.line().rfind("rtstub traffic day 7: 1 day hours in 180 real s, ", 0), 0u);
    const auto auth = nlohmann::json::parse(
        rawhttp::post(port, "/v4/auth", "license=E2E%2Blic%26key%3D1%25&software=T").body);
    const std::string box = "GUID=G-1&top=50.30&bottom=49.78&left=8.18&right=8.96";
    // Second 0 of the day: nothing in range yet.
    const auto first = nlohmann::json::parse(
        rawhttp::post(port, "/v4/traffic", box + "&querytype=locationtraffic&toffset=0").body);
    EXPECT_EQ(first.at("full_count"), 0);
    program.write("fail 502 60");
    EXPECT_EQ(program.line(), "rtstub live traffic answers 502 for 60 s");
    EXPECT_EQ(rawhttp::post(port, "/v4/traffic", box + "&querytype=locationtraffic&toffset=0")
                  .status,
              502);
    program.write("exit");
    EXPECT_EQ(program.exitCode(), 0);
}

TEST(RtStubProgramTest, RefusesBadOptions) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--port", "0"}, "--port: \"0\" is not a number from 1 to 65535"},
        {{"--qnh"}, "--qnh: a value is missing (see --help)"},
        {{"--centre", "52"}, "--centre: \"52\" is not LAT,LON"},
        {{"--bogus", "1"}, "unknown option --bogus (see --help)"},
        {{"--time-scale", "16"}, "--time-scale: give --traffic-day first"},
        {{"--traffic-day", "1", "--day-hours", "0"},
         "--day-hours: \"0\" is not a number from 0.01 to 240"},
        {{"--update-version", "docs=1.0.0"},
         "--update-version: \"docs=1.0.0\" is not ITEM=X.Y.Z with ITEM program, dbase, aig or "
         "archive"},
        {{"--script", "/nonexistent/script.json"},
         "cannot read the script /nonexistent/script.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        Program program(c.args);
        EXPECT_EQ(program.errorLine(), c.error);
        EXPECT_EQ(program.exitCode(), 2);
    }
    Program help({"--help"});
    EXPECT_EQ(help.line(), "usage: rtstub [options]");
    EXPECT_EQ(help.exitCode(), 0);
}

} // namespace

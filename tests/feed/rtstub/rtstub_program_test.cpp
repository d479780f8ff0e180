// tools/rtstub tried as a user would: its start line, a login, its options, its script and log
// files, and a clean end on SIGTERM and SIGINT.
#include "raw_http.h"

#include "support/file_bytes.h"
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

// The program with pipes on stdout and stderr. Every wait is bounded.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        int out[2], err[2];
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            std::vector<char*> argv;
            std::string program = KSBY_RTSTUB_PROGRAM;
            argv.push_back(program.data());
            for (std::string& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    }
    ~Program() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {out_, err_, pidFd_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The next stdout line, or "<none>" at the time-out or the end.
    std::string line() { return readLine(out_, outBuffer_); }
    std::string errorLine() { return readLine(err_, errBuffer_); }
    // The port of the start line; 0 when the line is not there.
    std::uint16_t startPort() {
        const std::string start = line();
        const std::string prefix = "rtstub listening on http://127.0.0.1:";
        EXPECT_EQ(start.rfind(prefix, 0), 0u) << start;
        return start.rfind(prefix, 0) == 0
                   ? static_cast<std::uint16_t>(std::stoi(start.substr(prefix.size())))
                   : 0;
    }
    void signal(int sig) { ::kill(pid_, sig); }
    // The exit code, or -1 when it does not end within 10 s.
    int exitCode() {
        pollfd p{pidFd_, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) {
            return -1;
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    static std::string readLine(int fd, std::string& buffer) {
        for (;;) {
            const std::size_t end = buffer.find('\n');
            if (end != std::string::npos) {
                std::string l = buffer.substr(0, end);
                buffer.erase(0, end + 1);
                return l;
            }
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0) {
                return "<none>";
            }
            char chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                return "<none>";
            }
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int pidFd_ = -1;
    bool exited_ = false;
    std::string outBuffer_;
    std::string errBuffer_;
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
              nlohmann::json::parse(
                  R"({"seq":1,"route":"auth","body":"license=A-1&software=T","fault":""})"));
    EXPECT_EQ(entries[5].at("route"), "deauth");
    EXPECT_EQ(entries[5].at("fault"), "GUID");
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

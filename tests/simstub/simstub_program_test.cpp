// tools/simstub tried as a new user would: help, start, a raw Open, commands, signals, errors.
#include "raw_client.h"

#include "support/file_bytes.h"
#include "support/piped_program.h"
#include "support/temp_folder.h"

#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>

namespace {

// The stand-in program with pipes on stdin, stdout and stderr.
class Program : public ksb::test::PipedProgram {
public:
    explicit Program(std::vector<std::string> args)
        : PipedProgram(KSBY_SIMSTUB_PROGRAM, std::move(args)) {}
};

std::uint16_t lf_port(const std::string& listening) {
    return static_cast<std::uint16_t>(std::stoi(listening.substr(listening.rfind(':') + 1)));
}

TEST(Program, HelpShowsTheUsage) {
    Program p({"--help"});
    EXPECT_EQ(p.line(),
              "Usage: simstub [--scenario FILE] [--port N] [--ipv6] [--pipe-dir DIR] [--no-pipe]");
    EXPECT_EQ(p.exitCode(), 0);
}

TEST(Program, StartsAnswersTakesCommandsAndEndsOnSigterm) {
    const ksb::test::TempFolder folder;
    Program p({"--scenario", KSBY_SIMSTUB_DEFAULT_SCENARIO, "--pipe-dir",
               (folder / "pipes").string(), "--cfg-out",
               (folder / "run" / "SimConnect.cfg").string()});
    const std::string ipv4 = p.line();
    ASSERT_EQ(ipv4.rfind("simstub listening ipv4 127.0.0.1:", 0), 0U) << ipv4;
    const std::string pipe =
        (folder / "pipes" / "Lockheed Martin Prepar3D v5" / "SimConnect").string();
    EXPECT_EQ(p.line(), "simstub listening pipe " + pipe);
    EXPECT_EQ(p.line(), "simstub ready");
    const std::uint16_t port = lf_port(ipv4);
    EXPECT_EQ(ksb::test::readBytes(folder / "run" / "SimConnect.cfg"),
              "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" + std::to_string(port) +
                  "\n");

    raw::Client c = raw::Client::tcp(port);
    ASSERT_TRUE(c.connected());
    c.send(raw::openPacket(c));
    std::optional<raw::Bytes> answer = c.read();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(raw::get32(*answer, 8), 2U);
    EXPECT_EQ(p.line(), "c1 connected ipv4");
    const std::string open = p.line();
    EXPECT_NE(open.find(" c1 #1 Open name=\"KSBY_P3D\" reserved=0 alias=\"00 44 33 50\" major=5"),
              std::string::npos)
        << open;
    EXPECT_EQ(p.lineStartingWith("-> c1 Open"),
              "-> c1 Open name=\"Lockheed Martin Prepar3D v5\" major=5 minor=3 buildMajor=17 "
              "buildMinor=28160");

    // A broken rule is printed, and the connection goes on.
    c.setLastSendId(4);
    c.send(raw::priorityPacket(c, 301, 1));
    EXPECT_EQ(p.lineStartingWith("PROTOCOL ERROR"),
              "PROTOCOL ERROR c1 #5 packet 0x09: send id 5, expected 2");

    p.write("bogus command");
    EXPECT_EQ(p.line(), "unknown command: bogus command");
    p.write("quit");
    std::optional<raw::Bytes> quit = c.read();
    ASSERT_TRUE(quit.has_value());
    EXPECT_EQ(raw::get32(*quit, 8), 3U);
    EXPECT_EQ(p.line(), "-> c1 Quit");

    // The end of stdin does not stop it.
    p.closeStdin();
    c.send(raw::subscribePacket(c, 201, "Sim"));
    std::optional<raw::Bytes> sim = c.read();
    ASSERT_TRUE(sim.has_value());
    EXPECT_EQ(raw::get32(*sim, 8), 4U);

    p.signal(SIGTERM);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(pipe)));
}

TEST(Program, BadArgumentsAndScenariosEndWithCodeTwo) {
    const ksb::test::TempFolder folder;
    ksb::test::writeBytes(folder / "bad.json", R"({"user": {"heading": "west"}})");
    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {{"--nope"}, "simstub: unknown argument: --nope"},
        {{"--port", "70000"}, "simstub: --port: not a port number: 70000"},
        {{"--frame-hz"}, "simstub: --frame-hz needs a value"},
        {{"--picture-every", "5"}, "simstub: --picture-every needs --picture"},
        {{"--picture", "t.svg", "--picture-every", "0"},
         "simstub: --picture-every: not a number from 0.1 to 86400: 0"},
        {{"--scenario", (folder / "bad.json").string()},
         "scenario: user.heading: expected a number"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.error);
        Program p(k.args);
        EXPECT_EQ(p.errorLine(), k.error);
        EXPECT_EQ(p.exitCode(), 2);
    }
}

TEST(Program, DrawsThePictureAtTheStartOnCommandAndAtTheExit) {
    const ksb::test::TempFolder folder;
    const std::string file = (folder / "traffic.svg").string();
    const std::string other = (folder / "other.svg").string();
    const std::string missing = (folder / "missing" / "traffic.svg").string();
    const std::string empty = ": 0 AI objects (0 live, 0 static), 0 positions";
    // A long period, so that only the start, the commands and the exit draw.
    Program p({"--no-pipe", "--picture", file, "--picture-every", "3600"});
    EXPECT_EQ(p.lineStartingWith("simstub ready"), "simstub ready");
    EXPECT_EQ(p.line(), "simstub picture " + file + empty);
    EXPECT_TRUE(std::filesystem::exists(file));

    p.write("picture " + missing);
    EXPECT_EQ(p.line(), "simstub picture failed: " + missing + ": No such file or directory");
    p.write("picture " + other);
    EXPECT_EQ(p.line(), "simstub picture " + other + empty);
    std::filesystem::remove(file);
    p.write("picture");
    EXPECT_EQ(p.line(), "simstub picture " + file + empty);
    EXPECT_TRUE(std::filesystem::exists(file));

    std::filesystem::remove(file);
    p.write("exit");
    EXPECT_EQ(p.line(), "simstub picture " + file + empty);
    EXPECT_EQ(p.line(), "simstub stopped");
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_NE(ksb::test::readBytes(file).find("<svg "), std::string::npos);

    // Without --picture the command needs a file.
    Program q({"--no-pipe"});
    EXPECT_EQ(q.lineStartingWith("simstub ready"), "simstub ready");
    q.write("picture");
    EXPECT_EQ(q.line(), "usage: picture FILE (no --picture file given)");
    q.write("exit");
    EXPECT_EQ(q.exitCode(), 0);
}

TEST(Program, AnEndpointInUseEndsWithCodeOne) {
    // A listening socket on a free port, taken before the program starts.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    const std::string port = std::to_string(ntohs(a.sin_port));
    Program p({"--port", port, "--no-pipe"});
    EXPECT_EQ(p.errorLine(),
              "simstub: ipv4 endpoint 127.0.0.1:" + port + ": Address already in use");
    EXPECT_EQ(p.exitCode(), 1);
    ::close(fd);
}

} // namespace

// Several connections, the endpoints, the connection controls and the real clock.
#include "stub_fixture.h"

#include "support/file_bytes.h"
#include "support/scoped_env.h"

#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;
using raw::Bytes;
using simstub::test::StubTest;

class Connections : public StubTest {};

// The messages until a Sim event answers a marker subscription.
std::vector<Bytes> lf_answers(raw::Client& c) {
    c.send(raw::subscribePacket(c, 201, "Sim"));
    std::vector<Bytes> out;
    for (std::optional<Bytes> m = c.read(); m; m = c.read()) {
        if (raw::get32(*m, 8) == 4 && raw::get32(*m, 16) == 201) {
            return out;
        }
        out.push_back(*m);
    }
    ADD_FAILURE() << "no marker answer";
    return out;
}

TEST_F(Connections, ObjectNewsReachSubscribersAndAClosedConnectionTakesItsAircraft) {
    int c1 = 0;
    int c2 = 0;
    int c3 = 0;
    raw::Client one = connectDeclared(&c1);
    raw::Client two = connectOpen(&c2); // subscribes to nothing but the marker's Sim
    raw::Client three = connectDeclared(&c3);
    EXPECT_TRUE(lf_answers(two).empty());

    sendAndWait(three, c3, raw::createPacket(three, "Test A320 DLH", "DLH4AB"));
    one.send(raw::createPacket(one, "Test A320 DLH", "DLH5CD"));
    const std::vector<Bytes> toOne = lf_answers(one);
    ASSERT_EQ(toOne.size(), 2U);
    EXPECT_EQ(raw::get32(toOne[0], 20), 1000U);
    EXPECT_EQ(raw::get32(toOne[1], 20), 1001U);
    EXPECT_TRUE(lf_answers(two).empty());
    EXPECT_EQ(stub().object(1000)->owner, c3);
    EXPECT_EQ(stub().object(1001)->owner, c1);

    // Send ids run per connection: each started at 1 (the fixture fails on any gap).
    EXPECT_EQ(stub().packets({.conn = c2, .sendId = 1})[0].name, "Open");
    EXPECT_EQ(stub().packets({.conn = c3, .sendId = 1})[0].name, "Open");

    EXPECT_EQ(lf_answers(three).size(), 2U); // read all, so that the close is a plain one
    three.close();
    const std::vector<Bytes> removed = [&] {
        std::optional<Bytes> m = one.read();
        return m ? std::vector<Bytes>{*m} : std::vector<Bytes>{};
    }();
    ASSERT_EQ(removed.size(), 1U);
    EXPECT_EQ(raw::get32(removed[0], 8), 5U);
    EXPECT_EQ(raw::get32(removed[0], 16), 203U);
    EXPECT_EQ(raw::get32(removed[0], 20), 1000U);
    EXPECT_FALSE(stub().object(1000).has_value());
    EXPECT_TRUE(stub().object(1001).has_value());
    const simstub::ConnectionInfo info = stub().connections()[2];
    EXPECT_EQ(info.id, c3);
    EXPECT_FALSE(info.open);
    EXPECT_EQ(info.endReason, "closed by the client");
    EXPECT_TRUE(lf_answers(two).empty());
}

TEST_F(Connections, EachEndpointAcceptsAndAnswersTheOpen) {
    simstub::Scenario s = makeScenario();
    s.ipv6 = true;
    startStub(s);
    EXPECT_EQ(stub().pipePath(), pipeDir() / "Lockheed Martin Prepar3D v5" / "SimConnect");
    struct Case {
        const char* endpoint;
        std::function<raw::Client()> connect;
    };
    std::vector<Case> cases = {
        {"ipv4", [&] { return raw::Client::tcp(stub().ipv4Port()); }},
        {"pipe", [&] { return raw::Client::local(stub().pipePath().string()); }},
    };
    if (stub().ipv6Port() != 0) {
        cases.push_back({"ipv6", [&] { return raw::Client::tcp(stub().ipv6Port(), true); }});
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(k.endpoint);
        raw::Client c = k.connect();
        ASSERT_TRUE(c.connected());
        c.send(raw::openPacket(c, k.endpoint));
        std::optional<Bytes> answer = c.read();
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(raw::get32(*answer, 8), 2U);
        const simstub::ConnectionInfo info = stub().connections().back();
        EXPECT_EQ(info.endpoint, k.endpoint);
        EXPECT_EQ(info.openName, k.endpoint);
    }
}

TEST_F(Connections, PipeFileIsReplacedWhenStaleRefusedWhenInUseAndRemovedAtStop) {
    const std::filesystem::path path = stub().pipePath();
    simstub::Scenario s = makeScenario();
    s.pipeDir = pipeDir();
    simstub::SimStub second(s);
    try {
        second.start();
        FAIL() << "a second stand-in started on a pipe in use";
    } catch (const simstub::EndpointError& e) {
        EXPECT_EQ(std::string(e.what()), "pipe endpoint in use: " + path.string());
    }

    // A socket file nobody listens on any more is stale.
    s.pipeName = "Stale\\SimConnect";
    const std::filesystem::path stale = pipeDir() / "Stale" / "SimConnect";
    {
        simstub::Scenario first = s;
        simstub::SimStub gone(first);
        gone.start();
        EXPECT_EQ(gone.pipePath(), stale);
        // Leave the file behind as a crashed run would.
        std::filesystem::rename(stale, pipeDir() / "kept");
        gone.stop();
        std::filesystem::rename(pipeDir() / "kept", stale);
    }
    struct stat st {};
    ASSERT_EQ(::lstat(stale.c_str(), &st), 0);
    simstub::SimStub replacing(s);
    replacing.start();
    raw::Client c = raw::Client::local(stale.string());
    EXPECT_TRUE(c.connected());
    replacing.stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(stale)));
}

TEST_F(Connections, EndpointsThatCannotBeOpenedFailTheStartWithTheirReason) {
    simstub::Scenario taken = makeScenario();
    taken.port = stub().ipv4Port();
    taken.pipe = false;
    simstub::SimStub second(taken);
    try {
        second.start();
        FAIL() << "started on a taken port";
    } catch (const simstub::EndpointError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ipv4 endpoint 127.0.0.1:" + std::to_string(stub().ipv4Port()) +
                      ": Address already in use");
    }
    simstub::Scenario longPath = makeScenario();
    longPath.pipeDir = "/tmp/" + std::string(120, 'x');
    simstub::SimStub third(longPath);
    try {
        third.start();
        FAIL() << "started on a path too long";
    } catch (const simstub::EndpointError& e) {
        const std::string path =
            longPath.pipeDir.string() + "/Lockheed Martin Prepar3D v5/SimConnect";
        EXPECT_EQ(std::string(e.what()), "pipe endpoint " + path + ": path too long (" +
                                             std::to_string(path.size()) + " bytes, at most 107)");
    }
}

TEST_F(Connections, DropResetQuitAndRawBytes) {
    int c1 = 0;
    int c2 = 0;
    raw::Client one = connectOpen(&c1);
    raw::Client two = connectOpen(&c2);
    stub().sendQuit(c2);
    std::optional<Bytes> quit = two.read();
    ASSERT_TRUE(quit.has_value());
    EXPECT_EQ(raw::get32(*quit, 8), 3U);

    stub().sendRaw(c1, raw::hex("10 00 00 00 23 00 00 00 63 00 00 00 01 02 03 04"), {3, 9});
    EXPECT_EQ(raw::toHex(one.readBytes(16)), "10 00 00 00 23 00 00 00 63 00 00 00 01 02 03 04");
    EXPECT_TRUE(lf_answers(one).empty()); // the quit went to c2 only

    stub().dropConnection(c1);
    int error = -1;
    EXPECT_TRUE(one.readsEnd(&error));
    EXPECT_EQ(error, 0); // end-of-file
    stub().resetConnection(c2);
    EXPECT_TRUE(two.readsEnd(&error));
    EXPECT_EQ(error, ECONNRESET);
    const std::vector<simstub::ConnectionInfo> all = stub().connections();
    EXPECT_EQ(all[0].endReason, "dropped");
    EXPECT_EQ(all[1].endReason, "reset");
}

TEST_F(Connections, AClientThatStopsReadingIsClosedAfterTheSendTimeOut) {
    simstub::Scenario s = makeScenario();
    s.sendTimeout = 100ms;
    startStub(s);
    int c1 = 0;
    int c2 = 0;
    raw::Client sleepy = connectOpen(&c1);
    raw::Client awake = connectOpen(&c2);
    int small = 4096;
    ::setsockopt(sleepy.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    stub().sendRaw(c1, std::string(8 << 20, '\0')); // far beyond the socket buffers
    ASSERT_TRUE(stub().waitFor([&] { return !stub().connections()[0].open; }));
    EXPECT_EQ(stub().connections()[0].endReason, "send time-out");
    EXPECT_TRUE(stub().connections()[1].open);
    EXPECT_TRUE(lf_answers(awake).empty());
}

TEST_F(Connections, ClientConfigAndRegistryPortsPointAtTheStandIn) {
    const std::string port = std::to_string(stub().ipv4Port());
    writeClientConfig(tempDir() / "cfg");
    EXPECT_EQ(ksb::test::readBytes(tempDir() / "cfg" / "SimConnect.cfg"),
              "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" + port + "\n");
    EXPECT_EQ(registryPorts(),
              (std::vector<std::pair<std::string, std::string>>{{"SimConnect_Port_IPv4", port}}));
    stub().writeRegistryPorts(tempDir() / "registry.ini");
    EXPECT_EQ(ksb::test::readBytes(tempDir() / "registry.ini"),
              "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n"
              "SimConnect_Port_IPv4=" +
                  port + "\n");
}

TEST_F(Connections, PausedFramesAreNotSent) {
    int conn = 0;
    raw::Client c = connectDeclared(&conn);
    stub().pauseFrames(true);
    stub().stepFrames(3);
    EXPECT_EQ(stub().framesSent(), 0U);
    stub().pauseFrames(false);
    stub().stepFrames(1);
    EXPECT_EQ(stub().framesSent(), 1U);
    std::optional<Bytes> frame = c.read();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(raw::get32(*frame, 8), 7U);
}

class RealClock : public StubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario s = StubTest::makeScenario();
        s.clock = simstub::ClockMode::real;
        s.frameHz = 200.0;
        s.timeScale = 50.0; // a stand-in second every 20 ms
        return s;
    }
};

TEST_F(RealClock, FramesAndSecondsFlowOnTheirOwn) {
    int conn = 0;
    raw::Client c = connectDeclared(&conn);
    c.send(raw::requestPacket(c, 108, 409, 0, 4));
    int frames = 0;
    int seconds = 0;
    while (frames < 5 || seconds < 3) {
        std::optional<Bytes> m = c.read();
        ASSERT_TRUE(m.has_value());
        frames += raw::get32(*m, 8) == 7 ? 1 : 0;
        seconds += raw::get32(*m, 8) == 8 ? 1 : 0;
    }
    EXPECT_GT(stub().now(), 1.0);
    EXPECT_THROW(stub().advance(1s), std::logic_error);
}

} // namespace

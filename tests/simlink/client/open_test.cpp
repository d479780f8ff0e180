// Opens that start no thread: argument checks, the bounded TCP connect and the busy pipe.
#include "platform/pipe_path.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_config.h"
#include "simlink/client/simconnect_globals.h"
#include "support/file_bytes.h"
#include "support/manual_clock.h"
#include "support/raw_byte_server.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>

namespace {

using ksb::test::RawByteServer;
using std::chrono::milliseconds;

class OpenTest : public ::testing::Test {
protected:
    sc::ConfigSources sourcesWith(const std::string& cfg) {
        sc::ConfigSources sources;
        sources.folders = {folder_ / "public", folder_ / "docs", folder_ / "cwd"};
        ksb::test::writeBytes(folder_ / "docs" / "SimConnect.cfg", cfg);
        return sources;
    }

    ksb::test::TempFolder folder_;
    ksb::test::ScopedEnv pipeDir_{"KSBY_PIPE_DIR", (folder_ / "pipes").string()};
    ksb::test::ManualClock clock_{1'780'000'000.0, /*autoAdvance=*/true};
    ksb::test::ScopedClock installed_{clock_};
};

TEST_F(OpenTest, NullArgumentsAreInvalid) {
    SimConnectHandle* handle = reinterpret_cast<SimConnectHandle*>(0x1);
    EXPECT_EQ(SimConnect_Open(nullptr, "KSBY", nullptr, 0, nullptr, 0), kScInvalidArgument);
    EXPECT_EQ(SimConnect_Open(&handle, nullptr, nullptr, 0, nullptr, 0), kScInvalidArgument);
    sc::SocketConnector connector;
    EXPECT_EQ(sc::gf_openWith(&handle, "KSBY", nullptr, 0, nullptr, 5, sourcesWith(""), connector),
              kScInvalidArgument);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(OpenTest, EveryEndpointFailingGivesGeneralFailure) {
    SimConnectHandle* handle = nullptr;
    sc::SocketConnector connector;
    // The registry has no ports here: the pipe twice, both missing.
    sc::ConfigSources sources = sourcesWith("");
    EXPECT_EQ(sc::gf_openWith(&handle, "KSBY", nullptr, 0, nullptr, 0, sources, connector),
              kScFail);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(sc::gf_handleCount(), 0u);
    EXPECT_FALSE(sc::gf_socketsStarted());
}

// A listener whose accept queue is full drops the connection request; the connect ends at the
// bound passed in, as an attempt that failed.
TEST_F(OpenTest, TcpConnectIsBounded) {
    RawByteServer full(RawByteServer::Endpoint::ipv4, {}, /*accepting=*/false, /*backlog=*/0);
    platform::ConnectResult queued = platform::connectTcp(
        "127.0.0.1", full.port(), platform::AddressFamily::ipv4, milliseconds(2000));
    ASSERT_TRUE(queued.result.ok());
    sc::SocketConnector connector(milliseconds(20));
    SimConnectHandle* handle = nullptr;
    EXPECT_EQ(sc::gf_openWith(&handle, "KSBY", nullptr, 0, nullptr, 0,
                              sourcesWith("[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" +
                                          full.port() + "\n"),
                              connector),
              kScFail);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(OpenTest, BusyPipeIsRetriedFor5000MillisecondsOnTheClock) {
    const std::filesystem::path path = folder_ / "pipes" / "Busy";
    RawByteServer server(RawByteServer::Endpoint::unixSocket, path, /*accepting=*/false,
                         /*backlog=*/0);
    platform::ConnectResult queued = platform::connectPipe(".", "Busy");
    ASSERT_TRUE(queued.result.ok());
    sc::SocketConnector connector;

    platform::ConnectResult busy = connector.connectPipe(".", "Busy");
    EXPECT_EQ(busy.result.kind, platform::SocketErrorKind::busy);
    const auto sleeps = clock_.sleeps();
    EXPECT_EQ(std::accumulate(sleeps.begin(), sleeps.end(), std::chrono::nanoseconds(0)),
              milliseconds(5000));

    // The server takes the waiting connection during the third sleep: the next try connects.
    const std::size_t before = clock_.sleepCount();
    clock_.setSleepHook([&] {
        if (clock_.sleepCount() == before + 3) {
            server.acceptWaiting();
        }
    });
    platform::ConnectResult connected = connector.connectPipe(".", "Busy");
    clock_.setSleepHook({});
    EXPECT_TRUE(connected.result.ok());
    EXPECT_EQ(clock_.sleepCount(), before + 3);
}

} // namespace

// The real transport against a byte server: opens over each endpoint, delivery, failures and
// the close sequence.
#include "message_fixtures.h"
#include "platform/event.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_config.h"
#include "simlink/client/simconnect_globals.h"
#include "simlink/client/simconnect_handle.h"
#include "support/file_bytes.h"
#include "support/manual_clock.h"
#include "support/raw_byte_server.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using ksb::test::RawByteServer;
using sctest::Bytes;
using std::chrono::milliseconds;

constexpr milliseconds kBound(10000);

// The Open packet of "KSBY" under send id 1, from the published offsets.
Bytes lf_openPacket() {
    Bytes packet(296, 0);
    const auto put = [&](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            packet[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    put(0, 296);
    put(4, 35);
    put(8, 0xF0000001);
    put(12, 1);
    packet[16] = 'K';
    packet[17] = 'S';
    packet[18] = 'B';
    packet[19] = 'Y';
    packet[277] = 0x44;
    packet[278] = 0x33;
    packet[279] = 0x50;
    put(280, 5);
    put(284, 3);
    return packet;
}

struct Dispatched {
    std::vector<Bytes> messages;
};

void lf_collect(const std::uint8_t* message, std::uint32_t size, void* context) {
    static_cast<Dispatched*>(context)->messages.emplace_back(message, message + size);
}

class TransportTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (handle_ != nullptr) {
            SimConnect_Close(handle_);
        }
        EXPECT_EQ(sc::gf_handleCount(), 0u);
        EXPECT_EQ(sc::gf_liveTransportCount(), 0);
    }

    // A server of the kind and an open handle connected to it through SimConnect.cfg.
    std::unique_ptr<RawByteServer> serve(RawByteServer::Endpoint endpoint,
                                         bool disableNagle = false) {
        std::string cfg;
        auto server =
            std::make_unique<RawByteServer>(endpoint, folder_ / "pipes" / "Ksby" / "Test");
        switch (endpoint) {
        case RawByteServer::Endpoint::ipv4:
            cfg = "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" + server->port() + "\n";
            break;
        case RawByteServer::Endpoint::ipv6:
            cfg = "[SimConnect]\nProtocol=IPv6\nAddress=::1\nPort=" + server->port() + "\n";
            break;
        case RawByteServer::Endpoint::unixSocket:
            cfg = "[SimConnect]\nProtocol=Pipe\nPort=Ksby\\Test\n";
            break;
        }
        if (disableNagle) {
            cfg += "DisableNagle=1\n";
        }
        ksb::test::writeBytes(folder_ / "docs" / "SimConnect.cfg", cfg);
        sc::ConfigSources sources;
        sources.folders = {folder_ / "public", folder_ / "docs", folder_ / "cwd"};
        sc::SocketConnector connector;
        EXPECT_EQ(sc::gf_openWith(&handle_, "KSBY", nullptr, 0, &event_, 0, sources, connector),
                  kScOk);
        EXPECT_TRUE(server->waitReceived(296));
        return server;
    }

    // Dispatches until count messages came or the dispatch reports a failure.
    ScResult dispatchUntil(Dispatched& out, std::size_t count) {
        while (true) {
            event_.reset();
            const ScResult result = SimConnect_CallDispatch(handle_, lf_collect, &out);
            if (result != kScOk || out.messages.size() >= count) {
                return result;
            }
            if (!event_.wait(kBound)) {
                ADD_FAILURE() << "nothing arrived";
                return result;
            }
        }
    }

    ksb::test::TempFolder folder_;
    ksb::test::ScopedEnv pipeDir_{"KSBY_PIPE_DIR", (folder_ / "pipes").string()};
    ksb::test::ManualClock clock_{1'780'000'000.0, /*autoAdvance=*/true};
    ksb::test::ScopedClock installed_{clock_};
    platform::Event event_;
    SimConnectHandle* handle_ = nullptr;
};

std::vector<RawByteServer::Endpoint> lf_endpoints() {
    std::vector<RawByteServer::Endpoint> out = {RawByteServer::Endpoint::ipv4,
                                                RawByteServer::Endpoint::unixSocket};
    if (RawByteServer::ipv6Available()) {
        out.push_back(RawByteServer::Endpoint::ipv6);
    }
    return out;
}

const char* lf_name(RawByteServer::Endpoint endpoint) {
    switch (endpoint) {
    case RawByteServer::Endpoint::ipv4:
        return "IPv4";
    case RawByteServer::Endpoint::ipv6:
        return "IPv6";
    default:
        return "pipe";
    }
}

TEST_F(TransportTest, OpensOverEachEndpointAndDeliversInOrder) {
    Bytes stream;
    std::vector<Bytes> expected;
    for (std::uint32_t i = 0; i < 200; ++i) {
        expected.push_back(i % 3 == 0 ? sctest::lf_objectDataMessage(i, i + 1)
                                      : sctest::lf_eventMessage(1, 2, i));
        stream.insert(stream.end(), expected.back().begin(), expected.back().end());
    }
    for (const RawByteServer::Endpoint endpoint : lf_endpoints()) {
        SCOPED_TRACE(lf_name(endpoint));
        auto server = serve(endpoint);
        EXPECT_EQ(server->received(), lf_openPacket());
        // Pieces that cut through size fields and messages alike.
        ASSERT_TRUE(server->send(stream, {1, 2, 1, 30, 7, 1000, 3}));
        Dispatched got;
        EXPECT_EQ(dispatchUntil(got, expected.size()), kScOk);
        EXPECT_EQ(got.messages, expected);
        // Calls leave in order after the Open packet.
        ASSERT_EQ(SimConnect_AIRemoveObject(handle_, 77, 1), kScOk);
        ASSERT_EQ(SimConnect_ClearDataDefinition(handle_, 405), kScOk);
        ASSERT_TRUE(server->waitReceived(296 + 24 + 20));
        const Bytes received = server->received();
        EXPECT_EQ(received[296 + 8], 0x2C);
        EXPECT_EQ(received[296 + 12], 2);
        EXPECT_EQ(received[296 + 24 + 8], 0x0D);
        EXPECT_EQ(received[296 + 24 + 12], 3);
        EXPECT_EQ(SimConnect_Close(handle_), kScOk);
        handle_ = nullptr;
        EXPECT_TRUE(server->waitPeerClosed());
    }
}

TEST_F(TransportTest, NagleFollowsDisableNagle) {
    for (const bool disable : {false, true}) {
        SCOPED_TRACE(disable ? "DisableNagle=1" : "default");
        auto server = serve(RawByteServer::Endpoint::ipv4, disable);
        EXPECT_EQ(handle_->socket().noDelay(), disable);
        SimConnect_Close(handle_);
        handle_ = nullptr;
    }
}

TEST_F(TransportTest, DefaultPipeOfTheSimulator) {
    RawByteServer server(RawByteServer::Endpoint::unixSocket,
                         folder_ / "pipes" / "Lockheed Martin Prepar3D v5" / "SimConnect");
    sc::ConfigSources sources;
    sources.folders = {folder_ / "public", folder_ / "docs", folder_ / "cwd"};
    sc::SocketConnector connector;
    ASSERT_EQ(sc::gf_openWith(&handle_, "KSBY", nullptr, 0, &event_,
                              SIMCONNECT_OPEN_CONFIGINDEX_DEFAULTS, sources, connector),
              kScOk);
    ASSERT_TRUE(server.waitReceived(296));
    EXPECT_EQ(server.received(), lf_openPacket());
}

// What came before the peer left is still handed out; then every call reports the status.
TEST_F(TransportTest, PeerCloseAndResetEndTheConnection) {
    struct Case {
        const char* name;
        RawByteServer::Endpoint endpoint;
        bool reset;
        ScCloseReason reason;
        ScResult status;
    };
    const Case cases[] = {
        {"peer closed, IPv4", RawByteServer::Endpoint::ipv4, false, ScCloseReason::zeroByteRead,
         kScStatusLinkFailed},
        {"peer closed, pipe", RawByteServer::Endpoint::unixSocket, false,
         ScCloseReason::zeroByteRead, kScStatusLinkFailed},
        {"reset", RawByteServer::Endpoint::ipv4, true, ScCloseReason::remoteDisconnect,
         kScStatusConnectionReset},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto server = serve(c.endpoint);
        const Bytes a = sctest::lf_eventMessage(1, 2, 3);
        Dispatched got;
        if (!c.reset) {
            ASSERT_TRUE(server->send(sctest::lf_join({a, a})));
            server->close();
        } else {
            ASSERT_TRUE(server->send(a));
            // The message is in before the reset, or it could be lost with it.
            ASSERT_EQ(dispatchUntil(got, 1), kScOk);
            server->reset();
        }
        ScResult result = kScOk;
        while (result == kScOk) {
            ASSERT_TRUE(event_.wait(kBound));
            result = dispatchUntil(got, 1000);
        }
        EXPECT_EQ(result, c.status);
        EXPECT_EQ(got.messages.size(), c.reset ? 1u : 2u);
        const sc::ConnectionFailure failure = sc::connectionFailure(handle_);
        EXPECT_EQ(failure.reason, c.reason);
        EXPECT_EQ(failure.status, c.status);
        EXPECT_EQ(SimConnect_AIRemoveObject(handle_, 1, 1), c.status);
        EXPECT_EQ(SimConnect_CallDispatch(handle_, lf_collect, &got), c.status);
        // The reader already closed the transport; the close still joins cleanly.
        EXPECT_EQ(SimConnect_Close(handle_), kScOk);
        handle_ = nullptr;
        if (!c.reset) {
            EXPECT_EQ(server->received().size(), 296u);
        }
    }
}

// Writing to a peer that refuses data fails the connection; no SIGPIPE ends the process.
TEST_F(TransportTest, BrokenPipeOnWrite) {
    auto server = serve(RawByteServer::Endpoint::unixSocket);
    server->shutdownRead();
    EXPECT_EQ(SimConnect_AIRemoveObject(handle_, 1, 1), kScOk);
    ASSERT_TRUE(event_.wait(kBound));
    Dispatched got;
    EXPECT_EQ(SimConnect_CallDispatch(handle_, lf_collect, &got), kScStatusPipeBroken);
    const sc::ConnectionFailure failure = sc::connectionFailure(handle_);
    EXPECT_EQ(failure.reason, ScCloseReason::remoteDisconnect);
    EXPECT_EQ(failure.lastErrno, EPIPE);
}

TEST_F(TransportTest, FramingFaultClosesWithItsReason) {
    auto server = serve(RawByteServer::Endpoint::ipv4);
    ASSERT_TRUE(
        server->send(sctest::lf_join({sctest::lf_eventMessage(1, 2, 3), Bytes{2, 0, 0, 0}})));
    Dispatched got;
    ScResult result = kScOk;
    while (result == kScOk) {
        ASSERT_TRUE(event_.wait(kBound));
        result = dispatchUntil(got, 1000);
    }
    EXPECT_EQ(result, kScAbort);
    EXPECT_EQ(got.messages.size(), 1u);
    EXPECT_EQ(sc::connectionFailure(handle_).reason, ScCloseReason::malformedSize);
    // The client shut the socket down: the server sees the end.
    EXPECT_TRUE(server->waitPeerClosed());
}

TEST_F(TransportTest, CloseSendsWhatWasFlushedAndDiscardsWhatCame) {
    auto server = serve(RawByteServer::Endpoint::ipv4);
    ASSERT_TRUE(server->send(sctest::lf_eventMessage(1, 2, 3)));
    ASSERT_TRUE(event_.wait(kBound));
    EXPECT_EQ(handle_->receivedCount(), 1u);
    std::vector<std::uint8_t> data(64, 0xAB);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(SimConnect_SetDataOnSimObject(handle_, 407, 9, 0, 1, 64, data.data()), kScOk);
    }
    sc::lf_scStartup();
    const std::size_t sleepsBefore = clock_.sleepCount();
    EXPECT_EQ(SimConnect_Close(handle_), kScOk);
    handle_ = nullptr;
    const auto sleeps = clock_.sleeps();
    EXPECT_EQ(std::vector<std::chrono::nanoseconds>(sleeps.begin() + sleepsBefore, sleeps.end()),
              (std::vector<std::chrono::nanoseconds>{milliseconds(100), milliseconds(250)}));
    ASSERT_TRUE(server->waitPeerClosed());
    EXPECT_EQ(server->received().size(), 296u + 100 * 100);
    EXPECT_EQ(sc::gf_handleCount(), 0u);
    EXPECT_FALSE(sc::gf_socketsStarted());
}

// A name that does not fit and a peer that is gone before the Open packet leaves: the new
// handle is released at once, without the close's waits, and the out handle is null.
TEST_F(TransportTest, OpenFailuresReleaseTheNewHandle) {
    RawByteServer server(RawByteServer::Endpoint::ipv4);
    ksb::test::writeBytes(folder_ / "docs" / "SimConnect.cfg",
                          "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" + server.port() +
                              "\n");
    sc::ConfigSources sources;
    sources.folders = {folder_ / "public", folder_ / "docs", folder_ / "cwd"};
    sc::SocketConnector connector;
    SimConnectHandle* handle = reinterpret_cast<SimConnectHandle*>(0x1);
    const std::string longName(256, 'n');
    EXPECT_EQ(
        sc::gf_openWith(&handle, longName.c_str(), nullptr, 0, nullptr, 0, sources, connector),
        kScStringTooLong);
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(server.waitAccepted());
    EXPECT_TRUE(server.waitPeerClosed());
    EXPECT_TRUE(server.received().empty());
    EXPECT_EQ(clock_.sleepCount(), 0u);
    EXPECT_EQ(sc::gf_handleCount(), 0u);
    EXPECT_FALSE(sc::gf_socketsStarted());
}

} // namespace

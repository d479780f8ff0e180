#include "message_fixtures.h"
#include "platform/event.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/client/simconnect_globals.h"
#include "simlink/client/simconnect_handle.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using sctest::Bytes;
using sctest::MessageBuilder;

struct Received {
    std::vector<Bytes> messages;
    int calls = 0;
};

void lf_record(const std::uint8_t* message, std::uint32_t size, void* context) {
    auto* received = static_cast<Received*>(context);
    received->messages.emplace_back(message, message + size);
    ++received->calls;
}

TEST(DispatchTest, HandsOutWholeMessagesInOrderAndDropsShortOnes) {
    auto capture = sc::makeCaptureHandle();
    const Bytes a = sctest::lf_eventMessage(1, 2, 3);
    const Bytes b = sctest::lf_objectDataMessage(4, 5);
    const Bytes eleven = {11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes twelve = MessageBuilder(3).build();
    capture->receive(sctest::lf_join({a, eleven, Bytes{4, 0, 0, 0}, b, twelve}));
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(capture->get(), lf_record, &received), kScOk);
    EXPECT_EQ(received.messages, (std::vector<Bytes>{a, b, twelve}));
    // The stored callback serves a call without one; the new context is taken.
    Received second;
    capture->receive(a);
    EXPECT_EQ(SimConnect_CallDispatch(capture->get(), nullptr, &second), kScOk);
    EXPECT_EQ(second.messages, (std::vector<Bytes>{a}));
    EXPECT_EQ(received.calls, 3);
}

TEST(DispatchTest, WithoutAnyCallbackFails) {
    auto capture = sc::makeCaptureHandle();
    capture->receive(sctest::lf_eventMessage(1, 2, 3));
    EXPECT_EQ(SimConnect_CallDispatch(capture->get(), nullptr, nullptr), kScFail);
    // Nothing was taken out: a callback given later still gets it.
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(capture->get(), lf_record, &received), kScOk);
    EXPECT_EQ(received.calls, 1);
}

// What came before a failure is still handed out; only the empty list reports the status.
TEST(DispatchTest, MessagesBeforeAFailureComeFirst) {
    struct Case {
        const char* name;
        Bytes tail; // ends the connection, or nothing
        ScCloseReason reason;
        ScResult status;
    };
    const Case cases[] = {
        {"size 2", Bytes{2, 0, 0, 0}, ScCloseReason::malformedSize, kScAbort},
        {"size above MaxReceiveSize", Bytes{0x81, 0xA0, 0, 0}, ScCloseReason::messageTooLarge,
         kScAbort},
        {"failed transport", Bytes{}, ScCloseReason::remoteDisconnect, kScStatusPipeBroken},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto capture = sc::makeCaptureHandle();
        const Bytes a = sctest::lf_eventMessage(1, 2, 3);
        capture->receive(sctest::lf_join({a, a, c.tail}));
        if (c.tail.empty()) {
            capture->failTransport(c.reason, c.status);
        }
        // Bytes after the failure are not read any more.
        capture->receive(a);
        Received received;
        EXPECT_EQ(SimConnect_CallDispatch(capture->get(), lf_record, &received), c.status);
        EXPECT_EQ(received.calls, 2);
        EXPECT_EQ(SimConnect_CallDispatch(capture->get(), lf_record, &received), c.status);
        EXPECT_EQ(received.calls, 2);
        EXPECT_EQ(SimConnect_ClearDataDefinition(capture->get(), 1), c.status);
        EXPECT_TRUE(capture->packets().empty());
        const sc::ConnectionFailure failure = sc::connectionFailure(capture->get());
        EXPECT_EQ(failure.reason, c.reason);
        EXPECT_EQ(failure.status, c.status);
        EXPECT_EQ(failure.lastErrno, 0);
    }
}

TEST(DispatchTest, UndispatchedListKeepsTheNewest4096) {
    auto capture = sc::makeCaptureHandle();
    Bytes stream;
    for (std::uint32_t i = 0; i < 4100; ++i) {
        const Bytes m = sctest::lf_eventMessage(0, 0, i);
        stream.insert(stream.end(), m.begin(), m.end());
    }
    capture->receive(stream);
    EXPECT_EQ(sc::droppedMessages(capture->get()), 4u);
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(capture->get(), lf_record, &received), kScOk);
    ASSERT_EQ(received.messages.size(), 4096u);
    EXPECT_EQ(received.messages.front(), sctest::lf_eventMessage(0, 0, 4));
    EXPECT_EQ(received.messages.back(), sctest::lf_eventMessage(0, 0, 4099));
}

TEST(DispatchTest, EventIsSetOnArrivalAndOnFailureOnly) {
    auto capture = sc::makeCaptureHandle();
    platform::Event event;
    capture->get()->setNotify(nullptr, 0, &event);
    capture->receive(Bytes{0, 0, 0});
    EXPECT_FALSE(event.isSet());
    capture->receive(Bytes{0});
    EXPECT_FALSE(event.isSet());
    capture->receive(sctest::lf_eventMessage(1, 2, 3));
    EXPECT_TRUE(event.isSet());
    event.reset();
    capture->failTransport(ScCloseReason::zeroByteRead, kScStatusLinkFailed);
    EXPECT_TRUE(event.isSet());

    auto quiet = sc::makeCaptureHandle();
    platform::Event quietEvent;
    quiet->get()->setNotify(nullptr, 0, &quietEvent);
    quiet->get()->onClosed(ScCloseReason::none, kScOk);
    EXPECT_FALSE(quietEvent.isSet());
}

TEST(CloseTest, SleepsDiscardsAndEmptiesTheHandleList) {
    ksb::test::ManualClock clock(1'780'000'000.0, /*autoAdvance=*/true);
    ksb::test::ScopedClock installed(clock);
    ASSERT_EQ(sc::gf_handleCount(), 0u);
    auto capture = sc::makeCaptureHandle();
    EXPECT_EQ(sc::gf_handleCount(), 1u);
    sc::lf_scStartup();
    capture->receive(sctest::lf_eventMessage(1, 2, 3));
    EXPECT_EQ(capture->get()->receivedCount(), 1u);
    ASSERT_EQ(SimConnect_AIRemoveObject(capture->get(), 9, 1), kScOk);
    EXPECT_EQ(SimConnect_Close(capture->get()), kScOk);
    EXPECT_EQ(capture->get(), nullptr);
    EXPECT_EQ(capture->packets().size(), 1u);
    using std::chrono::milliseconds;
    EXPECT_EQ(clock.sleeps(),
              (std::vector<std::chrono::nanoseconds>{milliseconds(100), milliseconds(250)}));
    EXPECT_EQ(sc::gf_handleCount(), 0u);
    EXPECT_EQ(sc::gf_liveTransportCount(), 0);
    EXPECT_FALSE(sc::gf_socketsStarted());
}

TEST(CloseTest, TheFlagStaysWhileAnotherHandleIsOpen) {
    ksb::test::ManualClock clock(1'780'000'000.0, /*autoAdvance=*/true);
    ksb::test::ScopedClock installed(clock);
    auto first = sc::makeCaptureHandle();
    auto second = sc::makeCaptureHandle();
    sc::lf_scStartup();
    EXPECT_EQ(SimConnect_Close(first->get()), kScOk);
    EXPECT_TRUE(sc::gf_socketsStarted());
    EXPECT_EQ(sc::gf_handleCount(), 1u);
    second.reset();
    EXPECT_EQ(sc::gf_handleCount(), 0u);
    EXPECT_FALSE(sc::gf_socketsStarted());
}

} // namespace

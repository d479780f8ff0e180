#include "message_fixtures.h"
#include "simlink/client/receive_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace {

using sc::CloseCause;
using sc::ReceiveBuffer;
using sctest::Bytes;
using sctest::MessageBuilder;

struct Outcome {
    std::vector<Bytes> messages;
    std::optional<CloseCause> fault;
    std::size_t capacity = 0;
};

// Feeds the stream in pieces of the given sizes (the rest as one more piece), as the reader
// thread would: each piece in as many reads as the free space needs.
Outcome lf_feed(const Bytes& stream, const std::vector<std::size_t>& pieces,
                std::uint32_t maxReceiveSize = sc::kDefaultMaxReceiveSize) {
    ReceiveBuffer buffer(maxReceiveSize);
    Outcome out;
    const auto sink = [&](std::span<const std::uint8_t> m) {
        out.messages.emplace_back(m.begin(), m.end());
    };
    std::size_t offset = 0;
    std::size_t piece = 0;
    while (offset < stream.size() && !out.fault) {
        std::size_t count = stream.size() - offset;
        if (piece < pieces.size()) {
            count = std::min(count, pieces[piece++]);
        }
        const std::size_t end = offset + count;
        while (offset < end && !out.fault) {
            const std::span<std::uint8_t> space = buffer.freeSpace();
            EXPECT_FALSE(space.empty());
            const std::size_t n = std::min(space.size(), end - offset);
            std::memcpy(space.data(), stream.data() + offset, n);
            buffer.commit(n);
            offset += n;
            out.fault = buffer.takeOut(sink);
        }
    }
    out.capacity = buffer.capacity();
    return out;
}

bool lf_sameCause(const std::optional<CloseCause>& a, const std::optional<CloseCause>& b) {
    return a.has_value() == b.has_value() &&
           (!a || (a->reason == b->reason && a->status == b->status));
}

Bytes lf_zeros(std::size_t count) {
    return Bytes(count, 0);
}

TEST(ReceiveBufferTest, EverySplitGivesTheSameMessages) {
    const Bytes short4 = MessageBuilder(3).build();
    const Bytes tiny = {4, 0, 0, 0}; // a size of 4: only a size field
    struct Case {
        const char* name;
        Bytes stream;
        std::size_t messages;
        std::optional<CloseCause> fault;
    };
    const Case cases[] = {
        {"three messages",
         sctest::lf_join(
             {sctest::lf_eventMessage(1, 2, 3), sctest::lf_objectDataMessage(5, 6), short4}),
         3, std::nullopt},
        {"zero padding between and after",
         sctest::lf_join({lf_zeros(5), sctest::lf_eventMessage(1, 2, 3), lf_zeros(4), tiny,
                          lf_zeros(9), short4, lf_zeros(3)}),
         3, std::nullopt},
        {"a size of 1 after a message",
         sctest::lf_join({sctest::lf_eventMessage(1, 2, 3), Bytes{1, 0, 0, 0}, short4}), 1,
         CloseCause{ScCloseReason::malformedSize, kScAbort}},
        {"a size of 3 after zero padding", sctest::lf_join({lf_zeros(6), Bytes{3, 0, 0, 0, 9, 9}}),
         0, CloseCause{ScCloseReason::malformedSize, kScAbort}},
        {"a size above the limit", sctest::lf_join({short4, Bytes{0x81, 0xA0, 0, 0}, lf_zeros(20)}),
         1, CloseCause{ScCloseReason::messageTooLarge, kScAbort}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome whole = lf_feed(c.stream, {});
        EXPECT_EQ(whole.messages.size(), c.messages);
        EXPECT_TRUE(lf_sameCause(whole.fault, c.fault));
        for (std::size_t split = 1; split < c.stream.size(); ++split) {
            SCOPED_TRACE(split);
            const Outcome two = lf_feed(c.stream, {split});
            EXPECT_EQ(two.messages, whole.messages);
            EXPECT_TRUE(lf_sameCause(two.fault, whole.fault));
        }
        const Outcome bytes = lf_feed(c.stream, std::vector<std::size_t>(c.stream.size(), 1));
        EXPECT_EQ(bytes.messages, whole.messages);
        EXPECT_TRUE(lf_sameCause(bytes.fault, whole.fault));
    }
}

TEST(ReceiveBufferTest, ZeroSkipGoesOnIntoTheNextRead) {
    // The size field 0x00000800 appears only when the zero run is split from the 8 that ends it.
    const Bytes stream = sctest::lf_join({lf_zeros(6), sctest::lf_eventMessage(8, 0, 0)});
    const Outcome split = lf_feed(stream, {5});
    ASSERT_EQ(split.messages.size(), 1u);
    EXPECT_EQ(split.messages[0], sctest::lf_eventMessage(8, 0, 0));
    EXPECT_FALSE(split.fault);
}

TEST(ReceiveBufferTest, GrowsForLargeMessagesAndKeepsLimits) {
    const Bytes big = MessageBuilder(9).text(std::string(5000, 'b'), 5000).build();
    struct Case {
        const char* name;
        Bytes stream;
        std::uint32_t maxReceiveSize;
        std::size_t messages;
        std::optional<CloseCause> fault;
        std::size_t capacity;
    };
    const Bytes atLimit = MessageBuilder(9).text("", 41088 - 12).build();
    const Bytes overLimit = MessageBuilder(9).text("", 41089 - 12).build();
    const Bytes raisedLimit = MessageBuilder(9).text("", 100000 - 12).build();
    const Bytes huge = MessageBuilder(9).sizeField(1048577).text("", 1048577 - 12).build();
    const Case cases[] = {
        {"5012 bytes grow the buffer past 2048", sctest::lf_join({big, big}), 41088, 2,
         std::nullopt, 6144},
        {"a message of MaxReceiveSize", atLimit, 41088, 1, std::nullopt, 43008},
        {"one byte above MaxReceiveSize", overLimit, 41088, 0,
         CloseCause{ScCloseReason::messageTooLarge, kScAbort}, 2048},
        {"a raised MaxReceiveSize", raisedLimit, 100000, 1, std::nullopt, 100352},
        {"full at 1 MiB without a whole message", huge, 4000000, 0,
         CloseCause{ScCloseReason::messageTooLarge, kScAbort}, 1048576},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = lf_feed(c.stream, {}, c.maxReceiveSize);
        EXPECT_EQ(out.messages.size(), c.messages);
        EXPECT_TRUE(lf_sameCause(out.fault, c.fault));
        EXPECT_EQ(out.capacity, c.capacity);
        for (const Bytes& m : out.messages) {
            EXPECT_TRUE(std::equal(m.begin(), m.end(), c.stream.begin()));
        }
    }
}

TEST(ReceiveBufferTest, ARecordThatCannotBeAllocatedEndsWithOutOfMemory) {
    ReceiveBuffer buffer;
    const Bytes stream =
        sctest::lf_join({sctest::lf_eventMessage(1, 1, 1), sctest::lf_eventMessage(2, 2, 2)});
    std::memcpy(buffer.freeSpace().data(), stream.data(), stream.size());
    buffer.commit(stream.size());
    int calls = 0;
    const auto fault = buffer.takeOut([&](std::span<const std::uint8_t>) {
        if (++calls == 2) {
            throw std::bad_alloc();
        }
    });
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->reason, ScCloseReason::outOfMemory);
    EXPECT_EQ(fault->status, kScOutOfMemory);
    EXPECT_EQ(calls, 2);
}

TEST(ReceiveBufferTest, PartialMessageWaitsWithoutTakingOut) {
    ReceiveBuffer buffer;
    const Bytes message = sctest::lf_objectDataMessage(1, 2);
    std::memcpy(buffer.freeSpace().data(), message.data(), message.size() - 1);
    buffer.commit(message.size() - 1);
    int calls = 0;
    EXPECT_FALSE(buffer.takeOut([&](std::span<const std::uint8_t>) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(buffer.unread(), message.size() - 1);
    buffer.freeSpace()[0] = message.back();
    buffer.commit(1);
    EXPECT_FALSE(buffer.takeOut([&](std::span<const std::uint8_t> m) {
        ++calls;
        EXPECT_EQ(Bytes(m.begin(), m.end()), message);
    }));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(buffer.unread(), 0u);
}

} // namespace

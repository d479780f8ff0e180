#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/client/simconnect_globals.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// An expected packet written from the published offsets: zeroes, then the header and fields.
class Expected {
public:
    Expected(std::uint32_t size, std::uint32_t number, std::uint32_t sendId = 1) : bytes_(size) {
        u32(0, size).u32(4, 35).u32(8, 0xF0000000 | number).u32(12, sendId);
    }
    Expected& u32(std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes_.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return *this;
    }
    Expected& f32(std::size_t offset, float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return u32(offset, bits);
    }
    Expected& f64(std::size_t offset, double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, 8);
        u32(offset, static_cast<std::uint32_t>(bits));
        return u32(offset + 4, static_cast<std::uint32_t>(bits >> 32));
    }
    Expected& raw(std::size_t offset, const std::string& text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes_.at(offset + i) = static_cast<std::uint8_t>(text[i]);
        }
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

const SIMCONNECT_DATA_INITPOSITION kPosition{51.4775, -0.461389, 83.0, -2.5, 1.25, 271.0, 1, 0};

struct EncoderCase {
    const char* name;
    std::function<ScResult(SimConnectHandle*)> call;
    Bytes expected;
};

std::vector<EncoderCase> lf_encoderCases() {
    const std::string data(64, '\x5A');
    return {
        {"Open", [](SimConnectHandle* h) { return sc::sendOpenPacket(h, "KSBY"); },
         Expected(296, 0x01)
             .raw(16, "KSBY")
             .raw(276, std::string("\x00\x44\x33\x50", 4))
             .u32(280, 5)
             .u32(284, 3)
             .bytes()},
        {"MapClientEventToSimEvent",
         [](SimConnectHandle* h) {
             return SimConnect_MapClientEventToSimEvent(h, 17, "FREEZE_ALTITUDE_TOGGLE");
         },
         Expected(276, 0x04).u32(16, 17).raw(20, "FREEZE_ALTITUDE_TOGGLE").bytes()},
        {"TransmitClientEvent",
         [](SimConnectHandle* h) {
             return SimConnect_TransmitClientEvent(h, 101, 17, 0xDEADBEEF, 0xFFFFFFFF, 0x10);
         },
         Expected(36, 0x05)
             .u32(16, 101)
             .u32(20, 17)
             .u32(24, 0xDEADBEEF)
             .u32(28, 0xFFFFFFFF)
             .u32(32, 0x10)
             .bytes()},
        {"AddClientEventToNotificationGroup",
         [](SimConnectHandle* h) {
             return SimConnect_AddClientEventToNotificationGroup(h, 3, 9, true);
         },
         Expected(28, 0x07).u32(16, 3).u32(20, 9).u32(24, 1).bytes()},
        {"SetNotificationGroupPriority",
         [](SimConnectHandle* h) { return SimConnect_SetNotificationGroupPriority(h, 3, 1); },
         Expected(24, 0x09).u32(16, 3).u32(20, 1).bytes()},
        {"AddToDataDefinition",
         [](SimConnectHandle* h) {
             return SimConnect_AddToDataDefinition(h, 404, "PLANE LATITUDE", "degrees", 4, 0.5f,
                                                   0xFFFFFFFF);
         },
         Expected(544, 0x0C)
             .u32(16, 404)
             .raw(20, "PLANE LATITUDE")
             .raw(276, "degrees")
             .u32(532, 4)
             .f32(536, 0.5f)
             .u32(540, 0xFFFFFFFF)
             .bytes()},
        {"ClearDataDefinition",
         [](SimConnectHandle* h) { return SimConnect_ClearDataDefinition(h, 404); },
         Expected(20, 0x0D).u32(16, 404).bytes()},
        {"RequestDataOnSimObject",
         [](SimConnectHandle* h) {
             return SimConnect_RequestDataOnSimObject(h, 1, 2, 3, 4, 5, 6, 7, 8);
         },
         Expected(48, 0x0E)
             .u32(16, 1)
             .u32(20, 2)
             .u32(24, 3)
             .u32(28, 4)
             .u32(32, 5)
             .u32(36, 6)
             .u32(40, 7)
             .u32(44, 8)
             .bytes()},
        {"RequestDataOnSimObjectType",
         [](SimConnectHandle* h) {
             return SimConnect_RequestDataOnSimObjectType(h, 9, 405, 200000, 2);
         },
         Expected(32, 0x0F).u32(16, 9).u32(20, 405).u32(24, 200000).u32(28, 2).bytes()},
        {"SetDataOnSimObject",
         [data](SimConnectHandle* h) {
             return SimConnect_SetDataOnSimObject(h, 407, 55, 0, 1, 64, data.data());
         },
         Expected(100, 0x10).u32(16, 407).u32(20, 55).u32(28, 1).u32(32, 64).raw(36, data).bytes()},
        {"SubscribeToSystemEvent",
         [](SimConnectHandle* h) {
             return SimConnect_SubscribeToSystemEvent(h, 12, "ObjectAdded");
         },
         Expected(276, 0x17).u32(16, 12).raw(20, "ObjectAdded").bytes()},
        {"UnsubscribeFromSystemEvent",
         [](SimConnectHandle* h) { return SimConnect_UnsubscribeFromSystemEvent(h, 12); },
         Expected(20, 0x18).u32(16, 12).bytes()},
        {"AICreateNonATCAircraft",
         [](SimConnectHandle* h) {
             return SimConnect_AICreateNonATCAircraft(h, "Boeing 737-800 Paint1", "N737BA",
                                                      kPosition, 77);
         },
         Expected(344, 0x29)
             .raw(16, "Boeing 737-800 Paint1")
             .raw(272, "N737BA")
             .f64(284, kPosition.Latitude)
             .f64(292, kPosition.Longitude)
             .f64(300, kPosition.Altitude)
             .f64(308, kPosition.Pitch)
             .f64(316, kPosition.Bank)
             .f64(324, kPosition.Heading)
             .u32(332, 1)
             .u32(336, 0)
             .u32(340, 77)
             .bytes()},
        {"AIReleaseControl",
         [](SimConnectHandle* h) { return SimConnect_AIReleaseControl(h, 1234, 5); },
         Expected(24, 0x2B).u32(16, 1234).u32(20, 5).bytes()},
        {"AIRemoveObject",
         [](SimConnectHandle* h) { return SimConnect_AIRemoveObject(h, 1234, 6); },
         Expected(24, 0x2C).u32(16, 1234).u32(20, 6).bytes()},
        {"AISetAircraftFlightPlan",
         [](SimConnectHandle* h) {
             return SimConnect_AISetAircraftFlightPlan(h, 1234, "C:\\plans\\EGLL-KJFK", 8);
         },
         Expected(284, 0x2D).u32(16, 1234).raw(20, "C:\\plans\\EGLL-KJFK").u32(280, 8).bytes()},
    };
}

TEST(EncoderTest, EveryCallLeavesAsOnePacketByteForByte) {
    for (const EncoderCase& c : lf_encoderCases()) {
        SCOPED_TRACE(c.name);
        auto capture = sc::makeCaptureHandle();
        EXPECT_EQ(c.call(capture->get()), kScOk);
        const auto packets = capture->packets();
        ASSERT_EQ(packets.size(), 1u);
        EXPECT_EQ(packets[0], c.expected);
        std::uint32_t sendId = 0;
        EXPECT_EQ(SimConnect_GetLastSentPacketID(capture->get(), &sendId), kScOk);
        EXPECT_EQ(sendId, 1u);
    }
}

TEST(EncoderTest, SendIdsCountUpWithoutGapsAcrossCalls) {
    auto capture = sc::makeCaptureHandle();
    const auto cases = lf_encoderCases();
    for (const EncoderCase& c : cases) {
        ASSERT_EQ(c.call(capture->get()), kScOk) << c.name;
    }
    const auto packets = capture->packets();
    ASSERT_EQ(packets.size(), cases.size());
    for (std::size_t i = 0; i < packets.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        Bytes expected = cases[i].expected;
        expected[12] = static_cast<std::uint8_t>(i + 1);
        EXPECT_EQ(packets[i], expected);
    }
}

// Texts at width - 1 are sent whole; at the width the call is refused and nothing is staged:
// the next packet is sent as if the refused one never happened, under the same send id.
TEST(EncoderTest, StringLimitsPerFieldWidth) {
    struct Case {
        const char* name;
        std::function<ScResult(SimConnectHandle*, const std::string&)> call;
        std::size_t width;
        std::size_t offset;
    };
    const Case cases[] = {
        {"container title 256",
         [](SimConnectHandle* h, const std::string& s) {
             return SimConnect_AICreateNonATCAircraft(h, s.c_str(), "N1", kPosition, 1);
         },
         256, 16},
        {"tail number 12",
         [](SimConnectHandle* h, const std::string& s) {
             return SimConnect_AICreateNonATCAircraft(h, "T", s.c_str(), kPosition, 1);
         },
         12, 272},
        {"flight plan path 260",
         [](SimConnectHandle* h, const std::string& s) {
             return SimConnect_AISetAircraftFlightPlan(h, 1, s.c_str(), 2);
         },
         260, 20},
        {"datum name 256",
         [](SimConnectHandle* h, const std::string& s) {
             return SimConnect_AddToDataDefinition(h, 1, s.c_str(), "feet", 4, 0, 0);
         },
         256, 20},
        {"units name 256, after a datum name that fitted",
         [](SimConnectHandle* h, const std::string& s) {
             return SimConnect_AddToDataDefinition(h, 1, "PLANE ALTITUDE", s.c_str(), 4, 0, 0);
         },
         256, 276},
        {"system event 256",
         [](SimConnectHandle* h, const std::string& s) {
             return SimConnect_SubscribeToSystemEvent(h, 1, s.c_str());
         },
         256, 20},
        {"sim event 256",
         [](SimConnectHandle* h, const std::string& s) {
             return SimConnect_MapClientEventToSimEvent(h, 1, s.c_str());
         },
         256, 20},
        {"application name 256",
         [](SimConnectHandle* h, const std::string& s) { return sc::sendOpenPacket(h, s.c_str()); },
         256, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto capture = sc::makeCaptureHandle();
        // 8-bit bytes that are not UTF-8 reach the packet unchanged.
        std::string fits(c.width - 1, 'x');
        fits[0] = '\xE9';
        fits[1] = '\xFF';
        const std::string tooLong(c.width, 'y');
        ASSERT_EQ(c.call(capture->get(), fits), kScOk);
        EXPECT_EQ(c.call(capture->get(), tooLong), kScStringTooLong);
        std::uint32_t sendId = 0;
        ASSERT_EQ(SimConnect_GetLastSentPacketID(capture->get(), &sendId), kScOk);
        EXPECT_EQ(sendId, 1u);
        ASSERT_EQ(c.call(capture->get(), fits), kScOk);
        const auto packets = capture->packets();
        ASSERT_EQ(packets.size(), 2u);
        const Bytes& first = packets[0];
        EXPECT_EQ(std::string(first.begin() + c.offset, first.begin() + c.offset + fits.size()),
                  fits);
        EXPECT_EQ(first[c.offset + fits.size()], 0);
        // The packet after the refusal is the first one again under the next send id: nothing
        // of the refused text stayed in the staging area.
        Bytes second = packets[1];
        EXPECT_EQ(second[12], 2);
        second[12] = 1;
        EXPECT_EQ(second, first);
    }
}

TEST(EncoderTest, NullStringsWriteEmptyFields) {
    auto capture = sc::makeCaptureHandle();
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(capture->get(), nullptr, nullptr, kPosition, 3),
              kScOk);
    const Bytes packet = capture->packets().at(0);
    EXPECT_EQ(Bytes(packet.begin() + 16, packet.begin() + 284), Bytes(268, 0));
}

TEST(EncoderTest, SetDataCountsAndSizes) {
    std::vector<std::uint8_t> data(3 * 24);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i);
    }
    struct Case {
        const char* name;
        std::uint32_t count, unit;
        ScResult result;
        std::uint32_t size, countField;
    };
    const Case cases[] = {
        {"count 0 is sent as 1", 0, 64, kScOk, 100, 1},
        {"count 3", 3, 24, kScOk, 36 + 72, 3},
        {"unit 0", 5, 0, kScOk, 36, 5},
        {"whole staging area", 1, 41088 - 36, kScOk, 41088, 1},
        {"one byte more than the staging area", 1, 41088 - 35, kScFail, 0, 0},
        {"product overflowing 32 bits", 0x10000, 0x10000, kScFail, 0, 0},
        {"largest product", 0xFFFFFFFF, 0xFFFFFFFF, kScFail, 0, 0},
    };
    std::vector<std::uint8_t> big(41088);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto capture = sc::makeCaptureHandle();
        const void* source = std::uint64_t{c.count == 0 ? 1 : c.count} * c.unit <= data.size()
                                 ? static_cast<const void*>(data.data())
                                 : static_cast<const void*>(big.data());
        EXPECT_EQ(SimConnect_SetDataOnSimObject(capture->get(), 7, 8, 9, c.count, c.unit, source),
                  c.result);
        const auto packets = capture->packets();
        std::uint32_t sendId = 99;
        SimConnect_GetLastSentPacketID(capture->get(), &sendId);
        if (c.result != kScOk) {
            EXPECT_TRUE(packets.empty());
            EXPECT_EQ(sendId, 0u);
            continue;
        }
        ASSERT_EQ(packets.size(), 1u);
        Expected expected(c.size, 0x10);
        expected.u32(16, 7).u32(20, 8).u32(24, 9).u32(28, c.countField).u32(32, c.unit);
        Bytes bytes = expected.bytes();
        std::memcpy(bytes.data() + 36, source, c.size - 36);
        EXPECT_EQ(packets[0], bytes);
    }
}

TEST(EncoderTest, SendIdWrapsToOneNeverZero) {
    auto capture = sc::makeCaptureHandle();
    ASSERT_EQ(SimConnect_ClearDataDefinition(capture->get(), 1), kScOk);
    // 2^32 packets are too many for a test: the counter is set just before its end.
    sc::setLastSendId(capture->get(), 0xFFFFFFFE);
    ASSERT_EQ(SimConnect_ClearDataDefinition(capture->get(), 2), kScOk);
    ASSERT_EQ(SimConnect_ClearDataDefinition(capture->get(), 3), kScOk);
    // A refusal right after the wrap gives the counter back to 1, not to 0xFFFFFFFF.
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(capture->get(), 1, std::string(300, 'z').c_str()),
              kScStringTooLong);
    std::uint32_t sendId = 0;
    ASSERT_EQ(SimConnect_GetLastSentPacketID(capture->get(), &sendId), kScOk);
    EXPECT_EQ(sendId, 1u);
    ASSERT_EQ(SimConnect_ClearDataDefinition(capture->get(), 4), kScOk);
    const auto packets = capture->packets();
    ASSERT_EQ(packets.size(), 4u);
    const auto idOf = [](const Bytes& p) {
        return static_cast<std::uint32_t>(p[12] | p[13] << 8 | p[14] << 16 |
                                          std::uint32_t{p[15]} << 24);
    };
    EXPECT_EQ(idOf(packets[0]), 1u);
    EXPECT_EQ(idOf(packets[1]), 0xFFFFFFFFu);
    EXPECT_EQ(idOf(packets[2]), 1u);
    EXPECT_EQ(idOf(packets[3]), 2u);
}

TEST(EncoderTest, NullHandleAndOutPointer) {
    for (const EncoderCase& c : lf_encoderCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(nullptr), kScFail);
    }
    std::uint32_t sendId = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(nullptr, &sendId), kScFail);
    auto capture = sc::makeCaptureHandle();
    EXPECT_EQ(SimConnect_GetLastSentPacketID(capture->get(), nullptr), kScFail);
    EXPECT_EQ(SimConnect_CallDispatch(nullptr, nullptr, nullptr), kScFail);
    EXPECT_EQ(SimConnect_Close(nullptr), kScFail);
}

TEST(EncoderTest, AfterAFailedTransportEveryCallReturnsItsStatus) {
    const struct {
        const char* name;
        ScCloseReason reason;
        ScResult status;
    } failures[] = {
        {"peer closed", ScCloseReason::zeroByteRead, kScStatusLinkFailed},
        {"reset", ScCloseReason::remoteDisconnect, kScStatusConnectionReset},
        {"message too large", ScCloseReason::messageTooLarge, kScAbort},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.name);
        auto capture = sc::makeCaptureHandle();
        ASSERT_EQ(SimConnect_ClearDataDefinition(capture->get(), 1), kScOk);
        capture->failTransport(failure.reason, failure.status);
        for (const EncoderCase& c : lf_encoderCases()) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(c.call(capture->get()), failure.status);
        }
        EXPECT_EQ(capture->packets().size(), 1u);
        std::uint32_t sendId = 0;
        ASSERT_EQ(SimConnect_GetLastSentPacketID(capture->get(), &sendId), kScOk);
        EXPECT_EQ(sendId, 1u);
        const sc::ConnectionFailure recorded = sc::connectionFailure(capture->get());
        EXPECT_EQ(recorded.reason, failure.reason);
        EXPECT_EQ(recorded.status, failure.status);
    }
}

} // namespace

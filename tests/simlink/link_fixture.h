#pragma once
// The session and the send queues on the test thread: a capture handle as the connection, a
// recording engine, message sink and exit handler, a log, a manual clock, the window's controls
// and a small aircraft database. Messages are built with the stand-in's own encoders and the
// packets sent are decoded with its own decoders.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/sim_session.h"
#include "support/catalogue_fixtures.h"
#include "support/fake_traffic_engine.h"
#include "support/fake_window_port.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/recording_sinks.h"
#include "support/simstub/messages.h"
#include "support/simstub/packets.h"
#include "support/simstub/wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace linktest {

// 2024-02-29 01:00:00 UTC.
inline constexpr double kStartUtc = 1709168400.0;

// The data of a definition, datum by datum, as the stand-in packs it.
class DataBuilder {
public:
    DataBuilder& f64(double value) {
        simstub::gf_writeF64(bytes_, bytes_.size(), value);
        return *this;
    }
    DataBuilder& i64(std::int64_t value) {
        simstub::gf_writeI64(bytes_, bytes_.size(), value);
        return *this;
    }
    DataBuilder& string32(std::string_view text) {
        simstub::gf_writeText(bytes_, bytes_.size(), 32, text);
        return *this;
    }
    // 32 bytes without a terminator.
    DataBuilder& raw(std::string_view bytes) {
        bytes_ += bytes;
        return *this;
    }
    DataBuilder& stringV(std::string_view text) {
        bytes_ += text;
        bytes_ += '\0';
        return *this;
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

struct UserAnswer {
    double latitude = 50.0333;
    double longitude = 8.5706;
    double altitude = 364.0;
    double groundVelocity = 0.0;
    std::int64_t zuluTime = 3600;
    std::int64_t dayOfYear = 60;
    std::int64_t year = 2024;
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Hands bytes to lf_dispatch as the client would.
    void dispatch(const std::string& bytes);
    void dispatch(const simstub::Message& message) { dispatch(message.bytes); }
    // A message with only a header, and the bytes given after it.
    static std::string rawMessage(std::uint32_t id, std::string_view body = {});
    static std::string objectData(bool byType, std::uint32_t requestId, std::uint32_t objectId,
                                  std::uint32_t definitionId, const std::string& data);

    void sendUserState(const UserAnswer& answer, std::uint32_t objectId = 1);
    void sendTitle(std::string_view title);
    void sendModel(std::string_view model);
    void sendOnGround(std::int64_t onGround);
    void sendFrame(float rate = 30.0f);
    void sendObjectAdded(std::uint32_t objectId);
    void sendByType(std::uint32_t objectId, double agl, double groundAltitude,
                    std::int64_t onGround, std::string_view atcId);

    // Packets flushed since the last call, decoded by the stand-in.
    std::vector<simstub::DecodedPacket> takePackets();
    // The body lines of the log that were written since the last call.
    std::vector<std::string> takeLog();

    // A database with A320 (large, 34.0 m), E75 (large, 26.0 m), E190, B744 and C172.
    void readDatabase();

    ksb::test::ManualClock clock{kStartUtc, true};
    ksb::test::ScopedClock scopedClock{clock};
    std::unique_ptr<ksb::test::WorkingFolder> folder;
    std::unique_ptr<ksb::test::LogCapture> log;
    std::optional<ksb::test::RecordingMessageSink> messages;
    std::optional<ksb::test::RecordingExitHandler> exits;
    std::unique_ptr<ksb::test::FakeTrafficEngine> engine;
    ksb::test::FakeWindowPort port;
    std::unique_ptr<sc::CaptureHandle> capture;

private:
    std::size_t logSeen_ = 0;
};

inline void LinkTest::SetUp() {
    folder = std::make_unique<ksb::test::WorkingFolder>();
    messages.emplace();
    exits.emplace();
    log = std::make_unique<ksb::test::LogCapture>();
    engine = std::make_unique<ksb::test::FakeTrafficEngine>();
    gf_setWindowPort(&port);
    capture = sc::makeCaptureHandle();
    gf_setSimHandleForTests(capture->get());
}

inline void LinkTest::TearDown() {
    gf_setSimHandleForTests(nullptr);
    capture.reset();
    gf_setWindowPort(nullptr);
    engine.reset();
    gf_resetCatalogueForTests();
    log.reset();
    exits.reset();
    messages.reset();
    folder.reset();
}

inline void LinkTest::dispatch(const std::string& bytes) {
    lf_dispatch(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                static_cast<std::uint32_t>(bytes.size()), nullptr);
}

inline std::string LinkTest::rawMessage(std::uint32_t id, std::string_view body) {
    std::string bytes;
    simstub::gf_writeU32(bytes, 0, static_cast<std::uint32_t>(12 + body.size()));
    simstub::gf_writeU32(bytes, 4, 4);
    simstub::gf_writeU32(bytes, 8, id);
    bytes += body;
    return bytes;
}

inline std::string LinkTest::objectData(bool byType, std::uint32_t requestId,
                                        std::uint32_t objectId, std::uint32_t definitionId,
                                        const std::string& data) {
    return simstub::gf_objectDataMessage(byType, requestId, objectId, definitionId, 1, 1, 1, data,
                                         {})
        .bytes;
}

inline void LinkTest::sendUserState(const UserAnswer& a, std::uint32_t objectId) {
    DataBuilder data;
    data.f64(a.latitude).f64(a.longitude).f64(0.0).f64(0.0).f64(4.36).f64(a.altitude);
    data.f64(5.0).f64(a.groundVelocity).i64(a.zuluTime).i64(a.dayOfYear).i64(a.year).i64(0);
    dispatch(objectData(false, 109, objectId, 403, data.bytes()));
}

inline void LinkTest::sendTitle(std::string_view title) {
    dispatch(objectData(false, 106, 1, 407, DataBuilder().stringV(title).bytes()));
}

inline void LinkTest::sendModel(std::string_view model) {
    dispatch(objectData(false, 107, 1, 408, DataBuilder().string32(model).bytes()));
}

inline void LinkTest::sendOnGround(std::int64_t onGround) {
    dispatch(objectData(false, 108, 1, 409, DataBuilder().i64(onGround).bytes()));
}

inline void LinkTest::sendFrame(float rate) {
    dispatch(simstub::gf_frameMessage(204, rate, 1.0f));
}

inline void LinkTest::sendObjectAdded(std::uint32_t objectId) {
    dispatch(simstub::gf_objectAddRemoveMessage(202, objectId, 2));
}

inline void LinkTest::sendByType(std::uint32_t objectId, double agl, double groundAltitude,
                                 std::int64_t onGround, std::string_view atcId) {
    DataBuilder data;
    data.f64(agl).f64(groundAltitude).i64(onGround).string32(atcId);
    dispatch(objectData(true, 101, objectId, 404, data.bytes()));
}

inline std::vector<simstub::DecodedPacket> LinkTest::takePackets() {
    std::vector<simstub::DecodedPacket> out;
    for (const auto& packet : capture->packets()) {
        out.push_back(simstub::gf_decodePacket(
            std::string_view(reinterpret_cast<const char*>(packet.data()), packet.size())));
    }
    capture->clearPackets();
    return out;
}

inline std::vector<std::string> LinkTest::takeLog() {
    const std::vector<std::string> body = log->body();
    std::vector<std::string> fresh(
        body.begin() + static_cast<std::ptrdiff_t>(std::min(logSeen_, body.size())), body.end());
    logSeen_ = body.size();
    return fresh;
}

inline void LinkTest::readDatabase() {
    ksb::test::DbaseSpec spec;
    spec.aircrafts = {"A319", "A320", "A321", "E75", "E190", "B744", "C172", "C25A", "EC35", "F16"};
    spec.large = {"A319", "A320", "A321", "E75", "E190"};
    spec.heavy = {"B744"};
    spec.buzjet = {"C25A"};
    spec.rotorcraft = {"EC35"};
    spec.highPerformance = {"F16"};
    spec.cargoTypes = {"B744"};
    spec.similar = {{"A320", "A319", "A321"}};
    spec.icaoAirlines = {"DLH"};
    spec.cargoOperators = {"FDX"};
    spec.publishers = {"Aerosoft"};
    spec.records = {{"D-AIPA", "DLH", "A320", "DLH", false}};
    spec.wingspans = {
        {"A320", "34.0"}, {"E75", "26.0"}, {"E190", "28.7"}, {"B744", "64.4"}, {"C172", "11.0"}};
    ksb::test::writeDbaseXml(spec);
    ASSERT_TRUE(gf_readDbase());
    takeLog();
}

} // namespace linktest

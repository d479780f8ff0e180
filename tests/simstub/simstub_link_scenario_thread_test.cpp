// The link-level scenario played by a raw client: declare, then steps 4 to 11.
#include "stub_fixture.h"

#include <cmath>

namespace {

using namespace std::chrono_literals;
using raw::Bytes;
using simstub::test::StubTest;

class LinkScenario : public StubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario s = StubTest::makeScenario();
        s.frameRate = 60.0;
        return s;
    }

    Bytes next(raw::Client& c) {
        std::optional<Bytes> m = c.read();
        EXPECT_TRUE(m.has_value());
        return m.value_or(Bytes(12, '\0'));
    }
};

TEST_F(LinkScenario, StepsFourToElevenWithARawClient) {
    // 1-3: the user as configured; connect and declare: no protocol error, no exception, and
    // Sim = 1 on the subscription.
    int conn = 0;
    raw::Client c = connectDeclared(&conn);
    {
        const std::vector<simstub::MessageRecord> sent = stub().sent(conn);
        ASSERT_EQ(sent.size(), 2U);
        EXPECT_EQ(sent[0].name, "Open");
        EXPECT_EQ(sent[1].fields.format(), "group=4294967295 eventId=201 data=1");
        EXPECT_TRUE(stub().protocolErrors().empty());
    }

    // 4: request 108 answers 48 bytes now and every stand-in second.
    c.send(raw::requestPacket(c, 108, 409, 0, 4));
    Bytes m = next(c);
    EXPECT_EQ(m.size(), 48U);
    EXPECT_EQ(raw::get32(m, 12), 108U);
    for (int second = 1; second <= 2; ++second) {
        stub().advance(1s);
        m = next(c);
        EXPECT_EQ(m.size(), 48U);
        EXPECT_EQ(raw::get32(m, 12), 108U);
    }

    // 5: follow the user.
    c.send(raw::requestPacket(c, 109, 403, 0, 1));
    m = next(c);
    ASSERT_EQ(m.size(), 136U);
    EXPECT_EQ(raw::get32(m, 16), 1U);
    EXPECT_EQ(raw::getF64(m, 40), 50.0333);
    EXPECT_DOUBLE_EQ(raw::getF64(m, 72), 250.0 * M_PI / 180);
    c.send(raw::requestPacket(c, 106, 407, 0, 1));
    m = next(c);
    EXPECT_EQ(m.substr(40, 10), std::string("Test B738\0", 10));
    c.send(raw::requestPacket(c, 107, 408, 0, 1));
    m = next(c);
    EXPECT_EQ(m.substr(40, 31), std::string("TT:ATCCOM.AC_MODEL_B738.0.text\0", 31));
    simstub::UserState user = stub().user();
    user.latitude += 0.5 / 60.0; // half a nautical mile north
    stub().setUser(user);
    c.send(raw::requestPacket(c, 109, 403, 0, 1));
    m = next(c);
    EXPECT_EQ(raw::getF64(m, 40), 50.0333 + 0.5 / 60.0);

    // 6: create, adopt, release and freeze.
    c.send(raw::createPacket(c, "Test A320 DLH", "DLH4AB",
                             {50.0400, 8.5700, 364.0, 0.0, 0.0, 250.0, 1, 0}));
    m = next(c);
    EXPECT_EQ(raw::get32(m, 8), 5U);
    EXPECT_EQ(raw::get32(m, 16), 202U);
    EXPECT_EQ(raw::get32(m, 20), 1000U);
    c.send(raw::byTypePacket(c, 101, 404, 24816));
    m = next(c);
    EXPECT_EQ(raw::get32(m, 8), 9U);
    EXPECT_EQ(raw::get32(m, 16), 1U);
    EXPECT_EQ(raw::get32(m, 28), 1U);
    EXPECT_EQ(raw::get32(m, 32), 2U);
    m = next(c);
    EXPECT_EQ(raw::get32(m, 16), 1000U);
    EXPECT_EQ(raw::get32(m, 28), 2U);
    EXPECT_EQ(m.substr(64, 7), std::string("DLH4AB\0", 7));
    c.send(raw::releasePacket(c, 1000));
    for (std::uint32_t freeze : {215U, 216U, 217U}) {
        c.send(raw::transmitPacket(c, 1000, freeze, 1));
    }

    // 7: lights, throttle, and flaps between two releases.
    const std::uint32_t lights[] = {208, 207, 211, 209, 210, 213, 212};
    for (std::uint32_t event : lights) {
        c.send(raw::transmitPacket(c, 1000, event, event == 208 || event == 213 ? 1 : 0));
    }
    c.send(raw::transmitPacket(c, 1000, 223, 4914));
    c.send(raw::releasePacket(c, 1000));
    c.send(raw::transmitPacket(c, 1000, 218, 3072));
    sendAndWait(c, conn, raw::releasePacket(c, 1000));
    {
        const simstub::ObjectState o = stub().object(1000).value();
        EXPECT_TRUE(o.released);
        EXPECT_TRUE(o.frozenLatLon && o.frozenAltitude && o.frozenAttitude);
        EXPECT_EQ(o.lights, simstub::kLightNav | simstub::kLightLogo);
        EXPECT_EQ(o.throttle, 4914U);
        EXPECT_EQ(o.flaps, 3072U);
        std::vector<std::string> names;
        for (const simstub::EventRecord& e : stub().events(1000)) {
            names.push_back(e.name + "=" + std::to_string(e.data));
        }
        EXPECT_EQ(names, (std::vector<std::string>{
                             "AIReleaseControl=103", "FREEZE_LATITUDE_LONGITUDE_SET=1",
                             "FREEZE_ALTITUDE_SET=1", "FREEZE_ATTITUDE_SET=1", "NAV_LIGHTS_SET=1",
                             "BEACON_LIGHTS_SET=0", "LANDING_LIGHTS_SET=0", "TAXI_LIGHTS_SET=0",
                             "STROBES_SET=0", "LOGO_LIGHTS_SET=1", "CABIN_LIGHTS_SET=0",
                             "THROTTLE_SET=4914", "AIReleaseControl=103", "FLAPS_SET=3072",
                             "AIReleaseControl=103"}));
    }

    // 8: move, one write per frame.
    std::vector<double> last;
    for (int frame = 0; frame < 3; ++frame) {
        stub().stepFrames(1);
        m = next(c);
        ASSERT_EQ(raw::get32(m, 8), 7U);
        EXPECT_EQ(raw::toHex(m.substr(24, 4)), "00 00 70 42"); // frame rate 60
        last = {50.0400 + frame * 1e-4, 8.5700, 0.01, 0.0, 4.36, 364.0 + frame, 1.5, 20.0 + frame};
        sendAndWait(c, conn,
                    raw::setDataPacket(c, 402, 1000, 1, 64,
                                       raw::doubles({last[0], last[1], last[2], last[3], last[4],
                                                     last[5], last[6], last[7]})));
    }
    {
        const simstub::ObjectState o = stub().object(1000).value();
        EXPECT_EQ((std::vector<double>{o.latitude, o.longitude, o.pitch, o.bank, o.heading,
                                       o.altitude, o.verticalSpeed, o.airspeed}),
                  last);
        const std::vector<simstub::PositionRecord> positions = stub().positions(1000);
        ASSERT_EQ(positions.size(), 3U);
        for (std::size_t i = 0; i < positions.size(); ++i) {
            EXPECT_EQ(positions[i].frame, i + 1);
        }
        EXPECT_EQ(positions.back().latitude, last[0]);
        EXPECT_EQ(positions.back().altitude, last[5]);
    }

    // 9: a refused title gets exception 22 with its creation's send id.
    stub().refuseTitles({"Test A320 XXX"});
    c.send(raw::createPacket(c, "Test A320 XXX", "XXX1"));
    const std::uint32_t refused = c.lastSendId();
    m = next(c);
    EXPECT_EQ(raw::get32(m, 8), 1U);
    EXPECT_EQ(raw::get32(m, 12), 22U);
    EXPECT_EQ(raw::get32(m, 16), refused);

    // 10: remove.
    c.send(raw::removePacket(c, 1000));
    m = next(c);
    EXPECT_EQ(raw::get32(m, 8), 5U);
    EXPECT_EQ(raw::get32(m, 16), 203U);
    EXPECT_EQ(raw::get32(m, 20), 1000U);

    // 11: pause and close.
    stub().sendSim(false);
    m = next(c);
    EXPECT_EQ(raw::get32(m, 16), 201U);
    EXPECT_EQ(raw::get32(m, 20), 0U);
    stub().sendQuit();
    EXPECT_EQ(raw::get32(next(c), 8), 3U);
    stub().dropConnection(conn);
    EXPECT_TRUE(c.readsEnd());
    EXPECT_EQ(stub().connections().back().endReason, "dropped");
    EXPECT_TRUE(stub().protocolErrors().empty());
}

} // namespace

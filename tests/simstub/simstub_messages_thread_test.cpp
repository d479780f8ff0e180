// The messages the stand-in sends, byte for byte against hex written from the message tables.
#include "stub_fixture.h"

#include <functional>

namespace {

using namespace std::chrono_literals;
using raw::Bytes;
using raw::hex;
using raw::zeros;
using simstub::test::StubTest;

class Messages : public StubTest {};

TEST_F(Messages, OpenAnswerCarriesTheConfiguredNameAndVersion) {
    raw::Client c = raw::Client::tcp(stub().ipv4Port());
    c.send(raw::openPacket(c));
    const Bytes expected = hex("34 01 00 00  23 00 00 00  02 00 00 00") +
                           "Lockheed Martin Prepar3D v5" + zeros(256 - 27) +
                           hex("05 00 00 00  03 00 00 00  11 00 00 00  00 6E 00 00") + zeros(24);
    EXPECT_EQ(raw::toHex(c.read().value_or("")), raw::toHex(expected));

    stub().setOpenAnswer("Other Sim v6", {6, 0, 1, 2});
    raw::Client d = raw::Client::tcp(stub().ipv4Port());
    d.send(raw::openPacket(d));
    const Bytes other = hex("34 01 00 00  23 00 00 00  02 00 00 00") + "Other Sim v6" +
                        zeros(256 - 12) +
                        hex("06 00 00 00  00 00 00 00  01 00 00 00  02 00 00 00") + zeros(24);
    EXPECT_EQ(raw::toHex(d.read().value_or("")), raw::toHex(other));
}

TEST_F(Messages, EveryMessageMatchesItsLayout) {
    int conn = 0;
    raw::Client c = connectDeclared(&conn);
    // The last case moves the user to 50.5 N, 8.25 E, 1000 ft, heading 180, 12.5 kt, with nav
    // and beacon lights.
    simstub::UserState user = stub().user();

    struct Case {
        const char* name;
        std::function<void()> trigger;
        Bytes expected;
    };
    const Case cases[] = {
        {"exception 7 for an unknown system event name",
         [&] {
             c.send(raw::subscribePacket(c, 299, "NoSuchEvent"));
             ASSERT_EQ(c.lastSendId(), 75U); // the Open and 73 declarations came first
         },
         hex("18 00 00 00  23 00 00 00  01 00 00 00  07 00 00 00  4B 00 00 00  01 00 00 00")},
        {"event: Sim not running", [&] { stub().sendSim(false); },
         hex("18 00 00 00  23 00 00 00  04 00 00 00  FF FF FF FF  C9 00 00 00  00 00 00 00")},
        {"event: Sim running", [&] { stub().sendSim(true); },
         hex("18 00 00 00  23 00 00 00  04 00 00 00  FF FF FF FF  C9 00 00 00  01 00 00 00")},
        {"frame with frame rate 60",
         [&] {
             stub().setFrameRate(60.0);
             stub().stepFrames(1);
         },
         hex("20 00 00 00  23 00 00 00  07 00 00 00  FF FF FF FF  CC 00 00 00  00 00 00 00"
             "00 00 70 42  00 00 80 3F")},
        {"file name event", [&] { stub().sendFileNameEvent("C:\\Flights\\a.fxml"); },
         hex("20 01 00 00  23 00 00 00  06 00 00 00  FF FF FF FF  CE 00 00 00  00 00 00 00") +
             "C:\\Flights\\a.fxml" + zeros(260 - 17) + hex("00 00 00 00")},
        {"quit", [&] { stub().sendQuit(); }, hex("0C 00 00 00  23 00 00 00  03 00 00 00")},
        {"object added", [&] { c.send(raw::createPacket(c, "Test A320 DLH", "DLH4AB")); },
         hex("1C 00 00 00  23 00 00 00  05 00 00 00  FF FF FF FF  CA 00 00 00  E8 03 00 00"
             "02 00 00 00")},
        {"object removed", [&] { c.send(raw::removePacket(c, 1000)); },
         hex("1C 00 00 00  23 00 00 00  05 00 00 00  FF FF FF FF  CB 00 00 00  E8 03 00 00"
             "02 00 00 00")},
        {"object data 409", [&] { c.send(raw::requestPacket(c, 108, 409, 0, 1)); },
         hex("30 00 00 00  23 00 00 00  08 00 00 00  6C 00 00 00  01 00 00 00  99 01 00 00"
             "00 00 00 00  01 00 00 00  01 00 00 00  01 00 00 00"
             "01 00 00 00 00 00 00 00")},
        {"object data by type 404 (the user only within 1000 m)",
         [&] { c.send(raw::byTypePacket(c, 101, 404, 1000)); },
         hex("60 00 00 00  23 00 00 00  09 00 00 00  65 00 00 00  01 00 00 00  94 01 00 00"
             "00 00 00 00  01 00 00 00  01 00 00 00  04 00 00 00"
             "00 00 00 00 00 00 00 00  00 00 00 00 00 C0 76 40  01 00 00 00 00 00 00 00") +
             "D-KSBY" + zeros(26)},
        {"object data 408 (32-byte text)", [&] { c.send(raw::requestPacket(c, 107, 408, 0, 1)); },
         hex("48 00 00 00  23 00 00 00  08 00 00 00  6B 00 00 00  01 00 00 00  98 01 00 00"
             "00 00 00 00  01 00 00 00  01 00 00 00  01 00 00 00") +
             "TT:ATCCOM.AC_MODEL_B738.0.text" + zeros(2)},
        {"object data 407 (type-11 title padded to 4)",
         [&] { c.send(raw::requestPacket(c, 106, 407, 0, 1)); },
         hex("34 00 00 00  23 00 00 00  08 00 00 00  6A 00 00 00  01 00 00 00  97 01 00 00"
             "00 00 00 00  01 00 00 00  01 00 00 00  01 00 00 00") +
             "Test B738" + zeros(3)},
        {"object data 403",
         [&] {
             user.latitude = 50.5;
             user.longitude = 8.25;
             user.altitude = 1000.0;
             user.heading = 180.0;
             user.groundSpeed = 12.5;
             user.lights = simstub::kLightNav | simstub::kLightBeacon;
             stub().setUser(user);
             stub().advance(2500ms); // zulu 01:00:02.5 of day 60 of 2024
             c.send(raw::requestPacket(c, 109, 403, 0, 1));
         },
         hex("88 00 00 00  23 00 00 00  08 00 00 00  6D 00 00 00  01 00 00 00  93 01 00 00"
             "00 00 00 00  01 00 00 00  01 00 00 00  0C 00 00 00"
             "00 00 00 00 00 40 49 40  00 00 00 00 00 80 20 40"    // latitude, longitude
             "00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00"    // pitch, bank
             "18 2D 44 54 FB 21 09 40  00 00 00 00 00 40 8F 40"    // heading (pi), altitude
             "00 00 00 00 00 E0 83 40  00 00 00 00 00 00 29 40"    // 636 ft AGL, 12.5 kt
             "12 0E 00 00 00 00 00 00  3C 00 00 00 00 00 00 00"    // 3602 s, day 60
             "E8 07 00 00 00 00 00 00  03 00 00 00 00 00 00 00")}, // 2024, lights 3
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        k.trigger();
        EXPECT_EQ(raw::toHex(c.read().value_or("")), raw::toHex(k.expected));
    }
}

class MessagesWithStaticCg : public StubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario s = StubTest::makeScenario();
        s.staticCg["Test B738"] = simstub::StaticCg{9.5, 0.125};
        return s;
    }
};

TEST_F(MessagesWithStaticCg, StaticCgFollowsTheTitle) {
    raw::Client c = connectDeclared();
    c.send(raw::requestPacket(c, 102, 405, 1, 1));
    const Bytes expected = hex("38 00 00 00  23 00 00 00  08 00 00 00  66 00 00 00  01 00 00 00"
                               "95 01 00 00  00 00 00 00  01 00 00 00  01 00 00 00  02 00 00 00"
                               "00 00 00 00 00 00 23 40  00 00 00 00 00 00 C0 3F");
    EXPECT_EQ(raw::toHex(c.read().value_or("")), raw::toHex(expected));
}

} // namespace

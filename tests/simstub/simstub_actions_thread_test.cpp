// What the stand-in does with each packet: its answers, its exceptions and its effects.
#include "stub_fixture.h"

#include "support/file_bytes.h"
#include "support/temp_folder.h"

#include <cmath>
#include <functional>

namespace {

using namespace std::chrono_literals;
using raw::Bytes;
using simstub::test::StubTest;

constexpr std::uint32_t kException = 1;
constexpr std::uint32_t kEvent = 4;
constexpr std::uint32_t kObjectAddRemove = 5;
constexpr std::uint32_t kObjectData = 8;
constexpr std::uint32_t kObjectDataByType = 9;

class Actions : public StubTest {
protected:
    void SetUp() override {
        StubTest::SetUp();
        client = connectDeclared(&conn);
    }

    // The messages the stand-in sent in answer to what was sent since the last call: a marker
    // packet (a Sim subscription, answered with an event) closes them.
    std::vector<Bytes> answers() {
        client.send(raw::subscribePacket(client, 201, "Sim"));
        std::vector<Bytes> out;
        for (;;) {
            std::optional<Bytes> m = client.read();
            if (!m) {
                ADD_FAILURE() << "no marker answer";
                return out;
            }
            if (raw::get32(*m, 8) == kEvent && raw::get32(*m, 16) == 201) {
                return out;
            }
            out.push_back(*m);
        }
    }

    std::uint32_t createAi(std::string_view title, std::string_view tail,
                           const raw::InitPosition& p = {}) {
        client.send(raw::createPacket(client, title, tail, p));
        std::vector<Bytes> got = answers();
        EXPECT_EQ(got.size(), 1U);
        return got.empty() ? 0 : raw::get32(got[0], 20);
    }

    raw::Client client;
    int conn = 0;
};

TEST_F(Actions, EachPacketKindGetsItsAnswerOrException) {
    ASSERT_EQ(stub().addForeignAircraft("FRGN1", {50.1, 8.6}, 3000.0), 1000U);
    ASSERT_EQ(answers().size(), 1U); // its ObjectAdded
    const std::uint32_t ai = createAi("Test A320 DLH", "DLH4AB");
    ASSERT_EQ(ai, 1001U); // the foreign aircraft took 1000
    const ksb::test::TempFolder folder;
    ksb::test::writeBytes(folder / "1001.pln", "<?xml?>\r\n<FlightPlan/>\r\n");

    struct Expect {
        std::uint32_t id;
        std::uint32_t code = 0; // exceptions: code, index and the offending packet (1-based)
        std::uint32_t index = 0;
        std::uint32_t packet = 1;
    };
    struct Case {
        const char* name;
        std::function<void(raw::Client&)> send;
        std::vector<Expect> answers;
        std::vector<std::string> rules = {};
    };
    const Case cases[] = {
        {"subscription to an unknown name",
         [](raw::Client& c) { c.send(raw::subscribePacket(c, 299, "Sim2")); },
         {{kException, 7, 1}}},
        {"subscription names are case-insensitive; Sim answers at once",
         [](raw::Client& c) { c.send(raw::subscribePacket(c, 298, "SIM")); },
         {{kEvent}}},
        {"unsubscribing an id never subscribed",
         [](raw::Client& c) { c.send(raw::unsubscribePacket(c, 297)); },
         {{kException, 3}}},
        {"unknown datum name",
         [](raw::Client& c) { c.send(raw::addDatumPacket(c, 500, "Plane Latitud", "degree", 4)); },
         {{kException, 7, 1}}},
        {"wrong units of a known datum",
         [](raw::Client& c) { c.send(raw::addDatumPacket(c, 500, "Plane Latitude", "feet", 4)); },
         {{kException, 7, 2}},
         {"datum \"Plane Latitude\": units \"feet\", expected \"degree\""}},
        {"wrong type of a known datum",
         [](raw::Client& c) { c.send(raw::addDatumPacket(c, 500, "TITLE", "", 4)); },
         {{kException, 7, 3}},
         {"datum \"TITLE\": type 4 does not fit a text"}},
        {"datum names and units are case-insensitive",
         [](raw::Client& c) {
             c.send(raw::addDatumPacket(c, 500, "plane LATITUDE", "DEGREE", 4));
             c.send(raw::requestPacket(c, 150, 500, 0, 1));
         },
         {{kObjectData}}},
        {"a cleared definition is unknown",
         [](raw::Client& c) {
             c.send(raw::clearDefinitionPacket(c, 500));
             c.send(raw::requestPacket(c, 150, 500, 0, 1));
             c.send(raw::clearDefinitionPacket(c, 500));
         },
         {{kException, 3, 0, 2}, {kException, 3, 0, 3}}},
        {"unknown client event name",
         [](raw::Client& c) { c.send(raw::mapEventPacket(c, 230, "GEAR_TOGGLE")); },
         {{kException, 7, 1}}},
        {"request for an unknown object or definition",
         [](raw::Client& c) {
             c.send(raw::requestPacket(c, 150, 409, 4242, 1));
             c.send(raw::requestPacket(c, 150, 499, 0, 1));
         },
         {{kException, 3, 0, 1}, {kException, 3, 0, 2}}},
        {"periods 1 and 2 are answered once; period 0 of an unknown request does nothing",
         [](raw::Client& c) {
             c.send(raw::requestPacket(c, 151, 409, 0, 1));
             c.send(raw::requestPacket(c, 152, 409, 1001, 2));
             c.send(raw::requestPacket(c, 153, 409, 0, 0));
         },
         {{kObjectData}, {kObjectData}}},
        {"by-type for another object type, and for an undeclared definition",
         [](raw::Client& c) {
             c.send(raw::byTypePacket(c, 101, 404, 100000, 3));
             c.send(raw::byTypePacket(c, 101, 499, 100000, 2));
         },
         {{kException, 3, 0, 2}}},
        {"write to an unknown object or definition",
         [](raw::Client& c) {
             c.send(raw::setDataPacket(c, 402, 4242, 1, 64, raw::zeros(64)));
             c.send(raw::setDataPacket(c, 499, 1001, 1, 64, raw::zeros(64)));
         },
         {{kException, 3, 0, 1}, {kException, 3, 0, 2}}},
        {"write with a count of 2 or the wrong unit size is not applied",
         [](raw::Client& c) {
             c.send(raw::setDataPacket(c, 402, 1001, 2, 32, raw::zeros(64)));
             c.send(raw::setDataPacket(c, 402, 1001, 1, 32, raw::zeros(32)));
         },
         {},
         {"array count 2, expected 1", "unit size 32, definition 402 holds 64 bytes"}},
        {"event with an unmapped id or for an unknown object",
         [](raw::Client& c) {
             c.send(raw::transmitPacket(c, 1001, 299, 1));
             c.send(raw::transmitPacket(c, 4242, 220, 1));
         },
         {{kException, 3, 0, 1}, {kException, 3, 0, 2}}},
        {"release of an unknown object",
         [](raw::Client& c) { c.send(raw::releasePacket(c, 4242)); },
         {{kException, 3}}},
        {"removal of the user, a foreign aircraft or an unknown object",
         [](raw::Client& c) {
             c.send(raw::removePacket(c, 1));
             c.send(raw::removePacket(c, 1000));
             c.send(raw::removePacket(c, 4242));
         },
         {{kException, 3, 0, 1}, {kException, 3, 0, 2}, {kException, 3, 0, 3}}},
        {"flight plan for an unknown object, a missing file, a folder",
         [&](raw::Client& c) {
             c.send(raw::flightPlanPacket(c, 4242, (folder / "1001.pln").string()));
             c.send(raw::flightPlanPacket(c, 1001, (folder / "none.pln").string()));
             c.send(raw::flightPlanPacket(c, 1001, folder.path().string()));
         },
         {{kException, 3, 0, 1}, {kException, 23, 0, 2}, {kException, 23, 0, 3}}},
        {"flight plan read",
         [&](raw::Client& c) {
             c.send(raw::flightPlanPacket(c, 1001, (folder / "1001.pln").string()));
         },
         {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::uint32_t first = client.lastSendId() + 1;
        k.send(client);
        const std::vector<Bytes> got = answers();
        ASSERT_EQ(got.size(), k.answers.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(raw::get32(got[i], 8), k.answers[i].id) << "answer " << i;
            if (k.answers[i].id == kException) {
                EXPECT_EQ(raw::get32(got[i], 12), k.answers[i].code) << "answer " << i;
                EXPECT_EQ(raw::get32(got[i], 16), first + k.answers[i].packet - 1)
                    << "answer " << i;
                EXPECT_EQ(raw::get32(got[i], 20), k.answers[i].index) << "answer " << i;
            }
        }
        std::vector<std::string> rules;
        for (const simstub::ProtocolError& e : stub().takeProtocolErrors()) {
            rules.push_back(e.rule);
        }
        EXPECT_EQ(rules, k.rules);
    }
    // Nothing a refused packet asked for happened.
    const simstub::ObjectState o = stub().object(1001).value();
    EXPECT_EQ(o.latitude, 50.04);
    EXPECT_TRUE(stub().writes(1001).empty());
    EXPECT_TRUE(stub().object(1000).has_value());
    EXPECT_EQ(o.flightPlanPath, (folder / "1001.pln").string());
    EXPECT_EQ(o.flightPlanLines, (std::vector<std::string>{"<?xml?>", "<FlightPlan/>"}));
}

TEST_F(Actions, SwitchesRefuseCreationsLimitThemAndFailFlightPlans) {
    stub().refuseTitles({"Bad Livery"});
    stub().setObjectLimit(1);
    client.send(raw::createPacket(client, "Bad Livery", "DLH1"));
    Bytes refused = raw::hex("18 00 00 00  23 00 00 00  01 00 00 00  16 00 00 00  00 00 00 00"
                             "00 00 00 00");
    raw::put32(refused, 16, client.lastSendId());
    std::vector<Bytes> got = answers();
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(raw::toHex(got[0]), raw::toHex(refused));

    EXPECT_EQ(createAi("Good", "DLH2"), 1000U);
    client.send(raw::createPacket(client, "Good", "DLH3"));
    got = answers();
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(raw::get32(got[0], 12), 11U);
    EXPECT_EQ(stub().objects().size(), 2U); // the user and 1000

    const ksb::test::TempFolder folder;
    ksb::test::writeBytes(folder / "1000.pln", "<FlightPlan/>\n");
    stub().failFlightPlans(true);
    client.send(raw::flightPlanPacket(client, 1000, (folder / "1000.pln").string()));
    got = answers();
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(raw::get32(got[0], 12), 23U);
    EXPECT_EQ(stub().object(1000)->flightPlanPath, (folder / "1000.pln").string());
}

TEST_F(Actions, PeriodFourAnswersEverySecondUntilReplacedOrStopped) {
    auto dataOf = [&](std::uint32_t request) {
        std::size_t n = 0;
        for (const simstub::MessageRecord& m : stub().sent(conn)) {
            n += m.id == kObjectData && m.fields.u32("requestId") == request ? 1 : 0;
        }
        return n;
    };
    sendAndWait(client, conn, raw::requestPacket(client, 108, 409, 0, 4));
    sendAndWait(client, conn, raw::requestPacket(client, 160, 409, 0, 4));
    ASSERT_TRUE(stub().waitFor([&] { return dataOf(108) == 1 && dataOf(160) == 1; }));
    stub().advance(999ms);
    EXPECT_EQ(dataOf(108), 1U);
    stub().advance(1ms);
    EXPECT_EQ(dataOf(108), 2U);
    stub().advance(2500ms); // passes seconds 2 and 3
    EXPECT_EQ(dataOf(108), 4U);
    EXPECT_EQ(dataOf(160), 4U);
    // The same request id again replaces the old request; period 0 stops one.
    sendAndWait(client, conn, raw::requestPacket(client, 108, 409, 0, 1));
    sendAndWait(client, conn, raw::requestPacket(client, 160, 409, 0, 0));
    ASSERT_TRUE(stub().waitFor([&] { return dataOf(108) == 5; }));
    stub().advance(3s);
    EXPECT_EQ(dataOf(108), 5U);
    EXPECT_EQ(dataOf(160), 4U);
    const simstub::MessageRecord last = stub().sent(conn).back();
    EXPECT_EQ(last.fields.u32("objectId"), 1U);
    EXPECT_EQ(last.fields.integer("SIM ON GROUND"), 1);
}

TEST_F(Actions, ByTypeAnswersTheUserFirstThenAircraftWithinTheRadiusInCreationOrder) {
    // The user is at 50.0333 N, 8.5706 E; one minute of latitude is 1852 m on this sphere.
    const std::uint32_t near = createAi("Test A320 DLH", "DLH4AB", {50.0333 + 1.0 / 60, 8.5706});
    const std::uint32_t far = createAi("Test A320 DLH", "DLH5CD", {50.0333 + 3.0 / 60, 8.5706});
    stub().addForeignAircraft("FRGN1", {50.0333 - 1.5 / 60, 8.5706}, 100.0, "Foreign Title");
    ASSERT_EQ(answers().size(), 1U);
    struct Case {
        const char* name;
        std::uint32_t radius;
        std::vector<std::uint32_t> objects;
    };
    const Case cases[] = {
        {"the user alone", 1800, {1}},
        {"one minute out", 1853, {1, near}},
        {"the foreign aircraft too", 3000, {1, near, 1002}},
        {"everything", 24816, {1, near, far, 1002}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        client.send(raw::byTypePacket(client, 101, 404, k.radius));
        const std::vector<Bytes> got = answers();
        ASSERT_EQ(got.size(), k.objects.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(raw::get32(got[i], 8), kObjectDataByType);
            EXPECT_EQ(raw::get32(got[i], 16), k.objects[i]);
            EXPECT_EQ(raw::get32(got[i], 28), i + 1);
            EXPECT_EQ(raw::get32(got[i], 32), got.size());
        }
        if (k.objects.size() == 4) {
            // The foreign aircraft: ground + 100 ft, ATC ID as configured, not on the ground.
            EXPECT_EQ(raw::getF64(got[3], 40), 100.0);
            EXPECT_EQ(raw::getF64(got[3], 48), 364.0);
            EXPECT_EQ(raw::get32(got[3], 56), 0U);
            EXPECT_EQ(got[3].substr(64, 6), std::string("FRGN1\0", 6));
        }
    }
}

TEST_F(Actions, CreationMakesAnObjectAndObjectAddedFollowsTheDelays) {
    stub().delayObjectAdded(500ms);
    stub().delayAtcId(1500ms);
    client.send(raw::createPacket(client, "Test A320 DLH", "DLH4AB",
                                  {50.04, 8.57, 364.0, 2.0, -3.0, 250.0, 1, 12}));
    EXPECT_TRUE(answers().empty());
    simstub::ObjectState o = stub().object(1000).value();
    EXPECT_EQ(o.kind, simstub::ObjectKind::ai);
    EXPECT_EQ(o.title, "Test A320 DLH");
    EXPECT_EQ(o.tail, "DLH4AB");
    EXPECT_EQ(o.atcId, "");
    EXPECT_EQ(o.owner, conn);
    EXPECT_DOUBLE_EQ(o.pitch, 2.0 * M_PI / 180);
    EXPECT_DOUBLE_EQ(o.bank, -3.0 * M_PI / 180);
    EXPECT_DOUBLE_EQ(o.heading, 250.0 * M_PI / 180);
    EXPECT_EQ(o.airspeed, 12.0);
    EXPECT_EQ(o.verticalSpeed, 0.0);
    EXPECT_TRUE(o.simOnGround);
    stub().advance(499ms);
    EXPECT_TRUE(answers().empty());
    stub().advance(1ms);
    const std::vector<Bytes> added = answers();
    ASSERT_EQ(added.size(), 1U);
    EXPECT_EQ(raw::get32(added[0], 8), kObjectAddRemove);
    EXPECT_EQ(raw::get32(added[0], 16), 202U);
    EXPECT_EQ(raw::get32(added[0], 20), 1000U);
    EXPECT_EQ(stub().object(1000)->atcId, "");
    stub().advance(1s);
    EXPECT_EQ(stub().object(1000)->atcId, "DLH4AB");

    stub().setObjectType(10);
    stub().delayObjectAdded(0ms);
    EXPECT_EQ(createAi("Test A320 DLH", "DLH5CD"), 1001U);
    client.send(raw::removePacket(client, 1001));
    const std::vector<Bytes> removed = answers();
    ASSERT_EQ(removed.size(), 1U);
    EXPECT_EQ(raw::toHex(removed[0]), raw::toHex(raw::hex("1C 00 00 00  23 00 00 00  05 00 00 00"
                                                          "FF FF FF FF  CB 00 00 00  E9 03 00 00"
                                                          "0A 00 00 00")));
    EXPECT_FALSE(stub().object(1001).has_value());
}

TEST_F(Actions, WritesSetTheValuesAndRecordPositions) {
    const std::uint32_t id =
        createAi("Test A320 DLH", "DLH4AB", {50.04, 8.57, 364.0, 0, 0, 250, 1, 0});
    ASSERT_EQ(id, 1000U);
    stub().stepFrames(2);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(client.read().has_value()); // the frames
    }
    client.send(raw::setDataPacket(
        client, 402, id, 1, 64, raw::doubles({50.05, 8.58, 0.01, 0.02, 1.5, 2364.0, -5.0, 140.0})));
    client.send(raw::setDataPacket(client, 401, id, 1, 24, raw::doubles({100.0, 75.0, 74.5})));
    client.send(raw::setDataPacket(client, 409, 0, 1, 8, raw::hex("00 00 00 00 00 00 00 00")));
    EXPECT_TRUE(answers().empty());
    const simstub::ObjectState o = stub().object(id).value();
    EXPECT_EQ(o.latitude, 50.05);
    EXPECT_EQ(o.longitude, 8.58);
    EXPECT_EQ(o.pitch, 0.01);
    EXPECT_EQ(o.bank, 0.02);
    EXPECT_EQ(o.heading, 1.5);
    EXPECT_EQ(o.altitude, 2364.0);
    EXPECT_EQ(o.verticalSpeed, -5.0);
    EXPECT_EQ(o.airspeed, 140.0);
    EXPECT_FALSE(o.simOnGround); // 2000 ft above the ground after its first position write
    EXPECT_EQ(o.spoilerPercent, 100.0);
    EXPECT_EQ(o.throttle1Percent, 75.0);
    EXPECT_EQ(o.throttle2Percent, 74.5);
    EXPECT_FALSE(stub().object(1)->onGround);

    const std::vector<simstub::WriteRecord> writes = stub().writes(id);
    ASSERT_EQ(writes.size(), 2U);
    EXPECT_EQ(writes[0].definitionId, 402U);
    EXPECT_EQ(writes[0].frame, 2U);
    EXPECT_EQ(writes[0].values.number("Plane Altitude"), 2364.0);
    EXPECT_EQ(writes[1].values.format(),
              "SPOILERS HANDLE POSITION=100 GENERAL ENG THROTTLE LEVER POSITION:1=75 "
              "GENERAL ENG THROTTLE LEVER POSITION:2=74.5");
    const std::vector<simstub::PositionRecord> positions = stub().positions(id);
    ASSERT_EQ(positions.size(), 1U);
    EXPECT_EQ(positions[0].latitude, 50.05);
    EXPECT_EQ(positions[0].heading, 1.5);
    EXPECT_EQ(stub().writes(1).size(), 1U);
    EXPECT_TRUE(stub().positions(1).empty());

    // The 401 values are what definition 401 reads back.
    client.send(raw::requestPacket(client, 170, 401, id, 1));
    const std::vector<Bytes> got = answers();
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(got[0].substr(40), raw::doubles({100.0, 75.0, 74.5}));
}

TEST_F(Actions, ClientEventsAreRecordedAndApplied) {
    const std::uint32_t id = createAi("Test A320 DLH", "DLH4AB");
    struct Step {
        std::uint32_t event;
        std::uint32_t data;
    };
    const Step steps[] = {{215, 1}, {216, 1},    {217, 1},     {208, 1},    {207, 1}, {211, 5},
                          {209, 0}, {210, 1},    {213, 1},     {212, 1},    {212, 0}, {214, 0},
                          {220, 1}, {218, 3072}, {219, 16383}, {223, 4914}, {221, 0}, {216, 0}};
    for (const Step& s : steps) {
        client.send(raw::transmitPacket(client, id, s.event, s.data));
    }
    client.send(raw::releasePacket(client, id));
    EXPECT_TRUE(answers().empty());
    const simstub::ObjectState o = stub().object(id).value();
    EXPECT_TRUE(o.frozenLatLon);
    EXPECT_FALSE(o.frozenAltitude);
    EXPECT_TRUE(o.frozenAttitude);
    // nav, beacon, landing, strobes, logo on, then all seven toggled.
    EXPECT_EQ(o.lights, 0x7FU ^ (1U | 2U | 4U | 16U | 32U));
    EXPECT_EQ(o.gear, 1U);
    EXPECT_EQ(o.flaps, 3072U);
    EXPECT_EQ(o.spoilers, 16383U);
    EXPECT_EQ(o.throttle, 4914U);
    EXPECT_TRUE(o.engines);
    EXPECT_TRUE(o.released);
    const std::vector<simstub::EventRecord> events = stub().events(id);
    ASSERT_EQ(events.size(), std::size(steps) + 1);
    EXPECT_EQ(events[0].name, "FREEZE_LATITUDE_LONGITUDE_SET");
    EXPECT_EQ(events[0].group, 301U);
    EXPECT_EQ(events[15].name, "THROTTLE_SET");
    EXPECT_EQ(events[15].data, 4914U);
    EXPECT_EQ(events.back().name, "AIReleaseControl");
    EXPECT_EQ(events.back().data, 103U);

    client.send(raw::transmitPacket(client, id, 222, 0));
    EXPECT_TRUE(answers().empty());
    EXPECT_FALSE(stub().object(id)->engines);
}

} // namespace

// The parked traffic around the park airport against the stand-in: the request, each record
// completed from the aircraft database and filtered, the ages, the order, one record per stand
// and callsign, and every failure with its result and lines.
#include "feed/rt_parked.h"
#include "reader_fixture.h"

#include "core/exceptions.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "support/rtstub/records.h"

#include <fmt/format.h>

#include <numbers>
#include <optional>

namespace {

using nlohmann::json;
using rtstub::ParkedRecordBuilder;
using rtstub::Reply;

// Wed Dec 10 12:00:00 2025 is half hour 24.
constexpr double kNow = ksb::test::kTestNow;

class ParkedTrafficTest : public ksb::test::ReaderFixture {
protected:
    ParkedTrafficTest() { arrange(); }

    void restart() {
        ReaderFixture::restart();
        arrange();
    }

    void arrange() {
        setPark({"EHAM", 52.308613, 4.763889});
        for (const auto& [type, category] : std::vector<std::pair<std::string, int>>{{"A320", 2},
                                                                                     {"A20N", 2},
                                                                                     {"A319", 2},
                                                                                     {"B744", 3},
                                                                                     {"A388", 3},
                                                                                     {"B763", 3},
                                                                                     {"B752", 2},
                                                                                     {"B738", 2},
                                                                                     {"E190", 2},
                                                                                     {"A321", 2},
                                                                                     {"B77W", 3},
                                                                                     {"A333", 3},
                                                                                     {"CRJ9", 2},
                                                                                     {"DH8D", 2},
                                                                                     {"LJ45", 1},
                                                                                     {"C172", 0},
                                                                                     {"EC35", 5},
                                                                                     {"F16", 4}}) {
            neighbours_.addType(type, category);
        }
        neighbours_.addRegistration("G-EZAC", DbaseRecord{"EZY", "A20N", "", false});
        neighbours_.addRegistration("G-EZAD", DbaseRecord{"EZY", "A319", "EJU", false});
        neighbours_.addRegistration("D-AIPA", DbaseRecord{"DLH", "A388", "", false});
        neighbours_.addRegistration("PH-BXA", DbaseRecord{"KLM", "ZZZZ", "", false});
    }

    // One answer with the members given, parsed into the parked records.
    bool fetch(const json& data) {
        stub_.script("parked", Reply::json(json{{"status", 200}, {"data", data}}.dump()));
        return gf_rtGetParkedTraffic();
    }

    std::vector<std::string> plainLines() const {
        std::vector<std::string> result;
        for (const std::string& line : log_.body()) {
            if (!line.starts_with(logPrefix)) {
                result.push_back(line);
            }
        }
        return result;
    }
};

TEST_F(ParkedTrafficTest, AsksForTheBoxAroundTheParkAirportAndKeepsTheSampleTraffic) {
    login();
    gf_rtSetTimeOffset(30);

    EXPECT_TRUE(gf_rtGetParkedTraffic());

    const auto parked = requestsOf("parked");
    ASSERT_EQ(parked.size(), 1u);
    EXPECT_EQ(parked[0].body, "GUID=G-42&top=52.36&bottom=52.26&left=4.68&right=4.85&"
                              "querytype=parkedtraffic&toffset=30");
    EXPECT_EQ(parked[0].fault, "");
    const ksb::QueryBox& box = rtTrafficClient.parkedQueryBox;
    const Position park{52.308613, 4.763889};
    EXPECT_DOUBLE_EQ(box.top, 52.308613 + 0.04996402877697842);
    EXPECT_DOUBLE_EQ(box.bottom, 52.308613 - 0.04996402877697842);
    EXPECT_DOUBLE_EQ(box.left,
                     gf_destinationPoint(park, -std::numbers::pi / 2, 18228.34647).longitude);
    EXPECT_DOUBLE_EQ(box.right,
                     gf_destinationPoint(park, std::numbers::pi / 2, 18228.34647).longitude);
    // The stand-in's ten aircraft, last seen 0 to 9 half hours ago (30 minutes of time offset
    // put them one half hour further back), youngest first.
    std::vector<std::int32_t> ages;
    std::vector<std::string> stands;
    for (const ParkedFlight& flight : rtTrafficClient.parkedRecords) {
        ages.push_back(flight.age);
        stands.push_back(flight.stand);
    }
    EXPECT_EQ(ages, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(stands, (std::vector<std::string>{"S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8",
                                                "S9", "S10"}));
    EXPECT_EQ(warnings(), std::vector<std::string>{});
}

struct MappingCase {
    const char* name;
    json record;
    std::string airline;
    std::string type;
    std::string callsign;
    std::string registration;
    std::vector<std::string> lookups;
};

std::vector<MappingCase> lf_mappingCases() {
    const auto rec = [] { return ParkedRecordBuilder(); };
    return {
        {"no database hit", rec().json(), "", "A320", "EZY12AB", "G-EZAB", {"G-EZAB"}},
        {"hit without operator",
         rec().set(4, "G-EZAC").json(),
         "EZY",
         "A20N",
         "EZY12AB",
         "G-EZAC",
         {"G-EZAC"}},
        {"hit with operator",
         rec().set(4, "G-EZAD").json(),
         "EJU",
         "A319",
         "EZY12AB",
         "G-EZAD",
         {"G-EZAD"}},
        {"hit through a spelling",
         rec().set(4, "DAIPA").set(3, "0").json(),
         "DLH",
         "A388",
         "EZY12AB",
         "DAIPA",
         {"DAIPA", "D-AIPA"}},
        {"a hit gives an empty callsign the registration",
         rec().set(4, "G-EZAC").set(6, "null").json(),
         "EZY",
         "A20N",
         "G-EZAC",
         "G-EZAC",
         {"G-EZAC"}},
        {"leading dot", rec().set(6, ".EZY12").json(), "", "A320", "EZY12", "G-EZAB", {"G-EZAB"}},
        {"only one leading dot",
         rec().set(6, "..EZY12").json(),
         "",
         "A320",
         ".EZY12",
         "G-EZAB",
         {"G-EZAB"}},
        {"callsign null", rec().set(6, "null").json(), "", "A320", "", "G-EZAB", {"G-EZAB"}},
        {"callsign with @", rec().set(6, "EZY@12").json(), "", "A320", "", "G-EZAB", {"G-EZAB"}},
        {"callsign with 00000",
         rec().set(6, "X000001").json(),
         "",
         "A320",
         "",
         "G-EZAB",
         {"G-EZAB"}},
        {"callsign of 9 characters",
         rec().set(6, "EZY12ABCD").json(),
         "",
         "A320",
         "",
         "G-EZAB",
         {"G-EZAB"}},
        {"callsign of 8 characters",
         rec().set(6, "EZY12ABC").json(),
         "",
         "A320",
         "EZY12ABC",
         "G-EZAB",
         {"G-EZAB"}},
        {"callsign a number", rec().set(6, 12).json(), "", "A320", "", "G-EZAB", {"G-EZAB"}},
        {"callsign missing",
         json::array({51.4706, -0.4619, "S12", "A320", "G-EZAB", 1765368000}),
         "",
         "A320",
         "",
         "G-EZAB",
         {"G-EZAB"}},
        {"A380", rec().set(3, "A380").json(), "", "A388", "EZY12AB", "G-EZAB", {"G-EZAB"}},
        {"B767", rec().set(3, "B767").json(), "", "B763", "EZY12AB", "G-EZAB", {"G-EZAB"}},
        {"B747", rec().set(3, "B747").json(), "", "B744", "EZY12AB", "G-EZAB", {"G-EZAB"}},
        {"B757", rec().set(3, "B757").json(), "", "B752", "EZY12AB", "G-EZAB", {"G-EZAB"}},
        {"registration of 13 characters",
         rec().set(4, "G-EZABCDEFGHI").json(),
         "",
         "A320",
         "EZY12AB",
         "",
         {}},
        {"registration of 12 characters",
         rec().set(4, "G-EZABCDEFGH").json(),
         "",
         "A320",
         "EZY12AB",
         "G-EZABCDEFGH",
         {"G-EZABCDEFGH"}},
        {"registration null", rec().set(4, "null").json(), "", "A320", "EZY12AB", "", {}},
        {"registration a number", rec().set(4, 12).json(), "", "A320", "EZY12AB", "", {}},
        {"an eighth element",
         rec().extraElement().json(),
         "",
         "A320",
         "EZY12AB",
         "G-EZAB",
         {"G-EZAB"}},
    };
}

TEST_F(ParkedTrafficTest, EachRecordIsCompletedFromTheDatabase) {
    for (const MappingCase& c : lf_mappingCases()) {
        SCOPED_TRACE(c.name);
        restart();
        login();

        ASSERT_TRUE(fetch(json{{"4b1a2c", c.record}}));

        ASSERT_EQ(rtTrafficClient.parkedRecords.size(), 1u);
        const ParkedFlight& flight = rtTrafficClient.parkedRecords[0];
        EXPECT_EQ(flight.airline, c.airline);
        EXPECT_EQ(flight.type, c.type);
        EXPECT_EQ(flight.callsign, c.callsign);
        EXPECT_EQ(flight.registration, c.registration);
        EXPECT_EQ(flight.stand, "S12");
        EXPECT_EQ(flight.flightId, 0x4b1a2cu);
        EXPECT_DOUBLE_EQ(flight.latitude, 51.4706);
        EXPECT_DOUBLE_EQ(flight.longitude, -0.4619);
        EXPECT_EQ(flight.age, 0);
        EXPECT_EQ(flight.departure, "");
        EXPECT_EQ(flight.destination, "");
        EXPECT_EQ(flight.firstReceivedCallsign, "");
        EXPECT_EQ(flight.coupledCallsign, "");
        EXPECT_FALSE(flight.coupledSearchDone);
        EXPECT_EQ(neighbours_.lookups(), c.lookups);
    }
}

struct FilterCase {
    const char* name;
    std::string key;
    json record;
    bool kept;
    std::vector<std::string> lines; // plain lines
    bool light = false, helicopters = false, highPerformance = false;
    std::string reservedStand{};
    std::string standAtUser{};
};

std::vector<FilterCase> lf_filterCases() {
    const auto rec = [] { return ParkedRecordBuilder(); };
    const json good = rec().json();
    return {
        {"a good record", "4b1a2c", good, true, {}},
        {"id 10000", "2710", good, false, {}},
        {"id 10001", "2711", good, true, {}},
        {"id in capitals", "4B1A2C", good, true, {}},
        {"id of 9 digits", "04b1a2c00", good, false, {}},
        {"id not hexadecimal", "4b1x2c", good, false, {}},
        {"whole-number position", "4b1a2c", rec().set(0, 52).set(1, 5).json(), true, {}},
        {"latitude a text", "4b1a2c", rec().set(0, "51.47").json(), false, {}},
        {"longitude missing",
         "4b1a2c",
         json::array({51.4706}),
         false,
         {"exception in processLine: [json.exception.type_error.302] type must be number, but "
          "is null"}},
        {"near 0/0", "4b1a2c", rec().set(0, 0.0005).set(1, 0.01).json(), false, {}},
        {"latitude beyond 90", "4b1a2c", rec().set(0, 90.5).json(), false, {}},
        {"longitude beyond -180", "4b1a2c", rec().set(1, -180.5).json(), false, {}},
        {"unknown type", "4b1a2c", rec().set(3, "XXXX").json(), false, {}},
        {"no type", "4b1a2c", rec().set(3, "ZZZZ").json(), false, {}},
        {"a database type unknown", "4b1a2c", rec().set(4, "PH-BXA").json(), false, {}},
        {"buzjet", "4b1a2c", rec().set(3, "LJ45").json(), true, {}},
        {"heavy", "4b1a2c", rec().set(3, "B77W").json(), true, {}},
        {"light without LIGHT_AIRCRAFT", "4b1a2c", rec().set(3, "C172").json(), false, {}},
        {"light with LIGHT_AIRCRAFT", "4b1a2c", rec().set(3, "C172").json(), true, {}, true},
        {"rotorcraft without HELICOPTERS",
         "4b1a2c",
         rec().set(3, "EC35").json(),
         false,
         {},
         true,
         false,
         true},
        {"rotorcraft with HELICOPTERS",
         "4b1a2c",
         rec().set(3, "EC35").json(),
         true,
         {},
         false,
         true},
        {"high performance without HIGH_PERF_AIRCRAFT",
         "4b1a2c",
         rec().set(3, "F16").json(),
         false,
         {},
         true,
         true,
         false},
        {"high performance with HIGH_PERF_AIRCRAFT",
         "4b1a2c",
         rec().set(3, "F16").json(),
         true,
         {},
         false,
         false,
         true},
        {"stand a number", "4b1a2c", rec().set(2, 12).json(), false, {}},
        {"stand null", "4b1a2c", rec().set(2, nullptr).json(), false, {}},
        {"the reserved stand", "4b1a2c", good, false, {}, false, false, false, "S12"},
        {"another reserved stand", "4b1a2c", good, true, {}, false, false, false, "S13"},
        {"the stand at the user's position",
         "4b1a2c",
         good,
         false,
         {},
         false,
         false,
         false,
         "",
         "S12"},
        {"an empty stand while the user is off any stand",
         "4b1a2c",
         rec().set(2, "").json(),
         true,
         {}},
        {"last seen a text",
         "4b1a2c",
         rec().set(5, "1765368000").json(),
         false,
         {"exception in processLine: [json.exception.type_error.302] type must be number, but "
          "is string"}},
        {"last seen after 2100",
         "4b1a2c",
         rec().set(5, 4102444801.0).json(),
         false,
         {"exception in processLine: [json.exception.out_of_range.406] last seen 4102444801 out "
          "of range"}},
        {"last seen before 1970",
         "4b1a2c",
         rec().set(5, -1).json(),
         false,
         {"exception in processLine: [json.exception.out_of_range.406] last seen -1 out of "
          "range"}},
        {"last seen in 2100 exactly", "4b1a2c", rec().set(5, 4102444800.0).json(), true, {}},
        {"not an array",
         "4b1a2c",
         json{{"lat", 51.4706}},
         false,
         {"exception in processLine: [json.exception.type_error.302] type must be array, but is "
          "object"}},
    };
}

TEST_F(ParkedTrafficTest, RecordsAreFilteredByIdPositionTypeCategoryAndStand) {
    for (const FilterCase& c : lf_filterCases()) {
        SCOPED_TRACE(c.name);
        restart();
        login();
        LIGHT_AIRCRAFT.setRaw(c.light);
        HELICOPTERS.setRaw(c.helicopters);
        HIGH_PERF_AIRCRAFT.setRaw(c.highPerformance);
        neighbours_.setReservedStand(c.reservedStand);
        neighbours_.setStandAtUser(c.standAtUser);
        const std::size_t linesBefore = plainLines().size();

        EXPECT_TRUE(fetch(json{{c.key, c.record}}));

        EXPECT_EQ(rtTrafficClient.parkedRecords.size(), c.kept ? 1u : 0u);
        const std::vector<std::string> all = plainLines();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(linesBefore), all.end()),
                  c.lines);
    }
}

TEST_F(ParkedTrafficTest, TheStandAtTheUserIsAskedForTheUserPosition) {
    login();
    neighbours_.setUser({52.31, 4.76, 0.0});
    fetch(json{{"4b1a2c", ParkedRecordBuilder().json()}});
    const auto queries = neighbours_.standQueries();
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_DOUBLE_EQ(queries[0].latitude, 52.31);
    EXPECT_DOUBLE_EQ(queries[0].longitude, 4.76);
}

// A record on its own stand, last seen at the UTC time.
json lf_seenAt(double seconds, const std::string& stand) {
    return ParkedRecordBuilder().set(2, stand).set(5, seconds).set(6, "C" + stand).json();
}

TEST_F(ParkedTrafficTest, AgesCountHalfHoursBackAcrossMidnightUpToMaxFit) {
    struct Case {
        const char* name;
        int maxFit;
        bool parkTrafficOnly;
        std::vector<std::string> stands; // kept, youngest first
        std::vector<std::int32_t> ages;
    };
    const Case cases[] = {
        {"all ages", 47, false, {"a", "b", "c", "d"}, {0, 4, 5, 47}},
        {"MAX_FIT 4", 4, false, {"a", "b"}, {0, 4}},
        {"MAX_FIT 0", 0, false, {"a"}, {0}},
        {"MAX_FIT 4 with RT_PARKTRAFFIC_ONLY", 4, true, {"a", "b", "c", "d"}, {0, 4, 5, 47}},
    };
    // Now: Thu Dec 11 01:10:00 2025, half hour 2.
    const double now = kNow + 13.0 * 3600.0 + 600.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        login();
        clock_.setUtcSeconds(now);
        MAX_FIT.setRaw(c.maxFit);
        RT_PARKTRAFFIC_ONLY.setRaw(c.parkTrafficOnly);

        ASSERT_TRUE(fetch(json{
            {"4b0001", lf_seenAt(now - 3600.0 * 2.5, "c")}, // 22:40, half hour 45: age 5
            {"4b0002", lf_seenAt(now - 3600.0 * 2.0, "b")}, // 23:10, half hour 46: age 4
            {"4b0003", lf_seenAt(now - 10.0, "a")},         // half hour 2: age 0
            {"4b0004", lf_seenAt(now + 3600.0 * 0.5, "d")}, // 01:40, half hour 3: age 47
        }));

        std::vector<std::string> stands;
        std::vector<std::int32_t> ages;
        for (const ParkedFlight& flight : rtTrafficClient.parkedRecords) {
            stands.push_back(flight.stand);
            ages.push_back(flight.age);
        }
        EXPECT_EQ(stands, c.stands);
        EXPECT_EQ(ages, c.ages);
    }
}

TEST_F(ParkedTrafficTest, DuringATimeShiftNowIsTheTimeOfTheTraffic) {
    login();
    timeShiftActive.store(true);
    lastFeedTimeStamp.store(kNow - 5.0 * 3600.0); // 07:00, half hour 14

    ASSERT_TRUE(fetch(json{{"4b0001", lf_seenAt(kNow - 6.0 * 3600.0, "a")}})); // 06:00, 12

    ASSERT_EQ(rtTrafficClient.parkedRecords.size(), 1u);
    EXPECT_EQ(rtTrafficClient.parkedRecords[0].age, 2);
}

TEST_F(ParkedTrafficTest, TheYoungestRecordOfEachStandAndCallsignIsKept) {
    login();
    const auto record = [](const std::string& stand, const std::string& callsign, int age) {
        return ParkedRecordBuilder()
            .set(2, stand)
            .set(6, callsign)
            .set(5, kNow - age * 1800.0)
            .json();
    };
    ASSERT_TRUE(fetch(json{
        {"4b0001", record("S1", "OLD1", 3)}, // an older record on S1
        {"4b0002", record("S1", "NEW1", 1)}, // kept
        {"4b0003", record("S2", "NEW1", 2)}, // the callsign of a younger record
        {"4b0004", record("S3", "null", 2)}, // no callsign: kept
        {"4b0005", record("S4", "null", 2)}, // no callsign: kept, after 4b0004 (same age)
        {"4b0006", record("", "E1", 0)},     // kept
        {"4b0007", record("", "E2", 1)},     // the same empty stand name
        {"4b0008", record("S5", "OLD1", 4)}, // OLD1 was left out, so its callsign is free
    }));

    std::vector<std::uint32_t> ids;
    std::vector<std::int32_t> ages;
    for (const ParkedFlight& flight : rtTrafficClient.parkedRecords) {
        ids.push_back(flight.flightId);
        ages.push_back(flight.age);
    }
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{0x4b0006, 0x4b0002, 0x4b0004, 0x4b0005, 0x4b0008}));
    EXPECT_EQ(ages, (std::vector<std::int32_t>{0, 1, 2, 2, 4}));
}

TEST_F(ParkedTrafficTest, EveryFailureReturnsFalseWithEmptyRecordsAndItsLines) {
    const std::string notJson =
        "HTTP 502, answer is not JSON (24 bytes): <html>Bad gateway</html> - "
        "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
        "parsing value - invalid literal; last read: '<'";
    struct Case {
        const char* name;
        std::optional<Reply> reply; // nullopt: see below
        bool result;
        std::vector<std::string> lines;
        std::string exception;
    };
    const Case cases[] = {
        {"200 without data", Reply::json(R"({"status":200,"data":null})"), true, {}, ""},
        {"400",
         Reply::json(R"({"status":400,"message":"bad box"})"),
         false,
         {},
         "sys error 400: RT API parameter fault"},
        {"401",
         Reply::json(R"({"status":401})"),
         false,
         {"RT Parked traffic: re-authentication to RT API is needed KSBY_P3D"},
         ""},
        {"503",
         Reply::http(503, R"({"status":503})"),
         false,
         {"RT parkedtraffic error status: 503"},
         ""},
        {"status missing",
         Reply::json(R"({"data":{}})"),
         false,
         {"RT parkedtraffic error status: 100"},
         ""},
        {"data of the wrong kind",
         Reply::json(R"({"status":200,"data":[[51.47,-0.46]]})"),
         false,
         {"parkedtraffic exception: [json.exception.type_error.302] type must be object, but is "
          "array",
          "RT parkedtraffic error status: 200"},
         ""},
        {"not JSON",
         Reply::http(502, "<html>Bad gateway</html>"),
         false,
         {"parkedtraffic exception: " + notJson, "RT parkedtraffic error status: 0"},
         ""},
        {"closed connection",
         Reply::drop(),
         false,
         {"<now> curl parkedtraffic code_pt: Transferred a partial file",
          "RT parkedtraffic error status: 0"},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        login();
        rtTrafficClient.parkedRecords.assign(3, ParkedFlight{});
        const std::size_t linesBefore = warnings().size();
        stub_.script("parked", *c.reply);

        bool result = !c.result;
        std::string exception;
        try {
            result = gf_rtGetParkedTraffic();
        } catch (const ksb::SysErrorException& e) {
            exception = e.what();
        }

        EXPECT_EQ(exception, c.exception);
        if (c.exception.empty()) {
            EXPECT_EQ(result, c.result);
        }
        EXPECT_TRUE(rtTrafficClient.parkedRecords.empty());
        std::vector<std::string> expected;
        for (std::string line : c.lines) {
            if (line.starts_with("<now>")) {
                line.replace(0, 5, nowText());
            }
            expected.push_back(line);
        }
        const std::vector<std::string> all = warnings();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(linesBefore), all.end()),
                  expected);
    }
}

TEST_F(ParkedTrafficTest, WithoutAHandleOrALoginTheFetchFailsWithStatus0) {
    login();
    rtTrafficClient.parkedRecords.assign(2, ParkedFlight{});
    ksb::gf_rtSetHandleFactory([]() -> CURL* { return nullptr; });
    EXPECT_FALSE(gf_rtGetParkedTraffic());
    EXPECT_TRUE(rtTrafficClient.parkedRecords.empty());
    ksb::gf_rtSetHandleFactory(nullptr);

    rtTrafficClient.setGuid({});
    rtTrafficClient.parkedRecords.assign(2, ParkedFlight{});
    EXPECT_FALSE(gf_rtGetParkedTraffic());
    EXPECT_TRUE(rtTrafficClient.parkedRecords.empty());

    EXPECT_EQ(warnings(),
              (std::vector<std::string>{"curl init error ?", "RT parkedtraffic error status: 0",
                                        "RT parkedtraffic error status: 0"}));
    EXPECT_EQ(requestsOf("parked").size(), 0u);
}

TEST_F(ParkedTrafficTest, AnExitDuringTheRequestAbortsItWithoutALine) {
    login();
    rtTrafficClient.parkedRecords.assign(2, ParkedFlight{});
    stub_.script("parked", Reply::delayed(600000, Reply::model()));
    stub_.onRequest([this](const rtstub::RequestRecord&) {
        exitRequested_.store(true);
        ksb::gf_wakeSleepers();
    });

    EXPECT_FALSE(gf_rtGetParkedTraffic());

    stub_.onRequest({});
    EXPECT_TRUE(rtTrafficClient.parkedRecords.empty());
    EXPECT_EQ(warnings(), std::vector<std::string>{});
    // The Traffic Reader's own stop flag does not abort the engine's request.
    exitRequested_.store(false);
    rtTrafficClient.stopFlag.store(true);
    EXPECT_TRUE(gf_rtGetParkedTraffic());
    EXPECT_EQ(rtTrafficClient.parkedRecords.size(), 10u);
}

} // namespace

// One live record into a LiveFlight: the field mapping, every filter, the altitude rules, the
// JSON types the service really sends, the block notices and the collected flights.
#include "feed/process_line.h"

#include "feed/rt_request.h"

#include "core/globals.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "feed_fixture.h"

#include "support/rtstub/records.h"

#include <cmath>
#include <functional>
#include <optional>

namespace {

using ksb::FeedContext;
using nlohmann::json;
using rtstub::LiveRecordBuilder;
using rtstub::WrongType;

constexpr double kRad = 0.017453292519943295;

// The example record stands at the reference position, near the park airport.
FeedContext lf_baseContext() {
    FeedContext context;
    context.reference = Position{51.4706, -0.4619};
    context.liveRange = 40.0;
    context.qnh = 1013;
    context.parkIcao = "EGLL";
    context.parkPosition = Position{51.4700, -0.4543};
    return context;
}

class ProcessLineTest : public ksb::test::FeedFixture {
protected:
    ksb::RtTrafficClient client_;

    // The flight appended for the record, if any.
    std::optional<LiveFlight> parse(const json& record, const FeedContext& context) {
        const std::size_t before = client_.liveRecords.size();
        processLine(client_, record, context);
        if (client_.liveRecords.size() == before) {
            return std::nullopt;
        }
        EXPECT_EQ(client_.liveRecords.size(), before + 1);
        return client_.liveRecords.back();
    }
    std::optional<LiveFlight> parse(const LiveRecordBuilder& record) {
        return parse(record.json(), lf_baseContext());
    }
};

TEST_F(ProcessLineTest, MapsEveryFieldOfTheExampleRecord) {
    const auto flight = parse(LiveRecordBuilder());
    ASSERT_TRUE(flight);
    EXPECT_EQ(flight->flightId, 0x4b1a2cu);
    EXPECT_DOUBLE_EQ(flight->latitude, 51.4706);
    EXPECT_DOUBLE_EQ(flight->longitude, -0.4619);
    EXPECT_DOUBLE_EQ(flight->track, 271.0);
    EXPECT_DOUBLE_EQ(flight->altitude, 3200.0);
    EXPECT_TRUE(flight->airborne);
    EXPECT_DOUBLE_EQ(flight->groundSpeed, 185.0);
    EXPECT_EQ(flight->type, "A320");
    EXPECT_EQ(flight->registration, "G-EZAB");
    EXPECT_DOUBLE_EQ(flight->timeStamp, 1765368000.5);
    EXPECT_EQ(flight->departure, "EGLL");
    EXPECT_EQ(flight->destination, "LFPG");
    EXPECT_EQ(flight->callsign, "EZY12AB");
    EXPECT_EQ(flight->airline, "");
    EXPECT_DOUBLE_EQ(flight->verticalRate, 1200.0);
    EXPECT_DOUBLE_EQ(flight->trueAirspeed, 210.0);
    EXPECT_TRUE(flight->bankValid);
    EXPECT_DOUBLE_EQ(flight->bank, -4.5 * kRad);
    EXPECT_TRUE(flight->trueHeadingValid);
    EXPECT_TRUE(flight->trueHeadingFlag);
    EXPECT_DOUBLE_EQ(flight->trueHeading, 268.9 * kRad);
    EXPECT_FALSE(flight->repeated);
    EXPECT_DOUBLE_EQ(lastFeedTimeStamp.load(), 1765368000.5);
    EXPECT_TRUE(log_.body().empty());
}

struct KeepCase {
    const char* name;
    std::function<void(LiveRecordBuilder&, FeedContext&)> change;
    bool kept;
};

TEST_F(ProcessLineTest, FiltersDropOrPassRecords) {
    const KeepCase cases[] = {
        {"example", [](auto&, auto&) {}, true},
        {"no registration, letter F", [](auto& r, auto&) { r.set(9, "").set(7, "F"); }, false},
        {"registration \"null\", letter F", [](auto& r, auto&) { r.set(9, "null").set(7, "F"); },
         false},
        {"no registration, letter A, callsign", [](auto& r, auto&) { r.set(9, ""); }, true},
        {"no registration, no callsign", [](auto& r, auto&) { r.set(9, "").set(13, ""); }, false},
        {"category B1", [](auto& r, auto&) { r.set(28, "B1"); }, false},
        {"category B2", [](auto& r, auto&) { r.set(28, "B2"); }, false},
        {"category B4", [](auto& r, auto&) { r.set(28, "B4"); }, false},
        {"category C1", [](auto& r, auto&) { r.set(28, "C1"); }, false},
        {"category C2", [](auto& r, auto&) { r.set(28, "C2"); }, false},
        {"category B3", [](auto& r, auto&) { r.set(28, "B3"); }, true},
        {"type GRND", [](auto& r, auto&) { r.set(8, "GRND"); }, false},
        {"type GLID", [](auto& r, auto&) { r.set(8, "GLID"); }, false},
        {"type SERV", [](auto& r, auto&) { r.set(8, "SERV"); }, false},
        {"type BALL", [](auto& r, auto&) { r.set(8, "BALL"); }, false},
        {"type PARA", [](auto& r, auto&) { r.set(8, "PARA"); }, false},
        {"type SHIP", [](auto& r, auto&) { r.set(8, "SHIP"); }, false},
        {"latitude 90.1",
         [](auto& r, auto& c) {
             r.set(1, 90.1);
             c.liveRange = 1e9;
         },
         false},
        {"latitude -90.1",
         [](auto& r, auto& c) {
             r.set(1, -90.1);
             c.liveRange = 1e9;
         },
         false},
        {"longitude 180.1",
         [](auto& r, auto& c) {
             r.set(2, 180.1);
             c.liveRange = 1e9;
         },
         false},
        {"longitude -180.1",
         [](auto& r, auto& c) {
             r.set(2, -180.1);
             c.liveRange = 1e9;
         },
         false},
        {"near 0/0",
         [](auto& r, auto& c) {
             r.set(1, 0.0005).set(2, 0.04);
             c.reference = Position{0.0005, 0.04};
         },
         false},
        {"beyond the live range",
         [](auto&, auto& c) {
             c.reference = Position{52.2, -0.4619};
         },
         false},
        {"within the live range",
         [](auto&, auto& c) {
             c.reference = Position{51.9, -0.4619};
         },
         true},
        {"true heading 360.01", [](auto& r, auto&) { r.set(25, 360.01); }, false},
        {"towing prefix", [](auto& r, auto&) { r.set(13, "TOW 12"); }, false},
        {"TOW and a letter", [](auto& r, auto&) { r.set(13, "TOWER1"); }, true},
        {"ERARMTR0", [](auto& r, auto&) { r.set(13, "ERARMTR0"); }, false},
        {"no time stamp", [](auto& r, auto&) { r.set(10, nullptr); }, false},
        {"ground speed missing, airborne", [](auto& r, auto&) { r.set(5, nullptr); }, false},
        {"ground speed missing, baro missing, second altitude above 0",
         [](auto& r, auto&) { r.set(5, nullptr).set(4, nullptr); }, false},
        {"ground speed and altitudes missing: standing near the park airport",
         [](auto& r, auto&) { r.set(5, nullptr).set(4, nullptr).set(18, nullptr); }, true},
        {"on the ground without a park airport",
         [](auto& r, auto& c) {
             r.set(5, 10);
             c.parkIcao.clear();
         },
         false},
        {"on the ground 5 NM from the park airport",
         [](auto& r, auto& c) {
             r.set(5, 10);
             c.parkPosition = Position{51.4706 + 5.0 / 60.0 - 0.0001, -0.4619};
         },
         true},
        {"on the ground beyond 5 NM from the park airport",
         [](auto& r, auto& c) {
             r.set(5, 10);
             c.parkPosition = Position{51.4706 + 5.0 / 60.0 + 0.0001, -0.4619};
         },
         false},
        {"30000 ft at 30 kt far from the park airport",
         [](auto& r, auto& c) {
             r.set(4, 30000).set(5, 30);
             c.parkPosition = Position{52.4706, -0.4619};
         },
         false},
    };
    for (const KeepCase& c : cases) {
        SCOPED_TRACE(c.name);
        LiveRecordBuilder record;
        FeedContext context = lf_baseContext();
        c.change(record, context);
        EXPECT_EQ(parse(record.json(), context).has_value(), c.kept);
    }
    EXPECT_TRUE(log_.body().empty());
}

TEST_F(ProcessLineTest, ReadsFlightIdsOnlyFromWholeHexTexts) {
    struct Case {
        const char* name;
        json text;
        std::optional<std::uint32_t> id;
    };
    const Case cases[] = {
        {"six digits", "4b1a2c", 0x4b1a2cu},
        {"upper case", "4B1A2C", 0x4b1a2cu},
        {"eight digits", "ffffffff", 0xffffffffu},
        {"10001", "2711", 10001u},
        {"10000", "2710", std::nullopt},
        {"nine digits", "123456789", std::nullopt},
        {"0x prefix", "0x4b1a2c", std::nullopt},
        {"sign", "+4b1a2c", std::nullopt},
        {"minus", "-4b1a2c", std::nullopt},
        {"trailing blank", "4b1a2c ", std::nullopt},
        {"trailing letter", "4b1a2g", std::nullopt},
        {"empty", "", std::nullopt},
        {"null text", "null", std::nullopt},
        {"a number", 4922924, std::nullopt},
        {"null", nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto flight = parse(LiveRecordBuilder().set(0, c.text));
        ASSERT_EQ(flight.has_value(), c.id.has_value());
        if (flight) {
            EXPECT_EQ(flight->flightId, *c.id);
        }
    }
}

TEST_F(ProcessLineTest, CorrectsAltitudeForQnhAndDecidesOnTheGround) {
    struct Case {
        const char* name;
        json baro;
        json second;
        json speed;
        std::int32_t qnh;
        std::optional<double> elevation;
        double altitude;
    };
    const Case cases[] = {
        {"QNH 1023 adds 300 ft", 1000, nullptr, 200, 1023, std::nullopt, 1300.0},
        {"QNH 980 brings 500 ft below 0", 500, nullptr, 200, 980, std::nullopt, 0.0},
        {"200 ft at 100 kt without elevation", 200, nullptr, 100, 1013, std::nullopt, 200.0},
        {"30000 ft at 30 kt", 30000, nullptr, 30, 1013, std::nullopt, 0.0},
        {"35 kt at 3000 ft", 3000, nullptr, 35, 1013, std::nullopt, 0.0},
        {"36 kt at 3000 ft", 3000, nullptr, 36, 1013, std::nullopt, 3000.0},
        {"14000 ft is above the height rules", 14000, nullptr, 40, 1013, 14000.0, 14000.0},
        {"below the park elevation", 4000, nullptr, 200, 1013, 5000.0, 0.0},
        {"45 ft above at 120 kt", 145, nullptr, 120, 1013, 100.0, 0.0},
        {"45 ft above at 121 kt", 145, nullptr, 121, 1013, 100.0, 145.0},
        {"90 ft above at 80 kt", 190, nullptr, 80, 1013, 100.0, 0.0},
        {"90 ft above at 81 kt", 190, nullptr, 81, 1013, 100.0, 190.0},
        {"120 ft above at 43 kt", 220, nullptr, 43, 1013, 100.0, 0.0},
        {"120 ft above at 44 kt", 220, nullptr, 44, 1013, 100.0, 220.0},
        {"121 ft above at 40 kt", 221, nullptr, 40, 1013, 100.0, 221.0},
        {"baro missing: second altitude", nullptr, 3250, 185, 1013, std::nullopt, 3250.0},
        {"baro a text: second altitude", "3200", 3250, 185, 1013, std::nullopt, 3250.0},
        {"baro negative", -50, 3250, 185, 1013, std::nullopt, 0.0},
        {"no altitude at all", nullptr, nullptr, 185, 1013, std::nullopt, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FeedContext context = lf_baseContext();
        context.qnh = c.qnh;
        context.parkElevation = c.elevation;
        const auto flight = parse(
            LiveRecordBuilder().set(4, c.baro).set(18, c.second).set(5, c.speed).json(), context);
        ASSERT_TRUE(flight);
        EXPECT_DOUBLE_EQ(flight->altitude, c.altitude);
        EXPECT_EQ(flight->airborne, c.altitude > 0.0);
        if (!flight->airborne) {
            EXPECT_FALSE(flight->bankValid);
        }
    }
}

TEST_F(ProcessLineTest, TakesMissingTrueAirspeedFromTheAltitude) {
    struct Case {
        const char* name;
        json tas;
        json altitude;
        double expected;
    };
    const Case cases[] = {
        {"given", 210, 3200, 210.0},
        {"zero is a value", 0, 3200, 0.0},
        {"-1 at 2000 ft", -1, 2000, 180.0},
        {"missing at 2000 ft", nullptr, 2000, 180.0},
        {"missing at 2001 ft", nullptr, 2001, 220.0},
        {"missing at 5000 ft", nullptr, 5000, 220.0},
        {"missing at 10000 ft", nullptr, 10000, 250.0},
        {"missing at 12000 ft", nullptr, 12000, 350.0},
        {"missing at 20000 ft", nullptr, 20000, 350.0},
        {"missing at 20001 ft", nullptr, 20001, 430.0},
        {"a text at 12000 ft", "210", 12000, 350.0},
        {"missing on the ground", nullptr, 0, 180.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto flight = parse(LiveRecordBuilder().set(20, c.tas).set(4, c.altitude));
        ASSERT_TRUE(flight);
        EXPECT_DOUBLE_EQ(flight->trueAirspeed, c.expected);
    }
}

TEST_F(ProcessLineTest, ReadsTheTrueHeadingOnlyFromAdsb) {
    struct Case {
        const char* name;
        json source;
        json heading;
        json track;
        std::optional<double> radians; // unset when empty
        double expectedTrack;
    };
    const Case cases[] = {
        {"0 is 2 pi", "adsb_icao", 0, 271.0, 6.283185307179586, 271.0},
        {"360 is 2 pi", "adsb_icao", 360, 271.0, 6.283185307179586, 271.0},
        {"180", "adsb_icao", 180.0, 271.0, 180.0 * kRad, 271.0},
        {"negative leaves it unset", "adsb_icao", -5, 271.0, std::nullopt, 271.0},
        {"missing leaves it unset", "adsb_icao", nullptr, 271.0, std::nullopt, 271.0},
        {"a text leaves it unset", "adsb_icao", "268.9", 271.0, std::nullopt, 271.0},
        {"other source", "mlat", 268.9, 271.0, std::nullopt, 271.0},
        {"track 0 from the heading", "adsb_icao", 268.9, 0.0, 268.9 * kRad, 268.9},
        {"track missing from the heading", "adsb_icao", 90, nullptr, 90.0 * kRad, 90.0},
        {"track 0 and heading 0", "adsb_icao", 0, 0, 6.283185307179586, 360.0},
        {"track 0 without heading", "mlat", 90, 0, std::nullopt, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto flight =
            parse(LiveRecordBuilder().set(17, c.source).set(25, c.heading).set(3, c.track));
        ASSERT_TRUE(flight);
        EXPECT_EQ(flight->trueHeadingValid, c.radians.has_value());
        EXPECT_EQ(flight->trueHeadingFlag, c.radians.has_value());
        if (c.radians) {
            EXPECT_NEAR(flight->trueHeading, *c.radians, 1e-12);
        }
        EXPECT_NEAR(flight->track, c.expectedTrack, 1e-9);
    }
}

TEST_F(ProcessLineTest, GivesABankOnlyInTheAir) {
    struct Case {
        const char* name;
        json roll;
        json speed;
        std::optional<double> bank;
    };
    const Case cases[] = {
        {"roll 5", 5, 185, -5.0 * kRad},         {"roll -1", -1, 185, std::nullopt},
        {"roll 0", 0, 185, std::nullopt},        {"roll missing", nullptr, 185, std::nullopt},
        {"roll a text", "5", 185, std::nullopt}, {"roll 5 on the ground", 5, 20, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto flight = parse(LiveRecordBuilder().set(23, c.roll).set(5, c.speed));
        ASSERT_TRUE(flight);
        EXPECT_EQ(flight->bankValid, c.bank.has_value());
        if (c.bank) {
            EXPECT_DOUBLE_EQ(flight->bank, *c.bank);
        }
    }
}

TEST_F(ProcessLineTest, ReadsTextsAsTheServiceSendsThem) {
    struct Case {
        const char* name;
        std::function<void(LiveRecordBuilder&)> change;
        std::string type, registration, departure, destination, callsign;
    };
    const Case cases[] = {
        {"type 0", [](auto& r) { r.set(8, "0"); }, "", "G-EZAB", "EGLL", "LFPG", "EZY12AB"},
        {"type ZZZZ", [](auto& r) { r.set(8, "ZZZZ"); }, "", "G-EZAB", "EGLL", "LFPG", "EZY12AB"},
        {"registration of 12", [](auto& r) { r.set(9, "ABCDEFGHIJKL"); }, "A320", "ABCDEFGHIJKL",
         "EGLL", "LFPG", "EZY12AB"},
        {"registration of 13", [](auto& r) { r.set(9, "ABCDEFGHIJKLM"); }, "A320", "", "EGLL",
         "LFPG", "EZY12AB"},
        {"\"null\" texts with a callsign",
         [](auto& r) { r.set(9, "null").set(11, "NULL").set(12, "Null").set(8, "null"); }, "", "",
         "", "", "EZY12AB"},
        {"callsign \"null\"", [](auto& r) { r.set(13, "null"); }, "A320", "G-EZAB", "EGLL", "LFPG",
         ""},
        {"callsign with @", [](auto& r) { r.set(13, "EZY@12"); }, "A320", "G-EZAB", "EGLL", "LFPG",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveRecordBuilder record;
        c.change(record);
        const auto flight = parse(record);
        ASSERT_TRUE(flight);
        EXPECT_EQ(flight->type, c.type);
        EXPECT_EQ(flight->registration, c.registration);
        EXPECT_EQ(flight->departure, c.departure);
        EXPECT_EQ(flight->destination, c.destination);
        EXPECT_EQ(flight->callsign, c.callsign);
    }
}

// A field of an unexpected JSON type counts as missing: the record drops, or the value is
// marked missing, and nothing is read as 0 by accident.
TEST_F(ProcessLineTest, TreatsAWrongJsonTypeAsMissing) {
    struct Case {
        const char* name;
        std::size_t index;
        WrongType kind;
        std::function<void(const std::optional<LiveFlight>&)> check;
    };
    const auto dropped = [](const std::optional<LiveFlight>& f) { EXPECT_FALSE(f); };
    const Case cases[] = {
        {"flight id a number", 0, WrongType::number, dropped},
        {"latitude a text", 1, WrongType::text, dropped},
        {"longitude a boolean", 2, WrongType::boolean, dropped},
        {"track a text: from the heading", 3, WrongType::text,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_NEAR(f->track, 268.9, 1e-9);
         }},
        {"baro altitude an object: the second altitude", 4, WrongType::object,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_DOUBLE_EQ(f->altitude, 3250.0);
         }},
        {"ground speed a text while airborne", 5, WrongType::text, dropped},
        {"letter a number", 7, WrongType::number, [](const auto& f) { ASSERT_TRUE(f); }},
        {"type an object", 8, WrongType::object,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_EQ(f->type, "");
         }},
        {"registration a boolean", 9, WrongType::boolean,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_EQ(f->registration, "");
         }},
        {"time stamp a text", 10, WrongType::text, dropped},
        {"departure a number", 11, WrongType::number,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_EQ(f->departure, "");
         }},
        {"destination an object", 12, WrongType::object,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_EQ(f->destination, "");
         }},
        {"callsign a number", 13, WrongType::number,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_EQ(f->callsign, "");
         }},
        {"vertical rate a text", 15, WrongType::text,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_DOUBLE_EQ(f->verticalRate, 0.0);
         }},
        {"source a number: no heading", 17, WrongType::number,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_FALSE(f->trueHeadingValid);
         }},
        {"true airspeed a text: the altitude table", 20, WrongType::text,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_DOUBLE_EQ(f->trueAirspeed, 220.0);
         }},
        {"roll an object: no bank", 23, WrongType::object,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_FALSE(f->bankValid);
         }},
        {"true heading a boolean: unset", 25, WrongType::boolean,
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_FALSE(f->trueHeadingValid);
         }},
        {"category a number: wanted", 28, WrongType::number, [](const auto& f) { ASSERT_TRUE(f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(parse(LiveRecordBuilder().wrongType(c.index, c.kind)));
    }
    EXPECT_TRUE(log_.body().empty());
}

TEST_F(ProcessLineTest, ReadsTheRecordFormsTheServiceSends) {
    struct Case {
        const char* name;
        std::function<void(LiveRecordBuilder&, FeedContext&)> change;
        std::function<void(const std::optional<LiveFlight>&)> check;
    };
    const Case cases[] = {
        {"whole numbers as integers",
         [](auto& r, auto& c) {
             r.set(1, 52.0).set(10, 1765368000.0).set(3, 157.0).wholeNumbersAsIntegers();
             c.reference = Position{52.0, -0.4619};
         },
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_DOUBLE_EQ(f->latitude, 52.0);
             EXPECT_DOUBLE_EQ(f->timeStamp, 1765368000.0);
             EXPECT_DOUBLE_EQ(f->track, 157.0);
         }},
        {"\"null\" texts drop a record without registration and callsign",
         [](auto& r, auto&) { r.nullTexts(); }, [](const auto& f) { EXPECT_FALSE(f); }},
        {"squawk as an empty text", [](auto& r, auto&) { r.squawk(""); },
         [](const auto& f) { ASSERT_TRUE(f); }},
        {"padded to 48 elements", [](auto& r, auto&) { r.resize(48).set(40, "x").set(47, 12); },
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_EQ(f->callsign, "EZY12AB");
             EXPECT_DOUBLE_EQ(f->trueAirspeed, 210.0);
         }},
        {"short after the callsign", [](auto& r, auto&) { r.resize(14); },
         [](const auto& f) {
             ASSERT_TRUE(f);
             EXPECT_DOUBLE_EQ(f->verticalRate, 0.0);
             EXPECT_FALSE(f->trueHeadingValid);
             EXPECT_FALSE(f->bankValid);
             EXPECT_DOUBLE_EQ(f->trueAirspeed, 220.0);
         }},
        {"short before the time stamp", [](auto& r, auto&) { r.resize(10); },
         [](const auto& f) { EXPECT_FALSE(f); }},
        {"empty array", [](auto& r, auto&) { r.resize(0); },
         [](const auto& f) { EXPECT_FALSE(f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveRecordBuilder record;
        FeedContext context = lf_baseContext();
        c.change(record, context);
        c.check(parse(record.json(), context));
    }
    EXPECT_TRUE(log_.body().empty());
}

TEST_F(ProcessLineTest, SetsTheLastFeedTimeStampBeforeAnyFilter) {
    lastFeedTimeStamp.store(5.0);
    EXPECT_FALSE(parse(LiveRecordBuilder().set(10, 1765368123.25).set(28, "B1")));
    EXPECT_DOUBLE_EQ(lastFeedTimeStamp.load(), 1765368123.25);
    EXPECT_FALSE(parse(LiveRecordBuilder().set(10, "1765368999")));
    EXPECT_FALSE(parse(LiveRecordBuilder().resize(5)));
    EXPECT_DOUBLE_EQ(lastFeedTimeStamp.load(), 1765368123.25);
}

TEST_F(ProcessLineTest, LogsARecordThatIsNoArrayAndGoesOn) {
    const json notArrays[] = {json::object({{"a", 1}}), json("text"), json(nullptr), json(12)};
    for (const json& record : notArrays) {
        SCOPED_TRACE(record.dump());
        EXPECT_FALSE(parse(record, lf_baseContext()));
    }
    EXPECT_TRUE(parse(LiveRecordBuilder()));
    const auto lines = log_.body();
    ASSERT_EQ(lines.size(), 4u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind("exception in processLine: [json.exception.type_error.302] type "
                             "must be array, but is ",
                             0),
                  0u)
            << line;
    }
}

TEST_F(ProcessLineTest, AnnouncesABlockedCallsignOnceAndItsEndOnce) {
    FeedContext blockX = lf_baseContext();
    blockX.blockCallsign = "EZY12AB";
    FeedContext blockY = lf_baseContext();
    blockY.blockCallsign = "BAW1";
    const LiveRecordBuilder x = LiveRecordBuilder();
    const LiveRecordBuilder y = LiveRecordBuilder().set(13, "BAW1").set(0, "400001");

    EXPECT_FALSE(parse(x.json(), blockX));
    EXPECT_FALSE(parse(x.json(), blockX));
    EXPECT_TRUE(parse(y.json(), blockX));
    EXPECT_EQ(lastBlockedCallsign, "EZY12AB");
    EXPECT_FALSE(parse(y.json(), blockY)); // the end of the old block
    EXPECT_EQ(lastBlockedCallsign, "");
    EXPECT_FALSE(parse(y.json(), blockY)); // the new block
    EXPECT_FALSE(parse(y.json(), blockY));
    EXPECT_TRUE(parse(x.json(), blockY));

    EXPECT_EQ(messages_.messages(),
              (std::vector<std::string>{"Reader: Live aircraft EZY12AB blocked",
                                        "Reader: Live aircraft EZY12AB no longer blocked",
                                        "Reader: Live aircraft BAW1 blocked"}));
    for (const auto& message : messages_.all()) {
        EXPECT_TRUE(message.log);
    }
    const auto events = posted();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].objectId, 0u);
    EXPECT_EQ(events[0].flightKeyOrOnGround, 0x4b1a2cu);
    EXPECT_EQ(events[0].counter, 0u);
    EXPECT_EQ(events[0].kind, SimInboundKind::blockedCallsign);
    EXPECT_EQ(events[0].value1, 0.0);
    EXPECT_EQ(events[0].value2, 0.0);
    EXPECT_EQ(events[1].flightKeyOrOnGround, 0x400001u);
}

TEST_F(ProcessLineTest, CollectsCallsignsAndIdsWhileTheFlagIsUp) {
    // Dropped at the ground rule, after collecting.
    const LiveRecordBuilder groundFar = LiveRecordBuilder().set(5, 10).set(0, "500001").set(13, "");
    FeedContext noPark = lf_baseContext();
    noPark.parkIcao.clear();

    EXPECT_TRUE(parse(LiveRecordBuilder().set(0, "400001").set(13, "KLM1")));
    client_.collectFlag.store(true);
    EXPECT_TRUE(parse(LiveRecordBuilder().set(0, "400002").set(13, "KLM2")));
    EXPECT_FALSE(parse(groundFar.json(), noPark));
    EXPECT_FALSE(parse(LiveRecordBuilder().set(0, "400003").set(13, "KLM3").set(28, "B1")));
    EXPECT_EQ(client_.collectedCallsigns(), (std::set<std::string>{"KLM2"}));
    EXPECT_EQ(client_.collectedFlightIds(), (std::set<std::uint32_t>{0x400002u, 0x500001u}));
}

TEST_F(ProcessLineTest, TakesItsViewOfTheProgramOnce) {
    BLOCK_CALLSIGN.assign("KLM7");
    injectionRadiusNm.store(55.0);
    client_.qnh.store(1002);
    client_.setReferencePosition(52.3, 4.76);
    client_.setParkElevation(-11.0);
    setPark(ksb::ParkAirportSnapshot{"EHAM", 52.3086, 4.7639});
    const FeedContext context = lf_feedContext(client_);
    EXPECT_EQ(context.blockCallsign, "KLM7");
    EXPECT_DOUBLE_EQ(context.liveRange, 55.0);
    EXPECT_EQ(context.qnh, 1002);
    EXPECT_DOUBLE_EQ(context.reference.latitude, 52.3);
    EXPECT_DOUBLE_EQ(context.reference.longitude, 4.76);
    EXPECT_EQ(context.parkElevation, std::optional<double>(-11.0));
    EXPECT_EQ(context.parkIcao, "EHAM");
    EXPECT_DOUBLE_EQ(context.parkPosition.latitude, 52.3086);
    EXPECT_DOUBLE_EQ(context.parkPosition.longitude, 4.7639);
}

} // namespace

namespace {

// Every cut of a poll answer: the ones that do not parse give the exception line, the whole one
// goes member by member through processLine; every shortened record is parsed or dropped.
TEST_F(ProcessLineTest, SurvivesEveryTruncatedAnswerAndRecord) {
    rtstub::Box box{53.0, 51.0, -2.0, 1.0};
    const auto records = rtstub::sampleLiveRecords(6, 3, 51.4706, -0.4619, box, 1765368000.0);
    json data = json::object();
    for (const auto& [hex, record] : records) {
        data[hex] = record;
    }
    const std::string answer = json{{"status", 200}, {"rrl", 2000}, {"data", data}}.dump();
    const FeedContext context = lf_baseContext();
    const auto handler = [&](const json& parsed, const std::string&) {
        for (const auto& [hex, record] : parsed.at("data").items()) {
            processLine(client_, record, context);
        }
    };
    std::size_t parsed = 0;
    for (std::size_t length = 0; length <= answer.size(); ++length) {
        const ksb::RtAnswer cut{ksb::RtAnswer::Outcome::answered, answer.substr(0, length), 200};
        if (ksb::gf_rtHandleAnswer(ksb::RtRequest::traffic, cut, handler)) {
            ++parsed;
        }
    }
    EXPECT_EQ(parsed, 1u);
    EXPECT_EQ(client_.liveRecords.size(), records.size());
    EXPECT_EQ(log_.body().size(), answer.size());

    for (const auto& [hex, record] : records) {
        for (std::size_t size = 0; size <= record.size(); ++size) {
            json cut = record;
            cut.erase(cut.begin() + static_cast<std::ptrdiff_t>(size), cut.end());
            processLine(client_, cut, context);
        }
    }
    EXPECT_EQ(log_.body().size(), answer.size());
}

} // namespace

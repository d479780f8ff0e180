// The BGL airport decoder on builder fixtures: idents, altitude, names, helipads, parking
// entries, re-lettering, the walks, the link decision and the failures.
#include "airports/bgl_decode.h"
#include "airports_test_fixture.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "support/airport_scan_sinks.h"
#include "support/bgl_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <set>

namespace ksb::test {
namespace {

constexpr const char* kPath = "x.bgl";
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class BglDecodeTest : public AirportsTest {
protected:
    void decode(const Bytes& bytes) { lf_decodeBglBytes(bytes, kPath, sink); }
    void decode(const BglAirport& record) { decode(BglBuilder().airport(record).bytes()); }
    // The one airport generated.
    ScannedAirport generatedOne() {
        const std::vector<ScannedAirport> generated = sink.generated();
        EXPECT_EQ(generated.size(), 1u);
        return generated.empty() ? ScannedAirport{} : generated.front();
    }
    std::vector<std::string> standNames() {
        std::vector<std::string> names;
        for (const ParkPosition& stand : generatedOne().stands) {
            names.push_back(stand.name);
        }
        return names;
    }

    RecordingAirportScanSink sink;
};

BglParkingEntry gate(std::uint32_t number, float radius = 20.0f) {
    BglParkingEntry entry;
    entry.number = number;
    entry.radius = radius;
    return entry;
}

TEST(BglIdentTest, DecodesBase38Characters) {
    struct Case {
        const char* name;
        std::uint32_t packed;
        std::string text;
        bool ok;
    };
    const Case cases[] = {
        {"four letters", 0x025C9400, "KJFK", true},
        {"low bits set", 0x0273BFA1, "LEAB", true},
        {"digits", packIdent("EG01"), "EG01", true},
        {"digit 1 gives 6", ((((12u * 38 + 1) * 38) + 12) * 38 + 12) << 5, "A6AA", true},
        {"three characters", packIdent("JFK"), "JFK", false},
        {"five characters", packIdent("EDDFX"), "EDDFX", false},
        {"inner blank", packIdent("ED F"), "ED F", false},
        {"below 38", 37u << 5, "", false},
        {"zero", 0, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = !c.ok;
        EXPECT_EQ(lf_decodeIdentifierOrRegionCode(c.packed, ok), c.text);
        EXPECT_EQ(ok, c.ok);
    }
}

TEST_F(BglDecodeTest, OnlyUsableIdentsAreDecoded) {
    decode(BglBuilder()
               .airports({BglAirport("JFK"), BglAirport("ED F"), BglAirport().identWord(37u << 5),
                          BglAirport("KJFK"), BglAirport().identWord(0x0273BFA1)})
               .bytes());
    EXPECT_EQ(sink.linkedIdents(), (std::vector<std::string>{"KJFK", "LEAB"}));
}

TEST_F(BglDecodeTest, AltitudeIsFeetWithinRange) {
    struct Case {
        const char* name;
        std::int32_t millimetres;
        std::int32_t feet;
    };
    const Case cases[] = {
        {"minus 3 m", -3000, -10},       {"minus 20 ft", -6096, -20},
        {"below minus 20 ft", -6401, 0}, {"10000 ft", 3048000, 10000},
        {"above 10000 ft", 3100000, 0},  {"Albacete", 701000, 2300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAirportScanSink one;
        lf_decodeBglBytes(BglBuilder().airport(BglAirport("LEAB", 0x3C, c.millimetres)).bytes(),
                          kPath, one);
        ASSERT_EQ(one.generated().size(), 1u);
        EXPECT_EQ(one.generated().front().altitude, c.feet);
    }
}

TEST_F(BglDecodeTest, NameTakesItsBytesAsTheLayoutSays) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::optional<std::uint32_t>>> names;
        std::string expected;
    };
    const std::string fifty(50, 'N');
    const Case cases[] = {
        {"no NUL", {{"Los Llanos", 16}}, "Los Llanos"},
        {"trailing NULs", {{std::string("Albacete\0\0", 10), 16}}, "Albacete"},
        {"one leftover byte", {{"ABCDEFG", 13}}, "ABCDEFG"},
        {"three leftover bytes lose the third", {{"ABCDEFGHI", 15}}, "ABCDEFGH"},
        {"45 bytes and more keep 44", {{fifty, std::nullopt}}, std::string(44, 'N')},
        {"size 4", {{"", 4}}, ""},
        {"size 7", {{"A", 7}}, ""},
        {"size 8", {{"AB", 8}}, "AB"},
        {"two equal", {{"Frankfurt", std::nullopt}, {"Frankfurt", std::nullopt}}, "Frankfurt"},
        {"two different", {{"Frankfurt", std::nullopt}, {"Main", std::nullopt}}, ""},
        {"a third sets it anew",
         {{"Frankfurt", std::nullopt}, {"Main", std::nullopt}, {"Rhein", std::nullopt}},
         "Rhein"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BglAirport record;
        for (const auto& [text, size] : c.names) {
            // Whole words, as real files keep them, so the next head is where the walk looks.
            std::string padded = text;
            padded.resize((text.size() + 6 + 3) / 4 * 4 - 6, '\0');
            record.name(padded, size.value_or(static_cast<std::uint32_t>(6 + padded.size())));
        }
        RecordingAirportScanSink one;
        // Zeros after the record end a walk that a short size left inside the name.
        lf_decodeBglBytes(BglBuilder().airport(record).trailing(Bytes(8, 0)).bytes(), kPath, one);
        ASSERT_EQ(one.generated().size(), 1u);
        EXPECT_EQ(one.generated().front().airportName, c.expected);
    }
}

TEST_F(BglDecodeTest, HelipadsBecomeNumberedHeliStands) {
    decode(BglAirport()
               .name(std::string("Heli\0\0", 6))
               .helipad(50.1, 8.1, 30.0f, 0.0f)
               .helipad(50.1, 8.1, 20.0f, 45.0f)
               .helipad(0.0, 0.0, 30.0f, 45.0f)
               .helipad(-95.0, 8.0, 30.0f, 45.0f)
               .helipad(50.2, 8.2, kNaN, 45.0f)
               .helipad(50.2, 8.2, 30.0f, kInf)
               .helipad(50.3, 8.3, 10.0f, 90.0f)
               .parking(BglAirport::kParking, {})
               .helipad(50.4, 8.4, 10.0f, 90.0f));
    const ScannedAirport airport = generatedOne();
    ASSERT_EQ(airport.stands.size(), 2u);
    const ParkPosition& first = airport.stands[0];
    EXPECT_EQ(first.name, "helipad1");
    EXPECT_TRUE(first.heli);
    EXPECT_FALSE(first.ramp || first.cargo);
    EXPECT_DOUBLE_EQ(first.heading, 2 * std::numbers::pi);
    EXPECT_DOUBLE_EQ(first.radius, 15.0 * kNMPerMetre);
    EXPECT_EQ(gf_coordinatesText({first.latitude, first.longitude}), "50.100000,8.100000");
    EXPECT_EQ(airport.stands[1].name, "helipad2");
    EXPECT_DOUBLE_EQ(airport.stands[1].heading, std::numbers::pi / 2);
    EXPECT_EQ(sink.lines(),
              (std::vector<std::string>{
                  "double helipad Heli (skipped) 50.100000,8.100000",
                  "lat/lon helipad incorrect (skipped): 0.000000,0.000000",
                  "lat/lon helipad incorrect (skipped): -95.000000,8.000000",
                  "skipped position with invalid heading or width, in x.bgl",
                  "skipped position with invalid heading or width, in x.bgl",
                  "===> EDDF has 2 parkpos while archived one has 0",
              }));
}

TEST_F(BglDecodeTest, ParkingEntriesAreTestedInTheirOrder) {
    struct Case {
        const char* name;
        BglParkingEntry entry;
        std::vector<std::string> lines; // before the parkpos line
        bool taken;
        bool cargo = false;
        bool ramp = false;
    };
    const auto with = [](auto change) {
        BglParkingEntry entry = gate(12);
        change(entry);
        return entry;
    };
    const Case cases[] = {
        {"radius 1.0", with([](auto& e) { e.radius = 1.0f; }),
         {"skipped position with radius 1.0 meters, in x.bgl"}, false},
        {"radius 200.0", with([](auto& e) { e.radius = 200.0f; }),
         {"skipped position with radius 200.0 meters, in x.bgl"}, false},
        {"radius NaN", with([](auto& e) { e.radius = kNaN; }),
         {"skipped position with radius NAN meters, in x.bgl"}, false},
        {"radius infinite", with([](auto& e) { e.radius = kInf; }),
         {"skipped position with radius INF meters, in x.bgl"}, false},
        {"radius 1.1", with([](auto& e) { e.radius = 1.1f; }), {}, true, false, true},
        {"type 0", with([](auto& e) { e.type = 0; }), {}, false},
        {"type 12", with([](auto& e) { e.type = 12; }), {}, false},
        {"type 13", with([](auto& e) { e.type = 13; }), {}, false},
        {"type 1", with([](auto& e) { e.type = 1; }), {}, true, false, true},
        {"type 5 cargo", with([](auto& e) { e.type = 5; }), {}, true, true, true},
        {"type 7 ramp", with([](auto& e) { e.type = 7; }), {}, true, false, true},
        {"type 8 gate", with([](auto& e) { e.type = 8; }), {}, true, false, false},
        {"type 11", with([](auto& e) { e.type = 11; }), {}, true, false, false},
        {"heading NaN", with([](auto& e) { e.heading = kNaN; }),
         {"skipped position with invalid heading or width, in x.bgl"}, false},
        {"bad type before bad heading", with([](auto& e) { e.type = 12; e.heading = kNaN; }), {},
         false},
        {"position 0/0", with([](auto& e) { e.latitude = 0.0; e.longitude = 0.0; }),
         {"lat/lon: 0.000000,0.000000, incorrect (skipped) "}, false},
        {"latitude beyond 90", with([](auto& e) { e.latitude = -91.0; }),
         {"lat/lon: -91.000000,8.000000, incorrect (skipped) "}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAirportScanSink one;
        lf_decodeBglBytes(
            BglBuilder().airport(BglAirport().parking(BglAirport::kParking, {c.entry})).bytes(),
            kPath, one);
        std::vector<std::string> lines = c.lines;
        if (c.taken) {
            lines.push_back("===> EDDF has 1 parkpos while archived one has 0");
        }
        EXPECT_EQ(one.lines(), lines);
        ASSERT_EQ(one.generated().size(), 1u);
        const std::vector<ParkPosition> stands = one.generated().front().stands;
        ASSERT_EQ(stands.size(), c.taken ? 1u : 0u);
        if (c.taken) {
            EXPECT_EQ(stands[0].name, "g12");
            EXPECT_EQ(stands[0].cargo, c.cargo);
            EXPECT_EQ(stands[0].ramp, c.ramp);
            EXPECT_FALSE(stands[0].heli);
            EXPECT_DOUBLE_EQ(stands[0].radius, c.entry.radius * kNMPerMetre);
        }
    }
}

TEST(BglNameCodeTest, GivesTheTextBeforeTheNumber) {
    const std::vector<std::string> texts{"",   "r",  "p",   "np", "ep", "sep",
                                         "sp", "swp", "wp", "nwp", "g", ""};
    for (std::uint32_t code = 0; code < texts.size(); ++code) {
        EXPECT_EQ(lf_parkingNameText(code), texts[code]) << code;
    }
    EXPECT_EQ(lf_parkingNameText(12), "A");
    EXPECT_EQ(lf_parkingNameText(37), "Z");
    EXPECT_EQ(lf_parkingNameText(63), "t");
}

TEST_F(BglDecodeTest, EntriesOfBothKindsWithAirlineCodesFollowOneAnother) {
    struct Case {
        const char* name;
        std::uint16_t record;
        std::uint16_t parking;
        std::size_t stands;
    };
    const Case cases[] = {
        {"0x003C with 0x003D", BglAirport::kRecord, BglAirport::kParking, 3},
        {"0x00AB with 0x00AD", BglAirport::kLaterRecord, BglAirport::kLaterParking, 3},
        {"0x00AB with 0x003D", BglAirport::kLaterRecord, BglAirport::kParking, 0},
        {"0x003C with 0x00AD", BglAirport::kRecord, BglAirport::kLaterParking, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BglParkingEntry> entries{gate(1), gate(2), gate(3)};
        entries[0].codeCount = 0;
        entries[1].codeCount = 1;
        entries[1].latitude = 51.0;
        entries[2].codeCount = 3;
        entries[2].nameCode = 37;
        entries[2].longitude = 9.5;
        RecordingAirportScanSink one;
        lf_decodeBglBytes(
            BglBuilder().airport(BglAirport("EDDF", c.record).parking(c.parking, entries)).bytes(),
            kPath, one);
        ASSERT_EQ(one.generated().size(), 1u);
        const std::vector<ParkPosition> stands = one.generated().front().stands;
        ASSERT_EQ(stands.size(), c.stands);
        if (c.stands == 3) {
            EXPECT_EQ(stands[0].name, "g1");
            EXPECT_EQ(gf_coordinatesText({stands[1].latitude, stands[1].longitude}),
                      "51.000000,8.000000");
            EXPECT_EQ(stands[2].name, "Z3");
            EXPECT_EQ(gf_coordinatesText({stands[2].latitude, stands[2].longitude}),
                      "50.000000,9.500000");
        }
    }
}

TEST_F(BglDecodeTest, OnlyTheFirstParkingSubRecordIsRead) {
    decode(BglAirport()
               .parking(BglAirport::kParking, {gate(1)})
               .parking(BglAirport::kParking, {gate(2)}));
    EXPECT_EQ(standNames(), (std::vector<std::string>{"g1"}));
}

TEST_F(BglDecodeTest, SharedNamesAreLetteredByDecreasingRadius) {
    struct Case {
        const char* name;
        std::vector<BglParkingEntry> entries;
        std::vector<std::string> names; // in stand order
    };
    const auto coded = [](std::uint32_t nameCode, std::uint32_t number, float radius) {
        BglParkingEntry entry = gate(number, radius);
        entry.nameCode = nameCode;
        return entry;
    };
    const Case cases[] = {
        // Code 50 spells "g" as code 10 does, and code 11 the empty text as code 0 does.
        {"codes spelling one text",
         {gate(12, 20), coded(50, 12, 30), coded(0, 12, 20), coded(11, 12, 25), coded(61, 12, 9)},
         {"g12a", "g12", "12a", "12", "r12"}},
        {"radii 20 30 25", {gate(12, 20), gate(12, 30), gate(12, 25)}, {"g12b", "g12", "g12a"}},
        {"largest first", {gate(12, 30), gate(12, 20)}, {"g12", "g12a"}},
        {"equal radii keep order", {gate(12, 20), gate(12, 20), gate(12, 30)},
         {"g12a", "g12b", "g12"}},
        {"two groups", {gate(1, 10), gate(2, 10), gate(1, 20), gate(2, 30), gate(3, 5)},
         {"g1a", "g2a", "g1", "g2", "g3"}},
        {"seventh", std::vector<BglParkingEntry>(7, gate(12)),
         {"g12", "g12a", "g12b", "g12c", "g12d", "g12e", "g12f"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAirportScanSink one;
        lf_decodeBglBytes(
            BglBuilder().airport(BglAirport().parking(BglAirport::kParking, c.entries)).bytes(),
            kPath, one);
        ASSERT_EQ(one.generated().size(), 1u);
        std::vector<std::string> names;
        const std::vector<ParkPosition> stands = one.generated().front().stands;
        for (const ParkPosition& stand : stands) {
            names.push_back(stand.name);
            EXPECT_FALSE(stand.relettered);
        }
        EXPECT_EQ(names, c.names);
    }
}

TEST_F(BglDecodeTest, AnEighthSharedNameIsSkippedWithAWarning) {
    decode(BglAirport().parking(BglAirport::kParking, std::vector<BglParkingEntry>(8, gate(12))));
    EXPECT_EQ(generatedOne().stands.size(), 7u);
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{
                                "===> ===> Warning more then 6 the same ids g12, in x.bgl",
                                "===> EDDF has 7 parkpos while archived one has 0"}));
}

// The re-lettering as first described: groups found one flagged stand at a time, renamed
// through temporary names. The decoder's direct form must agree with it on every input.
void referenceRelettering(std::vector<ParkPosition>& stands) {
    int running = 0;
    for (;;) {
        auto first = std::find_if(stands.begin(), stands.end(),
                                  [](const ParkPosition& s) { return s.relettered; });
        if (first == stands.end()) {
            return;
        }
        first->relettered = false;
        const std::string base = first->name.substr(0, first->name.size() - 1);
        std::vector<std::pair<std::string, double>> group;
        for (ParkPosition& stand : stands) {
            const std::string& n = stand.name;
            if (n == base ||
                (n.size() == base.size() + 1 && n.starts_with(base) && n.back() >= 'a' &&
                 n.back() <= 'f')) {
                stand.relettered = false;
                stand.name = "zorel" + std::to_string(running++);
                group.emplace_back(stand.name, stand.radius);
            }
        }
        std::stable_sort(group.begin(), group.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        for (std::size_t i = 0; i < group.size(); ++i) {
            for (ParkPosition& stand : stands) {
                if (stand.name == group[i].first) {
                    stand.name = i == 0 ? base : base + static_cast<char>('a' + i - 1);
                }
            }
        }
    }
}

TEST_F(BglDecodeTest, ReletteringAgreesWithTheGroupByGroupProcedure) {
    std::mt19937 random(7);
    // Some of them spell one text: 0 and 11, 1 and 61, 2 and 59.
    const std::uint32_t codes[] = {0, 1, 2, 11, 59, 61};
    for (int round = 0; round < 200; ++round) {
        std::vector<BglParkingEntry> entries(static_cast<std::size_t>(random() % 40 + 1));
        for (BglParkingEntry& entry : entries) {
            entry = gate(random() % 6 + 1, static_cast<float>(random() % 4 * 5 + 10));
            entry.nameCode = codes[random() % std::size(codes)];
        }
        RecordingAirportScanSink one;
        lf_decodeBglBytes(
            BglBuilder().airport(BglAirport().parking(BglAirport::kParking, entries)).bytes(),
            kPath, one);
        ASSERT_EQ(one.generated().size(), 1u);
        // The names before re-lettering, as the entries got them.
        std::vector<ParkPosition> before;
        std::set<std::string> seen;
        for (const BglParkingEntry& entry : entries) {
            std::string name = lf_parkingNameText(entry.nameCode) + std::to_string(entry.number);
            bool lettered = false;
            if (!seen.insert(name).second) {
                for (const char letter : std::string("abcdef")) {
                    if (seen.insert(name + letter).second) {
                        name += letter;
                        lettered = true;
                        break;
                    }
                }
                if (!lettered) {
                    continue;
                }
            }
            ParkPosition stand({}, std::move(name), 0, 0, 0, entry.radius, false, true, false);
            stand.relettered = lettered;
            before.push_back(std::move(stand));
        }
        referenceRelettering(before);
        const std::vector<ParkPosition> stands = one.generated().front().stands;
        ASSERT_EQ(stands.size(), before.size());
        for (std::size_t i = 0; i < stands.size(); ++i) {
            EXPECT_EQ(stands[i].name, before[i].name) << "round " << round << " stand " << i;
        }
    }
}

TEST_F(BglDecodeTest, WalksFollowSectionsAndRecordSizes) {
    const Bytes other(40, 0x77);
    Bytes notAirport(12, 0);
    putU16(notAirport, 0, 0x0099);
    putU32(notAirport, 2, 12);
    Bytes small(8, 0);
    putU16(small, 0, 0x0099);
    putU32(small, 2, 11);
    const auto record = [](std::uint32_t size) {
        Bytes bytes(8, 0);
        putU16(bytes, 0, 0x0099);
        putU32(bytes, 2, size);
        return bytes;
    };
    const auto section = [](std::vector<Bytes> parts) {
        Bytes data;
        for (const Bytes& part : parts) {
            data.insert(data.end(), part.begin(), part.end());
        }
        return data;
    };
    const Bytes eddf = BglAirport("EDDF").bytes();
    const Bytes kjfk = BglAirport("KJFK").bytes();
    struct Case {
        const char* name;
        Bytes file;
        std::vector<std::string> idents;
    };
    const Case cases[] = {
        {"flags bit 16", BglBuilder().airport(BglAirport("EDDF")).bytes(), {"EDDF"}},
        {"flags bit 16 set",
         BglBuilder().airports({BglAirport("EDDF")}, 0x10001).bytes(), {}},
        {"other section types", BglBuilder().section(0x65, eddf).section(0x22, other).bytes(), {}},
        {"two airport sections",
         BglBuilder().section(0x65, other).airport(BglAirport("EDDF")).section(0x2A, other)
             .airport(BglAirport("KJFK")).bytes(),
         {"EDDF", "KJFK"}},
        {"records before and after",
         BglBuilder().section(3, section({notAirport, eddf, notAirport, kjfk})).bytes(),
         {"EDDF", "KJFK"}},
        {"size below 4 ends the walk",
         BglBuilder().section(3, section({eddf, record(3), kjfk})).bytes(), {"EDDF"}},
        {"size of 2^31 ends the walk",
         BglBuilder().section(3, section({record(0x80000000u), eddf})).bytes(), {}},
        {"size not a multiple of 4", BglBuilder().section(3, section({small, eddf})).bytes(),
         {"EDDF"}},
        {"several airports in one stream",
         BglBuilder().airports({BglAirport("EDDF"), BglAirport("KJFK"), BglAirport("LEAB")})
             .bytes(),
         {"EDDF", "KJFK", "LEAB"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAirportScanSink one;
        lf_decodeBglBytes(c.file, kPath, one);
        EXPECT_EQ(one.linkedIdents(), c.idents);
    }
}

TEST_F(BglDecodeTest, TheLinkDecidesWhatIsGenerated) {
    struct Case {
        const char* name;
        std::size_t stands;
        std::optional<RecordingAirportScanSink::LinkAnswer> answer;
        std::vector<std::string> lines;
        bool generated;
    };
    const Case cases[] = {
        {"not linked, no stands", 0, std::nullopt, {}, true},
        {"not linked, stands", 2, std::nullopt,
         {"===> EDDF has 2 parkpos while archived one has 0"}, true},
        {"linked, fewer than archived", 2, RecordingAirportScanSink::LinkAnswer{true, 3}, {},
         false},
        {"linked, as many as archived", 3, RecordingAirportScanSink::LinkAnswer{true, 3}, {},
         false},
        {"linked, more than archived", 4, RecordingAirportScanSink::LinkAnswer{true, 3},
         {"===> EDDF has 4 parkpos while archived one has 3"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BglParkingEntry> entries;
        for (std::uint32_t i = 1; i <= c.stands; ++i) {
            entries.push_back(gate(i));
        }
        RecordingAirportScanSink one;
        one.publisher = "Aerosoft";
        if (c.answer) {
            one.answers["EDDF"] = *c.answer;
        }
        lf_decodeBglBytes(
            BglBuilder().airport(BglAirport().parking(BglAirport::kParking, entries)).bytes(),
            kPath, one);
        EXPECT_EQ(one.lines(), c.lines);
        ASSERT_EQ(one.generated().size(), c.generated ? 1u : 0u);
        if (c.generated) {
            EXPECT_EQ(one.generated().front().bglPath, kPath);
            EXPECT_EQ(one.generated().front().publisher, "Aerosoft");
        }
    }
}

// Written out by hand from the file layout: header, one airport section (flags 1, subsection
// table at 76, data at 92), an 0x003C record of 112 bytes for EDDF at 100 m with the NAME
// "Test" and one parking entry g12 (type 2, radius 25, heading 90, at 50 N 8 E).
const Bytes kHandWritten{
    // header: magic, header size 56, 8 bytes, 0x08051803, one section, 32 bytes
    0x01, 0x02, 0x92, 0x19, 0x38, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x03, 0x18, 0x05, 0x08, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    // section entry at 56: type 3, flags 1, one subsection, table at 76, 16 bytes
    0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x00,
    0x00, 0x10, 0x00, 0x00, 0x00,
    // subsection entry at 76: id 0, one record, data at 92, 112 bytes
    0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x5C, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00,
    0x00,
    // airport record at 92: id 0x003C, size 112, counts and more (14 bytes)
    0x3C, 0x00, 0x70, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00,
    // altitude 100000 mm at 20, 16 bytes, ident EDDF 0x01B78CE0 at 40, 12 bytes
    0xA0, 0x86, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x8C, 0xB7, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    // NAME at 148: size 12, "Test" and two NULs
    0x19, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x54, 0x65, 0x73, 0x74, 0x00, 0x00,
    // parking at 160: size 44, one entry: word 0x0000C20A, radius 25.0, heading 90.0
    0x3D, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x0A, 0xC2, 0x00, 0x00, 0x00, 0x00, 0xC8,
    0x41, 0x00, 0x00, 0xB4, 0x42,
    // 16 bytes not read, longitude 0x19111111, latitude 0x071C71C7
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x11, 0x11, 0x11, 0x19, 0xC7, 0x71, 0x1C, 0x07};

TEST_F(BglDecodeTest, HandWrittenFixtureAgreesWithBuilderAndDecoder) {
    ASSERT_EQ(kHandWritten.size(), 204u);
    BglParkingEntry entry = gate(12, 25.0f);
    entry.type = 2;
    EXPECT_EQ(BglBuilder()
                  .airport(BglAirport("EDDF").name(std::string("Test\0\0", 6)).parking(
                      BglAirport::kParking, {entry}))
                  .bytes(),
              kHandWritten);
    EXPECT_TRUE(lf_hasAirportSection(kHandWritten));
    decode(kHandWritten);
    const ScannedAirport airport = generatedOne();
    EXPECT_EQ(airport.ident, "EDDF");
    EXPECT_EQ(airport.airportName, "Test");
    EXPECT_EQ(airport.altitude, 328);
    ASSERT_EQ(airport.stands.size(), 1u);
    const ParkPosition& stand = airport.stands[0];
    EXPECT_EQ(stand.name, "g12");
    EXPECT_EQ(gf_coordinatesText({stand.latitude, stand.longitude}), "50.000000,8.000000");
    EXPECT_DOUBLE_EQ(stand.heading, std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(stand.radius, 25.0 * kNMPerMetre);
    EXPECT_TRUE(stand.ramp);
    EXPECT_FALSE(stand.cargo || stand.heli);
}

TEST_F(BglDecodeTest, AReadPastTheFileEndsTheFileAndReachesTheCaller) {
    // The second airport's parking list is cut off by the end of the file.
    const Bytes whole = BglBuilder()
                            .airports({BglAirport("EDDF").parking(BglAirport::kParking, {gate(1)}),
                                       BglAirport("KJFK").parking(BglAirport::kParking,
                                                                  {gate(1), gate(2)})})
                            .bytes();
    const Bytes cut(whole.begin(), whole.end() - 20);
    writeBytes("cut.bgl", std::string(cut.begin(), cut.end()));
    const std::int32_t before = runningWorkers.load();
    ++runningWorkers;
    try {
        lf_toParkingPositions("cut.bgl", sink);
        ADD_FAILURE() << "no failure";
    } catch (const ByteReadError& e) {
        EXPECT_EQ(std::string(e.what()), "read past end: 36 bytes at offset 44 of 60");
    }
    EXPECT_EQ(runningWorkers.load(), before);
    EXPECT_EQ(sink.linkedIdents(), (std::vector<std::string>{"EDDF", "KJFK"}));
    ASSERT_EQ(sink.generated().size(), 1u);
    EXPECT_EQ(sink.generated().front().ident, "EDDF");
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{
                                "===> EDDF has 1 parkpos while archived one has 0",
                                "===> !? Exception in lf_toParkingPositions: cut.bgl"}));
}

TEST_F(BglDecodeTest, SubRecordFieldsMustLieInsideTheirSubRecord) {
    struct Case {
        const char* name;
        BglAirport record;
        std::string failure;
    };
    const Case cases[] = {
        {"parking count beyond its entries",
         BglAirport().parking(BglAirport::kParking, {gate(1)}, 2),
         "read past end: 4 bytes at offset 44 of 44"},
        {"helipad of 20 bytes", BglAirport().helipad(50, 8, 20, 90, 20),
         "read past end: 8 bytes at offset 20 of 20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAirportScanSink one;
        // More bytes after the record, so that only the sub-record's own size can refuse.
        const Bytes file = BglBuilder().airport(c.record).trailing(Bytes(400, 0)).bytes();
        try {
            lf_decodeBglBytes(file, kPath, one);
            ADD_FAILURE() << "no failure";
        } catch (const ByteReadError& e) {
            EXPECT_EQ(std::string(e.what()), c.failure);
        }
        EXPECT_TRUE(one.generated().empty());
    }
}

TEST_F(BglDecodeTest, AFileThatIsNoBglGivesNothing) {
    struct Case {
        const char* name;
        Bytes file;
    };
    Bytes wrongHeader = BglBuilder().airport(BglAirport()).bytes();
    putU32(wrongHeader, 4, 60);
    Bytes fourteenWords = BglBuilder().airport(BglAirport()).bytes();
    fourteenWords.resize(56);
    const Case cases[] = {
        {"header size not 56", wrongHeader},
        {"14 words", fourteenWords},
        {"two words", Bytes{0, 0, 0, 0, 56, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAirportScanSink one;
        EXPECT_NO_THROW(lf_decodeBglBytes(c.file, kPath, one));
        EXPECT_TRUE(one.calls().empty());
    }
    const std::int32_t before = runningWorkers.load();
    ++runningWorkers;
    EXPECT_NO_THROW(lf_toParkingPositions("missing.bgl", sink));
    EXPECT_EQ(runningWorkers.load(), before);
    EXPECT_TRUE(sink.calls().empty());
}

TEST_F(BglDecodeTest, AFileOfAWordOrLessFails) {
    writeBytes("tiny.bgl", std::string("\x01\x02\x92", 3));
    ++runningWorkers;
    EXPECT_THROW(lf_toParkingPositions("tiny.bgl", sink), ByteReadError);
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{
                                "===> !? Exception in lf_toParkingPositions: tiny.bgl"}));
}

TEST_F(BglDecodeTest, NamePastTheEndOfTheFileIsLoggedAndKeepsItsBytes) {
    const Bytes file =
        BglBuilder().airport(BglAirport().name(std::string("Frankfurt\0", 10), 40)).bytes();
    // The NAME's declared 34 bytes run past the end of the file, which ends with the record.
    decode(file);
    EXPECT_TRUE(log->contains("lf_decodeAirportNAMEEXCEPTION"));
    EXPECT_EQ(generatedOne().airportName, "Frankfurt");
}

TEST(BglQuickCheckTest, LooksForAnAirportSectionInTheTable) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool expected;
    };
    const auto header = [](std::uint32_t count, std::size_t size) {
        Bytes bytes(size, 0);
        putU32(bytes, 4, 56);
        putU32(bytes, 20, count);
        return bytes;
    };
    Bytes lastIsAirport = header(3, 56 + 60 + 1);
    putU32(lastIsAirport, 56, 0x65);
    putU32(lastIsAirport, 76, 0x22);
    putU32(lastIsAirport, 96, 3);
    Bytes noAirport = header(2, 56 + 40 + 10);
    putU32(noAirport, 56, 0x65);
    putU32(noAirport, 76, 0x22);
    Bytes exact = header(1, 76);
    putU32(exact, 56, 3);
    Bytes oneMore = header(1, 77);
    putU32(oneMore, 56, 3);
    Bytes wraps = header(0xCCCCCCCDu, 200); // × 20 wraps to 4 in 32 bits
    putU32(wraps, 56, 3);
    Bytes shortHeader = header(0, 30);
    putU32(shortHeader, 20, 1);
    const Case cases[] = {
        {"empty", {}, false},
        {"14 bytes", Bytes(14, 3), false},
        {"30 bytes", shortHeader, false},
        {"n = 0", header(0, 200), false},
        {"size exactly n x 20 + 56", exact, false},
        {"one byte more", oneMore, true},
        {"n whose x 20 wraps", wraps, false},
        {"type 3 in the last entry", lastIsAirport, true},
        {"no type 3", noAirport, false},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lf_hasAirportSection(c.bytes), c.expected);
        const std::filesystem::path path = folder.path() / "q.bgl";
        writeBytes(path, std::string(c.bytes.begin(), c.bytes.end()));
        EXPECT_EQ(lf_hasAirportSection(path), c.expected);
    }
    EXPECT_FALSE(lf_hasAirportSection(folder.path() / "missing.bgl"));
}

TEST(BglExtensionTest, TakesExactlyTwoSpellings) {
    EXPECT_TRUE(lf_isBglFile(".BGL"));
    EXPECT_TRUE(lf_isBglFile(".bgl"));
    EXPECT_FALSE(lf_isBglFile(".Bgl"));
    EXPECT_FALSE(lf_isBglFile(".bgl "));
    EXPECT_FALSE(lf_isBglFile(""));
}

} // namespace
} // namespace ksb::test

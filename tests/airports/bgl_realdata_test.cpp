// The BGL decoder on the real files of ../shared/realdata, read in place, and the truncation
// sweep over builder fixtures and the real airport file.
#include "airports/bgl_decode.h"
#include "airports_test_fixture.h"
#include "support/airport_scan_sinks.h"
#include "support/bgl_builder.h"
#include "support/realdata.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <set>

namespace ksb::test {
namespace {

namespace fs = std::filesystem;

constexpr double kMetresPerNm = 1852.0;

fs::path leab(std::string_view relative) {
    return realdataDir() / "leab" / relative;
}

const char* const kAirportFile = "LEAB ARV187/scenery/LEAB_ADEP4_ARV187.bgl";

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string oneDecimal(double value) {
    return fmt::format("{:.1f}", value);
}

class BglRealdataTest : public AirportsTest {};

TEST_F(BglRealdataTest, TheAirportFileDecodesToAlbaceteWithItsStands) {
    KSBY_REQUIRE_REALDATA();
    const Bytes bytes = readFile(leab(kAirportFile));
    ASSERT_EQ(bytes.size(), 64378u);
    EXPECT_TRUE(lf_hasAirportSection(bytes));
    RecordingAirportScanSink sink;
    lf_decodeBglBytes(bytes, "LEAB_ADEP4_ARV187.bgl", sink);
    EXPECT_EQ(sink.linkedIdents(), (std::vector<std::string>{"LEAB"}));
    // 71 entries less the three of type 13, and the helipad; no name needs a letter.
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{
                                "===> LEAB has 69 parkpos while archived one has 0"}));
    ASSERT_EQ(sink.generated().size(), 1u);
    const ScannedAirport airport = sink.generated().front();
    EXPECT_EQ(airport.airportName, "Albacete");
    EXPECT_EQ(airport.altitude, 2300);
    std::map<std::string, ParkPosition> byName;
    for (const ParkPosition& stand : airport.stands) {
        EXPECT_TRUE(byName.emplace(stand.name, stand).second) << stand.name;
    }
    for (const char* skipped : {"r17", "r79", "r80", "r26"}) {
        EXPECT_FALSE(byName.contains(skipped)) << skipped;
    }
    struct Spot {
        const char* name;
        const char* coordinates;
        const char* headingDegrees;
        const char* radiusMetres;
        bool ramp;
        bool heli;
    };
    const Spot spots[] = {
        {"r4", "38.946192,-1.879639", "359.3", "15.0", true, false},
        {"r1", "38.945196,-1.879746", "313.2", "17.0", false, false},
        {"r25", "38.954923,-1.851477", "178.8", "10.0", true, false},
        {"r86", "38.953379,-1.875426", "360.0", "10.0", true, false},
        {"helipad1", "38.953219,-1.857955", "255.8", "17.1", false, true},
    };
    for (const Spot& spot : spots) {
        SCOPED_TRACE(spot.name);
        ASSERT_TRUE(byName.contains(spot.name));
        const ParkPosition& stand = byName.at(spot.name);
        EXPECT_EQ(gf_coordinatesText({stand.latitude, stand.longitude}), spot.coordinates);
        EXPECT_EQ(oneDecimal(stand.heading * 180.0 / std::numbers::pi), spot.headingDegrees);
        EXPECT_EQ(oneDecimal(stand.radius * kMetresPerNm), spot.radiusMetres);
        EXPECT_EQ(stand.ramp, spot.ramp);
        EXPECT_EQ(stand.heli, spot.heli);
        EXPECT_FALSE(stand.cargo);
    }
    EXPECT_EQ(airport.stands.front().name, "helipad1");
    EXPECT_EQ(airport.stands[1].name, "r4");
}

TEST_F(BglRealdataTest, OtherRealFilesDecodeAsTheyHold) {
    KSBY_REQUIRE_REALDATA();
    struct Case {
        const char* file;
        bool quickCheck;
        std::optional<std::pair<std::string, std::int32_t>> nameAndAltitude;
    };
    const Case cases[] = {
        {"LEAB ARV187/world/scenery/LEAB_ADEP5_ARV187_ALT.bgl", true,
         std::pair<std::string, std::int32_t>{"Los Llanos", 2301}},
        {"LEAB_RFN/scenery/LEAB_XML_Wire_b.BGL", true,
         std::pair<std::string, std::int32_t>{"Albacete", 2303}},
        {"LEAB ARV187/scenery/LEAB_ADEP5_ARV187_CVX_b.bgl", false, std::nullopt},
        {"LEAB ARV187/scenery/parking 01.bgl", false, std::nullopt},
        {"SAF_ALA14_EF2000_FSX_P3D/scenery/World/Scenery/Traffic_Spain Eurofighter ALA_14_FSX.bgl",
         false, std::nullopt},
        {"../lkaa-vfr-wp/LKAA-VFR-WP/scenery/lkpr.BGL", false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path path = leab(c.file);
        ASSERT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ(lf_hasAirportSection(path), c.quickCheck);
        EXPECT_EQ(lf_hasAirportSection(readFile(path)), c.quickCheck);
        if (!c.nameAndAltitude) {
            continue;
        }
        RecordingAirportScanSink sink;
        lf_decodeBglBytes(readFile(path), c.file, sink);
        EXPECT_TRUE(sink.lines().empty());
        ASSERT_EQ(sink.generated().size(), 1u);
        const ScannedAirport airport = sink.generated().front();
        EXPECT_EQ(airport.ident, "LEAB");
        EXPECT_EQ(airport.airportName, c.nameAndAltitude->first);
        EXPECT_EQ(airport.altitude, c.nameAndAltitude->second);
        EXPECT_TRUE(airport.stands.empty());
    }
}

TEST_F(BglRealdataTest, TheOldFormatFileDecodesNothing) {
    KSBY_REQUIRE_REALDATA();
    RecordingAirportScanSink sink;
    lf_decodeBglBytes(readFile(leab("LEAB ARV187/scenery/parking 01.bgl")), "p.bgl", sink);
    EXPECT_TRUE(sink.calls().empty());
}

// Each prefix returns or throws ByteReadError, never anything else; a prefix that ends on a
// whole word before the airport's parking list is complete never generates that airport.
void sweepPrefix(const Bytes& bytes, std::size_t length, std::size_t parkingEnd) {
    SCOPED_TRACE(length);
    const std::span<const std::uint8_t> prefix(bytes.data(), length);
    RecordingAirportScanSink sink;
    try {
        lf_decodeBglBytes(prefix, "cut.bgl", sink);
    } catch (const ByteReadError&) {
    }
    (void)lf_hasAirportSection(prefix);
    if (length % 4 == 0 && length < parkingEnd) {
        EXPECT_TRUE(sink.generated().empty());
    }
}

TEST(BglTruncationSweepTest, EveryPrefixOfSmallFixturesFailsCleanly) {
    BglParkingEntry entry;
    entry.codeCount = 2;
    const std::vector<BglAirport> records{
        BglAirport("EDDF").name(std::string("Frankfurt\0", 10)).helipad(50, 8, 20, 0).parking(
            BglAirport::kParking, {entry, entry}),
        BglAirport("LEAB", BglAirport::kLaterRecord)
            .name("Los Llanos")
            .parking(BglAirport::kLaterParking, {entry}),
    };
    for (const BglAirport& record : records) {
        const Bytes bytes = BglBuilder().airport(record).section(0x65, Bytes(24, 1)).bytes();
        // Two section entries and a subsection entry before the record, which ends with its
        // parking sub-record.
        const std::size_t parkingEnd = 56 + 2 * 20 + 16 + record.bytes().size();
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            sweepPrefix(bytes, length, parkingEnd);
        }
    }
}

TEST(BglTruncationSweepTest, PrefixesOfTheRealAirportFileFailCleanly) {
    KSBY_REQUIRE_REALDATA();
    const Bytes bytes = readFile(leab(kAirportFile));
    // Structure boundaries, found by a walk of their own: header, section entries, the record,
    // its sub-records and the parking entries.
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8);
    };
    const auto u32 = [&](std::size_t at) {
        return u16(at) | u16(at + 2) << 16;
    };
    std::set<std::size_t> boundaries{0, 56};
    for (std::size_t i = 0; i <= 11; ++i) {
        boundaries.insert(56 + 20 * i);
    }
    const std::size_t record = 516;
    const std::size_t recordEnd = record + u32(record + 2);
    ASSERT_EQ(recordEnd, 516u + 35428u);
    boundaries.insert({record, record + 20, record + 40, record + 56, recordEnd});
    std::size_t parkingEnd = 0;
    for (std::size_t at = record + 56; at < recordEnd; at += u32(at + 2)) {
        boundaries.insert(at);
        if (u16(at) == 0x003D) {
            parkingEnd = at + u32(at + 2);
            std::size_t entry = at + 8;
            for (std::uint32_t i = 0; i < u16(at + 6); ++i) {
                boundaries.insert({entry, entry + 4, entry + 28, entry + 36});
                entry += 36 + 4 * (u32(entry) >> 24);
            }
            EXPECT_EQ(entry, parkingEnd);
        }
    }
    ASSERT_NE(parkingEnd, 0u);
    std::set<std::size_t> lengths;
    for (const std::size_t boundary : boundaries) {
        for (std::size_t d = 0; d <= 6; ++d) {
            if (boundary + d >= 3 && boundary + d - 3 <= bytes.size()) {
                lengths.insert(boundary + d - 3);
            }
        }
    }
    for (std::size_t length = 0; length <= bytes.size(); length += 61) {
        lengths.insert(length);
    }
    for (const std::size_t length : lengths) {
        sweepPrefix(bytes, length, parkingEnd);
    }
}

} // namespace
} // namespace ksb::test

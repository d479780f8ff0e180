#include "park_airport_fixture.h"

#include "support/file_bytes.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace ksb::test;

namespace {

// The message line fails, as a broken window might.
class ThrowingMessageSink final : public ksb::MessageSink {
public:
    void showMessage(std::string_view, bool) override {
        throw std::runtime_error("message line broken");
    }
    void showError(std::string_view) override {}
};

class ParkAirportMergeTest : public ksb::test::ParkAirportTest {
protected:
    // (registration, sequence number, learned) of the stand's observations.
    static std::vector<std::tuple<std::string, std::uint32_t, bool>>
    observationsOf(const std::string& name) {
        std::vector<std::tuple<std::string, std::uint32_t, bool>> result;
        for (const StandObservation& o : stand(name).observations) {
            result.emplace_back(o.registration, o.sequenceNumber, o.learned);
        }
        return result;
    }
};

TEST_F(ParkAirportMergeTest, LearnedObservationsAreMergedWithoutDuplicates) {
    ehamAirportFile().write(ksb::test::kStockFile);
    ehamLearnedFile()
        .parkpos({{"id", "D1"}},
                 {// Same as the airport file's: day, soft, registration, airline, type, 21.
                  opt("D-AIPA", "3", "21,22"),
                  // Disjoint half hours: a new observation.
                  opt("D-AIPA", "3", "30"),
                  // Another day.
                  opt("D-AIPA", "4", "20"),
                  // A repeat of the one before within this file.
                  opt("D-AIPA", "4", "20,40")})
        .parkpos({{"id", "D2"}, {"radius_change", "true"}, {"radius", "45.5"}},
                 {opt("EI-DVM", "1", "2", "RYR1:RYR2")})
        .parkpos({{"id", "F9"}, {"cargo_change", "true"}, {"cargo", "true"}})
        .parkpos({{"id", "Z99"}}, {opt("EI-DVM", "1", "2")})
        .write(kLearnedStock);

    EXPECT_EQ(load(ksb::test::kStockFile), "");

    using Row = std::tuple<std::string, std::uint32_t, bool>;
    EXPECT_EQ(observationsOf("D1"),
              (std::vector<Row>{{"D-AIPA", 1, false}, {"D-AIPA", 2, true}, {"D-AIPA", 3, true}}));
    EXPECT_EQ(observationsOf("D2"), (std::vector<Row>{{"EI-DVM", 1, true}}));
    const StandObservation& ryanair = stand("D2").observations[0];
    EXPECT_EQ(ryanair.callsign, "RYR1");
    EXPECT_EQ(ryanair.coupledCallsign, "RYR2");
    EXPECT_EQ(ryanair.airline, "RYR");
    EXPECT_EQ(ryanair.type, "B738");
    EXPECT_TRUE(stand("D2").radiusChanged);
    EXPECT_DOUBLE_EQ(stand("D2").radius, 45.5 / 1852.0);
    EXPECT_FALSE(stand("D2").cargoChanged);
    EXPECT_TRUE(stand("F9").cargoChanged);
    EXPECT_TRUE(stand("F9").cargo);
    EXPECT_FALSE(stand("F9").radiusChanged);
    EXPECT_TRUE(
        log->contains(fmt::format("learned stand Z99 in {} not found?", kLearnedStock.string())));
    EXPECT_FALSE(fs::exists(kBackup));
}

TEST_F(ParkAirportMergeTest, ManualStandsAreAddedOnlyWhenNewAndComplete) {
    ehamAirportFile().write(ksb::test::kStockFile);
    auto manual = [](const std::string& id, ksb::test::XmlAttributes extra) {
        ksb::test::XmlAttributes attributes{{"id", id}, {"manual", "true"}};
        attributes.insert(attributes.end(), extra.begin(), extra.end());
        return attributes;
    };
    ehamLearnedFile()
        .parkpos(manual("M1", {{"latitude", "52.31"},
                               {"longitude", "4.75"},
                               {"radius", "18.0"},
                               {"heading", "180"},
                               {"heli", "true"},
                               {"cargo", "true"}}),
                 {opt("PH-BFA", "5", "10"), opt("PH-BFA", "5", "10")})
        .parkpos(manual("D1", {{"latitude", "52.31"}, {"longitude", "4.75"}, {"radius", "18"}}),
                 {opt("EI-DVM", "1", "1")})
        .parkpos(manual("M2", {{"radius", "18"}}))
        .parkpos(manual("M3", {{"latitude", "52.31"}, {"longitude", "4.75"}, {"radius", "0"}}))
        .write(kLearnedStock);

    EXPECT_EQ(load(ksb::test::kStockFile), "");

    const auto& stands = gf_parkAirportState().stands;
    ASSERT_EQ(stands.size(), 4u);
    const ParkPosition& m1 = stands[3];
    EXPECT_EQ(m1.name, "M1");
    EXPECT_TRUE(m1.manual);
    EXPECT_TRUE(m1.heli);
    EXPECT_TRUE(m1.cargo);
    EXPECT_FALSE(m1.ramp);
    EXPECT_DOUBLE_EQ(m1.heading, 3.141592653589793);
    EXPECT_DOUBLE_EQ(m1.radius, 18.0 / 1852.0);
    EXPECT_EQ(m1.standId, 4u);
    // A manual stand's observations are taken as they are, numbered in order.
    using Row = std::tuple<std::string, std::uint32_t, bool>;
    EXPECT_EQ(observationsOf("M1"), (std::vector<Row>{{"PH-BFA", 1, true}, {"PH-BFA", 2, true}}));
    EXPECT_EQ(stands[3].observations[0].airline, "MPH");
    // The existing D1 is untouched.
    EXPECT_EQ(observationsOf("D1"), (std::vector<Row>{{"D-AIPA", 1, false}}));
    EXPECT_FALSE(stand("D1").manual);
    const std::string learned = kLearnedStock.string();
    EXPECT_TRUE(log->contains(
        fmt::format("===> manually created standid D1 already exists in {}", learned)));
    EXPECT_TRUE(log->contains(
        fmt::format("===> manually created standid M2 misses correct attributes in {}", learned)));
    EXPECT_TRUE(log->contains(
        fmt::format("===> manually created standid M3 misses correct attributes in {}", learned)));
}

TEST_F(ParkAirportMergeTest, AHandmadeFileReplacesTheStandsWhateverItsValue) {
    for (const std::string value : {"true", "false"}) {
        SCOPED_TRACE(value);
        startOver();
        ehamAirportFile().write(ksb::test::kStockFile);
        ehamLearnedFile()
            .parameter("handmade", value)
            .parkpos(standAttributes("H1", 52.30, 4.76), {opt("EI-DVM", "1", "1")})
            .write(kLearnedStock);
        freshLog();

        EXPECT_EQ(load(ksb::test::kStockFile), "");

        const ksb::ParkAirportState& state = gf_parkAirportState();
        EXPECT_TRUE(state.handmade);
        EXPECT_TRUE(mainWindow.handmadeMark.load());
        ASSERT_EQ(state.stands.size(), 1u);
        EXPECT_EQ(state.stands[0].name, "H1");
        EXPECT_FALSE(state.stands[0].observations[0].learned);
        EXPECT_TRUE(log->contains("          handmade                : " + value));
        EXPECT_TRUE(log->contains("A handmade airport file overruled the archived file!"));
        EXPECT_TRUE(log->contains(
            fmt::format("Airport file read from \"{}\" for Schiphol", kLearnedStock.string())));
    }
}

// A stand of 18.5 m fits some of region E's candidates (an A320's half span is 17.9 m).
TEST_F(ParkAirportMergeTest, TestTrafficIsMadeAfterTheMergeWhenAsked) {
    for (const bool parkFake : {true, false}) {
        SCOPED_TRACE(parkFake);
        startOver();
        ehamAirportFile()
            .parkpos(standAttributes("S1", 52.29, 4.75, 18.5))
            .write(ksb::test::kStockFile);
        ehamLearnedFile().parameter("PARK_FAKE", parkFake ? "true" : "false").write(kLearnedStock);
        EXPECT_EQ(load(ksb::test::kStockFile), "");
        const auto& observations = stand("S1").observations;
        ASSERT_EQ(observations.size(), parkFake ? 1u : 0u);
        if (parkFake) {
            EXPECT_TRUE(observations[0].testTraffic);
            EXPECT_FALSE(observations[0].learned);
            EXPECT_TRUE(observations[0].soft);
            // Several of the region's candidates fit; the draw picks one of them.
            const std::vector<std::string> regionTypes{"B77W", "A320", "B738", "A21N"};
            EXPECT_NE(std::find(regionTypes.begin(), regionTypes.end(), observations[0].type),
                      regionTypes.end());
        }
    }
}

// A learned file that is not used in full is kept beside itself before a close can overwrite
// it; the load goes on as for any such file.
TEST_F(ParkAirportMergeTest, ALearnedFileNotUsedInFullIsKeptAsABackup) {
    struct Case {
        std::string name;
        AirportFileBuilder learned;
        std::string ownLine; // the line before the kept line
        std::size_t stands;
        std::size_t d1Observations;
        bool brokenMessageLine = false;
    };
    const std::string path = kLearnedStock.string();
    AirportFileBuilder broken;
    broken.raw("<meta><info");
    const std::vector<Case> cases = {
        {"does not parse", broken,
         fmt::format("{} found, but could not be loaded, saved as *.0.xml: Error parsing start "
                     "element tag",
                     path),
         3, 1},
        {"meta refused",
         ehamLearnedFile().withoutMetaEntry("date").parkpos({{"id", "D1"}},
                                                            {opt("EI-DVM", "1", "5")}),
         "===> meta data incorrect?", 3, 1},
        {"an exception part-way through the load of the file",
         AirportFileBuilder()
             .parameter("airport_name", "Amsterdam")
             .parkpos({{"id", "D1"}}, {opt("EI-DVM", "1", "5")}),
         "exception in lf_readLearned: message line broken", 3, 1, true},
        {"a handmade file with a duplicate stand",
         ehamLearnedFile()
             .parameter("handmade", "true")
             .parkpos(standAttributes("H1", 52.3, 4.76))
             .parkpos(standAttributes("H1", 52.3, 4.77)),
         "exception in lf_readLearned: 94: Parking position H1 appears more than once?", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        ehamAirportFile().write(ksb::test::kStockFile);
        // An older backup is replaced.
        ksb::test::writeBytes(kBackup, "old backup");
        c.learned.write(kLearnedStock);
        const std::string original = ksb::test::readBytes(kLearnedStock);
        freshLog();
        ThrowingMessageSink broken;
        if (c.brokenMessageLine) {
            gf_setMessageSink(&broken);
        }

        EXPECT_EQ(load(ksb::test::kStockFile), "");
        gf_setMessageSink(&messages);

        EXPECT_EQ(ksb::test::readBytes(kBackup), original);
        EXPECT_EQ(ksb::test::readBytes(kLearnedStock), original);
        const auto lines = logLines();
        const std::string kept =
            fmt::format("===> learned file \"{}\" kept as \"{}\"", path, kBackup.string());
        const auto at = std::find(lines.begin(), lines.end(), kept);
        ASSERT_NE(at, lines.end());
        if (!c.ownLine.empty()) {
            ASSERT_NE(at, lines.begin());
            EXPECT_EQ(*(at - 1), c.ownLine);
        }
        EXPECT_TRUE(gf_parkAirportState().parkAirportLoaded);
        EXPECT_EQ(gf_parkAirportState().stands.size(), c.stands);
        if (c.stands == 3) {
            EXPECT_EQ(stand("D1").observations.size(), c.d1Observations);
        }
    }
}

TEST_F(ParkAirportMergeTest, ABackupThatCannotBeWrittenIsLoggedAndTheLoadGoesOn) {
    ehamAirportFile().write(ksb::test::kStockFile);
    AirportFileBuilder().raw("<meta><info").write(kLearnedStock);
    // A folder where the backup belongs.
    fs::create_directories(kBackup / "inside");

    EXPECT_EQ(load(ksb::test::kStockFile), "");

    const auto lines = logLines();
    const std::string prefix = fmt::format("===> learned file \"{}\" could not be kept as \"{}\": ",
                                           kLearnedStock.string(), kBackup.string());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const std::string& l) { return l.starts_with(prefix); }));
    EXPECT_TRUE(gf_parkAirportState().parkAirportLoaded);
}

} // namespace

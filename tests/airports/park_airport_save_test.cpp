#include "park_airport_fixture.h"

#include "core/parameters_file.h"
#include "support/file_bytes.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace ksb::test;

namespace {

// The fixture's clock.
const std::string kClock = "10:29:59";

// The <parkpos> ids of a written learned file, with their <opt> registrations.
std::vector<std::pair<std::string, std::vector<std::string>>> lf_savedStands(const fs::path& path) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    std::vector<std::pair<std::string, std::vector<std::string>>> stands;
    for (pugi::xml_node parkpos : doc.child("parkpositions").children("parkpos")) {
        std::vector<std::string> registrations;
        for (pugi::xml_node o : parkpos.children("opt")) {
            registrations.emplace_back(o.attribute("reg").value());
        }
        stands.emplace_back(parkpos.attribute("id").value(), std::move(registrations));
    }
    return stands;
}

std::string lf_parameter(const fs::path& path, const std::string& name) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    return gf_findParameterNode(doc, name).attribute("value").value();
}

class ParkAirportSaveTest : public ksb::test::ParkAirportTest {
protected:
    // As the engine learns: an observation with the next sequence number.
    static void learn(const std::string& standName, const std::string& registration, int day) {
        std::lock_guard lock(trafficState.trafficMutex);
        for (ParkPosition& s : gf_parkAirportState().stands) {
            if (s.name == standName) {
                StandObservation o;
                o.registration = registration;
                // The engine takes them from the aircraft database.
                const auto record = gf_dbaseRecordOfReg(registration);
                if (record) {
                    o.airline =
                        record->operatorCode.empty() ? record->airline : record->operatorCode;
                    o.type = record->type;
                }
                o.day = day;
                o.halfHours.set(12);
                o.learned = true;
                o.sequenceNumber = lf_nextSequenceNumber(s);
                s.observations.push_back(o);
                ++gf_parkAirportState().learnedUpdateCount;
            }
        }
    }
    std::vector<RecordedMessage> messagesAfter(std::size_t before) const {
        const auto all = messages.all();
        return {all.begin() + static_cast<long>(before), all.end()};
    }
};

TEST_F(ParkAirportSaveTest, TheCloseWritesOnlyWhenSomethingWasLearnedOrChanged) {
    struct Case {
        std::string name;
        std::int32_t updates;
        bool settingsChanged;
        bool handmade;
        std::string message; // empty: nothing written
    };
    const std::string path = kLearnedStock.string();
    const std::vector<Case> cases = {
        {"nothing learned", 0, false, false, ""},
        {"a negative count alone", -1, false, false, ""},
        {"one update", 1, false, false,
         fmt::format("{} \"{}\" saved with 1 update ", kClock, path)},
        {"two updates", 2, false, false,
         fmt::format("{} \"{}\" saved with 2 updates ", kClock, path)},
        {"a setting changed", 0, true, false,
         fmt::format("{} \"{}\" saved with 0 updates and one or more parameter changes", kClock,
                     path)},
        {"a setting changed, negative count", -1, true, false,
         fmt::format("{} \"{}\" saved with -1 update and one or more parameter changes", kClock,
                     path)},
        {"handmade", 1, false, true,
         fmt::format("{} handmade \"{}\" saved with 1 update ", kClock, path)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        ehamAirportFile().write(ksb::test::kStockFile);
        if (c.handmade) {
            ehamLearnedFile()
                .parameter("handmade", "true")
                .parkpos(standAttributes("H1", 52.3, 4.76))
                .write(kLearnedStock);
        }
        ASSERT_EQ(load(ksb::test::kStockFile), "");
        const std::string before =
            fs::exists(kLearnedStock) ? ksb::test::readBytes(kLearnedStock) : std::string();
        gf_parkAirportState().learnedUpdateCount = c.updates;
        parkSettingsChanged = c.settingsChanged;
        const auto messagesBefore = messages.all().size();
        services.takeCalls();

        close();

        if (c.message.empty()) {
            EXPECT_TRUE(messagesAfter(messagesBefore).empty());
            EXPECT_EQ(fs::exists(kLearnedStock) ? ksb::test::readBytes(kLearnedStock)
                                                : std::string(),
                      before);
        } else {
            EXPECT_EQ(
                messagesAfter(messagesBefore),
                (std::vector<RecordedMessage>{{RecordedMessage::Kind::message, c.message, true}}));
            EXPECT_NE(ksb::test::readBytes(kLearnedStock), before);
        }
        const ksb::ParkAirportState& state = gf_parkAirportState();
        EXPECT_EQ(state.learnedUpdateCount, c.message.empty() ? c.updates : 0);
        EXPECT_EQ(parkSettingsChanged.load(), c.message.empty() && c.settingsChanged);
        EXPECT_FALSE(state.parkAirportLoaded);
        EXPECT_FALSE(state.handmade);
        EXPECT_TRUE(state.currentPath.empty());
        // The chooser empties the name and the stands after the close.
        EXPECT_EQ(state.name, "EHAM");
        EXPECT_FALSE(state.stands.empty());
        EXPECT_FALSE(control(FLUSH_STATIC_BUTTON.commandId()).enabled);
        EXPECT_FALSE(control(parking_percentage.commandId()).enabled);
        EXPECT_EQ(services.takeCalls(), std::vector<std::string>{"setParkElevation(none)"});
    }
}

TEST_F(ParkAirportSaveTest, TheSaveWritesOnlyWhatWasLearnedAndLeavesTheStandsAlone) {
    PARK_FAKE.setRaw(true);
    ehamAirportFile().write(ksb::test::kStockFile);
    ehamLearnedFile()
        .parameter("PARK_FAKE", "true")
        .parkpos({{"id", "D2"}}, {opt("EI-DVM", "1", "5")})
        .parkpos({{"id", "F9"}, {"cargo_change", "true"}, {"cargo", "true"}})
        .write(kLearnedStock);
    ASSERT_EQ(load(ksb::test::kStockFile), "");
    learn("D1", "PH-BFA", 2);
    std::vector<std::size_t> observationCounts;
    for (const ParkPosition& s : gf_parkAirportState().stands) {
        observationCounts.push_back(s.observations.size());
    }

    {
        std::lock_guard lock(trafficState.trafficMutex);
        gf_saveParkAirportApf();
    }

    // D1's airport-file observation and every test flight stay out; F9 keeps its change.
    using Saved = std::vector<std::pair<std::string, std::vector<std::string>>>;
    EXPECT_EQ(lf_savedStands(kLearnedStock),
              (Saved{{"D1", {"PH-BFA"}}, {"D2", {"EI-DVM"}}, {"F9", {}}}));
    std::vector<std::size_t> after;
    for (const ParkPosition& s : gf_parkAirportState().stands) {
        after.push_back(s.observations.size());
    }
    EXPECT_EQ(after, observationCounts);
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 0);
    EXPECT_TRUE(gf_parkAirportState().parkAirportLoaded);
}

TEST_F(ParkAirportSaveTest, AHandmadeSaveWritesWholeStandsAltitudeAndFactorsWithoutTestTraffic) {
    PARK_FAKE.setRaw(true);
    ehamAirportFile().write(ksb::test::kStockFile);
    ehamLearnedFile()
        .parameter("handmade", "true")
        .parameter("PARK_FAKE", "true")
        .parkpos(standAttributes("H1", 52.3, 4.76, 40.0), {opt("EI-DVM", "1", "5")})
        .parkpos(standAttributes("H2", 52.31, 4.76, 18.5))
        .write(kLearnedStock);
    ASSERT_EQ(load(ksb::test::kStockFile), "");
    // H2 fits an A320 of the test traffic, which neither the file nor its factors hold.
    ASSERT_EQ(stand("H2").observations.size(), 1u);
    ASSERT_TRUE(stand("H2").observations[0].testTraffic);
    const QualityFactors withoutTestTraffic = [] {
        std::vector<ParkPosition> stands = gf_parkAirportState().stands;
        for (ParkPosition& s : stands) {
            std::erase_if(s.observations, [](const StandObservation& o) { return o.testTraffic; });
        }
        return gf_computeQualityFactors(stands);
    }();
    // The no-argument form rates the park airport's stands, test traffic included.
    EXPECT_NE(withoutTestTraffic.soft, gf_computeQualityFactors().soft);
    gf_parkAirportState().learnedUpdateCount = 1;

    close();

    using Saved = std::vector<std::pair<std::string, std::vector<std::string>>>;
    EXPECT_EQ(lf_savedStands(kLearnedStock), (Saved{{"H1", {"EI-DVM"}}, {"H2", {}}}));
    EXPECT_EQ(lf_parameter(kLearnedStock, "handmade"), "true");
    EXPECT_EQ(lf_parameter(kLearnedStock, "altitude"), "-11");
    EXPECT_EQ(lf_parameter(kLearnedStock, "Qf_real"), std::to_string(withoutTestTraffic.real));
    EXPECT_EQ(lf_parameter(kLearnedStock, "Qf_soft"), std::to_string(withoutTestTraffic.soft));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(kLearnedStock.c_str()));
    EXPECT_STREQ(doc.child("parkpositions").child("parkpos").attribute("radius").value(), "40.0");
}

// The learned file lies where the next load looks for it, whatever the publisher says.
TEST_F(ParkAirportSaveTest, TheLearnedFileGoesToTheLearnedPathOfTheLoadedFile) {
    struct Case {
        std::string name;
        fs::path apf;
        std::string publisher;
        fs::path learned;
    };
    const std::vector<Case> cases = {
        {"stock archive", ksb::test::kStockFile, "stock", kLearnedStock},
        {"stock file naming another publisher", ksb::test::kStockFile, "ORBX", kLearnedStock},
        {"ORBX archive", ksb::test::kArchivedOrbx, "ORBX", "airports/learned/ORBX/EHAM.xml"},
        {"third-party archive", ksb::test::kArchivedThirdParty, "Aerosoft",
         "airports/learned/thirdparty/Aerosoft/EHAM.xml"},
        {"my_ORBX", ksb::test::kOrbxFile, "ORBX", "airports/learned/ORBX/EHAM.xml"},
        {"my_thirdparty, folder created", ksb::test::kThirdPartyFile, "Aerosoft",
         "airports/learned/thirdparty/Aerosoft/EHAM.xml"},
        {"my_thirdparty without a publisher", ksb::test::kThirdPartyFile, "",
         "airports/learned/thirdparty/EHAM.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        ehamAirportFile(c.publisher).write(c.apf);
        ASSERT_EQ(load(c.apf), "");
        learn("D2", "EI-DVM", 4);
        close();

        ASSERT_TRUE(fs::exists(c.learned));
        gf_parkAirportState().name = "EHAM";
        freshLog();
        ASSERT_EQ(load(c.apf), "");
        EXPECT_TRUE(log->contains(
            fmt::format("Read from learned airport file: \"{}\"", c.learned.string())));
        EXPECT_EQ(stand("D2").observations.size(), 1u);
    }
}

TEST_F(ParkAirportSaveTest, AFailedSaveReportsKeepsTheOldFileAndZeroesTheCounts) {
    struct Case {
        std::string name;
        fs::path apf;
        std::string publisher;
        std::function<void()> obstruct;
        fs::path target;     // named in the failure message
        std::string warning; // the line after it; empty for none
    };
    const std::vector<Case> cases = {
        {"the file cannot be written", ksb::test::kStockFile, "stock",
         [] { fs::create_directories("airports/learned/stock/EHAM.xml.tmp"); }, kLearnedStock, ""},
        {"an airport file outside the known folders is never written over",
         "airports/elsewhere/EHAM.xml", "stock", [] {}, "airports/elsewhere/EHAM.xml", ""},
        {"the publisher's folder cannot be created", ksb::test::kThirdPartyFile, "Aerosoft",
         [] { ksb::test::writeBytes("airports/learned/thirdparty", "a file"); },
         "airports/learned/thirdparty/Aerosoft/EHAM.xml",
         "===> could not create folder \"airports/learned/thirdparty/Aerosoft\": Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        ehamAirportFile(c.publisher).write(c.apf);
        ehamLearnedFile().parkpos({{"id", "D2"}}, {opt("EI-DVM", "1", "5")}).write(kLearnedStock);
        const std::string oldLearned = ksb::test::readBytes(kLearnedStock);
        const std::string oldApf = ksb::test::readBytes(c.apf);
        ASSERT_EQ(load(c.apf), "");
        learn("D1", "PH-BFA", 2);
        parkSettingsChanged = true;
        c.obstruct();
        const auto messagesBefore = messages.all().size();
        freshLog();

        close();

        EXPECT_EQ(messagesAfter(messagesBefore),
                  (std::vector<RecordedMessage>{
                      {RecordedMessage::Kind::message,
                       fmt::format("{} saving \"{}\" did not succeed", kClock, c.target.string()),
                       true}}));
        if (!c.warning.empty()) {
            EXPECT_EQ(logLines(), std::vector<std::string>{c.warning});
        }
        EXPECT_EQ(ksb::test::readBytes(kLearnedStock), oldLearned);
        EXPECT_EQ(ksb::test::readBytes(c.apf), oldApf);
        // No temporary file is left; the first case's obstruction is a folder of its own.
        const fs::path temporary = c.target.string() + ".tmp";
        EXPECT_TRUE(!fs::exists(temporary) || fs::is_empty(temporary));
        EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 0);
        EXPECT_FALSE(parkSettingsChanged);
        EXPECT_FALSE(gf_parkAirportState().parkAirportLoaded);
    }
}

// What the engine learns comes back from the learned file as it was, and nothing else is added.
TEST_F(ParkAirportSaveTest, ALearnedFileRoundTripsThroughCloseAndLoad) {
    ehamAirportFile().write(ksb::test::kArchivedOrbx);
    const fs::path learnedPath = "airports/learned/ORBX/EHAM.xml";
    ehamLearnedFile()
        .parkpos({{"id", "D2"}}, {opt("EI-DVM", "1", "5", "RYR1:RYR2")})
        .parkpos({{"id", "M1"},
                  {"manual", "true"},
                  {"latitude", "52.305"},
                  {"longitude", "4.765"},
                  {"radius", "25.0"},
                  {"heading", "45"}},
                 {opt("PH-BFA", "6", "7,8")})
        .write(learnedPath);
    ASSERT_EQ(load(ksb::test::kArchivedOrbx), "");
    learn("D1", "D-AIPA", 5);
    {
        std::lock_guard lock(trafficState.trafficMutex);
        ParkPosition& f9 = gf_parkAirportState().stands[2];
        f9.radius = 50.0 / 1852.0;
        f9.radiusChanged = true;
        ++gf_parkAirportState().learnedUpdateCount;
    }
    const std::vector<ParkPosition> before = gf_parkAirportState().stands;
    close();

    gf_parkAirportState().name = "EHAM";
    ASSERT_EQ(load(ksb::test::kArchivedOrbx), "");

    const std::vector<ParkPosition>& after = gf_parkAirportState().stands;
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(after[i].name);
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_EQ(after[i].manual, before[i].manual);
        EXPECT_EQ(after[i].radiusChanged, before[i].radiusChanged);
        EXPECT_NEAR(after[i].radius, before[i].radius, 0.05 / 1852.0);
        EXPECT_NEAR(after[i].heading, before[i].heading, 1e-9);
        ASSERT_EQ(after[i].observations.size(), before[i].observations.size());
        for (std::size_t k = 0; k < after[i].observations.size(); ++k) {
            const StandObservation& a = after[i].observations[k];
            const StandObservation& b = before[i].observations[k];
            EXPECT_EQ(a.registration, b.registration);
            EXPECT_EQ(a.airline, b.airline);
            EXPECT_EQ(a.type, b.type);
            EXPECT_EQ(a.callsign, b.callsign);
            EXPECT_EQ(a.coupledCallsign, b.coupledCallsign);
            EXPECT_EQ(a.day, b.day);
            EXPECT_EQ(a.halfHours, b.halfHours);
            EXPECT_EQ(a.sequenceNumber, b.sequenceNumber);
            EXPECT_EQ(a.learned, b.learned);
            EXPECT_EQ(a.soft, b.soft);
        }
    }
}

} // namespace

// tools/workfolder writes the shared scene's files, or with --traffic-scene the traffic scene's:
// each file as the scene's data gives it.
#include "support/airports_list_fixture.h"
#include "support/catalogue_fixtures.h"
#include "support/e2e/traffic_scene.h"
#include "support/file_bytes.h"
#include "support/piped_program.h"
#include "support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace traffic = ksb::e2e::trafficScene;

// Runs the program to its end; its exit code.
int lf_runWorkfolder(std::vector<std::string> args) {
    ksb::test::PipedProgram program(KSBY_WORKFOLDER_PROGRAM, std::move(args));
    while (program.line() != "<none>") {
    }
    return program.exitCode();
}

std::map<std::string, std::string> lf_parameters(const pugi::xml_node& parent) {
    std::map<std::string, std::string> values;
    for (const pugi::xml_node& p : parent.children("parameter")) {
        values[p.attribute("name").value()] = p.attribute("value").value();
    }
    return values;
}

pugi::xml_document lf_load(const fs::path& file) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(file.c_str());
    EXPECT_TRUE(result) << file << ": " << result.description();
    return doc;
}

TEST(WorkfolderProgramTest, TheTrafficSceneOptionWritesTheScenesFiles) {
    const ksb::test::TempFolder root;
    ASSERT_EQ(lf_runWorkfolder({root.path().string(), "--traffic-scene"}), 0);
    const fs::path work = root / "work";

    const auto parameters = lf_parameters(
        lf_load(root / "appdata" / "KSBY_P3D" / "parameters.xml").child("parameters"));
    EXPECT_EQ(parameters.at("LOG"), "true");
    EXPECT_EQ(parameters.at("AUTO_RANGE"), "false");
    EXPECT_EQ(parameters.at("LATERAL_RANGE"), "10");
    EXPECT_EQ(parameters.at("MATCHING_DEPTH"), "4");
    EXPECT_EQ(parameters.at("SCAN_AIRPORTS"), "false");

    EXPECT_EQ(ksb::test::readBytes(work / "input" / "dbase.xml"),
              ksb::test::dbaseXmlText(traffic::dbaseSpec()));
    EXPECT_EQ(ksb::test::readBytes(work / "input" / "my_regcodes" / "scene.TXT"),
              "Scene A320 DLH D-AIBC;D-AIBC\n");
    EXPECT_EQ(ksb::test::readBytes(work / "output" / "LiveriesScanned.xml"),
              ksb::test::liveriesFileText(traffic::liveries()));
    EXPECT_EQ(ksb::test::readBytes(work / "input" / "airports_p3d.xml"),
              ksb::test::airportsListText(traffic::airports()));

    // The park airport's file: every stand with its point, heading and radius, no observation.
    const pugi::xml_document airport = lf_load(work / "airports" / "my_thirdparty" / "EDDF.xml");
    EXPECT_TRUE(airport.child("meta"));
    const auto airportParameters = lf_parameters(airport.child("parameters"));
    EXPECT_EQ(airportParameters,
              (std::map<std::string, std::string>{{"airport_name", "Scene Frankfurt"},
                                                  {"publisher", "scene"},
                                                  {"altitude", "364"},
                                                  {"num_parkpos", "30"}}));
    std::vector<std::string> ids;
    for (const pugi::xml_node& parkpos : airport.child("parkpositions").children("parkpos")) {
        const traffic::Stand stand = traffic::stand(parkpos.attribute("id").value());
        SCOPED_TRACE(stand.name);
        ids.push_back(stand.name);
        EXPECT_EQ(parkpos.attribute("latitude").as_double(), stand.position.latitude);
        EXPECT_EQ(parkpos.attribute("longitude").as_double(), stand.position.longitude);
        EXPECT_EQ(parkpos.attribute("heading").as_double(), stand.heading);
        EXPECT_EQ(parkpos.attribute("radius").as_double(), 30.0);
        EXPECT_FALSE(parkpos.child("opt"));
    }
    std::vector<std::string> expectedIds;
    for (const traffic::Stand& stand : traffic::stands()) {
        expectedIds.push_back(stand.name);
    }
    EXPECT_EQ(ids, expectedIds);

    // The learned file: no per-airport settings; B1-B3 seen every weekday in every half hour.
    const pugi::xml_document learned =
        lf_load(work / "airports" / "learned" / "thirdparty" / "scene" / "EDDF.xml");
    EXPECT_TRUE(learned.child("meta"));
    EXPECT_EQ(lf_parameters(learned.child("parameters")),
              (std::map<std::string, std::string>{{"airport_name", "Scene Frankfurt"},
                                                  {"publisher", "scene"},
                                                  {"num_parkpos", "3"}}));
    std::string allHalfHours = "0";
    for (int slot = 1; slot < 48; ++slot) {
        allHalfHours += fmt::format(",{}", slot);
    }
    std::vector<std::string> learnedStands;
    for (const pugi::xml_node& parkpos : learned.child("parkpositions").children("parkpos")) {
        learnedStands.push_back(parkpos.attribute("id").value());
        int day = 0;
        for (const pugi::xml_node& opt : parkpos.children("opt")) {
            ++day;
            EXPECT_EQ(opt.attribute("day").as_int(), day);
            EXPECT_EQ(std::string(opt.attribute("hh").value()), allHalfHours);
            EXPECT_FALSE(opt.attribute("soft"));
        }
        EXPECT_EQ(day, 7);
    }
    EXPECT_EQ(learnedStands, (std::vector<std::string>{"B1", "B2", "B3"}));
    const pugi::xml_node b3 = learned.child("parkpositions").find_child_by_attribute("id", "B3");
    EXPECT_EQ(std::string(b3.child("opt").attribute("reg").value()), "D-AISA");
    EXPECT_EQ(std::string(b3.child("opt").attribute("cs").value()), "DLH220");
}

TEST(WorkfolderProgramTest, WithoutTheOptionTheSharedSceneStays) {
    const ksb::test::TempFolder root;
    ASSERT_EQ(lf_runWorkfolder({root.path().string()}), 0);
    const fs::path work = root / "work";
    const auto parameters = lf_parameters(
        lf_load(root / "appdata" / "KSBY_P3D" / "parameters.xml").child("parameters"));
    EXPECT_EQ(parameters.count("LATERAL_RANGE"), 0u);
    EXPECT_EQ(parameters.count("MATCHING_DEPTH"), 0u);
    EXPECT_EQ(ksb::test::readBytes(work / "input" / "dbase.xml"),
              ksb::test::dbaseXmlText(ksb::e2e::scene::dbaseSpec()));
    EXPECT_FALSE(fs::exists(work / "input" / "my_regcodes"));
    EXPECT_FALSE(fs::exists(work / "airports" / "my_thirdparty"));
    EXPECT_FALSE(fs::exists(work / "airports" / "learned"));
    EXPECT_NE(ksb::test::readBytes(work / "input" / "airports_p3d.xml"),
              ksb::test::airportsListText(traffic::airports()));
}

TEST(WorkfolderProgramTest, AParameterOptionAddsOrReplacesAValue) {
    const ksb::test::TempFolder root;
    ASSERT_EQ(lf_runWorkfolder({root.path().string(), "--traffic-scene", "--parameter",
                                "MAX_LIVE=250", "--parameter", "LATERAL_RANGE=12"}),
              0);
    const auto parameters = lf_parameters(
        lf_load(root / "appdata" / "KSBY_P3D" / "parameters.xml").child("parameters"));
    EXPECT_EQ(parameters.at("MAX_LIVE"), "250");
    EXPECT_EQ(parameters.at("LATERAL_RANGE"), "12");
    EXPECT_EQ(parameters.at("LOG"), "true");
    // A value without a name is refused with the usage.
    EXPECT_EQ(lf_runWorkfolder({root.path().string(), "--parameter", "MAX_LIVE"}), 2);
}

} // namespace

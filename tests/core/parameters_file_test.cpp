// Loading parameters.xml: a new installation, the reading forms, completion, clean-up, the
// controls showing what was loaded, the copy of an unreadable file, and the position read.
#include "core/controls.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/parameters_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using ksb::test::readBytes;
using ksb::test::writeBytes;

namespace {

struct Entry {
    std::string name;
    std::string value;
    bool operator==(const Entry&) const = default;
};

// What a new installation writes, in the order of the load's lists; COLLISION_LIVE_PARKED_GND
// (lists 1 and 2) once, no folder entries, nothing derived at start.
const std::vector<Entry> kNewInstallation = {
    {"COLLISION_LIVE_PARKED_GND", "false"},
    {"ALWAYS_ON_TOP", "false"},
    {"GUID_CHANGES", "true"},
    {"LEARN_SOFT", "true"},
    {"NAV_LIGHTS_WHILE_PARKED", "true"},
    {"LOG", "true"},
    {"SCAN_LIVERIES", "true"},
    {"LIG_AUTOMATIC", "true"},
    {"LIG_PRIORITIZE", "false"},
    {"SUPPRESS_STUB", "true"},
    {"SCAN_AIRPORTS", "true"},
    {"AFG_AUTOMATIC", "true"},
    {"LIGHT_AIRCRAFT", "true"},
    {"HELICOPTERS", "true"},
    {"HIGH_PERF_AIRCRAFT", "true"},
    {"AUTO_RANGE", "true"},
    {"COLLISION_USER_AIR", "true"},
    {"COLLISION_USER_GND", "true"},
    {"INITIAL_LOAD_ONLY", "false"},
    {"PARK_SOFT", "true"},
    {"WEEK", "false"},
    {"RT_PARKTRAFFIC_ONLY", "false"},
    {"PARK_FAKE", "false"},
    {"SIM_TIME", "false"},
    {"KEEP_SIM_TIME_PAR", "false"},
    {"CUSTOM_PARKING_PERCENTAGE", "-1"},
    {"MAIN_WINDOW_X", "400"},
    {"MAIN_WINDOW_Y", "20"},
    {"LAST_EPOCH_TIME", "0"},
    {"P3D_VERSION", "5"},
    {"MATCHING_DEPTH", "4"},
    {"LATERAL_RANGE", "40"},
    {"MAX_FIT", "47"},
    {"MAX_LIVE", "300"},
    {"AIRPORT_RANGE", "20"},
    {"AIRPORT_HEIGHT", "18000"},
    {"TIME_SHIFT_DAYS", "0"},
    {"TIME_SHIFT_HOURS", "0"},
    {"TIME_SHIFT_MINS", "0"},
    {"PROGRAM_VERSION", ""},
    {"PROGRAM_INSTALL_PATH", ""},
    {"ARCHIVE_VERSION", ""},
    {"DBASE_VERSION", ""},
    {"AIG_VERSION", ""},
    {"DATA_CHECKED_AT_DATE", ""},
    {"BLOCK_CALLSIGN", ""},
    {"SIM_INSTALL_PATH", ""},
};

// pugixml's default save of a "parameters" document (the test values need no escaping).
std::string xmlOf(const std::vector<Entry>& entries) {
    std::string text = "<?xml version=\"1.0\"?>\n<parameters>\n";
    for (const Entry& entry : entries) {
        text += fmt::format("\t<parameter name=\"{}\" value=\"{}\" />\n", entry.name, entry.value);
    }
    return text + "</parameters>\n";
}

std::vector<Entry> entriesOf(const fs::path& file) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(file.c_str()));
    std::vector<Entry> entries;
    for (const pugi::xml_node node : doc.child("parameters").children("parameter")) {
        entries.push_back({node.attribute("name").value(), node.attribute("value").value()});
    }
    return entries;
}

// The "{}={}" lines of a load in their order: COLLISION_LIVE_PARKED_GND is read in list 1 and
// again at its place in list 2.
std::vector<std::string> valueLines(const std::vector<Entry>& values) {
    std::vector<std::string> lines;
    for (const Entry& entry : values) {
        lines.push_back(entry.name + "=" + entry.value);
        if (entry.name == "COLLISION_USER_GND") {
            lines.push_back(lines.front());
        }
    }
    return lines;
}

std::vector<std::string> loadLog(const std::string& pathLine, const std::vector<Entry>& values,
                                 const std::string& path) {
    std::vector<std::string> lines{"", gf_bannerLine(70, 0, false, false, "parameters"), pathLine};
    for (const std::string& line : valueLines(values)) {
        lines.push_back(line);
    }
    lines.push_back("\"" + path + "\" saved");
    lines.push_back(gf_bannerLine(70, 10, false, false, ""));
    lines.push_back("");
    return lines;
}

std::vector<Entry> withValues(std::vector<Entry> entries, const std::vector<Entry>& changes) {
    for (const Entry& change : changes) {
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const Entry& e) { return e.name == change.name; });
        it->value = change.value;
    }
    return entries;
}

// The value as the log's "{}={}" shows it.
std::string valueText(const Parameter& parameter) {
    if (const auto* number = dynamic_cast<const IntParameter*>(&parameter)) {
        return fmt::format("{}", number->value());
    }
    if (const auto* flag = dynamic_cast<const BoolParameter*>(&parameter)) {
        return flag->value() ? "true" : "false";
    }
    return dynamic_cast<const StringParameter&>(parameter).value();
}

// Every check box, integer field and text field registered with the window, each showing the
// opposite of its default (or a stray text), so a test sees what the load wrote.
void registerControlsShowingJunk() {
    const ParameterLists lists = gf_parameterLists();
    for (CheckBoxParameter* p : lists.checkBoxes) {
        gf_registerControl(p->createCheckBox(5, !p->value()));
    }
    for (IntEditParameter* p : lists.intFields) {
        gf_registerControl(p->createEdit(217, 34));
        lf_setControlText(p->commandId());
    }
    for (TextEditParameter* p : lists.textFields) {
        gf_registerControl(p->createEdit(217, 100));
    }
}

class ParametersLoadTest : public ::testing::Test {
protected:
    std::string path() const { return fixture.parametersFile().string(); }
    void load() { gf_readParameters(gf_parameterLists()); }

    ksb::test::ParametersFixture fixture;
    ksb::test::LogCapture log;
};

TEST_F(ParametersLoadTest, NewInstallationWritesEveryEntryWithItsDefault) {
    registerControlsShowingJunk();
    LOG.setRaw(false);
    MAX_LIVE.setRaw(7);
    BLOCK_CALLSIGN.assign("OLD");
    lfolder2.assign("stale");

    load();

    EXPECT_EQ(readBytes(fixture.parametersFile()), xmlOf(kNewInstallation));
    EXPECT_EQ(log.body(),
              loadLog(path() + " not found, default values taken:", kNewInstallation, path()));
    EXPECT_FALSE(fs::exists(path() + ".tmp"));
    EXPECT_FALSE(fs::exists(path() + ".bak"));
    EXPECT_TRUE(LOG.value());
    EXPECT_EQ(MAX_LIVE.value(), 300);
    EXPECT_EQ(BLOCK_CALLSIGN.value(), "");
    EXPECT_EQ(lfolder2.value(), "");
    // The controls show the values.
    EXPECT_TRUE(gf_controlState(LOG.commandId())->checked);
    EXPECT_FALSE(gf_controlState(WEEK.commandId())->checked);
    EXPECT_EQ(gf_controlState(MAX_LIVE.commandId())->text, "300");
    EXPECT_EQ(gf_controlState(AIRPORT_HEIGHT.commandId())->text, "18000");
    EXPECT_EQ(gf_controlState(BLOCK_CALLSIGN.commandId())->text, "");
}

TEST_F(ParametersLoadTest, ReadingForms) {
    struct Case {
        const char* name;
        const Parameter* parameter;
        std::optional<std::string> stored; // nullopt: no "value" attribute
        std::string expected;
    };
    const Case cases[] = {
        {"bool yes", &LOG, "yes", "true"},
        {"bool Y", &WEEK, "Y", "true"},
        {"bool 1", &WEEK, "1", "true"},
        {"bool T", &WEEK, "T", "true"},
        {"bool true", &WEEK, "true", "true"},
        {"bool 0", &LOG, "0", "false"},
        {"bool no", &LOG, "no", "false"},
        {"bool false", &LOG, "false", "false"},
        {"bool empty", &LOG, "", "false"},
        {"bool leading blank", &LOG, " true", "false"},
        {"bool missing value", &LOG, std::nullopt, "false"},
        {"number plain", &MAX_LIVE, "120", "120"},
        {"number above max", &MAX_LIVE, "1000", "300"},
        {"number below min", &LATERAL_RANGE, "-5", "2"},
        {"number at min", &MAIN_WINDOW_X, "-30000", "-30000"},
        {"number at max", &MAIN_WINDOW_Y, "30000", "30000"},
        {"number just beyond", &MAIN_WINDOW_X, "-30001", "-30000"},
        {"number leading blanks", &LATERAL_RANGE, "  42", "42"},
        {"number plus sign", &LATERAL_RANGE, "+50", "50"},
        {"number hexadecimal", &LATERAL_RANGE, "0x1A", "26"},
        {"number trailing text", &LATERAL_RANGE, "12abc", "12"},
        {"number no digits", &LATERAL_RANGE, "abc", "2"},
        {"number empty", &CUSTOM_PARKING_PERCENTAGE, "", "0"},
        {"number missing value", &MAX_LIVE, std::nullopt, "6"},
        {"number saturates high", &LAST_EPOCH_TIME, "99999999999", "2147483647"},
        {"number saturates low", &MAIN_WINDOW_Y, "-99999999999", "-30000"},
        {"number negative default kept", &CUSTOM_PARKING_PERCENTAGE, "-1", "-1"},
        {"number version", &P3D_VERSION, "7", "6"},
        {"text", &BLOCK_CALLSIGN, "DLH123", "DLH123"},
        {"text with entity", &PROGRAM_INSTALL_PATH, "C:\\A &amp; B", "C:\\A & B"},
        {"text missing value", &PROGRAM_VERSION, std::nullopt, ""},
        {"folder entry", &afolder7, "D:\\Liveries", "D:\\Liveries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::ParametersFixture caseFixture;
        ksb::test::LogCapture caseLog;
        const std::string attribute =
            c.stored ? fmt::format(" value=\"{}\"", *c.stored) : std::string();
        const std::string stored =
            fmt::format("<?xml version=\"1.0\"?>\n<parameters>\n\t<parameter name=\"{}\"{} "
                        "/>\n</parameters>\n",
                        c.parameter->name(), attribute);
        writeBytes(caseFixture.parametersFile(), stored);

        gf_readParameters(gf_parameterLists());

        EXPECT_EQ(valueText(*c.parameter), c.expected);
        EXPECT_TRUE(caseLog.contains(c.parameter->name() + "=" + c.expected));
        // The stored text stays until the parameter is next saved.
        pugi::xml_document storedDoc;
        ASSERT_TRUE(storedDoc.load_string(stored.c_str()));
        const std::vector<Entry> entries = entriesOf(caseFixture.parametersFile());
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(
            entries.front(),
            (Entry{c.parameter->name(),
                   storedDoc.child("parameters").child("parameter").attribute("value").value()}));
        EXPECT_EQ(entries.front().value.empty(), !c.stored || c.stored->empty());
    }
}

TEST_F(ParametersLoadTest, CompletesTheFileAndLeavesUnknownEntries) {
    registerControlsShowingJunk();
    writeBytes(fixture.parametersFile(), xmlOf({{"LOG", "false"},
                                                {"FOO", "bar"},
                                                {"MAX_LIVE", "120"},
                                                {"LATERAL_RANGE", "500"},
                                                {"WEEK", "yes"},
                                                {"BLOCK_CALLSIGN", "DLH"}}));

    load();

    // Found entries keep their place and text; missing ones follow in the lists' order.
    std::vector<Entry> expected{{"LOG", "false"},    {"FOO", "bar"},
                                {"MAX_LIVE", "120"}, {"LATERAL_RANGE", "500"},
                                {"WEEK", "yes"},     {"BLOCK_CALLSIGN", "DLH"}};
    for (const Entry& entry : kNewInstallation) {
        if (std::none_of(expected.begin(), expected.end(),
                         [&](const Entry& e) { return e.name == entry.name; })) {
            expected.push_back(entry);
        }
    }
    EXPECT_EQ(readBytes(fixture.parametersFile()), xmlOf(expected));
    const std::vector<Entry> values = withValues(kNewInstallation, {{"LOG", "false"},
                                                                    {"MAX_LIVE", "120"},
                                                                    {"LATERAL_RANGE", "100"},
                                                                    {"WEEK", "true"},
                                                                    {"BLOCK_CALLSIGN", "DLH"}});
    EXPECT_EQ(log.body(), loadLog("from \"" + path() + "\"", values, path()));

    // Marks and fields show the loaded values, found or not.
    EXPECT_FALSE(gf_controlState(LOG.commandId())->checked);
    EXPECT_TRUE(gf_controlState(WEEK.commandId())->checked);
    EXPECT_TRUE(gf_controlState(GUID_CHANGES.commandId())->checked);
    EXPECT_FALSE(gf_controlState(PARK_FAKE.commandId())->checked);
    EXPECT_EQ(gf_controlState(MAX_LIVE.commandId())->text, "120");
    EXPECT_EQ(gf_controlState(LATERAL_RANGE.commandId())->text, "100");
    EXPECT_EQ(gf_controlState(MATCHING_DEPTH.commandId())->text, "4");
    EXPECT_EQ(gf_controlState(BLOCK_CALLSIGN.commandId())->text, "DLH");
    EXPECT_EQ(gf_controlState(SIM_INSTALL_PATH.commandId())->text, "");

    // A click after the load flips the loaded value, not the default.
    EXPECT_TRUE(LOG.toggle(LOG.commandId()));
    EXPECT_TRUE(LOG.value());
    EXPECT_TRUE(gf_controlState(LOG.commandId())->checked);
}

TEST_F(ParametersLoadTest, FirstOfDuplicatesCounts) {
    writeBytes(fixture.parametersFile(), xmlOf({{"LOG", "false"},
                                                {"MAX_LIVE", "50"},
                                                {"LOG", "true"},
                                                {"MAX_LIVE", "60"},
                                                {"SIM_INSTALL_PATH", "first"},
                                                {"SIM_INSTALL_PATH", "second"}}));
    load();
    EXPECT_FALSE(LOG.value());
    EXPECT_EQ(MAX_LIVE.value(), 50);
    EXPECT_EQ(SIM_INSTALL_PATH.value(), "first");
    const std::vector<Entry> entries = entriesOf(fixture.parametersFile());
    EXPECT_EQ(std::count(entries.begin(), entries.end(), Entry{"LOG", "true"}), 1);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), Entry{"MAX_LIVE", "60"}), 1);
}

TEST_F(ParametersLoadTest, EmptyFolderEntriesLeaveTheFile) {
    writeBytes(fixture.parametersFile(), xmlOf({{"lfolder3", ""},
                                                {"LOG", "false"},
                                                {"lfolder4", "D:\\Liveries"},
                                                {"afolder0", ""},
                                                {"afolder9", "E:\\AI"}}));
    lfolder3.assign("stale");

    load();

    EXPECT_EQ(lfolder3.value(), "");
    EXPECT_EQ(afolder0.value(), "");
    EXPECT_EQ(lfolder4.value(), "D:\\Liveries");
    EXPECT_EQ(afolder9.value(), "E:\\AI");
    std::vector<Entry> expected{
        {"LOG", "false"}, {"lfolder4", "D:\\Liveries"}, {"afolder9", "E:\\AI"}};
    for (const Entry& entry : kNewInstallation) {
        if (entry.name != "LOG") {
            expected.push_back(entry);
        }
    }
    EXPECT_EQ(readBytes(fixture.parametersFile()), xmlOf(expected));

    const std::vector<std::string> lines = log.body();
    const std::string saved = "\"" + path() + "\" saved";
    const auto at = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    // Each empty entry is removed from the file at once, then the load's own save follows.
    EXPECT_EQ(lines[at("Parameter lfolder3 removed") + 1], saved);
    EXPECT_EQ(lines[at("Parameter afolder0 removed") + 1], saved);
    EXPECT_LT(at("lfolder4=D:\\Liveries"), at("Parameter afolder0 removed"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), saved), 3);
    for (const std::string& line : lines) {
        EXPECT_NE(line.rfind("lfolder3=", 0), 0u) << line;
        EXPECT_NE(line.rfind("afolder0=", 0), 0u) << line;
        EXPECT_NE(line.rfind("Parameter lfolder1", 0), 0u) << line;
    }
}

TEST_F(ParametersLoadTest, UnreadableFileIsKeptAsBakBeforeTheDefaults) {
    registerControlsShowingJunk();
    const std::string broken = "<parameters>\n\t<parameter name=\"LOG\" value=\"false\">\n";
    writeBytes(fixture.parametersFile(), broken);
    writeBytes(path() + ".bak", "an older copy");
    LOG.setRaw(false);

    load();

    EXPECT_EQ(readBytes(path() + ".bak"), broken);
    EXPECT_EQ(readBytes(fixture.parametersFile()), xmlOf(kNewInstallation));
    std::vector<std::string> expected =
        loadLog(path() + " not found, default values taken:", kNewInstallation, path());
    expected.insert(expected.begin() + 2, fmt::format("===> {} could not be read (Start-end tags "
                                                      "mismatch), kept as {}.bak",
                                                      path(), path()));
    EXPECT_EQ(log.body(), expected);
    EXPECT_TRUE(LOG.value());
    EXPECT_TRUE(gf_controlState(LOG.commandId())->checked);
}

TEST_F(ParametersLoadTest, UnreadableFileThatCannotBeCopiedStaysAsItIs) {
    const std::string broken = "<parameters><parameter name=\"LOG\" value=\"false\"";
    writeBytes(fixture.parametersFile(), broken);
    fs::create_directory(path() + ".bak");
    LOG.setRaw(false);

    load();

    EXPECT_EQ(readBytes(fixture.parametersFile()), broken);
    EXPECT_TRUE(fs::is_directory(path() + ".bak"));
    EXPECT_TRUE(LOG.value());
    const std::vector<std::string> lines = log.body();
    const std::string start =
        fmt::format("===> {} could not be read (Error parsing start element tag), no copy could "
                    "be kept as {}.bak (",
                    path(), path());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2].rfind(start, 0), 0u) << lines[2];
    EXPECT_TRUE(lines[2].ends_with("), the file is left as it is")) << lines[2];
    EXPECT_EQ(lines[3], path() + " not found, default values taken:");
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("saved"), std::string::npos) << line;
    }
}

TEST_F(ParametersLoadTest, FolderInPlaceOfTheFileGivesTheDefaults) {
    fs::create_directory(fixture.parametersFile());
    MAX_LIVE.setRaw(10);
    MAIN_WINDOW_X.setRaw(123);

    EXPECT_FALSE(gf_readWindowPosition());
    EXPECT_EQ(MAIN_WINDOW_X.value(), 123);
    gf_removeParameter(MAX_LIVE);
    load();

    EXPECT_EQ(MAX_LIVE.value(), 300);
    EXPECT_TRUE(fs::is_directory(fixture.parametersFile()));
    EXPECT_TRUE(fs::is_empty(fixture.parametersFile()));
    EXPECT_FALSE(fs::exists(path() + ".bak"));
    const std::vector<std::string> lines = log.body();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2], path() + " not found, default values taken:");
    EXPECT_EQ(lines[lines.size() - 3], "could not save to \"" + path() + "\"");
}

TEST(ParametersLoadWithoutFolder, DefaultsStandAndNothingIsCreated) {
    ksb::test::ParametersFixture fixture(false);
    ksb::test::LogCapture log;
    MAX_LIVE.setRaw(10);

    gf_readParameters(gf_parameterLists());

    EXPECT_EQ(MAX_LIVE.value(), 300);
    EXPECT_FALSE(fs::exists(fixture.dataFolder()));
    EXPECT_TRUE(
        log.contains(fmt::format("could not save to \"{}\"", fixture.parametersFile().string())));
}

TEST(ParametersWindowPosition, ReadsAndClampsUnderTheFile) {
    struct Case {
        const char* name;
        std::optional<std::string> file;
        bool loaded;
        std::int32_t x, y;
    };
    const Case cases[] = {
        {"no file", std::nullopt, false, 123, 456},
        {"not well-formed", "<parameters><parameter", false, 123, 456},
        {"in range", xmlOf({{"MAIN_WINDOW_X", "500"}, {"MAIN_WINDOW_Y", "-40"}}), true, 500, -40},
        {"at the limits", xmlOf({{"MAIN_WINDOW_X", "-30000"}, {"MAIN_WINDOW_Y", "30000"}}), true,
         -30000, 30000},
        {"beyond the limits", xmlOf({{"MAIN_WINDOW_X", "-40000"}, {"MAIN_WINDOW_Y", "99999"}}),
         true, -30000, 30000},
        {"entries missing", xmlOf({{"LOG", "false"}}), true, 400, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::ParametersFixture fixture;
        ksb::test::LogCapture log;
        if (c.file) {
            writeBytes(fixture.parametersFile(), *c.file);
        }
        MAIN_WINDOW_X.setRaw(123);
        MAIN_WINDOW_Y.setRaw(456);

        EXPECT_EQ(gf_readWindowPosition(), c.loaded);

        EXPECT_EQ(MAIN_WINDOW_X.value(), c.x);
        EXPECT_EQ(MAIN_WINDOW_Y.value(), c.y);
        EXPECT_TRUE(log.body().empty());
        if (c.file) {
            EXPECT_EQ(readBytes(fixture.parametersFile()), *c.file);
        } else {
            EXPECT_FALSE(fs::exists(fixture.parametersFile()));
        }
    }
}

TEST(ParametersFileNames, XPathAndFolderEntries) {
    EXPECT_EQ(lf_parameterXPath("MAX_LIVE"), "/parameters/parameter[@name='MAX_LIVE']");
    struct Case {
        const char* name;
        bool folder;
    };
    const Case cases[] = {{"lfolder0", true},  {"afolder9", true}, {"my_lfolder", true},
                          {"LFOLDER1", false}, {"folder1", false}, {"PROGRAM_VERSION", false},
                          {"", false},         {"alfolde", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lf_isFolderParameter(c.name), c.folder);
    }
}

class SaveXmlDocumentTest : public ::testing::Test {
protected:
    ksb::test::TempFolder folder;
    ksb::test::LogCapture log;
};

TEST_F(SaveXmlDocumentTest, WritesPugixmlsDefaultBytes) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<meta><info name=\"a\" value=\"&lt;b&gt;\"/></meta>"
                                "<liveries><livery title=\"ä\"/></liveries>"));
    std::ostringstream expected;
    doc.save(expected);
    const fs::path target = folder / "LiveriesScanned.xml";
    writeBytes(target, "old");

    EXPECT_TRUE(gf_saveXmlDocument(doc, target));

    EXPECT_EQ(readBytes(target), expected.str());
    EXPECT_FALSE(fs::exists(folder / "LiveriesScanned.xml.tmp"));
    EXPECT_EQ(log.body(), std::vector<std::string>{"\"" + target.string() + "\" saved"});
}

TEST_F(SaveXmlDocumentTest, FailureLeavesTheOldBytes) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& target)> prepare;
    };
    const Case cases[] = {
        {"temporary name taken by a folder",
         [](const fs::path& target) {
             writeBytes(target, "old bytes");
             fs::create_directory(fs::path(target.string() + ".tmp"));
         }},
        {"target is a folder", [](const fs::path& target) { fs::create_directory(target); }},
        {"folder missing", [](const fs::path&) {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path target = std::string(c.name) == "folder missing"
                                    ? folder / "missing" / "file.xml"
                                    : folder / fmt::format("file{}.xml", n++);
        c.prepare(target);
        const bool hadFile = fs::is_regular_file(target);
        pugi::xml_document doc;
        doc.append_child("parameters");

        EXPECT_FALSE(gf_saveXmlDocument(doc, target));

        if (hadFile) {
            EXPECT_EQ(readBytes(target), "old bytes");
        }
        EXPECT_TRUE(log.contains("could not save to \"" + target.string() + "\""));
        EXPECT_FALSE(fs::exists(folder / "missing"));
    }
}

} // namespace

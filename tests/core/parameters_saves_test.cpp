// Single saves of parameters.xml and the removal of an entry: what the file holds afterwards,
// what is logged, and that a file the program cannot read or write keeps its bytes.
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/parameters_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using ksb::test::readBytes;
using ksb::test::writeBytes;

namespace {

constexpr const char* kHead = "<?xml version=\"1.0\"?>\n";

std::string entry(const std::string& name, const std::string& value) {
    return fmt::format("\t<parameter name=\"{}\" value=\"{}\" />\n", name, value);
}

std::string parametersXml(const std::string& entries) {
    return std::string(kHead) + "<parameters>\n" + entries + "</parameters>\n";
}

struct SaveCase {
    const char* name;
    std::optional<std::string> before; // nullopt: no file
    std::function<void()> change;
    std::string after;
    std::string valueLine;
};

TEST(ParameterSaves, StoreTheValueInTheFile) {
    const std::string others = entry("LOG", "true") + entry("WEEK", "false");
    const SaveCase cases[] = {
        {"number, existing element", parametersXml(others + entry("MAX_LIVE", "100")),
         [] {
             MAX_LIVE.setRaw(120);
             MAX_LIVE.save();
         },
         parametersXml(others + entry("MAX_LIVE", "120")), "MAX_LIVE=120"},
        {"number, element without value",
         parametersXml(entry("LOG", "true") + "\t<parameter name=\"MAIN_WINDOW_X\" />\n" +
                       entry("WEEK", "false")),
         [] {
             MAIN_WINDOW_X.setRaw(-250);
             MAIN_WINDOW_X.save();
         },
         parametersXml(entry("LOG", "true") + entry("MAIN_WINDOW_X", "-250") +
                       entry("WEEK", "false")),
         "MAIN_WINDOW_X=-250"},
        {"number, missing element", parametersXml(others),
         [] {
             LAST_EPOCH_TIME.setRaw(2147483647);
             LAST_EPOCH_TIME.save();
         },
         parametersXml(others + entry("LAST_EPOCH_TIME", "2147483647")),
         "LAST_EPOCH_TIME=2147483647"},
        {"number, missing file", std::nullopt,
         [] {
             MAIN_WINDOW_Y.setRaw(33);
             MAIN_WINDOW_Y.save();
         },
         parametersXml(entry("MAIN_WINDOW_Y", "33")), "MAIN_WINDOW_Y=33"},
        {"check box, existing element", parametersXml(others),
         [] {
             LOG.setRaw(false);
             LOG.save();
         },
         parametersXml(entry("LOG", "false") + entry("WEEK", "false")), "LOG=false"},
        {"check box, element without value", parametersXml("\t<parameter name=\"WEEK\" />\n"),
         [] {
             WEEK.setRaw(true);
             WEEK.save();
         },
         parametersXml(entry("WEEK", "true")), "WEEK=true"},
        {"check box, missing element", parametersXml(others),
         [] {
             PARK_FAKE.setRaw(true);
             PARK_FAKE.save();
         },
         parametersXml(others + entry("PARK_FAKE", "true")), "PARK_FAKE=true"},
        {"check box, missing file", std::nullopt,
         [] {
             SIM_TIME.setRaw(false);
             SIM_TIME.save();
         },
         parametersXml(entry("SIM_TIME", "false")), "SIM_TIME=false"},
        {"text set, existing element", parametersXml(others + entry("BLOCK_CALLSIGN", "OLD")),
         [] { BLOCK_CALLSIGN.setValue("A&B \"C\""); },
         parametersXml(others + entry("BLOCK_CALLSIGN", "A&amp;B &quot;C&quot;")),
         "BLOCK_CALLSIGN=A&B \"C\""},
        {"text set, missing element", parametersXml(others),
         [] { PROGRAM_VERSION.setValue("9.3.0"); },
         parametersXml(others + entry("PROGRAM_VERSION", "9.3.0")), "PROGRAM_VERSION=9.3.0"},
        {"text set, missing file", std::nullopt, [] { DBASE_VERSION.setValue(""); },
         parametersXml(entry("DBASE_VERSION", "")), "DBASE_VERSION="},
        {"well-formed file without a parameters element", std::string(kHead) + "<settings />\n",
         [] {
             LOG.setRaw(true);
             LOG.save();
         },
         std::string(kHead) + "<settings />\n<parameters>\n" + entry("LOG", "true") +
             "</parameters>\n",
         "LOG=true"},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::ParametersFixture fixture;
        ksb::test::LogCapture log;
        if (c.before) {
            writeBytes(fixture.parametersFile(), *c.before);
        }

        c.change();

        EXPECT_EQ(readBytes(fixture.parametersFile()), c.after);
        EXPECT_EQ(log.body(),
                  (std::vector<std::string>{c.valueLine, "\"" + fixture.parametersFile().string() +
                                                             "\" saved"}));
        EXPECT_FALSE(fs::exists(fixture.parametersFile().string() + ".tmp"));
    }
}

TEST(ParameterSaves, AFileTheProgramCannotReadIsLeftUntouched) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // nullopt: a folder holds the name
    };
    const Case cases[] = {
        {"not well-formed", "<parameters>\n\t<parameter name=\"LOG\" value=\"true\">\n"},
        {"empty", ""},
        {"a folder", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::ParametersFixture fixture;
        ksb::test::LogCapture log;
        if (c.bytes) {
            writeBytes(fixture.parametersFile(), *c.bytes);
        } else {
            fs::create_directory(fixture.parametersFile());
        }

        MAX_LIVE.setRaw(120);
        MAX_LIVE.save();

        if (c.bytes) {
            EXPECT_EQ(readBytes(fixture.parametersFile()), *c.bytes);
        } else {
            EXPECT_TRUE(fs::is_empty(fixture.parametersFile()));
        }
        EXPECT_EQ(log.body(),
                  (std::vector<std::string>{"MAX_LIVE=120", "saving xml did not work?"}));
        EXPECT_EQ(MAX_LIVE.value(), 120);
        EXPECT_FALSE(fs::exists(fixture.parametersFile().string() + ".tmp"));
    }
}

TEST(ParameterSaves, AFailedWriteKeepsTheOldBytesAndTheValue) {
    ksb::test::ParametersFixture fixture;
    ksb::test::LogCapture log;
    const std::string before = parametersXml(entry("BLOCK_CALLSIGN", "OLD"));
    writeBytes(fixture.parametersFile(), before);
    fs::create_directory(fixture.parametersFile().string() + ".tmp");

    BLOCK_CALLSIGN.setValue("NEW");

    EXPECT_EQ(readBytes(fixture.parametersFile()), before);
    EXPECT_EQ(BLOCK_CALLSIGN.value(), "NEW");
    EXPECT_EQ(log.body(), (std::vector<std::string>{"BLOCK_CALLSIGN=NEW",
                                                    "could not save to \"" +
                                                        fixture.parametersFile().string() + "\"",
                                                    "saving xml did not work?"}));
}

TEST(ParameterSaves, WithoutTheDataFolderNothingIsCreated) {
    ksb::test::ParametersFixture fixture(false);
    ksb::test::LogCapture log;

    AUTO_RANGE.setRaw(false);
    AUTO_RANGE.save();

    EXPECT_FALSE(fs::exists(fixture.dataFolder()));
    EXPECT_FALSE(AUTO_RANGE.value());
    EXPECT_EQ(log.body(), (std::vector<std::string>{"AUTO_RANGE=false",
                                                    "could not save to \"" +
                                                        fixture.parametersFile().string() + "\"",
                                                    "saving xml did not work?"}));
}

TEST(ParameterRemoval, RewritesOnlyWhenAnElementWasRemoved) {
    const std::string withFolder =
        parametersXml(entry("LOG", "true") + entry("lfolder1", "") + entry("lfolder1", "x"));
    struct Case {
        const char* name;
        std::optional<std::string> before; // nullopt: no file
        bool tmpFolder;                    // a folder holds "parameters.xml.tmp"
        std::optional<std::string> after;  // nullopt: no file
        std::vector<std::string> log;      // "{saved}" and "{failed}" stand for those lines
    };
    const Case cases[] = {
        {"element present",
         withFolder,
         false,
         parametersXml(entry("LOG", "true") + entry("lfolder1", "x")),
         {"Parameter lfolder1 removed", "{saved}"}},
        {"element missing",
         parametersXml(entry("LOG", "true")),
         false,
         parametersXml(entry("LOG", "true")),
         {}},
        {"not well-formed",
         "<parameters><parameter name=\"lfolder1\" value=\"\" />",
         false,
         "<parameters><parameter name=\"lfolder1\" value=\"\" />",
         {}},
        {"missing file", std::nullopt, false, std::nullopt, {}},
        {"failed write",
         withFolder,
         true,
         withFolder,
         {"Parameter lfolder1 removed", "{failed}", "saving xml did not work?"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::ParametersFixture fixture;
        ksb::test::LogCapture log;
        const std::string path = fixture.parametersFile().string();
        if (c.before) {
            writeBytes(path, *c.before);
        }
        if (c.tmpFolder) {
            fs::create_directory(path + ".tmp");
        }

        gf_removeParameter(lfolder1);

        if (c.after) {
            EXPECT_EQ(readBytes(path), *c.after);
        } else {
            EXPECT_FALSE(fs::exists(path));
        }
        std::vector<std::string> expected;
        for (const std::string& line : c.log) {
            expected.push_back(line == "{saved}"    ? "\"" + path + "\" saved"
                               : line == "{failed}" ? "could not save to \"" + path + "\""
                                                    : line);
        }
        EXPECT_EQ(log.body(), expected);
    }
}

} // namespace

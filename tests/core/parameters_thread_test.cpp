// Saves of parameters.xml from several threads, and text values set and read at once.
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/parameters_fixture.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <atomic>
#include <latch>
#include <string>
#include <thread>

namespace {

std::string storedValue(const std::filesystem::path& file, const std::string& name) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(file.c_str()));
    return doc.child("parameters")
        .find_child_by_attribute("parameter", "name", name.c_str())
        .attribute("value")
        .value();
}

// Each save loads, changes and rewrites the whole file; without one lock from load to write,
// one thread's write would drop the other's value.
TEST(ParameterSaveThreads, TwoThreadsSavingDifferentParametersKeepBoth) {
    ksb::test::ParametersFixture fixture;
    ksb::test::LogCapture log;
    ksb::test::writeBytes(fixture.parametersFile(),
                          "<parameters><parameter name=\"LOG\" value=\"false\" /></parameters>");
    constexpr int kRounds = 40;
    std::latch start(2);
    std::thread numbers([&] {
        start.arrive_and_wait();
        for (int i = 1; i <= kRounds; ++i) {
            MAX_LIVE.setRaw(100 + i);
            MAX_LIVE.save();
        }
    });
    std::thread texts([&] {
        start.arrive_and_wait();
        for (int i = 1; i <= kRounds; ++i) {
            BLOCK_CALLSIGN.setValue("CS" + std::to_string(i));
            WEEK.toggle(WEEK.commandId());
        }
    });
    numbers.join();
    texts.join();

    EXPECT_EQ(storedValue(fixture.parametersFile(), "MAX_LIVE"), std::to_string(100 + kRounds));
    EXPECT_EQ(storedValue(fixture.parametersFile(), "BLOCK_CALLSIGN"),
              "CS" + std::to_string(kRounds));
    EXPECT_EQ(storedValue(fixture.parametersFile(), "WEEK"), kRounds % 2 == 0 ? "false" : "true");
    EXPECT_EQ(storedValue(fixture.parametersFile(), "LOG"), "false");
    EXPECT_FALSE(log.contains("did not work"));
}

TEST(ParameterTextThreads, SetAndGetAtOnce) {
    ksb::test::ParametersFixture fixture;
    ksb::test::LogCapture log;
    const std::string shortText = "EDDF";
    const std::string longText(200, 'x');
    std::atomic<bool> done{false};
    std::latch start(2);
    std::thread writer([&] {
        start.arrive_and_wait();
        for (int i = 0; i < 60; ++i) {
            SIM_INSTALL_PATH.setValue(i % 2 == 0 ? longText : shortText);
            PROGRAM_VERSION.assign(i % 2 == 0 ? shortText : longText);
        }
        done = true;
    });
    int reads = 0;
    start.arrive_and_wait();
    while (!done.load() || reads == 0) {
        const std::string a = SIM_INSTALL_PATH.value();
        const std::string b = PROGRAM_VERSION.value();
        EXPECT_TRUE(a.empty() || a == shortText || a == longText) << a;
        EXPECT_TRUE(b.empty() || b == shortText || b == longText) << b;
        ++reads;
    }
    writer.join();

    EXPECT_EQ(SIM_INSTALL_PATH.value(), shortText);
    EXPECT_EQ(storedValue(fixture.parametersFile(), "SIM_INSTALL_PATH"), shortText);
}

} // namespace

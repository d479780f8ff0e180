#pragma once
// The fixture of the catalogue tests: a working folder of its own as the current directory,
// parameters.xml in a temporary data folder, a log to read back, the fake window with the three
// category check boxes, and the catalogue's state empty before and after each test.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "support/catalogue_fixtures.h"
#include "support/fake_window_port.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/parameters_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

// Half wing span in nautical miles of a span in metres.
inline double halfSpan(double metres) {
    return metres * 0.5 * 0.0005399568034557236;
}

// A small database: every category, a type in both large and heavy (B762), similar groups,
// airlines, publishers, wing spans and registrations.
inline DbaseSpec smallDbaseSpec() {
    DbaseSpec spec;
    spec.aircrafts = {"A319", "A320", "A321", "A388", "AT76", "B737", "B738",
                      "B739", "B744", "B748", "B762", "B77W", "C172", "C182",
                      "C25A", "C56X", "EC35", "F16",  "H60",  "PA28"};
    spec.large = {"A319", "A320", "A321", "AT76", "B737", "B738", "B739", "B762"};
    spec.heavy = {"A388", "B744", "B748", "B762", "B77W"};
    spec.buzjet = {"C25A", "C56X"};
    spec.rotorcraft = {"EC35", "H60"};
    spec.highPerformance = {"F16"};
    spec.cargoTypes = {"B744", "B748"};
    spec.similar = {{"A320", "A319", "A321"}, {"B738", "B737", "B739"}, {"B744", "B748"}};
    spec.icaoAirlines = {"AAL", "BAW", "DLH", "KLM"};
    spec.cargoOperators = {"FDX"};
    spec.publishers = {"FSLTL,FS Live", "Aerosoft,AS Group", "Just(Flight"};
    spec.wingspans = {{"A320", "35.8"},  {"B738", "35.79"},      {"B762", "47.6"},
                      {"A388", "79.75"}, {"C25A", std::nullopt}, {"A320", "80.0"}};
    spec.records = {
        {"D-AIPA", "DLH", "A320", "DLH", false},
        {"G-EUUA", "BAW", "A320", "", false},
        {"N123AA", "AAL", "B738", "", false},
        {"PH-BFA", "KLM", "B744", "MPH", true},
    };
    return spec;
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetCatalogueForTests();
        for (CheckBoxParameter* box : {&LIGHT_AIRCRAFT, &HIGH_PERF_AIRCRAFT, &HELICOPTERS}) {
            const ui::ControlSpec spec = box->createCheckBox(10, box->value());
            gf_registerControl(spec);
            port.addControl(spec);
        }
        gf_setWindowPort(&port);
    }

    void TearDown() override {
        gf_setWindowPort(nullptr);
        gf_resetCatalogueForTests();
    }

    void readDbase(const DbaseSpec& spec) {
        writeDbaseXml(spec);
        ASSERT_TRUE(gf_readDbase());
    }

    // The index fixture: the records as the scanned list, then the build.
    void buildIndex(std::vector<LiveryRecord> records) {
        scannedLiveries = std::move(records);
        gf_processScannedLiveries();
    }

    // A new, empty log for the next part of a test.
    void freshLog() {
        log.reset();
        log.emplace();
    }
    // Log lines after the header.
    std::vector<std::string> logLines() const { return log->body(); }
    bool logHas(const std::string& line) const {
        const auto lines = log->body();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // True when some line contains the text.
    bool logContains(const std::string& text) const { return log->contains(text); }
    // The log lines from the first one equal to the text on, count of them.
    std::vector<std::string> logFrom(const std::string& first, std::size_t count) const {
        const auto lines = log->body();
        const auto it = std::find(lines.begin(), lines.end(), first);
        if (it == lines.end()) {
            return {};
        }
        const auto end = lines.end() - it < static_cast<std::ptrdiff_t>(count)
                             ? lines.end()
                             : it + static_cast<std::ptrdiff_t>(count);
        return {it, end};
    }

    ParametersFixture parameters;
    std::optional<LogCapture> log{std::in_place};
    WorkingFolder work;
    FakeWindowPort port;
};

// Views as texts, sorted, for comparisons where the order is left open.
inline std::vector<std::string> sortedTexts(const std::vector<std::string_view>& views) {
    std::vector<std::string> texts(views.begin(), views.end());
    std::sort(texts.begin(), texts.end());
    return texts;
}

inline std::vector<std::string> sortedTexts(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

} // namespace ksb::test

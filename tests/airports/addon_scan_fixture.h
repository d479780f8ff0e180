#pragma once
// The add-on scan's tests: a working folder with the scan's folders, an install path whose
// stock folder is known, a window port and a message sink to read back, the scan's workers run
// inline unless a test starts them otherwise.
#include "airports/addon_scan.h"
#include "airports/airports_globals.h"
#include "airports_test_fixture.h"
#include "core/globals.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "support/airport_scan_sinks.h"
#include "support/bgl_builder.h"
#include "support/fake_window_port.h"
#include "support/recording_sinks.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace ksb::test {

class AddonScanTest : public AirportsTest {
protected:
    void SetUp() override {
        AirportsTest::SetUp();
        SIM_INSTALL_PATH.assign("S:\\Prepar3D v5");
        stockAirportsPath.set("S:\\Prepar3D v5\\Scenery");
        mainWindow.resetToStart();
        gf_setWindowPort(&port);
        workerLimit = 2;
        runningWorkers = 0;
        exitInProgress = 0;
        stopRequested = 0;
        gf_setAirportWalkSeams([](AirportScanTask task) { task(); });
        for (const char* folder : {"output/info", "airports/my_ORBX", "airports/my_thirdparty"}) {
            std::filesystem::create_directories(folder);
        }
    }
    void TearDown() override {
        gf_setAirportWalkSeams({});
        gf_setWindowPort(nullptr);
        mainWindow.resetToStart();
        stockAirportsPath.set("");
        stopRequested = 0;
        AirportsTest::TearDown();
    }

    // A BGL file with one airport of that many gates (g1, g2 ...) and helipads.
    static void writeAirportBgl(const std::filesystem::path& path, std::string_view ident,
                                std::uint32_t gates, int helipads = 0) {
        BglAirport record(ident);
        record.name(std::string("Airport\0\0\0", 10));
        for (int h = 0; h < helipads; ++h) {
            record.helipad(50.0 + h * 0.01, 8.1, 20.0f, 90.0f);
        }
        std::vector<BglParkingEntry> entries;
        for (std::uint32_t i = gates; i > 0; --i) {
            BglParkingEntry entry;
            entry.number = i;
            entry.latitude = 50.0 + i * 0.001;
            entries.push_back(entry);
        }
        record.parking(BglAirport::kParking, entries);
        BglBuilder().airport(record).writeTo(path);
    }
    // An archive file with that num_parkpos and, when given, a real quality factor.
    static void writeArchive(const std::filesystem::path& path, int numParkpos,
                             std::optional<int> quality = std::nullopt) {
        AirportFileBuilder builder;
        builder.parameter("num_parkpos", std::to_string(numParkpos));
        if (quality) {
            builder.parameter("Qf_real", std::to_string(*quality));
        }
        builder.write(path);
    }
    static std::vector<std::string> reportLines() {
        const std::lock_guard lock(scanReportMutex);
        return scanReport;
    }
    static std::vector<std::string> fileLines(const std::filesystem::path& path) {
        std::vector<std::string> lines;
        std::string text = readBytes(path);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
        return lines;
    }

    FakeWindowPort port;
    RecordingMessageSink messages;
};

} // namespace ksb::test

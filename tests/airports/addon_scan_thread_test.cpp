// The add-on scan's workers on threads: the throttle, the wait for every worker after an
// iterator failure, two workers writing one ident, and the real leab package.
#include "addon_scan_fixture.h"
#include "airports/bgl_decode.h"
#include "support/realdata.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <thread>

namespace ksb::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kBound = 30s;

// Starts each task on a thread that waits until the test releases it, in start order.
class GatedStarter {
public:
    void start(AirportScanTask task) {
        std::unique_lock lock(mutex_);
        const std::size_t index = started_++;
        // Never more than the limit running, and every task older than two awaited.
        maxRunning_ = std::max(maxRunning_, runningWorkers.load());
        if (index >= 2 && released_ < index - 1) {
            orderBroken_ = true;
        }
        threads_.emplace_back([this, index, task = std::move(task)]() mutable {
            {
                std::unique_lock gate(mutex_);
                changed_.wait_for(gate, kBound, [&] { return released_ > index; });
            }
            task();
        });
        changed_.notify_all();
    }
    // Releases the next started task; false when none was started within the bound.
    bool releaseNext() {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, kBound, [&] { return started_ > released_; })) {
            return false;
        }
        ++released_;
        changed_.notify_all();
        return true;
    }
    void joinAll() {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(mutex_);
            threads.swap(threads_);
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    std::int32_t maxRunning() const { return maxRunning_; }
    bool orderBroken() const { return orderBroken_; }
    std::size_t started() const {
        std::lock_guard lock(mutex_);
        return started_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
    std::size_t started_ = 0;
    std::size_t released_ = 0;
    std::int32_t maxRunning_ = 0;
    bool orderBroken_ = false;
};

class AddonScanThreadTest : public AddonScanTest {
protected:
    void SetUp() override {
        AddonScanTest::SetUp();
        clock.setAutoAdvance(true);
    }
};

TEST_F(AddonScanThreadTest, AtMostTheLimitRunsAndOlderWorkersAreAwaited) {
    const BglTreeCounts counts = makeBglTree(fs::current_path() / "tree", 12, 5);
    CountingAirportScanSink sink;
    GatedStarter starter;
    AirportWalkContext context{&sink, [&](AirportScanTask task) { starter.start(std::move(task)); },
                               [](fs::recursive_directory_iterator& it) { ++it; }};
    std::thread scan([&] { lf_scanFolderForAirports(fs::current_path() / "tree", context); });
    for (std::size_t i = 0; i < counts.airportFiles; ++i) {
        ASSERT_TRUE(starter.releaseNext()) << i;
    }
    scan.join();
    starter.joinAll();
    EXPECT_EQ(starter.started(), counts.airportFiles);
    EXPECT_LE(starter.maxRunning(), 2);
    EXPECT_FALSE(starter.orderBroken());
    EXPECT_EQ(sink.airports.load(), static_cast<std::int64_t>(counts.airportFiles));
    EXPECT_EQ(runningWorkers.load(), 0);
}

TEST_F(AddonScanThreadTest, AfterAnIteratorFailureEveryWorkerIsAwaited) {
    workerLimit = 8;
    for (const char* ident : {"EDDF", "EDDS", "EDDM", "EDDH"}) {
        writeAirportBgl(fs::path("tree") / (std::string(ident) + ".bgl"), ident, 1);
    }
    RecordingAirportScanSink sink;
    std::mutex mutex;
    std::deque<AirportScanTask> held;
    int steps = 0;
    AirportWalkContext context{
        &sink,
        [&](AirportScanTask task) {
            std::lock_guard lock(mutex);
            held.push_back(std::move(task));
        },
        [&](fs::recursive_directory_iterator& it) {
            if (++steps == 2) {
                throw std::runtime_error("step failed");
            }
            ++it;
        }};
    // Runs the held tasks only once the walk has reported the failure.
    std::thread runner([&] {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        for (;;) {
            const std::vector<std::string> lines = sink.lines();
            if (std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
                    return line.find("iterator problem") != std::string::npos;
                }) ||
                std::chrono::steady_clock::now() > deadline) {
                break;
            }
            std::this_thread::yield();
        }
        std::lock_guard lock(mutex);
        for (AirportScanTask& task : held) {
            task();
        }
    });
    lf_scanFolderForAirports("tree", context);
    // Every worker has ended when the walk returns.
    EXPECT_EQ(runningWorkers.load(), 0);
    EXPECT_EQ(sink.generated().size(), 2u);
    runner.join();
    const std::vector<std::string> lines = sink.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "===>  airports search in folder tree aborted because of iterator "
                        "problem: step failed"),
              lines.end());
}

TEST_F(AddonScanThreadTest, TwoFilesOfOneIdentLeaveOneWholeFile) {
    gf_setAirportWalkSeams({});
    workerLimit = 4;
    for (int i = 0; i < 8; ++i) {
        writeAirportBgl(fs::path("tree") / ("EHAM" + std::to_string(i) + ".bgl"), "EHAM",
                        static_cast<std::uint32_t>(3 + i));
    }
    std::vector<std::string> folders{(fs::current_path() / "tree").string()};
    EXPECT_TRUE(gf_scanAddonAirports(false, folders));
    EXPECT_EQ(runningWorkers.load(), 0);
    EXPECT_EQ(linkedOrGeneratedCount.load(), 8);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file("airports/my_thirdparty/EHAM.xml"));
    const std::optional<std::int32_t> count = gf_readIntParameter(doc, "num_parkpos");
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(static_cast<std::int32_t>(doc.select_nodes("//parkpos").size()), *count);
}

TEST_F(AddonScanThreadTest, TheLeabPackageScansToOneGeneratedFile) {
    KSBY_REQUIRE_REALDATA();
    gf_setAirportWalkSeams({});
    workerLimit = 4;
    const ScopedEnv drive("KSBY_DRIVE_R", realdataDir().string());
    std::vector<std::string> folders{"R:\\leab"};
    EXPECT_TRUE(gf_scanAddonAirports(false, folders));
    EXPECT_TRUE(log->contains("Airports scan successful"));
    EXPECT_EQ(runningWorkers.load(), 0);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file("airports/my_thirdparty/LEAB.xml"));
    EXPECT_EQ(gf_readIntParameter(doc, "num_parkpos"), 69);
    EXPECT_EQ(gf_readStringParameter(doc, "airport_name"), "Albacete");
    EXPECT_EQ(gf_readIntParameter(doc, "altitude"), 2300);
    std::vector<ParkPosition> stands;
    lf_readParkPositions(doc, stands);
    ASSERT_EQ(stands.size(), 69u);
    EXPECT_TRUE(std::is_sorted(stands.begin(), stands.end(),
                               [](const auto& a, const auto& b) { return a.name < b.name; }));
    std::map<std::string, ParkPosition> byName;
    for (ParkPosition& stand : stands) {
        byName.emplace(stand.name, std::move(stand));
    }
    ASSERT_TRUE(byName.contains("r4") && byName.contains("helipad1"));
    EXPECT_EQ(gf_coordinatesText({byName.at("r4").latitude, byName.at("r4").longitude}),
              "38.946192,-1.879639");
    EXPECT_TRUE(byName.at("helipad1").heli);
    const std::vector<std::string> report = fileLines("output/info/AirportsScanLog.txt");
    const std::string native = (realdataDir() / "leab").string();
    for (const std::string& line :
         {"Scanning for addon airports in " + native,
          std::string("===> LEAB has 69 parkpos while archived one has 0"),
          std::string("Generated LEAB.xml: 69 positions, of which 1 helipad")}) {
        EXPECT_NE(std::find(report.begin(), report.end(), line), report.end()) << line;
    }
    EXPECT_EQ(report.size(), 3u);
}

} // namespace
} // namespace ksb::test

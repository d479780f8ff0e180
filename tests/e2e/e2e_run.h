#pragma once
// One program run against the stand-ins: the prepared folders, a private X server, the two
// stand-ins in this process and the program as a child. Every wait has a named deadline; a
// deadline that runs out fails the test with the diagnostics of the run, and the folder of a
// failed run is kept.
#include "support/e2e/line_watcher.h"
#include "support/e2e/process.h"
#include "support/e2e/window_driver.h"
#include "support/e2e/work_folder.h"
#include "support/e2e/xvfb.h"
#include "support/rtstub/rt_stub.h"
#include "support/simstub/sim_stub.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace ksb::e2e {

// Sanitizer trees run slower; one factor scales every deadline.
#ifndef KSBY_E2E_SLOWDOWN
#define KSBY_E2E_SLOWDOWN 1
#endif
inline constexpr int kSlowdown = KSBY_E2E_SLOWDOWN;
using Duration = std::chrono::steady_clock::duration;
constexpr Duration scaled(std::chrono::milliseconds d) {
    return d * kSlowdown;
}

// The program's own waits plus a margin.
inline constexpr auto kStartBound = scaled(std::chrono::seconds(10));   // window, start-up
inline constexpr auto kConnectBound = scaled(std::chrono::seconds(10)); // first connection
// Login: 3 s for the GUID, 3 s for the QNH, 15 s for the first traffic.
inline constexpr auto kLoginBound = scaled(std::chrono::seconds(25));
// Log lines reach the disk at the 30-second flush: every 3 real seconds at 10x.
inline constexpr auto kFlushBound = scaled(std::chrono::seconds(8));
// The exit: 3 + 0.5 + 1 (+5) s plus 61 x 100 ms for the workers.
inline constexpr auto kExitBound =
    scaled(std::chrono::milliseconds(3000 + 500 + 1000 + 5000 + 6100 + 4000));
// A countdown of n seconds runs in real time.
inline Duration countdownBound(int seconds) {
    return scaled(std::chrono::seconds(seconds + 10));
}
inline constexpr auto kQuickExitBound = scaled(std::chrono::seconds(10)); // failed starts

struct RunOptions {
    LicencePlace licence = LicencePlace::workFolder;
    bool docs = true;
    bool airportsList = true;  // input/airports_p3d.xml
    bool registryRoute = true; // else the pipe route
    bool simFlightRunning = true;
    // WorkFolderSpec's switches: today stored as checked; the components in place.
    bool dayChecked = true;
    bool components = true;
    // KSBY_UPDATE_BASE set to the web stand-in; false: left out, so the default address.
    bool updateBase = true;
    std::vector<std::pair<std::string, std::string>> parameters;
    // Extra variables of the program's environment (KSBY_DRIVE_<LETTER> ...).
    std::vector<std::pair<std::string, std::string>> environment;
    // The traffic scene's folder and stand-ins instead of the shared scene's. Such a run saves
    // <T>/screenshot.png as it ends the program and <T>/traffic.svg once the program has ended.
    bool trafficScene = false;
};

class E2eRun {
public:
    explicit E2eRun(const std::string& name);
    ~E2eRun();

    // The folders under a new <T>, written.
    void prepare(const RunOptions& options = {});
    // The simulator stand-in (before or after the program).
    void startSim();
    void startProgram(bool withDisplay = true);
    // A second program run in another (or the same) prepared folder, with its own output files.
    std::unique_ptr<Process> startAnother(const WorkFolder& folder, const std::string& tag,
                                          bool withDisplay = true);

    // Waits; a miss adds a failure with the diagnostics and returns false.
    bool awaitLog(const std::string& text, Duration bound, std::size_t count = 1);
    bool awaitTrace(const std::string& line, Duration bound, std::size_t count = 1);
    bool await(const std::function<bool()>& condition, const std::string& what, Duration bound);
    std::optional<unsigned long> awaitWindow();

    // Sim 0 for ten per-second answers, then Sim 1; both log lines then reach the disk.
    bool probe(std::size_t expectedCount = 1);
    void close();
    // Ends the program with the signal (SIGTERM ...), after the screenshot of a traffic-scene run.
    void signal(int sig);
    // Closes the window of a program in its main loop and awaits the logged-in clean end.
    void closeFromTheLoop();
    // Waits for the exit; a program that outlives the bound is closed through its window, then
    // killed by pid, and the test fails. Then checks the clean end.
    void expectCleanEnd(int status, Duration bound = kExitBound, bool loggedIn = false,
                        bool checkLastLine = true);
    std::optional<int> waitForExit(Duration bound);

    std::vector<std::string> log() const { return gf_completeLines(folder.log()); }
    std::size_t logCount(const std::string& text) const { return logWatcher().count(text); }
    LineWatcher logWatcher() const { return LineWatcher(folder.log()); }
    LineWatcher traceWatcher() const { return LineWatcher(folder.trace); }
    // The last value of name=... in the trace; nullopt when never written.
    std::optional<std::string> traceValue(const std::string& name) const;
    Rgb pixel(int x, int y);

    // <T>/screenshot.png of the whole screen, and <T>/traffic.svg, the stand-in's picture.
    std::filesystem::path screenshotFile() const { return root / "screenshot.png"; }
    std::filesystem::path pictureFile() const { return root / "traffic.svg"; }
    void saveScreenshot();
    void savePicture();

    std::string diagnostics(const std::string& awaited) const;
    void fail(const std::string& awaited) const;

    std::string name;
    std::filesystem::path root, pipeDir;
    WorkFolder folder;
    RunOptions options;
    std::unique_ptr<Xvfb> xvfb;
    std::unique_ptr<WindowDriver> driver;
    std::unique_ptr<simstub::SimStub> sim;
    std::unique_ptr<rtstub::RtStub> rt;
    std::unique_ptr<Process> program;
    std::optional<unsigned long> window;
};

// The Log.txt line of a Traffic Reader that has its first answer.
inline const std::string kTrafficConnected = "          Traffic Reader connected";
// The running test's name ("e2e" outside a test), for its run folder.
std::string gf_testName();
// The bytes of a file; "" when it is missing.
std::string gf_fileText(const std::filesystem::path& file);

// Pixels of the window (relative to its corner) and their colours.
inline constexpr int kSimBlockX = 411, kSimBlockY = 100;
inline constexpr int kRtBlockX = 440, kRtBlockY = 100;
inline constexpr int kStripX = 860, kStripY = 470;
inline constexpr Rgb kGreen{50, 205, 50};
inline constexpr Rgb kRed{255, 0, 0};

} // namespace ksb::e2e

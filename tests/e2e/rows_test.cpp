// The program end to end against the stand-ins, one test per row of the scenario table. Each
// row is one program run (two for the second instance) with its own folders, X server and
// stand-ins, so the rows run in parallel.
#include "e2e_run.h"

#include "core/clock.h"
#include "support/e2e/scene.h"
#include "support/file_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fmt/format.h>
#include <fstream>
#include <iterator>
#include <regex>

namespace fs = std::filesystem;

namespace ksb::e2e {
namespace {

const std::string kBanner = std::string(34, '*') + " parameters " + std::string(34, '*');
const std::regex kHeader(R"(^.+ \(utc\) KSBY_P3D version \d+\.\d+\.\d+ for Prepar3D v5/v6$)");
const std::string kConnected = std::string(scene::kSimLine) + " connected ";
const std::string kAuthenticated = "Authenticated at RT server \"rt-stand-in\"";
const std::string kDeauthLine = "Session closed RT server \"rt-stand-in\"";
const std::string kSimGone = "Flight Simulator no longer connected, KSBY_P3D will stop ...";

std::size_t lf_exact(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

std::size_t lf_index(const std::vector<std::string>& lines, const std::string& text,
                     std::size_t from = 0) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos) {
            return i;
        }
    }
    return lines.size();
}

std::size_t lf_headers(const std::vector<std::string>& lines) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [](const auto& l) { return std::regex_match(l, kHeader); }));
}

std::string lf_field(const rtstub::RequestRecord& r, const std::string& name) {
    for (const auto& [key, value] : r.fields) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

std::size_t lf_routeCount(const std::vector<rtstub::RequestRecord>& requests,
                          const std::string& route) {
    return static_cast<std::size_t>(std::count_if(requests.begin(), requests.end(),
                                                  [&](const auto& r) { return r.route == route; }));
}

// The "earlier runs" whose logs a start rotates.
void lf_earlierLogs(const WorkFolder& f) {
    test::writeBytes(f.work / "Log.txt", "the run before\n");
    test::writeBytes(f.work / "Log0.txt", "the run before that\n");
}

// From the start to the logged-in main loop: window, connection, login, both readers.
bool lf_toLoop(E2eRun& run, std::size_t run2 = 1) {
    return run.awaitLog(kTrafficConnected, kLoginBound + kFlushBound, run2);
}

// The lines of a normal start, each once, in the worker's order.
void lf_expectNormalStart(E2eRun& run) {
    const std::vector<std::string> lines = run.log();
    EXPECT_EQ(lf_headers(lines), 1u);
    EXPECT_TRUE(!lines.empty() && std::regex_match(lines.front(), kHeader))
        << run.diagnostics("the header first");
    EXPECT_EQ(lf_exact(lines, kBanner), 1u);
    // Order only within one thread, or where one line causes the next: the worker's start-up
    // lines; the session thread's connection and user aircraft.
    const std::vector<std::vector<std::string>> chains{
        {"Your RealTraffic license was taken from \"", " dbase records from \"",
         "No scan done, 3 liveries read from ", "Waiting for Prepar3Dv5 ...", kConnected,
         kAuthenticated},
        {kConnected, "          SimConnect: User aircraft title: Demo B77W",
         "          SimConnect: User aircraft model: B77W, half wing span: 32.4 meter, category: "
         "Heavy"},
    };
    for (const auto& ordered : chains) {
        std::size_t at = 0;
        for (const std::string& text : ordered) {
            const std::size_t found = lf_index(lines, text, at);
            EXPECT_LT(found, lines.size()) << "in order: " << text;
            if (found < lines.size()) {
                at = found + 1;
            }
        }
    }
    EXPECT_EQ(lf_exact(lines, kConnected), 1u);
    // The probe's two lines, written by the main loop on second ticks, each once.
    const std::regex notRunning(R"(^\d\d:\d\d:\d\d Flight not running$)");
    const std::regex resumed(R"(^\d\d:\d\d:\d\d Flight resumed$)");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const auto& l) { return std::regex_match(l, notRunning); }),
              1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const auto& l) { return std::regex_match(l, resumed); }),
              1);
    EXPECT_EQ(lf_exact(lines, "          Weather Reader connected"), 1u);
    EXPECT_EQ(lf_exact(lines, kTrafficConnected), 1u);
    for (const std::string& bad :
         {std::string("===> "), std::string("Error "), std::string("No traffic in this region?")}) {
        EXPECT_EQ(lf_index(lines, bad), lines.size()) << run.diagnostics("no line with " + bad);
    }
}

// "live=0" comes from the first paint, which traces every value before any aircraft can be
// created; live aircraft may appear afterwards.
void lf_expectGreenWindow(E2eRun& run) {
    for (const char* line :
         {"sim=green", "rt=green", "weather=1", "traffic=1", "qnh=1021", "liveries=3", "live=0"}) {
        run.awaitTrace(line, kFlushBound);
    }
    EXPECT_EQ(run.traceValue("error").value_or("?"), "");
    run.await([&] { return run.pixel(kSimBlockX, kSimBlockY) == kGreen; }, "Sim block green",
              kFlushBound);
    run.await([&] { return run.pixel(kRtBlockX, kRtBlockY) == kGreen; }, "RT block green",
              kFlushBound);
    run.await([&] { return run.pixel(kStripX, kStripY) == kGreen; }, "message strip green",
              kFlushBound);
}

// Requests of one login: auth first with the licence intact, one buffered traffic request
// before the first poll, every data request with the GUID.
void lf_expectOneSession(E2eRun& run, const std::string& guid) {
    const auto requests = run.rt->requests();
    ASSERT_FALSE(requests.empty()) << run.diagnostics("web requests");
    EXPECT_EQ(requests.front().route, "auth");
    EXPECT_EQ(lf_field(requests.front(), "license"), scene::kLicence);
    EXPECT_EQ(lf_routeCount(requests, "traffic-buffered"), 1u);
    const auto buffered = std::find_if(requests.begin(), requests.end(),
                                       [](const auto& r) { return r.route == "traffic-buffered"; });
    const auto poll = std::find_if(requests.begin(), requests.end(),
                                   [](const auto& r) { return r.route == "traffic"; });
    EXPECT_TRUE(buffered < poll);
    for (const auto& r : requests) {
        if (r.route != "auth" && !r.route.empty()) {
            EXPECT_EQ(lf_field(r, "GUID"), guid) << r.route << " #" << r.seq;
        }
        EXPECT_FALSE(r.route.empty()) << "unknown request " << r.path;
    }
}

// The close button in the logged-in loop, and what the exit leaves.
void lf_closeInLoop(E2eRun& run) {
    const double closedAt = ksb::gf_utcSecondsNow();
    run.closeFromTheLoop();
    const double exitedAt = ksb::gf_utcSecondsNow();
    const std::vector<std::string> lines = run.log();
    const std::size_t exiting = lf_index(lines, "Exiting: USER CLOSED SIM");
    const std::size_t deauth = lf_index(lines, kDeauthLine, exiting);
    const std::size_t closed = lf_index(lines, "User closed KSBY_P3D", deauth);
    EXPECT_LT(exiting, lines.size());
    EXPECT_LT(deauth, lines.size());
    EXPECT_LT(closed, lines.size());
    const std::string parameters = gf_fileText(run.folder.parametersFile());
    EXPECT_NE(parameters.find(R"(name="BLOCK_CALLSIGN" value="")"), std::string::npos);
    EXPECT_NE(parameters.find(R"(name="SIM_TIME" value="false")"), std::string::npos);
    EXPECT_NE(parameters.find(R"(name="MAIN_WINDOW_X" value="400")"), std::string::npos);
    EXPECT_NE(parameters.find(R"(name="MAIN_WINDOW_Y" value="20")"), std::string::npos);
    std::smatch epoch;
    const std::string text = parameters;
    if (std::regex_search(text, epoch, std::regex(R"re(name="LAST_EPOCH_TIME" value="(\d+)")re"))) {
        const double stored = std::stod(epoch[1].str());
        EXPECT_GE(stored, std::floor(closedAt));
        EXPECT_LE(stored, exitedAt);
    } else {
        ADD_FAILURE() << "no LAST_EPOCH_TIME";
    }
}

void lf_expectThreads(E2eRun& run, bool exitThread) {
    const auto census = gf_threadCensus(run.program->pid());
    std::string text;
    for (const auto& [name, n] : census) {
        text += fmt::format("{}x{} ", n, name);
    }
    SCOPED_TRACE("threads: " + text);
    const auto count = [&](const char* name) {
        const auto it = census.find(name);
        return it == census.end() ? 0 : it->second;
    };
    EXPECT_EQ(count("ksby-worker"), 1);
    EXPECT_EQ(count("ksby-simconnect"), 1);
    EXPECT_EQ(count("ksby-weather"), 1);
    EXPECT_EQ(count("ksby-traffic"), 1);
    if (!exitThread) {
        EXPECT_EQ(count("ksby-exit"), 0);
    }
}

TEST(Rows, Row1aNormalStartRegistryRoute) {
    E2eRun run(gf_testName());
    run.prepare();
    lf_earlierLogs(run.folder);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(lf_toLoop(run));
    ASSERT_TRUE(run.probe());
    lf_expectNormalStart(run);
    EXPECT_EQ(gf_fileText(run.folder.work / "Log0.txt"), "the run before\n");
    EXPECT_EQ(gf_fileText(run.folder.work / "Log00.txt"), "the run before that\n");
    lf_expectGreenWindow(run);
    const auto g = run.driver->geometry(*run.window);
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(g->x, 400);
    EXPECT_EQ(g->y, 20);
    EXPECT_EQ(g->width, 880);
    EXPECT_EQ(g->height, 516);
    lf_expectOneSession(run, "G-1");
    EXPECT_EQ(run.sim->connections().size(), 1u);
    lf_expectThreads(run, false);
    lf_closeInLoop(run);
}

TEST(Rows, Row1bNormalStartPipeRoute) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.registryRoute = false;
    run.prepare(o);
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.awaitTrace("message=Waiting for Prepar3Dv5 ...", kStartBound));
    ASSERT_TRUE(run.awaitLog("Waiting for Prepar3Dv5 ...", kStartBound));
    run.startSim();
    ASSERT_TRUE(lf_toLoop(run));
    ASSERT_TRUE(run.probe());
    lf_expectNormalStart(run);
    lf_expectGreenWindow(run);
    ASSERT_EQ(run.sim->connections().size(), 1u);
    EXPECT_EQ(run.sim->connections().front().endpoint, "pipe");
    lf_expectOneSession(run, "G-1");
    lf_closeInLoop(run);
}

TEST(Rows, Row2aCloseInTheLoop) {
    E2eRun run(gf_testName());
    run.prepare();
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(lf_toLoop(run));
    lf_closeInLoop(run);
}

TEST(Rows, Row2bCloseWhileWaitingForASimulator) {
    E2eRun run(gf_testName());
    run.prepare();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.await([&] { return run.pixel(kSimBlockX, kSimBlockY) == kRed; },
                          "Sim block red", kStartBound));
    run.close();
    run.expectCleanEnd(0);
    const std::vector<std::string> lines = run.log();
    const std::size_t exiting = lf_index(lines, "Exiting: USER CLOSED SIM");
    EXPECT_LT(exiting, lines.size()) << run.diagnostics("Exiting: USER CLOSED SIM");
    EXPECT_LT(lf_index(lines, "User closed KSBY_P3D", exiting), lines.size());
    EXPECT_EQ(lf_index(lines, "Authenticated"), lines.size());
    EXPECT_TRUE(run.rt->requests().empty());
}

TEST(Rows, Row2cCloseDuringARestartCountdown) {
    E2eRun run(gf_testName());
    run.prepare();
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(lf_toLoop(run));
    ASSERT_TRUE(run.probe());
    run.sim->sendPositionChanged();
    ASSERT_TRUE(run.await(
        [&] {
            const auto m = run.traceValue("message");
            return m && std::regex_match(*m, std::regex("Restarting after 2\\d seconds"));
        },
        "message=Restarting after 2x seconds", kExitBound + kFlushBound));
    run.close();
    run.expectCleanEnd(0, kExitBound, true);
    const std::vector<std::string> lines = run.log();
    for (const char* text :
         {"===> User ac position changed", "Exiting: RESTART", "Prepare for a restart ...",
          "Session closed RT server", "Exiting: USER CLOSED SIM", "User closed KSBY_P3D"}) {
        EXPECT_LT(lf_index(lines, text), lines.size()) << run.diagnostics(text);
    }
    EXPECT_EQ(lf_headers(lines), 1u);
    EXPECT_EQ(lf_exact(lines, kBanner), 1u);
    EXPECT_EQ(run.sim->connections().size(), 1u);
    const auto requests = run.rt->requests();
    EXPECT_EQ(lf_routeCount(requests, "auth"), 1u);
}

TEST(Rows, Row2dCloseAfterStartUpError41) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.docs = false;
    o.parameters = {{"KEEP_SIM_TIME_PAR", "true"}, {"SIM_TIME", "true"}, {"TIME_SHIFT_HOURS", "2"}};
    run.prepare(o);
    fs::remove_all(run.folder.work / "output");
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.await([&] { return run.pixel(kStripX, kStripY) == kRed; },
                          "the strip red under the error", kStartBound));
    run.close();
    run.expectCleanEnd(0);
    const std::vector<std::string> lines = run.log();
    EXPECT_EQ(lf_exact(lines, "Error 41: KSBY_P3D must be run from the KSBY_P3D folder!"), 1u)
        << run.diagnostics("the error line");
    const std::size_t exiting = lf_index(lines, "Exiting: USER CLOSED SIM");
    EXPECT_LT(exiting, lines.size());
    EXPECT_LT(lf_index(lines, "User closed KSBY_P3D", exiting), lines.size());
    EXPECT_FALSE(fs::exists(run.folder.work / "output"));
    EXPECT_TRUE(run.sim->connections().empty());
    EXPECT_TRUE(run.rt->requests().empty());
    const std::string parameters = gf_fileText(run.folder.parametersFile());
    EXPECT_NE(parameters.find(R"(name="KEEP_SIM_TIME_PAR" value="true")"), std::string::npos)
        << parameters;
    EXPECT_NE(parameters.find(R"(name="SIM_TIME" value="true")"), std::string::npos) << parameters;
    EXPECT_NE(parameters.find(R"(name="TIME_SHIFT_HOURS" value="2")"), std::string::npos)
        << parameters;
    if (const auto error = run.traceValue("error")) {
        EXPECT_EQ(*error, "41: KSBY_P3D must be run from the KSBY_P3D folder!");
    }
    EXPECT_EQ(run.traceValue("message").value_or(""), "");
}

// The simulator goes away after the connection line.
struct SimGoneCase {
    const char* name;
    bool flightRunning;
    bool quit;
};

void lf_simGone(const SimGoneCase& c) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.simFlightRunning = c.flightRunning;
    run.prepare(o);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    if (c.flightRunning) {
        ASSERT_TRUE(lf_toLoop(run));
    } else {
        // The worker waits for a flight: the stand-in sees the session's requests.
        ASSERT_TRUE(run.await(
            [&] {
                const auto conns = run.sim->connections();
                return !conns.empty() && conns.front().gotOpen && !run.sim->packets().empty();
            },
            "the session open", kConnectBound));
    }
    const int conn = run.sim->connections().front().id;
    if (c.quit) {
        run.sim->sendQuit(conn);
        run.sim->dropConnection(conn);
    } else {
        run.sim->resetConnection(conn);
    }
    run.expectCleanEnd(0, kExitBound, c.flightRunning);
    const std::vector<std::string> lines = run.log();
    EXPECT_EQ(static_cast<std::size_t>(std::count_if(
                  lines.begin(), lines.end(),
                  [](const auto& l) { return l.find(kSimGone) != std::string::npos; })),
              1u)
        << run.diagnostics(kSimGone);
    EXPECT_EQ(lf_exact(lines, "Exiting: SIM WAS CLOSED"), 1u);
    EXPECT_EQ(lf_index(lines, "User closed"), lines.size());
    EXPECT_EQ(run.traceValue("sim").value_or("?"), "red");
    if (!c.flightRunning) {
        EXPECT_EQ(lf_index(lines, "Authenticated"), lines.size());
        EXPECT_TRUE(run.rt->requests().empty());
    }
}

TEST(Rows, Row2eNewUserWithoutAirportsListStopsAtError88) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.airportsList = false;
    run.prepare(o);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.await([&] { return run.pixel(kStripX, kStripY) == kRed; },
                          "the strip red under the error", kStartBound));
    // The window stays open on the error until the user closes it.
    EXPECT_TRUE(run.program->running());
    run.close();
    run.expectCleanEnd(0);
    const std::vector<std::string> lines = run.log();
    EXPECT_EQ(lf_exact(lines, "Error 88: input/airports_p3d.xml not loaded File was not found"), 1u)
        << run.diagnostics("the error line");
    EXPECT_LT(lf_index(lines, "User closed KSBY_P3D"), lines.size());
    EXPECT_TRUE(run.sim->connections().empty());
}

TEST(Rows, Row3aSimulatorQuitsThenCloses) {
    lf_simGone({"quit, then close", true, true});
}

TEST(Rows, Row3bSimulatorResetsTheConnection) {
    lf_simGone({"reset without quit", true, false});
}

TEST(Rows, Row3cSimulatorQuitsWhileTheWorkerWaitsForAFlight) {
    lf_simGone({"quit while waiting for a flight", false, true});
}

// A restart (teleport or 401): run 2 starts in the same process, window and log.
void lf_expectRestart(E2eRun& run, int countdown, const std::string& log0Before) {
    const std::vector<std::string> lines = run.log();
    EXPECT_EQ(lf_exact(lines, "Exiting: RESTART"), 1u) << run.diagnostics("Exiting: RESTART");
    EXPECT_LT(lf_index(lines, "Prepare for a restart ..."), lines.size());
    EXPECT_LT(lf_index(lines, kDeauthLine), lines.size());
    const std::string restarting = fmt::format("Restarting after {} seconds", countdown);
    const std::size_t at = lf_index(lines, restarting);
    ASSERT_LT(at + 5, lines.size()) << run.diagnostics(restarting);
    for (std::size_t i = 1; i <= 5; ++i) {
        EXPECT_EQ(lines[at + i], "") << "empty line " << i << " after the restart line";
    }
    EXPECT_EQ(lf_headers(lines), 1u);
    EXPECT_EQ(lf_exact(lines, kBanner), 2u);
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const auto& l) { return l.find(" since last run") != std::string::npos; }),
        1);
    EXPECT_EQ(std::count_if(
                  lines.begin(), lines.end(),
                  [](const auto& l) { return l.find(" dbase records from") != std::string::npos; }),
              1);
    EXPECT_EQ(lf_exact(lines, "Waiting for Prepar3Dv5 ..."), 2u);
    EXPECT_EQ(lf_exact(lines, kConnected), 2u);
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const auto& l) { return l.find(kAuthenticated) != std::string::npos; }),
        2);
    EXPECT_EQ(gf_fileText(run.folder.work / "Log0.txt"), log0Before);
    // The countdown, second by second, then the start values and green again.
    std::vector<std::string> messages;
    for (const std::string& line : gf_completeLines(run.folder.trace)) {
        if (line.rfind("message=Restarting after ", 0) == 0) {
            messages.push_back(line.substr(8));
        }
    }
    std::vector<std::string> expected;
    for (int left = countdown; left >= 1; --left) {
        expected.push_back(fmt::format("Restarting after {} second{}", left, left == 1 ? "" : "s"));
    }
    EXPECT_EQ(messages, expected);
    // Sessions: connection 1 closed before 2 opened; G-1 logged out before the second login.
    const auto conns = run.sim->connections();
    ASSERT_EQ(conns.size(), 2u);
    EXPECT_FALSE(conns[0].open);
    const auto requests = run.rt->requests();
    const auto deauth1 = std::find_if(requests.begin(), requests.end(), [](const auto& r) {
        return r.route == "deauth" && lf_field(r, "GUID") == "G-1";
    });
    const auto auth2 = std::find_if(std::next(requests.begin()), requests.end(),
                                    [](const auto& r) { return r.route == "auth"; });
    ASSERT_TRUE(deauth1 != requests.end());
    ASSERT_TRUE(auth2 != requests.end());
    EXPECT_TRUE(deauth1 < auth2);
    for (auto it = std::next(auth2); it != requests.end(); ++it) {
        EXPECT_EQ(lf_field(*it, "GUID"), "G-2") << it->route << " #" << it->seq;
    }
}

struct RestartCase {
    const char* name;
    bool teleport;
};

void lf_restartRow(const RestartCase& c) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.licence = c.teleport ? LicencePlace::workFolder : LicencePlace::appData;
    run.prepare(o);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(lf_toLoop(run));
    ASSERT_TRUE(run.probe());
    const std::string log0 = gf_fileText(run.folder.work / "Log0.txt");
    const int run1Threads = gf_threadCount(run.program->pid());
    const int countdown = c.teleport ? 30 : 15;
    if (c.teleport) {
        run.sim->teleportUser(scene::kLatitude + 15.0 / 60.0, scene::kLongitude,
                              scene::kAltitudeFeet);
    } else {
        run.rt->script("traffic",
                       rtstub::Reply::json(R"({"status":401,"message":"GUID not valid"})"));
        run.awaitTrace("traffic=3", kExitBound);
    }
    ASSERT_TRUE(
        run.awaitLog(kTrafficConnected, countdownBound(countdown) + kExitBound + kLoginBound, 2));
    ASSERT_TRUE(run.probe(2));
    lf_expectThreads(run, false);
    run.await([&] { return gf_threadCount(run.program->pid()) == run1Threads; },
              fmt::format("the thread total of run 1 ({})", run1Threads), kFlushBound);
    const std::vector<std::string> lines = run.log();
    if (c.teleport) {
        // Whole lines: the run's folder name holds the word too.
        EXPECT_EQ(lf_exact(lines, "Teleport"), 1u);
    } else {
        EXPECT_LT(lf_index(lines, "Your RealTraffic license was taken from \""), lines.size());
        EXPECT_LT(lf_index(lines, "InsideSystems/RealTraffic.lic\""), lines.size());
        EXPECT_LT(lf_index(lines, "===> re-authentication to RT API is needed, restart KSBY_P3D"),
                  lines.size());
        EXPECT_EQ(lf_exact(lines, "The Traffic Reader has stopped with an error"), 1u);
        EXPECT_EQ(lf_index(lines, "The Weather Reader has stopped with an error"), lines.size());
    }
    lf_expectRestart(run, countdown, log0);
    lf_closeInLoop(run);
}

TEST(Rows, Row4TeleportRestarts) {
    lf_restartRow({"teleport", true});
}

TEST(Rows, Row5Service401Restarts) {
    lf_restartRow({"401", false});
}

struct ReaderFailureCase {
    const char* name;
    bool afterProbe;
    const char* error;
};

void lf_readerFailure(const ReaderFailureCase& c) {
    E2eRun run(gf_testName());
    run.prepare();
    if (!c.afterProbe) {
        run.rt->script("weather", rtstub::Reply::json(R"({"status":502})"));
    }
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    if (c.afterProbe) {
        ASSERT_TRUE(lf_toLoop(run));
        ASSERT_TRUE(run.probe());
        run.rt->script("weather", rtstub::Reply::json(R"({"status":502})"));
    }
    const std::string errorText = std::string(c.error).substr(6); // after "Error "
    run.awaitTrace("error=" + errorText, kLoginBound + kExitBound);
    run.await([&] { return run.pixel(kStripX, kStripY) == kRed; }, "the strip red", kFlushBound);
    run.expectCleanEnd(0, kExitBound + kLoginBound, true);
    const std::vector<std::string> lines = run.log();
    EXPECT_LT(lf_index(lines, "===> Weather RT API error: 502"), lines.size())
        << run.diagnostics("the weather error");
    EXPECT_EQ(lf_exact(lines, "The Weather Reader has stopped with an error"), 1u);
    EXPECT_EQ(lf_index(lines, "The Traffic Reader has stopped with an error"), lines.size());
    EXPECT_LT(lf_index(lines, c.error), lines.size()) << run.diagnostics(c.error);
    EXPECT_EQ(lf_exact(lines, "Exiting: SYSTEM ERROR"), 1u);
    EXPECT_LT(lf_index(lines, kDeauthLine), lines.size());
    EXPECT_EQ(lf_exact(lines, kBanner), 1u);
}

TEST(Rows, Row6aReaderFailureInTheLoop) {
    lf_readerFailure({"after the probe", true, "Error 1001: RT error"});
}

TEST(Rows, Row6bReaderFailureOnTheFirstRequest) {
    lf_readerFailure({"the first weather request", false, "Error Reader error"});
}

TEST(Rows, Row7LicenceMissing) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.licence = LicencePlace::none;
    run.prepare(o);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.awaitLog(kConnected, kConnectBound + kLoginBound));
    ASSERT_TRUE(run.probe());
    run.awaitTrace("rt=red", kFlushBound);
    run.awaitTrace("weather=3", kFlushBound);
    run.awaitTrace("traffic=3", kFlushBound);
    run.await([&] { return run.pixel(kRtBlockX, kRtBlockY) == kRed; }, "RT block red", kFlushBound);
    const auto census = gf_threadCensus(run.program->pid());
    EXPECT_EQ(census.count("ksby-weather") + census.count("ksby-traffic"), 0u);
    run.close();
    run.expectCleanEnd(0);
    const std::vector<std::string> lines = run.log();
    EXPECT_LT(lf_index(lines, "A RealTraffic license file \""), lines.size());
    EXPECT_LT(lf_index(lines, "RealTraffic.lic\" created to fill in your license"), lines.size());
    EXPECT_LT(lf_index(lines, "No valid RT license in your file: \""), lines.size());
    EXPECT_LT(lf_index(lines, "license: \"fill in your license here\""), lines.size());
    EXPECT_EQ(lf_index(lines, "Authenticated"), lines.size());
    EXPECT_EQ(lf_index(lines, "Reader connected"), lines.size());
    EXPECT_EQ(gf_fileText(run.folder.work / "RealTraffic.lic"),
              R"({"License":"fill in your license here","Name":"not relevant"})");
    EXPECT_TRUE(run.rt->requests().empty());
    EXPECT_NE(gf_fileText(run.folder.parametersFile()).find(R"(name="LAST_EPOCH_TIME" value="0")"),
              std::string::npos);
}

// A start with SCAN_AIRPORTS on scans the real leab package on drive R: (the afolder, or the
// active area of the simulator's scenery.cfg) and generates its airport file before the loop.
void lf_airportScanRow(bool automatic) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.parameters = {{"SCAN_AIRPORTS", "true"}, {"AFG_AUTOMATIC", automatic ? "true" : "false"}};
    if (!automatic) {
        o.parameters.emplace_back("afolder0", "R:\\leab");
    }
    o.environment = {{"KSBY_DRIVE_R", KSBY_REALDATA_DIR}};
    run.prepare(o);
    if (automatic) {
        ksb::test::writeBytes(run.folder.programData / "Lockheed Martin/Prepar3D v5/scenery.cfg",
                              "[General]\r\nTitle=Prepar3D\r\n[Area.001]\r\nTitle=LEAB\r\n"
                              "Local=R:\\leab\r\nLayer=1\r\nActive=TRUE\r\n");
    }
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(lf_toLoop(run));
    lf_closeInLoop(run);
    const std::vector<std::string> lines = run.log();
    EXPECT_EQ(lf_exact(lines, "Airports scan successful"), 1u)
        << run.diagnostics("Airports scan successful");
    const std::string leab = gf_fileText(run.folder.work / "airports/my_thirdparty/LEAB.xml");
    EXPECT_NE(leab.find(R"(name="num_parkpos" value="69")"), std::string::npos);
    EXPECT_NE(leab.find(R"(id="r4")"), std::string::npos);
    EXPECT_NE(gf_fileText(run.folder.work / "output/info/AirportsScanLog.txt")
                  .find("Generated LEAB.xml: 69 positions, of which 1 helipad"),
              std::string::npos);
    EXPECT_NE(gf_fileText(run.folder.parametersFile()).find(R"(name="SCAN_AIRPORTS" value="false")"),
              std::string::npos);
}

TEST(Rows, Row11aAirportScanAfolder) {
    lf_airportScanRow(false);
}

TEST(Rows, Row11bAirportScanSceneryCfg) {
    lf_airportScanRow(true);
}

// The service refuses the login with 401. The status and the service's own message reach the
// message line and Log.txt, the program never claims a session and never sends a GUID. What
// follows is the run phase's answer to a login without GUID: after its 3 s wait for the GUID
// the Weather Reader starts and ends at once with status 0, the start-up step reports "Reader
// error" and the program ends with SYSTEM ERROR, without a restart.
TEST(Rows, Row11RefusedLoginEndsWithReaderError) {
    E2eRun run(gf_testName());
    run.prepare();
    lf_earlierLogs(run.folder);
    run.rt->script("auth", rtstub::Reply::login(R"({"status":401,"message":"license not valid"})"));
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    const std::string refused = "RT login failed, status 401: license not valid";
    ASSERT_TRUE(run.awaitTrace("message=" + refused, kConnectBound + kLoginBound));
    run.awaitTrace("error=Reader error", kLoginBound);
    run.expectCleanEnd(0, kExitBound);
    const std::vector<std::string> lines = run.log();
    EXPECT_EQ(
        lf_exact(lines, "===> Authentication failed, status: 401, message: \"license not valid\""),
        1u)
        << run.diagnostics("the refusal in Log.txt");
    EXPECT_EQ(lf_exact(lines, refused), 1u);
    EXPECT_EQ(lf_index(lines, "Authenticated"), lines.size());
    EXPECT_LT(lf_index(lines, "===> Weather RT API error: 0"), lines.size())
        << run.diagnostics("the Weather Reader's end");
    EXPECT_EQ(lf_exact(lines, "The Weather Reader has stopped with an error"), 1u);
    // The start-up step still starts the Traffic Reader, which ends the same way.
    EXPECT_EQ(lf_exact(lines, "===> Traffic RT API error: 0"), 1u)
        << run.diagnostics("the Traffic Reader's end");
    EXPECT_EQ(lf_exact(lines, "Error Reader error"), 1u) << run.diagnostics("Error Reader error");
    EXPECT_EQ(lf_exact(lines, "Exiting: SYSTEM ERROR"), 1u);
    EXPECT_EQ(lf_index(lines, kDeauthLine), lines.size());
    // The login was the only request: no GUID, and never "empty GUID?", went out.
    const auto requests = run.rt->requests();
    ASSERT_EQ(requests.size(), 1u) << run.diagnostics("one request");
    EXPECT_EQ(requests[0].route, "auth");
    EXPECT_EQ(lf_field(requests[0], "license"), scene::kLicence);
    EXPECT_EQ(run.rt->openGuid(), std::nullopt);
    // Nothing stored changed.
    EXPECT_EQ(gf_fileText(run.folder.work / "RealTraffic.lic"), scene::kLicenceFile);
    EXPECT_EQ(gf_fileText(run.folder.work / "Log0.txt"), "the run before\n");
    EXPECT_EQ(gf_fileText(run.folder.work / "Log00.txt"), "the run before that\n");
    EXPECT_NE(gf_fileText(run.folder.parametersFile()).find(R"(name="LAST_EPOCH_TIME" value="0")"),
              std::string::npos);
}

// A second start while the first runs: status 255, one window, nothing touched.
void lf_secondInstance(bool sameFolder) {
    E2eRun run(gf_testName());
    run.prepare();
    lf_earlierLogs(run.folder);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.await([&] { return !run.log().empty(); }, "the header on the disk",
                          kStartBound + kFlushBound));
    // In the loop; a program whose link never connects is only waiting, and that must not
    // change either.
    const auto windowAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(run.await(
        [&] {
            return run.logCount(kTrafficConnected) > 0 ||
                   (std::chrono::steady_clock::now() - windowAt > kConnectBound &&
                    run.sim->connections().empty());
        },
        "the first in its loop", kLoginBound + kFlushBound));
    const std::string log0 = gf_fileText(run.folder.work / "Log0.txt");
    const std::string log00 = gf_fileText(run.folder.work / "Log00.txt");
    const std::size_t connections = run.sim->connections().size();
    const std::size_t auths = lf_routeCount(run.rt->requests(), "auth");

    WorkFolder other = run.folder;
    std::unique_ptr<E2eRun> otherRun;
    if (!sameFolder) {
        WorkFolderSpec spec;
        spec.root = run.root / "other";
        spec.pipeDir = run.pipeDir;
        other = gf_buildWorkFolder(spec);
        // The same instance lock.
        other.run = run.folder.run;
    }
    auto second = run.startAnother(other, "second");
    EXPECT_EQ(second->waitForExit(kQuickExitBound), std::optional<int>(255));
    EXPECT_EQ(run.driver->count("KSBY_P3D"), 1u);
    EXPECT_EQ(lf_headers(run.log()), 1u);
    EXPECT_EQ(gf_fileText(run.folder.work / "Log0.txt"), log0);
    EXPECT_EQ(gf_fileText(run.folder.work / "Log00.txt"), log00);
    if (!sameFolder) {
        EXPECT_FALSE(fs::exists(other.work / "Log.txt"));
    }
    EXPECT_EQ(run.sim->connections().size(), connections);
    EXPECT_EQ(lf_routeCount(run.rt->requests(), "auth"), auths);

    run.close();
    run.expectCleanEnd(0, kExitBound, auths > 0);
    auto last = run.startAnother(run.folder, "last");
    EXPECT_TRUE(run.driver->waitForWindow("KSBY_P3D", kStartBound).has_value())
        << run.diagnostics("the final start's window");
    last->signal(SIGKILL);
    last->waitForExit(kQuickExitBound);
}

TEST(Rows, Row8aSecondInstanceSameFolder) {
    lf_secondInstance(true);
}

TEST(Rows, Row8bSecondInstanceOtherFolder) {
    lf_secondInstance(false);
}

// A start that cannot go on: status 1, one stderr line, no window, no connection, no request.
void lf_cannotStart(bool display) {
    E2eRun run(gf_testName());
    run.prepare();
    if (display) {
        fs::create_directory(run.folder.work / "Log.txt");
    }
    run.startSim();
    run.startProgram(display);
    const auto status = run.waitForExit(kQuickExitBound);
    EXPECT_EQ(status, std::optional<int>(1)) << run.diagnostics("status 1");
    const std::string err = gf_fileText(run.folder.stderrFile);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_TRUE(!err.empty() && err.back() == '\n') << err;
    EXPECT_EQ(run.driver->count("KSBY_P3D"), 0u);
    EXPECT_TRUE(run.sim->connections().empty());
    EXPECT_TRUE(run.rt->requests().empty());
    if (!display) {
        const std::vector<std::string> lines = run.log();
        EXPECT_EQ(lf_headers(lines), 1u) << run.diagnostics("the header");
        EXPECT_LT(lf_index(lines, "initInstance failed"), lines.size())
            << run.diagnostics("initInstance failed");
    }
}

TEST(Rows, Row9aNoDisplay) {
    lf_cannotStart(false);
}

TEST(Rows, Row9bLogTxtIsAFolder) {
    lf_cannotStart(true);
}

} // namespace
} // namespace ksb::e2e

// Exits on the traffic scene: a close or a signal while creations are under way, the restarts,
// a reader's failure and a simulator that goes away. Whatever the path and the moment, every
// object the program created ends by its own removal before its connection closes; only when the
// simulator goes away do its objects go with the connection.
#include "e2e_run.h"

#include "support/e2e/traffic_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fmt/format.h>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <regex>

namespace ksb::e2e {
namespace {

// The first creations come within the login, the park airport's load and the static plan.
constexpr auto kCreationBound = scaled(std::chrono::seconds(90));
// The static plan, the departure's creation on its stand and three live flights moving.
constexpr auto kSceneUpBound = scaled(std::chrono::seconds(150));

const std::string kLearnedFile = "airports/learned/thirdparty/scene/EDDF.xml";
const std::string kSaveLine = kLearnedFile + "\" saved with ";
const std::string kReadLearned = "Read from learned airport file: \"";
const std::string kSimGoneLine = "Flight Simulator no longer connected, KSBY_P3D will stop ...";
// "A1      : DLH100*  parked 10:15:02"
const std::regex kParkedLine(R"(^\S+ +: \S+\* +parked \d\d:\d\d:\d\d$)");
const std::regex kDepartureParks(R"(^A7 +: DLH9CD +parks \d\d:\d\d:\d\d$)");

std::vector<simstub::PacketRecord> lf_creations(const E2eRun& run) {
    std::vector<simstub::PacketRecord> out;
    for (const simstub::PacketRecord& p : run.sim->packets()) {
        if (p.name == "AICreateNonATCAircraft") {
            out.push_back(p);
        }
    }
    return out;
}

bool lf_isStaticTail(const std::string& tail) {
    return !tail.empty() && tail.back() == '*';
}

std::size_t lf_lineWith(const std::vector<std::string>& lines, const std::string& text,
                        std::size_t from = 0) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos) {
            return i;
        }
    }
    return lines.size();
}

std::size_t lf_matching(const std::vector<std::string>& lines, const std::regex& pattern,
                        std::size_t from = 0) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end(),
        [&](const std::string& l) { return std::regex_match(l, pattern); }));
}

bool lf_startScene(E2eRun& run) {
    RunOptions options;
    options.trafficScene = true;
    run.prepare(options);
    run.startSim();
    run.startProgram();
    return run.awaitWindow().has_value();
}

// Starts the traffic scene and waits until count creations that pass the filter reached the
// stand-in; returns the stand-in time right after, or nullopt at the deadline.
std::optional<double> lf_untilCreations(E2eRun& run, std::size_t count, bool statics) {
    if (!lf_startScene(run)) {
        return std::nullopt;
    }
    const auto enough = [&] {
        std::size_t n = 0;
        for (const simstub::PacketRecord& p : lf_creations(run)) {
            n += lf_isStaticTail(p.fields.text("tail")) == statics ? 1 : 0;
        }
        return n >= count;
    };
    if (!run.sim->waitFor(enough,
                          std::chrono::duration_cast<std::chrono::milliseconds>(kCreationBound))) {
        run.fail(fmt::format("{} {} creation packets", count, statics ? "static" : "live"));
        return std::nullopt;
    }
    return run.sim->now();
}

// Live objects of the connection that exist and have been moved.
std::size_t lf_movingLive(const E2eRun& run, int conn) {
    std::size_t n = 0;
    for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(conn)) {
        n += !lf_isStaticTail(o.tail) && !o.end && o.positionWritten ? 1 : 0;
    }
    return n;
}

std::size_t lf_staticObjects(const E2eRun& run, int conn) {
    std::size_t n = 0;
    for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(conn)) {
        n += lf_isStaticTail(o.tail) ? 1 : 0;
    }
    return n;
}

// The scene is up on the connection: the static plan's seven "parked" lines logged after the
// line fromLine, the departure logged as parked on A7 (run 1 only: later it has left), the
// static objects of those lines created, and three live objects moving.
bool lf_awaitSceneUp(E2eRun& run, int conn, std::size_t fromLine = 0, bool departure = true) {
    constexpr std::size_t kPlanned = 7;
    return run.await(
        [&] {
            const std::vector<std::string> lines = run.log();
            return lf_matching(lines, kParkedLine, fromLine) >= kPlanned &&
                   (!departure || lf_matching(lines, kDepartureParks, fromLine) > 0) &&
                   lf_staticObjects(run, conn) >= kPlanned && lf_movingLive(run, conn) >= 3;
        },
        fmt::format("the scene up on connection {}: {} parked lines{}, {} static and 3 moving "
                    "live objects",
                    conn, kPlanned, departure ? ", A7 DLH9CD parks" : "", kPlanned),
        kSceneUpBound);
}

// The departure leaving A7: it learns the stand, so that an exit has a learned file to save.
bool lf_awaitDepartureLearned(E2eRun& run) {
    static const std::regex pushBack(R"(^A7 +: DLH9CD +push back \d\d:\d\d:\d\d$)");
    return run.await([&] { return lf_matching(run.log(), pushBack) > 0; },
                     "Log.txt \"A7      : DLH9CD   push back <time>\"", kSceneUpBound);
}

int lf_firstConnection(const E2eRun& run) {
    const auto conns = run.sim->connections();
    return conns.empty() ? 0 : conns.front().id;
}

// Every object created through a connection ended by that connection's own removal, so nothing
// was left when the connection closed. Where the simulator went away, what was still there
// went with the connection instead.
void lf_expectNoObjectLeft(E2eRun& run, bool simulatorWentAway = false) {
    for (const simstub::ConnectionInfo& c : run.sim->connections()) {
        for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(c.id)) {
            const bool removed =
                o.end && o.end->kind == simstub::EndKind::removed && o.end->conn == c.id;
            const bool wentWith =
                simulatorWentAway && o.end && o.end->kind == simstub::EndKind::withConnection;
            EXPECT_TRUE(removed || wentWith) << run.diagnostics(
                fmt::format("object {} {} {} connection {}", o.id, o.tail,
                            simulatorWentAway ? "removed by or gone with" : "removed by", c.id));
        }
    }
}

// One of the removed objects had its creation packet in the last real second before exitAt.
void lf_expectLateCreationRemoved(E2eRun& run, double exitAt) {
    const double lastSecond = exitAt - scene::kTestTimeScale;
    bool lateOneRemoved = false;
    for (const simstub::ConnectionInfo& c : run.sim->connections()) {
        for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(c.id)) {
            const bool removed =
                o.end && o.end->kind == simstub::EndKind::removed && o.end->conn == c.id;
            for (const simstub::PacketRecord& p : lf_creations(run)) {
                if (removed && p.conn == c.id && p.fields.text("tail") == o.tail &&
                    p.time >= lastSecond && p.time <= exitAt) {
                    lateOneRemoved = true;
                }
            }
        }
    }
    EXPECT_TRUE(lateOneRemoved) << run.diagnostics(
        "a removed object whose creation came in the last second before the exit");
}

// The clean end with its status, the exit line once, no sanitizer report.
void lf_expectEnd(E2eRun& run, const std::string& exitLine, Duration bound = kExitBound) {
    run.expectCleanEnd(0, bound, true);
    EXPECT_EQ(run.logCount(exitLine), 1u) << run.diagnostics(exitLine);
    EXPECT_EQ(gf_fileText(run.folder.stderrFile).find("Sanitizer"), std::string::npos)
        << run.diagnostics("no sanitizer report on stderr");
}

// The close button, the clean end, no object left.
void lf_closeAndExpectNoObjectLeft(E2eRun& run) {
    run.close();
    lf_expectEnd(run, "Exiting: USER CLOSED SIM");
    lf_expectNoObjectLeft(run);
}

void lf_expectLines(E2eRun& run, const std::vector<std::string>& texts) {
    const std::vector<std::string> lines = run.log();
    for (const std::string& text : texts) {
        EXPECT_LT(lf_lineWith(lines, text), lines.size()) << run.diagnostics(text);
    }
}

// The learned file saved after the exit line (and before the next line, when given).
void lf_expectSaveAfter(E2eRun& run, const std::string& exitLine, const std::string& next = {}) {
    const std::vector<std::string> lines = run.log();
    const std::size_t exiting = lf_lineWith(lines, exitLine);
    const std::size_t saved = lf_lineWith(lines, kSaveLine, exiting);
    EXPECT_LT(saved, next.empty() ? lines.size() : lf_lineWith(lines, next, exiting))
        << run.diagnostics(fmt::format("the save line after \"{}\"{}", exitLine,
                                       next.empty() ? "" : " before \"" + next + "\""));
}

// The learned file after the exit holds the departure's registration, which it learned on A7.
void lf_expectLearnedFileSaved(E2eRun& run) {
    const std::string learned = gf_fileText(run.folder.work / kLearnedFile);
    EXPECT_NE(learned.find("D-AIBC"), std::string::npos)
        << run.diagnostics("the learned file saved with the departure from A7");
}

// Where an object stood on a stand (on the ground within its radius), in stand-in seconds.
struct StandVisit {
    std::uint32_t id = 0;
    std::string tail;
    double from = 0.0, to = 0.0;
};

// Each AI object's stand visits, from its creation point and its position writes; a visit that
// lasts to the object's last point lasts to its end (or on, while it exists).
std::map<std::string, std::vector<StandVisit>> lf_standVisits(const E2eRun& run) {
    constexpr double kOnGroundFeet = 50.0;
    const std::vector<trafficScene::Stand> stands = trafficScene::stands();
    const std::vector<simstub::PacketRecord> creations = lf_creations(run);
    std::map<std::string, std::vector<StandVisit>> visits;
    for (const simstub::ConnectionInfo& c : run.sim->connections()) {
        std::map<std::string, std::size_t> createdBefore; // tail -> objects matched so far
        for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(c.id)) {
            struct Point {
                double time, latitude, longitude, altitude;
            };
            std::vector<Point> points;
            std::size_t k = createdBefore[o.tail]++;
            for (const simstub::PacketRecord& p : creations) {
                if (p.conn == c.id && p.fields.text("tail") == o.tail && k-- == 0) {
                    points.push_back({p.time, p.fields.number("latitude"),
                                      p.fields.number("longitude"), p.fields.number("altitude")});
                    break;
                }
            }
            for (const simstub::PositionRecord& r : run.sim->positions(o.id)) {
                points.push_back({r.time, r.latitude, r.longitude, r.altitude});
            }
            const double end = o.end ? o.end->time : std::numeric_limits<double>::infinity();
            for (const trafficScene::Stand& s : stands) {
                std::optional<StandVisit> visit;
                for (std::size_t i = 0; i < points.size(); ++i) {
                    const test::LocalPoint at =
                        trafficScene::frame().toLocal({points[i].latitude, points[i].longitude});
                    const test::LocalPoint stand = s.local();
                    const bool on =
                        std::hypot(at.east - stand.east, at.north - stand.north) <= s.radius &&
                        points[i].altitude - trafficScene::kFieldElevation < kOnGroundFeet;
                    if (on && !visit) {
                        visit = StandVisit{o.id, o.tail, points[i].time, end};
                    } else if (!on && visit) {
                        visit->to = points[i].time;
                        visits[s.name].push_back(*visit);
                        visit.reset();
                    }
                }
                if (visit) {
                    visits[s.name].push_back(*visit);
                }
            }
        }
    }
    return visits;
}

void lf_expectOneObjectPerStand(E2eRun& run) {
    for (const auto& [stand, list] : lf_standVisits(run)) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            for (std::size_t j = i + 1; j < list.size(); ++j) {
                const StandVisit& a = list[i];
                const StandVisit& b = list[j];
                EXPECT_FALSE(a.from < b.to && b.from < a.to) << run.diagnostics(fmt::format(
                    "one object at a time on {}: {} {} ({:.1f} to {:.1f}) and {} {} ({:.1f} to "
                    "{:.1f})",
                    stand, a.id, a.tail, a.from, a.to, b.id, b.tail, b.from, b.to));
            }
        }
    }
}

// Run 1 from the start to its restart: the scene up, the injection, the countdown with the
// learned file saved before it, and run 2 logged in on a second connection. Returns that
// connection's id, or 0.
int lf_untilRun2(E2eRun& run, const std::function<void()>& inject, int countdown) {
    if (!lf_startScene(run) || !lf_awaitSceneUp(run, 1) || !lf_awaitDepartureLearned(run)) {
        return 0;
    }
    inject();
    const int conn2 =
        run.sim->waitForConnection(2, std::chrono::duration_cast<std::chrono::milliseconds>(
                                          kExitBound + countdownBound(countdown)));
    if (conn2 == 0) {
        run.fail("the second connection after the restart");
        return 0;
    }
    const std::string restarting = fmt::format("Restarting after {} seconds", countdown);
    lf_expectLines(run, {"Exiting: RESTART", restarting});
    lf_expectSaveAfter(run, "Exiting: RESTART", restarting);
    return run.awaitLog(kTrafficConnected, kLoginBound + kFlushBound, 2) ? conn2 : 0;
}

TEST(Rows, RowX1CloseRightAfterTheThirdStaticCreation) {
    E2eRun run(gf_testName());
    ASSERT_TRUE(lf_untilCreations(run, 3, true).has_value());
    // The screenshot first, so that the close follows the creation as closely as it can.
    run.saveScreenshot();
    const double exitAt = run.sim->now();
    run.driver->sendDelete(*run.window);
    lf_expectEnd(run, "Exiting: USER CLOSED SIM");
    lf_expectNoObjectLeft(run);
    lf_expectLateCreationRemoved(run, exitAt);
}

TEST(Rows, RowX2SigtermRightAfterTheFirstLiveCreation) {
    E2eRun run(gf_testName());
    ASSERT_TRUE(lf_untilCreations(run, 1, false).has_value());
    run.saveScreenshot();
    const double exitAt = run.sim->now();
    run.program->signal(SIGTERM);
    lf_expectEnd(run, "Exiting: USER CLOSED SIM");
    lf_expectNoObjectLeft(run);
    lf_expectLateCreationRemoved(run, exitAt);
}

// Out of reach of every flight and of every airport: run 2 chooses no park airport and
// creates nothing.
TEST(Rows, RowX3TeleportFarAwayRestartsWithoutTraffic) {
    constexpr double kNorthNm = 30.0;
    E2eRun run(gf_testName());
    const int conn2 = lf_untilRun2(
        run,
        [&] {
            run.sim->teleportUser(scene::kLatitude + kNorthNm / 60.0, scene::kLongitude,
                                  scene::kAltitudeFeet);
        },
        30);
    ASSERT_NE(conn2, 0);
    ASSERT_TRUE(run.awaitLog("User aircraft on the ground, no airport in sight",
                             kFlushBound + kLoginBound));
    // Three traffic answers of run 2, each of which would have brought a flight in reach.
    const std::size_t polls = [&] {
        const auto requests = run.rt->requests();
        return static_cast<std::size_t>(std::count_if(
            requests.begin(), requests.end(), [](const auto& r) { return r.route == "traffic"; }));
    }();
    run.await(
        [&] {
            const auto requests = run.rt->requests();
            return static_cast<std::size_t>(
                       std::count_if(requests.begin(), requests.end(), [](const auto& r) {
                           return r.route == "traffic";
                       })) >= polls + 3;
        },
        "three traffic polls of run 2", kLoginBound);
    lf_closeAndExpectNoObjectLeft(run);
    const std::vector<std::string> lines = run.log();
    // Whole line: the run's folder name holds the word too.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Teleport"), 1) << run.diagnostics("Teleport");
    EXPECT_TRUE(run.sim->objectsCreatedBy(conn2).empty()) << run.diagnostics("no object of run 2");
    const std::vector<simstub::PacketRecord> creations = lf_creations(run);
    EXPECT_EQ(std::count_if(creations.begin(), creations.end(),
                            [&](const simstub::PacketRecord& p) { return p.conn == conn2; }),
              0)
        << run.diagnostics("no creation packet on connection 2");
}

// The restarts whose run 2 finds the park airport again: it reads the learned file run 1 saved
// and fills the scene anew on connection 2.
struct RefillRestartCase {
    const char* name;
    int countdown;
    std::function<void(E2eRun&)> inject;
    std::vector<std::string> lines;
};

void lf_refillRestartRow(const RefillRestartCase& c) {
    E2eRun run(gf_testName());
    const int conn2 = lf_untilRun2(
        run, [&] { c.inject(run); }, c.countdown);
    ASSERT_NE(conn2, 0);
    const std::vector<std::string> beforeRun2 = run.log();
    const std::size_t run2From = lf_lineWith(beforeRun2, "Restarting after ");
    ASSERT_TRUE(lf_awaitSceneUp(run, conn2, run2From, false));
    lf_closeAndExpectNoObjectLeft(run);
    lf_expectLines(run, c.lines);
    const std::vector<std::string> lines = run.log();
    const std::size_t saved = lf_lineWith(lines, kSaveLine);
    const std::size_t read2 = lf_lineWith(lines, kReadLearned, saved);
    EXPECT_LT(read2, lines.size()) << run.diagnostics("run 2 reads the learned file run 1 saved");
    if (read2 < lines.size()) {
        EXPECT_NE(lines[read2].find(kLearnedFile + "\""), std::string::npos) << lines[read2];
    }
    lf_expectOneObjectPerStand(run);
}

TEST(Rows, RowX4PositionChangedRestartsAndRefills) {
    lf_refillRestartRow({"PositionChanged",
                         30,
                         [](E2eRun& run) { run.sim->sendPositionChanged(); },
                         {"===> User ac position changed"}});
}

TEST(Rows, RowX5Service401RestartsAndRefills) {
    lf_refillRestartRow(
        {"401 on a poll",
         15,
         [](E2eRun& run) {
             run.rt->script("traffic",
                            rtstub::Reply::json(R"({"status":401,"message":"GUID not valid"})"));
         },
         {"===> re-authentication to RT API is needed, restart KSBY_P3D"}});
}

TEST(Rows, RowX6WeatherErrorEndsWithSystemError) {
    E2eRun run(gf_testName());
    ASSERT_TRUE(lf_startScene(run));
    ASSERT_TRUE(lf_awaitSceneUp(run, 1));
    ASSERT_TRUE(lf_awaitDepartureLearned(run));
    // The error ends the program; the screenshot shows the window before it.
    run.saveScreenshot();
    run.rt->script("weather", rtstub::Reply::json(R"({"status":502})"));
    lf_expectEnd(run, "Exiting: SYSTEM ERROR", kExitBound + kLoginBound);
    lf_expectNoObjectLeft(run);
    lf_expectLines(run, {"===> Weather RT API error: 502"});
    // The save's message line is dropped, unlogged, while the error "1001: RT error" stands;
    // the file itself is saved.
    lf_expectLearnedFileSaved(run);
}

TEST(Rows, RowX7SimulatorQuitsAndClosesTakingItsObjects) {
    E2eRun run(gf_testName());
    ASSERT_TRUE(lf_startScene(run));
    ASSERT_TRUE(lf_awaitSceneUp(run, 1));
    ASSERT_TRUE(lf_awaitDepartureLearned(run));
    run.saveScreenshot();
    const int conn = lf_firstConnection(run);
    run.sim->sendQuit(conn);
    run.sim->dropConnection(conn);
    lf_expectEnd(run, "Exiting: SIM WAS CLOSED");
    lf_expectNoObjectLeft(run, true);
    lf_expectLines(run, {kSimGoneLine});
    lf_expectSaveAfter(run, "Exiting: SIM WAS CLOSED");
    lf_expectLearnedFileSaved(run);
    std::size_t wentWith = 0;
    for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(conn)) {
        wentWith += o.end && o.end->kind == simstub::EndKind::withConnection ? 1 : 0;
    }
    // At least the static aircraft of the scene were still there.
    EXPECT_GE(wentWith, 7u) << run.diagnostics("the objects gone with the connection");
    EXPECT_EQ(run.sim->connections().size(), 1u) << run.diagnostics("no second connection");
}

TEST(Rows, RowX8CloseOnceTheSceneIsUp) {
    E2eRun run(gf_testName());
    ASSERT_TRUE(lf_startScene(run));
    ASSERT_TRUE(lf_awaitSceneUp(run, 1));
    lf_closeAndExpectNoObjectLeft(run);
}

} // namespace
} // namespace ksb::e2e

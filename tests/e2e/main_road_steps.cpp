#include "main_road_steps.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <map>
#include <regex>

namespace fs = std::filesystem;

namespace ksb::e2e::road {
namespace {

namespace ts = trafficScene;
using Clock = std::chrono::system_clock;

constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

std::vector<simstub::PacketRecord> lf_packets(const E2eRun& run, const std::string& name) {
    std::vector<simstub::PacketRecord> out;
    for (simstub::PacketRecord& p : run.sim->packets()) {
        if (p.name == name) {
            out.push_back(std::move(p));
        }
    }
    return out;
}

bool lf_isStatic(const std::string& tail) {
    return !tail.empty() && tail.back() == '*';
}

double lf_headingDegrees(double radians) {
    const double d = std::fmod(radians * kDegreesPerRadian, 360.0);
    return d < 0.0 ? d + 360.0 : d;
}

double lf_angleApart(double a, double b) {
    const double d = std::fabs(std::fmod(a - b, 360.0));
    return d > 180.0 ? 360.0 - d : d;
}

double lf_toStand(const simstub::PositionRecord& p, const ts::Stand& stand) {
    return gf_metresApart(p.latitude, p.longitude, stand.position.latitude,
                          stand.position.longitude);
}

// The index of the first event of the name at or after from; npos when none.
std::size_t lf_eventIndex(const std::vector<simstub::EventRecord>& events, const std::string& name,
                          std::size_t from = 0, std::optional<std::uint32_t> data = {}) {
    for (std::size_t i = from; i < events.size(); ++i) {
        if (events[i].name == name && (!data || events[i].data == *data)) {
            return i;
        }
    }
    return std::string::npos;
}

std::optional<double> lf_eventTime(const std::vector<simstub::EventRecord>& events,
                                   const std::string& name, std::optional<std::uint32_t> data = {}) {
    const std::size_t i = lf_eventIndex(events, name, 0, data);
    return i == std::string::npos ? std::nullopt : std::optional<double>(events[i].time);
}

// Log lines in order, as complete lines.
std::size_t lf_lineIndex(const std::vector<std::string>& lines, const std::regex& pattern,
                         std::size_t from = 0) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (std::regex_search(lines[i], pattern)) {
            return i;
        }
    }
    return std::string::npos;
}

bool lf_hasLine(const std::vector<std::string>& lines, const std::string& regexText) {
    return lf_lineIndex(lines, std::regex(regexText)) != std::string::npos;
}

std::string lf_escaped(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

// The flight's creation packets (by tail).
std::vector<simstub::PacketRecord> lf_creationsOf(const E2eRun& run, const std::string& tail) {
    std::vector<simstub::PacketRecord> out;
    for (simstub::PacketRecord& p : lf_packets(run, "AICreateNonATCAircraft")) {
        if (p.fields.text("tail") == tail) {
            out.push_back(std::move(p));
        }
    }
    return out;
}

// The trace's lines "key=value" in order.
std::vector<std::string> lf_traceValues(const E2eRun& run, const std::string& key) {
    std::vector<std::string> out;
    const std::string prefix = key + "=";
    for (const std::string& line : gf_completeLines(run.folder.trace)) {
        if (line.rfind(prefix, 0) == 0) {
            out.push_back(line.substr(prefix.size()));
        }
    }
    return out;
}

const std::string kStaticTails[] = {"DLH100*", "DLH102*", "EZY301*", "RYR4AB*",
                                    "DLH200*", "EZY210*", "DLH220*"};

// The stand each static tail of the first plan takes, from the scene's tables.
std::map<std::string, std::string> lf_firstPlanStands() {
    std::map<std::string, std::string> out;
    for (const ts::Parked& p : ts::parked()) {
        if (p.first) {
            out[p.callsign + "*"] = p.stand;
        }
    }
    for (const ts::Learned& l : ts::learned()) {
        out[l.callsign + "*"] = l.stand;
    }
    return out;
}

std::string lf_titleOfStatic(const std::string& tail) {
    const std::string callsign = tail.substr(0, tail.size() - 1);
    for (const ts::Parked& p : ts::parked()) {
        if (p.callsign == callsign) {
            return p.expectedTitle;
        }
    }
    for (const ts::Learned& l : ts::learned()) {
        if (l.callsign == callsign) {
            return l.expectedTitle;
        }
    }
    return {};
}

ts::Flight lf_flight(const std::string& callsign) {
    for (ts::Flight& f : ts::flights()) {
        if (f.callsign == callsign) {
            return f;
        }
    }
    throw std::invalid_argument("no flight " + callsign);
}

// A static object created on the stand's point and heading, on the ground, with the title.
void lf_expectStaticCreation(const E2eRun& run, const simstub::PacketRecord& p,
                             const std::string& standName, const std::string& title) {
    const ts::Stand stand = ts::stand(standName);
    const std::string tail = p.fields.text("tail");
    const double apart =
        gf_metresApart(p.fields.number("latitude"), p.fields.number("longitude"),
                       stand.position.latitude, stand.position.longitude);
    EXPECT_LE(apart, 0.5) << run.diagnostics(
        fmt::format("static parking: {} on {}'s point ({:.2f} m)", tail, standName, apart));
    const double heading = p.fields.number("heading");
    EXPECT_LE(lf_angleApart(heading, stand.heading), 0.1) << run.diagnostics(fmt::format(
        "static parking: {} with {}'s heading ({:.2f} vs {:.2f})", tail, standName, heading,
        stand.heading));
    EXPECT_EQ(p.fields.u32("onGround"), 1u)
        << run.diagnostics(fmt::format("static parking: {} created on the ground", tail));
    EXPECT_EQ(p.fields.text("title"), title)
        << run.diagnostics(fmt::format("static parking: {}'s title", tail));
}

// The static object's start-up: no position write, ENGINE_AUTO_SHUTDOWN, the logo light on.
void lf_expectStaticStartUp(const E2eRun& run, const simstub::ObjectState& o) {
    EXPECT_TRUE(run.sim->positions(o.id).empty())
        << run.diagnostics(fmt::format("static parking: no position write for {}", o.tail));
    const auto events = run.sim->events(o.id);
    EXPECT_NE(lf_eventIndex(events, "ENGINE_AUTO_SHUTDOWN"), std::string::npos)
        << run.diagnostics(fmt::format("static parking: ENGINE_AUTO_SHUTDOWN for {}", o.tail));
    EXPECT_NE(o.lights & simstub::kLightLogo, 0u)
        << run.diagnostics(fmt::format("static parking: {}'s logo light on", o.tail));
}

} // namespace

std::vector<simstub::ObjectState> gf_aiObjects(const E2eRun& run) {
    std::vector<simstub::ObjectState> out = run.sim->endedObjects();
    for (simstub::ObjectState& o : run.sim->objects()) {
        if (o.kind == simstub::ObjectKind::ai) {
            out.push_back(std::move(o));
        }
    }
    std::sort(out.begin(), out.end(),
              [](const simstub::ObjectState& a, const simstub::ObjectState& b) {
                  return a.id < b.id;
              });
    return out;
}

std::optional<simstub::ObjectState> gf_objectByTail(const E2eRun& run, const std::string& tail) {
    std::optional<simstub::ObjectState> found;
    for (simstub::ObjectState& o : gf_aiObjects(run)) {
        if (o.tail == tail) {
            found = std::move(o);
        }
    }
    return found;
}

double gf_metresApart(double latA, double lonA, double latB, double lonB) {
    const test::LocalPoint a = ts::frame().toLocal({latA, lonA});
    const test::LocalPoint b = ts::frame().toLocal({latB, lonB});
    return std::hypot(a.east - b.east, a.north - b.north);
}

double gf_sceneSecond(const E2eRun& run, Clock::time_point when) {
    const double utc = std::chrono::duration<double>(when.time_since_epoch()).count();
    return utc - run.rt->sceneStart().value_or(utc);
}

bool gf_arrivalStood(const E2eRun& run, std::chrono::seconds standing) {
    const auto o = gf_objectByTail(run, "DLH4AB");
    if (!o || o->end) {
        return false;
    }
    const ts::Stand a5 = ts::stand("A5");
    if (gf_metresApart(o->latitude, o->longitude, a5.position.latitude, a5.position.longitude) >
        2.0) {
        return false;
    }
    // Since the first of the last run of writes on the stand's point.
    const auto positions = run.sim->positions(o->id);
    std::optional<Clock::time_point> since;
    for (auto p = positions.rbegin(); p != positions.rend() && lf_toStand(*p, a5) <= 2.0; ++p) {
        since = p->realTime;
    }
    return since && Clock::now() - *since >= standing;
}

bool gf_renewalLogged(const E2eRun& run) {
    return run.logCount("Parking adjustments: ") >= 1;
}

bool gf_leaverRemoved(const E2eRun& run) {
    const auto o = gf_objectByTail(run, "EZY71");
    return o && o->end;
}

bool gf_departureTookOff(const E2eRun& run) {
    return run.logCount("DLH9CD   took-off to EDDL") >= 1;
}

void gf_checkPlanFilesWhileRunning(const E2eRun& run) {
    for (const simstub::PacketRecord& p : lf_packets(run, "AISetAircraftFlightPlan")) {
        const std::uint32_t id = p.fields.u32("objectId");
        const auto o = run.sim->object(id);
        const fs::path path = p.fields.text("path");
        if (o && !o->end) {
            EXPECT_TRUE(fs::exists(path)) << run.diagnostics(
                fmt::format("adoption: the plan file {} of living object {}", path.string(), id));
        }
    }
    if (const auto leaver = gf_objectByTail(run, "EZY71"); leaver && !leaver->flightPlanPath.empty()) {
        EXPECT_FALSE(fs::exists(leaver->flightPlanPath)) << run.diagnostics(
            "leaving: EZY71's plan file gone after its removal");
    }
}

void gf_checkParkAirport(const E2eRun& run) {
    const std::vector<std::string> lines = run.log();
    const fs::path airports = run.folder.work / "airports";
    // The program names the files as it opened them, relative to its working folder or not.
    const std::string apf = R"(\S*\bairports/my_thirdparty/EDDF\.xml)";
    const std::vector<std::pair<std::string, std::string>> expected{
        {"User aircraft on the ground", "User aircraft on the ground at EDDF \\(FRA\\)"},
        {"The park airport", "The park airport is EDDF \\(FRA\\)"},
        {"read_apf", "^read_apf: " + apf + "$"},
        {"Read from learned airport file",
         R"(^Read from learned airport file: "\S*\bairports/learned/thirdparty/scene/EDDF\.xml"$)"},
        {"Airport file read from", "^Airport file read from \"" + apf + "\" for " +
                                       lf_escaped(ts::kAirportName) + "$"},
        {"my_park_airports.txt created", "my_park_airports\\.txt created with EDDF,V1"}};
    for (const auto& [what, pattern] : expected) {
        EXPECT_TRUE(lf_hasLine(lines, pattern))
            << run.diagnostics("park airport: Log.txt " + what + " /" + pattern + "/");
    }
    EXPECT_EQ(gf_fileText(airports / "my_park_airports.txt"), "EDDF,V1\n")
        << run.diagnostics("park airport: my_park_airports.txt");
    EXPECT_EQ(run.traceValue("park"), std::optional<std::string>("EDDF (FRA)"))
        << run.diagnostics("park airport: trace park");
    EXPECT_EQ(run.traceValue("maxPark"), std::optional<std::string>("9"))
        << run.diagnostics("park airport: trace maxPark");
}

void gf_checkStaticParking(const E2eRun& run) {
    const std::vector<std::string> lines = run.log();
    const std::size_t frameLine = lf_lineIndex(
        lines, std::regex(R"(^\S.* \(utc\) It is day \d \(\w+day\), \d+(\.5)? hours$)"));
    EXPECT_TRUE(frameLine != std::string::npos && frameLine > 0 && lines[frameLine - 1].empty())
        << run.diagnostics("static parking: the time-frame line after an empty line");
    EXPECT_TRUE(lf_hasLine(lines, "4 parking positions from PT"))
        << run.diagnostics("static parking: 4 parking positions from PT");
    EXPECT_TRUE(lf_hasLine(lines, R"(^3 real positions found, Max fit=24 hours)"))
        << run.diagnostics("static parking: 3 real positions found");
    const std::size_t count = lf_lineIndex(
        lines, std::regex(R"(^7 positions \(23% vs wanted 30%, with Max fit=24 hours\)$)"));
    EXPECT_TRUE(count != std::string::npos && count + 1 < lines.size() && lines[count + 1].empty())
        << run.diagnostics("static parking: 7 positions followed by an empty line");
    for (const auto& [tail, stand] : lf_firstPlanStands()) {
        const std::string line = "^" + lf_escaped(fmt::format("{:8}: {:8} parked ", stand, tail)) +
                                 R"(\d\d:\d\d:\d\d$)";
        EXPECT_TRUE(lf_hasLine(lines, line))
            << run.diagnostics(fmt::format("static parking: the parked line of {}", tail));
    }

    // Creations before the renewal: exactly the first plan's seven.
    std::vector<simstub::PacketRecord> statics;
    for (simstub::PacketRecord& p : lf_packets(run, "AICreateNonATCAircraft")) {
        if (lf_isStatic(p.fields.text("tail")) && p.fields.text("tail") != "EZY309*") {
            statics.push_back(std::move(p));
        }
    }
    std::vector<std::string> tails;
    for (const simstub::PacketRecord& p : statics) {
        tails.push_back(p.fields.text("tail"));
    }
    std::vector<std::string> wanted(std::begin(kStaticTails), std::end(kStaticTails));
    std::sort(tails.begin(), tails.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(tails, wanted) << run.diagnostics("static parking: the seven static creations");
    const std::map<std::string, std::string> standOf = lf_firstPlanStands();
    const ts::Stand v1 = ts::stand("V1");
    for (const simstub::PacketRecord& p : statics) {
        const std::string tail = p.fields.text("tail");
        if (const auto s = standOf.find(tail); s != standOf.end()) {
            lf_expectStaticCreation(run, p, s->second, lf_titleOfStatic(tail));
        }
        EXPECT_GT(gf_metresApart(p.fields.number("latitude"), p.fields.number("longitude"),
                                 v1.position.latitude, v1.position.longitude),
                  ts::kStandRadius)
            << run.diagnostics(fmt::format("static parking: {} not on V1", tail));
    }
    for (const simstub::ObjectState& o : gf_aiObjects(run)) {
        if (lf_isStatic(o.tail)) {
            lf_expectStaticStartUp(run, o);
        }
    }
    const std::vector<std::string> active = lf_traceValues(run, "staticActive");
    const auto firstOn = std::find(active.begin(), active.end(), "1");
    EXPECT_TRUE(firstOn != active.end() && std::find(firstOn, active.end(), "0") != active.end())
        << run.diagnostics("static parking: trace staticActive=1, then 0");
    const std::vector<std::string> parkedStatic = lf_traceValues(run, "parkedStatic");
    EXPECT_NE(std::find(parkedStatic.begin(), parkedStatic.end(), "7"), parkedStatic.end())
        << run.diagnostics("static parking: trace parkedStatic=7");
}

void gf_checkLiveries(const E2eRun& run) {
    for (const ts::Flight& f : ts::flights()) {
        const std::vector<simstub::PacketRecord> made = lf_creationsOf(run, f.callsign);
        if (f.expectedTitle.empty()) {
            EXPECT_TRUE(made.empty())
                << run.diagnostics(fmt::format("liveries: {} never created", f.callsign));
            continue;
        }
        if (f.expectedTitle == ts::kRefusedTitle) {
            EXPECT_EQ(made.size(), 1u)
                << run.diagnostics(fmt::format("liveries: {} created once", f.callsign));
            EXPECT_FALSE(gf_objectByTail(run, f.callsign).has_value())
                << run.diagnostics(fmt::format("liveries: {} refused", f.callsign));
        } else {
            EXPECT_FALSE(made.empty())
                << run.diagnostics(fmt::format("liveries: {} created", f.callsign));
        }
        for (const simstub::PacketRecord& p : made) {
            EXPECT_EQ(p.fields.text("title"), f.expectedTitle)
                << run.diagnostics(fmt::format("liveries: {}'s title", f.callsign));
        }
    }
    bool refusal = false;
    for (const simstub::MessageRecord& m : run.sim->sent()) {
        refusal = refusal || (m.name == "Exception" && m.fields.u32("code") == 22);
    }
    EXPECT_TRUE(refusal) << run.diagnostics("liveries: exception 22 for the refused title");
    const std::vector<std::string> lines = run.log();
    EXPECT_TRUE(lf_hasLine(lines, lf_escaped("CFG5KL \"Scene B753 CFG\" could not be created by "
                                             "your Sim!")))
        << run.diagnostics("liveries: the refusal line");
    const std::size_t noMatch = lf_lineIndex(lines, std::regex("^No match found for: "));
    ASSERT_NE(noMatch, std::string::npos) << run.diagnostics("liveries: No match found for:");
    for (const std::string key : {"AFR A359 F-HTYA", "CFG B753 D-ABOK"}) {
        EXPECT_NE(lf_lineIndex(lines, std::regex("^" + std::string(key) + "$"), noMatch),
                  std::string::npos)
            << run.diagnostics(fmt::format("liveries: \"{}\" unmatched", key));
    }
}

void gf_checkAdoption(const E2eRun& run) {
    const auto requests = lf_packets(run, "RequestDataOnSimObject");
    for (const ts::Flight& f : ts::flights()) {
        const auto o = gf_objectByTail(run, f.callsign);
        if (!o) {
            continue;
        }
        const std::string what = fmt::format("adoption: {} ", f.callsign);
        const auto events = run.sim->events(o->id);
        const std::size_t release = lf_eventIndex(events, "AIReleaseControl");
        EXPECT_NE(release, std::string::npos) << run.diagnostics(what + "released");
        for (const std::string freeze : {"FREEZE_LATITUDE_LONGITUDE_SET", "FREEZE_ALTITUDE_SET",
                                          "FREEZE_ATTITUDE_SET"}) {
            EXPECT_NE(lf_eventIndex(events, freeze, 0, 1u), std::string::npos)
                << run.diagnostics(what + freeze + " with data 1");
        }
        EXPECT_EQ(std::count_if(events.begin(), events.end(),
                                [](const simstub::EventRecord& e) {
                                    return e.name == "ALL_LIGHTS_TOGGLE";
                                }),
                  2)
            << run.diagnostics(what + "ALL_LIGHTS_TOGGLE twice");
        EXPECT_TRUE(std::any_of(requests.begin(), requests.end(),
                                [&](const simstub::PacketRecord& p) {
                                    return p.fields.u32("objectId") == o->id &&
                                           p.fields.u32("definitionId") == 405;
                                }))
            << run.diagnostics(what + "the static-CG request");
        const bool withPlan = !f.departure.empty() && !f.destination.empty();
        if (!withPlan) {
            EXPECT_TRUE(o->flightPlanPath.empty()) << run.diagnostics(what + "no flight plan");
            continue;
        }
        const std::string ending = fmt::format("{}.pln", o->id);
        EXPECT_TRUE(o->flightPlanPath.size() >= ending.size() &&
                    o->flightPlanPath.ends_with(ending) &&
                    fs::path(o->flightPlanPath).parent_path() ==
                        run.folder.appData / "KSBY_P3D" / "orig_dest")
            << run.diagnostics(what + "plan path " + o->flightPlanPath);
        std::string text;
        for (const std::string& line : o->flightPlanLines) {
            text += line + "\n";
        }
        for (const std::string& part : {f.departure, f.destination, std::string("IFR")}) {
            EXPECT_NE(text.find(part), std::string::npos)
                << run.diagnostics(what + "plan holds " + part + ":\n" + text);
        }
    }
}

void gf_checkMotion(const E2eRun& run) {
    for (const std::string callsign : {"BAW902", "UAE45", "RYR12X"}) {
        const ts::Flight f = lf_flight(callsign);
        const auto o = gf_objectByTail(run, callsign);
        ASSERT_TRUE(o.has_value()) << run.diagnostics("motion: " + callsign + " created");
        const auto positions = run.sim->positions(o->id);
        ASSERT_FALSE(positions.empty()) << run.diagnostics("motion: " + callsign + " moved");
        const Clock::time_point from = positions.front().realTime + std::chrono::seconds(60);
        std::size_t checked = 0;
        for (const simstub::PositionRecord& p : positions) {
            if (p.realTime < from) {
                continue;
            }
            const double at = gf_sceneSecond(run, p.realTime);
            double nearest = 1e12;
            for (double s = at - 35.0; s <= at - 20.0; s += 0.25) {
                test::TrackState state;
                if (f.track.at(s, state)) {
                    nearest = std::min(nearest,
                                       gf_metresApart(p.latitude, p.longitude,
                                                      state.position.latitude,
                                                      state.position.longitude));
                }
            }
            ++checked;
            if (nearest > 150.0) {
                ADD_FAILURE() << run.diagnostics(fmt::format(
                    "motion: {} at scene second {:.1f} within 150 m of its track 35 to 20 s "
                    "before ({:.0f} m)",
                    callsign, at, nearest));
                break;
            }
        }
        EXPECT_GT(checked, 0u) << run.diagnostics("motion: positions of " + callsign);
    }
    // No jumps, for every live object. The stand-in stamps a write when it reads it, and reads
    // the ticks' writes in bursts, so each entry is compared with the last one at least a second
    // before it.
    for (const ts::Flight& f : ts::flights()) {
        const auto o = gf_objectByTail(run, f.callsign);
        if (!o) {
            continue;
        }
        const double speed = f.track.greatestKnots() * kMetresPerSecondPerKnot;
        const auto positions = run.sim->positions(o->id);
        std::size_t before = 0;
        for (std::size_t i = 1; i < positions.size(); ++i) {
            while (before + 1 < i && positions[i].realTime - positions[before + 1].realTime >=
                                         std::chrono::seconds(1)) {
                ++before;
            }
            const double seconds =
                std::chrono::duration<double>(positions[i].realTime - positions[before].realTime)
                    .count();
            if (seconds < 1.0) {
                continue;
            }
            const double apart =
                gf_metresApart(positions[before].latitude, positions[before].longitude,
                               positions[i].latitude, positions[i].longitude);
            if (apart > 1.5 * speed * seconds + 5.0) {
                ADD_FAILURE() << run.diagnostics(fmt::format(
                    "motion: {} jumps {:.0f} m in {:.2f} s", f.callsign, apart, seconds));
                break;
            }
        }
    }
    const std::vector<std::string> live = lf_traceValues(run, "live");
    EXPECT_TRUE(std::any_of(live.begin(), live.end(),
                            [](const std::string& v) { return std::atoi(v.c_str()) >= 4; }))
        << run.diagnostics("motion: trace live reaches 4");
}

void gf_checkDeparture(const E2eRun& run) {
    const std::vector<std::string> lines = run.log();
    for (const std::string& text :
         {std::string(R"(^A7      : DLH9CD   parks \d\d:\d\d:\d\d$)"),
          std::string(R"(^A7      : DLH9CD   push back \d\d:\d\d:\d\d$)"),
          std::string(R"(^          DLH9CD   took-off to EDDL \d\d:\d\d:\d\d$)")}) {
        EXPECT_TRUE(lf_hasLine(lines, text)) << run.diagnostics("departure: Log.txt " + text);
    }
    const auto made = lf_creationsOf(run, "DLH9CD");
    const auto o = gf_objectByTail(run, "DLH9CD");
    ASSERT_TRUE(!made.empty() && o) << run.diagnostics("departure: DLH9CD created");
    const ts::Stand a7 = ts::stand("A7");
    EXPECT_LE(gf_metresApart(made.front().fields.number("latitude"),
                             made.front().fields.number("longitude"), a7.position.latitude,
                             a7.position.longitude),
              2.0)
        << run.diagnostics("departure: created on A7's point");
    const auto positions = run.sim->positions(o->id);
    std::optional<double> pushStart;
    for (const simstub::PositionRecord& p : positions) {
        const double away = lf_toStand(p, a7);
        if (away > 30.0) {
            break;
        }
        if (away > 0.5 && !pushStart) {
            pushStart = p.time;
        }
        EXPECT_LE(lf_angleApart(lf_headingDegrees(p.heading), a7.heading), 5.0)
            << run.diagnostics(fmt::format("departure: heading on the push back ({:.1f} m out)",
                                           away));
    }
    const auto events = run.sim->events(o->id);
    const auto start = lf_eventTime(events, "ENGINE_AUTO_START");
    EXPECT_TRUE(pushStart && start && *start >= *pushStart)
        << run.diagnostics("departure: ENGINE_AUTO_START after the push back began");
    // The roll: the first write on the runway's line, far from the stands.
    const auto throttle = lf_eventTime(events, "THROTTLE_SET", 16383u);
    EXPECT_TRUE(throttle.has_value()) << run.diagnostics("departure: THROTTLE_SET 16383");
    std::optional<double> liftOff;
    bool climbed = false;
    for (const simstub::PositionRecord& p : positions) {
        if (!liftOff && p.altitude > ts::kFieldElevation + 50.0) {
            liftOff = p.time;
        }
        climbed = climbed || p.altitude > ts::kFieldElevation + 1000.0;
    }
    EXPECT_TRUE(liftOff && climbed) << run.diagnostics("departure: lift-off and 1,000 ft");
    if (throttle && liftOff) {
        EXPECT_LT(*throttle, *liftOff) << run.diagnostics("departure: THROTTLE_SET in the roll");
    }
    const auto gearUp = lf_eventTime(events, "GEAR_SET", 0u);
    EXPECT_TRUE(gearUp && liftOff && *gearUp >= *liftOff)
        << run.diagnostics("departure: GEAR_SET 0 after the lift-off");
}

void gf_checkArrival(const E2eRun& run) {
    const std::vector<std::string> lines = run.log();
    EXPECT_TRUE(lf_hasLine(lines, R"(^          DLH4AB   landed from EDDM \d\d:\d\d:\d\d$)"))
        << run.diagnostics("arrival: Log.txt landed from EDDM");
    EXPECT_TRUE(lf_hasLine(lines, R"(^A5      : DLH4AB   arrived at stand \d\d:\d\d:\d\d$)"))
        << run.diagnostics("arrival: Log.txt arrived at stand");
    const auto made = lf_creationsOf(run, "DLH4AB");
    const auto o = gf_objectByTail(run, "DLH4AB");
    ASSERT_TRUE(!made.empty() && o) << run.diagnostics("arrival: DLH4AB created");
    EXPECT_EQ(made.front().fields.u32("onGround"), 0u)
        << run.diagnostics("arrival: created airborne");
    const auto positions = run.sim->positions(o->id);
    std::optional<double> touchDown;
    for (const simstub::PositionRecord& p : positions) {
        // The engine holds a grounded aircraft at the field plus its CG height.
        if (p.altitude <= ts::kFieldElevation + simstub::StaticCg{}.cgToGround + 1.0) {
            touchDown = p.time;
            break;
        }
    }
    ASSERT_TRUE(touchDown.has_value()) << run.diagnostics("arrival: touch-down");
    const auto events = run.sim->events(o->id);
    for (const auto& [name, data] : {std::pair<std::string, std::uint32_t>{"GEAR_SET", 1u},
                                     {"FLAPS_SET", 16383u}}) {
        const auto t = lf_eventTime(events, name, data);
        EXPECT_TRUE(t && *t <= *touchDown)
            << run.diagnostics(fmt::format("arrival: {} {} before the touch-down", name, data));
    }
    const auto spoilers = lf_eventTime(events, "SPOILERS_SET", 16383u);
    EXPECT_TRUE(spoilers && *spoilers >= *touchDown)
        << run.diagnostics("arrival: SPOILERS_SET 16383 at the touch-down");
    const auto writes = run.sim->writes(o->id);
    const auto write401 = [&](double value) -> std::optional<double> {
        for (const simstub::WriteRecord& w : writes) {
            const auto& items = w.values.items();
            if (w.definitionId == 401 && items.size() >= 3 &&
                std::all_of(items.begin(), items.begin() + 3, [&](const simstub::Field& f) {
                    return std::holds_alternative<double>(f.value) &&
                           std::get<double>(f.value) == value;
                })) {
                return w.time;
            }
        }
        return std::nullopt;
    };
    const auto braking = write401(100.0);
    EXPECT_TRUE(braking && *braking >= *touchDown)
        << run.diagnostics("arrival: definition 401 (100, 100, 100) at the touch-down");
    const auto flapsUp = lf_eventTime(events, "FLAPS_SET", 0u);
    const auto idle = write401(0.0);
    EXPECT_TRUE(flapsUp && *flapsUp > *touchDown && idle && *idle > *touchDown)
        << run.diagnostics("arrival: FLAPS_SET 0 and definition 401 (0, 0, 0) after the turn-off");
    const ts::Stand a5 = ts::stand("A5");
    ASSERT_FALSE(positions.empty());
    const double apart = lf_toStand(positions.back(), a5);
    EXPECT_LE(apart, 2.0) << run.diagnostics(
        fmt::format("arrival: ends within 2 m of A5's point ({:.2f} m)", apart));
    EXPECT_LE(lf_angleApart(lf_headingDegrees(positions.back().heading), a5.heading), 5.0)
        << run.diagnostics("arrival: ends with A5's heading");
    EXPECT_NE(lf_eventIndex(events, "ENGINE_AUTO_SHUTDOWN"), std::string::npos)
        << run.diagnostics("arrival: ENGINE_AUTO_SHUTDOWN");
    const std::vector<std::string> parkedLive = lf_traceValues(run, "parkedLive");
    EXPECT_NE(std::find(parkedLive.begin(), parkedLive.end(), "1"), parkedLive.end())
        << run.diagnostics("arrival: trace parkedLive=1");
}

void gf_checkLeaving(const E2eRun& run) {
    const auto o = gf_objectByTail(run, "EZY71");
    ASSERT_TRUE(o && o->end) << run.diagnostics("leaving: EZY71 ended");
    const auto positions = run.sim->positions(o->id);
    ASSERT_FALSE(positions.empty()) << run.diagnostics("leaving: EZY71 moved");
    const simstub::UserState user = run.sim->user();
    const double out = gf_metresApart(positions.back().latitude, positions.back().longitude,
                                      user.latitude, user.longitude);
    EXPECT_GT(out, 9.5 * 1852.0) << run.diagnostics(
        fmt::format("leaving: EZY71's last write beyond 9.5 NM ({:.2f} NM)", out / 1852.0));
    EXPECT_EQ(o->end->kind, simstub::EndKind::removed)
        << run.diagnostics("leaving: EZY71 removed by AIRemoveObject");
    const double seconds =
        std::chrono::duration<double>(o->end->realTime - positions.back().realTime).count();
    EXPECT_LE(seconds, 10.0) << run.diagnostics(
        fmt::format("leaving: removed within 10 s of the last write ({:.1f} s)", seconds));
    if (!o->flightPlanPath.empty()) {
        EXPECT_FALSE(fs::exists(o->flightPlanPath))
            << run.diagnostics("leaving: EZY71's plan file gone");
    }
}

void gf_checkRenewal(const E2eRun& run) {
    const std::vector<std::string> lines = run.log();
    const std::size_t renewal =
        lf_lineIndex(lines, std::regex("^Parking adjustments: 1 to be removed, 1 to be added$"));
    EXPECT_TRUE(renewal != std::string::npos && renewal + 1 < lines.size() &&
                lines[renewal + 1].empty())
        << run.diagnostics("renewal: the adjustments line followed by an empty line");
    // EZY301 left the parked answer: removed by the program before the close.
    const auto ezy301 = gf_objectByTail(run, "EZY301*");
    ASSERT_TRUE(ezy301 && ezy301->end) << run.diagnostics("renewal: EZY301* ended");
    EXPECT_EQ(ezy301->end->kind, simstub::EndKind::removed)
        << run.diagnostics("renewal: EZY301* removed by AIRemoveObject");
    const auto made = lf_creationsOf(run, "EZY309*");
    ASSERT_EQ(made.size(), 1u) << run.diagnostics("renewal: one EZY309* created");
    lf_expectStaticCreation(run, made.front(), "A9", lf_titleOfStatic("EZY309*"));
    // The other statics kept their objects until the close: their removal came with it.
    for (const std::string& tail : kStaticTails) {
        if (tail == "EZY301*") {
            continue;
        }
        EXPECT_EQ(lf_creationsOf(run, tail).size(), 1u)
            << run.diagnostics("renewal: " + tail + " created once");
        const auto o = gf_objectByTail(run, tail);
        ASSERT_TRUE(o.has_value()) << run.diagnostics("renewal: " + tail + " exists");
        if (o->end && ezy301->end) {
            EXPECT_GT(o->end->time, ezy301->end->time)
                << run.diagnostics("renewal: " + tail + " kept its object");
        }
    }
    // staticActive: 1 then 0 for the first plan and again for the renewal.
    const std::vector<std::string> active = lf_traceValues(run, "staticActive");
    std::size_t rounds = 0;
    for (std::size_t i = 0; i + 1 < active.size(); ++i) {
        rounds += active[i] == "1" && active[i + 1] == "0" ? 1 : 0;
    }
    EXPECT_GE(rounds, 2u) << run.diagnostics("renewal: trace staticActive=1, then 0, twice");
}

void gf_checkClose(const E2eRun& run) {
    const std::vector<std::string> lines = run.log();
    const fs::path learned =
        run.folder.work / "airports" / "learned" / "thirdparty" / "scene" / "EDDF.xml";
    EXPECT_TRUE(lf_hasLine(lines, "^Exiting: USER CLOSED SIM"))
        << run.diagnostics("close: Exiting: USER CLOSED SIM");
    const std::regex save(R"("\S*\bairports/learned/thirdparty/scene/EDDF\.xml" saved with (\d+) updates?)");
    std::smatch m;
    bool saved = false;
    for (const std::string& line : lines) {
        if (std::regex_search(line, m, save)) {
            saved = std::stoi(m[1].str()) >= 2;
        }
    }
    EXPECT_TRUE(saved) << run.diagnostics("close: the save line with 2 or more updates");
    EXPECT_TRUE(lf_hasLine(lines, "User closed KSBY_P3D"))
        << run.diagnostics("close: User closed KSBY_P3D");

    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(learned.c_str());
    ASSERT_TRUE(parsed) << run.diagnostics("close: the learned file parses: " +
                                           std::string(parsed.description()));
    EXPECT_TRUE(doc.child("meta").child("info") && doc.child("parkpositions"))
        << run.diagnostics("close: the learned file's meta block");
    const auto today = std::chrono::weekday(
        std::chrono::floor<std::chrono::days>(Clock::now())).iso_encoding();
    std::map<std::string, std::vector<pugi::xml_node>> opts;
    for (const pugi::xpath_node& found : doc.select_nodes("//parkpos")) {
        const pugi::xml_node pos = found.node();
        for (pugi::xml_node opt : pos.children("opt")) {
            opts[pos.attribute("id").value()].push_back(opt);
        }
    }
    for (const ts::Learned& l : ts::learned()) {
        EXPECT_EQ(opts[l.stand].size(), 7u)
            << run.diagnostics("close: " + l.stand + " keeps its seven observations");
    }
    const auto observed = [&](const std::string& stand, const std::string& reg) {
        return std::any_of(opts[stand].begin(), opts[stand].end(), [&](pugi::xml_node opt) {
            const unsigned day = opt.attribute("day").as_uint();
            return std::string(opt.attribute("reg").value()) == reg &&
                   (day == today || day == (today == 1 ? 7 : today - 1));
        });
    };
    EXPECT_TRUE(observed("A5", "D-AIAB")) << run.diagnostics("close: D-AIAB observed on A5");
    EXPECT_TRUE(observed("A7", "D-AIBC")) << run.diagnostics("close: D-AIBC observed on A7");
    for (const fs::directory_entry& e : fs::directory_iterator(learned.parent_path())) {
        EXPECT_EQ(e.path().extension(), ".xml")
            << run.diagnostics("close: no temporary file " + e.path().string());
    }
    EXPECT_FALSE(fs::exists(run.folder.appData / "KSBY_P3D" / "orig_dest"))
        << run.diagnostics("close: orig_dest gone");
    // Every object the program created ended by its own removal.
    for (const simstub::ConnectionInfo& c : run.sim->connections()) {
        for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(c.id)) {
            EXPECT_TRUE(o.end && o.end->kind == simstub::EndKind::removed &&
                        o.end->conn == c.id)
                << run.diagnostics(fmt::format("close: object {} {} removed by c{}", o.id,
                                               o.tail, c.id));
        }
    }
}

} // namespace ksb::e2e::road

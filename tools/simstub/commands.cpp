#include "commands.h"

#include "core/time_text.h"
#include "support/command_words.h"
#include "support/simstub/scenario_json.h"
#include "support/simstub/wire.h"

#include <charconv>
#include <chrono>
#include <fmt/format.h>
#include <map>
#include <optional>
#include <vector>

const char* const kCommandHelp =
    "commands:\n"
    "  sim on|off                      Sim event (data 1 or 0)\n"
    "  user <lat> <lon> <alt> <heading> <onGround 0|1> <groundSpeed>\n"
    "  teleport <lat> <lon> <alt>\n"
    "  positionchanged | flightloaded | filename <name>\n"
    "  quit [conn] | drop [conn] | reset [conn]\n"
    "  exception <code> <sendId> <index> [conn]\n"
    "  foreign <atcId> <lat> <lon> <agl>\n"
    "  refuse <title>\n"
    "  framehz <f> | framerate <r> | pause [seconds] | resume\n"
    "  picture [FILE]                  draw the traffic picture (SVG)\n"
    "  objects [count] | connections | help | exit";

namespace {

// The text after the first word, blanks at both ends removed.
std::string_view lf_rest(std::string_view line) {
    std::size_t i = line.find_first_not_of(" \t");
    i = line.find_first_of(" \t", i);
    if (i == std::string_view::npos) {
        return {};
    }
    line = line.substr(i);
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    return line;
}

std::optional<double> lf_double(std::string_view text) {
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

std::optional<std::uint32_t> lf_u32(std::string_view text) {
    std::uint32_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

const char* lf_kind(simstub::ObjectKind kind) {
    switch (kind) {
    case simstub::ObjectKind::user:
        return "user";
    case simstub::ObjectKind::ai:
        return "ai";
    case simstub::ObjectKind::foreign:
        return "foreign";
    }
    return "?";
}

// The UTC text of a real time, to the second.
std::string lf_utcText(std::chrono::system_clock::time_point t) {
    return gf_utcTimeString(std::chrono::duration<double>(t.time_since_epoch()).count()) + " UTC";
}

std::string lf_endText(const simstub::ObjectEnd& e) {
    if (e.kind == simstub::EndKind::removed) {
        return fmt::format("removed by c{} #{} at {:.3f} ({})", e.conn, e.sendId, e.time,
                           lf_utcText(e.realTime));
    }
    return fmt::format("went with c{} at {:.3f} ({})", e.conn, e.time, lf_utcText(e.realTime));
}

// The AI objects that exist, per creating connection and in all: "objects c<n>: <a> AI
// (<l> live, <s> static)" for every connection that ever created one, then "objects total: ...".
// A static object's tail ends in "*".
void lf_printCounts(const simstub::SimStub& stub, const CommandRunner::Print& print) {
    struct Count {
        int live = 0;
        int statics = 0;
    };
    std::map<int, Count> counts;
    for (const simstub::ConnectionInfo& c : stub.connections()) {
        if (!stub.objectsCreatedBy(c.id).empty()) {
            counts[c.id];
        }
    }
    Count total;
    for (const simstub::ObjectState& o : stub.objects()) {
        if (o.kind != simstub::ObjectKind::ai) {
            continue;
        }
        const bool isStatic = !o.tail.empty() && o.tail.back() == '*';
        Count& c = counts[o.owner];
        ++(isStatic ? c.statics : c.live);
        ++(isStatic ? total.statics : total.live);
    }
    const auto line = [](const Count& c) {
        return fmt::format("{} AI ({} live, {} static)", c.live + c.statics, c.live, c.statics);
    };
    for (const auto& [conn, c] : counts) {
        print(fmt::format("objects c{}: {}", conn, line(c)));
    }
    print(fmt::format("objects total: {}", line(total)));
}

} // namespace

bool CommandRunner::run(std::string_view line) {
    using simstub::gf_quoteText;
    const std::vector<std::string_view> w = ksb::test::gf_commandWords(line);
    if (w.empty()) {
        return true;
    }
    const std::string_view cmd = w[0];
    auto usage = [&](std::string_view form) { print_(fmt::format("usage: {}", form)); };
    // The optional connection argument at index i; nullopt = every connection.
    auto connArg = [&](std::size_t i, std::optional<int>& conn) {
        if (w.size() <= i) {
            return true;
        }
        std::optional<std::uint32_t> c = lf_u32(w[i]);
        if (!c || w.size() > i + 1) {
            return false;
        }
        conn = static_cast<int>(*c);
        return true;
    };
    auto eachConn = [&](std::optional<int> conn, const std::function<void(int)>& act) {
        for (const simstub::ConnectionInfo& c : stub_.connections()) {
            if (c.open && (!conn || *conn == c.id)) {
                act(c.id);
            }
        }
    };
    auto latin1 = [&](std::string_view text, std::optional<std::string>& out) {
        try {
            out = simstub::gf_utf8ToLatin1(text, cmd);
        } catch (const simstub::ScenarioError& e) {
            print_(e.what());
        }
    };

    if (cmd == "sim" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        stub_.sendSim(w[1] == "on");
    } else if (cmd == "sim") {
        usage("sim on|off");
    } else if (cmd == "user") {
        std::optional<double> v[6];
        bool ok = w.size() == 7;
        for (std::size_t i = 0; ok && i < 6; ++i) {
            v[i] = lf_double(w[i + 1]);
            ok = v[i].has_value();
        }
        if (!ok || (*v[4] != 0.0 && *v[4] != 1.0)) {
            usage("user <lat> <lon> <alt> <heading> <onGround 0|1> <groundSpeed>");
            return true;
        }
        simstub::UserState u = stub_.user();
        u.latitude = *v[0];
        u.longitude = *v[1];
        u.altitude = *v[2];
        u.heading = *v[3];
        u.onGround = *v[4] != 0.0;
        u.groundSpeed = *v[5];
        stub_.setUser(u);
    } else if (cmd == "teleport") {
        std::optional<double> lat, lon, alt;
        if (w.size() == 4) {
            lat = lf_double(w[1]);
            lon = lf_double(w[2]);
            alt = lf_double(w[3]);
        }
        if (!lat || !lon || !alt) {
            usage("teleport <lat> <lon> <alt>");
            return true;
        }
        stub_.teleportUser(*lat, *lon, *alt);
    } else if (cmd == "positionchanged" && w.size() == 1) {
        stub_.sendPositionChanged();
    } else if (cmd == "flightloaded" && w.size() == 1) {
        stub_.sendFlightLoaded();
    } else if (cmd == "filename") {
        std::optional<std::string> name;
        latin1(lf_rest(line), name);
        if (name) {
            stub_.sendFileNameEvent(*name);
        }
    } else if (cmd == "quit" || cmd == "drop" || cmd == "reset") {
        std::optional<int> conn;
        if (!connArg(1, conn)) {
            usage(fmt::format("{} [conn]", cmd));
            return true;
        }
        if (cmd == "quit") {
            stub_.sendQuit(conn);
        } else if (cmd == "drop") {
            eachConn(conn, [&](int id) { stub_.dropConnection(id); });
        } else {
            eachConn(conn, [&](int id) { stub_.resetConnection(id); });
        }
    } else if (cmd == "exception") {
        std::optional<std::uint32_t> code, sendId, index;
        std::optional<int> conn;
        if (w.size() >= 4) {
            code = lf_u32(w[1]);
            sendId = lf_u32(w[2]);
            index = lf_u32(w[3]);
        }
        if (!code || !sendId || !index || !connArg(4, conn)) {
            usage("exception <code> <sendId> <index> [conn]");
            return true;
        }
        eachConn(conn, [&](int id) { stub_.sendException(id, *code, *sendId, *index); });
    } else if (cmd == "foreign") {
        std::optional<double> lat, lon, agl;
        if (w.size() == 5) {
            lat = lf_double(w[2]);
            lon = lf_double(w[3]);
            agl = lf_double(w[4]);
        }
        std::optional<std::string> atcId;
        if (!lat || !lon || !agl) {
            usage("foreign <atcId> <lat> <lon> <agl>");
            return true;
        }
        latin1(w[1], atcId);
        if (atcId) {
            const std::uint32_t id = stub_.addForeignAircraft(*atcId, {*lat, *lon}, *agl);
            print_(fmt::format("foreign aircraft {}", id));
        }
    } else if (cmd == "refuse") {
        std::optional<std::string> title;
        if (lf_rest(line).empty()) {
            usage("refuse <title>");
            return true;
        }
        latin1(lf_rest(line), title);
        if (title) {
            refused_.insert(*title);
            stub_.refuseTitles(refused_);
        }
    } else if ((cmd == "framehz" || cmd == "framerate") && w.size() == 2 && lf_double(w[1]) &&
               *lf_double(w[1]) > 0.0 && *lf_double(w[1]) <= 1000.0) {
        if (cmd == "framehz") {
            stub_.setFrameHz(*lf_double(w[1]));
        } else {
            stub_.setFrameRate(*lf_double(w[1]));
        }
    } else if (cmd == "framehz" || cmd == "framerate") {
        usage(fmt::format("{} <number above 0, at most 1000>", cmd));
    } else if (cmd == "pause" && w.size() == 1) {
        stub_.pauseFrames(true);
    } else if (cmd == "pause" && w.size() == 2 && lf_double(w[1]) && *lf_double(w[1]) > 0.0 &&
               *lf_double(w[1]) <= 86400.0) {
        stub_.pauseFramesFor(*lf_double(w[1]));
        print_(fmt::format("frames paused for {:g} stand-in s", *lf_double(w[1])));
    } else if (cmd == "pause") {
        usage("pause [stand-in seconds above 0, at most 86400]");
    } else if (cmd == "resume" && w.size() == 1) {
        stub_.pauseFrames(false);
    } else if (cmd == "objects" && w.size() == 2 && w[1] == "count") {
        lf_printCounts(stub_, print_);
    } else if (cmd == "objects" && w.size() == 1) {
        for (const simstub::ObjectState& o : stub_.objects()) {
            print_(fmt::format("object {} {} title={} tail={} atcId={} owner=c{} lat={:.6f} "
                               "lon={:.6f} alt={:.1f} agl={:.1f} onGround={} lights={} "
                               "released={} frozen={}{}{} flightPlan={}",
                               o.id, lf_kind(o.kind), gf_quoteText(o.title), gf_quoteText(o.tail),
                               gf_quoteText(o.atcId), o.owner, o.latitude, o.longitude, o.altitude,
                               o.agl, o.simOnGround ? 1 : 0, o.lights, o.released ? 1 : 0,
                               o.frozenLatLon ? 1 : 0, o.frozenAltitude ? 1 : 0,
                               o.frozenAttitude ? 1 : 0, gf_quoteText(o.flightPlanPath)));
        }
        for (const simstub::ObjectState& o : stub_.endedObjects()) {
            print_(fmt::format("object {} ended title={} tail={} owner=c{}: {}", o.id,
                               gf_quoteText(o.title), gf_quoteText(o.tail), o.owner,
                               lf_endText(*o.end)));
        }
        lf_printCounts(stub_, print_);
    } else if (cmd == "picture") {
        // The file name may hold blanks; the stand-in prints the picture's own line.
        const std::string_view file = lf_rest(line);
        if (file.empty() && !picture_) {
            usage("picture FILE (no --picture file given)");
            return true;
        }
        stub_.writePicture(file.empty() ? *picture_ : std::filesystem::path(std::string(file)));
    } else if (cmd == "connections" && w.size() == 1) {
        for (const simstub::ConnectionInfo& c : stub_.connections()) {
            print_(fmt::format("c{} {} {} name={}{}", c.id, c.endpoint, c.open ? "open" : "closed",
                               gf_quoteText(c.openName),
                               c.open ? std::string() : " (" + c.endReason + ")"));
        }
    } else if (cmd == "help" && w.size() == 1) {
        print_(kCommandHelp);
    } else if (cmd == "exit" && w.size() == 1) {
        return false;
    } else {
        print_(fmt::format("unknown command: {}", line));
    }
    return true;
}

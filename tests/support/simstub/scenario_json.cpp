#include "support/simstub/scenario_json.h"

#include "support/simstub/datums.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

namespace simstub {

namespace {

using Json = nlohmann::json;

[[noreturn]] void lf_fail(std::string_view field, std::string_view problem) {
    throw ScenarioError(fmt::format("scenario: {}: {}", field, problem));
}

// Reads the members of one JSON object; unknown members are errors, so that a typo in a field
// name does not silently leave a default in place.
class ObjectReader {
public:
    ObjectReader(const Json& object, std::string prefix)
        : object_(object), prefix_(std::move(prefix)) {
        if (!object_.is_object()) {
            lf_fail(prefix_.empty() ? "(top)" : prefix_.substr(0, prefix_.size() - 1),
                    "expected an object");
        }
    }

    std::string path(std::string_view key) const { return prefix_ + std::string(key); }

    const Json* get(std::string_view key) {
        used_.emplace_back(key);
        auto it = object_.find(std::string(key));
        return it == object_.end() ? nullptr : &*it;
    }

    void number(std::string_view key, double& out, double min, double max) {
        if (const Json* v = get(key)) {
            if (!v->is_number()) {
                lf_fail(path(key), "expected a number");
            }
            const double d = v->get<double>();
            if (!(d >= min && d <= max)) {
                lf_fail(path(key), fmt::format("{} is outside {} to {}", d, min, max));
            }
            out = d;
        }
    }

    template <class Int>
    void integer(std::string_view key, Int& out, std::int64_t min, std::int64_t max) {
        if (const Json* v = get(key)) {
            if (!v->is_number_integer()) {
                lf_fail(path(key), "expected an integer");
            }
            const auto i = v->get<std::int64_t>();
            if (i < min || i > max) {
                lf_fail(path(key), fmt::format("{} is outside {} to {}", i, min, max));
            }
            out = static_cast<Int>(i);
        }
    }

    void boolean(std::string_view key, bool& out) {
        if (const Json* v = get(key)) {
            if (!v->is_boolean()) {
                lf_fail(path(key), "expected true or false");
            }
            out = v->get<bool>();
        }
    }

    void text(std::string_view key, std::string& out) {
        if (const Json* v = get(key)) {
            out = lf_text(*v, path(key));
        }
    }

    static std::string lf_text(const Json& v, const std::string& field) {
        if (!v.is_string()) {
            lf_fail(field, "expected a text");
        }
        return gf_utf8ToLatin1(v.get_ref<const std::string&>(), field);
    }

    void finish() const {
        for (auto it = object_.begin(); it != object_.end(); ++it) {
            if (std::find(used_.begin(), used_.end(), it.key()) == used_.end()) {
                lf_fail(path(it.key()), "unknown field");
            }
        }
    }

private:
    const Json& object_;
    std::string prefix_;
    std::vector<std::string> used_;
};

void lf_staticCg(const Json& v, const std::string& prefix, StaticCg& cg) {
    ObjectReader r(v, prefix);
    r.number("cgToGround", cg.cgToGround, -1000.0, 1000.0);
    r.number("pitch", cg.pitch, -3.2, 3.2);
    r.finish();
}

} // namespace

std::string gf_utf8ToLatin1(std::string_view utf8, std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const int extra = (b & 0xE0) == 0xC0   ? 1
                          : (b & 0xF0) == 0xE0 ? 2
                          : (b & 0xF8) == 0xF0 ? 3
                                               : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= utf8.size()) {
            lf_fail(field, "broken UTF-8");
        }
        std::uint32_t cp = b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) {
                lf_fail(field, "broken UTF-8");
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp > 0xFF) {
            lf_fail(field, fmt::format("character U+{:04X} is not Latin-1", cp));
        }
        out += static_cast<char>(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::optional<std::int64_t> gf_parseUtcText(std::string_view t) {
    // YYYY-MM-DDThh:mm:ssZ
    if (t.size() != 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':' || t[19] != 'Z') {
        return std::nullopt;
    }
    auto num = [&](std::size_t at, std::size_t len, int& out) {
        const char* first = t.data() + at;
        auto [ptr, ec] = std::from_chars(first, first + len, out);
        return ec == std::errc() && ptr == first + len;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d) || !num(11, 2, h) || !num(14, 2, mi) ||
        !num(17, 2, s)) {
        return std::nullopt;
    }
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || (mo == 2 && d == 29 && !leap) ||
        h > 23 || mi > 59 || s > 59) {
        return std::nullopt;
    }
    return gf_daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 +
           h * 3600 + mi * 60 + s;
}

Scenario gf_parseScenario(std::string_view text, Scenario s) {
    Json json = Json::parse(text.begin(), text.end(), nullptr, false);
    if (json.is_discarded()) {
        throw ScenarioError("scenario: not valid JSON");
    }
    ObjectReader top(json, "");
    if (const Json* open = top.get("open")) {
        ObjectReader r(*open, "open.");
        r.text("name", s.open.name);
        if (const Json* v = r.get("version")) {
            if (!v->is_array() || v->size() != 4) {
                lf_fail("open.version", "expected four integers");
            }
            for (std::size_t i = 0; i < 4; ++i) {
                const Json& w = (*v)[i];
                if (!w.is_number_unsigned() || w.get<std::uint64_t>() > 0xFFFFFFFFULL) {
                    lf_fail("open.version", "expected four integers");
                }
                s.open.version[i] = static_cast<std::uint32_t>(w.get<std::uint64_t>());
            }
        }
        r.finish();
    }
    if (const Json* user = top.get("user")) {
        ObjectReader r(*user, "user.");
        UserState& u = s.user;
        r.number("latitude", u.latitude, -90.0, 90.0);
        r.number("longitude", u.longitude, -180.0, 180.0);
        r.number("altitude", u.altitude, -2000.0, 100000.0);
        r.number("pitch", u.pitch, -90.0, 90.0);
        r.number("bank", u.bank, -180.0, 180.0);
        r.number("heading", u.heading, 0.0, 360.0);
        r.number("verticalSpeed", u.verticalSpeed, -1000.0, 1000.0);
        r.number("airspeed", u.airspeed, 0.0, 2000.0);
        r.number("groundSpeed", u.groundSpeed, 0.0, 2000.0);
        r.boolean("onGround", u.onGround);
        r.text("title", u.title);
        r.text("model", u.model);
        r.text("atcId", u.atcId);
        r.integer("lights", u.lights, 0, 127);
        r.finish();
    }
    top.number("groundElevation", s.groundElevation, -2000.0, 30000.0);
    if (const Json* v = top.get("zuluStart")) {
        std::optional<std::int64_t> t;
        if (v->is_string()) {
            t = gf_parseUtcText(v->get_ref<const std::string&>());
        }
        if (!t) {
            lf_fail("zuluStart", "expected a UTC time \"YYYY-MM-DDThh:mm:ssZ\"");
        }
        s.zuluStart = *t;
    }
    top.number("frameHz", s.frameHz, 0.1, 1000.0);
    if (const Json* v = top.get("frameRate")) {
        if (v->is_null()) {
            s.frameRate.reset();
        } else if (!v->is_number()) {
            lf_fail("frameRate", "expected a number or null");
        } else {
            s.frameRate = v->get<double>();
        }
    }
    top.number("timeScale", s.timeScale, 0.01, 1000.0);
    top.boolean("flightRunning", s.flightRunning);
    if (const Json* v = top.get("refusedTitles")) {
        if (!v->is_array()) {
            lf_fail("refusedTitles", "expected a list of texts");
        }
        s.refusedTitles.clear();
        for (std::size_t i = 0; i < v->size(); ++i) {
            s.refusedTitles.insert(
                ObjectReader::lf_text((*v)[i], fmt::format("refusedTitles[{}]", i)));
        }
    }
    top.integer("objectLimit", s.objectLimit, 0, 1000000);
    top.integer("objectType", s.objectType, 0, 0xFFFFFFFFLL);
    std::int64_t ms = s.objectAddedDelay.count();
    top.integer("objectAddedDelayMs", ms, 0, 3600000);
    s.objectAddedDelay = std::chrono::milliseconds(ms);
    ms = s.atcIdDelay.count();
    top.integer("atcIdDelayMs", ms, 0, 3600000);
    s.atcIdDelay = std::chrono::milliseconds(ms);
    if (const Json* v = top.get("staticCg")) {
        ObjectReader r(*v, "staticCg.");
        if (const Json* d = r.get("default")) {
            lf_staticCg(*d, "staticCg.default.", s.defaultStaticCg);
        }
        if (const Json* titles = r.get("titles")) {
            if (!titles->is_object()) {
                lf_fail("staticCg.titles", "expected an object");
            }
            for (auto it = titles->begin(); it != titles->end(); ++it) {
                const std::string field = "staticCg.titles." + it.key();
                StaticCg cg = s.defaultStaticCg;
                lf_staticCg(it.value(), field + ".", cg);
                s.staticCg[gf_utf8ToLatin1(it.key(), field)] = cg;
            }
        }
        r.finish();
    }
    if (const Json* v = top.get("foreign")) {
        if (!v->is_array()) {
            lf_fail("foreign", "expected a list of aircraft");
        }
        s.foreign.clear();
        for (std::size_t i = 0; i < v->size(); ++i) {
            ObjectReader r((*v)[i], fmt::format("foreign[{}].", i));
            ForeignAircraft f;
            r.text("atcId", f.atcId);
            r.number("latitude", f.position.latitude, -90.0, 90.0);
            r.number("longitude", f.position.longitude, -180.0, 180.0);
            r.number("agl", f.agl, 0.0, 100000.0);
            r.text("title", f.title);
            r.finish();
            s.foreign.push_back(std::move(f));
        }
    }
    top.boolean("failFlightPlans", s.failFlightPlans);
    if (const Json* v = top.get("marks")) {
        if (!v->is_array()) {
            lf_fail("marks", "expected a list of marks");
        }
        s.marks.clear();
        for (std::size_t i = 0; i < v->size(); ++i) {
            ObjectReader r((*v)[i], fmt::format("marks[{}].", i));
            Mark m;
            r.text("name", m.name);
            r.number("latitude", m.position.latitude, -90.0, 90.0);
            r.number("longitude", m.position.longitude, -180.0, 180.0);
            r.number("heading", m.heading, 0.0, 360.0);
            r.finish();
            s.marks.push_back(std::move(m));
        }
    }
    top.finish();
    return s;
}

Scenario gf_loadScenario(const std::filesystem::path& file, Scenario base) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw ScenarioError(fmt::format("scenario: cannot read {}", file.string()));
    }
    std::ostringstream text;
    text << in.rdbuf();
    return gf_parseScenario(text.str(), std::move(base));
}

} // namespace simstub

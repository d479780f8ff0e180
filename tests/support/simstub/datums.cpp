#include "support/simstub/datums.h"

#include "support/simstub/wire.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace simstub {

const std::vector<DatumInfo>& gf_datumTable() {
    static const std::vector<DatumInfo> table = {
        {Datum::latitude, "Plane Latitude", "degree", DatumKind::number},
        {Datum::longitude, "Plane Longitude", "degree", DatumKind::number},
        {Datum::pitch, "Plane Pitch degrees", "radians", DatumKind::number},
        {Datum::bank, "Plane Bank degrees", "radians", DatumKind::number},
        {Datum::heading, "Plane Heading degrees true", "radians", DatumKind::number},
        {Datum::altitude, "Plane Altitude", "feet", DatumKind::number},
        {Datum::verticalSpeed, "Vertical Speed", "feet per second", DatumKind::number},
        {Datum::airspeed, "Airspeed True", "knots", DatumKind::number},
        {Datum::agl, "Plane Alt Above Ground", "feet", DatumKind::number},
        {Datum::groundAltitude, "Ground Altitude", "feet", DatumKind::number},
        {Datum::groundVelocity, "Ground Velocity", "knots", DatumKind::number},
        {Datum::simOnGround, "SIM ON GROUND", "Bool", DatumKind::number},
        {Datum::atcId, "ATC ID", "", DatumKind::text},
        {Datum::title, "TITLE", "", DatumKind::text},
        {Datum::atcModel, "ATC MODEL", "", DatumKind::text},
        {Datum::staticCg, "Static CG to Ground", "feet", DatumKind::number},
        {Datum::staticPitch, "Static Pitch", "radians", DatumKind::number},
        {Datum::lightStates, "LIGHT STATES", "Mask", DatumKind::number},
        {Datum::lightOnStates, "Light On States", "Mask", DatumKind::number},
        {Datum::zuluTime, "ZULU TIME", "Seconds", DatumKind::number},
        {Datum::zuluDayOfYear, "ZULU DAY OF YEAR", "Number", DatumKind::number},
        {Datum::zuluYear, "ZULU YEAR", "Number", DatumKind::number},
        {Datum::spoilers, "SPOILERS HANDLE POSITION", "percent", DatumKind::number},
        {Datum::throttle1, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", DatumKind::number},
        {Datum::throttle2, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", DatumKind::number},
    };
    return table;
}

const DatumInfo* gf_findDatum(std::string_view name) {
    for (const DatumInfo& info : gf_datumTable()) {
        if (gf_equalsNoCase(info.name, name)) {
            return &info;
        }
    }
    return nullptr;
}

bool gf_typeFitsKind(std::uint32_t type, DatumKind kind) {
    if (kind == DatumKind::number) {
        return type == kTypeInt64 || type == kTypeFloat64;
    }
    return type == kTypeString32 || type == kTypeStringV;
}

std::int64_t gf_daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

ZuluParts gf_zuluParts(double secondsSince1970) {
    ZuluParts parts;
    const double days = std::floor(secondsSince1970 / 86400.0);
    parts.secondsOfDay = secondsSince1970 - days * 86400.0;
    std::int64_t z = static_cast<std::int64_t>(days) + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    parts.year = year;
    parts.dayOfYear = static_cast<std::int64_t>(days) - gf_daysFromCivil(year, 1, 1) + 1;
    return parts;
}

StaticCg gf_staticCgOf(const Scenario* scenario, const std::string& title) {
    if (scenario == nullptr) {
        return StaticCg{};
    }
    auto it = scenario->staticCg.find(title);
    return it != scenario->staticCg.end() ? it->second : scenario->defaultStaticCg;
}

bool gf_aiOnGround(double agl, double staticCgFeet) {
    // The engine holds a grounded aircraft with its reference point at the static CG height;
    // the millionth keeps rounding of that sum from deciding.
    return agl <= staticCgFeet + 1.0 + 1e-6;
}

void gf_refreshDerived(ObjectState& object, double groundElevation, double staticCgFeet) {
    object.agl = std::max(0.0, object.altitude - groundElevation);
    switch (object.kind) {
    case ObjectKind::user:
        object.simOnGround = object.onGround;
        break;
    case ObjectKind::ai:
        object.simOnGround =
            object.positionWritten ? gf_aiOnGround(object.agl, staticCgFeet) : object.onGround;
        break;
    case ObjectKind::foreign:
        object.simOnGround = object.agl < 1.0;
        break;
    }
}

DatumValue gf_datumValue(Datum datum, const ObjectState& input, const DatumContext& context) {
    ObjectState object = input;
    const double ground = context.scenario ? context.scenario->groundElevation : 0.0;
    const StaticCg cg = gf_staticCgOf(context.scenario, object.title);
    gf_refreshDerived(object, ground, cg.cgToGround);
    switch (datum) {
    case Datum::latitude:
        return object.latitude;
    case Datum::longitude:
        return object.longitude;
    case Datum::pitch:
        return object.pitch;
    case Datum::bank:
        return object.bank;
    case Datum::heading:
        return object.heading;
    case Datum::altitude:
        return object.altitude;
    case Datum::verticalSpeed:
        return object.verticalSpeed;
    case Datum::airspeed:
        return object.airspeed;
    case Datum::agl:
        return object.agl;
    case Datum::groundAltitude:
        return ground;
    case Datum::groundVelocity:
        return object.kind == ObjectKind::user ? object.groundSpeed : object.airspeed;
    case Datum::simOnGround:
        return object.simOnGround ? 1.0 : 0.0;
    case Datum::atcId:
        return object.atcId;
    case Datum::title:
        return object.title;
    case Datum::atcModel:
        return object.model;
    case Datum::staticCg:
        return cg.cgToGround;
    case Datum::staticPitch:
        return cg.pitch;
    case Datum::lightStates:
    case Datum::lightOnStates:
        return static_cast<double>(object.lights);
    case Datum::zuluTime:
        return gf_zuluParts(context.zuluSeconds).secondsOfDay;
    case Datum::zuluDayOfYear:
        return static_cast<double>(gf_zuluParts(context.zuluSeconds).dayOfYear);
    case Datum::zuluYear:
        return static_cast<double>(gf_zuluParts(context.zuluSeconds).year);
    case Datum::spoilers:
        return object.spoilerPercent;
    case Datum::throttle1:
        return object.throttle1Percent;
    case Datum::throttle2:
        return object.throttle2Percent;
    }
    return 0.0;
}

namespace {

std::size_t lf_typeSize(std::uint32_t type) {
    return type == kTypeString32 ? 32 : 8;
}

// Truncation toward zero without undefined behaviour for values an i64 cannot hold.
std::int64_t lf_truncate(double value) {
    if (!std::isfinite(value) || value >= 9.2e18 || value <= -9.2e18) {
        return 0;
    }
    return static_cast<std::int64_t>(value);
}

} // namespace

std::optional<std::size_t> gf_fixedDataSize(const std::vector<DatumDecl>& decls) {
    std::size_t size = 0;
    for (const DatumDecl& d : decls) {
        if (d.type == kTypeStringV) {
            return std::nullopt;
        }
        size += lf_typeSize(d.type);
    }
    return size;
}

std::string gf_packData(const std::vector<DatumDecl>& decls, const ObjectState& object,
                        const DatumContext& context, Fields& fields) {
    std::string data;
    for (const DatumDecl& d : decls) {
        DatumValue value = gf_datumValue(d.datum, object, context);
        const std::size_t at = data.size();
        if (d.type == kTypeInt64) {
            const std::int64_t v = lf_truncate(std::get<double>(value));
            gf_writeI64(data, at, v);
            fields.add(d.name, v);
        } else if (d.type == kTypeFloat64) {
            gf_writeF64(data, at, std::get<double>(value));
            fields.add(d.name, std::get<double>(value));
        } else if (d.type == kTypeString32) {
            const std::string& text = std::get<std::string>(value);
            gf_writeText(data, at, 32, text);
            fields.add(d.name, text.substr(0, 31));
        } else {
            const std::string& text = std::get<std::string>(value);
            data += text;
            data += '\0';
            fields.add(d.name, text);
        }
    }
    if (!decls.empty() && decls.back().type == kTypeStringV) {
        data.resize((data.size() + 3) / 4 * 4, '\0');
    }
    return data;
}

bool gf_unpackData(const std::vector<DatumDecl>& decls, std::string_view data, Fields& values,
                   std::string& problem) {
    std::size_t at = 0;
    for (const DatumDecl& d : decls) {
        if (d.type == kTypeStringV) {
            const std::size_t end = data.find('\0', at);
            if (end == std::string_view::npos) {
                problem = fmt::format("datum \"{}\" has no terminator", d.name);
                return false;
            }
            values.add(d.name, std::string(data.substr(at, end - at)));
            at = end + 1;
            continue;
        }
        const std::size_t size = lf_typeSize(d.type);
        if (at + size > data.size()) {
            problem = fmt::format("datum \"{}\" lies beyond the data", d.name);
            return false;
        }
        if (d.type == kTypeInt64) {
            values.add(d.name, gf_readI64(data, at));
        } else if (d.type == kTypeFloat64) {
            values.add(d.name, gf_readF64(data, at));
        } else {
            values.add(d.name, gf_readText(data, at, 32));
        }
        at += size;
    }
    return true;
}

void gf_applyDatum(Datum datum, ObjectState& object, const FieldValue& value) {
    auto number = [&]() {
        if (const auto* v = std::get_if<double>(&value)) {
            return *v;
        }
        if (const auto* v = std::get_if<std::int64_t>(&value)) {
            return static_cast<double>(*v);
        }
        return 0.0;
    };
    auto text = [&]() {
        const auto* v = std::get_if<std::string>(&value);
        return v ? *v : std::string();
    };
    switch (datum) {
    case Datum::latitude:
        object.latitude = number();
        break;
    case Datum::longitude:
        object.longitude = number();
        break;
    case Datum::pitch:
        object.pitch = number();
        break;
    case Datum::bank:
        object.bank = number();
        break;
    case Datum::heading:
        object.heading = number();
        break;
    case Datum::altitude:
        object.altitude = number();
        break;
    case Datum::verticalSpeed:
        object.verticalSpeed = number();
        break;
    case Datum::airspeed:
        object.airspeed = number();
        break;
    case Datum::groundVelocity:
        object.groundSpeed = number();
        break;
    case Datum::simOnGround:
        object.onGround = number() != 0.0;
        break;
    case Datum::atcId:
        object.atcId = text();
        break;
    case Datum::title:
        object.title = text();
        break;
    case Datum::atcModel:
        object.model = text();
        break;
    case Datum::lightStates:
    case Datum::lightOnStates:
        object.lights = static_cast<std::uint32_t>(lf_truncate(number()));
        break;
    case Datum::spoilers:
        object.spoilerPercent = number();
        break;
    case Datum::throttle1:
        object.throttle1Percent = number();
        break;
    case Datum::throttle2:
        object.throttle2Percent = number();
        break;
    case Datum::agl:
    case Datum::groundAltitude:
    case Datum::staticCg:
    case Datum::staticPitch:
    case Datum::zuluTime:
    case Datum::zuluDayOfYear:
    case Datum::zuluYear:
        break;
    }
}

} // namespace simstub

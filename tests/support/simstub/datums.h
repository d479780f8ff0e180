#pragma once
// The simulation variables the stand-in knows, their values for an object, and the packing of
// object data in declaration order.
#include "support/simstub/fields.h"
#include "support/simstub/records.h"
#include "support/simstub/scenario.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace simstub {

enum class Datum {
    latitude,
    longitude,
    pitch,
    bank,
    heading,
    altitude,
    verticalSpeed,
    airspeed,
    agl,
    groundAltitude,
    groundVelocity,
    simOnGround,
    atcId,
    title,
    atcModel,
    staticCg,
    staticPitch,
    lightStates,
    lightOnStates,
    zuluTime,
    zuluDayOfYear,
    zuluYear,
    spoilers,
    throttle1,
    throttle2,
};

enum class DatumKind { number, text };

struct DatumInfo {
    Datum datum;
    std::string_view name;
    std::string_view units; // empty for texts
    DatumKind kind;
};

// Datum types on the wire.
inline constexpr std::uint32_t kTypeInt64 = 2;
inline constexpr std::uint32_t kTypeFloat64 = 4;
inline constexpr std::uint32_t kTypeString32 = 6;
inline constexpr std::uint32_t kTypeStringV = 11;

const std::vector<DatumInfo>& gf_datumTable();
// Case-insensitive; nullptr for an unknown name.
const DatumInfo* gf_findDatum(std::string_view name);
bool gf_typeFitsKind(std::uint32_t type, DatumKind kind);

struct DatumDecl {
    Datum datum;
    std::string name; // as declared
    std::uint32_t type;
};

// What a value depends on beyond the object itself.
struct DatumContext {
    const Scenario* scenario = nullptr; // ground elevation, static CG
    double zuluSeconds = 0.0;           // seconds since 1970
};

using DatumValue = std::variant<double, std::string>;

// What the stand-in answers to "Static CG to Ground" and "Static Pitch" for a title (the
// scenario's per-title value, else its default; the built-in default without a scenario).
StaticCg gf_staticCgOf(const Scenario* scenario, const std::string& title);
// An AI object at this height above the ground, after its first position write, is on the
// ground: at most its static CG height plus 1 ft.
bool gf_aiOnGround(double agl, double staticCgFeet);
// Fills agl and simOnGround from the position, the ground elevation and, for an AI object, its
// static CG height.
void gf_refreshDerived(ObjectState& object, double groundElevation, double staticCgFeet);
DatumValue gf_datumValue(Datum datum, const ObjectState& object, const DatumContext& context);

// The bytes a definition takes; nullopt when it holds a variable-length text.
std::optional<std::size_t> gf_fixedDataSize(const std::vector<DatumDecl>& decls);
// The data of an object data message; fields gets each datum's value by name.
std::string gf_packData(const std::vector<DatumDecl>& decls, const ObjectState& object,
                        const DatumContext& context, Fields& fields);
// The values of a write, by datum name; false with the problem when the data does not hold them.
bool gf_unpackData(const std::vector<DatumDecl>& decls, std::string_view data, Fields& values,
                   std::string& problem);
// Sets what a write may set; derived and clock datums are left alone.
void gf_applyDatum(Datum datum, ObjectState& object, const FieldValue& value);

// Year, day of the year counted from 1, and seconds since midnight of a UTC time.
struct ZuluParts {
    std::int64_t year = 1970;
    std::int64_t dayOfYear = 1;
    double secondsOfDay = 0.0;
};
ZuluParts gf_zuluParts(double secondsSince1970);
// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t gf_daysFromCivil(std::int64_t year, unsigned month, unsigned day);

} // namespace simstub

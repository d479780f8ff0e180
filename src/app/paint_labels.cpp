#include "app/paint.h"

#include "core/parameters.h"

#include <fmt/format.h>
#include <optional>
#include <string>

namespace {

// A label's colour for the snapshot; nullopt: the label is not drawn.
using ColourRule = std::optional<ui::Rgb> (*)(const PaintSnapshot&);
// Makes a label whose text carries a number.
using TextRule = std::string (*)(const PaintSnapshot&);

struct Label {
    std::string_view text; // empty when makeText gives the text
    TextRule makeText;
    int x;
    const ParameterControl& row; // the label stands on this control's row
    ColourRule colour;
};

// "s" except for 1 and negative numbers, so 0 reads "0 days".
std::string_view lf_plural(std::int32_t n) {
    return n == 1 || n < 0 ? "" : "s";
}

std::optional<ui::Rgb> lf_black(const PaintSnapshot&) {
    return colours::black;
}

std::optional<ui::Rgb> lf_timeShift(const PaintSnapshot& s) {
    return s.window.timeShiftControlsEnabled ? colours::black : colours::grey;
}

// Grey while only live parked traffic is shown, since these settings then do nothing.
std::optional<ui::Rgb> lf_parked(const PaintSnapshot& s) {
    return s.rtParkTrafficOnly ? colours::grey : colours::black;
}

std::optional<ui::Rgb> lf_stayOnTop(const PaintSnapshot& s) {
    return s.alwaysOnTop ? colours::yellow : colours::black;
}

std::optional<ui::Rgb> lf_guidChanges(const PaintSnapshot& s) {
    return s.guidChanges ? colours::black : colours::yellow;
}

// Red: a scan will run at the next start.
std::optional<ui::Rgb> lf_scanLiveries(const PaintSnapshot& s) {
    return s.scanLiveries ? colours::red : colours::black;
}

std::optional<ui::Rgb> lf_scanAirports(const PaintSnapshot& s) {
    return s.scanAirports ? colours::red : colours::black;
}

std::optional<ui::Rgb> lf_stub(const PaintSnapshot& s) {
    return s.suppressStub ? colours::black : colours::grey;
}

template <const CheckBoxParameter& box>
std::optional<ui::Rgb> lf_blackWhileEnabled(const PaintSnapshot& s) {
    return s.isEnabled(box.commandId()) ? colours::black : colours::grey;
}

std::optional<ui::Rgb> lf_tbloCount(const PaintSnapshot& s) {
    return s.window.tbloAirports >= 1 ? std::optional(colours::yellow) : std::nullopt;
}

// While the calculation holds the controls, the title says that static parking is at work.
std::optional<ui::Rgb> lf_staticParkingActive(const PaintSnapshot& s) {
    if (!s.controlsLocked) {
        return std::nullopt;
    }
    return s.window.parkAirportFlag ? colours::yellow : colours::red;
}

std::optional<ui::Rgb> lf_airportParking(const PaintSnapshot& s) {
    if (s.controlsLocked) {
        return std::nullopt;
    }
    return s.window.parkAirportFlag ? colours::black : colours::red;
}

// A renewal is only coming when the parked traffic is renewed at all and not being made now.
std::optional<ui::Rgb> lf_renewal(const PaintSnapshot& s) {
    const std::int32_t minutes = s.window.minutesToRenewal;
    const bool renewing = !s.initialLoadOnly || s.rtParkTrafficOnly;
    if (s.window.parkAirportLoaded && !s.controlsLocked && renewing && minutes >= 1 &&
        minutes <= 19) {
        return colours::black;
    }
    return std::nullopt;
}

std::string lf_days(const PaintSnapshot& s) {
    return fmt::format("day{}", lf_plural(s.timeShiftDays));
}
std::string lf_hours(const PaintSnapshot& s) {
    return fmt::format("hour{}", lf_plural(s.timeShiftHours));
}
std::string lf_minutes(const PaintSnapshot& s) {
    return fmt::format("minute{}", lf_plural(s.timeShiftMins));
}
std::string lf_tbloText(const PaintSnapshot& s) {
    const std::int32_t n = s.window.tbloAirports;
    return fmt::format("{} airport{} in TBLO folder", n, lf_plural(n));
}
std::string lf_renewalText(const PaintSnapshot& s) {
    return fmt::format("(in {} min)", s.window.minutesToRenewal);
}

constexpr Label kLabels[] = {
    {"Time shift:", nullptr, 652, TIME_SHIFT_DAYS, lf_timeShift},
    {"Save", nullptr, 672, KEEP_SIM_TIME_PAR, lf_timeShift},
    {"Sim Time", nullptr, 672, TIME_SHIFT_HOURS, lf_timeShift},
    {"Log", nullptr, 672, LOG, lf_black},
    {"Stay on top", nullptr, 768, ALWAYS_ON_TOP, lf_stayOnTop},
    {"Learn Soft", nullptr, 768, LEARN_SOFT, lf_black},
    {"Nav lights", nullptr, 672, NAV_LIGHTS_WHILE_PARKED, lf_black},
    {"GUID changes", nullptr, 768, GUID_CHANGES, lf_guidChanges},
    {{}, lf_days, 788, TIME_SHIFT_DAYS, lf_timeShift},
    {{}, lf_hours, 788, TIME_SHIFT_HOURS, lf_timeShift},
    {{}, lf_minutes, 788, TIME_SHIFT_MINS, lf_timeShift},
    {"Install path:", nullptr, 5, SIM_INSTALL_PATH, lf_black},
    {"Scan for liveries:", nullptr, 25, LIG_AUTOMATIC, lf_scanLiveries},
    {"Automatic", nullptr, 237, LIG_AUTOMATIC, lf_black},
    {"Prioritize", nullptr, 343, LIG_AUTOMATIC, lf_black},
    {"STUB", nullptr, 450, SUPPRESS_STUB, lf_stub},
    {"Scan for addon airports:", nullptr, 25, AFG_AUTOMATIC, lf_scanAirports},
    {"Automatic", nullptr, 237, AFG_AUTOMATIC, lf_black},
    {{}, lf_tbloText, 323, AFG_AUTOMATIC, lf_tbloCount},
    {"Max aircraft matching depth:", nullptr, 5, MATCHING_DEPTH, lf_black},
    {"Optional:", nullptr, 253, LIGHT_AIRCRAFT, lf_black},
    {"Light aircraft", nullptr, 343, LIGHT_AIRCRAFT, lf_blackWhileEnabled<LIGHT_AIRCRAFT>},
    {"Helicopters", nullptr, 450, HELICOPTERS, lf_blackWhileEnabled<HELICOPTERS>},
    {"FighterJets", nullptr, 556, HIGH_PERF_AIRCRAFT, lf_blackWhileEnabled<HIGH_PERF_AIRCRAFT>},
    {"Traffic injection", nullptr, 5, LATERAL_RANGE, lf_black},
    {"radius:", nullptr, 167, LATERAL_RANGE, lf_black},
    {"nm,  or", nullptr, 260, LATERAL_RANGE, lf_black},
    {"auto range", nullptr, 343, LATERAL_RANGE, lf_black},
    {"max live:", nullptr, 500, MAX_LIVE, lf_black},
    {"Callsigns", nullptr, 5, BLOCK_CALLSIGN, lf_black},
    {"block:", nullptr, 172, BLOCK_CALLSIGN, lf_black},
    {"Collision avoidance:", nullptr, 5, COLLISION_USER_GND, lf_black},
    {"User ground", nullptr, 237, COLLISION_USER_GND, lf_black},
    {"User air", nullptr, 343, COLLISION_USER_AIR, lf_black},
    {"Live X parked", nullptr, 450, COLLISION_LIVE_PARKED_GND, lf_black},
    {"Airport static parking active:", nullptr, 5, AIRPORT_RANGE, lf_staticParkingActive},
    {"Airport parking:", nullptr, 5, AIRPORT_RANGE, lf_airportParking},
    {"within range (nm):", nullptr, 217, AIRPORT_RANGE, lf_black},
    {"< height above gnd (ft):", nullptr, 430, AIRPORT_HEIGHT, lf_black},
    {{}, lf_renewalText, 111, AIRPORT_RANGE, lf_renewal},
    {"Fake", nullptr, 25, PARK_FAKE, lf_parked},
    {"Week", nullptr, 91, WEEK, lf_parked},
    {"Soft", nullptr, 171, PARK_SOFT, lf_parked},
    {"%", nullptr, 262, parking_percentage, lf_parked},
    {"ILO", nullptr, 343, INITIAL_LOAD_ONLY, lf_parked},
    {"Max fit:", nullptr, 400, MAX_FIT_FL, lf_parked},
    {"PT only", nullptr, 556, RT_PARKTRAFFIC_ONLY, lf_black},
};

} // namespace

bool lf_paintParameterLabels(ui::Canvas& canvas, const PaintSnapshot& snapshot) {
    bool staticActive = false;
    for (const Label& label : kLabels) {
        const std::optional<ui::Rgb> colour = label.colour(snapshot);
        if (!colour) {
            continue;
        }
        const int y = label.row.row();
        if (label.makeText != nullptr) {
            lf_drawTextLine(canvas, label.x, y, label.makeText(snapshot), *colour);
        } else if (lf_drawTextLine(canvas, label.x, y, label.text, *colour) &&
                   label.colour == lf_staticParkingActive) {
            staticActive = true;
        }
    }
    return staticActive;
}

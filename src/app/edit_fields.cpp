#include "app/edit_fields.h"

#include "airports/park_airport_state.h"
#include "app/response_delay.h"
#include "app/text_fields.h"
#include "app/time_shift.h"
#include "core/controls.h"
#include "core/injection_radius.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/number_parse.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// As much as the window's own field procedure read.
constexpr std::size_t kNumberFieldLimit = 511;
constexpr std::size_t kTextFieldLimit = 2047;

enum class FieldKind { integer, decimal, text };

struct EditField {
    FieldKind kind;
    IntEditParameter* integer;
    FloatEditParameter* decimal;
    TextEditParameter* text;

    std::uint16_t id() const {
        switch (kind) {
        case FieldKind::integer:
            return integer->commandId();
        case FieldKind::decimal:
            return decimal->commandId();
        case FieldKind::text:
            break;
        }
        return text->commandId();
    }
};

constexpr EditField lf_int(IntEditParameter& p) {
    return {FieldKind::integer, &p, nullptr, nullptr};
}

constexpr EditField kFields[] = {
    {FieldKind::text, nullptr, nullptr, &SIM_INSTALL_PATH},
    {FieldKind::text, nullptr, nullptr, &BLOCK_CALLSIGN},
    lf_int(MATCHING_DEPTH),
    lf_int(LATERAL_RANGE),
    lf_int(MAX_LIVE),
    lf_int(AIRPORT_RANGE),
    lf_int(AIRPORT_HEIGHT),
    lf_int(TIME_SHIFT_DAYS),
    lf_int(TIME_SHIFT_HOURS),
    lf_int(TIME_SHIFT_MINS),
    lf_int(parking_percentage),
    {FieldKind::decimal, nullptr, &MAX_FIT_FL, nullptr},
};

bool lf_isTimeShiftField(const IntEditParameter& p) {
    return &p == &TIME_SHIFT_DAYS || &p == &TIME_SHIFT_HOURS || &p == &TIME_SHIFT_MINS;
}

// parking_percentage belongs to the loaded park airport; the time shift saves its own fields.
bool lf_savedOnEnter(const IntEditParameter& p) {
    return &p != &parking_percentage && !lf_isTimeShiftField(p);
}

void lf_afterInt(IntEditParameter& p, int before) {
    if (&p == &parking_percentage) {
        lf_showResponseDelay();
    } else if (&p == &LATERAL_RANGE) {
        parkSettingsChanged = true;
        injectionRadiusNm = static_cast<double>(p.value());
        injectionRadiusMetres = gf_injectionRadiusMetres(p.value());
    } else if (&p == &MAX_LIVE) {
        userMaxLive = p.value();
        if (gf_parkAirportState().parkAirportLoaded.load()) {
            // The engine sets the live limit from the airport's settings.
            parkSettingsChanged = true;
        } else {
            liveLimit = p.value();
        }
        // The engine's tick walks the live aircraft on the worker thread.
        std::lock_guard lock(trafficState.trafficMutex);
        gf_applyMaxAircraft();
    } else if (&p == &MATCHING_DEPTH) {
        if (p.value() > before) {
            matchingDepthRaised = true;
        }
    } else if (lf_isTimeShiftField(p)) {
        lf_applyTimeShift((TIME_SHIFT_DAYS.value() * 24 + TIME_SHIFT_HOURS.value()) * 60 +
                              TIME_SHIFT_MINS.value(),
                          false);
    }
}

} // namespace

bool procesTbInt(IntEditParameter& p) {
    const std::optional<std::string> text = gf_readControlText(p.commandId(), kNumberFieldLimit);
    if (!text) {
        return false;
    }
    try {
        bool taken = false;
        if (!text->empty()) {
            const int number = gf_stoi(*text);
            if (number == p.value()) {
                gf_showMessage(fmt::format("Same {} value {}, no changes made", p.name(), number),
                               true);
            } else {
                p.setClamped(number);
                if (lf_savedOnEnter(p)) {
                    p.save();
                }
                taken = true;
            }
        } else {
            if (&p == &parking_percentage) {
                p.setClamped(0);
            } else {
                p.setClamped(p.defaultValue());
                // The time shift saves its three fields together, so the file always holds
                // the split of the shift in force.
                if (lf_savedOnEnter(p)) {
                    p.save();
                }
            }
            taken = true;
        }
        if (taken) {
            gf_showMessage(fmt::format("The new {} is {}", p.name(), p.value()), false);
            lf_showIntParameter(p);
        }
        // An empty MAX_LIVE field means the default.
        if (&p == &MAX_LIVE && p.value() == p.defaultValue()) {
            lf_setControlText(p.commandId());
        }
        return taken;
    } catch (const std::invalid_argument&) {
        gf_showMessage(fmt::format("invalid input: {}", *text), true);
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("procesTbInt exception {}, h={} ", e.what(), *text));
    }
    return false;
}

bool procesTbFloat(FloatEditParameter& p) {
    const std::optional<std::string> text = gf_readControlText(p.commandId(), kNumberFieldLimit);
    if (!text) {
        return false;
    }
    try {
        if (!text->empty()) {
            const float number = gf_stof(*text);
            // "nan" reads as a number but has no place in the range.
            if (std::isnan(number)) {
                throw std::invalid_argument("invalid stof argument");
            }
            if (number == p.value()) {
                gf_showMessage(fmt::format("Same {} value {}, no changes made", p.name(), number),
                               true);
                return false;
            }
            const float hours = std::clamp(number, p.min(), p.max());
            MAX_FIT.setClamped(static_cast<int>(std::lround(2.0f * hours)) - 1);
            MAX_FIT.save();
            p.setClamped(static_cast<float>(MAX_FIT.value()) * 0.5f + 0.5f);
        } else {
            p.setClamped(p.defaultValue());
            MAX_FIT.setClamped(MAX_FIT.defaultValue());
            MAX_FIT.save();
        }
        gf_showMessage(fmt::format("The new {} is {:.1F}", p.name(), p.value()), false);
        lf_showFloatParameter(p);
        return true;
    } catch (const std::exception& e) {
        gf_log(fmt::format("procesTbFloat exception {}, h={} ", e.what(), *text));
    }
    return false;
}

void lf_intFieldProc(IntEditParameter& p) {
    gf_clearMessage();
    const int before = p.value();
    if (procesTbInt(p)) {
        lf_afterInt(p, before);
    }
}

void lf_floatFieldProc(FloatEditParameter& p) {
    gf_clearMessage();
    // MAX_FIT belongs to the loaded park airport.
    if (!gf_parkAirportState().parkAirportLoaded.load()) {
        return;
    }
    if (procesTbFloat(p)) {
        lf_showResponseDelay();
    }
}

void lf_textFieldProc(TextEditParameter& p) {
    gf_clearMessage();
    if (&p == &BLOCK_CALLSIGN) {
        lf_blockCallsign(p);
    } else if (&p == &SIM_INSTALL_PATH) {
        // A text the window cannot hand over is not taken for an empty one, which would forget
        // the stored path.
        if (const auto text = gf_readControlText(p.commandId(), kTextFieldLimit)) {
            lf_installPathEntered(p, *text);
        }
    }
}

bool lf_onEnter(std::uint16_t id) {
    for (const EditField& field : kFields) {
        if (field.id() != id) {
            continue;
        }
        switch (field.kind) {
        case FieldKind::integer:
            lf_intFieldProc(*field.integer);
            break;
        case FieldKind::decimal:
            lf_floatFieldProc(*field.decimal);
            break;
        case FieldKind::text:
            lf_textFieldProc(*field.text);
            break;
        }
        return true;
    }
    return false;
}

#include "app/commands.h"

#include "airports/park_airport_state.h"
#include "app/range_fields.h"
#include "app/response_delay.h"
#include "app/run_controls.h"
#include "app/startup_services.h"
#include "app/text_fields.h"
#include "core/controls.h"
#include "core/injection_radius.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/parking_controls.h"
#include "core/program_info.h"
#include "core/run_values.h"
#include "traffic/traffic_state.h"
#include "updates/updates.h"

#include <fmt/format.h>
#include <mutex>
#include <string_view>

namespace {

std::function<std::string()>& lf_newVersionsSource() {
    static std::function<std::string()> source;
    return source;
}

void lf_message(std::string_view text) {
    gf_showMessage(text, false);
}

// A message when the box reads `when`, a cleared line otherwise.
void lf_messageWhen(bool on, bool when, std::string_view text) {
    if (on == when) {
        lf_message(text);
    } else {
        gf_clearMessage();
    }
}

void lf_parkSettingsChangedWithAirport() {
    if (gf_parkAirportState().parkAirportLoaded.load()) {
        parkSettingsChanged = true;
    }
}

void lf_autoRange(bool on) {
    parkSettingsChanged = true;
    if (on) {
        userLateralRange = LATERAL_RANGE.value();
        lf_updateRangeFields();
        gf_enableControl(LATERAL_RANGE.commandId(), false);
        return;
    }
    gf_enableControl(LATERAL_RANGE.commandId(), true);
    gf_setInjectionRadius(userLateralRange.load());
    lf_showIntParameter(LATERAL_RANGE);
    gf_clearMessage();
}

void lf_navLights(bool on) {
    const LinkServices& link = gf_linkServices();
    // The engine's tick walks the same lists on the worker thread.
    std::lock_guard lock(trafficState.trafficMutex);
    for (const AiAircraft& parked : trafficState.statics) {
        if (parked.state == LiveState::inSimulator) {
            link.queueNavLights(parked.objectId, on);
        }
    }
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.parkedInSimulator()) {
            link.queueNavLights(aircraft.objectId, on);
        }
    }
}

void lf_alwaysOnTop(bool on) {
    if (on) {
        lf_message(fmt::format("{}'s window will remain visible", kProgramName));
    } else {
        gf_clearMessage();
    }
    if (ui::WindowPort* port = gf_windowPort()) {
        port->setTopmost(on);
    }
}

void lf_parkTrafficOnly(bool on) {
    lf_enableParkingControls();
    parkSettingsChanged = true;
    parkTrafficOnlyLatch = on ? 1 : 0;
    lf_showResponseDelay();
    gf_invalidate(kStatisticsRegion);
}

// The step of each check box after its flip and save, with the new value.
void lf_checkBoxStep(const CheckBoxParameter& box, bool on) {
    if (&box == &SCAN_LIVERIES) {
        lf_messageWhen(on, true,
                       fmt::format("Your liveries will be scanned at the next start of {}, "
                                   "recommended after you have add/removed AI aircraft "
                                   "models/liveries",
                                   kProgramName));
    } else if (&box == &SCAN_AIRPORTS) {
        lf_messageWhen(on, true,
                       fmt::format("Your airports will be scanned at the next start of {}, "
                                   "recommended after you have add/removed airports",
                                   kProgramName));
    } else if (&box == &LIG_AUTOMATIC) {
        lf_messageWhen(on, false,
                       "The liveries defined by your lfolder parameters will be scanned");
    } else if (&box == &LIG_PRIORITIZE) {
        lf_messageWhen(on, true,
                       "Liveries in lower lfolders that are already available will be skipped");
    } else if (&box == &AFG_AUTOMATIC) {
        lf_messageWhen(on, false,
                       "The airports defined by your afolder parameters will be scanned");
    } else if (&box == &SUPPRESS_STUB) {
        lf_messageWhen(on, true, "Exclude FSLTL-liveries titles ending with _STUB from scan");
    } else if (&box == &COLLISION_USER_AIR) {
        lf_messageWhen(on, false, "Be aware, no collision avoidance with user aircraft in the air");
    } else if (&box == &COLLISION_USER_GND) {
        lf_messageWhen(on, false,
                       "Be aware, no collision avoidance with user aircraft on the ground");
    } else if (&box == &COLLISION_LIVE_PARKED_GND) {
        lf_messageWhen(
            on, false,
            "Be aware, no collision avoidance with live aircraft vs parked static on the ground");
    } else if (&box == &GUID_CHANGES) {
        lf_messageWhen(on, false,
                       "Be aware, no more livery updates: you miss correct data for Learn, "
                       "LittleNavMap, etc..");
    } else if (&box == &ALWAYS_ON_TOP) {
        lf_alwaysOnTop(on);
    } else if (&box == &INITIAL_LOAD_ONLY) {
        lf_messageWhen(on, true,
                       "Initial Load Only: static parked aircraft are generated once, no "
                       "renewal every 20 minutes");
        lf_parkSettingsChangedWithAirport();
    } else if (&box == &LEARN_SOFT) {
        lf_parkSettingsChangedWithAirport();
    } else if (&box == &PARK_SOFT || &box == &PARK_FAKE || &box == &WEEK) {
        lf_showResponseDelay();
    } else if (&box == &RT_PARKTRAFFIC_ONLY) {
        lf_parkTrafficOnly(on);
    } else if (&box == &AUTO_RANGE) {
        lf_autoRange(on);
    } else if (&box == &NAV_LIGHTS_WHILE_PARKED) {
        lf_navLights(on);
    } else if (&box == &SIM_TIME) {
        lf_enableTimeShiftByMode();
    }
    // KEEP_SIM_TIME_PAR, LOG, LIGHT_AIRCRAFT, HELICOPTERS, HIGH_PERF_AIRCRAFT: nothing more.
}

void lf_checkVersion() {
    try {
        const auto& source = lf_newVersionsSource();
        const std::string news = source ? source() : gf_newVersionsText();
        if (!news.empty()) {
            // The next start then counts as the first of the day and fetches the updates.
            DATA_CHECKED_AT_DATE.setValue({});
            lf_message(fmt::format("{} ==> exit {} and restart ...", news, kProgramName));
        } else {
            lf_message(fmt::format("{} is up to date", kProgramName));
        }
    } catch (const std::exception& e) {
        // The server or a file may fail; the program goes on.
        gf_showMessage(e.what(), true);
    } catch (...) {
        gf_enableControl(CHECK_VERSION_BUTTON.commandId(), false);
        throw;
    }
    gf_enableControl(CHECK_VERSION_BUTTON.commandId(), false);
}

bool lf_onButton(std::uint16_t id) {
    if (id == UNBLOCK_BUTTON.commandId()) {
        if (!BLOCK_CALLSIGN.value().empty()) {
            lf_unblockCallsign();
        } else {
            lf_message("Nothing to block or unblock...");
        }
    } else if (id == CHECK_VERSION_BUTTON.commandId()) {
        lf_checkVersion();
    } else if (id == REREAD_BUTTON.commandId()) {
        reservedStandCheckPending = true;
        gf_enableControl(id, false);
    } else if (id == FLUSH_STATIC_BUTTON.commandId()) {
        lf_message("All static parked aircraft will be removed ...");
        flushStaticRequested = true;
        gf_enableControl(id, false);
    } else {
        return false;
    }
    return true;
}

} // namespace

void gf_setNewVersionsSource(std::function<std::string()> source) {
    lf_newVersionsSource() = std::move(source);
}

bool lf_onCommand(std::uint16_t id) {
    for (CheckBoxParameter* box : gf_parameterLists().checkBoxes) {
        if (box->toggle(id)) {
            lf_checkBoxStep(*box, box->value());
            return true;
        }
    }
    return lf_onButton(id);
}

#include "app/window_app.h"

#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"

#include <cassert>

namespace {

using ui::Kind;

std::vector<ControlRow> lf_buildControlTable() {
    // The row (y) comes from each parameter; x and width are the window's.
    return {
        {Kind::Edit, &SIM_INSTALL_PATH, 111, 1200},
        {Kind::CheckBox, &SCAN_LIVERIES, 5, 12},
        {Kind::CheckBox, &LIG_AUTOMATIC, 217, 12},
        {Kind::CheckBox, &LIG_PRIORITIZE, 323, 12},
        {Kind::CheckBox, &SUPPRESS_STUB, 430, 12},
        {Kind::CheckBox, &LOG, 652, 12},
        {Kind::CheckBox, &ALWAYS_ON_TOP, 748, 12},
        {Kind::CheckBox, &SCAN_AIRPORTS, 5, 12},
        {Kind::CheckBox, &AFG_AUTOMATIC, 217, 12},
        {Kind::CheckBox, &NAV_LIGHTS_WHILE_PARKED, 652, 12},
        {Kind::CheckBox, &LEARN_SOFT, 748, 12},
        {Kind::Edit, &MATCHING_DEPTH, 217, 24},
        {Kind::CheckBox, &LIGHT_AIRCRAFT, 323, 12},
        {Kind::CheckBox, &HELICOPTERS, 430, 12},
        {Kind::CheckBox, &HIGH_PERF_AIRCRAFT, 536, 12},
        {Kind::CheckBox, &GUID_CHANGES, 748, 12},
        {Kind::Edit, &LATERAL_RANGE, 217, 34},
        {Kind::CheckBox, &AUTO_RANGE, 323, 12},
        {Kind::Edit, &MAX_LIVE, 576, 34},
        {Kind::Button, &CHECK_VERSION_BUTTON, 692, 120},
        {Kind::Edit, &TIME_SHIFT_DAYS, 748, 30},
        {Kind::CheckBox, &COLLISION_USER_GND, 217, 12},
        {Kind::CheckBox, &COLLISION_USER_AIR, 323, 12},
        {Kind::CheckBox, &COLLISION_LIVE_PARKED_GND, 430, 12},
        {Kind::CheckBox, &SIM_TIME, 652, 12},
        {Kind::Edit, &TIME_SHIFT_HOURS, 748, 30},
        {Kind::Edit, &BLOCK_CALLSIGN, 217, 100},
        {Kind::Button, &UNBLOCK_BUTTON, 323, 70},
        {Kind::CheckBox, &KEEP_SIM_TIME_PAR, 652, 12},
        {Kind::Edit, &TIME_SHIFT_MINS, 748, 30},
        {Kind::Edit, &AIRPORT_RANGE, 343, 34},
        {Kind::Edit, &AIRPORT_HEIGHT, 586, 50},
        {Kind::CheckBox, &PARK_FAKE, 5, 12},
        {Kind::CheckBox, &WEEK, 71, 12},
        {Kind::CheckBox, &PARK_SOFT, 151, 12},
        {Kind::Edit, &parking_percentage, 217, 34},
        {Kind::CheckBox, &INITIAL_LOAD_ONLY, 323, 12},
        {Kind::Edit, &MAX_FIT_FL, 460, 24},
        {Kind::CheckBox, &RT_PARKTRAFFIC_ONLY, 536, 12},
        {Kind::Button, &FLUSH_STATIC_BUTTON, 642, 90},
        {Kind::Button, &REREAD_BUTTON, 758, 90},
    };
}

ui::ControlSpec lf_specOf(const ControlRow& row) {
    switch (row.kind) {
    case Kind::CheckBox: {
        const auto* box = dynamic_cast<const CheckBoxParameter*>(row.control);
        assert(box != nullptr);
        return row.control->createCheckBox(row.x, box != nullptr && box->value());
    }
    case Kind::Button: {
        const auto* button = dynamic_cast<const ButtonParameter*>(row.control);
        assert(button != nullptr);
        return row.control->createButton(row.x, row.width,
                                         button != nullptr ? button->name() : std::string());
    }
    case Kind::Edit:
        break;
    }
    return row.control->createEdit(row.x, row.width);
}

} // namespace

const std::vector<ControlRow>& controlTable() {
    static const std::vector<ControlRow> table = lf_buildControlTable();
    return table;
}

void lf_onCreate(ui::WindowPort& port) {
    for (const ControlRow& row : controlTable()) {
        const ui::ControlSpec spec = lf_specOf(row);
        // The mirror first: a writer that runs at once finds the control.
        gf_registerControl(spec);
        port.addControl(spec);
    }
    port.invalidate(kControlsRegion);
}

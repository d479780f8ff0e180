#include "core/parameters.h"

#include "core/ranked_mutex.h"

#include <mutex>

namespace {
// Guards every text value; a leaf lock.
ksb::RankedMutex& lf_parametersMutex() {
    static ksb::RankedMutex mutex(ksb::LockRank::leaf, "string parameters");
    return mutex;
}
} // namespace

std::string StringParameter::value() const {
    std::lock_guard lock(lf_parametersMutex());
    return value_;
}

void StringParameter::assign(std::string v) {
    std::lock_guard lock(lf_parametersMutex());
    value_ = std::move(v);
}

void StringParameter::setValue(std::string v) {
    assign(std::move(v));
    save();
}

ui::ControlSpec ParameterControl::createCheckBox(int x, bool checked) const {
    return ui::ControlSpec{commandId_, ui::Kind::CheckBox, x, row_ + 2, 12, 12, {}, true, checked};
}

ui::ControlSpec ParameterControl::createButton(int x, int width, std::string label) const {
    return ui::ControlSpec{commandId_, ui::Kind::Button, x, row_, width, 20, std::move(label),
                           false, false};
}

ui::ControlSpec ParameterControl::createEdit(int x, int width) const {
    return ui::ControlSpec{commandId_, ui::Kind::Edit, x, row_, width, 16, {}, false, false};
}

// Check boxes: name, default, command id, row.
CheckBoxParameter ALWAYS_ON_TOP("ALWAYS_ON_TOP", false, 32771, 175);
CheckBoxParameter GUID_CHANGES("GUID_CHANGES", true, 32773, 231);
CheckBoxParameter LEARN_SOFT("LEARN_SOFT", true, 32777, 203);
CheckBoxParameter NAV_LIGHTS_WHILE_PARKED("NAV_LIGHTS_WHILE_PARKED", true, 32778, 203);
CheckBoxParameter LOG("LOG", true, 32779, 175);
CheckBoxParameter SCAN_LIVERIES("SCAN_LIVERIES", true, 32797, 175);
CheckBoxParameter LIG_AUTOMATIC("LIG_AUTOMATIC", true, 32798, 175);
CheckBoxParameter LIG_PRIORITIZE("LIG_PRIORITIZE", false, 32799, 175);
CheckBoxParameter SUPPRESS_STUB("SUPPRESS_STUB", true, 32800, 175);
CheckBoxParameter SCAN_AIRPORTS("SCAN_AIRPORTS", true, 32802, 203);
CheckBoxParameter AFG_AUTOMATIC("AFG_AUTOMATIC", true, 32803, 203);
CheckBoxParameter LIGHT_AIRCRAFT("LIGHT_AIRCRAFT", true, 32809, 231);
CheckBoxParameter HELICOPTERS("HELICOPTERS", true, 32810, 231);
CheckBoxParameter HIGH_PERF_AIRCRAFT("HIGH_PERF_AIRCRAFT", true, 32811, 231);
CheckBoxParameter AUTO_RANGE("AUTO_RANGE", true, 32819, 259);
CheckBoxParameter COLLISION_USER_AIR("COLLISION_USER_AIR", true, 32833, 315);
CheckBoxParameter COLLISION_USER_GND("COLLISION_USER_GND", true, 32834, 315);
CheckBoxParameter COLLISION_LIVE_PARKED_GND("COLLISION_LIVE_PARKED_GND", false, 32835, 315);
CheckBoxParameter INITIAL_LOAD_ONLY("INITIAL_LOAD_ONLY", false, 32849, 371);
CheckBoxParameter PARK_SOFT("PARK_SOFT", true, 32850, 371);
CheckBoxParameter WEEK("WEEK", false, 32852, 371);
CheckBoxParameter RT_PARKTRAFFIC_ONLY("RT_PARKTRAFFIC_ONLY", false, 32854, 371);
CheckBoxParameter PARK_FAKE("PARK_FAKE", false, 32856, 371);
CheckBoxParameter SIM_TIME("SIM_TIME", false, 32861, 287);
CheckBoxParameter KEEP_SIM_TIME_PAR("KEEP_SIM_TIME_PAR", false, 32862, 343);

// Numeric edit fields: name, default, min, max, command id, row.
IntEditParameter MATCHING_DEPTH("MATCHING_DEPTH", 4, 1, 4, 32808, 231);
IntEditParameter LATERAL_RANGE("LATERAL_RANGE", 40, 2, 100, 32818, 259);
IntEditParameter MAX_LIVE("MAX_LIVE", 300, 6, 300, 32820, 259);
IntEditParameter AIRPORT_RANGE("AIRPORT_RANGE", 20, 8, 30, 32839, 343);
IntEditParameter AIRPORT_HEIGHT("AIRPORT_HEIGHT", 18000, 2000, 45000, 32840, 343);
IntEditParameter parking_percentage("parking_percentage", 30, 0, 100, 32848, 371);
IntEditParameter MAX_FIT("MAX_FIT", 47, 0, 47, 32851, 371);
FloatEditParameter MAX_FIT_FL("MAX_FIT_FL", 24.0f, 0.5f, 24.0f, 32853, 371);
IntEditParameter TIME_SHIFT_DAYS("TIME_SHIFT_DAYS", 0, 0, 28, 32858, 315);
IntEditParameter TIME_SHIFT_HOURS("TIME_SHIFT_HOURS", 0, 0, 23, 32859, 287);
IntEditParameter TIME_SHIFT_MINS("TIME_SHIFT_MINS", 0, 0, 59, 32860, 343);

// Text edit fields.
TextEditParameter SIM_INSTALL_PATH("SIM_INSTALL_PATH", "", 32788, 119);
TextEditParameter BLOCK_CALLSIGN("BLOCK_CALLSIGN", "", 32828, 287);

// Buttons: the name is the label.
ButtonParameter CHECK_VERSION_BUTTON("Check version", 32780, 257);
ButtonParameter UNBLOCK_BUTTON("Unblock", 32829, 285);
ButtonParameter REREAD_BUTTON("Re-read", 32838, 369);
ButtonParameter FLUSH_STATIC_BUTTON("Flush static", 32855, 369);

// Numbers without a control.
IntParameter MAIN_WINDOW_X("MAIN_WINDOW_X", 400, -30000, 30000);
IntParameter MAIN_WINDOW_Y("MAIN_WINDOW_Y", 20, -30000, 30000);
IntParameter CUSTOM_PARKING_PERCENTAGE("CUSTOM_PARKING_PERCENTAGE", -1, -1, 100);
IntParameter LAST_EPOCH_TIME("LAST_EPOCH_TIME", 0, 0, 2147483647);
IntParameter P3D_VERSION("P3D_VERSION", 5, 5, 6);

// Texts without a control.
StringParameter PROGRAM_INSTALL_PATH("PROGRAM_INSTALL_PATH", "");
StringParameter PROGRAM_VERSION("PROGRAM_VERSION", "");
StringParameter ARCHIVE_VERSION("ARCHIVE_VERSION", "");
StringParameter DBASE_VERSION("DBASE_VERSION", "");
StringParameter AIG_VERSION("AIG_VERSION", "");
StringParameter DATA_CHECKED_AT_DATE("DATA_CHECKED_AT_DATE", "");
StringParameter lfolder0("lfolder0", ""), lfolder1("lfolder1", ""), lfolder2("lfolder2", ""),
    lfolder3("lfolder3", ""), lfolder4("lfolder4", ""), lfolder5("lfolder5", ""),
    lfolder6("lfolder6", ""), lfolder7("lfolder7", ""), lfolder8("lfolder8", ""),
    lfolder9("lfolder9", "");
StringParameter afolder0("afolder0", ""), afolder1("afolder1", ""), afolder2("afolder2", ""),
    afolder3("afolder3", ""), afolder4("afolder4", ""), afolder5("afolder5", ""),
    afolder6("afolder6", ""), afolder7("afolder7", ""), afolder8("afolder8", ""),
    afolder9("afolder9", "");

// Meta entries.
StringParameter META_AUTHOR("author", "");
StringParameter META_DATE("date", "");
StringParameter META_VERSION("version", "");
StringParameter META_COPYRIGHT("copyright", "Copyright (c) Kestrel Bay Software. All rights reserved.");

ParameterLists gf_parameterLists() {
    ParameterLists lists;
    lists.first = {&COLLISION_LIVE_PARKED_GND};
    lists.checkBoxes = {&ALWAYS_ON_TOP,     &GUID_CHANGES,       &LEARN_SOFT,
                        &NAV_LIGHTS_WHILE_PARKED, &LOG,          &SCAN_LIVERIES,
                        &LIG_AUTOMATIC,     &LIG_PRIORITIZE,     &SUPPRESS_STUB,
                        &SCAN_AIRPORTS,     &AFG_AUTOMATIC,      &LIGHT_AIRCRAFT,
                        &HELICOPTERS,       &HIGH_PERF_AIRCRAFT, &AUTO_RANGE,
                        &COLLISION_USER_AIR, &COLLISION_USER_GND, &COLLISION_LIVE_PARKED_GND,
                        &INITIAL_LOAD_ONLY, &PARK_SOFT,          &WEEK,
                        &RT_PARKTRAFFIC_ONLY, &PARK_FAKE,        &SIM_TIME,
                        &KEEP_SIM_TIME_PAR};
    lists.numbers = {&CUSTOM_PARKING_PERCENTAGE, &MAIN_WINDOW_X, &MAIN_WINDOW_Y, &LAST_EPOCH_TIME,
                     &P3D_VERSION};
    lists.intFields = {&MATCHING_DEPTH, &LATERAL_RANGE,  &MAX_FIT,         &MAX_LIVE,
                       &AIRPORT_RANGE,  &AIRPORT_HEIGHT, &TIME_SHIFT_DAYS, &TIME_SHIFT_HOURS,
                       &TIME_SHIFT_MINS};
    lists.texts = {&PROGRAM_VERSION, &lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4,
                   &lfolder5,        &lfolder6, &lfolder7, &lfolder8, &lfolder9, &afolder0,
                   &afolder1,        &afolder2, &afolder3, &afolder4, &afolder5, &afolder6,
                   &afolder7,        &afolder8, &afolder9, &PROGRAM_INSTALL_PATH,
                   &ARCHIVE_VERSION, &DBASE_VERSION, &AIG_VERSION, &DATA_CHECKED_AT_DATE};
    lists.textFields = {&BLOCK_CALLSIGN, &SIM_INSTALL_PATH};
    return lists;
}

std::vector<Parameter*> gf_allParameters() {
    std::vector<Parameter*> all;
    const ParameterLists lists = gf_parameterLists();
    for (auto* p : lists.checkBoxes) {
        all.push_back(p);
    }
    for (auto* p : {&MATCHING_DEPTH, &LATERAL_RANGE, &MAX_LIVE, &AIRPORT_RANGE, &AIRPORT_HEIGHT,
                    &parking_percentage, &MAX_FIT, &TIME_SHIFT_DAYS, &TIME_SHIFT_HOURS,
                    &TIME_SHIFT_MINS}) {
        all.push_back(p);
    }
    all.push_back(&MAX_FIT_FL);
    all.push_back(&SIM_INSTALL_PATH);
    all.push_back(&BLOCK_CALLSIGN);
    for (auto* p : {&CHECK_VERSION_BUTTON, &UNBLOCK_BUTTON, &REREAD_BUTTON, &FLUSH_STATIC_BUTTON}) {
        all.push_back(p);
    }
    for (auto* p : lists.numbers) {
        all.push_back(p);
    }
    for (auto* p : lists.texts) {
        all.push_back(p);
    }
    for (auto* p : {&META_AUTHOR, &META_DATE, &META_VERSION, &META_COPYRIGHT}) {
        all.push_back(p);
    }
    return all;
}

void gf_resetParametersForTests() {
    for (Parameter* p : gf_allParameters()) {
        if (auto* i = dynamic_cast<IntParameter*>(p)) {
            i->setRaw(i->defaultValue());
        } else if (auto* f = dynamic_cast<FloatParameter*>(p)) {
            f->setRaw(f->defaultValue());
        } else if (auto* b = dynamic_cast<BoolParameter*>(p)) {
            b->setRaw(b->defaultValue());
        } else if (auto* s = dynamic_cast<StringParameter*>(p)) {
            s->assign(s->defaultValue());
        }
    }
}

#pragma once
// Every setting is a global parameter object named like its key in parameters.xml. Numbers and
// flags are atomics, so any thread reads them without a lock; texts are copied under the
// parameters mutex.
#include "ui/window_port.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Parameter {
public:
    explicit Parameter(std::string name) : name_(std::move(name)) {}
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

// int, float and bool settings.
template <class T> class TypedParameter : public Parameter {
public:
    TypedParameter(std::string name, T defaultValue, T min, T max)
        : Parameter(std::move(name)), default_(defaultValue), min_(min), max_(max),
          value_(defaultValue) {}

    T defaultValue() const { return default_; }
    T min() const { return min_; }
    T max() const { return max_; }
    T value() const { return value_.load(std::memory_order_relaxed); }
    // Stores the value as given (callers clamp where the rules say so).
    void setRaw(T v) { value_.store(v, std::memory_order_relaxed); }
    // The value clamped to min..max.
    void setClamped(T v) { setRaw(v < min_ ? min_ : (v > max_ ? max_ : v)); }

private:
    const T default_;
    const T min_;
    const T max_;
    std::atomic<T> value_;
};

class IntParameter : public TypedParameter<std::int32_t> {
public:
    IntParameter(std::string name, std::int32_t defaultValue, std::int32_t min, std::int32_t max)
        : TypedParameter(std::move(name), defaultValue, min, max) {}
    // Writes the value to parameters.xml as a decimal integer.
    void save() const;
};

class FloatParameter : public TypedParameter<float> {
public:
    FloatParameter(std::string name, float defaultValue, float min, float max)
        : TypedParameter(std::move(name), defaultValue, min, max) {}
};

class BoolParameter : public TypedParameter<bool> {
public:
    BoolParameter(std::string name, bool defaultValue)
        : TypedParameter(std::move(name), defaultValue, defaultValue, defaultValue) {}
};

class StringParameter : public Parameter {
public:
    StringParameter(std::string name, std::string defaultValue)
        : Parameter(std::move(name)), default_(defaultValue), value_(std::move(defaultValue)) {}

    const std::string& defaultValue() const { return default_; }
    // A copy taken under the parameters mutex.
    std::string value() const;
    // Assigns without saving.
    void assign(std::string v);
    // Assigns, then saves to parameters.xml.
    void setValue(std::string v);
    void save() const;

private:
    const std::string default_;
    std::string value_;
};

// Second base of the settings shown in the main window.
class ParameterControl {
public:
    ParameterControl(std::uint16_t commandId, std::int32_t row) : commandId_(commandId), row_(row) {}
    virtual ~ParameterControl() = default;

    std::uint16_t commandId() const { return commandId_; }
    std::int32_t row() const { return row_; }

    // The specs the window creates the controls from: a check box 12 x 12 at (x, row + 2),
    // checked from the value, enabled; a button width x 20 at (x, row), disabled; an edit field
    // width x 16 at (x, row), empty, disabled.
    ui::ControlSpec createCheckBox(int x, bool checked) const;
    ui::ControlSpec createButton(int x, int width, std::string label) const;
    ui::ControlSpec createEdit(int x, int width) const;

private:
    const std::uint16_t commandId_;
    const std::int32_t row_;
};

class IntEditParameter : public IntParameter, public ParameterControl {
public:
    IntEditParameter(std::string name, std::int32_t defaultValue, std::int32_t min,
                     std::int32_t max, std::uint16_t commandId, std::int32_t row)
        : IntParameter(std::move(name), defaultValue, min, max), ParameterControl(commandId, row) {}
};

class FloatEditParameter : public FloatParameter, public ParameterControl {
public:
    FloatEditParameter(std::string name, float defaultValue, float min, float max,
                       std::uint16_t commandId, std::int32_t row)
        : FloatParameter(std::move(name), defaultValue, min, max),
          ParameterControl(commandId, row) {}
};

class CheckBoxParameter : public BoolParameter, public ParameterControl {
public:
    CheckBoxParameter(std::string name, bool defaultValue, std::uint16_t commandId,
                      std::int32_t row)
        : BoolParameter(std::move(name), defaultValue), ParameterControl(commandId, row) {}

    // For another parameter's id: false, nothing changes. Otherwise flips the value, shows the
    // mark, saves at once and returns true.
    bool toggle(std::uint16_t commandId);
    // Writes "true" or "false" to parameters.xml.
    void save() const;
};

class TextEditParameter : public StringParameter, public ParameterControl {
public:
    TextEditParameter(std::string name, std::string defaultValue, std::uint16_t commandId,
                      std::int32_t row)
        : StringParameter(std::move(name), std::move(defaultValue)),
          ParameterControl(commandId, row) {}
};

class ButtonParameter : public Parameter, public ParameterControl {
public:
    ButtonParameter(std::string label, std::uint16_t commandId, std::int32_t row)
        : Parameter(std::move(label)), ParameterControl(commandId, row) {}
};

// Check boxes.
extern CheckBoxParameter ALWAYS_ON_TOP, GUID_CHANGES, LEARN_SOFT, NAV_LIGHTS_WHILE_PARKED, LOG,
    SCAN_LIVERIES, LIG_AUTOMATIC, LIG_PRIORITIZE, SUPPRESS_STUB, SCAN_AIRPORTS, AFG_AUTOMATIC,
    LIGHT_AIRCRAFT, HELICOPTERS, HIGH_PERF_AIRCRAFT, AUTO_RANGE, COLLISION_USER_AIR,
    COLLISION_USER_GND, COLLISION_LIVE_PARKED_GND, INITIAL_LOAD_ONLY, PARK_SOFT, WEEK,
    RT_PARKTRAFFIC_ONLY, PARK_FAKE, SIM_TIME, KEEP_SIM_TIME_PAR;
// Numeric edit fields.
extern IntEditParameter MATCHING_DEPTH, LATERAL_RANGE, MAX_LIVE, AIRPORT_RANGE, AIRPORT_HEIGHT,
    parking_percentage, MAX_FIT, TIME_SHIFT_DAYS, TIME_SHIFT_HOURS, TIME_SHIFT_MINS;
extern FloatEditParameter MAX_FIT_FL;
// Text edit fields.
extern TextEditParameter SIM_INSTALL_PATH, BLOCK_CALLSIGN;
// Buttons.
extern ButtonParameter CHECK_VERSION_BUTTON, UNBLOCK_BUTTON, REREAD_BUTTON, FLUSH_STATIC_BUTTON;
// Numbers without a control.
extern IntParameter MAIN_WINDOW_X, MAIN_WINDOW_Y, CUSTOM_PARKING_PERCENTAGE, LAST_EPOCH_TIME,
    P3D_VERSION;
// Texts without a control.
extern StringParameter PROGRAM_INSTALL_PATH, PROGRAM_VERSION, ARCHIVE_VERSION, DBASE_VERSION,
    AIG_VERSION, DATA_CHECKED_AT_DATE;
extern StringParameter lfolder0, lfolder1, lfolder2, lfolder3, lfolder4, lfolder5, lfolder6,
    lfolder7, lfolder8, lfolder9;
extern StringParameter afolder0, afolder1, afolder2, afolder3, afolder4, afolder5, afolder6,
    afolder7, afolder8, afolder9;
// Meta entries (not stored in parameters.xml).
extern StringParameter META_AUTHOR, META_DATE, META_VERSION, META_COPYRIGHT;

// The six lists the load takes, in the start-up's order: (1) COLLISION_LIVE_PARKED_GND, (2) the
// check boxes, (3) numbers without a control, (4) integer edit fields, (5) texts without a
// control, (6) text edit fields.
struct ParameterLists {
    std::vector<CheckBoxParameter*> first;
    std::vector<CheckBoxParameter*> checkBoxes;
    std::vector<IntParameter*> numbers;
    std::vector<IntEditParameter*> intFields;
    std::vector<StringParameter*> texts;
    std::vector<TextEditParameter*> textFields;
};
ParameterLists gf_parameterLists();

// Every parameter object, for tables and tests.
std::vector<Parameter*> gf_allParameters();
// Every value back to its default (tests and nothing else).
void gf_resetParametersForTests();

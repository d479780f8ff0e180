#pragma once
// The state of every control as the model knows it (text, enabled, checked) and the writers that
// change a control. The model is the truth: logic and paint read it, never a widget. Writers run
// on any thread; they update the mirror and pass the change to the window port, which queues it
// for the GUI thread.
#include "core/parameters.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ControlState {
    std::string text;
    bool enabled = false;
    bool checked = false;
    bool operator==(const ControlState&) const = default;
};

// The mirror of a control; nullopt for an id without a control.
std::optional<ControlState> gf_controlState(std::uint16_t id);
bool gf_controlEnabled(std::uint16_t id);
// Registers a control made from a spec (the window's creation does this for every row).
void gf_registerControl(const ui::ControlSpec& spec);
// Forgets every control (tests and nothing else).
void gf_resetControlsForTests();

// Writers. Each converts its text as the window would (UTF-8 to UTF-16); a text that fails is
// logged and the control keeps its old text.
void lf_showIntParameter(const IntEditParameter& parameter);
void lf_showFloatParameter(const FloatEditParameter& parameter);
void lf_showTextParameter(const TextEditParameter& parameter);
// Sets the value (not saved) and the mark.
void lf_setCheckBox(CheckBoxParameter& parameter, bool value);
// Sets SIM_INSTALL_PATH, saves and shows it.
void lf_setSimInstallPath(std::string_view path);
// Empties the text of the control.
void lf_setControlText(std::uint16_t id);
// The control's text, at most 2047 UTF-16 units; on a conversion error the error's text is
// logged and the result is empty.
std::string lf_readTextField(std::uint16_t id);
// The control's text, at most limit UTF-16 units (a surrogate pair is never split); nothing when
// it does not convert, after the error's text was logged.
std::optional<std::string> gf_readControlText(std::uint16_t id, std::size_t limit);
void gf_enableControl(std::uint16_t id, bool enable);
// Enables the control of a parameter.
void gf_enableWindow(const ParameterControl& control);

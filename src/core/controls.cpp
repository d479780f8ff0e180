#include "core/controls.h"

#include "core/log.h"
#include "core/main_window.h"
#include "core/ranked_mutex.h"
#include "core/strings.h"
#include "platform/utf_conversion.h"

#include <fmt/format.h>
#include <map>
#include <mutex>

namespace {

ksb::RankedMutex& lf_mirrorMutex() {
    static ksb::RankedMutex mutex(ksb::LockRank::leaf, "control mirror");
    return mutex;
}

std::map<std::uint16_t, ControlState>& lf_mirror() {
    static std::map<std::uint16_t, ControlState> mirror;
    return mirror;
}

// A text the window could not show is logged and not written.
bool lf_convertible(std::string_view text) {
    try {
        (void)win32::Utf8ToUtf16(text);
        return true;
    } catch (const win32::Utf8ConversionException& e) {
        gf_log(fmt::format("{} conversion exception {}, error code: {}", text, e.what(),
                           e.errorCode()));
    } catch (const std::exception& e) {
        gf_log(e.what());
    }
    return false;
}

// The port is called under the mirror lock (it never blocks), so two threads writing the same
// control leave the mirror and the widget with the same last value.
void lf_writeText(std::uint16_t id, std::string text) {
    if (!lf_convertible(text)) {
        return;
    }
    std::lock_guard lock(lf_mirrorMutex());
    auto it = lf_mirror().find(id);
    if (it == lf_mirror().end()) {
        return;
    }
    it->second.text = text;
    if (ui::WindowPort* port = gf_windowPort()) {
        port->setText(id, std::move(text));
    }
}

} // namespace

std::optional<ControlState> gf_controlState(std::uint16_t id) {
    std::lock_guard lock(lf_mirrorMutex());
    auto it = lf_mirror().find(id);
    if (it == lf_mirror().end()) {
        return std::nullopt;
    }
    return it->second;
}

bool gf_controlEnabled(std::uint16_t id) {
    const auto state = gf_controlState(id);
    return state && state->enabled;
}

void gf_registerControl(const ui::ControlSpec& spec) {
    std::lock_guard lock(lf_mirrorMutex());
    lf_mirror()[spec.id] = ControlState{spec.kind == ui::Kind::Button ? spec.label : std::string(),
                                        spec.enabled, spec.checked};
}

void gf_resetControlsForTests() {
    std::lock_guard lock(lf_mirrorMutex());
    lf_mirror().clear();
}

void lf_showIntParameter(const IntEditParameter& parameter) {
    lf_writeText(parameter.commandId(), fmt::format("{}", parameter.value()));
    gf_invalidate(kControlsRegion);
}

void lf_showFloatParameter(const FloatEditParameter& parameter) {
    lf_writeText(parameter.commandId(), gf_numberText(parameter.value()));
    gf_invalidate(kControlsRegion);
}

void lf_showTextParameter(const TextEditParameter& parameter) {
    lf_writeText(parameter.commandId(), parameter.value());
    gf_invalidate(kControlsRegion);
}

void lf_setCheckBox(CheckBoxParameter& parameter, bool value) {
    // Value, mirror and mark change in one hold, so the mark never differs from the value.
    std::lock_guard lock(lf_mirrorMutex());
    parameter.setRaw(value);
    auto it = lf_mirror().find(parameter.commandId());
    if (it == lf_mirror().end()) {
        return;
    }
    it->second.checked = value;
    if (ui::WindowPort* port = gf_windowPort()) {
        port->setChecked(parameter.commandId(), value);
    }
}

void lf_setSimInstallPath(std::string_view path) {
    SIM_INSTALL_PATH.setValue(std::string(path));
    lf_showTextParameter(SIM_INSTALL_PATH);
}

void lf_setControlText(std::uint16_t id) {
    lf_writeText(id, {});
}

std::string lf_readTextField(std::uint16_t id) {
    return gf_readControlText(id, 2047).value_or(std::string());
}

std::optional<std::string> gf_readControlText(std::uint16_t id, std::size_t limit) {
    std::string text;
    if (ui::WindowPort* port = gf_windowPort()) {
        text = port->text(id);
    } else if (const auto state = gf_controlState(id)) {
        text = state->text;
    }
    try {
        std::u16string wide = win32::Utf8ToUtf16(text);
        if (wide.size() <= limit) {
            return text;
        }
        wide.resize(limit);
        // Never keep half of a surrogate pair.
        if (!wide.empty() && wide.back() >= 0xD800 && wide.back() <= 0xDBFF) {
            wide.pop_back();
        }
        return win32::Utf16ToUtf8(wide);
    } catch (const std::exception& e) {
        gf_log(e.what());
        return std::nullopt;
    }
}

void gf_enableControl(std::uint16_t id, bool enable) {
    std::lock_guard lock(lf_mirrorMutex());
    auto it = lf_mirror().find(id);
    if (it == lf_mirror().end()) {
        return;
    }
    it->second.enabled = enable;
    if (ui::WindowPort* port = gf_windowPort()) {
        port->setEnabled(id, enable);
    }
}

void gf_enableWindow(const ParameterControl& control) {
    gf_enableControl(control.commandId(), true);
}

bool CheckBoxParameter::toggle(std::uint16_t commandId) {
    if (commandId != this->commandId()) {
        return false;
    }
    lf_setCheckBox(*this, !value());
    save();
    return true;
}

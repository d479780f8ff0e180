#include "app/text_fields.h"

#include "core/controls.h"
#include "core/exit_request.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/program_info.h"
#include "core/run_values.h"
#include "platform/native_path.h"

#include <filesystem>
#include <fmt/format.h>
#include <optional>
#include <system_error>

namespace {

constexpr std::size_t kFieldLimit = 2047;

void lf_upperAsciiLetters(std::string& text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
}

} // namespace

bool lf_installPathExists(const std::string& text) {
    try {
        std::error_code error;
        const bool exists = std::filesystem::exists(platform::toNativePath(text), error);
        return exists && !error;
    } catch (const std::exception&) {
        return false;
    }
}

void lf_installPathEntered(TextEditParameter& parameter, const std::string& text) {
    mainWindow.clearError();
    gf_clearMessage();
    if (!text.empty()) {
        if (lf_installPathExists(text)) {
            lf_setSimInstallPath(text);
            gf_showMessage(fmt::format("Install path exists, {} will restart", kProgramName), true);
            gf_requestExit(ExitReason::RESTART_IPP, 3);
        } else {
            gf_showMessage(fmt::format("This install path does not exist: {}", text), true);
        }
        return;
    }
    if (!parameter.value().empty()) {
        parameter.setValue({});
    }
}

void lf_blockCallsign(TextEditParameter& parameter) {
    gf_clearMessage();
    // A text the window cannot hand over is not taken for an empty one, which would unblock.
    std::optional<std::string> read = gf_readControlText(parameter.commandId(), kFieldLimit);
    if (!read) {
        return;
    }
    std::string text = std::move(*read);
    if (text.empty()) {
        if (!parameter.value().empty()) {
            lf_unblockCallsign();
        }
        return;
    }
    if (text.size() < 4 || text.size() > 8) {
        gf_showMessage(fmt::format("callsign \"{}\" is not valid", text), true);
        lf_showTextParameter(parameter);
        return;
    }
    lf_upperAsciiLetters(text);
    if (text == parameter.value()) {
        gf_showMessage(fmt::format("This callsign ({}) was already set ...", text), true);
        lf_showTextParameter(parameter);
        return;
    }
    parameter.setValue(text);
    lf_showTextParameter(parameter);
    gf_enableControl(UNBLOCK_BUTTON.commandId(), true);
    gf_showMessage(fmt::format("live aircraft with callsign \"{}\" will be blocked", text), true);
    blockCallsignChanged = true;
}

void lf_unblockCallsign() {
    const std::string old = BLOCK_CALLSIGN.value();
    if (old.empty()) {
        return;
    }
    BLOCK_CALLSIGN.setValue({});
    lf_showTextParameter(BLOCK_CALLSIGN);
    gf_enableControl(UNBLOCK_BUTTON.commandId(), false);
    gf_showMessage(fmt::format("no more blocking of live aircraft \"{}\"", old), true);
    blockCallsignChanged = true;
}

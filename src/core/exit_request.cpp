#include "core/exit_request.h"

#include "core/globals.h"
#include "core/log.h"

#include <array>
#include <fmt/format.h>

namespace {

constexpr std::array<std::string_view, 6> kReasonTexts = {
    "NOT_YET_SET", "SIM WAS CLOSED", "RESTART", "RESTART_IPP", "USER CLOSED SIM", "SYSTEM ERROR"};

class LogOnlyExitHandler final : public ksb::ExitHandler {
public:
    void requestExit(ExitReason reason, int seconds) override {
        gf_logLine(fmt::format("exit requested: {} ({} s), no exit procedure yet",
                               gf_exitReasonText(reason), seconds));
    }
};

} // namespace

std::string_view gf_exitReasonText(ExitReason reason) {
    const auto index = static_cast<int>(reason);
    if (index < 0 || index >= static_cast<int>(kReasonTexts.size())) {
        return "?";
    }
    return kReasonTexts[static_cast<std::size_t>(index)];
}

void gf_setExitHandler(ksb::ExitHandler* handler) {
    installedExitHandler.store(handler, std::memory_order_release);
}

void gf_requestExit(ExitReason reason, int seconds) {
    static LogOnlyExitHandler defaultHandler;
    ksb::ExitHandler* installed = installedExitHandler.load(std::memory_order_acquire);
    (installed != nullptr ? *installed : defaultHandler).requestExit(reason, seconds);
}

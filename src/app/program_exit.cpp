#include "app/program_exit.h"

#include "core/exit_request.h"
#include "core/log.h"
#include "core/main_window.h"

#include <fmt/format.h>

namespace {

// PLACEHOLDER ("Run phase, main loop, exit and restart"): FinalExit replaces this handler.
class WindowExitHandler final : public ksb::ExitHandler {
public:
    void requestExit(ExitReason reason, int seconds) override {
        switch (reason) {
        case ExitReason::SIM_WAS_CLOSED:
        case ExitReason::USER_CLOSED_SIM:
        case ExitReason::SYSTEM_ERROR:
            if (ui::WindowPort* port = gf_windowPort()) {
                port->post(ui::AppMessage::EndProgram);
            }
            return;
        case ExitReason::RESTART:
        case ExitReason::RESTART_IPP:
        case ExitReason::NOT_YET_SET:
            break;
        }
        gf_logLine(fmt::format("{} requested ({} s): restarting is not built yet",
                               gf_exitReasonText(reason), seconds));
    }
};

} // namespace

ksb::ExitHandler& gf_programExitHandler() {
    static WindowExitHandler handler;
    return handler;
}

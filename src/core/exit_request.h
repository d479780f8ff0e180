#pragma once
// Any subsystem asks for an exit or a restart through one hook.
#include <string_view>

enum class ExitReason : int {
    NOT_YET_SET = 0,
    SIM_WAS_CLOSED = 1,
    RESTART = 2,
    RESTART_IPP = 3,
    USER_CLOSED_SIM = 4,
    SYSTEM_ERROR = 5,
};

// "NOT_YET_SET", "SIM WAS CLOSED", "RESTART", "RESTART_IPP", "USER CLOSED SIM", "SYSTEM ERROR";
// "?" for a value outside the table.
std::string_view gf_exitReasonText(ExitReason reason);

namespace ksb {
class ExitHandler {
public:
    virtual ~ExitHandler() = default;
    virtual void requestExit(ExitReason reason, int seconds) = 0;
};
} // namespace ksb

// nullptr restores the default handler.
// The default only logs; the program installs its final exit handler at start.
void gf_setExitHandler(ksb::ExitHandler* handler);
void gf_requestExit(ExitReason reason, int seconds);

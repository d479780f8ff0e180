#pragma once
// The one exit procedure, for a final exit and for a restart, and what calls it.
#include "core/exit_request.h"

#include <functional>
#include <string_view>

// Runs the exit for exitReason; seconds is a restart's countdown. Never throws.
void FinalExit(int seconds);
// Every run-time value back to its start, for a new worker in the same window.
void lf_restartResets(ExitReason reason);
// Shows the countdown; false when a new exit request or a stop cut it short.
bool lf_showRestartCountdown(int seconds);
// Called by a reader thread that ends with an error.
void lf_readerStopped(std::string_view readerName, bool unauthorised);

namespace ksb {
class ExitHandler;
}
// The program's exit handler: starts FinalExit on a detached thread unless an exit runs.
ksb::ExitHandler& gf_finalExitHandler();

// How the handler starts its thread; empty restores a detached std::thread. Tests run the exit in
// place or play a failed start (std::system_error).
using ExitThreadStarter = std::function<void(std::function<void()>)>;
void gf_setExitThreadStarter(ExitThreadStarter starter);

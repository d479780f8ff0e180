#pragma once
// SIGINT, SIGTERM and SIGHUP as a request to close, delivered to an event loop. The handler is
// async-signal-safe: it only marks the request and writes one byte to a pipe that the loop
// watches, so the loop itself does the work on its own thread.

namespace platform {

// The signals that ask the program to close.
inline constexpr int kTerminationSignals[] = {2 /*SIGINT*/, 15 /*SIGTERM*/, 1 /*SIGHUP*/};

// Makes the wake pipe and installs the handlers; a second call does nothing. Throws
// std::system_error when the pipe or a handler cannot be made.
void installTerminationSignals();
// Puts back the actions that were in force before the installation (tests).
void restoreTerminationSignals();
// The non-blocking read end of the wake pipe; -1 before the installation.
int terminationWakeFd();
// Empties the wake pipe; the request itself stays marked.
void drainTerminationWake();
// A signal came and has not been taken yet.
bool terminationPending();
// Clears the mark; true when it was set.
bool takeTermination();

} // namespace platform

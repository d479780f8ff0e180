#pragma once
// The simulator link's thread, started and joined by the worker and asked to stop by the exit.
#include <functional>
#include <stop_token>

// Stops and joins the thread of an earlier run (outside the lock), then starts body on a new one.
// Exceptions of the start propagate.
void gf_startSimConnectThread(std::function<void(std::stop_token)> body);
// Asks a running thread to stop; does not join it.
void gf_requestSimConnectStop();
// Stops and joins the thread, when there is one.
void gf_joinSimConnectThread();
// True while a started thread has not been joined.
bool gf_simConnectThreadJoinable();

#pragma once
// SIGINT, SIGTERM and SIGHUP end the program as the window's close button does.
#include <functional>

// GUI thread, whenever the signal wake pipe is readable and on the window's periodic check:
// empties the pipe and, once a signal came and no exit runs, takes it and calls close (the
// close button's handler). While an exit runs the signal waits: a final exit ends the program
// anyway, and a restart clears the flag for its countdown, which the close then ends. So a
// second signal during an exit changes nothing.
void gf_closeOnTerminationSignal(const std::function<void()>& close);

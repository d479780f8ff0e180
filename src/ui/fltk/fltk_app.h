#pragma once
// Process-wide switches of the FLTK back end, free of FLTK headers so the entry point and the
// smoke tests can call them.
#include <functional>

namespace ui {

// Switches on FLTK's thread support (Fl::lock) on the calling thread, which becomes the GUI
// thread. Only the first call does anything.
void fltkEnableThreads();

// Runs the event loop in short steps until done() holds or the bound passes; returns done().
// For tests that wait on the window where no event of their own can be awaited.
bool fltkPumpUntil(const std::function<bool()>& done, double boundSeconds);

// Draws every pending damage and waits until the X server has done all drawing requests.
void fltkSync();

} // namespace ui

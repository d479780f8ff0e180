#include "ui/fltk/fltk_app.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>
#include <mutex>

namespace ui {

void fltkEnableThreads() {
    static std::once_flag once;
    // The GUI thread keeps the lock; FLTK releases it while it waits for events. No other
    // thread ever takes it.
    std::call_once(once, [] { Fl::lock(); });
}

bool fltkPumpUntil(const std::function<bool()>& done, double boundSeconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(boundSeconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        Fl::wait(0.02);
    }
    return true;
}

void fltkSync() {
    Fl::flush();
    if (fl_display != nullptr) {
        XSync(fl_display, False);
    }
}

} // namespace ui

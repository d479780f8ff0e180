#include "app/window_app.h"

#include "app/commands.h"
#include "app/edit_fields.h"
#include "app/paint.h"
#include "app/window_position.h"
#include "app/window_trace.h"
#include "core/clock.h"
#include "core/exit_request.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/program_info.h"
#include "core/report_exception.h"
#include "core/run_values.h"
#include "core/time_text.h"

#include <fmt/format.h>
#include <thread>

namespace {

// Nothing an event raises may reach the window system's loop.
template <class F> void lf_dispatch(F&& handle) noexcept {
    try {
        handle();
    } catch (...) {
        gf_reportException("lf_wndProc");
    }
}

} // namespace

void gf_launchDetached(std::function<void()> body) {
    std::thread(std::move(body)).detach();
}

void MainWindowEvents::onCreate() {
    lf_dispatch([&] { lf_onCreate(port_); });
}

void MainWindowEvents::onPaint(ui::Canvas& canvas) {
    lf_dispatch([&] { gf_traceWindowPaint(lf_paintMainWindow(canvas, gf_takePaintSnapshot())); });
}

void MainWindowEvents::onCloseRequested() {
    lf_dispatch([] {
        gf_showMessage(fmt::format("Close window button clicked, closing {} ...", kProgramName),
                       false);
        // The window stays until the exit sends EndProgram.
        gf_requestExit(ExitReason::USER_CLOSED_SIM, 0);
    });
}

void MainWindowEvents::onCommand(std::uint16_t id) {
    lf_dispatch([&] {
        (void)lf_onCommand(id);
        // Whether or not the id was a control's, the controls may show new states.
        port_.invalidate(kControlsRegion);
    });
}

void MainWindowEvents::onEnter(std::uint16_t id) {
    lf_dispatch([&] { (void)lf_onEnter(id); });
}

void MainWindowEvents::onAppMessage(ui::AppMessage message) {
    lf_dispatch([&] {
        switch (message) {
        case ui::AppMessage::StartWorker:
            startWorker();
            break;
        case ui::AppMessage::EndProgram:
            endProgram();
            break;
        }
    });
}

void MainWindowEvents::startWorker() {
    // Counted before the thread exists, so an exit that starts now waits for it.
    activeWorkers.fetch_add(1);
    try {
        launch_(worker_);
    } catch (...) {
        activeWorkers.fetch_sub(1);
        throw;
    }
}

void MainWindowEvents::endProgram() {
    lf_saveWindowPositionAtExit(port_.windowRect());
    gf_log(gf_utcTimeString(ksb::gf_utcSecondsNow()));
    gf_flushLog();
    gf_closeLog();
    port_.quit(0);
}

// The program's entry point: one instance, the log, the window, and a hard end.
#include "app/close_on_signal.h"
#include "app/startup_services.h"
#include "app/window_app.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "platform/single_instance.h"
#include "platform/termination_signals.h"
#include "ui/fltk/fltk_app.h"
#include "ui/fltk/fltk_window_port.h"

#include <cstdio>
#include <curl/curl.h>
#include <cstdlib>
#include <exception>
#include <fmt/format.h>
#include <string>

namespace {

constexpr std::string_view kInstanceMutex = "Local\\$Kestrelbay_P3D$";

void lf_printError(std::string_view text) noexcept {
    try {
        fmt::print(stderr, "{}\n", text);
    } catch (...) {
        // Nowhere left to report to.
    }
}

} // namespace

int main() {
    platform::SingleInstanceResult instance = platform::acquireSingleInstance(kInstanceMutex);
    switch (instance.status) {
    case platform::SingleInstanceResult::Status::acquired:
        break;
    case platform::SingleInstanceResult::Status::alreadyRunning:
        // The running copy owns the log files: touch nothing.
        return -1;
    case platform::SingleInstanceResult::Status::failed:
        lf_printError(fmt::format("could not take the single-instance lock {}: {}",
                                  instance.lockFile.string(), instance.error));
        return 1;
    }

    // libcurl's global state must exist before any thread can start a transfer.
    curl_global_init(CURL_GLOBAL_ALL);
    // The subsystems' neighbours, before any thread can call across.
    gf_wireStartupServices();
    ui::fltkEnableThreads();
    try {
        gf_openLog();
    } catch (const std::exception& e) {
        lf_printError(e.what());
        return 1;
    }

    // From a terminal, Ctrl-C, kill and a closed session end the program as the close button does.
    try {
        platform::installTerminationSignals();
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("the signals SIGINT, SIGTERM and SIGHUP end the program at once: {}",
                               e.what()));
    }

    // The port lives until the process ends: detached threads may still write through it.
    ui::FltkWindowPort port;
    port.addWakeSource(platform::terminationWakeFd(),
                       [&port] { gf_closeOnTerminationSignal([&port] { port.requestClose(); }); });
    gf_setMessageSink(&gf_windowMessageSink());
    gf_setWindowPort(&port);
    int code = 1;
    try {
        code = gf_runMainWindow(port);
    } catch (const std::exception& e) {
        const std::string text = fmt::format("main: {}", e.what());
        gf_logLine(text);
        lf_printError(text);
    }
    gf_flushLog();
    gf_closeLog();
    // Static destructors would run under threads that still use the globals.
    std::_Exit(code);
}

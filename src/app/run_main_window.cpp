#include "app/final_exit.h"
#include "app/window_app.h"
#include "app/window_position.h"
#include "core/clock.h"
#include "core/config_paths.h"
#include "core/exit_request.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/program_info.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fmt/format.h>
#include <string>
#include <system_error>

namespace {

constexpr int kReadyWaits = 18;
constexpr auto kReadyWait = std::chrono::milliseconds(50);

bool lf_waitForReady() {
    for (int sleeps = 0; !mainWindow.ready.load(); ++sleeps) {
        if (sleeps == kReadyWaits) {
            return false;
        }
        ksb::gf_sleepFor(kReadyWait);
    }
    return true;
}

// The program cannot go on without its data folder.
bool lf_ensureDataFolder() {
    namespace fs = std::filesystem;
    const fs::path folder = gf_dataFolder();
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        return true;
    }
    ec.clear();
    fs::create_directories(folder, ec);
    if (!ec && !fs::is_directory(folder, ec)) {
        ec = std::make_error_code(std::errc::not_a_directory);
    }
    if (!ec) {
        return true;
    }
    const std::string line = fmt::format("could not create the program data folder {}: {}",
                                         folder.string(), ec.message());
    gf_logLine(line);
    std::fprintf(stderr, "%s\n", line.c_str());
    return false;
}

} // namespace

bool initInstance(ui::WindowPort& port, MainWindowEvents& events) {
    if (!lf_waitForReady()) {
        return false;
    }
    const bool loaded = gf_readWindowPosition();
    lf_positionAtStart(loaded, MAIN_WINDOW_X.value(), MAIN_WINDOW_Y.value());
    // The model writes through the port from the creation on (controls are made inside create).
    gf_setWindowPort(&port);
    if (!port.create(kProgramName, MAIN_WINDOW_X.value(), MAIN_WINDOW_Y.value(), kWindowWidth,
                     kWindowHeight, events)) {
        gf_setWindowPort(nullptr);
        return false;
    }
    port.show();
    return true;
}

int gf_runMainWindow(ui::WindowPort& port) {
    MainWindowEvents events(port);
    return gf_runMainWindow(port, events);
}

int gf_runMainWindow(ui::WindowPort& port, MainWindowEvents& events) {
    gf_setMessageSink(&gf_windowMessageSink());
    // Tests keep the handler they installed.
    if (installedExitHandler.load() == nullptr) {
        gf_setExitHandler(&gf_finalExitHandler());
    }
    if (!initInstance(port, events)) {
        // A start without its window is a failed start, not a success.
        gf_log("initInstance failed");
        const std::string why = port.createFailure();
        const std::string line =
            why.empty() ? std::string("initInstance failed") : "initInstance failed: " + why;
        std::fprintf(stderr, "%s\n", line.c_str());
        return 1;
    }
    if (!lf_ensureDataFolder()) {
        return 1;
    }
    port.post(ui::AppMessage::StartWorker);
    return port.run();
}

#include "app/final_exit.h"

#include "app/run_controls.h"
#include "app/sim_connect_thread.h"
#include "app/startup_services.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/injection_radius.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/report_exception.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "platform/heap_trim.h"
#include "platform/thread_name.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <chrono>
#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

std::mutex starterMutex;
ExitThreadStarter exitThreadStarter;

bool lf_isRestart(ExitReason reason) {
    return reason == ExitReason::RESTART || reason == ExitReason::RESTART_IPP;
}

void lf_setFlag(std::atomic<std::uint8_t>& flag, std::uint8_t value) {
    flag = value;
    ksb::gf_wakeSleepers();
}

void lf_post(ui::AppMessage message) {
    if (ui::WindowPort* port = gf_windowPort()) {
        port->post(message);
    }
}

// Releases, cancels or marks every live aircraft, removes the static ones and hands the engine's
// removal queue to the link. An aircraft the simulator has reported goes at once, whether or not
// its start-up sequence has ended. The caller holds trafficMutex.
void lf_releaseEveryAircraft(const LinkServices& link) {
    auto& live = trafficState.live;
    for (std::size_t i = 0; i < live.size();) {
        LiveAircraft& aircraft = live[i];
        if (aircraft.state == LiveState::inSimulator) {
            link.releaseAiAircraft(aircraft.objectId);
        } else if (aircraft.state == LiveState::creationRequested && aircraft.objectId != 0) {
            // Bound to its object, still in its start-up sequence, whose end no tick may reach
            // any more: the removal goes now, and the sequence's end finds it being removed.
            link.releaseAiAircraft(aircraft.objectId);
        } else if (aircraft.state == LiveState::creationRequested) {
            const std::size_t before = live.size();
            (void)gf_cancelQueuedCreations(aircraft.callsign);
            if (live.size() < before) {
                // The last aircraft moved into this place: visit it too.
                continue;
            }
            // Not erased, whatever else of its callsign went: its creation has been sent.
            aircraft.removeOnceCreated = true;
        }
        ++i;
    }
    gf_removeAllStatic();
    while (!trafficState.removals.empty()) {
        link.queueRemoveAiAircraft(trafficState.removals.front());
        trafficState.removals.pop_front();
    }
}

void lf_saveCheckBoxOff(CheckBoxParameter& parameter) {
    lf_setCheckBox(parameter, false);
    parameter.save();
}

// Saves only what this process read from parameters.xml: before the read, memory holds the
// defaults, and saving them would overwrite the user's stored settings.
void lf_saveTimeShiftAndRunSettings(ExitReason reason) {
    if (!parametersLoaded.load()) {
        return;
    }
    if (lf_isRestart(reason)) {
        if (SIM_TIME.value()) {
            lf_resetTimeShiftFields();
        }
        return;
    }
    BLOCK_CALLSIGN.setValue("");
    if (!KEEP_SIM_TIME_PAR.value()) {
        lf_saveCheckBoxOff(SIM_TIME);
        lf_resetTimeShiftFields();
    } else if (SIM_TIME.value()) {
        lf_resetTimeShiftFields();
    }
}

void lf_timeShiftAndRunSettings(ExitReason reason) {
    lf_saveTimeShiftAndRunSettings(reason);
    if (lf_isRestart(reason)) {
        return;
    }
    timeShiftActive = false;
    const CatalogueServices& catalogue = gf_catalogueServices();
    catalogue.printLiveryMatchSummary();
    catalogue.logUnmatched();
}

// True when only the exit thread still counts.
bool lf_waitForWorkers(int steps) {
    for (int i = 0; i < steps; ++i) {
        if (activeWorkers.load() < 2) {
            return true;
        }
        ksb::gf_sleepFor(100ms);
    }
    return activeWorkers.load() < 2;
}

void lf_finalExitSteps(int seconds) {
    const ExitReason reason = exitReason.load();
    gf_log(fmt::format("Exiting: {}", gf_exitReasonText(reason)));
    if (reason == ExitReason::RESTART) {
        gf_showMessage("Prepare for a restart ...", true);
    }
    const RtServices& rt = gf_rtServices();
    if (rt.loggedIn()) {
        rt.stopReaders();
        ksb::gf_sleepFor(3s);
        rt.deauth();
        // Start-up's since-last-run lines measure from here.
        const double now = std::floor(ksb::gf_utcSecondsNow());
        LAST_EPOCH_TIME.setClamped(now > std::numeric_limits<std::int32_t>::max()
                                       ? std::numeric_limits<std::int32_t>::max()
                                       : (now < 0 ? 0 : static_cast<std::int32_t>(now)));
        LAST_EPOCH_TIME.save();
    }
    ksb::gf_sleepFor(500ms);
    {
        std::lock_guard lock(trafficState.trafficMutex);
        lf_releaseEveryAircraft(gf_linkServices());
    }
    ksb::gf_sleepFor(1s);
    if (reason == ExitReason::SYSTEM_ERROR) {
        ksb::gf_sleepFor(5s);
    } else if (reason == ExitReason::USER_CLOSED_SIM) {
        gf_log("User closed KSBY_P3D");
        lf_setFlag(stopRequested, 1);
    }
    gf_requestSimConnectStop();
    {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.noLiveryKeys.clear();
    }
    gf_removeFlightPlanFolder();
    lf_timeShiftAndRunSettings(reason);
    {
        // A tick may still walk the stands that the close saves and empties.
        std::lock_guard lock(trafficState.trafficMutex);
        gf_startupServices().resetParkAirport();
    }

    bool workersEnded = lf_waitForWorkers(61);
    if (!workersEnded && lf_isRestart(reason)) {
        gf_logLine(fmt::format(
            "Workers still running: {}; the restart waits up to 30 s more, then ends the program",
            activeWorkers.load() - 1));
        workersEnded = lf_waitForWorkers(300);
    }
    if (!lf_isRestart(reason)) {
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.ghostCallsigns.clear();
        }
        // Left set: a close click before the window ends must not start a second exit.
        lf_post(ui::AppMessage::EndProgram);
        return;
    }
    if (!workersEnded) {
        // A second worker beside one that still runs would drive the engine twice.
        lf_post(ui::AppMessage::EndProgram);
        return;
    }
    lf_restartResets(reason);
    if (!lf_showRestartCountdown(seconds)) {
        // A newer exit owns the flags and the window now.
        return;
    }
    lf_setFlag(exitInProgress, 0);
    lf_post(ui::AppMessage::StartWorker);
}

class FinalExitHandler final : public ksb::ExitHandler {
public:
    void requestExit(ExitReason reason, int seconds) override {
        if (exitInProgress.exchange(1) != 0) {
            return;
        }
        exitReason = reason;
        ExitThreadStarter starter;
        {
            std::lock_guard lock(starterMutex);
            starter = exitThreadStarter;
        }
        try {
            if (starter) {
                starter([seconds] { FinalExit(seconds); });
            } else {
                std::thread([seconds] {
                    platform::setThreadName("ksby-exit");
                    FinalExit(seconds);
                }).detach();
            }
        } catch (...) {
            // Otherwise no exit request, a close included, would ever work again.
            lf_setFlag(exitInProgress, 0);
            throw;
        }
    }
};

} // namespace

void FinalExit(int seconds) {
    ++activeWorkers;
    lf_setFlag(exitInProgress, 1);
    ++runGeneration;
    ksb::gf_wakeSleepers();
    try {
        lf_finalExitSteps(seconds);
    } catch (...) {
        gf_reportException("FinalExit");
        gf_flushLog();
        --activeWorkers;
        // Whatever the reason: the window must still be able to end.
        lf_post(ui::AppMessage::EndProgram);
        return;
    }
    gf_flushLog();
    --activeWorkers;
}

void lf_restartResets(ExitReason reason) {
    mainWindow.clearError();
    gf_clearMessage();
    const RtServices& rt = gf_rtServices();
    rt.reset();
    rt.resetWeather();
    if (reason != ExitReason::RESTART_IPP) {
        lf_saveCheckBoxOff(SCAN_LIVERIES);
        lf_saveCheckBoxOff(SCAN_AIRPORTS);
    }
    parkSettingsChanged = false;
    timeShiftActive = false;
    flushStaticRequested = false;
    reservedStandCheckPending = false;
    matchingDepthRaised = false;
    parkTrafficOnlyLatch = 0;
    secondTick = false;
    readerError = false;
    stopRequested = 0;
    exitInProgress = 0;
    flightPaused = false;
    gf_setUserState(UserAircraftState{});
    staticRenewalRequested = false;
    secondsCounter = 0;
    staticRenewalPhase = 0;
    blockCallsignChanged = false;
    stockAirportsPath.set("");
    LATERAL_RANGE.setClamped(LATERAL_RANGE.value());
    gf_setInjectionRadius(LATERAL_RANGE.value());
    simVersion = P3D_VERSION.value();
    userOnGroundKnown = false;
    flightRunning = false;
    gf_linkServices().restartReset();
    gf_resetTraffic();
    // The run's aircraft and tables are gone; their pages go back before the next start-up.
    platform::releaseFreeHeap();
    mainWindow.resetToStart();
    exitReason = ExitReason::NOT_YET_SET;
    ksb::gf_wakeSleepers();
}

bool lf_showRestartCountdown(int seconds) {
    if (seconds < 1) {
        return true;
    }
    gf_log(fmt::format("Restarting after {} seconds\n\n\n\n\n", seconds));
    const auto cut = [] { return exitInProgress.load() != 0 || stopRequested.load() != 0; };
    for (int k = 0; k < seconds; ++k) {
        if (cut()) {
            return false;
        }
        const int left = seconds - k;
        gf_showMessage(fmt::format("Restarting after {} second{}", left, left == 1 ? "" : "s"),
                       false);
        ksb::gf_sleepFor(1s, cut);
    }
    return !cut();
}

void lf_readerStopped(std::string_view readerName, bool unauthorised) {
    gf_showMessage(fmt::format("The {} has stopped with an error", readerName), true);
    if (unauthorised) {
        gf_requestExit(ExitReason::RESTART, 15);
    } else {
        readerError = true;
    }
}

ksb::ExitHandler& gf_finalExitHandler() {
    static FinalExitHandler handler;
    return handler;
}

void gf_setExitThreadStarter(ExitThreadStarter starter) {
    std::lock_guard lock(starterMutex);
    exitThreadStarter = std::move(starter);
}

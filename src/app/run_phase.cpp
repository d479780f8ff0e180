#include "app/run_phase.h"

#include "app/main_loop.h"
#include "app/range_fields.h"
#include "app/sim_connect_thread.h"
#include "app/startup_services.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/exit_request.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_capacities.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "core/time_of_week.h"
#include "core/time_shift_controls.h"
#include "platform/thread_name.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <chrono>
#include <cmath>
#include <exception>
#include <mutex>

using namespace std::chrono_literals;

namespace {

using TrafficLock = std::lock_guard<ksb::RankedMutex>;

// The generation of the run under way; every wait ends when it moves on or a stop is flagged.
thread_local std::uint64_t runGenerationOfWorker = 0;

bool lf_runEnds() {
    return gf_runShouldEnd(runGenerationOfWorker);
}

// Sleeps until now + duration, or less when the run ends; true when the run ended.
bool lf_sleepOrEnd(std::chrono::milliseconds duration) {
    ksb::gf_sleepFor(duration, [] { return lf_runEnds(); });
    return lf_runEnds();
}

// Waits up to tries x step while waiting() holds, running between() after each sleep; true when
// the run ended during the wait.
template <class Waiting, class Between>
bool lf_boundedWait(int tries, std::chrono::milliseconds step, Waiting waiting, Between between) {
    for (int i = 0; i < tries && waiting(); ++i) {
        if (lf_sleepOrEnd(step)) {
            return true;
        }
        between();
    }
    return lf_runEnds();
}

void lf_setDisplayFlag(std::atomic<bool>& flag, bool value) {
    flag = value;
    gf_invalidate(kStatusRegion);
}

void lf_reserveCapacities() {
    gf_linkServices().clearRequestError();
    gf_linkServices().reserve(kRunCapacities);
    trafficState.reserve(kRunCapacities);
    // Play ticks count from the start of the run; the main loop never resets it, since the first
    // request's buffers are queued by then.
    trafficState.tickCounter = 0;
}

void lf_startLinkThread() {
    auto body = gf_linkServices().threadBody;
    const std::uint64_t generation = runGeneration.load();
    // Counted before the thread exists, so that the exit's wait cannot miss it.
    activeWorkers.fetch_add(1);
    try {
        gf_startSimConnectThread([body, generation](std::stop_token stop) {
            platform::setThreadName("ksby-simconnect");
            body(stop, generation);
        });
    } catch (...) {
        activeWorkers.fetch_sub(1);
        throw;
    }
}

void lf_setReaderCellsIdle() {
    mainWindow.weatherCell = 2;
    mainWindow.trafficCell = 2;
    gf_invalidate(kStatusRegion);
}

// The service steps; false when the run ended during them.
bool lf_startService() {
    const RtServices& rt = gf_rtServices();
    gf_setFeedIntake(false);
    rt.updateQueryBox();
    const bool licence = rt.hasLicense();
    if (licence) {
        rt.authenticate();
        if (lf_runEnds()) {
            return false;
        }
        lf_setReaderCellsIdle();
    }
    lf_enableTimeShiftControls(true);
    if (!licence) {
        return true;
    }
    if (lf_boundedWait(
            10, 300ms, [&] { return rt.loginGuid().empty(); }, [] {})) {
        return false;
    }
    rt.startWeatherReader();
    if (lf_boundedWait(
            10, 300ms, [] { return mainWindow.qnh.load() == 0; },
            [] { lf_checkReservedStandPending(); })) {
        return false;
    }
    // Before the reader starts, so that its first buffers are filtered around the user.
    const UserAircraftState user = gf_userState();
    rt.setReferencePosition(user.latitude, user.longitude);
    rt.startTrafficReader();
    return true;
}

// Waits for the first traffic; false when the run ended during the wait.
bool lf_waitForFirstTraffic() {
    const auto noTraffic = [] { return std::trunc(lastFeedTimeStamp.load()) == 0.0; };
    if (lf_boundedWait(150, 100ms, noTraffic, [] {})) {
        return false;
    }
    if (noTraffic()) {
        gf_log("No traffic in this region?");
    }
    return true;
}

void lf_runSteps() {
    if (ui::WindowPort* port = gf_windowPort()) {
        port->setTopmost(ALWAYS_ON_TOP.value());
    }
    simVersion = P3D_VERSION.value();
    lf_reserveCapacities();
    gf_createFlightPlanFolder();
    lf_setDisplayFlag(mainWindow.sessionEstablished, false);
    lf_setDisplayFlag(mainWindow.simConnected, false);
    lf_startLinkThread();
    if (!lf_waitForSimulator()) {
        return;
    }
    {
        TrafficLock lock(trafficState.trafficMutex);
        gf_readParkAirports(false);
    }
    gf_enableControl(REREAD_BUTTON.commandId(), true);
    gf_flushLog();
    if (AUTO_RANGE.value()) {
        lf_updateRangeFields();
        gf_enableControl(LATERAL_RANGE.commandId(), false);
    }
    if (lf_runEnds()) {
        return;
    }
    lf_setDisplayFlag(mainWindow.servicePending, false);
    gf_flushLog();
    if (lf_runEnds() || !lf_startService()) {
        return;
    }
    if (readerError.load()) {
        gf_showError("Reader error");
        gf_requestExit(ExitReason::SYSTEM_ERROR, 0);
    }
    if (gf_rtServices().hasLicense() && !lf_waitForFirstTraffic()) {
        return;
    }
    dayHalfHourNow = gf_currentDayHalfHour();
    {
        TrafficLock lock(trafficState.trafficMutex);
        gf_checkParkAirport(true);
    }
    gf_flushLog();
    mainLoop(runGenerationOfWorker);
}

} // namespace

bool lf_insideOriginBox(double latitude, double longitude) {
    return latitude >= 0.0 && latitude <= 0.0009 && longitude >= 0.0 && longitude <= 0.05;
}

bool lf_waitForSimulator() {
    const LinkServices& link = gf_linkServices();
    while (!flightRunning.load()) {
        if (lf_sleepOrEnd(100ms)) {
            return false;
        }
    }
    if (!link.requestOnGroundData()) {
        gf_log("SimConnect request ac gnd/air fails");
        link.countRequestError();
    }
    for (;;) {
        const UserAircraftState user = gf_userState();
        if (userOnGroundKnown.load() && !lf_insideOriginBox(user.latitude, user.longitude)) {
            break;
        }
        gf_setUserState(link.requestUserPosition());
        if (lf_sleepOrEnd(500ms)) {
            return false;
        }
    }
    link.requestUserTitleAndModel();
    for (;;) {
        const UserAircraftState user = gf_userState();
        if (!lf_insideOriginBox(user.latitude, user.longitude)) {
            break;
        }
        gf_setUserState(link.requestUserPosition());
        if (lf_sleepOrEnd(200ms)) {
            return false;
        }
    }
    return !lf_runEnds();
}

void lf_run() {
    runGenerationOfWorker = runGeneration.load();
    try {
        lf_runSteps();
    } catch (const std::exception& e) {
        gf_showMessage(e.what(), true);
        lf_setDisplayFlag(mainWindow.sessionEstablished, false);
        gf_requestExit(ExitReason::SYSTEM_ERROR, 0);
    }
}

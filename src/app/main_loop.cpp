#include "app/main_loop.h"

#include "airports/park_airport_state.h"
#include "app/live_count.h"
#include "app/range_fields.h"
#include "app/run_controls.h"
#include "app/run_schedule.h"
#include "app/startup_services.h"
#include "app/time_shift.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/exit_request.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/report_exception.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "core/time_of_week.h"
#include "core/time_text.h"
#include "platform/heap_trim.h"
#include "platform/timer_resolution.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fmt/format.h>
#include <mutex>

namespace {

// Worker thread only.
int idleCountdown = 100;

using TrafficLock = std::lock_guard<ksb::RankedMutex>;

void lf_identityCheck() {
    TrafficLock lock(trafficState.trafficMutex);
    if (trafficState.identityChecks.empty()) {
        return;
    }
    const std::uint32_t key = trafficState.identityChecks.front();
    trafficState.identityChecks.pop_front();
    LiveAircraft* aircraft = gf_liveByKey(key);
    if (aircraft == nullptr) {
        return;
    }
    if (!aircraft->coupledSearchDone) {
        lf_searchForCoupledCsAroundThisTime(dayHalfHourNow.load(), *aircraft);
        aircraft->coupledSearchDone = true;
    }
    if (!aircraft->callsign.empty()) {
        for (const AiAircraft& parked : trafficState.statics) {
            if (lf_checkSameIdentity(*aircraft, parked)) {
                gf_linkServices().releaseAiAircraft(parked.objectId);
                break;
            }
        }
    }
}

void lf_userConflicts() {
    TrafficLock lock(trafficState.trafficMutex);
    if (ksb::lf_userOnGround()) {
        if (COLLISION_USER_GND.value()) {
            lf_avoidUserCollisionOnGround();
        }
    } else if (COLLISION_USER_AIR.value()) {
        for (LiveAircraft& aircraft : trafficState.live) {
            if (lf_avoidUserCollision(aircraft)) {
                break;
            }
        }
    }
}

bool lf_qualifiesAgainstStatic(const LiveAircraft& aircraft) {
    return aircraft.state == LiveState::inSimulator && aircraft.onGround &&
           (aircraft.phase == FlightPhase::taxi ||
            aircraft.phase == FlightPhase::movingToAdjacentStand) &&
           !aircraft.takeOffRoll && !aircraft.landingRoll &&
           (aircraft.position.latitude != aircraft.staticCheckLatitude ||
            aircraft.position.longitude != aircraft.staticCheckLongitude);
}

void lf_liveAgainstStatic() {
    if (!COLLISION_LIVE_PARKED_GND.value()) {
        return;
    }
    TrafficLock lock(trafficState.trafficMutex);
    if (trafficState.statics.empty()) {
        return;
    }
    for (LiveAircraft& aircraft : trafficState.live) {
        if (!lf_qualifiesAgainstStatic(aircraft)) {
            continue;
        }
        aircraft.staticCheckLatitude = aircraft.position.latitude;
        aircraft.staticCheckLongitude = aircraft.position.longitude;
        // A release during the check must not touch the aircraft walked.
        const LiveAircraft copy = aircraft.copy();
        for (AiAircraft& parked : trafficState.statics) {
            if (lf_avoidCollisionWithLive(copy, parked)) {
                break;
            }
        }
    }
}

void lf_blockCallsign() {
    if (!blockCallsignChanged.load()) {
        return;
    }
    const std::string blocked = BLOCK_CALLSIGN.value();
    if (!blocked.empty()) {
        TrafficLock lock(trafficState.trafficMutex);
        for (const LiveAircraft& aircraft : trafficState.live) {
            if (aircraft.state == LiveState::inSimulator && aircraft.callsign == blocked) {
                gf_linkServices().releaseAiAircraft(aircraft.objectId);
                break;
            }
        }
    }
    blockCallsignChanged = false;
}

void lf_runRenewalStep() {
    switch (lf_renewalStep(staticRenewalRequested.load(), staticRenewalPhase.load() != 0)) {
    case RenewalStep::none:
        return;
    case RenewalStep::first:
        staticRenewalPhase = 1;
        gf_linkServices().lockControls();
        gf_rtServices().setCollectFlag();
        return;
    case RenewalStep::second: {
        staticRenewalPhase = 0;
        bool accepted = false;
        {
            TrafficLock lock(trafficState.trafficMutex);
            accepted = gf_refreshStaticParking(parkTrafficOnlyLatch.load() != 0);
        }
        if (accepted) {
            parkTrafficOnlyLatch = 0;
        }
        staticRenewalRequested = false;
        return;
    }
    }
}

bool lf_exitOrStop() {
    return exitInProgress.load() != 0 || stopRequested.load() != 0;
}

} // namespace

void lf_checkReservedStandPending() {
    if (!reservedStandCheckPending.load() || controlsLocked.load()) {
        return;
    }
    std::string text;
    bool show = false;
    {
        TrafficLock lock(trafficState.trafficMutex);
        show = gf_checkReservedStand(true, text);
    }
    if (show) {
        gf_showMessage(text, true);
    }
    gf_enableControl(REREAD_BUTTON.commandId(), true);
    reservedStandCheckPending = false;
}

void lf_flightNotRunning() {
    if (!flightPaused.load()) {
        gf_setFeedIntake(false);
        flightPaused = true;
        idleCountdown = 100;
        gf_linkServices().clearPositionQueues();
        gf_log(fmt::format("{} Flight not running", gf_utcClockText()));
    }
    {
        TrafficLock lock(trafficState.trafficMutex);
        gf_processSimEvents();
    }
    --idleCountdown;
    if (idleCountdown % 100 == 0) {
        lf_checkReservedStandPending();
        gf_rtServices().updateQueryBox();
    }
    if (idleCountdown < 1) {
        idleCountdown = 100;
        lf_updateLiveCount();
        dayHalfHourNow = gf_currentDayHalfHour();
    }
}

void lf_everySecond() {
    if (flightPaused.exchange(false)) {
        gf_log(fmt::format("{} Flight resumed", gf_utcClockText()));
        gf_setFeedIntake(true);
    }
    mainWindow.tickMessageClock();
    lf_updateLiveCount();
    dayHalfHourNow = gf_currentDayHalfHour();
    if (SIM_TIME.value()) {
        const std::int64_t simTime = simUtcSeconds.load();
        if (std::llabs(simTime - lastSimUtcSeconds.load()) >= 30) {
            // A simulator clock decades behind must not overflow the int; the time shift caps
            // it at four weeks anyway.
            const double minutes = std::min(
                std::trunc((ksb::gf_utcSecondsNow() - double(simTime)) / 60.0), 1.0e6);
            lf_applyTimeShift(minutes < 1.0 ? 0 : static_cast<int>(minutes), false);
        }
        lastSimUtcSeconds = simTime;
    }
    ++secondsCounter;
    lf_identityCheck();
    if (flushStaticRequested.exchange(false)) {
        {
            TrafficLock lock(trafficState.trafficMutex);
            gf_removeAllStatic();
        }
        if (!INITIAL_LOAD_ONLY.value()) {
            lf_setCheckBox(INITIAL_LOAD_ONLY, true);
        }
    }
    lf_userConflicts();
    lf_liveAgainstStatic();
    lf_blockCallsign();
}

void lf_every30Seconds() {
    if (matchingDepthRaised.exchange(false)) {
        gf_catalogueServices().clearNoLiveryFlights();
        TrafficLock lock(trafficState.trafficMutex);
        trafficState.noLiveryKeys.clear();
    }
    if (AUTO_RANGE.value()) {
        lf_updateRangeFields();
    }
    if (readerError.load()) {
        gf_showError("1001: RT error");
        gf_requestExit(ExitReason::SYSTEM_ERROR, 0);
    }
    gf_flushLog();
    const int n = secondsCounter.load();
    const SecondWork work = lf_secondWork(n);
    if (!work.minute) {
        return;
    }
    mainWindow.minutesToRenewal = lf_minutesToRenewal(n);
    gf_invalidate(kStatusRegion);
    // A restart, the park airport's load and the static plan free their peaks under data that
    // stays; their pages go back once a minute, so that a long session's memory stays flat.
    platform::releaseFreeHeap();
    if (!work.twentyMinutes) {
        return;
    }
    gf_catalogueServices().logUnmatched();
    if (gf_parkAirportState().parkSnapshot.get().has_value() &&
        (!INITIAL_LOAD_ONLY.value() || RT_PARKTRAFFIC_ONLY.value()) &&
        !staticRenewalRequested.load()) {
        staticRenewalRequested = true;
    }
    if (work.day) {
        secondsCounter = 0;
        gf_catalogueServices().printLiveryMatchSummary();
        TrafficLock lock(trafficState.trafficMutex);
        trafficState.liveryCache.clear();
        trafficState.noLiveryKeys.clear();
    }
}

void lf_mainLoopCycle() {
    if (!flightRunning.load()) {
        lf_flightNotRunning();
        return;
    }
    {
        TrafficLock lock(trafficState.trafficMutex);
        gf_trafficTick();
    }
    bool pending = true;
    if (!secondTick.compare_exchange_strong(pending, false)) {
        return;
    }
    lf_everySecond();
    const SecondWork work = lf_secondWork(secondsCounter.load());
    if (work.parkCheck && staticRenewalPhase.load() == 0) {
        TrafficLock lock(trafficState.trafficMutex);
        gf_checkParkAirport(false);
    }
    if (work.twinPass) {
        TrafficLock lock(trafficState.trafficMutex);
        if (!trafficState.statics.empty()) {
            for (LiveAircraft& aircraft : trafficState.live) {
                lf_removeStaticTwinOfLive(aircraft);
            }
        }
    }
    if (!work.fifteen) {
        return;
    }
    const RtServices& rt = gf_rtServices();
    rt.showStatus();
    const UserAircraftState user = gf_userState();
    rt.setReferencePosition(user.latitude, user.longitude);
    rt.updateQueryBox();
    if (trafficState.reservedStandFlag.load()) {
        TrafficLock lock(trafficState.trafficMutex);
        gf_clearReservedStand();
    }
    lf_checkReservedStandPending();
    lf_runRenewalStep();
    if (work.thirty) {
        lf_every30Seconds();
    }
}

void mainLoop(std::uint64_t generation) {
    try {
        ksb::Clock& clock = ksb::gf_clock();
        gf_rtServices().showStatus();
        gf_flushLog();
        secondsCounter = 0;
        auto deadline = clock.steadyNow() + std::chrono::milliseconds(10);
        dayHalfHourNow = gf_currentDayHalfHour();
        gf_setFeedIntake(true);
        const platform::TimerResolutionScope resolution(1);
        int cyclesSinceFlag = 0;
        for (;;) {
            lf_mainLoopCycle();
            if (lf_sleepNeeded(deadline, clock.steadyNow())) {
                clock.sleepUntil(deadline, {});
            }
            const bool tick = secondTick.load();
            deadline = lf_nextDeadline(deadline, clock.steadyNow(), tick);
            if (lf_exitOrStop()) {
                // Ends at the next re-anchoring, or soon when the ticks have stopped.
                if (tick || ++cyclesSinceFlag >= 100) {
                    break;
                }
            } else if (runGeneration.load() != generation) {
                break;
            }
        }
    } catch (...) {
        gf_reportException("mainLoop");
    }
}

void gf_resetMainLoopForTests() {
    idleCountdown = 100;
}

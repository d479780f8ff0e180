#include "simlink/traffic_link_wiring.h"

#include "simlink/ai_control.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "simlink/sim_session.h"

ksb::TrafficLinkServices gf_trafficLinkServices() {
    ksb::TrafficLinkServices services;
    services.queueCreateAiAircraft = gf_queueCreateAiAircraft;
    services.queueRemoveAiAircraft = gf_queueRemoveAiAircraft;
    services.queueEnginesOn = gf_queueEnginesOn;
    services.queueEnginesOff = gf_queueEnginesOff;
    services.queueSetLights = gf_queueSetLights;
    services.setThrottle = gf_setThrottle;
    services.setFlaps = gf_setFlaps;
    services.setSpoilers = gf_setSpoilers;
    services.setGear = gf_setGear;
    services.queueCabinLights = gf_queueCabinLights;
    services.shutdownAiAircraft = gf_shutdownAiAircraft;
    services.releaseAiAircraft = gf_releaseAiAircraft;
    services.lockControls = gf_lockControls;
    services.unlockControls = gf_unlockControls;
    services.trySwapPositionLists = gf_trySwapPositionLists;
    services.swapPositionLists = gf_swapPositionLists;
    services.frameRate = [] { return simFrameRate.load(); };
    services.requestErrorSet = [] { return simRequestError.load(); };
    services.countRequestError = lf_countRequestError;
    services.requestAircraftInRange = gf_requestAircraftInRange;
    services.requestStaticCg = gf_requestStaticCg;
    services.allLightsToggle = gf_sendAllLightsToggle;
    services.setFlightPlan = gf_setAiFlightPlan;
    services.setSpoilersAndThrottles = gf_setSpoilersAndThrottles;
    services.requestUserPosition = gf_requestUserPosition;
    services.lastUserState = [] { return gf_userAircraftView().state; };
    services.userHalfWingSpan = [] { return userHalfWingSpan.load(); };
    return services;
}

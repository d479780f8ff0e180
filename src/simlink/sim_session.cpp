#include "simlink/sim_session.h"

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/byte_cursor.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/exceptions.h"
#include "core/exit_request.h"
#include "core/flight_text.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/report_exception.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "core/sim_version.h"
#include "core/time_text.h"
#include "simlink/client/simconnect_messages.h"
#include "simlink/link_internals.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "simlink/sim_ids.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <fmt/format.h>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>

using namespace std::chrono_literals;

namespace simlink {

std::atomic<SimConnectHandle*> simHandle{nullptr};

SessionState& gf_session() {
    static SessionState session;
    return session;
}

namespace {
// Under the send-queue mutex: the answer to request 109 as last received.
UserAircraftState linkUserState;

// What the link's thread keeps for one run, back to its start.
void lf_clearThreadState(simlink::SessionState& session) {
    session.pendingCreations.clear();
    session.justAddedObjects.clear();
    session.userTitle.clear();
    session.userModel.clear();
    session.userStandName.clear();
    // Otherwise the next run's first answer counts as a jump from the old position.
    session.previousPosition.reset();
    session.frameCount = 0;
}
} // namespace

UserAircraftState& gf_linkUserStateLocked() {
    return linkUserState;
}

void gf_resetSessionState() {
    lf_clearThreadState(gf_session());
    std::lock_guard lock(gf_sendQueueMutex());
    linkUserState = UserAircraftState{};
}

} // namespace simlink

namespace {

using Lock = std::lock_guard<ksb::RankedMutex>;
using simlink::gf_session;
using simlink::simHandle;

std::atomic<bool> threadRunning{false};

constexpr std::size_t kTitleLength = 48;
constexpr double kTeleportNm = 10.0;
constexpr double kNearUserAglFeet = 2500.0;
constexpr int kFrameRateSample = 30;

void lf_redraw() {
    gf_invalidate(kStatusRegion);
}

void lf_post(std::uint32_t objectId, std::uint32_t keyOrOnGround, SimInboundKind kind,
             double value1 = 0.0, double value2 = 0.0) {
    gf_postSimEvent(SimInboundRecord{objectId, keyOrOnGround, 0, kind, value1, value2});
}

bool lf_asciiNameChar(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ' ||
           (c >= '\t' && c <= '\r');
}

bool lf_contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::int64_t lf_daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// -- Set-up and close ------------------------------------------------------------------------

struct DatumSpec {
    std::uint32_t definition;
    const char* name;
    const char* units;
    std::uint32_t type;
};

constexpr std::uint32_t kF64 = SIMCONNECT_DATATYPE_FLOAT64;
constexpr std::uint32_t kI64 = SIMCONNECT_DATATYPE_INT64;
constexpr std::uint32_t kS32 = SIMCONNECT_DATATYPE_STRING32;
constexpr std::uint32_t kSV = SIMCONNECT_DATATYPE_STRINGV;

constexpr DatumSpec kDefinitionsBeforeEvents[] = {
    {simid::kDefUserTitle, "TITLE", "", kSV},
    {simid::kDefUserModel, "ATC MODEL", "", kS32},
    {simid::kDefUserOnGround, "SIM ON GROUND", "Bool", kI64},
    {simid::kDefAiPosition, "Plane Latitude", "degree", kF64},
    {simid::kDefAiPosition, "Plane Longitude", "degree", kF64},
    {simid::kDefAiPosition, "Plane Pitch degrees", "radians", kF64},
    {simid::kDefAiPosition, "Plane Bank degrees", "radians", kF64},
    {simid::kDefAiPosition, "Plane Heading degrees true", "radians", kF64},
    {simid::kDefAiPosition, "Plane Altitude", "feet", kF64},
    {simid::kDefAiPosition, "Vertical Speed", "feet per second", kF64},
    {simid::kDefAiPosition, "Airspeed True", "knots", kF64},
    {simid::kDefUserState, "Plane Latitude", "degree", kF64},
    {simid::kDefUserState, "Plane Longitude", "degree", kF64},
    {simid::kDefUserState, "Plane Pitch degrees", "radians", kF64},
    {simid::kDefUserState, "Plane Bank degrees", "radians", kF64},
    {simid::kDefUserState, "Plane Heading degrees true", "radians", kF64},
    {simid::kDefUserState, "Plane Altitude", "feet", kF64},
    {simid::kDefUserState, "Plane Alt Above Ground", "feet", kF64},
    {simid::kDefUserState, "Ground Velocity", "knots", kF64},
    {simid::kDefUserState, "ZULU TIME", "Seconds", kI64},
    {simid::kDefUserState, "ZULU DAY OF YEAR", "Number", kI64},
    {simid::kDefUserState, "ZULU YEAR", "Number", kI64},
    {simid::kDefUserState, "LIGHT STATES", "Mask", kI64},
    {simid::kDefStaticCg, "Static CG to Ground", "feet", kF64},
    {simid::kDefStaticCg, "Static Pitch", "radians", kF64},
    {simid::kDefLightOnStates, "Light On States", "Mask", kI64},
    {simid::kDefNearUser, "Plane Alt Above Ground", "feet", kF64},
    {simid::kDefNearUser, "Ground Altitude", "feet", kF64},
    {simid::kDefNearUser, "SIM ON GROUND", "Bool", kI64},
    {simid::kDefNearUser, "ATC ID", "", kS32},
};

constexpr DatumSpec kDefinitionsAfterEvents[] = {
    {simid::kDefThrottleSpoilers, "SPOILERS HANDLE POSITION", "percent", kF64},
    {simid::kDefThrottleSpoilers, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", kF64},
    {simid::kDefThrottleSpoilers, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", kF64},
};

struct NamedId {
    std::uint32_t id;
    const char* name;
};

constexpr NamedId kSystemEvents[] = {
    {simid::kEventSim, "Sim"},
    {simid::kEventObjectAdded, "ObjectAdded"},
    {simid::kEventObjectRemoved, "ObjectRemoved"},
    {simid::kEventPositionChanged, "PositionChanged"},
    {simid::kEventFlightLoaded, "FlightLoaded"},
    {simid::kEventFrame, "Frame"},
};

constexpr NamedId kClientEvents[] = {
    {simid::kGearSet, "GEAR_SET"},
    {simid::kEngineAutoStart, "ENGINE_AUTO_START"},
    {simid::kEngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
    {simid::kThrottleSet, "THROTTLE_SET"},
    {simid::kFlapsSet, "FLAPS_SET"},
    {simid::kSpoilersSet, "SPOILERS_SET"},
    {simid::kNavLightsSet, "NAV_LIGHTS_SET"},
    {simid::kBeaconLightsSet, "BEACON_LIGHTS_SET"},
    {simid::kLandingLightsSet, "LANDING_LIGHTS_SET"},
    {simid::kTaxiLightsSet, "TAXI_LIGHTS_SET"},
    {simid::kStrobesSet, "STROBES_SET"},
    {simid::kLogoLightsSet, "LOGO_LIGHTS_SET"},
    {simid::kCabinLightsSet, "CABIN_LIGHTS_SET"},
    {simid::kAllLightsToggle, "ALL_LIGHTS_TOGGLE"},
    {simid::kFreezeLatLonSet, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {simid::kFreezeAltitudeSet, "FREEZE_ALTITUDE_SET"},
    {simid::kFreezeAttitudeSet, "FREEZE_ATTITUDE_SET"},
};

constexpr std::uint32_t kGroupEvents[] = {
    simid::kNavLightsSet,     simid::kBeaconLightsSet, simid::kLandingLightsSet,
    simid::kTaxiLightsSet,    simid::kStrobesSet,      simid::kLogoLightsSet,
    simid::kCabinLightsSet,   simid::kAllLightsToggle, simid::kFlapsSet,
    simid::kSpoilersSet,      simid::kGearSet,         simid::kEngineAutoShutdown,
    simid::kThrottleSet,      simid::kFreezeLatLonSet, simid::kFreezeAltitudeSet,
    simid::kFreezeAttitudeSet};

void lf_addDatums(SimConnectHandle* handle, std::span<const DatumSpec> datums) {
    for (const DatumSpec& datum : datums) {
        SimConnect_AddToDataDefinition(handle, datum.definition, datum.name, datum.units,
                                       datum.type, 0.0f, 0xFFFFFFFF);
    }
}

void lf_setupSimConnect(SimConnectHandle* handle) {
    Lock lock(gf_sendQueueMutex());
    for (const NamedId& event : kSystemEvents) {
        SimConnect_SubscribeToSystemEvent(handle, event.id, event.name);
    }
    lf_addDatums(handle, kDefinitionsBeforeEvents);
    for (const NamedId& event : kClientEvents) {
        SimConnect_MapClientEventToSimEvent(handle, event.id, event.name);
    }
    lf_addDatums(handle, kDefinitionsAfterEvents);
    for (const std::uint32_t event : kGroupEvents) {
        SimConnect_AddClientEventToNotificationGroup(handle, simid::kGroup, event, true);
    }
    SimConnect_SetNotificationGroupPriority(handle, simid::kGroup, 1);
}

// Clears the definitions, unsubscribes and closes the handle; false when the close failed.
bool lf_closeHandle(SimConnectHandle* handle) {
    for (const std::uint32_t definition :
         {simid::kDefUserTitle, simid::kDefUserModel, simid::kDefUserOnGround,
          simid::kDefAiPosition, simid::kDefUserState, simid::kDefThrottleSpoilers,
          simid::kDefNearUser, simid::kDefStaticCg, simid::kDefLightOnStates}) {
        SimConnect_ClearDataDefinition(handle, definition);
    }
    for (std::uint32_t event = simid::kEventSim; event <= simid::kEventFlightLoaded; ++event) {
        SimConnect_UnsubscribeFromSystemEvent(handle, event);
    }
    return SimConnect_Close(handle) == kScOk;
}

void lf_closeSimConnect() {
    mainWindow.simConnected = false;
    lf_redraw();
    bool closed = true;
    {
        Lock lock(gf_sendQueueMutex());
        if (SimConnectHandle* handle = simHandle.exchange(nullptr)) {
            closed = lf_closeHandle(handle);
        }
    }
    if (!closed) {
        gf_logLine("SimConnect close failed!");
    }
    if (exitInProgress.load() == 0) {
        gf_log(fmt::format("{} Flight Simulator no longer connected, {} will stop ...",
                           gf_utcClockText(), "KSBY_P3D"));
        gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);
    }
}

// -- Handlers ----------------------------------------------------------------------------------

void lf_onOpen(const sc::RecvOpen& open) {
    std::string name;
    for (const char c : open.applicationName) {
        if (lf_asciiNameChar(static_cast<unsigned char>(c))) {
            name += c;
        }
    }
    if (name.empty()) {
        gf_log("! Simulator name empty?");
        return;
    }
    mainWindow.simConnected = true;
    lf_redraw();
    if (name == "KittyHawk" || name == "SunRise") {
        throw ksb::UserErrorException(78, name + ", (MSFS) not being P3D connects ... ?");
    }
    const std::string simText = fmt::format("{} ({}.{}.{}.{})", name, open.applicationVersionMajor,
                                            open.applicationVersionMinor,
                                            open.applicationBuildMajor, open.applicationBuildMinor);
    gf_log(simText + " connected ");
    mainWindow.setText(WindowText::simulatorText, simText, kStatusRegion);
    const std::string path = SIM_INSTALL_PATH.value();
    // The version copied at the start of the run; the setting itself before the first copy.
    const std::int32_t version = simVersion.load() != 0 ? simVersion.load() : P3D_VERSION.value();
    const bool accepted = (lf_contains(simText, "v5") &&
                           (lf_contains(path, "v5") || lf_contains(path, "V5") || version == 5)) ||
                          (lf_contains(simText, "v6") &&
                           (lf_contains(path, "v6") || lf_contains(path, "V6") || version == 6));
    if (!accepted) {
        gf_enableWindow(SIM_INSTALL_PATH);
        throw ksb::UserErrorException(
            78, fmt::format("wrong P3D version \"{}\" connects ... ?", simText));
    }
    gf_clearMessage();
}

bool lf_linkPositionUnknown() {
    Lock lock(gf_sendQueueMutex());
    const UserAircraftState& state = simlink::gf_linkUserStateLocked();
    return gf_userPositionUnknown(state.latitude, state.longitude);
}

void lf_onException(const sc::RecvException& exception) {
    switch (exception.exception) {
    case 3:
        if (!lf_linkPositionUnknown()) {
            gf_logLine("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID");
        }
        return;
    case 5:
        throw ksb::UserErrorException(
            95, fmt::format("Simconnect Version Mismatch, dwindex: {} ", exception.index));
    case 11:
        gf_showMessage("SimConnect: too many objects (max 1000)", true);
        return;
    case 19:
        gf_log("SIMCON EXCEP 19");
        return;
    case 22: {
        auto& pending = gf_session().pendingCreations;
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (pending[i].sendId != exception.sendId) {
                continue;
            }
            const std::uint32_t key = pending[i].flightKey;
            pending[i] = std::move(pending.back());
            pending.pop_back();
            if (key != 0) {
                lf_post(0, key, SimInboundKind::creationRefused);
            }
            return;
        }
        return;
    }
    case 23:
        gf_logLine("Simconnect Exception: load flight plan failed");
        return;
    case 24:
        gf_log("SIMCON EXCEP 24");
        return;
    default:
        gf_logLine(fmt::format("SIMCON EXCEP {}", exception.exception));
        return;
    }
}

void lf_onEvent(const sc::RecvEvent& event) {
    switch (event.eventId) {
    case simid::kEventSim:
        flightRunning = event.data == 1;
        mainWindow.flightLoaded = event.data == 1;
        lf_redraw();
        return;
    case simid::kEventPositionChanged:
        gf_logLine("User ac position changed");
        gf_requestExit(ExitReason::RESTART, 30);
        return;
    case simid::kEventFlightLoaded:
        gf_logLine("Flight loaded");
        gf_updateUserStand();
        gf_requestExit(ExitReason::RESTART, 30);
        return;
    default:
        return;
    }
}

void lf_onObjectAddRemove(const sc::RecvObjectAddRemove& message) {
    if (message.objectType != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT) {
        return;
    }
    if (message.eventId == simid::kEventObjectAdded) {
        if (message.objectId > userObjectId.load()) {
            gf_session().justAddedObjects.push_back(message.objectId);
        }
    } else if (message.eventId == simid::kEventObjectRemoved) {
        lf_post(message.objectId, 0, SimInboundKind::objectRemoved);
    }
}

// During an exit no engine adopts objects any more, so the link looks for the objects of its
// creations under way itself, once a frame, and the answers queue their removals.
void lf_askForCreationsUnderWay() {
    const simlink::SessionState& session = gf_session();
    if (exitInProgress.load() == 0 ||
        (session.pendingCreations.empty() && session.justAddedObjects.empty())) {
        return;
    }
    if (!gf_requestAircraftInRange(static_cast<double>(injectionRadiusMetres.load()))) {
        gf_logLine("SimConnect request ac within range fails");
        lf_countRequestError();
    }
}

void lf_onFrame(const sc::RecvFrame& frame) {
    lf_processSendQueues();
    lf_askForCreationsUnderWay();
    int& count = gf_session().frameCount;
    if (++count >= kFrameRateSample) {
        count = 0;
        simFrameRate = frame.frameRate;
    }
}

void lf_onUserTitle(std::string_view text) {
    if (text.empty()) {
        gf_log("! title of your ac is empty?");
        return;
    }
    const std::string title(text.substr(0, kTitleLength));
    std::string& stored = gf_session().userTitle;
    if (title != stored) {
        mainWindow.setText(WindowText::userTitle, title, kStatusRegion);
        stored = title;
        gf_logContinue("SimConnect: User aircraft title: " + title);
    }
}

// The type code inside "...<type>.0.text": the last four, three or two characters that the
// database has a wing span of; else the model as it stands.
std::string lf_typeOfModel(const std::string& model) {
    const std::size_t marker = model.find(".0.text");
    if (marker == std::string::npos) {
        return model;
    }
    const std::string head = model.substr(0, marker);
    if (head.size() < 4) {
        throw ksb::UserErrorException(
            73, "It looks like you have not selected an aircraft as user vehicle");
    }
    for (const std::size_t length : {4u, 3u, 2u}) {
        std::string type = head.substr(head.size() - length);
        if (gf_hasWingspan(type)) {
            return type;
        }
    }
    return model;
}

void lf_onUserModel(std::string_view text) {
    if (text.empty()) {
        throw ksb::UserErrorException(
            71, "atc_model= in [General] section of your aircraft.cfg is empty or missing");
    }
    std::string model = lf_typeOfModel(std::string(text));
    gf_session().userModel = model;
    std::string line = "SimConnect: User aircraft model: " + model;
    if (lf_contains(model, "camerapod") || lf_contains(model, "Crew Vessel")) {
        mainWindow.userRecognised = true;
        userHalfWingSpan = gf_wingspanOfType("E190");
        userCategory = static_cast<std::int32_t>(AircraftCategory::light);
        lf_redraw();
        gf_logContinue(line);
        return;
    }
    const double largest = aircraftDatabase.maxHalfSpanNm;
    double halfSpan = model.size() <= 4 ? gf_wingspanOfType(model) : largest;
    if (halfSpan != largest) {
        mainWindow.userRecognised = true;
    } else {
        const std::string& title = gf_session().userTitle;
        double deduced = 0.0;
        for (const char* known : {"A319", "A320", "A321"}) {
            if (title.rfind(std::string("Aerosoft ") + known, 0) == 0) {
                model = known;
                gf_log("SimConnect: User aircraft model deduced from title: " + model);
                deduced = gf_wingspanOfType(model);
                break;
            }
        }
        if (deduced != 0.0) {
            halfSpan = deduced;
            mainWindow.userRecognised = true;
        } else {
            gf_showMessage(
                "User aircraft wing span unknown, max is taken instead, please report in my Forum!",
                true);
            mainWindow.userRecognised = false;
        }
    }
    userHalfWingSpan = halfSpan;
    userCategory = gf_typeCategory(model);
    lf_redraw();
    line += fmt::format(", half wing span: {:.1f} meter", halfSpan * 1852.0);
    line += fmt::format(", category: {}", gf_categoryName(userCategory.load()));
    gf_logContinue(line);
}

void lf_onUserOnGround(std::int64_t onGround) {
    if (!lf_linkPositionUnknown()) {
        userOnGround = static_cast<std::uint32_t>(onGround) != 0;
        userOnGroundKnown = true;
    }
    secondTick = true;
}

void lf_showUserStand(const std::string& stand) {
    std::string& shown = gf_session().userStandName;
    if (!stand.empty() && stand != shown) {
        mainWindow.setText(WindowText::userStand, stand, kStatusRegion);
    } else if (stand.empty() && !shown.empty()) {
        mainWindow.setText(WindowText::userStand, "", kStatusRegion);
    }
    shown = stand;
}

void lf_onUserState(std::uint32_t objectId, const UserAircraftState& answer) {
    UserAircraftState state = answer;
    if (state.altitude < 0.0) {
        state.altitude = 0.0;
    }
    {
        Lock lock(gf_sendQueueMutex());
        simlink::gf_linkUserStateLocked() = state;
    }
    auto& previous = gf_session().previousPosition;
    const Position now{state.latitude, state.longitude};
    if (previous && !gf_userPositionUnknown(previous->latitude, previous->longitude) &&
        gf_distanceNM(*previous, now) > kTeleportNm) {
        gf_log("Teleport");
        gf_requestExit(ExitReason::RESTART, 30);
    }
    previous = now;
    {
        // The engine may hold the traffic mutex for a whole tick; this answer's stand can wait.
        std::unique_lock traffic(trafficState.trafficMutex, std::try_to_lock);
        if (traffic.owns_lock()) {
            const std::string stand = gf_standNameAt(state.latitude, state.longitude);
            traffic.unlock();
            lf_showUserStand(stand);
        }
    }
    const std::int64_t days = lf_daysFromCivil(state.zuluYear, 1, 1) + state.zuluDayOfYear - 1;
    simUtcSeconds = days * 86400 + state.zuluTime;
    userObjectId = objectId;
}

void lf_onSimObjectData(sc::RecvObjectData data) {
    switch (data.requestId) {
    case simid::kRequestStaticCg: {
        const double cg = data.data.float64();
        const double pitch = data.data.float64();
        lf_post(data.objectId, 0, SimInboundKind::restingAttitude, cg, pitch);
        return;
    }
    case simid::kRequestUserTitle:
        lf_onUserTitle(data.data.stringV());
        return;
    case simid::kRequestUserModel:
        lf_onUserModel(data.data.string32());
        return;
    case simid::kRequestUserOnGround:
        lf_onUserOnGround(data.data.int64());
        return;
    case simid::kRequestUserState: {
        UserAircraftState state;
        state.latitude = data.data.float64();
        state.longitude = data.data.float64();
        state.pitch = data.data.float64();
        state.bank = data.data.float64();
        state.trueHeading = data.data.float64();
        state.altitude = data.data.float64();
        state.altitudeAboveGround = data.data.float64();
        state.groundVelocity = data.data.float64();
        state.zuluTime = data.data.int64();
        state.zuluDayOfYear = data.data.int64();
        state.zuluYear = data.data.int64();
        state.lightStates = data.data.int64();
        lf_onUserState(data.objectId, state);
        return;
    }
    default:
        return;
    }
}

void lf_onSimObjectDataByType(sc::RecvObjectData data) {
    if (data.requestId != simid::kRequestNearUser || data.objectId <= userObjectId.load()) {
        return;
    }
    const double agl = data.data.float64();
    const double groundAltitude = data.data.float64();
    const std::int64_t onGround = data.data.int64();
    const std::string atcId(data.data.string32());
    auto& justAdded = gf_session().justAddedObjects;
    for (std::size_t i = 0; i < justAdded.size(); ++i) {
        if (justAdded[i] != data.objectId) {
            continue;
        }
        justAdded[i] = justAdded.back();
        justAdded.pop_back();
        const std::uint32_t key = lf_takePendingCreation(atcId);
        if (key == 0) {
            gf_logLine(fmt::format("just created, but not by {}, oid: {}, callsign \"{}\" unknown",
                                   "KSBY_P3D", data.objectId, atcId));
            return;
        }
        if (exitInProgress.load() != 0) {
            // No engine will start it now; it leaves with the exit's removals.
            gf_queueRemoveAiAircraft(data.objectId);
            return;
        }
        gf_freezeAiAircraft(data.objectId);
        const bool parked = key <= 10000;
        lf_post(data.objectId, key,
                parked ? SimInboundKind::staticAdded : SimInboundKind::liveAdded, 0.0,
                parked ? 0.0 : agl);
        return;
    }
    if (agl <= kNearUserAglFeet && (atcId.empty() || atcId.back() != '*')) {
        lf_post(data.objectId, static_cast<std::uint32_t>(onGround),
                SimInboundKind::aircraftNearUser, groundAltitude, agl);
    }
}

void lf_handle(std::uint32_t id, std::span<const std::uint8_t> bytes) {
    switch (id) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
        lf_onException(sc::readException(bytes));
        return;
    case SIMCONNECT_RECV_ID_OPEN:
        lf_onOpen(sc::readOpen(bytes));
        return;
    case SIMCONNECT_RECV_ID_QUIT:
        flightRunning = false;
        return;
    case SIMCONNECT_RECV_ID_EVENT:
        lf_onEvent(sc::readEvent(bytes));
        return;
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
        lf_onObjectAddRemove(sc::readObjectAddRemove(bytes));
        return;
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        gf_logLine("New file loaded");
        gf_updateUserStand();
        gf_requestExit(ExitReason::RESTART, 30);
        return;
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        lf_onFrame(sc::readFrame(bytes));
        return;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        lf_onSimObjectData(sc::readObjectData(bytes));
        return;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        lf_onSimObjectDataByType(sc::readObjectData(bytes));
        return;
    case 12:
    case 16:
        return;
    default:
        gf_log(fmt::format("! Unknown Dispatch dwID {}", id));
        return;
    }
}

// -- The thread --------------------------------------------------------------------------------

// Polls until the token, or until the run generation moved on while no exit runs (an exit still
// needs frames for its removals and ends the thread through the token). True when the connection
// failed.
bool lf_poll(SimConnectHandle* handle, const std::stop_token& stop, std::uint64_t generation) {
    const auto over = [&] {
        return stop.stop_requested() ||
               (runGeneration.load() != generation && exitInProgress.load() == 0);
    };
    while (!over()) {
        const auto before = ksb::gf_clock().steadyNow();
        if (SimConnect_CallDispatch(handle, &lf_dispatch, nullptr) != kScOk) {
            return true;
        }
        ksb::gf_clock().sleepUntil(before + 1ms, over);
    }
    return false;
}

void lf_runSession(const std::stop_token& stop, std::uint64_t generation) {
    const auto ended = [&] { return stop.stop_requested() || gf_runShouldEnd(generation); };
    bool first = true;
    while (!ended()) {
        if (first) {
            first = false;
            gf_showMessage("Waiting for Prepar3Dv" + gf_simVersionFromInstallPath() + " ...", true);
            gf_flushLog();
            lf_redraw();
        }
        SimConnectHandle* handle = nullptr;
        if (SimConnect_Open(&handle, "KSBY_P3D", nullptr, 0, nullptr, 0) != kScOk ||
            handle == nullptr) {
            ksb::gf_sleepFor(1s, ended);
            continue;
        }
        {
            Lock lock(gf_sendQueueMutex());
            simHandle = handle;
        }
        lf_setupSimConnect(handle);
        // The timer resolution needs no raising here.
        if (lf_poll(handle, stop, generation)) {
            // A closed simulator would otherwise leave the program waiting for frames for ever.
            flightRunning = false;
            lf_closeSimConnect();
            return;
        }
        // The connection stays open: an object id that arrived in the last frame still leaves.
        gf_sendQueuedRemovals();
    }
}

void lf_closeAfterException() {
    flightRunning = false;
    try {
        lf_closeSimConnect();
    } catch (...) {
        // The thread ends anyway.
    }
}

} // namespace

void gf_simConnectThread(std::stop_token stop, std::uint64_t generation) {
    threadRunning = true;
    // The Open retry and the poll sleep on the core's clock; a stop must not wait them out.
    const std::stop_callback wake(stop, [] { ksb::gf_wakeSleepers(); });
    try {
        lf_runSession(stop, generation);
    } catch (const ksb::UserErrorException& e) {
        gf_showError(e.what());
    } catch (const std::exception& e) {
        gf_showError(e.what());
        lf_closeAfterException();
    } catch (...) {
        gf_showError(fmt::format("Exception in {}", "SimClient"));
        lf_closeAfterException();
    }
    try {
        gf_updateUserStand();
    } catch (...) {
        gf_reportException("SimClient");
    }
    threadRunning = false;
    --activeWorkers;
}

void lf_dispatch(const std::uint8_t* message, std::uint32_t size, void*) {
    const std::span<const std::uint8_t> bytes(message, size);
    std::uint32_t id = 0;
    if (size >= 12) {
        ksb::ByteCursor cursor(bytes);
        cursor.skip(8);
        id = cursor.u32();
    }
    try {
        lf_handle(id, bytes);
    } catch (const ksb::ByteReadError&) {
        gf_log(fmt::format("! SimConnect message id {} too short ({} bytes), ignored", id, size));
    }
}

UserAircraftState gf_requestUserPosition() {
    Lock lock(gf_sendQueueMutex());
    SimConnectHandle* handle = simHandle.load();
    if (!simRequestError.load() && handle != nullptr) {
        if (SimConnect_RequestDataOnSimObject(handle, simid::kRequestUserState,
                                              simid::kDefUserState, SIMCONNECT_OBJECT_ID_USER,
                                              SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0) != kScOk) {
            gf_logLine("SimConnect request user ac position fails");
            lf_countRequestError();
        }
    }
    return simlink::gf_linkUserStateLocked();
}

void gf_requestUserTitleAndModel() {
    Lock lock(gf_sendQueueMutex());
    SimConnectHandle* handle = simHandle.load();
    if (handle == nullptr) {
        return;
    }
    if (SimConnect_RequestDataOnSimObject(handle, simid::kRequestUserTitle, simid::kDefUserTitle,
                                          SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE, 0, 0,
                                          0, 0) != kScOk) {
        gf_logLine("SimConnect request user ac title fails");
        lf_countRequestError();
    }
    if (SimConnect_RequestDataOnSimObject(handle, simid::kRequestUserModel, simid::kDefUserModel,
                                          SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE, 0, 0,
                                          0, 0) != kScOk) {
        gf_logLine("SimConnect reques user ac model fails");
        lf_countRequestError();
    }
}

bool gf_requestOnGroundData() {
    return gf_withSimConnect([](SimConnectHandle* handle) {
               return SimConnect_RequestDataOnSimObject(
                   handle, simid::kRequestUserOnGround, simid::kDefUserOnGround,
                   SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND, 0, 0, 0, 0);
           }) == kScOk;
}

bool gf_requestAircraftInRange(double metres) {
    // The radius comes from a clamped setting; still, never convert a value the request's
    // unsigned field cannot hold.
    const std::uint32_t radius =
        metres > 0.0 ? static_cast<std::uint32_t>(std::min(metres, 4294967295.0)) : 0u;
    return gf_withSimConnect([radius](SimConnectHandle* handle) {
               return SimConnect_RequestDataOnSimObjectType(handle, simid::kRequestNearUser,
                                                            simid::kDefNearUser, radius,
                                                            SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
           }) == kScOk;
}

bool gf_requestStaticCg(std::uint32_t objectId) {
    return gf_withSimConnect([objectId](SimConnectHandle* handle) {
               return SimConnect_RequestDataOnSimObject(handle, simid::kRequestStaticCg,
                                                        simid::kDefStaticCg, objectId,
                                                        SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0);
           }) == kScOk;
}

bool gf_sendAllLightsToggle(std::uint32_t objectId) {
    return gf_withSimConnect([objectId](SimConnectHandle* handle) {
               return SimConnect_TransmitClientEvent(handle, objectId, simid::kAllLightsToggle, 0,
                                                     simid::kGroup, 0);
           }) == kScOk;
}

bool gf_setAiFlightPlan(std::uint32_t objectId, const std::string& path) {
    return gf_withSimConnect([&](SimConnectHandle* handle) {
               return SimConnect_AISetAircraftFlightPlan(handle, objectId, path.c_str(),
                                                         simid::kRequestFlightPlan);
           }) == kScOk;
}

bool gf_setSpoilersAndThrottles(std::uint32_t objectId, double spoilers, double throttle1,
                                double throttle2) {
    const double values[3] = {spoilers, throttle1, throttle2};
    return gf_withSimConnect([&](SimConnectHandle* handle) {
               return SimConnect_SetDataOnSimObject(handle, simid::kDefThrottleSpoilers, objectId,
                                                    0, 0, sizeof(values), values);
           }) == kScOk;
}

void lf_countRequestError() {
    const std::int32_t count = ++simRequestErrorCount;
    if (count >= 3) {
        gf_showMessage(fmt::format("SimConnect request error {}, see Log.txt", count), true);
        simRequestError = true;
        gf_requestExit(ExitReason::RESTART, 10);
    }
}

void gf_clearSimRequestError() {
    simRequestError = false;
}

void gf_updateUserStand() {
    if (!gf_userStandsStill()) {
        return;
    }
    const UserAircraftState state = gf_userState();
    std::lock_guard traffic(trafficState.trafficMutex);
    const std::string stand = gf_standNameAt(state.latitude, state.longitude);
    if (stand.empty() || trafficState.parkAirports.empty()) {
        return;
    }
    ParkAirport& first = trafficState.parkAirports.front();
    if (first.name == trafficState.parkAirport.code && first.reservedStand != stand) {
        first.reservedStand = stand;
        gf_writeParkAirports();
    }
}

std::uint32_t lf_takePendingCreation(std::string_view atcId) {
    auto& pending = gf_session().pendingCreations;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i].callsign == atcId) {
            const std::uint32_t key = pending[i].flightKey;
            pending[i] = std::move(pending.back());
            pending.pop_back();
            return key;
        }
    }
    return 0;
}

void gf_linkRestartReset() {
    // The exit waits for the workers before its resets, so the thread has ended here.
    const bool running = threadRunning.load();
    assert(!running);
    userOnGroundKnown = false;
    mainWindow.userRecognised = false;
    flightRunning = false;
    SimConnectHandle* forgotten = nullptr;
    {
        Lock lock(gf_sendQueueMutex());
        if (!running) {
            forgotten = simHandle.exchange(nullptr);
        }
        simlink::gf_emptySendQueuesLocked();
        simlink::gf_linkUserStateLocked() = UserAircraftState{};
    }
    userObjectId = kUserObjectIdAtStart;
    simRequestErrorCount = 0;
    if (running) {
        return;
    }
    simlink::lf_clearThreadState(gf_session());
    // A thread stopped by its token leaves its connection open.
    if (forgotten != nullptr) {
        SimConnect_Close(forgotten);
    }
}

UserAircraftView gf_userAircraftView() {
    UserAircraftView view;
    {
        Lock lock(gf_sendQueueMutex());
        view.state = simlink::gf_linkUserStateLocked();
    }
    view.onGround = userOnGround.load();
    view.standsStill = gf_userStandsStill();
    view.halfWingSpan = userHalfWingSpan.load();
    return view;
}

void gf_setSimHandleForTests(SimConnectHandle* handle) {
    Lock lock(gf_sendQueueMutex());
    simHandle = handle;
}

SimConnectHandle* gf_simHandle() {
    return simHandle.load();
}

std::vector<PendingCreation> gf_pendingCreations() {
    return gf_session().pendingCreations;
}

std::vector<std::uint32_t> gf_justAddedObjects() {
    return gf_session().justAddedObjects;
}

std::string gf_userTitle() {
    return gf_session().userTitle;
}

std::string gf_userModel() {
    return gf_session().userModel;
}

std::string gf_userStandName() {
    return gf_session().userStandName;
}

std::optional<UserAircraftState> gf_previousUserPosition() {
    const auto& previous = gf_session().previousPosition;
    if (!previous) {
        return std::nullopt;
    }
    UserAircraftState state;
    state.latitude = previous->latitude;
    state.longitude = previous->longitude;
    return state;
}

bool gf_simConnectThreadRunning() {
    return threadRunning.load();
}

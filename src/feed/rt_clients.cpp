#include "feed/rt_clients.h"

#include "core/globals.h"
#include "feed/feed_services.h"
#include "feed/rt_readers.h"
#include "feed/rt_request.h"

#include <algorithm>
#include <mutex>
#include <utility>

ksb::RtWeatherClient rtWeatherClient;
ksb::RtTrafficClient rtTrafficClient;
std::string rtLicense;
std::string lastBlockedCallsign;

namespace ksb {

namespace {
// Room for a typical batch, so that a poll needs no reallocation.
constexpr std::size_t kLiveRecordsReserved = 384;
} // namespace

std::string RtApiClient::guid() const {
    std::lock_guard lock(guidMutex_);
    return guid_;
}

void RtApiClient::setGuid(std::string guid) {
    std::lock_guard lock(guidMutex_);
    guid_ = std::move(guid);
}

void RtApiClient::reset() {
    setGuid({});
    toffset.store(0);
    stopFlag.store(false);
}

void RtWeatherClient::resetToStart() {
    reset();
    rrl.store(2000);
    wrrl.store(2000);
    weatherCellShown.store(true);
    nearestStation.clear();
    lastQnh.store(1013);
    weatherReceived.store(false);
}

RtTrafficClient::RtTrafficClient() {
    liveRecords.reserve(kLiveRecordsReserved);
}

void RtTrafficClient::resetToStart() {
    reset();
    rrl.store(2000);
    wrrl.store(2000);
    trafficCellShown.store(true);
    parkedRecords.clear();
    parkedQueryBox = QueryBox{};
    parkedRecord = ParkedFlight{};
    liveRecord = LiveFlight{};
    liveRecords.clear();
    qnh.store(1013);
    recordCount.store(0);
    collectFlag.store(false);
    blockFlag.store(true);
    setReferencePosition(0.0, 0.0);
    setParkElevation(std::nullopt);
    setLiveBox(LiveBoxState{});
    clearCollected();
}

Position RtTrafficClient::referencePosition() const {
    std::lock_guard lock(positionMutex_);
    return reference_;
}

void RtTrafficClient::setReferencePosition(double latitude, double longitude) {
    std::lock_guard lock(positionMutex_);
    reference_ = Position{latitude, longitude};
}

std::optional<double> RtTrafficClient::parkElevation() const {
    std::lock_guard lock(positionMutex_);
    return parkElevation_;
}

void RtTrafficClient::setParkElevation(std::optional<double> feet) {
    std::lock_guard lock(positionMutex_);
    parkElevation_ = feet;
}

LiveBoxState RtTrafficClient::liveBox() const {
    std::lock_guard lock(boxMutex_);
    return liveBox_;
}

void RtTrafficClient::setLiveBox(const LiveBoxState& state) {
    std::lock_guard lock(boxMutex_);
    liveBox_ = state;
}

void RtTrafficClient::updateLiveBox(const std::function<void(LiveBoxState&)>& change) {
    std::lock_guard lock(boxMutex_);
    change(liveBox_);
}

void RtTrafficClient::collect(const std::string& callsign, std::uint32_t flightId) {
    std::lock_guard lock(collectedMutex_);
    if (!callsign.empty()) {
        collectedCallsigns_.insert(callsign);
    }
    collectedFlightIds_.insert(flightId);
}

void RtTrafficClient::takeCollected(std::set<std::string>& callsigns,
                                    std::set<std::uint32_t>& flightIds) {
    std::lock_guard lock(collectedMutex_);
    callsigns = std::move(collectedCallsigns_);
    flightIds = std::move(collectedFlightIds_);
    collectedCallsigns_.clear();
    collectedFlightIds_.clear();
}

std::set<std::string> RtTrafficClient::collectedCallsigns() const {
    std::lock_guard lock(collectedMutex_);
    return collectedCallsigns_;
}

std::set<std::uint32_t> RtTrafficClient::collectedFlightIds() const {
    std::lock_guard lock(collectedMutex_);
    return collectedFlightIds_;
}

void RtTrafficClient::clearCollected() {
    std::lock_guard lock(collectedMutex_);
    collectedCallsigns_.clear();
    collectedFlightIds_.clear();
}

} // namespace ksb

void gf_resetFeedGlobals() {
    // Nothing may run on the clients while they are reset.
    gf_rtResetReaders();
    rtWeatherClient.resetToStart();
    rtTrafficClient.resetToStart();
    rtLicense.clear();
    lastBlockedCallsign.clear();
    ksb::gf_resetRtRequestSettings();
    ksb::gf_resetFeedServices();
}

void gf_rtReset() {
    ksb::RtTrafficClient& client = rtTrafficClient;
    client.reset();
    lastFeedTimeStamp.store(0.0);
    // Both sets: stale flight ids would otherwise reach the engine after a restart.
    client.collectFlag.store(false);
    client.clearCollected();
    client.liveRecords.clear();
    client.liveRecord = LiveFlight{};
    client.recordCount.store(0);
    client.setParkElevation(std::nullopt);
    client.qnh.store(1013);
    client.trafficCellShown.store(true);
    client.blockFlag.store(true);
    client.setLiveBox(ksb::LiveBoxState{});
    client.setGuid({});
}

void gf_rtResetWeather() {
    ksb::RtWeatherClient& client = rtWeatherClient;
    client.reset();
    client.lastQnh.store(1013);
    client.weatherReceived.store(false);
    client.weatherCellShown.store(true);
    client.nearestStation.clear();
}

bool gf_rtHasLicense() {
    return !rtLicense.empty();
}

bool gf_rtLoggedIn() {
    return !rtTrafficClient.guid().empty();
}

void gf_rtSetTimeOffset(int minutes) {
    const std::int32_t clamped = std::clamp(minutes, 0, 40320);
    rtWeatherClient.toffset.store(clamped);
    rtTrafficClient.toffset.store(clamped);
}

void gf_rtSetCollectFlag() {
    rtTrafficClient.collectFlag.store(true);
}

void gf_rtSetReferencePosition(double latitude, double longitude) {
    rtTrafficClient.setReferencePosition(latitude, longitude);
}

void gf_rtSetParkElevation(std::optional<double> feet) {
    rtTrafficClient.setParkElevation(feet);
}

void gf_rtTakeSeenFlights(std::set<std::string>& callsigns, std::set<std::uint32_t>& flightIds) {
    rtTrafficClient.collectFlag.exchange(false);
    rtTrafficClient.takeCollected(callsigns, flightIds);
}

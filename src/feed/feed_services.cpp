#include "feed/feed_services.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <atomic>
#include <utility>

namespace ksb {

namespace {

FeedServices& lf_services() {
    static FeedServices services = gf_defaultFeedServices();
    return services;
}

template <class Member> void lf_fill(Member& member, Member& fallback) {
    if (!member) {
        member = std::move(fallback);
    }
}

std::atomic<std::int32_t>& lf_cell(Reader which) {
    return which == Reader::weather ? mainWindow.weatherCell : mainWindow.trafficCell;
}

} // namespace

FeedServices gf_defaultFeedServices() {
    FeedServices s;
    s.showMessage = [](std::string_view text, bool log) { gf_showMessage(text, log); };
    s.setSessionEstablished = [](bool established) {
        mainWindow.sessionEstablished.store(established);
        gf_invalidate(kStatusRegion);
    };
    s.sessionEstablished = [] { return mainWindow.sessionEstablished.load(); };
    s.postSimEvent = [](SimInboundRecord record) { gf_postSimEvent(record); };
    s.parkAirport = [] {
        const auto snapshot = gf_parkAirportState().parkSnapshot.get();
        return snapshot ? ParkAirportSnapshot{snapshot->code, snapshot->latitude,
                                              snapshot->longitude}
                        : ParkAirportSnapshot{};
    };
    // The login and the waits give up when the run ends.
    s.exitRequested = [] { return exitInProgress.load() != 0 || stopRequested.load() != 0; };
    s.runGeneration = [] { return runGeneration.load(); };
    s.takeFeedRecords = [](std::vector<LiveFlight>& batch, int delay) {
        gf_takeFeedRecords(batch, delay);
    };
    s.setEngineQnh = [](std::int32_t qnh) { trafficState.currentQnh.store(qnh); };
    s.setWindowQnh = [](std::int32_t qnh) { mainWindow.qnh.store(qnh); };
    s.setReaderCell = [](Reader which, std::int32_t value) { lf_cell(which).store(value); };
    s.readerCell = [](Reader which) { return lf_cell(which).load(); };
    s.invalidateStatus = [] { gf_invalidate(kStatusRegion); };
    // The program wires the run phase's handler; a reader alone only ends.
    s.readerStopped = [](std::string_view, bool) {};
    s.userPosition = [] {
        const UserAircraftState user = gf_userState();
        return UserPosition{user.latitude, user.longitude, user.altitude};
    };
    s.reservedStandName = [] { return trafficState.reservedStand; };
    s.standNameAt = [](double latitude, double longitude) {
        return gf_standNameAt(latitude, longitude);
    };
    s.registrationVariants = [](const std::string& registration) {
        return gf_registrationVariants(registration);
    };
    s.dbaseLookup = [](std::optional<DbaseRecord>& holder, const std::string& key) {
        return gf_dbaseLookup(holder, key);
    };
    s.isKnownType = [](const std::string& type) { return gf_isKnownType(type); };
    s.typeCategory = [](const std::string& type) { return gf_typeCategory(type); };
    return s;
}

const FeedServices& gf_feedServices() {
    return lf_services();
}

void gf_setFeedServices(FeedServices services) {
    FeedServices d = gf_defaultFeedServices();
    lf_fill(services.showMessage, d.showMessage);
    lf_fill(services.setSessionEstablished, d.setSessionEstablished);
    lf_fill(services.sessionEstablished, d.sessionEstablished);
    lf_fill(services.postSimEvent, d.postSimEvent);
    lf_fill(services.parkAirport, d.parkAirport);
    lf_fill(services.exitRequested, d.exitRequested);
    lf_fill(services.runGeneration, d.runGeneration);
    lf_fill(services.takeFeedRecords, d.takeFeedRecords);
    lf_fill(services.setEngineQnh, d.setEngineQnh);
    lf_fill(services.setWindowQnh, d.setWindowQnh);
    lf_fill(services.setReaderCell, d.setReaderCell);
    lf_fill(services.readerCell, d.readerCell);
    lf_fill(services.invalidateStatus, d.invalidateStatus);
    lf_fill(services.readerStopped, d.readerStopped);
    lf_fill(services.userPosition, d.userPosition);
    lf_fill(services.reservedStandName, d.reservedStandName);
    lf_fill(services.standNameAt, d.standNameAt);
    lf_fill(services.registrationVariants, d.registrationVariants);
    lf_fill(services.dbaseLookup, d.dbaseLookup);
    lf_fill(services.isKnownType, d.isKnownType);
    lf_fill(services.typeCategory, d.typeCategory);
    lf_services() = std::move(services);
}

void gf_resetFeedServices() {
    lf_services() = gf_defaultFeedServices();
}

} // namespace ksb

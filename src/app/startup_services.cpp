#include "app/startup_services.h"

#include "airports/airports.h"
#include "airports/park_airport_services.h"
#include "app/final_exit.h"
#include "app/range_fields.h"
#include "app/run_phase.h"
#include "catalogue/catalogue.h"
#include "catalogue/livery_scan.h"
#include "catalogue/unmatched_flights.h"
#include "core/clock.h"
#include "core/range_fields_hook.h"
#include "core/run_values.h"
#include "feed/feed_services.h"
#include "feed/rt_clients.h"
#include "feed/rt_parked.h"
#include "feed/rt_readers.h"
#include "feed/rt_session.h"
#include "simlink/ai_control.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "simlink/sim_session.h"
#include "simlink/traffic_link_wiring.h"
#include "traffic/traffic_state.h"
#include "updates/updates.h"

#include <mutex>
#include <optional>
#include <vector>

namespace {

StartupServices lf_wiredStartupServices() {
    StartupServices services;
    services.readDbase = gf_readDbase;
    services.readFixesXml = gf_readFixesXml;
    services.scanLiveries = gf_scanLiveries;
    services.updateDbase = gf_updateDbase;
    services.updateAigRegcodes = gf_updateAigRegcodes;
    services.checkProgramVersion = gf_checkProgramVersion;
    services.updateArchive = gf_updateArchive;
    services.archiveFoldersMissing = lf_archiveFoldersMissing;
    services.readAirports = gf_readAirports;
    services.scanAddonAirports = gf_scanAddonAirports;
    services.run = lf_run;
    services.resetParkAirport = gf_resetParkAirport;
    return services;
}

RtServices lf_wiredRtServices() {
    RtServices services;
    services.findRealTrafficLicense = gf_findRealTrafficLicense;
    services.updateQueryBox = gf_rtUpdateQueryBox;
    services.setTimeOffset = gf_rtSetTimeOffset;
    services.hasLicense = gf_rtHasLicense;
    services.authenticate = gf_rtAuthenticate;
    services.loggedIn = gf_rtLoggedIn;
    services.loginGuid = [] { return rtWeatherClient.guid(); };
    services.startWeatherReader = gf_rtStartWeatherReader;
    services.startTrafficReader = gf_rtStartTrafficReader;
    services.setReferencePosition = gf_rtSetReferencePosition;
    services.showStatus = gf_rtShowStatus;
    services.setCollectFlag = gf_rtSetCollectFlag;
    services.stopReaders = gf_rtStopReaders;
    services.deauth = gf_rtDeauth;
    services.reset = gf_rtReset;
    services.resetWeather = gf_rtResetWeather;
    return services;
}

LinkServices lf_wiredLinkServices() {
    LinkServices services;
    services.threadBody = gf_simConnectThread;
    services.clearRequestError = gf_clearSimRequestError;
    services.reserve = gf_reserveLinkCapacities;
    services.requestOnGroundData = gf_requestOnGroundData;
    services.requestUserPosition = gf_requestUserPosition;
    services.requestUserTitleAndModel = gf_requestUserTitleAndModel;
    services.countRequestError = lf_countRequestError;
    services.queueNavLights = [](std::uint32_t objectId, bool on) {
        gf_queueNavLights(objectId, on ? 1u : 0u);
    };
    services.restartReset = gf_linkRestartReset;
    // The caller holds trafficMutex.
    services.releaseAiAircraft = [](std::uint32_t objectId) { gf_releaseAiAircraftById(objectId); };
    services.queueRemoveAiAircraft = gf_queueRemoveAiAircraft;
    services.lockControls = gf_lockControls;
    services.clearPositionQueues = gf_clearPositionQueues;
    return services;
}

CatalogueServices lf_wiredCatalogueServices() {
    CatalogueServices services;
    services.logUnmatched = gf_logUnmatched;
    services.clearNoLiveryFlights = gf_clearNoLiveryFlights;
    services.printLiveryMatchSummary = gf_printLiveryMatchSummary;
    return services;
}

// The engine's calls into the link: the link's own functions, except the user position, which
// goes through the application's link table so that tests faking that table steer it too.
ksb::TrafficLinkServices lf_wiredTrafficLinkServices() {
    ksb::TrafficLinkServices services = gf_trafficLinkServices();
    services.requestUserPosition = [] { return gf_linkServices().requestUserPosition(); };
    return services;
}

ksb::TrafficFeedServices lf_wiredTrafficFeedServices() {
    ksb::TrafficFeedServices services;
    services.takeSeenFlights = gf_rtTakeSeenFlights;
    services.parkedTraffic = []() -> std::optional<std::vector<ParkedFlight>> {
        if (!gf_rtGetParkedTraffic()) {
            return std::nullopt;
        }
        return rtTrafficClient.parkedRecords;
    };
    services.setCollectFlag = gf_rtSetCollectFlag;
    services.loggedIn = gf_rtLoggedIn;
    return services;
}

template <class T> void lf_fill(T& member, const T& wired) {
    if (!member) {
        member = wired;
    }
}

struct Tables {
    StartupServices startup;
    RtServices rt;
    LinkServices link;
    CatalogueServices catalogue;
};

Tables& lf_tables() {
    static Tables tables = [] {
        gf_setRangeFieldsUpdater(lf_updateRangeFields);
        return Tables{lf_wiredStartupServices(), lf_wiredRtServices(), lf_wiredLinkServices(),
                      lf_wiredCatalogueServices()};
    }();
    return tables;
}

} // namespace

const StartupServices& gf_startupServices() {
    return lf_tables().startup;
}

const RtServices& gf_rtServices() {
    return lf_tables().rt;
}

const LinkServices& gf_linkServices() {
    return lf_tables().link;
}

const CatalogueServices& gf_catalogueServices() {
    return lf_tables().catalogue;
}

void gf_setStartupServices(StartupServices services) {
    const StartupServices wired = lf_wiredStartupServices();
    lf_fill(services.readDbase, wired.readDbase);
    lf_fill(services.readFixesXml, wired.readFixesXml);
    lf_fill(services.scanLiveries, wired.scanLiveries);
    lf_fill(services.updateDbase, wired.updateDbase);
    lf_fill(services.updateAigRegcodes, wired.updateAigRegcodes);
    lf_fill(services.checkProgramVersion, wired.checkProgramVersion);
    lf_fill(services.updateArchive, wired.updateArchive);
    lf_fill(services.archiveFoldersMissing, wired.archiveFoldersMissing);
    lf_fill(services.readAirports, wired.readAirports);
    lf_fill(services.scanAddonAirports, wired.scanAddonAirports);
    lf_fill(services.run, wired.run);
    lf_fill(services.resetParkAirport, wired.resetParkAirport);
    lf_tables().startup = std::move(services);
}

void gf_setRtServices(RtServices services) {
    const RtServices wired = lf_wiredRtServices();
    lf_fill(services.findRealTrafficLicense, wired.findRealTrafficLicense);
    lf_fill(services.updateQueryBox, wired.updateQueryBox);
    lf_fill(services.setTimeOffset, wired.setTimeOffset);
    lf_fill(services.hasLicense, wired.hasLicense);
    lf_fill(services.authenticate, wired.authenticate);
    lf_fill(services.loggedIn, wired.loggedIn);
    lf_fill(services.loginGuid, wired.loginGuid);
    lf_fill(services.startWeatherReader, wired.startWeatherReader);
    lf_fill(services.startTrafficReader, wired.startTrafficReader);
    lf_fill(services.setReferencePosition, wired.setReferencePosition);
    lf_fill(services.showStatus, wired.showStatus);
    lf_fill(services.setCollectFlag, wired.setCollectFlag);
    lf_fill(services.stopReaders, wired.stopReaders);
    lf_fill(services.deauth, wired.deauth);
    lf_fill(services.reset, wired.reset);
    lf_fill(services.resetWeather, wired.resetWeather);
    lf_tables().rt = std::move(services);
}

void gf_setLinkServices(LinkServices services) {
    const LinkServices wired = lf_wiredLinkServices();
    lf_fill(services.threadBody, wired.threadBody);
    lf_fill(services.clearRequestError, wired.clearRequestError);
    lf_fill(services.reserve, wired.reserve);
    lf_fill(services.requestOnGroundData, wired.requestOnGroundData);
    lf_fill(services.requestUserPosition, wired.requestUserPosition);
    lf_fill(services.requestUserTitleAndModel, wired.requestUserTitleAndModel);
    lf_fill(services.countRequestError, wired.countRequestError);
    lf_fill(services.queueNavLights, wired.queueNavLights);
    lf_fill(services.restartReset, wired.restartReset);
    lf_fill(services.releaseAiAircraft, wired.releaseAiAircraft);
    lf_fill(services.queueRemoveAiAircraft, wired.queueRemoveAiAircraft);
    lf_fill(services.lockControls, wired.lockControls);
    lf_fill(services.clearPositionQueues, wired.clearPositionQueues);
    lf_tables().link = std::move(services);
}

void gf_setCatalogueServices(CatalogueServices services) {
    const CatalogueServices wired = lf_wiredCatalogueServices();
    lf_fill(services.logUnmatched, wired.logUnmatched);
    lf_fill(services.clearNoLiveryFlights, wired.clearNoLiveryFlights);
    lf_fill(services.printLiveryMatchSummary, wired.printLiveryMatchSummary);
    lf_tables().catalogue = std::move(services);
}

void gf_wireStartupServices() {
    lf_tables().startup = lf_wiredStartupServices();
    lf_tables().rt = lf_wiredRtServices();
    lf_tables().link = lf_wiredLinkServices();
    lf_tables().catalogue = lf_wiredCatalogueServices();
    ksb::FeedServices feed;
    feed.readerStopped = [](std::string_view name, bool unauthorised) {
        lf_readerStopped(name, unauthorised);
    };
    ksb::gf_setFeedServices(feed);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.linkServices = lf_wiredTrafficLinkServices();
        trafficState.feedServices = lf_wiredTrafficFeedServices();
    }
    gf_setRangeFieldsUpdater(lf_updateRangeFields);
    ParkAirportServices park;
    park.setParkElevation = gf_rtSetParkElevation;
    gf_setParkAirportServices(park);
}

#include "app/startup_services.h"

#include "airports/airports.h"
#include "app/range_fields.h"
#include "app/startup_placeholders.h"
#include "catalogue/catalogue.h"
#include "core/range_fields_hook.h"
#include "feed/rt_clients.h"
#include "feed/rt_session.h"
#include "updates/updates.h"

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
    return services;
}

RtServices lf_wiredRtServices() {
    RtServices services;
    services.findRealTrafficLicense = gf_findRealTrafficLicense;
    services.updateQueryBox = gf_rtUpdateQueryBox;
    services.setTimeOffset = gf_rtSetTimeOffset;
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
};

Tables& lf_tables() {
    static Tables tables = [] {
        gf_setRangeFieldsUpdater(lf_updateRangeFields);
        return Tables{lf_wiredStartupServices(), lf_wiredRtServices()};
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
    lf_tables().startup = std::move(services);
}

void gf_setRtServices(RtServices services) {
    const RtServices wired = lf_wiredRtServices();
    lf_fill(services.findRealTrafficLicense, wired.findRealTrafficLicense);
    lf_fill(services.updateQueryBox, wired.updateQueryBox);
    lf_fill(services.setTimeOffset, wired.setTimeOffset);
    lf_tables().rt = std::move(services);
}

void gf_wireStartupServices() {
    lf_tables().startup = lf_wiredStartupServices();
    lf_tables().rt = lf_wiredRtServices();
    gf_setRangeFieldsUpdater(lf_updateRangeFields);
}

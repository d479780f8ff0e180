#pragma once
// Start-up's calls into its neighbours, each through a member of a replaceable table, so that
// tests put a recording fake in their place and later subsystems swap in their real functions in
// one place (gf_wireStartupServices).
#include <functional>
#include <string>
#include <vector>

struct StartupServices {
    // The aircraft database and fixes.xml, once per process.
    std::function<bool()> readDbase;
    std::function<bool()> readFixesXml;
    // (scan, automatic, prioritize, lfolder texts); without scan the liveries file is loaded.
    std::function<bool(bool, bool, bool, std::vector<std::string>&)> scanLiveries;
    std::function<void()> updateDbase;
    std::function<void()> updateAigRegcodes;
    std::function<void()> checkProgramVersion;
    std::function<bool()> updateArchive;
    std::function<bool()> archiveFoldersMissing;
    std::function<void()> readAirports;
    // (automatic, afolder texts)
    std::function<bool(bool, std::vector<std::string>&)> scanAddonAirports;
    // The run phase; returns when its main loop has ended.
    std::function<void()> run;
};

// The live-traffic service's calls.
struct RtServices {
    // Finds the service licence; throws user errors 900 and 901.
    std::function<void()> findRealTrafficLicense;
    // The query box follows the injection radius.
    std::function<void()> updateQueryBox;
    // The time offset in minutes of both web-API clients.
    std::function<void(int)> setTimeOffset;
};

// The tables in force; wired on first use.
const StartupServices& gf_startupServices();
const RtServices& gf_rtServices();
// Replace a table; members left empty get the wired function. Only while no other thread calls
// them (program start, test set-up).
void gf_setStartupServices(StartupServices services);
void gf_setRtServices(RtServices services);

// The one wiring of start-up's neighbours: fills both tables with the real functions (and the
// placeholders of what is not built yet) and installs the automatic range behind the core's hook.
void gf_wireStartupServices();

#pragma once
// Start-up's neighbours as one recording fake: every call of both tables goes, with its
// arguments, into one ordered log; the flags they return are scripted, and an action per call can
// change state or throw. The tables are installed for the fake's lifetime; the wired ones return
// at its end.
#include "app/startup_services.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace ksb::test {

class FakeStartupServices {
public:
    FakeStartupServices() {
        gf_setStartupServices(startupTable());
        gf_setRtServices(rtTable());
    }
    ~FakeStartupServices() { gf_wireStartupServices(); }
    FakeStartupServices(const FakeStartupServices&) = delete;
    FakeStartupServices& operator=(const FakeStartupServices&) = delete;

    // Calls by the real function's name with their arguments, e.g. "gf_readDbase",
    // "gf_scanLiveries(true, true, false, {D:\AI})", "gf_rtSetTimeOffset(60)".
    std::vector<std::string> calls() const;
    // Only the names, without arguments.
    std::vector<std::string> names() const;
    void clearCalls();
    // The flag a call returns from now on. Defaults: gf_readDbase, gf_readFixesXml,
    // gf_scanLiveries and gf_scanAddonAirports true; gf_updateArchive and lf_archiveFoldersMissing
    // false.
    void setResult(const std::string& name, bool result);
    // Runs on every call of that name after it is recorded (and before its flag is returned).
    void onCall(const std::string& name, std::function<void()> action);

    StartupServices startupTable();
    RtServices rtTable();

private:
    void call(const std::string& name, const std::string& text);
    bool flagCall(const std::string& name, const std::string& text);

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::map<std::string, bool> results_;
    std::map<std::string, std::function<void()>> actions_;
};

} // namespace ksb::test

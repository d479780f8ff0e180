#include "support/fake_startup_services.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace ksb::test {

namespace {

std::string lf_list(const std::vector<std::string>& folders) {
    return fmt::format("{{{}}}", fmt::join(folders, ", "));
}

const char* lf_flag(bool value) {
    return value ? "true" : "false";
}

} // namespace

std::vector<std::string> FakeStartupServices::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeStartupServices::names() const {
    std::vector<std::string> names = calls();
    for (std::string& name : names) {
        name = name.substr(0, name.find('('));
    }
    return names;
}

void FakeStartupServices::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

void FakeStartupServices::setResult(const std::string& name, bool result) {
    std::lock_guard lock(mutex_);
    results_[name] = result;
}

void FakeStartupServices::onCall(const std::string& name, std::function<void()> action) {
    std::lock_guard lock(mutex_);
    actions_[name] = std::move(action);
}

void FakeStartupServices::call(const std::string& name, const std::string& text) {
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(text);
        if (auto it = actions_.find(name); it != actions_.end()) {
            action = it->second;
        }
    }
    // Outside the lock: the action may call the fake again.
    if (action) {
        action();
    }
}

bool FakeStartupServices::flagCall(const std::string& name, const std::string& text) {
    call(name, text);
    std::lock_guard lock(mutex_);
    if (auto it = results_.find(name); it != results_.end()) {
        return it->second;
    }
    return name != "gf_updateArchive" && name != "lf_archiveFoldersMissing";
}

StartupServices FakeStartupServices::startupTable() {
    StartupServices table;
    const auto plain = [this](const char* name) { return [this, name] { call(name, name); }; };
    const auto flag = [this](const char* name) {
        return [this, name] { return flagCall(name, name); };
    };
    table.readDbase = flag("gf_readDbase");
    table.readFixesXml = flag("gf_readFixesXml");
    table.scanLiveries = [this](bool scan, bool automatic, bool prioritize,
                                std::vector<std::string>& folders) {
        return flagCall("gf_scanLiveries",
                        fmt::format("gf_scanLiveries({}, {}, {}, {})", lf_flag(scan),
                                    lf_flag(automatic), lf_flag(prioritize), lf_list(folders)));
    };
    table.updateDbase = plain("gf_updateDbase");
    table.updateAigRegcodes = plain("gf_updateAigRegcodes");
    table.checkProgramVersion = plain("gf_checkProgramVersion");
    table.updateArchive = flag("gf_updateArchive");
    table.archiveFoldersMissing = flag("lf_archiveFoldersMissing");
    table.readAirports = plain("gf_readAirports");
    table.scanAddonAirports = [this](bool automatic, std::vector<std::string>& folders) {
        return flagCall("gf_scanAddonAirports", fmt::format("gf_scanAddonAirports({}, {})",
                                                            lf_flag(automatic), lf_list(folders)));
    };
    table.run = plain("lf_run");
    return table;
}

RtServices FakeStartupServices::rtTable() {
    RtServices table;
    table.findRealTrafficLicense = [this] {
        call("gf_findRealTrafficLicense", "gf_findRealTrafficLicense");
    };
    table.updateQueryBox = [this] { call("gf_rtUpdateQueryBox", "gf_rtUpdateQueryBox"); };
    table.setTimeOffset = [this](int minutes) {
        call("gf_rtSetTimeOffset", fmt::format("gf_rtSetTimeOffset({})", minutes));
    };
    return table;
}

} // namespace ksb::test

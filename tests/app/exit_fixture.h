#pragma once
// The run phase and the exit in a world of their own: a data folder with parameters.xml, a virtual
// clock that jumps over every sleep, a recording engine, and recording feed, link and catalogue
// services that write to one ordered call log. The program's own exit handler is installed; its
// exit runs in place on the requesting thread.
#include "app/final_exit.h"
#include "app/startup_services.h"
#include "core/exit_request.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "support/fake_traffic_engine.h"
#include "support/manual_clock.h"
#include "support/recording_sinks.h"
#include "support/window_fixture.h"

#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

class ExitFixture : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        // Also between the cases of a table.
        std::filesystem::remove_all(appData / "KSBY_P3D");
        std::filesystem::create_directories(appData / "KSBY_P3D");
        gf_resetRunState();
        // A process whose start-up read parameters.xml, unless a test says otherwise.
        parametersLoaded = true;
        exits.reset();
        gf_setExitHandler(&gf_finalExitHandler());
        gf_setExitThreadStarter([](std::function<void()> body) { body(); });
        clock.emplace(1'780'000'000.0, true);
        clockInstall.emplace(*clock);
        engine.emplace();
        engine->onCall = [this](std::string_view name) {
            if (name == "gf_removeFlightPlanFolder" || name == "gf_resetTraffic" ||
                name == "gf_removeAllStatic") {
                record(std::string(name));
            }
        };
        RtServices rt;
        rt.loggedIn = [this] { return loggedIn; };
        rt.stopReaders = [this] { record("stopReaders"); };
        rt.deauth = [this] { record("deauth"); };
        rt.reset = [this] { record("rtReset"); };
        rt.resetWeather = [this] { record("rtResetWeather"); };
        rt.showStatus = [this] { record("showStatus"); };
        rt.updateQueryBox = [this] { record("updateQueryBox"); };
        rt.setCollectFlag = [this] { record("setCollectFlag"); };
        rt.setReferencePosition = [this](double, double) { record("setReferencePosition"); };
        gf_setRtServices(rt);
        LinkServices link;
        link.restartReset = [this] { record("linkRestartReset"); };
        link.releaseAiAircraft = [this](std::uint32_t id) {
            record("release(" + std::to_string(id) + ")");
        };
        link.queueRemoveAiAircraft = [this](std::uint32_t id) {
            record("queueRemove(" + std::to_string(id) + ")");
        };
        link.lockControls = [this] { record("lockControls"); };
        link.clearPositionQueues = [this] { record("clearPositionQueues"); };
        gf_setLinkServices(link);
        CatalogueServices catalogue;
        catalogue.logUnmatched = [this] { record("logUnmatched"); };
        catalogue.clearNoLiveryFlights = [this] { record("clearNoLiveryFlights"); };
        catalogue.printLiveryMatchSummary = [this] { record("printLiveryMatchSummary"); };
        gf_setCatalogueServices(catalogue);
        StartupServices startup;
        startup.resetParkAirport = [this] { record("resetParkAirport"); };
        gf_setStartupServices(startup);
    }

    void TearDown() override {
        gf_wireStartupServices();
        engine.reset();
        clockInstall.reset();
        clock.reset();
        gf_setExitThreadStarter({});
        gf_setExitHandler(nullptr);
        gf_resetRunState();
        WindowFixture::TearDown();
    }

    void record(std::string call) {
        std::lock_guard lock(callsMutex);
        calls.push_back(std::move(call));
    }
    std::vector<std::string> takeCalls() {
        std::lock_guard lock(callsMutex);
        return std::exchange(calls, {});
    }

    std::chrono::nanoseconds sleptTotal() const {
        std::chrono::nanoseconds total{0};
        for (const auto d : clock->sleeps()) {
            total += d;
        }
        return total;
    }

    bool loggedIn = false;
    std::optional<ManualClock> clock;
    std::optional<ScopedClock> clockInstall;
    std::optional<FakeTrafficEngine> engine;
    std::mutex callsMutex;
    std::vector<std::string> calls;
};

} // namespace ksb::test

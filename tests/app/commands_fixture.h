#pragma once
// The window's controls on the fake port, all enabled as after start-up, with a data folder for
// parameters.xml, a recording engine that notes whether trafficMutex was held, recording feed
// services and link calls, and the log since SetUp.
#include "app/commands.h"
#include "app/startup_services.h"
#include "app/window_app.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "support/parameters_fixture.h"
#include "support/fake_startup_services.h"
#include "support/fake_traffic_engine.h"
#include "support/window_fixture.h"
#include "traffic/traffic_state.h"

#include <filesystem>
#include <fmt/format.h>
#include <mutex>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace ksb::test {

class CommandsFixture : public WindowFixture {
public:
    // Open to the checks that tables of cases carry.
    using WindowFixture::exits;
    using WindowFixture::port;

protected:
    void SetUp() override {
        WindowFixture::SetUp();
        std::filesystem::remove_all(appData / "KSBY_P3D");
        std::filesystem::create_directories(appData / "KSBY_P3D");
        lf_onCreate(port);
        for (const ControlRow& row : controlTable()) {
            gf_enableControl(row.control->commandId(), true);
        }
        {
            std::lock_guard lock(linkMutex_);
            linkCalls_.clear();
            linkHeld_.clear();
        }
        engine.emplace();
        engine->probeTrafficMutex = true;
        services.emplace();
        LinkServices link;
        link.releaseAiAircraft = [this](std::uint32_t id) {
            recordLink(fmt::format("release({})", id));
        };
        link.queueNavLights = [this](std::uint32_t id, bool on) {
            recordLink(fmt::format("navLights({}, {})", id, on));
        };
        gf_setLinkServices(link);
        port.clearInvalidated();
        mark_ = log->body().size();
    }

    void TearDown() override {
        gf_setNewVersionsSource({});
        services.reset(); // wires the real tables again
        engine.reset();
        WindowFixture::TearDown();
    }

    // The user types the text into the field and presses Enter.
    void enter(const ParameterControl& field, const std::string& text) {
        port.setUserText(field.commandId(), text);
        MainWindowEvents(port).onEnter(field.commandId());
    }
    void click(std::uint16_t id) { MainWindowEvents(port).onCommand(id); }

public:
    // The value parameters.xml holds now; nothing when the entry (or the file) is missing.
    std::optional<std::string> stored(const std::string& name) const {
        return storedParameter(appData / "KSBY_P3D" / "parameters.xml", name);
    }

    // Log lines since SetUp (or the last call), without the "... saved" lines of the saves.
    std::vector<std::string> newLines() {
        std::vector<std::string> lines;
        const auto body = log->body();
        for (std::size_t i = mark_; i < body.size(); ++i) {
            if (body[i].find("\" saved") == std::string::npos) {
                lines.push_back(body[i]);
            }
        }
        mark_ = body.size();
        return lines;
    }

    std::string text(const ParameterControl& control) const {
        const auto state = gf_controlState(control.commandId());
        EXPECT_EQ(state ? state->text : "?", port.text(control.commandId()));
        return state ? state->text : "?";
    }
    bool enabled(const ParameterControl& control) const {
        const auto widget = port.widget(control.commandId());
        EXPECT_EQ(gf_controlEnabled(control.commandId()), widget && widget->enabled);
        return gf_controlEnabled(control.commandId());
    }

    // Link calls in order, each with whether trafficMutex was held.
    std::vector<std::string> linkCalls() {
        std::lock_guard lock(linkMutex_);
        return linkCalls_;
    }
    std::vector<bool> linkHeld() {
        std::lock_guard lock(linkMutex_);
        return linkHeld_;
    }

    std::optional<FakeTrafficEngine> engine;
    std::optional<FakeStartupServices> services;

private:
    void recordLink(std::string call) {
        const bool free = trafficState.trafficMutex.try_lock();
        if (free) {
            trafficState.trafficMutex.unlock();
        }
        std::lock_guard lock(linkMutex_);
        linkCalls_.push_back(std::move(call));
        linkHeld_.push_back(!free);
    }

    std::size_t mark_ = 0;
    std::mutex linkMutex_;
    std::vector<std::string> linkCalls_;
    std::vector<bool> linkHeld_;
};

// Aircraft for the engine's lists.
inline LiveAircraft gf_liveAircraft(std::string callsign, LiveState state, std::uint32_t objectId,
                                    FlightPhase phase = FlightPhase::taxi) {
    LiveAircraft aircraft;
    aircraft.callsign = std::move(callsign);
    aircraft.state = state;
    aircraft.objectId = objectId;
    aircraft.phase = phase;
    return aircraft;
}

inline AiAircraft gf_staticAircraft(std::string callsign, LiveState state, std::uint32_t objectId) {
    AiAircraft aircraft;
    aircraft.callsign = std::move(callsign);
    aircraft.state = state;
    aircraft.objectId = objectId;
    return aircraft;
}

} // namespace ksb::test

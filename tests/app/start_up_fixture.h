#pragma once
// A start-up in a world of its own: a working folder holding "docs" as the current directory, an
// application-data folder with the data folder, a registry store naming one simulator version 5,
// drive C mapped into a temporary folder, the window's controls created on the fake port, a
// virtual clock that jumps over every sleep, and the recording services.
#include "airports/park_airport_state.h"
#include "app/start_up.h"
#include "app/window_app.h"
#include "core/config_paths.h"
#include "core/controls.h"
#include "core/parameters.h"
#include "support/parameters_fixture.h"
#include "support/fake_startup_services.h"
#include "support/file_bytes.h"
#include "support/manual_clock.h"
#include "support/registry_store.h"
#include "support/scoped_current_dir.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"
#include "support/window_fixture.h"

#include <filesystem>
#include <fmt/format.h>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

inline constexpr const char* kSetupPath5 = "C:\\Program Files\\Lockheed Martin\\Prepar3D v5\\";

class StartUpFixture : public WindowFixture {
protected:
    // Also between the cases of a table: every folder starts empty again.
    void SetUp() override {
        for (const TempFolder* folder : {&appData, &work, &driveC}) {
            for (const auto& entry : std::filesystem::directory_iterator(folder->path())) {
                std::filesystem::remove_all(entry.path());
            }
        }
        WindowFixture::SetUp();
        registryEnv_.emplace("KSBY_REGISTRY", registryFile().string());
        driveEnv_.emplace("KSBY_DRIVE_C", driveC.path().string());
        RegistryStoreWriter().p3d(5, kSetupPath5).writeTo(registryFile());
        std::filesystem::create_directories(dataFolder());
        std::filesystem::create_directory(work / "docs");
        cwd_.emplace(work.path());
        clock.emplace(1'780'000'000.0, true);
        clockInstall_.emplace(*clock);
        services.emplace();
        gf_resetStartUpForTests();
        gf_parkAirportState().parkSnapshot.set(std::nullopt);
        lf_onCreate(port);
        port.clearInvalidated();
    }

    void TearDown() override {
        services.reset();
        clockInstall_.reset();
        clock.reset();
        cwd_.reset();
        gf_resetStartUpForTests();
        gf_parkAirportState().parkSnapshot.set(std::nullopt);
        WindowFixture::TearDown();
        driveEnv_.reset();
        registryEnv_.reset();
    }

    std::filesystem::path registryFile() const { return appData / "registry.ini"; }
    std::filesystem::path dataFolder() const { return appData / "KSBY_P3D"; }
    std::filesystem::path parametersFile() const { return dataFolder() / "parameters.xml"; }

    // A parameters.xml holding these entries (name, value) as a user's earlier run left it.
    void writeParameters(const std::vector<std::pair<std::string, std::string>>& entries) {
        std::string text = "<?xml version=\"1.0\"?>\n<parameters>\n";
        for (const auto& [name, value] : entries) {
            text += fmt::format("\t<parameter name=\"{}\" value=\"{}\" />\n", name, value);
        }
        writeBytes(parametersFile(), text + "</parameters>\n");
    }

    // The value parameters.xml holds now; nothing when the entry (or the file) is missing.
    std::optional<std::string> stored(const std::string& name) const {
        return storedParameter(parametersFile(), name);
    }

    // The names of the entries of parameters.xml, in file order.
    std::vector<std::string> storedNames() const {
        std::vector<std::string> names;
        pugi::xml_document doc;
        if (doc.load_file(parametersFile().c_str())) {
            for (const pugi::xml_node node : doc.child("parameters").children("parameter")) {
                names.emplace_back(node.attribute("name").as_string());
            }
        }
        return names;
    }

    // The widget as the user sees it; the mirror must agree.
    FakeWindowPort::Widget widget(const ParameterControl& control) {
        const auto shown = port.widget(control.commandId());
        const auto mirror = gf_controlState(control.commandId());
        EXPECT_TRUE(shown.has_value() && mirror.has_value());
        if (!shown || !mirror) {
            return {};
        }
        EXPECT_EQ(mirror->enabled, shown->enabled);
        EXPECT_EQ(mirror->checked, shown->checked);
        EXPECT_EQ(mirror->text, shown->text);
        return *shown;
    }

    TempFolder work;
    TempFolder driveC;
    // Thu May 28 20:26:40 2026; every sleep jumps to its end at once.
    std::optional<ManualClock> clock;
    std::optional<FakeStartupServices> services;

private:
    std::optional<ScopedEnv> registryEnv_;
    std::optional<ScopedEnv> driveEnv_;
    std::optional<ScopedCurrentDir> cwd_;
    std::optional<ScopedClock> clockInstall_;
};

} // namespace ksb::test

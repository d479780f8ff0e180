#pragma once
// A gtest fixture for the window logic: a temp data folder and runtime folder, every model value
// at its start, a FakeWindowPort installed as the window, the window's message sink, a
// recording exit handler and a log in a temp folder.
#include "support/fake_window_port.h"
#include "support/log_capture.h"
#include "support/recording_sinks.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>

namespace ksb::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // KSBY_APPDATA; the data folder is appData / "KSBY_P3D" (not created).
    TempFolder appData;
    TempFolder runtimeDir;
    FakeWindowPort port;
    std::optional<RecordingExitHandler> exits;
    std::optional<LogCapture> log;

private:
    std::optional<ScopedEnv> appDataEnv_;
    std::optional<ScopedEnv> runtimeEnv_;
};

// Puts every window-related value back to its start (used by SetUp and TearDown).
void gf_resetWindowState();

} // namespace ksb::test

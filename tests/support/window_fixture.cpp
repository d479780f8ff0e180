#include "support/window_fixture.h"

#include "core/controls.h"
#include "core/globals.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"

namespace ksb::test {

void gf_resetWindowState() {
    gf_setWindowPort(nullptr);
    gf_resetCoreGlobals();
    gf_resetParametersForTests();
    gf_resetControlsForTests();
    mainWindow.resetToStart();
    mainWindow.ready = true;
    gf_resetRunValues();
}

void WindowFixture::SetUp() {
    // The path globals are lazy: the environment is set before anything asks for them.
    appDataEnv_.emplace("KSBY_APPDATA", appData.path().string());
    runtimeEnv_.emplace("XDG_RUNTIME_DIR", runtimeDir.path().string());
    gf_resetWindowState();
    gf_setWindowPort(&port);
    gf_setMessageSink(&gf_windowMessageSink());
    exits.emplace();
    log.emplace();
}

void WindowFixture::TearDown() {
    exits.reset();
    gf_resetWindowState();
    log.reset();
    runtimeEnv_.reset();
    appDataEnv_.reset();
}

} // namespace ksb::test

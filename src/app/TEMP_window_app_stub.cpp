// TEMP stand-in for the window logic of another branch, only so that the program links and
// its smoke tests run here. Dropped when the real window logic is merged.
#include "app/window_app.h"
#include "core/log.h"
#include "core/main_window.h"

namespace {

class StubEvents final : public ui::WindowEvents {
public:
    explicit StubEvents(ui::WindowPort& port) : port_(port) {}
    void onCreate() override {}
    void onPaint(ui::Canvas& canvas) override {
        canvas.fillRect(kControlsRegion, colours::lightBlue);
        canvas.fillRect(kMessageStrip, colours::green);
        canvas.text(390, 7, "KSBY_P3D", colours::green);
        canvas.text(3, 455, "TEMP window stub", colours::yellow);
    }
    void onCloseRequested() override { port_.post(ui::AppMessage::EndProgram); }
    void onCommand(std::uint16_t) override {}
    void onEnter(std::uint16_t) override {}
    void onAppMessage(ui::AppMessage message) override {
        if (message == ui::AppMessage::EndProgram) {
            port_.quit(0);
        }
    }

private:
    ui::WindowPort& port_;
};

} // namespace

int gf_runMainWindow(ui::WindowPort& port) {
    StubEvents events(port);
    if (!port.create("KSBY_P3D", 400, 20, kWindowWidth, kWindowHeight, events)) {
        gf_log("initInstance failed");
        return 0;
    }
    port.show();
    return port.run();
}

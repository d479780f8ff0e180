#pragma once
// The main window's logic behind the port: control creation, the events, the start and the end.
#include "app/start_up.h"
#include "ui/window_port.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ParameterControl;

// One row of the control table: the control, where it sits and how wide it is.
struct ControlRow {
    ui::Kind kind;
    const ParameterControl* control;
    int x;
    int width;
};

// The 41 controls in the order of creation.
const std::vector<ControlRow>& controlTable();

// Starts a procedure on a new thread that is detached at once; throws std::system_error when
// the thread cannot be made.
void gf_launchDetached(std::function<void()> body);

// The window procedure: the port's events. No exception leaves an event; each is reported.
class MainWindowEvents final : public ui::WindowEvents {
public:
    using Launcher = std::function<void(std::function<void()>)>;

    // worker runs on StartWorker, started through launch (tests replace both).
    explicit MainWindowEvents(ui::WindowPort& port, std::function<void()> worker = lf_startUpKSBY,
                              Launcher launch = gf_launchDetached)
        : port_(port), worker_(std::move(worker)), launch_(std::move(launch)) {}

    void onCreate() override;
    void onPaint(ui::Canvas& canvas) override;
    void onCloseRequested() override;
    void onCommand(std::uint16_t id) override;
    void onEnter(std::uint16_t id) override;
    void onAppMessage(ui::AppMessage message) override;

private:
    void startWorker();
    void endProgram();

    ui::WindowPort& port_;
    std::function<void()> worker_;
    Launcher launch_;
};

// Creates every control of controlTable() through the port and registers it in the mirror.
void lf_onCreate(ui::WindowPort& port);
// Waits for the model's ready flag, reads the position, creates and shows the window (the port
// becomes the model's window); false when any step fails.
bool initInstance(ui::WindowPort& port, MainWindowEvents& events);
// The whole life of the window: installs the window's message sink (and the program's exit
// handler when none is installed), makes the window, the data folder, posts StartWorker and runs
// the loop. Returns the quit code; 1 when the window could not be made ("initInstance failed" in
// the log and one line on stderr) or the data folder could not be created.
int gf_runMainWindow(ui::WindowPort& port);
int gf_runMainWindow(ui::WindowPort& port, MainWindowEvents& events);

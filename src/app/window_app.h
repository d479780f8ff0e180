#pragma once
// The main window's logic behind the port: control creation, the events, the start and the end.
#include "ui/window_port.h"

#include <cstdint>
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

// The window procedure: the port's events.
class MainWindowEvents final : public ui::WindowEvents {
public:
    explicit MainWindowEvents(ui::WindowPort& port) : port_(port) {}
    void onCreate() override;
    void onPaint(ui::Canvas& canvas) override;
    void onCloseRequested() override;
    void onCommand(std::uint16_t id) override;
    void onEnter(std::uint16_t id) override;
    void onAppMessage(ui::AppMessage message) override;

private:
    ui::WindowPort& port_;
};

// Creates every control of controlTable() through the port.
void lf_onCreate(ui::WindowPort& port);
// Waits for the model's ready flag, reads the position, creates and shows the window.
bool initInstance(ui::WindowPort& port, MainWindowEvents& events);
// The whole life of the window: returns the quit code, or 0 when the window could not be made.
int gf_runMainWindow(ui::WindowPort& port);

#pragma once
// The window port on FLTK. Construct it on the GUI thread; only that thread touches widgets.
// Setters from other threads go through an UpdateQueue that the GUI thread drains when woken
// (Fl::awake) and on a short repeating timeout, so a lost wake only delays an update.
#include "ui/window_port.h"

#include <functional>
#include <memory>
#include <string>

namespace ui {

class FltkWindowPort final : public WindowPort {
public:
    // Switches on FLTK's thread support (fltkEnableThreads) on the constructing thread.
    FltkWindowPort();
    ~FltkWindowPort() override;
    FltkWindowPort(const FltkWindowPort&) = delete;
    FltkWindowPort& operator=(const FltkWindowPort&) = delete;

    // Opens the X display first, so that a missing display is a failed create and never the
    // toolkit's own end of the process.
    bool create(std::string_view title, int x, int y, int w, int h, WindowEvents& events) override;
    std::string createFailure() const override;
    void addControl(const ControlSpec& spec) override;
    void show() override;
    int run() override;
    void quit(int code) override;
    Rect windowRect() const override;
    std::string text(std::uint16_t id) const override;
    bool checked(std::uint16_t id) const override;

    void setText(std::uint16_t id, std::string utf8) override;
    void setChecked(std::uint16_t id, bool value) override;
    void setEnabled(std::uint16_t id, bool value) override;
    void invalidate(Rect region) override;
    void post(AppMessage message) override;
    void setTopmost(bool value) override;

    // The last topmost state asked for, from any thread.
    bool topmost() const;
    // GUI thread: the X window id once shown, else 0.
    unsigned long windowId() const;
    // GUI thread: true once the window is shown and everything invalidated has been drawn.
    bool drawn() const;
    // GUI thread: whether the control exists and is active.
    bool enabled(std::uint16_t id) const;

    // GUI thread: check runs on the GUI thread whenever fd becomes readable and at every drain of
    // the update queue (woken, or every 0.1 s while the loop runs), so a check that has to wait
    // for its moment is tried again. check must empty fd itself.
    void addWakeSource(int fd, std::function<void()> check);
    // GUI thread: what the window's close button does (the events' onCloseRequested).
    void requestClose();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace ui

#pragma once
// The port between the window logic and a window system. Header-only and free of any toolkit,
// so the core links it and tests drive a fake. Only the GUI thread calls the "GUI thread"
// members; the setters may be called from any thread and never block.
#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// Regions as the window's layout gives them: (x1,y1)-(x2,y2), x2 and y2 exclusive.
struct Rect {
    int x1, y1, x2, y2;
    bool operator==(const Rect&) const = default;
};

enum class Kind { CheckBox, Button, Edit };

struct ControlSpec {
    std::uint16_t id;
    Kind kind;
    int x, y, w, h;
    std::string label;
    bool enabled;
    bool checked;
};

enum class AppMessage { StartWorker, EndProgram };

// GUI thread, during paint only.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void fillRect(Rect, Rgb) = 0;
    virtual void line(int x1, int y1, int x2, int y2, Rgb pen) = 0;
    // Top-left anchored, transparent background.
    virtual void text(int x, int y, std::string_view utf8, Rgb) = 0;
};

// Implemented by the window logic.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void onCreate() = 0;
    virtual void onPaint(Canvas&) = 0;
    virtual void onCloseRequested() = 0;
    // A click on a check box or a button.
    virtual void onCommand(std::uint16_t id) = 0;
    // Enter in an edit field.
    virtual void onEnter(std::uint16_t id) = 0;
    virtual void onAppMessage(AppMessage) = 0;
};

class WindowPort {
public:
    virtual ~WindowPort() = default;
    // GUI thread
    virtual bool create(std::string_view title, int x, int y, int w, int h, WindowEvents&) = 0;
    // Why the last create() failed, in a few words; empty when the port cannot tell.
    virtual std::string createFailure() const { return {}; }
    virtual void addControl(const ControlSpec&) = 0;
    virtual void show() = 0;
    // Returns the code given to quit().
    virtual int run() = 0;
    virtual void quit(int code) = 0;
    virtual Rect windowRect() const = 0;
    // Read at Enter.
    virtual std::string text(std::uint16_t id) const = 0;
    virtual bool checked(std::uint16_t id) const = 0;
    // Any thread, never blocking (queued to the GUI thread when called elsewhere).
    virtual void setText(std::uint16_t id, std::string utf8) = 0;
    virtual void setChecked(std::uint16_t id, bool) = 0;
    virtual void setEnabled(std::uint16_t id, bool) = 0;
    virtual void invalidate(Rect) = 0;
    virtual void post(AppMessage) = 0;
    virtual void setTopmost(bool) = 0;
};

} // namespace ui

#pragma once
// A window port without a window system. Setters apply at once (from any thread) and are
// recorded; posts wait until the test calls pump(), which stands for the GUI thread and hands
// them to the events' onAppMessage in order.
#include "ui/window_port.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

class FakeWindowPort final : public ui::WindowPort {
public:
    // What run() returns when nothing is left to deliver and no quit came.
    static constexpr int kRanDry = -1000;

    struct CreateCall {
        std::string title;
        int x, y, w, h;
        bool operator==(const CreateCall&) const = default;
    };

    struct Widget {
        ui::ControlSpec spec;
        std::string text;
        bool enabled = false;
        bool checked = false;
    };

    // GUI thread members. create() calls the events' onCreate, as the window system does while
    // the window is being made; it fails when told to.
    bool create(std::string_view title, int x, int y, int w, int h,
                ui::WindowEvents& events) override;
    void addControl(const ui::ControlSpec& spec) override;
    void show() override;
    // Pumps posts until quit(); whenever the queue runs dry the idle hook runs (it returns false
    // to give up, and then run() returns kRanDry, as it does without a hook).
    int run() override;
    void quit(int code) override;
    ui::Rect windowRect() const override;
    std::string text(std::uint16_t id) const override;
    bool checked(std::uint16_t id) const override;

    // Any thread.
    void setText(std::uint16_t id, std::string utf8) override;
    void setChecked(std::uint16_t id, bool value) override;
    void setEnabled(std::uint16_t id, bool value) override;
    void invalidate(ui::Rect region) override;
    void post(ui::AppMessage message) override;
    void setTopmost(bool on) override;

    // Test side.
    void failCreate(bool fail);
    // The user types into a field (nothing is recorded as a program write).
    void setUserText(std::uint16_t id, std::string text);
    // The user moves the window; the rectangle the window system reports.
    void setWindowRect(ui::Rect rect);
    void setIdleHook(std::function<bool()> hook);
    // Delivers the posts waiting now and those they post in turn; returns how many.
    std::size_t pump();
    // Calls the events' paint on the canvas, as an expose would.
    void paint(ui::Canvas& canvas);
    ui::WindowEvents* events() const;

    std::optional<CreateCall> created() const;
    bool shown() const;
    // Controls in the order they were added.
    std::vector<ui::ControlSpec> controls() const;
    std::optional<Widget> widget(std::uint16_t id) const;
    std::vector<ui::Rect> invalidated() const;
    void clearInvalidated();
    std::optional<int> quitCode() const;
    // The last topmost state set; nullopt when never set.
    std::optional<bool> topmost() const;
    // Every post so far, delivered or not.
    std::vector<ui::AppMessage> posted() const;
    std::size_t pendingPosts() const;
    // Setter calls for ids without a control.
    std::size_t writesToUnknownIds() const;

private:
    // Caller holds mutex_.
    Widget* findLocked(std::uint16_t id);

    mutable std::mutex mutex_;
    ui::WindowEvents* events_ = nullptr;
    bool failCreate_ = false;
    std::optional<CreateCall> created_;
    ui::Rect rect_{0, 0, 0, 0};
    bool shown_ = false;
    std::vector<std::uint16_t> order_;
    std::map<std::uint16_t, Widget> widgets_;
    std::vector<ui::Rect> invalidated_;
    std::optional<int> quitCode_;
    std::optional<bool> topmost_;
    std::vector<ui::AppMessage> posted_;
    std::vector<ui::AppMessage> queue_;
    std::size_t unknownWrites_ = 0;
    std::function<bool()> idle_;
};

} // namespace ksb::test

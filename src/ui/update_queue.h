#pragma once
// Window writes made off the GUI thread wait here until the GUI thread applies them. Writers
// never block on the GUI thread: they take a short leaf lock, store the value and, at most once
// per drain, ask for a wake. Only the newest value of a control's property is kept, since an
// older one would be overwritten before anyone could see it; posts are messages and keep every
// one, in order.
#include "ui/window_port.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ui {

enum class Property { text, checked, enabled };

// Everything taken in one drain. The GUI thread applies the state first, then delivers the posts.
struct UpdateBatch {
    std::map<std::uint16_t, std::string> texts;
    std::map<std::uint16_t, bool> checked;
    std::map<std::uint16_t, bool> enabled;
    std::optional<bool> topmost;
    // Distinct regions in the order first invalidated.
    std::vector<Rect> regions;
    std::vector<AppMessage> posts;

    bool empty() const;
};

class UpdateQueue {
public:
    // Called by a writer, outside the queue's lock, when the queue gets work and no wake is
    // outstanding since the last take(). It must not block.
    using Wake = std::function<void()>;

    explicit UpdateQueue(Wake wake = {});
    UpdateQueue(const UpdateQueue&) = delete;
    UpdateQueue& operator=(const UpdateQueue&) = delete;

    // Any thread.
    void setText(std::uint16_t id, std::string utf8);
    void setChecked(std::uint16_t id, bool value);
    void setEnabled(std::uint16_t id, bool value);
    void setTopmost(bool value);
    void invalidate(Rect region);
    void post(AppMessage message);

    // GUI thread: a write applied directly supersedes a queued one of the same property.
    void discard(Property property, std::uint16_t id);
    // GUI thread: takes everything; the next write asks for a wake again.
    UpdateBatch take();

    bool empty() const;

private:
    template <typename Store> void write(Store&& store);

    mutable std::mutex mutex_;
    UpdateBatch pending_;
    bool wakeOutstanding_ = false;
    Wake wake_;
};

} // namespace ui

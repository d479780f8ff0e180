#include "platform/event.h"

namespace platform {

void Event::set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    cv_.notify_all();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool Event::isSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool Event::wait(std::chrono::milliseconds bound) const {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, bound, [this] { return set_; });
}

} // namespace platform

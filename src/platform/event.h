#pragma once
// A manual-reset event: set stays set until reset; waits are always bounded.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    bool isSet() const;
    // True as soon as the event is set; false when the bound passed first.
    bool wait(std::chrono::milliseconds bound) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    bool set_ = false;
};

} // namespace platform

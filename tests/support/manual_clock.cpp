#include "support/manual_clock.h"

#include <cmath>

namespace ksb::test {

using std::chrono::nanoseconds;

ManualClock::ManualClock(double utcSeconds, bool autoAdvance)
    : utc_(static_cast<nanoseconds::rep>(std::llround(utcSeconds * 1e9))),
      autoAdvance_(autoAdvance) {}

Clock::UtcTime ManualClock::utcNow() {
    std::lock_guard lock(mutex_);
    return UtcTime(std::chrono::duration_cast<UtcTime::duration>(utc_));
}

Clock::SteadyTime ManualClock::steadyNow() {
    std::lock_guard lock(mutex_);
    return SteadyTime(std::chrono::duration_cast<SteadyTime::duration>(steady_));
}

WakeReason ManualClock::sleepUntil(SteadyTime deadline, const std::function<bool()>& stop) {
    const nanoseconds target = deadline.time_since_epoch();
    std::function<void()> hook;
    {
        std::unique_lock lock(mutex_);
        if (stop && stop()) {
            return WakeReason::stopped;
        }
        if (autoAdvance_) {
            const nanoseconds step = target > steady_ ? target - steady_ : nanoseconds(0);
            sleeps_.push_back(step);
            steady_ += step;
            utc_ += step;
            hook = hook_;
        } else {
            const nanoseconds start = steady_;
            ++waiting_;
            cv_.notify_all();
            while (steady_ < target) {
                if (stop && stop()) {
                    --waiting_;
                    return WakeReason::stopped;
                }
                cv_.wait(lock);
            }
            --waiting_;
            sleeps_.push_back(steady_ - start);
        }
    }
    if (hook) {
        hook();
    }
    return WakeReason::deadline;
}

void ManualClock::wake() {
    { std::lock_guard lock(mutex_); }
    cv_.notify_all();
}

void ManualClock::advance(nanoseconds step) {
    {
        std::lock_guard lock(mutex_);
        steady_ += step;
        utc_ += step;
    }
    cv_.notify_all();
}

void ManualClock::setUtcSeconds(double utcSeconds) {
    std::lock_guard lock(mutex_);
    utc_ = nanoseconds(static_cast<nanoseconds::rep>(std::llround(utcSeconds * 1e9)));
}

void ManualClock::setAutoAdvance(bool on) {
    {
        std::lock_guard lock(mutex_);
        autoAdvance_ = on;
    }
    cv_.notify_all();
}

void ManualClock::setSleepHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<nanoseconds> ManualClock::sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

std::size_t ManualClock::sleepCount() const {
    std::lock_guard lock(mutex_);
    return sleeps_.size();
}

int ManualClock::waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_;
}

} // namespace ksb::test

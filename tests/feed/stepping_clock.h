#pragma once
// A clock for tests that run the readers on their own threads: time stands still, and a sleep
// lasts until the test releases it or its stop test holds. The test waits for a sleep to begin
// (an event) before it releases it, so no step can be lost to a race.
#include "core/clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <list>
#include <mutex>
#include <vector>

namespace ksb::test {

class SteppingClock final : public Clock {
public:
    using Ms = std::chrono::milliseconds;
    // A bound on every wait of the test side, so that a broken reader fails the test instead of
    // hanging it.
    static constexpr std::chrono::seconds kSafety{30};

    explicit SteppingClock(double utcSeconds)
        : utc_(std::chrono::duration_cast<UtcTime::duration>(
              std::chrono::duration<double>(utcSeconds))) {}

    UtcTime utcNow() override { return UtcTime(utc_); }
    SteadyTime steadyNow() override { return SteadyTime(std::chrono::hours(1000)); }

    WakeReason sleepUntil(SteadyTime deadline, const std::function<bool()>& stop) override {
        const Ms duration = std::chrono::duration_cast<Ms>(deadline - steadyNow());
        std::unique_lock lock(mutex_);
        if (stop && stop()) {
            return WakeReason::stopped;
        }
        began_.push_back(duration);
        Sleeper& sleeper = pending_.emplace_back(Sleeper{duration, false});
        cv_.notify_all();
        while (!sleeper.released) {
            if (stop && stop()) {
                forget(sleeper);
                return WakeReason::stopped;
            }
            cv_.wait(lock);
        }
        forget(sleeper);
        return WakeReason::deadline;
    }

    void wake() override {
        { std::lock_guard lock(mutex_); }
        cv_.notify_all();
    }

    // Waits until a sleep of the duration is pending; false after the safety bound.
    bool waitForSleep(Ms duration) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, kSafety, [&] { return pendingCount(duration) > 0; });
    }
    // Ends the pending sleeps of the duration; returns how many.
    int release(Ms duration) {
        int count = 0;
        {
            std::lock_guard lock(mutex_);
            for (Sleeper& sleeper : pending_) {
                if (sleeper.duration == duration && !sleeper.released) {
                    sleeper.released = true;
                    ++count;
                }
            }
        }
        cv_.notify_all();
        return count;
    }
    // Every sleep begun so far, in order.
    std::vector<Ms> began() const {
        std::lock_guard lock(mutex_);
        return began_;
    }

private:
    struct Sleeper {
        Ms duration;
        bool released;
    };

    void forget(const Sleeper& sleeper) {
        pending_.remove_if([&](const Sleeper& s) { return &s == &sleeper; });
        cv_.notify_all();
    }
    int pendingCount(Ms duration) const {
        return static_cast<int>(
            std::count_if(pending_.begin(), pending_.end(),
                          [&](const Sleeper& s) { return s.duration == duration && !s.released; }));
    }

    const UtcTime::duration utc_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::list<Sleeper> pending_;
    std::vector<Ms> began_;
};

} // namespace ksb::test

#include "core/clock.h"

#include "core/globals.h"

#include <condition_variable>
#include <mutex>

namespace ksb {

namespace {

class SystemClock final : public Clock {
public:
    UtcTime utcNow() override { return std::chrono::system_clock::now(); }
    SteadyTime steadyNow() override { return std::chrono::steady_clock::now(); }

    WakeReason sleepUntil(SteadyTime deadline, const std::function<bool()>& stop) override {
        std::unique_lock lock(mutex_);
        while (true) {
            if (stop && stop()) {
                return WakeReason::stopped;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return WakeReason::deadline;
            }
            cv_.wait_until(lock, deadline);
        }
    }

    void wake() override {
        // Taking the mutex orders the caller's stop flag before the sleeper's next test.
        { std::lock_guard lock(mutex_); }
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
};

SystemClock& lf_systemClock() {
    static SystemClock clock;
    return clock;
}

} // namespace

Clock& gf_clock() {
    Clock* installed = installedClock.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : lf_systemClock();
}

void gf_setClock(Clock* clock) {
    installedClock.store(clock, std::memory_order_release);
}

void gf_wakeSleepers() {
    lf_systemClock().wake();
    Clock* installed = installedClock.load(std::memory_order_acquire);
    if (installed != nullptr) {
        installed->wake();
    }
}

double gf_utcSecondsNow() {
    using namespace std::chrono;
    return duration<double>(gf_clock().utcNow().time_since_epoch()).count();
}

WakeReason gf_sleepFor(std::chrono::steady_clock::duration duration,
                       const std::function<bool()>& stop) {
    Clock& clock = gf_clock();
    return clock.sleepUntil(clock.steadyNow() + duration, stop);
}

} // namespace ksb

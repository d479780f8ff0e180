#pragma once
// Windows needs a finer timer resolution for short sleeps; Linux sleeps precisely already, so the
// scope does nothing here.

namespace platform {

class TimerResolutionScope {
public:
    explicit TimerResolutionScope(int milliseconds) noexcept { (void)milliseconds; }
    ~TimerResolutionScope() = default;
    TimerResolutionScope(const TimerResolutionScope&) = delete;
    TimerResolutionScope& operator=(const TimerResolutionScope&) = delete;
};

} // namespace platform

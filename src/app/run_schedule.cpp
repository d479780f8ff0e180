#include "app/run_schedule.h"

using namespace std::chrono_literals;

SecondWork lf_secondWork(int n) {
    SecondWork work;
    work.fifteen = n % 15 == 0;
    work.thirty = work.fifteen && n % 30 == 0;
    work.minute = work.thirty && n % 60 == 0;
    work.twentyMinutes = work.minute && n % 1200 == 0;
    work.day = work.twentyMinutes && n % 86400 == 0;
    work.parkCheck = !work.fifteen && n % 16 == 0;
    work.twinPass = !work.fifteen && n % 61 == 0;
    return work;
}

int lf_minutesToRenewal(int n) {
    return 20 - ((n / 60) % 20);
}

RenewalStep lf_renewalStep(bool requested, bool phase) {
    if (!requested) {
        return RenewalStep::none;
    }
    return phase ? RenewalStep::second : RenewalStep::first;
}

SteadyTime lf_nextDeadline(SteadyTime deadline, SteadyTime now, bool secondTickPending) {
    return secondTickPending ? now + 10ms : deadline + 10ms;
}

bool lf_sleepNeeded(SteadyTime deadline, SteadyTime now) {
    return deadline - now >= 1ms;
}

#include "app/close_on_signal.h"

#include "core/run_values.h"
#include "platform/termination_signals.h"

void gf_closeOnTerminationSignal(const std::function<void()>& close) {
    platform::drainTerminationWake();
    if (!platform::terminationPending() || exitInProgress.load() != 0) {
        return;
    }
    if (platform::takeTermination()) {
        close();
    }
}

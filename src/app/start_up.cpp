#include "app/start_up.h"

#include "core/run_values.h"

// PLACEHOLDER ("Start-up sequence"): the worker only gives back the count the window took for it.
void lf_startUpKSBY() {
    activeWorkers.fetch_sub(1);
}

#include "core/range_fields_hook.h"

#include "core/globals.h"

void gf_setRangeFieldsUpdater(void (*updater)()) {
    installedRangeFieldsUpdater.store(updater);
}

void gf_updateRangeFields() {
    if (void (*updater)() = installedRangeFieldsUpdater.load()) {
        updater();
    }
}

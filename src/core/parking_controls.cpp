#include "core/parking_controls.h"

#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"

#include <cstdint>

void lf_enableParkingControls() {
    const bool enable = !RT_PARKTRAFFIC_ONLY.value();
    for (const std::uint16_t id :
         {parking_percentage.commandId(), MAX_FIT_FL.commandId(), INITIAL_LOAD_ONLY.commandId(),
          PARK_SOFT.commandId(), PARK_FAKE.commandId(), WEEK.commandId()}) {
        gf_enableControl(id, enable);
    }
    if (enable) {
        lf_showIntParameter(parking_percentage);
        lf_showFloatParameter(MAX_FIT_FL);
    } else {
        lf_setControlText(parking_percentage.commandId());
        lf_setControlText(MAX_FIT_FL.commandId());
    }
    gf_invalidate(kControlsRegion);
}

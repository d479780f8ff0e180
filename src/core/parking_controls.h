#pragma once

// The parked-traffic controls (parking_percentage, MAX_FIT_FL, INITIAL_LOAD_ONLY, PARK_SOFT,
// PARK_FAKE, WEEK) are enabled exactly while RT_PARKTRAFFIC_ONLY is off; then the two fields
// show their values, otherwise they are emptied.
void lf_enableParkingControls();

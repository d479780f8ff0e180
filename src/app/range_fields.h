#pragma once
#include <optional>

// The automatic injection radius (while AUTO_RANGE is on): 8 nm on the ground or within 5 nm of
// the chosen park airport, 40 nm above AIRPORT_HEIGHT or from 37 nm on, the distance + 3 between.
// LATERAL_RANGE takes it (not saved); when that changed, the field shows it and the feed's query
// box follows.
void lf_updateRangeFields();

// The radius in nm for a user position (without clamping): the bands above. distanceNm is the
// distance to the chosen park airport, or nothing when none is chosen.
int lf_automaticRangeNm(bool onGround, double altitudeFeet, int airportHeightFeet,
                        std::optional<double> distanceNm);

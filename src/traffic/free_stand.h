#pragma once
// The free stand of the park airport that a standing aircraft takes.
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/geodesy.h"

namespace ksb {

// The nearest free stand within maxNm that the flight fits (or, failing that, one it was seen
// on); nullptr when there is none. A too-small stand right under the flight is enlarged.
ParkPosition* gf_findFreeStand(const Position& position, const Flight& flight, double maxNm,
                               bool allowByObservation);

} // namespace ksb

#include "core/airport_records.h"

#include "core/geodesy.h"

ParkPosition::ParkPosition(std::vector<StandObservation>&& observations, std::string&& name,
                           double latitude, double longitude, double headingRad,
                           double radiusMetres, bool cargo, bool ramp, bool heli)
    : observations(std::move(observations)), name(std::move(name)), latitude(latitude),
      longitude(longitude), heading(headingRad), radius(radiusMetres * kNMPerMetre), cargo(cargo),
      ramp(ramp), heli(heli) {
    adjacentStandIds.reserve(8);
}

#include "traffic/live_aircraft.h"

LiveAircraft::LiveAircraft(const PositionSample& first, const Flight& flight, double stamp)
    : AiAircraft{flight}, lastFeedTimeStamp(stamp) {
    samples.push_back(first);
}

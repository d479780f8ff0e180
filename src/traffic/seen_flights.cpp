#include "traffic/seen_flights.h"

#include "traffic/traffic_state.h"

void gf_clearStaticLists() {
    trafficState.seenCallsigns.clear();
    trafficState.seenFlightIds.clear();
    trafficState.feedServices.takeSeenFlights(trafficState.seenCallsigns,
                                              trafficState.seenFlightIds);
}

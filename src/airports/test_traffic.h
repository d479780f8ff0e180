#pragma once
// Made-up soft observations for the current half hour on the park airport's stands, so that
// static parking can be tried at an airport nothing was learned at yet. They are never saved.
#include "core/airport_records.h"

#include <cstdint>
#include <string_view>
#include <vector>

struct TestTrafficContext {
    std::string_view stem; // the airport file's stem; its first letter picks the airliners
    std::int32_t weekday = 0;
    std::int32_t halfHour = 0;
    std::int32_t number = 1; // the next test flight's running number
};

// One test observation on every stand that a candidate type fits, numbered from 1 in list order.
void lf_makeTestTraffic(std::string_view stem, std::vector<ParkPosition>& stands);
// At most one test observation on the stand; the number goes up only when one is made.
void lf_makeTestFlights(TestTrafficContext& context, ParkPosition& stand);

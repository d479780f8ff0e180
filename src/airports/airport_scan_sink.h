#pragma once
// Where the BGL decoder hands each decoded airport: the add-on scan links or writes it, tests
// record it, the benchmark counts it. The decoder knows nothing else of the scan.
#include "airports/airports.h"

#include <string>
#include <string_view>

namespace ksb {

class AirportScanSink {
public:
    virtual ~AirportScanSink() = default;
    // Run before the stands are decoded: fills the BGL path and publisher, returns whether the
    // airport was linked, and its archived stand count (0 when not linked).
    virtual bool linkArchivedAirport(ScannedAirport& airport, int& archivedStandCount,
                                     std::string_view bglPath) = 0;
    // Nothing is written for an airport without stands.
    virtual void generateApf(ScannedAirport& airport) = 0;
    virtual void addScanLogLine(std::string line) = 0;
};

} // namespace ksb

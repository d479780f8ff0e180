#pragma once
// The records of the aircraft and livery catalogue that other subsystems read. Plain data.
#include <cstdint>
#include <string>

// One installed livery. Titles reach the simulator byte for byte.
struct LiveryRecord {
    std::string airline; // "ZZZ" without an airline, "PVT" private
    std::string type;    // ICAO aircraft type
    std::string title;
    std::string atcid; // the single registration given with the livery, or empty
    // The root folder it was found in, 1 to 10; 0 when read back from the liveries file.
    std::int32_t priority = 0;
    bool cargo = false;
};

// One registration of the aircraft database; the registration is the key it is stored under.
struct DbaseRecord {
    std::string airline;
    std::string type; // ICAO aircraft type
    std::string operatorCode;
    bool cargo = false;
};

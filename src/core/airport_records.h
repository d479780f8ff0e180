#pragma once
// The records of airports, stands and park airports. Plain data: the airports subsystem and
// the traffic engine add their behaviour.
#include "core/flight_key_hash.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One entry of the airports list.
struct Airport {
    std::string code; // ICAO; the list's sort and lookup key
    std::string iata; // empty when the list gives none
    double lat = 0.0;
    double lon = 0.0;
    double alt = 0.0; // feet; read as a float, so only single precision
};

// One aircraft seen parked on a stand (a stand option).
struct StandObservation {
    std::string airline;
    std::string type; // ICAO aircraft type
    std::string registration;
    std::string callsign;
    std::string coupledCallsign;
    std::bitset<48> halfHours; // bit n: half-hour slot n of the UTC day
    // 1-based among the stand's observations; 0 marks one that counts nowhere and is not saved.
    std::uint32_t sequenceNumber = 0;
    std::int32_t day = 0; // weekday 1 (Monday) to 7 (Sunday); 0 when a file gives none
    bool learned = false; // belongs in the learned file
    bool soft = false;    // inferred rather than observed parking
    // Run time only, never in a file: test traffic, which no save writes.
    bool testTraffic = false;
    // Run time only, never in a file: the stand search gave its aircraft no static place (it
    // flies live or stands elsewhere); the searches pass it over, learning and saving do not.
    bool excluded = false;
};

// Where a learning map last recorded an aircraft on a stand.
struct StandSearchEntry {
    std::int32_t day = 0;     // weekday 1..7
    std::int32_t slot = 0;    // half hour 0..47
    std::uint32_t option = 0; // sequence number of the observation that holds the aircraft
};
using StandSearchMap = std::unordered_map<std::uint32_t, StandSearchEntry, ksb::FlightKeyHash>;

// An empty tracking map as every stand starts with: room for 8 keys (the library may round the
// bucket count up), maximum load factor 1.0.
inline StandSearchMap gf_newStandSearchMap() {
    StandSearchMap map(8);
    map.max_load_factor(1.0f);
    return map;
}

// One stand.
struct ParkPosition {
    ParkPosition() = default;
    // A stand as a file gives it: the radius in metres is kept in nautical miles; no stand id
    // yet, every flag not given false, room for 8 adjacent stands.
    ParkPosition(std::vector<StandObservation>&& observations, std::string&& name, double latitude,
                 double longitude, double headingRad, double radiusMetres, bool cargo, bool ramp,
                 bool heli);

    std::vector<StandObservation> observations;
    StandSearchMap realSearchMap = gf_newStandSearchMap();
    StandSearchMap softSearchMap = gf_newStandSearchMap();
    std::string name; // the stand id text; stands are matched by it
    std::vector<std::uint32_t> adjacentStandIds;
    double latitude = 0.0;
    double longitude = 0.0;
    double heading = 0.0;      // radians
    double radius = 0.0;       // nautical miles
    std::uint32_t standId = 0; // 1, 2, 3 ... in table order once loaded
    bool manual = false;
    bool radiusChanged = false;
    bool cargoChanged = false;
    bool relettered = false;
    // Run-time flags of the stand search, never saved.
    bool taken = false;         // given to a static parked aircraft of the current plan
    bool occupied = false;      // a live aircraft is parked on it
    bool blocked = false;       // no static parked aircraft may be planned on it
    bool adjacentTaken = false; // an adjacent stand is taken
    bool cargo = false;
    bool ramp = false;
    bool heli = false;
};

// One planned static parked aircraft.
struct StandToFill {
    std::uint32_t flightId = 0; // 0 for learned entries
    // Learned entries: the time fit in half hours; parked-traffic entries: the record's age.
    std::int32_t sortKey = 0;
    std::string airline;
    std::string type; // ICAO aircraft type
    std::uint32_t standId = 0;
    std::string callsign;
    std::string coupledCallsign; // the tail number when stays is clear
    std::string registration;
    bool fromParkTraffic = false;
    bool stays = false;
};

// One candidate park airport.
struct ParkAirport {
    std::string name; // ICAO code
    std::string reservedStand;
    double latitude = 0.0;
    double longitude = 0.0;
    double distance = 0.0; // nautical miles from the user aircraft; 0 until sorted
};

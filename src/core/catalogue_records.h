#pragma once
// The records of the aircraft and livery catalogue that other subsystems read. Plain data.
#include <cstdint>
#include <string>
#include <tuple>

// One installed livery. Titles reach the simulator byte for byte.
struct LiveryRecord {
    std::string airline; // "ZZZ" without an airline, "PVT" private
    std::string type;    // ICAO aircraft type
    std::string title;
    std::string atcid; // the single registration given with the livery, or empty
    // The root folder it was found in, 1 to 10; 0 when read back from the liveries file.
    std::int32_t priority = 0;
    bool cargo = false;

    // The priority only says where a livery was found, not which livery it is.
    bool operator==(const LiveryRecord& other) const {
        return std::tie(airline, type, title, atcid, cargo) ==
               std::tie(other.airline, other.type, other.title, other.atcid, other.cargo);
    }
    // Byte-wise: airline, type, atcid, title, then pax before cargo. Records of one airline and
    // type stay together, those without an atcid first, ordered by title; the order also decides
    // which of two liveries keeps a shared in-line registration.
    bool operator<(const LiveryRecord& other) const {
        return std::tie(airline, type, atcid, title, cargo) <
               std::tie(other.airline, other.type, other.atcid, other.title, other.cargo);
    }
};

// One registration of the aircraft database; the registration is the key it is stored under.
struct DbaseRecord {
    std::string airline;
    std::string type; // ICAO aircraft type
    std::string operatorCode;
    bool cargo = false;
};

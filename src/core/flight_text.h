#pragma once
// Texts built from flight records for the traffic and catalogue log lines and reports. They
// must stay byte-exact: the log lines and report files are compared with earlier runs.
#include "core/flight_records.h"

#include <string>
#include <string_view>

// "{:3} {:4}": airline padded to 3, a blank, type padded to 4 (longer texts unchanged).
std::string gf_airlineTypeKey(std::string_view airline, std::string_view type);

// Any record whose first two texts are airline and type (flights, stand options, plans).
template <class Record>
concept AirlineTypeRecord = requires(const Record& record) {
    std::string_view(record.airline);
    std::string_view(record.type);
};

template <AirlineTypeRecord Record> std::string gf_airlineTypeKey(const Record& record) {
    return gf_airlineTypeKey(std::string_view(record.airline), std::string_view(record.type));
}

// True when both airline texts and both type texts are byte-equal.
template <AirlineTypeRecord First, AirlineTypeRecord Second>
bool gf_sameAirlineAndType(const First& first, const Second& second) {
    return std::string_view(first.airline) == std::string_view(second.airline) &&
           std::string_view(first.type) == std::string_view(second.type);
}

// "{:3}->{:3}" of departure and destination; eight blanks when both are empty.
std::string gf_routeText(std::string_view departure, std::string_view destination);

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft" for 0..5; any other value throws
// std::out_of_range "invalid unordered_map<K, T> key".
std::string_view gf_categoryName(int category);
std::string_view gf_categoryName(AircraftCategory category);

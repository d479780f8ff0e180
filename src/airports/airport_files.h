#pragma once
// The steps of the airport-file lookup, writer and reader that only this folder and its tests
// call.
#include "airports/airports.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

// parking_percentage while the park airport has no learned file.
inline constexpr std::int32_t kParkingPercentageWithoutFile = 30;

// The sequence number of an observation added to the stand: one after its last observation's, 1
// for its first.
inline std::uint32_t lf_nextSequenceNumber(const ParkPosition& stand) {
    return stand.observations.empty() ? 1 : stand.observations.back().sequenceNumber + 1;
}

// The first line of the link file, cut after its last 'l' (the end of ".xml"), when it names an
// existing file: true, with that path in target.
bool lf_followApfLink(const std::filesystem::path& linkFile, std::filesystem::path& target);

// The writer's steps; each is false when an element or attribute could not be appended.
// <parameters> with the file kind's parameters, appended to the document.
bool lf_writeApfParameters(pugi::xml_node document, const ScannedAirport& airport, bool learned,
                           bool handmade);
// One <parkpos>: a full record, a change record or the id alone, and in a learned file its
// <opt> children.
bool lf_writeParkPos(pugi::xml_node parkpositions, const ParkPosition& stand, bool learned,
                     bool handmade);
// One <opt>; nothing for an observation that counts nowhere (sequence number 0) or is test
// traffic.
bool lf_writeObservation(pugi::xml_node parkpos, const StandObservation& observation);

// One <opt> as an observation: callsigns, registration, airline and type (the aircraft
// database's when it knows the registration), soft, day and half hours; learned false and no
// sequence number.
StandObservation lf_readOpt(pugi::xml_node opt);
// A <parkpos> element's stand with the observations given: position, heading in degrees,
// radius in metres, and the heli, ramp and cargo flags.
ParkPosition lf_readStand(pugi::xml_node parkpos, std::string&& id,
                          std::vector<StandObservation>&& observations);
// The element's ("airl", "type"), each "" when missing.
std::pair<std::string, std::string> lf_readObservationTypes(pugi::xml_node opt);

// The park airport's learned file: its settings applied, its stands merged into stands (or, for
// a handmade file, replacing them; handmade is then set). A file that cannot be used in full is
// kept as "<stem>0.xml" beside it. Logs what it skips; never throws for the file's content.
void lf_readLearned(const std::filesystem::path& path, const std::string& apfAirportName,
                    std::vector<ParkPosition>& stands, bool& handmade);
// Applies a learned <parkpos> to the stand when the stand's name is exactly id: its radius and
// cargo changes, and its <opt> children that the stand does not have yet, numbered on.
bool lf_readLearnedParkPos(std::string_view id, pugi::xml_node parkpos, ParkPosition& stand);
// Same weekday, soft flag, registration, airline and type, and a half hour in common.
bool lf_sameObservation(const StandObservation& added, const StandObservation& existing);
// A CUSTOM_PARKING_PERCENTAGE of 0 or more replaces parking_percentage (not shown): the line that
// says so, else empty.
std::string lf_customParkingPercentage();
// MAX_FIT clamped to 0..47, MAX_FIT_FL in hours from it, shown and logged.
void lf_setMaxFit(std::int32_t halfHours);

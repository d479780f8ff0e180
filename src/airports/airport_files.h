#pragma once
// The steps of the airport-file lookup, writer and reader that only this folder and its tests
// call.
#include "airports/airports.h"

#include <pugixml.hpp>

#include <filesystem>
#include <string>
#include <utility>

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

// The element's ("airl", "type"), each "" when missing.
std::pair<std::string, std::string> lf_readObservationTypes(pugi::xml_node opt);

#pragma once
// Keys and headers of aircraft.cfg and sim.cfg lines. Each key extractor matches the whole line
// as "\s*(key)\s*=\s*(.*\S)\s*" would (ECMAScript, ignoring case): the value runs from its first
// to its last non-blank character, text after it (a comment) included. Hand-written, since a
// regex engine that recurses per character overflows the stack on very long lines.
#include <string>
#include <string_view>

// The value of "key = value" (key ASCII, matched ignoring case); empty when the line does not
// match or the value is empty.
std::string lf_matchKeyValue(std::string_view line, std::string_view key);

// True and out set when the line gives a value; out is left unchanged otherwise.
bool lf_matchTitle(std::string_view line, std::string& out);
bool lf_matchSim(std::string_view line, std::string& out);
bool lf_matchModel(std::string_view line, std::string& out);
bool lf_matchTexture(std::string_view line, std::string& out);
bool lf_matchAtcId(std::string_view line, std::string& out);
bool lf_matchAtcParkingTypes(std::string_view line, std::string& out);
std::string lf_matchAtcModel(std::string_view line);
std::string lf_matchAtcParkingCodes(std::string_view line);

// Exact, case-sensitive substring tests.
bool lf_hasAtcIdKey(std::string_view line);
bool lf_hasAtcParkingTypesKey(std::string_view line);

// The number of a [fltsim.N] header line; "10000" for a header without a usable number; empty
// for any other line (also one that starts with "//").
std::string lf_matchFltSimHeader(std::string_view line);

// "BOE", "AIB", "EMB", "BBA" or "AED".
bool lf_isManufacturerCode(std::string_view code);

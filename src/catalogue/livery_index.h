#pragma once
// The liveries file output/LiveriesScanned.xml and the livery index built from the scanned
// records (catalogue/catalogue_state.h). All of it runs on the worker thread during start-up.
#include "core/catalogue_records.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

// Writes the scanned records to the liveries file, replacing it atomically; nothing when there
// are none.
void gf_writeLiveriesXml();
// One "liv" element: airl, type, cargo (only "true"), title, atcid.
void lf_appendLiveryElement(pugi::xml_node root, const LiveryRecord& record);
// Replaces the scanned records with those of the liveries file. Throws
// ksb::UserErrorException 51 (not loaded), 52 (no "liveries" element) and 53 (no record).
void gf_readLiveriesXml();
// Empties what a scan collects besides the records.
void gf_clearLiveryLists();
// Builds the livery index from the scanned records, logs what was found per category and
// switches off the traffic check boxes of categories with nothing installed.
void gf_processScannedLiveries();

// The stored title of the index equal to the text; an empty view when no livery has it.
std::string_view lf_findTitleInIndex(const std::string& title);
bool gf_hasAirlineModelLiveries(const std::string& airline, const std::string& type);
bool gf_hasGenericLiveries(const std::string& type);
// The airline codes of the index, each cut to 3 characters, in the index's order.
std::vector<std::string> lf_liveryAirlineCodes();

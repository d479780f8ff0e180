#pragma once
// The airports-and-stands services that the application and the traffic engine call: the
// airports list, the add-on scan, the park airport, and the airport files and learned files
// under "airports" (paths relative to the working folder).
#include "core/airport_records.h"
#include "core/geodesy.h"

#include <pugixml.hpp>

#include <bitset>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Loads input/airports_p3d.xml into the airports list on its first successful call in the
// process and logs the count. A missing or bad file throws ksb::UserErrorException 87 or 88 and
// leaves the list as it was.
void gf_readAirports();
// The first airport of the list with exactly this code.
std::optional<Airport> gf_findAirport(std::string_view code);
// The closest airport within 5 NM of the position; of two such airports the one whose nearest
// stand is nearer the position (the closest on a tie or without stands).
std::optional<Airport> gf_findClosestAirport(const Position& position);
// "EHAM (AMS)": the code, "?" without one, and the IATA code in brackets when there is one.
std::string gf_airportDisplayName(const Airport& airport);
// The add-on airport scan: automatic discovery when automatic is set, else over the given afolder
// texts (the discovery appends to them). Writes into airports/my_ORBX and airports/my_thirdparty,
// which the caller has emptied; ends early on an exit or a stop. True when it found add-on
// airports.
bool gf_scanAddonAirports(bool automatic, std::vector<std::string>& folders);
// Closes the park airport (its learned file is saved first when something was learned or
// changed); the exit calls it once before it waits for the workers. The caller holds
// trafficMutex. Never throws.
void gf_resetParkAirport();
struct QualityFactors;
// Loads the park airport named in gf_parkAirportState() from the airport file and its learned
// file; the caller passes the state's airport name, quality factors and stands and holds
// trafficMutex. result: empty on success, else what failed ("no stands found" for a loaded
// airport without stands).
void gf_readApf(std::string& result, const std::filesystem::path& apfPath, std::string& airportName,
                QualityFactors& qualityFactors, std::vector<ParkPosition>& stands);
// Writes the loaded park airport's learned file and reports it on the message line; zeroes the
// update count and the settings-changed flag either way. The caller holds trafficMutex.
void gf_saveParkAirportApf();

// What the airport-file writer puts into a generated airport file or a learned file.
struct ScannedAirport {
    std::string ident; // the airport code, the file's name without ".xml"
    std::string airportName;
    std::string bglPath;                 // the BGL file the stands were decoded from
    std::string publisher;               // "stock", "ORBX", a publisher's name or "unknown"
    std::int32_t trafficWeek = 0;        // archive files carry it; never written
    std::int32_t realQualityFactor = -1; // percent; -1 when no stand has real observations
    std::int32_t softQualityFactor = -1;
    std::int32_t altitude = 0; // feet
    std::vector<ParkPosition> stands;
};

// Half-hour sets as files hold them: "14,15,16", the empty text for the empty set.
std::string gf_bitset2hours(const std::bitset<48>& halfHours);
// Reads such a text, a trailing comma allowed. A piece that is no number in 0..47 ends the
// reading with the warning line "exception {reason} in lf_hours2bitset"; the slots before it
// stay set.
std::bitset<48> lf_hours2bitset(std::string_view text);

// "<code>.xml" and "<code>.txt" (a link file).
std::string gf_xmlFileName(std::string_view code);
std::string gf_txtFileName(std::string_view code);
// The airport's file: the my_thirdparty link, the my_thirdparty file, the my_ORBX link, the
// my_ORBX file, the stock archive file, the first that exists; a link whose target is missing
// is passed over. The empty path when there is none.
std::filesystem::path gf_findApfPath(std::string_view code);
// True when any of those five files exists, a link counting without a look at its target.
bool gf_apfExists(std::string_view code);
// The learned file of an airport file: "archive" becomes "learned", my_ORBX learned/ORBX and
// my_thirdparty learned/thirdparty/<the file's publisher>. Any other path comes back unchanged.
// A publisher that is not a plain folder name is logged and left out.
std::filesystem::path lf_learnedPathFor(const std::filesystem::path& apfPath);
// The 4-character airport codes of the ".xml" files (any case) directly in the folder, in
// directory order. A failure to read the folder throws std::filesystem::filesystem_error.
std::vector<std::string> gf_listAirportCodes(const std::filesystem::path& folder);

// Writes a generated airport file (learned false) or a learned file, replacing the file at
// the path atomically. handmade: the park airport is handmade (the scan passes false). False
// when anything failed; the old file is then untouched. Logs nothing: the caller reports.
bool gf_saveApf(const ScannedAirport& airport, const std::filesystem::path& path, bool learned,
                bool handmade);

// Appends the stands of the document's <parkpositions> to stands. The aircraft database gives
// an observation's airline and type when it knows the registration. Throws
// ksb::UserErrorException 94 on a stand id seen before in this document; the stands read
// before it stay appended.
void lf_readParkPositions(const pugi::xml_document& doc, std::vector<ParkPosition>& stands);

// The parameter's "value" under <parameters>: nothing when there is no such parameter; false,
// 0 or "" when it has no value.
std::optional<bool> gf_readBoolParameter(const pugi::xml_document& doc, std::string_view name);
std::optional<std::int32_t> gf_readIntParameter(const pugi::xml_document& doc,
                                                std::string_view name);
std::optional<std::string> gf_readStringParameter(const pugi::xml_document& doc,
                                                  std::string_view name);

// Readers that look into one file without loading it as the park airport. A file that is
// missing or does not load has no parameter and no stand.
// "num_parkpos", 0 when absent.
std::int32_t lf_readNumParkpos(const std::filesystem::path& path);
// "publisher", "" when absent.
std::string lf_readPublisher(const std::filesystem::path& path);
// True when the airport's file has a stand of exactly that name.
bool gf_readApfForGateCheck(std::string_view code, std::string_view standName);
// The distance in nautical miles to the airport's stand closest to the position (the first of
// equals), whose name goes to standName; 100.0, the name untouched, when no stand is closer.
double gf_readDestApfForClosestStand(std::string_view code, const Position& position,
                                     std::string& standName);
// True when the stock archive file of the airport has a quality factor of 0 or more.
bool lf_readQualityFactors(std::string_view code);

// Percentages of how well learned observations cover the stands, real and soft; -1/-1 when no
// stand has any observation record.
struct QualityFactors {
    std::int32_t real = -1;
    std::int32_t soft = -1;
};
QualityFactors gf_computeQualityFactors(const std::vector<ParkPosition>& stands);
// One stand's score for its real (soft false) or soft observations; 0 without any.
double lf_standScore(const ParkPosition& stand, bool soft);
// The first real observation of the registration on that weekday whose half hours hold the slot
// or one next to it (across midnight); the end when there is none.
std::vector<StandObservation>::const_iterator
gf_findObservationForSlot(const std::vector<StandObservation>& observations, std::int32_t day,
                          std::int32_t slot, std::string_view registration);
// Whether an aircraft of that half wing span (nautical miles) suits the stand: the wing overhangs
// by 1.8 m at most, and the stand is less than half a step larger (14 m steps up to a 17.8 m
// half span, 21 m above).
bool gf_standRadiusFits(const ParkPosition& stand, double halfSpanNm);
// How much larger than the aircraft the stand is, in those steps rounded (0 for a good fit);
// nothing when the wing overhangs by more than 1.8 m.
std::optional<int> gf_standRadiusScore(const ParkPosition& stand, double halfSpanNm);

// The main window's quality text: "  " without factors, "rr/ss" below 45 %, else "rr".
std::string gf_qualityFactorsText(std::int32_t realQualityFactor, std::int32_t softQualityFactor);

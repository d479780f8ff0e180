#pragma once
// The aircraft database: type categories, similar and substitute types, airline codes,
// publishers, wing spans and the records of real registrations, read once per process from
// input/dbase.xml. The lookups only read and never throw, so any thread may call them once the
// read is over. Below them, the livery matcher and the liveries the simulator refused.
#include "core/catalogue_records.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Flight;
struct ParkPosition;

// Reads input/dbase.xml into the database (catalogue/catalogue_state.h), starting from an empty
// one. True after a complete read. Throws ksb::UserErrorException 60 (file not parsed) and 61 (an
// empty list section; nothing of the later sections is read), ksb::SysErrorException 299 and 288
// (publishers, wingspans), and the codec's std::runtime_error for an airline field of a bad
// length.
bool gf_readDbase();

// The AircraftCategory: large 2, heavy 3, buzjet 1, rotorcraft 5, high performance 4, tested in
// that order; 0 for any other type.
int gf_typeCategory(const std::string& type);
bool gf_isKnownType(const std::string& type);
bool gf_isIcaoAirline(const std::string& airline);
// Half wing span in nautical miles; the category's mean for a type without an entry.
double gf_wingspanOfType(const std::string& type);
// True only when the type has a wing-span entry of its own.
bool gf_hasWingspan(const std::string& type);

// The spellings tried for a registration: as given; for 5 or more characters not beginning
// with 'N' and without '-', also "DA-IPA" and "D-AIPA" forms of "DAIPA".
std::vector<std::string> gf_registrationVariants(const std::string& registration);
// Exact lookup of one spelling; a hit is copied into the holder. A miss leaves it as it was.
bool gf_dbaseLookup(std::optional<DbaseRecord>& holder, const std::string& key);
// The record of the first variant found; absent for an empty registration or when none is.
std::optional<DbaseRecord> gf_dbaseRecordOfReg(const std::string& registration);
// The record's codes, or "".
std::string gf_dbaseAirlineOfReg(const std::string& registration);
std::string gf_dbaseTypeOfReg(const std::string& registration);
std::string gf_dbaseOperatorOfReg(const std::string& registration);

// Whether the whole text matches ".*" + name + ".*" (ECMAScript, ignoring case); an invalid
// pattern gives false.
bool gf_containsNameIcase(const std::string& text, const std::string& name);
// The first name of the first publisher group with a name in the text (as a substring, or
// through gf_containsNameIcase); "unknown" when there is none.
std::string gf_publisherOf(const std::string& text);

// Builds the similar-type tables afresh from the livery index; after every index build.
void gf_buildSimilarTypes();
// The generic-livery fallback of the matcher: the type's similar types with generic liveries,
// shuffled; for Light, Buzjets and Rotorcraft types without any, one installed model of the
// category drawn at random; otherwise an empty list. The one-model list is one scratch list,
// refilled by the next call. Matcher thread only: the lists are reordered in place.
const std::vector<std::string>& gf_substituteTypes(const std::string& type);
// The similar types of which the airline has liveries, for a type it has none of, shuffled; an
// empty list when there are none. Matcher thread only.
const std::vector<std::string>& gf_similarTypesShuffled(const std::string& airline,
                                                        const std::string& type);

// The livery matcher. Titles it sets view the title store, so they outlive an index rebuild.
// Matching runs on the thread of the traffic engine's tick; the summary and gf_isRefusedTitle
// may run on any thread.

// Gives a live flight without a title the title of an installed livery, walking the ladder only
// as deep as MATCHING_DEPTH allows; the title stays empty when nothing fits. A hit counts its
// step and sets the FSLTL flag. Never throws.
void gf_matchLiveFlightLivery(Flight& flight);
// Whether a livery of that title is an FSLTL model (the title holds "FSLTL_"); the flight's FSLTL
// flag follows its title.
bool gf_isFsltlTitle(std::string_view title);
// The same ladder for a static parked aircraft on its stand; a title it already has is kept.
// Without a registration hit the stand's cargo flag becomes the aircraft's. Counts nothing.
// True when the aircraft carries a title afterwards. Never throws.
bool gf_matchParkedLivery(Flight& flight, const ParkPosition& stand);
// The simulator refused to create the flight's livery: shown on the message line, and the title
// is never chosen again. Throws ksb::UserErrorException 81 from the 20th refusal on. Worker
// thread only, as it may add the title to the title store.
void gf_liveryNotCreated(const Flight& flight);
// Whether the simulator refused exactly this title (byte for byte).
bool gf_isRefusedTitle(std::string_view title);
// "  " + type + " " + airline of every refusal, sorted, without repeats.
std::vector<std::string> lf_listFailedLiveries();
// Log.txt: the live matches per ladder step since the program started, and the refused liveries.
void gf_printLiveryMatchSummary();

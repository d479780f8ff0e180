#pragma once
// The BGL airport decoder: which files the add-on scan hands to a worker, and what the worker
// makes of one file's airport section. Every byte is read through a bounds-checked cursor over
// the file padded with zeros to a whole 4-byte word; a read past the file, or past the
// sub-record being read, throws ksb::ByteReadError.
#include "airports/airport_scan_sink.h"
#include "airports/airports.h"
#include "core/byte_cursor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Sizes and counts at or above 2 GiB are refused as broken.
inline constexpr std::uint64_t kSizeLimit = 0x80000000u;

// How many stands took each parking name, up to 7 (the plain name and a to f). A name is keyed
// by its number and its text's first name code, so codes spelling one text share a count.
class StandNameUses {
public:
    // The uses before this one; counts it unless all seven were taken.
    std::uint32_t take(std::uint32_t nameCode, std::uint32_t number);

private:
    void grow();

    std::vector<std::uint32_t> slots_; // (key + 1) << 3 | uses; 0 is free
    std::size_t used_ = 0;
};

// What one airport record's decoding has seen so far; fresh for every record.
struct BglDecodingState {
    StandNameUses nameUses;
    std::vector<Position> helipads;
    std::int32_t helipadNumber = 1;
    bool relettered = false; // some stand name got a letter
};

// Exactly ".BGL" or ".bgl".
bool lf_isBglFile(std::string_view extension);
// Whether the file's section table lists an airport section (type 3). The path form reads only
// the 56-byte header and the section table.
bool lf_hasAirportSection(std::span<const std::uint8_t> bytes);
bool lf_hasAirportSection(const std::filesystem::path& path);

// The worker: reads the file whole and decodes it. A file that cannot be read gives nothing; a
// failure gives the report line "===> !? Exception in lf_toParkingPositions: <path>" and is
// passed on. Marks the worker finished (gf_workerFinished) as its last step, whichever way it
// ends.
void lf_toParkingPositions(const std::filesystem::path& path, ksb::AirportScanSink& sink);
// Decodes the airport records of every airport section of a file's bytes.
void lf_decodeBglBytes(std::span<const std::uint8_t> bytes, std::string_view bglPath,
                       ksb::AirportScanSink& sink);

// Four base-38 characters from a packed ident; ok only for exactly four without a blank.
std::string lf_decodeIdentifierOrRegionCode(std::uint32_t packed, bool& ok);
// One airport record at the file cursor's byte offset: link, altitude, sub-records, generate.
void lf_decodeAirportRecord(ksb::ByteCursor& file, std::size_t recordOffset, bool laterForm,
                            std::uint64_t recordSize, std::string ident, std::string_view bglPath,
                            ksb::AirportScanSink& sink);
// The NAME sub-record's text; the sub-record cursor is limited to its declared size.
std::string lf_decodeAirportNAME(ksb::ByteCursor nameRecord);
void lf_decodeHelipad(ksb::ByteCursor helipadRecord, ScannedAirport& airport,
                      BglDecodingState& state, ksb::AirportScanSink& sink);
void lf_decodeTaxiwayParking(ksb::ByteCursor parkingRecord, ScannedAirport& airport,
                             BglDecodingState& state, bool laterForm, std::string_view bglPath,
                             ksb::AirportScanSink& sink);
// The text before a parking stand's number.
std::string lf_parkingNameText(std::uint32_t nameCode);
// Of stands sharing a name the largest keeps it, the others get a, b, c ... by decreasing
// radius (stand order on equal radii).
void lf_makeParkingNamesUnique(ScannedAirport& airport);

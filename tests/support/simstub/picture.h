#pragma once
// The stand-in's traffic picture: an SVG map of the user, the scenario's marks and every AI
// object with its track, built from a snapshot of the records so that the same records give
// the same bytes.
#include "support/simstub/records.h"
#include "support/simstub/scenario.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace simstub {

struct PictureObject {
    ObjectState state; // existing, or ended (state.end set)
    std::vector<PositionRecord> positions;
    double staticCgFeet = 9.5;
};

struct PictureInput {
    ObjectState user;
    std::vector<Mark> marks;
    std::vector<PictureObject> objects; // AI objects in id order
    double groundElevation = 0.0;       // feet
    double zuluSeconds = 0.0;           // seconds since 1970
};

// The counts of the title and the summary line: AI objects that exist, those whose tail does
// not end in "*" (live) and those whose tail does (static), and their position entries.
struct PictureCounts {
    std::size_t objects = 0;
    std::size_t live = 0;
    std::size_t statics = 0;
    std::size_t positions = 0;
};

struct PictureResult {
    bool written = false;
    PictureCounts counts;
    // "simstub picture <path>: <n> AI objects (<l> live, <s> static), <p> positions", or
    // "simstub picture failed: <path>: <reason>".
    std::string line;
};

PictureCounts gf_pictureCounts(const PictureInput& input);
std::string gf_pictureSvg(const PictureInput& input);
// Writes the picture atomically (a temporary file, then a rename).
PictureResult gf_writePicture(const std::filesystem::path& path, const PictureInput& input);

} // namespace simstub

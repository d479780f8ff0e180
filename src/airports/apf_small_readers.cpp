// Looks into one airport file without loading it as the park airport.
#include "airports/airports.h"

#include "core/config_paths.h"
#include "core/log.h"
#include "core/parameters_file.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>

#include <exception>

namespace fs = std::filesystem;

namespace {

// The closest-stand search reports nothing farther than this, in nautical miles.
constexpr double kNoStandDistance = 100.0;
// From this real quality factor on, the soft one is not shown.
constexpr std::int32_t kRealFactorAlone = 45;

// The airport's file, loaded; a null node when it has none or it does not load.
pugi::xml_node lf_loadParkPositions(std::string_view code, pugi::xml_document& doc) {
    const fs::path path = gf_findApfPath(code);
    if (path.empty() || !gf_loadXmlFile(doc, path)) {
        return {};
    }
    return doc.child("parkpositions");
}

} // namespace

std::int32_t lf_readNumParkpos(const fs::path& path) {
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, path)) {
        return 0;
    }
    return gf_readIntParameter(doc, "num_parkpos").value_or(0);
}

std::string lf_readPublisher(const fs::path& path) {
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, path)) {
        return {};
    }
    return gf_readStringParameter(doc, "publisher").value_or(std::string());
}

bool gf_readApfForGateCheck(std::string_view code, std::string_view standName) {
    try {
        pugi::xml_document doc;
        for (pugi::xml_node parkpos : lf_loadParkPositions(code, doc).children("parkpos")) {
            if (gf_getAttributeValue(parkpos, "id") == standName) {
                return true;
            }
        }
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in gf_readApfForGateCheck: {}", e.what()));
    }
    return false;
}

double gf_readDestApfForClosestStand(std::string_view code, const Position& position,
                                     std::string& standName) {
    double best = kNoStandDistance;
    // The caller's name changes only with a result.
    std::string bestName;
    try {
        pugi::xml_document doc;
        for (pugi::xml_node parkpos : lf_loadParkPositions(code, doc).children("parkpos")) {
            const Position stand{gf_getAttributeDouble(parkpos, "latitude"),
                                 gf_getAttributeDouble(parkpos, "longitude")};
            const double distance = gf_distanceNM(position, stand);
            if (distance < best) {
                best = distance;
                bestName = gf_getAttributeValue(parkpos, "id");
            }
        }
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in gf_readDestApfForClosestStand: {}", e.what()));
        return kNoStandDistance;
    }
    if (best < kNoStandDistance) {
        standName = std::move(bestName);
    }
    return best;
}

bool lf_readQualityFactors(std::string_view code) {
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, gf_archiveStockFolderPath() / gf_xmlFileName(code))) {
        return false;
    }
    const auto atLeastZero = [&doc](std::string_view name) {
        const auto factor = gf_readIntParameter(doc, name);
        return factor && *factor >= 0;
    };
    return atLeastZero("Qf_real") || atLeastZero("Qf_soft");
}

std::string gf_qualityFactorsText(std::int32_t realQualityFactor, std::int32_t softQualityFactor) {
    if (realQualityFactor < 0 && softQualityFactor < 0) {
        return "  ";
    }
    if (realQualityFactor < kRealFactorAlone) {
        return fmt::format("{:2}/{:2}", realQualityFactor, softQualityFactor);
    }
    return fmt::format("{:2}", realQualityFactor);
}

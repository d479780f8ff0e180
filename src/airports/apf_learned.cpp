// Merging the park airport's learned file into its stands, and applying the file's settings.
#include "airports/airport_files.h"

#include "core/atomic_file.h"
#include "core/controls.h"
#include "core/geodesy.h"
#include "core/injection_radius.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/meta_block.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/range_fields_hook.h"
#include "core/run_values.h"
#include "core/strings.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// "EHAM.xml" is kept as "EHAM0.xml", the generation mark of the log files.
fs::path lf_backupPathFor(const fs::path& path) {
    return path.parent_path() / (path.stem().string() + "0" + path.extension().string());
}

std::string lf_readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open the file");
    }
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        throw std::runtime_error("cannot read the file");
    }
    return bytes;
}

// A learned file that is not used in full would be overwritten at the close with only part of
// what it held; a copy beside it keeps the rest.
void lf_keepLearnedFile(const fs::path& path) {
    const fs::path backup = lf_backupPathFor(path);
    std::string failure;
    try {
        const std::string bytes = lf_readWholeFile(path);
        if (!gf_replaceFileAtomically(backup, [&bytes](std::ostream& out) {
                out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            })) {
            failure = "the copy could not be written";
        }
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (failure.empty()) {
        gf_logLine(
            fmt::format("learned file \"{}\" kept as \"{}\"", path.string(), backup.string()));
    } else {
        gf_logLine(fmt::format("learned file \"{}\" could not be kept as \"{}\": {}", path.string(),
                               backup.string(), failure));
    }
}

// A bool prints as true or false.
template <class Value> void lf_logSetting(std::string_view name, Value value) {
    gf_logContinue(fmt::format("{:24}: {}", name, value));
}

void lf_applyCheckBox(const pugi::xml_document& doc, CheckBoxParameter& box) {
    if (const auto value = gf_readBoolParameter(doc, box.name())) {
        lf_setCheckBox(box, *value);
        lf_logSetting(box.name(), *value);
    }
}

// A default MAX_LIVE is shown as an empty field.
void lf_showMaxLive() {
    if (MAX_LIVE.value() == MAX_LIVE.defaultValue()) {
        lf_setControlText(MAX_LIVE.commandId());
    } else {
        lf_showIntParameter(MAX_LIVE);
    }
}

void lf_applyMaxLive(const pugi::xml_document& doc) {
    // The user's own MAX_LIVE (userMaxLive) stays as it is.
    if (const auto value = gf_readIntParameter(doc, MAX_LIVE.name())) {
        MAX_LIVE.setClamped(*value);
        lf_logSetting(MAX_LIVE.name(), MAX_LIVE.value());
    } else {
        MAX_LIVE.setRaw(MAX_LIVE.defaultValue());
    }
    lf_showMaxLive();
}

void lf_applyLateralRange(const pugi::xml_document& doc) {
    if (const auto value = gf_readIntParameter(doc, LATERAL_RANGE.name())) {
        gf_setInjectionRadius(*value);
        lf_showIntParameter(LATERAL_RANGE);
        gf_enableControl(LATERAL_RANGE.commandId(), true);
        lf_logSetting(LATERAL_RANGE.name(), LATERAL_RANGE.value());
    }
}

// As the window's check box does, but a learned file's settings are no change of the user's.
void lf_applyAutoRange(const pugi::xml_document& doc) {
    const auto on = gf_readBoolParameter(doc, AUTO_RANGE.name());
    if (!on) {
        return;
    }
    lf_setCheckBox(AUTO_RANGE, *on);
    gf_enableControl(LATERAL_RANGE.commandId(), false);
    if (*on) {
        userLateralRange = LATERAL_RANGE.value();
        gf_updateRangeFields();
    } else {
        gf_enableControl(LATERAL_RANGE.commandId(), true);
        gf_setInjectionRadius(userLateralRange.load());
        gf_clearMessage();
    }
    lf_showIntParameter(LATERAL_RANGE);
    lf_logSetting(AUTO_RANGE.name(), *on);
}

void lf_applyParkingPercentage(const pugi::xml_document& doc) {
    if (const auto value = gf_readIntParameter(doc, parking_percentage.name())) {
        parking_percentage.setClamped(*value);
        lf_logSetting(parking_percentage.name(), parking_percentage.value());
    } else {
        parking_percentage.setRaw(kParkingPercentageWithoutFile);
    }
    if (const std::string overruled = lf_customParkingPercentage(); !overruled.empty()) {
        gf_showMessage(overruled, true);
    }
    lf_showIntParameter(parking_percentage);
}

void lf_applyMaxFit(const pugi::xml_document& doc) {
    auto value = gf_readIntParameter(doc, MAX_FIT.name());
    if (!value) {
        value = gf_readIntParameter(doc, "MAX_FIT_WEEK");
    }
    if (value) {
        lf_setMaxFit(*value);
    }
}

void lf_applySettings(const pugi::xml_document& doc) {
    lf_applyCheckBox(doc, LEARN_SOFT);
    lf_applyMaxLive(doc);
    lf_applyLateralRange(doc);
    lf_applyAutoRange(doc);
    lf_applyCheckBox(doc, PARK_FAKE);
    lf_applyCheckBox(doc, WEEK);
    lf_applyCheckBox(doc, PARK_SOFT);
    lf_applyParkingPercentage(doc);
    lf_applyCheckBox(doc, INITIAL_LOAD_ONLY);
    lf_applyMaxFit(doc);
    lf_applyCheckBox(doc, RT_PARKTRAFFIC_ONLY);
}

StandObservation lf_readLearnedOpt(pugi::xml_node opt) {
    StandObservation observation = lf_readOpt(opt);
    observation.learned = true;
    return observation;
}

void lf_addManualStand(pugi::xml_node parkpos, std::string id, const fs::path& path,
                       std::vector<ParkPosition>& stands) {
    const bool exists = std::any_of(stands.begin(), stands.end(),
                                    [&id](const ParkPosition& stand) { return stand.name == id; });
    if (exists) {
        gf_logLine(
            fmt::format("manually created standid {} already exists in {}", id, path.string()));
        return;
    }
    const double latitude = gf_getAttributeDouble(parkpos, "latitude");
    const double longitude = gf_getAttributeDouble(parkpos, "longitude");
    const double radiusMetres = gf_getAttributeDouble(parkpos, "radius");
    if (!gf_isValidPosition(Position{latitude, longitude}) || radiusMetres == 0.0) {
        gf_logLine(fmt::format("manually created standid {} misses correct attributes in {}", id,
                               path.string()));
        return;
    }
    std::vector<StandObservation> observations;
    for (pugi::xml_node opt : parkpos.children("opt")) {
        observations.push_back(lf_readLearnedOpt(opt));
        observations.back().sequenceNumber = static_cast<std::uint32_t>(observations.size());
    }
    stands.push_back(lf_readStand(parkpos, std::move(id), std::move(observations)));
    stands.back().manual = true;
}

void lf_mergeStands(const pugi::xml_document& doc, const fs::path& path,
                    std::vector<ParkPosition>& stands) {
    for (pugi::xml_node parkpos : doc.child("parkpositions").children("parkpos")) {
        std::string id = gf_getAttributeValue(parkpos, "id");
        if (gf_getAttributeBool(parkpos, "manual")) {
            lf_addManualStand(parkpos, std::move(id), path, stands);
            continue;
        }
        // The first stand of that name takes the element; a search algorithm's predicate may not
        // change the stand, so this is a plain loop.
        bool taken = false;
        for (ParkPosition& stand : stands) {
            if (lf_readLearnedParkPos(id, parkpos, stand)) {
                taken = true;
                break;
            }
        }
        if (!taken) {
            gf_log(fmt::format("learned stand {} in {} not found?", id, path.string()));
        }
    }
}

} // namespace

bool lf_sameObservation(const StandObservation& added, const StandObservation& existing) {
    return added.day == existing.day && added.soft == existing.soft &&
           added.registration == existing.registration && added.airline == existing.airline &&
           added.type == existing.type && (added.halfHours & existing.halfHours).any();
}

bool lf_readLearnedParkPos(std::string_view id, pugi::xml_node parkpos, ParkPosition& stand) {
    if (stand.name != id) {
        return false;
    }
    if (gf_getAttributeBool(parkpos, "radius_change")) {
        stand.radius = gf_getAttributeDouble(parkpos, "radius") * kNMPerMetre;
        stand.radiusChanged = true;
    }
    if (gf_getAttributeBool(parkpos, "cargo_change")) {
        stand.cargo = gf_getAttributeBool(parkpos, "cargo");
        stand.cargoChanged = true;
    }
    for (pugi::xml_node opt : parkpos.children("opt")) {
        StandObservation observation = lf_readLearnedOpt(opt);
        const bool known = std::any_of(stand.observations.begin(), stand.observations.end(),
                                       [&observation](const StandObservation& o) {
                                           return lf_sameObservation(observation, o);
                                       });
        if (!known) {
            observation.sequenceNumber = lf_nextSequenceNumber(stand);
            stand.observations.push_back(std::move(observation));
        }
    }
    return true;
}

std::string lf_customParkingPercentage() {
    if (CUSTOM_PARKING_PERCENTAGE.value() < 0) {
        return "";
    }
    parking_percentage.setClamped(CUSTOM_PARKING_PERCENTAGE.value());
    return "parking percentage overruled by " + CUSTOM_PARKING_PERCENTAGE.name();
}

void lf_setMaxFit(std::int32_t halfHours) {
    MAX_FIT.setClamped(halfHours);
    const std::int32_t value = MAX_FIT.value();
    MAX_FIT_FL.setRaw(static_cast<float>(value) * 0.5f + 0.5f);
    lf_showFloatParameter(MAX_FIT_FL);
    gf_logContinue(fmt::format("{:24}: {} (max number of half hours, is {} hrs decimal)",
                               MAX_FIT.name(), value, gf_numberText(MAX_FIT_FL.value())));
}

void lf_readLearned(const fs::path& path, const std::string& apfAirportName,
                    std::vector<ParkPosition>& stands, bool& handmade) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = gf_loadXmlFile(doc, path);
    if (!parsed) {
        gf_log(fmt::format("{} found, but could not be loaded, saved as *.0.xml: {}", path.string(),
                           parsed.description()));
        lf_keepLearnedFile(path);
        return;
    }
    try {
        gf_log(fmt::format("Read from learned airport file: \"{}\"", path.string()));
        if (!gf_readMeta(doc)) {
            lf_keepLearnedFile(path);
            return;
        }
        const std::string learnedName = gf_readStringParameter(doc, "airport_name").value_or("");
        if (learnedName != apfAirportName) {
            gf_showMessage(fmt::format("Warning: learned file airport name: \"{}\" differs from "
                                       "archived file airport name: \"{}\"",
                                       learnedName, apfAirportName),
                           true);
        }
        lf_applySettings(doc);
        if (const auto handmadeValue = gf_readBoolParameter(doc, "handmade")) {
            handmade = true;
            stands.clear();
            lf_readParkPositions(doc, stands);
            lf_logSetting("handmade", *handmadeValue);
            return;
        }
        lf_mergeStands(doc, path, stands);
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in lf_readLearned: {}", e.what()));
        lf_keepLearnedFile(path);
    }
}

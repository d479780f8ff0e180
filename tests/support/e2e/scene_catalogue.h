#pragma once
// The shared scene's aircraft database and registration codes: the prepared working folder and
// the update server of the web-service stand-in write the same bytes from these.
#include "support/catalogue_fixtures.h"

#include <string>
#include <vector>

namespace ksb::e2e::scene {

inline test::DbaseSpec dbaseSpec() {
    test::DbaseSpec spec;
    spec.aircrafts = {"B77W", "A388", "A320", "B738"};
    spec.highPerformance = {"F16"};
    // The user's type is not the largest span, so its span is read, not "unknown".
    spec.heavy = {"B77W", "A388"};
    spec.large = {"A320", "B738"};
    spec.buzjet = {"C56X"};
    spec.rotorcraft = {"EC35"};
    spec.cargoTypes = {"B77L"};
    spec.similar = {{"A320", "A321"}};
    spec.icaoAirlines = {"DLH", "UAE", "KLM"};
    spec.cargoOperators = {"BOX"};
    spec.publishers = {"Demo"};
    spec.wingspans = {{"B77W", "64.8"}, {"A388", "79.8"}, {"A320", "35.8"}, {"B738", "35.8"}};
    spec.records = {{"D-AIMA", "DLH", "A388", "DLH"},
                    {"A6-EGA", "UAE", "B77W", "UAE"},
                    {"PH-BXA", "KLM", "B738", "KLM"}};
    return spec;
}

inline std::vector<test::AigEntry> aigEntries() {
    return {{"Demo Lufthansa A388", std::vector<std::string>{"D-AIMA"}}};
}

} // namespace ksb::e2e::scene

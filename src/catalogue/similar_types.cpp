// The similar-type tables, built from the database's similar lists and the installed liveries,
// and the two shuffling lookups the matcher draws from.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/log.h"
#include "core/random_engine.h"
#include "core/strings.h"

#include <fmt/format.h>

#include <algorithm>

namespace {

const std::vector<std::string> kNoTypes;

// The one-model list of gf_substituteTypes; refilled by each such call.
std::vector<std::string> substituteScratch;

void lf_shuffleInPlace(std::vector<std::string>& types) {
    if (types.size() >= 2) {
        std::shuffle(types.begin(), types.end(), gf_randomEngine());
    }
}

// One of the models, drawn; a single one without a draw, none as the empty text.
std::string lf_drawModel(const std::vector<std::string>& models) {
    if (models.empty()) {
        return {};
    }
    if (models.size() == 1) {
        return models.front();
    }
    return models[gf_randomEngine()() % models.size()];
}

const std::vector<std::string>* lf_categoryModels(int category) {
    switch (category) {
    case 0:
        return &liveryIndex.lightModels;
    case 1:
        return &liveryIndex.buzjetModels;
    case 5:
        return &liveryIndex.rotorcraftModels;
    default:
        return nullptr;
    }
}

void lf_buildSimilarGenericTypes() {
    std::vector<std::string> texts;
    for (const std::vector<std::string>& list : aircraftDatabase.similarLists) {
        for (const std::string& member : list) {
            std::string text = member;
            for (const std::string& other : list) {
                if (&other != &member && gf_hasGenericLiveries(other)) {
                    text += "," + other;
                }
            }
            if (text.find(',') != std::string::npos) {
                texts.push_back(std::move(text));
            }
        }
    }
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    for (const std::string& text : texts) {
        std::vector<std::string> pieces = gf_splitToVector(text);
        std::string key = std::move(pieces.front());
        pieces.erase(pieces.begin());
        // For a type in several lists the text that sorts first wins.
        aircraftDatabase.similarGenericTypes.try_emplace(std::move(key), std::move(pieces));
    }
}

void lf_buildAirlineSimilarTypes() {
    for (const std::string& airline : lf_liveryAirlineCodes()) {
        std::unordered_map<std::string, std::vector<std::string>> entries;
        for (const auto& [type, similar] : aircraftDatabase.similarGenericTypes) {
            if (gf_hasAirlineModelLiveries(airline, type)) {
                continue;
            }
            std::vector<std::string> flown;
            for (const std::string& other : similar) {
                if (gf_hasAirlineModelLiveries(airline, other)) {
                    flown.push_back(other);
                }
            }
            if (!flown.empty()) {
                entries.emplace(type, std::move(flown));
            }
        }
        if (!entries.empty()) {
            aircraftDatabase.airlineSimilarTypes.try_emplace(airline, std::move(entries));
        }
    }
}

} // namespace

void gf_buildSimilarTypes() {
    // Afresh each time: a type whose generic liveries a rescan removed must not stay listed.
    aircraftDatabase.similarGenericTypes.clear();
    aircraftDatabase.airlineSimilarTypes.clear();
    lf_buildSimilarGenericTypes();
    lf_buildAirlineSimilarTypes();
    gf_log(
        fmt::format("{} similar model definitions", aircraftDatabase.similarGenericTypes.size()));
}

const std::vector<std::string>& gf_substituteTypes(const std::string& type) {
    const auto it = aircraftDatabase.similarGenericTypes.find(type);
    if (it != aircraftDatabase.similarGenericTypes.end()) {
        lf_shuffleInPlace(it->second);
        return it->second;
    }
    const std::vector<std::string>* models = lf_categoryModels(gf_typeCategory(type));
    if (models == nullptr) {
        return kNoTypes;
    }
    std::string model = lf_drawModel(*models);
    if (model.empty()) {
        return kNoTypes;
    }
    substituteScratch.clear();
    substituteScratch.push_back(std::move(model));
    return substituteScratch;
}

const std::vector<std::string>& gf_similarTypesShuffled(const std::string& airline,
                                                        const std::string& type) {
    const auto airlineIt = aircraftDatabase.airlineSimilarTypes.find(airline);
    if (airlineIt == aircraftDatabase.airlineSimilarTypes.end()) {
        return kNoTypes;
    }
    const auto typeIt = airlineIt->second.find(type);
    if (typeIt == airlineIt->second.end()) {
        return kNoTypes;
    }
    lf_shuffleInPlace(typeIt->second);
    return typeIt->second;
}

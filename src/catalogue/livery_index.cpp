// The livery index: the scanned records grouped by airline and type, split by cargo flag, by
// type alone and by registration, and the installed models per category.
#include "catalogue/livery_index.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/regcodes.h"
#include "catalogue/scan_state.h"
#include "core/controls.h"
#include "core/flight_text.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/parameters.h"

#include <fmt/format.h>

#include <algorithm>

namespace {

constexpr std::size_t kModelsPerLine = 20;

std::string_view lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

// Every record goes to its own airline and type, whatever order the list is in.
void lf_buildAllLiveriesMap() {
    for (const LiveryRecord& record : scannedLiveries) {
        const std::string_view title = gf_storeTitle(record.title);
        liveryIndex.allLiveries[record.airline][record.type].push_back({title, record.cargo});
        liveryIndex.indexedTitles.insert(title);
    }
}

void lf_buildAirlineModelIndex() {
    for (const auto& [airline, types] : liveryIndex.allLiveries) {
        for (const auto& [type, entries] : types) {
            TitleViews pax;
            TitleViews cargo;
            for (const TitleEntry& entry : entries) {
                (entry.cargo ? cargo : pax).push_back(entry.title);
            }
            if (!cargo.empty()) {
                liveryIndex.cargoTitles[airline][type] = std::move(cargo);
            }
            if (!pax.empty()) {
                liveryIndex.paxTitles[airline][type] = std::move(pax);
            }
        }
    }
}

void lf_buildGenericIndex() {
    for (const auto& [airline, types] : liveryIndex.allLiveries) {
        for (const auto& [type, entries] : types) {
            for (const TitleEntry& entry : entries) {
                auto& index = entry.cargo ? liveryIndex.typeCargoTitles : liveryIndex.typePaxTitles;
                index[type].push_back(entry.title);
            }
        }
    }
}

// Two blanks, then up to 20 codes a line separated by ","; each code also goes to the category
// list when one is given.
void lf_logModelList(const std::vector<std::string>& types, std::vector<std::string>* models) {
    std::string line = "  ";
    std::size_t onLine = 0;
    for (const std::string& type : types) {
        if (models != nullptr) {
            models->push_back(type);
        }
        line += type;
        line += ',';
        if (++onLine == kModelsPerLine) {
            line.pop_back();
            gf_log(line);
            line = "  ";
            onLine = 0;
        }
    }
    if (onLine > 0) {
        line.pop_back();
        gf_log(line);
    }
}

void lf_sortUnique(std::vector<std::string>& types) {
    std::sort(types.begin(), types.end());
    types.erase(std::unique(types.begin(), types.end()), types.end());
}

void lf_countGenericLiveries() {
    std::vector<std::string> types;
    const auto it = liveryIndex.allLiveries.find("ZZZ");
    if (it != liveryIndex.allLiveries.end()) {
        for (const auto& [type, entries] : it->second) {
            types.push_back(type);
        }
    }
    if (types.empty()) {
        gf_log("No generic liveries");
        return;
    }
    lf_sortUnique(types);
    gf_log(fmt::format("{} model{} have a generic livery", types.size(), lf_plural(types.size())));
    lf_logModelList(types, nullptr);
}

struct CategorySwitch {
    int category;
    CheckBoxParameter* checkBox;
    std::string_view what;
};

const CategorySwitch* lf_categorySwitch(int category) {
    static const CategorySwitch switches[] = {
        {0, &LIGHT_AIRCRAFT, "light aircraft"},
        {4, &HIGH_PERF_AIRCRAFT, "High Perf aircraft"},
        {5, &HELICOPTERS, "Helicopters"},
    };
    for (const CategorySwitch& entry : switches) {
        if (entry.category == category) {
            return &entry;
        }
    }
    return nullptr;
}

// Nothing of the category is installed: its traffic cannot be shown, so its check box goes
// off (saved) and cannot be switched on again.
void lf_switchOffCategory(int category) {
    const CategorySwitch* entry = lf_categorySwitch(category);
    if (entry == nullptr) {
        return;
    }
    CheckBoxParameter& checkBox = *entry->checkBox;
    if (checkBox.value()) {
        lf_setCheckBox(checkBox, false);
        checkBox.save();
        gf_log(fmt::format("{} temporary switched off because you do not have {} installed",
                           checkBox.name(), entry->what));
    }
    gf_enableControl(checkBox.commandId(), false);
}

std::vector<std::string>* lf_modelListOf(int category) {
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

void lf_countLiveriesPerCategory(int category) {
    std::size_t pax = 0;
    std::size_t cargo = 0;
    std::vector<std::string> types;
    const auto collect = [&](const std::unordered_map<std::string, TitleViews>& index,
                             std::size_t& count) {
        for (const auto& [type, titles] : index) {
            if (gf_typeCategory(type) == category) {
                count += titles.size();
                types.push_back(type);
            }
        }
    };
    collect(liveryIndex.typePaxTitles, pax);
    collect(liveryIndex.typeCargoTitles, cargo);
    const std::string_view name = gf_categoryName(category);
    if (pax == 0 && cargo == 0) {
        gf_log(fmt::format("Category {}: No livery found", name));
        lf_switchOffCategory(category);
        return;
    }
    std::string line = fmt::format("Category {}: {} pax liverie{}", name, pax, lf_plural(pax));
    if (cargo != 0) {
        line += fmt::format(" and {} cargo liverie{}", cargo, cargo > 1 ? "s" : "");
    }
    gf_log(line);
    lf_sortUnique(types);
    lf_logModelList(types, lf_modelListOf(category));
}

} // namespace

void gf_clearLiveryLists() {
    dontUseTitles.clear();
    gf_clearScanLists();
}

void gf_processScannedLiveries() {
    gf_log("\nProcessing scanned liveries");
    mainWindow.liveriesCount = static_cast<std::int64_t>(scannedLiveries.size());
    gf_invalidate(kStatusRegion);
    // A fresh index; titles of the old one stay stored, so views still held stay valid.
    liveryIndex = LiveryIndex{};
    lf_buildAllLiveriesMap();
    lf_buildAirlineModelIndex();
    lf_checkInlineRegcodes();
    gf_processOfflineRegcodes();
    gf_log(fmt::format("{} registration codes", liveryIndex.regcodeTitles.size()));
    lf_buildGenericIndex();
    gf_log(fmt::format("{} airlines, {} pax aircraft models and {} cargo aircraft models",
                       liveryIndex.allLiveries.size(), liveryIndex.typePaxTitles.size(),
                       liveryIndex.typeCargoTitles.size()));
    gf_buildSimilarTypes();
    lf_countGenericLiveries();
    liveryIndex.lightModels.clear();
    liveryIndex.buzjetModels.clear();
    liveryIndex.rotorcraftModels.clear();
    for (int category = 0; category <= 5; ++category) {
        lf_countLiveriesPerCategory(category);
    }
}

std::string_view lf_findTitleInIndex(const std::string& title) {
    const auto it = liveryIndex.indexedTitles.find(title);
    return it != liveryIndex.indexedTitles.end() ? *it : std::string_view();
}

bool gf_hasAirlineModelLiveries(const std::string& airline, const std::string& type) {
    const auto it = liveryIndex.allLiveries.find(airline);
    return it != liveryIndex.allLiveries.end() && it->second.contains(type);
}

bool gf_hasGenericLiveries(const std::string& type) {
    return liveryIndex.typePaxTitles.contains(type) || liveryIndex.typeCargoTitles.contains(type);
}

std::vector<std::string> lf_liveryAirlineCodes() {
    std::vector<std::string> codes;
    codes.reserve(liveryIndex.allLiveries.size());
    for (const auto& [airline, types] : liveryIndex.allLiveries) {
        codes.push_back(airline.substr(0, 3));
    }
    return codes;
}

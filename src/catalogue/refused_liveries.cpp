// Liveries the simulator could not create.
#include "catalogue/refused_liveries.h"

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/exceptions.h"
#include "core/flight_records.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/ranked_mutex.h"

#include <fmt/format.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kRefusalLimit = 20;
constexpr std::string_view kSimulatorName = "P3D";

struct RefusedLiveries {
    // A leaf: held only to read or append the two lists; never while logging, showing the
    // message or raising error 81.
    ksb::RankedMutex mutex{ksb::LockRank::leaf, "refused liveries"};
    // Views into the title store, which keeps every title for the life of the process.
    std::vector<std::string_view> refusedTitles;
    // Type, a blank and airline, one per refusal.
    std::vector<std::string> failedLiveryKeys;

    RefusedLiveries() {
        // Room beyond the limit, so that appending under the mutex does not allocate.
        refusedTitles.reserve(2 * kRefusalLimit);
        failedLiveryKeys.reserve(2 * kRefusalLimit);
    }
};

RefusedLiveries& lf_refusedLiveries() {
    static RefusedLiveries refused;
    return refused;
}

} // namespace

void gf_liveryNotCreated(const Flight& flight) {
    gf_showMessage(fmt::format("{} \"{}\" could not be created by your Sim!", flight.callsign,
                               flight.liveryTitle),
                   true);
    // The flight's view may be dropped or rebuilt by its owner; the stored one never dangles.
    const std::string_view title = gf_storeTitle(std::string(flight.liveryTitle));
    std::string key = flight.type + " " + flight.airline;
    std::size_t count = 0;
    {
        RefusedLiveries& refused = lf_refusedLiveries();
        std::lock_guard lock(refused.mutex);
        refused.refusedTitles.push_back(title);
        refused.failedLiveryKeys.push_back(std::move(key));
        count = refused.refusedTitles.size();
    }
    if (count >= kRefusalLimit) {
        const std::string text = fmt::format(
            "there are too many liveries that could not be created by {}!", kSimulatorName);
        gf_log(fmt::format("\n{}Error 81, {}\n", logPrefix, text));
        throw ksb::UserErrorException(81, fmt::format("{}, see Log.txt", text));
    }
}

bool gf_isRefusedTitle(std::string_view title) {
    RefusedLiveries& refused = lf_refusedLiveries();
    std::lock_guard lock(refused.mutex);
    return std::find(refused.refusedTitles.begin(), refused.refusedTitles.end(), title) !=
           refused.refusedTitles.end();
}

std::vector<std::string> lf_listFailedLiveries() {
    std::vector<std::string> keys;
    {
        RefusedLiveries& refused = lf_refusedLiveries();
        std::lock_guard lock(refused.mutex);
        keys = refused.failedLiveryKeys;
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (std::string& key : keys) {
        key.insert(0, "  ");
    }
    return keys;
}

void gf_clearRefusedLiveriesForTests() {
    RefusedLiveries& refused = lf_refusedLiveries();
    std::lock_guard lock(refused.mutex);
    refused.refusedTitles.clear();
    refused.failedLiveryKeys.clear();
}

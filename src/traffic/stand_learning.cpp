// Real and soft learning: a live aircraft on a stand extends or adds a stand option, and the
// half hours it stood there unseen are filled in.
#include "traffic/stand_options.h"

#include "airports/park_airport_state.h"
#include "core/checked_lookup.h"
#include "core/log.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <exception>

namespace {

// Filling covers gaps of at most this many half hours.
constexpr int kMaxFillGap = 5;

// The time n half hours earlier: slot 0 steps back to slot 47 of the day before.
DayHalfHour lf_halfHoursBefore(DayHalfHour time, int n) {
    std::int32_t day = gf_weekdayOf(time);
    std::int32_t slot = gf_halfHourOfPair(time) - n;
    while (slot < 0) {
        slot += 48;
        day = gf_weekdayBefore(day);
    }
    return gf_packDayHalfHour(day, slot);
}

StandObservation* lf_findLearnedOption(ParkPosition& stand, std::int32_t day,
                                       const std::string& registration, bool soft) {
    for (StandObservation& option : stand.observations) {
        if (option.sequenceNumber != 0 && option.day == day &&
            option.registration == registration && option.soft == soft) {
            return &option;
        }
    }
    return nullptr;
}

// One learning, real or soft; the caller catches.
bool lf_learn(ParkPosition& stand, LiveAircraft& aircraft, bool continued, DayHalfHour time,
              bool leaving, bool soft) {
    StandSearchMap& map = soft ? stand.softSearchMap : stand.realSearchMap;
    const std::int32_t day = gf_weekdayOf(time);
    const std::int32_t slot = gf_halfHourOfPair(time);
    // Only real learning forgets a departing aircraft.
    const bool forget = leaving && !soft;
    StandObservation* option = lf_findLearnedOption(stand, day, aircraft.registration, soft);

    if (option == nullptr) {
        const auto found = map.find(aircraft.flightKey);
        if (continued && found != map.end() && found->second.day == gf_weekdayBefore(day) &&
            slot - found->second.slot + 48 > 0 && slot - found->second.slot + 48 <= kMaxFillGap) {
            // It stood there since before midnight: the new day's option continues the old.
            StandSearchEntry& entry = found->second;
            const std::uint32_t number = gf_addStandOption(
                stand, aircraft, soft, time, aircraft.callsign, aircraft.registration);
            lf_fillHalfHoursAcrossMidnight(time, aircraft, slot - entry.slot + 48, number, stand,
                                           entry.option);
            entry = StandSearchEntry{day, slot, number};
            if (forget) {
                map.erase(found);
            }
        } else {
            const std::uint32_t number = gf_addStandOption(
                stand, aircraft, soft, time, aircraft.callsign, aircraft.registration);
            map.insert_or_assign(aircraft.flightKey, StandSearchEntry{day, slot, number});
        }
        gf_countLearnedUpdate();
        return true;
    }

    if (gf_bitTest(option->halfHours, static_cast<std::size_t>(slot))) {
        if (forget) {
            map.erase(aircraft.flightKey);
        }
        return false;
    }
    if (!option->learned) {
        return false; // an airport file's observation is never changed
    }
    gf_bitSet(option->halfHours, static_cast<std::size_t>(slot));
    if (!continued) {
        if (forget) {
            map.erase(aircraft.flightKey);
        }
        gf_countLearnedUpdate();
        return true;
    }

    const std::uint32_t number = option->sequenceNumber;
    const auto found = map.find(aircraft.flightKey);
    if (found == map.end()) {
        if (!forget) {
            map.emplace(aircraft.flightKey, StandSearchEntry{day, slot, number});
        }
    } else {
        StandSearchEntry& entry = found->second;
        if (entry.day != day || entry.slot != slot) {
            for (int k = 1; k <= kMaxFillGap; ++k) {
                if (entry.day == day && (entry.slot + k) % 48 == slot) {
                    lf_fillHalfHours(time, aircraft, k, stand, entry.option);
                    entry.slot = slot;
                    break;
                }
                if (day == gf_weekdayAfter(entry.day) && slot - entry.slot + 48 == k) {
                    lf_fillHalfHoursAcrossMidnight(time, aircraft, k, number, stand, entry.option);
                    entry = StandSearchEntry{day, slot, number};
                    break;
                }
            }
        }
        if (forget) {
            map.erase(found);
        }
    }
    gf_countLearnedUpdate();
    return true;
}

// The guards of both kinds of learning; a failure is logged and learns nothing more.
bool lf_learnOnStand(std::uint32_t standId, LiveAircraft& aircraft, bool continued,
                     DayHalfHour time, bool leaving, bool soft) {
    try {
        // Real learning needs to know the aircraft; soft learning records whatever stood there.
        if (gf_parkAirportState().stands.empty() ||
            (!soft && (aircraft.registration.empty() || aircraft.callsign.empty()))) {
            return false;
        }
        ParkPosition* stand = gf_findStandById(standId);
        return stand != nullptr && lf_learn(*stand, aircraft, continued, time, leaving, soft);
    } catch (const std::exception& e) {
        gf_log(fmt::format("Add {} option exception, hh_now: {}, {}", soft ? "soft" : "real",
                           gf_halfHourOfPair(time), e.what()));
        return false;
    }
}

} // namespace

bool lf_addRealOption(std::uint32_t standId, LiveAircraft& aircraft, bool continued,
                      DayHalfHour time, bool leaving) {
    return lf_learnOnStand(standId, aircraft, continued, time, leaving, false);
}

bool lf_addSoftOption(std::uint32_t standId, LiveAircraft& aircraft, bool continued,
                      DayHalfHour time) {
    return lf_learnOnStand(standId, aircraft, continued, time, false, true);
}

bool lf_markLastLearned(DayHalfHour time, std::uint32_t flightKey, bool force) {
    const std::int32_t slot = gf_halfHourOfPair(time);
    for (ksb::LastLearned& entry : trafficState.lastLearned) {
        if (entry.flightKey == flightKey) {
            if (!force && (slot - entry.slot + 48) % 48 < 3) {
                return false; // learned less than 1.5 hours ago
            }
            entry.slot = slot;
            return true;
        }
    }
    trafficState.lastLearned.push_back({flightKey, slot});
    return true;
}

void lf_removeLastLearned(std::uint32_t flightKey) {
    std::vector<ksb::LastLearned>& list = trafficState.lastLearned;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].flightKey == flightKey) {
            list[i] = list.back();
            list.pop_back();
            return;
        }
    }
}

void lf_fillHalfHours(DayHalfHour time, const LiveAircraft& aircraft, int k, ParkPosition& stand,
                      std::uint32_t number) {
    for (int back = k - 1; back >= 1; --back) {
        if (!gf_updateStandOption(stand, lf_halfHoursBefore(time, back), number,
                                  aircraft.callsign)) {
            break;
        }
    }
    gf_updateStandOption(stand, time, number, aircraft.callsign);
}

void lf_fillHalfHoursAcrossMidnight(DayHalfHour time, const LiveAircraft& aircraft, int k,
                                    std::uint32_t newNumber, ParkPosition& stand,
                                    std::uint32_t oldNumber) {
    const std::int32_t day = gf_weekdayOf(time);
    for (int back = k - 1; back >= 1; --back) {
        const DayHalfHour earlier = lf_halfHoursBefore(time, back);
        const bool newDay = gf_weekdayOf(earlier) == day;
        if (!gf_updateStandOption(stand, earlier, newDay ? newNumber : oldNumber,
                                  newDay ? std::string_view(aircraft.callsign)
                                         : std::string_view())) {
            return;
        }
    }
}

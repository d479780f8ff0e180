#include "traffic/stand_options.h"

#include "airports/airports.h"
#include "catalogue/catalogue.h"
#include "core/checked_lookup.h"
#include "core/flight_text.h"
#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

namespace {

std::string_view lf_withoutGhostMark(std::string_view callsign) {
    if (gf_isGhostCallsign(callsign)) {
        callsign.remove_suffix(1);
    }
    return callsign;
}

std::size_t lf_slotOf(DayHalfHour time) {
    // A negative half hour becomes a huge position, which the bitset check refuses.
    return static_cast<std::size_t>(gf_halfHourOfPair(time));
}

} // namespace

bool gf_standOptionMatches(std::string_view key, const Flight& flight,
                           const StandObservation& option) {
    if (option.sequenceNumber == 0 || option.excluded || option.soft) {
        return false;
    }
    return option.callsign == key || option.coupledCallsign == key ||
           gf_sameAirlineAndType(option, flight);
}

bool gf_findStandOption(const std::vector<StandObservation>& options, std::string_view key,
                        const Flight& flight) {
    if (key.empty()) {
        return false;
    }
    return std::any_of(options.begin(), options.end(), [&](const StandObservation& option) {
        return gf_standOptionMatches(key, flight, option);
    });
}

bool testRange(const StandObservation& option, int start, int count, int& carry) {
    carry = -1;
    try {
        gf_checkBitsetPosition<48>(static_cast<std::size_t>(start));
        const int lowest = std::max(start - count, 0);
        for (int slot = start; slot >= lowest; --slot) {
            if (gf_bitTest(option.halfHours, static_cast<std::size_t>(slot))) {
                return true;
            }
        }
        if (start - count < 0) {
            carry = std::min(count - start, 46);
        }
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("exception {} in testRange, start: {}, offset: {}", e.what(), start,
                               count));
    }
    return false;
}

std::uint32_t gf_addStandOption(ParkPosition& stand, const Flight& flight, bool soft,
                                DayHalfHour time, std::string_view callsign,
                                std::string_view registration) {
    std::bitset<48> halfHours;
    gf_bitSet(halfHours, lf_slotOf(time));

    std::vector<StandObservation>& options = stand.observations;
    while (!options.empty() && options.back().sequenceNumber == 0) {
        options.pop_back();
    }
    const std::uint32_t number = options.empty() ? 1 : options.back().sequenceNumber + 1;

    StandObservation option;
    option.airline = flight.airline;
    option.type = flight.type;
    if (!registration.empty()) {
        if (const std::optional<DbaseRecord> record =
                gf_dbaseRecordOfReg(std::string(registration))) {
            option.airline = record->operatorCode.empty() ? record->airline : record->operatorCode;
            option.type = record->type;
        }
    }
    option.registration = registration;
    option.callsign = lf_withoutGhostMark(callsign);
    option.halfHours = halfHours;
    option.sequenceNumber = number;
    option.day = gf_weekdayOf(time);
    option.learned = true;
    option.soft = soft;
    options.push_back(std::move(option));
    return number;
}

bool lf_markOptionSlot(DayHalfHour time, std::uint32_t number, std::string_view callsign,
                       StandObservation& option) {
    if (option.sequenceNumber == 0 || option.sequenceNumber != number) {
        return false;
    }
    gf_bitSet(option.halfHours, lf_slotOf(time));
    if (callsign.empty()) {
        return true;
    }
    if (option.callsign.empty()) {
        option.callsign = callsign;
    } else if (callsign != option.coupledCallsign && callsign != option.callsign) {
        // The coupled callsign holds the latest one that differs from the option's callsign.
        option.coupledCallsign = callsign;
    }
    return true;
}

bool gf_updateStandOption(ParkPosition& stand, DayHalfHour time, std::uint32_t number,
                          std::string_view callsign) {
    const std::string_view plain = lf_withoutGhostMark(callsign);
    for (StandObservation& option : stand.observations) {
        try {
            if (lf_markOptionSlot(time, number, plain, option)) {
                return true;
            }
        } catch (const std::exception& e) {
            gf_log(fmt::format("Update Option exception {} {} {} {} {}:{} day {} hh {}", e.what(),
                               option.sequenceNumber, gf_airlineTypeKey(option),
                               option.registration, option.callsign, option.coupledCallsign,
                               option.day, gf_bitset2hours(option.halfHours)));
            return false;
        }
    }
    return false;
}

#pragma once
// Stand options (the StandObservation records of a stand): matching, the range test of the
// searches, adding and marking, and the learning from live aircraft on the park airport's
// stands. The caller holds trafficState.trafficMutex; nothing here takes a lock.
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"

#include <cstdint>
#include <string_view>
#include <vector>

// True when the option counts (number not 0, not excluded), is not soft, and its callsign or
// coupled callsign is the key or its airline and type are the flight's.
bool gf_standOptionMatches(std::string_view key, const Flight& flight,
                           const StandObservation& option);
// False for an empty key; else whether some option matches.
bool gf_findStandOption(const std::vector<StandObservation>& options, std::string_view key,
                        const Flight& flight);
// Whether one of the slots start, start-1, ... down to max(start - count, 0) is set. carry: -1,
// or, when none is set and the range reaches below slot 0, the slots still to test on the
// previous day from slot 47 down (at most 46). A start outside 0..47 is logged; false.
bool testRange(const StandObservation& option, int start, int count, int& carry);
// Appends a learned option of the time's day and slot; returns its number. Trailing options
// numbered 0 are dropped first. Airline and type come from the aircraft database when it knows
// the registration (its operator code first), else from the flight. A slot outside 0..47 throws
// std::out_of_range before anything changes.
std::uint32_t gf_addStandOption(ParkPosition& stand, const Flight& flight, bool soft,
                                DayHalfHour time, std::string_view callsign,
                                std::string_view registration);
// Sets the time's slot in the option with that number and learns the callsign; false when no
// option has the number, or (logged) when the slot is outside 0..47.
bool gf_updateStandOption(ParkPosition& stand, DayHalfHour time, std::uint32_t number,
                          std::string_view callsign);
// One option's step of gf_updateStandOption: true when it is the option with the number.
bool lf_markOptionSlot(DayHalfHour time, std::uint32_t number, std::string_view callsign,
                       StandObservation& option);

// Records the aircraft on the stand as a real option at the time: continued and leaving are
// both set for its departure, both clear when it is placed or arrives. True when something was
// learned (counted as one update). Never throws.
bool lf_addRealOption(std::uint32_t standId, LiveAircraft& aircraft, bool continued,
                      DayHalfHour time, bool leaving);
// Records a soft option: an aircraft that stood near the stand without parking on one.
bool lf_addSoftOption(std::uint32_t standId, LiveAircraft& aircraft, bool continued,
                      DayHalfHour time);
// The throttle of learning: false when the flight was learned less than three half hours ago
// (unless forced); else its slot becomes the time's, and true.
bool lf_markLastLearned(DayHalfHour time, std::uint32_t flightKey, bool force);
// Drops the flight from the last-learned list (the last entry takes its place).
void lf_removeLastLearned(std::uint32_t flightKey);
// Marks the k - 1 slots before the time, oldest first, until one fails, and then the time, in
// the option with the number, with the aircraft's callsign.
void lf_fillHalfHours(DayHalfHour time, const LiveAircraft& aircraft, int k, ParkPosition& stand,
                      std::uint32_t number);
// The same slots across midnight: those of the previous day go to the old option without a
// callsign, those of the time's day to the new one with the aircraft's callsign; a failure ends
// the filling.
void lf_fillHalfHoursAcrossMidnight(DayHalfHour time, const LiveAircraft& aircraft, int k,
                                    std::uint32_t newNumber, ParkPosition& stand,
                                    std::uint32_t oldNumber);

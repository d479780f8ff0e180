// One BGL airport record: its ident, name, altitude, helipads and taxiway parking stands.
#include "airports/bgl_decode.h"

#include "core/geodesy.h"
#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

constexpr std::uint16_t kNameRecord = 0x0019;
constexpr std::uint16_t kHelipadRecord = 0x0026;
constexpr std::uint16_t kParkingRecord = 0x003D;
constexpr std::uint16_t kLaterParkingRecord = 0x00AD;
constexpr std::size_t kMaxNameBytes = 45;
constexpr std::uint32_t kBase38 = 38;
constexpr double kFeetPerMetre = 3.2808399;
constexpr std::int32_t kLowestAltitudeFeet = -20;
constexpr std::int32_t kHighestAltitudeFeet = 10000;
constexpr double kSmallestRadius = 1.0;
constexpr double kLargestRadius = 200.0;
constexpr std::string_view kLetters = "abcdef";
constexpr std::string_view kWarning = "===> ";

// The decoder's cursor over one sub-record: its declared size, cut at the end of the file.
ksb::ByteCursor lf_subRecord(const ksb::ByteCursor& file, std::size_t offset, std::uint64_t size) {
    const std::size_t available = file.size() - offset;
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(size, available));
    return ksb::ByteCursor(file.span().subspan(offset, length));
}

Position lf_unpackPosition(std::uint32_t longitudeRaw, std::uint32_t latitudeRaw) {
    return {90.0 - latitudeRaw * 180.0 / 536870912.0,
            longitudeRaw * 360.0 / (3.0 * 268435456.0) - 180.0};
}

bool lf_isRefusedPosition(const Position& position) {
    const double lat = position.latitude;
    const double lon = position.longitude;
    if (lat < -90.0 || lat > 90.0 || lon < -180.0 || lon > 180.0) {
        return true;
    }
    return lat >= 0.0 && lat <= 0.0009 && lon >= 0.0 && lon <= 0.05;
}

double lf_headingRadians(float degrees) {
    return degrees == 0.0f ? 2.0 * std::numbers::pi : degrees * std::numbers::pi / 180.0;
}

std::string lf_invalidHeadingLine(std::string_view bglPath) {
    return fmt::format("skipped position with invalid heading or width, in {}", bglPath);
}

// For each name code the first code spelling the same text.
std::uint32_t lf_firstCodeOfText(std::uint32_t nameCode) {
    static const std::array<std::uint8_t, 64> kFirst = [] {
        std::array<std::uint8_t, 64> first{};
        for (std::uint32_t code = 0; code < first.size(); ++code) {
            std::uint32_t earlier = 0;
            while (lf_parkingNameText(earlier) != lf_parkingNameText(code)) {
                ++earlier;
            }
            first[code] = static_cast<std::uint8_t>(earlier);
        }
        return first;
    }();
    return kFirst[nameCode & 0x3Fu];
}

// Where a name key's probing starts: the product's high bits, so keys of one number and
// different codes spread as well as consecutive numbers do.
std::size_t lf_homeSlot(std::uint32_t key, std::size_t mask) {
    return static_cast<std::size_t>(key * 0x9E3779B97F4A7C15ull >> 40) & mask;
}

} // namespace

std::string lf_decodeIdentifierOrRegionCode(std::uint32_t packed, bool& ok) {
    ok = false;
    std::string text;
    try {
        std::uint32_t value = packed >> 5;
        if (value < kBase38) {
            return text;
        }
        bool blank = false;
        while (value != 0) {
            const std::uint32_t digit = value % kBase38;
            value /= kBase38;
            blank = blank || digit == 0;
            const std::uint32_t code =
                digit == 0 ? ' ' : (digit >= 2 && digit <= 11 ? digit + 46 : digit + 53);
            text.insert(text.begin(), static_cast<char>(code));
        }
        ok = text.size() == 4 && !blank;
    } catch (const std::exception&) {
        gf_log(fmt::format("! Exception in {}", "lf_decodeIdentifierOrRegionCode"));
    }
    return text;
}

std::uint32_t StandNameUses::take(std::uint32_t nameCode, std::uint32_t number) {
    if ((used_ + 1) * 2 > slots_.size()) {
        grow();
    }
    const std::uint32_t key = (lf_firstCodeOfText(nameCode) << 12 | (number & 0xFFFu)) + 1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = lf_homeSlot(key, mask);; i = (i + 1) & mask) {
        std::uint32_t& slot = slots_[i];
        if (slot == 0) {
            slot = key << 3 | 1u;
            ++used_;
            return 0;
        }
        if (slot >> 3 == key) {
            const std::uint32_t uses = slot & 7u;
            if (uses <= kLetters.size()) {
                ++slot;
            }
            return uses;
        }
    }
}

void StandNameUses::grow() {
    std::vector<std::uint32_t> old(std::max<std::size_t>(16, slots_.size() * 2), 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint32_t slot : old) {
        if (slot != 0) {
            std::size_t i = lf_homeSlot(slot >> 3, mask);
            while (slots_[i] != 0) {
                i = (i + 1) & mask;
            }
            slots_[i] = slot;
        }
    }
}

std::string lf_parkingNameText(std::uint32_t nameCode) {
    static constexpr std::array<std::string_view, 12> kTexts{"",   "r",   "p",  "np",
                                                             "ep", "sep", "sp", "swp",
                                                             "wp", "nwp", "g",  ""};
    if (nameCode < kTexts.size()) {
        return std::string(kTexts[nameCode]);
    }
    return std::string(1, static_cast<char>(nameCode + 53));
}

std::string lf_decodeAirportNAME(ksb::ByteCursor nameRecord) {
    std::string name;
    try {
        nameRecord.seek(2);
        const int due = std::min<int>(static_cast<int>(nameRecord.u16()) - 6,
                                      static_cast<int>(kMaxNameBytes));
        if (due < 2) {
            return name;
        }
        nameRecord.seek(6);
        const auto take = [&](std::size_t count) {
            const auto bytes = nameRecord.bytes(count);
            name.append(bytes.begin(), bytes.end());
        };
        take(2);
        for (int group = 0; group < (due - 2) / 4; ++group) {
            take(4);
        }
        take(static_cast<std::size_t>(std::min((due - 2) % 4, 2)));
    } catch (const ksb::ByteReadError&) {
        gf_log("lf_decodeAirportNAMEEXCEPTION");
    }
    while (!name.empty() && name.back() == '\0') {
        name.pop_back();
    }
    return name;
}

void lf_decodeHelipad(ksb::ByteCursor helipadRecord, ScannedAirport& airport,
                      BglDecodingState& state, ksb::AirportScanSink& sink) {
    helipadRecord.seek(12);
    const std::uint32_t longitudeRaw = helipadRecord.u32();
    const std::uint32_t latitudeRaw = helipadRecord.u32();
    helipadRecord.seek(28);
    const float width = helipadRecord.f32();
    const float heading = helipadRecord.f32();
    if (!std::isfinite(width) || !std::isfinite(heading)) {
        sink.addScanLogLine(lf_invalidHeadingLine(airport.bglPath));
        return;
    }
    const Position position = lf_unpackPosition(longitudeRaw, latitudeRaw);
    if (lf_isRefusedPosition(position)) {
        sink.addScanLogLine("lat/lon helipad incorrect (skipped): " + gf_coordinatesText(position));
        return;
    }
    const bool seen = std::any_of(state.helipads.begin(), state.helipads.end(), [&](const auto& p) {
        return p.latitude == position.latitude && p.longitude == position.longitude;
    });
    if (seen) {
        sink.addScanLogLine("double helipad " + airport.airportName + " (skipped) " +
                            gf_coordinatesText(position));
        return;
    }
    state.helipads.push_back(position);
    airport.stands.emplace_back(std::vector<StandObservation>{},
                                fmt::format("helipad{}", state.helipadNumber), position.latitude,
                                position.longitude, lf_headingRadians(heading), width * 0.5,
                                false, false, true);
    ++state.helipadNumber;
}

void lf_decodeTaxiwayParking(ksb::ByteCursor parkingRecord, ScannedAirport& airport,
                             BglDecodingState& state, bool laterForm, std::string_view bglPath,
                             ksb::AirportScanSink& sink) {
    parkingRecord.seek(6);
    const std::uint16_t count = parkingRecord.u16();
    const std::size_t fixedWords = laterForm ? 10 : 9;
    // No more entries than the sub-record can hold, whatever its count says.
    airport.stands.reserve(airport.stands.size() +
                           std::min<std::size_t>(count, parkingRecord.remaining() / 36));
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t start = parkingRecord.position();
        const std::uint32_t word = parkingRecord.u32();
        const std::size_t codes = word >> 24;
        parkingRecord.seek(start);
        ksb::ByteCursor entry = parkingRecord.sub((fixedWords + codes) * 4);
        entry.seek(4);
        const float radius = entry.f32();
        const float heading = entry.f32();
        entry.seek(28);
        const std::uint32_t longitudeRaw = entry.u32();
        const std::uint32_t latitudeRaw = entry.u32();

        if (!(radius > kSmallestRadius && radius < kLargestRadius)) {
            sink.addScanLogLine(fmt::format("skipped position with radius {:.1F} meters, in {}",
                                            radius, bglPath));
            continue;
        }
        const std::uint32_t type = (word >> 8) & 0xFu;
        if (type < 1 || type > 11) {
            continue;
        }
        if (!std::isfinite(heading)) {
            sink.addScanLogLine(lf_invalidHeadingLine(bglPath));
            continue;
        }
        const Position position = lf_unpackPosition(longitudeRaw, latitudeRaw);
        if (lf_isRefusedPosition(position)) {
            sink.addScanLogLine(
                fmt::format("lat/lon: {}, incorrect (skipped) ", gf_coordinatesText(position)));
            continue;
        }
        const std::uint32_t number = (word >> 12) & 0xFFFu;
        std::string name = lf_parkingNameText(word & 0x3Fu) + std::to_string(number);
        const std::uint32_t earlierUses = state.nameUses.take(word & 0x3Fu, number);
        if (earlierUses > kLetters.size()) {
            sink.addScanLogLine(fmt::format("{}{}Warning more then 6 the same ids {}, in {}",
                                            kWarning, kWarning, name, bglPath));
            continue;
        }
        const bool lettered = earlierUses > 0;
        if (lettered) {
            name += kLetters[earlierUses - 1];
        }
        ParkPosition& stand = airport.stands.emplace_back(
            std::vector<StandObservation>{}, std::move(name), position.latitude,
            position.longitude, lf_headingRadians(heading), radius, type == 5, type <= 7, false);
        stand.relettered = lettered;
        state.relettered = state.relettered || lettered;
    }
}

void lf_makeParkingNamesUnique(ScannedAirport& airport) {
    std::vector<ParkPosition>& stands = airport.stands;
    // A lettered name is its base and one letter, while every other stand name ends in a
    // digit: a group is the stand holding the base and the stands lettered from it.
    std::vector<std::string> bases;
    for (const ParkPosition& stand : stands) {
        if (stand.relettered) {
            bases.push_back(stand.name.substr(0, stand.name.size() - 1));
        }
    }
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    // (group, stand index), sorted: each group's stands in stand order.
    std::vector<std::pair<std::size_t, std::size_t>> members;
    for (std::size_t i = 0; i < stands.size(); ++i) {
        std::string_view base = stands[i].name;
        if (stands[i].relettered) {
            base.remove_suffix(1);
        }
        const auto found = std::lower_bound(bases.begin(), bases.end(), base);
        if (found != bases.end() && *found == base) {
            members.emplace_back(static_cast<std::size_t>(found - bases.begin()), i);
        }
    }
    std::sort(members.begin(), members.end());
    for (auto first = members.begin(); first != members.end();) {
        const auto last = std::find_if(first, members.end(),
                                       [&](const auto& m) { return m.first != first->first; });
        std::stable_sort(first, last, [&](const auto& a, const auto& b) {
            return stands[a.second].radius > stands[b.second].radius;
        });
        const std::string& base = bases[first->first];
        for (auto member = first; member != last; ++member) {
            ParkPosition& stand = stands[member->second];
            const auto rank = static_cast<std::size_t>(member - first);
            stand.name = rank == 0 ? base : base + kLetters[rank - 1];
            stand.relettered = false;
        }
        first = last;
    }
}

void lf_decodeAirportRecord(ksb::ByteCursor& file, std::size_t recordOffset, bool laterForm,
                            std::uint64_t recordSize, std::string ident, std::string_view bglPath,
                            ksb::AirportScanSink& sink) {
    ScannedAirport airport;
    airport.ident = std::move(ident);
    BglDecodingState state;
    int archivedStands = 0;
    const bool linked = sink.linkArchivedAirport(airport, archivedStands, bglPath);

    file.seek(recordOffset + 20);
    const auto feet = static_cast<std::int64_t>(std::llround(file.i32() * kFeetPerMetre / 1000.0));
    airport.altitude = feet < kLowestAltitudeFeet || feet > kHighestAltitudeFeet
                           ? 0
                           : static_cast<std::int32_t>(feet);

    const std::uint64_t recordEnd = recordOffset + recordSize / 4 * 4;
    std::uint64_t position = recordOffset + (laterForm ? 60 : 56);
    const std::uint16_t parkingId = laterForm ? kLaterParkingRecord : kParkingRecord;
    // Up to the record's size: a record that claims more than the file holds fails on the
    // first head read past the end, so a cut airport is never taken for a whole one.
    while (position < recordEnd) {
        file.seek(static_cast<std::size_t>(position));
        const std::uint16_t id = file.u16();
        const std::uint64_t size = file.u32();
        if (size < 4 || size >= kSizeLimit) {
            break;
        }
        const auto offset = static_cast<std::size_t>(position);
        if (id == kNameRecord) {
            const std::string name = lf_decodeAirportNAME(lf_subRecord(file, offset, size));
            if (airport.airportName.empty()) {
                airport.airportName = name;
            } else if (airport.airportName != name) {
                airport.airportName.clear();
            }
        } else if (id == kHelipadRecord) {
            lf_decodeHelipad(lf_subRecord(file, offset, size), airport, state, sink);
        } else if (id == parkingId) {
            lf_decodeTaxiwayParking(lf_subRecord(file, offset, size), airport, state, laterForm,
                                    bglPath, sink);
            if (state.relettered) {
                lf_makeParkingNamesUnique(airport);
            }
            break;
        }
        position += size / 4 * 4;
    }

    const auto standCount = static_cast<std::int64_t>(airport.stands.size());
    if (standCount > archivedStands) {
        sink.addScanLogLine(fmt::format("{}{} has {} parkpos while archived one has {}", kWarning,
                                        airport.ident, standCount, archivedStands));
    }
    if (!linked || standCount > archivedStands) {
        sink.generateApf(airport);
    }
}

#include "support/bgl_builder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

namespace ksb::test {

namespace {

constexpr std::size_t kHeaderBytes = 56;
constexpr std::size_t kSectionEntryBytes = 20;
constexpr std::size_t kSubsectionEntryBytes = 16;

void grow(Bytes& bytes, std::size_t end) {
    if (bytes.size() < end) {
        bytes.resize(end, 0);
    }
}

void append(Bytes& to, const Bytes& from) {
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    grow(bytes, offset + 2);
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    grow(bytes, offset + 4);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    }
}

void putI32(Bytes& bytes, std::size_t offset, std::int32_t value) {
    putU32(bytes, offset, static_cast<std::uint32_t>(value));
}

void putF32(Bytes& bytes, std::size_t offset, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(bytes, offset, bits);
}

std::uint32_t packIdent(std::string_view ident) {
    std::uint32_t value = 0;
    for (const char c : ident) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0') + 2;
        } else if (c >= 'A' && c <= 'Z') {
            digit = static_cast<std::uint32_t>(c - 'A') + 12;
        }
        value = value * 38 + digit;
    }
    return value << 5;
}

std::uint32_t packLatitude(double latitude) {
    return static_cast<std::uint32_t>(std::llround((90.0 - latitude) * 536870912.0 / 180.0));
}

std::uint32_t packLongitude(double longitude) {
    return static_cast<std::uint32_t>(
        std::llround((longitude + 180.0) * 3.0 * 268435456.0 / 360.0));
}

std::uint32_t parkingWord(std::uint32_t nameCode, std::uint32_t type, std::uint32_t number,
                          std::uint32_t codeCount) {
    return (nameCode & 0x3F) | ((type & 0xF) << 8) | ((number & 0xFFF) << 12) | (codeCount << 24);
}

BglAirport::BglAirport(std::string_view ident, std::uint16_t kind, std::int32_t altitudeMm)
    : kind_(kind), altitudeMm_(altitudeMm), identWord_(packIdent(ident)) {}

BglAirport& BglAirport::identWord(std::uint32_t word) {
    identWord_ = word;
    return *this;
}

void BglAirport::subRecord(std::uint16_t id, const Bytes& body,
                           std::optional<std::uint32_t> size) {
    const std::size_t at = subRecords_.size();
    putU16(subRecords_, at, id);
    putU32(subRecords_, at + 2, size.value_or(static_cast<std::uint32_t>(6 + body.size())));
    append(subRecords_, body);
}

BglAirport& BglAirport::name(std::string_view text, std::optional<std::uint32_t> size) {
    subRecord(0x0019, Bytes(text.begin(), text.end()), size);
    return *this;
}

BglAirport& BglAirport::helipad(double latitude, double longitude, float width, float heading,
                                std::optional<std::uint32_t> size) {
    Bytes body(30, 0); // offsets below are those of the sub-record, less its 6-byte head
    putU32(body, 12 - 6, packLongitude(longitude));
    putU32(body, 16 - 6, packLatitude(latitude));
    putF32(body, 28 - 6, width);
    putF32(body, 32 - 6, heading);
    subRecord(0x0026, body, size);
    return *this;
}

BglAirport& BglAirport::parking(std::uint16_t kind, const std::vector<BglParkingEntry>& entries,
                                std::optional<std::uint16_t> count,
                                std::optional<std::uint32_t> size) {
    Bytes body;
    putU16(body, 0, count.value_or(static_cast<std::uint16_t>(entries.size())));
    for (const BglParkingEntry& entry : entries) {
        const std::size_t at = body.size();
        putU32(body, at, parkingWord(entry.nameCode, entry.type, entry.number, entry.codeCount));
        putF32(body, at + 4, entry.radius);
        putF32(body, at + 8, entry.heading);
        putU32(body, at + 28, packLongitude(entry.longitude));
        putU32(body, at + 32, packLatitude(entry.latitude));
        std::size_t codesAt = at + 36;
        if (kind == kLaterParking) {
            putI32(body, codesAt, 112000);
            codesAt += 4;
        }
        for (std::uint32_t i = 0; i < entry.codeCount; ++i) {
            putU32(body, codesAt + 4 * i, 0x004D4C44 + i); // "DLM" ...
        }
        grow(body, codesAt + 4 * entry.codeCount);
    }
    subRecord(kind, body, size);
    return *this;
}

BglAirport& BglAirport::raw(std::uint16_t id, const Bytes& body,
                            std::optional<std::uint32_t> size) {
    subRecord(id, body, size);
    return *this;
}

BglAirport& BglAirport::size(std::uint32_t recordSize) {
    size_ = recordSize;
    return *this;
}

Bytes BglAirport::bytes() const {
    const std::size_t head = kind_ == kLaterRecord ? 60 : 56;
    Bytes out(head, 0);
    putU16(out, 0, kind_);
    putU32(out, 2, size_.value_or(static_cast<std::uint32_t>(head + subRecords_.size())));
    putI32(out, 20, altitudeMm_);
    putU32(out, 40, identWord_);
    append(out, subRecords_);
    return out;
}

BglBuilder& BglBuilder::section(std::uint32_t type, const Bytes& data, std::uint32_t flags) {
    sections_.push_back({type, flags, data});
    return *this;
}

BglBuilder& BglBuilder::airports(const std::vector<BglAirport>& records, std::uint32_t flags) {
    Bytes data;
    for (const BglAirport& record : records) {
        append(data, record.bytes());
    }
    return section(kAirportSection, data, flags);
}

BglBuilder& BglBuilder::trailing(const Bytes& bytes) {
    append(trailing_, bytes);
    return *this;
}

BglBuilder& BglBuilder::truncate(std::size_t count) {
    truncate_ = count;
    return *this;
}

Bytes BglBuilder::bytes() const {
    Bytes out(kHeaderBytes, 0);
    putU32(out, 0, 0x19920201);
    putU32(out, 4, kHeaderBytes);
    putU32(out, 16, 0x08051803);
    putU32(out, 20, static_cast<std::uint32_t>(sections_.size()));
    const std::size_t entries = kHeaderBytes;
    std::size_t at = entries + kSectionEntryBytes * sections_.size();
    out.resize(at, 0);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& section = sections_[i];
        const std::size_t entry = entries + kSectionEntryBytes * i;
        putU32(out, entry, section.type);
        putU32(out, entry + 4, section.flags);
        putU32(out, entry + 8, 1);
        putU32(out, entry + 12, static_cast<std::uint32_t>(at));
        putU32(out, entry + 16, kSubsectionEntryBytes);
        putU32(out, at + 4, 1);
        putU32(out, at + 8, static_cast<std::uint32_t>(at + kSubsectionEntryBytes));
        putU32(out, at + 12, static_cast<std::uint32_t>(section.data.size()));
        at += kSubsectionEntryBytes;
        append(out, section.data);
        at = out.size();
    }
    append(out, trailing_);
    if (truncate_ && *truncate_ < out.size()) {
        out.resize(*truncate_);
    }
    return out;
}

void BglBuilder::writeTo(const std::filesystem::path& path) const {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    const Bytes data = bytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

BglTreeCounts makeBglTree(const std::filesystem::path& root, std::size_t fileCount,
                          std::uint32_t seed) {
    std::mt19937 random(seed);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    BglTreeCounts counts;
    const std::size_t folders = std::max<std::size_t>(1, std::min<std::size_t>(100, fileCount));
    for (std::size_t i = 0; i < fileCount; ++i) {
        const std::size_t folder = i % folders;
        const std::filesystem::path path = root / ("scenery" + std::to_string(folder)) /
                                           ("file" + std::to_string(i) + ".bgl");
        BglBuilder builder;
        // Terrain-like data before and after, spreading the sizes.
        builder.section(0x65, Bytes(static_cast<std::size_t>(uniform(1, 24)) * 1024, 0x11));
        if (uniform(0, 99) < 80) {
            const bool later = uniform(0, 1) == 1;
            const std::string ident{static_cast<char>('A' + i % 26),
                                    static_cast<char>('A' + (i / 26) % 26),
                                    static_cast<char>('A' + (i / 676) % 26),
                                    static_cast<char>('A' + (i / 17576) % 26)};
            BglAirport record(ident, later ? BglAirport::kLaterRecord : BglAirport::kRecord,
                              uniform(0, 900000));
            record.name("Generated airport " + ident);
            const double lat = uniform(-60, 60) + 0.5;
            const double lon = uniform(-170, 170) + 0.5;
            for (int h = uniform(0, 2); h > 0; --h) {
                record.helipad(lat + h * 0.001, lon, 30.0f, 90.0f);
            }
            std::vector<BglParkingEntry> entries(static_cast<std::size_t>(uniform(20, 400)));
            for (std::size_t e = 0; e < entries.size(); ++e) {
                BglParkingEntry& entry = entries[e];
                entry.nameCode = 10;
                entry.type = static_cast<std::uint32_t>(uniform(1, 11));
                // About one in ten repeats the number before it.
                entry.number = static_cast<std::uint32_t>(e > 0 && uniform(0, 9) == 0 ? e : e + 1);
                entry.radius = static_cast<float>(uniform(8, 40));
                entry.heading = static_cast<float>(uniform(0, 359));
                entry.latitude = lat + static_cast<double>(e) * 0.0001;
                entry.longitude = lon;
                entry.codeCount = static_cast<std::uint32_t>(uniform(0, 4));
            }
            record.parking(later ? BglAirport::kLaterParking : BglAirport::kParking, entries);
            builder.airport(record);
            ++counts.airportFiles;
        } else {
            builder.section(0x22, Bytes(static_cast<std::size_t>(uniform(1, 8)) * 1024, 0x22));
        }
        builder.section(0x2A, Bytes(static_cast<std::size_t>(uniform(0, 16)) * 1024, 0x2A));
        builder.writeTo(path);
        ++counts.files;
        counts.bytes += std::filesystem::file_size(path);
    }
    return counts;
}

} // namespace ksb::test

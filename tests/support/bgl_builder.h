#pragma once
// BGL files for tests, written from the file layout alone (it shares nothing with the decoder):
// a header, section entries, one subsection entry per section, then each section's data.
// Airport records are built by BglAirport, in the order their sub-records are given.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ksb::test {

using Bytes = std::vector<std::uint8_t>;

// Explicit little-endian stores; the buffer grows to hold them.
void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value);
void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value);
void putI32(Bytes& bytes, std::size_t offset, std::int32_t value);
void putF32(Bytes& bytes, std::size_t offset, float value);

// Base-38 characters (blank 0, '0'-'9' 2-11, 'A'-'Z' 12-37), shifted left by 5.
std::uint32_t packIdent(std::string_view ident);
std::uint32_t packLatitude(double latitude);
std::uint32_t packLongitude(double longitude);
// Bits 0-5 name code, 8-11 type, 12-23 number, 24-31 airline-code count.
std::uint32_t parkingWord(std::uint32_t nameCode, std::uint32_t type, std::uint32_t number,
                          std::uint32_t codeCount);

struct BglParkingEntry {
    std::uint32_t nameCode = 10; // "g"
    std::uint32_t type = 1;
    std::uint32_t number = 1;
    float radius = 20.0f;
    float heading = 90.0f;
    double latitude = 50.0;
    double longitude = 8.0;
    std::uint32_t codeCount = 0;
};

class BglAirport {
public:
    static constexpr std::uint16_t kRecord = 0x003C;
    static constexpr std::uint16_t kLaterRecord = 0x00AB;
    static constexpr std::uint16_t kParking = 0x003D;
    static constexpr std::uint16_t kLaterParking = 0x00AD;

    explicit BglAirport(std::string_view ident = "EDDF", std::uint16_t kind = kRecord,
                        std::int32_t altitudeMm = 100000);
    BglAirport& identWord(std::uint32_t word);
    // The name bytes as given; size overrides the sub-record's size field.
    BglAirport& name(std::string_view text, std::optional<std::uint32_t> size = std::nullopt);
    BglAirport& helipad(double latitude, double longitude, float width, float heading,
                        std::optional<std::uint32_t> size = std::nullopt);
    // kind 0x003D or 0x00AD (one more word per entry, before the codes); count overrides the
    // entry count.
    BglAirport& parking(std::uint16_t kind, const std::vector<BglParkingEntry>& entries,
                        std::optional<std::uint16_t> count = std::nullopt,
                        std::optional<std::uint32_t> size = std::nullopt);
    BglAirport& raw(std::uint16_t id, const Bytes& body,
                    std::optional<std::uint32_t> size = std::nullopt);
    // Overrides the record's own size field.
    BglAirport& size(std::uint32_t recordSize);

    Bytes bytes() const;

private:
    void subRecord(std::uint16_t id, const Bytes& body, std::optional<std::uint32_t> size);

    std::uint16_t kind_;
    std::int32_t altitudeMm_;
    std::uint32_t identWord_;
    std::optional<std::uint32_t> size_;
    Bytes subRecords_;
};

class BglBuilder {
public:
    static constexpr std::uint32_t kAirportSection = 3;

    // A section of any type with its data (an airport section's data is its records).
    BglBuilder& section(std::uint32_t type, const Bytes& data, std::uint32_t flags = 1);
    BglBuilder& airports(const std::vector<BglAirport>& records, std::uint32_t flags = 1);
    BglBuilder& airport(const BglAirport& record) { return airports({record}); }
    // Bytes after the last section's data.
    BglBuilder& trailing(const Bytes& bytes);
    // Cuts the file to its first count bytes.
    BglBuilder& truncate(std::size_t count);

    Bytes bytes() const;
    void writeTo(const std::filesystem::path& path) const;

private:
    struct Section {
        std::uint32_t type;
        std::uint32_t flags;
        Bytes data;
    };
    std::vector<Section> sections_;
    Bytes trailing_;
    std::optional<std::size_t> truncate_;
};

// Files shaped like add-on scenery: about 80 % airport files (one 0x003C or 0x00AB record with
// 20-400 parking entries, some repeated names and helipads, between other sections), the rest
// without an airport section; 2 to 64 KB each, in up to 100 folders.
struct BglTreeCounts {
    std::size_t files = 0;
    std::size_t airportFiles = 0;
    std::uint64_t bytes = 0;
};
BglTreeCounts makeBglTree(const std::filesystem::path& root, std::size_t fileCount,
                          std::uint32_t seed);

} // namespace ksb::test

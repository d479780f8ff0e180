// The BGL file walk and the quick check that decides whether a file gets a worker.
#include "airports/bgl_decode.h"

#include "core/worker_throttle.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeaderBytes = 56;
constexpr std::size_t kSectionEntryBytes = 20;
constexpr std::size_t kMinimumQuickCheckBytes = 15;
constexpr std::size_t kMinimumWords = 15;
constexpr std::uint32_t kAirportSection = 3;
constexpr std::uint16_t kAirportRecord = 0x003C;
constexpr std::uint16_t kLaterAirportRecord = 0x00AB;

std::uint32_t lf_u32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    ksb::ByteCursor cursor(bytes);
    cursor.seek(offset);
    return cursor.u32();
}

// Header word 5; bytes missing from a short header count as zero.
std::uint32_t lf_sectionCount(std::span<const std::uint8_t> header) {
    std::array<std::uint8_t, kHeaderBytes> padded{};
    std::copy_n(header.begin(), std::min(header.size(), padded.size()), padded.begin());
    return lf_u32At(padded, 20);
}

// Whether the section table leaves room after it in a file of that size (64-bit, so a huge
// count cannot wrap past the test).
bool lf_tableFits(std::uint32_t count, std::uint64_t fileSize) {
    return count != 0 &&
           fileSize > static_cast<std::uint64_t>(count) * kSectionEntryBytes + kHeaderBytes;
}

bool lf_anyAirportEntry(std::span<const std::uint8_t> table, std::uint32_t count) {
    ksb::ByteCursor cursor(table);
    for (std::uint32_t i = 0; i < count; ++i) {
        ksb::ByteCursor entry = cursor.sub(kSectionEntryBytes);
        if (entry.u32() == kAirportSection) {
            return true;
        }
    }
    return false;
}

// The whole file as words, the last one filled with zero bytes, in the thread's own buffer:
// a scan reads thousands of files, and a fresh buffer for each costs more than reading it.
std::optional<std::span<const std::uint8_t>> lf_readWholeFileAsWords(const fs::path& path) {
    thread_local std::vector<std::uint8_t> buffer;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        return std::nullopt;
    }
    in.seekg(0, std::ios::beg);
    const auto length = static_cast<std::size_t>(size);
    buffer.resize((length + 3) / 4 * 4);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.end(), 0);
    in.read(reinterpret_cast<char*>(buffer.data()), size);
    if (in.gcount() != size) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(buffer);
}

// One airport section's records, from its first subsection's data to the end of the file.
void lf_walkRecords(ksb::ByteCursor& file, std::uint64_t tableOffset, std::string_view bglPath,
                    ksb::AirportScanSink& sink) {
    file.seek(static_cast<std::size_t>((tableOffset / 4 + 2) * 4));
    std::uint64_t position = static_cast<std::uint64_t>(file.u32() / 4) * 4;
    while (position < file.size()) {
        file.seek(static_cast<std::size_t>(position));
        const std::uint16_t id = file.u16();
        const std::uint64_t size = file.u32();
        if (size < 4 || size >= kSizeLimit) {
            return;
        }
        if (id == kAirportRecord || id == kLaterAirportRecord) {
            file.seek(static_cast<std::size_t>(position + 40));
            bool ok = false;
            std::string ident = lf_decodeIdentifierOrRegionCode(file.u32(), ok);
            if (ok) {
                lf_decodeAirportRecord(file, static_cast<std::size_t>(position),
                                       id == kLaterAirportRecord, size, std::move(ident), bglPath,
                                       sink);
            }
        }
        position += size / 4 * 4;
    }
}

} // namespace

bool lf_isBglFile(std::string_view extension) {
    return extension == ".BGL" || extension == ".bgl";
}

bool lf_hasAirportSection(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMinimumQuickCheckBytes) {
        return false;
    }
    const std::uint32_t count = lf_sectionCount(bytes);
    if (!lf_tableFits(count, bytes.size())) {
        return false;
    }
    return lf_anyAirportEntry(bytes.subspan(kHeaderBytes), count);
}

bool lf_hasAirportSection(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < static_cast<std::streamoff>(kMinimumQuickCheckBytes)) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    std::array<std::uint8_t, kHeaderBytes> header{};
    in.read(reinterpret_cast<char*>(header.data()),
            std::min<std::streamoff>(size, static_cast<std::streamoff>(header.size())));
    const std::uint32_t count = lf_sectionCount(header);
    if (!in || !lf_tableFits(count, static_cast<std::uint64_t>(size))) {
        return false;
    }
    // Smaller than the file, as the size test made sure.
    std::vector<std::uint8_t> table(static_cast<std::size_t>(count) * kSectionEntryBytes);
    in.read(reinterpret_cast<char*>(table.data()), static_cast<std::streamsize>(table.size()));
    return in && lf_anyAirportEntry(table, count);
}

namespace {

// The file walk over whole words.
void lf_decodeWords(std::span<const std::uint8_t> words, std::string_view bglPath,
                    ksb::AirportScanSink& sink) {
    ksb::ByteCursor file(words);
    file.seek(4);
    const std::uint32_t headerSize = file.u32();
    if (headerSize != kHeaderBytes || words.size() / 4 < kMinimumWords) {
        return;
    }
    file.seek(20);
    const std::uint32_t sectionCount = file.u32();
    for (std::uint64_t i = 0; i < sectionCount; ++i) {
        file.seek(static_cast<std::size_t>(kHeaderBytes + i * kSectionEntryBytes));
        const std::uint32_t type = file.u32();
        const std::uint32_t flags = file.u32();
        file.skip(4);
        const std::uint32_t tableOffset = file.u32();
        const std::uint32_t subsectionEntryBytes = ((flags & 0x10000u) | 0x40000u) >> 14;
        if (type == kAirportSection && subsectionEntryBytes == 16) {
            lf_walkRecords(file, tableOffset, bglPath, sink);
        }
    }
}

} // namespace

void lf_decodeBglBytes(std::span<const std::uint8_t> bytes, std::string_view bglPath,
                       ksb::AirportScanSink& sink) {
    if (bytes.size() % 4 == 0) {
        lf_decodeWords(bytes, bglPath, sink);
        return;
    }
    // The file as whole words, the last one filled with zero bytes.
    std::vector<std::uint8_t> words(bytes.begin(), bytes.end());
    words.resize((bytes.size() + 3) / 4 * 4, 0);
    lf_decodeWords(words, bglPath, sink);
}

void lf_toParkingPositions(const fs::path& path, ksb::AirportScanSink& sink) {
    const WorkerFinished finished;
    const std::optional<std::span<const std::uint8_t>> words = lf_readWholeFileAsWords(path);
    if (!words) {
        return;
    }
    const std::string bglPath = path.string();
    try {
        lf_decodeWords(*words, bglPath, sink);
    } catch (...) {
        sink.addScanLogLine(
            fmt::format("{}!? Exception in lf_toParkingPositions: {}", "===> ", bglPath));
        throw;
    }
}

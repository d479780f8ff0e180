#pragma once
// Read access to a zip archive over libzip: the entries in archive order, an entry read whole
// with a size cap, or streamed into an open file. The archive closes with the object.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace ksb {

struct ZipEntry {
    std::uint64_t index = 0;
    std::string name;
    std::uint64_t size = 0; // as the archive states it
};

struct ZipRead {
    enum class Outcome { read, tooLarge, failed };
    Outcome outcome = Outcome::failed;
    std::string text;
};

class ZipArchive {
public:
    // Read-only, without a consistency check; nothing when libzip cannot open it or the input
    // is empty.
    static std::optional<ZipArchive> open(const std::filesystem::path& path);
    // The bytes must outlive the archive.
    static std::optional<ZipArchive> openBytes(std::string_view bytes);

    ZipArchive(ZipArchive&&) noexcept = default;
    ZipArchive& operator=(ZipArchive&&) noexcept = default;
    ~ZipArchive() = default;

    // Entries whose state libzip cannot give are left out.
    std::vector<ZipEntry> entries() const;
    // The whole entry; tooLarge as soon as it is known to exceed maxBytes.
    ZipRead readText(const ZipEntry& entry, std::size_t maxBytes) const;
    // Streams the entry in chunks of kChunkBytes: 0, libzip's error code, or -1 when the stream
    // failed.
    int streamTo(const ZipEntry& entry, std::ostream& out) const;

    static constexpr std::size_t kChunkBytes = 524288;

private:
    struct Closer {
        void operator()(zip* archive) const;
    };
    explicit ZipArchive(zip* archive) : archive_(archive) {}
    std::unique_ptr<zip, Closer> archive_;
};

} // namespace ksb

// Arbitrary bytes opened as a zip archive: every entry goes through the name check and the
// capped read, as the archive update does. Nothing may crash, and no read may exceed the cap.
#include "updates/update_steps.h"
#include "updates/zip_archive.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Small, so that the size checks are reached with small inputs.
constexpr std::size_t kCap = 4096;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<ksb::ZipArchive> archive = ksb::ZipArchive::openBytes(bytes);
    if (!archive) {
        return 0;
    }
    for (const ksb::ZipEntry& entry : archive->entries()) {
        const std::optional<std::filesystem::path> target = lf_archiveEntryTarget(entry.name);
        if (target && (target->is_absolute() || target->begin()->string() != "archive")) {
            std::abort();
        }
        const ksb::ZipRead read = archive->readText(entry, kCap);
        if (read.text.size() > kCap ||
            (read.outcome != ksb::ZipRead::Outcome::read && !read.text.empty())) {
            std::abort();
        }
    }
    return 0;
}

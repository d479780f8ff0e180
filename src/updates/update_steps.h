#pragma once
// The steps of the component updates, for the tests; the public operations are in updates.h.
#include "core/version_triple.h"
#include "updates/zip_archive.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// An entry larger than this is never extracted.
inline constexpr std::uint64_t kMaxArchiveEntryBytes = 64u * 1024u * 1024u;

// The entry's path below "airports" when the name is safe to write there: '/'-separated
// components, none empty, "." or "..", no '\', ':' or NUL, the first one "archive".
std::optional<std::filesystem::path> lf_archiveEntryTarget(std::string_view name);
// Whether the archive is to be fetched: a newer server version, the server rolled back to 1.0.0
// or 0.1.0, or a missing archive folder.
bool lf_archiveWanted(const VersionTriple& server, const VersionTriple& local, bool foldersMissing);

// Copies the downloaded file's bytes over target through a temporary beside it; false (target
// untouched) when that failed.
bool lf_installFile(const std::filesystem::path& downloaded, const std::filesystem::path& target);

bool lf_downloadArchiveZip();
enum class EntryOutcome {
    skipped, // a folder or not an airport file: not counted, not a failure
    written,
    failed, // unsafe, too large or not written
};
// One archive entry below airports; counter counts the written ones.
EntryOutcome lf_extractArchive(const ksb::ZipArchive& archive, const ksb::ZipEntry& entry,
                               const std::filesystem::path& zipPath, int& counter);
void lf_downloadDocs(std::string_view extension);

// True when an installer was written to install_new_version.exe.
bool lf_downloadProgramInstaller(const VersionTriple& version);
// Replaces install_new_version.exe with the entry; false (and no file) when that failed.
bool lf_extractZipEntryToFile(const ksb::ZipArchive& archive, const ksb::ZipEntry& entry,
                              const std::filesystem::path& zipPath);

struct ItemVersions {
    VersionTriple server; // 0.0.0: unreadable, never newer
    VersionTriple local;
};
// "New version{} for: {}" over the items that are newer; empty when none is.
std::string lf_newVersionsText(const ItemVersions& program, const ItemVersions& dbase,
                               const ItemVersions& archive, const ItemVersions& aig);

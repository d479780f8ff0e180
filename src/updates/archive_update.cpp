// The airport archive: fetched as archive.zip, its airport files extracted below airports, and
// the two docs files beside it.
#include "catalogue/catalogue.h"
#include "core/config_paths.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/text_file.h"
#include "updates/downloads.h"
#include "updates/update_steps.h"
#include "updates/updates.h"

#include <fmt/format.h>

#include <system_error>

namespace fs = std::filesystem;
using namespace ksb;

namespace {

constexpr int kProgressEvery = 300;

fs::path lf_zipPath() {
    return fs::current_path() / kArchiveZipFile;
}

// The roll-back versions: a server set back to one of them is followed.
bool lf_rolledBack(const VersionTriple& server, const VersionTriple& local) {
    return (server == VersionTriple{1, 0, 0} || server == VersionTriple{0, 1, 0}) && local > server;
}

void lf_createMissing(const fs::path& folder) {
    if (!fs::exists(folder)) {
        fs::create_directory(folder);
    }
}

} // namespace

std::optional<fs::path> lf_archiveEntryTarget(std::string_view name) {
    if (name.empty() || name.front() == '/') {
        return std::nullopt;
    }
    fs::path target;
    std::size_t start = 0;
    bool first = true;
    for (;;) {
        const std::size_t end = name.find('/', start);
        const std::string_view component =
            name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!gf_isFolderName(component) || (first && component != kArchiveFolder)) {
            return std::nullopt;
        }
        target /= component;
        first = false;
        if (end == std::string_view::npos) {
            return target;
        }
        start = end + 1;
    }
}

bool lf_archiveWanted(const VersionTriple& server, const VersionTriple& local, bool foldersMissing) {
    return server > local || lf_rolledBack(server, local) || foldersMissing;
}

bool lf_downloadArchiveZip() {
    return lf_downloadFromServer(fmt::format("archive/p3d/{}", kArchiveZipFile), lf_zipPath(), true);
}

EntryOutcome lf_extractArchive(const ZipArchive& archive, const ZipEntry& entry,
                               const fs::path& zipPath, int& counter) {
    const std::string& name = entry.name;
    if (name.ends_with('/') || !name.ends_with(".xml")) {
        return EntryOutcome::skipped;
    }
    const std::optional<fs::path> relative = lf_archiveEntryTarget(name);
    if (!relative) {
        gf_logLine(fmt::format("unsafe archive entry {} skipped", name));
        return EntryOutcome::failed;
    }
    if (entry.size > kMaxArchiveEntryBytes) {
        gf_logLine(fmt::format("archive entry {} too large, skipped", name));
        return EntryOutcome::failed;
    }
    if (name.find(kThirdPartyFolder) != std::string::npos) {
        const std::string publisher = gf_publisherOf(name);
        if (publisher == "unknown") {
            gf_logLine(fmt::format("pub {} not found", name));
        } else if (!gf_isFolderName(publisher)) {
            gf_logLine(fmt::format("publisher \"{}\" of {} is not a folder name, ignored",
                                   publisher, name));
        } else {
            lf_createMissing(fs::current_path() / gf_archiveThirdPartyFolderPath() / publisher);
        }
    }
    const fs::path target = fs::current_path() / kAirportsFolder / *relative;
    const ZipRead read = archive.readText(entry, kMaxArchiveEntryBytes);
    if (read.outcome == ZipRead::Outcome::tooLarge) {
        gf_logLine(fmt::format("archive entry {} too large, skipped", name));
        return EntryOutcome::failed;
    }
    // A parent that cannot be made fails the write below, which is reported there.
    std::error_code ignored;
    fs::create_directories(target.parent_path(), ignored);
    if (read.outcome != ZipRead::Outcome::read || !gf_writeTextFile(read.text, target, true)) {
        gf_logLine(fmt::format("writing {} failed?", target.string()));
        return EntryOutcome::failed;
    }
    ++counter;
    if (counter % kProgressEvery == 0) {
        gf_showMessage(fmt::format("Extracting {} ...  {} files", zipPath.string(), counter),
                       false);
    }
    return EntryOutcome::written;
}

void lf_downloadDocs(std::string_view extension) {
    const std::string name = fmt::format("P3D_archive.{}", extension);
    const fs::path downloaded = fs::current_path() / name;
    const fs::path installed = fs::current_path() / kDocsFolder / name;
    if (!lf_downloadFromServer(fmt::format("docs/{}", name), downloaded, false)) {
        gf_logLine(fmt::format("downloading {} failed?", installed.string()));
        return;
    }
    if (lf_installFile(downloaded, installed)) {
        gf_log(fmt::format("{} downloaded", name));
    } else {
        gf_logLine(fmt::format("writing {} failed?", installed.string()));
    }
    if (fs::exists(downloaded)) {
        fs::remove(downloaded);
    }
}

bool gf_updateArchive() {
    const VersionTriple server = lf_fetchArchiveVersionInfo();
    if (server == VersionTriple{}) {
        gf_logLine("No archive version info found at the KSBY server?");
        return false;
    }
    const VersionTriple local = gf_parseVersion(ARCHIVE_VERSION.value());
    if (!lf_archiveWanted(server, local, lf_archiveFoldersMissing())) {
        return false;
    }
    const std::string versionText = gf_versionToString(server);
    gf_showMessage(fmt::format("Downloading archive files version {} ...", versionText), true);
    if (!lf_downloadArchiveZip()) {
        gf_showMessage(fmt::format("Downloading archive files version {} failed", versionText),
                       true);
        return false;
    }
    const fs::path airports = fs::current_path() / kAirportsFolder;
    lf_createMissing(airports);
    for (const fs::path& folder : {gf_archiveFolderPath(), gf_archiveStockFolderPath(),
                                   gf_archiveOrbxFolderPath(), gf_archiveThirdPartyFolderPath()}) {
        lf_createMissing(fs::current_path() / folder);
    }
    const fs::path zipPath = lf_zipPath();
    int counter = 0;
    bool everyEntryWritten = true;
    {
        const std::optional<ZipArchive> archive = ZipArchive::open(zipPath);
        if (!archive) {
            gf_logLine(fmt::format("could not open {}", zipPath.string()));
            return false;
        }
        for (const ZipEntry& entry : archive->entries()) {
            if (lf_extractArchive(*archive, entry, zipPath, counter) == EntryOutcome::failed) {
                everyEntryWritten = false;
            }
        }
    }
    gf_showMessage(fmt::format("{} extracted {} files", zipPath.string(), counter), true);
    if (fs::exists(zipPath)) {
        fs::remove(zipPath);
    }
    // Missing airport files must be fetched again, so the version waits for a whole extraction.
    if (!everyEntryWritten) {
        return false;
    }
    ARCHIVE_VERSION.setValue(versionText);
    gf_showMessage(fmt::format("Archive has been updated to version {}", versionText), true);
    lf_downloadDocs("txt");
    lf_downloadDocs("csv");
    return true;
}

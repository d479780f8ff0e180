// The program's own version: a newer one is fetched as an installer for the user to run.
#include "core/config_paths.h"
#include "core/exceptions.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/program_info.h"
#include "updates/downloads.h"
#include "updates/update_steps.h"
#include "updates/updates.h"

#include <fmt/format.h>

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;
using namespace ksb;

bool lf_extractZipEntryToFile(const ZipArchive& archive, const ZipEntry& entry,
                              const fs::path& zipPath) {
    const fs::path installer = fs::current_path() / kInstallerFileName;
    if (fs::exists(installer)) {
        fs::remove(installer);
    }
    int code = -1;
    {
        std::ofstream out(installer, std::ios::binary | std::ios::trunc);
        if (out.is_open()) {
            code = archive.streamTo(entry, out);
            out.close();
            if (code == 0 && out.fail()) {
                code = -1;
            }
        }
    }
    if (code != 0) {
        gf_logLine(fmt::format("extracting error code : {}", code));
        // A broken installer must never be offered to the user.
        std::error_code ignored;
        fs::remove(installer, ignored);
        return false;
    }
    gf_log(fmt::format("{} extracted to {}", zipPath.string(), installer.string()));
    return true;
}

bool lf_downloadProgramInstaller(const VersionTriple& version) {
    const std::string versionText = gf_versionToString(version);
    const std::string zipName = fmt::format("setup_{}_v{}.zip", kProgramName, versionText);
    const fs::path zipPath = fs::current_path() / zipName;
    if (!lf_downloadFromServer(fmt::format("release/{}", zipName), zipPath, true)) {
        gf_showMessage(
            fmt::format("Downloading program installer file version {} failed", versionText),
            true);
        return false;
    }
    gf_log(fmt::format("downloaded {}", zipPath.string()));
    bool written = false;
    {
        const std::optional<ZipArchive> archive = ZipArchive::open(zipPath);
        if (!archive) {
            gf_logLine(fmt::format("could not open {}", zipPath.string()));
        } else {
            // Every entry replaces the file; the last one decides.
            for (const ZipEntry& entry : archive->entries()) {
                written = lf_extractZipEntryToFile(*archive, entry, zipPath);
            }
        }
    }
    if (fs::exists(zipPath)) {
        fs::remove(zipPath);
    }
    return written;
}

void gf_checkProgramVersion() {
    const VersionTriple server = lf_fetchProgramVersionInfo();
    if (server == VersionTriple{}) {
        gf_logLine("Program Version file not found?");
        return;
    }
    if (server <= gf_programVersion()) {
        return;
    }
    if (lf_downloadProgramInstaller(server)) {
        throw UserErrorException(
            99, fmt::format("New version {} available. Exit here, and run as administrator:   "
                            "\"{}\"",
                            gf_versionToString(server),
                            (fs::path(PROGRAM_INSTALL_PATH.value()) / kInstallerFileName).string()));
    }
    gf_showMessage("download/extract of the new version failed? Try manually via my website",
                   true);
}

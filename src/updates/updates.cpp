// The aircraft database and the registration codes, and the list of what the server has newer.
#include "updates/updates.h"

#include "core/atomic_file.h"
#include "core/config_paths.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/program_info.h"
#include "updates/downloads.h"
#include "updates/update_steps.h"

#include <fmt/format.h>

#include <array>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using namespace ksb;

namespace {

struct Component {
    std::string_view folder; // on the server
    std::string_view file;
    StringParameter& version;
    std::string_view noVersionWarning;
};

void lf_updateComponent(const Component& component) {
    const VersionTriple server = lf_fetchComponentVersionInfo(component.folder);
    if (server == VersionTriple{}) {
        gf_logLine(component.noVersionWarning);
        return;
    }
    const VersionTriple local = gf_parseVersion(component.version.value());
    const fs::path installed = fs::current_path() / kInputFolder / component.file;
    if (server <= local && fs::exists(installed)) {
        return;
    }
    const std::string versionText = gf_versionToString(server);
    gf_showMessage(fmt::format("Downloading {} version {} ...", component.file, versionText), true);
    const fs::path downloaded = fs::current_path() / component.file;
    if (!lf_downloadFromServer(fmt::format("{}/{}", component.folder, component.file), downloaded,
                               false)) {
        gf_log(fmt::format("downloading {} failed?", installed.string()));
    } else if (lf_installFile(downloaded, installed)) {
        component.version.setValue(versionText);
    } else {
        gf_log(fmt::format("writing {} failed?", installed.string()));
    }
    if (fs::exists(downloaded)) {
        fs::remove(downloaded);
    }
}

// The folder older versions kept the codes in goes only when nothing of the user's is left in it.
void lf_clearLegacyRegcodesFolder() {
    const fs::path folder = fs::current_path() / kInputFolder / kLegacyRegcodesFolder;
    const fs::path file = folder / kRegcodesFile;
    if (fs::exists(file)) {
        fs::remove(file);
    }
    if (!fs::exists(folder)) {
        return;
    }
    if (fs::is_directory(folder) && fs::is_empty(folder)) {
        fs::remove(folder);
    } else {
        gf_log(fmt::format("{} kept, it holds other files", folder.string()));
    }
}

// The items of the newer-versions list, in its order.
constexpr std::array<std::string_view, 4> kItemNames{kProgramName, "dbase", "archive",
                                                     "AIG-regcodes"};

std::string lf_joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += joined.empty() ? name : ", " + name;
    }
    return joined;
}

} // namespace

bool lf_installFile(const fs::path& downloaded, const fs::path& target) {
    std::ifstream in(downloaded, std::ios::binary);
    if (!in.is_open()) {
        return false;
    }
    return gf_replaceFileAtomically(target, [&in](std::ostream& out) {
        std::vector<char> chunk(65536);
        while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) ||
               in.gcount() > 0) {
            out.write(chunk.data(), in.gcount());
        }
        if (in.bad()) {
            out.setstate(std::ios::badbit);
        }
    });
}

void gf_updateDbase() {
    lf_updateComponent(
        {"dbase", kDbaseFile, DBASE_VERSION, "No dbase version info found at the KSBY server?"});
}

void gf_updateAigRegcodes() {
    lf_updateComponent({"aig", kRegcodesFile, AIG_VERSION,
                        "No AIG regcodes version info found at the KSBY server?"});
    lf_clearLegacyRegcodesFolder();
}

std::string lf_newVersionsText(const ItemVersions& program, const ItemVersions& dbase,
                               const ItemVersions& archive, const ItemVersions& aig) {
    const std::array<const ItemVersions*, kItemNames.size()> items{&program, &dbase, &archive,
                                                                    &aig};
    std::vector<std::string> newer;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ItemVersions& item = *items[i];
        if (item.server != VersionTriple{} && item.server > item.local) {
            newer.push_back(
                fmt::format("{} ({})", kItemNames[i], gf_versionToString(item.server)));
        }
    }
    if (newer.empty()) {
        return {};
    }
    return fmt::format("New version{} for: {}", newer.size() > 1 ? "s" : "", lf_joined(newer));
}

std::string gf_newVersionsText() {
    const std::array<VersionTriple, kItemNames.size()> server{
        lf_fetchProgramVersionInfo(), lf_fetchComponentVersionInfo("dbase"),
        lf_fetchArchiveVersionInfo(), lf_fetchComponentVersionInfo("aig")};
    std::string news = lf_newVersionsText({server[0], gf_programVersion()},
                                          {server[1], gf_parseVersion(DBASE_VERSION.value())},
                                          {server[2], gf_parseVersion(ARCHIVE_VERSION.value())},
                                          {server[3], gf_parseVersion(AIG_VERSION.value())});
    if (!news.empty()) {
        return news;
    }
    // Nothing newer is only "up to date" when every version could be read.
    std::vector<std::string> unread;
    for (std::size_t i = 0; i < server.size(); ++i) {
        if (server[i] == VersionTriple{}) {
            unread.emplace_back(kItemNames[i]);
        }
    }
    if (!unread.empty()) {
        throw std::runtime_error(fmt::format(
            "Version check failed: no version from the update server for {}", lf_joined(unread)));
    }
    return news;
}

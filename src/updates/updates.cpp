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

#include <fstream>
#include <stdexcept>
#include <string_view>
#include <utility>
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
    bool fetched = false;
    {
        const UpdateHandle handle = gf_newUpdateHandle();
        fetched = gf_downloadFile(handle.get(),
                                  gf_updateUrl(fmt::format("{}/{}", component.folder,
                                                           component.file)),
                                  downloaded, false);
    }
    if (!fetched) {
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
    std::vector<std::string> items;
    const auto add = [&items](const ItemVersions& item, auto format) {
        if (item.server != VersionTriple{} && item.server > item.local) {
            items.push_back(format(gf_versionToString(item.server)));
        }
    };
    add(program, [](const std::string& v) { return fmt::format("{} ({})", kProgramName, v); });
    add(dbase, [](const std::string& v) { return fmt::format("dbase ({})", v); });
    add(archive, [](const std::string& v) { return fmt::format("archive ({})", v); });
    add(aig, [](const std::string& v) { return fmt::format("AIG-regcodes ({})", v); });
    if (items.empty()) {
        return {};
    }
    std::string joined;
    for (const std::string& item : items) {
        joined += joined.empty() ? item : ", " + item;
    }
    return fmt::format("New version{} for: {}",
                       joined.find(',') != std::string::npos ? "s" : "", joined);
}

std::string gf_newVersionsText() {
    const VersionTriple program = lf_fetchProgramVersionInfo();
    const VersionTriple dbase = lf_fetchComponentVersionInfo("dbase");
    const VersionTriple archive = lf_fetchArchiveVersionInfo();
    const VersionTriple aig = lf_fetchComponentVersionInfo("aig");
    std::string news = lf_newVersionsText({program, gf_programVersion()},
                                          {dbase, gf_parseVersion(DBASE_VERSION.value())},
                                          {archive, gf_parseVersion(ARCHIVE_VERSION.value())},
                                          {aig, gf_parseVersion(AIG_VERSION.value())});
    if (!news.empty()) {
        return news;
    }
    // Nothing newer is only "up to date" when every version could be read.
    std::string unread;
    for (const auto& [version, name] : {std::pair{program, std::string_view(kProgramName)},
                                        std::pair{dbase, std::string_view("dbase")},
                                        std::pair{archive, std::string_view("archive")},
                                        std::pair{aig, std::string_view("AIG-regcodes")}}) {
        if (version == VersionTriple{}) {
            unread += unread.empty() ? std::string(name) : ", " + std::string(name);
        }
    }
    if (!unread.empty()) {
        throw std::runtime_error(
            fmt::format("Version check failed: no version from the update server for {}", unread));
    }
    return news;
}

#include "catalogue/addon_packages.h"

#include "core/config_paths.h"
#include "core/line_readers.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/sim_version.h"
#include "core/strings.h"
#include "core/text_file.h"
#include "platform/known_folders.h"
#include "platform/native_path.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool lf_containsAny(std::string_view line, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [line](std::string_view word) {
        return line.find(word) != std::string_view::npos;
    });
}

// A drive, native or UNC path text; it stays text until the scan of the root reaches the file
// system.
bool lf_isAbsoluteText(std::string_view text) {
    const bool drive = text.size() >= 2 && text[1] == ':' &&
                       ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) &&
                       (text.size() == 2 || text[2] == '\\' || text[2] == '/');
    return drive || text.starts_with('/') || text.starts_with("\\\\");
}

// A relative text joined to its base folder; an absolute one as it stands.
std::string lf_rootFolderText(const fs::path& base, const std::string& text) {
    return lf_isAbsoluteText(text) ? text : platform::toNativePath(base, text).string();
}

bool lf_hasPathKey(std::string_view line) {
    return lf_containsAny(line, {"Path", "PATH", "path"});
}

// The file's lines; false (and the " not found!" line) when it is missing or unreadable.
bool lf_readAddOnFile(const fs::path& path, std::vector<std::string>& lines) {
    std::error_code error;
    if (path.empty() || !fs::is_regular_file(path, error) ||
        !gf_readExtTextFileToStringVector(path, lines)) {
        gf_log(path.string() + " not found!");
        return false;
    }
    return true;
}

void lf_logFound(std::size_t before, const std::vector<std::string>& rootFolders) {
    gf_log(fmt::format("{} AI add-on packages found", rootFolders.size() - before));
}

std::string lf_simFilePath(std::string_view file) {
    return fmt::format("Lockheed Martin\\Prepar3D v{}\\{}", gf_simVersionFromInstallPath(), file);
}

void lf_exploreAddonXml(const std::string& packageFolder, std::vector<std::string>& rootFolders) {
    const fs::path base = platform::toNativePath(packageFolder);
    const fs::path xml = platform::toNativePath(base, "add-on.xml");
    gf_log("   exploring " + xml.string());
    std::vector<std::string> lines;
    if (!lf_readAddOnFile(xml, lines)) {
        return;
    }
    lf_findSimObjectsInPackage(lines, base.string(), rootFolders);
}

void lf_isAiAircraftPath(const std::string& line, std::vector<std::string>& rootFolders) {
    if (!lf_hasPathKey(line)) {
        return;
    }
    if (line.find("SimObjects") != std::string::npos &&
        lf_containsAny(line, {"Airplanes", "Avatars", "Rotorcraft", "GroundVehicles", "Boats",
                              "Animals", "Misc", "Submersible", "Weapons", "Countermeasures"})) {
        return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return;
    }
    const std::string text = gf_trim(std::string_view(line).substr(equals + 1));
    if (text.empty()) {
        rootFolders.push_back(text);
        return;
    }
    rootFolders.push_back(
        lf_rootFolderText(platform::toNativePath(SIM_INSTALL_PATH.value()), text));
}

} // namespace

void lf_readCfgSections(const std::vector<std::string>& lines,
                        const std::vector<std::string_view>& headerWords,
                        const std::vector<std::string_view>& droppedKeys,
                        const std::function<void(const std::string&)>& handler) {
    bool inSection = false;
    std::vector<std::string> collected;
    const auto finish = [&] {
        bool active = false;
        for (const std::string& line : collected) {
            gf_parseActiveKey(active, line);
        }
        if (active) {
            for (const std::string& line : collected) {
                handler(line);
            }
        }
        collected.clear();
    };
    const auto holdsAny = [](std::string_view line, const std::vector<std::string_view>& words) {
        return std::any_of(words.begin(), words.end(), [line](std::string_view word) {
            return line.find(word) != std::string_view::npos;
        });
    };
    for (const std::string& line : lines) {
        if (gf_trim(line).starts_with('[')) {
            finish();
            inSection = holdsAny(line, headerWords);
            continue;
        }
        if (inSection && !holdsAny(line, droppedKeys)) {
            collected.push_back(line);
        }
    }
    finish();
}

void lf_findSimObjectsInPackage(const std::vector<std::string>& lines,
                                const std::string& packageFolder,
                                std::vector<std::string>& rootFolders) {
    bool pathLineNext = false;
    for (const std::string& line : lines) {
        if (pathLineNext) {
            // The path line itself holds "SimObjects"; it marks nothing.
            pathLineNext = false;
            const std::string text = gf_pathFromXmlLine(line);
            if (text.empty() ||
                lf_containsAny(text, {"Lights Reborn", "Aerosoft Geneva Professional"})) {
                continue;
            }
            gf_log("      Simobjects found:" + text);
            rootFolders.push_back(lf_rootFolderText(fs::path(packageFolder), text));
            continue;
        }
        if (lf_containsAny(line, {"SimObjects", "SIMOBJECTS", "Simobjects", "simobjects"})) {
            pathLineNext = true;
        }
    }
}

void lf_readAddOnsCfg(std::vector<std::string>& rootFolders) {
    const fs::path path =
        platform::toNativePath(gf_getAppDataPath(), lf_simFilePath("add-ons.cfg"));
    gf_log(fmt::format("\nReading {} for AI add-on packages...", path.string()));
    std::vector<std::string> lines;
    if (!lf_readAddOnFile(path, lines)) {
        return;
    }
    const std::size_t before = rootFolders.size();
    std::vector<std::string> packages;
    lf_readCfgSections(lines, {"Package", "PACKAGE", "package"}, {"Required", "REQUIRED"},
                       [&packages](const std::string& line) {
                           const std::size_t equals = line.find('=');
                           if (!lf_hasPathKey(line) || equals == std::string::npos) {
                               return;
                           }
                           const std::string_view text = std::string_view(line).substr(equals + 1);
                           gf_log(fmt::format("path found:{}", text));
                           packages.push_back(gf_trim(text));
                       });
    for (const std::string& package : packages) {
        lf_exploreAddonXml(package, rootFolders);
    }
    lf_logFound(before, rootFolders);
}

void lf_readSimObjectsCfg(std::vector<std::string>& rootFolders) {
    const fs::path path = platform::programDataPath(lf_simFilePath("simobjects.cfg"));
    gf_log(fmt::format("\nReading {} for AI add-on packages...", path.string()));
    std::vector<std::string> lines;
    if (!lf_readAddOnFile(path, lines)) {
        return;
    }
    const std::size_t before = rootFolders.size();
    lf_readCfgSections(
        lines, {"Entry", "ENTRY"}, {"Title", "Required"},
        [&rootFolders](const std::string& line) { lf_isAiAircraftPath(line, rootFolders); });
    lf_logFound(before, rootFolders);
}

// The simulator's scenery lists: the active areas of scenery.cfg and the <Path> lines of
// scenery_add-ons.xml.
#include "airports/addon_scan.h"

#include "core/globals.h"
#include "core/line_readers.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/sim_version.h"
#include "core/strings.h"
#include "core/text_file.h"
#include "platform/known_folders.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kExtraLines = 256;

bool lf_containsAny(std::string_view text, std::initializer_list<std::string_view> keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](std::string_view key) { return text.find(key) != std::string_view::npos; });
}

// The file's lines; empty when it is missing or holds none.
std::vector<std::string> lf_readListLines(const fs::path& path) {
    std::vector<std::string> lines;
    if (path.empty()) {
        return lines;
    }
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (!error) {
        lines.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, 1u << 20)) +
                      kExtraLines);
    }
    if (!gf_readExtTextFileToStringVector(path, lines)) {
        lines.clear();
    }
    return lines;
}

fs::path lf_sceneryListPath(std::string_view fileName) {
    return platform::programDataPath("Lockheed Martin\\Prepar3D v" +
                                     gf_simVersionFromInstallPath() + "\\" +
                                     std::string(fileName));
}

} // namespace

bool lf_isStockSceneryPath(std::string_view text) {
    static constexpr std::array<std::string_view, 45> kStockNames{
        "\\Cities", "\\CITIES", "\\cities", "\\World", "\\BASE",   "\\0006",   "\\0007",
        "\\0103",   "\\0106",   "\\0107",   "\\0206",  "\\0207",   "\\0307",   "\\0407",
        "\\0505",   "\\0506",   "\\0507",   "\\0606",  "\\0607",   "\\0706",   "\\0707",
        "\\0805",   "\\0806",   "\\0807",   "\\0900",  "\\0906",   "\\0907",   "\\1000",
        "\\1006",   "\\1007",   "\\1100",   "\\1102",  "\\1107",   "\\AFRI",   "\\ASIA",
        "\\AUST",   "\\EURE",   "\\EURW",   "\\NAMC",  "\\NAME",   "\\NAMW",   "\\OCEN",
        "\\SAME",   "\\Global", "\\Bathymetry"};
    return std::any_of(kStockNames.begin(), kStockNames.end(), [&](std::string_view name) {
        return text.find(name) != std::string_view::npos;
    });
}

std::string lf_stockFolderText(std::string_view installPath) {
    return installPath.empty() ? std::string() : stockAirportsPath.text();
}

bool lf_isInStockFolder(std::string_view folderText, std::string_view installPath) {
    const std::string stock = lf_stockFolderText(installPath);
    return !stock.empty() && folderText.find(stock) != std::string_view::npos;
}

void lf_parseSceneryAreaLine(SceneryAreaState& state, std::string_view line) {
    const std::string trimmed = gf_trim(line);
    if (trimmed.starts_with('[')) {
        if (state.inArea) {
            lf_processSceneryArea(state.lines, state.installPath, *state.folders);
        }
        state.lines.clear();
        state.inArea = lf_containsAny(trimmed, {"Area", "AREA", "area"});
        return;
    }
    if (!state.inArea ||
        lf_containsAny(line, {"Required", "REQUIRED", "Title", "TITLE", "Layer", "LAYER"})) {
        return;
    }
    state.lines.push_back(trimmed);
}

void lf_processSceneryArea(const std::vector<std::string>& lines, const std::string& installPath,
                           std::vector<std::string>& folders) {
    bool active = false;
    for (const std::string& line : lines) {
        gf_parseActiveKey(active, line);
    }
    if (!active) {
        return;
    }
    for (const std::string& line : lines) {
        lf_parseLocalKey(installPath, folders, line);
    }
}

void lf_parseLocalKey(const std::string& installPath, std::vector<std::string>& folders,
                      std::string_view line) {
    const std::size_t equals = line.find('=');
    if (!lf_containsAny(line, {"Local", "LOCAL", "local"}) || lf_isStockSceneryPath(line) ||
        equals == std::string_view::npos) {
        return;
    }
    std::string value = gf_trim(line.substr(equals + 1));
    if (value.find(":\\") == std::string::npos) {
        // Joined as start-up joins the stock folder's text.
        std::string joined = installPath;
        if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') {
            joined += '\\';
        }
        value = joined + value;
    }
    if (lf_isInStockFolder(value, installPath)) {
        return;
    }
    gf_log("      found:" + value);
    folders.push_back(std::move(value));
}

void lf_addFoundPath(std::vector<std::string>& folders, std::string_view line) {
    std::string path = gf_pathFromXmlLine(line);
    if (path.empty()) {
        return;
    }
    gf_log("found path:" + path);
    folders.push_back(std::move(path));
}

void lf_readSceneryCfgFile(const fs::path& path, std::vector<std::string>& folders) {
    gf_log(fmt::format("\nReading: {} for airport add-ons ...", path.string()));
    const std::size_t before = folders.size();
    const std::vector<std::string> lines = lf_readListLines(path);
    if (lines.empty()) {
        gf_log(path.string() + " not found!");
    } else {
        SceneryAreaState state;
        state.installPath = SIM_INSTALL_PATH.value();
        state.folders = &folders;
        for (const std::string& line : lines) {
            lf_parseSceneryAreaLine(state, line);
        }
        if (state.inArea) {
            lf_processSceneryArea(state.lines, state.installPath, folders);
        }
    }
    gf_log(fmt::format("{} scenery add-on paths found\n", folders.size() - before));
}

void lf_readSceneryAddOnsXmlFile(const fs::path& path, std::vector<std::string>& folders) {
    gf_log(fmt::format("\nReading {} for add-on airport ...", path.string()));
    const std::size_t before = folders.size();
    const std::vector<std::string> lines = lf_readListLines(path);
    if (lines.empty()) {
        gf_log(path.string() + " not found!");
    }
    for (const std::string& line : lines) {
        lf_addFoundPath(folders, line);
    }
    gf_log(fmt::format("{} scenery add-on paths found\n", folders.size() - before));
}

void lf_readSceneryCfg(std::vector<std::string>& folders) {
    lf_readSceneryCfgFile(lf_sceneryListPath("scenery.cfg"), folders);
}

void lf_readSceneryAddOnsXml(std::vector<std::string>& folders) {
    lf_readSceneryAddOnsXmlFile(lf_sceneryListPath("scenery_add-ons.xml"), folders);
}

// Where an airport's file and its learned file lie.
#include "airports/airport_files.h"

#include "core/config_paths.h"
#include "core/log.h"
#include "core/text_file.h"
#include "core/xml_files.h"

#include <fmt/format.h>

#include <system_error>

namespace fs = std::filesystem;

namespace {

bool lf_exists(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

// The link files and airport files of the my_ folders, in the order they are tried.
struct AddonCandidates {
    fs::path link;
    fs::path file;
};

std::vector<AddonCandidates> lf_addonCandidates(std::string_view code) {
    return {{gf_myThirdPartyFolderPath() / gf_txtFileName(code),
             gf_myThirdPartyFolderPath() / gf_xmlFileName(code)},
            {gf_myOrbxFolderPath() / gf_txtFileName(code),
             gf_myOrbxFolderPath() / gf_xmlFileName(code)}};
}

fs::path lf_stockFilePath(std::string_view code) {
    return gf_archiveStockFolderPath() / gf_xmlFileName(code);
}

std::string lf_learnedPublisherFolder(const fs::path& apfPath) {
    std::string publisher = lf_readPublisher(apfPath);
    // A publisher names a folder below learned/thirdparty; it may not lead out of it. None is
    // no folder at all.
    if (!publisher.empty() && !gf_isFolderName(publisher)) {
        gf_logLine(fmt::format("publisher \"{}\" of {} is not a folder name, ignored", publisher,
                               apfPath.string()));
        publisher.clear();
    }
    return publisher;
}

// The first occurrence of what in text replaced by with; false when there is none.
bool lf_replaceFirst(std::string& text, std::string_view what, std::string_view with) {
    const auto at = text.find(what);
    if (at == std::string::npos) {
        return false;
    }
    text.replace(at, what.size(), with);
    return true;
}

} // namespace

std::string gf_xmlFileName(std::string_view code) {
    return std::string(code) + ".xml";
}

std::string gf_txtFileName(std::string_view code) {
    return std::string(code) + ".txt";
}

bool lf_followApfLink(const fs::path& linkFile, fs::path& target) {
    TextFile link(linkFile);
    const auto lines = link.readLines(1);
    if (!lines) {
        return false;
    }
    std::string line = lines->front();
    // Whatever follows the name (a carriage return, blanks) goes, up to the 'l' of ".xml".
    const auto lastL = line.rfind('l');
    line.resize(lastL == std::string::npos ? 0 : lastL + 1);
    if (line.empty() || !lf_exists(line)) {
        return false;
    }
    target = line;
    return true;
}

fs::path gf_findApfPath(std::string_view code) {
    for (const AddonCandidates& candidates : lf_addonCandidates(code)) {
        fs::path target;
        if (lf_exists(candidates.link) && lf_followApfLink(candidates.link, target)) {
            return target;
        }
        if (lf_exists(candidates.file)) {
            return candidates.file;
        }
    }
    const fs::path stock = lf_stockFilePath(code);
    return lf_exists(stock) ? stock : fs::path();
}

bool gf_apfExists(std::string_view code) {
    for (const AddonCandidates& candidates : lf_addonCandidates(code)) {
        if (lf_exists(candidates.link) || lf_exists(candidates.file)) {
            return true;
        }
    }
    return lf_exists(lf_stockFilePath(code));
}

fs::path lf_learnedPathFor(const fs::path& apfPath) {
    constexpr char separator = fs::path::preferred_separator;
    std::string text = apfPath.string();
    const std::string learned(kLearnedFolder);
    if (lf_replaceFirst(text, kArchiveFolder, learned) ||
        lf_replaceFirst(text, kMyOrbxFolder, learned + separator + std::string(kOrbxFolder))) {
        return fs::path(text).lexically_normal();
    }
    if (text.find(kMyThirdPartyFolder) == std::string::npos) {
        return apfPath;
    }
    // Without a publisher the two separators meet; the normal form drops the empty component.
    lf_replaceFirst(text, kMyThirdPartyFolder,
                    learned + separator + std::string(kThirdPartyFolder) + separator +
                        lf_learnedPublisherFolder(apfPath));
    return fs::path(text).lexically_normal();
}

std::vector<std::string> gf_listAirportCodes(const fs::path& folder) {
    std::vector<std::string> codes;
    for (const fs::path& file : gf_listXmlFiles(folder)) {
        std::string stem = file.stem().string();
        if (stem.size() == 4) {
            codes.push_back(std::move(stem));
        }
    }
    return codes;
}

// Registration codes: in-line ones from the scanned records, then input/AIG-regcodes.xml, then
// input/my_regcodes/*.TXT. A later source replaces an earlier one's title for a registration.
#include "catalogue/regcodes.h"

#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/codec.h"
#include "core/config_paths.h"
#include "core/flight_text.h"
#include "core/log.h"
#include "core/parameters_file.h"
#include "core/strings.h"
#include "core/text_file.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <exception>
#include <set>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxRegcodeLength = 12;

// What one regcode file (or one line of it) is entering.
struct RegcodeContext {
    std::vector<std::string>& report;
    std::string path;
    std::string_view title;
    bool special = false;
    bool single = false;
    std::size_t added = 0;
    std::size_t replaced = 0;
    std::size_t specials = 0;
};

void lf_enterRegcode(RegcodeContext& context, const std::string& registration, bool special) {
    auto& titles = liveryIndex.regcodeTitles;
    const auto it = titles.find(registration);
    if (it != titles.end() && it->second != context.title) {
        context.report.push_back(fmt::format("   regcode {} for \"{}\", instead of for \"{}\"",
                                             registration, context.title, it->second));
        it->second = context.title;
        ++context.replaced;
    } else {
        if (it == titles.end()) {
            titles.emplace(registration, context.title);
        }
        ++context.added;
    }
    if (special) {
        liveryIndex.specialTitles.push_back(context.title);
        ++context.specials;
    }
}

bool lf_validLength(const std::string& registration) {
    return !registration.empty() && registration.size() <= kMaxRegcodeLength;
}

// One registration of an AIG entry, as stored (scrambled); its length is that of the stored text.
void lf_applyRegcodeEntry(RegcodeContext& context, const std::string& stored) {
    if (!lf_validLength(stored)) {
        context.report.push_back(
            fmt::format("{}wrong regcode length \"{}\" in {}", logPrefix, stored, context.title));
        return;
    }
    lf_enterRegcode(context, decryptRegcode(stored), context.special);
}

// One registration of a .TXT line.
void lf_applyRegcodeLine(RegcodeContext& context, const std::string& registration) {
    if (!lf_validLength(registration)) {
        context.report.push_back(fmt::format("{}wrong regcode length \"{}\" in {}", logPrefix,
                                             registration, context.path));
        return;
    }
    lf_enterRegcode(context, registration, context.special || context.single);
}

std::string lf_summaryLine(const RegcodeContext& context) {
    std::string line = fmt::format("{}: {} new regcode{} added", context.path, context.added,
                                   gf_pluralSuffix(context.added));
    if (context.replaced >= 1) {
        line +=
            fmt::format(", {} regcode{} replaced", context.replaced, gf_pluralSuffix(context.replaced));
    }
    if (context.specials >= 1) {
        line += fmt::format(", {} regcode{} defined as special", context.specials,
                            gf_pluralSuffix(context.specials));
    }
    return line;
}

void lf_readAigRegcodeFile(std::vector<std::string>& report) {
    RegcodeContext context{report, gf_regcodesFilePath().string(), {}};
    report.push_back("Processing " + context.path);
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, context.path)) {
        report.push_back(fmt::format("{} Failed to load regcode file {}", logPrefix, context.path));
        return;
    }
    for (const pugi::xml_node& livery : doc.child("AIG-regcodes").children("livery")) {
        context.title = lf_findTitleInIndex(gf_getAttributeValue(livery, "title"));
        if (context.title.empty()) {
            continue;
        }
        const std::vector<std::string> registrations =
            gf_splitToVector(gf_getAttributeValue(livery, "reg"));
        if (registrations.empty()) {
            continue;
        }
        context.special = gf_getAttributeBool(livery, "special");
        for (const std::string& stored : registrations) {
            lf_applyRegcodeEntry(context, stored);
        }
    }
    report.push_back(lf_summaryLine(context));
}

void lf_parseRegcodeLine(RegcodeContext& context, const std::string& line) {
    const std::vector<std::string> fields = gf_splitWords(line);
    if (fields.size() >= 4) {
        context.report.push_back(
            fmt::format("{}{} wrong format: {}", logPrefix, context.path, line));
        gf_logLine(fmt::format("{} wrong format: {}", context.path, line));
        return;
    }
    // One field is a don't-use title, read before the scan.
    if (fields.size() < 2) {
        return;
    }
    context.title = lf_findTitleInIndex(fields[0]);
    if (context.title.empty()) {
        return;
    }
    const std::vector<std::string> registrations = gf_splitToVector(fields[1]);
    if (registrations.empty()) {
        return;
    }
    context.special = false;
    if (fields.size() == 3) {
        if (fields[2] != "#") {
            return;
        }
        context.special = true;
    }
    context.single = registrations.size() == 1;
    for (const std::string& registration : registrations) {
        lf_applyRegcodeLine(context, registration);
    }
}

void lf_readRegcodeTxtFiles(std::vector<std::string>& report) {
    const fs::path folder = gf_myRegcodesFolderPath();
    report.push_back("Processing files in " + folder.string());
    for (const fs::path& file : gf_regcodeTxtFiles(folder)) {
        RegcodeContext context{report, file.string(), {}};
        try {
            const auto lines = gf_readRegcodeTxtLines(file);
            if (!lines) {
                continue;
            }
            for (const std::string& line : *lines) {
                lf_parseRegcodeLine(context, line);
            }
            report.push_back(lf_summaryLine(context));
        } catch (const std::exception& e) {
            report.push_back(fmt::format("{} Error in reading regcode file {}, what: {}", logPrefix,
                                         context.path, e.what()));
        }
    }
}

void lf_addInlineRegcode(std::vector<std::string>& clashes, LiveryRecord& record,
                         std::string_view title) {
    auto& titles = liveryIndex.regcodeTitles;
    const auto it = titles.find(record.atcid);
    if (it == titles.end()) {
        titles.emplace(record.atcid, title);
        return;
    }
    if (it->second == title) {
        return;
    }
    // The first holder in list order keeps the registration.
    clashes.push_back(fmt::format("[{}] {} \"{}\" => in use by \"{}\"", gf_airlineTypeKey(record),
                                  record.atcid, record.title, it->second));
    record.atcid.clear();
}

// Extensions compared in upper case, as Windows would.
bool lf_isTxtFile(const fs::directory_entry& entry) {
    return entry.is_regular_file() && gf_equalsUpper(".TXT", entry.path().extension().string());
}

std::string lf_upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return text;
}

} // namespace

void lf_checkInlineRegcodes() {
    std::vector<std::string> clashes;
    for (LiveryRecord& record : scannedLiveries) {
        if (record.atcid.empty()) {
            continue;
        }
        const std::string_view title = lf_findTitleInIndex(record.title);
        if (title.empty()) {
            gf_logLine(
                fmt::format("sys error: livery \"{}\" for a [{}] with regcode {} not available",
                            record.title, gf_airlineTypeKey(record), record.atcid));
            continue;
        }
        lf_addInlineRegcode(clashes, record, title);
    }
    if (clashes.empty()) {
        return;
    }
    const fs::path folder = gf_errorsFolderPath();
    if (!fs::exists(folder)) {
        fs::create_directories(folder);
    }
    const fs::path path = folder / "InlineRegcodes.txt";
    gf_writeLinesToFile(clashes, path);
    gf_logLine(
        fmt::format("{} in-line regcode clashes, see \"{}\"", clashes.size(), path.string()));
}

void gf_processOfflineRegcodes() {
    std::vector<std::string> report;
    if (fs::exists(gf_regcodesFilePath())) {
        lf_readAigRegcodeFile(report);
    }
    if (gf_countFilesInFolder(gf_myRegcodesFolderPath()) >= 1) {
        lf_readRegcodeTxtFiles(report);
    }
    const fs::path path = gf_infoFolderPath() / "OfflineRegcodes.txt";
    if (fs::exists(path)) {
        fs::remove(path);
    }
    if (report.empty()) {
        return;
    }
    gf_writeLinesToFile(report, path);
    gf_log(fmt::format("Offline regcode files processed, results can be found in \"{}\"",
                       path.string()));
    if (!liveryIndex.specialTitles.empty()) {
        gf_log(fmt::format("{} special liveries", liveryIndex.specialTitles.size()));
    }
}

void lf_readDontUseTitlesXml() {
    const std::string path = gf_regcodesFilePath().string();
    try {
        pugi::xml_document doc;
        if (!gf_loadXmlFile(doc, path)) {
            gf_logLine(fmt::format("Failed to load regcode file {}", path));
            return;
        }
        std::set<std::string> seen;
        std::size_t taken = 0;
        for (const pugi::xml_node& livery : doc.child("AIG-regcodes").children("livery")) {
            if (!gf_getAttributeValue(livery, "reg").empty()) {
                continue;
            }
            std::string title = gf_getAttributeValue(livery, "title");
            if (!seen.insert(title).second) {
                gf_logLine(
                    fmt::format("don't use title \"{}\" not unique in file {}", title, path));
                continue;
            }
            dontUseTitles.push_back(std::move(title));
            ++taken;
        }
        gf_log(fmt::format("{} don't use title{} read from files in {}", taken, gf_pluralSuffix(taken),
                           path));
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("Error in reading regcode file {}, what: {}", path, e.what()));
    }
}

void lf_readDontUseTitlesTxt() {
    const fs::path folder = gf_myRegcodesFolderPath();
    std::size_t taken = 0;
    for (const fs::path& file : gf_regcodeTxtFiles(folder)) {
        const std::string path = file.string();
        try {
            const auto lines = gf_readRegcodeTxtLines(file);
            if (!lines) {
                continue;
            }
            // Per file only: the same title in two files is taken twice.
            std::set<std::string> seen;
            for (const std::string& line : *lines) {
                if (line.empty()) {
                    continue;
                }
                const std::vector<std::string> fields = gf_splitWords(line);
                if (fields.size() == 1) {
                    const std::string& title = fields.front();
                    if (title.size() < 9) {
                        continue;
                    }
                    if (seen.insert(title).second) {
                        dontUseTitles.push_back(title);
                        ++taken;
                    } else {
                        gf_logLine(fmt::format("don't use title \"{}\" not unique in file {}",
                                               title, path));
                    }
                } else if (fields.size() >= 2 && !seen.insert(fields.front()).second) {
                    gf_logLine(
                        fmt::format("title \"{}\" not unique in file {}", fields.front(), path));
                }
            }
        } catch (const std::exception& e) {
            gf_logLine(fmt::format("Error in reading regcode file {}, what: {}", path, e.what()));
        }
    }
    gf_log(fmt::format("{} don't use title{} read from files in {}", taken, gf_pluralSuffix(taken),
                       folder.string()));
}

std::vector<fs::path> gf_regcodeTxtFiles(const fs::path& folder) {
    std::vector<std::pair<std::string, fs::path>> files;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        return {};
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (lf_isTxtFile(entry)) {
            const std::string name = entry.path().filename().string();
            files.emplace_back(lf_upper(name), entry.path());
        }
    }
    // The iteration order differs between file systems; names in upper case do not.
    std::sort(files.begin(), files.end());
    std::vector<fs::path> paths;
    paths.reserve(files.size());
    for (auto& [name, path] : files) {
        paths.push_back(std::move(path));
    }
    return paths;
}

std::optional<std::vector<std::string>> gf_readRegcodeTxtLines(const fs::path& path) {
    TextFile file(path);
    auto lines = file.readLines(256);
    if (!lines) {
        return lines;
    }
    // Editors put a UTF-8 mark before the first title; it is no part of the title.
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    std::string& first = lines->front();
    if (first.starts_with(kUtf8Mark)) {
        first.erase(0, kUtf8Mark.size());
    }
    return lines;
}

#pragma once
// Registration codes (regcodeTitles, specialTitles) from the liveries themselves,
// input/AIG-regcodes.xml and input/my_regcodes/*.TXT, in that order, a later source overriding
// an earlier one; and the don't-use titles that the scan skips.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The in-line registrations of the scanned records. A registration already held by another
// title stays with its holder; the loser's atcid is cleared and the clash listed in
// output/errors/InlineRegcodes.txt.
void lf_checkInlineRegcodes();
// The AIG file and the .TXT files, reported in output/info/OfflineRegcodes.txt. File-system
// failures on output/info throw std::filesystem::filesystem_error.
void gf_processOfflineRegcodes();

// Don't-use titles: AIG entries without a registration, and one-field .TXT lines of 9 or more
// characters. The scan driver calls them before it scans.
void lf_readDontUseTitlesXml();
void lf_readDontUseTitlesTxt();

// The .TXT files of the folder (extension ".TXT" in any case), in ascending order of their
// upper-case names.
std::vector<std::filesystem::path> gf_regcodeTxtFiles(const std::filesystem::path& folder);
// The lines of a .TXT file as 8-bit text, without a UTF-8 mark; nothing when the file cannot
// be read or holds no line.
std::optional<std::vector<std::string>> gf_readRegcodeTxtLines(const std::filesystem::path& path);

#pragma once
// Small line helpers shared by the add-on, scenery and download readers.
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Sets flag when the line holds "Active", "ACTIVE" or "active" and also "True", "TRUE" or
// "true" anywhere; never clears it. ("Inactive=True" counts as active, as it always has.)
void gf_parseActiveKey(bool& flag, std::string_view line);

// Appends every line of the stream (also a last one without a newline), each without its line
// end and one trailing '\r', then clears the stream's failure state.
void gf_readLines(std::istream& in, std::vector<std::string>& lines);

// Drops one trailing '\r', so files with CRLF line ends read like LF files.
inline void gf_dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

#pragma once
#include "support/temp_folder.h"

#include <string>
#include <vector>

namespace ksb::test {

// Opens the log in a temporary folder; lines() flushes and reads Log.txt back. The header line
// is line 0.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    // Lines after the header.
    std::vector<std::string> body() const;
    // True when some body line contains the text.
    bool contains(const std::string& text) const;
    // The body lines that contain the text, in order.
    std::vector<std::string> linesWith(const std::string& text) const;
    const std::filesystem::path& folder() const { return folder_.path(); }

private:
    TempFolder folder_;
};

} // namespace ksb::test

#include "support/log_capture.h"

#include "core/log.h"

#include <fstream>

namespace ksb::test {

LogCapture::LogCapture() {
    gf_openLog(folder_.path());
}

LogCapture::~LogCapture() {
    gf_closeLog();
}

std::vector<std::string> LogCapture::lines() const {
    gf_flushLog();
    std::ifstream in(folder_.path() / "Log.txt", std::ios::binary);
    std::vector<std::string> result;
    std::string line;
    while (std::getline(in, line)) {
        result.push_back(line);
    }
    return result;
}

std::vector<std::string> LogCapture::body() const {
    auto all = lines();
    if (!all.empty()) {
        all.erase(all.begin());
    }
    return all;
}

bool LogCapture::contains(const std::string& text) const {
    return !linesWith(text).empty();
}

std::vector<std::string> LogCapture::linesWith(const std::string& text) const {
    std::vector<std::string> found;
    for (const auto& line : body()) {
        if (line.find(text) != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

} // namespace ksb::test

#pragma once
// Reads a growing text file (Log.txt, the window trace) by complete lines only, and waits for a
// line, polling every 50 ms until a deadline.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace ksb::e2e {

std::vector<std::string> gf_completeLines(const std::filesystem::path& file);

class LineWatcher {
public:
    explicit LineWatcher(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& file() const { return file_; }
    std::vector<std::string> lines() const { return gf_completeLines(file_); }
    // Lines that contain the text.
    std::size_t count(const std::string& text) const;
    std::size_t countMatching(const std::regex& pattern) const;
    // Until at least count lines contain the text; false at the deadline.
    bool waitFor(const std::string& text, std::chrono::steady_clock::duration bound,
                 std::size_t count = 1) const;
    bool waitForMatch(const std::regex& pattern, std::chrono::steady_clock::duration bound,
                      std::size_t count = 1) const;
    // Until the predicate over all complete lines holds.
    bool waitUntil(const std::function<bool(const std::vector<std::string>&)>& predicate,
                   std::chrono::steady_clock::duration bound) const;

private:
    std::filesystem::path file_;
};

// Polls any condition every 50 ms until the deadline.
bool gf_pollUntil(const std::function<bool()>& condition,
                  std::chrono::steady_clock::duration bound);

// Threads of a process by name (/proc/<pid>/task/*/comm).
std::map<std::string, int> gf_threadCensus(int pid);
int gf_threadCount(int pid);

} // namespace ksb::e2e

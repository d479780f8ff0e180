#include "support/e2e/line_watcher.h"

#include <fmt/format.h>
#include <fstream>
#include <iterator>
#include <thread>

namespace ksb::e2e {

namespace {

constexpr auto kWatchPollPeriod = std::chrono::milliseconds(50);

} // namespace

std::vector<std::string> gf_completeLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         end = text.find('\n', start)) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool gf_pollUntil(const std::function<bool()>& condition,
                  std::chrono::steady_clock::duration bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kWatchPollPeriod);
    }
}

std::size_t LineWatcher::count(const std::string& text) const {
    std::size_t n = 0;
    for (const std::string& line : lines()) {
        n += line.find(text) != std::string::npos ? 1 : 0;
    }
    return n;
}

std::size_t LineWatcher::countMatching(const std::regex& pattern) const {
    std::size_t n = 0;
    for (const std::string& line : lines()) {
        n += std::regex_search(line, pattern) ? 1 : 0;
    }
    return n;
}

bool LineWatcher::waitFor(const std::string& text, std::chrono::steady_clock::duration bound,
                          std::size_t n) const {
    return gf_pollUntil([&] { return count(text) >= n; }, bound);
}

bool LineWatcher::waitForMatch(const std::regex& pattern, std::chrono::steady_clock::duration bound,
                               std::size_t n) const {
    return gf_pollUntil([&] { return countMatching(pattern) >= n; }, bound);
}

bool LineWatcher::waitUntil(const std::function<bool(const std::vector<std::string>&)>& predicate,
                            std::chrono::steady_clock::duration bound) const {
    return gf_pollUntil([&] { return predicate(lines()); }, bound);
}

std::map<std::string, int> gf_threadCensus(int pid) {
    std::map<std::string, int> census;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator(fmt::format("/proc/{}/task", pid), error)) {
        std::ifstream in(task.path() / "comm");
        std::string name;
        std::getline(in, name);
        if (in || !name.empty()) {
            ++census[name];
        }
    }
    return census;
}

int gf_threadCount(int pid) {
    int total = 0;
    for (const auto& [name, n] : gf_threadCensus(pid)) {
        total += n;
    }
    return total;
}

} // namespace ksb::e2e

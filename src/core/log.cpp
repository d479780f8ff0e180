#include "core/log.h"

#include "core/clock.h"
#include "core/exceptions.h"
#include "core/program_info.h"
#include "core/ranked_mutex.h"
#include "core/time_text.h"
#include "platform/warning_sink.h"

#include <fmt/format.h>
#include <fstream>

namespace {

// The stream is tested, written, flushed and closed only under the mutex, so a close from the
// exit thread never races a writer.
ksb::RankedMutex& lf_logMutex() {
    static ksb::RankedMutex mutex(ksb::LockRank::log, "log");
    return mutex;
}

std::ofstream& lf_stream() {
    static std::ofstream stream;
    return stream;
}

void lf_write(std::string_view prefix, std::string_view text, bool flush) {
    std::lock_guard lock(lf_logMutex());
    std::ofstream& out = lf_stream();
    if (!out.is_open()) {
        return;
    }
    out << prefix << text << kLineEnd;
    if (flush) {
        out.flush();
    }
}

} // namespace

void lf_rotateLog(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    const std::string text = path.string();
    const std::string name = path.filename().string();
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) {
        return;
    }
    const std::size_t at = text.size() - name.size() + dot;
    const fs::path first = text.substr(0, at) + "0" + text.substr(at);
    const fs::path second = text.substr(0, at) + "00" + text.substr(at);
    if (fs::exists(first)) {
        fs::copy_file(first, second, fs::copy_options::overwrite_existing);
    }
    if (fs::exists(path)) {
        fs::copy_file(path, first, fs::copy_options::overwrite_existing);
    }
}

void gf_openLog(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / "Log.txt";
    lf_rotateLog(path);
    {
        std::lock_guard lock(lf_logMutex());
        std::ofstream& out = lf_stream();
        if (out.is_open()) {
            out.close();
        }
        out.clear();
        out.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!out.is_open()) {
            out.clear();
            throw ksb::SysErrorException(40, "Failed to write file " + path.string());
        }
    }
    platform::setWarningSink(&gf_logLine);
    gf_log(fmt::format("{} (utc) {} version {} for {}", gf_utcTimeString(ksb::gf_utcSecondsNow()),
                       kProgramName, gf_programVersion().toString(), kSimulatorName));
}

void gf_log(std::string_view text) {
    lf_write({}, text, false);
}
void gf_logLine(std::string_view text) {
    lf_write(logPrefix, text, true);
}
void gf_logContinue(std::string_view text) {
    lf_write(kContinueIndent, text, false);
}

void gf_flushLog() {
    std::lock_guard lock(lf_logMutex());
    if (lf_stream().is_open()) {
        lf_stream().flush();
    }
}

void gf_closeLog() {
    std::lock_guard lock(lf_logMutex());
    if (lf_stream().is_open()) {
        lf_stream().close();
    }
    lf_stream().clear();
}

bool gf_logIsOpen() {
    std::lock_guard lock(lf_logMutex());
    return lf_stream().is_open();
}

std::string gf_bannerLine(int width, int extra, bool leadingNewline, bool trailingNewline,
                          std::string_view title) {
    std::string result = leadingNewline ? "\n" : "";
    int n = width + extra;
    if (n % 2 != 0) {
        ++n;
    }
    if (title.empty()) {
        result.append(static_cast<std::size_t>(std::max(n, 0)), '*');
    } else if (static_cast<long long>(n) <= static_cast<long long>(title.size()) + 2) {
        result.append(title);
    } else {
        const int half = n / 2;
        const std::string stars(static_cast<std::size_t>(half - 1), '*');
        result += stars;
        result += ' ';
        result.append(title);
        result += ' ';
        result += stars;
    }
    if (trailingNewline) {
        result += '\n';
    }
    return result;
}

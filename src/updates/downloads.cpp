#include "updates/downloads.h"

#include "core/config_paths.h"
#include "core/line_readers.h"
#include "core/log.h"
#include "core/ranked_mutex.h"
#include "core/run_values.h"
#include "core/service_address.h"

#include <fmt/format.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using namespace ksb;

namespace {

ServiceAddress& lf_updateBase() {
    static ServiceAddress base{"update base", "KSBY_UPDATE_BASE", kUpdateDefaultBase};
    return base;
}

std::atomic<std::int64_t> connectTimeoutMs{kUpdateConnectTimeout.count()};
std::atomic<std::int64_t> lowSpeedTimeMs{kUpdateLowSpeedTime.count()};

// The GUI thread's "Check version" and the worker's daily check share "version.json".
RankedMutex& lf_versionFileMutex() {
    static RankedMutex mutex{LockRank::leaf, "version file"};
    return mutex;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;

// A short count fails the transfer with libcurl's write error.
std::size_t lf_writeToFile(char* data, std::size_t size, std::size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

// Non-zero aborts the transfer: the program is ending.
int lf_abortWhenEnding(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return exitInProgress.load() != 0 || stopRequested.load() != 0 ? 1 : 0;
}

VersionTriple lf_fetchVersion(std::string_view serverPath) {
    const std::string url = gf_updateUrl(serverPath);
    const UpdateHandle handle = gf_newUpdateHandle();
    return gf_downloadLines(handle.get(), url);
}

} // namespace

namespace ksb {

std::string gf_updateBase() {
    return lf_updateBase().value();
}

void gf_setUpdateBase(std::string base) {
    lf_updateBase().set(std::move(base));
}

std::string gf_updateUrl(std::string_view serverPath) {
    return fmt::format("{}/downloads/{}", gf_updateBase(), serverPath);
}

void gf_setUpdateTransferLimits(std::chrono::milliseconds connect,
                                std::chrono::milliseconds lowSpeed) {
    connectTimeoutMs.store(connect.count());
    lowSpeedTimeMs.store(lowSpeed.count());
}

void gf_resetUpdateSettings() {
    lf_updateBase().reset();
    gf_setUpdateTransferLimits(kUpdateConnectTimeout, kUpdateLowSpeedTime);
}

UpdateHandle gf_newUpdateHandle() {
    UpdateHandle handle(curl_easy_init());
    CURL* h = handle.get();
    if (h == nullptr) {
        return handle;
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs.load()));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    // libcurl counts the low-speed time in whole seconds.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME,
                     std::max(1L, static_cast<long>((lowSpeedTimeMs.load() + 999) / 1000)));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &lf_abortWhenEnding);
    return handle;
}

} // namespace ksb

bool gf_downloadFile(CURL* handle, const std::string& url, const fs::path& path, bool binary) {
    if (handle == nullptr) {
        return false;
    }
    OpenFile file(std::fopen(path.c_str(), binary ? "wb" : "w"));
    if (!file) {
        gf_log(fmt::format("could not open file: {}", path.string()));
        return false;
    }
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &lf_writeToFile);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, file.get());
    const CURLcode code = curl_easy_perform(handle);
    const bool closed = std::fclose(file.release()) == 0;
    std::string problem;
    if (code != CURLE_OK) {
        problem = curl_easy_strerror(code);
    } else {
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        // An error page or the body of a redirect is not the file.
        if (status < 200 || status > 299) {
            problem = fmt::format("HTTP status {}", status);
        } else if (!closed) {
            problem = curl_easy_strerror(CURLE_WRITE_ERROR);
        }
    }
    if (!problem.empty()) {
        gf_log(fmt::format("\"{}\" => \"{}\" download error: {}", url, path.string(), problem));
        return false;
    }
    return true;
}

VersionTriple gf_downloadLines(CURL* handle, const std::string& url) {
    const fs::path versionFile = fs::current_path() / kVersionFile;
    // Only the log (ranked above) may be taken while this is held.
    std::lock_guard lock(lf_versionFileMutex());
    if (!gf_downloadFile(handle, url, versionFile, false)) {
        gf_logLine(fmt::format("downloading \"{}\" failed", url));
        return {};
    }
    std::vector<std::string> lines;
    {
        std::ifstream in(versionFile);
        if (!in.is_open()) {
            return {};
        }
        gf_readLines(in, lines);
    }
    if (fs::exists(versionFile)) {
        fs::remove(versionFile);
    }
    return gf_parseVersion(lines.empty() ? std::string_view() : std::string_view(lines.front()));
}

bool lf_downloadFromServer(std::string_view serverPath, const fs::path& path, bool binary) {
    const std::string url = gf_updateUrl(serverPath);
    const UpdateHandle handle = gf_newUpdateHandle();
    return gf_downloadFile(handle.get(), url, path, binary);
}

VersionTriple lf_fetchProgramVersionInfo() {
    return lf_fetchVersion("release/version_P3D.json");
}

VersionTriple lf_fetchComponentVersionInfo(std::string_view component) {
    return lf_fetchVersion(fmt::format("{}/{}", component, kVersionFile));
}

VersionTriple lf_fetchArchiveVersionInfo() {
    return lf_fetchVersion(fmt::format("archive/p3d/{}", kVersionFile));
}

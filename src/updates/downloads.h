#pragma once
// Transfers from the update server: a file into a local file, and a version file read as a
// version. Every handle comes from gf_newUpdateHandle, so all transfers share one set of limits.
#include "core/version_triple.h"

#include <curl/curl.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace ksb {

// The base address "scheme://host[:port]" without a trailing '/': the one set here, else
// KSBY_UPDATE_BASE read at first use, else a dead loopback port that fails at once.
std::string gf_updateBase();
void gf_setUpdateBase(std::string base);
inline constexpr std::string_view kUpdateDefaultBase = "http://127.0.0.1:9";
// Base, "/downloads/", then the server path.
std::string gf_updateUrl(std::string_view serverPath);

inline constexpr std::chrono::milliseconds kUpdateConnectTimeout{20000};
// A transfer slower than 1 byte/s for this long is given up; there is no total limit.
inline constexpr std::chrono::milliseconds kUpdateLowSpeedTime{60000};
void gf_setUpdateTransferLimits(std::chrono::milliseconds connect,
                                std::chrono::milliseconds lowSpeed);
// Base address and limits back at their defaults.
void gf_resetUpdateSettings();

struct UpdateHandleCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using UpdateHandle = std::unique_ptr<CURL, UpdateHandleCleanup>;
// A handle with the limits, no proxy for loopback, no redirects and an abort when the program
// ends; empty when libcurl cannot make one.
UpdateHandle gf_newUpdateHandle();

} // namespace ksb

// True when the whole file came with a 2xx status. Otherwise logs why and gives false; a partly
// written file stays.
bool gf_downloadFile(CURL* handle, const std::string& url, const std::filesystem::path& path,
                     bool binary);
// The version named by the first line of the file at url, through "version.json" in the working
// folder; 0.0.0 when anything fails. Removing the file may throw filesystem_error.
VersionTriple gf_downloadLines(CURL* handle, const std::string& url);
// gf_downloadFile of the server path, on a handle of its own.
bool lf_downloadFromServer(std::string_view serverPath, const std::filesystem::path& path,
                           bool binary);

VersionTriple lf_fetchProgramVersionInfo();
// component: "dbase" or "aig"
VersionTriple lf_fetchComponentVersionInfo(std::string_view component);
VersionTriple lf_fetchArchiveVersionInfo();

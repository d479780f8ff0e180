#pragma once
// The request mechanics shared by every request of the live-traffic web service: one POST on a
// fresh handle with its own answer buffer, bounded by time-outs and by a stop test, logged with
// the request's own lines.
#include "feed/rt_clients.h"

#include <curl/curl.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ksb {

enum class RtRequest {
    login,
    logout,
    nearestStation,
    weather,
    bufferedTraffic,
    traffic,
    parkedTraffic,
};

// The path below the base address, e.g. "/v4/auth".
std::string_view gf_rtPath(RtRequest request);

// The base address "scheme://host[:port]" without a trailing '/': the one set here, else
// KSBY_RT_API_BASE read at first use, else a dead loopback port.
std::string gf_rtApiBase();
void gf_rtSetApiBase(std::string base);
inline constexpr std::string_view kRtDefaultApiBase = "http://127.0.0.1:9";

// Every request gets both; tests shorten them.
inline constexpr std::chrono::milliseconds kRtConnectTimeout{5000};
inline constexpr std::chrono::milliseconds kRtTotalTimeout{20000};
void gf_rtSetRequestTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);
// A broken or hostile server cannot make an answer grow past this.
inline constexpr std::size_t kRtMaxAnswerBytes = 32u * 1024u * 1024u;

// Tests only: makes the handle of every request (nullptr plays a failed creation); nullptr
// restores curl_easy_init.
using RtHandleFactory = CURL* (*)();
void gf_rtSetHandleFactory(RtHandleFactory factory);

// Base address, time-outs and handle factory back at their defaults.
void gf_resetRtRequestSettings();

// The bodies. Texts are percent-encoded; numbers and fixed words go as they are.
std::string gf_rtLoginBody(std::string_view license);
std::string gf_rtLogoutBody(std::string_view guid);
std::string gf_rtNearestMetarBody(std::string_view guid, int toffset, double latitude,
                                  double longitude);
std::string gf_rtWeatherBody(std::string_view guid, int toffset, double latitude, double longitude,
                             int altitudeFeet, std::string_view airports);
std::string gf_rtBufferedTrafficBody(std::string_view guid, const QueryBox& box, int toffset,
                                     int bufferCount, int bufferTime);
std::string gf_rtTrafficBody(std::string_view guid, const QueryBox& box, int toffset);
std::string gf_rtParkedTrafficBody(std::string_view guid, const QueryBox& box, int toffset);

struct RtAnswer {
    enum class Outcome {
        noHandle,      // no handle could be created
        transferError, // text: libcurl's error text (the line is logged)
        aborted,       // the stop test held; nothing logged
        answered,      // text: the answer body
    };
    Outcome outcome = Outcome::noHandle;
    std::string text;
    long httpCode = 0; // libcurl's response code; 0 when no answer head came
};

// Posts the body to the request's path. Writes the request's transfer-error line, or for the
// weather and traffic requests "curl init error ?" without a handle. stop may be empty.
RtAnswer gf_rtPost(RtRequest request, const std::string& body, const std::function<bool()>& stop);

// Parses the answer text as one JSON document and runs the handler on it. Any standard
// exception of the parse or the handler writes the request's exception line and gives false;
// for an answer that is not JSON the line names the HTTP code and shows the answer's first bytes.
bool gf_rtHandleAnswer(
    RtRequest request, const RtAnswer& answer,
    const std::function<void(const nlohmann::json& answer, const std::string& text)>& handler);

// "status" when it is a JSON integer, signed or unsigned.
std::optional<std::int64_t> gf_rtIntegerStatus(const nlohmann::json& answer);
// The status every request but the login uses: a missing or non-integer "status" is 100.
std::int64_t gf_rtStatus(const nlohmann::json& answer);
// A poll interval ("rrl", "wrrl") in ms: a number of 1 or more within int32, a floating one
// truncated; anything else counts as absent, 2000.
std::int32_t gf_rtInterval(const nlohmann::json& answer, std::string_view key);
// The member's text when it is a JSON string.
std::optional<std::string> gf_rtText(const nlohmann::json& answer, std::string_view key);

} // namespace ksb

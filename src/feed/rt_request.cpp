#include "feed/rt_request.h"

#include "core/clock.h"
#include "core/log.h"
#include "core/service_address.h"
#include "core/time_text.h"

#include <fmt/format.h>

#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace ksb {

namespace {

struct RequestLines {
    std::string_view path;
    std::string_view transferError; // time text, libcurl's text
    bool plainTransferError;
    std::string_view exception;
    bool logsInitError;
};

constexpr std::array<RequestLines, 7> kRequests{{
    {"/v4/auth", "{} Authentication code: {}", true, "authentication exception: {}", false},
    {"/v4/deauth", "{} Deauthentication code: {}", true, "deauthentication exception: {} ", false},
    {"/v4/nearestmetar", "{} nearestmetar code_w: {}", false, "nearestmetar exception: {}", false},
    {"/v4/weather", "{} weather code_w: {}", false, "weather exception: {}", true},
    {"/v4/traffic", "{} buffer traffic code_t: {}", false, "buffer traffic exception: {}", true},
    {"/v4/traffic", "{} curl traffic code_t: {}", false, "traffic exception: {}", true},
    {"/v4/traffic", "{} curl parkedtraffic code_pt: {}", false, "parkedtraffic exception: {}",
     true},
}};

const RequestLines& lf_lines(RtRequest request) {
    return kRequests[static_cast<std::size_t>(request)];
}

ServiceAddress& lf_apiBase() {
    static ServiceAddress base("rt api base", "KSBY_RT_API_BASE", kRtDefaultApiBase);
    return base;
}

std::atomic<std::int64_t> connectTimeoutMs{kRtConnectTimeout.count()};
std::atomic<std::int64_t> totalTimeoutMs{kRtTotalTimeout.count()};
std::atomic<RtHandleFactory> handleFactory{nullptr};

// Unreserved characters stay as they are, so ordinary values go out unchanged.
std::string lf_escape(std::string_view text) {
    char* escaped = curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size()));
    if (escaped == nullptr) {
        throw std::bad_alloc();
    }
    std::string result(escaped);
    curl_free(escaped);
    return result;
}

// The body of one answer, and whether the cap cut it off.
struct ReceiveBuffer {
    std::string text;
    bool overCap = false;
};

// The write callback of every request: appends to the request's own text, and refuses to grow
// it past the cap, which fails the transfer; overCap tells that failure from the others.
std::size_t lf_curlWriteString(char* data, std::size_t size, std::size_t count, void* buffer) {
    auto* answer = static_cast<ReceiveBuffer*>(buffer);
    if (answer == nullptr) {
        return 0;
    }
    const std::size_t bytes = size * count;
    if (bytes > kRtMaxAnswerBytes - std::min(answer->text.size(), kRtMaxAnswerBytes)) {
        answer->overCap = true;
        return 0;
    }
    try {
        answer->text.append(data, bytes);
    } catch (const std::exception&) {
        return 0;
    }
    return bytes;
}

// libcurl's own text would blame a write to disk.
std::string lf_overCapText() {
    return fmt::format("answer larger than {} MiB, dropped", kRtMaxAnswerBytes / (1024u * 1024u));
}

// What came instead of JSON: a gateway's error page or an empty body says more through its
// HTTP code and first bytes than through the parser's complaint, which follows.
std::string lf_notJsonText(const RtAnswer& answer, std::string_view problem) {
    constexpr std::size_t kShownBytes = 60;
    std::string first = answer.text.substr(0, kShownBytes);
    for (char& c : first) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) {
            c = '?';
        }
    }
    return fmt::format("HTTP {}, answer is not JSON ({} bytes): {} - {}", answer.httpCode,
                       answer.text.size(), first, problem);
}

// Non-zero aborts the transfer.
int lf_curlProgress(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* test = static_cast<const std::function<bool()>*>(stop);
    try {
        return (*test)() ? 1 : 0;
    } catch (...) {
        return 1;
    }
}

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

EasyHandle lf_makeHandle() {
    const RtHandleFactory factory = handleFactory.load();
    return EasyHandle(factory != nullptr ? factory() : curl_easy_init());
}

std::string lf_fixed(double value, int decimals) {
    return decimals == 4 ? fmt::format("{:.4F}", value) : fmt::format("{:.2F}", value);
}

std::string lf_boxFields(std::string_view guid, const QueryBox& box) {
    return fmt::format("GUID={}&top={}&bottom={}&left={}&right={}", lf_escape(guid),
                       lf_fixed(box.top, 2), lf_fixed(box.bottom, 2), lf_fixed(box.left, 2),
                       lf_fixed(box.right, 2));
}

} // namespace

std::string_view gf_rtPath(RtRequest request) {
    return lf_lines(request).path;
}

std::string gf_rtApiBase() {
    return lf_apiBase().value();
}

void gf_rtSetApiBase(std::string base) {
    lf_apiBase().set(std::move(base));
}

void gf_rtSetRequestTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total) {
    connectTimeoutMs.store(connect.count());
    totalTimeoutMs.store(total.count());
}

void gf_rtSetHandleFactory(RtHandleFactory factory) {
    handleFactory.store(factory);
}

void gf_resetRtRequestSettings() {
    lf_apiBase().reset();
    gf_rtSetRequestTimeouts(kRtConnectTimeout, kRtTotalTimeout);
    handleFactory.store(nullptr);
}

std::string gf_rtLoginBody(std::string_view license) {
    return fmt::format("license={}&software={}_{}", lf_escape(license), "KSBY_P3D", "9.3.0");
}

std::string gf_rtLogoutBody(std::string_view guid) {
    return fmt::format("GUID={}", lf_escape(guid));
}

std::string gf_rtNearestMetarBody(std::string_view guid, int toffset, double latitude,
                                  double longitude) {
    return fmt::format("GUID={}&toffset={}&lat={:.4F}&lon={:.4F}", lf_escape(guid), toffset,
                       latitude, longitude);
}

std::string gf_rtWeatherBody(std::string_view guid, int toffset, double latitude, double longitude,
                             int altitudeFeet, std::string_view airports) {
    return fmt::format(
        "GUID={}&querytype=locwx&toffset={}&lat={:.4F}&lon={:.4F}&alt={}&airports={}",
        lf_escape(guid), toffset, latitude, longitude, altitudeFeet, lf_escape(airports));
}

std::string gf_rtBufferedTrafficBody(std::string_view guid, const QueryBox& box, int toffset,
                                     int bufferCount, int bufferTime) {
    return fmt::format("{}&querytype=locationtraffic&toffset={}&buffercount={}&buffertime={}",
                       lf_boxFields(guid, box), toffset, bufferCount, bufferTime);
}

std::string gf_rtTrafficBody(std::string_view guid, const QueryBox& box, int toffset) {
    return fmt::format("{}&querytype=locationtraffic&toffset={}", lf_boxFields(guid, box), toffset);
}

std::string gf_rtParkedTrafficBody(std::string_view guid, const QueryBox& box, int toffset) {
    return fmt::format("{}&querytype=parkedtraffic&toffset={}", lf_boxFields(guid, box), toffset);
}

RtAnswer gf_rtPost(RtRequest request, const std::string& body, const std::function<bool()>& stop) {
    const RequestLines& lines = lf_lines(request);
    RtAnswer answer;
    const std::function<bool()> stopTest = stop ? stop : [] { return false; };
    if (stopTest()) {
        answer.outcome = RtAnswer::Outcome::aborted;
        return answer;
    }
    EasyHandle handle = lf_makeHandle();
    if (!handle) {
        if (lines.logsInitError) {
            gf_logLine("curl init error ?");
        }
        answer.outcome = RtAnswer::Outcome::noHandle;
        return answer;
    }
    ReceiveBuffer received;
    received.text.reserve(16384);
    const std::string url = gf_rtApiBase() + std::string(lines.path);
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "deflate,gzip");
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &lf_curlWriteString);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(h, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs.load()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(totalTimeoutMs.load()));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &lf_curlProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &stopTest);
    const CURLcode code = curl_easy_perform(h);
    long httpCode = 0;
    if (curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &httpCode) == CURLE_OK) {
        answer.httpCode = httpCode;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        answer.outcome = RtAnswer::Outcome::aborted;
        return answer;
    }
    if (code != CURLE_OK) {
        answer.outcome = RtAnswer::Outcome::transferError;
        answer.text = code == CURLE_WRITE_ERROR && received.overCap ? lf_overCapText()
                                                                    : curl_easy_strerror(code);
        const std::string line = fmt::format(fmt::runtime(lines.transferError),
                                             gf_utcTimeString(gf_utcSecondsNow()), answer.text);
        if (lines.plainTransferError) {
            gf_log(line);
        } else {
            gf_logLine(line);
        }
        return answer;
    }
    answer.outcome = RtAnswer::Outcome::answered;
    answer.text = std::move(received.text);
    return answer;
}

bool gf_rtHandleAnswer(
    RtRequest request, const RtAnswer& answer,
    const std::function<void(const nlohmann::json& answer, const std::string& text)>& handler) {
    const auto report = [&](std::string_view problem) {
        gf_logLine(fmt::format(fmt::runtime(lf_lines(request).exception), problem));
    };
    try {
        nlohmann::json json;
        try {
            json = nlohmann::json::parse(answer.text);
        } catch (const nlohmann::json::parse_error& e) {
            report(lf_notJsonText(answer, e.what()));
            return false;
        }
        // Every answer of the service is an object; anything else is a broken answer.
        if (!json.is_object()) {
            throw nlohmann::json::type_error::create(
                302, fmt::format("type must be object, but is {}", json.type_name()), &json);
        }
        handler(json, answer.text);
        return true;
    } catch (const std::exception& e) {
        report(e.what());
        return false;
    }
}

std::optional<std::int64_t> gf_rtIntegerStatus(const nlohmann::json& answer) {
    if (!answer.is_object()) {
        return std::nullopt;
    }
    const auto it = answer.find("status");
    if (it == answer.end()) {
        return std::nullopt;
    }
    if (it->is_number_unsigned()) {
        const auto value = it->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::numeric_limits<std::int64_t>::max();
        }
        return static_cast<std::int64_t>(value);
    }
    if (it->is_number_integer()) {
        return it->get<std::int64_t>();
    }
    return std::nullopt;
}

std::int64_t gf_rtStatus(const nlohmann::json& answer) {
    return gf_rtIntegerStatus(answer).value_or(100);
}

std::int32_t gf_rtInterval(const nlohmann::json& answer, std::string_view key) {
    constexpr std::int32_t absent = 2000;
    if (!answer.is_object()) {
        return absent;
    }
    const auto it = answer.find(key);
    if (it == answer.end() || !it->is_number()) {
        return absent;
    }
    if (it->is_number_unsigned()) {
        const auto value = it->get<std::uint64_t>();
        return value >= 1 &&
                       value <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
                   ? static_cast<std::int32_t>(value)
                   : absent;
    }
    if (it->is_number_integer()) {
        const auto value = it->get<std::int64_t>();
        return value >= 1 && value <= std::numeric_limits<std::int32_t>::max()
                   ? static_cast<std::int32_t>(value)
                   : absent;
    }
    const double value = std::trunc(it->get<double>());
    return std::isfinite(value) && value >= 1.0 &&
                   value <= static_cast<double>(std::numeric_limits<std::int32_t>::max())
               ? static_cast<std::int32_t>(value)
               : absent;
}

std::optional<std::string> gf_rtText(const nlohmann::json& answer, std::string_view key) {
    if (!answer.is_object()) {
        return std::nullopt;
    }
    const auto it = answer.find(key);
    if (it == answer.end() || !it->is_string()) {
        return std::nullopt;
    }
    return it->get<std::string>();
}

} // namespace ksb

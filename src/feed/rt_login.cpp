#include "feed/rt_session.h"

#include "core/clock.h"
#include "core/exceptions.h"
#include "core/log.h"
#include "feed/feed_services.h"
#include "feed/rt_clients.h"
#include "feed/rt_request.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>

namespace {

using ksb::RtAnswer;
using ksb::RtRequest;

std::string_view lf_loginFailureText(std::int64_t status) {
    switch (status) {
    case 402:
        return "Your RT license is expired";
    case 404:
        return "RT did not recognize your license";
    case 405:
        return "More than one RealTraffic session is not possible, do not run the RealTraffic app";
    default:
        return {};
    }
}

// The failures that gf_rtAuthenticate answers with a message and an exception of their own.
bool lf_hasOwnFailureRow(std::int64_t status) {
    return !lf_loginFailureText(status).empty() || status == 500;
}

// Any other refusal (401, 403, 429, 503 ...) ends the login without a GUID; the user learns
// why from the service's own words.
// The service's words on one line of bounded length: a line break in them could otherwise
// forge lines of Log.txt.
std::string lf_oneLineMessage(std::string message) {
    constexpr std::size_t kMaxBytes = 200;
    if (message.size() > kMaxBytes) {
        message.resize(kMaxBytes);
        message += "...";
    }
    for (char& c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            c = '?';
        }
    }
    return message;
}

void lf_reportRefusedLogin(std::int64_t status, const nlohmann::json& answer) {
    const std::string message = lf_oneLineMessage(ksb::gf_rtText(answer, "message").value_or(""));
    gf_logLine(fmt::format("Authentication failed, status: {}, message: \"{}\"", status, message));
    ksb::gf_feedServices().showMessage(
        fmt::format("RT login failed, status {}: {}", status, message), true);
}

// A JSON number in seconds, else 0.
double lf_expiry(const nlohmann::json& answer) {
    const auto it = answer.find("expiry");
    if (it == answer.end() || !it->is_number()) {
        return 0.0;
    }
    const double value = it->get<double>();
    return std::isfinite(value) ? value : 0.0;
}

void lf_loginSucceeded(ksb::RtWeatherClient& client, const nlohmann::json& answer) {
    const ksb::FeedServices& services = ksb::gf_feedServices();
    client.rrl.store(ksb::gf_rtInterval(answer, "rrl"));
    client.wrrl.store(ksb::gf_rtInterval(answer, "wrrl"));
    gf_log(fmt::format("Authenticated at RT server \"{}\"",
                       ksb::gf_rtText(answer, "server").value_or("?")));
    client.setGuid(ksb::gf_rtText(answer, "GUID").value_or("empty GUID?"));
    const double expiry = lf_expiry(answer);
    services.setSessionEstablished(true);
    const double days = std::trunc((expiry - ksb::gf_utcSecondsNow()) / 86400.0);
    if (days < 3.0) {
        services.showMessage("Warning: Your RT license will expire soon", true);
    }
}

// Any number but 200 refuses the login, also one written as 401.0; one with a fraction is
// reported as status 0.
std::optional<std::int64_t> lf_loginStatus(const nlohmann::json& answer) {
    if (const auto code = ksb::gf_rtIntegerStatus(answer)) {
        return code;
    }
    const auto it = answer.find("status");
    if (it == answer.end() || !it->is_number_float()) {
        return std::nullopt;
    }
    const double value = it->get<double>();
    // The range check keeps the conversion defined.
    if (std::trunc(value) == value && std::fabs(value) < 9.2e18) {
        return static_cast<std::int64_t>(value);
    }
    return 0;
}

// The login request on the weather client. Every path ends with a pause of wrrl ms, so that
// the first weather request keeps the service's pace.
bool lf_rtAuth(ksb::RtWeatherClient& client, std::int64_t& status) {
    const ksb::FeedServices& services = ksb::gf_feedServices();
    status = 0;
    bool result = false;
    const RtAnswer answer =
        ksb::gf_rtPost(RtRequest::login, ksb::gf_rtLoginBody(rtLicense), services.exitRequested);
    if (answer.outcome == RtAnswer::Outcome::answered) {
        ksb::gf_rtHandleAnswer(RtRequest::login, answer,
                               [&](const nlohmann::json& json, const std::string&) {
                                   const auto code = lf_loginStatus(json);
                                   if (code && *code != 200) {
                                       status = *code;
                                       if (!lf_hasOwnFailureRow(*code)) {
                                           lf_reportRefusedLogin(*code, json);
                                       }
                                       return;
                                   }
                                   lf_loginSucceeded(client, json);
                                   result = true;
                               });
    }
    ksb::gf_sleepFor(std::chrono::milliseconds(client.wrrl.load()), services.exitRequested);
    return result;
}

} // namespace

void gf_rtAuthenticate() {
    if (rtLicense.empty()) {
        return;
    }
    const ksb::FeedServices& services = ksb::gf_feedServices();
    std::int64_t status = 0;
    if (!lf_rtAuth(rtWeatherClient, status)) {
        const std::string_view text = lf_loginFailureText(status);
        if (!text.empty()) {
            services.showMessage(text, true);
            ksb::gf_sleepFor(std::chrono::seconds(10), services.exitRequested);
            throw ksb::UserErrorException(static_cast<int>(status), text);
        }
        if (status == 500) {
            throw ksb::SysErrorException(500, "No RT database connection");
        }
    }
    rtTrafficClient.setGuid(rtWeatherClient.guid());
}

void gf_rtDeauth() {
    ksb::RtTrafficClient& client = rtTrafficClient;
    // Runs after the stop flags are set: only the time-outs end it.
    const RtAnswer answer =
        ksb::gf_rtPost(RtRequest::logout, ksb::gf_rtLogoutBody(client.guid()), {});
    if (answer.outcome != RtAnswer::Outcome::answered) {
        return;
    }
    ksb::gf_rtHandleAnswer(
        RtRequest::logout, answer, [&](const nlohmann::json& json, const std::string&) {
            const std::int64_t status = ksb::gf_rtStatus(json);
            if (status != 200) {
                gf_logLine(fmt::format("Deauthentication failed, status: {}", status));
                return;
            }
            ksb::gf_feedServices().setSessionEstablished(false);
            client.setGuid({});
            gf_log(fmt::format("{} RT server \"{}\"", ksb::gf_rtText(json, "message").value_or(""),
                               ksb::gf_rtText(json, "server").value_or("")));
        });
}

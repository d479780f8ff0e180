// The Weather Reader's requests: the nearest weather station, then its weather with the QNH,
// which goes to the altitude correction, the traffic engine and the window.
#include "core/clock.h"
#include "core/log.h"
#include "core/number_parse.h"
#include "feed/feed_services.h"
#include "feed/rt_reader_loops.h"
#include "feed/rt_request.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

using ksb::RtAnswer;
using ksb::RtRequest;
using nlohmann::json;

// A broken service cannot fill the log every wrrl; real answers are far shorter.
constexpr std::size_t kQuotedAnswerBytes = 16384;

std::string lf_quoted(const std::string& text) {
    if (text.size() <= kQuotedAnswerBytes) {
        return text;
    }
    return text.substr(0, kQuotedAnswerBytes) + " ...";
}

std::string lf_message(const json& answer) {
    return ksb::gf_rtText(answer, "message").value_or("");
}

// The member, or a null value when the object lacks it.
const json& lf_member(const json& object, std::string_view key) {
    static const json null;
    const auto it = object.find(key);
    return it == object.end() ? null : *it;
}

// The user altitude as the weather request sends it: whole feet, 0 below 1 foot.
int lf_altitudeField(double feet) {
    if (!std::isfinite(feet) || feet < 1.0) {
        return 0;
    }
    if (feet >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(feet);
}

// A QNH as read, before the checks: 64 bits, so that no value of the answer overflows.
struct QnhValue {
    bool strange = false; // outside the int32 range
    std::int64_t q = 1013;
    std::string asRead; // the value as the answer has it, for the strange line
};

constexpr double kInt32Limit = 2147483648.0; // 2^31

QnhValue lf_qnhOfNumber(const json& value) {
    QnhValue result;
    if (value.is_number_unsigned()) {
        const auto v = value.get<std::uint64_t>();
        result.asRead = fmt::format("{}", v);
        result.strange = v >= static_cast<std::uint64_t>(kInt32Limit);
        result.q = result.strange ? 0 : static_cast<std::int64_t>(v);
    } else if (value.is_number_integer()) {
        const auto v = value.get<std::int64_t>();
        result.asRead = fmt::format("{}", v);
        result.strange = v < -static_cast<std::int64_t>(kInt32Limit) ||
                         v >= static_cast<std::int64_t>(kInt32Limit);
        result.q = result.strange ? 0 : v;
    } else {
        const double v = value.get<double>();
        result.asRead = fmt::format("{}", v);
        // Halves away from zero.
        const double rounded = std::round(v);
        result.strange =
            !std::isfinite(rounded) || rounded < -kInt32Limit || rounded >= kInt32Limit;
        result.q = result.strange ? 0 : static_cast<std::int64_t>(rounded);
    }
    return result;
}

// Hands the QNH to everyone who uses it, unless it only repeats the last one.
void lf_publishQnh(ksb::RtWeatherClient& client, std::int32_t q) {
    const ksb::FeedServices& services = ksb::gf_feedServices();
    // 1013 goes out again every time: it is also what a missing or unreadable QNH gives.
    if (q == client.lastQnh.load() && q != 1013) {
        return;
    }
    client.lastQnh.store(q);
    rtTrafficClient.qnh.store(q);
    services.setEngineQnh(q);
    services.setWindowQnh(q);
    if (services.readerCell(ksb::Reader::weather) == 2) {
        services.setReaderCell(ksb::Reader::weather, 1);
    }
    services.invalidateStatus();
}

} // namespace

namespace ksb {

std::optional<std::int32_t> gf_rtQnhOfAnswer(const json& answer, const std::string& text) {
    const json& data = lf_member(answer, "data");
    if (data.is_null()) {
        gf_logLine(fmt::format("No QNH found in {}", lf_quoted(text)));
        return std::nullopt;
    }
    if (!data.is_object()) {
        throw json::type_error::create(
            302, fmt::format("type must be object, but is {}", data.type_name()), &data);
    }
    const json& qnh = lf_member(data, "QNH");
    if (qnh.is_null()) {
        gf_logLine(fmt::format("No QNH found in {}", lf_quoted(text)));
        return std::nullopt;
    }
    QnhValue value;
    if (qnh.is_number()) {
        value = lf_qnhOfNumber(qnh);
    } else if (qnh.is_string()) {
        try {
            value.q = gf_stoi(qnh.get_ref<const std::string&>());
        } catch (const std::invalid_argument& e) {
            gf_logLine(fmt::format("QNH string invalid arg: {}", e.what()));
        } catch (const std::out_of_range& e) {
            gf_logLine(fmt::format("QNH string out of range: {}", e.what()));
        }
    } else {
        gf_logLine(fmt::format("No QNH found in {}", lf_quoted(text)));
    }
    if (value.strange) {
        gf_logLine(fmt::format("Strange QNH {} found in {}", value.asRead, lf_quoted(text)));
        return std::nullopt;
    }
    std::int64_t q = value.q;
    if (q > 1080) {
        // Hundredths of an inch of mercury.
        q = static_cast<std::int64_t>(std::round(static_cast<double>(q) * 0.33865307));
    }
    if (q < 930 || q > 1080) {
        gf_logLine(fmt::format("Strange QNH {} found in {}", q, lf_quoted(text)));
        return std::nullopt;
    }
    return static_cast<std::int32_t>(q);
}

} // namespace ksb

bool lf_rtNearestMetar(ksb::RtWeatherClient& client, std::int64_t& status,
                       const std::function<bool()>& stop) {
    status = 0;
    const std::string guid = client.guid();
    if (guid.empty()) {
        return false;
    }
    const ksb::UserPosition user = ksb::gf_feedServices().userPosition();
    const RtAnswer answer = ksb::gf_rtPost(
        RtRequest::nearestStation,
        ksb::gf_rtNearestMetarBody(guid, client.toffset.load(), user.latitude, user.longitude),
        stop);
    if (answer.outcome == RtAnswer::Outcome::aborted) {
        status = ksb::kReaderStopped;
        return false;
    }
    if (answer.outcome != RtAnswer::Outcome::answered) {
        return false;
    }
    if (answer.text.empty()) {
        gf_logLine("nearest metar: empty content");
        return false;
    }
    bool found = false;
    ksb::gf_rtHandleAnswer(
        RtRequest::nearestStation, answer, [&](const json& reply, const std::string&) {
            status = ksb::gf_rtStatus(reply);
            if (status == 200) {
                const json& data = lf_member(reply, "data");
                if (!data.is_array()) {
                    throw json::type_error::create(
                        302, fmt::format("type must be array, but is {}", data.type_name()), &data);
                }
                if (!data.empty() && data[0].is_object()) {
                    const json& icao = lf_member(data[0], "ICAO");
                    if (icao.is_string()) {
                        client.nearestStation = icao.get<std::string>();
                        client.weatherReceived.store(true);
                        found = true;
                        return;
                    }
                }
                client.nearestStation.clear();
            } else if (status == 406 || status == 500) {
                gf_logLine(fmt::format("{} json nearestmetar {}", status, lf_message(reply)));
            }
        });
    return found;
}

bool lf_rtWeatherLoop(ksb::RtWeatherClient& client, std::int64_t& status,
                      const std::function<bool()>& stop) {
    if (client.guid().empty()) {
        status = 0;
        return false;
    }
    const ksb::FeedServices& services = ksb::gf_feedServices();
    while (!stop()) {
        bool received = client.weatherReceived.load();
        if (lf_rtNearestMetar(client, status, stop)) {
            received = false;
            status = 0;
            const ksb::UserPosition user = services.userPosition();
            const RtAnswer answer = ksb::gf_rtPost(
                RtRequest::weather,
                ksb::gf_rtWeatherBody(client.guid(), client.toffset.load(), user.latitude,
                                      user.longitude, lf_altitudeField(user.altitudeFeet),
                                      client.nearestStation),
                stop);
            if (answer.outcome == RtAnswer::Outcome::aborted) {
                status = ksb::kReaderStopped;
                return false;
            }
            if (answer.outcome == RtAnswer::Outcome::answered) {
                if (answer.text.empty()) {
                    gf_logLine("Empty content?, no QNH to be found");
                } else {
                    bool ends = false;
                    ksb::gf_rtHandleAnswer(
                        RtRequest::weather, answer,
                        [&](const json& reply, const std::string& text) {
                            status = ksb::gf_rtStatus(reply);
                            if (status == 200) {
                                client.wrrl.store(ksb::gf_rtInterval(reply, "wrrl"));
                                received = true;
                                if (const auto q = ksb::gf_rtQnhOfAnswer(reply, text)) {
                                    lf_publishQnh(client, *q);
                                }
                            } else if (status == 406 || status == 500) {
                                gf_logLine(
                                    fmt::format("{} json weather {}", status, lf_message(reply)));
                            } else {
                                ends = true;
                            }
                        });
                    if (ends) {
                        if (stop()) {
                            status = ksb::kReaderStopped;
                        }
                        return false;
                    }
                }
            }
        } else if (status == 400 || status == 401) {
            if (stop()) {
                status = ksb::kReaderStopped;
            }
            return false;
        }
        client.weatherReceived.store(received);
        if (stop()) {
            break;
        }
        ksb::gf_sleepFor(std::chrono::milliseconds(client.wrrl.load()), stop);
    }
    status = ksb::kReaderStopped;
    return false;
}

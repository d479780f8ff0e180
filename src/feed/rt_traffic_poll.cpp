// The Traffic Reader's requests: one buffered request that fills the last half minute, then a
// poll every rrl ms; each batch goes to the traffic engine with its play delay.
#include "core/clock.h"
#include "core/log.h"
#include "feed/feed_services.h"
#include "feed/rt_reader_loops.h"
#include "feed/rt_request.h"

#include <fmt/format.h>

#include <array>
#include <chrono>

namespace {

using ksb::RtAnswer;
using ksb::RtRequest;
using nlohmann::json;

constexpr int kBufferCount = 5;
constexpr int kBufferTime = 6; // seconds between two buffers
constexpr int kPollDelay = 30; // seconds
constexpr std::array<std::string_view, kBufferCount> kBufferKeys{"buffer_4", "buffer_3", "buffer_2",
                                                                 "buffer_1", "buffer_0"};

// "data" when it is present and not null; an answer whose "data" is no object is broken.
const json* lf_data(const json& answer) {
    const auto it = answer.find("data");
    if (it == answer.end() || it->is_null()) {
        return nullptr;
    }
    if (!it->is_object()) {
        throw json::type_error::create(
            302, fmt::format("type must be object, but is {}", it->type_name()), &*it);
    }
    return &*it;
}

bool lf_isEmptyMember(const json& value) {
    return value.is_null() || ((value.is_array() || value.is_object()) && value.empty());
}

void lf_handOver(ksb::RtTrafficClient& client, int delay) {
    client.recordCount.store(static_cast<std::int64_t>(client.liveRecords.size()));
    ksb::gf_feedServices().takeFeedRecords(client.liveRecords, delay);
}

} // namespace

void lf_rtProcessBuffer(ksb::RtTrafficClient& client, const json& answer, std::string_view key,
                        int& counter, const ksb::FeedContext& context) {
    const json* data = lf_data(answer);
    if (data != nullptr) {
        const auto it = data->find(key);
        if (it != data->end() && !it->is_null()) {
            // A buffer of another kind iterates as one record, which the parser refuses.
            for (const json& record : *it) {
                if (!lf_isEmptyMember(record)) {
                    processLine(client, record, context);
                }
            }
        }
    }
    lf_handOver(client, kBufferTime * counter);
    ++counter;
}

bool lf_rtBufferTraffic(ksb::RtTrafficClient& client, std::int64_t& status,
                        const std::function<bool()>& stop) {
    status = 0;
    const std::string guid = client.guid();
    if (guid.empty()) {
        return false;
    }
    bool result = false;
    const RtAnswer answer = ksb::gf_rtPost(RtRequest::bufferedTraffic,
                                           ksb::gf_rtBufferedTrafficBody(guid, client.liveBox().box,
                                                                         client.toffset.load(),
                                                                         kBufferCount, kBufferTime),
                                           stop);
    if (answer.outcome == RtAnswer::Outcome::answered) {
        if (answer.text.empty()) {
            gf_logLine("buffer traffic: empty content");
        } else {
            ksb::gf_rtHandleAnswer(
                RtRequest::bufferedTraffic, answer, [&](const json& reply, const std::string&) {
                    status = ksb::gf_rtStatus(reply);
                    if (status == 200) {
                        client.rrl.store(ksb::gf_rtInterval(reply, "rrl"));
                        client.collectFlag.store(true);
                        if (lf_data(reply) != nullptr) {
                            result = true;
                            const ksb::FeedContext context = lf_feedContext(client);
                            int counter = 0;
                            for (const std::string_view key : kBufferKeys) {
                                lf_rtProcessBuffer(client, reply, key, counter, context);
                            }
                        }
                    } else if (status == 406) {
                        gf_logLine(fmt::format(" buffer traffic msg {}",
                                               ksb::gf_rtText(reply, "message").value_or("")));
                    }
                });
        }
    }
    ksb::gf_sleepFor(std::chrono::milliseconds(client.rrl.load()), stop);
    if (stop()) {
        status = ksb::kReaderStopped;
    }
    return result;
}

bool lf_rtTrafficLoop(ksb::RtTrafficClient& client, std::int64_t& status,
                      const std::function<bool()>& stop) {
    if (client.guid().empty()) {
        status = 0;
        return false;
    }
    if (!lf_rtBufferTraffic(client, status, stop) && !stop()) {
        gf_logLine(fmt::format("buffer failed {}", status));
    }
    while (!stop()) {
        status = 0;
        const RtAnswer answer = ksb::gf_rtPost(
            RtRequest::traffic,
            ksb::gf_rtTrafficBody(client.guid(), client.liveBox().box, client.toffset.load()),
            stop);
        if (answer.outcome == RtAnswer::Outcome::aborted) {
            status = ksb::kReaderStopped;
            return false;
        }
        if (answer.outcome == RtAnswer::Outcome::answered) {
            if (answer.text.empty()) {
                gf_logLine("traffic receive: empty content");
            } else {
                bool ends = false;
                ksb::gf_rtHandleAnswer(
                    RtRequest::traffic, answer, [&](const json& reply, const std::string&) {
                        status = ksb::gf_rtStatus(reply);
                        if (status == 200) {
                            client.rrl.store(ksb::gf_rtInterval(reply, "rrl"));
                            if (const json* data = lf_data(reply)) {
                                const ksb::FeedContext context = lf_feedContext(client);
                                for (const json& record : *data) {
                                    processLine(client, record, context);
                                }
                            }
                            lf_handOver(client, kPollDelay);
                        } else if (status == 406) {
                            gf_logLine(fmt::format("curl traffic msg {}",
                                                   ksb::gf_rtText(reply, "message").value_or("")));
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
        if (stop()) {
            break;
        }
        ksb::gf_sleepFor(std::chrono::milliseconds(client.rrl.load()), stop);
    }
    status = ksb::kReaderStopped;
    return false;
}

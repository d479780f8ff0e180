#pragma once
// The reader loops and their requests. They run on the caller's thread: the reader threads, or
// a test that drives one loop with a stepped clock.
#include "feed/process_line.h"
#include "feed/rt_clients.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ksb {

// The status with which a loop reports that it ended for a stop.
inline constexpr std::int64_t kReaderStopped = 9999;

// True once the reader must end: its client's stop flag, an exit or stop of the run, or a run
// generation other than its own.
std::function<bool()> gf_rtReaderStopTest(const RtApiClient& client, std::uint64_t generation);

// The QNH of a weather answer ("data"."QNH") as it is to be published, in hPa, 930 to 1080;
// nullopt when there is none to publish. Logs why not, quoting the answer text.
std::optional<std::int32_t> gf_rtQnhOfAnswer(const nlohmann::json& answer, const std::string& text);

} // namespace ksb

// The nearest weather station; true when found. status: the answer's, 0 without one, 9999 when
// the request was aborted by the stop test.
bool lf_rtNearestMetar(ksb::RtWeatherClient& client, std::int64_t& status,
                       const std::function<bool()>& stop);
// Polls the weather every wrrl ms until the stop test holds or a status ends it. Always false;
// status 9999 after a stop.
bool lf_rtWeatherLoop(ksb::RtWeatherClient& client, std::int64_t& status,
                      const std::function<bool()>& stop);
// The buffered first traffic request, then a pause of rrl ms; true when the answer carried
// "data". status 9999 when the stop test holds afterwards.
bool lf_rtBufferTraffic(ksb::RtTrafficClient& client, std::int64_t& status,
                        const std::function<bool()>& stop);
// Parses answer."data".key into the live records and hands them over with the delay
// 6 x counter, also when there are none; counter then counts on.
void lf_rtProcessBuffer(ksb::RtTrafficClient& client, const nlohmann::json& answer,
                        std::string_view key, int& counter, const ksb::FeedContext& context);
// The buffered request, then polls every rrl ms until the stop test holds or a status ends it.
// Always false; status 9999 after a stop.
bool lf_rtTrafficLoop(ksb::RtTrafficClient& client, std::int64_t& status,
                      const std::function<bool()>& stop);

// The thread bodies, with the run generation they belong to. Each takes back its activeWorkers
// count on every way out.
void lf_weatherReader(std::uint64_t generation);
void lf_trafficReader(std::uint64_t generation);
// "<name> connected" as a continuation line.
void lf_logReaderConnected(std::string_view name);

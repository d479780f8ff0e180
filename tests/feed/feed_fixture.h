#pragma once
// The feed's tests start from fresh clients and record what the feed asks of its neighbours:
// the log in a temporary folder, a stepped clock whose sleeps are recorded, the message line,
// the session flag, the posted engine records and the park airport they are shown.
#include "feed/feed_services.h"
#include "feed/rt_clients.h"

#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/recording_sinks.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace ksb::test {

// libcurl's global set-up before any test starts a thread.
inline const bool curlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;

// A fixed UTC time in tests: Wed Dec 10 12:00:00 2025.
inline constexpr double kTestNow = 1765368000.0;

class FeedFixture : public ::testing::Test {
protected:
    FeedFixture() : clock_(kTestNow, true), scopedClock_(clock_) { restart(); }
    ~FeedFixture() override { gf_resetFeedGlobals(); }

    // Fresh feed values with the recording services (a table of cases calls it per row).
    void restart() {
        gf_resetFeedGlobals();
        FeedServices services;
        services.setSessionEstablished = [this](bool established) {
            std::lock_guard lock(mutex_);
            sessionFlags_.push_back(established);
        };
        services.postSimEvent = [this](SimInboundRecord record) {
            std::lock_guard lock(mutex_);
            posted_.push_back(record);
        };
        services.parkAirport = [this] {
            std::lock_guard lock(mutex_);
            return park_;
        };
        services.exitRequested = [this] { return exitRequested_.load(); };
        gf_setFeedServices(std::move(services));
    }

    std::vector<bool> sessionFlags() const {
        std::lock_guard lock(mutex_);
        return sessionFlags_;
    }
    std::vector<SimInboundRecord> posted() const {
        std::lock_guard lock(mutex_);
        return posted_;
    }
    void setPark(ParkAirportSnapshot park) {
        std::lock_guard lock(mutex_);
        park_ = std::move(park);
    }
    // The durations of the sleeps taken, in ms.
    std::vector<long long> sleepsMs() const {
        std::vector<long long> result;
        for (const auto& sleep : clock_.sleeps()) {
            result.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(sleep).count());
        }
        return result;
    }

    LogCapture log_;
    ManualClock clock_;
    ScopedClock scopedClock_;
    RecordingMessageSink messages_;
    std::atomic<bool> exitRequested_{false};

private:
    mutable std::mutex mutex_;
    std::vector<bool> sessionFlags_;
    std::vector<SimInboundRecord> posted_;
    ParkAirportSnapshot park_;
};

} // namespace ksb::test

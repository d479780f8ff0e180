#pragma once
// The readers' tests: the stand-in, the recording neighbours and a login. Loops run on the test
// thread with the stepped clock; a sleep hook decides how many passes run.
#include "feed/rt_reader_loops.h"
#include "feed/rt_readers.h"
#include "feed/rt_session.h"
#include "feed_neighbours.h"
#include "stub_fixture.h"

#include "core/log.h"
#include "core/run_values.h"
#include "core/time_text.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace ksb::test {

// What the readers report for a gateway's HTML page instead of JSON.
inline const std::string kNotJsonProblem =
    "HTTP 502, answer is not JSON (24 bytes): <html>Bad gateway</html> - "
    "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
    "parsing value - invalid literal; last read: '<'";

class ReaderFixture : public StubFixture {
protected:
    ReaderFixture() { install(); }

    // Fresh clients and services, and nothing recorded; the stand-in keeps its session.
    void restart() {
        StubFixture::restart();
        install();
        neighbours_.clearRecords();
        clock_.setSleepHook({});
    }

    // Logs in at the stand-in; the clock is back at kTestNow afterwards and no sleep counts.
    void login() {
        rtLicense = "LIC-1";
        gf_rtAuthenticate();
        ASSERT_FALSE(rtTrafficClient.guid().empty());
        clock_.setUtcSeconds(kTestNow);
        sleepsBefore_ = clock_.sleepCount();
    }

    // Sets the client's stop flag once the loop has slept that many times.
    void stopAfterSleeps(RtApiClient& client, int sleeps) {
        auto count = std::make_shared<int>(0);
        clock_.setSleepHook([&client, sleeps, count] {
            if (++*count >= sleeps) {
                client.stopFlag.store(true);
            }
        });
    }

    // Sleeps of the loop under test, in ms.
    std::vector<long long> loopSleepsMs() const {
        const std::vector<long long> all = sleepsMs();
        return std::vector<long long>(all.begin() + static_cast<long>(sleepsBefore_), all.end());
    }

    std::function<bool()> stopTest(const RtApiClient& client) const {
        return gf_rtReaderStopTest(client, 1);
    }

    // The stand-in's requests of a route after the login.
    std::vector<rtstub::RequestRecord> requestsOf(std::string_view route) const {
        std::vector<rtstub::RequestRecord> result;
        for (const rtstub::RequestRecord& r : stub_.requests()) {
            if (r.route == route) {
                result.push_back(r);
            }
        }
        return result;
    }
    std::vector<std::string> routes() const {
        std::vector<std::string> result;
        for (const rtstub::RequestRecord& r : stub_.requests()) {
            result.push_back(r.route);
        }
        return result;
    }

    // The warning lines of the log, without their prefix.
    std::vector<std::string> warnings() const {
        std::vector<std::string> result;
        for (const std::string& line : log_.body()) {
            if (line.starts_with(logPrefix)) {
                result.push_back(line.substr(logPrefix.size()));
            }
        }
        return result;
    }

    // The time text of the transfer-error lines now.
    static std::string timeNow() { return gf_utcTimeString(gf_utcSecondsNow()); }

    FeedNeighbours neighbours_;
    std::size_t sleepsBefore_ = 0;

private:
    void install() {
        FeedServices services = gf_feedServices();
        neighbours_.install(services);
        gf_setFeedServices(std::move(services));
    }
};

} // namespace ksb::test

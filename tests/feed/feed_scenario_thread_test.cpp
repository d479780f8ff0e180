// The whole feed as the program runs it, against the stand-in: the credential, the login, both
// readers, the parked traffic while the Traffic Reader polls, the stop and the logout. Only the
// engine, the database, the user aircraft and the window are fakes.
#include "feed/rt_parked.h"
#include "feed/rt_readers.h"
#include "feed/rt_session.h"
#include "feed_fixture.h"
#include "feed_neighbours.h"
#include "stepping_clock.h"

#include "core/log.h"
#include "core/run_values.h"
#include "feed/rt_request.h"
#include "support/catalogue_fixtures.h"
#include "support/file_bytes.h"
#include "support/rtstub/rt_stub.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <mutex>

namespace {

using ksb::Reader;
using ksb::test::StoppedReport;
using Ms = std::chrono::milliseconds;

rtstub::Options lf_scenarioStub(ksb::Clock& clock) {
    rtstub::Options options;
    options.licences = {"E2E-LIC"};
    options.rrl = 1500;
    options.wrrl = 2500;
    options.aircraft = 12;
    options.parked = 10;
    options.clock = &clock;
    return options;
}

class FeedScenarioTest : public ksb::test::FeedFixture {
protected:
    FeedScenarioTest()
        : work_(false), appDataEnv_("KSBY_APPDATA", appData_.path().string()),
          stub_(lf_scenarioStub(clock_)), stepping_(ksb::test::kTestNow) {
        ksb::test::writeBytes(work_ / "RealTraffic.lic", R"({"License":"E2E-LIC"})");
        ksb::gf_rtSetApiBase(stub_.baseUrl());
        ksb::FeedServices services = ksb::gf_feedServices();
        neighbours_.install(services);
        gf_setFeedServices(std::move(services));
        for (const char* type : {"A320", "B738", "E190", "A321", "B77W", "A333", "CRJ9", "DH8D"}) {
            neighbours_.addType(type, 2);
        }
        setPark({"EHAM", 52.308613, 4.763889});
        neighbours_.setUser({52.30, 4.76, 2500.0});
    }
    ~FeedScenarioTest() override {
        gf_rtStopReaders();
        gf_rtJoinReaders();
        ksb::gf_setClock(&clock_);
        stub_.stop();
    }

    ksb::test::WorkingFolder work_;
    ksb::test::TempFolder appData_;
    ksb::test::ScopedEnv appDataEnv_;
    rtstub::RtStub stub_;
    ksb::test::SteppingClock stepping_;
    ksb::test::FeedNeighbours neighbours_;
};

TEST_F(FeedScenarioTest, LicenceLoginReadersParkedTrafficStopAndLogout) {
    const std::int32_t workersAtStart = activeWorkers.load();

    // Start-up and the run phase up to the readers.
    gf_findRealTrafficLicense();
    ASSERT_EQ(rtLicense, "E2E-LIC");
    gf_rtAuthenticate(); // its pause of wrrl passes on the test clock
    ASSERT_EQ(rtTrafficClient.guid(), "G-42");
    ksb::gf_setClock(&stepping_);
    gf_rtUpdateQueryBox();

    ASSERT_TRUE(gf_rtStartWeatherReader());
    ASSERT_TRUE(neighbours_.waitForEngineQnh(1));
    ASSERT_TRUE(stepping_.waitForSleep(Ms(2500)));

    gf_rtSetReferencePosition(52.30, 4.76);
    ASSERT_TRUE(gf_rtStartTrafficReader());
    ASSERT_TRUE(neighbours_.waitForBatches(5));
    ASSERT_TRUE(stepping_.waitForSleep(Ms(1500)));
    stepping_.release(Ms(1500));
    ASSERT_TRUE(neighbours_.waitForBatches(6));

    // A second weather pass; 1013 goes out again.
    stepping_.release(Ms(2500));
    ASSERT_TRUE(neighbours_.waitForEngineQnh(2));

    // The engine fetches the parked traffic while the Traffic Reader polls again.
    ASSERT_TRUE(stepping_.waitForSleep(Ms(1500)));
    stepping_.release(Ms(1500));
    bool parked = false;
    {
        std::lock_guard lock(trafficState.trafficMutex);
        parked = gf_rtGetParkedTraffic();
    }
    ASSERT_TRUE(parked);

    // The exit: stop, then the logout once both readers have ended.
    gf_rtStopReaders();
    gf_rtJoinReaders();
    ksb::gf_setClock(&clock_);
    gf_rtDeauth();

    // The stand-in saw the requests in the program's order, every one well formed.
    const std::vector<rtstub::RequestRecord> requests = stub_.requests();
    ASSERT_GE(requests.size(), 9u);
    EXPECT_EQ(requests.front().route, "auth");
    std::vector<std::string> weatherRoutes;
    std::size_t firstPoll = requests.size();
    std::size_t buffered = requests.size();
    int parkedRequests = 0;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const rtstub::RequestRecord& r = requests[i];
        EXPECT_EQ(r.fault, "") << r.route;
        if (r.route == "nearestmetar" || r.route == "weather") {
            weatherRoutes.push_back(r.route);
        } else if (r.route == "traffic" && firstPoll == requests.size()) {
            firstPoll = i;
        } else if (r.route == "traffic-buffered") {
            buffered = i;
        } else if (r.route == "parked") {
            ++parkedRequests;
        }
    }
    EXPECT_EQ(weatherRoutes,
              (std::vector<std::string>{"nearestmetar", "weather", "nearestmetar", "weather"}));
    EXPECT_LT(buffered, firstPoll);
    EXPECT_LT(firstPoll, requests.size());
    EXPECT_EQ(parkedRequests, 1);
    EXPECT_EQ(requests.back().route, "deauth");
    EXPECT_EQ(requests.back().body, "GUID=G-42");
    EXPECT_EQ(stub_.openGuid(), std::nullopt);
    EXPECT_EQ(rtTrafficClient.guid(), "");

    // The engine got the five buffers, then polls, with live aircraft in them.
    const std::vector<int> delays = neighbours_.delays();
    ASSERT_GE(delays.size(), 6u);
    EXPECT_EQ(std::vector<int>(delays.begin(), delays.begin() + 5),
              (std::vector<int>{0, 6, 12, 18, 24}));
    EXPECT_TRUE(std::all_of(delays.begin() + 5, delays.end(), [](int d) { return d == 30; }));
    std::size_t records = 0;
    for (const ksb::test::HandedBatch& batch : neighbours_.batches()) {
        records += batch.records.size();
    }
    EXPECT_GT(records, 0u);
    EXPECT_EQ(neighbours_.engineQnh(), (std::vector<std::int32_t>{1013, 1013}));
    EXPECT_EQ(rtTrafficClient.qnh.load(), 1013);

    // The parked traffic, youngest first.
    const std::vector<ParkedFlight>& flights = rtTrafficClient.parkedRecords;
    ASSERT_FALSE(flights.empty());
    EXPECT_TRUE(
        std::is_sorted(flights.begin(), flights.end(),
                       [](const ParkedFlight& a, const ParkedFlight& b) { return a.age < b.age; }));

    // Both readers ended for the stop, and nothing is left counted.
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::weather), 9999);
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::traffic), 9999);
    EXPECT_EQ(neighbours_.stopped(), std::vector<StoppedReport>{});
    EXPECT_EQ(activeWorkers.load(), workersAtStart);

    const std::vector<std::string> body = log_.body();
    for (const char* line :
         {"          Weather Reader connected", "          Traffic Reader connected"}) {
        EXPECT_NE(std::find(body.begin(), body.end(), line), body.end()) << line;
    }
    for (const std::string& line : body) {
        EXPECT_FALSE(line.starts_with(logPrefix)) << line;
    }
}

} // namespace

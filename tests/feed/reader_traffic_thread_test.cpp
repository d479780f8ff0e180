// The Traffic Reader against the stand-in: the buffered first request and its five hand-overs,
// the polls, the query box in the bodies, and how each status lets the reader go on or ends it.
#include "reader_fixture.h"

#include "support/rtstub/records.h"

#include <fmt/format.h>

#include <optional>
#include <stdexcept>

namespace {

using ksb::Reader;
using ksb::test::kNotJsonProblem;
using ksb::test::StoppedReport;
using nlohmann::json;
using rtstub::Reply;

// A live record near the reference position that passes every filter.
json lf_record(const std::string& hex) {
    return rtstub::LiveRecordBuilder().set(0, hex).set(13, "CS" + hex).json();
}

std::vector<std::vector<std::uint32_t>> lf_ids(const std::vector<ksb::test::HandedBatch>& batches) {
    std::vector<std::vector<std::uint32_t>> result;
    for (const auto& batch : batches) {
        std::vector<std::uint32_t> ids;
        for (const LiveFlight& flight : batch.records) {
            ids.push_back(flight.flightId);
        }
        result.push_back(ids);
    }
    return result;
}

const std::string kDefaultBox = "top=52.44&bottom=52.17&left=4.54&right=4.98";

class TrafficReaderTest : public ksb::test::ReaderFixture {
protected:
    TrafficReaderTest() { gf_rtSetReferencePosition(51.4706, -0.4619); }

    void restart() {
        ReaderFixture::restart();
        gf_rtSetReferencePosition(51.4706, -0.4619);
    }

    std::int64_t runLoop(int sleeps) {
        stopAfterSleeps(rtTrafficClient, sleeps);
        std::int64_t status = -1;
        EXPECT_FALSE(lf_rtTrafficLoop(rtTrafficClient, status, stopTest(rtTrafficClient)));
        return status;
    }
};

TEST_F(TrafficReaderTest, TheBufferedRequestHandsOverFiveBatchesOldestFirstThenEveryPoll) {
    login();
    json buffered = {{"status", 200}, {"rrl", 1200}};
    buffered["data"] = {
        {"buffer_4", {{"4b0001", lf_record("4b0001")}, {"4b0002", lf_record("4b0002")}}},
        {"buffer_3", nullptr},
        {"buffer_1",
         {{"4b0011", lf_record("4b0011")},
          {"x", nullptr},
          {"y", json::array()},
          {"z", json::object()}}},
        {"buffer_0", {{"4b0010", lf_record("4b0010")}}},
    };
    stub_.script("traffic-buffered", Reply::json(buffered.dump()));
    // A member that is no record costs only itself.
    stub_.script("traffic", Reply::json(json{{"status", 200},
                                             {"rrl", 1300},
                                             {"data", {{"4b0020", lf_record("4b0020")}, {"n", 5}}}}
                                            .dump()));
    stub_.script("traffic", Reply::json(R"({"status":200,"data":{}})"));

    EXPECT_EQ(runLoop(3), 9999);

    EXPECT_EQ(neighbours_.delays(), (std::vector<int>{0, 6, 12, 18, 24, 30, 30}));
    EXPECT_EQ(lf_ids(neighbours_.batches()),
              (std::vector<std::vector<std::uint32_t>>{
                  {0x4b0001, 0x4b0002}, {}, {}, {0x4b0011}, {0x4b0010}, {0x4b0020}, {}}));
    EXPECT_TRUE(rtTrafficClient.collectFlag.load());
    EXPECT_EQ(rtTrafficClient.collectedFlightIds(),
              (std::set<std::uint32_t>{0x4b0001, 0x4b0002, 0x4b0011, 0x4b0010, 0x4b0020}));
    EXPECT_EQ(rtTrafficClient.recordCount.load(), 0);
    EXPECT_EQ(loopSleepsMs(), (std::vector<long long>{1200, 1300, 2000}));
    EXPECT_EQ(routes(),
              (std::vector<std::string>{"auth", "traffic-buffered", "traffic", "traffic"}));
    EXPECT_EQ(requestsOf("traffic-buffered")[0].body,
              "GUID=G-42&" + kDefaultBox +
                  "&querytype=locationtraffic&toffset=0&buffercount=5&buffertime=6");
    EXPECT_EQ(requestsOf("traffic")[0].body,
              "GUID=G-42&" + kDefaultBox + "&querytype=locationtraffic&toffset=0");
    EXPECT_EQ(warnings(), std::vector<std::string>{});
    const std::vector<std::string> body = log_.body();
    EXPECT_EQ(std::count(body.begin(), body.end(),
                         "exception in processLine: [json.exception.type_error.302] type must be "
                         "array, but is number"),
              1);
}

TEST_F(TrafficReaderTest, TheBodiesCarryTheQueryBoxAroundTheUserWithTwoDecimals) {
    login();
    gf_rtSetTimeOffset(120);
    neighbours_.setUser({52.3, 4.76, 0.0});
    gf_rtUpdateQueryBox();

    runLoop(2);

    const std::string box = "top=52.97&bottom=51.63&left=3.67&right=5.85";
    EXPECT_EQ(requestsOf("traffic-buffered")[0].body,
              "GUID=G-42&" + box +
                  "&querytype=locationtraffic&toffset=120&buffercount=5&buffertime=6");
    EXPECT_EQ(requestsOf("traffic")[0].body,
              "GUID=G-42&" + box + "&querytype=locationtraffic&toffset=120");
    EXPECT_EQ(requestsOf("traffic")[0].fault, "");
}

struct BufferFailureCase {
    const char* name;
    Reply reply;
    std::vector<std::string> lines; // "<now>" stands for the time text
    bool collect;
};

std::vector<BufferFailureCase> lf_bufferFailureCases() {
    return {
        {"data null", Reply::json(R"({"status":200,"data":null})"), {"buffer failed 200"}, true},
        {"data missing", Reply::json(R"({"status":200})"), {"buffer failed 200"}, true},
        {"data of the wrong kind",
         Reply::json(R"({"status":200,"data":[]})"),
         {"buffer traffic exception: [json.exception.type_error.302] type must be object, but "
          "is array",
          "buffer failed 200"},
         true},
        {"406",
         Reply::json(R"({"status":406,"message":"busy"})"),
         {" buffer traffic msg busy", "buffer failed 406"},
         false},
        {"401", Reply::json(R"({"status":401})"), {"buffer failed 401"}, false},
        {"empty", Reply::empty(), {"buffer traffic: empty content", "buffer failed 0"}, false},
        {"closed connection",
         Reply::drop(),
         {"<now> buffer traffic code_t: Transferred a partial file", "buffer failed 0"},
         false},
    };
}

TEST_F(TrafficReaderTest, AFailedBufferedRequestIsLoggedAndPollingStartsAnyway) {
    for (const BufferFailureCase& c : lf_bufferFailureCases()) {
        SCOPED_TRACE(c.name);
        restart();
        login();
        const std::size_t linesBefore = warnings().size();
        stub_.script("traffic-buffered", c.reply);
        stub_.script("traffic", Reply::json(R"({"status":200,"data":{}})"));

        EXPECT_EQ(runLoop(2), 9999);

        std::vector<std::string> expected;
        for (std::string line : c.lines) {
            if (line.starts_with("<now>")) {
                line.replace(0, 5, nowText());
            }
            expected.push_back(line);
        }
        const std::vector<std::string> all = warnings();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(linesBefore), all.end()),
                  expected);
        EXPECT_EQ(neighbours_.delays(), std::vector<int>{30});
        EXPECT_EQ(rtTrafficClient.collectFlag.load(), c.collect);
        // The login sets only the weather client's intervals.
        EXPECT_EQ(loopSleepsMs(), (std::vector<long long>{2000, 2000}));
    }
}

struct TrafficStatusCase {
    const char* name;
    Reply reply;
    std::int64_t endStatus;         // 9999: the loop went on until the stop
    std::vector<std::string> lines; // "<now>" stands for the time text
    std::vector<int> delays;
};

std::vector<TrafficStatusCase> lf_trafficStatusCases() {
    const std::vector<int> buffers{0, 6, 12, 18, 24};
    const std::vector<int> withPoll{0, 6, 12, 18, 24, 30};
    return {
        {"200", Reply::model(), 9999, {}, withPoll},
        {"200 without data", Reply::json(R"({"status":200})"), 9999, {}, withPoll},
        {"400",
         Reply::json(R"({"status":400})"),
         400,
         {"Traffic RT API: parameter fault"},
         buffers},
        {"401",
         Reply::json(R"({"status":401})"),
         401,
         {"re-authentication to RT API is needed, restart KSBY_P3D"},
         buffers},
        {"403", Reply::json(R"({"status":403})"), 403, {"Traffic RT API error: 403"}, buffers},
        {"406 with a message",
         Reply::json(R"({"status":406,"message":"busy"})"),
         9999,
         {"curl traffic msg busy"},
         buffers},
        {"500", Reply::json(R"({"status":500})"), 500, {"Traffic RT API error: 500"}, buffers},
        {"status missing",
         Reply::json(R"({"data":{}})"),
         100,
         {"Traffic RT API error: 100"},
         buffers},
        {"empty body", Reply::empty(), 9999, {"traffic receive: empty content"}, buffers},
        {"not JSON",
         Reply::http(502, "<html>Bad gateway</html>"),
         9999,
         {"traffic exception: " + kNotJsonProblem},
         buffers},
        {"data of the wrong kind",
         Reply::json(R"({"status":200,"data":[["4b0001"]]})"),
         9999,
         {"traffic exception: [json.exception.type_error.302] type must be object, but is array"},
         buffers},
        {"closed connection",
         Reply::drop(),
         9999,
         {"<now> curl traffic code_t: Transferred a partial file"},
         buffers},
    };
}

TEST_F(TrafficReaderTest, EveryStatusLetsTheReaderGoOnOrEndsItWithItsLine) {
    for (const TrafficStatusCase& c : lf_trafficStatusCases()) {
        SCOPED_TRACE(c.name);
        restart();
        login();
        const std::size_t linesBefore = warnings().size();
        const std::size_t pollsBefore = requestsOf("traffic").size();
        stub_.script("traffic", c.reply);
        stopAfterSleeps(rtTrafficClient, 2);
        activeWorkers.store(1); // as the start counts it

        lf_trafficReader(1);

        EXPECT_EQ(activeWorkers.load(), 0);
        EXPECT_EQ(gf_rtReaderEndStatus(Reader::traffic), c.endStatus);
        // The poll comes after the pause of the model's rrl, 1500 ms.
        const std::string pollTime = gf_utcTimeString(ksb::test::kTestNow + 1.5);
        std::vector<std::string> expected;
        for (std::string line : c.lines) {
            if (line.starts_with("<now>")) {
                line.replace(0, 5, pollTime);
            }
            expected.push_back(line);
        }
        const std::vector<std::string> all = warnings();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(linesBefore), all.end()),
                  expected);
        EXPECT_EQ(neighbours_.delays(), c.delays);
        EXPECT_EQ(requestsOf("traffic").size() - pollsBefore, 1u);
        EXPECT_EQ(neighbours_.events(),
                  (std::vector<std::string>{"traffic 1", "invalidate", "traffic 3", "invalidate"}));
        const bool failed = c.endStatus != 9999;
        EXPECT_EQ(rtWeatherClient.stopFlag.load(), failed);
        const std::vector<StoppedReport> reports =
            failed ? std::vector<StoppedReport>{{"Traffic Reader", c.endStatus == 401}}
                   : std::vector<StoppedReport>{};
        EXPECT_EQ(neighbours_.stopped(), reports);
    }
}

TEST_F(TrafficReaderTest, AnExceptionOutOfTheLoopMarksTheCellStopsTheOtherReaderAndReportsOnce) {
    login();
    clock_.setSleepHook([] { throw std::runtime_error("clock broke"); });
    activeWorkers.store(1);

    lf_trafficReader(1);

    EXPECT_EQ(warnings(), std::vector<std::string>{"Traffic RT API exception: clock broke"});
    EXPECT_EQ(neighbours_.events(),
              (std::vector<std::string>{"traffic 1", "invalidate", "traffic 3", "invalidate"}));
    EXPECT_TRUE(rtWeatherClient.stopFlag.load());
    EXPECT_EQ(neighbours_.stopped(), (std::vector<StoppedReport>{{"Traffic Reader", false}}));
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::traffic), 200);
    EXPECT_EQ(activeWorkers.load(), 0);
    const std::vector<std::string> body = log_.body();
    EXPECT_NE(std::find(body.begin(), body.end(), "          Traffic Reader connected"),
              body.end());
}

TEST_F(TrafficReaderTest, WithoutALoginTheLoopEndsAtOnceWithStatus0) {
    std::int64_t status = -1;
    EXPECT_FALSE(lf_rtTrafficLoop(rtTrafficClient, status, stopTest(rtTrafficClient)));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(stub_.requests().empty());
}

} // namespace

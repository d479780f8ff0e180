// The readers on their own threads: how they start, count themselves, and end at once on a stop,
// an exit or a newer run, whether they sleep or wait for an answer; and how one failing reader
// takes the other down.
#include "reader_fixture.h"
#include "stepping_clock.h"

#include <functional>
#include <optional>

namespace {

using ksb::Reader;
using ksb::test::SteppingClock;
using ksb::test::StoppedReport;
using Ms = std::chrono::milliseconds;
using rtstub::Reply;

constexpr std::uint64_t kRun = 7;

// What ends the readers.
enum class StopBy { flags, exit, newRun };

class ReaderThreadTest : public ksb::test::ReaderFixture {
protected:
    ReaderThreadTest() : stepping_(ksb::test::kTestNow) { neighbours_.setGeneration(kRun); }
    ~ReaderThreadTest() override {
        gf_rtStopReaders();
        gf_rtJoinReaders();
        ksb::gf_setClock(&clock_);
    }

    // After the login the readers' sleeps wait for the test.
    void loginAndStep() {
        ksb::gf_setClock(&clock_);
        login();
        ksb::gf_setClock(&stepping_);
    }

    void stop(StopBy by) {
        switch (by) {
        case StopBy::flags:
            gf_rtStopReaders();
            break;
        case StopBy::exit:
            exitRequested_.store(true);
            ksb::gf_wakeSleepers();
            break;
        case StopBy::newRun:
            neighbours_.setGeneration(kRun + 1);
            ksb::gf_wakeSleepers();
            break;
        }
    }

    SteppingClock stepping_;
};

struct StopCase {
    const char* name;
    Reader reader;
    bool duringRequest; // else during the sleep after a pass
    StopBy by;
};

std::vector<StopCase> lf_stopCases() {
    std::vector<StopCase> cases;
    for (const Reader reader : {Reader::weather, Reader::traffic}) {
        for (const bool request : {false, true}) {
            cases.push_back({"stop flags", reader, request, StopBy::flags});
            cases.push_back({"exit", reader, request, StopBy::exit});
            cases.push_back({"newer run", reader, request, StopBy::newRun});
        }
    }
    return cases;
}

TEST_F(ReaderThreadTest, AStopEndsAReaderAtOnceInASleepOrARequestWithoutAnError) {
    for (const StopCase& c : lf_stopCases()) {
        const bool weather = c.reader == Reader::weather;
        SCOPED_TRACE(std::string(c.name) + (weather ? ", weather" : ", traffic") +
                     (c.duringRequest ? ", in a request" : ", in a sleep"));
        ksb::gf_setClock(&clock_);
        restart();
        exitRequested_.store(false);
        neighbours_.setGeneration(kRun);
        loginAndStep();
        const std::size_t linesBefore = warnings().size();
        const char* route = weather ? "weather" : "traffic";
        if (c.duringRequest) {
            // The answer would come only when the stand-in stops; the stop must abort it.
            stub_.script(route, Reply::delayed(600000, Reply::model()));
            stub_.onRequest([this, &c, route](const rtstub::RequestRecord& record) {
                if (record.route == route) {
                    stop(c.by);
                }
            });
        }

        ASSERT_TRUE(weather ? gf_rtStartWeatherReader() : gf_rtStartTrafficReader());
        if (c.duringRequest) {
            if (!weather) {
                // The pause after the buffered request, then the poll that hangs.
                ASSERT_TRUE(stepping_.waitForSleep(Ms(1500)));
                stepping_.release(Ms(1500));
            }
        } else {
            ASSERT_TRUE(stepping_.waitForSleep(Ms(weather ? 2500 : 1500)));
            stop(c.by);
        }
        gf_rtJoinReaders();
        stub_.onRequest({});

        EXPECT_EQ(gf_rtReaderEndStatus(c.reader), 9999);
        EXPECT_EQ(activeWorkers.load(), 0);
        const std::vector<std::string> all = warnings();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(linesBefore), all.end()),
                  std::vector<std::string>{});
        EXPECT_EQ(neighbours_.stopped(), std::vector<StoppedReport>{});
        EXPECT_EQ(neighbours_.cell(c.reader), 3);
        const ksb::RtApiClient& other =
            weather ? static_cast<const ksb::RtApiClient&>(rtTrafficClient) : rtWeatherClient;
        EXPECT_FALSE(c.by != StopBy::flags && other.stopFlag.load());
        if (c.duringRequest) {
            // Nothing of the aborted request reached the engine.
            EXPECT_EQ(neighbours_.engineQnh(), std::vector<std::int32_t>{});
            EXPECT_EQ(neighbours_.delays(),
                      weather ? std::vector<int>{} : (std::vector<int>{0, 6, 12, 18, 24}));
        }
    }
}

TEST_F(ReaderThreadTest, AFailingReaderWakesAndStopsTheOtherOneAndReportsOnce) {
    loginAndStep();
    stub_.script("traffic", Reply::json(R"({"status":401})"));

    ASSERT_TRUE(gf_rtStartWeatherReader());
    ASSERT_TRUE(stepping_.waitForSleep(Ms(2500)));
    ASSERT_TRUE(gf_rtStartTrafficReader());
    ASSERT_TRUE(stepping_.waitForSleep(Ms(1500)));
    EXPECT_EQ(activeWorkers.load(), 2);
    stepping_.release(Ms(1500));
    gf_rtJoinReaders();

    EXPECT_EQ(gf_rtReaderEndStatus(Reader::traffic), 401);
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::weather), 9999);
    EXPECT_EQ(neighbours_.stopped(), (std::vector<StoppedReport>{{"Traffic Reader", true}}));
    EXPECT_EQ(warnings(),
              std::vector<std::string>{"re-authentication to RT API is needed, restart KSBY_P3D"});
    EXPECT_EQ(neighbours_.cell(Reader::weather), 3);
    EXPECT_EQ(neighbours_.cell(Reader::traffic), 3);
    EXPECT_EQ(activeWorkers.load(), 0);
}

TEST_F(ReaderThreadTest, AReaderIsCountedFromItsStartAndStartsOnceAtATime) {
    loginAndStep();
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::weather), std::nullopt);

    ASSERT_TRUE(gf_rtStartWeatherReader());
    EXPECT_EQ(activeWorkers.load(), 1);
    ASSERT_TRUE(stepping_.waitForSleep(Ms(2500)));
    EXPECT_FALSE(gf_rtStartWeatherReader());
    EXPECT_EQ(activeWorkers.load(), 1);
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::weather), std::nullopt);

    gf_rtStopReaders();
    gf_rtJoinReaders();
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::weather), 9999);
    EXPECT_EQ(activeWorkers.load(), 0);

    // A start after the end joins the old thread and runs a new reader.
    rtWeatherClient.stopFlag.store(false);
    ASSERT_TRUE(gf_rtStartWeatherReader());
    EXPECT_EQ(gf_rtReaderEndStatus(Reader::weather), std::nullopt);
    ASSERT_TRUE(stepping_.waitForSleep(Ms(2500)));
    gf_rtStopReaders();
    gf_rtJoinReaders();
    EXPECT_EQ(requestsOf("weather").size(), 2u);
    EXPECT_EQ(activeWorkers.load(), 0);
}

} // namespace

// The Weather Reader against the stand-in: its two requests, the QNH of every kind of answer
// and where it goes, and how each status lets the reader go on or ends it.
#include "reader_fixture.h"

#include <fmt/format.h>

#include <cmath>
#include <limits>
#include <optional>

namespace {

using ksb::Reader;
using ksb::test::kNotJsonProblem;
using ksb::test::StoppedReport;
using rtstub::Reply;

class WeatherReaderTest : public ksb::test::ReaderFixture {
protected:
    // One weather pass on the test thread; the loop ends after its sleep.
    std::int64_t runOnePass() {
        stopAfterSleeps(rtWeatherClient, 1);
        std::int64_t status = -1;
        EXPECT_FALSE(lf_rtWeatherLoop(rtWeatherClient, status, stopTest(rtWeatherClient)));
        return status;
    }

    static std::string field(const rtstub::RequestRecord& record, std::string_view name) {
        for (const auto& [key, value] : record.fields) {
            if (key == name) {
                return value;
            }
        }
        return "<none>";
    }
};

TEST_F(WeatherReaderTest, OnePassSendsBothBodiesAndSleepsWrrl) {
    login();
    gf_rtSetTimeOffset(90);
    neighbours_.setUser({52.308613, 4.763889, 3456.9});
    stub_.script("nearestmetar", Reply::json(R"({"status":200,"data":[{"ICAO":"EH A&M"}]})"));

    EXPECT_EQ(runOnePass(), 9999);

    const auto nearest = requestsOf("nearestmetar");
    const auto weather = requestsOf("weather");
    ASSERT_EQ(nearest.size(), 1u);
    ASSERT_EQ(weather.size(), 1u);
    EXPECT_EQ(nearest[0].body, "GUID=G-42&toffset=90&lat=52.3086&lon=4.7639");
    EXPECT_EQ(weather[0].body, "GUID=G-42&querytype=locwx&toffset=90&lat=52.3086&lon=4.7639&"
                               "alt=3456&airports=EH%20A%26M");
    EXPECT_EQ(weather[0].fault, "");
    EXPECT_EQ(rtWeatherClient.nearestStation, "EH A&M");
    EXPECT_TRUE(rtWeatherClient.weatherReceived.load());
    EXPECT_EQ(loopSleepsMs(), (std::vector<long long>{2500}));
    EXPECT_EQ(warnings(), std::vector<std::string>{});
}

TEST_F(WeatherReaderTest, TheAltitudeGoesOutInWholeFeetAndZeroBelowOneFoot) {
    const std::vector<std::pair<double, std::string>> altitudes{
        {3456.9, "3456"},
        {1.0, "1"},
        {0.99, "0"},
        {-250.0, "0"},
        {std::numeric_limits<double>::quiet_NaN(), "0"},
        {std::numeric_limits<double>::infinity(), "0"},
        {41000.0, "41000"},
    };
    login();
    neighbours_.setUser({52.3, 4.76, altitudes[0].first});
    std::size_t pass = 0;
    clock_.setSleepHook([&] {
        if (++pass == altitudes.size()) {
            rtWeatherClient.stopFlag.store(true);
        } else {
            neighbours_.setUser({52.3, 4.76, altitudes[pass].first});
        }
    });
    std::int64_t status = 0;
    lf_rtWeatherLoop(rtWeatherClient, status, stopTest(rtWeatherClient));

    const auto weather = requestsOf("weather");
    ASSERT_EQ(weather.size(), altitudes.size());
    for (std::size_t i = 0; i < altitudes.size(); ++i) {
        SCOPED_TRACE(altitudes[i].first);
        EXPECT_EQ(field(weather[i], "alt"), altitudes[i].second);
    }
}

struct QnhCase {
    const char* name;
    std::string data; // the text of "data"; "<none>" leaves the member out
    std::optional<std::int32_t> published;
    std::vector<std::string> lines; // "<answer>" stands for the whole answer text
};

std::vector<QnhCase> lf_qnhCases() {
    return {
        {"integer", R"({"QNH":1008})", 1008, {}},
        {"float, a half goes up", R"({"QNH":1012.5})", 1013, {}},
        {"float below a half", R"({"QNH":1007.49})", 1007, {}},
        {"text", R"({"QNH":"1008"})", 1008, {}},
        {"text with blanks and a unit", R"({"QNH":"  1009 hPa"})", 1009, {}},
        {"text without digits",
         R"({"QNH":"abc"})",
         1013,
         {"QNH string invalid arg: invalid stoi argument"}},
        {"text out of range",
         R"({"QNH":"99999999999"})",
         1013,
         {"QNH string out of range: stoi argument out of range"}},
        {"inHg integer", R"({"QNH":2992})", 1013, {}},
        {"inHg text", R"({"QNH":"2953"})", 1000, {}},
        {"inHg as a float is strange",
         R"({"QNH":29.92})",
         std::nullopt,
         {"Strange QNH 30 found in <answer>"}},
        {"too low", R"({"QNH":929})", std::nullopt, {"Strange QNH 929 found in <answer>"}},
        {"lowest", R"({"QNH":930})", 930, {}},
        {"highest", R"({"QNH":1080})", 1080, {}},
        {"just above hPa becomes a strange inHg",
         R"({"QNH":1081})",
         std::nullopt,
         {"Strange QNH 366 found in <answer>"}},
        {"QNH null", R"({"QNH":null})", std::nullopt, {"No QNH found in <answer>"}},
        {"QNH missing", R"({"METAR":"EHAM"})", std::nullopt, {"No QNH found in <answer>"}},
        {"data null", "null", std::nullopt, {"No QNH found in <answer>"}},
        {"data missing", "<none>", std::nullopt, {"No QNH found in <answer>"}},
        {"boolean", R"({"QNH":true})", 1013, {"No QNH found in <answer>"}},
        {"array", R"({"QNH":[1008]})", 1013, {"No QNH found in <answer>"}},
        {"huge integer",
         R"({"QNH":3000000000})",
         std::nullopt,
         {"Strange QNH 3000000000 found in <answer>"}},
        {"huge negative integer",
         R"({"QNH":-3000000000})",
         std::nullopt,
         {"Strange QNH -3000000000 found in <answer>"}},
        {"largest unsigned",
         R"({"QNH":18446744073709551615})",
         std::nullopt,
         {"Strange QNH 18446744073709551615 found in <answer>"}},
        {"huge float", R"({"QNH":1e300})", std::nullopt, {"Strange QNH 1e+300 found in <answer>"}},
        {"data of the wrong kind",
         R"([{"QNH":1008}])",
         std::nullopt,
         {"weather exception: [json.exception.type_error.302] type must be object, but is array"}},
    };
}

TEST_F(WeatherReaderTest, EveryKindOfQnhPublishesAValueInRangeOrSaysWhyNot) {
    for (const QnhCase& c : lf_qnhCases()) {
        SCOPED_TRACE(c.name);
        restart();
        login();
        const std::size_t linesBefore = warnings().size();
        const std::string answer = c.data == "<none>"
                                       ? std::string(R"({"status":200,"wrrl":2500})")
                                       : R"({"status":200,"wrrl":2500,"data":)" + c.data + "}";
        stub_.script("weather", Reply::json(answer));

        EXPECT_EQ(runOnePass(), 9999);

        std::vector<std::string> expected;
        for (std::string line : c.lines) {
            if (const auto at = line.find("<answer>"); at != std::string::npos) {
                line.replace(at, 8, answer);
            }
            expected.push_back(line);
        }
        const std::vector<std::string> all = warnings();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(linesBefore), all.end()),
                  expected);
        EXPECT_TRUE(rtWeatherClient.weatherReceived.load());
        if (c.published) {
            EXPECT_EQ(neighbours_.engineQnh(), std::vector<std::int32_t>{*c.published});
            EXPECT_EQ(rtTrafficClient.qnh.load(), *c.published);
            EXPECT_EQ(neighbours_.windowQnh(), *c.published);
            EXPECT_EQ(rtWeatherClient.lastQnh.load(), *c.published);
        } else {
            EXPECT_EQ(neighbours_.engineQnh(), std::vector<std::int32_t>{});
            EXPECT_EQ(rtTrafficClient.qnh.load(), 1013);
            EXPECT_EQ(neighbours_.events(), std::vector<std::string>{});
        }
    }
}

TEST_F(WeatherReaderTest, ALongAnswerIsQuotedUpToItsFirst16384Bytes) {
    login();
    const std::string answer =
        R"({"status":200,"pad":")" + std::string(20000, 'x') + R"(","data":{"QNH":null}})";
    stub_.script("weather", Reply::json(answer));

    runOnePass();

    EXPECT_EQ(warnings(),
              std::vector<std::string>{"No QNH found in " + answer.substr(0, 16384) + " ..."});
}

TEST_F(WeatherReaderTest, OnlyA1013IsPublishedAgainAndAnIdleWeatherCellTurnsReceiving) {
    login();
    const std::vector<int> answers{1008, 1008, 1013, 1013, 1009, 1008};
    for (const int qnh : answers) {
        stub_.script("weather",
                     Reply::json(fmt::format(R"({{"status":200,"data":{{"QNH":{}}}}})", qnh)));
    }
    neighbours_.setCell(Reader::weather, 2);
    stopAfterSleeps(rtWeatherClient, static_cast<int>(answers.size()));
    std::int64_t status = 0;
    lf_rtWeatherLoop(rtWeatherClient, status, stopTest(rtWeatherClient));

    EXPECT_EQ(neighbours_.engineQnh(), (std::vector<std::int32_t>{1008, 1013, 1013, 1009, 1008}));
    EXPECT_EQ(neighbours_.events(),
              (std::vector<std::string>{"qnh 1008", "weather 1", "invalidate", "qnh 1013",
                                        "invalidate", "qnh 1013", "invalidate", "qnh 1009",
                                        "invalidate", "qnh 1008", "invalidate"}));
    EXPECT_EQ(rtTrafficClient.qnh.load(), 1008);
    // Without "wrrl" the interval falls back to 2000 ms.
    EXPECT_EQ(loopSleepsMs(), std::vector<long long>(answers.size(), 2000));
}

struct WeatherStatusCase {
    const char* name;
    const char* route; // the route whose reply is scripted
    Reply reply;
    std::int64_t endStatus;         // 9999: the loop went on until the stop
    std::vector<std::string> lines; // "<now>" stands for the time text
    std::size_t weatherRequests;
    // A weather request that ends the loop leaves the flag as the nearest station set it.
    bool weatherReceived;
};

std::vector<WeatherStatusCase> lf_weatherStatusCases() {
    return {
        {"200", "weather", Reply::model(), 9999, {}, 1, true},
        {"400",
         "weather",
         Reply::json(R"({"status":400,"message":"bad lat"})"),
         400,
         {"Weather RT API: parameter fault"},
         1,
         true},
        {"401",
         "weather",
         Reply::json(R"({"status":401})"),
         401,
         {"re-authentication to RT API is needed, restart KSBY_P3D"},
         1,
         true},
        {"403",
         "weather",
         Reply::json(R"({"status":403})"),
         403,
         {"Weather RT API error: 403"},
         1,
         true},
        {"406 with a message",
         "weather",
         Reply::json(R"({"status":406,"message":"busy"})"),
         9999,
         {"406 json weather busy"},
         1,
         false},
        {"500", "weather", Reply::json(R"({"status":500})"), 9999, {"500 json weather "}, 1, false},
        {"status missing",
         "weather",
         Reply::json(R"({"data":{"QNH":1008}})"),
         100,
         {"Weather RT API error: 100"},
         1,
         true},
        {"empty body",
         "weather",
         Reply::empty(),
         9999,
         {"Empty content?, no QNH to be found"},
         1,
         false},
        {"not JSON",
         "weather",
         Reply::http(502, "<html>Bad gateway</html>"),
         9999,
         {"weather exception: " + kNotJsonProblem},
         1,
         false},
        {"closed connection",
         "weather",
         Reply::drop(),
         9999,
         {"<now> weather code_w: Transferred a partial file"},
         1,
         false},
        {"nearest station 401",
         "nearestmetar",
         Reply::json(R"({"status":401})"),
         401,
         {"re-authentication to RT API is needed, restart KSBY_P3D"},
         0,
         false},
        {"nearest station 400",
         "nearestmetar",
         Reply::json(R"({"status":400})"),
         400,
         {"Weather RT API: parameter fault"},
         0,
         false},
        {"nearest station 406",
         "nearestmetar",
         Reply::json(R"({"status":406,"message":"later"})"),
         9999,
         {"406 json nearestmetar later"},
         0,
         false},
        {"nearest station 500",
         "nearestmetar",
         Reply::json(R"({"status":500})"),
         9999,
         {"500 json nearestmetar "},
         0,
         false},
        {"nearest station 403",
         "nearestmetar",
         Reply::json(R"({"status":403})"),
         9999,
         {},
         0,
         false},
        {"nearest station without status",
         "nearestmetar",
         Reply::json(R"({"data":[]})"),
         9999,
         {},
         0,
         false},
        {"nearest station empty",
         "nearestmetar",
         Reply::empty(),
         9999,
         {"nearest metar: empty content"},
         0,
         false},
        {"nearest station data of the wrong kind",
         "nearestmetar",
         Reply::json(R"({"status":200,"data":{"ICAO":"EHAM"}})"),
         9999,
         {"nearestmetar exception: [json.exception.type_error.302] type must be array, but is "
          "object"},
         0,
         false},
        {"nearest station without ICAO text",
         "nearestmetar",
         Reply::json(R"({"status":200,"data":[{"ICAO":5}]})"),
         9999,
         {},
         0,
         false},
    };
}

TEST_F(WeatherReaderTest, EveryStatusLetsTheReaderGoOnOrEndsItWithItsLine) {
    for (const WeatherStatusCase& c : lf_weatherStatusCases()) {
        SCOPED_TRACE(c.name);
        restart();
        login();
        const std::size_t linesBefore = warnings().size();
        const std::size_t weatherBefore = requestsOf("weather").size();
        stub_.script(c.route, c.reply);
        stopAfterSleeps(rtWeatherClient, 1);
        activeWorkers.store(1); // as the start counts it

        lf_weatherReader(1);

        EXPECT_EQ(activeWorkers.load(), 0);
        EXPECT_EQ(gf_rtReaderEndStatus(Reader::weather), c.endStatus);
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
        EXPECT_EQ(requestsOf("weather").size() - weatherBefore, c.weatherRequests);
        EXPECT_EQ(rtWeatherClient.weatherReceived.load(), c.weatherReceived);
        EXPECT_EQ(neighbours_.cell(Reader::weather), 3);
        const bool failed = c.endStatus != 9999;
        EXPECT_EQ(rtTrafficClient.stopFlag.load(), failed);
        const std::vector<StoppedReport> reports =
            failed ? std::vector<StoppedReport>{{"Weather Reader", c.endStatus == 401}}
                   : std::vector<StoppedReport>{};
        EXPECT_EQ(neighbours_.stopped(), reports);
    }
}

TEST_F(WeatherReaderTest, TheBodyLogsItsStartAndShowsItsCell) {
    login();
    stopAfterSleeps(rtWeatherClient, 1);
    activeWorkers.store(1);

    lf_weatherReader(1);

    const std::vector<std::string> body = log_.body();
    EXPECT_NE(std::find(body.begin(), body.end(), "          Weather Reader connected"),
              body.end());
    EXPECT_EQ(neighbours_.events(),
              (std::vector<std::string>{"weather 1", "invalidate", "qnh 1013", "invalidate",
                                        "weather 3", "invalidate"}));
}

TEST_F(WeatherReaderTest, AnExceptionOutOfTheLoopMarksTheCellStopsTheOtherReaderAndReportsOnce) {
    login();
    neighbours_.throwOnUser("no user aircraft");
    activeWorkers.store(1);

    lf_weatherReader(1);

    EXPECT_EQ(warnings(), std::vector<std::string>{"Weather RT API exception: no user aircraft"});
    EXPECT_EQ(neighbours_.events(),
              (std::vector<std::string>{"weather 1", "invalidate", "weather 3", "invalidate"}));
    EXPECT_TRUE(rtTrafficClient.stopFlag.load());
    EXPECT_EQ(neighbours_.stopped(), (std::vector<StoppedReport>{{"Weather Reader", false}}));
    EXPECT_EQ(activeWorkers.load(), 0);
}

TEST_F(WeatherReaderTest, WithoutALoginTheLoopEndsAtOnceWithStatus0) {
    std::int64_t status = -1;
    EXPECT_FALSE(lf_rtWeatherLoop(rtWeatherClient, status, stopTest(rtWeatherClient)));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(stub_.requests().empty());
}

} // namespace

// The pieces of every request that need no server: the bodies with their encoding, the base
// address and the readings of "status" and the poll intervals.
#include "feed/rt_request.h"

#include "feed_fixture.h"

#include "support/scoped_env.h"

namespace {

using ksb::QueryBox;
using nlohmann::json;

class RtRequestValuesTest : public ksb::test::FeedFixture {};

TEST_F(RtRequestValuesTest, FormatsTheSevenBodies) {
    const QueryBox box{52.44, 52.17, 4.54, 4.98};
    const QueryBox west{51.5349, 51.40631, -0.6, -0.295};
    struct Case {
        const char* name;
        std::string body;
        std::string expected;
    };
    const Case cases[] = {
        {"login", ksb::gf_rtLoginBody("DEMO-LICENCE"),
         "license=DEMO-LICENCE&software=KSBY_P3D_9.3.0"},
        {"login, hostile credential", ksb::gf_rtLoginBody("a&b=c+d%e f/\xc3\xa9~_.-"),
         "license=a%26b%3Dc%2Bd%25e%20f%2F%C3%A9~_.-&software=KSBY_P3D_9.3.0"},
        {"logout", ksb::gf_rtLogoutBody("G-42"), "GUID=G-42"},
        {"logout, the missing-GUID text", ksb::gf_rtLogoutBody("empty GUID?"),
         "GUID=empty%20GUID%3F"},
        {"nearest station", ksb::gf_rtNearestMetarBody("G-42", 0, 52.30861, 4.76389),
         "GUID=G-42&toffset=0&lat=52.3086&lon=4.7639"},
        {"weather", ksb::gf_rtWeatherBody("G-42", 30, -33.94612, 151.17722, 1200, "EHAM"),
         "GUID=G-42&querytype=locwx&toffset=30&lat=-33.9461&lon=151.1772&alt=1200&airports=EHAM"},
        {"weather, hostile station", ksb::gf_rtWeatherBody("G&1", 0, 0.0, -0.00004, 0, "EH=AM&x=1"),
         "GUID=G%261&querytype=locwx&toffset=0&lat=0.0000&lon=-0.0000&alt=0&airports=EH%3DAM%"
         "26x%3D1"},
        {"buffered traffic", ksb::gf_rtBufferedTrafficBody("G-42", box, 0, 5, 6),
         "GUID=G-42&top=52.44&bottom=52.17&left=4.54&right=4.98&querytype=locationtraffic&"
         "toffset=0&buffercount=5&buffertime=6"},
        {"traffic", ksb::gf_rtTrafficBody("G-42", west, 40320),
         "GUID=G-42&top=51.53&bottom=51.41&left=-0.60&right=-0.29&querytype=locationtraffic&"
         "toffset=40320"},
        {"parked traffic", ksb::gf_rtParkedTrafficBody("G-42", box, 7),
         "GUID=G-42&top=52.44&bottom=52.17&left=4.54&right=4.98&querytype=parkedtraffic&"
         "toffset=7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.body, c.expected);
    }
}

TEST_F(RtRequestValuesTest, TakesTheBaseAddressByPrecedence) {
    {
        ksb::test::ScopedEnv unset("KSBY_RT_API_BASE", std::nullopt);
        ksb::gf_resetRtRequestSettings();
        EXPECT_EQ(ksb::gf_rtApiBase(), "http://127.0.0.1:9");
    }
    ksb::test::ScopedEnv env("KSBY_RT_API_BASE", "http://127.0.0.1:8123");
    ksb::gf_resetRtRequestSettings();
    EXPECT_EQ(ksb::gf_rtApiBase(), "http://127.0.0.1:8123");
    {
        // Read once, at first use.
        ksb::test::ScopedEnv later("KSBY_RT_API_BASE", "http://127.0.0.1:8124");
        EXPECT_EQ(ksb::gf_rtApiBase(), "http://127.0.0.1:8123");
    }
    ksb::gf_rtSetApiBase("http://127.0.0.1:7000");
    EXPECT_EQ(ksb::gf_rtApiBase(), "http://127.0.0.1:7000");
    EXPECT_EQ(ksb::gf_rtPath(ksb::RtRequest::login), "/v4/auth");
    EXPECT_EQ(ksb::gf_rtPath(ksb::RtRequest::logout), "/v4/deauth");
    EXPECT_EQ(ksb::gf_rtPath(ksb::RtRequest::nearestStation), "/v4/nearestmetar");
    EXPECT_EQ(ksb::gf_rtPath(ksb::RtRequest::weather), "/v4/weather");
    EXPECT_EQ(ksb::gf_rtPath(ksb::RtRequest::bufferedTraffic), "/v4/traffic");
    EXPECT_EQ(ksb::gf_rtPath(ksb::RtRequest::traffic), "/v4/traffic");
    EXPECT_EQ(ksb::gf_rtPath(ksb::RtRequest::parkedTraffic), "/v4/traffic");
}

TEST_F(RtRequestValuesTest, ReadsStatusOnlyAsAJsonInteger) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> integer;
    };
    const Case cases[] = {
        {R"({"status":200})", 200},
        {R"({"status":-5})", -5},
        {R"({"status":18446744073709551615})", std::numeric_limits<std::int64_t>::max()},
        {R"({"status":200.0})", std::nullopt},
        {R"({"status":"200"})", std::nullopt},
        {R"({"status":null})", std::nullopt},
        {R"({"status":true})", std::nullopt},
        {R"({"Status":200})", std::nullopt},
        {R"([200])", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const json answer = json::parse(c.text);
        EXPECT_EQ(ksb::gf_rtIntegerStatus(answer), c.integer);
        EXPECT_EQ(ksb::gf_rtStatus(answer), c.integer.value_or(100));
    }
}

TEST_F(RtRequestValuesTest, TakesAPollIntervalOnlyWhenItIsUsable) {
    struct Case {
        const char* text;
        std::int32_t interval;
    };
    const Case cases[] = {
        {R"({"rrl":1500})", 1500},
        {R"({"rrl":1})", 1},
        {R"({"rrl":0})", 2000},
        {R"({"rrl":-5})", 2000},
        {R"({"rrl":"1500"})", 2000},
        {R"({"rrl":1500.7})", 1500},
        {R"({"rrl":1.9})", 1},
        {R"({"rrl":0.5})", 2000},
        {R"({"rrl":2147483647})", 2147483647},
        {R"({"rrl":2147483648})", 2000},
        {R"({"rrl":1e12})", 2000},
        {R"({"rrl":true})", 2000},
        {R"({"rrl":null})", 2000},
        {R"({})", 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ksb::gf_rtInterval(json::parse(c.text), "rrl"), c.interval);
    }
}

} // namespace

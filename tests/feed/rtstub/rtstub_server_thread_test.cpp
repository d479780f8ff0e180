// The web-service stand-in through a raw HTTP client of its own: the session model's answers,
// the strict body checks, the scripted replies and the request log.
#include "raw_http.h"

#include "core/geodesy.h"
#include "support/manual_clock.h"
#include "support/rtstub/gzip.h"
#include "support/rtstub/rt_stub.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <mutex>
#include <thread>

namespace {

using nlohmann::json;
using rtstub::Reply;

constexpr double kNow = 1765368000.0;
const std::string kBox = "top=52.44&bottom=52.17&left=4.54&right=4.98";

class RtStubTest : public ::testing::Test {
protected:
    RtStubTest() : clock_(kNow), stub_(options()) {}

    rtstub::Options options() {
        rtstub::Options o;
        o.licences = {"LIC-1", "LIC 2&"};
        o.rrl = 1500;
        o.wrrl = 2500;
        o.station = "EGLL";
        o.qnh = 1009;
        o.aircraft = 5;
        o.parked = 4;
        o.seed = 7;
        o.clock = &clock_;
        return o;
    }
    rawhttp::Response post(const std::string& path, const std::string& body) {
        return rawhttp::post(stub_.port(), path, body);
    }
    std::string login(const std::string& licence = "LIC-1") {
        const auto answer =
            json::parse(post("/v4/auth", "license=" + licence + "&software=T_1").body);
        return answer.value("GUID", "");
    }

    ksb::test::ManualClock clock_;
    rtstub::RtStub stub_;
};

TEST_F(RtStubTest, AnswersTheLoginAndTheWeatherRoutes) {
    const auto auth = post("/v4/auth", "license=LIC-1&software=KSBY_P3D_9.3.0");
    EXPECT_EQ(auth.status, 200);
    EXPECT_EQ(auth.headers.at("content-type"), "application/json; charset=utf-8");
    EXPECT_EQ(auth.body, R"({"status":200,"GUID":"G-42","rrl":1500,"wrrl":2500,"server":"SI-1",)"
                         R"("expiry":1767960000})");
    EXPECT_EQ(post("/v4/nearestmetar", "GUID=G-42&toffset=0&lat=51.4700&lon=-0.4543").body,
              R"({"status":200,"message":"OK","data":[{"ICAO":"EGLL","Dist":1.2}]})");
    EXPECT_EQ(post("/v4/weather", "GUID=G-42&querytype=locwx&toffset=5&lat=51.4700&lon=-0.4543&"
                                  "alt=1200&airports=EGLL")
                  .body,
              R"({"status":200,"wrrl":2500,"message":"OK","data":{"ICAO":"EGLL","QNH":1009,)"
              R"("METAR":"EGLL 101155Z 24010KT 9999 FEW020 08/04 Q1009"}})");
    EXPECT_EQ(post("/v4/deauth", "GUID=G-42").body,
              R"({"status":200,"message":"Session closed","server":"SI-1"})");
    EXPECT_EQ(stub_.openGuid(), std::nullopt);
    // Licences are compared decoded.
    EXPECT_EQ(login("LIC%202%26"), "G-43");
}

// The JSON types of the service's live record.
void lf_expectLiveRecord(const std::string& hex, const json& record) {
    ASSERT_TRUE(record.is_array());
    ASSERT_EQ(record.size(), 29u);
    EXPECT_EQ(record[0], hex);
    for (const std::size_t i : {1u, 2u, 3u, 4u, 5u, 10u, 15u, 18u, 20u, 23u, 25u}) {
        EXPECT_TRUE(record[i].is_number()) << i;
    }
    for (const std::size_t i : {6u, 7u, 8u, 9u, 11u, 12u, 13u, 17u, 28u}) {
        EXPECT_TRUE(record[i].is_string()) << i;
    }
    for (const std::size_t i : {14u, 16u, 19u, 21u, 22u, 24u, 26u, 27u}) {
        EXPECT_TRUE(record[i].is_null()) << i;
    }
}

TEST_F(RtStubTest, AnswersTheTrafficRoutesWithSampleTraffic) {
    login();
    const json traffic = json::parse(
        post("/v4/traffic", "GUID=G-42&" + kBox + "&querytype=locationtraffic&toffset=10").body);
    EXPECT_EQ(traffic.at("status"), 200);
    EXPECT_EQ(traffic.at("rrl"), 1500);
    EXPECT_EQ(traffic.at("dataepoch"), 1765367400);
    const json& data = traffic.at("data");
    EXPECT_EQ(traffic.at("full_count"), data.size());
    ASSERT_GT(data.size(), 0u);
    std::uint32_t lastId = 0;
    for (const auto& [hex, record] : data.items()) {
        SCOPED_TRACE(hex);
        lf_expectLiveRecord(hex, record);
        const std::uint32_t id = static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16));
        EXPECT_GE(id, 0x4b0001u);
        EXPECT_LE(id, 0x4b0005u);
        EXPECT_GT(id, lastId);
        lastId = id;
        EXPECT_LE(record[1].get<double>(), 52.44);
        EXPECT_GE(record[1].get<double>(), 52.17);
        EXPECT_GE(record[2].get<double>(), 4.54);
        EXPECT_LE(record[2].get<double>(), 4.98);
        const double stamp = record[10].get<double>();
        EXPECT_LE(stamp, kNow - 600.0);
        EXPECT_GE(stamp, kNow - 601.0);
        const double altitude = record[4].get<double>();
        EXPECT_GE(altitude, 1500.0);
        EXPECT_LE(altitude, 35000.0);
    }
    // The same seed and time give the same traffic.
    const json again = json::parse(
        post("/v4/traffic", "GUID=G-42&" + kBox + "&querytype=locationtraffic&toffset=10").body);
    EXPECT_EQ(again, traffic);

    const json buffered = json::parse(post("/v4/traffic", "GUID=G-42&" + kBox +
                                                              "&querytype=locationtraffic&toffset="
                                                              "0&buffercount=3&buffertime=10")
                                          .body);
    EXPECT_EQ(buffered.at("status"), 200);
    EXPECT_EQ(buffered.at("rrl"), 1500);
    ASSERT_EQ(buffered.at("data").size(), 3u);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const json& buffer = buffered.at("data").at("buffer_" + std::to_string(k));
        ASSERT_GT(buffer.size(), 0u);
        for (const auto& [hex, record] : buffer.items()) {
            lf_expectLiveRecord(hex, record);
            EXPECT_LE(record[10].get<double>(), kNow - 10.0 * k);
            EXPECT_GE(record[10].get<double>(), kNow - 10.0 * k - 1.0);
        }
    }
}

TEST_F(RtStubTest, AnswersTheParkedRoute) {
    login();
    const json parked = json::parse(
        post("/v4/traffic", "GUID=G-42&" + kBox + "&querytype=parkedtraffic&toffset=0").body);
    EXPECT_EQ(parked.at("status"), 200);
    const json& data = parked.at("data");
    ASSERT_EQ(data.size(), 4u);
    int k = 0;
    for (const auto& [hex, record] : data.items()) {
        SCOPED_TRACE(hex);
        EXPECT_EQ(std::stoul(hex, nullptr, 16), 0x4b0006u + k); // after the five live ids
        ASSERT_EQ(record.size(), 7u);
        EXPECT_EQ(record[2], "S" + std::to_string(k + 1));
        EXPECT_TRUE(record[3].is_string());
        EXPECT_EQ(record[5], static_cast<std::int64_t>(kNow) - 1800 * k);
        const Position stand{record[0].get<double>(), record[1].get<double>()};
        EXPECT_LE(gf_distanceNM(stand, Position{52.305, 4.76}), 1.5);
        if (k == 2) {
            EXPECT_EQ(record[4], "null");
            EXPECT_EQ(record[6], "null");
        } else {
            EXPECT_NE(record[4], "null");
            EXPECT_NE(record[6], "null");
        }
        ++k;
    }
}

TEST_F(RtStubTest, KeepsOneSession) {
    EXPECT_EQ(post("/v4/auth", "license=NOPE&software=T_1").body,
              R"({"status":404,"message":"unknown licence"})");
    EXPECT_EQ(login(), "G-42");
    EXPECT_EQ(login(), "G-43");
    EXPECT_EQ(stub_.openGuid(), std::optional<std::string>("G-43"));
    const std::string notValid = R"({"status":401,"message":"GUID not valid"})";
    EXPECT_EQ(post("/v4/nearestmetar", "GUID=G-42&toffset=0&lat=1.0000&lon=2.0000").body, notValid);
    EXPECT_EQ(
        post("/v4/traffic", "GUID=G-42&" + kBox + "&querytype=locationtraffic&toffset=0").body,
        notValid);
    EXPECT_EQ(post("/v4/deauth", "GUID=G-42").body, R"({"status":400,"message":"unknown GUID"})");
    EXPECT_EQ(json::parse(post("/v4/deauth", "GUID=G-43").body).at("status"), 200);
    EXPECT_EQ(post("/v4/weather", "GUID=G-43&querytype=locwx&toffset=0&lat=1.0000&lon=2.0000&"
                                  "alt=0&airports=EGLL")
                  .body,
              notValid);
}

TEST_F(RtStubTest, RefusesABodyOfTheWrongShape) {
    login();
    struct Case {
        const char* name;
        std::string path;
        std::string body;
        std::string route;
        std::string fault;
    };
    const std::string traffic = "GUID=G-42&" + kBox;
    const Case cases[] = {
        {"field missing", "/v4/nearestmetar", "GUID=G-42&toffset=0&lat=51.4700", "nearestmetar",
         "lon"},
        {"extra field", "/v4/nearestmetar", "GUID=G-42&toffset=0&lat=51.4700&lon=1.0000&x=1",
         "nearestmetar", "x"},
        {"out of order", "/v4/nearestmetar", "GUID=G-42&lat=51.4700&toffset=0&lon=1.0000",
         "nearestmetar", "toffset"},
        {"three decimals", "/v4/nearestmetar", "GUID=G-42&toffset=0&lat=51.470&lon=1.0000",
         "nearestmetar", "lat"},
        {"integer not whole", "/v4/nearestmetar", "GUID=G-42&toffset=1.5&lat=51.4700&lon=1.0000",
         "nearestmetar", "toffset"},
        {"text not encoded", "/v4/nearestmetar", "GUID=G 42&toffset=0&lat=51.4700&lon=1.0000",
         "nearestmetar", "GUID"},
        {"broken escape", "/v4/deauth", "GUID=G%2", "deauth", "body"},
        {"wrong word", "/v4/weather",
         "GUID=G-42&querytype=locwy&toffset=0&lat=1.0000&lon=1.0000&alt=0&airports=EGLL", "weather",
         "querytype"},
        {"four decimals in a box", "/v4/traffic",
         "GUID=G-42&top=52.4400&bottom=52.17&left=4.54&right=4.98&querytype=locationtraffic&"
         "toffset=0",
         "traffic", "top"},
        {"no querytype", "/v4/traffic", traffic + "&toffset=0", "traffic", "querytype"},
        {"buffered without buffertime", "/v4/traffic",
         traffic + "&querytype=locationtraffic&toffset=0&buffercount=5", "traffic-buffered",
         "buffertime"},
        {"login without software", "/v4/auth", "license=LIC-1", "auth", "software"},
        {"empty body", "/v4/auth", "", "auth", "license"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto response = post(c.path, c.body);
        EXPECT_EQ(response.body, R"({"status":400,"message":"parameter fault: )" + c.fault + "\"}");
        const auto record = stub_.requests().back();
        EXPECT_EQ(record.route, c.route);
        EXPECT_EQ(record.fault, c.fault);
    }
    // A good body after them is answered.
    EXPECT_EQ(
        json::parse(post("/v4/nearestmetar", "GUID=G-42&toffset=0&lat=-1.0000&lon=1.0000").body)
            .at("status"),
        200);
    EXPECT_EQ(stub_.requests().back().fault, "");
}

TEST_F(RtStubTest, PlaysTheScriptedReplies) {
    const std::string text = R"({"status":200,"GUID":"G-X"})";
    stub_.script("auth", {Reply::json(text), Reply::http(503, "down"), Reply::empty(),
                          Reply::gzip(Reply::json(text)), Reply::drop(), Reply::model()});
    const std::string body = "license=LIC-1&software=T_1";

    const auto json = post("/v4/auth", body);
    EXPECT_EQ(json.status, 200);
    EXPECT_EQ(json.body, text);
    const auto http = post("/v4/auth", body);
    EXPECT_EQ(http.status, 503);
    EXPECT_EQ(http.body, "down");
    const auto empty = post("/v4/auth", body);
    EXPECT_EQ(empty.status, 200);
    EXPECT_EQ(empty.body, "");
    EXPECT_TRUE(empty.complete);
    const auto gzip = post("/v4/auth", body);
    EXPECT_EQ(gzip.status, 200);
    EXPECT_EQ(gzip.headers.at("content-encoding"), "gzip");
    EXPECT_EQ(rtstub::gzipDecompress(gzip.body), text);
    const auto drop = post("/v4/auth", body);
    EXPECT_EQ(drop.status, 200);
    EXPECT_FALSE(drop.complete);
    EXPECT_LT(drop.body.size(), std::stoul(drop.headers.at("content-length")));
    EXPECT_EQ(post("/v4/auth", body).body.find(R"({"status":200,"GUID":"G-42")"), 0u);
    // The FIFO is empty: the session model answers.
    EXPECT_EQ(post("/v4/auth", body).body.find(R"({"status":200,"GUID":"G-43")"), 0u);
    // Scripts are per route.
    EXPECT_THROW(stub_.script("nothing", Reply::empty()), std::invalid_argument);
}

// A scripted login still goes through the session model: only a numeric 200 opens a session,
// and the data requests with its GUID are answered as usual.
TEST_F(RtStubTest, PlaysScriptedLoginsThroughTheSessionModel) {
    const std::string body = "license=UNKNOWN&software=T_1";
    const std::string weather =
        "querytype=locwx&toffset=0&lat=51.4700&lon=-0.4543&alt=0&airports=EGLL";
    stub_.script("auth", {Reply::login(R"({"status":401,"message":"license not valid"})"),
                          Reply::login(R"({"status":"200","GUID":"G-7"})"),
                          Reply::login(R"({"message":"welcome","GUID":null,"extra":[1]})"),
                          Reply::login(R"({"status":200,"GUID":"G-X"})")});
    const auto refused = post("/v4/auth", body);
    EXPECT_EQ(refused.status, 200);
    EXPECT_EQ(refused.body, R"({"status":401,"message":"license not valid"})");
    EXPECT_EQ(stub_.openGuid(), std::nullopt);
    EXPECT_EQ(post("/v4/auth", body).body, R"({"status":"200","GUID":"G-7"})");
    EXPECT_EQ(stub_.openGuid(), std::nullopt);
    EXPECT_EQ(json::parse(post("/v4/weather", "GUID=G-7&" + weather).body).at("status"), 401);

    EXPECT_EQ(post("/v4/auth", body).body,
              R"({"status":200,"rrl":1500,"wrrl":2500,"server":"SI-1","expiry":1767960000,)"
              R"("message":"welcome","extra":[1]})");
    EXPECT_EQ(stub_.openGuid(), std::optional<std::string>("G-42"));
    EXPECT_EQ(json::parse(post("/v4/weather", "GUID=G-42&" + weather).body).at("status"), 200);
    // The scripted GUID is what the client gets; the session has the next one.
    EXPECT_EQ(json::parse(post("/v4/auth", body).body).at("GUID"), "G-X");
    EXPECT_EQ(stub_.openGuid(), std::optional<std::string>("G-43"));

    EXPECT_THROW(stub_.script("traffic", Reply::login("{}")), std::invalid_argument);
    EXPECT_THROW(stub_.script("auth", Reply::login("[401]")), std::invalid_argument);
    EXPECT_THROW(stub_.script("auth", Reply::login("{")), std::invalid_argument);
}

// The connection ends after the request was read, before any byte of the answer; the stand-in
// goes on serving.
TEST_F(RtStubTest, ClosesTheConnectionBeforeAnyByte) {
    stub_.script("weather", Reply::close());
    const std::string body =
        "GUID=G-42&querytype=locwx&toffset=0&lat=51.4700&lon=-0.4543&alt=0&airports=EGLL";
    const auto closed = post("/v4/weather", body);
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(closed.body, "");
    EXPECT_TRUE(closed.headers.empty());
    ASSERT_EQ(stub_.requests().size(), 1u);
    EXPECT_EQ(stub_.requests()[0].route, "weather");
    EXPECT_EQ(stub_.requests()[0].body, body);
    login();
    EXPECT_EQ(json::parse(post("/v4/weather", body).body).at("status"), 200);
}

TEST_F(RtStubTest, EndsADelayWhenItStops) {
    stub_.script("auth", Reply::delayed(600000, Reply::model()));
    rawhttp::Response response;
    std::thread client([&] { response = post("/v4/auth", "license=LIC-1&software=T_1"); });
    ASSERT_TRUE(stub_.waitForRequests(1));
    stub_.stop();
    client.join();
    EXPECT_EQ(stub_.requests().size(), 1u);
}

TEST_F(RtStubTest, RecordsEveryRequest) {
    std::mutex mutex;
    std::vector<rtstub::RequestRecord> seen;
    stub_.onRequest([&](const rtstub::RequestRecord& record) {
        {
            std::lock_guard lock(mutex);
            seen.push_back(record);
        }
        if (record.route == "deauth") {
            // Still in time to choose this request's reply.
            stub_.script("deauth", Reply::json("late"));
        }
    });
    post("/v4/auth", "license=LIC%201%26x&software=T_1");
    EXPECT_EQ(post("/v4/deauth", "GUID=G-42").body, "late");
    const auto get = rawhttp::request(stub_.port(), "GET", "/v4/auth", "");
    EXPECT_EQ(get.status, 404);
    EXPECT_EQ(get.body, "");
    const auto unknown = post("/v4/other", "a=1");
    EXPECT_EQ(unknown.status, 404);
    EXPECT_EQ(unknown.body, "");

    const auto log = stub_.requests();
    ASSERT_EQ(log.size(), 4u);
    std::lock_guard lock(mutex);
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(log[0].seq, 1u);
    EXPECT_EQ(log[0].route, "auth");
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "/v4/auth");
    EXPECT_EQ(log[0].body, "license=LIC%201%26x&software=T_1");
    EXPECT_EQ(log[0].fields, (std::vector<std::pair<std::string, std::string>>{
                                 {"license", "LIC 1&x"}, {"software", "T_1"}}));
    EXPECT_EQ(log[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(log[0].acceptEncoding, "");
    EXPECT_EQ(log[0].fault, "");
    EXPECT_EQ(log[1].seq, 2u);
    EXPECT_EQ(log[2].method, "GET");
    EXPECT_EQ(log[2].route, "");
    EXPECT_EQ(log[3].path, "/v4/other");
    EXPECT_EQ(log[3].route, "");
    EXPECT_EQ(seen[1].seq, 2u);
    EXPECT_EQ(seen[1].route, "deauth");
}

} // namespace

// The request mechanics against the stand-in: what goes out, what comes back, and every way a
// transfer fails.
#include "feed/rt_request.h"

#include "stub_fixture.h"

#include "support/rtstub/raw_sockets.h"

#include <fmt/format.h>

#include <functional>

namespace {

using ksb::RtAnswer;
using ksb::RtRequest;
using rtstub::Reply;

class RtRequestTest : public ksb::test::StubFixture {};

struct RequestCase {
    const char* name;
    RtRequest request;
    std::string body;
    std::string route;
    std::string transferLine; // after the time text
    bool plain;
    bool logsInitError;
};

std::vector<RequestCase> lf_requestCases() {
    const ksb::QueryBox box{52.44, 52.17, 4.54, 4.98};
    return {
        {"login", RtRequest::login, ksb::gf_rtLoginBody("LIC-1&x"), "auth",
         " Authentication code: ", true, false},
        {"logout", RtRequest::logout, ksb::gf_rtLogoutBody("empty GUID?"), "deauth",
         " Deauthentication code: ", true, false},
        {"nearest station", RtRequest::nearestStation,
         ksb::gf_rtNearestMetarBody("G-42", 0, 52.3, -4.76), "nearestmetar",
         " nearestmetar code_w: ", false, false},
        {"weather", RtRequest::weather, ksb::gf_rtWeatherBody("G-42", 10, 52.3, 4.76, 0, "EH AM"),
         "weather", " weather code_w: ", false, true},
        {"buffered traffic", RtRequest::bufferedTraffic,
         ksb::gf_rtBufferedTrafficBody("G-42", box, 0, 5, 6), "traffic-buffered",
         " buffer traffic code_t: ", false, true},
        {"traffic", RtRequest::traffic, ksb::gf_rtTrafficBody("G-42", box, 0), "traffic",
         " curl traffic code_t: ", false, true},
        {"parked traffic", RtRequest::parkedTraffic, ksb::gf_rtParkedTrafficBody("G-42", box, 0),
         "parked", " curl parkedtraffic code_pt: ", false, true},
    };
}

TEST_F(RtRequestTest, SendsEachBodyInTheShapeTheServiceReads) {
    const auto cases = lf_requestCases();
    for (const RequestCase& c : cases) {
        SCOPED_TRACE(c.name);
        stub_.script(c.route, Reply::json(R"({"status":200})"));
        const RtAnswer answer = ksb::gf_rtPost(c.request, c.body, {});
        EXPECT_EQ(answer.outcome, RtAnswer::Outcome::answered);
        EXPECT_EQ(answer.text, R"({"status":200})");
    }
    const auto requests = stub_.requests();
    ASSERT_EQ(requests.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(requests[i].method, "POST");
        EXPECT_EQ(requests[i].route, cases[i].route);
        EXPECT_EQ(requests[i].body, cases[i].body);
        EXPECT_EQ(requests[i].fault, "");
        EXPECT_EQ(requests[i].contentType, "application/x-www-form-urlencoded");
        EXPECT_EQ(requests[i].acceptEncoding, "deflate,gzip");
    }
    EXPECT_EQ(requests[0].fields, (std::vector<std::pair<std::string, std::string>>{
                                      {"license", "LIC-1&x"}, {"software", "KSBY_P3D_9.3.0"}}));
    EXPECT_EQ(requests[1].fields[0].second, "empty GUID?");
    EXPECT_EQ(requests[3].fields.back().second, "EH AM");
    EXPECT_TRUE(log_.body().empty());
}

TEST_F(RtRequestTest, DecodesACompressedAnswer) {
    const std::string text = R"({"status":200,"data":{"ICAO":"EHAM","QNH":1013}})";
    stub_.script("weather", Reply::gzip(Reply::json(text)));
    stub_.script("traffic", Reply::gzip(Reply::model()));
    const RtAnswer weather = ksb::gf_rtPost(RtRequest::weather, "x=1", {});
    EXPECT_EQ(weather.outcome, RtAnswer::Outcome::answered);
    EXPECT_EQ(weather.text, text);
    const RtAnswer traffic =
        ksb::gf_rtPost(RtRequest::traffic, ksb::gf_rtTrafficBody("none", ksb::QueryBox{}, 0), {});
    EXPECT_EQ(traffic.text, R"({"status":401,"message":"GUID not valid"})");
}

TEST_F(RtRequestTest, LogsEachTransferFailureWithItsLine) {
    rtstub::UnusedPort unused;
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string error;
    };
    const Case cases[] = {
        {"refused",
         [&] { ksb::gf_rtSetApiBase(fmt::format("http://127.0.0.1:{}", unused.port())); },
         "Couldn't connect to server"},
        {"closed before any byte", [&] { stub_.script("traffic", Reply::close()); },
         "Server returned nothing (no headers, no data)"},
        {"dropped in the answer", [&] { stub_.script("traffic", Reply::drop()); },
         "Transferred a partial file"},
        {"oversized answer",
         [&] {
             // 32 MiB take long under ThreadSanitizer on a busy machine: the cap must end the
             // transfer, not the clock.
             ksb::gf_rtSetRequestTimeouts(ksb::kRtConnectTimeout, std::chrono::minutes(5));
             stub_.script("traffic", Reply::json(std::string(ksb::kRtMaxAnswerBytes + 1, ' ')));
         },
         "Failed writing received data to disk/application"},
        {"silent server",
         [&] {
             // The only case that waits on real time: 200 ms.
             ksb::gf_rtSetRequestTimeouts(std::chrono::milliseconds(200),
                                          std::chrono::milliseconds(200));
             stub_.script("traffic", Reply::delayed(60000, Reply::model()));
         },
         "Timeout was reached"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::gf_rtSetApiBase(stub_.baseUrl());
        c.arrange();
        const std::size_t before = log_.body().size();
        const RtAnswer answer = ksb::gf_rtPost(RtRequest::traffic, "x=1", {});
        EXPECT_EQ(answer.outcome, RtAnswer::Outcome::transferError);
        EXPECT_EQ(answer.text, c.error);
        const auto lines = log_.body();
        ASSERT_EQ(lines.size(), before + 1);
        EXPECT_EQ(lines.back(), "===> " + nowText() + " curl traffic code_t: " + c.error);
    }
}

TEST_F(RtRequestTest, WritesEachRequestsOwnTransferLine) {
    rtstub::UnusedPort unused;
    ksb::gf_rtSetApiBase(fmt::format("http://127.0.0.1:{}", unused.port()));
    std::vector<std::string> expected;
    for (const RequestCase& c : lf_requestCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ksb::gf_rtPost(c.request, c.body, {}).outcome, RtAnswer::Outcome::transferError);
        expected.push_back((c.plain ? "" : "===> ") + nowText() + c.transferLine +
                           "Couldn't connect to server");
    }
    EXPECT_EQ(log_.body(), expected);
}

TEST_F(RtRequestTest, AStopAbortsTheRequestWithoutALine) {
    std::atomic<bool> stop{false};
    stub_.onRequest([&](const rtstub::RequestRecord&) {
        stop = true;
        ksb::gf_wakeSleepers();
    });
    const RtAnswer answer =
        ksb::gf_rtPost(RtRequest::parkedTraffic, "x=1", [&] { return stop.load(); });
    EXPECT_EQ(answer.outcome, RtAnswer::Outcome::aborted);
    EXPECT_EQ(answer.text, "");
    EXPECT_EQ(stub_.requests().size(), 1u);
    // Already stopped: nothing is sent.
    EXPECT_EQ(ksb::gf_rtPost(RtRequest::traffic, "x=1", [] { return true; }).outcome,
              RtAnswer::Outcome::aborted);
    EXPECT_EQ(stub_.requests().size(), 1u);
    EXPECT_TRUE(log_.body().empty());
}

TEST_F(RtRequestTest, WithoutAHandleOnlyThePollsLogIt) {
    ksb::gf_rtSetHandleFactory([]() -> CURL* { return nullptr; });
    std::vector<std::string> expected;
    for (const RequestCase& c : lf_requestCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ksb::gf_rtPost(c.request, c.body, {}).outcome, RtAnswer::Outcome::noHandle);
        if (c.logsInitError) {
            expected.push_back("===> curl init error ?");
        }
    }
    EXPECT_EQ(log_.body(), expected);
    EXPECT_TRUE(stub_.requests().empty());
}

TEST_F(RtRequestTest, WritesTheExceptionLineOfABrokenAnswer) {
    const std::vector<std::string> exceptionLines{
        "===> authentication exception: ", "===> deauthentication exception: ",
        "===> nearestmetar exception: ",   "===> weather exception: ",
        "===> buffer traffic exception: ", "===> traffic exception: ",
        "===> parkedtraffic exception: "};
    const std::string emptyProblem =
        "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
        "parsing value - unexpected end of input; expected '[', '{', or a literal";
    const auto cases = lf_requestCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::size_t before = log_.body().size();
        bool ran = false;
        const auto handler = [&](const nlohmann::json&, const std::string&) { ran = true; };
        EXPECT_FALSE(ksb::gf_rtHandleAnswer(cases[i].request, "", handler));
        EXPECT_FALSE(ksb::gf_rtHandleAnswer(cases[i].request, "<html>502</html>", handler));
        EXPECT_FALSE(ksb::gf_rtHandleAnswer(cases[i].request, "[200]", handler));
        EXPECT_FALSE(ksb::gf_rtHandleAnswer(cases[i].request, "{}",
                                            [](const nlohmann::json& answer, const std::string&) {
                                                (void)answer.at("data").at(0);
                                            }));
        EXPECT_FALSE(ran);
        const auto lines = log_.body();
        ASSERT_EQ(lines.size(), before + 4);
        const std::string trail = cases[i].request == RtRequest::logout ? " " : "";
        EXPECT_EQ(lines[before], exceptionLines[i] + emptyProblem + trail);
        EXPECT_EQ(
            lines[before + 1].rfind(exceptionLines[i] + "[json.exception.parse_error.101]", 0), 0u);
        EXPECT_EQ(lines[before + 2], exceptionLines[i] +
                                         "[json.exception.type_error.302] type must be object, "
                                         "but is array" +
                                         trail);
        EXPECT_EQ(lines[before + 3], exceptionLines[i] +
                                         "[json.exception.out_of_range.403] key 'data' not found" +
                                         trail);
    }
}

} // namespace

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
        {"answer over the cap",
         [&] {
             // 32 MiB take long under ThreadSanitizer on a busy machine: the cap must end the
             // transfer, not the clock.
             ksb::gf_rtSetRequestTimeouts(ksb::kRtConnectTimeout, std::chrono::minutes(5));
             stub_.script("traffic", Reply::json(std::string(33u << 20, ' ')));
         },
         "answer larger than 32 MiB, dropped"},
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
        "HTTP 0, answer is not JSON (0 bytes):  - [json.exception.parse_error.101] parse error at "
        "line 1, column 1: syntax error while parsing value - unexpected end of input; expected "
        "'[', '{', or a literal";
    const std::string pageProblem =
        "HTTP 0, answer is not JSON (16 bytes): <html>502</html> - "
        "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
        "parsing value - invalid literal; last read: '<'";
    const auto answered = [](std::string text) {
        return RtAnswer{RtAnswer::Outcome::answered, std::move(text), 0};
    };
    const auto cases = lf_requestCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::size_t before = log_.body().size();
        bool ran = false;
        const auto handler = [&](const nlohmann::json&, const std::string&) { ran = true; };
        EXPECT_FALSE(ksb::gf_rtHandleAnswer(cases[i].request, answered(""), handler));
        EXPECT_FALSE(
            ksb::gf_rtHandleAnswer(cases[i].request, answered("<html>502</html>"), handler));
        EXPECT_FALSE(ksb::gf_rtHandleAnswer(cases[i].request, answered("[200]"), handler));
        EXPECT_FALSE(ksb::gf_rtHandleAnswer(cases[i].request, answered("{}"),
                                            [](const nlohmann::json& answer, const std::string&) {
                                                (void)answer.at("data").at(0);
                                            }));
        EXPECT_FALSE(ran);
        const auto lines = log_.body();
        ASSERT_EQ(lines.size(), before + 4);
        const std::string trail = cases[i].request == RtRequest::logout ? " " : "";
        EXPECT_EQ(lines[before], exceptionLines[i] + emptyProblem + trail);
        EXPECT_EQ(lines[before + 1], exceptionLines[i] + pageProblem + trail);
        EXPECT_EQ(lines[before + 2], exceptionLines[i] +
                                         "[json.exception.type_error.302] type must be object, "
                                         "but is array" +
                                         trail);
        EXPECT_EQ(lines[before + 3], exceptionLines[i] +
                                         "[json.exception.out_of_range.403] key 'data' not found" +
                                         trail);
    }
}

// What came instead of JSON, through the whole request: the HTTP code libcurl saw, the size and
// the first 60 bytes with every byte outside printable ASCII as '?', then the parser's text.
TEST_F(RtRequestTest, NamesWhatCameInsteadOfJson) {
    const std::string page = "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n"
                             "<center><h1>502 Bad Gateway</h1></center>\r\n</body>\r\n</html>\r\n";
    const std::string invalidLiteral =
        "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
        "parsing value - invalid literal; last read: ";
    struct Case {
        const char* name;
        Reply reply;
        std::string text; // after "<request> exception: "
    };
    const Case cases[] = {
        {"gateway page", Reply::http(502, page),
         "HTTP 502, answer is not JSON (122 bytes): "
         "<html>?\?<head><title>502 Bad Gateway</title></head>?\?<body>? - " +
             invalidLiteral + "'<'"},
        {"empty body with 200", Reply::empty(),
         "HTTP 200, answer is not JSON (0 bytes):  - [json.exception.parse_error.101] parse error "
         "at line 1, column 1: syntax error while parsing value - unexpected end of input; "
         "expected '[', '{', or a literal"},
        {"control and 8-bit bytes", Reply::http(503, "Service\tUnavailable \xC3\xA9\x01"),
         "HTTP 503, answer is not JSON (23 bytes): Service?Unavailable ??? - " + invalidLiteral +
             "'S'"},
        {"cut JSON", Reply::json(R"({"status":200,"data":)"),
         "HTTP 200, answer is not JSON (21 bytes): {\"status\":200,\"data\": - "
         "[json.exception.parse_error.101] parse error at line 1, column 22: syntax error while "
         "parsing value - unexpected end of input; expected '[', '{', or a literal"},
        {"number past a double's range", Reply::json(R"({"status":200,"rrl":1e400})"),
         "HTTP 200, answer is not JSON (26 bytes): {\"status\":200,\"rrl\":1e400} - "
         "[json.exception.out_of_range.406] number overflow parsing '1e400'"},
    };
    struct Request {
        RtRequest request;
        std::string route;
        std::string line;
    };
    const Request requests[] = {
        {RtRequest::traffic, "traffic", "===> traffic exception: "},
        {RtRequest::weather, "weather", "===> weather exception: "},
    };
    for (const Request& r : requests) {
        for (const Case& c : cases) {
            SCOPED_TRACE(r.route + ": " + c.name);
            stub_.script(r.route, c.reply);
            const RtAnswer answer = ksb::gf_rtPost(r.request, "x=1", {});
            ASSERT_EQ(answer.outcome, RtAnswer::Outcome::answered);
            const std::size_t before = log_.body().size();
            bool ran = false;
            EXPECT_FALSE(ksb::gf_rtHandleAnswer(
                r.request, answer, [&](const nlohmann::json&, const std::string&) { ran = true; }));
            EXPECT_FALSE(ran);
            const auto lines = log_.body();
            ASSERT_EQ(lines.size(), before + 1);
            EXPECT_EQ(lines.back(), r.line + c.text);
        }
    }
}

// Just below the cap an answer is whole and parsed. Leading blanks make up the size: JSON
// allows them, and they keep the parse quick under the sanitizers.
TEST_F(RtRequestTest, TakesAnAnswerBelowTheCap) {
    ksb::gf_rtSetRequestTimeouts(ksb::kRtConnectTimeout, std::chrono::minutes(5));
    const std::string json = R"({"status":200,"rrl":1200})";
    const std::string text = std::string((31u << 20) - json.size(), ' ') + json;
    stub_.script("traffic", Reply::json(text));
    const RtAnswer answer = ksb::gf_rtPost(RtRequest::traffic, "x=1", {});
    ASSERT_EQ(answer.outcome, RtAnswer::Outcome::answered);
    EXPECT_EQ(answer.httpCode, 200);
    EXPECT_EQ(answer.text.size(), 31u << 20);
    std::int64_t status = 0;
    std::int32_t rrl = 0;
    EXPECT_TRUE(ksb::gf_rtHandleAnswer(RtRequest::traffic, answer,
                                       [&](const nlohmann::json& reply, const std::string&) {
                                           status = ksb::gf_rtStatus(reply);
                                           rrl = ksb::gf_rtInterval(reply, "rrl");
                                       }));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(rrl, 1200);
    EXPECT_TRUE(log_.body().empty());
}

} // namespace

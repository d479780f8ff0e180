// The login with every answer of its status table, the logout, and both against broken
// answers and failed transfers.
#include "feed/rt_session.h"

#include "core/exceptions.h"
#include "stub_fixture.h"

#include "support/rtstub/raw_sockets.h"

#include <fmt/format.h>

#include <functional>
#include <optional>

namespace {

using rtstub::Reply;

// Wed Dec 10 12:00:00 2025 plus days, as the service writes "expiry".
std::string lf_expiryIn(double days) {
    return fmt::format("{}", ksb::test::kTestNow + days * 86400.0);
}

// What was added after the first `before` entries.
template <typename T> std::vector<T> lf_after(std::vector<T> all, std::size_t before) {
    all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(before, all.size())));
    return all;
}

// "<now>" at the start of an expected line stands for the time text of the transfer-error lines.
std::vector<std::string> lf_atNow(std::vector<std::string> lines) {
    for (std::string& line : lines) {
        if (line.rfind("<now>", 0) == 0) {
            line.replace(0, 5, gf_utcTimeString(ksb::test::kTestNow));
        }
    }
    return lines;
}

class LoginTest : public ksb::test::StubFixture {
protected:
    LoginTest() { rtLicense = "LIC-1"; }
};

struct LoginCase {
    const char* name;
    std::optional<Reply> reply; // nullopt: the session model; a refused port when refused
    bool refused = false;
    std::string weatherGuid;
    std::string trafficGuid;
    int rrl = 2000;
    int wrrl = 2000;
    std::vector<bool> sessionFlags;
    std::vector<std::string> lines; // "<now>" stands for the time text
    std::vector<std::string> messages;
    std::vector<long long> sleeps;
    std::string exception; // "user: <text>" or "sys: <text>"; empty when none
};

const std::string kWarning = "Warning: Your RT license will expire soon";

std::vector<LoginCase> lf_loginCases() {
    const std::string ok = R"("GUID":"G-7","server":"SI-2","rrl":900,"wrrl":1100)";
    const std::string in10 = lf_expiryIn(10);
    return {
        {"200 from the session model",
         std::nullopt,
         false,
         "G-42",
         "G-42",
         1500,
         2500,
         {true},
         {"Authenticated at RT server \"SI-1\""},
         {},
         {2500},
         ""},
        {"402",
         Reply::json(R"({"status":402,"message":"expired"})"),
         false,
         "G-OLD",
         "",
         2000,
         2000,
         {},
         {},
         {"Your RT license is expired"},
         {2000, 10000},
         "user: 402: Your RT license is expired"},
        {"404",
         Reply::json(R"({"status":404})"),
         false,
         "G-OLD",
         "",
         2000,
         2000,
         {},
         {},
         {"RT did not recognize your license"},
         {2000, 10000},
         "user: 404: RT did not recognize your license"},
        {"405",
         Reply::json(R"({"status":405})"),
         false,
         "G-OLD",
         "",
         2000,
         2000,
         {},
         {},
         {"More than one RealTraffic session is not possible, do not run the RealTraffic app"},
         {2000, 10000},
         "user: 405: More than one RealTraffic session is not possible, do not run the "
         "RealTraffic app"},
        {"500",
         Reply::json(R"({"status":500})"),
         false,
         "G-OLD",
         "",
         2000,
         2000,
         {},
         {},
         {},
         {2000},
         "sys: sys error 500: No RT database connection"},
        {"status missing",
         Reply::json("{" + ok + R"(,"expiry":)" + in10 + "}"),
         false,
         "G-7",
         "G-7",
         900,
         1100,
         {true},
         {"Authenticated at RT server \"SI-2\""},
         {},
         {1100},
         ""},
        {"status a text",
         Reply::json(R"({"status":"402",)" + ok + R"(,"expiry":)" + in10 + "}"),
         false,
         "G-7",
         "G-7",
         900,
         1100,
         {true},
         {"Authenticated at RT server \"SI-2\""},
         {},
         {1100},
         ""},
        {"expiry missing",
         Reply::json(R"({"status":200,"GUID":"G-7"})"),
         false,
         "G-7",
         "G-7",
         2000,
         2000,
         {true},
         {"Authenticated at RT server \"?\""},
         {kWarning},
         {2000},
         ""},
        {"expiry a text",
         Reply::json(R"({"status":200,"GUID":"G-7","expiry":")" + in10 + "\"}"),
         false,
         "G-7",
         "G-7",
         2000,
         2000,
         {true},
         {"Authenticated at RT server \"?\""},
         {kWarning},
         {2000},
         ""},
        {"expiry below 3 days",
         Reply::json(R"({"status":200,"GUID":"G-7","expiry":)" + lf_expiryIn(2.99) + "}"),
         false,
         "G-7",
         "G-7",
         2000,
         2000,
         {true},
         {"Authenticated at RT server \"?\""},
         {kWarning},
         {2000},
         ""},
        {"expiry at exactly 3 days",
         Reply::json(R"({"status":200,"GUID":"G-7","expiry":)" + lf_expiryIn(3) + "}"),
         false,
         "G-7",
         "G-7",
         2000,
         2000,
         {true},
         {"Authenticated at RT server \"?\""},
         {},
         {2000},
         ""},
        {"rrl 0, wrrl -5",
         Reply::json(R"({"status":200,"GUID":"G-7","rrl":0,"wrrl":-5,"expiry":)" + in10 + "}"),
         false,
         "G-7",
         "G-7",
         2000,
         2000,
         {true},
         {"Authenticated at RT server \"?\""},
         {},
         {2000},
         ""},
        {"rrl and wrrl texts",
         Reply::json(R"({"status":200,"GUID":"G-7","rrl":"2000","wrrl":"10","expiry":)" + in10 +
                     "}"),
         false,
         "G-7",
         "G-7",
         2000,
         2000,
         {true},
         {"Authenticated at RT server \"?\""},
         {},
         {2000},
         ""},
        {"transfer error",
         std::nullopt,
         true,
         "G-OLD",
         "G-OLD",
         2000,
         2000,
         {},
         {"<now> Authentication code: Couldn't connect to server"},
         {},
         {2000},
         ""},
    };
}

TEST_F(LoginTest, FollowsTheStatusTable) {
    rtstub::UnusedPort unused;
    std::size_t requests = 0;
    for (const LoginCase& c : lf_loginCases()) {
        SCOPED_TRACE(c.name);
        restart();
        clock_.setUtcSeconds(ksb::test::kTestNow);
        rtLicense = "LIC-1";
        rtWeatherClient.setGuid("G-OLD");
        ksb::gf_rtSetApiBase(c.refused ? fmt::format("http://127.0.0.1:{}", unused.port())
                                       : stub_.baseUrl());
        if (c.reply) {
            stub_.script("auth", *c.reply);
        }
        const auto linesBefore = log_.body().size();
        const auto messagesBefore = messages_.messages().size();
        const auto sleepsBefore = clock_.sleepCount();
        const auto flagsBefore = sessionFlags().size();

        std::string exception;
        try {
            gf_rtAuthenticate();
        } catch (const ksb::UserErrorException& e) {
            exception = std::string("user: ") + e.what();
        } catch (const ksb::SysErrorException& e) {
            exception = std::string("sys: ") + e.what();
        }
        EXPECT_EQ(exception, c.exception);
        EXPECT_EQ(rtWeatherClient.guid(), c.weatherGuid);
        EXPECT_EQ(rtTrafficClient.guid(), c.trafficGuid);
        EXPECT_EQ(rtWeatherClient.rrl.load(), c.rrl);
        EXPECT_EQ(rtWeatherClient.wrrl.load(), c.wrrl);
        EXPECT_EQ(lf_after(sessionFlags(), flagsBefore), c.sessionFlags);
        EXPECT_EQ(lf_after(log_.body(), linesBefore), lf_atNow(c.lines));
        EXPECT_EQ(lf_after(messages_.messages(), messagesBefore), c.messages);
        EXPECT_EQ(lf_after(sleepsMs(), sleepsBefore), c.sleeps);

        if (!c.refused) {
            ++requests;
            const auto sent = stub_.requests();
            ASSERT_EQ(sent.size(), requests);
            EXPECT_EQ(sent.back().body, "license=LIC-1&software=KSBY_P3D_9.3.0");
            EXPECT_EQ(sent.back().fault, "");
        }
    }
}

// Only a numeric 200 is a login. Every other answer leaves both clients without a GUID and says
// why; answers without a numeric status take the success path. Afterwards the GUID taken, if
// any, is tried on the nearest-station request, as the Weather Reader would.
TEST_F(LoginTest, ReportsRefusedAndUnreadableAnswersAsTheyAre) {
    const std::string page = "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n"
                             "<center><h1>502 Bad Gateway</h1></center>\r\n</body>\r\n</html>\r\n";
    const std::string parseError = "[json.exception.parse_error.101] parse error at line 1, "
                                   "column 1: syntax error while parsing value - ";
    struct Case {
        const char* name;
        Reply reply;
        std::string guid;               // both clients
        bool session;                   // the session flag was set: the login's result
        std::vector<std::string> lines; // "<now>" stands for the time text
        std::vector<std::string> messages;
        std::vector<long long> sleeps;
        std::vector<std::string> seen; // "<route>" or "<route> <GUID sent>"
        std::int64_t followUp = 0;     // status of the nearest-station answer; 0: none sent
    };
    const Case cases[] = {
        {"401 with a message",
         Reply::login(
             R"({"status":401,"message":"license not valid","GUID":"G-X","rrl":100,"wrrl":100})"),
         "",
         false,
         {"===> Authentication failed, status: 401, message: \"license not valid\""},
         {"RT login failed, status 401: license not valid"},
         {2000},
         {"auth"}},
        {"403 without a message",
         Reply::login(R"({"status":403})"),
         "",
         false,
         {"===> Authentication failed, status: 403, message: \"\""},
         {"RT login failed, status 403: "},
         {2000},
         {"auth"}},
        {"429 with a message that is no text",
         Reply::login(R"({"status":429,"message":["slow down"]})"),
         "",
         false,
         {"===> Authentication failed, status: 429, message: \"\""},
         {"RT login failed, status 429: "},
         {2000},
         {"auth"}},
        {"503 as JSON",
         Reply::http(503, R"({"status":503,"message":"maintenance until 14:00"})"),
         "",
         false,
         {"===> Authentication failed, status: 503, message: \"maintenance until 14:00\""},
         {"RT login failed, status 503: maintenance until 14:00"},
         {2000},
         {"auth"}},
        {"400",
         Reply::login(R"({"status":400,"message":"parameter fault: license"})"),
         "",
         false,
         {"===> Authentication failed, status: 400, message: \"parameter fault: license\""},
         {"RT login failed, status 400: parameter fault: license"},
         {2000},
         {"auth"}},
        {"HTML 502 page",
         Reply::http(502, page),
         "",
         false,
         {"===> authentication exception: HTTP 502, answer is not JSON (122 bytes): "
          "<html>?\?<head><title>502 Bad Gateway</title></head>?\?<body>? - " +
          parseError + "invalid literal; last read: '<'"},
         {},
         {2000},
         {"auth"}},
        {"empty body with 200",
         Reply::empty(),
         "",
         false,
         {"===> authentication exception: HTTP 200, answer is not JSON (0 bytes):  - " +
          parseError + "unexpected end of input; expected '[', '{', or a literal"},
         {},
         {2000},
         {"auth"}},
        {"closed before any byte",
         Reply::close(),
         "",
         false,
         {"<now> Authentication code: Server returned nothing (no headers, no data)"},
         {},
         {2000},
         {"auth"}},
        {"401 written with a fraction",
         Reply::login(R"({"status":401.0,"message":"license not valid","GUID":"G-X"})"),
         "",
         false,
         {"===> Authentication failed, status: 401, message: \"license not valid\""},
         {"RT login failed, status 401: license not valid"},
         {2000},
         {"auth"}},
        {"a status with a fraction is no 200",
         Reply::login(R"({"status":200.5,"GUID":"G-X"})"),
         "",
         false,
         {"===> Authentication failed, status: 0, message: \"\""},
         {"RT login failed, status 0: "},
         {2000},
         {"auth"}},
        {"a message that would forge a log line",
         Reply::login(R"({"status":403,"message":"no\r\n===> Authenticated at RT server \"X\""})"),
         "",
         false,
         {"===> Authentication failed, status: 403, message: \"no?\?===> Authenticated at RT server "
          "\"X\"\""},
         {"RT login failed, status 403: no?\?===> Authenticated at RT server \"X\""},
         {2000},
         {"auth"}},
        {"a message of 300 bytes is cut at 200",
         Reply::login(R"({"status":403,"message":")" + std::string(300, 'm') + R"("})"),
         "",
         false,
         {"===> Authentication failed, status: 403, message: \"" + std::string(200, 'm') + "...\""},
         {"RT login failed, status 403: " + std::string(200, 'm') + "..."},
         {2000},
         {"auth"}},
        {"200 through the session model",
         Reply::login(R"({"status":200,"message":"welcome"})"),
         "G-42",
         true,
         {"Authenticated at RT server \"SI-1\""},
         {},
         {2500},
         {"auth", "nearestmetar G-42"},
         200},
        {"status \"200\" as a text",
         Reply::login(R"({"status":"200","GUID":"G-7","server":"SI-9","expiry":)" +
                      lf_expiryIn(10) + "}"),
         "G-7",
         true,
         {"Authenticated at RT server \"SI-9\""},
         {},
         {2000},
         {"auth", "nearestmetar G-7"},
         401},
        {"200 without GUID",
         Reply::login(R"({"status":200,"GUID":null,"server":5})"),
         "empty GUID?",
         true,
         {"Authenticated at RT server \"?\""},
         {},
         {2500},
         {"auth", "nearestmetar empty GUID?"},
         401},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        clock_.setUtcSeconds(ksb::test::kTestNow);
        rtLicense = "LIC-1";
        stub_.script("auth", c.reply);
        const auto seqBefore = stub_.requests().size();
        const auto linesBefore = log_.body().size();
        const auto sleepsBefore = clock_.sleepCount();
        const auto messagesBefore = messages_.all().size();
        const auto flagsBefore = sessionFlags().size();

        EXPECT_NO_THROW(gf_rtAuthenticate());
        EXPECT_EQ(rtWeatherClient.guid(), c.guid);
        EXPECT_EQ(rtTrafficClient.guid(), c.guid);
        EXPECT_EQ(sessionFlags().size() - flagsBefore, c.session ? 1u : 0u);
        if (!c.session) {
            EXPECT_EQ(rtWeatherClient.rrl.load(), 2000);
        }
        EXPECT_EQ(lf_after(log_.body(), linesBefore), lf_atNow(c.lines));
        std::vector<std::string> texts;
        for (const auto& message : lf_after(messages_.all(), messagesBefore)) {
            texts.push_back(message.text);
            EXPECT_TRUE(message.log);
        }
        EXPECT_EQ(texts, c.messages);
        EXPECT_EQ(lf_after(sleepsMs(), sleepsBefore), c.sleeps);

        std::int64_t followUp = 0;
        if (!rtTrafficClient.guid().empty()) {
            const ksb::RtAnswer answer = ksb::gf_rtPost(
                ksb::RtRequest::nearestStation,
                ksb::gf_rtNearestMetarBody(rtTrafficClient.guid(), 0, 52.3, 4.76), {});
            ksb::gf_rtHandleAnswer(ksb::RtRequest::nearestStation, answer,
                                   [&](const nlohmann::json& json, const std::string&) {
                                       followUp = ksb::gf_rtStatus(json);
                                   });
        }
        EXPECT_EQ(followUp, c.followUp);
        std::vector<std::string> seen;
        const auto requests = stub_.requests();
        for (auto it = requests.begin() + static_cast<std::ptrdiff_t>(seqBefore);
             it != requests.end(); ++it) {
            std::string entry = it->route;
            for (const auto& [key, value] : it->fields) {
                if (key == "GUID") {
                    entry += " " + value;
                }
            }
            seen.push_back(entry);
        }
        EXPECT_EQ(seen, c.seen);
    }
}

TEST_F(LoginTest, SetsTheSessionFlagOnSuccessOnly) {
    gf_rtAuthenticate();
    EXPECT_EQ(sessionFlags(), std::vector<bool>{true});
    EXPECT_EQ(stub_.openGuid(), std::optional<std::string>("G-42"));
    for (const auto& message : messages_.all()) {
        EXPECT_TRUE(message.log);
    }
    stub_.script("auth", Reply::json(R"({"status":404})"));
    EXPECT_THROW(gf_rtAuthenticate(), ksb::UserErrorException);
    EXPECT_EQ(sessionFlags(), std::vector<bool>{true});
    ASSERT_EQ(messages_.all().size(), 1u);
    EXPECT_TRUE(messages_.all()[0].log);
}

TEST_F(LoginTest, SendsNothingWithoutACredential) {
    rtLicense.clear();
    gf_rtAuthenticate();
    EXPECT_TRUE(stub_.requests().empty());
    EXPECT_EQ(clock_.sleepCount(), 0u);
    EXPECT_TRUE(log_.body().empty());
    EXPECT_EQ(rtWeatherClient.guid(), "");
    EXPECT_EQ(rtTrafficClient.guid(), "");
    EXPECT_FALSE(gf_rtLoggedIn());
}

TEST_F(LoginTest, AnExitAbortsTheLoginAndItsWaits) {
    stub_.onRequest([this](const rtstub::RequestRecord&) {
        exitRequested_ = true;
        ksb::gf_wakeSleepers();
    });
    gf_rtAuthenticate();
    EXPECT_EQ(stub_.requests().size(), 1u);
    EXPECT_EQ(rtWeatherClient.guid(), "");
    EXPECT_EQ(rtTrafficClient.guid(), "");
    EXPECT_TRUE(log_.body().empty());
    EXPECT_EQ(clock_.sleepCount(), 0u);
    EXPECT_TRUE(sessionFlags().empty());
}

// Every cut of a good answer is a broken answer: it gives the exception line, never more.
TEST_F(LoginTest, SurvivesEveryTruncatedAnswer) {
    const std::string answer =
        R"({"status":200,"GUID":"G-7","rrl":900,"wrrl":1100,"server":"SI-2","expiry":1766000000})";
    for (std::size_t length = 0; length < answer.size(); ++length) {
        SCOPED_TRACE(length);
        stub_.script("auth", Reply::json(answer.substr(0, length)));
        const auto before = log_.body().size();
        EXPECT_NO_THROW(gf_rtAuthenticate());
        const auto lines = log_.body();
        ASSERT_EQ(lines.size(), before + 1);
        EXPECT_EQ(lines.back().rfind(
                      fmt::format("===> authentication exception: HTTP 200, answer "
                                  "is not JSON ({} bytes): {} - [json.exception."
                                  "parse_error.",
                                  length, answer.substr(0, std::min<std::size_t>(length, 60))),
                      0),
                  0u);
        EXPECT_EQ(rtWeatherClient.guid(), "");
    }
    stub_.script("auth", Reply::json(answer));
    gf_rtAuthenticate();
    EXPECT_EQ(rtTrafficClient.guid(), "G-7");
}

class LogoutTest : public ksb::test::StubFixture {
protected:
    LogoutTest() { rtTrafficClient.setGuid("G-42"); }
};

TEST_F(LogoutTest, FollowsTheAnswer) {
    rtstub::UnusedPort unused;
    struct Case {
        const char* name;
        std::optional<Reply> reply;
        bool refused;
        std::string guid;
        std::vector<bool> sessionFlags;
        std::string line; // "<now>" stands for the time text
    };
    const std::string notJson =
        "===> deauthentication exception: HTTP 500, answer is not JSON (13 bytes): <html></html> "
        "- [json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
        "parsing value - invalid literal; last read: '<' ";
    const Case cases[] = {
        {"200",
         Reply::json(R"({"status":200,"message":"Session closed","server":"SI-1"})"),
         false,
         "",
         {false},
         "Session closed RT server \"SI-1\""},
        {"200 without texts",
         Reply::json(R"({"status":200,"message":5})"),
         false,
         "",
         {false},
         " RT server \"\""},
        {"400",
         Reply::json(R"({"status":400,"message":"unknown GUID"})"),
         false,
         "G-42",
         {},
         "===> Deauthentication failed, status: 400"},
        {"status missing",
         Reply::json(R"({"message":"x"})"),
         false,
         "G-42",
         {},
         "===> Deauthentication failed, status: 100"},
        {"not JSON", Reply::http(500, "<html></html>"), false, "G-42", {}, notJson},
        {"transfer error",
         std::nullopt,
         true,
         "G-42",
         {},
         "<now> Deauthentication code: Couldn't connect to server"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        rtTrafficClient.setGuid("G-42");
        ksb::gf_rtSetApiBase(c.refused ? fmt::format("http://127.0.0.1:{}", unused.port())
                                       : stub_.baseUrl());
        if (c.reply) {
            stub_.script("deauth", *c.reply);
        }
        const auto flagsBefore = sessionFlags().size();
        const auto before = log_.body().size();
        gf_rtDeauth();
        EXPECT_EQ(rtTrafficClient.guid(), c.guid);
        EXPECT_EQ(lf_after(sessionFlags(), flagsBefore), c.sessionFlags);
        EXPECT_EQ(lf_after(log_.body(), before), lf_atNow({c.line}));
        if (!c.refused) {
            EXPECT_EQ(stub_.requests().back().body, "GUID=G-42");
        }
    }
}

TEST_F(LogoutTest, EndsTheSessionAndRunsEvenWhenTheExitIsUnderWay) {
    rtLicense = "LIC-1";
    gf_rtAuthenticate();
    ASSERT_EQ(rtTrafficClient.guid(), "G-42");
    exitRequested_ = true;
    gf_rtDeauth();
    EXPECT_EQ(rtTrafficClient.guid(), "");
    EXPECT_FALSE(gf_rtLoggedIn());
    EXPECT_EQ(stub_.openGuid(), std::nullopt);
    EXPECT_EQ(sessionFlags(), (std::vector<bool>{true, false}));
    EXPECT_EQ(log_.body().back(), "Session closed RT server \"SI-1\"");
}

} // namespace

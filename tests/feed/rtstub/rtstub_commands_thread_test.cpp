// The stdin commands of tools/rtstub, run in process against a stand-in: what each prints, and
// what the service then answers.
#include "commands.h"
#include "raw_http.h"

#include "core/clock.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <vector>

namespace {

constexpr const char* kBox = "top=52.50&bottom=52.00&left=4.50&right=5.00";

struct Session {
    explicit Session(rtstub::RtStub& s) : stub(s) {}

    std::string run(const std::string& line) {
        std::string printed;
        running = gf_runCommand(stub, line, [&](const std::string& text) { printed += text; });
        return printed;
    }
    std::string login() {
        const auto answer = nlohmann::json::parse(
            rawhttp::post(stub.port(), "/v4/auth", "license=DEMO-LICENCE&software=T_1").body);
        return answer.at("GUID").get<std::string>();
    }
    rawhttp::Response traffic(const std::string& guid) {
        return rawhttp::post(stub.port(), "/v4/traffic",
                             "GUID=" + guid + "&" + kBox + "&querytype=locationtraffic&toffset=0");
    }

    rtstub::RtStub& stub;
    bool running = true;
};

TEST(RtStubCommands, EachLinePrintsWhatItDidOrHowToUseIt) {
    struct Case {
        const char* line;
        const char* printed;
        bool running;
    };
    const Case cases[] = {
        {"fail 401", "rtstub session ended: data requests get 401 until the next login", true},
        {"fail 502 30", "rtstub live traffic answers 502 for 30 s", true},
        {"  slow   10 ", "rtstub the next polled live-traffic answer comes after 10 s", true},
        {"fail 502", "usage: fail 401 | fail 502 SECONDS (1 to 86400)", true},
        {"fail 503 5", "usage: fail 401 | fail 502 SECONDS (1 to 86400)", true},
        {"fail 502 0", "usage: fail 401 | fail 502 SECONDS (1 to 86400)", true},
        {"slow", "usage: slow SECONDS (1 to 86400)", true},
        {"slow 1.5", "usage: slow SECONDS (1 to 86400)", true},
        {"slow 86401", "usage: slow SECONDS (1 to 86400)", true},
        {"bogus 1", "unknown command: bogus 1", true},
        {"", "", true},
        {"exit", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        rtstub::RtStub stub;
        Session session(stub);
        EXPECT_EQ(session.run(c.line), c.printed);
        EXPECT_EQ(session.running, c.running);
    }
}

TEST(RtStubCommands, Fail401EndsTheSessionUntilTheNextLogin) {
    rtstub::RtStub stub;
    Session session(stub);
    const std::string guid = session.login();
    ASSERT_EQ(session.traffic(guid).status, 200);
    session.run("fail 401");
    const auto refused = nlohmann::json::parse(session.traffic(guid).body);
    EXPECT_EQ(refused.at("status"), 401);
    EXPECT_EQ(refused.at("message"), "GUID not valid");
    EXPECT_EQ(stub.openGuid(), std::nullopt);
    const std::string next = session.login();
    EXPECT_NE(next, guid);
    EXPECT_EQ(nlohmann::json::parse(session.traffic(next).body).at("status"), 200);
}

TEST(RtStubCommands, Fail502AnswersTheTrafficRoutesWith502ForTheSecondsOfTheClock) {
    ksb::test::ManualClock clock;
    rtstub::Options options;
    options.clock = &clock;
    rtstub::RtStub stub(options);
    Session session(stub);
    const std::string guid = session.login();
    session.run("fail 502 30");
    const rawhttp::Response failed = session.traffic(guid);
    EXPECT_EQ(failed.status, 502);
    EXPECT_EQ(failed.body, "502 from the stand-in");
    // The other routes still answer.
    const auto weather = rawhttp::post(stub.port(), "/v4/weather",
                                       "GUID=" + guid +
                                           "&querytype=locwx&toffset=0&lat=1.0000&lon=2.0000&"
                                           "alt=0&airports=EHAM");
    EXPECT_EQ(weather.status, 200);
    clock.advance(std::chrono::seconds(29));
    EXPECT_EQ(session.traffic(guid).status, 502);
    clock.advance(std::chrono::seconds(1));
    const rawhttp::Response after = session.traffic(guid);
    EXPECT_EQ(after.status, 200);
    EXPECT_EQ(nlohmann::json::parse(after.body).at("status"), 200);
}

TEST(RtStubCommands, SlowDelaysOnlyTheNextPolledTrafficAnswer) {
    rtstub::RtStub stub;
    Session session(stub);
    const std::string guid = session.login();
    session.run("slow 1");
    // The delayed answer is still the model's; the one after it comes as usual.
    for (int i = 0; i < 2; ++i) {
        const rawhttp::Response answer = session.traffic(guid);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(nlohmann::json::parse(answer.body).at("status"), 200);
    }
}

} // namespace

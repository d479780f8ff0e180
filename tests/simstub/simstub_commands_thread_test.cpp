// The stdin commands of tools/simstub that long runs use, run in process: a pause for a number
// of stand-in seconds, and the count of AI objects per creating connection.
#include "commands.h"
#include "stub_fixture.h"

namespace {

using namespace std::chrono_literals;
using simstub::test::StubTest;

class Commands : public StubTest {
protected:
    std::vector<std::string> run(const std::string& line) {
        std::vector<std::string> printed;
        CommandRunner runner(stub(), {}, [&](const std::string& text) { printed.push_back(text); });
        runner.run(line);
        return printed;
    }
    // Whether a frame goes out now.
    bool framesFlow() {
        const std::uint64_t before = stub().framesSent();
        stub().stepFrames(1);
        return stub().framesSent() > before;
    }
};

TEST_F(Commands, PauseTakesPositiveStandInSecondsOrNone) {
    struct Case {
        const char* line;
        std::vector<std::string> printed;
        bool paused;
    };
    const std::string usage = "usage: pause [stand-in seconds above 0, at most 86400]";
    const Case cases[] = {
        {"pause 120", {"frames paused for 120 stand-in s"}, true},
        {"pause 0.5", {"frames paused for 0.5 stand-in s"}, true},
        {"pause", {}, true},
        {"pause 0", {usage}, false},
        {"pause -3", {usage}, false},
        {"pause 86401", {usage}, false},
        {"pause soon", {usage}, false},
        {"pause 1 2", {usage}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        stub().pauseFrames(false);
        EXPECT_EQ(run(c.line), c.printed);
        EXPECT_EQ(framesFlow(), !c.paused);
    }
}

TEST_F(Commands, ATimedPauseEndsAfterItsStandInSecondsUnlessAnotherPauseOrResumeCame) {
    run("pause 30");
    stub().advance(29.5s);
    EXPECT_FALSE(framesFlow());
    stub().advance(0.5s);
    EXPECT_TRUE(framesFlow());

    // A pause without an end replaces the timed one.
    run("pause 30");
    run("pause");
    stub().advance(60s);
    EXPECT_FALSE(framesFlow());

    // A resume ends it at once, and the timed one's end changes nothing after it.
    run("pause 30");
    run("resume");
    EXPECT_TRUE(framesFlow());
    run("pause 10");
    stub().advance(10s);
    EXPECT_TRUE(framesFlow());
}

TEST_F(Commands, ObjectsCountGivesTheAiObjectsPerCreatingConnection) {
    int c1 = 0;
    int c2 = 0;
    int c3 = 0;
    raw::Client one = connectDeclared(&c1);
    raw::Client two = connectDeclared(&c2);
    raw::Client three = connectDeclared(&c3);
    sendAndWait(one, c1, raw::createPacket(one, "Test A320 DLH", "DLH4AB"));
    sendAndWait(one, c1, raw::createPacket(one, "Test A320 DLH", "DLH100*"));
    sendAndWait(three, c3, raw::createPacket(three, "Test A320 DLH", "DLH5CD"));
    ASSERT_TRUE(stub().waitFor([&] { return stub().objects().size() == 4; }));
    EXPECT_EQ(run("objects count"), (std::vector<std::string>{
                                        "objects c1: 2 AI (1 live, 1 static)",
                                        "objects c3: 1 AI (1 live, 0 static)",
                                        "objects total: 3 AI (2 live, 1 static)",
                                    }));

    // The objects go with their connection; the connection keeps its line.
    one.close();
    ASSERT_TRUE(stub().waitFor([&] { return stub().objects().size() == 2; }));
    EXPECT_EQ(run("objects count"), (std::vector<std::string>{
                                        "objects c1: 0 AI (0 live, 0 static)",
                                        "objects c3: 1 AI (1 live, 0 static)",
                                        "objects total: 1 AI (1 live, 0 static)",
                                    }));
    // The full list ends with the same counts.
    const std::vector<std::string> all = run("objects");
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all.back(), "objects total: 1 AI (1 live, 0 static)");
    EXPECT_EQ(run("objects counts"), (std::vector<std::string>{"unknown command: objects counts"}));
}

} // namespace

#include "core/exceptions.h"
#include "core/exit_request.h"
#include "core/message_sink.h"
#include "core/report_exception.h"
#include "support/log_capture.h"
#include "support/recording_sinks.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace {

using ksb::test::RecordedExit;
using ksb::test::RecordingExitHandler;
using ksb::test::RecordingMessageSink;

TEST(ReportException, EachKindIsShownAndOnlyStandardErrorsExit) {
    struct Case {
        const char* name;
        std::function<void()> thrower;
        std::string error;
        bool exits;
    };
    const Case cases[] = {
        {"user error", [] { throw ksb::UserErrorException(87, "airports list missing"); },
         "87: airports list missing", false},
        {"user error 99", [] { throw ksb::UserErrorException(99, "run setup.exe"); },
         "run setup.exe", false},
        {"format error", [] { throw fmt::format_error("invalid format string"); },
         "std::format error: invalid format string", false},
        {"system error", [] { throw ksb::SysErrorException(288, "wingspans"); },
         "lf_startUpKSBY: sys error 288: wingspans", true},
        {"standard error", [] { throw std::out_of_range("vector"); }, "lf_startUpKSBY: vector",
         true},
        {"anything else", [] { throw 42; }, "Unknown exception", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMessageSink sink;
        RecordingExitHandler exits;
        try {
            c.thrower();
        } catch (...) {
            gf_reportException("lf_startUpKSBY");
        }
        EXPECT_EQ(sink.errors(), std::vector<std::string>{c.error});
        if (c.exits) {
            EXPECT_EQ(exits.all(), (std::vector<RecordedExit>{{ExitReason::SYSTEM_ERROR, 0}}));
        } else {
            EXPECT_TRUE(exits.all().empty());
        }
    }
}

// A sink that fails must not take the reporting thread down.
TEST(ReportException, NeverThrowsEvenWhenTheSinkDoes) {
    struct ThrowingSink : ksb::MessageSink {
        void showMessage(std::string_view, bool) override { throw std::runtime_error("sink"); }
        void showError(std::string_view) override { throw std::runtime_error("sink"); }
    } sink;
    gf_setMessageSink(&sink);
    try {
        throw std::runtime_error("boom");
    } catch (...) {
        EXPECT_NO_THROW(gf_reportException("worker"));
    }
    gf_setMessageSink(nullptr);
}

TEST(MessageSink, DefaultSinkWritesOnlyWhatIsLogged) {
    ksb::test::LogCapture log;
    gf_showMessage("shown only", false);
    gf_showMessage("", true);
    gf_showMessage("shown and logged", true);
    gf_showError("bad thing");
    gf_clearMessage();
    EXPECT_EQ(log.body(), (std::vector<std::string>{"shown and logged", "Error bad thing"}));
}

TEST(MessageSink, InstalledSinkReceivesEverythingInOrder) {
    using Kind = ksb::test::RecordedMessage::Kind;
    RecordingMessageSink sink;
    gf_showMessage("one", true);
    gf_showError("two");
    gf_clearMessage();
    EXPECT_EQ(sink.all(), (std::vector<ksb::test::RecordedMessage>{{Kind::message, "one", true},
                                                                   {Kind::error, "two", false},
                                                                   {Kind::clear, "", false}}));
}

TEST(ExitRequest, ReasonTextsAndDefaultHandler) {
    struct Case {
        ExitReason reason;
        const char* text;
    };
    const Case cases[] = {{ExitReason::NOT_YET_SET, "NOT_YET_SET"},
                          {ExitReason::SIM_WAS_CLOSED, "SIM WAS CLOSED"},
                          {ExitReason::RESTART, "RESTART"},
                          {ExitReason::RESTART_IPP, "RESTART_IPP"},
                          {ExitReason::USER_CLOSED_SIM, "USER CLOSED SIM"},
                          {ExitReason::SYSTEM_ERROR, "SYSTEM ERROR"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(gf_exitReasonText(c.reason), c.text);
    }
    EXPECT_EQ(gf_exitReasonText(static_cast<ExitReason>(9)), "?");

    ksb::test::LogCapture log;
    gf_requestExit(ExitReason::RESTART, 30);
    EXPECT_EQ(log.body(), std::vector<std::string>{
                              "===> exit requested: RESTART (30 s), no exit procedure yet"});
    RecordingExitHandler handler;
    gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);
    EXPECT_EQ(handler.all(), (std::vector<RecordedExit>{{ExitReason::SIM_WAS_CLOSED, 0}}));
}

} // namespace

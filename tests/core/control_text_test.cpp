#include "core/controls.h"
#include "core/log.h"
#include "core/parameters.h"
#include "support/window_fixture.h"

#include <gtest/gtest.h>

namespace {

class ControlTextTest : public ksb::test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        const ui::ControlSpec spec = MAX_LIVE.createEdit(576, 34);
        gf_registerControl(spec);
        port.addControl(spec);
    }
};

// A field that cannot be read is told apart from an empty one, so that Enter never takes a
// failed read for an emptied field.
TEST_F(ControlTextTest, ReadsUpToTheLimitAndTellsAFailureFromAnEmptyField) {
    struct Case {
        const char* name;
        std::string typed;
        std::size_t limit;
        std::optional<std::string> want;
        std::vector<std::string> lines;
    };
    const std::string emoji = "\xF0\x9F\x98\x80"; // two UTF-16 units
    const Case cases[] = {
        {"empty", "", 511, std::string(), {}},
        {"at the limit", std::string(511, '1'), 511, std::string(511, '1'), {}},
        {"cut", std::string(512, '1'), 511, std::string(511, '1'), {}},
        {"a pair across the limit", std::string(510, '1') + emoji, 511, std::string(510, '1'), {}},
        {"no UTF-8",
         "12\xFF",
         511,
         std::nullopt,
         {"Invalid UTF-8 sequence found in input string."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        port.setUserText(MAX_LIVE.commandId(), c.typed);
        EXPECT_EQ(c.want, gf_readControlText(MAX_LIVE.commandId(), c.limit));
        EXPECT_EQ(c.lines, log->body());
    }
}

} // namespace

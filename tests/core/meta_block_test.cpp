// The meta block: written by gf_writeMeta, read back by gf_readMeta, and refused when an entry
// is missing.
#include "core/meta_block.h"
#include "core/parameters.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/parameters_fixture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using ksb::test::ManualClock;
using ksb::test::ScopedClock;

// Wed Dec 09 2026, a one-digit day.
constexpr double kDecember9 = 1796812199.0;

std::string textOf(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out);
    return out.str();
}

class MetaBlockTest : public ::testing::Test {
protected:
    ksb::test::ParametersFixture fixture;
    ksb::test::LogCapture log;
    ManualClock clock{kDecember9};
    ScopedClock scopedClock{clock};
};

TEST_F(MetaBlockTest, WrittenBlockReadsBack) {
    META_COPYRIGHT.assign("(c) Test");
    pugi::xml_document doc;
    ASSERT_TRUE(gf_writeMeta(doc));
    doc.append_child("airports").append_child("airport").append_attribute("icao") = "EDDF";

    const std::string text = textOf(doc);
    EXPECT_EQ(text, "<?xml version=\"1.0\"?>\n"
                    "<meta>\n"
                    "\t<info name=\"author\" value=\"KSBY_P3D\" />\n"
                    "\t<info name=\"version\" value=\"9.3.0\" />\n"
                    "\t<info name=\"date\" value=\"Dec 09, 2026\" />\n"
                    "\t<info name=\"copyright\" value=\"(c) Test\" />\n"
                    "</meta>\n"
                    "<airports>\n"
                    "\t<airport icao=\"EDDF\" />\n"
                    "</airports>\n");

    META_AUTHOR.assign("someone else");
    pugi::xml_document loaded;
    ASSERT_TRUE(loaded.load_string(text.c_str()));
    EXPECT_TRUE(gf_readMeta(loaded));
    EXPECT_EQ(META_AUTHOR.value(), "KSBY_P3D");
    EXPECT_EQ(META_DATE.value(), "Dec 09, 2026");
    EXPECT_EQ(META_VERSION.value(), "9.3.0");
    EXPECT_TRUE(log.body().empty());
}

TEST_F(MetaBlockTest, IntoAnElementAndNothingElse) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("liveries");
    EXPECT_TRUE(gf_writeMeta(root));
    EXPECT_EQ(root.first_child().name(), std::string("meta"));
    EXPECT_EQ(root.child("meta").select_nodes("info").size(), 4u);

    pugi::xml_node text = root.append_child(pugi::node_pcdata);
    EXPECT_FALSE(gf_writeMeta(text));
    EXPECT_FALSE(gf_writeMeta(pugi::xml_node()));
    EXPECT_FALSE(gf_writeMeta(root.append_child(pugi::node_comment)));
    EXPECT_EQ(root.select_nodes("meta").size(), 1u);
}

TEST(MetaBlock, IncompleteBlockIsRefused) {
    struct Case {
        const char* name;
        const char* xml;
        bool accepted;
        const char* author;
        const char* date;
        const char* version;
    };
    const Case cases[] = {
        {"complete without copyright",
         "<meta><info name=\"author\" value=\"A\"/><info name=\"date\" value=\"D\"/>"
         "<info name=\"version\" value=\"V\"/></meta><x/>",
         true, "A", "D", "V"},
        {"date missing",
         "<meta><info name=\"author\" value=\"A\"/><info name=\"version\" value=\"V\"/>"
         "<info name=\"copyright\" value=\"C\"/></meta><x/>",
         false, "A", "", "V"},
        {"author missing",
         "<meta><info name=\"date\" value=\"D\"/><info name=\"version\" value=\"V\"/></meta>",
         false, "", "D", "V"},
        {"version without value counts as there",
         "<meta><info name=\"author\" value=\"A\"/><info name=\"date\" value=\"D\"/>"
         "<info name=\"version\"/></meta>",
         true, "A", "D", ""},
        {"no meta element", "<liveries/>", false, "", "", ""},
        {"meta not at the top", "<x><meta><info name=\"author\" value=\"A\"/></meta></x>", false,
         "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::ParametersFixture fixture;
        ksb::test::LogCapture caseLog;
        META_AUTHOR.assign("old");
        META_DATE.assign("old");
        META_VERSION.assign("old");
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(c.xml));

        EXPECT_EQ(gf_readMeta(doc), c.accepted);

        EXPECT_EQ(META_AUTHOR.value(), c.author);
        EXPECT_EQ(META_DATE.value(), c.date);
        EXPECT_EQ(META_VERSION.value(), c.version);
        EXPECT_EQ(caseLog.body(), c.accepted
                                      ? std::vector<std::string>{}
                                      : std::vector<std::string>{"===> meta data incorrect?"});
    }
}

TEST_F(MetaBlockTest, XPathErrorCountsAsMissing) {
    EXPECT_EQ(lf_metaInfoXPath("date"), "/meta/info[@name='date']");
    StringParameter quoted("it's", "old");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<meta><info name=\"it's\" value=\"v\"/></meta>"));

    EXPECT_FALSE(lf_readMetaInfo(doc, quoted));

    EXPECT_EQ(quoted.value(), "");
    EXPECT_EQ(log.body(), std::vector<std::string>{"Expected ']' to match an opening '['"});
}

} // namespace

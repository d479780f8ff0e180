// input/fixes.xml: model fixes, private and government operator codes, and its errors.
#include "catalogue/livery_scan.h"
#include "catalogue/scan_state.h"
#include "catalogue_test_fixture.h"
#include "core/exceptions.h"
#include "support/livery_tree.h"

namespace {

using namespace ksb::test;

class FixesFileTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        readDbase(StandardLiveryTree::dbaseSpec());
        freshLog();
    }
};

TEST_F(FixesFileTest, TheStandardFixesWithTheirWarnings) {
    writeFixesXml(StandardLiveryTree::fixesSpec());
    EXPECT_TRUE(gf_readFixesXml());
    EXPECT_EQ((std::map<std::string, std::string>{{"B738W", "B738"}}), modelFixes);
    EXPECT_EQ((std::set<std::string>{"PRIV"}), pvtFixes);
    EXPECT_EQ((std::set<std::string>{"GOVT"}), govFixes);
    EXPECT_EQ((std::vector<std::string>{"===> wrong part of fix: B738W, already exists, skipped",
                                        "===> wrong fix X1->NOPE, the latter is not a valid model",
                                        "===> PVT fix AAL is an ICAO airline code? ",
                                        "\"input/fixes.xml\" read"}),
              logLines());
}

TEST_F(FixesFileTest, EmptyValuesAndRepeatsAreSkipped) {
    FixesSpec spec;
    spec.modelFixes = {{"A", ""}, {"", "A321"}, {"Q", "A320"}};
    spec.pvtFixes = {"", "PRIV", "PRIV"};
    spec.govFixes = {"GOVT", "DLH"};
    writeFixesXml(spec);
    EXPECT_TRUE(gf_readFixesXml());
    EXPECT_EQ((std::map<std::string, std::string>{{"", "A321"}, {"Q", "A320"}}), modelFixes);
    EXPECT_EQ((std::set<std::string>{"PRIV"}), pvtFixes);
    EXPECT_EQ((std::set<std::string>{"GOVT"}), govFixes);
    EXPECT_TRUE(logHas("===> wrong: PRIV, already exists, skipped"));
    EXPECT_TRUE(logHas("===> GOV fix DLH is an ICAO airline code? "));
}

TEST_F(FixesFileTest, AMissingSectionGivesFalse) {
    FixesSpec spec = StandardLiveryTree::fixesSpec();
    spec.withGov = false;
    writeFixesXml(spec);
    EXPECT_FALSE(gf_readFixesXml());
    EXPECT_EQ(1U, modelFixes.size());
    EXPECT_TRUE(govFixes.empty());
}

TEST_F(FixesFileTest, AMissingOrMalformedFileIsUserError3) {
    for (const bool malformed : {false, true}) {
        SCOPED_TRACE(malformed ? "malformed" : "missing");
        if (malformed) {
            writeBytes("input/fixes.xml", "<fixes><fix wrong=\"A\"");
        }
        try {
            gf_readFixesXml();
            ADD_FAILURE() << "no exception";
        } catch (const ksb::UserErrorException& e) {
            EXPECT_STREQ("3: input/fixes.xml (or sections of it) not found?", e.what());
        }
    }
}

} // namespace

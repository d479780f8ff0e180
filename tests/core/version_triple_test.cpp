#include "core/version_triple.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionTriple, ParsesTextAndJsonAndKeepsWhatWasReadBeforeAFailure) {
    struct Case {
        const char* name;
        const char* text;
        VersionTriple expected;
    };
    const Case cases[] = {
        {"full match", "1.4.12", {1, 4, 12}},
        {"other separators", "1-4_12", {1, 4, 12}},
        {"digit separators match too", "11111", {1, 1, 1}},
        {"prefix is no full match and no JSON", "v1.4.12", {0, 0, 0}},
        {"trailing text", "1.4.12 ", {0, 0, 0}},
        {"empty", "", {0, 0, 0}},
        {"JSON", R"({"major": 2, "minor": 0, "patch": 7})", {2, 0, 7}},
        {"JSON booleans and floats", R"({"major": true, "minor": 3.9, "patch": false})", {1, 3, 0}},
        {"JSON missing patch", R"({"major": 2, "minor": 5})", {2, 5, 0}},
        {"JSON text member stops", R"({"major": 2, "minor": "5", "patch": 1})", {2, 0, 0}},
        {"JSON negative stops", R"({"major": -1, "minor": 5, "patch": 1})", {0, 0, 0}},
        {"JSON above 32 bits stops", R"({"major": 3, "minor": 4294967296, "patch": 1})", {3, 0, 0}},
        {"text above 32 bits stops", "1.4294967296.3", {1, 0, 0}},
        {"largest value", "4294967295.0.1", {4294967295u, 0, 1}},
        {"not JSON", "{major", {0, 0, 0}},
        {"JSON array", "[1,2,3]", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_parseVersion(c.text), c.expected);
    }
}

TEST(VersionTriple, TextAndOrder) {
    const VersionTriple v{9, 3, 0};
    EXPECT_EQ(v.toString(), "9.3.0");
    EXPECT_EQ(gf_versionToString({1, 22, 333}), "1.22.333");
    EXPECT_LT((VersionTriple{1, 9, 9}), (VersionTriple{2, 0, 0}));
    EXPECT_LT((VersionTriple{2, 0, 9}), (VersionTriple{2, 1, 0}));
    EXPECT_LT((VersionTriple{2, 1, 0}), (VersionTriple{2, 1, 1}));
    EXPECT_EQ((VersionTriple{2, 1, 1}), gf_parseVersion("2.1.1"));
}

} // namespace

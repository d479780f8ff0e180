// Equality and order of livery records: the scan driver sorts the scanned list with them and
// drops records equal to their predecessor.
#include "catalogue_test_fixture.h"

#include <algorithm>

namespace {

using ksb::test::livery;

TEST(LiveryRecordTest, EqualityIgnoresOnlyThePriority) {
    const LiveryRecord base = livery("DLH", "A320", "Lufthansa", "D-AIPA", false);
    LiveryRecord otherPriority = base;
    otherPriority.priority = 7;
    EXPECT_TRUE(base == otherPriority);
    struct Case {
        const char* name;
        LiveryRecord record;
    };
    const Case cases[] = {
        {"airline", livery("BAW", "A320", "Lufthansa", "D-AIPA", false)},
        {"type", livery("DLH", "A321", "Lufthansa", "D-AIPA", false)},
        {"title", livery("DLH", "A320", "Lufthansa 2", "D-AIPA", false)},
        {"atcid", livery("DLH", "A320", "Lufthansa", "D-AIPB", false)},
        {"cargo", livery("DLH", "A320", "Lufthansa", "D-AIPA", true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(base == c.record);
        EXPECT_TRUE(base < c.record || c.record < base);
    }
}

TEST(LiveryRecordTest, OrderKeepsAirlineAndTypeTogetherWithoutAtcidFirst) {
    std::vector<LiveryRecord> records = {
        livery("DLH", "A320", "b", "D-AIPB"), livery("DLH", "A320", "z"),
        livery("BAW", "B738", "x"),           livery("DLH", "A320", "a", "D-AIPB"),
        livery("DLH", "A319", "y"),           livery("DLH", "A320", "c"),
        livery("DLH", "A320", "c", "", true), livery("DLH", "A320", "\xE9t\xE9"),
        livery("DLH", "A320", "a", "D-AIPA"),
    };
    std::sort(records.begin(), records.end());
    const std::vector<LiveryRecord> expected = {
        livery("BAW", "B738", "x"),
        livery("DLH", "A319", "y"),
        livery("DLH", "A320", "c"),
        livery("DLH", "A320", "c", "", true),
        livery("DLH", "A320", "z"),
        // Byte-wise: 0xE9 after every ASCII byte.
        livery("DLH", "A320", "\xE9t\xE9"),
        livery("DLH", "A320", "a", "D-AIPA"),
        livery("DLH", "A320", "a", "D-AIPB"),
        livery("DLH", "A320", "b", "D-AIPB"),
    };
    EXPECT_EQ(records, expected);
    EXPECT_FALSE(expected[0] < expected[0]);
}

} // namespace

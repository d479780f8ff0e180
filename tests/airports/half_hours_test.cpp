// Half-hour sets: their text form, the forgiving reading and its warning lines.
#include "airports_test_fixture.h"

#include <bitset>
#include <cstddef>

namespace {

using namespace ksb::test;

std::bitset<48> slots(std::initializer_list<std::size_t> numbers) {
    std::bitset<48> set;
    for (const std::size_t slot : numbers) {
        set.set(slot);
    }
    return set;
}

TEST_F(AirportsTest, HalfHourTextsAreReadForgivinglyAndWrittenWithoutATrailingComma) {
    struct Case {
        const char* name;
        const char* text;
        std::bitset<48> expected;
        const char* written;            // gf_bitset2hours of the set read
        std::vector<std::string> lines; // the warning lines
    };
    const Case cases[] = {
        {"empty text", "", {}, "", {}},
        {"first and last slot", "0,47", slots({0, 47}), "0,47", {}},
        {"three slots", "14,15,16", slots({14, 15, 16}), "14,15,16", {}},
        {"older form with a trailing comma", "14,15,16,", slots({14, 15, 16}), "14,15,16", {}},
        {"blank before a number", "3, 7", slots({3, 7}), "3,7", {}},
        {"letters after the digits", "15ab,16", slots({15, 16}), "15,16", {}},
        {"unordered with a repeat", "16,14,16", slots({14, 16}), "14,16", {}},
        {"slot 48",
         "3,48,5",
         slots({3}),
         "3",
         {"===> exception invalid bitset position in lf_hours2bitset"}},
        {"negative slot",
         "3,-1,5",
         slots({3}),
         "3",
         {"===> exception invalid bitset position in lf_hours2bitset"}},
        {"empty piece",
         "3,,5",
         slots({3}),
         "3",
         {"===> exception invalid stoi argument in lf_hours2bitset"}},
        {"no number", "x,5", {}, "", {"===> exception invalid stoi argument in lf_hours2bitset"}},
        {"beyond 32 bits",
         "3,99999999999,5",
         slots({3}),
         "3",
         {"===> exception stoi argument out of range in lf_hours2bitset"}},
        {"only the first fault is reported",
         "1,x,99",
         slots({1}),
         "1",
         {"===> exception invalid stoi argument in lf_hours2bitset"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshLog();
        const std::bitset<48> read = lf_hours2bitset(c.text);
        EXPECT_EQ(read, c.expected);
        EXPECT_EQ(gf_bitset2hours(read), c.written);
        EXPECT_EQ(logLines(), c.lines);
    }
}

TEST_F(AirportsTest, EverySlotSetIsWrittenInIncreasingOrderAndReadBack) {
    std::bitset<48> all;
    all.set();
    const std::string text = gf_bitset2hours(all);
    EXPECT_TRUE(text.starts_with("0,1,2,"));
    EXPECT_TRUE(text.ends_with(",46,47"));
    EXPECT_EQ(lf_hours2bitset(text), all);
    EXPECT_TRUE(logLines().empty());
}

} // namespace

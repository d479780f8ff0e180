#include "core/codec.h"
#include "core/globals.h"

#include "support/log_capture.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using ksb::test::LogCapture;
using ksb::test::ManualClock;
using ksb::test::ScopedClock;

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

template <class F> void expectRuntimeError(F&& call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected: " << text;
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(typeid(e), typeid(std::runtime_error));
        EXPECT_EQ(std::string(e.what()), text);
    }
}

std::string randomText(std::mt19937& engine, std::size_t length, std::string_view characters) {
    std::uniform_int_distribution<std::size_t> pick(0, characters.size() - 1);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += characters[pick(engine)];
    }
    return text;
}

// Stored files and the saved date stamp depend on the mapping staying the same.
TEST(Codec, MappingIsStable) {
    EXPECT_EQ(encryptType("B738"), "QTHQ");
    EXPECT_EQ(decryptType("QTHQ"), "B738");
    EXPECT_EQ(encryptAirline("KLM"), "60TQVF");
    EXPECT_EQ(decryptAirline("60TQVF"), "KLM");
    EXPECT_EQ(regcodeEncrypt("PH-BXA"), "X6-31J");
    EXPECT_EQ(decryptRegcode("X6-31J"), "PH-BXA");
}

TEST(Codec, EmptyStaysEmpty) {
    LogCapture log;
    EXPECT_EQ(encryptType(""), "");
    EXPECT_EQ(decryptType(""), "");
    EXPECT_EQ(encryptAirline(""), "");
    EXPECT_EQ(decryptAirline(""), "");
    EXPECT_EQ(regcodeEncrypt(""), "");
    EXPECT_EQ(decryptRegcode(""), "");
    EXPECT_TRUE(log.body().empty());
}

TEST(Codec, TypesAndRegistrationsRoundTripAndKeepTheirLength) {
    std::mt19937 engine(20261209);
    const std::string upper = std::string(kAlphabet) + "-. /";
    const std::string any = upper + "abcxyz_*";
    for (std::size_t length : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 10u, 24u, 25u, 40u, 80u}) {
        for (int round = 0; round < 50; ++round) {
            const std::string type = randomText(engine, length, any);
            SCOPED_TRACE("type " + type);
            const std::string scrambledType = encryptType(type);
            EXPECT_EQ(scrambledType.size(), type.size());
            EXPECT_EQ(decryptType(scrambledType), type);
            // The mapping is a bijection at every position, so it also runs the other way.
            EXPECT_EQ(encryptType(decryptType(type)), type);

            const std::string registration = randomText(engine, length, upper);
            SCOPED_TRACE("registration " + registration);
            const std::string scrambled = regcodeEncrypt(registration);
            EXPECT_EQ(scrambled.size(), registration.size());
            EXPECT_EQ(decryptRegcode(scrambled), registration);
        }
    }
}

TEST(Codec, PermutesLettersAndDigitsByPosition) {
    for (std::size_t position = 0; position < 40; ++position) {
        SCOPED_TRACE(position);
        std::set<char> seen;
        for (char c : kAlphabet) {
            const std::string plain = std::string(position, '-') + c;
            const char scrambled = encryptType(plain).back();
            EXPECT_NE(kAlphabet.find(scrambled), std::string_view::npos);
            seen.insert(scrambled);
        }
        EXPECT_EQ(seen.size(), kAlphabet.size());
    }
    // The same character scrambles differently along a text.
    const std::string scrambled = regcodeEncrypt("AAAAAAAAAAAA");
    EXPECT_EQ(std::set<char>(scrambled.begin(), scrambled.end()).size(), scrambled.size());
}

TEST(Codec, PassesEveryOtherByteUnchanged) {
    std::string others;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (kAlphabet.find(c) == std::string_view::npos) {
            others += c;
        }
    }
    EXPECT_EQ(encryptType(others), others);
    EXPECT_EQ(decryptType(others), others);
    EXPECT_EQ(decryptRegcode(others), others);
    // Multi-byte UTF-8 stays intact between scrambled characters.
    EXPECT_EQ(decryptRegcode(regcodeEncrypt("\xC3\x84-K\xE2\x82\xAC"
                                            "7")),
              "\xC3\x84-K\xE2\x82\xAC"
              "7");
    const std::string noLowerCase = "-/. _*#\xC3\x84";
    EXPECT_EQ(regcodeEncrypt(noLowerCase), noLowerCase);
}

TEST(Codec, AirlinesAreStoredAsSixCharacters) {
    std::mt19937 engine(4101);
    for (int round = 0; round < 500; ++round) {
        const std::string airline = randomText(engine, 3, kAlphabet);
        SCOPED_TRACE(airline);
        const std::string scrambled = encryptAirline(airline);
        ASSERT_EQ(scrambled.size(), 6u);
        EXPECT_EQ(decryptAirline(scrambled), airline);
    }
    // Any six bytes decode to three, without an exception.
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string six;
        for (int i = 0; i < 6; ++i) {
            six += static_cast<char>(byte(engine));
        }
        EXPECT_EQ(decryptAirline(six).size(), 3u);
    }
}

TEST(Codec, AirlineLengthRules) {
    {
        LogCapture log;
        EXPECT_EQ(decryptAirline("KLM"), "KLM");
        EXPECT_EQ(log.body(),
                  std::vector<std::string>{"===> Unencrypted airline KLM in decrypt airl?"});
    }
    LogCapture log;
    for (const char* text : {"K", "KL", "KLMA", "KLMAB", "KLMABCD", "KLMABCDEFGHIJ"}) {
        SCOPED_TRACE(text);
        expectRuntimeError([&] { decryptAirline(text); },
                           std::string("decrypt airl \"") + text + "\" error");
        expectRuntimeError([&] { encryptAirline(text); },
                           std::string("encrypt airl \"") + text + "\" error");
    }
    EXPECT_TRUE(log.body().empty());
}

TEST(Codec, RegcodeEncryptRefusesLowerCase) {
    for (const char* text : {"D-aBCD", "abc", "N12z"}) {
        SCOPED_TRACE(text);
        LogCapture log;
        expectRuntimeError([&] { regcodeEncrypt(text); }, "regcode encrypt error");
        EXPECT_EQ(log.body(),
                  std::vector<std::string>{std::string("lower case in regcode encryp ") + text});
    }
}

TEST(Codec, RegcodeEncryptWarnsOfOddLengthsAndEncodesThem) {
    const std::string long25(25, 'X');
    const std::string long30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    struct Case {
        const char* name;
        std::string text;
        bool warned;
    };
    const Case cases[] = {
        {"one", "A", true},
        {"two", "AB", false},
        {"twenty-four", std::string(24, 'X'), false},
        {"twenty-five", long25, true},
        {"thirty", long30, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        const std::string scrambled = regcodeEncrypt(c.text);
        EXPECT_EQ(decryptRegcode(scrambled), c.text);
        const std::vector<std::string> expected =
            c.warned ? std::vector<std::string>{"===> regcode encrypt length " +
                                                std::to_string(c.text.size()) + ": " + c.text}
                     : std::vector<std::string>{};
        EXPECT_EQ(log.body(), expected);
    }
}

TEST(Codec, ScrambledDateStampOfTheClocksUtcDate) {
    ManualClock clock(1796812199.0); // Wed Dec 09 2026 10:29:59
    ScopedClock scoped(clock);
    LogCapture log;
    const std::string stamp = gf_scrambledDateStamp();
    EXPECT_EQ(stamp, regcodeEncrypt("09DEC2026"));
    EXPECT_EQ(decryptRegcode(stamp), "09DEC2026");
    EXPECT_EQ(stamp, "OVJH29B5W");

    // The same all day, whatever the time shift says; another the next day.
    timeShiftActive = true;
    lastFeedTimeStamp = 1796601600.0;                         // Mon Dec 07 2026
    clock.advance(std::chrono::seconds(13 * 3600 + 30 * 60)); // 23:59:59
    EXPECT_EQ(gf_scrambledDateStamp(), stamp);
    clock.advance(std::chrono::seconds(1));
    EXPECT_EQ(decryptRegcode(gf_scrambledDateStamp()), "10DEC2026");
    EXPECT_TRUE(log.body().empty());
}

} // namespace

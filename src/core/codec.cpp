#include "core/codec.h"

#include "core/clock.h"
#include "core/log.h"
#include "core/time_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fmt/format.h>
#include <stdexcept>

namespace {
constexpr std::string_view kPlain = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::string_view kScrambled = "U2C69DPMQOLWJKEBNTIF4713G8HYAZ5VR0XS";
constexpr int kSize = 36;
// Coprime to 36, so 36 neighbouring positions see 36 different shifts.
constexpr int kStep = 13;
constexpr int kTypeKey = 7;
constexpr int kRegcodeKey = 19;
constexpr int kAirlineKey = 29;
constexpr int kCheckStep = 11;

struct Tables {
    std::array<std::int8_t, 256> plainIndex{};
    std::array<std::int8_t, 256> scrambledIndex{};
};

constexpr Tables lf_makeTables() {
    Tables tables;
    tables.plainIndex.fill(-1);
    tables.scrambledIndex.fill(-1);
    for (int i = 0; i < kSize; ++i) {
        tables.plainIndex[static_cast<unsigned char>(kPlain[static_cast<std::size_t>(i)])] =
            static_cast<std::int8_t>(i);
        tables.scrambledIndex[static_cast<unsigned char>(kScrambled[static_cast<std::size_t>(i)])] =
            static_cast<std::int8_t>(i);
    }
    return tables;
}

constexpr Tables kTables = lf_makeTables();

constexpr bool lf_isPermutation() {
    if (kPlain.size() != kSize || kScrambled.size() != kSize) {
        return false;
    }
    for (char c : kPlain) {
        if (kTables.scrambledIndex[static_cast<unsigned char>(c)] < 0) {
            return false;
        }
    }
    return true;
}
static_assert(lf_isPermutation(), "the scrambled table must hold each of A-Z 0-9 once");

int lf_shift(std::size_t position, int key) {
    return static_cast<int>((static_cast<std::size_t>(key) + kStep * (position % kSize)) % kSize);
}

char lf_encodeChar(char c, std::size_t position, int key) {
    const int index = kTables.plainIndex[static_cast<unsigned char>(c)];
    if (index < 0) {
        return c;
    }
    return kScrambled[static_cast<std::size_t>((index + lf_shift(position, key)) % kSize)];
}

char lf_decodeChar(char c, std::size_t position, int key) {
    const int index = kTables.scrambledIndex[static_cast<unsigned char>(c)];
    if (index < 0) {
        return c;
    }
    return kPlain[static_cast<std::size_t>((index - lf_shift(position, key) + kSize) % kSize)];
}

std::string lf_encode(std::string_view text, int key) {
    std::string result(text);
    for (std::size_t i = 0; i < result.size(); ++i) {
        result[i] = lf_encodeChar(result[i], i, key);
    }
    return result;
}

std::string lf_decode(std::string_view text, int key) {
    std::string result(text);
    for (std::size_t i = 0; i < result.size(); ++i) {
        result[i] = lf_decodeChar(result[i], i, key);
    }
    return result;
}
} // namespace

std::string encryptType(std::string_view plain) {
    return lf_encode(plain, kTypeKey);
}

std::string decryptType(std::string_view scrambled) {
    return lf_decode(scrambled, kTypeKey);
}

std::string encryptAirline(std::string_view plain) {
    if (plain.empty()) {
        return {};
    }
    if (plain.size() != 3) {
        throw std::runtime_error(fmt::format("encrypt airl \"{}\" error", plain));
    }
    int sum = 0;
    for (char c : plain) {
        sum += std::max<int>(kTables.plainIndex[static_cast<unsigned char>(c)], 0);
    }
    std::string result;
    for (std::size_t k = 0; k < plain.size(); ++k) {
        result += lf_encodeChar(plain[k], k, kAirlineKey);
        result += kScrambled[(static_cast<std::size_t>(sum) + kCheckStep * k) % kSize];
    }
    return result;
}

std::string decryptAirline(std::string_view scrambled) {
    if (scrambled.empty()) {
        return {};
    }
    if (scrambled.size() == 3) {
        gf_logLine(fmt::format("Unencrypted airline {} in decrypt airl?", scrambled));
        return std::string(scrambled);
    }
    if (scrambled.size() != 6) {
        throw std::runtime_error(fmt::format("decrypt airl \"{}\" error", scrambled));
    }
    std::string result;
    for (std::size_t k = 0; k < 3; ++k) {
        result += lf_decodeChar(scrambled[2 * k], k, kAirlineKey);
    }
    return result;
}

std::string regcodeEncrypt(std::string_view plain) {
    if (plain.size() == 1 || plain.size() >= 25) {
        gf_logLine(fmt::format("regcode encrypt length {}: {}", plain.size(), plain));
    }
    if (std::any_of(plain.begin(), plain.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
        gf_log(fmt::format("lower case in regcode encryp {}", plain));
        throw std::runtime_error("regcode encrypt error");
    }
    return lf_encode(plain, kRegcodeKey);
}

std::string decryptRegcode(std::string_view scrambled) {
    return lf_decode(scrambled, kRegcodeKey);
}

std::string gf_scrambledDateStamp() {
    std::string text = gf_utcTimeString(ksb::gf_utcSecondsNow());
    std::string month = text.substr(4, 3);
    std::transform(month.begin(), month.end(), month.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return regcodeEncrypt(text.substr(8, 2) + month + text.substr(20, 4));
}

#include "platform/utf_conversion.h"

#include <climits>
#include <cstddef>

namespace win32 {

namespace {

// The Windows converters take the length as int.
void lf_checkLength(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX)) {
        throw std::overflow_error("Input string too long: size_t-length doesn't fit into int.");
    }
}

[[noreturn]] void lf_throwInvalidUtf8() {
    throw Utf8ConversionException("Invalid UTF-8 sequence found in input string.",
                                  kErrorNoUnicodeTranslation, Utf8ConversionException::kFromUtf8);
}

[[noreturn]] void lf_throwInvalidUtf16() {
    throw Utf8ConversionException("Invalid UTF-16 sequence found in input string.",
                                  kErrorNoUnicodeTranslation, Utf8ConversionException::kFromUtf16);
}

bool lf_isContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

bool lf_isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool lf_isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string result;
    if (utf8.empty()) {
        return result;
    }
    lf_checkLength(utf8.size());
    // Never more units than bytes.
    result.reserve(utf8.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80u) {
            result.push_back(static_cast<char16_t>(lead));
            ++i;
            continue;
        }
        // The well-formed sequences: the second byte's range depends on the lead, which rules
        // out overlong forms, surrogates and values above U+10FFFF.
        std::size_t length = 0;
        unsigned char secondLow = 0x80u;
        unsigned char secondHigh = 0xBFu;
        char32_t value = 0;
        if (lead >= 0xC2u && lead <= 0xDFu) {
            length = 2;
            value = lead & 0x1Fu;
        } else if (lead >= 0xE0u && lead <= 0xEFu) {
            length = 3;
            value = lead & 0x0Fu;
            if (lead == 0xE0u) {
                secondLow = 0xA0u;
            } else if (lead == 0xEDu) {
                secondHigh = 0x9Fu;
            }
        } else if (lead >= 0xF0u && lead <= 0xF4u) {
            length = 4;
            value = lead & 0x07u;
            if (lead == 0xF0u) {
                secondLow = 0x90u;
            } else if (lead == 0xF4u) {
                secondHigh = 0x8Fu;
            }
        } else {
            lf_throwInvalidUtf8();
        }
        if (size - i < length) {
            lf_throwInvalidUtf8();
        }
        const unsigned char second = bytes[i + 1];
        if (second < secondLow || second > secondHigh) {
            lf_throwInvalidUtf8();
        }
        value = (value << 6) | (second & 0x3Fu);
        for (std::size_t k = 2; k < length; ++k) {
            const unsigned char next = bytes[i + k];
            if (!lf_isContinuation(next)) {
                lf_throwInvalidUtf8();
            }
            value = (value << 6) | (next & 0x3Fu);
        }
        if (value < 0x10000u) {
            result.push_back(static_cast<char16_t>(value));
        } else {
            value -= 0x10000u;
            result.push_back(static_cast<char16_t>(0xD800u + (value >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00u + (value & 0x3FFu)));
        }
        i += length;
    }
    return result;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string result;
    if (utf16.empty()) {
        return result;
    }
    lf_checkLength(utf16.size());
    const std::size_t size = utf16.size();
    // First pass: validate and size the result exactly, so that lines kept by the readers
    // carry no slack.
    std::size_t length = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t unit = utf16[i];
        if (unit < 0x80) {
            length += 1;
        } else if (unit < 0x800) {
            length += 2;
        } else if (lf_isHighSurrogate(unit)) {
            if (i + 1 >= size || !lf_isLowSurrogate(utf16[i + 1])) {
                lf_throwInvalidUtf16();
            }
            length += 4;
            ++i;
        } else if (lf_isLowSurrogate(unit)) {
            lf_throwInvalidUtf16();
        } else {
            length += 3;
        }
    }
    result.resize(length);
    char* out = result.data();
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t unit = utf16[i];
        if (unit < 0x80) {
            *out++ = static_cast<char>(unit);
        } else if (unit < 0x800) {
            *out++ = static_cast<char>(0xC0u | (unit >> 6));
            *out++ = static_cast<char>(0x80u | (unit & 0x3Fu));
        } else if (lf_isHighSurrogate(unit)) {
            const char32_t value = 0x10000u + ((static_cast<char32_t>(unit) - 0xD800u) << 10) +
                                   (utf16[i + 1] - 0xDC00u);
            ++i;
            *out++ = static_cast<char>(0xF0u | (value >> 18));
            *out++ = static_cast<char>(0x80u | ((value >> 12) & 0x3Fu));
            *out++ = static_cast<char>(0x80u | ((value >> 6) & 0x3Fu));
            *out++ = static_cast<char>(0x80u | (value & 0x3Fu));
        } else {
            *out++ = static_cast<char>(0xE0u | (unit >> 12));
            *out++ = static_cast<char>(0x80u | ((unit >> 6) & 0x3Fu));
            *out++ = static_cast<char>(0x80u | (unit & 0x3Fu));
        }
    }
    return result;
}

} // namespace win32

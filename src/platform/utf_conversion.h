#pragma once
// Conversions between the system's UTF-8 text and the UTF-16 text of the Windows interfaces.
// Both are strict: anything that is not well-formed throws instead of being replaced.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace win32 {

// The Win32 error the Windows converters report for input they cannot map.
inline constexpr std::uint32_t kErrorNoUnicodeTranslation = 1113;

class Utf8ConversionException : public std::runtime_error {
public:
    // Directions: the text that could not be converted was UTF-8 or UTF-16.
    static constexpr std::uint32_t kFromUtf8 = 0;
    static constexpr std::uint32_t kFromUtf16 = 1;

    Utf8ConversionException(const std::string& message, std::uint32_t errorCode,
                            std::uint32_t direction)
        : std::runtime_error(message), errorCode_(errorCode), direction_(direction) {}

    std::uint32_t errorCode() const noexcept { return errorCode_; }
    std::uint32_t direction() const noexcept { return direction_; }

private:
    std::uint32_t errorCode_;
    std::uint32_t direction_;
};

// Throws Utf8ConversionException (1113, direction 0) for bytes that are not well-formed UTF-8
// (stray or truncated sequences, overlong forms, encoded surrogates, values above U+10FFFF), and
// std::overflow_error for inputs longer than INT32_MAX.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Throws Utf8ConversionException (1113, direction 1) for an unpaired surrogate, and
// std::overflow_error for inputs longer than INT32_MAX.
std::string Utf16ToUtf8(std::u16string_view utf16);

} // namespace win32

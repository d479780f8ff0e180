// Encoding detection and line decoding of arbitrary bytes, and the strict UTF-8 conversion:
// nothing may crash, and whatever converts must convert back to the same bytes.
#include "core/text_encoding.h"
#include "platform/utf_conversion.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool lf_convertsFromUtf8(std::string_view text) {
    try {
        win32::Utf8ToUtf16(text);
        return true;
    } catch (const win32::Utf8ConversionException&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const CharacterEncoding detected = lf_encodingFromMark(bytes.substr(0, 2));
    for (const CharacterEncoding encoding :
         {detected, CharacterEncoding::ANSI, CharacterEncoding::UTF16_LE,
          CharacterEncoding::UTF16_BE, CharacterEncoding::UTF8_with_BOM}) {
        std::vector<std::string> lines;
        lf_decodeTextBytes(encoding, bytes, lines);
        const bool utf16 =
            encoding == CharacterEncoding::UTF16_LE || encoding == CharacterEncoding::UTF16_BE;
        std::size_t total = 0;
        for (const std::string& line : lines) {
            lf_check(line.find('\n') == std::string::npos);
            total += line.size();
            if (utf16) {
                // Decoded UTF-16 lines are always well-formed UTF-8.
                lf_check(lf_convertsFromUtf8(line));
            }
        }
        if (!utf16) {
            // 8-bit lines are pieces of the input.
            lf_check(total <= bytes.size());
        }
    }

    try {
        const std::u16string units = win32::Utf8ToUtf16(bytes);
        lf_check(win32::Utf16ToUtf8(units) == bytes);
    } catch (const win32::Utf8ConversionException& e) {
        lf_check(e.errorCode() == 1113 && e.direction() == 0);
    }

    // The same bytes as UTF-16 units (host order): fails only on unpaired surrogates.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    try {
        const std::string utf8 = win32::Utf16ToUtf8(units);
        lf_check(win32::Utf8ToUtf16(utf8) == units);
    } catch (const win32::Utf8ConversionException& e) {
        lf_check(e.errorCode() == 1113 && e.direction() == 1);
    }
    return 0;
}

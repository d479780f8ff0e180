#pragma once
// TEMPORARY stand-in until the strict conversions land; replaced at merge.
#include <string>
#include <string_view>

namespace win32 {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace win32

#pragma once
// Little-endian reads and writes at explicit offsets, and the framing constants of the wire.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace simstub {

inline constexpr std::uint32_t kProtocolVersion = 35;
inline constexpr std::uint32_t kPacketIdBase = 0xF0000000;
inline constexpr std::uint32_t kHeaderSize = 16;
inline constexpr std::uint32_t kMaxPacketSize = 41088;
inline constexpr std::uint32_t kSystemEventGroup = 0xFFFFFFFF;

// Reads assume offset + width <= size; callers check the size first.
std::uint32_t gf_readU32(std::string_view bytes, std::size_t offset);
std::int64_t gf_readI64(std::string_view bytes, std::size_t offset);
float gf_readF32(std::string_view bytes, std::size_t offset);
double gf_readF64(std::string_view bytes, std::size_t offset);
// The bytes up to the first zero within the width (all of them when there is none).
std::string gf_readText(std::string_view bytes, std::size_t offset, std::size_t width);

// Writes grow the buffer with zeros when it is too short.
void gf_writeU32(std::string& bytes, std::size_t offset, std::uint32_t value);
void gf_writeI64(std::string& bytes, std::size_t offset, std::int64_t value);
void gf_writeF32(std::string& bytes, std::size_t offset, float value);
void gf_writeF64(std::string& bytes, std::size_t offset, double value);
// At most width - 1 bytes of the text, then zeros up to the width.
void gf_writeText(std::string& bytes, std::size_t offset, std::size_t width, std::string_view text);

// "4F 70 00" style, for records and error texts.
std::string gf_hexBytes(std::string_view bytes);
// Printable ASCII as is, '"' and '\' escaped, every other byte as \xNN; in double quotes.
std::string gf_quoteText(std::string_view text);
// ASCII case-insensitive equality.
bool gf_equalsNoCase(std::string_view a, std::string_view b);

} // namespace simstub

#include "support/simstub/wire.h"

#include <bit>
#include <fmt/format.h>

namespace simstub {

namespace {

std::uint64_t lf_readLe(std::string_view bytes, std::size_t offset, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value =
            (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

void lf_writeLe(std::string& bytes, std::size_t offset, std::uint64_t value, int width) {
    if (bytes.size() < offset + static_cast<std::size_t>(width)) {
        bytes.resize(offset + static_cast<std::size_t>(width), '\0');
    }
    for (int i = 0; i < width; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

} // namespace

std::uint32_t gf_readU32(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(lf_readLe(bytes, offset, 4));
}

std::int64_t gf_readI64(std::string_view bytes, std::size_t offset) {
    return static_cast<std::int64_t>(lf_readLe(bytes, offset, 8));
}

float gf_readF32(std::string_view bytes, std::size_t offset) {
    return std::bit_cast<float>(gf_readU32(bytes, offset));
}

double gf_readF64(std::string_view bytes, std::size_t offset) {
    return std::bit_cast<double>(lf_readLe(bytes, offset, 8));
}

std::string gf_readText(std::string_view bytes, std::size_t offset, std::size_t width) {
    std::string_view field = bytes.substr(offset, width);
    return std::string(field.substr(0, field.find('\0')));
}

void gf_writeU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    lf_writeLe(bytes, offset, value, 4);
}

void gf_writeI64(std::string& bytes, std::size_t offset, std::int64_t value) {
    lf_writeLe(bytes, offset, static_cast<std::uint64_t>(value), 8);
}

void gf_writeF32(std::string& bytes, std::size_t offset, float value) {
    lf_writeLe(bytes, offset, std::bit_cast<std::uint32_t>(value), 4);
}

void gf_writeF64(std::string& bytes, std::size_t offset, double value) {
    lf_writeLe(bytes, offset, std::bit_cast<std::uint64_t>(value), 8);
}

void gf_writeText(std::string& bytes, std::size_t offset, std::size_t width,
                  std::string_view text) {
    if (bytes.size() < offset + width) {
        bytes.resize(offset + width, '\0');
    }
    std::string_view kept = text.substr(0, width == 0 ? 0 : width - 1);
    for (std::size_t i = 0; i < width; ++i) {
        bytes[offset + i] = i < kept.size() ? kept[i] : '\0';
    }
}

std::string gf_hexBytes(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ' ';
        }
        out += fmt::format("{:02X}", static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

std::string gf_quoteText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += fmt::format("\\x{:02X}", byte);
        }
    }
    out += '"';
    return out;
}

bool gf_equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace simstub

#include "core/byte_cursor.h"

#include <algorithm>
#include <fmt/format.h>

namespace ksb {

ByteReadError::ByteReadError(std::size_t count, std::size_t offset, std::size_t size)
    : std::runtime_error(
          fmt::format("read past end: {} bytes at offset {} of {}", count, offset, size)),
      count_(count), offset_(offset), size_(size) {}

void ByteCursor::throwPastEnd(std::size_t count, std::size_t offset, std::size_t size) {
    throw ByteReadError(count, offset, size);
}

void ByteCursor::seek(std::size_t offset) {
    if (offset > bytes_.size()) {
        throw ByteReadError(offset - std::min(offset, bytes_.size()), bytes_.size(), bytes_.size());
    }
    position_ = offset;
}

std::string_view ByteCursor::fixedString(std::size_t width) {
    const std::size_t available = std::min(width, remaining());
    const std::span<const std::uint8_t> field = take(available);
    const auto zero = std::find(field.begin(), field.end(), std::uint8_t{0});
    return {reinterpret_cast<const char*>(field.data()),
            static_cast<std::size_t>(zero - field.begin())};
}

std::string_view ByteCursor::zeroTerminatedString() {
    const std::span<const std::uint8_t> rest = bytes_.subspan(position_);
    const auto zero = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    const auto length = static_cast<std::size_t>(zero - rest.begin());
    position_ += zero == rest.end() ? length : length + 1;
    return {reinterpret_cast<const char*>(rest.data()), length};
}

} // namespace ksb

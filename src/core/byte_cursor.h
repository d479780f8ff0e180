#pragma once
// A little-endian reader over a byte span that never reads past its end. Every binary decoder
// (SimConnect messages, BGL records, zip entries) reads through it; a record inside a record gets
// a sub-cursor limited to its declared size, so a bad size cannot reach into its neighbours.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string_view>

namespace ksb {

// "read past end: {n} bytes at offset {o} of {size}"; offsets are those of the cursor that
// refused the read.
class ByteReadError : public std::runtime_error {
public:
    ByteReadError(std::size_t count, std::size_t offset, std::size_t size);

    std::size_t count() const noexcept { return count_; }
    std::size_t offset() const noexcept { return offset_; }
    std::size_t size() const noexcept { return size_; }

private:
    std::size_t count_;
    std::size_t offset_;
    std::size_t size_;
};

class ByteCursor {
public:
    ByteCursor() = default;
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    ByteCursor(const void* data, std::size_t size)
        : bytes_(static_cast<const std::uint8_t*>(data), size) {}

    std::uint8_t u8() { return take(1)[0]; }
    std::uint16_t u16() { return load<std::uint16_t>(); }
    std::uint32_t u32() { return load<std::uint32_t>(); }
    std::uint64_t u64() { return load<std::uint64_t>(); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    float f32() {
        const std::uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    double f64() {
        const std::uint64_t bits = u64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The next count bytes, as a view into the cursor's span.
    std::span<const std::uint8_t> bytes(std::size_t count) { return take(count); }
    void skip(std::size_t count) { take(count); }
    // A cursor over the next size bytes; this cursor moves past them.
    ByteCursor sub(std::size_t size) { return ByteCursor(take(size)); }
    // Moves to an absolute offset; the end itself is allowed.
    void seek(std::size_t offset);

    // A fixed-width text field: up to its first zero, the width or the end of the cursor,
    // whichever comes first. The cursor moves past the width, or to the end when less remains.
    std::string_view fixedString(std::size_t width);
    // A zero-terminated text: up to its zero (which is passed) or to the end of the cursor.
    std::string_view zeroTerminatedString();

    std::size_t position() const noexcept { return position_; }
    std::size_t remaining() const noexcept { return bytes_.size() - position_; }
    std::size_t size() const noexcept { return bytes_.size(); }
    bool atEnd() const noexcept { return position_ == bytes_.size(); }
    std::span<const std::uint8_t> span() const noexcept { return bytes_; }

private:
    std::span<const std::uint8_t> take(std::size_t count) {
        if (count > remaining()) {
            throwPastEnd(count, position_, bytes_.size());
        }
        const std::span<const std::uint8_t> out = bytes_.subspan(position_, count);
        position_ += count;
        return out;
    }
    // A little-endian value of a fixed width: one plain load on a little-endian host.
    template <class Unsigned> Unsigned load() {
        const std::uint8_t* p = take(sizeof(Unsigned)).data();
        if constexpr (std::endian::native == std::endian::little) {
            Unsigned value;
            std::memcpy(&value, p, sizeof value);
            return value;
        } else {
            Unsigned value = 0;
            for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
                value |= static_cast<Unsigned>(static_cast<Unsigned>(p[i]) << (8 * i));
            }
            return value;
        }
    }
    // Static, so that the cursor itself never escapes and stays in registers.
    [[noreturn]] static void throwPastEnd(std::size_t count, std::size_t offset, std::size_t size);

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

} // namespace ksb

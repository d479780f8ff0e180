#pragma once
// Received messages written from the published offsets, for the reader, framing and dispatch
// tests of the client.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sctest {

using Bytes = std::vector<std::uint8_t>;

class MessageBuilder {
public:
    explicit MessageBuilder(std::uint32_t id, std::uint32_t version = 4) {
        u32(0).u32(version).u32(id);
    }
    MessageBuilder& u32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
        return *this;
    }
    MessageBuilder& u64(std::uint64_t value) {
        u32(static_cast<std::uint32_t>(value));
        return u32(static_cast<std::uint32_t>(value >> 32));
    }
    MessageBuilder& f32(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return u32(bits);
    }
    MessageBuilder& f64(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, 8);
        return u64(bits);
    }
    // The text, then zeroes up to the width (none when the text fills it).
    MessageBuilder& text(const std::string& value, std::size_t width) {
        bytes_.insert(bytes_.end(), value.begin(), value.end());
        bytes_.resize(bytes_.size() + (width - value.size()), 0);
        return *this;
    }
    // The text and its zero.
    MessageBuilder& textZ(const std::string& value) {
        bytes_.insert(bytes_.end(), value.begin(), value.end());
        bytes_.push_back(0);
        return *this;
    }
    // The size field as written; build() puts the real size there otherwise.
    MessageBuilder& sizeField(std::uint32_t size) {
        size_ = size;
        sizeSet_ = true;
        return *this;
    }
    Bytes build() const {
        Bytes out = bytes_;
        const std::uint32_t size = sizeSet_ ? size_ : static_cast<std::uint32_t>(out.size());
        for (int i = 0; i < 4; ++i) {
            out[i] = static_cast<std::uint8_t>(size >> (8 * i));
        }
        return out;
    }

private:
    Bytes bytes_;
    std::uint32_t size_ = 0;
    bool sizeSet_ = false;
};

inline Bytes lf_eventMessage(std::uint32_t group, std::uint32_t event, std::uint32_t data) {
    return MessageBuilder(4).u32(group).u32(event).u32(data).build();
}

// An object-data-by-type message: an int64, a float64, a 32-byte string and a variable one.
inline Bytes lf_objectDataMessage(std::uint32_t request, std::uint32_t object,
                                  const std::string& title = "Boeing 737-800",
                                  const std::string& atcId = "N1234") {
    return MessageBuilder(9)
        .u32(request)
        .u32(object)
        .u32(405)
        .u32(0)
        .u32(1)
        .u32(3)
        .u32(4)
        .u64(0xFFFFFFFFFFFFFFFEull)
        .f64(1234.5)
        .text(title, 32)
        .textZ(atcId)
        .build();
}

inline Bytes lf_join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

} // namespace sctest

#pragma once
// The hash of every map keyed by a 32-bit flight key.
#include <cstddef>
#include <cstdint>

namespace ksb {

// FNV-1a 64 over the four bytes of a flight key, lowest byte first.
struct FlightKeyHash {
    std::size_t operator()(std::uint32_t key) const noexcept {
        std::uint64_t hash = 14695981039346656037ull;
        for (int i = 0; i < 4; ++i) {
            hash ^= (key >> (8 * i)) & 0xffu;
            hash *= 1099511628211ull;
        }
        return static_cast<std::size_t>(hash);
    }
};

} // namespace ksb

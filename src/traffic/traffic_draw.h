#pragma once
// The traffic engine's random draws. Every random choice of the stand search and the static
// parking goes through gf_trafficDraw, so a seed gives the same plan with every standard library
// and a test can script each draw.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace ksb {

// Where the raw 32-bit outputs come from.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual std::uint32_t next() = 0;
    // Told the bound of each draw before its output is taken; a test source records it.
    virtual void bound(std::uint32_t /*n*/) {}
};

} // namespace ksb

// 0..n-1: the next raw output modulo n; 0 without a draw for n <= 1. The outputs come from the
// calling thread's gf_randomEngine() unless a test installed a source.
std::uint32_t gf_trafficDraw(std::uint32_t n);
// Tests: the source of the raw outputs; nullptr goes back to the engine.
void gf_setTrafficRandomSource(ksb::RandomSource* source);

// Fisher-Yates with gf_trafficDraw: for i from the last index down to 1, swap i with a draw of
// 0..i. Never std::shuffle, whose result differs between standard libraries.
template <class T> void gf_trafficShuffle(std::vector<T>& entries) {
    for (std::size_t i = entries.size(); i-- > 1;) {
        const std::size_t j = gf_trafficDraw(static_cast<std::uint32_t>(i + 1));
        std::swap(entries[i], entries[j]);
    }
}

#pragma once
// The traffic engine's draws from a script: each draw takes the next listed raw output, and the
// bound of each draw is recorded. A draw beyond the script fails the test. Installed for the life
// of the object.
#include "traffic/traffic_draw.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ksb::test {

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<std::uint32_t> outputs = {});
    ~ScriptedRandom() override;
    ScriptedRandom(const ScriptedRandom&) = delete;
    ScriptedRandom& operator=(const ScriptedRandom&) = delete;

    std::uint32_t next() override;
    void bound(std::uint32_t n) override;

    // Appends outputs to the script.
    void add(std::vector<std::uint32_t> outputs);
    // The bound n of every draw so far, in order.
    const std::vector<std::uint32_t>& bounds() const { return bounds_; }
    // Outputs not yet taken.
    std::size_t left() const { return outputs_.size() - used_; }

private:
    std::vector<std::uint32_t> outputs_;
    std::size_t used_ = 0;
    std::vector<std::uint32_t> bounds_;
};

} // namespace ksb::test

#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <utility>

namespace ksb::test {

ScriptedRandom::ScriptedRandom(std::vector<std::uint32_t> outputs) : outputs_(std::move(outputs)) {
    gf_setTrafficRandomSource(this);
}

ScriptedRandom::~ScriptedRandom() {
    gf_setTrafficRandomSource(nullptr);
}

std::uint32_t ScriptedRandom::next() {
    if (used_ >= outputs_.size()) {
        ADD_FAILURE() << "a draw beyond the script (draw " << used_ + 1 << ")";
        return 0;
    }
    return outputs_[used_++];
}

void ScriptedRandom::bound(std::uint32_t n) {
    bounds_.push_back(n);
}

void ScriptedRandom::add(std::vector<std::uint32_t> outputs) {
    outputs_.insert(outputs_.end(), outputs.begin(), outputs.end());
}

} // namespace ksb::test

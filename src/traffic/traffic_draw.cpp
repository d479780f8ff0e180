#include "traffic/traffic_draw.h"

#include "core/random_engine.h"

#include <atomic>

namespace {

std::atomic<ksb::RandomSource*> g_trafficRandomSource{nullptr};

} // namespace

std::uint32_t gf_trafficDraw(std::uint32_t n) {
    if (n <= 1) {
        return 0;
    }
    ksb::RandomSource* source = g_trafficRandomSource.load();
    if (source == nullptr) {
        return static_cast<std::uint32_t>(gf_randomEngine()()) % n;
    }
    source->bound(n);
    return source->next() % n;
}

void gf_setTrafficRandomSource(ksb::RandomSource* source) {
    g_trafficRandomSource = source;
}

#include "core/injection_radius.h"

#include "core/parameters.h"
#include "core/run_values.h"

#include <algorithm>
#include <cstdint>
#include <limits>

int gf_injectionRadiusMetres(int nm) {
    // A range read from a file may be any number; the metres must not overflow.
    const std::int64_t metres = static_cast<std::int64_t>(nm) * 1852 + 10000;
    return static_cast<int>(std::clamp<std::int64_t>(metres, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

void gf_setInjectionRadius(int nm) {
    LATERAL_RANGE.setClamped(nm);
    injectionRadiusNm = static_cast<double>(nm);
    injectionRadiusMetres = gf_injectionRadiusMetres(nm);
}

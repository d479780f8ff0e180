#include "traffic/traffic_hooks.h"

namespace ksb {

TrafficHooks::TrafficHooks() = default;

} // namespace ksb

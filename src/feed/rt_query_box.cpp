// The live query box: the square of the live range around the user aircraft that the traffic
// polls ask for. The worker and the GUI thread write it, the Traffic Reader reads it.
#include "core/geodesy.h"
#include "core/run_values.h"
#include "feed/feed_services.h"
#include "feed/rt_clients.h"
#include "feed/rt_readers.h"

#include <cmath>
#include <numbers>

namespace {

// Below this the user has not moved enough to be worth a new box.
constexpr double kMemoTolerance = 0.00015;

} // namespace

void gf_rtUpdateQueryBox() {
    const ksb::UserPosition user = ksb::gf_feedServices().userPosition();
    const Position position{user.latitude, user.longitude};
    if (!gf_isValidPosition(position)) {
        return;
    }
    const double range = injectionRadiusNm.load();
    rtTrafficClient.updateLiveBox([&](ksb::LiveBoxState& state) {
        if (std::abs(position.latitude - state.memoLatitude) < kMemoTolerance &&
            std::abs(position.longitude - state.memoLongitude) < kMemoTolerance &&
            range == state.rangeMemo) {
            return;
        }
        state.rangeMemo = range;
        state.memoLatitude = position.latitude;
        state.memoLongitude = position.longitude;
        const double d = range * 1.852 / 111.2;
        state.box.top = position.latitude + d;
        state.box.bottom = position.latitude - d;
        const double feet = range * kFeetPerNM;
        state.box.left = gf_destinationPoint(position, -std::numbers::pi / 2.0, feet).longitude;
        state.box.right = gf_destinationPoint(position, std::numbers::pi / 2.0, feet).longitude;
    });
}

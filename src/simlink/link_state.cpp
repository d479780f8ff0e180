#include "simlink/link_state.h"

#include "simlink/link_internals.h"

std::atomic<float> simFrameRate{0.0f};
std::atomic<bool> simRequestError{false};
std::atomic<std::int32_t> simRequestErrorCount{0};
std::atomic<std::uint32_t> userObjectId{kUserObjectIdAtStart};
std::atomic<double> userHalfWingSpan{0.0};
std::atomic<std::int32_t> userCategory{0};

void gf_resetSimLinkStateForTests() {
    simFrameRate = 0.0f;
    simRequestError = false;
    simRequestErrorCount = 0;
    userObjectId = kUserObjectIdAtStart;
    userHalfWingSpan = 0.0;
    userCategory = 0;
    simlink::gf_resetSendQueues();
    simlink::gf_resetSessionState();
    simlink::simHandle = nullptr;
}

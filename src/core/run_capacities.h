#pragma once
// Room reserved before a run starts, so that the per-tick work never reallocates. A container
// smaller than its entry grows to it; nothing is erased.
#include <cstddef>

struct RunCapacities {
    std::size_t positionQueue = 256; // each of the two position lists
    std::size_t creationQueue = 256;
    std::size_t removalQueue = 256;
    std::size_t pendingCreations = 256;
    std::size_t justAddedObjects = 256;
    std::size_t liveAircraft = 512;
    std::size_t staticAircraft = 256;
    std::size_t parkStands = 512;
    std::size_t inboundQueue = 256;
    std::size_t startUpSequences = 128;
    std::size_t waitingFlightKeys = 64;
    std::size_t standsToFill = 256;
    std::size_t staticAdjustments = 256;
    std::size_t ghostCallsigns = 64;
    std::size_t parkedLive = 64;
    std::size_t staticStayers = 256;
    std::size_t learnedCandidates = 512; // each of the two candidate vectors
};

inline constexpr RunCapacities kRunCapacities{};

template <class Container> void gf_reserveAtLeast(Container& container, std::size_t entries) {
    if (container.capacity() < entries) {
        container.reserve(entries);
    }
}

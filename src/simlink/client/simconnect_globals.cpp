#include "simlink/client/simconnect_globals.h"

#include <algorithm>
#include <vector>

namespace sc {

std::mutex SimConnectPacketLock;

namespace {

std::mutex handlesMutex;
std::vector<SimConnectHandle*> handles;
std::atomic<int> liveTransports{0};
std::atomic<bool> socketsStarted{false};
std::atomic<std::uint32_t> transportIds{0};

} // namespace

void gf_linkHandle(SimConnectHandle* handle) {
    std::lock_guard lock(handlesMutex);
    handles.push_back(handle);
}

void gf_unlinkHandle(SimConnectHandle* handle) {
    std::lock_guard lock(handlesMutex);
    handles.erase(std::remove(handles.begin(), handles.end(), handle), handles.end());
}

std::size_t gf_handleCount() {
    std::lock_guard lock(handlesMutex);
    return handles.size();
}

void gf_addLiveTransport() {
    liveTransports.fetch_add(1);
}

void gf_removeLiveTransport() {
    liveTransports.fetch_sub(1);
}

int gf_liveTransportCount() {
    return liveTransports.load();
}

void lf_scStartup() {
    socketsStarted = true;
}

void gf_clearSocketsStarted() {
    socketsStarted = false;
}

bool gf_socketsStarted() {
    return socketsStarted.load();
}

std::uint32_t gf_nextTransportId() {
    std::uint32_t id = transportIds.fetch_add(1) + 1;
    while (id == 0) {
        id = transportIds.fetch_add(1) + 1;
    }
    return id;
}

} // namespace sc

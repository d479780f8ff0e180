#pragma once
// The client's process-wide values: the packet lock, the list of open handles, the count of
// transports whose threads may still run, and the flag that stands for Winsock's start-up.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

class SimConnectHandle;

namespace sc {

// Serialises reservation, give-back and flush across all handles.
extern std::mutex SimConnectPacketLock;

void gf_linkHandle(SimConnectHandle* handle);
void gf_unlinkHandle(SimConnectHandle* handle);
std::size_t gf_handleCount();

void gf_addLiveTransport();
void gf_removeLiveTransport();
int gf_liveTransportCount();

// Set at the first IP attempt, cleared when the last handle closes.
void lf_scStartup();
void gf_clearSocketsStarted();
bool gf_socketsStarted();

// From a process-wide counter that skips 0.
std::uint32_t gf_nextTransportId();

} // namespace sc

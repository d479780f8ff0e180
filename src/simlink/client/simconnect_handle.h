#pragma once
// The client handle: the transport plus the send staging area, the send-id counter, the list of
// received messages waiting for dispatch and the notification of the client.
#include "platform/event.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_transport.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

namespace sc {
inline constexpr std::size_t kStagingSize = 41088;
inline constexpr std::size_t kReceivedListLimit = 4096;
// Messages this short carry no more than a header and are never handed out.
inline constexpr std::size_t kShortestDispatched = 12;
} // namespace sc

class SimConnectHandle final : public sc::SimConnectTransport {
public:
    // Open, linked into the process-wide handle list.
    SimConnectHandle();
    ~SimConnectHandle() override;

    void reset() override { onConnected(); }
    void close(ScCloseReason reason, ScResult status, int error = 0) override {
        onClosed(reason, status, error);
    }
    void messageReceived(std::span<const std::uint8_t> message) override { onMessage(message); }

    void onConnected();
    void onClosed(ScCloseReason reason, ScResult status, int error = 0);
    void onMessage(std::span<const std::uint8_t> message);

    void setNotify(void* window, std::uint32_t userMessage, platform::Event* event);
    ScResult dispatch(DispatchProc callback, void* context);

    // Staging under SimConnectPacketLock. reserve zero-fills size bytes and stamps the next
    // send id at +12; it gives the recorded status of a failed transport and 0x80004005 for a
    // packet larger than the free staging area.
    ScResult reserve(std::uint64_t size, std::uint8_t*& packet);
    // Undoes the last reservation, send id included.
    void giveBack(std::size_t size);
    // Sends what is staged as one buffer and rewinds; false when the transport dropped it.
    bool flush();
    std::uint32_t lastSendId() const;
    void setLastSendId(std::uint32_t sendId);

    void discardReceived();
    std::size_t receivedCount() const;
    std::uint64_t droppedMessages() const;

private:
    std::atomic<void*> window_{nullptr};
    std::atomic<std::uint32_t> userMessage_{0};
    std::atomic<platform::Event*> event_{nullptr};
    DispatchProc callback_ = nullptr;
    void* context_ = nullptr;

    mutable std::mutex receivedMutex_;
    std::deque<std::vector<std::uint8_t>> received_;
    std::uint64_t dropped_ = 0;

    // Under SimConnectPacketLock.
    std::array<std::uint8_t, sc::kStagingSize> staging_{};
    std::size_t stagingCursor_ = 0;
    std::uint32_t sendId_ = 0;
    std::uint32_t sendIdBeforeReserve_ = 0;
};

namespace sc {

// Unlinks, closes without a reason and frees the handle, without the close's waits: the failure
// paths of an open, and capture handles.
void gf_releaseHandle(SimConnectHandle* handle);
// The Open packet; flushed (when given) tells whether the transport took it.
ScResult gf_sendOpenPacket(SimConnectHandle* handle, const char* name, bool* flushed);

} // namespace sc

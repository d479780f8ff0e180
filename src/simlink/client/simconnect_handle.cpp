#include "simlink/client/simconnect_handle.h"

#include "simlink/client/simconnect_globals.h"

#include <cstring>

SimConnectHandle::SimConnectHandle() {
    sc::gf_linkHandle(this);
}

SimConnectHandle::~SimConnectHandle() {
    release();
    sc::gf_unlinkHandle(this);
}

void SimConnectHandle::onConnected() {
    SimConnectTransport::reset();
    if (disableNagle() && kind() == sc::TransportKind::socket && socket().valid()) {
        // A socket without the option still works; Nagle only delays.
        ownSocket().setNoDelay(true);
    }
    setState(sc::TransportState::connected);
}

void SimConnectHandle::onClosed(ScCloseReason reason, ScResult status, int error) {
    SimConnectTransport::close(reason, status, error);
    if (reason != ScCloseReason::none) {
        // The notify window has no message loop here; only the event wakes the client.
        if (platform::Event* event = event_.load()) {
            event->set();
        }
    }
}

void SimConnectHandle::onMessage(std::span<const std::uint8_t> message) {
    std::vector<std::uint8_t> entry(message.begin(), message.end());
    {
        std::lock_guard lock(receivedMutex_);
        if (received_.size() >= sc::kReceivedListLimit) {
            received_.pop_front();
            ++dropped_;
        }
        received_.push_back(std::move(entry));
    }
    if (platform::Event* event = event_.load()) {
        event->set();
    }
}

void SimConnectHandle::setNotify(void* window, std::uint32_t userMessage, platform::Event* event) {
    window_ = window;
    userMessage_ = userMessage;
    event_ = event;
}

ScResult SimConnectHandle::dispatch(DispatchProc callback, void* context) {
    if (callback != nullptr) {
        callback_ = callback;
    }
    context_ = context;
    if (callback_ == nullptr) {
        return kScFail;
    }
    while (true) {
        std::vector<std::uint8_t> message;
        {
            std::lock_guard lock(receivedMutex_);
            if (received_.empty()) {
                break;
            }
            message = std::move(received_.front());
            received_.pop_front();
        }
        if (message.size() >= sc::kShortestDispatched) {
            callback_(message.data(), static_cast<std::uint32_t>(message.size()), context_);
        }
    }
    connectingHook();
    if (failed()) {
        return failure().status;
    }
    return kScOk;
}

ScResult SimConnectHandle::reserve(std::uint64_t size, std::uint8_t*& packet) {
    std::lock_guard lock(sc::SimConnectPacketLock);
    connectingHook();
    if (failed()) {
        return failure().status;
    }
    if (size > staging_.size() - stagingCursor_) {
        return kScFail;
    }
    packet = staging_.data() + stagingCursor_;
    std::memset(packet, 0, size);
    stagingCursor_ += size;
    sendIdBeforeReserve_ = sendId_;
    if (++sendId_ == 0) {
        sendId_ = 1;
    }
    packet[12] = static_cast<std::uint8_t>(sendId_);
    packet[13] = static_cast<std::uint8_t>(sendId_ >> 8);
    packet[14] = static_cast<std::uint8_t>(sendId_ >> 16);
    packet[15] = static_cast<std::uint8_t>(sendId_ >> 24);
    return kScOk;
}

void SimConnectHandle::giveBack(std::size_t size) {
    std::lock_guard lock(sc::SimConnectPacketLock);
    stagingCursor_ -= size;
    std::memset(staging_.data() + stagingCursor_, 0, size);
    sendId_ = sendIdBeforeReserve_;
}

bool SimConnectHandle::flush() {
    std::lock_guard lock(sc::SimConnectPacketLock);
    if (stagingCursor_ == 0) {
        return state() == sc::TransportState::connected;
    }
    bool sent = false;
    try {
        auto buffer = std::make_shared<sc::SendBuffer>();
        buffer->bytes.assign(staging_.begin(), staging_.begin() + stagingCursor_);
        buffer->transportId = transportId();
        sent = send(std::move(buffer));
    } catch (const std::bad_alloc&) {
        sent = false;
    }
    std::memset(staging_.data(), 0, stagingCursor_);
    stagingCursor_ = 0;
    return sent;
}

std::uint32_t SimConnectHandle::lastSendId() const {
    std::lock_guard lock(sc::SimConnectPacketLock);
    return sendId_;
}

void SimConnectHandle::setLastSendId(std::uint32_t sendId) {
    std::lock_guard lock(sc::SimConnectPacketLock);
    sendId_ = sendId;
}

void SimConnectHandle::discardReceived() {
    std::lock_guard lock(receivedMutex_);
    received_.clear();
}

std::size_t SimConnectHandle::receivedCount() const {
    std::lock_guard lock(receivedMutex_);
    return received_.size();
}

std::uint64_t SimConnectHandle::droppedMessages() const {
    std::lock_guard lock(receivedMutex_);
    return dropped_;
}

namespace sc {

void gf_releaseHandle(SimConnectHandle* handle) {
    gf_unlinkHandle(handle);
    delete handle;
    if (gf_handleCount() == 0) {
        gf_clearSocketsStarted();
    }
}

ConnectionFailure connectionFailure(const SimConnectHandle* handle) {
    return handle != nullptr ? handle->failure() : ConnectionFailure{};
}

std::uint64_t droppedMessages(const SimConnectHandle* handle) {
    return handle != nullptr ? handle->droppedMessages() : 0;
}

} // namespace sc

#include "simlink/client/simconnect_transport.h"

#include "platform/thread_name.h"
#include "simlink/client/simconnect_globals.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace sc {

CloseCause gf_closeCauseOfIo(const platform::SocketResult& result) {
    using platform::SocketErrorKind;
    switch (result.kind) {
    case SocketErrorKind::peerClosed:
        return {ScCloseReason::zeroByteRead, kScStatusLinkFailed};
    case SocketErrorKind::reset:
        return {ScCloseReason::remoteDisconnect, kScStatusConnectionReset};
    case SocketErrorKind::brokenPipe:
        return {ScCloseReason::remoteDisconnect, kScStatusPipeBroken};
    case SocketErrorKind::aborted:
        return {ScCloseReason::remoteDisconnect, kScStatusRemoteDisconnect};
    default:
        return {ScCloseReason::otherFailure, kScStatusUnsuccessful};
    }
}

SimConnectTransport::~SimConnectTransport() {
    assert(!reader_.joinable() && !writer_.joinable());
}

void SimConnectTransport::reset() {
    {
        std::lock_guard lock(ioMutex_);
        sendList_.clear();
        writeInFlight_ = false;
    }
    transportId_ = gf_nextTransportId();
    receive_.reset();
}

void SimConnectTransport::close(ScCloseReason reason, ScResult status, int error) {
    {
        std::lock_guard lock(closeMutex_);
        if (state_.load() == TransportState::closed) {
            return;
        }
        state_ = TransportState::closed;
        if (reason != ScCloseReason::none) {
            status_ = status;
            lastErrno_ = error;
            reason_ = reason;
        }
    }
    socket_.shutdownBoth();
    { std::lock_guard lock(ioMutex_); }
    ioCv_.notify_all();
}

ConnectionFailure SimConnectTransport::failure() const {
    std::lock_guard lock(closeMutex_);
    return {reason_.load(), status_, lastErrno_};
}

void SimConnectTransport::attach(platform::Socket socket, TransportKind kind,
                                 std::uint32_t maxReceiveSize, bool disableNagle) {
    socket_ = std::move(socket);
    kind_ = kind;
    disableNagle_ = disableNagle;
    receive_ = ReceiveBuffer(maxReceiveSize);
    reset();
    gf_addLiveTransport();
    live_ = true;
    try {
        reader_ = std::thread(&SimConnectTransport::readerLoop, this);
        writer_ = std::thread(&SimConnectTransport::writerLoop, this);
    } catch (...) {
        release();
        throw;
    }
}

void SimConnectTransport::attachCapture(std::shared_ptr<CaptureLog> log) {
    capture_ = std::move(log);
    reset();
}

bool SimConnectTransport::send(std::shared_ptr<const SendBuffer> buffer) {
    if (state_.load() != TransportState::connected) {
        return false;
    }
    if (capture_) {
        std::lock_guard lock(capture_->mutex);
        capture_->packets.push_back(buffer->bytes);
        return true;
    }
    {
        std::lock_guard lock(ioMutex_);
        sendList_.push_back(std::move(buffer));
    }
    ioCv_.notify_all();
    return true;
}

void SimConnectTransport::waitSendListEmpty(std::chrono::milliseconds bound) {
    std::unique_lock lock(ioMutex_);
    ioCv_.wait_for(lock, bound, [this] {
        return state_.load() == TransportState::closed || (sendList_.empty() && !writeInFlight_);
    });
}

void SimConnectTransport::release() {
    close(ScCloseReason::none, kScOk);
    if (reader_.joinable()) {
        reader_.join();
    }
    if (writer_.joinable()) {
        writer_.join();
    }
    socket_.close();
    {
        std::lock_guard lock(ioMutex_);
        sendList_.clear();
        writeInFlight_ = false;
    }
    receive_.reset();
    if (capture_) {
        std::lock_guard lock(capture_->mutex);
        capture_->released = true;
    }
    if (live_) {
        live_ = false;
        gf_removeLiveTransport();
    }
}

void SimConnectTransport::feedReceived(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(feedMutex_);
    while (!bytes.empty()) {
        const std::span<std::uint8_t> space = receive_.freeSpace();
        const std::size_t count = std::min(space.size(), bytes.size());
        std::memcpy(space.data(), bytes.data(), count);
        bytes = bytes.subspan(count);
        if (!onReadCompleted(platform::SocketResult{platform::SocketErrorKind::none, 0, count},
                             count)) {
            return;
        }
    }
}

bool SimConnectTransport::onReadCompleted(const platform::SocketResult& status, std::size_t bytes) {
    if (state_.load() == TransportState::closed) {
        return false;
    }
    if (!status.ok()) {
        const CloseCause cause = gf_closeCauseOfIo(status);
        close(cause.reason, cause.status, status.error);
        return false;
    }
    receive_.commit(bytes);
    return takeOutMessages();
}

bool SimConnectTransport::takeOutMessages() {
    const std::optional<CloseCause> fault = receive_.takeOut(
        [this](std::span<const std::uint8_t> message) { messageReceived(message); });
    if (fault) {
        close(fault->reason, fault->status);
        return false;
    }
    return state_.load() == TransportState::connected;
}

void SimConnectTransport::readerLoop() {
    platform::setThreadName("ksby-sc-io");
    while (state_.load() != TransportState::closed) {
        const std::span<std::uint8_t> space = receive_.freeSpace();
        const platform::SocketResult result = socket_.receive(space);
        if (!onReadCompleted(result, result.bytes)) {
            return;
        }
    }
}

void SimConnectTransport::startNextWrite() {
    while (true) {
        std::shared_ptr<const SendBuffer> head;
        {
            std::lock_guard lock(ioMutex_);
            while (!sendList_.empty() && sendList_.front()->transportId != transportId_.load()) {
                sendList_.pop_front();
            }
            if (sendList_.empty() || state_.load() == TransportState::closed) {
                writeInFlight_ = false;
                ioCv_.notify_all();
                return;
            }
            head = sendList_.front();
            writeInFlight_ = true;
        }
        const platform::SocketResult result = socket_.sendAll(head->bytes);
        if (!onWriteCompleted(result, result.bytes)) {
            return;
        }
    }
}

bool SimConnectTransport::onWriteCompleted(const platform::SocketResult& status,
                                           std::size_t bytes) {
    (void)bytes;
    if (state_.load() == TransportState::closed) {
        std::lock_guard lock(ioMutex_);
        writeInFlight_ = false;
        ioCv_.notify_all();
        return false;
    }
    if (!status.ok()) {
        const CloseCause cause = gf_closeCauseOfIo(status);
        close(cause.reason, cause.status, status.error);
        std::lock_guard lock(ioMutex_);
        writeInFlight_ = false;
        return false;
    }
    std::lock_guard lock(ioMutex_);
    if (!sendList_.empty()) {
        sendList_.pop_front();
    }
    return true;
}

void SimConnectTransport::writerLoop() {
    platform::setThreadName("ksby-sc-io");
    std::unique_lock lock(ioMutex_);
    while (true) {
        ioCv_.wait(
            lock, [this] { return state_.load() == TransportState::closed || !sendList_.empty(); });
        if (state_.load() == TransportState::closed) {
            return;
        }
        lock.unlock();
        startNextWrite();
        lock.lock();
    }
}

} // namespace sc

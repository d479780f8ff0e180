#include "simlink/client/simconnect_capture.h"

#include "simlink/client/simconnect_handle.h"

namespace sc {

CaptureHandle::CaptureHandle()
    : log_(std::make_shared<CaptureLog>()), handle_(new SimConnectHandle) {
    handle_->attachCapture(log_);
}

CaptureHandle::~CaptureHandle() {
    if (SimConnectHandle* handle = get()) {
        gf_releaseHandle(handle);
    }
}

SimConnectHandle* CaptureHandle::get() const {
    std::lock_guard lock(log_->mutex);
    return log_->released ? nullptr : handle_;
}

std::vector<std::vector<std::uint8_t>> CaptureHandle::packets() const {
    std::lock_guard lock(log_->mutex);
    return log_->packets;
}

void CaptureHandle::clearPackets() {
    std::lock_guard lock(log_->mutex);
    log_->packets.clear();
}

void CaptureHandle::failTransport(ScCloseReason reason, ScResult status) {
    if (SimConnectHandle* handle = get()) {
        handle->close(reason, status);
    }
}

void CaptureHandle::receive(std::span<const std::uint8_t> bytes) {
    if (SimConnectHandle* handle = get()) {
        handle->feedReceived(bytes);
    }
}

void setLastSendId(SimConnectHandle* handle, std::uint32_t sendId) {
    handle->setLastSendId(sendId);
}

std::unique_ptr<CaptureHandle> makeCaptureHandle() {
    return std::make_unique<CaptureHandle>();
}

} // namespace sc

#include "simlink/client/receive_buffer.h"

#include <cassert>
#include <cstring>
#include <new>

namespace sc {

ReceiveBuffer::ReceiveBuffer(std::uint32_t maxReceiveSize)
    : buffer_(kReceiveBufferStep), maxReceiveSize_(maxReceiveSize) {}

std::span<std::uint8_t> ReceiveBuffer::freeSpace() {
    return std::span<std::uint8_t>(buffer_).subspan(write_);
}

void ReceiveBuffer::commit(std::size_t count) {
    assert(count <= buffer_.size() - write_);
    write_ += count;
}

std::optional<CloseCause> ReceiveBuffer::makeRoom() {
    if (read_ == write_) {
        read_ = 0;
        write_ = 0;
    }
    if (write_ == buffer_.size()) {
        if (read_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + read_, write_ - read_);
            write_ -= read_;
            read_ = 0;
        } else if (buffer_.size() < kReceiveBufferLimit) {
            try {
                buffer_.resize(buffer_.size() + kReceiveBufferStep);
            } catch (const std::bad_alloc&) {
                return CloseCause{ScCloseReason::outOfMemory, kScOutOfMemory};
            }
        } else {
            // Only a limit above the buffer's own allows a message that cannot fit.
            return CloseCause{ScCloseReason::messageTooLarge, kScAbort};
        }
    }
    return std::nullopt;
}

void ReceiveBuffer::reset() {
    read_ = 0;
    write_ = 0;
    skippingZeros_ = false;
}

} // namespace sc

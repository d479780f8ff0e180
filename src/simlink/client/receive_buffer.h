#pragma once
// The receive buffer and the framing of received messages, without threads: the reader thread,
// the tests and the fuzz target drive the same code.
#include "simlink/client/simconnect.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace sc {

inline constexpr std::uint32_t kDefaultMaxReceiveSize = 41088;
inline constexpr std::size_t kReceiveBufferStep = 2048;
inline constexpr std::size_t kReceiveBufferLimit = 1048576;

// Why a connection ends, and the status later calls report.
struct CloseCause {
    ScCloseReason reason = ScCloseReason::none;
    ScResult status = kScOk;
};

class ReceiveBuffer {
public:
    explicit ReceiveBuffer(std::uint32_t maxReceiveSize = kDefaultMaxReceiveSize);

    // Where the next read goes; never empty after a takeOut that found no fault.
    std::span<std::uint8_t> freeSpace();
    // count bytes were written at the start of freeSpace().
    void commit(std::size_t count);
    // Hands every whole message to the sink, a callable taking std::span<const std::uint8_t>, in
    // arrival order (the span lives for the call only), then makes room for the next read. A
    // fault gives its close cause; a sink that throws std::bad_alloc counts as out of memory.
    // A template, so that the per-message path inlines into the reader.
    template <class Sink> std::optional<CloseCause> takeOut(Sink&& sink) {
        // Positions in locals: a sink that may alias them would reload them for every message.
        const std::uint8_t* const data = buffer_.data();
        const std::size_t write = write_;
        std::size_t read = read_;
        std::optional<CloseCause> fault;
        while (true) {
            if (skippingZeros_) {
                while (read < write && data[read] == 0) {
                    ++read;
                }
                if (read == write) {
                    break;
                }
                skippingZeros_ = false;
            }
            const std::size_t unread = write - read;
            if (unread < 4) {
                break;
            }
            const std::uint8_t* head = data + read;
            const std::uint32_t size = static_cast<std::uint32_t>(head[0]) |
                                       static_cast<std::uint32_t>(head[1]) << 8 |
                                       static_cast<std::uint32_t>(head[2]) << 16 |
                                       static_cast<std::uint32_t>(head[3]) << 24;
            if (size > maxReceiveSize_) {
                fault = CloseCause{ScCloseReason::messageTooLarge, kScAbort};
                break;
            }
            if (size == 0) {
                skippingZeros_ = true;
                continue;
            }
            if (size < 4) {
                fault = CloseCause{ScCloseReason::malformedSize, kScAbort};
                break;
            }
            if (unread < size) {
                break;
            }
            try {
                sink(std::span<const std::uint8_t>(head, size));
            } catch (const std::bad_alloc&) {
                fault = CloseCause{ScCloseReason::outOfMemory, kScOutOfMemory};
                break;
            }
            read += size;
        }
        read_ = read;
        if (fault) {
            return fault;
        }
        return makeRoom();
    }
    // Empty again, as at a new connection.
    void reset();

    std::size_t capacity() const { return buffer_.size(); }
    std::size_t unread() const { return write_ - read_; }
    std::uint32_t maxReceiveSize() const { return maxReceiveSize_; }

private:
    // Rewinds an emptied buffer and, when the data reached its end, moves the unread bytes to
    // the start or grows it.
    std::optional<CloseCause> makeRoom();

    std::vector<std::uint8_t> buffer_;
    std::size_t read_ = 0;
    std::size_t write_ = 0;
    std::uint32_t maxReceiveSize_;
    // A size of 0 skips zero bytes until a non-zero one, also across reads.
    bool skippingZeros_ = false;
};

} // namespace sc

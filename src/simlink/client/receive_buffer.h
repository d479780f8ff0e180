#pragma once
// The receive buffer and the framing of received messages, without threads: the reader thread,
// the tests and the fuzz target drive the same code.
#include "simlink/client/simconnect.h"

#include <cstddef>
#include <cstdint>
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

// A non-owning reference to a callable taking one message; cheaper than std::function on the
// per-message path.
class MessageSinkRef {
public:
    template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, MessageSinkRef>)
        MessageSinkRef(F&& sink) // NOLINT: implicit by design
        : object_(const_cast<void*>(static_cast<const void*>(&sink))),
          call_([](void* object, std::span<const std::uint8_t> message) {
              (*static_cast<std::remove_reference_t<F>*>(object))(message);
          }) {}

    void operator()(std::span<const std::uint8_t> message) const { call_(object_, message); }

private:
    void* object_;
    void (*call_)(void*, std::span<const std::uint8_t>);
};

class ReceiveBuffer {
public:
    explicit ReceiveBuffer(std::uint32_t maxReceiveSize = kDefaultMaxReceiveSize);

    // Where the next read goes; never empty after a takeOut that found no fault.
    std::span<std::uint8_t> freeSpace();
    // count bytes were written at the start of freeSpace().
    void commit(std::size_t count);
    // Hands every whole message to the sink in arrival order (the span lives for the call only),
    // then makes room for the next read. A fault gives its close cause; a sink that throws
    // std::bad_alloc counts as out of memory.
    std::optional<CloseCause> takeOut(MessageSinkRef sink);
    // Empty again, as at a new connection.
    void reset();

    std::size_t capacity() const { return buffer_.size(); }
    std::size_t unread() const { return write_ - read_; }
    std::uint32_t maxReceiveSize() const { return maxReceiveSize_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t read_ = 0;
    std::size_t write_ = 0;
    std::uint32_t maxReceiveSize_;
    // A size of 0 skips zero bytes until a non-zero one, also across reads.
    bool skippingZeros_ = false;
};

} // namespace sc

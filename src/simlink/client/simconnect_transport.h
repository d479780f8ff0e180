#pragma once
// The byte stream under a client handle: one socket (TCP, or the Unix socket that stands for a
// named pipe), a reader thread that frames what arrives, and a writer thread that sends the send
// list one buffer at a time. A close from any thread only records why and shuts the socket down;
// the threads are joined and the socket closed by release(), on the owner's thread.
#include "platform/socket.h"
#include "simlink/client/receive_buffer.h"
#include "simlink/client/simconnect.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace sc {

// One flushed packet on its way; the writer drops it when its transport id is stale.
struct SendBuffer {
    std::vector<std::uint8_t> bytes;
    std::uint32_t transportId = 0;
};

// Where a capture transport puts what it would send.
struct CaptureLog {
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> packets;
    bool released = false;
};

enum class TransportKind : int { socket = 0, pipe = 1 };
enum class TransportState : int { closed = 0, connecting = 1, connected = 2 };

// The close cause of a failed send or receive.
CloseCause gf_closeCauseOfIo(const platform::SocketResult& result);

class SimConnectTransport {
public:
    SimConnectTransport() = default;
    // release() must have run: the derived object's virtuals are called from the threads.
    virtual ~SimConnectTransport();
    SimConnectTransport(const SimConnectTransport&) = delete;
    SimConnectTransport& operator=(const SimConnectTransport&) = delete;

    // A new connection: empties the send list, takes a new transport id, rewinds the receive
    // buffer.
    virtual void reset();
    // State closed; a reason other than none records the reason, status and errno (the first
    // one wins) and marks the transport failed. Shuts the socket down so the threads end.
    virtual void close(ScCloseReason reason, ScResult status, int error = 0);
    virtual void messageReceived(std::span<const std::uint8_t> message) = 0;
    // The connect-time health test; nothing to test here.
    virtual void connectingHook() {}

    // Takes a connected socket, becomes connected (through reset()) and starts the reader and
    // writer threads. Throws std::system_error when a thread cannot start (nothing left running).
    void attach(platform::Socket socket, TransportKind kind, std::uint32_t maxReceiveSize,
                bool disableNagle);
    // Connected without a socket or threads: each sent buffer is appended to the log.
    void attachCapture(std::shared_ptr<CaptureLog> log);
    // Appends to the send list; false when dropped because the transport is not connected.
    bool send(std::shared_ptr<const SendBuffer> buffer);
    // Waits until the send list is empty and no write is in flight, the transport closed or the
    // bound passed (real time: it must not depend on an injected sleeper).
    void waitSendListEmpty(std::chrono::milliseconds bound);
    // Closes without a reason when still open, joins the threads, closes the socket, frees the
    // buffers. Idempotent; only the owner calls it, never an I/O thread.
    void release();
    // Bytes as if read from the socket (capture transports; the calling thread acts as reader).
    void feedReceived(std::span<const std::uint8_t> bytes);

    TransportState state() const { return state_.load(); }
    bool failed() const { return reason_.load() != ScCloseReason::none; }
    ConnectionFailure failure() const;
    std::uint32_t transportId() const { return transportId_.load(); }
    TransportKind kind() const { return kind_; }
    bool disableNagle() const { return disableNagle_; }
    std::uint32_t maxReceiveSize() const { return receive_.maxReceiveSize(); }
    const platform::Socket& socket() const { return socket_; }

protected:
    void setState(TransportState state) { state_.store(state); }
    platform::Socket& ownSocket() { return socket_; }

    // The completion steps of a read and a write.
    bool onReadCompleted(const platform::SocketResult& status, std::size_t bytes);
    bool onWriteCompleted(const platform::SocketResult& status, std::size_t bytes);
    bool takeOutMessages();
    void startNextWrite();

private:
    void readerLoop();
    void writerLoop();

    std::atomic<TransportState> state_{TransportState::closed};
    TransportKind kind_ = TransportKind::socket;
    bool disableNagle_ = false;
    platform::Socket socket_;
    std::shared_ptr<CaptureLog> capture_;

    mutable std::mutex closeMutex_;
    std::atomic<ScCloseReason> reason_{ScCloseReason::none};
    ScResult status_ = kScOk;
    int lastErrno_ = 0;

    std::mutex ioMutex_;
    std::condition_variable ioCv_;
    std::deque<std::shared_ptr<const SendBuffer>> sendList_;
    bool writeInFlight_ = false;

    // The reader thread's alone (or feedReceived's caller's).
    ReceiveBuffer receive_;
    std::mutex feedMutex_;

    std::atomic<std::uint32_t> transportId_{0};
    bool live_ = false;
    std::thread reader_;
    std::thread writer_;
};

} // namespace sc

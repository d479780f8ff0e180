#pragma once
// A client handle for tests of everything that sends or dispatches: connected, without a
// socket or threads. Each flushed packet is appended to a list the test reads, byte for byte;
// receive() frames bytes as the reader thread would and queues the messages for
// SimConnect_CallDispatch; failTransport() fails the connection as a broken one would, so that
// every later call returns the status and sends nothing.
//
//   auto capture = sc::makeCaptureHandle();
//   SimConnect_AIRemoveObject(capture->get(), 7, 1);
//   ASSERT_EQ(capture->packets().size(), 1u);
//
// The handle sits in the process-wide handle list like an opened one. SimConnect_Close may be
// called on it (it then goes through the close's waits on the injected clock); otherwise the
// CaptureHandle releases it when destroyed, without waits.
#include "simlink/client/simconnect.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace sc {

struct CaptureLog;

class CaptureHandle {
public:
    CaptureHandle();
    ~CaptureHandle();
    CaptureHandle(const CaptureHandle&) = delete;
    CaptureHandle& operator=(const CaptureHandle&) = delete;

    // The handle; null once SimConnect_Close has released it.
    SimConnectHandle* get() const;
    // Every packet flushed so far, in order.
    std::vector<std::vector<std::uint8_t>> packets() const;
    void clearPackets();
    // Closes the connection with a reason and status, as a failed read or write does.
    void failTransport(ScCloseReason reason, ScResult status);
    // Bytes as if they arrived on the connection, in one read per buffer-full.
    void receive(std::span<const std::uint8_t> bytes);

private:
    std::shared_ptr<CaptureLog> log_;
    SimConnectHandle* handle_;
};

std::unique_ptr<CaptureHandle> makeCaptureHandle();

// Sets the send-id counter, so that tests reach its wrap without 2^32 packets.
void setLastSendId(SimConnectHandle* handle, std::uint32_t sendId);

// The Open packet that SimConnect_Open sends, on any handle.
ScResult sendOpenPacket(SimConnectHandle* handle, const char* name);

} // namespace sc

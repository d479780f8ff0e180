// Open, dispatch and close of a client handle.
#include "core/clock.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_config.h"
#include "simlink/client/simconnect_globals.h"
#include "simlink/client/simconnect_handle.h"

#include <chrono>
#include <exception>
#include <new>

namespace sc {

namespace {

// Nothing left open: the flag that stands for Winsock's start-up goes down with it.
void lf_afterLastHandle() {
    if (gf_handleCount() == 0) {
        gf_clearSocketsStarted();
    }
}

} // namespace

ScResult gf_openWith(SimConnectHandle** handle, const char* name, void* window,
                     std::uint32_t userMessage, platform::Event* event, std::uint32_t configIndex,
                     const ConfigSources& sources, Connector& connector) {
    if (handle == nullptr || name == nullptr) {
        return kScInvalidArgument;
    }
    *handle = nullptr;
    Connection connection;
    if (const ScResult connected = lf_scOpenConnection(configIndex, sources, connector, connection);
        connected != kScOk) {
        lf_afterLastHandle();
        return connected;
    }
    auto* opened = new (std::nothrow) SimConnectHandle;
    if (opened == nullptr) {
        lf_afterLastHandle();
        return kScFail;
    }
    try {
        opened->attach(std::move(connection.socket),
                       connection.pipe ? TransportKind::pipe : TransportKind::socket,
                       connection.config.maxReceiveSize, connection.config.disableNagle);
    } catch (const std::exception&) {
        // No thread could start, or no receive buffer could be had.
        gf_releaseHandle(opened);
        return kScFail;
    }
    opened->setNotify(window, userMessage, event);
    bool flushed = false;
    const ScResult sent = gf_sendOpenPacket(opened, name, &flushed);
    if (sent != kScOk || !flushed) {
        gf_releaseHandle(opened);
        return sent == kScStringTooLong ? kScStringTooLong : kScFail;
    }
    *handle = opened;
    return kScOk;
}

} // namespace sc

ScResult SimConnect_Open(SimConnectHandle** handle, const char* name, void* window,
                         std::uint32_t userMessage, platform::Event* event,
                         std::uint32_t configIndex) {
    sc::SocketConnector connector;
    return sc::gf_openWith(handle, name, window, userMessage, event, configIndex,
                           sc::gf_productionConfigSources(), connector);
}

ScResult SimConnect_CallDispatch(SimConnectHandle* handle, DispatchProc callback, void* context) {
    if (handle == nullptr) {
        return kScFail;
    }
    return handle->dispatch(callback, context);
}

ScResult SimConnect_Close(SimConnectHandle* handle) {
    using std::chrono::milliseconds;
    if (handle == nullptr) {
        return kScFail;
    }
    handle->flush();
    ksb::gf_sleepFor(milliseconds(100));
    handle->discardReceived();
    sc::gf_unlinkHandle(handle);
    // What was just flushed leaves before the socket is shut down.
    handle->waitSendListEmpty(milliseconds(1000));
    handle->onClosed(ScCloseReason::none, kScOk);
    delete handle;
    ksb::gf_sleepFor(milliseconds(250));
    if (sc::gf_handleCount() == 0) {
        for (int i = 0; i < 20 && sc::gf_liveTransportCount() > 0; ++i) {
            ksb::gf_sleepFor(milliseconds(250));
        }
        sc::gf_clearSocketsStarted();
    }
    return kScOk;
}

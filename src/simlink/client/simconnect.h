#pragma once
// The system's SimConnect client: the published calls it makes, their result codes, and the
// message ids, datum types and periods it uses. Each call leaves as one packet of its own.
// Received messages reach the dispatch callback whole, as bytes; simconnect_messages.h reads them.
// The initial position of a creation is the record the traffic engine fills (core), so that both
// sides share one definition of the name.
#include "core/link_records.h"

#include <cstdint>

namespace platform {
class Event;
}

class SimConnectHandle;

using ScResult = std::uint32_t;

// Results of the calls (HRESULT).
inline constexpr ScResult kScOk = 0;
inline constexpr ScResult kScFail = 0x80004005;            // E_FAIL
inline constexpr ScResult kScInvalidArgument = 0x80070057; // E_INVALIDARG
inline constexpr ScResult kScStringTooLong = 0x8007007A;   // a string does not fit its field
// Failure statuses the transport records when the connection fails; later calls return them.
inline constexpr ScResult kScAbort = 0x80004004;              // message too large or malformed
inline constexpr ScResult kScOutOfMemory = 0x8007000E;        // E_OUTOFMEMORY
inline constexpr ScResult kScStatusUnsuccessful = 0xC0000001; // any other failure
inline constexpr ScResult kScStatusCancelled = 0xC0000120;
inline constexpr ScResult kScStatusRemoteDisconnect = 0xC000013C; // connection aborted
inline constexpr ScResult kScStatusLinkFailed = 0xC000013E;       // the peer closed
inline constexpr ScResult kScStatusLinkTimeout = 0xC000013F;
inline constexpr ScResult kScStatusPipeBroken = 0xC000014B;
inline constexpr ScResult kScStatusConnectionReset = 0xC000020D;
inline constexpr ScResult kScStatusBufferOverflow = 0x80000005;

// Close reasons a failed connection records (0: none).
enum class ScCloseReason : std::uint32_t {
    none = 0,
    messageTooLarge = 1,
    malformedSize = 2,
    outOfMemory = 3,
    zeroByteRead = 4,
    remoteDisconnect = 5,
    connectTimeout = 7, // never recorded here: the connect-time health test is not built
    cancelled = 8,
    otherFailure = 9,
};

// Received message ids.
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_EXCEPTION = 1;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_OPEN = 2;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_QUIT = 3;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_EVENT = 4;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE = 5;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_EVENT_FILENAME = 6;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_EVENT_FRAME = 7;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_SIMOBJECT_DATA = 8;
inline constexpr std::uint32_t SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE = 9;

// Datum types of data definitions.
inline constexpr std::uint32_t SIMCONNECT_DATATYPE_INT64 = 2;
inline constexpr std::uint32_t SIMCONNECT_DATATYPE_FLOAT64 = 4;
inline constexpr std::uint32_t SIMCONNECT_DATATYPE_STRING32 = 6;
inline constexpr std::uint32_t SIMCONNECT_DATATYPE_STRINGV = 11;

// Periods of data requests.
inline constexpr std::uint32_t SIMCONNECT_PERIOD_ONCE = 1;
inline constexpr std::uint32_t SIMCONNECT_PERIOD_SECOND = 4;

inline constexpr std::uint32_t SIMCONNECT_OBJECT_ID_USER = 0;
inline constexpr std::uint32_t SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT = 2;
// The configuration index that reads no SimConnect.cfg.
inline constexpr std::uint32_t SIMCONNECT_OPEN_CONFIGINDEX_DEFAULTS = 0xFFFFFFFF;


// Gets each received message (at least 12 bytes) with its size and the dispatch context.
using DispatchProc = void (*)(const std::uint8_t* message, std::uint32_t size, void* context);

// Connects as SimConnect.cfg section "SimConnect" (index 0) or "SimConnect.<index>" and the
// simulator's registry ports say, and sends the Open packet. window and userMessage are kept but
// never used; event (may be null) is set on each arrival and on a failure of the connection.
ScResult SimConnect_Open(SimConnectHandle** handle, const char* name, void* window,
                         std::uint32_t userMessage, platform::Event* event,
                         std::uint32_t configIndex);
// Sends what was flushed, discards what was received, ends the connection and frees the handle.
ScResult SimConnect_Close(SimConnectHandle* handle);
// Hands every received message to the callback (or the one given before), oldest first. Then 0,
// or the connection's failure status once everything received before the failure was handed out.
ScResult SimConnect_CallDispatch(SimConnectHandle* handle, DispatchProc callback, void* context);
ScResult SimConnect_GetLastSentPacketID(SimConnectHandle* handle, std::uint32_t* sendId);

ScResult SimConnect_MapClientEventToSimEvent(SimConnectHandle* handle, std::uint32_t clientEventId,
                                             const char* simEventName);
ScResult SimConnect_TransmitClientEvent(SimConnectHandle* handle, std::uint32_t objectId,
                                        std::uint32_t clientEventId, std::uint32_t data,
                                        std::uint32_t groupId, std::uint32_t flags);
ScResult SimConnect_AddClientEventToNotificationGroup(SimConnectHandle* handle,
                                                      std::uint32_t groupId,
                                                      std::uint32_t clientEventId, bool maskable);
ScResult SimConnect_SetNotificationGroupPriority(SimConnectHandle* handle, std::uint32_t groupId,
                                                 std::uint32_t priority);
ScResult SimConnect_AddToDataDefinition(SimConnectHandle* handle, std::uint32_t definitionId,
                                        const char* datumName, const char* unitsName,
                                        std::uint32_t datumType, float epsilon,
                                        std::uint32_t datumId);
ScResult SimConnect_ClearDataDefinition(SimConnectHandle* handle, std::uint32_t definitionId);
ScResult SimConnect_RequestDataOnSimObject(SimConnectHandle* handle, std::uint32_t requestId,
                                           std::uint32_t definitionId, std::uint32_t objectId,
                                           std::uint32_t period, std::uint32_t flags,
                                           std::uint32_t origin, std::uint32_t interval,
                                           std::uint32_t limit);
ScResult SimConnect_RequestDataOnSimObjectType(SimConnectHandle* handle, std::uint32_t requestId,
                                               std::uint32_t definitionId,
                                               std::uint32_t radiusMetres,
                                               std::uint32_t objectType);
// Sends max(arrayCount, 1) x unitSize bytes of data.
ScResult SimConnect_SetDataOnSimObject(SimConnectHandle* handle, std::uint32_t definitionId,
                                       std::uint32_t objectId, std::uint32_t flags,
                                       std::uint32_t arrayCount, std::uint32_t unitSize,
                                       const void* data);
ScResult SimConnect_SubscribeToSystemEvent(SimConnectHandle* handle, std::uint32_t clientEventId,
                                           const char* systemEventName);
ScResult SimConnect_UnsubscribeFromSystemEvent(SimConnectHandle* handle,
                                               std::uint32_t clientEventId);
ScResult SimConnect_AICreateNonATCAircraft(SimConnectHandle* handle, const char* containerTitle,
                                           const char* tailNumber,
                                           const SIMCONNECT_DATA_INITPOSITION& position,
                                           std::uint32_t requestId);
ScResult SimConnect_AIReleaseControl(SimConnectHandle* handle, std::uint32_t objectId,
                                     std::uint32_t requestId);
ScResult SimConnect_AIRemoveObject(SimConnectHandle* handle, std::uint32_t objectId,
                                   std::uint32_t requestId);
ScResult SimConnect_AISetAircraftFlightPlan(SimConnectHandle* handle, std::uint32_t objectId,
                                            const char* flightPlanPath, std::uint32_t requestId);

namespace sc {

// What a failed connection recorded, for the session to log. All 0 while it is sound.
struct ConnectionFailure {
    ScCloseReason reason = ScCloseReason::none;
    ScResult status = kScOk;
    int lastErrno = 0;
};
ConnectionFailure connectionFailure(const SimConnectHandle* handle);
// Received messages dropped because the undispatched list was full (4096).
std::uint64_t droppedMessages(const SimConnectHandle* handle);

} // namespace sc

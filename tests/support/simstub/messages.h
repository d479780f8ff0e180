#pragma once
// The messages the stand-in sends, encoded on our own at the offsets of the message table.
#include "support/simstub/fields.h"
#include "support/simstub/scenario.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace simstub {

enum MessageId : std::uint32_t {
    kMessageException = 1,
    kMessageOpen = 2,
    kMessageQuit = 3,
    kMessageEvent = 4,
    kMessageObjectAddRemove = 5,
    kMessageFileName = 6,
    kMessageFrame = 7,
    kMessageObjectData = 8,
    kMessageObjectDataByType = 9,
};

// Exception codes the stand-in sends.
enum ExceptionCode : std::uint32_t {
    kExceptionUnrecognizedId = 3,
    kExceptionNameUnrecognized = 7,
    kExceptionTooManyObjects = 11,
    kExceptionCreateObjectFailed = 22,
    kExceptionLoadFlightPlanFailed = 23,
};

struct Message {
    std::uint32_t id = 0;
    std::string name;
    Fields fields;
    std::string bytes;
};

std::string_view gf_messageName(std::uint32_t id);

Message gf_openMessage(const OpenAnswer& answer);
Message gf_exceptionMessage(std::uint32_t code, std::uint32_t sendId, std::uint32_t index);
Message gf_quitMessage();
Message gf_eventMessage(std::uint32_t group, std::uint32_t eventId, std::uint32_t data);
Message gf_objectAddRemoveMessage(std::uint32_t eventId, std::uint32_t objectId,
                                  std::uint32_t objectType);
Message gf_fileNameMessage(std::uint32_t eventId, std::string_view fileName);
Message gf_frameMessage(std::uint32_t eventId, float frameRate, float simulationRate);
// Object data (id 8) or object data by type (id 9); data is packed, dataFields its values.
Message gf_objectDataMessage(bool byType, std::uint32_t requestId, std::uint32_t objectId,
                             std::uint32_t definitionId, std::uint32_t entry, std::uint32_t outOf,
                             std::uint32_t datumCount, std::string_view data,
                             const Fields& dataFields);
// Arbitrary bytes sent by a test.
Message gf_rawMessage(std::string bytes);

} // namespace simstub

#pragma once
// The sixteen packets a client sends: their names, fields and wire rules, decoded on our own.
#include "support/simstub/fields.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace simstub {

enum PacketNumber : std::uint32_t {
    kPacketOpen = 0x01,
    kPacketMapClientEventToSimEvent = 0x04,
    kPacketTransmitClientEvent = 0x05,
    kPacketAddClientEventToNotificationGroup = 0x07,
    kPacketSetNotificationGroupPriority = 0x09,
    kPacketAddToDataDefinition = 0x0C,
    kPacketClearDataDefinition = 0x0D,
    kPacketRequestDataOnSimObject = 0x0E,
    kPacketRequestDataOnSimObjectType = 0x0F,
    kPacketSetDataOnSimObject = 0x10,
    kPacketSubscribeToSystemEvent = 0x17,
    kPacketUnsubscribeFromSystemEvent = 0x18,
    kPacketAICreateNonATCAircraft = 0x29,
    kPacketAIReleaseControl = 0x2B,
    kPacketAIRemoveObject = 0x2C,
    kPacketAISetAircraftFlightPlan = 0x2D,
};

// Offset of the data in a SetDataOnSimObject packet.
inline constexpr std::uint32_t kSetDataHeader = 36;

struct DecodedPacket {
    std::uint32_t size = 0;
    std::uint32_t version = 0;
    std::uint32_t id = 0;
    std::uint32_t number = 0; // id - 0xF0000000, or the raw id when it is not a packet id
    std::uint32_t sendId = 0;
    std::string name;     // "Unknown" for an id that is no packet
    bool decoded = false; // a known packet of the right size: fields are valid, actions may run
    Fields fields;
    std::vector<std::string> problems; // wire rules broken
};

// The name of a packet number ("Open", ...); "Unknown" when it is none of the sixteen.
std::string_view gf_packetName(std::uint32_t number);
// bytes holds one whole framed packet (16 <= size <= 41088, size == bytes.size()).
DecodedPacket gf_decodePacket(std::string_view bytes);

} // namespace simstub

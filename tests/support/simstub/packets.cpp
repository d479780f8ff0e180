#include "support/simstub/packets.h"

#include "support/simstub/wire.h"

#include <fmt/format.h>

namespace simstub {

namespace {

enum class Kind { u32, f32, f64, text, alias };

struct FieldSpec {
    const char* name;
    std::uint32_t offset;
    Kind kind;
    std::uint32_t width = 0; // texts
};

struct PacketSpec {
    std::uint32_t number;
    const char* name;
    std::uint32_t size; // 0: SetDataOnSimObject, sized by its count and unit
    std::vector<FieldSpec> fields;
};

const std::vector<PacketSpec>& lf_specs() {
    static const std::vector<PacketSpec> specs = {
        {kPacketOpen,
         "Open",
         296,
         {{"name", 16, Kind::text, 256},
          {"reserved", 272, Kind::u32},
          {"alias", 276, Kind::alias},
          {"major", 280, Kind::u32},
          {"minor", 284, Kind::u32},
          {"buildMajor", 288, Kind::u32},
          {"buildMinor", 292, Kind::u32}}},
        {kPacketMapClientEventToSimEvent,
         "MapClientEventToSimEvent",
         276,
         {{"eventId", 16, Kind::u32}, {"name", 20, Kind::text, 256}}},
        {kPacketTransmitClientEvent,
         "TransmitClientEvent",
         36,
         {{"objectId", 16, Kind::u32},
          {"eventId", 20, Kind::u32},
          {"data", 24, Kind::u32},
          {"group", 28, Kind::u32},
          {"flags", 32, Kind::u32}}},
        {kPacketAddClientEventToNotificationGroup,
         "AddClientEventToNotificationGroup",
         28,
         {{"group", 16, Kind::u32}, {"eventId", 20, Kind::u32}, {"maskable", 24, Kind::u32}}},
        {kPacketSetNotificationGroupPriority,
         "SetNotificationGroupPriority",
         24,
         {{"group", 16, Kind::u32}, {"priority", 20, Kind::u32}}},
        {kPacketAddToDataDefinition,
         "AddToDataDefinition",
         544,
         {{"definitionId", 16, Kind::u32},
          {"datum", 20, Kind::text, 256},
          {"units", 276, Kind::text, 256},
          {"type", 532, Kind::u32},
          {"epsilon", 536, Kind::f32},
          {"datumId", 540, Kind::u32}}},
        {kPacketClearDataDefinition, "ClearDataDefinition", 20, {{"definitionId", 16, Kind::u32}}},
        {kPacketRequestDataOnSimObject,
         "RequestDataOnSimObject",
         48,
         {{"requestId", 16, Kind::u32},
          {"definitionId", 20, Kind::u32},
          {"objectId", 24, Kind::u32},
          {"period", 28, Kind::u32},
          {"flags", 32, Kind::u32},
          {"origin", 36, Kind::u32},
          {"interval", 40, Kind::u32},
          {"limit", 44, Kind::u32}}},
        {kPacketRequestDataOnSimObjectType,
         "RequestDataOnSimObjectType",
         32,
         {{"requestId", 16, Kind::u32},
          {"definitionId", 20, Kind::u32},
          {"radius", 24, Kind::u32},
          {"objectType", 28, Kind::u32}}},
        {kPacketSetDataOnSimObject,
         "SetDataOnSimObject",
         0,
         {{"definitionId", 16, Kind::u32},
          {"objectId", 20, Kind::u32},
          {"flags", 24, Kind::u32},
          {"count", 28, Kind::u32},
          {"unitSize", 32, Kind::u32}}},
        {kPacketSubscribeToSystemEvent,
         "SubscribeToSystemEvent",
         276,
         {{"eventId", 16, Kind::u32}, {"name", 20, Kind::text, 256}}},
        {kPacketUnsubscribeFromSystemEvent,
         "UnsubscribeFromSystemEvent",
         20,
         {{"eventId", 16, Kind::u32}}},
        {kPacketAICreateNonATCAircraft,
         "AICreateNonATCAircraft",
         344,
         {{"title", 16, Kind::text, 256},
          {"tail", 272, Kind::text, 12},
          {"latitude", 284, Kind::f64},
          {"longitude", 292, Kind::f64},
          {"altitude", 300, Kind::f64},
          {"pitch", 308, Kind::f64},
          {"bank", 316, Kind::f64},
          {"heading", 324, Kind::f64},
          {"onGround", 332, Kind::u32},
          {"airspeed", 336, Kind::u32},
          {"requestId", 340, Kind::u32}}},
        {kPacketAIReleaseControl,
         "AIReleaseControl",
         24,
         {{"objectId", 16, Kind::u32}, {"requestId", 20, Kind::u32}}},
        {kPacketAIRemoveObject,
         "AIRemoveObject",
         24,
         {{"objectId", 16, Kind::u32}, {"requestId", 20, Kind::u32}}},
        {kPacketAISetAircraftFlightPlan,
         "AISetAircraftFlightPlan",
         284,
         {{"objectId", 16, Kind::u32},
          {"path", 20, Kind::text, 260},
          {"requestId", 280, Kind::u32}}},
    };
    return specs;
}

const PacketSpec* lf_spec(std::uint32_t number) {
    for (const PacketSpec& spec : lf_specs()) {
        if (spec.number == number) {
            return &spec;
        }
    }
    return nullptr;
}

void lf_checkText(std::string_view bytes, const FieldSpec& f, std::vector<std::string>& problems) {
    std::string_view field = bytes.substr(f.offset, f.width);
    const std::size_t end = field.find('\0');
    if (end == std::string_view::npos) {
        problems.push_back(
            fmt::format("{} at +{} has no terminator within {} bytes", f.name, f.offset, f.width));
        return;
    }
    if (field.find_first_not_of('\0', end) != std::string_view::npos) {
        problems.push_back(
            fmt::format("{} at +{} has a non-zero byte after its terminator", f.name, f.offset));
    }
}

} // namespace

std::string_view gf_packetName(std::uint32_t number) {
    const PacketSpec* spec = lf_spec(number);
    return spec ? std::string_view(spec->name) : std::string_view("Unknown");
}

DecodedPacket gf_decodePacket(std::string_view bytes) {
    DecodedPacket p;
    p.size = gf_readU32(bytes, 0);
    p.version = gf_readU32(bytes, 4);
    p.id = gf_readU32(bytes, 8);
    p.sendId = gf_readU32(bytes, 12);
    const bool idInRange = p.id >= kPacketIdBase && p.id - kPacketIdBase <= 0xFF;
    p.number = idInRange ? p.id - kPacketIdBase : p.id;
    const PacketSpec* spec = idInRange ? lf_spec(p.number) : nullptr;
    p.name = spec ? spec->name : "Unknown";

    if (p.version != kProtocolVersion) {
        p.problems.push_back(fmt::format("version {}, expected {}", p.version, kProtocolVersion));
    }
    if (spec == nullptr) {
        p.problems.push_back(fmt::format("id 0x{:08X} is not a packet id", p.id));
        return p;
    }
    if (spec->size == 0) {
        if (p.size < kSetDataHeader) {
            p.problems.push_back(
                fmt::format("size {}, expected at least {}", p.size, kSetDataHeader));
            return p;
        }
        const std::uint64_t count = gf_readU32(bytes, 28);
        const std::uint64_t unit = gf_readU32(bytes, 32);
        const std::uint64_t expected = kSetDataHeader + count * unit;
        if (count == 0) {
            p.problems.push_back("array count 0, expected at least 1");
            return p;
        }
        if (p.size != expected) {
            p.problems.push_back(
                fmt::format("size {}, expected 36 + {} x {} = {}", p.size, count, unit, expected));
            return p;
        }
    } else if (p.size != spec->size) {
        p.problems.push_back(fmt::format("size {}, expected {}", p.size, spec->size));
        return p;
    }

    for (const FieldSpec& f : spec->fields) {
        switch (f.kind) {
        case Kind::u32:
            p.fields.add(f.name, static_cast<std::int64_t>(gf_readU32(bytes, f.offset)));
            break;
        case Kind::f32:
            p.fields.add(f.name, static_cast<double>(gf_readF32(bytes, f.offset)));
            break;
        case Kind::f64:
            p.fields.add(f.name, gf_readF64(bytes, f.offset));
            break;
        case Kind::text:
            lf_checkText(bytes, f, p.problems);
            p.fields.add(f.name, gf_readText(bytes, f.offset, f.width));
            break;
        case Kind::alias:
            p.fields.add(f.name, gf_hexBytes(bytes.substr(f.offset, 4)));
            break;
        }
    }
    if (p.number == kPacketOpen) {
        if (p.fields.u32("reserved") != 0) {
            p.problems.push_back(
                fmt::format("word at +272 is {}, expected 0", p.fields.u32("reserved")));
        }
        if (p.fields.text("alias") != "00 44 33 50") {
            p.problems.push_back(
                fmt::format("alias bytes {}, expected 00 44 33 50", p.fields.text("alias")));
        }
        const std::uint32_t v[4] = {p.fields.u32("major"), p.fields.u32("minor"),
                                    p.fields.u32("buildMajor"), p.fields.u32("buildMinor")};
        if (v[0] != 5 || v[1] != 3 || v[2] != 0 || v[3] != 0) {
            p.problems.push_back(fmt::format("version words {}, {}, {}, {}, expected 5, 3, 0, 0",
                                             v[0], v[1], v[2], v[3]));
        }
    }
    p.decoded = true;
    return p;
}

} // namespace simstub

#include "support/simstub/messages.h"

#include "support/simstub/wire.h"

namespace simstub {

namespace {

Message lf_start(std::uint32_t id, std::uint32_t size) {
    Message m;
    m.id = id;
    m.name = std::string(gf_messageName(id));
    m.bytes.assign(size, '\0');
    gf_writeU32(m.bytes, 0, size);
    gf_writeU32(m.bytes, 4, kProtocolVersion);
    gf_writeU32(m.bytes, 8, id);
    return m;
}

void lf_u32(Message& m, std::size_t offset, const char* name, std::uint32_t value) {
    gf_writeU32(m.bytes, offset, value);
    m.fields.add(name, static_cast<std::int64_t>(value));
}

void lf_f32(Message& m, std::size_t offset, const char* name, float value) {
    gf_writeF32(m.bytes, offset, value);
    m.fields.add(name, static_cast<double>(value));
}

} // namespace

std::string_view gf_messageName(std::uint32_t id) {
    switch (id) {
    case kMessageException:
        return "Exception";
    case kMessageOpen:
        return "Open";
    case kMessageQuit:
        return "Quit";
    case kMessageEvent:
        return "Event";
    case kMessageObjectAddRemove:
        return "ObjectAddRemove";
    case kMessageFileName:
        return "FileName";
    case kMessageFrame:
        return "Frame";
    case kMessageObjectData:
        return "ObjectData";
    case kMessageObjectDataByType:
        return "ObjectDataByType";
    default:
        return "Raw";
    }
}

Message gf_openMessage(const OpenAnswer& answer) {
    Message m = lf_start(kMessageOpen, 308);
    gf_writeText(m.bytes, 12, 256, answer.name);
    m.fields.add("name", answer.name.substr(0, 255));
    lf_u32(m, 268, "major", answer.version[0]);
    lf_u32(m, 272, "minor", answer.version[1]);
    lf_u32(m, 276, "buildMajor", answer.version[2]);
    lf_u32(m, 280, "buildMinor", answer.version[3]);
    return m;
}

Message gf_exceptionMessage(std::uint32_t code, std::uint32_t sendId, std::uint32_t index) {
    Message m = lf_start(kMessageException, 24);
    lf_u32(m, 12, "code", code);
    lf_u32(m, 16, "sendId", sendId);
    lf_u32(m, 20, "index", index);
    return m;
}

Message gf_quitMessage() {
    return lf_start(kMessageQuit, 12);
}

Message gf_eventMessage(std::uint32_t group, std::uint32_t eventId, std::uint32_t data) {
    Message m = lf_start(kMessageEvent, 24);
    lf_u32(m, 12, "group", group);
    lf_u32(m, 16, "eventId", eventId);
    lf_u32(m, 20, "data", data);
    return m;
}

Message gf_objectAddRemoveMessage(std::uint32_t eventId, std::uint32_t objectId,
                                  std::uint32_t objectType) {
    Message m = lf_start(kMessageObjectAddRemove, 28);
    lf_u32(m, 12, "group", kSystemEventGroup);
    lf_u32(m, 16, "eventId", eventId);
    lf_u32(m, 20, "objectId", objectId);
    lf_u32(m, 24, "objectType", objectType);
    return m;
}

Message gf_fileNameMessage(std::uint32_t eventId, std::string_view fileName) {
    Message m = lf_start(kMessageFileName, 288);
    lf_u32(m, 12, "group", kSystemEventGroup);
    lf_u32(m, 16, "eventId", eventId);
    lf_u32(m, 20, "data", 0);
    gf_writeText(m.bytes, 24, 260, fileName);
    m.fields.add("fileName", std::string(fileName.substr(0, 259)));
    lf_u32(m, 284, "flags", 0);
    return m;
}

Message gf_frameMessage(std::uint32_t eventId, float frameRate, float simulationRate) {
    Message m = lf_start(kMessageFrame, 32);
    lf_u32(m, 12, "group", kSystemEventGroup);
    lf_u32(m, 16, "eventId", eventId);
    lf_u32(m, 20, "data", 0);
    lf_f32(m, 24, "frameRate", frameRate);
    lf_f32(m, 28, "simulationRate", simulationRate);
    return m;
}

Message gf_objectDataMessage(bool byType, std::uint32_t requestId, std::uint32_t objectId,
                             std::uint32_t definitionId, std::uint32_t entry, std::uint32_t outOf,
                             std::uint32_t datumCount, std::string_view data,
                             const Fields& dataFields) {
    const auto size = static_cast<std::uint32_t>(40 + data.size());
    Message m = lf_start(byType ? kMessageObjectDataByType : kMessageObjectData, size);
    lf_u32(m, 12, "requestId", requestId);
    lf_u32(m, 16, "objectId", objectId);
    lf_u32(m, 20, "definitionId", definitionId);
    lf_u32(m, 24, "flags", 0);
    lf_u32(m, 28, "entry", entry);
    lf_u32(m, 32, "outOf", outOf);
    lf_u32(m, 36, "datumCount", datumCount);
    m.bytes.replace(40, data.size(), data);
    for (const Field& f : dataFields.items()) {
        m.fields.add(f.name, f.value);
    }
    return m;
}

Message gf_rawMessage(std::string bytes) {
    Message m;
    m.name = "Raw";
    m.fields.add("size", static_cast<std::int64_t>(bytes.size()));
    m.bytes = std::move(bytes);
    return m;
}

} // namespace simstub

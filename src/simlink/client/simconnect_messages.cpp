#include "simlink/client/simconnect_messages.h"

#include <algorithm>

namespace sc {

namespace {

// The cursor over the message after its checked header.
ksb::ByteCursor lf_openMessage(std::span<const std::uint8_t> message, RecvHeader& header) {
    ksb::ByteCursor cursor(message);
    header.size = cursor.u32();
    header.version = cursor.u32();
    header.id = cursor.u32();
    if (header.size != message.size()) {
        const std::size_t declared = header.size;
        throw ksb::ByteReadError(std::max(declared, message.size()), 0,
                                 std::min(declared, message.size()));
    }
    return cursor;
}

} // namespace

RecvHeader readHeader(std::span<const std::uint8_t> message) {
    RecvHeader header;
    lf_openMessage(message, header);
    return header;
}

RecvException readException(std::span<const std::uint8_t> message) {
    RecvException out;
    ksb::ByteCursor cursor = lf_openMessage(message, out.header);
    out.exception = cursor.u32();
    out.sendId = cursor.u32();
    out.index = cursor.u32();
    return out;
}

RecvOpen readOpen(std::span<const std::uint8_t> message) {
    RecvOpen out;
    ksb::ByteCursor cursor = lf_openMessage(message, out.header);
    out.applicationName = std::string(cursor.fixedString(256));
    out.applicationVersionMajor = cursor.u32();
    out.applicationVersionMinor = cursor.u32();
    out.applicationBuildMajor = cursor.u32();
    out.applicationBuildMinor = cursor.u32();
    return out;
}

RecvEvent readEvent(std::span<const std::uint8_t> message) {
    RecvEvent out;
    ksb::ByteCursor cursor = lf_openMessage(message, out.header);
    out.groupId = cursor.u32();
    out.eventId = cursor.u32();
    out.data = cursor.u32();
    return out;
}

RecvObjectAddRemove readObjectAddRemove(std::span<const std::uint8_t> message) {
    RecvObjectAddRemove out;
    ksb::ByteCursor cursor = lf_openMessage(message, out.header);
    out.groupId = cursor.u32();
    out.eventId = cursor.u32();
    out.objectId = cursor.u32();
    out.objectType = cursor.u32();
    return out;
}

RecvFrame readFrame(std::span<const std::uint8_t> message) {
    RecvFrame out;
    ksb::ByteCursor cursor = lf_openMessage(message, out.header);
    out.groupId = cursor.u32();
    out.eventId = cursor.u32();
    out.data = cursor.u32();
    out.frameRate = cursor.f32();
    out.simulationRate = cursor.f32();
    return out;
}

RecvObjectData readObjectData(std::span<const std::uint8_t> message) {
    RecvObjectData out;
    ksb::ByteCursor cursor = lf_openMessage(message, out.header);
    out.requestId = cursor.u32();
    out.objectId = cursor.u32();
    out.definitionId = cursor.u32();
    out.flags = cursor.u32();
    out.entryNumber = cursor.u32();
    out.outOf = cursor.u32();
    out.datumCount = cursor.u32();
    out.data = DatumCursor(cursor.bytes(cursor.remaining()));
    return out;
}

} // namespace sc

#pragma once
// Readers of the received messages. Each takes one whole message as the dispatch callback gets
// it and throws ksb::ByteReadError when the size field differs from the bytes given or when a
// field lies past the message's end; nothing is read past the end. The caller picks the reader
// by the header's message id.
#include "core/byte_cursor.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sc {

struct RecvHeader {
    std::uint32_t size = 0;
    std::uint32_t version = 0;
    std::uint32_t id = 0;
};

struct RecvException {
    RecvHeader header;
    std::uint32_t exception = 0;
    std::uint32_t sendId = 0;
    std::uint32_t index = 0;
};

struct RecvOpen {
    RecvHeader header;
    std::string applicationName;
    std::uint32_t applicationVersionMajor = 0;
    std::uint32_t applicationVersionMinor = 0;
    std::uint32_t applicationBuildMajor = 0;
    std::uint32_t applicationBuildMinor = 0;
};

// Id 4.
struct RecvEvent {
    RecvHeader header;
    std::uint32_t groupId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t data = 0;
};

// Id 5: the data is the object id.
struct RecvObjectAddRemove {
    RecvHeader header;
    std::uint32_t groupId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t objectId = 0;
    std::uint32_t objectType = 0;
};

// Id 7.
struct RecvFrame {
    RecvHeader header;
    std::uint32_t groupId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t data = 0;
    float frameRate = 0;
    float simulationRate = 0;
};

// The data of a definition (byte 40 to the message's end), read datum by datum in definition
// order. Strings are views into the message.
class DatumCursor {
public:
    DatumCursor() = default;
    explicit DatumCursor(std::span<const std::uint8_t> data) : cursor_(data) {}

    std::int64_t int64() { return cursor_.i64(); }
    double float64() { return cursor_.f64(); }
    // 32 bytes: up to the first zero, the 32 bytes or the data's end, whichever comes first.
    std::string_view string32() { return cursor_.fixedString(32); }
    // Up to its zero or the data's end.
    std::string_view stringV() { return cursor_.zeroTerminatedString(); }

    std::size_t position() const { return cursor_.position(); }
    std::size_t remaining() const { return cursor_.remaining(); }
    bool atEnd() const { return cursor_.atEnd(); }

private:
    ksb::ByteCursor cursor_;
};

// Ids 8 and 9.
struct RecvObjectData {
    RecvHeader header;
    std::uint32_t requestId = 0;
    std::uint32_t objectId = 0;
    std::uint32_t definitionId = 0;
    std::uint32_t flags = 0;
    std::uint32_t entryNumber = 0;
    std::uint32_t outOf = 0;
    std::uint32_t datumCount = 0;
    DatumCursor data;
};

inline constexpr std::size_t kObjectDataOffset = 40;

namespace detail {

// Throws the ByteReadError of a size field that differs from the bytes given.
[[noreturn]] void throwSizeMismatch(std::size_t declared, std::size_t given);

// The cursor over the message after its checked header.
inline ksb::ByteCursor openMessage(std::span<const std::uint8_t> message, RecvHeader& header) {
    ksb::ByteCursor cursor(message);
    header.size = cursor.u32();
    header.version = cursor.u32();
    header.id = cursor.u32();
    if (header.size != message.size()) {
        throwSizeMismatch(header.size, message.size());
    }
    return cursor;
}

} // namespace detail

// The readers are inline: the reader thread runs them for every message.

// A size field other than the bytes given fails as "read past end: {larger} bytes at offset 0 of
// {smaller}".
inline RecvHeader readHeader(std::span<const std::uint8_t> message) {
    RecvHeader header;
    detail::openMessage(message, header);
    return header;
}

inline RecvException readException(std::span<const std::uint8_t> message) {
    RecvException out;
    ksb::ByteCursor cursor = detail::openMessage(message, out.header);
    out.exception = cursor.u32();
    out.sendId = cursor.u32();
    out.index = cursor.u32();
    return out;
}

inline RecvOpen readOpen(std::span<const std::uint8_t> message) {
    RecvOpen out;
    ksb::ByteCursor cursor = detail::openMessage(message, out.header);
    out.applicationName = std::string(cursor.fixedString(256));
    out.applicationVersionMajor = cursor.u32();
    out.applicationVersionMinor = cursor.u32();
    out.applicationBuildMajor = cursor.u32();
    out.applicationBuildMinor = cursor.u32();
    return out;
}

inline RecvEvent readEvent(std::span<const std::uint8_t> message) {
    RecvEvent out;
    ksb::ByteCursor cursor = detail::openMessage(message, out.header);
    out.groupId = cursor.u32();
    out.eventId = cursor.u32();
    out.data = cursor.u32();
    return out;
}

inline RecvObjectAddRemove readObjectAddRemove(std::span<const std::uint8_t> message) {
    RecvObjectAddRemove out;
    ksb::ByteCursor cursor = detail::openMessage(message, out.header);
    out.groupId = cursor.u32();
    out.eventId = cursor.u32();
    out.objectId = cursor.u32();
    out.objectType = cursor.u32();
    return out;
}

inline RecvFrame readFrame(std::span<const std::uint8_t> message) {
    RecvFrame out;
    ksb::ByteCursor cursor = detail::openMessage(message, out.header);
    out.groupId = cursor.u32();
    out.eventId = cursor.u32();
    out.data = cursor.u32();
    out.frameRate = cursor.f32();
    out.simulationRate = cursor.f32();
    return out;
}

inline RecvObjectData readObjectData(std::span<const std::uint8_t> message) {
    RecvObjectData out;
    ksb::ByteCursor cursor = detail::openMessage(message, out.header);
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

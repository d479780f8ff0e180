// The client's framing and message readers on arbitrary bytes: one piece and small pieces must
// give the same messages and the same close cause, and every reader either reads a message or
// refuses it with ByteReadError, never reading past its end.
#include "core/byte_cursor.h"
#include "simlink/client/receive_buffer.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_messages.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Outcome {
    std::vector<std::vector<std::uint8_t>> messages;
    std::optional<sc::CloseCause> fault;
};

// Pieces of 1 to 16 bytes in a pattern the seed picks; seed 0 feeds everything at once.
Outcome lf_feed(std::span<const std::uint8_t> stream, std::uint8_t seed) {
    sc::ReceiveBuffer buffer;
    Outcome out;
    const auto sink = [&](std::span<const std::uint8_t> m) {
        out.messages.emplace_back(m.begin(), m.end());
    };
    std::size_t offset = 0;
    std::size_t piece = 0;
    while (offset < stream.size() && !out.fault) {
        const std::span<std::uint8_t> space = buffer.freeSpace();
        lf_check(!space.empty());
        std::size_t count = std::min(space.size(), stream.size() - offset);
        if (seed != 0) {
            count = std::min<std::size_t>(count, 1 + (seed * 7 + piece++ * 13) % 16);
        }
        std::memcpy(space.data(), stream.data() + offset, count);
        buffer.commit(count);
        offset += count;
        out.fault = buffer.takeOut(sink);
    }
    return out;
}

void lf_readDatums(sc::DatumCursor data, std::uint32_t pattern) {
    for (std::uint32_t i = 0; !data.atEnd(); ++i) {
        const std::size_t before = data.position();
        switch ((pattern >> (2 * (i % 16))) & 3) {
        case 0:
            data.int64();
            break;
        case 1:
            data.float64();
            break;
        case 2:
            data.string32();
            break;
        default:
            data.stringV();
            break;
        }
        lf_check(data.position() > before);
    }
}

void lf_read(std::span<const std::uint8_t> message) {
    try {
        const sc::RecvHeader header = sc::readHeader(message);
        lf_check(header.size == message.size());
        switch (header.id) {
        case SIMCONNECT_RECV_ID_EXCEPTION:
            sc::readException(message);
            break;
        case SIMCONNECT_RECV_ID_OPEN:
            lf_check(sc::readOpen(message).applicationName.size() <= 256);
            break;
        case SIMCONNECT_RECV_ID_EVENT:
            sc::readEvent(message);
            break;
        case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
            sc::readObjectAddRemove(message);
            break;
        case SIMCONNECT_RECV_ID_EVENT_FRAME:
            sc::readFrame(message);
            break;
        case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE: {
            const sc::RecvObjectData data = sc::readObjectData(message);
            lf_check(data.data.remaining() == message.size() - sc::kObjectDataOffset);
            lf_readDatums(data.data, data.requestId ^ data.definitionId);
            break;
        }
        default:
            break;
        }
    } catch (const ksb::ByteReadError& e) {
        lf_check(e.offset() <= e.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> stream(data + 1, size - 1);
    const Outcome whole = lf_feed(stream, 0);
    const Outcome pieces = lf_feed(stream, static_cast<std::uint8_t>(data[0] | 1));
    lf_check(whole.messages == pieces.messages);
    lf_check(whole.fault.has_value() == pieces.fault.has_value());
    if (whole.fault) {
        lf_check(whole.fault->reason == pieces.fault->reason &&
                 whole.fault->status == pieces.fault->status);
    }
    for (const auto& message : whole.messages) {
        lf_read(message);
    }
    return 0;
}

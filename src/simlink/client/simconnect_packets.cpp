// The encoders: every call stages one packet, writes its fields with explicit little-endian
// stores and flushes it at once, so that each call leaves as one packet of its own.
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/client/simconnect_handle.h"

#include <cassert>
#include <cstring>

namespace {

constexpr std::uint32_t kProtocolVersion = 35;
constexpr std::uint32_t kPacketIdBase = 0xF0000000;

// The fields of one reserved packet, written at their offsets.
class PacketFields {
public:
    PacketFields(std::uint8_t* packet, std::size_t size) : packet_(packet), size_(size) {}

    void u32(std::size_t offset, std::uint32_t value) {
        assert(offset + 4 <= size_);
        for (int i = 0; i < 4; ++i) {
            packet_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    void u64(std::size_t offset, std::uint64_t value) {
        assert(offset + 8 <= size_);
        for (int i = 0; i < 8; ++i) {
            packet_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    void f32(std::size_t offset, float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        u32(offset, bits);
    }
    void f64(std::size_t offset, double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        u64(offset, bits);
    }
    // At most width - 1 bytes and a zero; false when the text does not fit. The bytes are
    // copied unchanged: titles must reach the simulator byte-identical.
    [[nodiscard]] bool text(std::size_t offset, std::size_t width, const char* value) {
        assert(offset + width <= size_);
        if (value == nullptr) {
            return true;
        }
        const std::size_t length = ::strnlen(value, width);
        if (length >= width) {
            return false;
        }
        std::memcpy(packet_ + offset, value, length);
        return true;
    }
    void bytes(std::size_t offset, const void* data, std::size_t count) {
        assert(offset + count <= size_);
        if (count > 0) {
            std::memcpy(packet_ + offset, data, count);
        }
    }

private:
    std::uint8_t* packet_;
    [[maybe_unused]] std::size_t size_;
};

// Steps 1 to 6 of every encoder; fill writes the fields after the header and returns false for
// a string that does not fit.
template <class Fill>
ScResult lf_sendPacket(SimConnectHandle* handle, std::uint32_t number, std::uint64_t size,
                       Fill fill, bool* flushed = nullptr) {
    if (handle == nullptr) {
        return kScFail;
    }
    std::uint8_t* packet = nullptr;
    if (const ScResult reserved = handle->reserve(size, packet); reserved != kScOk) {
        return reserved;
    }
    PacketFields fields(packet, static_cast<std::size_t>(size));
    fields.u32(0, static_cast<std::uint32_t>(size));
    fields.u32(4, kProtocolVersion);
    fields.u32(8, kPacketIdBase + number);
    if (!fill(fields)) {
        handle->giveBack(static_cast<std::size_t>(size));
        return kScStringTooLong;
    }
    // A failed flush loses the packet; the call still succeeds.
    const bool sent = handle->flush();
    if (flushed != nullptr) {
        *flushed = sent;
    }
    return kScOk;
}

} // namespace

namespace sc {

ScResult sendOpenPacket(SimConnectHandle* handle, const char* name) {
    return gf_sendOpenPacket(handle, name, nullptr);
}

ScResult gf_sendOpenPacket(SimConnectHandle* handle, const char* name, bool* flushed) {
    return lf_sendPacket(
        handle, 0x01, 296,
        [&](PacketFields& f) {
            if (!f.text(16, 256, name)) {
                return false;
            }
            f.u32(272, 0);
            // The client's alias.
            f.bytes(276, "\x00\x44\x33\x50", 4);
            // Client version 5.3.0.0.
            f.u32(280, 5);
            f.u32(284, 3);
            f.u32(288, 0);
            f.u32(292, 0);
            return true;
        },
        flushed);
}

} // namespace sc

ScResult SimConnect_GetLastSentPacketID(SimConnectHandle* handle, std::uint32_t* sendId) {
    if (handle == nullptr || sendId == nullptr) {
        return kScFail;
    }
    *sendId = handle->lastSendId();
    return kScOk;
}

ScResult SimConnect_MapClientEventToSimEvent(SimConnectHandle* handle, std::uint32_t clientEventId,
                                             const char* simEventName) {
    return lf_sendPacket(handle, 0x04, 276, [&](PacketFields& f) {
        f.u32(16, clientEventId);
        return f.text(20, 256, simEventName);
    });
}

ScResult SimConnect_TransmitClientEvent(SimConnectHandle* handle, std::uint32_t objectId,
                                        std::uint32_t clientEventId, std::uint32_t data,
                                        std::uint32_t groupId, std::uint32_t flags) {
    return lf_sendPacket(handle, 0x05, 36, [&](PacketFields& f) {
        f.u32(16, objectId);
        f.u32(20, clientEventId);
        f.u32(24, data);
        f.u32(28, groupId);
        f.u32(32, flags);
        return true;
    });
}

ScResult SimConnect_AddClientEventToNotificationGroup(SimConnectHandle* handle,
                                                      std::uint32_t groupId,
                                                      std::uint32_t clientEventId, bool maskable) {
    return lf_sendPacket(handle, 0x07, 28, [&](PacketFields& f) {
        f.u32(16, groupId);
        f.u32(20, clientEventId);
        f.u32(24, maskable ? 1 : 0);
        return true;
    });
}

ScResult SimConnect_SetNotificationGroupPriority(SimConnectHandle* handle, std::uint32_t groupId,
                                                 std::uint32_t priority) {
    return lf_sendPacket(handle, 0x09, 24, [&](PacketFields& f) {
        f.u32(16, groupId);
        f.u32(20, priority);
        return true;
    });
}

ScResult SimConnect_AddToDataDefinition(SimConnectHandle* handle, std::uint32_t definitionId,
                                        const char* datumName, const char* unitsName,
                                        std::uint32_t datumType, float epsilon,
                                        std::uint32_t datumId) {
    return lf_sendPacket(handle, 0x0C, 544, [&](PacketFields& f) {
        f.u32(16, definitionId);
        if (!f.text(20, 256, datumName) || !f.text(276, 256, unitsName)) {
            return false;
        }
        f.u32(532, datumType);
        f.f32(536, epsilon);
        f.u32(540, datumId);
        return true;
    });
}

ScResult SimConnect_ClearDataDefinition(SimConnectHandle* handle, std::uint32_t definitionId) {
    return lf_sendPacket(handle, 0x0D, 20, [&](PacketFields& f) {
        f.u32(16, definitionId);
        return true;
    });
}

ScResult SimConnect_RequestDataOnSimObject(SimConnectHandle* handle, std::uint32_t requestId,
                                           std::uint32_t definitionId, std::uint32_t objectId,
                                           std::uint32_t period, std::uint32_t flags,
                                           std::uint32_t origin, std::uint32_t interval,
                                           std::uint32_t limit) {
    return lf_sendPacket(handle, 0x0E, 48, [&](PacketFields& f) {
        f.u32(16, requestId);
        f.u32(20, definitionId);
        f.u32(24, objectId);
        f.u32(28, period);
        f.u32(32, flags);
        f.u32(36, origin);
        f.u32(40, interval);
        f.u32(44, limit);
        return true;
    });
}

ScResult SimConnect_RequestDataOnSimObjectType(SimConnectHandle* handle, std::uint32_t requestId,
                                               std::uint32_t definitionId,
                                               std::uint32_t radiusMetres,
                                               std::uint32_t objectType) {
    return lf_sendPacket(handle, 0x0F, 32, [&](PacketFields& f) {
        f.u32(16, requestId);
        f.u32(20, definitionId);
        f.u32(24, radiusMetres);
        f.u32(28, objectType);
        return true;
    });
}

ScResult SimConnect_SetDataOnSimObject(SimConnectHandle* handle, std::uint32_t definitionId,
                                       std::uint32_t objectId, std::uint32_t flags,
                                       std::uint32_t arrayCount, std::uint32_t unitSize,
                                       const void* data) {
    const std::uint32_t count = arrayCount == 0 ? 1 : arrayCount;
    // 64-bit, so that an overflowing product is refused as too large instead of wrapping.
    const std::uint64_t dataSize = std::uint64_t{count} * unitSize;
    assert(data != nullptr || dataSize == 0);
    return lf_sendPacket(handle, 0x10, 36 + dataSize, [&](PacketFields& f) {
        f.u32(16, definitionId);
        f.u32(20, objectId);
        f.u32(24, flags);
        f.u32(28, count);
        f.u32(32, unitSize);
        f.bytes(36, data, static_cast<std::size_t>(dataSize));
        return true;
    });
}

ScResult SimConnect_SubscribeToSystemEvent(SimConnectHandle* handle, std::uint32_t clientEventId,
                                           const char* systemEventName) {
    return lf_sendPacket(handle, 0x17, 276, [&](PacketFields& f) {
        f.u32(16, clientEventId);
        return f.text(20, 256, systemEventName);
    });
}

ScResult SimConnect_UnsubscribeFromSystemEvent(SimConnectHandle* handle,
                                               std::uint32_t clientEventId) {
    return lf_sendPacket(handle, 0x18, 20, [&](PacketFields& f) {
        f.u32(16, clientEventId);
        return true;
    });
}

ScResult SimConnect_AICreateNonATCAircraft(SimConnectHandle* handle, const char* containerTitle,
                                           const char* tailNumber,
                                           const SIMCONNECT_DATA_INITPOSITION& position,
                                           std::uint32_t requestId) {
    return lf_sendPacket(handle, 0x29, 344, [&](PacketFields& f) {
        if (!f.text(16, 256, containerTitle) || !f.text(272, 12, tailNumber)) {
            return false;
        }
        f.f64(284, position.Latitude);
        f.f64(292, position.Longitude);
        f.f64(300, position.Altitude);
        f.f64(308, position.Pitch);
        f.f64(316, position.Bank);
        f.f64(324, position.Heading);
        f.u32(332, position.OnGround);
        f.u32(336, position.Airspeed);
        f.u32(340, requestId);
        return true;
    });
}

ScResult SimConnect_AIReleaseControl(SimConnectHandle* handle, std::uint32_t objectId,
                                     std::uint32_t requestId) {
    return lf_sendPacket(handle, 0x2B, 24, [&](PacketFields& f) {
        f.u32(16, objectId);
        f.u32(20, requestId);
        return true;
    });
}

ScResult SimConnect_AIRemoveObject(SimConnectHandle* handle, std::uint32_t objectId,
                                   std::uint32_t requestId) {
    return lf_sendPacket(handle, 0x2C, 24, [&](PacketFields& f) {
        f.u32(16, objectId);
        f.u32(20, requestId);
        return true;
    });
}

ScResult SimConnect_AISetAircraftFlightPlan(SimConnectHandle* handle, std::uint32_t objectId,
                                            const char* flightPlanPath, std::uint32_t requestId) {
    return lf_sendPacket(handle, 0x2D, 284, [&](PacketFields& f) {
        f.u32(16, objectId);
        if (!f.text(20, 260, flightPlanPath)) {
            return false;
        }
        f.u32(280, requestId);
        return true;
    });
}

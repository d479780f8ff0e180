#pragma once
// What the stand-in records and what its queries return (snapshots).
#include "support/simstub/fields.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simstub {

// The light bits of "LIGHT STATES" and "Light On States".
enum LightBit : std::uint32_t {
    kLightNav = 1,
    kLightBeacon = 2,
    kLightLanding = 4,
    kLightTaxi = 8,
    kLightStrobes = 16,
    kLightLogo = 32,
    kLightCabin = 64,
};

// One packet received.
struct PacketRecord {
    int conn = 0;
    std::uint32_t sendId = 0;
    std::uint32_t number = 0; // packet id minus 0xF0000000 (the raw id when it is not a packet id)
    std::string name;         // "Open", "SubscribeToSystemEvent", ...; "Unknown"
    double time = 0.0;        // stand-in seconds
    Fields fields;
    std::string raw;
};

// One message sent.
struct MessageRecord {
    int conn = 0;
    std::uint32_t id = 0;
    std::string name; // "Open", "Exception", "Event", "ObjectAddRemove", "FileName", ...
    double time = 0.0;
    Fields fields;
    std::string raw;
};

struct ProtocolError {
    int conn = 0;
    std::uint32_t sendId = 0;
    std::uint32_t number = 0;
    std::string rule;
    std::string text; // "c<conn> #<send id> packet 0x<number>: <rule>"
};

struct PacketFilter {
    std::optional<int> conn = std::nullopt;
    std::optional<std::uint32_t> number = std::nullopt;
    std::optional<std::uint32_t> sendId = std::nullopt;
};

// A client event applied to an object, or a release of AI control ("AIReleaseControl", with
// the request id as its data).
struct EventRecord {
    double time = 0.0;
    int conn = 0;
    std::uint32_t objectId = 0;
    std::string name;
    std::uint32_t clientEventId = 0;
    std::uint32_t data = 0;
    std::uint32_t group = 0;
    std::uint32_t flags = 0;
};

// The position after a write that set latitude and longitude.
struct PositionRecord {
    double time = 0.0;
    std::uint64_t frame = 0; // frames sent before it
    int conn = 0;
    double latitude = 0.0, longitude = 0.0, altitude = 0.0; // degrees, feet
    double pitch = 0.0, bank = 0.0, heading = 0.0;          // radians
    std::chrono::system_clock::time_point realTime{};       // UTC of the write
};

struct WriteRecord {
    double time = 0.0;
    std::uint64_t frame = 0;
    int conn = 0;
    std::uint32_t definitionId = 0;
    Fields values; // by datum name, in declaration order
};

struct ConnectionInfo {
    int id = 0;
    std::string endpoint; // "ipv4", "ipv6", "pipe"
    bool open = false;
    bool gotOpen = false;
    std::string openName;
    std::string endReason; // empty while open
};

enum class ObjectKind { user, ai, foreign };

// How an AI object ended: a client removed it (AIRemoveObject), or it went with the connection
// that created it.
enum class EndKind { removed, withConnection };

struct ObjectEnd {
    EndKind kind = EndKind::removed;
    int conn = 0;             // the removing connection, or the creating one that ended
    std::uint32_t sendId = 0; // the AIRemoveObject's send id; 0 when it went with its connection
    double time = 0.0;        // stand-in seconds
    std::chrono::system_clock::time_point realTime{}; // UTC
};

struct ObjectState {
    std::uint32_t id = 0;
    ObjectKind kind = ObjectKind::ai;
    std::string title;
    std::string tail;
    std::string atcId; // as reported now (empty until the ATC-ID delay has passed)
    std::string model;
    int owner = 0; // the creating connection; 0 for the user and foreign aircraft
    double latitude = 0.0, longitude = 0.0, altitude = 0.0; // degrees, feet
    double pitch = 0.0, bank = 0.0, heading = 0.0;          // radians
    double verticalSpeed = 0.0, airspeed = 0.0, groundSpeed = 0.0;
    bool onGround = false;        // the user's or the creation's flag
    bool positionWritten = false; // an AI object's first position write happened
    bool simOnGround = false;     // as reported
    double agl = 0.0;             // as reported
    bool frozenLatLon = false, frozenAltitude = false, frozenAttitude = false;
    bool released = false;
    std::uint32_t lights = 0;
    std::uint32_t gear = 0, flaps = 0, spoilers = 0, throttle = 0;
    bool engines = false;
    double spoilerPercent = 0.0, throttle1Percent = 0.0, throttle2Percent = 0.0; // definition 401
    std::string flightPlanPath;
    std::vector<std::string> flightPlanLines;
    std::optional<ObjectEnd> end; // set once the object has ended
};

} // namespace simstub

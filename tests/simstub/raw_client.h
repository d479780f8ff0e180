#pragma once
// A tiny SimConnect client written by hand for the stand-in's self-tests. It assembles packets at
// explicit offsets and reads messages with its own few lines, sharing no code with the
// stand-in's decoders and encoders.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace raw {

using Bytes = std::string;

inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

inline void putF64(Bytes& b, std::size_t at, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) {
        b[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
}

inline void putText(Bytes& b, std::size_t at, std::string_view s) {
    std::memcpy(b.data() + at, s.data(), s.size());
}

inline std::uint32_t get32(const Bytes& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    }
    return v;
}

inline double getF64(const Bytes& b, std::size_t at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = (bits << 8) | static_cast<unsigned char>(b[at + i]);
    }
    double v = 0;
    std::memcpy(&v, &bits, 8);
    return v;
}

// "01 0a FF" -> bytes.
inline Bytes hex(std::string_view text) {
    Bytes out;
    int nibbles = 0;
    unsigned value = 0;
    for (char c : text) {
        int d = -1;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        }
        if (d < 0) {
            continue;
        }
        value = value * 16 + static_cast<unsigned>(d);
        if (++nibbles == 2) {
            out += static_cast<char>(value);
            nibbles = 0;
            value = 0;
        }
    }
    return out;
}

inline Bytes zeros(std::size_t n) {
    return Bytes(n, '\0');
}

inline std::string toHex(const Bytes& b) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : b) {
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

class Client {
public:
    static Client tcp(std::uint16_t port, bool ipv6 = false) {
        Client c;
        if (ipv6) {
            c.fd_ = ::socket(AF_INET6, SOCK_STREAM, 0);
            sockaddr_in6 a{};
            a.sin6_family = AF_INET6;
            a.sin6_port = htons(port);
            a.sin6_addr = in6addr_loopback;
            c.connected_ = ::connect(c.fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        } else {
            c.fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(port);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            c.connected_ = ::connect(c.fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        }
        int one = 1; // as the system's client may; small packets go out at once
        ::setsockopt(c.fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return c;
    }

    static Client local(const std::string& path) {
        Client c;
        c.fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        c.connected_ = ::connect(c.fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        return c;
    }

    Client() = default;
    Client(Client&& o) noexcept : fd_(o.fd_), connected_(o.connected_), sendId_(o.sendId_) {
        o.fd_ = -1;
    }
    Client& operator=(Client&& o) noexcept {
        std::swap(fd_, o.fd_);
        connected_ = o.connected_;
        sendId_ = o.sendId_;
        return *this;
    }
    ~Client() { close(); }

    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    bool connected() const { return connected_; }
    int fd() const { return fd_; }
    std::uint32_t lastSendId() const { return sendId_; }
    void setLastSendId(std::uint32_t id) { sendId_ = id; }

    // A zero-filled packet with its header and the next send id.
    Bytes packet(std::uint32_t number, std::uint32_t size) {
        Bytes b(size, '\0');
        put32(b, 0, size);
        put32(b, 4, 35);
        put32(b, 8, 0xF0000000u + number);
        put32(b, 12, ++sendId_);
        return b;
    }

    void send(const Bytes& b) {
        std::size_t done = 0;
        while (done < b.size()) {
            const ssize_t n = ::send(fd_, b.data() + done, b.size() - done, MSG_NOSIGNAL);
            ASSERT_GT(n, 0) << "send failed: " << std::strerror(errno);
            done += static_cast<std::size_t>(n);
        }
    }

    // Exactly n bytes; fewer at end-of-file, error or time-out (the bound of a failing test).
    Bytes readBytes(std::size_t n, int timeoutMs = 5000, int* error = nullptr) {
        Bytes out;
        while (out.size() < n) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) {
                break;
            }
            char buf[4096];
            const ssize_t r = ::recv(fd_, buf, std::min(sizeof buf, n - out.size()), 0);
            if (r <= 0) {
                if (error != nullptr) {
                    *error = r == 0 ? 0 : errno;
                }
                break;
            }
            out.append(buf, static_cast<std::size_t>(r));
        }
        return out;
    }

    // One whole message, or nullopt at end-of-file or time-out.
    std::optional<Bytes> read(int timeoutMs = 5000) {
        Bytes head = readBytes(4, timeoutMs);
        if (head.size() < 4) {
            return std::nullopt;
        }
        const std::uint32_t size = get32(head, 0);
        if (size < 12 || size > 1'000'000) {
            ADD_FAILURE() << "bad message size " << size;
            return std::nullopt;
        }
        Bytes rest = readBytes(size - 4, timeoutMs);
        if (rest.size() < size - 4) {
            return std::nullopt;
        }
        return head + rest;
    }

    // The next message that is not a frame (id 7) nor a once-a-second answer of request 108.
    std::optional<Bytes> readSkippingTicks(int timeoutMs = 5000) {
        for (;;) {
            std::optional<Bytes> m = read(timeoutMs);
            if (!m || (get32(*m, 8) != 7 && !(get32(*m, 8) == 8 && get32(*m, 12) == 108))) {
                return m;
            }
        }
    }

    // True when the peer closed: end-of-file (errorOut 0) or an error such as ECONNRESET.
    bool readsEnd(int* errorOut = nullptr, int timeoutMs = 5000) {
        for (;;) {
            int error = -1;
            Bytes b = readBytes(1, timeoutMs, &error);
            if (b.empty()) {
                if (errorOut != nullptr) {
                    *errorOut = error;
                }
                return error >= 0;
            }
        }
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    std::uint32_t sendId_ = 0;
};

// --- packets, at the offsets of the packet table ---

inline Bytes openPacket(Client& c, std::string_view name = "KSBY_P3D") {
    Bytes b = c.packet(0x01, 296);
    putText(b, 16, name);
    put32(b, 272, 0);
    b[276] = 0x00;
    b[277] = 0x44;
    b[278] = 0x33;
    b[279] = 0x50;
    put32(b, 280, 5);
    put32(b, 284, 3);
    put32(b, 288, 0);
    put32(b, 292, 0);
    return b;
}

inline Bytes subscribePacket(Client& c, std::uint32_t eventId, std::string_view name) {
    Bytes b = c.packet(0x17, 276);
    put32(b, 16, eventId);
    putText(b, 20, name);
    return b;
}

inline Bytes unsubscribePacket(Client& c, std::uint32_t eventId) {
    Bytes b = c.packet(0x18, 20);
    put32(b, 16, eventId);
    return b;
}

inline Bytes addDatumPacket(Client& c, std::uint32_t def, std::string_view name,
                            std::string_view units, std::uint32_t type) {
    Bytes b = c.packet(0x0C, 544);
    put32(b, 16, def);
    putText(b, 20, name);
    putText(b, 276, units);
    put32(b, 532, type);
    put32(b, 536, 0);
    put32(b, 540, 0xFFFFFFFF);
    return b;
}

inline Bytes clearDefinitionPacket(Client& c, std::uint32_t def) {
    Bytes b = c.packet(0x0D, 20);
    put32(b, 16, def);
    return b;
}

inline Bytes mapEventPacket(Client& c, std::uint32_t eventId, std::string_view name) {
    Bytes b = c.packet(0x04, 276);
    put32(b, 16, eventId);
    putText(b, 20, name);
    return b;
}

inline Bytes groupPacket(Client& c, std::uint32_t group, std::uint32_t eventId) {
    Bytes b = c.packet(0x07, 28);
    put32(b, 16, group);
    put32(b, 20, eventId);
    put32(b, 24, 1);
    return b;
}

inline Bytes priorityPacket(Client& c, std::uint32_t group, std::uint32_t priority) {
    Bytes b = c.packet(0x09, 24);
    put32(b, 16, group);
    put32(b, 20, priority);
    return b;
}

inline Bytes requestPacket(Client& c, std::uint32_t request, std::uint32_t def,
                           std::uint32_t object, std::uint32_t period) {
    Bytes b = c.packet(0x0E, 48);
    put32(b, 16, request);
    put32(b, 20, def);
    put32(b, 24, object);
    put32(b, 28, period);
    return b;
}

inline Bytes byTypePacket(Client& c, std::uint32_t request, std::uint32_t def, std::uint32_t radius,
                          std::uint32_t type = 2) {
    Bytes b = c.packet(0x0F, 32);
    put32(b, 16, request);
    put32(b, 20, def);
    put32(b, 24, radius);
    put32(b, 28, type);
    return b;
}

inline Bytes setDataPacket(Client& c, std::uint32_t def, std::uint32_t object, std::uint32_t count,
                           std::uint32_t unit, const Bytes& data) {
    Bytes b = c.packet(0x10, static_cast<std::uint32_t>(36 + data.size()));
    put32(b, 16, def);
    put32(b, 20, object);
    put32(b, 24, 0);
    put32(b, 28, count);
    put32(b, 32, unit);
    b.replace(36, data.size(), data);
    return b;
}

inline Bytes doubles(std::initializer_list<double> values) {
    Bytes b(values.size() * 8, '\0');
    std::size_t at = 0;
    for (double v : values) {
        putF64(b, at, v);
        at += 8;
    }
    return b;
}

inline Bytes transmitPacket(Client& c, std::uint32_t object, std::uint32_t eventId,
                            std::uint32_t data, std::uint32_t group = 301) {
    Bytes b = c.packet(0x05, 36);
    put32(b, 16, object);
    put32(b, 20, eventId);
    put32(b, 24, data);
    put32(b, 28, group);
    put32(b, 32, 0);
    return b;
}

struct InitPosition {
    double latitude = 50.04;
    double longitude = 8.57;
    double altitude = 364.0;
    double pitch = 0.0;
    double bank = 0.0;
    double heading = 250.0;
    std::uint32_t onGround = 1;
    std::uint32_t airspeed = 0;
};

inline Bytes createPacket(Client& c, std::string_view title, std::string_view tail,
                          const InitPosition& p = {}) {
    Bytes b = c.packet(0x29, 344);
    putText(b, 16, title);
    putText(b, 272, tail);
    putF64(b, 284, p.latitude);
    putF64(b, 292, p.longitude);
    putF64(b, 300, p.altitude);
    putF64(b, 308, p.pitch);
    putF64(b, 316, p.bank);
    putF64(b, 324, p.heading);
    put32(b, 332, p.onGround);
    put32(b, 336, p.airspeed);
    put32(b, 340, 104);
    return b;
}

inline Bytes releasePacket(Client& c, std::uint32_t object) {
    Bytes b = c.packet(0x2B, 24);
    put32(b, 16, object);
    put32(b, 20, 103);
    return b;
}

inline Bytes removePacket(Client& c, std::uint32_t object) {
    Bytes b = c.packet(0x2C, 24);
    put32(b, 16, object);
    put32(b, 20, 105);
    return b;
}

inline Bytes flightPlanPacket(Client& c, std::uint32_t object, std::string_view path) {
    Bytes b = c.packet(0x2D, 284);
    put32(b, 16, object);
    putText(b, 20, path);
    put32(b, 280, 110);
    return b;
}

// The system's whole set-up sequence, in its order.
inline void declareAll(Client& c) {
    const std::pair<std::uint32_t, const char*> events[] = {
        {201, "Sim"},           {202, "ObjectAdded"},
        {203, "ObjectRemoved"}, {205, "PositionChanged"},
        {206, "FlightLoaded"},  {204, "Frame"}};
    for (const auto& [id, name] : events) {
        c.send(subscribePacket(c, id, name));
    }
    struct D {
        std::uint32_t def;
        const char* name;
        const char* units;
        std::uint32_t type;
    };
    const D defs[] = {
        {407, "TITLE", "", 11},
        {408, "ATC MODEL", "", 6},
        {409, "SIM ON GROUND", "Bool", 2},
        {402, "Plane Latitude", "degree", 4},
        {402, "Plane Longitude", "degree", 4},
        {402, "Plane Pitch degrees", "radians", 4},
        {402, "Plane Bank degrees", "radians", 4},
        {402, "Plane Heading degrees true", "radians", 4},
        {402, "Plane Altitude", "feet", 4},
        {402, "Vertical Speed", "feet per second", 4},
        {402, "Airspeed True", "knots", 4},
        {403, "Plane Latitude", "degree", 4},
        {403, "Plane Longitude", "degree", 4},
        {403, "Plane Pitch degrees", "radians", 4},
        {403, "Plane Bank degrees", "radians", 4},
        {403, "Plane Heading degrees true", "radians", 4},
        {403, "Plane Altitude", "feet", 4},
        {403, "Plane Alt Above Ground", "feet", 4},
        {403, "Ground Velocity", "knots", 4},
        {403, "ZULU TIME", "Seconds", 2},
        {403, "ZULU DAY OF YEAR", "Number", 2},
        {403, "ZULU YEAR", "Number", 2},
        {403, "LIGHT STATES", "Mask", 2},
        {405, "Static CG to Ground", "feet", 4},
        {405, "Static Pitch", "radians", 4},
        {406, "Light On States", "Mask", 2},
        {404, "Plane Alt Above Ground", "feet", 4},
        {404, "Ground Altitude", "feet", 4},
        {404, "SIM ON GROUND", "Bool", 2},
        {404, "ATC ID", "", 6},
    };
    for (const D& d : defs) {
        c.send(addDatumPacket(c, d.def, d.name, d.units, d.type));
    }
    const std::pair<std::uint32_t, const char*> mapped[] = {
        {220, "GEAR_SET"},
        {221, "ENGINE_AUTO_START"},
        {222, "ENGINE_AUTO_SHUTDOWN"},
        {223, "THROTTLE_SET"},
        {218, "FLAPS_SET"},
        {219, "SPOILERS_SET"},
        {208, "NAV_LIGHTS_SET"},
        {207, "BEACON_LIGHTS_SET"},
        {211, "LANDING_LIGHTS_SET"},
        {209, "TAXI_LIGHTS_SET"},
        {210, "STROBES_SET"},
        {213, "LOGO_LIGHTS_SET"},
        {212, "CABIN_LIGHTS_SET"},
        {214, "ALL_LIGHTS_TOGGLE"},
        {215, "FREEZE_LATITUDE_LONGITUDE_SET"},
        {216, "FREEZE_ALTITUDE_SET"},
        {217, "FREEZE_ATTITUDE_SET"},
    };
    for (const auto& [id, name] : mapped) {
        c.send(mapEventPacket(c, id, name));
    }
    c.send(addDatumPacket(c, 401, "SPOILERS HANDLE POSITION", "percent", 4));
    c.send(addDatumPacket(c, 401, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", 4));
    c.send(addDatumPacket(c, 401, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", 4));
    for (std::uint32_t id :
         {208, 207, 211, 209, 210, 213, 212, 214, 218, 219, 220, 222, 223, 215, 216, 217}) {
        c.send(groupPacket(c, 301, id));
    }
    c.send(priorityPacket(c, 301, 1));
}

} // namespace raw

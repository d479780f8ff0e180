#pragma once
// The fixture of the stand-in's self-tests: SimStubTest plus raw clients that connect and open.
#include "raw_client.h"

#include "support/simstub/sim_stub_fixture.h"

#include <string>

namespace simstub::test {

class StubTest : public SimStubTest {
protected:
    // A TCP client that has sent its Open and read the answer; conn gets the connection id.
    raw::Client connectOpen(int* conn = nullptr, std::string_view name = "KSBY_P3D") {
        raw::Client c = raw::Client::tcp(stub().ipv4Port());
        EXPECT_TRUE(c.connected());
        c.send(raw::openPacket(c, name));
        std::optional<raw::Bytes> answer = c.read();
        EXPECT_TRUE(answer && raw::get32(*answer, 8) == 2) << "no Open answer";
        if (conn != nullptr) {
            *conn = newestConnection();
        }
        return c;
    }

    // The client after the whole set-up sequence, every answer to it read.
    raw::Client connectDeclared(int* conn = nullptr) {
        raw::Client c = connectOpen(conn);
        raw::declareAll(c);
        waitPacket(conn ? *conn : newestConnection(), c.lastSendId());
        std::optional<raw::Bytes> sim = c.read();
        EXPECT_TRUE(sim && raw::get32(*sim, 8) == 4) << "no Sim event";
        return c;
    }

    int newestConnection() {
        int id = 0;
        for (const ConnectionInfo& c : stub().connections()) {
            id = std::max(id, c.id);
        }
        return id;
    }

    // Returns once the stand-in has recorded (and acted on) the packet.
    void waitPacket(int conn, std::uint32_t sendId) {
        ASSERT_TRUE(stub().waitFor([&] {
            return !stub().packets(PacketFilter{conn, std::nullopt, sendId}).empty();
        })) << "packet #"
            << sendId << " of c" << conn << " never arrived";
    }

    // Sends and waits until the stand-in has acted on it.
    void sendAndWait(raw::Client& c, int conn, const raw::Bytes& packet) {
        c.send(packet);
        waitPacket(conn, c.lastSendId());
    }

    std::vector<std::string> errorTexts() {
        std::vector<std::string> out;
        for (const ProtocolError& e : stub().takeProtocolErrors()) {
            out.push_back(e.text);
        }
        return out;
    }
};

} // namespace simstub::test

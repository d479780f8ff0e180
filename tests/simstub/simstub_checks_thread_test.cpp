// The wire rules checked on every packet: each broken rule is one protocol error with its exact
// text; only an unframable size closes the connection.
#include "stub_fixture.h"

#include <functional>
#include <gtest/gtest-spi.h>

namespace {

using raw::Bytes;
using simstub::test::StubTest;

class Checks : public StubTest {};

// Reads until a system event (id 4) arrives; other answers are skipped.
bool lf_readsEvent(raw::Client& c) {
    for (int i = 0; i < 10; ++i) {
        std::optional<Bytes> m = c.read();
        if (!m) {
            return false;
        }
        if (raw::get32(*m, 8) == 4) {
            return true;
        }
    }
    return false;
}

TEST_F(Checks, EachBrokenRuleIsOneProtocolError) {
    struct Case {
        const char* name;
        bool openFirst;
        std::function<Bytes(raw::Client&)> bad;
        std::string error; // after "c<conn> "
        bool closes = false;
    };
    const Case cases[] = {
        {"wrong size", true,
         [](raw::Client& c) {
             Bytes b = c.packet(0x0D, 24);
             raw::put32(b, 16, 409);
             return b;
         },
         "#2 packet 0x0D: size 24, expected 20"},
        {"wrong version", true,
         [](raw::Client& c) {
             Bytes b = c.packet(0x09, 24);
             raw::put32(b, 4, 34);
             return b;
         },
         "#2 packet 0x09: version 34, expected 35"},
        {"wrong id", true, [](raw::Client& c) { return c.packet(0x03, 20); },
         "#2 packet 0x03: id 0xF0000003 is not a packet id"},
        {"send-id gap", true,
         [](raw::Client& c) {
             c.setLastSendId(4);
             return raw::priorityPacket(c, 301, 1);
         },
         "#5 packet 0x09: send id 5, expected 2"},
        {"missing terminator", true,
         [](raw::Client& c) { return raw::subscribePacket(c, 201, std::string(256, 'A')); },
         "#2 packet 0x17: name at +20 has no terminator within 256 bytes"},
        {"non-zero byte after the terminator", true,
         [](raw::Client& c) {
             Bytes b = raw::subscribePacket(c, 201, "Sim");
             b[20 + 10] = 'x';
             return b;
         },
         "#2 packet 0x17: name at +20 has a non-zero byte after its terminator"},
        {"first packet is not the Open", false,
         [](raw::Client& c) { return raw::priorityPacket(c, 301, 1); },
         "#1 packet 0x09: first packet is not the Open"},
        {"Open word at +272", false,
         [](raw::Client& c) {
             Bytes b = raw::openPacket(c);
             raw::put32(b, 272, 1);
             return b;
         },
         "#1 packet 0x01: word at +272 is 1, expected 0"},
        {"Open alias", false,
         [](raw::Client& c) {
             Bytes b = raw::openPacket(c);
             b[279] = 0x51;
             return b;
         },
         "#1 packet 0x01: alias bytes 00 44 33 51, expected 00 44 33 50"},
        {"Open version", false,
         [](raw::Client& c) {
             Bytes b = raw::openPacket(c);
             raw::put32(b, 292, 1);
             return b;
         },
         "#1 packet 0x01: version words 5, 3, 0, 1, expected 5, 3, 0, 0"},
        {"SetData with count 0", true,
         [](raw::Client& c) { return raw::setDataPacket(c, 402, 1000, 0, 64, ""); },
         "#2 packet 0x10: array count 0, expected at least 1"},
        {"SetData size not 36 + count x unit", true,
         [](raw::Client& c) { return raw::setDataPacket(c, 402, 1000, 1, 64, raw::zeros(32)); },
         "#2 packet 0x10: size 68, expected 36 + 1 x 64 = 100"},
        {"size below 16", true,
         [](raw::Client& c) {
             Bytes b = c.packet(0x0D, 20);
             raw::put32(b, 0, 8);
             return b;
         },
         "#2 packet 0x0D: size 8 cannot be framed (16 to 41088)", true},
        {"size above 41088", true,
         [](raw::Client& c) {
             Bytes b = c.packet(0x0D, 20);
             raw::put32(b, 0, 41089);
             return b;
         },
         "#2 packet 0x0D: size 41089 cannot be framed (16 to 41088)", true},
    };
    std::size_t count = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ++count;
        raw::Client c = raw::Client::tcp(stub().ipv4Port());
        ASSERT_TRUE(c.connected());
        if (k.openFirst) {
            c.send(raw::openPacket(c));
        }
        c.send(k.bad(c));
        const int conn = stub().waitForConnection(count);
        if (k.closes) {
            EXPECT_TRUE(c.readsEnd());
            ASSERT_TRUE(stub().waitFor([&] { return !stub().connections().back().open; }));
            EXPECT_EQ(stub().connections().back().endReason, "unframable size");
        } else {
            // The connection goes on: a later packet is still answered.
            c.send(raw::subscribePacket(c, 201, "Sim"));
            EXPECT_TRUE(lf_readsEvent(c));
            EXPECT_TRUE(stub().connections().back().open);
        }
        EXPECT_EQ(errorTexts(),
                  std::vector<std::string>{"c" + std::to_string(conn) + " " + k.error});
    }
}

TEST_F(Checks, EveryPacketIsRecordedWithItsFieldsAndBytes) {
    int conn = 0;
    raw::Client c = connectOpen(&conn, "KSBY_P3D");
    const Bytes create = raw::createPacket(
        c, "Test A320 DLH", "DLH4AB", raw::InitPosition{50.04, 8.57, 364.0, 1.0, 2.0, 250.0, 1, 7});
    sendAndWait(c, conn, create);
    const std::vector<simstub::PacketRecord> all = stub().packets({.conn = conn});
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0].name, "Open");
    EXPECT_EQ(all[0].fields.text("name"), "KSBY_P3D");
    EXPECT_EQ(all[0].fields.text("alias"), "00 44 33 50");
    EXPECT_EQ(all[0].fields.format(),
              "name=\"KSBY_P3D\" reserved=0 alias=\"00 44 33 50\" major=5 minor=3 buildMajor=0 "
              "buildMinor=0");
    const simstub::PacketRecord& p = all[1];
    EXPECT_EQ(p.sendId, 2U);
    EXPECT_EQ(p.number, 0x29U);
    EXPECT_EQ(p.name, "AICreateNonATCAircraft");
    EXPECT_EQ(p.raw, create);
    EXPECT_EQ(p.fields.format(),
              "title=\"Test A320 DLH\" tail=\"DLH4AB\" latitude=50.04 longitude=8.57 altitude=364 "
              "pitch=1 bank=2 heading=250 onGround=1 airspeed=7 requestId=104");
    EXPECT_EQ(stub().connections().back().openName, "KSBY_P3D");
}

TEST_F(Checks, TheFixtureFailsATestThatLeavesProtocolErrorsUnclaimed) {
    raw::Client c = connectOpen();
    c.setLastSendId(4);
    sendAndWait(c, newestConnection(), raw::priorityPacket(c, 301, 1));
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        startStub(makeScenario()); // stops the first stand-in as the teardown would
    }
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results.GetTestPartResult(0).nonfatally_failed());
    EXPECT_STREQ(results.GetTestPartResult(0).message(),
                 "Failed\nunclaimed protocol error: c1 #5 packet 0x09: send id 5, expected 2");
}

} // namespace

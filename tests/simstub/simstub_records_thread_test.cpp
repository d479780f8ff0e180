// What the stand-in records about AI objects: SIM ON GROUND by the static CG height, how each
// object ended, and the real time of each position write.
#include "stub_fixture.h"

#include <chrono>

namespace {

using namespace std::chrono_literals;
using raw::Bytes;
using simstub::test::StubTest;

constexpr double kGround = 364.0;
constexpr const char* kTallTitle = "Test B753 CFG"; // a static CG height of its own

class Records : public StubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario s = StubTest::makeScenario();
        s.groundElevation = kGround;
        s.defaultStaticCg.cgToGround = 9.5;
        s.staticCg[kTallTitle] = simstub::StaticCg{6.3, 0.01};
        return s;
    }

    // The messages sent since the last call, closed by the answer to a marker subscription.
    static std::vector<Bytes> answers(raw::Client& c) {
        c.send(raw::subscribePacket(c, 201, "Sim"));
        std::vector<Bytes> out;
        for (std::optional<Bytes> m = c.read(); m; m = c.read()) {
            if (raw::get32(*m, 8) == 4 && raw::get32(*m, 16) == 201) {
                return out;
            }
            out.push_back(*m);
        }
        ADD_FAILURE() << "no marker answer";
        return out;
    }

    std::uint32_t create(raw::Client& c, int conn, std::string_view title, std::string_view tail,
                         const raw::InitPosition& p = {}) {
        sendAndWait(c, conn, raw::createPacket(c, title, tail, p));
        const std::vector<simstub::ObjectState> mine = stub().objectsCreatedBy(conn);
        return mine.empty() ? 0 : mine.back().id;
    }

    void writePosition(raw::Client& c, int conn, std::uint32_t id, double lat, double lon,
                       double alt) {
        sendAndWait(c, conn,
                    raw::setDataPacket(c, 402, id, 1, 64,
                                       raw::doubles({lat, lon, 0.0, 0.0, 1.0, alt, 0.0, 140.0})));
    }
};

TEST_F(Records, SimOnGroundFollowsTheStaticCgHeightAfterTheFirstWrite) {
    int conn = 0;
    raw::Client c = connectDeclared(&conn);
    struct Case {
        const char* name;
        const char* title;
        std::uint32_t creationFlag;
        std::optional<double> aboveCg; // feet above ground + static CG; nullopt: no write
        double creationAgl = 0.0;
        bool onGround;
    };
    const Case cases[] = {
        {"default CG, 0.9 ft above it", "Test A320 DLH", 0, 0.9, 0.0, true},
        {"default CG, exactly 1 ft above it", "Test A320 DLH", 0, 1.0, 0.0, true},
        {"default CG, 1.1 ft above it", "Test A320 DLH", 1, 1.1, 0.0, false},
        {"own CG, 0.9 ft above it", kTallTitle, 0, 0.9, 0.0, true},
        {"own CG, exactly 1 ft above it", kTallTitle, 0, 1.0, 0.0, true},
        {"own CG, 1.1 ft above it", kTallTitle, 1, 1.1, 0.0, false},
        {"own CG, at the ground itself", kTallTitle, 0, -6.3, 0.0, true},
        {"before a write: the creation's flag on, 2,000 ft up", "Test A320 DLH", 1, std::nullopt,
         2000.0, true},
        {"before a write: the creation's flag off, on the ground", "Test A320 DLH", 0, std::nullopt,
         0.0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        raw::InitPosition p;
        p.altitude = kGround + k.creationAgl;
        p.onGround = k.creationFlag;
        const std::uint32_t id = create(c, conn, k.title, "DLH4AB", p);
        ASSERT_NE(id, 0U);
        double agl = k.creationAgl;
        if (k.aboveCg) {
            const double cg = std::string(k.title) == kTallTitle ? 6.3 : 9.5;
            agl = cg + *k.aboveCg;
            writePosition(c, conn, id, 50.04, 8.57, kGround + agl);
        }
        const simstub::ObjectState o = stub().object(id).value();
        EXPECT_EQ(o.simOnGround, k.onGround);
        EXPECT_NEAR(o.agl, agl, 1e-9);
        // The client reads the same through definitions 409 and 404.
        answers(c);
        c.send(raw::requestPacket(c, 170, 409, id, 1));
        c.send(raw::requestPacket(c, 171, 404, id, 1));
        const std::vector<Bytes> got = answers(c);
        ASSERT_EQ(got.size(), 2U);
        EXPECT_EQ(raw::get32(got[0], 40), k.onGround ? 1U : 0U);
        EXPECT_NEAR(raw::getF64(got[1], 40), agl, 1e-9);
        EXPECT_EQ(raw::get32(got[1], 56), k.onGround ? 1U : 0U);
    }
}

TEST_F(Records, AnEndedObjectKeepsHowItEndedAndItsRecords) {
    int watcherConn = 0;
    raw::Client watcher = connectDeclared(&watcherConn);
    struct Case {
        const char* name;
        enum class How { ownPacket, otherPacket, clientCloses, standInDrops } how;
        simstub::EndKind kind;
        bool otherStays; // the creator's second object still exists afterwards
    };
    using How = Case::How;
    const Case cases[] = {
        {"removed by its creator", How::ownPacket, simstub::EndKind::removed, true},
        {"removed by another connection", How::otherPacket, simstub::EndKind::removed, true},
        {"its connection closes", How::clientCloses, simstub::EndKind::withConnection, false},
        {"the stand-in drops its connection", How::standInDrops, simstub::EndKind::withConnection,
         false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        int conn = 0;
        raw::Client creator = connectDeclared(&conn);
        const std::uint32_t id = create(creator, conn, "Test A320 DLH", "DLH4AB");
        const std::uint32_t other = create(creator, conn, "Test A320 DLH", "DLH100*");
        writePosition(creator, conn, id, 50.05, 8.58, 2000.0);
        answers(creator);
        answers(watcher); // their ObjectAdded news
        stub().advance(2500ms);
        const double standInTime = stub().now();

        const auto before = std::chrono::system_clock::now();
        int endConn = conn;
        std::uint32_t sendId = 0;
        switch (k.how) {
        case How::ownPacket:
            sendAndWait(creator, conn, raw::removePacket(creator, id));
            sendId = creator.lastSendId();
            break;
        case How::otherPacket:
            sendAndWait(watcher, watcherConn, raw::removePacket(watcher, id));
            sendId = watcher.lastSendId();
            endConn = watcherConn;
            break;
        case How::clientCloses:
            creator.close();
            ASSERT_TRUE(stub().waitFor([&] { return !stub().object(id).has_value(); }));
            break;
        case How::standInDrops:
            stub().dropConnection(conn);
            break;
        }
        const auto after = std::chrono::system_clock::now();

        // The watcher hears of it.
        bool heard = false;
        for (const Bytes& m : answers(watcher)) {
            heard = heard ||
                    (raw::get32(m, 8) == 5 && raw::get32(m, 16) == 203 && raw::get32(m, 20) == id);
        }
        EXPECT_TRUE(heard);

        EXPECT_FALSE(stub().object(id).has_value());
        EXPECT_EQ(stub().object(other).has_value(), k.otherStays);
        const std::vector<simstub::ObjectState> mine = stub().objectsCreatedBy(conn);
        ASSERT_EQ(mine.size(), 2U);
        EXPECT_EQ(mine[0].id, id);
        EXPECT_EQ(mine[1].id, other);
        EXPECT_EQ(mine[1].end.has_value(), !k.otherStays);
        ASSERT_TRUE(mine[0].end.has_value());
        const simstub::ObjectEnd& end = *mine[0].end;
        EXPECT_EQ(end.kind, k.kind);
        EXPECT_EQ(end.conn, endConn);
        EXPECT_EQ(end.sendId, sendId);
        EXPECT_EQ(end.time, standInTime);
        EXPECT_GE(end.realTime, before);
        EXPECT_LE(end.realTime, after);
        EXPECT_EQ(mine[0].tail, "DLH4AB");
        EXPECT_EQ(mine[0].owner, conn);
        EXPECT_EQ(mine[0].latitude, 50.05);
        // Its records stay.
        EXPECT_EQ(stub().positions(id).size(), 1U);
        EXPECT_TRUE(stub().objectsCreatedBy(watcherConn).empty());
        const std::vector<simstub::ObjectState> ended = stub().endedObjects();
        ASSERT_FALSE(ended.empty());
        EXPECT_TRUE(std::any_of(ended.begin(), ended.end(),
                                [&](const simstub::ObjectState& o) { return o.id == id; }));
    }
    // A removal of an object that has ended is refused as any unknown id.
    watcher.send(raw::removePacket(watcher, 1000));
    const std::vector<Bytes> got = answers(watcher);
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(raw::get32(got[0], 8), 1U);
    EXPECT_EQ(raw::get32(got[0], 12), 3U);
}

TEST_F(Records, EveryPositionCarriesTheRealTimeOfItsWrite) {
    int conn = 0;
    raw::Client c = connectDeclared(&conn);
    const std::uint32_t id = create(c, conn, "Test A320 DLH", "DLH4AB");
    struct Bracket {
        std::chrono::system_clock::time_point before, after;
    };
    std::vector<Bracket> brackets;
    for (int i = 0; i < 3; ++i) {
        Bracket b;
        b.before = std::chrono::system_clock::now();
        writePosition(c, conn, id, 50.04 + i * 0.01, 8.57, kGround + 100.0 * i);
        // A write without latitude and longitude records no position.
        sendAndWait(c, conn, raw::setDataPacket(c, 401, id, 1, 24, raw::doubles({0, 0, 0})));
        b.after = std::chrono::system_clock::now();
        brackets.push_back(b);
        stub().advance(1s); // stand-in time moves on its own clock
    }
    const std::vector<simstub::PositionRecord> positions = stub().positions(id);
    ASSERT_EQ(positions.size(), brackets.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(positions[i].realTime, brackets[i].before);
        EXPECT_LE(positions[i].realTime, brackets[i].after);
        EXPECT_EQ(positions[i].time, static_cast<double>(i));
    }
}

} // namespace

// The session's handlers on the test thread: Open, exceptions, events and messages, the user
// aircraft's answers, the by-type answers and the user's stand.
#include "link_fixture.h"

#include "core/exceptions.h"
#include "core/geodesy.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>
#include <numbers>
#include <optional>

namespace {

using namespace linktest;

std::string lf_what(const std::function<void()>& call) {
    try {
        call();
    } catch (const ksb::UserErrorException& e) {
        return e.what();
    }
    return "";
}

class SessionHandlers : public LinkTest {};

TEST_F(SessionHandlers, OpenAcceptsOrRefusesTheSimulator) {
    struct Case {
        const char* name;
        std::string appName;
        std::string installPath;
        int version;
        std::string error;  // empty: accepted
        std::string logged; // the connected line; empty: none
        bool connectedMark;
    };
    const std::string v5 = "Lockheed Martin Prepar3D v5 (5.3.17.28160)";
    const std::string v6 = "Lockheed Martin Prepar3D v6 (6.0.34.31011)";
    const Case cases[] = {
        {"v5 by the path's V5", "Lockheed Martin Prepar3D v5", "D:\\P3D V5", 0, "",
         v5 + " connected ", true},
        {"v5 by P3D_VERSION", "Lockheed Martin Prepar3D v5", "D:\\Sim", 5, "", v5 + " connected ",
         true},
        {"v6 by the path", "Lockheed Martin Prepar3D v6", "D:\\P3D v6", 5, "", v6 + " connected ",
         true},
        {"0xAE dropped from the name", "Lockheed Martin\xAE Prepar3D\xAE v5", "D:\\P3D v5", 0, "",
         v5 + " connected ", true},
        {"v6 with a v5 path", "Lockheed Martin Prepar3D v6", "D:\\P3D v5", 5,
         "78: wrong P3D version \"" + v6 + "\" connects ... ?", v6 + " connected ", true},
        {"v5 with a v6 path", "Lockheed Martin Prepar3D v5", "D:\\P3D v6", 6,
         "78: wrong P3D version \"" + v5 + "\" connects ... ?", v5 + " connected ", true},
        {"KittyHawk", "KittyHawk", "D:\\P3D v5", 5,
         "78: KittyHawk, (MSFS) not being P3D connects ... ?", "", true},
        {"SunRise", "Sun\xAERise", "D:\\P3D v5", 5,
         "78: SunRise, (MSFS) not being P3D connects ... ?", "", true},
        {"empty name", "\xAE\xAE", "D:\\P3D v5", 5, "", "! Simulator name empty?", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mainWindow.resetToStart();
        messages.emplace();
        SIM_INSTALL_PATH.assign(c.installPath);
        simVersion = c.version;
        simstub::OpenAnswer answer;
        answer.name = c.appName;
        answer.version = c.appName.find("v6") != std::string::npos
                             ? std::array<std::uint32_t, 4>{6, 0, 34, 31011}
                             : std::array<std::uint32_t, 4>{5, 3, 17, 28160};
        const std::string error = lf_what([&] { dispatch(simstub::gf_openMessage(answer)); });
        EXPECT_EQ(error, c.error);
        const auto lines = takeLog();
        if (c.logged.empty()) {
            EXPECT_TRUE(lines.empty());
        } else {
            EXPECT_EQ(lines, std::vector<std::string>{c.logged});
        }
        EXPECT_EQ(mainWindow.simConnected.load(), c.connectedMark);
        const bool accepted = c.error.empty() && c.connectedMark;
        EXPECT_EQ(messages->all().size(), accepted ? 1u : 0u);
        if (accepted) {
            EXPECT_EQ(messages->all()[0].kind, ksb::test::RecordedMessage::Kind::clear);
            EXPECT_EQ(mainWindow.text(WindowText::simulatorText),
                      c.logged.substr(0, c.logged.size() - 11));
        }
    }
}

TEST_F(SessionHandlers, Exceptions) {
    struct Case {
        const char* name;
        std::uint32_t code;
        bool positionKnown;
        std::vector<std::string> log;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"unrecognised id, position unknown", 3, false, {}, {}},
        {"unrecognised id, position known",
         3,
         true,
         {"===> SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID"},
         {}},
        {"too many objects", 11, true, {}, {"SimConnect: too many objects (max 1000)"}},
        {"19", 19, true, {"SIMCON EXCEP 19"}, {}},
        {"flight plan", 23, true, {"===> Simconnect Exception: load flight plan failed"}, {}},
        {"24", 24, true, {"SIMCON EXCEP 24"}, {}},
        {"unlisted", 42, true, {"===> SIMCON EXCEP 42"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        gf_setSimHandleForTests(capture->get());
        if (c.positionKnown) {
            sendUserState(UserAnswer{});
        }
        takeLog();
        messages.emplace();
        dispatch(simstub::gf_exceptionMessage(c.code, 7, 2));
        EXPECT_EQ(takeLog(), c.log);
        EXPECT_EQ(messages->messages(), c.messages);
    }
    EXPECT_EQ(lf_what([&] { dispatch(simstub::gf_exceptionMessage(5, 7, 4)); }),
              "95: Simconnect Version Mismatch, dwindex: 4 ");
    EXPECT_TRUE(engine->postedEvents().empty());
}

TEST_F(SessionHandlers, RefusedCreationPostsKindSixOnlyForAPendingKey) {
    struct Case {
        const char* name;
        std::uint32_t key;
        bool matchSendId;
        std::optional<std::uint32_t> posted;
    };
    const Case cases[] = {
        {"pending", 12345, true, 12345},
        {"not pending", 12345, false, std::nullopt},
        {"key 0 means none", 0, true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        gf_setSimHandleForTests(capture->get());
        engine->clearCalls();
        AiCreateRequest request;
        request.callsign = "DLH123";
        request.liveryTitle = "Title A";
        request.flightKey = c.key;
        gf_queueCreateAiAircraft(request);
        sendFrame();
        const auto pending = gf_pendingCreations();
        ASSERT_EQ(pending.size(), 1u);
        EXPECT_NE(pending[0].sendId, 0u);
        dispatch(simstub::gf_exceptionMessage(22, pending[0].sendId + (c.matchSendId ? 0 : 1), 0));
        EXPECT_EQ(gf_pendingCreations().empty(), c.matchSendId);
        const auto posted = engine->postedEvents();
        if (c.posted) {
            ASSERT_EQ(posted.size(), 1u);
            EXPECT_EQ(posted[0].kind, SimInboundKind::creationRefused);
            EXPECT_EQ(posted[0].objectId, 0u);
            EXPECT_EQ(posted[0].flightKeyOrOnGround, *c.posted);
        } else {
            EXPECT_TRUE(posted.empty());
        }
    }
}

TEST_F(SessionHandlers, EventsAndMessages) {
    struct Case {
        const char* name;
        std::string bytes;
        bool runningBefore;
        bool runningAfter;
        std::vector<std::string> log;
        std::vector<ksb::test::RecordedExit> exitRequests;
    };
    const ksb::test::RecordedExit restart{ExitReason::RESTART, 30};
    const Case cases[] = {
        {"Sim 1", simstub::gf_eventMessage(0xFFFFFFFF, 201, 1).bytes, false, true, {}, {}},
        {"Sim 0", simstub::gf_eventMessage(0xFFFFFFFF, 201, 0).bytes, true, false, {}, {}},
        {"Sim 2", simstub::gf_eventMessage(0xFFFFFFFF, 201, 2).bytes, true, false, {}, {}},
        {"PositionChanged",
         simstub::gf_eventMessage(0xFFFFFFFF, 205, 0).bytes,
         true,
         true,
         {"===> User ac position changed"},
         {restart}},
        {"FlightLoaded",
         simstub::gf_eventMessage(0xFFFFFFFF, 206, 0).bytes,
         true,
         true,
         {"===> Flight loaded"},
         {restart}},
        {"other event", simstub::gf_eventMessage(301, 218, 0).bytes, true, true, {}, {}},
        {"flight file",
         simstub::gf_fileNameMessage(0, "C:\\flights\\a.fxml").bytes,
         true,
         true,
         {"===> New file loaded"},
         {restart}},
        {"quit", simstub::gf_quitMessage().bytes, true, false, {}, {}},
        {"id 12", rawMessage(12, std::string(8, '\0')), true, true, {}, {}},
        {"id 16", rawMessage(16), true, true, {}, {}},
        {"unknown id",
         rawMessage(77, std::string(4, '\0')),
         true,
         true,
         {"! Unknown Dispatch dwID 77"},
         {}},
        {"short event",
         rawMessage(4, std::string(4, '\0')),
         true,
         true,
         {"! SimConnect message id 4 too short (16 bytes), ignored"},
         {}},
        {"short user state",
         objectData(false, 109, 1, 403, DataBuilder().f64(1.0).bytes()),
         true,
         true,
         {"! SimConnect message id 8 too short (48 bytes), ignored"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exits.emplace();
        flightRunning = c.runningBefore;
        mainWindow.flightLoaded = c.runningBefore;
        takeLog();
        dispatch(c.bytes);
        EXPECT_EQ(flightRunning.load(), c.runningAfter);
        if (c.bytes[8] == 4) {
            EXPECT_EQ(mainWindow.flightLoaded.load(), c.runningAfter);
        }
        EXPECT_EQ(takeLog(), c.log);
        EXPECT_EQ(exits->all(), c.exitRequests);
    }
    // The short user state changed nothing.
    EXPECT_EQ(userObjectId.load(), kUserObjectIdAtStart);
}

TEST_F(SessionHandlers, FrameRateIsTakenAtTheThirtiethFrame) {
    for (int i = 1; i <= 29; ++i) {
        sendFrame(20.0f + static_cast<float>(i));
    }
    EXPECT_EQ(simFrameRate.load(), 0.0f);
    sendFrame(61.5f);
    EXPECT_EQ(simFrameRate.load(), 61.5f);
    for (int i = 1; i <= 29; ++i) {
        sendFrame(12.0f);
    }
    EXPECT_EQ(simFrameRate.load(), 61.5f);
    sendFrame(24.0f);
    EXPECT_EQ(simFrameRate.load(), 24.0f);
}

TEST_F(SessionHandlers, UserModel) {
    readDatabase();
    const double maxSpanMetres = aircraftDatabase.maxHalfSpanNm * 1852.0;
    struct Case {
        const char* name;
        std::string title;
        std::string model;
        std::string error;
        std::vector<std::string> log;
        std::string storedModel;
        double halfSpanMetres;
        int category;
        bool mark;
        std::vector<std::string> messages;
    };
    const std::string maxText = fmt::format("{:.1f}", maxSpanMetres);
    const Case cases[] = {
        {"type of the model",
         "Test A320",
         "TT:ATCCOM.AC_MODEL_A320.0.text",
         "",
         {"          SimConnect: User aircraft model: A320, half wing span: 17.0 meter, category: "
          "Large"},
         "A320",
         17.0,
         2,
         true,
         {}},
        // The light mean gives "_E75" a span too; only an own entry counts.
        {"three characters",
         "Test E75",
         "TT:ATCCOM.AC_MODEL_E75.0.text",
         "",
         {"          SimConnect: User aircraft model: E75, half wing span: 13.0 meter, category: "
          "Large"},
         "E75",
         13.0,
         2,
         true,
         {}},
        {"camerapod",
         "Cam",
         "camerapod",
         "",
         {"          SimConnect: User aircraft model: camerapod"},
         "camerapod",
         14.35,
         0,
         true,
         {}},
        {"model without .0.text",
         "Test",
         "A320",
         "",
         {"          SimConnect: User aircraft model: A320, half wing span: 17.0 meter, category: "
          "Large"},
         "A320",
         17.0,
         2,
         true,
         {}},
        {"deduced from the title",
         "Aerosoft A320 Lufthansa",
         "TT:ATCCOM.AC_MODEL_XQXQ.0.text",
         "",
         {"SimConnect: User aircraft model deduced from title: A320",
          "          SimConnect: User aircraft model: TT:ATCCOM.AC_MODEL_XQXQ.0.text, half wing "
          "span: 17.0 meter, category: Large"},
         "TT:ATCCOM.AC_MODEL_XQXQ.0.text",
         17.0,
         2,
         true,
         {}},
        {"unknown span",
         "Some Jet",
         "TT:ATCCOM.AC_MODEL_XQXQ.0.text",
         "",
         {"          SimConnect: User aircraft model: TT:ATCCOM.AC_MODEL_XQXQ.0.text, half wing "
          "span: " +
          maxText + " meter, category: Light"},
         "TT:ATCCOM.AC_MODEL_XQXQ.0.text",
         maxSpanMetres,
         0,
         false,
         {"User aircraft wing span unknown, max is taken instead, please report in my Forum!"}},
        {"empty",
         "Test",
         "",
         "71: atc_model= in [General] section of your aircraft.cfg is empty or missing",
         {},
         "",
         0.0,
         0,
         true,
         {}},
        {"too short before .0.text",
         "Test",
         "A32.0.text",
         "73: It looks like you have not selected an aircraft as user vehicle",
         {},
         "",
         0.0,
         0,
         true,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        mainWindow.userRecognised = !c.mark;
        sendTitle(c.title);
        takeLog();
        messages.emplace();
        EXPECT_EQ(lf_what([&] { sendModel(c.model); }), c.error);
        EXPECT_EQ(takeLog(), c.log);
        EXPECT_EQ(messages->messages(), c.messages);
        if (!c.error.empty()) {
            continue;
        }
        EXPECT_EQ(gf_userModel(), c.storedModel);
        EXPECT_NEAR(userHalfWingSpan.load() * 1852.0, c.halfSpanMetres, 1e-9);
        EXPECT_EQ(userCategory.load(), c.category);
        EXPECT_EQ(mainWindow.userRecognised.load(), c.mark);
    }
}

TEST_F(SessionHandlers, UserTitle) {
    sendTitle("");
    EXPECT_EQ(takeLog(), std::vector<std::string>{"! title of your ac is empty?"});
    const std::string longTitle(60, 'T');
    sendTitle(longTitle);
    EXPECT_EQ(gf_userTitle(), std::string(48, 'T'));
    EXPECT_EQ(mainWindow.text(WindowText::userTitle), std::string(48, 'T'));
    EXPECT_EQ(takeLog(), std::vector<std::string>{"          SimConnect: User aircraft title: " +
                                                  std::string(48, 'T')});
    sendTitle(longTitle);
    EXPECT_TRUE(takeLog().empty());
}

TEST_F(SessionHandlers, UserStateAnswer) {
    UserAnswer answer;
    answer.altitude = -12.0;
    sendUserState(answer, 1);
    UserAircraftState state = gf_requestUserPosition();
    EXPECT_EQ(state.latitude, 50.0333);
    EXPECT_EQ(state.altitude, 0.0);
    EXPECT_EQ(userObjectId.load(), 1u);
    // 2024-02-29 01:00:00, the leap day.
    EXPECT_EQ(simUtcSeconds.load(), 1709168400);
    answer.dayOfYear = 61;
    answer.zuluTime = 0;
    sendUserState(answer, 1);
    EXPECT_EQ(simUtcSeconds.load(), 1709251200); // 2024-03-01
    answer.year = 2025;
    answer.dayOfYear = 1;
    sendUserState(answer, 1);
    EXPECT_EQ(simUtcSeconds.load(), 1735689600); // 2025-01-01
    EXPECT_TRUE(exits->all().empty());
}

TEST_F(SessionHandlers, TeleportAboveTenNauticalMiles) {
    struct Case {
        const char* name;
        double nm;
        bool teleport;
    };
    const Case cases[] = {{"9.99 NM", 9.99, false}, {"10.01 NM", 10.01, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        exits.emplace();
        UserAnswer answer;
        answer.latitude = 40.0;
        answer.longitude = 8.0;
        sendUserState(answer);
        takeLog();
        // One degree of latitude is 60 NM on the system's sphere.
        answer.latitude += c.nm / (kEarthRadiusNM * std::numbers::pi / 180.0);
        sendUserState(answer);
        EXPECT_EQ(takeLog(),
                  c.teleport ? std::vector<std::string>{"Teleport"} : std::vector<std::string>{});
        const std::vector<ksb::test::RecordedExit> expected =
            c.teleport ? std::vector<ksb::test::RecordedExit>{{ExitReason::RESTART, 30}}
                       : std::vector<ksb::test::RecordedExit>{};
        EXPECT_EQ(exits->all(), expected);
    }
}

TEST_F(SessionHandlers, FirstAnswerAfterAnUnknownPositionIsNoTeleport) {
    UserAnswer answer;
    answer.latitude = 0.0;
    answer.longitude = 0.0;
    sendUserState(answer);
    answer.latitude = 50.0;
    sendUserState(answer);
    EXPECT_TRUE(exits->all().empty());
}

TEST_F(SessionHandlers, StandItemFollowsTheUser) {
    struct Step {
        const char* name;
        std::string stand;
        std::string shown;
    };
    const Step steps[] = {{"shown", "A12", "A12"},
                          {"changed", "B3", "B3"},
                          {"same", "B3", "B3"},
                          {"emptied", "", ""},
                          {"empty again", "", ""}};
    mainWindow.setText(WindowText::userStand, "old", kStatusRegion);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        engine->standName = s.stand;
        sendUserState(UserAnswer{});
        EXPECT_EQ(mainWindow.text(WindowText::userStand), s.shown);
        EXPECT_EQ(gf_userStandName(), s.stand);
    }
    EXPECT_EQ(engine->callsOf("gf_standNameAt").size(), 5u);
}

TEST_F(SessionHandlers, OnGroundAnswerNeedsAKnownPosition) {
    sendOnGround(1);
    EXPECT_TRUE(secondTick.exchange(false));
    EXPECT_FALSE(userOnGroundKnown.load());
    EXPECT_FALSE(userOnGround.load());
    sendUserState(UserAnswer{});
    // Only the low 32 bits count.
    sendOnGround(std::int64_t{1} << 32);
    EXPECT_TRUE(secondTick.exchange(false));
    EXPECT_TRUE(userOnGroundKnown.load());
    EXPECT_FALSE(userOnGround.load());
    sendOnGround(1);
    EXPECT_TRUE(secondTick.load());
    EXPECT_TRUE(userOnGround.load());
}

TEST_F(SessionHandlers, AdoptionOfCreatedAircraft) {
    struct Case {
        const char* name;
        std::uint32_t key;
        std::string callsign;
        SimInboundKind kind;
        double second;
    };
    const Case cases[] = {
        {"live", 0xABCDEF, "DLH123", SimInboundKind::liveAdded, 31.5},
        {"static", 10000, "DLH9*", SimInboundKind::staticAdded, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        gf_setSimHandleForTests(capture->get());
        engine->clearCalls();
        sendUserState(UserAnswer{}, 1);
        AiCreateRequest request;
        request.callsign = c.callsign;
        request.liveryTitle = "Title A";
        request.flightKey = c.key;
        gf_queueCreateAiAircraft(request);
        sendFrame();
        takePackets();
        sendObjectAdded(5);
        EXPECT_EQ(gf_justAddedObjects(), std::vector<std::uint32_t>{5});
        sendByType(5, 31.5, 364.0, 1, c.callsign);
        EXPECT_TRUE(gf_justAddedObjects().empty());
        EXPECT_TRUE(gf_pendingCreations().empty());
        const auto packets = takePackets();
        ASSERT_EQ(packets.size(), 1u);
        EXPECT_EQ(packets[0].name, "AIReleaseControl");
        EXPECT_EQ(packets[0].fields.u32("objectId"), 5u);
        EXPECT_EQ(packets[0].fields.u32("requestId"), 103u);
        const auto queued = gf_sendQueueSnapshot().events;
        ASSERT_EQ(queued.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(queued[i].objectId, 5u);
            EXPECT_EQ(queued[i].eventId, 215u + i);
            EXPECT_EQ(queued[i].data, 1u);
        }
        const auto posted = engine->postedEvents();
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].objectId, 5u);
        EXPECT_EQ(posted[0].flightKeyOrOnGround, c.key);
        EXPECT_EQ(posted[0].kind, c.kind);
        EXPECT_EQ(posted[0].value1, 0.0);
        EXPECT_EQ(posted[0].value2, c.second);
        EXPECT_EQ(posted[0].counter, 0u);
    }
}

// During an exit no engine adopts objects: the link asks for the aircraft in range once a frame
// while creations are under way, and queues the removal of each object it recognises.
TEST_F(SessionHandlers, DuringAnExitCreationsUnderWayAreFoundAndRemoved) {
    struct Case {
        const char* name;
        std::uint32_t key;
        std::string callsign;
        bool requestError; // a restart after request errors still looks for them
    };
    const Case cases[] = {
        {"live", 0xABCDEF, "DLH123", false},
        {"static", 10000, "DLH9*", false},
        {"live, after request errors", 0xABCDEF, "DLH123", true},
    };
    const std::string range =
        "RequestDataOnSimObjectType requestId=101 definitionId=404 radius=84080 objectType=2";
    // Each packet as "name fields", a removal as "AIRemoveObject <object>".
    const auto frame = [this] {
        sendFrame();
        std::vector<std::string> out;
        for (const simstub::DecodedPacket& packet : takePackets()) {
            out.push_back(packet.name == "AIRemoveObject"
                              ? fmt::format("AIRemoveObject {}", packet.fields.u32("objectId"))
                              : packet.name + " " + packet.fields.format());
        }
        return out;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        gf_setSimHandleForTests(capture->get());
        engine->clearCalls();
        sendUserState(UserAnswer{}, 1);
        injectionRadiusMetres = 84080;
        // Nothing under way: no request.
        exitInProgress = 1;
        EXPECT_TRUE(frame().empty());
        exitInProgress = 0;
        AiCreateRequest request;
        request.callsign = c.callsign;
        request.liveryTitle = "Title A";
        request.flightKey = c.key;
        gf_queueCreateAiAircraft(request);
        sendFrame();
        takePackets();
        ASSERT_EQ(gf_pendingCreations().size(), 1u);

        exitInProgress = 1;
        simRequestError = c.requestError;
        // Sent, not yet announced.
        EXPECT_EQ(frame(), std::vector<std::string>{range});
        sendObjectAdded(5);
        sendObjectAdded(6); // someone else's
        EXPECT_EQ(frame(), std::vector<std::string>{range});
        sendByType(5, 31.5, 364.0, 1, c.callsign);
        EXPECT_TRUE(takePackets().empty()) << "neither released nor frozen";
        EXPECT_TRUE(gf_sendQueueSnapshot().events.empty());
        EXPECT_EQ(gf_sendQueueSnapshot().removals, std::vector<std::uint32_t>{5});
        EXPECT_TRUE(gf_pendingCreations().empty());
        // Object 6 is announced and not yet recognised.
        EXPECT_EQ(frame(), (std::vector<std::string>{"AIRemoveObject 5", range}));
        sendByType(6, 31.5, 364.0, 1, "OTHER");
        EXPECT_TRUE(frame().empty());
        EXPECT_TRUE(gf_justAddedObjects().empty());
        EXPECT_TRUE(engine->postedEvents().empty());
        EXPECT_EQ(simRequestErrorCount.load(), 0);
        exitInProgress = 0;
        simRequestError = false;
    }
}

TEST_F(SessionHandlers, ByTypeAnswers) {
    sendUserState(UserAnswer{}, 3);
    struct Case {
        const char* name;
        std::uint32_t objectId;
        double agl;
        std::string atcId;
        bool added;
        bool kind3;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"near the ground", 9, 2500.0, "N123", false, true, {}},
        {"too high", 9, 2500.5, "N123", false, false, {}},
        {"static callsign", 9, 10.0, "DLH9*", false, false, {}},
        {"empty ATC ID", 9, 10.0, "", false, true, {}},
        {"the user's id", 3, 10.0, "N1", false, false, {}},
        {"below the user's id", 2, 10.0, "N1", true, false, {}},
        {"just added, not ours",
         9,
         10.0,
         "XYZ1",
         true,
         false,
         {"===> just created, but not by KSBY_P3D, oid: 9, callsign \"XYZ1\" unknown"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine->clearCalls();
        takeLog();
        if (c.added) {
            sendObjectAdded(c.objectId);
        }
        sendByType(c.objectId, c.agl, 364.0, 1, c.atcId);
        const auto posted = engine->postedEvents();
        if (c.kind3) {
            ASSERT_EQ(posted.size(), 1u);
            EXPECT_EQ(posted[0].kind, SimInboundKind::aircraftNearUser);
            EXPECT_EQ(posted[0].objectId, c.objectId);
            EXPECT_EQ(posted[0].flightKeyOrOnGround, 1u);
            EXPECT_EQ(posted[0].value1, 364.0);
            EXPECT_EQ(posted[0].value2, c.agl);
        } else {
            EXPECT_TRUE(posted.empty());
        }
        EXPECT_EQ(takeLog(), c.log);
        EXPECT_TRUE(gf_justAddedObjects().empty());
    }
    // Another request's answer is not for the session.
    DataBuilder data;
    data.f64(1.0).f64(2.0).i64(1).string32("N9");
    dispatch(objectData(true, 102, 9, 404, data.bytes()));
    EXPECT_TRUE(engine->postedEvents().empty());
}

TEST_F(SessionHandlers, RemovedObjectAndRestingAttitude) {
    dispatch(simstub::gf_objectAddRemoveMessage(203, 2, 2));
    dispatch(simstub::gf_objectAddRemoveMessage(203, 7, 1)); // not an aircraft
    dispatch(objectData(false, 102, 8, 405, DataBuilder().f64(9.5).f64(0.0175).bytes()));
    const auto posted = engine->postedEvents();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].kind, SimInboundKind::objectRemoved);
    EXPECT_EQ(posted[0].objectId, 2u);
    EXPECT_EQ(posted[1].kind, SimInboundKind::restingAttitude);
    EXPECT_EQ(posted[1].objectId, 8u);
    EXPECT_EQ(posted[1].value1, 9.5);
    EXPECT_EQ(posted[1].value2, 0.0175);
}

TEST_F(SessionHandlers, TakePendingCreationMatchesExactly) {
    AiCreateRequest request;
    request.liveryTitle = "T";
    for (const auto& [callsign, key] : std::vector<std::pair<std::string, std::uint32_t>>{
             {"AB1", 20001}, {"AB12", 20002}, {"AB1", 20003}}) {
        request.callsign = callsign;
        request.flightKey = key;
        gf_queueCreateAiAircraft(request);
    }
    sendFrame();
    EXPECT_EQ(lf_takePendingCreation("ab1"), 0u);
    EXPECT_EQ(lf_takePendingCreation("AB1"), 20001u);
    EXPECT_EQ(lf_takePendingCreation("AB1"), 20003u);
    EXPECT_EQ(lf_takePendingCreation("AB1"), 0u);
    EXPECT_EQ(lf_takePendingCreation("AB12"), 20002u);
}

TEST_F(SessionHandlers, UpdateUserStand) {
    struct Case {
        const char* name;
        bool known;
        bool onGround;
        double speed;
        std::string stand;
        bool withList;
        std::string firstAirport;
        std::string reserved;
        bool written;
    };
    const Case cases[] = {
        {"recorded", true, true, 2.0, "A12", true, "EDDF", "B1", true},
        {"moving", true, true, 2.1, "A12", true, "EDDF", "B1", false},
        {"airborne", true, false, 0.0, "A12", true, "EDDF", "B1", false},
        {"on-ground unknown", false, true, 0.0, "A12", true, "EDDF", "B1", false},
        {"no stand", true, true, 0.0, "", true, "EDDF", "B1", false},
        {"empty list", true, true, 0.0, "A12", false, "", "", false},
        {"another airport first", true, true, 0.0, "A12", true, "EDDM", "B1", false},
        {"already reserved", true, true, 0.0, "A12", true, "EDDF", "A12", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine->clearCalls();
        trafficState.parkAirports.clear();
        trafficState.parkAirport.code = "EDDF";
        if (c.withList) {
            trafficState.parkAirports.push_back(ParkAirport{c.firstAirport, c.reserved});
        }
        userOnGroundKnown = c.known;
        userOnGround = c.onGround;
        UserAircraftState state;
        state.latitude = 50.0;
        state.longitude = 8.5;
        state.groundVelocity = c.speed;
        gf_setUserState(state);
        engine->standName = c.stand;
        gf_updateUserStand();
        EXPECT_EQ(engine->callsOf("gf_writeParkAirports").size(), c.written ? 1u : 0u);
        if (c.withList) {
            EXPECT_EQ(trafficState.parkAirports.front().reservedStand,
                      c.written ? c.stand : c.reserved);
        }
    }
}

TEST_F(SessionHandlers, UserViewAndStandingStill) {
    userOnGroundKnown = true;
    userOnGround = true;
    UserAircraftState state;
    state.groundVelocity = 2.0;
    gf_setUserState(state);
    EXPECT_TRUE(gf_userStandsStill());
    state.groundVelocity = 2.01;
    gf_setUserState(state);
    EXPECT_FALSE(gf_userStandsStill());
    sendUserState(UserAnswer{});
    userHalfWingSpan = 0.01;
    const UserAircraftView view = gf_userAircraftView();
    EXPECT_EQ(view.state.latitude, 50.0333);
    EXPECT_TRUE(view.onGround);
    EXPECT_FALSE(view.standsStill);
    EXPECT_EQ(view.halfWingSpan, 0.01);
    struct Box {
        double latitude, longitude;
        bool unknown;
    };
    for (const Box& b : {Box{0.0, 0.0, true}, Box{0.0009, 0.05, true}, Box{0.00091, 0.0, false},
                         Box{0.0, 0.0501, false}, Box{-0.0001, 0.0, false}}) {
        EXPECT_EQ(gf_userPositionUnknown(b.latitude, b.longitude), b.unknown);
    }
}

TEST_F(SessionHandlers, EveryPrefixOfAMessageIsDroppedOrReadWithinItsBytes) {
    readDatabase();
    sendUserState(UserAnswer{}, 1);
    DataBuilder state;
    state.f64(50.0).f64(8.0).f64(0).f64(0).f64(0).f64(100).f64(0).f64(0).i64(1).i64(2).i64(2024);
    state.i64(0);
    const std::string samples[] = {
        simstub::gf_exceptionMessage(22, 5, 1).bytes,
        simstub::gf_openMessage(simstub::OpenAnswer{}).bytes,
        simstub::gf_eventMessage(0xFFFFFFFF, 201, 1).bytes,
        simstub::gf_objectAddRemoveMessage(202, 9, 2).bytes,
        simstub::gf_frameMessage(204, 30.0f, 1.0f).bytes,
        objectData(false, 102, 9, 405, DataBuilder().f64(9.5).f64(0.01).bytes()),
        objectData(false, 106, 1, 407, DataBuilder().stringV("Test A320").bytes()),
        objectData(false, 107, 1, 408, DataBuilder().string32("A320").bytes()),
        objectData(false, 108, 1, 409, DataBuilder().i64(1).bytes()),
        objectData(false, 109, 1, 403, state.bytes()),
        objectData(true, 101, 9, 404, DataBuilder().f64(1).f64(2).i64(1).string32("N1").bytes()),
    };
    for (const std::string& sample : samples) {
        SCOPED_TRACE(simstub::gf_messageName(static_cast<std::uint8_t>(sample[8])));
        for (std::size_t length = 12; length < sample.size(); ++length) {
            std::string prefix = sample.substr(0, length);
            simstub::gf_writeU32(prefix, 0, static_cast<std::uint32_t>(length));
            try {
                dispatch(prefix);
            } catch (const ksb::UserErrorException&) {
                // A handler's own refusal of what it read (an empty model).
            } catch (...) {
                ADD_FAILURE() << "length " << length;
            }
        }
    }
    // A 32-byte ATC ID without a terminator is taken whole.
    sendObjectAdded(9);
    DataBuilder data;
    data.f64(1).f64(2).i64(1).raw(std::string(32, 'X'));
    takeLog();
    dispatch(objectData(true, 101, 9, 404, data.bytes()));
    EXPECT_EQ(takeLog(), std::vector<std::string>{"===> just created, but not by KSBY_P3D, oid: 9, "
                                                  "callsign \"" +
                                                  std::string(32, 'X') + "\" unknown"});
}

TEST_F(SessionHandlers, RestartResetForgetsTheRunAndClosesTheHandle) {
    sendUserState(UserAnswer{}, 1);
    sendTitle("Test A320");
    sendModel("B7");
    AiCreateRequest request;
    request.callsign = "DLH1";
    request.liveryTitle = "T";
    request.flightKey = 20001;
    gf_queueCreateAiAircraft(request);
    sendFrame();
    sendObjectAdded(8);
    gf_queueClientEvent(8, 208, 1);
    gf_queueRemoveAiAircraft(8);
    gf_queueCreateAiAircraft(request);
    std::vector<PositionUpdate> write{PositionUpdate{}, PositionUpdate{}};
    gf_swapPositionLists(write);
    simRequestErrorCount = 2;
    userOnGroundKnown = true;
    flightRunning = true;
    mainWindow.userRecognised = true;
    ASSERT_FALSE(gf_pendingCreations().empty());
    ASSERT_TRUE(gf_previousUserPosition().has_value());
    takeLog();

    gf_linkRestartReset();
    EXPECT_EQ(capture->get(), nullptr);
    EXPECT_EQ(gf_simHandle(), nullptr);
    EXPECT_FALSE(userOnGroundKnown.load());
    EXPECT_FALSE(flightRunning.load());
    EXPECT_FALSE(mainWindow.userRecognised.load());
    EXPECT_EQ(userObjectId.load(), kUserObjectIdAtStart);
    EXPECT_EQ(simRequestErrorCount.load(), 0);
    EXPECT_TRUE(gf_pendingCreations().empty());
    EXPECT_TRUE(gf_justAddedObjects().empty());
    EXPECT_EQ(gf_userTitle(), "");
    EXPECT_EQ(gf_userModel(), "");
    EXPECT_FALSE(gf_previousUserPosition().has_value());
    const auto snapshot = gf_sendQueueSnapshot();
    EXPECT_TRUE(snapshot.positionsToSend.empty() && snapshot.events.empty() &&
                snapshot.creations.empty() && snapshot.removals.empty());
    EXPECT_EQ(gf_requestUserPosition().latitude, 0.0);
    // Nothing is logged or requested: the reset is quiet.
    EXPECT_TRUE(takeLog().empty());
    EXPECT_TRUE(exits->all().empty());
    // The first answer of the next run is no jump, however far the user went.
    UserAnswer far;
    far.latitude = 10.0;
    sendUserState(far, 1);
    EXPECT_TRUE(exits->all().empty());
}

} // namespace

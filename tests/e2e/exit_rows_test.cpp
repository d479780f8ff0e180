// Exits on the traffic scene while creations are under way: whatever the moment, every object
// the program created ends by its own removal before its connection closes.
#include "e2e_run.h"

#include "support/e2e/traffic_scene.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fmt/format.h>

namespace ksb::e2e {
namespace {

// The first creations come within the login, the park airport's load and the static plan.
constexpr auto kCreationBound = scaled(std::chrono::seconds(90));

std::vector<simstub::PacketRecord> lf_creations(const E2eRun& run) {
    std::vector<simstub::PacketRecord> out;
    for (const simstub::PacketRecord& p : run.sim->packets()) {
        if (p.name == "AICreateNonATCAircraft") {
            out.push_back(p);
        }
    }
    return out;
}

bool lf_isStaticTail(const std::string& tail) {
    return !tail.empty() && tail.back() == '*';
}

// Starts the traffic scene and waits until count creations that pass the filter reached the
// stand-in; returns the stand-in time right after, or nullopt at the deadline.
std::optional<double> lf_untilCreations(E2eRun& run, std::size_t count, bool statics) {
    RunOptions options;
    options.trafficScene = true;
    run.prepare(options);
    run.startSim();
    run.startProgram();
    if (!run.awaitWindow()) {
        return std::nullopt;
    }
    const auto enough = [&] {
        std::size_t n = 0;
        for (const simstub::PacketRecord& p : lf_creations(run)) {
            n += lf_isStaticTail(p.fields.text("tail")) == statics ? 1 : 0;
        }
        return n >= count;
    };
    if (!run.sim->waitFor(enough, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      kCreationBound))) {
        run.fail(fmt::format("{} {} creation packets", count, statics ? "static" : "live"));
        return std::nullopt;
    }
    return run.sim->now();
}

// The program's exit line, the clean end, and no object left: every object of every connection
// ended by that connection's own removal, one of them created in the last real second before
// the exit began.
void lf_expectNoObjectLeft(E2eRun& run, double exitAt) {
    run.expectCleanEnd(0, kExitBound, true);
    EXPECT_EQ(run.logCount("Exiting: USER CLOSED SIM"), 1u) << run.diagnostics("the exit line");
    const double lastSecond = exitAt - scene::kTestTimeScale;
    bool lateOneRemoved = false;
    for (const simstub::ConnectionInfo& c : run.sim->connections()) {
        for (const simstub::ObjectState& o : run.sim->objectsCreatedBy(c.id)) {
            const bool removed = o.end && o.end->kind == simstub::EndKind::removed &&
                                 o.end->conn == c.id;
            EXPECT_TRUE(removed) << run.diagnostics(
                fmt::format("object {} {} removed by connection {}", o.id, o.tail, c.id));
            for (const simstub::PacketRecord& p : lf_creations(run)) {
                if (removed && p.conn == c.id && p.fields.text("tail") == o.tail &&
                    p.time >= lastSecond && p.time <= exitAt) {
                    lateOneRemoved = true;
                }
            }
        }
    }
    EXPECT_TRUE(lateOneRemoved) << run.diagnostics(
        "a removed object whose creation came in the last second before the exit");
}

TEST(Rows, RowX1CloseRightAfterTheThirdStaticCreation) {
    E2eRun run(gf_testName());
    ASSERT_TRUE(lf_untilCreations(run, 3, true).has_value());
    // The screenshot first, so that the close follows the creation as closely as it can.
    run.saveScreenshot();
    const double exitAt = run.sim->now();
    run.driver->sendDelete(*run.window);
    lf_expectNoObjectLeft(run, exitAt);
}

TEST(Rows, RowX2SigtermRightAfterTheFirstLiveCreation) {
    E2eRun run(gf_testName());
    ASSERT_TRUE(lf_untilCreations(run, 1, false).has_value());
    run.saveScreenshot();
    const double exitAt = run.sim->now();
    run.program->signal(SIGTERM);
    lf_expectNoObjectLeft(run, exitAt);
}

} // namespace
} // namespace ksb::e2e

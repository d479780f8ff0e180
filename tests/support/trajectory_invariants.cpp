#include "support/trajectory_invariants.h"

#include "core/geodesy.h"
#include "simlink/sim_ids.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <numbers>
#include <string>
#include <vector>

namespace ksb::test {

namespace {

constexpr double kInvariantTwoPi = 2.0 * std::numbers::pi;
constexpr double kInvariantTicksPerHour = 360000.0;
constexpr double kInvariantMoveFactor = 2.5;
constexpr double kInvariantMoveSlack = 0.5 * kNMPerMetre;
constexpr double kInvariantAttitudeStep = 2.0 * kRadiansPerDegree;
constexpr double kInvariantAngleSlack = 1e-9;
constexpr std::size_t kInvariantMostReported = 8;

double lf_invariantTurn(double from, double to) {
    return std::fabs(gf_angleDifference(from, to));
}

class FailureList {
public:
    void add(std::int32_t tick, const std::string& what) {
        ++count_;
        if (lines_.size() < kInvariantMostReported) {
            lines_.push_back(fmt::format("tick {}: {}", tick, what));
        }
    }
    ::testing::AssertionResult result() const {
        if (count_ == 0) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << count_ << " invariant failures:\n"
                                             << fmt::format("{}", fmt::join(lines_, "\n"));
    }

private:
    std::vector<std::string> lines_;
    std::size_t count_ = 0;
};

void lf_checkPoint(const TrajectoryPoint& p, FailureList& failures) {
    const double values[] = {p.latitude, p.longitude, p.altitude,  p.heading,
                             p.pitch,    p.bank,      p.sentSpeed, p.sentVerticalSpeed};
    if (!std::all_of(std::begin(values), std::end(values),
                     [](double v) { return std::isfinite(v); })) {
        failures.add(p.tick, "a value is not finite");
        return;
    }
    if (p.latitude < -90.0 || p.latitude > 90.0) {
        failures.add(p.tick, fmt::format("latitude {}", p.latitude));
    }
    if (p.longitude < -180.0 || p.longitude > 180.0) {
        failures.add(p.tick, fmt::format("longitude {}", p.longitude));
    }
    if (p.heading < 0.0 || p.heading >= kInvariantTwoPi) {
        failures.add(p.tick, fmt::format("heading {}", p.heading));
    }
    if (p.state == LiveState::inSimulator && p.samples == 0) {
        failures.add(p.tick, "in the simulator without a sample");
    }
}

void lf_checkStep(const TrajectoryPoint& a, const TrajectoryPoint& b, InvariantOptions options,
                  FailureList& failures) {
    if (options.speedsAgree) {
        const double moved = gf_distanceNM({a.latitude, a.longitude}, {b.latitude, b.longitude});
        const double speed = std::max(a.frontGroundSpeed, b.frontGroundSpeed);
        const double limit =
            kInvariantMoveFactor * speed / kInvariantTicksPerHour + kInvariantMoveSlack;
        if (moved > limit) {
            failures.add(b.tick, fmt::format("moved {:.3f} m, at most {:.3f} m",
                                             moved * kMetresPerNM, limit * kMetresPerNM));
        }
    }
    // On the ground and on curves the heading turns by the turn rate; in phases 3, 4 and 6
    // without a curve it takes the airborne heading step.
    const bool byHeadingStep =
        !b.curve && (b.phase == FlightPhase::rotationAndInitialClimb ||
                     b.phase == FlightPhase::airborne || b.phase == FlightPhase::parked);
    const double turned = lf_invariantTurn(a.heading, b.heading);
    const double allowed =
        (byHeadingStep ? std::fabs(b.headingStep) : b.turnRate) + kInvariantAngleSlack;
    if (turned > allowed) {
        failures.add(b.tick, fmt::format("turned {:.6f} rad, at most {:.6f}", turned, allowed));
    }
    if (!a.onGround && !b.onGround) {
        if (std::fabs(b.pitch - a.pitch) > kInvariantAttitudeStep) {
            failures.add(b.tick, fmt::format("pitch {} -> {} in the air", a.pitch, b.pitch));
        }
        if (std::fabs(b.bank - a.bank) > kInvariantAttitudeStep) {
            failures.add(b.tick, fmt::format("bank {} -> {} in the air", a.bank, b.bank));
        }
    }
}

} // namespace

::testing::AssertionResult trajectoryInvariantsHold(const TrajectoryRecorder& recorder,
                                                    InvariantOptions options) {
    return trajectoryInvariantsHold(recorder.points(), recorder.events(), recorder.category(),
                                    recorder.objectId(), options);
}

::testing::AssertionResult trajectoryInvariantsHold(const std::vector<TrajectoryPoint>& points,
                                                    const std::vector<TickEvent>& events,
                                                    AircraftCategory category,
                                                    std::uint32_t objectId,
                                                    InvariantOptions options) {
    // A recorder that followed nothing would otherwise pass every check.
    if (points.empty()) {
        return ::testing::AssertionFailure() << "no point recorded";
    }
    FailureList failures;
    for (std::size_t i = 0; i < points.size(); ++i) {
        lf_checkPoint(points[i], failures);
        // A tick the aircraft missed (it was not there) breaks the chain.
        if (i > 0 && points[i].tick == points[i - 1].tick + 1) {
            lf_checkStep(points[i - 1], points[i], options, failures);
        }
    }
    if (category == AircraftCategory::rotorcraft) {
        for (const TickEvent& e : events) {
            const std::uint32_t id = e.event.eventId;
            if (e.event.objectId == objectId &&
                (id == simid::kSpoilersSet || id == simid::kFlapsSet || id == simid::kGearSet)) {
                failures.add(e.tick, fmt::format("rotorcraft event {} {}", id, e.event.data));
            }
        }
    }
    return failures.result();
}

} // namespace ksb::test

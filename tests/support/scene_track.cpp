#include "support/scene_track.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace ksb::test {

namespace {

constexpr double kTrackPi = 3.14159265358979323846;
constexpr double kTrackMetresPerDegree = 1852.0 * 60.0;
constexpr double kTrackMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double kTrackGravity = 9.80665;

double lf_trackRadians(double degrees) {
    return degrees * kTrackPi / 180.0;
}

double lf_trackDegrees(double radians) {
    return radians * 180.0 / kTrackPi;
}

double lf_trackNormalised(double degrees) {
    const double d = std::fmod(degrees, 360.0);
    return d < 0.0 ? d + 360.0 : d;
}

LocalPoint lf_trackAlong(const LocalPoint& from, double course, double metres) {
    const double a = lf_trackRadians(course);
    return {from.east + metres * std::sin(a), from.north + metres * std::cos(a)};
}

} // namespace

LocalFrame::LocalFrame(double latitude, double longitude)
    : latitude_(latitude), longitude_(longitude),
      cosLatitude_(std::max(std::cos(lf_trackRadians(latitude)), 0.01)) {}

GeoPoint LocalFrame::toGeo(const LocalPoint& point) const {
    return {latitude_ + point.north / kTrackMetresPerDegree,
            longitude_ + point.east / (kTrackMetresPerDegree * cosLatitude_)};
}

LocalPoint LocalFrame::toLocal(const GeoPoint& point) const {
    return {(point.longitude - longitude_) * kTrackMetresPerDegree * cosLatitude_,
            (point.latitude - latitude_) * kTrackMetresPerDegree};
}

Track::Track(const LocalFrame& frame, LocalPoint start, double altitude, double course,
             bool onGround)
    : frame_(frame), onGround_(onGround) {
    // A leg of no length holds the start until the first real leg replaces it.
    Leg first;
    first.from = start;
    first.altitude = altitude;
    first.course = lf_trackNormalised(course);
    first.motionCourse = first.course;
    first.onGround = onGround;
    legs_.push_back(first);
}

Track Track::circle(const LocalFrame& frame, LocalPoint centre, double radiusMetres,
                    double startBearing, bool clockwise, double knots, double altitude) {
    Track track(frame, centre, altitude, 0.0, false);
    Leg& leg = track.legs_.front();
    leg.circle = true;
    leg.centre = centre;
    leg.radius = radiusMetres;
    leg.startAngle = lf_trackRadians(startBearing);
    leg.turn = clockwise ? 1.0 : -1.0;
    leg.speed = knots * kTrackMetresPerSecondPerKnot;
    leg.duration = std::numeric_limits<double>::infinity();
    return track;
}

double Track::Leg::metresAt(double t) const {
    // Before the leg (only the first one is asked so) it runs backwards at its start speed.
    if (t < 0.0) {
        return speed * t;
    }
    const double inLeg = std::min(t, duration);
    return speed * inLeg + 0.5 * acceleration * inLeg * inLeg;
}

double Track::Leg::speedAt(double t) const {
    return t < 0.0 ? speed : speed + acceleration * std::min(t, duration);
}

Track::LegEnd Track::endOf(const Leg& leg) const {
    const double t = leg.duration;
    return {lf_trackAlong(leg.from, leg.motionCourse, leg.metresAt(t)),
            leg.altitude + leg.feetPerMinute * t / 60.0, leg.course, leg.speedAt(t)};
}

Track::Leg& Track::append(double duration) {
    assert(!legs_.back().circle && std::isfinite(legs_.back().duration));
    const Leg& last = legs_.back();
    const LegEnd end = endOf(last);
    Leg next;
    next.start = last.start + last.duration;
    next.duration = duration;
    next.from = end.point;
    next.altitude = end.altitude;
    next.course = end.course;
    next.motionCourse = end.course;
    next.speed = end.speed;
    next.onGround = onGround_;
    // The start's placeholder of no length gives way to the first real leg.
    if (legs_.size() == 1 && last.duration == 0.0) {
        next.speed = 0.0;
        legs_.back() = next;
    } else {
        legs_.push_back(next);
    }
    return legs_.back();
}

Track& Track::stand(double seconds) {
    Leg& leg = append(seconds);
    leg.speed = 0.0;
    return *this;
}

Track& Track::pushBack(double metres, double seconds) {
    Leg& leg = append(seconds);
    leg.motionCourse = lf_trackNormalised(leg.course + 180.0);
    leg.speed = metres / seconds;
    return *this;
}

Track& Track::moveTo(LocalPoint point, double knots) {
    const LocalPoint from = endOf(legs_.back()).point;
    const double dx = point.east - from.east;
    const double dy = point.north - from.north;
    const double metres = std::hypot(dx, dy);
    const double speed = knots * kTrackMetresPerSecondPerKnot;
    Leg& leg = append(metres / speed);
    leg.course = lf_trackNormalised(lf_trackDegrees(std::atan2(dx, dy)));
    leg.motionCourse = leg.course;
    leg.speed = speed;
    return *this;
}

Track& Track::straight(double course, double seconds, double knots, double feetPerMinute) {
    Leg& leg = append(seconds);
    leg.course = lf_trackNormalised(course);
    leg.motionCourse = leg.course;
    leg.speed = knots * kTrackMetresPerSecondPerKnot;
    leg.feetPerMinute = feetPerMinute;
    return *this;
}

Track& Track::accelerate(double course, double toKnots, double knotsPerSecond,
                         double feetPerMinute) {
    const double from = endOf(legs_.back()).speed / kTrackMetresPerSecondPerKnot;
    Leg& leg = append(std::fabs(toKnots - from) / knotsPerSecond);
    leg.course = lf_trackNormalised(course);
    leg.motionCourse = leg.course;
    leg.acceleration =
        (toKnots >= from ? knotsPerSecond : -knotsPerSecond) * kTrackMetresPerSecondPerKnot;
    leg.feetPerMinute = feetPerMinute;
    return *this;
}

Track& Track::setOnGround(bool onGround) {
    onGround_ = onGround;
    return *this;
}

Track& Track::endAfter(double seconds) {
    end_ = legsEnd() + seconds;
    return *this;
}

double Track::legsEnd() const {
    const Leg& last = legs_.back();
    return std::isfinite(last.duration) ? last.start + last.duration : 0.0;
}

double Track::greatestKnots() const {
    double greatest = 0.0;
    for (const Leg& leg : legs_) {
        const double end = std::isfinite(leg.duration) ? leg.speedAt(leg.duration) : leg.speed;
        greatest = std::max({greatest, leg.speed, end});
    }
    return greatest / kTrackMetresPerSecondPerKnot;
}

void Track::stateOf(const Leg& leg, double seconds, TrackState& state) const {
    const double t = seconds - leg.start;
    state.onGround = leg.onGround;
    state.feetPerMinute = leg.feetPerMinute;
    state.altitude = leg.altitude + leg.feetPerMinute * t / 60.0;
    state.bank = 0.0;
    if (leg.circle) {
        const double angle = leg.startAngle + leg.turn * leg.speed / leg.radius * t;
        const LocalPoint point{leg.centre.east + leg.radius * std::sin(angle),
                               leg.centre.north + leg.radius * std::cos(angle)};
        state.position = frame_.toGeo(point);
        state.knots = leg.speed / kTrackMetresPerSecondPerKnot;
        state.course = lf_trackNormalised(lf_trackDegrees(angle) + leg.turn * 90.0);
        state.bank =
            leg.turn *
            lf_trackDegrees(std::atan(leg.speed * leg.speed / (kTrackGravity * leg.radius)));
        return;
    }
    state.position = frame_.toGeo(lf_trackAlong(leg.from, leg.motionCourse, leg.metresAt(t)));
    state.knots = leg.speedAt(t) / kTrackMetresPerSecondPerKnot;
    state.course = leg.course;
}

bool Track::at(double seconds, TrackState& state) const {
    if (seconds > end_) {
        return false;
    }
    const Leg& last = legs_.back();
    if (std::isfinite(last.duration) && seconds > last.start + last.duration) {
        // Past its legs the flight stands where the last one ended.
        stateOf(last, last.start + last.duration, state);
        state.knots = 0.0;
        state.feetPerMinute = 0.0;
        return true;
    }
    const auto next = std::upper_bound(legs_.begin(), legs_.end(), seconds,
                                       [](double s, const Leg& leg) { return s < leg.start; });
    const Leg& leg = next == legs_.begin() ? legs_.front() : *std::prev(next);
    stateOf(leg, seconds, state);
    return true;
}

LocalPoint Track::localAt(double seconds) const {
    TrackState state;
    at(std::min(seconds, end_), state);
    return frame_.toLocal(state.position);
}

} // namespace ksb::test

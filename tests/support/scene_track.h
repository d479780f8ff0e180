#pragma once
// Flight tracks as plain geometry, which a scene's stand-ins and its tests read alike: where a
// flight is, how high and fast, which way it points, how it climbs and banks, and whether it is
// on the ground, at any second of the scene. Points are given in metres east and north of a
// reference point; a flat frame is exact enough for the few nautical miles of a scene.
#include <limits>
#include <vector>

namespace ksb::test {

// Metres east and north of the frame's reference point.
struct LocalPoint {
    double east = 0.0;
    double north = 0.0;
};

// Degrees of latitude and longitude.
struct GeoPoint {
    double latitude = 0.0;
    double longitude = 0.0;
};

// An equirectangular frame around a reference point; one minute of latitude is one nautical mile.
class LocalFrame {
public:
    LocalFrame(double latitude, double longitude);

    GeoPoint toGeo(const LocalPoint& point) const;
    LocalPoint toLocal(const GeoPoint& point) const;

private:
    double latitude_;
    double longitude_;
    double cosLatitude_;
};

struct TrackState {
    GeoPoint position;
    double altitude = 0.0;      // feet above sea level
    double knots = 0.0;         // ground speed
    double course = 0.0;        // degrees true, [0, 360): where the nose points
    double feetPerMinute = 0.0; // vertical rate
    double bank = 0.0;          // degrees, positive in a right turn, 0 on straight legs
    bool onGround = false;
};

// One flight's track: legs one after the other from second 0. Before 0 the first leg runs on
// backwards (a standing flight stands, a circle goes round); after the last leg the track ends
// when an end was set, else the last leg runs on (a standing flight stands on).
class Track {
public:
    // Starts at the point, at the altitude and course, moving at no speed.
    Track(const LocalFrame& frame, LocalPoint start, double altitude, double course, bool onGround);

    // A circle at a constant speed and altitude around the centre, starting at the bearing
    // (degrees from the centre); runs without end in both directions.
    static Track circle(const LocalFrame& frame, LocalPoint centre, double radiusMetres,
                        double startBearing, bool clockwise, double knots, double altitude);

    // Stands still where the track is, for the seconds.
    Track& stand(double seconds);
    // Tail first along the reverse of the course for the metres, in the seconds; the nose keeps
    // its course.
    Track& pushBack(double metres, double seconds);
    // Straight on at the speed to the point, which sets the course; on the ground or not as
    // the track is.
    Track& moveTo(LocalPoint point, double knots);
    // Straight on along the course for the seconds at the speed and vertical rate.
    Track& straight(double course, double seconds, double knots, double feetPerMinute = 0.0);
    // Along the course, the speed changing evenly to toKnots at knotsPerSecond, the altitude by
    // the vertical rate.
    Track& accelerate(double course, double toKnots, double knotsPerSecond,
                      double feetPerMinute = 0.0);
    // From here on on the ground (a touch-down) or airborne (a lift-off).
    Track& setOnGround(bool onGround);
    // The track ends this many seconds after its last leg has ended.
    Track& endAfter(double seconds);

    // The state at the second; false after the track's end.
    bool at(double seconds, TrackState& state) const;
    // The second at which the last leg ends; legs that run without end count 0.
    double legsEnd() const;
    // The end of the track; infinity when it runs on.
    double end() const { return end_; }
    double greatestKnots() const;
    // The point at the second, in metres (the same as at(), for layout checks).
    LocalPoint localAt(double seconds) const;

private:
    struct Leg {
        double start = 0.0; // seconds
        double duration = 0.0;
        LocalPoint from;
        double altitude = 0.0;
        double course = 0.0;       // of the nose
        double motionCourse = 0.0; // of the motion
        double speed = 0.0;        // metres per second at the start
        double acceleration = 0.0; // metres per second squared
        double feetPerMinute = 0.0;
        bool onGround = false;
        // A circle: centre, radius, the start angle (radians from north) and its direction.
        bool circle = false;
        LocalPoint centre;
        double radius = 0.0;
        double startAngle = 0.0;
        double turn = 1.0; // +1 clockwise, -1 anticlockwise

        // Along a straight leg, t seconds after its start.
        double metresAt(double t) const;
        double speedAt(double t) const;
    };
    struct LegEnd {
        LocalPoint point;
        double altitude = 0.0;
        double course = 0.0;
        double speed = 0.0;
    };

    LegEnd endOf(const Leg& leg) const;
    Leg& append(double duration);
    void stateOf(const Leg& leg, double seconds, TrackState& state) const;

    LocalFrame frame_;
    std::vector<Leg> legs_;
    bool onGround_ = false;
    double end_ = std::numeric_limits<double>::infinity();
};

} // namespace ksb::test

#pragma once
// The numbers the system uses on its SimConnect connection: client events, system events, data
// definitions, requests and the notification group. The same numbers everywhere in the system.
#include <cstdint>

namespace simid {

// System events.
inline constexpr std::uint32_t kEventSim = 201;
inline constexpr std::uint32_t kEventObjectAdded = 202;
inline constexpr std::uint32_t kEventObjectRemoved = 203;
inline constexpr std::uint32_t kEventFrame = 204;
inline constexpr std::uint32_t kEventPositionChanged = 205;
inline constexpr std::uint32_t kEventFlightLoaded = 206;

// Client events.
inline constexpr std::uint32_t kBeaconLightsSet = 207;
inline constexpr std::uint32_t kNavLightsSet = 208;
inline constexpr std::uint32_t kTaxiLightsSet = 209;
inline constexpr std::uint32_t kStrobesSet = 210;
inline constexpr std::uint32_t kLandingLightsSet = 211;
inline constexpr std::uint32_t kCabinLightsSet = 212;
inline constexpr std::uint32_t kLogoLightsSet = 213;
inline constexpr std::uint32_t kAllLightsToggle = 214;
inline constexpr std::uint32_t kFreezeLatLonSet = 215;
inline constexpr std::uint32_t kFreezeAltitudeSet = 216;
inline constexpr std::uint32_t kFreezeAttitudeSet = 217;
inline constexpr std::uint32_t kFlapsSet = 218;
inline constexpr std::uint32_t kSpoilersSet = 219;
inline constexpr std::uint32_t kGearSet = 220;
inline constexpr std::uint32_t kEngineAutoStart = 221;
inline constexpr std::uint32_t kEngineAutoShutdown = 222;
inline constexpr std::uint32_t kThrottleSet = 223;

inline constexpr std::uint32_t kGroup = 301;

// Data definitions.
inline constexpr std::uint32_t kDefThrottleSpoilers = 401;
inline constexpr std::uint32_t kDefAiPosition = 402;
inline constexpr std::uint32_t kDefUserState = 403;
inline constexpr std::uint32_t kDefNearUser = 404;
inline constexpr std::uint32_t kDefStaticCg = 405;
inline constexpr std::uint32_t kDefLightOnStates = 406;
inline constexpr std::uint32_t kDefUserTitle = 407;
inline constexpr std::uint32_t kDefUserModel = 408;
inline constexpr std::uint32_t kDefUserOnGround = 409;

// Requests.
inline constexpr std::uint32_t kRequestNearUser = 101;
inline constexpr std::uint32_t kRequestStaticCg = 102;
inline constexpr std::uint32_t kRequestRelease = 103;
inline constexpr std::uint32_t kRequestCreate = 104;
inline constexpr std::uint32_t kRequestRemove = 105;
inline constexpr std::uint32_t kRequestUserTitle = 106;
inline constexpr std::uint32_t kRequestUserModel = 107;
inline constexpr std::uint32_t kRequestUserOnGround = 108;
inline constexpr std::uint32_t kRequestUserState = 109;
inline constexpr std::uint32_t kRequestFlightPlan = 110;

} // namespace simid

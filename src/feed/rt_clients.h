#pragma once
// The two clients of the live-traffic web service and the feed's process-wide values. Both
// clients are built before any thread starts and live for the whole process.
//
// Threads: the weather client belongs to the Weather Reader, the traffic client's live members
// to the Traffic Reader and its parked members to the traffic engine's thread. What other
// threads touch as well is atomic or sits under a small leaf lock of its own.
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "core/ranked_mutex.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ksb {

// A latitude band and a longitude band, in degrees.
struct QueryBox {
    double top = 52.44;
    double bottom = 52.17;
    double left = 4.54;
    double right = 4.98;
    bool operator==(const QueryBox&) const = default;
};

// The live query box with the user position and live range it was made for.
struct LiveBoxState {
    QueryBox box;
    double memoLatitude = 0.0;
    double memoLongitude = 0.0;
    double rangeMemo = -1.0; // nautical miles; -1 before the first box
    bool operator==(const LiveBoxState&) const = default;
};

class RtApiClient {
public:
    RtApiClient() = default;
    virtual ~RtApiClient() = default;
    RtApiClient(const RtApiClient&) = delete;
    RtApiClient& operator=(const RtApiClient&) = delete;

    // The login GUID; empty = not logged in. The logout empties it on the exit thread while a
    // reader may still be reading it, so it is handed out as a copy.
    std::string guid() const;
    void setGuid(std::string guid);

    // Forgets the login: GUID, time offset and stop flag.
    void reset();

    std::atomic<std::int32_t> toffset{0}; // minutes, 0 to 40320
    std::atomic<std::int32_t> rrl{2000};  // traffic poll interval, ms
    std::atomic<std::int32_t> wrrl{2000}; // weather poll interval, ms
    std::atomic<bool> stopFlag{false};

private:
    mutable RankedMutex guidMutex_{LockRank::leaf, "rt guid"};
    std::string guid_;
};

// The weather and login client.
class RtWeatherClient : public RtApiClient {
public:
    // Back to the values of a new client.
    void resetToStart();

    std::atomic<bool> weatherCellShown{true};
    std::string nearestStation; // the Weather Reader's
    std::atomic<std::int32_t> lastQnh{1013};
    std::atomic<bool> weatherReceived{false};
};

// The traffic client.
class RtTrafficClient : public RtApiClient {
public:
    RtTrafficClient();

    // Back to the values of a new client.
    void resetToStart();

    // The centre of the distance filter.
    Position referencePosition() const;
    void setReferencePosition(double latitude, double longitude);
    // The park airport's elevation in feet; empty while no park airport is loaded.
    std::optional<double> parkElevation() const;
    void setParkElevation(std::optional<double> feet);
    // The live query box, written by the worker and the GUI thread and read by the reader.
    LiveBoxState liveBox() const;
    void setLiveBox(const LiveBoxState& state);
    // Reads and changes the box in one hold of its lock, so that two writers cannot interleave.
    void updateLiveBox(const std::function<void(LiveBoxState&)>& change);

    // Adds what the parser saw while the collect flag is up.
    void collect(const std::string& callsign, std::uint32_t flightId);
    // Moves the collected sets out and empties them.
    void takeCollected(std::set<std::string>& callsigns, std::set<std::uint32_t>& flightIds);
    // Copies of the collected sets (tests).
    std::set<std::string> collectedCallsigns() const;
    std::set<std::uint32_t> collectedFlightIds() const;
    void clearCollected();

    std::atomic<bool> trafficCellShown{true};
    // The traffic engine's thread: the last parked-traffic result and its query box.
    std::vector<ParkedFlight> parkedRecords;
    QueryBox parkedQueryBox;
    ParkedFlight parkedRecord; // the record being parsed
    // The Traffic Reader's: the record being parsed and the batch being built.
    LiveFlight liveRecord;
    std::vector<LiveFlight> liveRecords;
    std::atomic<std::int32_t> qnh{1013}; // hPa, for the altitude correction
    std::atomic<std::int64_t> recordCount{0};
    std::atomic<bool> collectFlag{false};
    std::atomic<bool> blockFlag{true};

private:
    mutable RankedMutex positionMutex_{LockRank::leaf, "rt positions"};
    Position reference_;
    std::optional<double> parkElevation_;
    mutable RankedMutex boxMutex_{LockRank::leaf, "rt live box"};
    LiveBoxState liveBox_;
    // A leaf: nothing but the log may be taken inside it.
    mutable RankedMutex collectedMutex_{LockRank::leaf, "rt collected"};
    std::set<std::string> collectedCallsigns_;
    std::set<std::uint32_t> collectedFlightIds_;
};

} // namespace ksb

extern ksb::RtWeatherClient rtWeatherClient;
extern ksb::RtTrafficClient rtTrafficClient;
// The service credential; empty = none usable. Written by the start-up checks.
extern std::string rtLicense;
// A callsign beginning with it is an aircraft being towed.
inline constexpr std::string_view towPrefix = "TOW ";
// The callsign of the last block notice; the Traffic Reader's.
extern std::string lastBlockedCallsign;

// Stops and joins the reader threads, then puts both clients, the credential, the last blocked
// callsign, the base address, the request time-outs and the feed's services back at their start
// values (tests).
void gf_resetFeedGlobals();

// The traffic client ready for a new login (exit and restart). The parked records stay: the
// next parked request replaces them.
void gf_rtReset();
// The weather client ready for a new login (exit's restart reset).
void gf_rtResetWeather();

// A usable credential was found.
bool gf_rtHasLicense();
// The traffic client holds a login GUID.
bool gf_rtLoggedIn();
// Minutes, clamped to 0..40320, for both clients.
void gf_rtSetTimeOffset(int minutes);
// Parsing collects the callsigns and flight ids seen until the engine takes them.
void gf_rtSetCollectFlag();
// The user aircraft's position, the centre of the distance filter.
void gf_rtSetReferencePosition(double latitude, double longitude);
// The park airport's elevation at every load; nullopt when it closes.
void gf_rtSetParkElevation(std::optional<double> feet);
// Lowers the collect flag and replaces the caller's sets with what was collected.
void gf_rtTakeSeenFlights(std::set<std::string>& callsigns, std::set<std::uint32_t>& flightIds);

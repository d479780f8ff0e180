#pragma once
// What the feed asks of its neighbours, behind one replaceable table so that tests record it.
#include "core/catalogue_records.h"
#include "core/flight_records.h"
#include "core/link_records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ksb {

// The traffic engine's park airport as the feed reads it; an empty code = none loaded.
struct ParkAirportSnapshot {
    std::string icao;
    double latitude = 0.0;
    double longitude = 0.0;
};

// The user aircraft as the readers read it: one consistent copy.
struct UserPosition {
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFeet = 0.0;
};

// The two readers; each has a status cell in the window: 1 receiving, 2 idle, 3 error or stopped.
enum class Reader { weather, traffic };

struct FeedServices {
    // The message line, logged when log is true.
    std::function<void(std::string_view text, bool log)> showMessage;
    // The window's service-session flag, with a repaint of the status area.
    std::function<void(bool established)> setSessionEstablished;
    std::function<bool()> sessionEstablished;
    // A record for the traffic engine's inbound queue.
    std::function<void(SimInboundRecord)> postSimEvent;
    std::function<ParkAirportSnapshot()> parkAirport;
    // The program is ending or stopping the run: requests abort and waits end.
    std::function<bool()> exitRequested;
    // The run generation in force; a reader of an older one ends.
    std::function<std::uint64_t()> runGeneration;

    // The engine takes the batch with its play delay in seconds and leaves the vector empty.
    std::function<void(std::vector<LiveFlight>& batch, int delay)> takeFeedRecords;
    // The engine's QNH, hPa.
    std::function<void(std::int32_t)> setEngineQnh;
    // The window's QNH value, its reader cells and the repaint of its status area; none blocks.
    std::function<void(std::int32_t)> setWindowQnh;
    std::function<void(Reader, std::int32_t)> setReaderCell;
    std::function<std::int32_t(Reader)> readerCell;
    std::function<void()> invalidateStatus;
    // A reader ended with an error; unauthorised when the service answered 401.
    std::function<void(std::string_view name, bool unauthorised)> readerStopped;

    std::function<UserPosition()> userPosition;
    // The user's reserved stand and the park airport's stand at a position; the caller holds the
    // engine's traffic mutex.
    std::function<std::string()> reservedStandName;
    std::function<std::string(double latitude, double longitude)> standNameAt;

    // The aircraft database.
    std::function<std::vector<std::string>(const std::string& registration)> registrationVariants;
    std::function<bool(std::optional<DbaseRecord>& holder, const std::string& key)> dbaseLookup;
    std::function<bool(const std::string& type)> isKnownType;
    std::function<int(const std::string& type)> typeCategory;
};

// The real neighbours.
FeedServices gf_defaultFeedServices();
const FeedServices& gf_feedServices();
// Replaces the table; members left empty get the default. Only while no other thread uses the
// feed (start-up, test set-up).
void gf_setFeedServices(FeedServices services);
void gf_resetFeedServices();

} // namespace ksb

#pragma once
// What the feed asks of its neighbours, behind one replaceable table so that tests record it.
#include "core/link_records.h"

#include <functional>
#include <string>
#include <string_view>

namespace ksb {

// The traffic engine's park airport as the feed reads it; an empty code = none loaded.
struct ParkAirportSnapshot {
    std::string icao;
    double latitude = 0.0;
    double longitude = 0.0;
};

struct FeedServices {
    // The message line, logged when log is true.
    std::function<void(std::string_view text, bool log)> showMessage;
    // The window's service-session flag, with a repaint of the status area.
    std::function<void(bool established)> setSessionEstablished;
    // A record for the traffic engine's inbound queue.
    std::function<void(SimInboundRecord)> postSimEvent;
    std::function<ParkAirportSnapshot()> parkAirport;
    // The program is ending or stopping the run: the login aborts and its waits end.
    std::function<bool()> exitRequested;
};

// The real neighbours.
FeedServices gf_defaultFeedServices();
const FeedServices& gf_feedServices();
// Replaces the table; members left empty get the default. Only while no other thread uses the
// feed (start-up, test set-up).
void gf_setFeedServices(FeedServices services);
void gf_resetFeedServices();

} // namespace ksb

#include "feed/feed_services.h"

#include "core/main_window.h"
#include "core/message_sink.h"
#include "traffic/traffic.h"

#include <utility>

namespace ksb {

namespace {

FeedServices& lf_services() {
    static FeedServices services = gf_defaultFeedServices();
    return services;
}

template <class Member> void lf_fill(Member& member, Member& fallback) {
    if (!member) {
        member = std::move(fallback);
    }
}

} // namespace

FeedServices gf_defaultFeedServices() {
    FeedServices s;
    s.showMessage = [](std::string_view text, bool log) { gf_showMessage(text, log); };
    s.setSessionEstablished = [](bool established) {
        mainWindow.sessionEstablished.store(established);
        gf_invalidate(kStatusRegion);
    };
    s.postSimEvent = [](SimInboundRecord record) { gf_postSimEvent(record); };
    // PLACEHOLDER: no park airport until the traffic engine publishes its park snapshot
    // (traffic engine issues); ground records are dropped meanwhile.
    s.parkAirport = [] { return ParkAirportSnapshot{}; };
    // PLACEHOLDER: exitInProgress or stopRequested of the run phase ("Run phase, main loop, exit
    // and restart").
    s.exitRequested = [] { return false; };
    return s;
}

const FeedServices& gf_feedServices() {
    return lf_services();
}

void gf_setFeedServices(FeedServices services) {
    FeedServices defaults = gf_defaultFeedServices();
    lf_fill(services.showMessage, defaults.showMessage);
    lf_fill(services.setSessionEstablished, defaults.setSessionEstablished);
    lf_fill(services.postSimEvent, defaults.postSimEvent);
    lf_fill(services.parkAirport, defaults.parkAirport);
    lf_fill(services.exitRequested, defaults.exitRequested);
    lf_services() = std::move(services);
}

void gf_resetFeedServices() {
    lf_services() = gf_defaultFeedServices();
}

} // namespace ksb

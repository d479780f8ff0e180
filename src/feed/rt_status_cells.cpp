// The window's two reader status cells follow what the readers received: 1 receiving, 2 idle.
#include "feed/feed_services.h"
#include "feed/rt_clients.h"
#include "feed/rt_readers.h"

namespace {

void lf_follow(ksb::Reader reader, bool receiving, std::atomic<bool>& shown) {
    const ksb::FeedServices& services = ksb::gf_feedServices();
    if (!receiving) {
        if (shown.load()) {
            services.setReaderCell(reader, 2);
            services.invalidateStatus();
            shown.store(false);
        }
    } else if (!shown.load()) {
        shown.store(true);
        services.setReaderCell(reader, 1);
        services.invalidateStatus();
    }
}

} // namespace

void gf_rtShowStatus() {
    if (!ksb::gf_feedServices().sessionEstablished()) {
        return;
    }
    lf_follow(ksb::Reader::weather, rtWeatherClient.weatherReceived.load(),
              rtWeatherClient.weatherCellShown);
    lf_follow(ksb::Reader::traffic, rtTrafficClient.recordCount.load() >= 1,
              rtTrafficClient.trafficCellShown);
}

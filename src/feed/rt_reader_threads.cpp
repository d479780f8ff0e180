// The reader threads: their start, stop and end, and how a failing reader takes the other one
// down and reports once.
#include "core/clock.h"
#include "core/log.h"
#include "core/ranked_mutex.h"
#include "core/run_values.h"
#include "feed/feed_services.h"
#include "feed/rt_reader_loops.h"
#include "feed/rt_readers.h"
#include "platform/thread_name.h"

#include <fmt/format.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using ksb::Reader;

struct ReaderTraits {
    Reader reader;
    std::string_view name;
    std::string_view parameterFault;
    std::string_view error;     // with the status
    std::string_view exception; // with the exception's text
    std::string_view threadName;
};

constexpr ReaderTraits kWeather{Reader::weather,
                                "Weather Reader",
                                "Weather RT API: parameter fault",
                                "Weather RT API error: {}",
                                "Weather RT API exception: {}",
                                "ksby-weather"};
constexpr ReaderTraits kTraffic{Reader::traffic,
                                "Traffic Reader",
                                "Traffic RT API: parameter fault",
                                "Traffic RT API error: {}",
                                "Traffic RT API exception: {}",
                                "ksby-traffic"};

struct ReaderSlot {
    // Under the slots' mutex.
    std::thread thread;
    std::atomic<bool> ended{false};
    std::atomic<std::int64_t> endStatus{0};
};

struct ReaderSlots {
    ksb::RankedMutex mutex{ksb::LockRank::leaf, "rt readers"};
    ReaderSlot weather;
    ReaderSlot traffic;
};

ReaderSlots& lf_slots() {
    static ReaderSlots slots;
    return slots;
}

ReaderSlot& lf_slot(Reader reader) {
    return reader == Reader::weather ? lf_slots().weather : lf_slots().traffic;
}

ksb::RtApiClient& lf_client(Reader reader) {
    if (reader == Reader::weather) {
        return rtWeatherClient;
    }
    return rtTrafficClient;
}

bool lf_runLoop(Reader reader, std::int64_t& status, const std::function<bool()>& stop) {
    if (reader == Reader::weather) {
        return lf_rtWeatherLoop(rtWeatherClient, status, stop);
    }
    return lf_rtTrafficLoop(rtTrafficClient, status, stop);
}

void lf_showCell(Reader reader, std::int32_t value) {
    const ksb::FeedServices& services = ksb::gf_feedServices();
    services.setReaderCell(reader, value);
    services.invalidateStatus();
}

// The steps both thread bodies share. The start counted the thread in activeWorkers; every way
// out of here takes that back once, after the end status is visible.
void lf_readerBody(const ReaderTraits& traits, std::uint64_t generation) {
    platform::setThreadName(traits.threadName);
    ReaderSlot& slot = lf_slot(traits.reader);
    std::int64_t status = 0;
    struct Finish {
        ReaderSlot& slot;
        const std::int64_t& status;
        ~Finish() {
            slot.endStatus.store(status);
            slot.ended.store(true);
            activeWorkers.fetch_sub(1);
        }
    } finish{slot, status};

    const ksb::FeedServices& services = ksb::gf_feedServices();
    const Reader other = traits.reader == Reader::weather ? Reader::traffic : Reader::weather;
    try {
        lf_logReaderConnected(traits.name);
        lf_showCell(traits.reader, 1);
        const std::function<bool()> stop =
            ksb::gf_rtReaderStopTest(lf_client(traits.reader), generation);
        if (!lf_runLoop(traits.reader, status, stop)) {
            lf_showCell(traits.reader, 3);
            if (status == 401) {
                gf_logLine(
                    fmt::format("re-authentication to RT API is needed, restart {}", "KSBY_P3D"));
            } else if (status == 400) {
                gf_logLine(traits.parameterFault);
            } else if (status != ksb::kReaderStopped) {
                gf_logLine(fmt::format(fmt::runtime(traits.error), status));
            }
        }
    } catch (const std::exception& e) {
        gf_logLine(fmt::format(fmt::runtime(traits.exception), e.what()));
        // Otherwise the window would go on showing a dead reader as receiving.
        lf_showCell(traits.reader, 3);
    }
    if (status != ksb::kReaderStopped) {
        lf_client(other).stopFlag.store(true);
        ksb::gf_wakeSleepers();
        services.readerStopped(traits.name, status == 401);
    }
}

bool lf_start(Reader reader, void (*body)(std::uint64_t)) {
    ReaderSlots& slots = lf_slots();
    ReaderSlot& slot = lf_slot(reader);
    std::lock_guard lock(slots.mutex);
    if (slot.thread.joinable()) {
        if (!slot.ended.load()) {
            return false;
        }
        slot.thread.join();
    }
    const std::uint64_t generation = ksb::gf_feedServices().runGeneration();
    // Counted before the thread exists, so that the exit's wait cannot miss it.
    activeWorkers.fetch_add(1);
    slot.ended.store(false);
    try {
        slot.thread = std::thread(body, generation);
    } catch (...) {
        slot.ended.store(true);
        activeWorkers.fetch_sub(1);
        throw;
    }
    return true;
}

} // namespace

namespace ksb {

std::function<bool()> gf_rtReaderStopTest(const RtApiClient& client, std::uint64_t generation) {
    return [&client, generation] {
        const FeedServices& services = gf_feedServices();
        return client.stopFlag.load() || services.exitRequested() ||
               services.runGeneration() != generation;
    };
}

} // namespace ksb

void lf_logReaderConnected(std::string_view name) {
    gf_logContinue(fmt::format("{} connected", name));
}

void lf_weatherReader(std::uint64_t generation) {
    lf_readerBody(kWeather, generation);
}

void lf_trafficReader(std::uint64_t generation) {
    lf_readerBody(kTraffic, generation);
}

bool gf_rtStartWeatherReader() {
    return lf_start(Reader::weather, &lf_weatherReader);
}

bool gf_rtStartTrafficReader() {
    return lf_start(Reader::traffic, &lf_trafficReader);
}

void gf_rtStopReaders() {
    rtWeatherClient.stopFlag.store(true);
    rtTrafficClient.stopFlag.store(true);
    ksb::gf_wakeSleepers();
}

void gf_rtJoinReaders() {
    ReaderSlots& slots = lf_slots();
    std::lock_guard lock(slots.mutex);
    for (ReaderSlot* slot : {&slots.weather, &slots.traffic}) {
        if (slot->thread.joinable()) {
            slot->thread.join();
        }
    }
}

void gf_rtResetReaders() {
    gf_rtStopReaders();
    ReaderSlots& slots = lf_slots();
    std::lock_guard lock(slots.mutex);
    for (ReaderSlot* slot : {&slots.weather, &slots.traffic}) {
        if (slot->thread.joinable()) {
            slot->thread.join();
        }
        slot->ended.store(false);
        slot->endStatus.store(0);
    }
}

std::optional<std::int64_t> gf_rtReaderEndStatus(ksb::Reader reader) {
    const ReaderSlot& slot = lf_slot(reader);
    if (!slot.ended.load()) {
        return std::nullopt;
    }
    return slot.endStatus.load();
}

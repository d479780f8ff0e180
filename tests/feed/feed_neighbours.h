#pragma once
// What the readers and the parked-traffic fetch see of the rest of the program, as fakes that
// record: the traffic engine's intake and QNH, the window's QNH and reader cells, the reports of
// a stopped reader, the user aircraft, the stands and a small aircraft database.
#include "core/geodesy.h"
#include "feed/feed_services.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace ksb::test {

struct HandedBatch {
    int delay = 0;
    std::vector<LiveFlight> records;
};

struct StoppedReport {
    std::string name;
    bool unauthorised = false;
    bool operator==(const StoppedReport&) const = default;
};

class FeedNeighbours {
public:
    static constexpr std::chrono::seconds kSafety{30};

    // Puts the fakes into the table (the members the fakes stand for).
    void install(FeedServices& s) {
        s.takeFeedRecords = [this](std::vector<LiveFlight>& batch, int delay) {
            std::lock_guard lock(mutex_);
            if (!throwOnTake_.empty()) {
                throw std::runtime_error(throwOnTake_);
            }
            batches_.push_back(HandedBatch{delay, batch});
            batch.clear();
            changed_.notify_all();
        };
        s.setEngineQnh = [this](std::int32_t qnh) {
            std::lock_guard lock(mutex_);
            engineQnh_.push_back(qnh);
            changed_.notify_all();
        };
        s.setWindowQnh = [this](std::int32_t qnh) {
            std::lock_guard lock(mutex_);
            windowQnh_ = qnh;
            events_.push_back("qnh " + std::to_string(qnh));
        };
        s.setReaderCell = [this](Reader reader, std::int32_t value) {
            std::lock_guard lock(mutex_);
            cells_[reader] = value;
            events_.push_back(std::string(reader == Reader::weather ? "weather " : "traffic ") +
                              std::to_string(value));
        };
        s.readerCell = [this](Reader reader) { return cell(reader); };
        s.invalidateStatus = [this] {
            std::lock_guard lock(mutex_);
            events_.push_back("invalidate");
        };
        s.sessionEstablished = [this] { return session_.load(); };
        s.readerStopped = [this](std::string_view name, bool unauthorised) {
            std::lock_guard lock(mutex_);
            stopped_.push_back(StoppedReport{std::string(name), unauthorised});
        };
        s.userPosition = [this] {
            std::lock_guard lock(mutex_);
            if (!throwOnUser_.empty()) {
                throw std::runtime_error(throwOnUser_);
            }
            return user_;
        };
        s.reservedStandName = [this] {
            std::lock_guard lock(mutex_);
            return reservedStand_;
        };
        s.standNameAt = [this](double latitude, double longitude) {
            std::lock_guard lock(mutex_);
            standQueries_.push_back(Position{latitude, longitude});
            return standAtUser_;
        };
        s.registrationVariants = [](const std::string& registration) {
            std::vector<std::string> variants{registration};
            // As the database spells "DAIPA" also "D-AIPA".
            if (registration.size() >= 5 && registration.find('-') == std::string::npos) {
                variants.push_back(registration.substr(0, 1) + "-" + registration.substr(1));
            }
            return variants;
        };
        s.dbaseLookup = [this](std::optional<DbaseRecord>& holder, const std::string& key) {
            std::lock_guard lock(mutex_);
            lookups_.push_back(key);
            const auto it = database_.find(key);
            if (it == database_.end()) {
                return false;
            }
            holder = it->second;
            return true;
        };
        s.isKnownType = [this](const std::string& type) {
            std::lock_guard lock(mutex_);
            return categories_.contains(type);
        };
        s.typeCategory = [this](const std::string& type) {
            std::lock_guard lock(mutex_);
            const auto it = categories_.find(type);
            return it == categories_.end() ? 0 : it->second;
        };
        s.runGeneration = [this] { return generation_.load(); };
    }

    // The engine.
    std::vector<HandedBatch> batches() const {
        std::lock_guard lock(mutex_);
        return batches_;
    }
    std::vector<int> delays() const {
        std::vector<int> result;
        for (const HandedBatch& batch : batches()) {
            result.push_back(batch.delay);
        }
        return result;
    }
    bool waitForBatches(std::size_t count) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kSafety, [&] { return batches_.size() >= count; });
    }
    std::vector<std::int32_t> engineQnh() const {
        std::lock_guard lock(mutex_);
        return engineQnh_;
    }
    bool waitForEngineQnh(std::size_t count) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kSafety, [&] { return engineQnh_.size() >= count; });
    }
    void throwOnTake(std::string text) {
        std::lock_guard lock(mutex_);
        throwOnTake_ = std::move(text);
    }

    // The window.
    std::int32_t windowQnh() const {
        std::lock_guard lock(mutex_);
        return windowQnh_;
    }
    std::int32_t cell(Reader reader) const {
        std::lock_guard lock(mutex_);
        const auto it = cells_.find(reader);
        return it == cells_.end() ? 3 : it->second;
    }
    void setCell(Reader reader, std::int32_t value) {
        std::lock_guard lock(mutex_);
        cells_[reader] = value;
    }
    // "weather 1", "traffic 3", "qnh 1008", "invalidate", in order.
    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void clearEvents() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }
    void setSession(bool established) { session_.store(established); }

    // The run phase.
    std::vector<StoppedReport> stopped() const {
        std::lock_guard lock(mutex_);
        return stopped_;
    }
    void setGeneration(std::uint64_t generation) { generation_.store(generation); }

    // The user aircraft and the stands.
    void setUser(UserPosition user) {
        std::lock_guard lock(mutex_);
        user_ = user;
    }
    void throwOnUser(std::string text) {
        std::lock_guard lock(mutex_);
        throwOnUser_ = std::move(text);
    }
    void setReservedStand(std::string stand) {
        std::lock_guard lock(mutex_);
        reservedStand_ = std::move(stand);
    }
    void setStandAtUser(std::string stand) {
        std::lock_guard lock(mutex_);
        standAtUser_ = std::move(stand);
    }
    std::vector<Position> standQueries() const {
        std::lock_guard lock(mutex_);
        return standQueries_;
    }

    // The aircraft database.
    void addType(std::string type, int category) {
        std::lock_guard lock(mutex_);
        categories_[std::move(type)] = category;
    }
    void addRegistration(std::string registration, DbaseRecord record) {
        std::lock_guard lock(mutex_);
        database_[std::move(registration)] = std::move(record);
    }
    std::vector<std::string> lookups() const {
        std::lock_guard lock(mutex_);
        return lookups_;
    }

    // Forgets what was recorded (a table of cases calls it per row); the settings stay.
    void clearRecords() {
        std::lock_guard lock(mutex_);
        batches_.clear();
        engineQnh_.clear();
        events_.clear();
        stopped_.clear();
        standQueries_.clear();
        lookups_.clear();
        cells_.clear();
        windowQnh_ = 0;
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<HandedBatch> batches_;
    std::vector<std::int32_t> engineQnh_;
    std::string throwOnTake_;
    std::int32_t windowQnh_ = 0;
    std::map<Reader, std::int32_t> cells_;
    std::vector<std::string> events_;
    std::atomic<bool> session_{false};
    std::vector<StoppedReport> stopped_;
    std::atomic<std::uint64_t> generation_{1};
    UserPosition user_;
    std::string throwOnUser_;
    std::string reservedStand_;
    std::string standAtUser_;
    std::vector<Position> standQueries_;
    std::map<std::string, int> categories_;
    std::map<std::string, DbaseRecord> database_;
    std::vector<std::string> lookups_;
};

} // namespace ksb::test

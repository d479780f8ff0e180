#pragma once
// Internals of SimStub shared by its .cpp files.
#include "support/simstub/datums.h"
#include "support/simstub/messages.h"
#include "support/simstub/packets.h"
#include "support/simstub/sim_stub.h"
#include "support/simstub/socket_util.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace simstub {

enum class CloseKind : int { none = 0, drop = 1, reset = 2, failed = 3 };

struct Conn {
    int id = 0;
    std::string endpoint;
    bool tcp = true;
    WakeFd wake;
    std::thread thread;
    std::atomic<int> closeRequest{0}; // CloseKind
    std::atomic<bool> finished{false};

    // Guarded by sendMutex: the descriptor (closed only by the connection's own thread).
    std::mutex sendMutex;
    int fd = -1;

    // Guarded by the stand-in's mutex.
    bool open = true;
    bool gotOpen = false;
    std::string openName;
    std::string endReason;
    std::string requestedReason;
    std::uint32_t lastSendId = 0;
    bool firstPacket = true;
    std::map<std::string, std::uint32_t> subscriptions; // canonical system event name -> id
    std::map<std::uint32_t, std::vector<DatumDecl>> definitions;
    std::map<std::uint32_t, std::string> mappedEvents; // client event id -> canonical name
    std::map<std::uint32_t, std::vector<std::pair<std::uint32_t, std::uint32_t>>> groups;
    std::map<std::uint32_t, std::uint32_t> priorities;
    struct Periodic {
        std::uint32_t definitionId;
        std::uint32_t objectId;
    };
    std::map<std::uint32_t, Periodic> periodic; // by request id

    // Messages composed for this connection, in the order they were composed (under the
    // stand-in's mutex); written in that order by whichever thread drains them.
    struct Queued {
        Message message;
        bool verbose = false;
        std::vector<std::size_t> splitAt;
    };
    std::mutex outboxMutex; // a leaf lock
    std::deque<Queued> outbox;

    std::optional<std::uint32_t> subscribed(const std::string& name) const {
        auto it = subscriptions.find(name);
        return it == subscriptions.end() ? std::nullopt : std::optional(it->second);
    }
};

using ConnPtr = std::shared_ptr<Conn>;

struct Outgoing {
    ConnPtr conn;
    Message message;
    bool verbose = false;
    std::vector<std::size_t> splitAt;
};

// What a producer composed under the stand-in's mutex. push_back queues the message on its
// connection at once, so that every connection gets its messages in the order of the state
// changes behind them, whichever threads composed them; deliver() then writes them.
class OutList {
public:
    explicit OutList(const std::atomic<bool>& stopping) : stopping_(stopping) {}
    void push_back(Outgoing o) {
        if (stopping_) {
            return; // no news while everything closes
        }
        {
            std::lock_guard lock(o.conn->outboxMutex);
            o.conn->outbox.push_back(
                Conn::Queued{std::move(o.message), o.verbose, std::move(o.splitAt)});
        }
        conns_.push_back(std::move(o.conn));
    }
    const std::vector<ConnPtr>& conns() const { return conns_; }
    void clear() { conns_.clear(); }

private:
    const std::atomic<bool>& stopping_;
    std::vector<ConnPtr> conns_;
};

struct Delayed {
    enum class Kind { objectAdded, atcId, resumeFrames } kind;
    std::uint32_t objectId;
};

struct SimStub::Impl {
    explicit Impl(Scenario s) : scenario(std::move(s)) {}

    // Guards everything below that is not marked otherwise.
    mutable std::mutex mutex;
    mutable std::condition_variable changed; // every recorded change
    std::condition_variable clockWake;       // the real-mode clock thread
    std::uint64_t generation = 0;
    bool clockKick = false;

    Scenario scenario;
    LineSink sink; // set before start
    std::mutex sinkMutex;

    bool started = false;
    std::atomic<bool> stopping{false};
    WakeFd stopWake;
    std::vector<std::pair<Listener, std::string>> listeners; // with the endpoint name
    std::uint16_t ipv4 = 0, ipv6 = 0;
    std::filesystem::path pipe;
    std::vector<std::thread> acceptors;
    std::thread clockThread;
    std::mutex joinMutex; // reaping of finished connection threads

    std::map<int, ConnPtr> conns;
    int nextConnId = 1;

    // Time.
    double manualNow = 0.0;
    std::chrono::steady_clock::time_point realStart;
    std::uint64_t frames = 0;
    bool framesPaused = false;
    double frameHz = 30.0;
    double frameRate = 30.0;
    bool flightRunning = true;
    std::map<std::pair<double, std::uint64_t>, Delayed> delayed;
    std::uint64_t delayedSeq = 0;

    // Objects: the user is 1; others from 1000 upward, never reused, so the id order is the
    // creation order.
    std::map<std::uint32_t, ObjectState> objects;
    std::uint32_t nextObjectId = 1000;
    // AI objects that ended, with their end; the oldest ends go first beyond endedLimit.
    std::map<std::uint32_t, ObjectState> endedObjects;
    std::deque<std::uint32_t> endOrder;
    OpenAnswer openAnswer;

    // Records.
    std::deque<PacketRecord> packetLog;
    std::deque<MessageRecord> sentLog;
    std::vector<ProtocolError> errors;
    std::map<std::uint32_t, std::deque<EventRecord>> eventLog;
    std::map<std::uint32_t, std::deque<PositionRecord>> positionLog;
    std::map<std::uint32_t, std::deque<WriteRecord>> writeLog;

    // sim_stub.cpp
    void openEndpoints();
    void acceptLoop(std::size_t index);
    void connLoop(const ConnPtr& conn);
    void clockLoop();
    void requestClose(const ConnPtr& conn, CloseKind kind, const std::string& reason);
    void closeAndWait(int connId, CloseKind kind, const std::string& reason);
    void connectionEnded(const ConnPtr& conn, const std::string& reason);
    void deliver(OutList& out);
    void drain(const ConnPtr& conn);
    void emit(std::vector<std::pair<std::string, bool>>& lines);
    double nowLocked() const;
    void touchLocked() {
        ++generation;
        changed.notify_all();
    }
    template <class T> void trimLocked(std::deque<T>& log, std::size_t limit) {
        while (limit != 0 && log.size() > limit) {
            log.pop_front();
        }
    }

    // sim_stub_actions.cpp
    void handlePacket(const ConnPtr& conn, std::string_view bytes);
    void unframable(const ConnPtr& conn, std::string_view buffered, std::uint32_t size);
    void addErrorLocked(int conn, std::uint32_t sendId, std::uint32_t number, std::string rule,
                        std::vector<std::pair<std::string, bool>>& lines);
    void actLocked(const ConnPtr& conn, const DecodedPacket& p, std::string_view bytes,
                   OutList& out, std::vector<std::pair<std::string, bool>>& lines);
    Message objectDataLocked(bool byType, std::uint32_t requestId, const ObjectState& object,
                             std::uint32_t definitionId, const std::vector<DatumDecl>& decls,
                             std::uint32_t entry, std::uint32_t outOf) const;
    void periodicAnswersLocked(OutList& out);
    void framesLocked(OutList& out);
    void runDelayedLocked(const Delayed& action, OutList& out);
    void scheduleLocked(double delaySeconds, Delayed action);
    // A pause or resume of frames replaces the resume a timed pause scheduled.
    void dropResumesLocked() {
        for (auto d = delayed.begin(); d != delayed.end();) {
            d = d->second.kind == Delayed::Kind::resumeFrames ? delayed.erase(d) : std::next(d);
        }
    }
    void broadcastLocked(const std::string& systemEvent, std::optional<int> only,
                         const std::function<Message(std::uint32_t)>& make, OutList& out,
                         const Conn* except = nullptr);
    // An AI object given its end is kept among the ended objects; others are forgotten.
    void deleteObjectLocked(std::uint32_t id, OutList& out, const Conn* except,
                            const std::optional<ObjectEnd>& end);
    // agl and SIM ON GROUND as the stand-in reports them now.
    void refreshLocked(ObjectState& object) const;
    ObjectState* findObjectLocked(std::uint32_t id);
};

} // namespace simstub

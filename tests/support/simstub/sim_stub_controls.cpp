// The scripted controls, the manual clock and the queries of the stand-in.
#include "support/simstub/sim_stub_impl.h"
#include "support/simstub/wire.h"

#include <cmath>
#include <fmt/format.h>
#include <stdexcept>

namespace simstub {

namespace {

constexpr double kDegrees = 180.0 / M_PI;

std::vector<ConnPtr> lf_targets(const std::map<int, ConnPtr>& conns, std::optional<int> only) {
    std::vector<ConnPtr> out;
    for (const auto& [id, c] : conns) {
        if (c->open && (!only || *only == id)) {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

// --- clock ---

double SimStub::now() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->nowLocked();
}

double SimStub::zuluNow() const {
    std::lock_guard lock(impl_->mutex);
    return static_cast<double>(impl_->scenario.zuluStart) + impl_->nowLocked();
}

std::uint64_t SimStub::framesSent() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->frames;
}

void SimStub::stepFrames(int count) {
    Impl& m = *impl_;
    for (int i = 0; i < count; ++i) {
        OutList out(m.stopping);
        {
            std::lock_guard lock(m.mutex);
            if (m.framesPaused) {
                return;
            }
            m.framesLocked(out);
            m.touchLocked();
        }
        m.deliver(out);
    }
}

void SimStub::advance(std::chrono::duration<double> duration) {
    Impl& m = *impl_;
    if (m.scenario.clock != ClockMode::manual) {
        throw std::logic_error("advance() needs the manual clock");
    }
    double target = 0.0;
    {
        std::lock_guard lock(m.mutex);
        target = m.manualNow + duration.count();
    }
    for (;;) {
        OutList out(m.stopping);
        bool done = false;
        {
            std::lock_guard lock(m.mutex);
            const double nextSecond = std::floor(m.manualNow) + 1.0;
            const bool second = nextSecond <= target;
            const bool action = !m.delayed.empty() && m.delayed.begin()->first.first <= target;
            if (action && (!second || m.delayed.begin()->first.first <= nextSecond)) {
                m.manualNow = std::max(m.manualNow, m.delayed.begin()->first.first);
                Delayed a = m.delayed.begin()->second;
                m.delayed.erase(m.delayed.begin());
                m.runDelayedLocked(a, out);
            } else if (second) {
                m.manualNow = nextSecond;
                m.periodicAnswersLocked(out);
            } else {
                m.manualNow = target;
                done = true;
            }
            m.touchLocked();
        }
        m.deliver(out);
        if (done) {
            return;
        }
    }
}

// --- user ---

void SimStub::setUser(const UserState& u) {
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    ObjectState& o = m.objects.at(1);
    o.latitude = u.latitude;
    o.longitude = u.longitude;
    o.altitude = u.altitude;
    o.pitch = u.pitch / kDegrees;
    o.bank = u.bank / kDegrees;
    o.heading = u.heading / kDegrees;
    o.verticalSpeed = u.verticalSpeed;
    o.airspeed = u.airspeed;
    o.groundSpeed = u.groundSpeed;
    o.onGround = u.onGround;
    o.title = u.title;
    o.model = u.model;
    o.atcId = u.atcId;
    o.tail = u.atcId;
    o.lights = u.lights;
    m.touchLocked();
}

UserState SimStub::user() const {
    std::lock_guard lock(impl_->mutex);
    const ObjectState& o = impl_->objects.at(1);
    UserState u;
    u.latitude = o.latitude;
    u.longitude = o.longitude;
    u.altitude = o.altitude;
    u.pitch = o.pitch * kDegrees;
    u.bank = o.bank * kDegrees;
    u.heading = o.heading * kDegrees;
    u.verticalSpeed = o.verticalSpeed;
    u.airspeed = o.airspeed;
    u.groundSpeed = o.groundSpeed;
    u.onGround = o.onGround;
    u.title = o.title;
    u.model = o.model;
    u.atcId = o.atcId;
    u.lights = o.lights;
    return u;
}

void SimStub::teleportUser(double latitude, double longitude, double altitude) {
    std::lock_guard lock(impl_->mutex);
    ObjectState& o = impl_->objects.at(1);
    o.latitude = latitude;
    o.longitude = longitude;
    o.altitude = altitude;
    impl_->touchLocked();
}

// --- events ---

void SimStub::sendSim(bool running, std::optional<int> conn) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        m.flightRunning = running;
        m.broadcastLocked(
            "Sim", conn,
            [&](std::uint32_t id) {
                return gf_eventMessage(kSystemEventGroup, id, running ? 1 : 0);
            },
            out);
    }
    m.deliver(out);
}

void SimStub::sendPositionChanged(std::optional<int> conn) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        m.broadcastLocked(
            "PositionChanged", conn,
            [](std::uint32_t id) { return gf_eventMessage(kSystemEventGroup, id, 0); }, out);
    }
    m.deliver(out);
}

void SimStub::sendFlightLoaded(std::optional<int> conn) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        m.broadcastLocked(
            "FlightLoaded", conn,
            [](std::uint32_t id) { return gf_eventMessage(kSystemEventGroup, id, 0); }, out);
    }
    m.deliver(out);
}

void SimStub::sendFileNameEvent(std::string_view fileName, std::optional<int> conn) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        m.broadcastLocked(
            "FlightLoaded", conn,
            [&](std::uint32_t id) { return gf_fileNameMessage(id, fileName); }, out);
    }
    m.deliver(out);
}

// --- connections ---

void SimStub::sendQuit(std::optional<int> conn) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        for (const ConnPtr& c : lf_targets(m.conns, conn)) {
            out.push_back(Outgoing{c, gf_quitMessage(), false, {}});
        }
    }
    m.deliver(out);
}

void SimStub::dropConnection(int conn) {
    impl_->closeAndWait(conn, CloseKind::drop, "dropped");
}

void SimStub::resetConnection(int conn) {
    impl_->closeAndWait(conn, CloseKind::reset, "reset");
}

void SimStub::sendException(int conn, std::uint32_t code, std::uint32_t sendId,
                            std::uint32_t index) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        for (const ConnPtr& c : lf_targets(m.conns, conn)) {
            out.push_back(Outgoing{c, gf_exceptionMessage(code, sendId, index), false, {}});
        }
    }
    m.deliver(out);
}

void SimStub::sendRaw(int conn, std::string bytes, std::vector<std::size_t> splitAt) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        for (const ConnPtr& c : lf_targets(m.conns, conn)) {
            out.push_back(Outgoing{c, gf_rawMessage(bytes), false, splitAt});
        }
    }
    m.deliver(out);
}

// --- frames ---

void SimStub::setFrameRate(double frameRate) {
    std::lock_guard lock(impl_->mutex);
    impl_->frameRate = frameRate;
}

void SimStub::setFrameHz(double hz) {
    std::lock_guard lock(impl_->mutex);
    impl_->frameHz = hz;
    impl_->clockKick = true;
    impl_->clockWake.notify_all();
}

void SimStub::pauseFrames(bool paused) {
    std::lock_guard lock(impl_->mutex);
    impl_->dropResumesLocked();
    impl_->framesPaused = paused;
    impl_->clockKick = true;
    impl_->clockWake.notify_all();
}

void SimStub::pauseFramesFor(double seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->dropResumesLocked();
    impl_->framesPaused = true;
    impl_->scheduleLocked(seconds, Delayed{Delayed::Kind::resumeFrames, 0});
}

// --- other aircraft ---

std::uint32_t SimStub::addForeignAircraft(std::string atcId, LatLon position, double agl,
                                          std::string title) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    std::uint32_t id = 0;
    {
        std::lock_guard lock(m.mutex);
        ObjectState o;
        o.id = id = m.nextObjectId++;
        o.kind = ObjectKind::foreign;
        o.atcId = atcId;
        o.tail = std::move(atcId);
        o.title = std::move(title);
        o.latitude = position.latitude;
        o.longitude = position.longitude;
        o.altitude = m.scenario.groundElevation + agl;
        m.objects[id] = std::move(o);
        const std::uint32_t type = m.scenario.objectType;
        m.broadcastLocked(
            "ObjectAdded", std::nullopt,
            [&](std::uint32_t eventId) { return gf_objectAddRemoveMessage(eventId, id, type); },
            out);
        m.touchLocked();
    }
    m.deliver(out);
    return id;
}

void SimStub::removeForeignAircraft(std::uint32_t id) {
    Impl& m = *impl_;
    OutList out(m.stopping);
    {
        std::lock_guard lock(m.mutex);
        auto it = m.objects.find(id);
        if (it == m.objects.end() || it->second.kind != ObjectKind::foreign) {
            throw std::invalid_argument(fmt::format("no foreign aircraft {}", id));
        }
        m.deleteObjectLocked(id, out, nullptr, std::nullopt);
        m.touchLocked();
    }
    m.deliver(out);
}

// --- switches ---

void SimStub::refuseTitles(std::set<std::string> titles) {
    std::lock_guard lock(impl_->mutex);
    impl_->scenario.refusedTitles = std::move(titles);
}

void SimStub::setObjectType(std::uint32_t objectType) {
    std::lock_guard lock(impl_->mutex);
    impl_->scenario.objectType = objectType;
}

void SimStub::delayObjectAdded(std::chrono::milliseconds delay) {
    std::lock_guard lock(impl_->mutex);
    impl_->scenario.objectAddedDelay = delay;
}

void SimStub::delayAtcId(std::chrono::milliseconds delay) {
    std::lock_guard lock(impl_->mutex);
    impl_->scenario.atcIdDelay = delay;
}

void SimStub::setObjectLimit(std::size_t limit) {
    std::lock_guard lock(impl_->mutex);
    impl_->scenario.objectLimit = limit;
}

void SimStub::failFlightPlans(bool fail) {
    std::lock_guard lock(impl_->mutex);
    impl_->scenario.failFlightPlans = fail;
}

void SimStub::setOpenAnswer(std::string name, std::array<std::uint32_t, 4> version) {
    std::lock_guard lock(impl_->mutex);
    impl_->openAnswer = OpenAnswer{std::move(name), version};
}

// --- queries ---

std::vector<PacketRecord> SimStub::packets(const PacketFilter& filter) const {
    std::lock_guard lock(impl_->mutex);
    std::vector<PacketRecord> out;
    for (const PacketRecord& r : impl_->packetLog) {
        if ((!filter.conn || *filter.conn == r.conn) &&
            (!filter.number || *filter.number == r.number) &&
            (!filter.sendId || *filter.sendId == r.sendId)) {
            out.push_back(r);
        }
    }
    return out;
}

std::vector<MessageRecord> SimStub::sent(std::optional<int> conn) const {
    std::lock_guard lock(impl_->mutex);
    std::vector<MessageRecord> out;
    for (const MessageRecord& r : impl_->sentLog) {
        if (!conn || *conn == r.conn) {
            out.push_back(r);
        }
    }
    return out;
}

std::vector<ConnectionInfo> SimStub::connections() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<ConnectionInfo> out;
    for (const auto& [id, c] : impl_->conns) {
        out.push_back(
            ConnectionInfo{id, c->endpoint, c->open, c->gotOpen, c->openName, c->endReason});
    }
    return out;
}

std::vector<ObjectState> SimStub::objects() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<ObjectState> out;
    for (const auto& [id, o] : impl_->objects) {
        out.push_back(o);
        impl_->refreshLocked(out.back());
    }
    return out;
}

std::vector<ObjectState> SimStub::endedObjects() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<ObjectState> out;
    for (const auto& [id, o] : impl_->endedObjects) {
        out.push_back(o);
    }
    return out;
}

std::vector<ObjectState> SimStub::objectsCreatedBy(int conn) const {
    std::lock_guard lock(impl_->mutex);
    std::map<std::uint32_t, ObjectState> mine;
    for (const auto& [id, o] : impl_->objects) {
        if (o.kind == ObjectKind::ai && o.owner == conn) {
            impl_->refreshLocked(mine[id] = o);
        }
    }
    for (const auto& [id, o] : impl_->endedObjects) {
        if (o.owner == conn) {
            mine[id] = o;
        }
    }
    std::vector<ObjectState> out;
    for (auto& [id, o] : mine) {
        out.push_back(std::move(o));
    }
    return out;
}

std::optional<ObjectState> SimStub::object(std::uint32_t id) const {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->objects.find(id);
    if (it == impl_->objects.end()) {
        return std::nullopt;
    }
    ObjectState o = it->second;
    impl_->refreshLocked(o);
    return o;
}

namespace {

template <class T>
std::vector<T> lf_history(const std::map<std::uint32_t, std::deque<T>>& log, std::uint32_t id) {
    auto it = log.find(id);
    return it == log.end() ? std::vector<T>{}
                           : std::vector<T>(it->second.begin(), it->second.end());
}

} // namespace

std::vector<EventRecord> SimStub::events(std::uint32_t objectId) const {
    std::lock_guard lock(impl_->mutex);
    return lf_history(impl_->eventLog, objectId);
}

std::vector<PositionRecord> SimStub::positions(std::uint32_t objectId) const {
    std::lock_guard lock(impl_->mutex);
    return lf_history(impl_->positionLog, objectId);
}

std::vector<WriteRecord> SimStub::writes(std::uint32_t objectId) const {
    std::lock_guard lock(impl_->mutex);
    return lf_history(impl_->writeLog, objectId);
}

std::vector<ProtocolError> SimStub::protocolErrors() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->errors;
}

std::vector<ProtocolError> SimStub::takeProtocolErrors() {
    std::lock_guard lock(impl_->mutex);
    std::vector<ProtocolError> out;
    out.swap(impl_->errors);
    return out;
}

bool SimStub::waitFor(const std::function<bool()>& predicate,
                      std::chrono::milliseconds timeout) const {
    Impl& m = *impl_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::lock_guard lock(m.mutex);
            seen = m.generation;
        }
        if (predicate()) {
            return true;
        }
        std::unique_lock lock(m.mutex);
        if (!m.changed.wait_until(lock, deadline, [&] { return m.generation != seen; })) {
            lock.unlock();
            return predicate();
        }
    }
}

int SimStub::waitForConnection(std::size_t count, std::chrono::milliseconds timeout) const {
    int id = 0;
    waitFor(
        [&] {
            std::lock_guard lock(impl_->mutex);
            if (impl_->conns.size() >= count) {
                id = impl_->conns.rbegin()->first;
                return true;
            }
            return false;
        },
        timeout);
    return id;
}

} // namespace simstub

#include "support/simstub/sim_stub.h"

#include "support/simstub/sim_stub_impl.h"
#include "support/simstub/wire.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fmt/format.h>
#include <fstream>
#include <sys/socket.h>
#include <unistd.h>

namespace simstub {

namespace {

using Lines = std::vector<std::pair<std::string, bool>>;

ObjectState lf_userObject(const UserState& u, const ObjectState* old) {
    ObjectState o = old ? *old : ObjectState{};
    o.id = 1;
    o.kind = ObjectKind::user;
    o.latitude = u.latitude;
    o.longitude = u.longitude;
    o.altitude = u.altitude;
    o.pitch = u.pitch * M_PI / 180.0;
    o.bank = u.bank * M_PI / 180.0;
    o.heading = u.heading * M_PI / 180.0;
    o.verticalSpeed = u.verticalSpeed;
    o.airspeed = u.airspeed;
    o.groundSpeed = u.groundSpeed;
    o.onGround = u.onGround;
    o.title = u.title;
    o.model = u.model;
    o.atcId = u.atcId;
    o.tail = u.atcId;
    o.lights = u.lights;
    return o;
}

} // namespace

SimStub::SimStub(Scenario scenario) : impl_(std::make_unique<Impl>(std::move(scenario))) {
    Impl& m = *impl_;
    m.frameHz = m.scenario.frameHz;
    m.frameRate = m.scenario.frameRate.value_or(m.scenario.frameHz);
    m.flightRunning = m.scenario.flightRunning;
    m.openAnswer = m.scenario.open;
    m.objects[1] = lf_userObject(m.scenario.user, nullptr);
    for (const ForeignAircraft& f : m.scenario.foreign) {
        ObjectState o;
        o.id = m.nextObjectId++;
        o.kind = ObjectKind::foreign;
        o.atcId = f.atcId;
        o.tail = f.atcId;
        o.title = f.title;
        o.latitude = f.position.latitude;
        o.longitude = f.position.longitude;
        o.altitude = m.scenario.groundElevation + f.agl;
        m.objects[o.id] = o;
    }
}

SimStub::~SimStub() {
    stop();
}

void SimStub::setLineSink(LineSink sink) {
    std::lock_guard lock(impl_->sinkMutex);
    impl_->sink = std::move(sink);
}

void SimStub::start() {
    Impl& m = *impl_;
    if (m.started) {
        return;
    }
    m.openEndpoints();
    m.started = true;
    m.realStart = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < m.listeners.size(); ++i) {
        m.acceptors.emplace_back([&m, i] { m.acceptLoop(i); });
    }
    if (m.scenario.clock == ClockMode::real) {
        m.clockThread = std::thread([&m] { m.clockLoop(); });
    }
}

void SimStub::Impl::openEndpoints() {
    try {
        Listener v4 = gf_listenIpv4(scenario.port);
        ipv4 = v4.port;
        listeners.emplace_back(v4, "ipv4");
        if (scenario.ipv6) {
            if (std::optional<Listener> v6 = gf_listenIpv6(scenario.port)) {
                ipv6 = v6->port;
                listeners.emplace_back(*v6, "ipv6");
            }
        }
        if (scenario.pipe) {
            const std::filesystem::path path =
                gf_pipePath(gf_pipeDir(scenario.pipeDir), scenario.pipeName);
            Listener p = gf_listenUnix(path);
            pipe = path;
            listeners.emplace_back(p, "pipe");
        }
    } catch (...) {
        for (auto& [l, name] : listeners) {
            gf_closeListener(l);
        }
        listeners.clear();
        ipv4 = ipv6 = 0;
        pipe.clear();
        throw;
    }
}

void SimStub::stop() {
    Impl& m = *impl_;
    if (!m.started || m.stopping.exchange(true)) {
        return;
    }
    m.stopWake.notify();
    {
        std::lock_guard lock(m.mutex);
        m.clockWake.notify_all();
    }
    if (m.clockThread.joinable()) {
        m.clockThread.join();
    }
    for (std::thread& t : m.acceptors) {
        t.join();
    }
    m.acceptors.clear();
    for (auto& [l, name] : m.listeners) {
        gf_closeListener(l);
    }
    std::vector<ConnPtr> all;
    {
        std::lock_guard lock(m.mutex);
        for (auto& [id, c] : m.conns) {
            all.push_back(c);
        }
    }
    for (const ConnPtr& c : all) {
        c->wake.notify();
        std::lock_guard join(m.joinMutex);
        if (c->thread.joinable()) {
            c->thread.join();
        }
    }
}

void SimStub::Impl::acceptLoop(std::size_t index) {
    const int listenFd = listeners[index].first.fd;
    const std::string endpoint = listeners[index].second;
    while (!stopping) {
        const int mask =
            gf_pollReadable(listenFd, stopWake.fd(), -1, std::chrono::milliseconds(250));
        if (stopping) {
            break;
        }
        if ((mask & 1) == 0) {
            continue;
        }
        const int fd = gf_acceptNow(listenFd);
        if (fd < 0) {
            continue;
        }
        if (endpoint != "pipe") {
            gf_setNoDelay(fd);
        }
        auto conn = std::make_shared<Conn>();
        conn->fd = fd;
        conn->endpoint = endpoint;
        conn->tcp = endpoint != "pipe";
        Lines lines;
        {
            std::lock_guard lock(mutex);
            conn->id = nextConnId++;
            conns[conn->id] = conn;
            lines.emplace_back(fmt::format("c{} connected {}", conn->id, endpoint), false);
            touchLocked();
        }
        emit(lines);
        {
            // Reap the threads of connections that ended, so that a long demo does not pile
            // them up.
            std::lock_guard join(joinMutex);
            std::lock_guard lock(mutex);
            for (auto& [id, c] : conns) {
                if (c->finished && c->thread.joinable()) {
                    c->thread.join();
                }
            }
            conn->thread = std::thread([this, conn] { connLoop(conn); });
        }
    }
}

void SimStub::Impl::connLoop(const ConnPtr& conn) {
    std::string buffer;
    std::size_t pos = 0;
    std::string reason;
    char chunk[65536];
    while (reason.empty()) {
        if (stopping) {
            reason = "stopped";
            break;
        }
        if (conn->closeRequest != 0) {
            std::lock_guard lock(mutex);
            reason = conn->requestedReason;
            break;
        }
        const int mask = gf_pollReadable(conn->fd, conn->wake.fd(), stopWake.fd(),
                                         std::chrono::milliseconds(250));
        if ((mask & 2) != 0) {
            conn->wake.drain();
        }
        if ((mask & 1) == 0) {
            continue;
        }
        const ssize_t n = ::recv(conn->fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n == 0) {
            reason = "closed by the client";
            break;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            reason = errno == ECONNRESET ? "reset by the client"
                                         : fmt::format("receive failed: {}", gf_errnoText(errno));
            break;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
        while (buffer.size() - pos >= 4 && conn->closeRequest == 0) {
            const std::uint32_t size = gf_readU32(buffer, pos);
            if (size < kHeaderSize || size > kMaxPacketSize) {
                unframable(conn, std::string_view(buffer).substr(pos), size);
                reason = "unframable size";
                break;
            }
            if (buffer.size() - pos < size) {
                break;
            }
            handlePacket(conn, std::string_view(buffer).substr(pos, size));
            pos += size;
        }
        buffer.erase(0, pos);
        pos = 0;
    }
    {
        std::lock_guard send(conn->sendMutex);
        if (conn->closeRequest == static_cast<int>(CloseKind::reset) && conn->tcp) {
            linger l{1, 0};
            ::setsockopt(conn->fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        } else {
            ::shutdown(conn->fd, SHUT_WR);
        }
        ::close(conn->fd);
        conn->fd = -1;
    }
    connectionEnded(conn, reason);
    conn->finished = true;
}

void SimStub::Impl::requestClose(const ConnPtr& conn, CloseKind kind, const std::string& reason) {
    {
        std::lock_guard lock(mutex);
        if (conn->closeRequest != 0 || !conn->open) {
            return;
        }
        conn->requestedReason = reason;
        conn->closeRequest = static_cast<int>(kind);
    }
    conn->wake.notify();
}

void SimStub::Impl::closeAndWait(int connId, CloseKind kind, const std::string& reason) {
    ConnPtr conn;
    {
        std::lock_guard lock(mutex);
        auto it = conns.find(connId);
        if (it == conns.end()) {
            return;
        }
        conn = it->second;
    }
    requestClose(conn, kind, reason);
    std::unique_lock lock(mutex);
    changed.wait_for(lock, std::chrono::seconds(5), [&] { return !conn->open; });
}

void SimStub::Impl::connectionEnded(const ConnPtr& conn, const std::string& reason) {
    OutList out(stopping);
    Lines lines;
    {
        std::lock_guard lock(mutex);
        conn->open = false;
        conn->endReason = reason;
        conn->periodic.clear();
        lines.emplace_back(fmt::format("c{} closed: {}", conn->id, reason), false);
        std::vector<std::uint32_t> owned;
        for (const auto& [id, o] : objects) {
            if (o.kind == ObjectKind::ai && o.owner == conn->id) {
                owned.push_back(id);
            }
        }
        const ObjectEnd end{EndKind::withConnection, conn->id, 0, nowLocked(),
                            std::chrono::system_clock::now()};
        for (std::uint32_t id : owned) {
            deleteObjectLocked(id, out, conn.get(), end);
        }
        touchLocked();
    }
    emit(lines);
    deliver(out);
}

void SimStub::Impl::emit(Lines& lines) {
    std::lock_guard lock(sinkMutex);
    if (sink) {
        for (const auto& [line, verbose] : lines) {
            sink(line, verbose);
        }
    }
    lines.clear();
}

void SimStub::Impl::deliver(OutList& out) {
    std::vector<ConnPtr> done;
    for (const ConnPtr& c : out.conns()) {
        if (std::find(done.begin(), done.end(), c) == done.end()) {
            drain(c);
            done.push_back(c);
        }
    }
    out.clear();
}

void SimStub::Impl::drain(const ConnPtr& c) {
    // Whoever holds the send mutex writes everything queued so far, so a producer that gets it
    // after another finds its own messages written.
    std::lock_guard send(c->sendMutex);
    for (;;) {
        Conn::Queued q;
        {
            std::lock_guard lock(c->outboxMutex);
            if (c->outbox.empty()) {
                return;
            }
            q = std::move(c->outbox.front());
            c->outbox.pop_front();
        }
        if (c->fd < 0 || c->closeRequest != 0) {
            continue;
        }
        const std::string_view bytes = q.message.bytes;
        std::size_t from = 0;
        int failure = 0;
        std::vector<std::size_t> cuts = q.splitAt;
        cuts.push_back(bytes.size());
        for (std::size_t cut : cuts) {
            cut = std::min(cut, bytes.size());
            if (cut <= from) {
                continue;
            }
            failure = gf_sendAll(c->fd, bytes.substr(from, cut - from), scenario.sendTimeout);
            if (failure != 0) {
                break;
            }
            from = cut;
        }
        if (failure != 0) {
            requestClose(c, CloseKind::failed,
                         failure == EAGAIN ? std::string("send time-out")
                                           : fmt::format("send failed: {}", gf_errnoText(failure)));
            continue;
        }
        Lines lines;
        {
            std::lock_guard lock(mutex);
            MessageRecord r;
            r.conn = c->id;
            r.id = q.message.id;
            r.name = q.message.name;
            r.time = nowLocked();
            r.fields = std::move(q.message.fields);
            r.raw = std::move(q.message.bytes);
            const std::string fields = r.fields.format();
            lines.emplace_back(
                fmt::format("-> c{} {}{}{}", r.conn, r.name, fields.empty() ? "" : " ", fields),
                q.verbose);
            sentLog.push_back(std::move(r));
            trimLocked(sentLog, scenario.packetLimit);
            touchLocked();
        }
        emit(lines);
    }
}

double SimStub::Impl::nowLocked() const {
    if (scenario.clock == ClockMode::manual) {
        return manualNow;
    }
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - realStart;
    return real.count() * scenario.timeScale;
}

void SimStub::Impl::clockLoop() {
    using Clock = std::chrono::steady_clock;
    auto toReal = [&](double standIn) {
        return realStart + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(standIn / scenario.timeScale));
    };
    Clock::time_point nextFrame = realStart;
    double nextSecond = 1.0;
    std::unique_lock lock(mutex);
    while (!stopping) {
        Clock::time_point due = toReal(nextSecond);
        if (!framesPaused && frameHz > 0.0) {
            due = std::min(due, nextFrame);
        }
        if (!delayed.empty()) {
            due = std::min(due, toReal(delayed.begin()->first.first));
        }
        clockWake.wait_until(lock, due, [&] { return stopping || clockKick; });
        clockKick = false;
        if (stopping) {
            break;
        }
        OutList out(stopping);
        const Clock::time_point realNow = Clock::now();
        const double standInNow = nowLocked();
        while (!delayed.empty() && delayed.begin()->first.first <= standInNow) {
            Delayed action = delayed.begin()->second;
            delayed.erase(delayed.begin());
            runDelayedLocked(action, out);
        }
        if (standInNow >= nextSecond) {
            periodicAnswersLocked(out);
            nextSecond = std::floor(standInNow) + 1.0;
        }
        if (frameHz > 0.0 && realNow >= nextFrame) {
            const auto period = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(1.0 / frameHz));
            if (!framesPaused) {
                framesLocked(out);
            }
            nextFrame += period;
            if (nextFrame < realNow) {
                nextFrame = realNow + period; // fell behind: no burst of frames
            }
        }
        if (!out.conns().empty()) {
            touchLocked();
            lock.unlock();
            deliver(out);
            lock.lock();
        }
    }
}

// --- endpoints ---

std::uint16_t SimStub::ipv4Port() const {
    return impl_->ipv4;
}

std::uint16_t SimStub::ipv6Port() const {
    return impl_->ipv6;
}

std::filesystem::path SimStub::pipePath() const {
    return impl_->pipe;
}

void SimStub::writeClientConfig(const std::filesystem::path& folder) const {
    writeClientConfigFile(folder / "SimConnect.cfg");
}

void SimStub::writeClientConfigFile(const std::filesystem::path& file) const {
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path());
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" << ipv4Port() << "\n";
    if (!out) {
        throw std::runtime_error(fmt::format("cannot write {}", file.string()));
    }
}

std::vector<std::pair<std::string, std::string>> SimStub::registryPorts() const {
    std::vector<std::pair<std::string, std::string>> values;
    values.emplace_back("SimConnect_Port_IPv4", std::to_string(ipv4Port()));
    if (ipv6Port() != 0) {
        values.emplace_back("SimConnect_Port_IPv6", std::to_string(ipv6Port()));
    }
    return values;
}

void SimStub::writeRegistryPorts(const std::filesystem::path& file) const {
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path());
    }
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n";
    for (const auto& [name, value] : registryPorts()) {
        out << name << '=' << value << '\n';
    }
    if (!out) {
        throw std::runtime_error(fmt::format("cannot write {}", file.string()));
    }
}

} // namespace simstub

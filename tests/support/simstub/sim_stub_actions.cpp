// What the stand-in does with each packet, and the messages it builds for that.
#include "support/simstub/sim_stub_impl.h"
#include "support/simstub/wire.h"

#include <array>
#include <cmath>
#include <fmt/format.h>
#include <fstream>

namespace simstub {

namespace {

using Lines = std::vector<std::pair<std::string, bool>>;

constexpr std::array<std::string_view, 6> kSystemEvents = {
    "Sim", "ObjectAdded", "ObjectRemoved", "PositionChanged", "FlightLoaded", "Frame"};

constexpr std::array<std::string_view, 17> kClientEvents = {
    "GEAR_SET",
    "ENGINE_AUTO_START",
    "ENGINE_AUTO_SHUTDOWN",
    "THROTTLE_SET",
    "FLAPS_SET",
    "SPOILERS_SET",
    "NAV_LIGHTS_SET",
    "BEACON_LIGHTS_SET",
    "LANDING_LIGHTS_SET",
    "TAXI_LIGHTS_SET",
    "STROBES_SET",
    "LOGO_LIGHTS_SET",
    "CABIN_LIGHTS_SET",
    "ALL_LIGHTS_TOGGLE",
    "FREEZE_LATITUDE_LONGITUDE_SET",
    "FREEZE_ALTITUDE_SET",
    "FREEZE_ATTITUDE_SET",
};

template <std::size_t N>
std::optional<std::string> lf_canonical(const std::array<std::string_view, N>& names,
                                        std::string_view name) {
    for (std::string_view n : names) {
        if (gf_equalsNoCase(n, name)) {
            return std::string(n);
        }
    }
    return std::nullopt;
}

std::uint32_t lf_lightBit(std::string_view event) {
    if (event == "NAV_LIGHTS_SET") {
        return kLightNav;
    }
    if (event == "BEACON_LIGHTS_SET") {
        return kLightBeacon;
    }
    if (event == "LANDING_LIGHTS_SET") {
        return kLightLanding;
    }
    if (event == "TAXI_LIGHTS_SET") {
        return kLightTaxi;
    }
    if (event == "STROBES_SET") {
        return kLightStrobes;
    }
    if (event == "LOGO_LIGHTS_SET") {
        return kLightLogo;
    }
    if (event == "CABIN_LIGHTS_SET") {
        return kLightCabin;
    }
    return 0;
}

void lf_applyEvent(ObjectState& o, const std::string& event, std::uint32_t data) {
    if (event == "FREEZE_LATITUDE_LONGITUDE_SET") {
        o.frozenLatLon = data != 0;
    } else if (event == "FREEZE_ALTITUDE_SET") {
        o.frozenAltitude = data != 0;
    } else if (event == "FREEZE_ATTITUDE_SET") {
        o.frozenAttitude = data != 0;
    } else if (std::uint32_t bit = lf_lightBit(event); bit != 0) {
        o.lights = data != 0 ? (o.lights | bit) : (o.lights & ~bit);
    } else if (event == "ALL_LIGHTS_TOGGLE") {
        o.lights ^= 0x7F;
    } else if (event == "GEAR_SET") {
        o.gear = data;
    } else if (event == "FLAPS_SET") {
        o.flaps = data;
    } else if (event == "SPOILERS_SET") {
        o.spoilers = data;
    } else if (event == "THROTTLE_SET") {
        o.throttle = data;
    } else if (event == "ENGINE_AUTO_START") {
        o.engines = true;
    } else if (event == "ENGINE_AUTO_SHUTDOWN") {
        o.engines = false;
    }
}

// Great-circle distance in metres on the sphere of the system's geodesy.
double lf_distanceMetres(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kEarthNm = 3437.7468;
    constexpr double kRad = M_PI / 180.0;
    const double dLat = (lat2 - lat1) * kRad;
    const double dLon = (lon2 - lon1) * kRad;
    const double a =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    const double c = 2 * std::atan2(std::sqrt(a), std::sqrt(std::max(0.0, 1 - a)));
    return kEarthNm * c * 1852.0;
}

} // namespace

ObjectState* SimStub::Impl::findObjectLocked(std::uint32_t id) {
    auto it = objects.find(id == 0 ? 1 : id);
    return it == objects.end() ? nullptr : &it->second;
}

void SimStub::Impl::addErrorLocked(int conn, std::uint32_t sendId, std::uint32_t number,
                                   std::string rule, Lines& lines) {
    ProtocolError e;
    e.conn = conn;
    e.sendId = sendId;
    e.number = number;
    e.text = fmt::format("c{} #{} packet 0x{:02X}: {}", conn, sendId, number, rule);
    e.rule = std::move(rule);
    lines.emplace_back("PROTOCOL ERROR " + e.text, false);
    errors.push_back(std::move(e));
    if (scenario.packetLimit != 0 && errors.size() > scenario.packetLimit) {
        errors.erase(errors.begin());
    }
}

void SimStub::Impl::unframable(const ConnPtr& conn, std::string_view buffered, std::uint32_t size) {
    Lines lines;
    {
        std::lock_guard lock(mutex);
        const std::uint32_t sendId = buffered.size() >= 16 ? gf_readU32(buffered, 12) : 0;
        std::uint32_t number = buffered.size() >= 12 ? gf_readU32(buffered, 8) : 0;
        if (number >= kPacketIdBase && number - kPacketIdBase <= 0xFF) {
            number -= kPacketIdBase;
        }
        addErrorLocked(conn->id, sendId, number,
                       fmt::format("size {} cannot be framed (16 to {})", size, kMaxPacketSize),
                       lines);
        touchLocked();
    }
    emit(lines);
}

void SimStub::Impl::handlePacket(const ConnPtr& conn, std::string_view bytes) {
    OutList out(stopping);
    Lines lines;
    {
        std::lock_guard lock(mutex);
        DecodedPacket p = gf_decodePacket(bytes);
        PacketRecord r;
        r.conn = conn->id;
        r.sendId = p.sendId;
        r.number = p.number;
        r.name = p.name;
        r.time = nowLocked();
        r.fields = p.fields;
        r.raw = std::string(bytes);
        const std::string fields = r.fields.format();
        lines.emplace_back(fmt::format("{:.3f} c{} #{} {}{}{}", r.time, r.conn, r.sendId, r.name,
                                       fields.empty() ? "" : " ", fields),
                           false);
        packetLog.push_back(std::move(r));
        trimLocked(packetLog, scenario.packetLimit);

        std::uint32_t expected = conn->lastSendId + 1;
        if (expected == 0) {
            expected = 1;
        }
        if (p.sendId != expected) {
            addErrorLocked(conn->id, p.sendId, p.number,
                           fmt::format("send id {}, expected {}", p.sendId, expected), lines);
        }
        conn->lastSendId = p.sendId;
        if (conn->firstPacket && p.number != kPacketOpen) {
            addErrorLocked(conn->id, p.sendId, p.number, "first packet is not the Open", lines);
        }
        conn->firstPacket = false;
        for (std::string& problem : p.problems) {
            addErrorLocked(conn->id, p.sendId, p.number, std::move(problem), lines);
        }
        if (p.decoded) {
            actLocked(conn, p, bytes, out, lines);
        }
        touchLocked();
    }
    emit(lines);
    deliver(out);
}

Message SimStub::Impl::objectDataLocked(bool byType, std::uint32_t requestId,
                                        const ObjectState& object, std::uint32_t definitionId,
                                        const std::vector<DatumDecl>& decls, std::uint32_t entry,
                                        std::uint32_t outOf) const {
    Fields values;
    DatumContext context{&scenario, static_cast<double>(scenario.zuluStart) + nowLocked()};
    const std::string data = gf_packData(decls, object, context, values);
    return gf_objectDataMessage(byType, requestId, object.id, definitionId, entry, outOf,
                                static_cast<std::uint32_t>(decls.size()), data, values);
}

void SimStub::Impl::broadcastLocked(const std::string& systemEvent, std::optional<int> only,
                                    const std::function<Message(std::uint32_t)>& make, OutList& out,
                                    const Conn* except) {
    for (auto& [id, c] : conns) {
        if (!c->open || c.get() == except || (only && *only != id)) {
            continue;
        }
        if (std::optional<std::uint32_t> eventId = c->subscribed(systemEvent)) {
            out.push_back(Outgoing{c, make(*eventId), systemEvent == "Frame", {}});
        }
    }
}

void SimStub::Impl::deleteObjectLocked(std::uint32_t id, OutList& out, const Conn* except,
                                       const std::optional<ObjectEnd>& end) {
    auto it = objects.find(id);
    if (it == objects.end()) {
        return;
    }
    const bool keep = end.has_value() && it->second.kind == ObjectKind::ai;
    if (keep) {
        ObjectState& ended = endedObjects[id] = std::move(it->second);
        ended.end = end;
        refreshLocked(ended);
        endOrder.push_back(id);
    }
    objects.erase(it);
    for (auto d = delayed.begin(); d != delayed.end();) {
        d = d->second.objectId == id ? delayed.erase(d) : std::next(d);
    }
    for (auto& [cid, c] : conns) {
        for (auto p = c->periodic.begin(); p != c->periodic.end();) {
            p = p->second.objectId == id ? c->periodic.erase(p) : std::next(p);
        }
    }
    if (scenario.perObjectLimit != 0) {
        // A long run keeps only the tracks of the ended objects it still shows.
        eventLog.erase(id);
        writeLog.erase(id);
        if (!keep) {
            positionLog.erase(id);
        }
    }
    while (scenario.endedLimit != 0 && endOrder.size() > scenario.endedLimit) {
        const std::uint32_t oldest = endOrder.front();
        endOrder.pop_front();
        endedObjects.erase(oldest);
        eventLog.erase(oldest);
        positionLog.erase(oldest);
        writeLog.erase(oldest);
    }
    const std::uint32_t type = scenario.objectType;
    broadcastLocked(
        "ObjectRemoved", std::nullopt,
        [&](std::uint32_t eventId) { return gf_objectAddRemoveMessage(eventId, id, type); }, out,
        except);
}

void SimStub::Impl::refreshLocked(ObjectState& object) const {
    gf_refreshDerived(object, scenario.groundElevation,
                      gf_staticCgOf(&scenario, object.title).cgToGround);
}

void SimStub::Impl::scheduleLocked(double delaySeconds, Delayed action) {
    delayed.emplace(std::make_pair(nowLocked() + delaySeconds, delayedSeq++), action);
    clockKick = true;
    clockWake.notify_all();
}

void SimStub::Impl::runDelayedLocked(const Delayed& action, OutList& out) {
    if (action.kind == Delayed::Kind::resumeFrames) {
        framesPaused = false;
        return;
    }
    ObjectState* o = findObjectLocked(action.objectId);
    if (o == nullptr || o->kind == ObjectKind::user) {
        return;
    }
    if (action.kind == Delayed::Kind::atcId) {
        o->atcId = o->tail;
        return;
    }
    const std::uint32_t id = o->id;
    const std::uint32_t type = scenario.objectType;
    broadcastLocked(
        "ObjectAdded", std::nullopt,
        [&](std::uint32_t eventId) { return gf_objectAddRemoveMessage(eventId, id, type); }, out);
}

void SimStub::Impl::periodicAnswersLocked(OutList& out) {
    for (auto& [cid, c] : conns) {
        if (!c->open) {
            continue;
        }
        for (auto it = c->periodic.begin(); it != c->periodic.end();) {
            const ObjectState* o = findObjectLocked(it->second.objectId);
            auto def = c->definitions.find(it->second.definitionId);
            if (o == nullptr || def == c->definitions.end() || def->second.empty()) {
                it = c->periodic.erase(it);
                continue;
            }
            out.push_back(
                Outgoing{c,
                         objectDataLocked(false, it->first, *o, def->first, def->second, 1, 1),
                         true,
                         {}});
            ++it;
        }
    }
}

void SimStub::Impl::framesLocked(OutList& out) {
    ++frames;
    const auto rate = static_cast<float>(frameRate);
    broadcastLocked(
        "Frame", std::nullopt,
        [&](std::uint32_t eventId) { return gf_frameMessage(eventId, rate, 1.0F); }, out);
}

void SimStub::Impl::actLocked(const ConnPtr& conn, const DecodedPacket& p, std::string_view bytes,
                              OutList& out, Lines& lines) {
    const Fields& f = p.fields;
    auto exception = [&](std::uint32_t code, std::uint32_t index = 0) {
        out.push_back(Outgoing{conn, gf_exceptionMessage(code, p.sendId, index), false, {}});
    };
    auto protocolError = [&](std::string rule) {
        addErrorLocked(conn->id, p.sendId, p.number, std::move(rule), lines);
    };
    const double now = nowLocked();

    switch (p.number) {
    case kPacketOpen:
        conn->gotOpen = true;
        conn->openName = f.text("name");
        out.push_back(Outgoing{conn, gf_openMessage(openAnswer), false, {}});
        break;

    case kPacketSubscribeToSystemEvent: {
        std::optional<std::string> name = lf_canonical(kSystemEvents, f.text("name"));
        if (!name) {
            exception(kExceptionNameUnrecognized, 1);
            break;
        }
        conn->subscriptions[*name] = f.u32("eventId");
        if (*name == "Sim" && flightRunning) {
            out.push_back(
                Outgoing{conn, gf_eventMessage(kSystemEventGroup, f.u32("eventId"), 1), false, {}});
        }
        break;
    }

    case kPacketUnsubscribeFromSystemEvent: {
        bool found = false;
        for (auto it = conn->subscriptions.begin(); it != conn->subscriptions.end();) {
            if (it->second == f.u32("eventId")) {
                it = conn->subscriptions.erase(it);
                found = true;
            } else {
                ++it;
            }
        }
        if (!found) {
            exception(kExceptionUnrecognizedId);
        }
        break;
    }

    case kPacketAddToDataDefinition: {
        const DatumInfo* info = gf_findDatum(f.text("datum"));
        if (info == nullptr) {
            exception(kExceptionNameUnrecognized, 1);
            break;
        }
        if (!gf_equalsNoCase(info->units, f.text("units"))) {
            protocolError(fmt::format("datum {}: units {}, expected {}", gf_quoteText(info->name),
                                      gf_quoteText(f.text("units")), gf_quoteText(info->units)));
            exception(kExceptionNameUnrecognized, 2);
            break;
        }
        if (!gf_typeFitsKind(f.u32("type"), info->kind)) {
            protocolError(fmt::format("datum {}: type {} does not fit a {}",
                                      gf_quoteText(info->name), f.u32("type"),
                                      info->kind == DatumKind::number ? "number" : "text"));
            exception(kExceptionNameUnrecognized, 3);
            break;
        }
        conn->definitions[f.u32("definitionId")].push_back(
            DatumDecl{info->datum, std::string(info->name), f.u32("type")});
        break;
    }

    case kPacketClearDataDefinition:
        if (conn->definitions.erase(f.u32("definitionId")) == 0) {
            exception(kExceptionUnrecognizedId);
        }
        break;

    case kPacketMapClientEventToSimEvent: {
        std::optional<std::string> name = lf_canonical(kClientEvents, f.text("name"));
        if (!name) {
            exception(kExceptionNameUnrecognized, 1);
            break;
        }
        conn->mappedEvents[f.u32("eventId")] = *name;
        break;
    }

    case kPacketAddClientEventToNotificationGroup:
        conn->groups[f.u32("group")].emplace_back(f.u32("eventId"), f.u32("maskable"));
        break;

    case kPacketSetNotificationGroupPriority:
        conn->priorities[f.u32("group")] = f.u32("priority");
        break;

    case kPacketRequestDataOnSimObject: {
        const std::uint32_t requestId = f.u32("requestId");
        const std::uint32_t period = f.u32("period");
        if (period == 0) {
            conn->periodic.erase(requestId);
            break;
        }
        const ObjectState* o = findObjectLocked(f.u32("objectId"));
        auto def = conn->definitions.find(f.u32("definitionId"));
        if (o == nullptr || def == conn->definitions.end() || def->second.empty()) {
            exception(kExceptionUnrecognizedId);
            break;
        }
        conn->periodic.erase(requestId);
        out.push_back(
            Outgoing{conn,
                     objectDataLocked(false, requestId, *o, def->first, def->second, 1, 1),
                     period == 4,
                     {}});
        if (period == 4) {
            conn->periodic[requestId] = Conn::Periodic{def->first, o->id};
        }
        break;
    }

    case kPacketRequestDataOnSimObjectType: {
        auto def = conn->definitions.find(f.u32("definitionId"));
        if (def == conn->definitions.end() || def->second.empty()) {
            exception(kExceptionUnrecognizedId);
            break;
        }
        if (f.u32("objectType") != 2) {
            break;
        }
        const ObjectState& user = objects.at(1);
        const double radius = f.u32("radius");
        std::vector<const ObjectState*> within;
        for (const auto& [id, o] : objects) {
            if (lf_distanceMetres(user.latitude, user.longitude, o.latitude, o.longitude) <=
                radius) {
                within.push_back(&o);
            }
        }
        const auto n = static_cast<std::uint32_t>(within.size());
        for (std::uint32_t i = 0; i < n; ++i) {
            out.push_back(Outgoing{conn,
                                   objectDataLocked(true, f.u32("requestId"), *within[i],
                                                    def->first, def->second, i + 1, n),
                                   false,
                                   {}});
        }
        break;
    }

    case kPacketSetDataOnSimObject: {
        ObjectState* o = findObjectLocked(f.u32("objectId"));
        auto def = conn->definitions.find(f.u32("definitionId"));
        if (o == nullptr || def == conn->definitions.end() || def->second.empty()) {
            exception(kExceptionUnrecognizedId);
            break;
        }
        if (f.u32("count") != 1) {
            protocolError(fmt::format("array count {}, expected 1", f.u32("count")));
            break;
        }
        const std::optional<std::size_t> size = gf_fixedDataSize(def->second);
        if (size && f.u32("unitSize") != *size) {
            protocolError(fmt::format("unit size {}, definition {} holds {} bytes",
                                      f.u32("unitSize"), def->first, *size));
            break;
        }
        Fields values;
        std::string problem;
        if (!gf_unpackData(def->second, bytes.substr(kSetDataHeader), values, problem)) {
            protocolError(problem);
            break;
        }
        bool lat = false;
        bool lon = false;
        for (std::size_t i = 0; i < def->second.size(); ++i) {
            gf_applyDatum(def->second[i].datum, *o, values.items()[i].value);
            lat = lat || def->second[i].datum == Datum::latitude;
            lon = lon || def->second[i].datum == Datum::longitude;
        }
        WriteRecord w{now, frames, conn->id, def->first, std::move(values)};
        auto& writesOf = writeLog[o->id];
        writesOf.push_back(std::move(w));
        trimLocked(writesOf, scenario.perObjectLimit);
        if (lat && lon) {
            o->positionWritten = true;
            PositionRecord pos{
                now,         frames,   conn->id, o->latitude, o->longitude,
                o->altitude, o->pitch, o->bank,  o->heading,  std::chrono::system_clock::now()};
            auto& positionsOf = positionLog[o->id];
            positionsOf.push_back(pos);
            trimLocked(positionsOf, scenario.perObjectLimit);
        }
        break;
    }

    case kPacketTransmitClientEvent: {
        auto mapped = conn->mappedEvents.find(f.u32("eventId"));
        ObjectState* o = findObjectLocked(f.u32("objectId"));
        if (mapped == conn->mappedEvents.end() || o == nullptr) {
            exception(kExceptionUnrecognizedId);
            break;
        }
        EventRecord e{
            now,           conn->id,       o->id,         mapped->second, f.u32("eventId"),
            f.u32("data"), f.u32("group"), f.u32("flags")};
        auto& eventsOf = eventLog[o->id];
        eventsOf.push_back(e);
        trimLocked(eventsOf, scenario.perObjectLimit);
        lf_applyEvent(*o, mapped->second, f.u32("data"));
        break;
    }

    case kPacketAICreateNonATCAircraft: {
        const std::string& title = f.text("title");
        if (scenario.refusedTitles.count(title) != 0) {
            exception(kExceptionCreateObjectFailed);
            break;
        }
        if (objects.size() - 1 >= scenario.objectLimit) {
            exception(kExceptionTooManyObjects);
            break;
        }
        ObjectState o;
        o.id = nextObjectId++;
        o.kind = ObjectKind::ai;
        o.title = title;
        o.tail = f.text("tail");
        o.latitude = f.number("latitude");
        o.longitude = f.number("longitude");
        o.altitude = f.number("altitude");
        o.pitch = f.number("pitch") * M_PI / 180.0;
        o.bank = f.number("bank") * M_PI / 180.0;
        o.heading = f.number("heading") * M_PI / 180.0;
        o.onGround = f.u32("onGround") != 0;
        o.airspeed = f.u32("airspeed");
        o.owner = conn->id;
        o.atcId = scenario.atcIdDelay.count() > 0 ? std::string() : o.tail;
        const std::uint32_t id = o.id;
        objects[id] = std::move(o);
        if (scenario.atcIdDelay.count() > 0) {
            scheduleLocked(scenario.atcIdDelay.count() / 1000.0, Delayed{Delayed::Kind::atcId, id});
        }
        if (scenario.objectAddedDelay.count() > 0) {
            scheduleLocked(scenario.objectAddedDelay.count() / 1000.0,
                           Delayed{Delayed::Kind::objectAdded, id});
        } else {
            runDelayedLocked(Delayed{Delayed::Kind::objectAdded, id}, out);
        }
        break;
    }

    case kPacketAIReleaseControl: {
        ObjectState* o = findObjectLocked(f.u32("objectId"));
        if (o == nullptr) {
            exception(kExceptionUnrecognizedId);
            break;
        }
        o->released = true;
        EventRecord e{now, conn->id, o->id, "AIReleaseControl", 0, f.u32("requestId"), 0, 0};
        auto& eventsOf = eventLog[o->id];
        eventsOf.push_back(e);
        trimLocked(eventsOf, scenario.perObjectLimit);
        break;
    }

    case kPacketAIRemoveObject: {
        auto it = objects.find(f.u32("objectId"));
        if (it == objects.end() || it->second.kind != ObjectKind::ai) {
            exception(kExceptionUnrecognizedId);
            break;
        }
        deleteObjectLocked(
            it->first, out, nullptr,
            ObjectEnd{EndKind::removed, conn->id, p.sendId, now, std::chrono::system_clock::now()});
        break;
    }

    case kPacketAISetAircraftFlightPlan: {
        ObjectState* o = findObjectLocked(f.u32("objectId"));
        if (o == nullptr) {
            exception(kExceptionUnrecognizedId);
            break;
        }
        o->flightPlanPath = f.text("path");
        o->flightPlanLines.clear();
        std::error_code ec;
        std::ifstream in;
        if (std::filesystem::is_regular_file(o->flightPlanPath, ec)) {
            in.open(o->flightPlanPath, std::ios::binary);
        }
        if (scenario.failFlightPlans || !in.is_open()) {
            exception(kExceptionLoadFlightPlanFailed);
            break;
        }
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            o->flightPlanLines.push_back(line);
        }
        if (in.bad()) {
            o->flightPlanLines.clear();
            exception(kExceptionLoadFlightPlanFailed);
        }
        break;
    }

    default:
        break;
    }
}

} // namespace simstub

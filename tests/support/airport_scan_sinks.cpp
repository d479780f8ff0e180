#include "support/airport_scan_sinks.h"

#include <stdexcept>

namespace ksb::test {

namespace {

bool lf_sameStands(const std::vector<ParkPosition>& a, const std::vector<ParkPosition>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].latitude != b[i].latitude ||
            a[i].longitude != b[i].longitude || a[i].heading != b[i].heading ||
            a[i].radius != b[i].radius || a[i].cargo != b[i].cargo || a[i].ramp != b[i].ramp ||
            a[i].heli != b[i].heli) {
            return false;
        }
    }
    return true;
}

} // namespace

bool AirportSinkCall::operator==(const AirportSinkCall& other) const {
    return kind == other.kind && ident == other.ident && bglPath == other.bglPath &&
           line == other.line && airport.ident == other.airport.ident &&
           airport.airportName == other.airport.airportName &&
           airport.altitude == other.airport.altitude &&
           lf_sameStands(airport.stands, other.airport.stands);
}

void RecordingAirportScanSink::record(AirportSinkCall call) {
    const std::lock_guard lock(mutex_);
    const std::size_t index = calls_.size();
    calls_.push_back(std::move(call));
    if (throwOnCall && *throwOnCall == index) {
        throw std::runtime_error("sink failure");
    }
}

bool RecordingAirportScanSink::linkArchivedAirport(ScannedAirport& airport,
                                                   int& archivedStandCount,
                                                   std::string_view bglPath) {
    airport.bglPath = std::string(bglPath);
    airport.publisher = publisher;
    AirportSinkCall call;
    call.kind = AirportSinkCall::Kind::link;
    call.ident = airport.ident;
    call.bglPath = airport.bglPath;
    record(std::move(call));
    const auto answer = answers.find(airport.ident);
    archivedStandCount = answer == answers.end() ? 0 : answer->second.archivedStandCount;
    return answer != answers.end() && answer->second.linked;
}

void RecordingAirportScanSink::generateApf(ScannedAirport& airport) {
    AirportSinkCall call;
    call.kind = AirportSinkCall::Kind::generate;
    call.ident = airport.ident;
    call.airport = airport;
    record(std::move(call));
}

void RecordingAirportScanSink::addScanLogLine(std::string line) {
    AirportSinkCall call;
    call.line = std::move(line);
    record(std::move(call));
}

std::vector<AirportSinkCall> RecordingAirportScanSink::calls() const {
    const std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<AirportSinkCall> RecordingAirportScanSink::callsOf(AirportSinkCall::Kind kind) const {
    std::vector<AirportSinkCall> out;
    for (const AirportSinkCall& call : calls()) {
        if (call.kind == kind) {
            out.push_back(call);
        }
    }
    return out;
}

std::vector<ScannedAirport> RecordingAirportScanSink::generated() const {
    std::vector<ScannedAirport> out;
    for (const AirportSinkCall& call : callsOf(AirportSinkCall::Kind::generate)) {
        out.push_back(call.airport);
    }
    return out;
}

std::vector<std::string> RecordingAirportScanSink::lines() const {
    std::vector<std::string> out;
    for (const AirportSinkCall& call : callsOf(AirportSinkCall::Kind::line)) {
        out.push_back(call.line);
    }
    return out;
}

std::vector<std::string> RecordingAirportScanSink::linkedIdents() const {
    std::vector<std::string> out;
    for (const AirportSinkCall& call : callsOf(AirportSinkCall::Kind::link)) {
        out.push_back(call.ident);
    }
    return out;
}

bool CountingAirportScanSink::linkArchivedAirport(ScannedAirport& airport,
                                                  int& archivedStandCount,
                                                  std::string_view bglPath) {
    airport.bglPath = std::string(bglPath);
    airport.publisher = "unknown";
    archivedStandCount = 0;
    return false;
}

void CountingAirportScanSink::generateApf(ScannedAirport& airport) {
    ++airports;
    stands += static_cast<std::int64_t>(airport.stands.size());
}

void CountingAirportScanSink::addScanLogLine(std::string) {
    ++lines;
}

} // namespace ksb::test

// The BGL airport decoder on arbitrary file bytes, through the quick check and the decoder with
// a recording sink whose link answers depend on the ident. Only ksb::ByteReadError may leave the
// decoder; every stand must be usable (finite, in range, a parking radius strictly between 1 and
// 200 m); names are unique within an airport and at most seven share a base; decoding the same
// bytes twice gives the same calls.
#include "airports/bgl_decode.h"
#include "core/byte_cursor.h"
#include "support/airport_scan_sinks.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Links by the ident's letters, so both branches of the generate decision are reached.
class IdentSink final : public ksb::test::RecordingAirportScanSink {
public:
    bool linkArchivedAirport(ScannedAirport& airport, int& archivedStandCount,
                             std::string_view bglPath) override {
        const std::string& ident = airport.ident;
        answers[ident] = {ident.size() > 1 && ident[0] % 2 == 1, ident.size() > 1 ? ident[1] % 5 : 0};
        return RecordingAirportScanSink::linkArchivedAirport(airport, archivedStandCount, bglPath);
    }
};

std::vector<ksb::test::AirportSinkCall> lf_decode(std::span<const std::uint8_t> bytes) {
    IdentSink sink;
    try {
        lf_decodeBglBytes(bytes, "fuzz.bgl", sink);
    } catch (const ksb::ByteReadError&) {
    }
    return sink.calls();
}

void lf_checkAirport(const ScannedAirport& airport) {
    std::set<std::string> names;
    std::map<std::string, int> bases;
    for (const ParkPosition& stand : airport.stands) {
        lf_check(std::isfinite(stand.latitude) && std::isfinite(stand.longitude));
        lf_check(stand.latitude >= -90.0 && stand.latitude <= 90.0);
        lf_check(stand.longitude >= -180.0 && stand.longitude <= 180.0);
        lf_check(!(stand.latitude >= 0.0 && stand.latitude <= 0.0009 && stand.longitude >= 0.0 &&
                   stand.longitude <= 0.05));
        lf_check(std::isfinite(stand.heading) && std::isfinite(stand.radius));
        lf_check(!stand.relettered);
        if (!stand.heli) {
            // A float radius next to 1 or 200 lies a float step (1e-7) away, far beyond the
            // rounding of the metres-to-miles product, so the bounds are tested as they are.
            const double metres = stand.radius * 1852.0;
            lf_check(metres > 1.0 && metres < 200.0);
        }
        lf_check(names.insert(stand.name).second);
        std::string base = stand.name;
        if (!base.empty() && base.back() >= 'a' && base.back() <= 'f' && !stand.heli) {
            base.pop_back();
        }
        lf_check(++bases[base] <= 7);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)lf_hasAirportSection(bytes);
    const std::vector<ksb::test::AirportSinkCall> calls = lf_decode(bytes);
    for (const ksb::test::AirportSinkCall& call : calls) {
        if (call.kind == ksb::test::AirportSinkCall::Kind::generate) {
            lf_checkAirport(call.airport);
        }
    }
    lf_check(lf_decode(bytes) == calls);
    return 0;
}

#pragma once
// The stand-in's builders of live and parked traffic records, in the forms the service sends,
// and its generated sample traffic.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace rtstub {

// What a field can be turned into when it must arrive with a wrong JSON type.
enum class WrongType {
    text,    // a number as a text ("160"), a text as "12"
    number,  // 42
    boolean, // true
    object,  // {"v":1}
};

// A live record: a JSON array of 29 elements by the service's index table, starting from
//   ["4b1a2c",51.4706,-0.4619,271.0,3200,185,"1200","A","A320","G-EZAB",1765368000.5,"EGLL",
//    "LFPG","EZY12AB",null,1200,null,"adsb_icao",3250,null,210,null,null,4.5,null,268.9,null,
//    null,"A3"]
class LiveRecordBuilder {
public:
    LiveRecordBuilder();

    LiveRecordBuilder& set(std::size_t index, nlohmann::json value);
    // Every floating element with a whole value becomes a JSON integer (52.0 -> 52).
    LiveRecordBuilder& wholeNumbersAsIntegers();
    // The text "null" in the registration, departure, destination, callsign and category.
    LiveRecordBuilder& nullTexts();
    LiveRecordBuilder& squawk(std::string text);
    // Lengthened with nulls, or cut, to the size.
    LiveRecordBuilder& resize(std::size_t size);
    LiveRecordBuilder& wrongType(std::size_t index, WrongType kind);

    const nlohmann::json& json() const { return record_; }
    std::string text() const { return record_.dump(); }

private:
    nlohmann::json record_;
};

// A parked record's value: [lat, lon, stand, type, registration, last seen, callsign]; its key
// is the hex id.
class ParkedRecordBuilder {
public:
    ParkedRecordBuilder();

    ParkedRecordBuilder& set(std::size_t index, nlohmann::json value);
    // An eighth element, which the client ignores.
    ParkedRecordBuilder& extraElement(nlohmann::json value = "extra");

    const nlohmann::json& json() const { return record_; }

private:
    nlohmann::json record_;
};

struct Box {
    double top = 0.0;
    double bottom = 0.0;
    double left = 0.0;
    double right = 0.0;
};

// The sample aircraft flying circles of 2 NM to the maximum radius (15 NM by default) around the
// centre at the time (seconds since 1970): (hex id, record) of those inside the box, ids counting
// up from 4b0001.
std::vector<std::pair<std::string, nlohmann::json>>
sampleLiveRecords(int count, std::uint32_t seed, double centreLatitude, double centreLongitude,
                  const Box& box, double time, double maxRadiusNm = 15.0);

// count parked records on stands "S1".."S<count>" within 1.5 NM of the centre, last seen
// k x 30 min before the time; every third without callsign and registration ("null"). Their ids
// follow those of firstId.
std::vector<std::pair<std::string, nlohmann::json>>
sampleParkedRecords(int count, std::uint32_t seed, double centreLatitude, double centreLongitude,
                    double time, std::uint32_t firstId);

} // namespace rtstub

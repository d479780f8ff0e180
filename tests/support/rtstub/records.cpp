#include "support/rtstub/records.h"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <random>
#include <string_view>

namespace rtstub {

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr std::array<std::string_view, 8> kTypes{"A320", "B738", "E190", "A321",
                                                 "B77W", "A333", "CRJ9", "DH8D"};
constexpr std::array<std::string_view, 6> kAirlines{"KLM", "DLH", "BAW", "AFR", "EZY", "RYR"};
constexpr std::array<std::string_view, 6> kAirports{"EHAM", "EGLL", "EDDF", "LFPG", "LEMD", "LIRF"};

double lf_round(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

std::string lf_letters(std::mt19937& rng, int count) {
    std::uniform_int_distribution<int> letter(0, 25);
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += static_cast<char>('A' + letter(rng));
    }
    return text;
}

} // namespace

LiveRecordBuilder::LiveRecordBuilder()
    : record_(nlohmann::json::parse(
          R"(["4b1a2c",51.4706,-0.4619,271.0,3200,185,"1200","A","A320","G-EZAB",1765368000.5,)"
          R"("EGLL","LFPG","EZY12AB",null,1200,null,"adsb_icao",3250,null,210,null,null,4.5,)"
          R"(null,268.9,null,null,"A3"])")) {}

LiveRecordBuilder& LiveRecordBuilder::set(std::size_t index, nlohmann::json value) {
    if (index >= record_.size()) {
        resize(index + 1);
    }
    record_[index] = std::move(value);
    return *this;
}

LiveRecordBuilder& LiveRecordBuilder::wholeNumbersAsIntegers() {
    for (nlohmann::json& element : record_) {
        if (element.is_number_float()) {
            const double value = element.get<double>();
            if (std::trunc(value) == value && std::fabs(value) < 9e15) {
                element = static_cast<std::int64_t>(value);
            }
        }
    }
    return *this;
}

LiveRecordBuilder& LiveRecordBuilder::nullTexts() {
    for (const std::size_t index : {9u, 11u, 12u, 13u, 28u}) {
        set(index, "null");
    }
    return *this;
}

LiveRecordBuilder& LiveRecordBuilder::squawk(std::string text) {
    return set(6, std::move(text));
}

LiveRecordBuilder& LiveRecordBuilder::resize(std::size_t size) {
    while (record_.size() < size) {
        record_.push_back(nullptr);
    }
    while (record_.size() > size) {
        record_.erase(record_.size() - 1);
    }
    return *this;
}

LiveRecordBuilder& LiveRecordBuilder::wrongType(std::size_t index, WrongType kind) {
    const nlohmann::json current = index < record_.size() ? record_[index] : nlohmann::json();
    switch (kind) {
    case WrongType::text:
        return set(index,
                   current.is_number() ? nlohmann::json(current.dump()) : nlohmann::json("12"));
    case WrongType::number:
        return set(index, 42);
    case WrongType::boolean:
        return set(index, true);
    case WrongType::object:
        return set(index, nlohmann::json{{"v", 1}});
    }
    return *this;
}

ParkedRecordBuilder::ParkedRecordBuilder()
    : record_(nlohmann::json::parse(
          R"([51.4706,-0.4619,"S12","A320","G-EZAB",1765368000,"EZY12AB"])")) {}

ParkedRecordBuilder& ParkedRecordBuilder::set(std::size_t index, nlohmann::json value) {
    while (record_.size() <= index) {
        record_.push_back(nullptr);
    }
    record_[index] = std::move(value);
    return *this;
}

ParkedRecordBuilder& ParkedRecordBuilder::extraElement(nlohmann::json value) {
    while (record_.size() < 7) {
        record_.push_back(nullptr);
    }
    record_.push_back(std::move(value));
    return *this;
}

std::vector<std::pair<std::string, nlohmann::json>>
sampleLiveRecords(int count, std::uint32_t seed, double centreLatitude, double centreLongitude,
                  const Box& box, double time, double maxRadiusNm) {
    std::vector<std::pair<std::string, nlohmann::json>> records;
    const double cosLatitude = std::max(std::cos(centreLatitude * kPi / 180.0), 0.01);
    for (int i = 0; i < count; ++i) {
        std::mt19937 rng(seed * 7919u + static_cast<std::uint32_t>(i));
        const double radius =
            std::uniform_real_distribution<double>(2.0, std::max(2.0, maxRadiusNm))(rng); // NM
        const double altitude =
            std::round(std::uniform_real_distribution<double>(1500.0, 35000.0)(rng) / 25.0) * 25.0;
        const double speed = std::round(140.0 + altitude / 100.0); // knots
        const double phase = std::uniform_real_distribution<double>(0.0, 2.0 * kPi)(rng);
        const double direction = std::uniform_int_distribution<int>(0, 1)(rng) == 0 ? 1.0 : -1.0;
        const std::string_view type = kTypes[static_cast<std::size_t>(i) % kTypes.size()];
        const std::string callsign =
            fmt::format("{}{}", kAirlines[static_cast<std::size_t>(i) % kAirlines.size()],
                        std::uniform_int_distribution<int>(100, 999)(rng));
        const std::string registration = "PH-" + lf_letters(rng, 3);
        const std::size_t from = static_cast<std::size_t>(i) % kAirports.size();
        const std::string_view departure = kAirports[from];
        const std::string_view destination = kAirports[(from + 1) % kAirports.size()];

        const double stamp = time - 0.25 * (i % 4);
        const double omega = speed / (radius * 3600.0); // radians per second
        const double period = 2.0 * kPi / omega;
        const double theta = phase + direction * omega * std::fmod(stamp, period);
        const double latitude = lf_round(centreLatitude + radius / 60.0 * std::cos(theta), 5);
        const double longitude =
            lf_round(centreLongitude + radius / 60.0 * std::sin(theta) / cosLatitude, 5);
        if (latitude > box.top || latitude < box.bottom || longitude < box.left ||
            longitude > box.right) {
            continue;
        }
        double track =
            std::atan2(direction * std::cos(theta), -direction * std::sin(theta)) * 180.0 / kPi;
        if (track < 0.0) {
            track += 360.0;
        }
        track = lf_round(track, 1);
        const double metresPerSecond = speed * 1852.0 / 3600.0;
        const double roll = lf_round(
            direction * std::atan(metresPerSecond * metresPerSecond / (9.81 * radius * 1852.0)) *
                180.0 / kPi,
            1);
        const std::string hex = fmt::format("{:06x}", 0x4b0001u + static_cast<unsigned>(i));
        nlohmann::json record = nlohmann::json::array();
        record.push_back(hex);
        record.push_back(latitude);
        record.push_back(longitude);
        record.push_back(track);
        record.push_back(static_cast<std::int64_t>(altitude));
        record.push_back(static_cast<std::int64_t>(speed));
        record.push_back(fmt::format("{:04}", 1000 + i % 7000));
        record.push_back("A");
        record.push_back(type);
        record.push_back(registration);
        record.push_back(stamp);
        record.push_back(departure);
        record.push_back(destination);
        record.push_back(callsign);
        record.push_back(nullptr);
        record.push_back(0);
        record.push_back(nullptr);
        record.push_back("adsb_icao");
        record.push_back(static_cast<std::int64_t>(altitude) + 50);
        record.push_back(nullptr);
        record.push_back(static_cast<std::int64_t>(speed));
        record.push_back(nullptr);
        record.push_back(nullptr);
        record.push_back(roll);
        record.push_back(nullptr);
        record.push_back(track);
        record.push_back(nullptr);
        record.push_back(nullptr);
        record.push_back(type == "B77W" || type == "A333" ? "A5" : "A3");
        records.emplace_back(hex, std::move(record));
    }
    return records;
}

std::vector<std::pair<std::string, nlohmann::json>>
sampleParkedRecords(int count, std::uint32_t seed, double centreLatitude, double centreLongitude,
                    double time, std::uint32_t firstId) {
    std::vector<std::pair<std::string, nlohmann::json>> records;
    const double cosLatitude = std::max(std::cos(centreLatitude * kPi / 180.0), 0.01);
    for (int k = 0; k < count; ++k) {
        std::mt19937 rng(seed * 104729u + static_cast<std::uint32_t>(k));
        const double radius = 0.2 + 1.3 * (k + 0.5) / count; // NM, below 1.5
        const double angle = k * 2.399963229728653;
        const double latitude = lf_round(centreLatitude + radius / 60.0 * std::cos(angle), 6);
        const double longitude =
            lf_round(centreLongitude + radius / 60.0 * std::sin(angle) / cosLatitude, 6);
        const bool anonymous = k % 3 == 2;
        const std::string registration = anonymous ? "null" : "PH-" + lf_letters(rng, 3);
        const std::string callsign =
            anonymous
                ? "null"
                : fmt::format("{}{}", kAirlines[static_cast<std::size_t>(k) % kAirlines.size()],
                              std::uniform_int_distribution<int>(100, 999)(rng));
        const std::string hex = fmt::format("{:06x}", firstId + static_cast<unsigned>(k));
        nlohmann::json record = nlohmann::json::array();
        record.push_back(latitude);
        record.push_back(longitude);
        record.push_back(fmt::format("S{}", k + 1));
        record.push_back(kTypes[static_cast<std::size_t>(k) % kTypes.size()]);
        record.push_back(registration);
        record.push_back(static_cast<std::int64_t>(std::floor(time)) - 1800 * k);
        record.push_back(callsign);
        records.emplace_back(hex, std::move(record));
    }
    return records;
}

} // namespace rtstub

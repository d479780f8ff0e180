#pragma once
// Element access for the service's array records (traffic and parked lines).
#include <cstddef>
#include <nlohmann/json.hpp>

namespace ksb {

// A short record reads as padded with nulls.
inline const nlohmann::json& gf_recordElement(const nlohmann::json& record, std::size_t index) {
    static const nlohmann::json null;
    return index < record.size() ? record[index] : null;
}

} // namespace ksb

#pragma once
// The base address "scheme://host[:port]" of a web service: the one set in process, else an
// environment variable read at first use, else a built-in default. One trailing '/' is dropped,
// so the paths below it join with their own '/'. Any thread may read it.
#include "core/ranked_mutex.h"

#include <optional>
#include <string>
#include <string_view>

namespace ksb {

class ServiceAddress {
public:
    // lockName names the (leaf) lock in rank reports; variable and fallback must outlive this.
    ServiceAddress(const char* lockName, const char* variable, std::string_view fallback)
        : mutex_(LockRank::leaf, lockName), variable_(variable), fallback_(fallback) {}
    ServiceAddress(const ServiceAddress&) = delete;
    ServiceAddress& operator=(const ServiceAddress&) = delete;

    std::string value();
    void set(std::string base);
    // Forgets the address set and the environment's, which is read again at the next use.
    void reset();

private:
    RankedMutex mutex_;
    const char* variable_;
    std::string_view fallback_;
    std::optional<std::string> set_;
    std::optional<std::string> fromEnvironment_;
};

} // namespace ksb

#pragma once
#include <optional>
#include <string>

namespace ksb::test {

// Sets (or, with nullopt, unsets) an environment variable and restores it at the end.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

} // namespace ksb::test

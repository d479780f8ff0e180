#pragma once
// Changes the process's current directory for the lifetime of the object. The current directory
// belongs to the whole process: only for tests that run no other thread meanwhile (ctest runs each
// test in its own process).
#include <filesystem>

namespace ksb::test {

class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& folder);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace ksb::test

#pragma once
// The named mutex that keeps a second copy of the program from running becomes an exclusive
// flock on <$XDG_RUNTIME_DIR, else /tmp>/<name>.lock, every character of the name other than
// A-Z a-z 0-9 . _ - replaced by '_'. The file is never deleted: removing it while another process
// waits on it would let two instances hold "the" lock.
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Holds the lock while it lives; the entry point keeps it until the process ends.
class InstanceLock {
public:
    InstanceLock() = default;
    explicit InstanceLock(int descriptor) noexcept : descriptor_(descriptor) {}
    ~InstanceLock();
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool holds() const noexcept { return descriptor_ >= 0; }

private:
    int descriptor_ = -1;
};

struct SingleInstanceResult {
    enum class Status { acquired, alreadyRunning, failed };
    Status status = Status::failed;
    // Holds the lock when acquired.
    InstanceLock lock;
    std::filesystem::path lockFile;
    // errno text when failed.
    std::string error;
};

// The lock file's path for a mutex name.
std::filesystem::path singleInstanceLockFile(std::string_view mutexName);

SingleInstanceResult acquireSingleInstance(std::string_view mutexName);

} // namespace platform

#include "platform/single_instance.h"

#include "platform/environment.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

bool lf_keptInName(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

} // namespace

InstanceLock::~InstanceLock() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

std::filesystem::path singleInstanceLockFile(std::string_view mutexName) {
    std::string name;
    for (const char c : mutexName) {
        // One '_' per character: the continuation bytes of a UTF-8 character add none.
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) {
            continue;
        }
        name += lf_keptInName(c) ? c : '_';
    }
    const std::filesystem::path folder(environmentValue("XDG_RUNTIME_DIR").value_or("/tmp"));
    return folder / (name + ".lock");
}

SingleInstanceResult acquireSingleInstance(std::string_view mutexName) {
    SingleInstanceResult result;
    result.lockFile = singleInstanceLockFile(mutexName);
    int descriptor = -1;
    do {
        descriptor = ::open(result.lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        result.error = std::generic_category().message(errno);
        return result;
    }
    InstanceLock lock(descriptor);
    int status = 0;
    do {
        status = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (status != 0 && errno == EINTR);
    if (status != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            result.status = SingleInstanceResult::Status::alreadyRunning;
        } else {
            result.error = std::generic_category().message(error);
        }
        return result;
    }
    result.status = SingleInstanceResult::Status::acquired;
    result.lock = std::move(lock);
    return result;
}

} // namespace platform

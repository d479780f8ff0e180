#include "platform/errors.h"

#include <cerrno>

namespace platform {

std::uint32_t win32ErrorFromErrno(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return 2;
    case ENOTDIR:
        return 3;
    case EACCES:
    case EPERM:
    case EISDIR:
        return 5;
    case ENAMETOOLONG:
        return 206;
    default:
        return 31;
    }
}

} // namespace platform

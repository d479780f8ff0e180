#include "platform/win32_error.h"

#include <cerrno>
#include <string>

namespace win32 {

namespace {

class Win32Category final : public std::error_category {
public:
    const char* name() const noexcept override { return "win32"; }

    std::string message(int code) const override {
        switch (code) {
        case 0:
            return "The operation completed successfully.";
        case 1:
            return "Incorrect function.";
        case 2:
            return "The system cannot find the file specified.";
        case 3:
            return "The system cannot find the path specified.";
        case 5:
            return "Access is denied.";
        case 6:
            return "The handle is invalid.";
        case 8:
            return "Not enough memory resources are available to process this command.";
        case 13:
            return "The data is invalid.";
        case 31:
            return "A device attached to the system is not functioning.";
        case 87:
            return "The parameter is incorrect.";
        case 206:
            return "The filename or extension is too long.";
        case 234:
            return "More data is available.";
        case 259:
            return "No more data is available.";
        case 1113:
            return "No mapping for the Unicode character exists in the target multi-byte code "
                   "page.";
        default:
            return "Unknown error " + std::to_string(code) + ".";
        }
    }
};

} // namespace

const std::error_category& systemCategory() noexcept {
    static const Win32Category category;
    return category;
}

} // namespace win32

namespace platform {

int win32ErrorFromErrno(int error) noexcept {
    switch (error) {
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

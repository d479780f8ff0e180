#include "platform/reg_exception.h"

#include "platform/win32_error.h"

namespace winreg {

RegException::RegException(std::int32_t errorCode, const std::string& message)
    : std::system_error(errorCode, win32::systemCategory(), message) {}

} // namespace winreg

#pragma once
// The two exception classes of the system. The numeric code is part of the message text.
#include <stdexcept>
#include <string>
#include <string_view>

namespace ksb {

// A condition the user must act on; shown on the error line.
class UserErrorException : public std::runtime_error {
public:
    UserErrorException(int code, std::string_view text);
};

// An internal or system failure.
class SysErrorException : public std::runtime_error {
public:
    SysErrorException(int code, std::string_view text);
};

} // namespace ksb

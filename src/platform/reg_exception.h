#pragma once
#include <cstdint>
#include <string>
#include <system_error>

namespace winreg {

// A failed registry call: what() is the message, ": " and the Win32 text of the code.
class RegException : public std::system_error {
public:
    RegException(std::int32_t errorCode, const std::string& message);
};

} // namespace winreg

#pragma once
// Win32 error codes as the system reports them, and the mapping from errno.
#include <system_error>

namespace win32 {

// Error category named "win32" whose messages are the Windows texts of the codes we produce.
const std::error_category& systemCategory() noexcept;

} // namespace win32

namespace platform {

// ENOENT 2, ENOTDIR 3, EACCES/EPERM/EISDIR 5, ENAMETOOLONG 206, anything else 31.
int win32ErrorFromErrno(int error) noexcept;

} // namespace platform

#pragma once
#include <string_view>

// Called inside a catch handler by thread bodies and top-level steps: shows the exception in
// flight on the error line and, for an unexpected standard error, asks for an exit with
// SYSTEM ERROR. Never throws.
void gf_reportException(std::string_view functionName) noexcept;

#pragma once
// The stdin commands of tools/rtstub: failures of the service on demand.
#include "support/rtstub/rt_stub.h"

#include <functional>
#include <string>
#include <string_view>

inline constexpr const char* kCommandHelp =
    "commands:\n"
    "  fail 401            the open session ends: data requests get 401 until the next login\n"
    "  fail 502 SECONDS    the live-traffic routes answer HTTP 502 for the real seconds\n"
    "  slow SECONDS        the next polled live-traffic answer comes after the real seconds\n"
    "  help, exit";

// Runs one line; prints what it did or why not. False once the line asks the program to end.
bool gf_runCommand(rtstub::RtStub& stub, std::string_view line,
                   const std::function<void(const std::string&)>& print);

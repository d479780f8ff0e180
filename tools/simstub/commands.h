#pragma once
// The stdin commands of tools/simstub; each mirrors a scripted control of SimStub.
#include "support/simstub/sim_stub.h"

#include <functional>
#include <set>
#include <string>
#include <string_view>

class CommandRunner {
public:
    using Print = std::function<void(const std::string&)>;
    CommandRunner(simstub::SimStub& stub, std::set<std::string> refused, Print print)
        : stub_(stub), refused_(std::move(refused)), print_(std::move(print)) {}
    // False once the line asks the program to end.
    bool run(std::string_view line);

private:
    simstub::SimStub& stub_;
    std::set<std::string> refused_;
    Print print_;
};

extern const char* const kCommandHelp;

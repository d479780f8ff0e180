#pragma once
// The stdin commands of tools/simstub; each mirrors a scripted control of SimStub.
#include "support/simstub/sim_stub.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

class CommandRunner {
public:
    using Print = std::function<void(const std::string&)>;
    // picture: the --picture file, the one `picture` without a file draws into.
    CommandRunner(simstub::SimStub& stub, std::set<std::string> refused, Print print,
                  std::optional<std::filesystem::path> picture = std::nullopt)
        : stub_(stub), refused_(std::move(refused)), print_(std::move(print)),
          picture_(std::move(picture)) {}
    // False once the line asks the program to end.
    bool run(std::string_view line);

private:
    simstub::SimStub& stub_;
    std::set<std::string> refused_;
    Print print_;
    std::optional<std::filesystem::path> picture_;
};

extern const char* const kCommandHelp;

#pragma once
// A program started by a test: posix_spawn (the test process runs stand-in threads, so it never
// forks without exec), its own working folder, an environment built from scratch and its output
// in files. Ended only by its pid.
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ksb::e2e {

using Environment = std::map<std::string, std::string>;

struct SpawnSpec {
    std::filesystem::path program;
    std::vector<std::string> args;
    std::filesystem::path workFolder;
    Environment environment; // the whole environment of the child
    std::filesystem::path stdoutFile;
    std::filesystem::path stderrFile;
};

class Process {
public:
    // Throws std::runtime_error naming the program when it cannot be started.
    explicit Process(const SpawnSpec& spec);
    // Kills (SIGKILL by pid) and reaps a process still running.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Polls for the exit until the deadline: the exit status, or 128 + the signal.
    std::optional<int> waitForExit(std::chrono::steady_clock::duration bound);
    std::optional<int> status() const { return status_; }
    void signal(int sig);
    void kill();

private:
    bool reap(bool block);

    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Children of this process that are still alive or not yet reaped (from /proc).
std::vector<pid_t> childrenOf(pid_t parent);

} // namespace ksb::e2e

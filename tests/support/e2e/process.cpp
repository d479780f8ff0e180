#include "support/e2e/process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <fstream>
#include <string>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ksb::e2e {

namespace {

constexpr auto kExitPollPeriod = std::chrono::milliseconds(10);

class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

Process::Process(const SpawnSpec& spec) {
    FileActions actions;
    posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), 1, spec.stdoutFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(actions.get(), 2, spec.stderrFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!spec.workFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(actions.get(), spec.workFolder.c_str());
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The test may block signals for its own threads; the child starts with none blocked.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> argvText{spec.program.string()};
    argvText.insert(argvText.end(), spec.args.begin(), spec.args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (const auto& [name, value] : spec.environment) {
        envText.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& e : envText) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    const int rc = posix_spawn(&pid_, spec.program.c_str(), actions.get(), &attributes, argv.data(),
                               envp.data());
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error(
            fmt::format("cannot start {}: {}", spec.program.string(), std::strerror(rc)));
    }
}

Process::~Process() {
    if (pid_ > 0 && !status_) {
        kill();
        reap(true);
    }
}

bool Process::reap(bool block) {
    if (status_) {
        return true;
    }
    int raw = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &raw, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r != pid_) {
        return false;
    }
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

bool Process::running() {
    return !reap(false);
}

std::optional<int> Process::waitForExit(std::chrono::steady_clock::duration bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(kExitPollPeriod);
    }
    return status_;
}

void Process::signal(int sig) {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, sig);
    }
}

void Process::kill() {
    signal(SIGKILL);
}

std::vector<pid_t> childrenOf(pid_t parent) {
    // /proc/<pid>/stat: "pid (comm) state ppid ..."; comm may hold blanks and parentheses.
    std::vector<pid_t> children;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // getline, not a stream-buffer iterator: a process that ends while it is read makes
        // the read fail (ESRCH), which the iterator would throw.
        std::ifstream in(entry.path() / "stat");
        std::string text;
        std::getline(in, text);
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos || close + 4 >= text.size()) {
            continue;
        }
        std::size_t pos = close + 4; // after ") S "
        const pid_t ppid = static_cast<pid_t>(std::strtol(text.c_str() + pos, nullptr, 10));
        if (ppid == parent) {
            children.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return children;
}

} // namespace ksb::e2e

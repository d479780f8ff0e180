#include "support/piped_program.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ksb::test {

namespace {
constexpr int kBoundMs = 10000;
}

PipedProgram::PipedProgram(std::string program, std::vector<std::string> args) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        std::vector<char*> argv;
        argv.push_back(program.data());
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
}

PipedProgram::~PipedProgram() {
    if (pid_ > 0 && !exited_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {in_, out_, err_, pidFd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void PipedProgram::write(const std::string& line) {
    const std::string text = line + "\n";
    if (in_ >= 0) {
        (void)!::write(in_, text.data(), text.size());
    }
}

void PipedProgram::closeStdin() {
    if (in_ >= 0) {
        ::close(in_);
        in_ = -1;
    }
}

std::string PipedProgram::line() {
    return readLine(out_, outBuffer_);
}
std::string PipedProgram::errorLine() {
    return readLine(err_, errBuffer_);
}

std::string PipedProgram::lineStartingWith(const std::string& prefix) {
    for (int i = 0; i < 200; ++i) {
        std::string l = line();
        if (l == "<none>" || l.rfind(prefix, 0) == 0) {
            return l;
        }
    }
    return "<none>";
}

void PipedProgram::signal(int sig) {
    if (pid_ > 0 && !exited_) {
        ::kill(pid_, sig);
    }
}

int PipedProgram::exitCode() {
    pollfd p{pidFd_, POLLIN, 0};
    if (::poll(&p, 1, kBoundMs) <= 0) {
        return -1;
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string PipedProgram::readLine(int fd, std::string& buffer) {
    for (;;) {
        const std::size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            std::string l = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return l;
        }
        pollfd p{fd, POLLIN, 0};
        if (fd < 0 || ::poll(&p, 1, kBoundMs) <= 0) {
            return "<none>";
        }
        char chunk[4096];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            return "<none>";
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

} // namespace ksb::test

#pragma once
// A program run by a test with pipes on stdin, stdout and stderr. Every wait is bounded (10 s),
// which only a failing test reaches; the program is killed at the end if it still runs.
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ksb::test {

class PipedProgram {
public:
    PipedProgram(std::string program, std::vector<std::string> args);
    ~PipedProgram();
    PipedProgram(const PipedProgram&) = delete;
    PipedProgram& operator=(const PipedProgram&) = delete;

    // Writes the line and a newline to stdin.
    void write(const std::string& line);
    void closeStdin();
    // The next stdout (stderr) line, or "<none>" at the time-out or the end.
    std::string line();
    std::string errorLine();
    // The first stdout line starting with the prefix, or "<none>".
    std::string lineStartingWith(const std::string& prefix);
    void signal(int sig);
    // The exit code (128 + signal when killed), or -1 when it does not end within 10 s.
    int exitCode();

private:
    static std::string readLine(int fd, std::string& buffer);

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1, pidFd_ = -1;
    bool exited_ = false;
    std::string outBuffer_, errBuffer_;
};

} // namespace ksb::test

#include "x_tools.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ksb::test {

namespace {

int lf_statusOf(int raw) {
    if (WIFEXITED(raw)) {
        return WEXITSTATUS(raw);
    }
    if (WIFSIGNALED(raw)) {
        return 128 + WTERMSIG(raw);
    }
    return -1;
}

std::vector<char*> lf_argvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    return argv;
}

// The number after "label" on a line of xwininfo's report.
std::optional<int> lf_field(const std::string& report, const std::string& label) {
    const std::size_t at = report.find(label);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::atoi(report.c_str() + at + label.size());
}

} // namespace

ToolResult runTool(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<std::string> args = argv;
    std::vector<char*> cargs = lf_argvOf(args);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, cargs[0], &actions, nullptr, cargs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    ToolResult result;
    if (spawned != 0) {
        ::close(pipeFds[0]);
        throw std::runtime_error(fmt::format("cannot start {}", argv.front()));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            result.out.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipeFds[0]);
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    result.status = lf_statusOf(raw);
    return result;
}

ui::Rgb Screen::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        throw std::out_of_range(fmt::format("pixel ({}, {}) outside the screen", x, y));
    }
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return ui::Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

Screen parsePpm(const std::string& bytes) {
    std::size_t pos = 0;
    // The next number of the header, past blanks and comments.
    auto number = [&]() {
        for (;;) {
            while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos]))) {
                ++pos;
            }
            if (pos < bytes.size() && bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n') {
                    ++pos;
                }
                continue;
            }
            break;
        }
        long value = 0;
        const std::size_t start = pos;
        while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9' && value < 100000) {
            value = value * 10 + (bytes[pos++] - '0');
        }
        if (pos == start) {
            throw std::runtime_error("bad PPM header");
        }
        return static_cast<int>(value);
    };
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') {
        throw std::runtime_error("not a binary PPM");
    }
    pos = 2;
    Screen screen;
    screen.width = number();
    screen.height = number();
    if (number() != 255) {
        throw std::runtime_error("PPM is not 8 bits per channel");
    }
    ++pos; // the single blank before the pixels
    const std::size_t size = static_cast<std::size_t>(screen.width) * screen.height * 3;
    if (bytes.size() - pos < size) {
        throw std::runtime_error("PPM is cut short");
    }
    screen.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                      bytes.begin() + static_cast<std::ptrdiff_t>(pos + size));
    return screen;
}

Screen captureScreen() {
    const ToolResult r = runTool({"import", "-window", "root", "-depth", "8", "ppm:-"});
    if (r.status != 0) {
        throw std::runtime_error(fmt::format("import failed with {}", r.status));
    }
    return parsePpm(r.out);
}

void savePng(const std::filesystem::path& path, int x, int y, int width, int height) {
    const ToolResult r =
        runTool({"import", "-window", "root", "-crop",
                 fmt::format("{}x{}+{}+{}", width, height, x, y), "+repage", path.string()});
    if (r.status != 0) {
        throw std::runtime_error(fmt::format("import failed with {}", r.status));
    }
}

std::optional<WindowGeometry> windowGeometry(unsigned long windowId) {
    const ToolResult r = runTool({"xwininfo", "-id", std::to_string(windowId)});
    if (r.status != 0) {
        return std::nullopt;
    }
    const auto x = lf_field(r.out, "Absolute upper-left X:");
    const auto y = lf_field(r.out, "Absolute upper-left Y:");
    const auto w = lf_field(r.out, "Width:");
    const auto h = lf_field(r.out, "Height:");
    if (!x || !y || !w || !h) {
        return std::nullopt;
    }
    return WindowGeometry{*x, *y, *w, *h};
}

std::optional<unsigned long> findWindow(const std::string& name) {
    const ToolResult r =
        runTool({"xdotool", "search", "--onlyvisible", "--name", fmt::format("^{}$", name)});
    if (r.status != 0 || r.out.empty()) {
        return std::nullopt;
    }
    return std::stoul(r.out);
}

void sendCloseRequest(unsigned long windowId) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        throw std::runtime_error("cannot open the display");
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = windowId;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, windowId, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
}

void clickAt(int x, int y) {
    // No --sync: it waits for a pointer that is already there. The server takes the move and
    // the click in order anyway.
    const ToolResult r =
        runTool({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    if (r.status != 0) {
        throw std::runtime_error("xdotool click failed");
    }
}

void typeText(const std::string& text) {
    if (runTool({"xdotool", "type", "--delay", "5", text}).status != 0) {
        throw std::runtime_error("xdotool type failed");
    }
}

void pressKey(const std::string& key) {
    if (runTool({"xdotool", "key", key}).status != 0) {
        throw std::runtime_error("xdotool key failed");
    }
}

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::filesystem::path& workFolder,
                           const std::map<std::string, std::string>& environment,
                           const std::filesystem::path& stderrFile) {
    // Everything the child needs is made before the fork: only async-signal-safe calls after.
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        if (environment.find(key) == environment.end()) {
            envStrings.push_back(entry);
        }
    }
    for (const auto& [key, value] : environment) {
        envStrings.push_back(key + "=" + value);
    }
    std::vector<char*> envp = lf_argvOf(envStrings);
    std::vector<std::string> args{program.string()};
    std::vector<char*> argv = lf_argvOf(args);
    const std::string work = workFolder.string();
    const std::string errPath = stderrFile.string();

    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (err < 0 || in < 0 || ::dup2(err, STDERR_FILENO) < 0 || ::dup2(in, STDIN_FILENO) < 0 ||
            ::chdir(work.c_str()) != 0) {
            ::_exit(126);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (running()) {
        terminate();
    }
}

bool ChildProcess::running() {
    if (status_ || pid_ <= 0) {
        return false;
    }
    int raw = 0;
    if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = lf_statusOf(raw);
        return false;
    }
    return true;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds bound) {
    if (status_ || pid_ <= 0) {
        return status_;
    }
    // The exit is an event: a pid descriptor becomes readable when the child ends.
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (pidFd >= 0) {
        pollfd fd{pidFd, POLLIN, 0};
        int ready = 0;
        do {
            ready = ::poll(&fd, 1, static_cast<int>(bound.count()));
        } while (ready < 0 && errno == EINTR);
        ::close(pidFd);
        running();
        return status_;
    }
    // Kernels without pid descriptors: a bounded poll.
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

void ChildProcess::terminate() {
    if (!running()) {
        return;
    }
    ::kill(pid_, SIGTERM);
    if (!waitForExit(std::chrono::seconds(10))) {
        ::kill(pid_, SIGKILL);
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
        status_ = lf_statusOf(raw);
    }
}

} // namespace ksb::test

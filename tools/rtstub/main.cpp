// tools/rtstub: the web-service stand-in as a program, for scripts/demo and for trying the
// system by hand against sample traffic.
#include "commands.h"
#include "options.h"

#include "support/rtstub/script.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

void lf_print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Runs the stdin commands until a signal, or the command exit; the end of stdin does not stop
// it, since scripts run it with stdin closed.
void lf_commandLoop(rtstub::RtStub& stub, int signalFd) {
    std::string pending;
    bool stdinOpen = true;
    for (;;) {
        pollfd fds[2] = {{stdinOpen ? 0 : -1, POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) <= 0) {
            continue;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        char chunk[4096];
        const ssize_t n = ::read(0, chunk, sizeof chunk);
        if (n <= 0) {
            stdinOpen = n < 0 && errno == EINTR;
            continue;
        }
        pending.append(chunk, static_cast<std::size_t>(n));
        std::size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!gf_runCommand(stub, line, lf_print)) {
                return;
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    ProgramOptions options;
    try {
        options = gf_parseOptions(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(kUsageText, stdout);
        return 0;
    }

    std::map<std::string, std::vector<rtstub::Reply>> script;
    if (options.script) {
        std::ifstream in(*options.script, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read the script %s\n", options.script->c_str());
            return 2;
        }
        try {
            script = rtstub::parseScript(std::string((std::istreambuf_iterator<char>(in)),
                                                     std::istreambuf_iterator<char>()));
        } catch (const std::runtime_error& e) {
            std::fprintf(stderr, "%s: %s\n", options.script->c_str(), e.what());
            return 2;
        }
    }
    std::ofstream log;
    if (options.log) {
        log.open(*options.log, std::ios::binary | std::ios::trunc);
        if (!log) {
            std::fprintf(stderr, "cannot write the log %s\n", options.log->c_str());
            return 2;
        }
    }

    // Every thread started below inherits the mask; the signals are read from a descriptor in
    // the command loop.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::fprintf(stderr, "rtstub: signalfd failed\n");
        return 1;
    }

    try {
        rtstub::RtStub stub(options.stub);
        if (options.updates) {
            stub.serveUpdateFolder(*options.updates);
        }
        for (const auto& [item, version] : options.updateVersions) {
            stub.setUpdateVersion(item, version);
        }
        for (const auto& [route, replies] : script) {
            stub.script(route, replies);
        }
        std::mutex logMutex;
        if (log.is_open()) {
            stub.onRequest([&](const rtstub::RequestRecord& request) {
                const nlohmann::json line{{"seq", request.seq},
                                          {"route", request.route},
                                          {"method", request.method},
                                          {"path", request.path},
                                          {"body", request.body},
                                          {"fault", request.fault}};
                std::lock_guard lock(logMutex);
                log << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
                log.flush();
            });
        }
        lf_print("rtstub listening on " + stub.baseUrl());
        if (options.day && options.stub.scene) {
            const auto& day = *options.day;
            const auto& traffic = *options.stub.scene;
            const double length = ksb::e2e::trafficDay::realLength(day);
            int peak = 0;
            for (double t = 0.0; t < length; t += 10.0) {
                peak = std::max(peak, ksb::e2e::trafficDay::inRange(traffic, t));
            }
            lf_print(fmt::format("rtstub traffic day {}: {:g} day hours in {:.0f} real s, {} "
                                 "flights, at most {} in range, {} parked records",
                                 day.seed, day.hours, length, traffic.flights.size(), peak,
                                 traffic.parked.size()));
        }
        lf_commandLoop(stub, signalFd);
        stub.stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rtstub: %s\n", e.what());
        return 1;
    }
    return 0;
}

// tools/simstub: the simulator stand-in as a program, for scripts/demo and for trying the
// system by hand without a simulator.
#include "commands.h"
#include "options.h"

#include "support/simstub/scenario_json.h"
#include "support/simstub/sim_stub.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fmt/format.h>
#include <mutex>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

std::mutex gOutputMutex;

void lf_print(const std::string& line) {
    std::lock_guard lock(gOutputMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void lf_printError(const std::string& line) {
    std::lock_guard lock(gOutputMutex);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = gf_parseOptions(argc, argv);
    } catch (const UsageError& e) {
        lf_printError(e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(kUsageText, stdout);
        return 0;
    }

    simstub::Scenario scenario = gf_startScenario(options);
    if (options.scenario) {
        try {
            scenario = simstub::gf_loadScenario(*options.scenario, scenario);
        } catch (const simstub::ScenarioError& e) {
            lf_printError(e.what());
            return 2;
        }
    }
    scenario.clock = simstub::ClockMode::real;
    if (options.port) {
        scenario.port = *options.port;
    }
    scenario.ipv6 = options.ipv6;
    if (options.pipeDir) {
        scenario.pipeDir = *options.pipeDir;
    }
    scenario.pipe = !options.noPipe;
    if (options.frameHz) {
        scenario.frameHz = *options.frameHz;
    }
    if (options.timeScale) {
        scenario.timeScale = *options.timeScale;
    }
    // Bounded records, so that a demo can run for hours.
    scenario.packetLimit = 100000;
    scenario.perObjectLimit = 1000;
    scenario.endedLimit = 200;

    // The signals are taken through a descriptor in the command loop; every thread started
    // below inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);

    const std::set<std::string> refused = scenario.refusedTitles;
    simstub::SimStub stub(std::move(scenario));
    const bool verbose = options.verbose;
    stub.setLineSink([verbose](const std::string& line, bool verboseOnly) {
        if (verbose || !verboseOnly) {
            lf_print(line);
        }
    });
    try {
        stub.start();
    } catch (const simstub::EndpointError& e) {
        lf_printError(fmt::format("simstub: {}", e.what()));
        return 1;
    }
    lf_print(fmt::format("simstub listening ipv4 127.0.0.1:{}", stub.ipv4Port()));
    if (options.ipv6) {
        lf_print(stub.ipv6Port() != 0
                     ? fmt::format("simstub listening ipv6 [::1]:{}", stub.ipv6Port())
                     : std::string("simstub ipv6 not available on this machine"));
    }
    if (!stub.pipePath().empty()) {
        lf_print(fmt::format("simstub listening pipe {}", stub.pipePath().string()));
    }
    if (options.cfgOut) {
        try {
            stub.writeClientConfigFile(*options.cfgOut);
        } catch (const std::exception& e) {
            lf_printError(
                fmt::format("simstub: cannot write {}: {}", options.cfgOut->string(), e.what()));
            stub.stop();
            return 1;
        }
    }
    lf_print("simstub ready");

    // The picture is drawn at once, every --picture-every real seconds and at the exit; the
    // stand-in prints its line each time.
    using Clock = std::chrono::steady_clock;
    const auto pictureEvery = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options.pictureEvery.value_or(5.0)));
    Clock::time_point nextPicture = Clock::now();
    auto drawWhenDue = [&] {
        if (options.picture && Clock::now() >= nextPicture) {
            stub.writePicture(*options.picture);
            nextPicture = std::max(nextPicture + pictureEvery, Clock::now());
        }
    };

    CommandRunner commands(stub, refused, lf_print, options.picture);
    std::string pending;
    bool stdinOpen = true;
    bool running = true;
    while (running) {
        drawWhenDue();
        int timeoutMs = 1000;
        if (options.picture) {
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextPicture - Clock::now());
            timeoutMs = static_cast<int>(std::clamp<std::int64_t>(wait.count() + 1, 0, 1000));
        }
        pollfd fds[2] = {{stdinOpen ? 0 : -1, POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (::poll(fds, 2, timeoutMs) <= 0) {
            continue;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            [[maybe_unused]] const ssize_t n = ::read(signalFd, &info, sizeof info);
            break;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            char chunk[4096];
            const ssize_t n = ::read(0, chunk, sizeof chunk);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                // Scripts run the program with stdin closed; that is no reason to stop.
                stdinOpen = false;
                continue;
            }
            pending.append(chunk, static_cast<std::size_t>(n));
            std::size_t end = 0;
            while (running && (end = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                running = commands.run(line);
            }
        }
    }
    if (options.picture) {
        stub.writePicture(*options.picture); // the last one, before the connections end
    }
    stub.stop();
    lf_print("simstub stopped");
    return 0;
}

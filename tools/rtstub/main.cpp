// tools/rtstub: the web-service stand-in as a program, for scripts/demo and for trying the
// system by hand against sample traffic.
#include "options.h"

#include "support/rtstub/script.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <pthread.h>

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

    // Every thread started below inherits the mask; the signals are taken by sigwait.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

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
        std::printf("rtstub listening on %s\n", stub.baseUrl().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&signals, &received);
        stub.stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rtstub: %s\n", e.what());
        return 1;
    }
    return 0;
}

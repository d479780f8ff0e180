#include "e2e_run.h"

#include "support/e2e/scene.h"
#include "support/e2e/traffic_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fmt/format.h>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ksb::e2e {

namespace {

fs::path lf_makeTemp(const fs::path& parent, const std::string& prefix) {
    fs::create_directories(parent);
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error(fmt::format("mkdtemp {} failed", pattern));
    }
    return pattern;
}

std::string lf_tail(const fs::path& file, std::size_t lines) {
    const std::vector<std::string> all = gf_completeLines(file);
    std::string out;
    for (std::size_t i = all.size() > lines ? all.size() - lines : 0; i < all.size(); ++i) {
        out += "    " + all[i] + "\n";
    }
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t last = text.rfind('\n');
    if (last + 1 < text.size()) {
        out += "    (incomplete) " + text.substr(last == std::string::npos ? 0 : last + 1) + "\n";
    }
    return out.empty() ? "    (empty or missing)\n" : out;
}

} // namespace

std::string gf_testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info != nullptr ? info->name() : "e2e";
}

std::string gf_fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

E2eRun::E2eRun(const std::string& testName) : name(testName) {
    // <T> beside the build; <P> short under /tmp, since a socket path holds at most 107 bytes.
    root = lf_makeTemp(fs::path(KSBY_E2E_RUNS_DIR), name + "-");
    pipeDir = lf_makeTemp("/tmp", "ksbyp");
    xvfb = std::make_unique<Xvfb>(
        std::chrono::duration_cast<std::chrono::milliseconds>(kStartBound), root / "xvfb.txt");
    driver = std::make_unique<WindowDriver>(xvfb->display());
    rt = std::make_unique<rtstub::RtStub>(scene::rtOptions());
}

E2eRun::~E2eRun() {
    if (program && program->running()) {
        if (options.trafficScene) {
            saveScreenshot();
        }
        // Through the window first, so that its log reaches the disk for the diagnostics.
        if (const auto w = driver->windows("KSBY_P3D"); !w.empty()) {
            driver->sendDelete(w.front());
        }
        const bool closed = program->waitForExit(kExitBound).has_value();
        ADD_FAILURE() << "the program still ran at the end of the test; "
                      << (closed ? "closed through its window" : "killed by pid ")
                      << (closed ? "" : std::to_string(program->pid()));
        if (!closed) {
            program->kill();
            program->waitForExit(std::chrono::seconds(5));
        }
        if (options.trafficScene) {
            savePicture();
        }
    }
    program.reset();
    sim.reset();
    rt.reset();
    driver.reset();
    xvfb.reset();
    std::error_code error;
    fs::remove_all(pipeDir, error);
    if (::testing::Test::HasFailure()) {
        std::cout << "e2e: the run's folder is kept: " << root.string() << std::endl;
    } else {
        fs::remove_all(root, error);
    }
}

void E2eRun::prepare(const RunOptions& runOptions) {
    options = runOptions;
    WorkFolderSpec spec;
    spec.root = root;
    spec.pipeDir = pipeDir;
    spec.licence = options.licence;
    spec.docs = options.docs;
    spec.airportsList = options.airportsList;
    spec.dayChecked = options.dayChecked;
    spec.components = options.components;
    spec.parameters = options.parameters;
    spec.trafficScene = options.trafficScene;
    folder = gf_buildWorkFolder(spec);
    if (options.trafficScene) {
        // Before the program starts, so that its first answer is the scene's second 0.
        rt = std::make_unique<rtstub::RtStub>(trafficScene::rtOptions());
    }
}

void E2eRun::startSim() {
    simstub::Scenario scenario = options.trafficScene
                                     ? trafficScene::simScenario(scene::kTestTimeScale)
                                     : scene::simScenario(scene::kTestTimeScale);
    scenario.flightRunning = options.simFlightRunning;
    scenario.pipeDir = pipeDir;
    scenario.pipe = !options.registryRoute;
    sim = std::make_unique<simstub::SimStub>(scenario);
    sim->start();
    if (options.registryRoute) {
        sim->writeRegistryPorts(folder.registry);
    }
}

void E2eRun::startProgram(bool withDisplay) {
    program = startAnother(folder, "", withDisplay);
}

std::unique_ptr<Process> E2eRun::startAnother(const WorkFolder& f, const std::string& tag,
                                              bool withDisplay) {
    SpawnSpec spec;
    spec.program = KSBY_P3D_PROGRAM;
    spec.workFolder = f.work;
    spec.environment =
        gf_programEnvironment(f, withDisplay ? xvfb->display() : std::string(), rt->baseUrl());
    for (const auto& [name, value] : options.environment) {
        spec.environment[name] = value;
    }
    if (!options.updateBase) {
        spec.environment.erase("KSBY_UPDATE_BASE");
    }
    spec.stdoutFile = tag.empty() ? f.stdoutFile : f.root / ("stdout-" + tag + ".txt");
    spec.stderrFile = tag.empty() ? f.stderrFile : f.root / ("stderr-" + tag + ".txt");
    return std::make_unique<Process>(spec);
}

std::string E2eRun::diagnostics(const std::string& awaited) const {
    std::string out = fmt::format("awaited: {}\n", awaited);
    out += fmt::format("Log.txt ({}), tail:\n{}", folder.log().string(), lf_tail(folder.log(), 40));
    out += fmt::format("trace, tail:\n{}", lf_tail(folder.trace, 30));
    out += fmt::format("stderr:\n{}", lf_tail(folder.stderrFile, 20));
    if (sim) {
        out += "simulator stand-in connections:\n";
        for (const simstub::ConnectionInfo& c : sim->connections()) {
            out += fmt::format("    c{} {} open={} gotOpen={} end=\"{}\"\n", c.id, c.endpoint,
                               c.open, c.gotOpen, c.endReason);
        }
        const auto packets = sim->packets();
        out += "simulator stand-in, last packets:\n";
        for (std::size_t i = packets.size() > 10 ? packets.size() - 10 : 0; i < packets.size();
             ++i) {
            out += fmt::format("    c{} {} at {:.1f}\n", packets[i].conn, packets[i].name,
                               packets[i].time);
        }
        out += "simulator stand-in, AI objects (id, tail, title, owner, end):\n";
        std::vector<simstub::ObjectState> objects = sim->endedObjects();
        for (simstub::ObjectState& o : sim->objects()) {
            if (o.kind == simstub::ObjectKind::ai) {
                objects.push_back(std::move(o));
            }
        }
        std::sort(objects.begin(), objects.end(),
                  [](const simstub::ObjectState& a, const simstub::ObjectState& b) {
                      return a.id < b.id;
                  });
        for (const simstub::ObjectState& o : objects) {
            std::string end = "-";
            if (o.end) {
                end = o.end->kind == simstub::EndKind::removed
                          ? fmt::format("removed by c{} (send id {}) at {:.1f}", o.end->conn,
                                        o.end->sendId, o.end->time)
                          : fmt::format("with c{} at {:.1f}", o.end->conn, o.end->time);
            }
            out += fmt::format("    {} {} \"{}\" c{} {}\n", o.id, o.tail, o.title, o.owner, end);
        }
        if (options.trafficScene) {
            out += fmt::format("picture: {}\n", pictureFile().string());
        }
    }
    if (rt) {
        const auto requests = rt->requests();
        out += "web stand-in, last requests:\n";
        for (std::size_t i = requests.size() > 10 ? requests.size() - 10 : 0; i < requests.size();
             ++i) {
            out += fmt::format("    #{} {} {} {}\n", requests[i].seq, requests[i].path,
                               requests[i].route, requests[i].body);
        }
    }
    out += fmt::format("folder: {}\n", root.string());
    return out;
}

void E2eRun::saveScreenshot() {
    try {
        driver->screenshot(screenshotFile());
    } catch (const std::exception& e) {
        ADD_FAILURE() << "screenshot " << screenshotFile().string() << ": " << e.what();
    }
}

void E2eRun::savePicture() {
    if (!sim) {
        return;
    }
    const simstub::PictureResult result = sim->writePicture(pictureFile());
    EXPECT_TRUE(result.written) << result.line;
}

void E2eRun::fail(const std::string& awaited) const {
    ADD_FAILURE() << diagnostics(awaited);
}

bool E2eRun::await(const std::function<bool()>& condition, const std::string& what,
                   Duration bound) {
    if (gf_pollUntil(condition, bound)) {
        return true;
    }
    fail(what);
    return false;
}

bool E2eRun::awaitLog(const std::string& text, Duration bound, std::size_t count) {
    if (logWatcher().waitFor(text, bound, count)) {
        return true;
    }
    fail(fmt::format("{} x Log.txt \"{}\"", count, text));
    return false;
}

bool E2eRun::awaitTrace(const std::string& line, Duration bound, std::size_t count) {
    const LineWatcher trace = traceWatcher();
    if (trace.waitUntil(
            [&](const std::vector<std::string>& lines) {
                return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line)) >=
                       count;
            },
            bound)) {
        return true;
    }
    fail(fmt::format("{} x trace \"{}\"", count, line));
    return false;
}

std::optional<unsigned long> E2eRun::awaitWindow() {
    window = driver->waitForWindow("KSBY_P3D", kStartBound);
    if (!window) {
        fail("the window \"KSBY_P3D\"");
    }
    return window;
}

std::optional<std::string> E2eRun::traceValue(const std::string& key) const {
    std::optional<std::string> value;
    const std::string prefix = key + "=";
    for (const std::string& line : gf_completeLines(folder.trace)) {
        if (line.rfind(prefix, 0) == 0) {
            value = line.substr(prefix.size());
        }
    }
    return value;
}

Rgb E2eRun::pixel(int x, int y) {
    if (!window) {
        return {};
    }
    const auto g = driver->geometry(*window);
    return g ? driver->pixel(g->x + x, g->y + y) : Rgb{};
}

bool E2eRun::probe(std::size_t expectedCount) {
    if (!sim) {
        fail("a simulator stand-in for the probe");
        return false;
    }
    const auto answers = [this] {
        std::size_t n = 0;
        for (const simstub::MessageRecord& m : sim->sent()) {
            n += m.name == "ObjectData" ? 1 : 0;
        }
        return n;
    };
    sim->sendSim(false);
    const std::size_t before = answers();
    if (!await([&] { return answers() >= before + 10; }, "ten per-second answers after Sim 0",
               scaled(std::chrono::seconds(5)))) {
        return false;
    }
    sim->sendSim(true);
    return awaitLog(" Flight not running", kFlushBound, expectedCount) &&
           awaitLog(" Flight resumed", kFlushBound, expectedCount);
}

void E2eRun::close() {
    if (!window) {
        window = driver->waitForWindow("KSBY_P3D", kStartBound);
    }
    if (!window) {
        fail("the window to close");
        return;
    }
    if (options.trafficScene) {
        saveScreenshot();
    }
    driver->sendDelete(*window);
}

void E2eRun::signal(int sig) {
    if (options.trafficScene) {
        saveScreenshot();
    }
    if (program) {
        program->signal(sig);
    }
}

void E2eRun::closeFromTheLoop() {
    close();
    awaitTrace("message=Close window button clicked, closing KSBY_P3D ...", kExitBound);
    expectCleanEnd(0, kExitBound, true);
}

std::optional<int> E2eRun::waitForExit(Duration bound) {
    if (!program) {
        return std::nullopt;
    }
    std::optional<int> status = program->waitForExit(bound);
    // The picture is drawn after the end, so that it shows how every object ended.
    const auto picture = [this] {
        if (options.trafficScene) {
            savePicture();
        }
    };
    if (status) {
        picture();
    } else {
        fail(fmt::format("the program's exit within {} ms",
                         std::chrono::duration_cast<std::chrono::milliseconds>(bound).count()));
        if (const auto w = driver->windows("KSBY_P3D"); !w.empty()) {
            driver->sendDelete(w.front());
        }
        if (!program->waitForExit(std::chrono::seconds(5))) {
            ADD_FAILURE() << "the program outlived its bound and its close; killed by pid "
                          << program->pid();
            program->kill();
            program->waitForExit(std::chrono::seconds(5));
        }
        picture();
    }
    return status;
}

void E2eRun::expectCleanEnd(int status, Duration bound, bool loggedIn, bool checkLastLine) {
    const std::optional<int> got = waitForExit(bound);
    EXPECT_EQ(got, std::optional<int>(status)) << diagnostics("the exit status");
    const std::vector<std::string> lines = log();
    if (checkLastLine) {
        // "Thu Dec 10 17:12:24 2026": the UTC time text closes the log.
        static const std::regex timeText(
            R"(^[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}$)");
        EXPECT_TRUE(!lines.empty() && std::regex_match(lines.back(), timeText))
            << diagnostics("the UTC time text as the last line");
    }
    EXPECT_EQ(logCount("Workers still running"), 0u) << diagnostics("no workers left");
    if (loggedIn) {
        const auto requests = rt->requests();
        const auto lastDeauth =
            std::find_if(requests.rbegin(), requests.rend(),
                         [](const rtstub::RequestRecord& r) { return r.route == "deauth"; });
        EXPECT_TRUE(lastDeauth != requests.rend()) << diagnostics("a log-out");
        if (lastDeauth != requests.rend()) {
            EXPECT_EQ(lastDeauth, requests.rbegin()) << diagnostics("nothing after the log-out");
        }
    }
    std::error_code error;
    EXPECT_TRUE(fs::is_empty(folder.home, error)) << diagnostics("HOME stays empty");
    std::vector<pid_t> children = childrenOf(::getpid());
    std::erase(children, xvfb->pid());
    EXPECT_TRUE(children.empty()) << diagnostics(
        fmt::format("no child left ({})", children.size()));
}

} // namespace ksb::e2e

// The program ksby_p3d on a virtual screen, each start in a temp working folder with its own
// data folder and instance-lock folder.
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "x_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace {

namespace fs = std::filesystem;
using ksb::test::ChildProcess;

constexpr auto kBound = std::chrono::seconds(10);
constexpr int kDefaultLeft = 400;
constexpr int kDefaultTop = 20;

std::set<std::string> lf_names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

ino_t lf_inode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class Program : public ::testing::Test {
protected:
    std::unique_ptr<ChildProcess> start(const std::string& name) {
        const std::map<std::string, std::string> environment{
            {"KSBY_APPDATA", data.path().string()},
            {"XDG_RUNTIME_DIR", runtime.path().string()},
        };
        return std::make_unique<ChildProcess>(KSBY_P3D_PROGRAM, work.path(), environment,
                                              errors / name);
    }

    // Polls for the window: nothing tells this process when another one maps a window.
    static std::optional<unsigned long> waitForWindow(ChildProcess& program) {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (std::chrono::steady_clock::now() < deadline && program.running()) {
            if (auto id = ksb::test::findWindow("KSBY_P3D")) {
                return id;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }

    // Polls the screen until the message strip is painted (green, or red under an error).
    static bool waitForPaint(int left, int top) {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (std::chrono::steady_clock::now() < deadline) {
            const ui::Rgb strip = ksb::test::captureScreen().at(left + 700, top + 470);
            if (strip == ui::Rgb{50, 205, 50} || strip == ui::Rgb{255, 0, 0}) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // What a start that showed no window left behind: its exit status and its stderr.
    std::string whyNoWindow(ChildProcess& program, const std::string& name) {
        const auto status = program.waitForExit(std::chrono::seconds(1));
        return "no window; exit status " + (status ? std::to_string(*status) : std::string("none")) +
               ", stderr: \"" + ksb::test::readBytes(errors / name) + "\"";
    }

    ksb::test::TempFolder work;
    ksb::test::TempFolder data;
    ksb::test::TempFolder runtime;
    ksb::test::TempFolder errors;
};

TEST_F(Program, ShowsItsWindowAndASecondStartTouchesNothing) {
    auto first = start("first.txt");
    const auto id = waitForWindow(*first);
    ASSERT_TRUE(id.has_value()) << whyNoWindow(*first, "first.txt");
    const auto geometry = ksb::test::windowGeometry(*id);
    ASSERT_TRUE(geometry.has_value());
    EXPECT_EQ(geometry->x, kDefaultLeft);
    EXPECT_EQ(geometry->y, kDefaultTop);
    EXPECT_EQ(geometry->width, 880);
    EXPECT_EQ(geometry->height, 516);
    ASSERT_TRUE(waitForPaint(geometry->x, geometry->y));
    ksb::test::savePng(fs::path(KSBY_SCREENSHOT_DIR) / "ksby_p3d_start.png", geometry->x,
                       geometry->y, 880, 516);

    const std::set<std::string> namesBefore = lf_names(work.path());
    ASSERT_TRUE(namesBefore.count("Log.txt"));
    const ino_t logBefore = lf_inode(work / "Log.txt");

    auto second = start("second.txt");
    EXPECT_EQ(second->waitForExit(kBound), 255);
    EXPECT_EQ(ksb::test::readBytes(errors / "second.txt"), "");
    // No rotation, no new file, the running copy's Log.txt still the same file.
    EXPECT_EQ(lf_names(work.path()), namesBefore);
    EXPECT_EQ(lf_inode(work / "Log.txt"), logBefore);

    EXPECT_TRUE(first->running());
    first->terminate();
}

TEST_F(Program, AStartThatCannotGoOnWritesOneStderrLineAndEndsWithStatusOne) {
    struct Case {
        const char* name;
        bool logIsAFolder;
        bool lockFolderMissing;
    };
    const Case cases[] = {
        {"Log.txt cannot be opened", true, false},
        {"the instance lock cannot be made", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::TempFolder folder;
        if (c.logIsAFolder) {
            fs::create_directory(folder / "Log.txt");
        }
        const std::map<std::string, std::string> environment{
            {"KSBY_APPDATA", data.path().string()},
            {"XDG_RUNTIME_DIR",
             c.lockFolderMissing ? (runtime / "missing").string() : runtime.path().string()},
        };
        ChildProcess program(KSBY_P3D_PROGRAM, folder.path(), environment, errors / "err.txt");
        EXPECT_EQ(program.waitForExit(kBound), 1);
        const std::string err = ksb::test::readBytes(errors / "err.txt");
        EXPECT_GT(err.size(), 1u);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.back(), '\n');
        // Nothing was rotated or created beside the folder named Log.txt.
        EXPECT_EQ(lf_names(folder.path()),
                  c.logIsAFolder ? std::set<std::string>{"Log.txt"} : std::set<std::string>{});
    }
}

TEST_F(Program, TheCloseButtonEndsItWithStatusZeroAndAClosedLog) {
    auto program = start("stderr.txt");
    const auto id = waitForWindow(*program);
    ASSERT_TRUE(id.has_value()) << whyNoWindow(*program, "stderr.txt");
    ksb::test::sendCloseRequest(*id);
    EXPECT_EQ(program->waitForExit(kBound), 0);
    // Written only by the flush at the end: a process killed instead leaves it empty.
    EXPECT_FALSE(ksb::test::readBytes(work / "Log.txt").empty());
}

} // namespace

namespace {

bool lf_fileContains(const fs::path& path, const std::string& text) {
    const auto bytes = ksb::test::readBytes(path);
    return std::string(bytes.begin(), bytes.end()).find(text) != std::string::npos;
}

TEST_F(Program, WithoutASimulatorItWaitsAndTheCloseButtonEndsIt) {
    // A new user's folder: the program's own, with its "docs".
    fs::create_directories(work.path() / "docs");
    auto program = start("stderr-new-user.txt");
    const auto id = waitForWindow(*program);
    ASSERT_TRUE(id.has_value()) << whyNoWindow(*program, "stderr-new-user.txt");
    // Still waiting for a simulator a moment later.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < deadline) {
        ASSERT_TRUE(program->running());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ksb::test::sendCloseRequest(*id);
    EXPECT_EQ(program->waitForExit(kBound), 0);
    const fs::path logFile = work.path() / "Log.txt";
    EXPECT_TRUE(lf_fileContains(logFile, "Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(lf_fileContains(logFile, "User closed KSBY_P3D"));
    const fs::path parameters = data.path() / "KSBY_P3D" / "parameters.xml";
    EXPECT_TRUE(lf_fileContains(parameters, "BLOCK_CALLSIGN"));
    EXPECT_FALSE(lf_fileContains(parameters, "SIM_TIME\" value=\"true"));
}

} // namespace

namespace {

// The names of the process's threads (/proc/<pid>/task/*/comm).
std::multiset<std::string> lf_threadNames(pid_t pid) {
    std::multiset<std::string> names;
    std::error_code ec;
    for (const auto& task :
         fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", ec)) {
        std::string name;
        try {
            name = ksb::test::readBytes(task.path() / "comm");
        } catch (const std::runtime_error&) {
            continue; // the thread ended meanwhile
        }
        while (!name.empty() && name.back() == '\n') {
            name.pop_back();
        }
        names.insert(name);
    }
    return names;
}

// Polls a condition on files the program writes (a file not yet there reads as not done).
bool lf_waitFor(ChildProcess& program, const std::function<bool()>& condition) {
    const auto done = [&] {
        try {
            return condition();
        } catch (const std::runtime_error&) {
            return false;
        }
    };
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (std::chrono::steady_clock::now() < deadline && program.running()) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// A folder without the aircraft database: start-up stops with its error and the window waits.
TEST_F(Program, SigtermEndsItLikeTheCloseButtonAndASecondOneChangesNothing) {
    fs::create_directories(work.path() / "docs");
    ksb::test::TempFolder home;
    ksb::test::TempFolder cache;
    const fs::path trace = errors / "trace.txt";
    const std::map<std::string, std::string> environment{
        {"KSBY_APPDATA", data.path().string()},    {"XDG_RUNTIME_DIR", runtime.path().string()},
        {"XDG_CACHE_HOME", cache.path().string()}, {"HOME", home.path().string()},
        {"KSBY_WINDOW_TRACE", trace.string()},
    };
    ChildProcess program(KSBY_P3D_PROGRAM, work.path(), environment, errors / "stderr.txt");
    ASSERT_TRUE(waitForWindow(program).has_value()) << whyNoWindow(program, "stderr.txt");
    // The first paint writes every value: the simulator block red, the service still pending.
    ASSERT_TRUE(lf_waitFor(program, [&] {
        return lf_fileContains(trace, "sim=red\n") && lf_fileContains(trace, "rt=black\n");
    })) << ksb::test::readBytes(trace);
    // The start-up error may already stand at the first paint.
    for (const char* line : {"message=", "error=", "simText=\n", "title=\n", "weather=3\n",
                             "traffic=3\n", "qnh=", "live=0\n", "liveries="}) {
        EXPECT_TRUE(lf_fileContains(trace, line)) << line;
    }
    // The GUI thread keeps the program's name.
    EXPECT_EQ(1u, lf_threadNames(program.pid()).count("ksby_p3d"));

    ASSERT_EQ(0, ::kill(program.pid(), SIGTERM));
    // The exit runs on its own thread for a second and a half at least; a second signal
    // then changes nothing.
    ASSERT_TRUE(
        lf_waitFor(program, [&] { return lf_threadNames(program.pid()).count("ksby-exit") == 1; }));
    ASSERT_EQ(0, ::kill(program.pid(), SIGTERM));

    EXPECT_EQ(program.waitForExit(kBound), 0);
    const fs::path logFile = work.path() / "Log.txt";
    EXPECT_TRUE(lf_fileContains(logFile, "Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(lf_fileContains(logFile, "User closed KSBY_P3D"));
    const std::string log = ksb::test::readBytes(logFile);
    EXPECT_EQ(std::string::npos,
              log.find("Exiting: USER CLOSED SIM", log.find("Exiting: USER CLOSED SIM") + 1));
    EXPECT_EQ("", ksb::test::readBytes(errors / "stderr.txt"));
    // Nothing of the program, its toolkit or its libraries lands in HOME.
    EXPECT_TRUE(fs::is_empty(home.path()));
}

TEST_F(Program, WithoutADisplayItLogsInitInstanceFailedAndEndsWithStatusOne) {
    struct Case {
        const char* name;
        const char* display;
        const char* stderrLine;
    };
    const Case cases[] = {
        {"DISPLAY empty", "",
         "initInstance failed: cannot open the X display (DISPLAY is not set)\n"},
        {"no server on the display", ":4711",
         "initInstance failed: cannot open the X display \":4711\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::TempFolder folder;
        fs::create_directories(folder.path() / "docs");
        const std::map<std::string, std::string> environment{
            {"KSBY_APPDATA", data.path().string()},
            {"XDG_RUNTIME_DIR", runtime.path().string()},
            {"DISPLAY", c.display},
        };
        ChildProcess program(KSBY_P3D_PROGRAM, folder.path(), environment, errors / "err.txt");
        EXPECT_EQ(program.waitForExit(kBound), 1);
        EXPECT_EQ(c.stderrLine, ksb::test::readBytes(errors / "err.txt"));
        const std::string log = ksb::test::readBytes(folder / "Log.txt");
        EXPECT_NE(std::string::npos, log.find(" (utc) KSBY_P3D version ")) << log;
        EXPECT_NE(std::string::npos, log.find("initInstance failed\n")) << log;
        // Nothing else started: no output folder of a worker.
        EXPECT_FALSE(fs::exists(folder / "output"));
    }
}

} // namespace

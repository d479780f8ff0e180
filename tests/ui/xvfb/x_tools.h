#pragma once
// What the smoke tests need of the X screen they run on: external tools (xdotool, xwininfo,
// ImageMagick's import), screen captures read as PPM, and child processes.
#include "ui/window_port.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ksb::test {

struct ToolResult {
    // The exit status, or 128 + the signal that ended the tool.
    int status = -1;
    std::string out;
};

// Runs a program found on PATH and waits for it; stdout is captured.
ToolResult runTool(const std::vector<std::string>& argv);

// A capture of the root window.
struct Screen {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    ui::Rgb at(int x, int y) const;
};

// Reads "P6" data as ImageMagick writes it; throws std::runtime_error on anything else.
Screen parsePpm(const std::string& bytes);
Screen captureScreen();
// Writes the part of the screen at (x, y) of the given size as a PNG to look at.
void savePng(const std::filesystem::path& path, int x, int y, int width, int height);

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
};
// Absolute position and size of a window as xwininfo reports it.
std::optional<WindowGeometry> windowGeometry(unsigned long windowId);
// The id of the first window whose name is exactly this, if one is mapped.
std::optional<unsigned long> findWindow(const std::string& name);

// The window manager's close request (WM_DELETE_WINDOW), sent from a connection of its own.
void sendCloseRequest(unsigned long windowId);

// Pointer and keyboard through xdotool, in root coordinates.
void clickAt(int x, int y);
void typeText(const std::string& text);
void pressKey(const std::string& key);

// A program started in its own working folder, ended by its pid when still running at the end.
class ChildProcess {
public:
    ChildProcess(const std::filesystem::path& program, const std::filesystem::path& workFolder,
                 const std::map<std::string, std::string>& environment,
                 const std::filesystem::path& stderrFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Waits for the exit up to the bound: the exit status (128 + signal when killed).
    std::optional<int> waitForExit(std::chrono::milliseconds bound);
    void terminate();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

} // namespace ksb::test

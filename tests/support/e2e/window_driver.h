#pragma once
// The window driver: talks to one X display through libX11, as a window manager and a user
// would: finds the top-level window by name, reads its geometry, sends WM_DELETE_WINDOW, reads
// pixels and saves screenshots.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ksb::e2e {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

class WindowDriver {
public:
    // Opens the display (":<n>"; empty: DISPLAY). Throws std::runtime_error when it cannot.
    explicit WindowDriver(const std::string& display = {});
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    // The top-level windows named exactly this.
    std::vector<unsigned long> windows(const std::string& name);
    std::size_t count(const std::string& name) { return windows(name).size(); }
    // Polls every 50 ms until a window of that name is mapped.
    std::optional<unsigned long> waitForWindow(const std::string& name,
                                               std::chrono::steady_clock::duration bound);
    // Position on the screen and size.
    std::optional<Geometry> geometry(unsigned long window);
    // The window manager's close request.
    void sendDelete(unsigned long window);
    // One pixel of the screen, in screen coordinates.
    Rgb pixel(int x, int y);
    // The part of the screen as a PNG file.
    void screenshot(const std::filesystem::path& file, int x, int y, int width, int height);
    void screenshot(const std::filesystem::path& file);

private:
    struct Impl;
    Impl* impl_;
};

// The PNG file of 8-bit RGB rows (no interlace, filter 0).
std::string gf_pngBytes(int width, int height, const std::vector<std::uint8_t>& rgb);

} // namespace ksb::e2e

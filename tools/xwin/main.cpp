// tools/xwin: finds the top-level window "KSBY_P3D" (or --name) on DISPLAY (or --display) and
// waits for it, reports its geometry, counts such windows, closes it as a window manager does,
// reads a pixel or saves a screenshot.
#include "support/e2e/window_driver.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fmt/format.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: xwin [--display :N] [--name NAME] [--timeout SECONDS] COMMAND\n"
    "  wait               wait for the window; prints its id\n"
    "  geometry           prints \"X Y WIDTH HEIGHT\"\n"
    "  count              prints the number of such windows\n"
    "  close              sends WM_DELETE_WINDOW\n"
    "  pixel X Y          prints \"R G B\" of a screen pixel\n"
    "  screenshot FILE    saves the window (the screen without one) as a PNG\n"
    "Exit status 0, 1 when the window is not there within the time-out, 2 on a usage error.\n";

bool lf_int(const std::string& text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv) {
    std::string display, name = "KSBY_P3D";
    int timeout = 10;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--display" || arg == "--name" || arg == "--timeout") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--display") {
                display = value;
            } else if (arg == "--name") {
                name = value;
            } else if (!lf_int(value, timeout) || timeout < 0) {
                std::fputs(kUsage, stderr);
                return 2;
            }
        } else if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            rest.push_back(arg);
        }
    }
    if (rest.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        ksb::e2e::WindowDriver driver(display);
        const std::string& command = rest[0];
        if (command == "count" && rest.size() == 1) {
            std::printf("%zu\n", driver.count(name));
            return 0;
        }
        if (command == "pixel" && rest.size() == 3) {
            int x = 0, y = 0;
            if (!lf_int(rest[1], x) || !lf_int(rest[2], y)) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            const ksb::e2e::Rgb p = driver.pixel(x, y);
            std::printf("%d %d %d\n", p.r, p.g, p.b);
            return 0;
        }
        const auto window = driver.waitForWindow(name, std::chrono::seconds(timeout));
        if (command == "screenshot" && rest.size() == 2) {
            if (!window) {
                driver.screenshot(rest[1]);
                return 0;
            }
            const auto g = driver.geometry(*window);
            driver.screenshot(rest[1], g->x, g->y, g->width, g->height);
            return 0;
        }
        if (!window) {
            std::fprintf(stderr, "xwin: no window \"%s\" within %d s\n", name.c_str(), timeout);
            return 1;
        }
        if (command == "wait" && rest.size() == 1) {
            std::printf("0x%lx\n", *window);
        } else if (command == "geometry" && rest.size() == 1) {
            const auto g = driver.geometry(*window);
            if (!g) {
                return 1;
            }
            std::printf("%d %d %d %d\n", g->x, g->y, g->width, g->height);
        } else if (command == "close" && rest.size() == 1) {
            driver.sendDelete(*window);
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xwin: %s\n", e.what());
        return 1;
    }
    return 0;
}

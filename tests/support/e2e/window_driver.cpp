#include "support/e2e/window_driver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fmt/format.h>
#include <zlib.h>

#include <fstream>
#include <stdexcept>
#include <thread>

namespace ksb::e2e {

namespace {

int lf_shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

void lf_put32(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v >> 24));
    out.push_back(static_cast<char>(v >> 16));
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

void lf_chunk(std::string& out, const char* type, const std::string& data) {
    lf_put32(out, static_cast<std::uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    lf_put32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                   static_cast<uInt>(body.size()))));
}

// X errors of a window that went away meanwhile are expected; they must not end the test.
int lf_ignoreError(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

std::string gf_pngBytes(int width, int height, const std::vector<std::uint8_t>& rgb) {
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');
        raw.append(reinterpret_cast<const char*>(rgb.data()) +
                       static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3,
                   static_cast<std::size_t>(width) * 3);
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
    packed.resize(size);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    lf_put32(header, static_cast<std::uint32_t>(width));
    lf_put32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    lf_chunk(png, "IHDR", header);
    lf_chunk(png, "IDAT", packed);
    lf_chunk(png, "IEND", {});
    return png;
}

struct WindowDriver::Impl {
    Display* display = nullptr;

    void collect(Window window, const std::string& name, std::vector<unsigned long>& out,
                 int depth) {
        char* title = nullptr;
        if (XFetchName(display, window, &title) != 0 && title != nullptr) {
            if (name == title) {
                XWindowAttributes a{};
                if (XGetWindowAttributes(display, window, &a) != 0 && a.map_state == IsViewable) {
                    out.push_back(window);
                }
            }
            XFree(title);
        }
        // Without a window manager top-level windows are children of the root; a frame of
        // a manager adds one level.
        if (depth >= 2) {
            return;
        }
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &n) == 0) {
            return;
        }
        for (unsigned int i = 0; i < n; ++i) {
            collect(children[i], name, out, depth + 1);
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
};

WindowDriver::WindowDriver(const std::string& display) : impl_(new Impl) {
    XSetErrorHandler(lf_ignoreError);
    impl_->display = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (impl_->display == nullptr) {
        delete impl_;
        throw std::runtime_error(fmt::format("cannot open the display \"{}\"", display));
    }
}

WindowDriver::~WindowDriver() {
    XCloseDisplay(impl_->display);
    delete impl_;
}

std::vector<unsigned long> WindowDriver::windows(const std::string& name) {
    std::vector<unsigned long> out;
    XSync(impl_->display, False);
    impl_->collect(DefaultRootWindow(impl_->display), name, out, 0);
    return out;
}

std::optional<unsigned long>
WindowDriver::waitForWindow(const std::string& name, std::chrono::steady_clock::duration bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        const std::vector<unsigned long> found = windows(name);
        if (!found.empty()) {
            return found.front();
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::optional<Geometry> WindowDriver::geometry(unsigned long window) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(impl_->display, window, &a) == 0) {
        return std::nullopt;
    }
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(impl_->display, window, DefaultRootWindow(impl_->display), 0, 0, &x, &y,
                          &child);
    return Geometry{x, y, a.width, a.height};
}

void WindowDriver::sendDelete(unsigned long window) {
    Display* d = impl_->display;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
}

Rgb WindowDriver::pixel(int x, int y) {
    Display* d = impl_->display;
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        throw std::runtime_error(fmt::format("cannot read the pixel ({},{})", x, y));
    }
    const unsigned long p = XGetPixel(image, 0, 0);
    const Rgb rgb{
        static_cast<std::uint8_t>((p & image->red_mask) >> lf_shiftOf(image->red_mask)),
        static_cast<std::uint8_t>((p & image->green_mask) >> lf_shiftOf(image->green_mask)),
        static_cast<std::uint8_t>((p & image->blue_mask) >> lf_shiftOf(image->blue_mask))};
    XDestroyImage(image);
    return rgb;
}

void WindowDriver::screenshot(const std::filesystem::path& file, int x, int y, int width,
                              int height) {
    Display* d = impl_->display;
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        throw std::runtime_error("cannot read the screen");
    }
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    const int rs = lf_shiftOf(image->red_mask), gs = lf_shiftOf(image->green_mask),
              bs = lf_shiftOf(image->blue_mask);
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const unsigned long p = XGetPixel(image, col, row);
            rgb.push_back(static_cast<std::uint8_t>((p & image->red_mask) >> rs));
            rgb.push_back(static_cast<std::uint8_t>((p & image->green_mask) >> gs));
            rgb.push_back(static_cast<std::uint8_t>((p & image->blue_mask) >> bs));
        }
    }
    XDestroyImage(image);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << gf_pngBytes(width, height, rgb);
    if (!out) {
        throw std::runtime_error(fmt::format("cannot write {}", file.string()));
    }
}

void WindowDriver::screenshot(const std::filesystem::path& file) {
    Display* d = impl_->display;
    screenshot(file, 0, 0, DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d)));
}

} // namespace ksb::e2e

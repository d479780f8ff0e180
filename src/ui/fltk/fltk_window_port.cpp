#include "ui/fltk/fltk_window_port.h"

#include "core/report_exception.h"
#include "ui/fltk/fltk_app.h"
#include "ui/fltk/fltk_canvas.h"
#include "ui/update_queue.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <thread>

namespace ui {

// Named rather than anonymous: Impl holds these types, and Impl has external linkage.
namespace fltk_port {

// The backstop for a lost wake: short enough that a late update is not noticed.
constexpr double kDrainInterval = 0.1;

const Fl_Color kFieldColour = fl_rgb_color(153, 204, 255);

// Nothing a window event throws may unwind through FLTK's C-style callbacks.
template <typename Step> void lf_dispatch(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        gf_reportException("lf_wndProc");
    }
}

// Edit fields and check boxes stand on light blue, enabled or not; a disabled one greys its
// frame and its text or mark only.
Fl_Color lf_frameColour(const Fl_Widget& widget) {
    return widget.active_r() ? FL_BLACK : fl_inactive(FL_BLACK);
}

// A check box whose mark follows the model only: FLTK flips the value before the callback, so
// the callback flips it back before it reports the click.
class CheckBox final : public Fl_Check_Button {
public:
    CheckBox(int x, int y, int w, int h) : Fl_Check_Button(x, y, w, h) {}

    void draw() override {
        fl_rectf(x(), y(), w(), h(), kFieldColour);
        fl_color(lf_frameColour(*this));
        fl_rect(x(), y(), w(), h());
        if (!value()) {
            return;
        }
        // A three-pixel tick, centred in the box.
        const int side = std::min(w(), h());
        const int tx = x() + (w() - side) / 2 + 3;
        const int tw = side - 6;
        const int d1 = tw / 3;
        const int d2 = tw - d1;
        int ty = y() + (h() - side) / 2 + (side + d2) / 2 - d1 - 2;
        for (int n = 0; n < 3; ++n, ++ty) {
            fl_line(tx, ty, tx + d1, ty + d1);
            fl_line(tx + d1, ty + d1, tx + tw - 1, ty + d1 - d2 + 1);
        }
    }
};

class EditField final : public Fl_Input {
public:
    EditField(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}

    void draw() override {
        if (active()) {
            Fl_Input::draw();
            return;
        }
        // FLTK would grey the whole field; draw it as an active one with greyed text and frame
        // instead. A disabled field has neither focus nor cursor, so nothing else reads the flag.
        const Fl_Color text = textcolor();
        textcolor(fl_inactive(text));
        clear_flag(INACTIVE);
        Fl_Input::draw();
        set_flag(INACTIVE);
        textcolor(text);
        fl_color(lf_frameColour(*this));
        fl_rect(x(), y(), w(), h());
    }
};

struct Control {
    Kind kind;
    Fl_Widget* widget;
};

FltkWindowPort::Impl* lf_livePort = nullptr;

} // namespace fltk_port

using namespace fltk_port;

struct FltkWindowPort::Impl {
    class Window final : public Fl_Double_Window {
    public:
        Window(Impl& impl, int x, int y, int w, int h)
            : Fl_Double_Window(x, y, w, h), impl_(impl) {}

        void draw() override {
            // Only children changed: they redraw themselves over the last paint.
            if (damage() & ~FL_DAMAGE_CHILD) {
                fl_rectf(0, 0, w(), h(), FL_BLACK);
                FltkCanvas canvas;
                ++impl_.paints;
                if (impl_.events != nullptr) {
                    lf_dispatch([&] { impl_.events->onPaint(canvas); });
                }
            }
            draw_children();
        }

    private:
        Impl& impl_;
    };

    Impl()
        : gui(std::this_thread::get_id()), queue([] { Fl::awake(&Impl::drainOnWake, nullptr); }) {}

    bool onGuiThread() const { return std::this_thread::get_id() == gui; }

    const Control* find(std::uint16_t id) const {
        auto it = controls.find(id);
        return it == controls.end() ? nullptr : &it->second;
    }

    void applyText(std::uint16_t id, const std::string& utf8) {
        const Control* c = find(id);
        if (c == nullptr) {
            return;
        }
        switch (c->kind) {
        case Kind::Edit:
            static_cast<Fl_Input*>(c->widget)->value(
                utf8.data(), static_cast<int>(std::min<std::size_t>(utf8.size(), INT_MAX)));
            break;
        case Kind::Button:
            c->widget->copy_label(utf8.c_str());
            c->widget->redraw();
            break;
        case Kind::CheckBox:
            // A check box shows no text.
            break;
        }
    }

    void applyChecked(std::uint16_t id, bool value) {
        const Control* c = find(id);
        if (c != nullptr && c->kind == Kind::CheckBox) {
            static_cast<Fl_Check_Button*>(c->widget)->value(value ? 1 : 0);
        }
    }

    void applyEnabled(std::uint16_t id, bool value) {
        const Control* c = find(id);
        if (c == nullptr) {
            return;
        }
        if (value) {
            c->widget->activate();
        } else {
            c->widget->deactivate();
        }
    }

    void applyRegion(Rect r) {
        if (!window) {
            return;
        }
        const int x1 = std::max(r.x1, 0);
        const int y1 = std::max(r.y1, 0);
        const int x2 = std::min(r.x2, window->w());
        const int y2 = std::min(r.y2, window->h());
        if (x2 > x1 && y2 > y1) {
            window->damage(FL_DAMAGE_ALL, x1, y1, x2 - x1, y2 - y1);
        }
    }

    // Asks a window manager, where one runs, to keep the window above the others.
    void applyTopmost(bool value) {
        if (!window || !window->shown() || fl_display == nullptr) {
            return;
        }
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = fl_xid(window.get());
        event.xclient.message_type = XInternAtom(fl_display, "_NET_WM_STATE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = value ? 1 : 0; // _NET_WM_STATE_ADD / _REMOVE
        event.xclient.data.l[1] =
            static_cast<long>(XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False));
        event.xclient.data.l[2] = 0;
        event.xclient.data.l[3] = 1; // a normal application
        XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(fl_display);
    }

    void drain() {
        UpdateBatch batch = queue.take();
        for (const auto& [id, text] : batch.texts) {
            applyText(id, text);
        }
        for (const auto& [id, value] : batch.checked) {
            applyChecked(id, value);
        }
        for (const auto& [id, value] : batch.enabled) {
            applyEnabled(id, value);
        }
        if (batch.topmost) {
            applyTopmost(*batch.topmost);
        }
        for (const auto& source : wakeSources) {
            lf_dispatch([&] { source.check(); });
        }
        for (const Rect& r : batch.regions) {
            applyRegion(r);
        }
        for (AppMessage message : batch.posts) {
            if (events != nullptr) {
                lf_dispatch([&] { events->onAppMessage(message); });
            }
        }
    }

    static void drainOnWake(void*) {
        if (lf_livePort != nullptr) {
            lf_livePort->drain();
        }
    }

    static void drainOnTimer(void* data) {
        static_cast<Impl*>(data)->drain();
        Fl::repeat_timeout(kDrainInterval, &Impl::drainOnTimer, data);
    }

    static void onWakeSource(FL_SOCKET, void* data) {
        lf_dispatch([&] { static_cast<const WakeSource*>(data)->check(); });
    }

    static void onWindowCallback(Fl_Widget*, void* data) {
        // FLTK routes Escape here as well; only the close button asks to close.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
            return;
        }
        auto* impl = static_cast<Impl*>(data);
        if (impl->events != nullptr) {
            lf_dispatch([&] { impl->events->onCloseRequested(); });
        }
    }

    static void onControlCallback(Fl_Widget* widget, void* data) {
        auto* impl = lf_livePort;
        const auto id = static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(data));
        if (impl == nullptr || impl->events == nullptr) {
            return;
        }
        const Control* c = impl->find(id);
        if (c == nullptr) {
            return;
        }
        switch (c->kind) {
        case Kind::CheckBox: {
            auto* box = static_cast<Fl_Check_Button*>(widget);
            box->value(!box->value());
            lf_dispatch([&] { impl->events->onCommand(id); });
            break;
        }
        case Kind::Button:
            lf_dispatch([&] { impl->events->onCommand(id); });
            break;
        case Kind::Edit:
            lf_dispatch([&] { impl->events->onEnter(id); });
            break;
        }
    }

    struct WakeSource {
        int fd;
        std::function<void()> check;
    };

    std::thread::id gui;
    UpdateQueue queue;
    // Stable addresses: FLTK holds a pointer to each.
    std::list<WakeSource> wakeSources;
    std::string createFailure;
    std::unique_ptr<Window> window;
    WindowEvents* events = nullptr;
    std::map<std::uint16_t, Control> controls;
    int quitCode = 0;
    int paints = 0;
    std::atomic<bool> topmost{false};
};

FltkWindowPort::FltkWindowPort() {
    fltkEnableThreads();
    impl_ = std::make_unique<Impl>();
    lf_livePort = impl_.get();
}

FltkWindowPort::~FltkWindowPort() {
    Fl::remove_timeout(&Impl::drainOnTimer, impl_.get());
    for (const auto& source : impl_->wakeSources) {
        Fl::remove_fd(source.fd);
    }
    // A wake still in FLTK's queue finds no port and does nothing.
    lf_livePort = nullptr;
    impl_->window.reset();
}

bool FltkWindowPort::create(std::string_view title, int x, int y, int w, int h,
                            WindowEvents& events) {
    if (impl_->window) {
        return false;
    }
    // FLTK would print its own message and exit(1) when it cannot open the display.
    if (fl_display == nullptr) {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            const char* name = XDisplayName(nullptr);
            impl_->createFailure =
                (name == nullptr || *name == '\0')
                    ? std::string("cannot open the X display (DISPLAY is not set)")
                    : "cannot open the X display \"" + std::string(name) + "\"";
            return false;
        }
        fl_open_display(display);
    }
    impl_->createFailure.clear();
    impl_->events = &events;
    impl_->window = std::make_unique<Impl::Window>(*impl_, x, y, w, h);
    Impl::Window& window = *impl_->window;
    window.end();
    window.copy_label(std::string(title).c_str());
    window.xclass("KSBY_P3D");
    window.color(FL_BLACK);
    window.box(FL_FLAT_BOX);
    window.size_range(w, h, w, h);
    window.callback(&Impl::onWindowCallback, impl_.get());
    lf_dispatch([&] { events.onCreate(); });
    return true;
}

std::string FltkWindowPort::createFailure() const {
    return impl_->createFailure;
}

void FltkWindowPort::addWakeSource(int fd, std::function<void()> check) {
    if (fd < 0 || !check) {
        return;
    }
    Impl::WakeSource& source =
        impl_->wakeSources.emplace_back(Impl::WakeSource{fd, std::move(check)});
    Fl::add_fd(fd, FL_READ, &Impl::onWakeSource, &source);
}

void FltkWindowPort::requestClose() {
    if (impl_->events != nullptr) {
        lf_dispatch([&] { impl_->events->onCloseRequested(); });
    }
}

void FltkWindowPort::addControl(const ControlSpec& spec) {
    if (!impl_->window) {
        return;
    }
    Fl_Group::current(nullptr);
    Fl_Widget* widget = nullptr;
    switch (spec.kind) {
    case Kind::CheckBox: {
        auto* box = new CheckBox(spec.x, spec.y, spec.w, spec.h);
        box->color(kFieldColour);
        box->clear_visible_focus();
        box->value(spec.checked ? 1 : 0);
        widget = box;
        break;
    }
    case Kind::Button: {
        auto* button = new Fl_Button(spec.x, spec.y, spec.w, spec.h);
        button->copy_label(spec.label.c_str());
        button->labelfont(FL_HELVETICA);
        button->labelsize(kFltkFontSize);
        button->clear_visible_focus();
        widget = button;
        break;
    }
    case Kind::Edit: {
        auto* input = new EditField(spec.x, spec.y, spec.w, spec.h);
        input->box(FL_BORDER_BOX);
        input->color(kFieldColour);
        input->textfont(FL_HELVETICA);
        input->textsize(kFltkFontSize);
        // Enter reports the field and is never inserted; nothing else calls back.
        input->when(FL_WHEN_ENTER_KEY_ALWAYS);
        widget = input;
        break;
    }
    }
    widget->callback(&Impl::onControlCallback,
                     reinterpret_cast<void*>(static_cast<std::uintptr_t>(spec.id)));
    if (!spec.enabled) {
        widget->deactivate();
    }
    impl_->window->add(widget);
    impl_->controls[spec.id] = Control{spec.kind, widget};
}

void FltkWindowPort::show() {
    if (!impl_->window) {
        return;
    }
    Impl::Window& window = *impl_->window;
    const int x = window.x();
    const int y = window.y();
    window.show();
    // FLTK creates a bordered window one pixel in from the screen's right and bottom edges (while
    // it still reports the place asked for); the stored place is where the user left it.
    if (const Window xid = fl_xid(&window); xid != 0 && fl_display != nullptr) {
        XMoveWindow(fl_display, xid, x, y);
        XFlush(fl_display);
    }
    if (impl_->topmost.load()) {
        impl_->applyTopmost(true);
    }
}

int FltkWindowPort::run() {
    if (!impl_->window) {
        return 0;
    }
    Fl::add_timeout(kDrainInterval, &Impl::drainOnTimer, impl_.get());
    impl_->drain();
    Fl::run();
    Fl::remove_timeout(&Impl::drainOnTimer, impl_.get());
    return impl_->quitCode;
}

void FltkWindowPort::quit(int code) {
    impl_->quitCode = code;
    if (impl_->window) {
        impl_->window->hide();
    }
}

Rect FltkWindowPort::windowRect() const {
    if (!impl_->window || !impl_->onGuiThread()) {
        return Rect{0, 0, 0, 0};
    }
    const Impl::Window& w = *impl_->window;
    return Rect{w.x(), w.y(), w.x() + w.w(), w.y() + w.h()};
}

std::string FltkWindowPort::text(std::uint16_t id) const {
    const Control* c = impl_->find(id);
    if (c == nullptr || !impl_->onGuiThread()) {
        return {};
    }
    switch (c->kind) {
    case Kind::Edit: {
        const auto* input = static_cast<const Fl_Input*>(c->widget);
        return std::string(input->value(), static_cast<std::size_t>(input->size()));
    }
    case Kind::Button:
        return c->widget->label() != nullptr ? std::string(c->widget->label()) : std::string();
    case Kind::CheckBox:
        break;
    }
    return {};
}

bool FltkWindowPort::checked(std::uint16_t id) const {
    const Control* c = impl_->find(id);
    if (c == nullptr || c->kind != Kind::CheckBox || !impl_->onGuiThread()) {
        return false;
    }
    return static_cast<const Fl_Check_Button*>(c->widget)->value() != 0;
}

bool FltkWindowPort::enabled(std::uint16_t id) const {
    const Control* c = impl_->find(id);
    return c != nullptr && impl_->onGuiThread() && c->widget->active();
}

void FltkWindowPort::setText(std::uint16_t id, std::string utf8) {
    if (!impl_->onGuiThread()) {
        impl_->queue.setText(id, std::move(utf8));
        return;
    }
    impl_->queue.discard(Property::text, id);
    impl_->applyText(id, utf8);
}

void FltkWindowPort::setChecked(std::uint16_t id, bool value) {
    if (!impl_->onGuiThread()) {
        impl_->queue.setChecked(id, value);
        return;
    }
    impl_->queue.discard(Property::checked, id);
    impl_->applyChecked(id, value);
}

void FltkWindowPort::setEnabled(std::uint16_t id, bool value) {
    if (!impl_->onGuiThread()) {
        impl_->queue.setEnabled(id, value);
        return;
    }
    impl_->queue.discard(Property::enabled, id);
    impl_->applyEnabled(id, value);
}

void FltkWindowPort::invalidate(Rect region) {
    if (!impl_->onGuiThread()) {
        impl_->queue.invalidate(region);
        return;
    }
    impl_->applyRegion(region);
}

void FltkWindowPort::post(AppMessage message) {
    // Posted messages run later, from the loop, on every thread alike.
    impl_->queue.post(message);
}

void FltkWindowPort::setTopmost(bool value) {
    impl_->topmost.store(value);
    if (!impl_->onGuiThread()) {
        impl_->queue.setTopmost(value);
        return;
    }
    impl_->applyTopmost(value);
}

bool FltkWindowPort::topmost() const {
    return impl_->topmost.load();
}

unsigned long FltkWindowPort::windowId() const {
    if (!impl_->window || !impl_->window->shown() || !impl_->onGuiThread()) {
        return 0;
    }
    return static_cast<unsigned long>(fl_xid(impl_->window.get()));
}

bool FltkWindowPort::drawn() const {
    const auto& window = impl_->window;
    return window && impl_->onGuiThread() && window->shown() && window->visible() &&
           impl_->paints > 0 && window->damage() == 0;
}

} // namespace ui

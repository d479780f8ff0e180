#include "support/fake_window_port.h"

namespace ksb::test {

FakeWindowPort::Widget* FakeWindowPort::findLocked(std::uint16_t id) {
    auto it = widgets_.find(id);
    if (it == widgets_.end()) {
        ++unknownWrites_;
        return nullptr;
    }
    return &it->second;
}

bool FakeWindowPort::create(std::string_view title, int x, int y, int w, int h,
                            ui::WindowEvents& events) {
    {
        std::lock_guard lock(mutex_);
        if (failCreate_) {
            return false;
        }
        events_ = &events;
        created_ = CreateCall{std::string(title), x, y, w, h};
        rect_ = ui::Rect{x, y, x + w, y + h};
    }
    // Without the lock: the events add controls through this port.
    events.onCreate();
    return true;
}

void FakeWindowPort::addControl(const ui::ControlSpec& spec) {
    std::lock_guard lock(mutex_);
    if (widgets_.find(spec.id) == widgets_.end()) {
        order_.push_back(spec.id);
    }
    widgets_[spec.id] = Widget{spec, spec.kind == ui::Kind::Button ? spec.label : std::string(),
                               spec.enabled, spec.checked};
}

void FakeWindowPort::show() {
    std::lock_guard lock(mutex_);
    shown_ = true;
}

int FakeWindowPort::run() {
    for (;;) {
        pump();
        std::function<bool()> idle;
        {
            std::lock_guard lock(mutex_);
            if (quitCode_) {
                return *quitCode_;
            }
            if (!queue_.empty()) {
                continue;
            }
            idle = idle_;
        }
        if (!idle || !idle()) {
            std::lock_guard lock(mutex_);
            return quitCode_ ? *quitCode_ : kRanDry;
        }
    }
}

void FakeWindowPort::quit(int code) {
    std::lock_guard lock(mutex_);
    quitCode_ = code;
}

ui::Rect FakeWindowPort::windowRect() const {
    std::lock_guard lock(mutex_);
    return rect_;
}

std::string FakeWindowPort::text(std::uint16_t id) const {
    std::lock_guard lock(mutex_);
    auto it = widgets_.find(id);
    return it == widgets_.end() ? std::string() : it->second.text;
}

bool FakeWindowPort::checked(std::uint16_t id) const {
    std::lock_guard lock(mutex_);
    auto it = widgets_.find(id);
    return it != widgets_.end() && it->second.checked;
}

void FakeWindowPort::setText(std::uint16_t id, std::string utf8) {
    std::lock_guard lock(mutex_);
    if (Widget* w = findLocked(id)) {
        w->text = std::move(utf8);
    }
}

void FakeWindowPort::setChecked(std::uint16_t id, bool value) {
    std::lock_guard lock(mutex_);
    if (Widget* w = findLocked(id)) {
        w->checked = value;
    }
}

void FakeWindowPort::setEnabled(std::uint16_t id, bool value) {
    std::lock_guard lock(mutex_);
    if (Widget* w = findLocked(id)) {
        w->enabled = value;
    }
}

void FakeWindowPort::invalidate(ui::Rect region) {
    std::lock_guard lock(mutex_);
    invalidated_.push_back(region);
}

void FakeWindowPort::post(ui::AppMessage message) {
    std::lock_guard lock(mutex_);
    posted_.push_back(message);
    queue_.push_back(message);
}

void FakeWindowPort::setTopmost(bool on) {
    std::lock_guard lock(mutex_);
    topmost_ = on;
}

void FakeWindowPort::failCreate(bool fail) {
    std::lock_guard lock(mutex_);
    failCreate_ = fail;
}

void FakeWindowPort::setUserText(std::uint16_t id, std::string text) {
    std::lock_guard lock(mutex_);
    auto it = widgets_.find(id);
    if (it != widgets_.end()) {
        it->second.text = std::move(text);
    }
}

void FakeWindowPort::setWindowRect(ui::Rect rect) {
    std::lock_guard lock(mutex_);
    rect_ = rect;
}

void FakeWindowPort::setIdleHook(std::function<bool()> hook) {
    std::lock_guard lock(mutex_);
    idle_ = std::move(hook);
}

std::size_t FakeWindowPort::pump() {
    std::size_t delivered = 0;
    for (;;) {
        std::vector<ui::AppMessage> batch;
        ui::WindowEvents* events = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (events_ == nullptr || queue_.empty()) {
                return delivered;
            }
            batch.swap(queue_);
            events = events_;
        }
        for (ui::AppMessage message : batch) {
            events->onAppMessage(message);
            ++delivered;
        }
    }
}

void FakeWindowPort::paint(ui::Canvas& canvas) {
    if (ui::WindowEvents* e = events()) {
        e->onPaint(canvas);
    }
}

ui::WindowEvents* FakeWindowPort::events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::optional<FakeWindowPort::CreateCall> FakeWindowPort::created() const {
    std::lock_guard lock(mutex_);
    return created_;
}

bool FakeWindowPort::shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

std::vector<ui::ControlSpec> FakeWindowPort::controls() const {
    std::lock_guard lock(mutex_);
    std::vector<ui::ControlSpec> out;
    for (std::uint16_t id : order_) {
        out.push_back(widgets_.at(id).spec);
    }
    return out;
}

std::optional<FakeWindowPort::Widget> FakeWindowPort::widget(std::uint16_t id) const {
    std::lock_guard lock(mutex_);
    auto it = widgets_.find(id);
    if (it == widgets_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::vector<ui::Rect> FakeWindowPort::invalidated() const {
    std::lock_guard lock(mutex_);
    return invalidated_;
}

void FakeWindowPort::clearInvalidated() {
    std::lock_guard lock(mutex_);
    invalidated_.clear();
}

std::optional<int> FakeWindowPort::quitCode() const {
    std::lock_guard lock(mutex_);
    return quitCode_;
}

std::optional<bool> FakeWindowPort::topmost() const {
    std::lock_guard lock(mutex_);
    return topmost_;
}

std::vector<ui::AppMessage> FakeWindowPort::posted() const {
    std::lock_guard lock(mutex_);
    return posted_;
}

std::size_t FakeWindowPort::pendingPosts() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::size_t FakeWindowPort::writesToUnknownIds() const {
    std::lock_guard lock(mutex_);
    return unknownWrites_;
}

} // namespace ksb::test

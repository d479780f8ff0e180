#include "ui/update_queue.h"

#include <algorithm>
#include <utility>

namespace ui {

namespace {

// Past this many distinct regions one bounding box repaints them all; it keeps a flood of
// small invalidations from growing the queue without bound.
constexpr std::size_t kMaxRegions = 32;

Rect lf_boundingBox(const std::vector<Rect>& regions) {
    Rect box = regions.front();
    for (const Rect& r : regions) {
        box.x1 = std::min(box.x1, r.x1);
        box.y1 = std::min(box.y1, r.y1);
        box.x2 = std::max(box.x2, r.x2);
        box.y2 = std::max(box.y2, r.y2);
    }
    return box;
}

} // namespace

bool UpdateBatch::empty() const {
    return texts.empty() && checked.empty() && enabled.empty() && !topmost && regions.empty() &&
           posts.empty();
}

UpdateQueue::UpdateQueue(Wake wake) : wake_(std::move(wake)) {}

template <typename Store> void UpdateQueue::write(Store&& store) {
    bool wakeNow = false;
    {
        std::lock_guard lock(mutex_);
        store(pending_);
        if (!wakeOutstanding_) {
            wakeOutstanding_ = true;
            wakeNow = true;
        }
    }
    // Outside the lock: the wake may take locks of its own.
    if (wakeNow && wake_) {
        wake_();
    }
}

void UpdateQueue::setText(std::uint16_t id, std::string utf8) {
    write([&](UpdateBatch& b) { b.texts[id] = std::move(utf8); });
}

void UpdateQueue::setChecked(std::uint16_t id, bool value) {
    write([&](UpdateBatch& b) { b.checked[id] = value; });
}

void UpdateQueue::setEnabled(std::uint16_t id, bool value) {
    write([&](UpdateBatch& b) { b.enabled[id] = value; });
}

void UpdateQueue::setTopmost(bool value) {
    write([&](UpdateBatch& b) { b.topmost = value; });
}

void UpdateQueue::invalidate(Rect region) {
    write([&](UpdateBatch& b) {
        if (std::find(b.regions.begin(), b.regions.end(), region) != b.regions.end()) {
            return;
        }
        b.regions.push_back(region);
        if (b.regions.size() > kMaxRegions) {
            const Rect box = lf_boundingBox(b.regions);
            b.regions.assign(1, box);
        }
    });
}

void UpdateQueue::post(AppMessage message) {
    write([&](UpdateBatch& b) { b.posts.push_back(message); });
}

void UpdateQueue::discard(Property property, std::uint16_t id) {
    std::lock_guard lock(mutex_);
    switch (property) {
    case Property::text:
        pending_.texts.erase(id);
        break;
    case Property::checked:
        pending_.checked.erase(id);
        break;
    case Property::enabled:
        pending_.enabled.erase(id);
        break;
    }
}

UpdateBatch UpdateQueue::take() {
    std::lock_guard lock(mutex_);
    UpdateBatch batch = std::exchange(pending_, UpdateBatch{});
    wakeOutstanding_ = false;
    return batch;
}

bool UpdateQueue::empty() const {
    std::lock_guard lock(mutex_);
    return pending_.empty();
}

} // namespace ui

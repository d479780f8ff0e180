#include "ui/update_queue.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using ui::AppMessage;
using ui::Property;
using ui::Rect;
using ui::UpdateQueue;

TEST(UpdateQueue, KeepsTheLastWritePerControlAndProperty) {
    UpdateQueue queue;
    queue.setText(1, "old");
    queue.setChecked(1, true);
    queue.setText(2, "two");
    queue.setText(1, "new");
    queue.setChecked(1, false);
    queue.setEnabled(1, false);
    queue.setEnabled(3, true);
    queue.setEnabled(1, true);
    queue.setTopmost(true);
    queue.setTopmost(false);

    const ui::UpdateBatch batch = queue.take();
    EXPECT_EQ(batch.texts, (std::map<std::uint16_t, std::string>{{1, "new"}, {2, "two"}}));
    EXPECT_EQ(batch.checked, (std::map<std::uint16_t, bool>{{1, false}}));
    EXPECT_EQ(batch.enabled, (std::map<std::uint16_t, bool>{{1, true}, {3, true}}));
    EXPECT_EQ(batch.topmost, false);
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(queue.take().empty());
}

TEST(UpdateQueue, PostsKeepEveryMessageInOrder) {
    UpdateQueue queue;
    queue.post(AppMessage::StartWorker);
    queue.post(AppMessage::EndProgram);
    queue.post(AppMessage::StartWorker);
    EXPECT_EQ(queue.take().posts,
              (std::vector<AppMessage>{AppMessage::StartWorker, AppMessage::EndProgram,
                                       AppMessage::StartWorker}));
}

TEST(UpdateQueue, RegionsAreKeptOnceAndAFloodBecomesOneBox) {
    UpdateQueue queue;
    queue.invalidate(Rect{0, 448, 880, 476});
    queue.invalidate(Rect{0, 28, 880, 112});
    queue.invalidate(Rect{0, 448, 880, 476});
    EXPECT_EQ(queue.take().regions,
              (std::vector<Rect>{Rect{0, 448, 880, 476}, Rect{0, 28, 880, 112}}));

    for (int i = 0; i < 40; ++i) {
        queue.invalidate(Rect{i, 100 + i, i + 5, 200 + i});
    }
    const std::vector<Rect> regions = queue.take().regions;
    ASSERT_FALSE(regions.empty());
    EXPECT_LE(regions.size(), 32u);
    // Whatever was merged, every region asked for is still covered.
    for (int i = 0; i < 40; ++i) {
        const Rect want{i, 100 + i, i + 5, 200 + i};
        bool covered = false;
        for (const Rect& r : regions) {
            covered = covered ||
                      (r.x1 <= want.x1 && r.y1 <= want.y1 && r.x2 >= want.x2 && r.y2 >= want.y2);
        }
        EXPECT_TRUE(covered) << i;
    }
}

TEST(UpdateQueue, DiscardDropsOnlyThatPropertyOfThatControl) {
    UpdateQueue queue;
    queue.setText(1, "a");
    queue.setText(2, "b");
    queue.setChecked(1, true);
    queue.setEnabled(1, true);
    queue.discard(Property::text, 1);
    queue.discard(Property::enabled, 1);
    queue.discard(Property::checked, 9);
    const ui::UpdateBatch batch = queue.take();
    EXPECT_EQ(batch.texts, (std::map<std::uint16_t, std::string>{{2, "b"}}));
    EXPECT_EQ(batch.checked, (std::map<std::uint16_t, bool>{{1, true}}));
    EXPECT_TRUE(batch.enabled.empty());
}

// One wake per drain, however many writes: the wake pipe of the toolkit can never fill.
TEST(UpdateQueue, WakesOnlyWhenWorkArrivesAfterADrain) {
    struct Case {
        const char* name;
        void (*write)(UpdateQueue&);
    };
    const Case cases[] = {
        {"text", [](UpdateQueue& q) { q.setText(5, "x"); }},
        {"checked", [](UpdateQueue& q) { q.setChecked(5, true); }},
        {"enabled", [](UpdateQueue& q) { q.setEnabled(5, true); }},
        {"topmost", [](UpdateQueue& q) { q.setTopmost(true); }},
        {"region",
         [](UpdateQueue& q) {
             q.invalidate(Rect{0, 0, 1, 1});
         }},
        {"post", [](UpdateQueue& q) { q.post(AppMessage::StartWorker); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int wakes = 0;
        UpdateQueue queue([&] { ++wakes; });
        c.write(queue);
        EXPECT_EQ(wakes, 1);
        c.write(queue);
        queue.setText(6, "y");
        queue.post(AppMessage::EndProgram);
        EXPECT_EQ(wakes, 1);
        queue.take();
        c.write(queue);
        EXPECT_EQ(wakes, 2);
    }
}

TEST(UpdateQueue, EmptyingByDiscardDoesNotAskForAnotherWake) {
    int wakes = 0;
    UpdateQueue queue([&] { ++wakes; });
    queue.setText(1, "a");
    queue.discard(Property::text, 1);
    ASSERT_TRUE(queue.empty());
    // The wake asked for is still on its way and will drain this one too.
    queue.setText(1, "b");
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(queue.take().texts.at(1), "b");
}

TEST(UpdateQueue, TheWakeRunsOutsideTheLock) {
    bool sawWork = false;
    UpdateQueue* self = nullptr;
    UpdateQueue queue([&] { sawWork = !self->empty(); });
    self = &queue;
    queue.setText(1, "a");
    EXPECT_TRUE(sawWork);
}

} // namespace

#include "ui/update_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using ui::AppMessage;
using ui::UpdateQueue;

constexpr int kWriters = 4;
constexpr int kWrites = 4000;

void lf_write(UpdateQueue& queue, int writer) {
    const auto id = static_cast<std::uint16_t>(writer);
    for (int i = 0; i < kWrites; ++i) {
        queue.setText(id, std::to_string(i));
        queue.setChecked(id, i % 2 == 1);
        queue.invalidate(ui::Rect{0, 448, 880, 476});
        // One writer posts, alternating, so its order can be checked.
        if (writer == 0 && i % 10 == 0) {
            queue.post(i % 20 == 0 ? AppMessage::StartWorker : AppMessage::EndProgram);
        }
    }
}

// With nobody draining, writers still finish and ask for a single wake.
TEST(UpdateQueueThreads, WritersNeverWaitForTheGuiThread) {
    std::atomic<int> wakes{0};
    UpdateQueue queue([&] { wakes.fetch_add(1); });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back(lf_write, std::ref(queue), w);
    }
    for (std::thread& t : writers) {
        t.join();
    }
    EXPECT_EQ(wakes.load(), 1);
    const ui::UpdateBatch batch = queue.take();
    for (int w = 0; w < kWriters; ++w) {
        SCOPED_TRACE(w);
        EXPECT_EQ(batch.texts.at(static_cast<std::uint16_t>(w)), std::to_string(kWrites - 1));
        EXPECT_TRUE(batch.checked.at(static_cast<std::uint16_t>(w)));
    }
    EXPECT_EQ(batch.regions.size(), 1u);
    EXPECT_EQ(batch.posts.size(), static_cast<std::size_t>(kWrites / 10));
}

// A GUI stand-in drains on the wake and on a short timeout while writers write: no value
// goes back to an older one, the newest of each control arrives, and posts keep their order.
TEST(UpdateQueueThreads, TheGuiThreadSeesTheNewestValuesAndEveryPostInOrder) {
    std::mutex wakeMutex;
    std::condition_variable wakeSignal;
    bool woken = false;
    std::atomic<int> wakes{0};
    UpdateQueue queue([&] {
        wakes.fetch_add(1);
        std::lock_guard lock(wakeMutex);
        woken = true;
        wakeSignal.notify_one();
    });

    std::atomic<bool> writersDone{false};
    std::map<std::uint16_t, int> shown;
    std::vector<AppMessage> delivered;
    int takes = 0;
    bool wentBack = false;
    std::thread gui([&] {
        for (;;) {
            const bool last = writersDone.load();
            {
                std::unique_lock lock(wakeMutex);
                // The timeout is the backstop for a lost wake, as in the window.
                wakeSignal.wait_for(lock, std::chrono::milliseconds(5), [&] { return woken; });
                woken = false;
            }
            ui::UpdateBatch batch = queue.take();
            ++takes;
            for (const auto& [id, text] : batch.texts) {
                const int value = std::stoi(text);
                auto [it, inserted] = shown.emplace(id, value);
                if (!inserted) {
                    wentBack = wentBack || value < it->second;
                    it->second = value;
                }
            }
            delivered.insert(delivered.end(), batch.posts.begin(), batch.posts.end());
            if (last && queue.empty()) {
                return;
            }
        }
    });

    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back(lf_write, std::ref(queue), w);
    }
    for (std::thread& t : writers) {
        t.join();
    }
    writersDone.store(true);
    gui.join();

    EXPECT_FALSE(wentBack);
    for (int w = 0; w < kWriters; ++w) {
        SCOPED_TRACE(w);
        EXPECT_EQ(shown.at(static_cast<std::uint16_t>(w)), kWrites - 1);
    }
    ASSERT_EQ(delivered.size(), static_cast<std::size_t>(kWrites / 10));
    for (std::size_t i = 0; i < delivered.size(); ++i) {
        EXPECT_EQ(delivered[i], i % 2 == 0 ? AppMessage::StartWorker : AppMessage::EndProgram) << i;
    }
    // At most one wake outstanding per drain.
    EXPECT_LE(wakes.load(), takes + 1);
}

} // namespace

#include "airports/scan_worker_pool.h"

#include "platform/thread_name.h"

#include <utility>

ScanWorkerPool::~ScanWorkerPool() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    ready_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void ScanWorkerPool::start(std::packaged_task<void()> task) {
    const std::lock_guard lock(mutex_);
    if (threads_.size() < size_) {
        try {
            threads_.emplace_back([this] { run(); });
        } catch (...) {
            if (threads_.empty()) {
                throw;
            }
        }
    }
    queue_.push_back(std::move(task));
    ready_.notify_one();
}

void ScanWorkerPool::run() {
    platform::setThreadName("ksby-scan");
    for (;;) {
        std::packaged_task<void()> task;
        {
            std::unique_lock lock(mutex_);
            // Ends when the pool closes; the walk has awaited every task by then.
            ready_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
    }
}

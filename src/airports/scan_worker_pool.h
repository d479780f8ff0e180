#pragma once
// The workers of one folder walk of the add-on scan: up to a fixed number of "ksby-scan"
// threads that take the walk's tasks in start order. Starting a thread per BGL file costs more
// than decoding most files; the pool's threads end when it is destroyed, after the walk has
// awaited every task.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

class ScanWorkerPool {
public:
    explicit ScanWorkerPool(std::size_t threads) : size_(threads < 1 ? 1 : threads) {}
    ~ScanWorkerPool();
    ScanWorkerPool(const ScanWorkerPool&) = delete;
    ScanWorkerPool& operator=(const ScanWorkerPool&) = delete;

    // Queues the task; adds a thread while there are fewer than the size. Throws
    // std::system_error, the task dropped, when no thread runs and none can start.
    void start(std::packaged_task<void()> task);

private:
    void run();

    const std::size_t size_;
    std::mutex mutex_; // guards the queue, closing_ and threads_; nothing else is taken under it
    std::condition_variable ready_;
    std::deque<std::packaged_task<void()>> queue_;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

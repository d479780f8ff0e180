#pragma once
// A std::mutex with a rank. In checked builds (debug, sanitizers) locking a rank that is not
// above the highest rank the thread already holds asserts, naming both mutexes, so a lock-order
// inversion shows in the first test that takes the wrong path rather than as a rare deadlock.
#include <mutex>

namespace ksb {

// Ranks, lowest first: a thread takes them in increasing order only.
enum class LockRank : int {
    traffic = 10,
    inbound = 20,
    sendQueue = 30,
    feed = 40,
    parametersFile = 50,
    message = 60,
    scanOutput = 65,
    leaf = 70,
    log = 80,
};

class RankedMutex {
public:
    RankedMutex(LockRank rank, const char* name) : rank_(rank), name_(name) {}
    RankedMutex(const RankedMutex&) = delete;
    RankedMutex& operator=(const RankedMutex&) = delete;

    void lock();
    bool try_lock();
    void unlock();

    LockRank rank() const { return rank_; }
    const char* name() const { return name_; }

private:
    std::mutex mutex_;
    LockRank rank_;
    const char* name_;
};

// True in builds that check the lock order.
bool gf_lockRanksChecked();

} // namespace ksb

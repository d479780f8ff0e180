#include "core/ranked_mutex.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ksb {

#ifdef KSBY_CHECKED
namespace {
thread_local std::vector<const RankedMutex*> lf_held;

void lf_checkOrder(const RankedMutex& next) {
    const RankedMutex* highest = nullptr;
    for (const RankedMutex* m : lf_held) {
        if (highest == nullptr || m->rank() > highest->rank()) {
            highest = m;
        }
    }
    if (highest != nullptr && next.rank() <= highest->rank()) {
        std::fprintf(
            stderr, "lock order violated: taking \"%s\" (rank %d) while holding \"%s\" (rank %d)\n",
            next.name(), static_cast<int>(next.rank()), highest->name(),
            static_cast<int>(highest->rank()));
        std::abort();
    }
}

void lf_forget(const RankedMutex* m) {
    auto it = std::find(lf_held.rbegin(), lf_held.rend(), m);
    if (it != lf_held.rend()) {
        lf_held.erase(std::next(it).base());
    }
}
} // namespace

void RankedMutex::lock() {
    lf_checkOrder(*this);
    mutex_.lock();
    lf_held.push_back(this);
}

bool RankedMutex::try_lock() {
    if (!mutex_.try_lock()) {
        return false;
    }
    lf_held.push_back(this);
    return true;
}

void RankedMutex::unlock() {
    lf_forget(this);
    mutex_.unlock();
}

bool gf_lockRanksChecked() {
    return true;
}
#else
void RankedMutex::lock() {
    mutex_.lock();
}
bool RankedMutex::try_lock() {
    return mutex_.try_lock();
}
void RankedMutex::unlock() {
    mutex_.unlock();
}
bool gf_lockRanksChecked() {
    return false;
}
#endif

} // namespace ksb

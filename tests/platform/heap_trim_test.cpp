// Free pages below live data go back to the system: the case a restart leaves behind, where a
// start-up's freed peak lies under the tables that outlive it.
#include "platform/heap_trim.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

[[maybe_unused]] long lf_residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

TEST(HeapTrim, FreePagesUnderLiveDataGoBack) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__GLIBC__)
    GTEST_SKIP() << "the sanitizers bring their own allocator";
#else
    // 64 MB in blocks small enough to come from the heap, not from mappings of their own; the
    // last one stays, so that freeing the others cannot shrink the heap from its top.
    constexpr std::size_t kBlock = 32 * 1024;
    constexpr std::size_t kCount = 2048;
    std::vector<char*> blocks;
    blocks.reserve(kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        char* block = static_cast<char*>(std::malloc(kBlock));
        ASSERT_NE(block, nullptr);
        std::memset(block, 0x5a, kBlock);
        blocks.push_back(block);
    }
    char* const pin = blocks.back();
    blocks.pop_back();
    for (char* block : blocks) {
        std::free(block);
    }
    const long before = lf_residentBytes();

    EXPECT_TRUE(platform::releaseFreeHeap());
    const long after = lf_residentBytes();
    EXPECT_GT(before - after, static_cast<long>(kBlock * kCount / 2))
        << "resident " << before << " -> " << after;
    std::free(pin);
#endif
}

} // namespace

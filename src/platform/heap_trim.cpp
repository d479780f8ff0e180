#include "platform/heap_trim.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

bool releaseFreeHeap() noexcept {
#if defined(__GLIBC__)
    return malloc_trim(0) != 0;
#else
    return false;
#endif
}

} // namespace platform

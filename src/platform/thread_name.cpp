#include "platform/thread_name.h"

#include <pthread.h>

namespace platform {

void setThreadName(std::string_view name) {
    const std::string cut(name.substr(0, kThreadNameMax));
    (void)pthread_setname_np(pthread_self(), cut.c_str());
}

std::string threadName() {
    char buffer[kThreadNameMax + 1] = {};
    if (pthread_getname_np(pthread_self(), buffer, sizeof buffer) != 0) {
        return {};
    }
    return buffer;
}

} // namespace platform

#include "platform/warning_sink.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {
void lf_toStderr(std::string_view text) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}
std::atomic<WarningSink> lf_sink{nullptr};
} // namespace

void setWarningSink(WarningSink sink) {
    lf_sink.store(sink);
}

void warn(std::string_view text) {
    WarningSink sink = lf_sink.load();
    (sink != nullptr ? sink : &lf_toStderr)(text);
}

} // namespace platform

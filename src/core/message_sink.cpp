#include "core/message_sink.h"

#include "core/globals.h"
#include "core/log.h"

#include <fmt/format.h>

namespace {

// Without a window only the log lines of the message and error lines remain.
class LogOnlySink final : public ksb::MessageSink {
public:
    void showMessage(std::string_view text, bool log) override {
        if (log && !text.empty()) {
            gf_log(text);
        }
    }
    void showError(std::string_view text) override { gf_log(fmt::format("Error {}", text)); }
    void clearMessage() override {}
};

ksb::MessageSink& lf_sink() {
    static LogOnlySink defaultSink;
    ksb::MessageSink* installed = installedMessageSink.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : defaultSink;
}

} // namespace

void gf_setMessageSink(ksb::MessageSink* sink) {
    installedMessageSink.store(sink, std::memory_order_release);
}

void gf_showMessage(std::string_view text, bool log) {
    lf_sink().showMessage(text, log);
}
void gf_showError(std::string_view text) {
    lf_sink().showError(text);
}
void gf_clearMessage() {
    lf_sink().clearMessage();
}

#include "support/recording_sinks.h"

namespace ksb::test {

void RecordingMessageSink::showMessage(std::string_view text, bool log) {
    std::lock_guard lock(mutex_);
    records_.push_back({RecordedMessage::Kind::message, std::string(text), log});
}

void RecordingMessageSink::showError(std::string_view text) {
    std::lock_guard lock(mutex_);
    records_.push_back({RecordedMessage::Kind::error, std::string(text), false});
}

void RecordingMessageSink::clearMessage() {
    std::lock_guard lock(mutex_);
    records_.push_back({RecordedMessage::Kind::clear, {}, false});
}

std::vector<RecordedMessage> RecordingMessageSink::all() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<std::string> RecordingMessageSink::messages() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& r : records_) {
        if (r.kind == RecordedMessage::Kind::message) {
            out.push_back(r.text);
        }
    }
    return out;
}

std::vector<std::string> RecordingMessageSink::errors() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& r : records_) {
        if (r.kind == RecordedMessage::Kind::error) {
            out.push_back(r.text);
        }
    }
    return out;
}

void RecordingExitHandler::requestExit(ExitReason reason, int seconds) {
    std::lock_guard lock(mutex_);
    records_.push_back({reason, seconds});
}

std::vector<RecordedExit> RecordingExitHandler::all() const {
    std::lock_guard lock(mutex_);
    return records_;
}

} // namespace ksb::test

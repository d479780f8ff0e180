#pragma once
// Thread-safe recorders of the message line and of exit requests, installed for their lifetime.
#include "core/exit_request.h"
#include "core/message_sink.h"

#include <mutex>
#include <string>
#include <vector>

namespace ksb::test {

struct RecordedMessage {
    enum class Kind { message, error, clear } kind;
    std::string text;
    bool log = false;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingMessageSink final : public MessageSink {
public:
    RecordingMessageSink() { gf_setMessageSink(this); }
    ~RecordingMessageSink() override { gf_setMessageSink(nullptr); }
    RecordingMessageSink(const RecordingMessageSink&) = delete;
    RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

    void showMessage(std::string_view text, bool log) override;
    void showError(std::string_view text) override;
    void clearMessage() override;

    std::vector<RecordedMessage> all() const;
    std::vector<std::string> messages() const;
    std::vector<std::string> errors() const;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> records_;
};

struct RecordedExit {
    ExitReason reason;
    int seconds;
    bool operator==(const RecordedExit&) const = default;
};

class RecordingExitHandler final : public ExitHandler {
public:
    RecordingExitHandler() { gf_setExitHandler(this); }
    ~RecordingExitHandler() override { gf_setExitHandler(nullptr); }
    RecordingExitHandler(const RecordingExitHandler&) = delete;
    RecordingExitHandler& operator=(const RecordingExitHandler&) = delete;

    void requestExit(ExitReason reason, int seconds) override;
    std::vector<RecordedExit> all() const;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedExit> records_;
};

} // namespace ksb::test

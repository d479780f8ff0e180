#pragma once
// The message line and the error line are reached through one sink, so every subsystem can
// report before (and without) a window.
#include <string_view>

namespace ksb {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(std::string_view text, bool log) = 0;
    virtual void showError(std::string_view text) = 0;
    virtual void clearMessage() { showMessage({}, false); }
};

} // namespace ksb

// nullptr restores the default sink, which only writes what would be logged.
// The program installs the window's sink at start.
void gf_setMessageSink(ksb::MessageSink* sink);
void gf_showMessage(std::string_view text, bool log);
void gf_showError(std::string_view text);
void gf_clearMessage();

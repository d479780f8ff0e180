#include "support/recording_warning_sink.h"

#include "platform/warning_sink.h"

#include <cassert>
#include <mutex>
#include <string_view>

namespace ksb::test {

namespace {

// The sink is a plain function pointer, so the record lives here.
struct Record {
    std::mutex mutex;
    std::vector<std::string> lines;
    bool installed = false;
};

Record& lf_record() {
    static Record record;
    return record;
}

void lf_recordWarning(std::string_view text) {
    Record& record = lf_record();
    std::lock_guard lock(record.mutex);
    record.lines.emplace_back(text);
}

} // namespace

RecordingWarningSink::RecordingWarningSink() {
    Record& record = lf_record();
    {
        std::lock_guard lock(record.mutex);
        assert(!record.installed && "one RecordingWarningSink at a time");
        record.installed = true;
        record.lines.clear();
    }
    platform::setWarningSink(&lf_recordWarning);
}

RecordingWarningSink::~RecordingWarningSink() {
    platform::setWarningSink(nullptr);
    Record& record = lf_record();
    std::lock_guard lock(record.mutex);
    record.installed = false;
    record.lines.clear();
}

std::vector<std::string> RecordingWarningSink::lines() const {
    Record& record = lf_record();
    std::lock_guard lock(record.mutex);
    return record.lines;
}

void RecordingWarningSink::clear() {
    Record& record = lf_record();
    std::lock_guard lock(record.mutex);
    record.lines.clear();
}

} // namespace ksb::test

#pragma once
// Records the platform layer's warnings while it lives (one at a time).
#include <string>
#include <vector>

namespace ksb::test {

class RecordingWarningSink {
public:
    RecordingWarningSink();
    ~RecordingWarningSink();
    RecordingWarningSink(const RecordingWarningSink&) = delete;
    RecordingWarningSink& operator=(const RecordingWarningSink&) = delete;

    std::vector<std::string> lines() const;
    void clear();
};

} // namespace ksb::test

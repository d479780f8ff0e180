#include "core/log.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Lines of several writers never mix, and a close while they write neither crashes nor tears
// a line.
TEST(LogThreads, WritersAndACloseNeverMixALine) {
    ksb::test::TempFolder folder;
    gf_openLog(folder.path());
    std::atomic<bool> go{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t, &go] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            const std::string line(60, static_cast<char>('a' + t));
            for (int i = 0; i < 2000; ++i) {
                if (i % 3 == 0) {
                    gf_logLine(line);
                } else if (i % 3 == 1) {
                    gf_log(line);
                } else {
                    gf_logContinue(line);
                }
            }
        });
    }
    std::thread closer([&go] {
        go = true;
        for (int i = 0; i < 200; ++i) {
            gf_flushLog();
        }
        gf_closeLog();
    });
    for (auto& w : writers) {
        w.join();
    }
    closer.join();

    const std::string bytes = ksb::test::readBytes(folder / "Log.txt");
    std::size_t start = bytes.find('\n') + 1; // after the header
    int count = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "a torn last line";
        std::string line = bytes.substr(start, end - start);
        if (line.rfind("===> ", 0) == 0) {
            line = line.substr(5);
        } else if (line.rfind("          ", 0) == 0) {
            line = line.substr(10);
        }
        ASSERT_EQ(line.size(), 60u);
        EXPECT_EQ(line, std::string(60, line[0]));
        ++count;
        start = end + 1;
    }
    EXPECT_LE(count, 8000);
}

} // namespace

#pragma once
// One private X server per test (Xvfb -displayfd), so tests run in parallel and each finds its
// window by name. Stopped by its pid.
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace ksb::e2e {

class Xvfb {
public:
    // Starts "Xvfb -displayfd <fd> -screen 0 <screen> -nolisten tcp" and reads its display
    // number within the bound; the server writes it once it accepts connections. Throws
    // std::runtime_error (no Xvfb, no display number).
    explicit Xvfb(std::chrono::milliseconds bound = std::chrono::seconds(10),
                  const std::filesystem::path& logFile = "/dev/null",
                  const std::string& screen = "1280x1024x24");
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // ":<n>"
    const std::string& display() const { return display_; }
    pid_t pid() const { return pid_; }
    void stop();

private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace ksb::e2e

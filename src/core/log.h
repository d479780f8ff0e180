#pragma once
// Log.txt: one process-wide log file in the working folder. Every line is written whole under
// the log mutex; only warning lines flush at once.
#include <filesystem>
#include <string>
#include <string_view>

inline constexpr std::string_view logPrefix = "===> ";
inline constexpr std::string_view kContinueIndent = "          ";
// Every text the system writes ends its lines with this.
inline constexpr std::string_view kLineEnd = "\n";

// Rotates Log0.txt -> Log00.txt and Log.txt -> Log0.txt in the folder, opens Log.txt there and
// writes the header line. Throws ksb::SysErrorException 40 when Log.txt cannot be opened and
// std::filesystem::filesystem_error when the rotation fails.
void gf_openLog(const std::filesystem::path& folder = ".");
// Copies the generations for the log file at path (nothing happens without a '.' in its name).
void lf_rotateLog(const std::filesystem::path& path);

// Plain line; no flush.
void gf_log(std::string_view text);
inline void gf_logView(std::string_view text) {
    gf_log(text);
}
// Warning line ("===> " + text); flushes everything written before it.
void gf_logLine(std::string_view text);
// Continuation line (10 blanks + text); no flush.
void gf_logContinue(std::string_view text);

void gf_flushLog();
// After the close every write is dropped.
void gf_closeLog();
bool gf_logIsOpen();

// A banner of '*' around a title; writes nothing itself.
std::string gf_bannerLine(int width, int extra, bool leadingNewline, bool trailingNewline,
                          std::string_view title);

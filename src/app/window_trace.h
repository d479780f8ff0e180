#pragma once
// The window trace, a test aid that changes nothing else: when KSBY_WINDOW_TRACE names a file,
// every paint appends one "name=value" line for each followed value that differs from the
// previous paint (every value at the first), so a test outside the process can follow what the
// window showed without reading pixels.
#include "app/paint.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// "red", "yellow", "green" or "black"; any other colour as "#rrggbb".
std::string gf_colourName(ui::Rgb colour);

// The lines for now, in a fixed order: message, error, sim, rt, simText, title, weather,
// traffic, qnh, live, liveries, park, parkedLive, parkedStatic, maxPark, staticActive (1 or 0);
// a count that was not drawn is empty. Only those that differ from before; all of them without before.
// A line end inside a text is written as "\n", so that each value stays one line.
std::string gf_windowTraceLines(const std::optional<PaintedValues>& before,
                                const PaintedValues& now);

class WindowTrace {
public:
    // Appends to the file; it is opened at the first line and created when missing.
    explicit WindowTrace(std::filesystem::path file);
    ~WindowTrace();
    WindowTrace(const WindowTrace&) = delete;
    WindowTrace& operator=(const WindowTrace&) = delete;

    // Writes the changed lines of this paint in one write. A file that cannot be written is
    // reported once in the log and then left alone.
    void afterPaint(const PaintedValues& painted);

private:
    std::filesystem::path file_;
    int fd_ = -1;
    bool failed_ = false;
    std::optional<PaintedValues> last_;
};

// GUI thread, after each paint: the program's trace, named by KSBY_WINDOW_TRACE when the first
// paint happens; nothing when it is unset.
void gf_traceWindowPaint(const PaintedValues& painted);

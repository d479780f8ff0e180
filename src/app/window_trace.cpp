#include "app/window_trace.h"

#include "core/log.h"
#include "platform/environment.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

std::string lf_oneLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

template <class Value>
void lf_add(std::string& out, bool all, std::string_view name, const Value& before,
            const Value& now) {
    if (all || before != now) {
        out += name;
        out += '=';
        out += now;
        out += '\n';
    }
}

} // namespace

std::string gf_colourName(ui::Rgb colour) {
    if (colour == colours::red) {
        return "red";
    }
    if (colour == colours::yellow) {
        return "yellow";
    }
    if (colour == colours::green) {
        return "green";
    }
    if (colour == colours::black) {
        return "black";
    }
    return fmt::format("#{:02x}{:02x}{:02x}", colour.r, colour.g, colour.b);
}

std::string gf_windowTraceLines(const std::optional<PaintedValues>& before,
                                const PaintedValues& now) {
    const bool all = !before.has_value();
    const PaintedValues& b = all ? now : *before;
    const auto number = [](auto value) { return fmt::format("{}", value); };
    std::string out;
    lf_add(out, all, "message", lf_oneLine(b.message), lf_oneLine(now.message));
    lf_add(out, all, "error", lf_oneLine(b.error), lf_oneLine(now.error));
    lf_add(out, all, "sim", gf_colourName(b.status.sim), gf_colourName(now.status.sim));
    lf_add(out, all, "rt", gf_colourName(b.status.rt), gf_colourName(now.status.rt));
    lf_add(out, all, "simText", lf_oneLine(b.status.simText), lf_oneLine(now.status.simText));
    lf_add(out, all, "title", lf_oneLine(b.status.title), lf_oneLine(now.status.title));
    lf_add(out, all, "weather", number(b.weather), number(now.weather));
    lf_add(out, all, "traffic", number(b.traffic), number(now.traffic));
    lf_add(out, all, "qnh", number(b.qnh), number(now.qnh));
    lf_add(out, all, "live", number(b.live), number(now.live));
    lf_add(out, all, "liveries", number(b.liveries), number(now.liveries));
    const auto count = [](const std::optional<std::int32_t>& value) {
        return value ? fmt::format("{}", *value) : std::string();
    };
    const PaintedStatistics& bs = b.statistics;
    const PaintedStatistics& ns = now.statistics;
    lf_add(out, all, "park", lf_oneLine(bs.park), lf_oneLine(ns.park));
    lf_add(out, all, "parkedLive", count(bs.parkedLive), count(ns.parkedLive));
    lf_add(out, all, "parkedStatic", count(bs.parkedStatic), count(ns.parkedStatic));
    lf_add(out, all, "maxPark", count(bs.maxPark), count(ns.maxPark));
    lf_add(out, all, "staticActive", std::string(b.staticActive ? "1" : "0"),
           std::string(now.staticActive ? "1" : "0"));
    return out;
}

WindowTrace::WindowTrace(std::filesystem::path file) : file_(std::move(file)) {}

WindowTrace::~WindowTrace() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void WindowTrace::afterPaint(const PaintedValues& painted) {
    const std::string lines = gf_windowTraceLines(last_, painted);
    last_ = painted;
    if (lines.empty() || failed_) {
        return;
    }
    if (fd_ < 0) {
        fd_ = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }
    // One write per paint: a reader never sees a paint's lines in part. The file has no
    // buffer of ours, so the lines are on their way to the disk as soon as write returns.
    std::size_t done = 0;
    int error = fd_ < 0 ? errno : 0;
    while (fd_ >= 0 && done < lines.size()) {
        const ssize_t n = ::write(fd_, lines.data() + done, lines.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (error != 0) {
        failed_ = true;
        gf_logLine(fmt::format("window trace {}: {}", file_.string(), std::strerror(error)));
    }
}

void gf_traceWindowPaint(const PaintedValues& painted) {
    // Only the GUI thread paints, so the first paint decides alone.
    static const std::unique_ptr<WindowTrace> trace = [] {
        const auto file = platform::environmentValue("KSBY_WINDOW_TRACE");
        return file ? std::make_unique<WindowTrace>(*file) : std::unique_ptr<WindowTrace>();
    }();
    if (trace) {
        trace->afterPaint(painted);
    }
}

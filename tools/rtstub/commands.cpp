#include "commands.h"

#include "support/command_words.h"

#include <fmt/format.h>

#include <charconv>
#include <chrono>
#include <optional>
#include <vector>

namespace {

// The routes that carry live traffic; the program polls one of them.
constexpr std::string_view kTrafficRoutes[] = {"traffic", "traffic-buffered"};

// Whole seconds from 1 to a day.
std::optional<int> lf_seconds(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 86400) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool gf_runCommand(rtstub::RtStub& stub, std::string_view line,
                   const std::function<void(const std::string&)>& print) {
    const std::vector<std::string_view> w = ksb::test::gf_commandWords(line);
    if (w.empty()) {
        return true;
    }
    if (w[0] == "fail" && w.size() == 2 && w[1] == "401") {
        stub.endSession();
        print("rtstub session ended: data requests get 401 until the next login");
    } else if (w[0] == "fail" && w.size() == 3 && w[1] == "502" && lf_seconds(w[2])) {
        const int seconds = *lf_seconds(w[2]);
        for (const std::string_view route : kTrafficRoutes) {
            stub.failRoute(route, 502, std::chrono::seconds(seconds));
        }
        print(fmt::format("rtstub live traffic answers 502 for {} s", seconds));
    } else if (w[0] == "fail") {
        print("usage: fail 401 | fail 502 SECONDS (1 to 86400)");
    } else if (w[0] == "slow" && w.size() == 2 && lf_seconds(w[1])) {
        const int seconds = *lf_seconds(w[1]);
        // Only the polled route: a reply kept for the buffered one would slow a later start.
        stub.script("traffic", rtstub::Reply::delayed(seconds * 1000, rtstub::Reply::model()));
        print(fmt::format("rtstub the next polled live-traffic answer comes after {} s", seconds));
    } else if (w[0] == "slow") {
        print("usage: slow SECONDS (1 to 86400)");
    } else if (w[0] == "help" && w.size() == 1) {
        print(kCommandHelp);
    } else if (w[0] == "exit" && w.size() == 1) {
        return false;
    } else {
        print(fmt::format("unknown command: {}", line));
    }
    return true;
}

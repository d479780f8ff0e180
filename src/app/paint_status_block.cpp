#include "app/paint.h"

#include <fmt/format.h>
#include <string>

namespace {

// Green: all set for traffic; yellow: connected but no flight or no user aircraft yet.
ui::Rgb lf_simulatorColour(const MainWindowSnapshot& w) {
    if (!w.simConnected) {
        return colours::red;
    }
    if (w.flightLoaded && !w.text(WindowText::userTitle).empty()) {
        return colours::green;
    }
    return colours::yellow;
}

ui::Rgb lf_serviceColour(const MainWindowSnapshot& w) {
    if (w.servicePending) {
        return colours::black;
    }
    return w.sessionEstablished ? colours::green : colours::red;
}

// Cell 1 receiving (green), 2 idle (yellow); 3 (stopped or not started) draws nothing.
void lf_drawReaderWord(ui::Canvas& canvas, int y, std::string_view word, std::int32_t cell) {
    if (cell == 3) {
        return;
    }
    lf_drawTextLine(canvas, 458, y, word, cell == 1 ? colours::green : colours::yellow);
}

} // namespace

PaintedStatus lf_paintStatusBlock(ui::Canvas& canvas, const PaintSnapshot& snapshot) {
    const MainWindowSnapshot& w = snapshot.window;
    PaintedStatus painted;

    const ui::Rgb sim = lf_simulatorColour(w);
    painted.sim = sim;
    canvas.fillRect({397, 30, 425, 112}, sim);
    lf_drawTextLine(canvas, 398, 63, "Sim", colours::black);

    if (w.simConnected) {
        std::string line = w.text(WindowText::simulatorText);
        if (const std::string& stand = w.text(WindowText::userStand); !stand.empty()) {
            line += ", user stand ";
            line += stand;
        }
        if (lf_drawTextLine(canvas, 5, 35, line, sim)) {
            painted.simText = line;
        }
        if (lf_drawTextLine(canvas, 5, 63, w.text(WindowText::userTitle),
                            w.userRecognised ? sim : colours::yellow)) {
            painted.title = w.text(WindowText::userTitle);
        }
    }

    if (w.liveriesCount > 0) {
        lf_drawTextLine(canvas, 5, 91, fmt::format("# liveries: {}", w.liveriesCount),
                        colours::green);
    } else {
        lf_drawTextLine(canvas, 5, 91, "# liveries: ...", colours::red);
    }

    if (w.orbxAirports > 0) {
        lf_drawTextLine(canvas, 141, 91, fmt::format("# {}: {}", "ORBX", w.orbxAirports),
                        w.orbxScanComplete ? colours::green : colours::yellow);
    } else {
        lf_drawTextLine(canvas, 141, 91, "# ORBX: ...", colours::yellow);
    }

    if (w.thirdpartyAirports > 0) {
        lf_drawTextLine(canvas, 278, 91, fmt::format("# thirdp: {}", w.thirdpartyAirports),
                        colours::green);
    } else {
        lf_drawTextLine(canvas, 278, 91, "# thirdp: ...", colours::yellow);
    }

    painted.rt = lf_serviceColour(w);
    canvas.fillRect({425, 30, 453, 112}, painted.rt);
    lf_drawTextLine(canvas, 430, 63, "RT", colours::black);

    if (w.sessionEstablished) {
        lf_drawReaderWord(canvas, 63, "Weather", w.weatherCell);
        lf_drawReaderWord(canvas, 91, "Traffic", w.trafficCell);
    }

    canvas.line(425, 29, 425, 112, colours::black);
    return painted;
}

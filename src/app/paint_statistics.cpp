#include "app/paint.h"

#include "core/strings.h"

#include <fmt/format.h>

PaintedStatistics lf_paintStatistics(ui::Canvas& canvas, const PaintSnapshot& snapshot) {
    PaintedStatistics painted;
    const MainWindowSnapshot& w = snapshot.window;
    const int y1 = w.statisticsTop;
    const int y2 = y1 + 28;

    // Chosen but not yet loaded shows only the name, in yellow.
    if (const std::string& name = w.text(WindowText::airportDisplayName);
        !name.empty() && lf_drawTextLine(canvas, 5, y1, name,
                                         w.parkAirportLoaded ? colours::green : colours::yellow)) {
        painted.park = name;
    }
    if (!w.parkAirportLoaded) {
        return painted;
    }

    lf_drawTextLine(canvas, 85, y1,
                    fmt::format(" {},  {} {}", w.text(WindowText::parkAirportName),
                                w.text(WindowText::parkAirportSecond), w.handmadeMark ? "(h)" : ""),
                    colours::green);
    if (w.staticParkingRunning) {
        lf_drawTextLine(canvas, 370, y1, "*S*", colours::green);
    }
    if (!snapshot.rtParkTrafficOnly) {
        lf_drawTextLine(canvas, 430, y1, fmt::format("qf: {}", w.text(WindowText::parkQuality)),
                        colours::green);
    }
    if (const std::string& stand = w.text(WindowText::reservedStand); !stand.empty()) {
        lf_drawTextLine(canvas, 571, y1, fmt::format("reserved stand: {}", stand),
                        w.reservedStandValid ? colours::green : colours::red);
    }
    lf_drawTextLine(canvas, 748, y1, fmt::format("# updates: {:4}", w.updateCount), colours::green);

    lf_drawTextLine(canvas, 5, y2, fmt::format("# stands: {:3}", w.stands), colours::green);
    if (lf_drawTextLine(canvas, 111, y2, fmt::format("parked live: {:3}", w.parkedLive),
                        colours::green)) {
        painted.parkedLive = w.parkedLive;
    }
    if (w.liveParkedAverageFit > 0) {
        lf_drawTextLine(canvas, 249, y2,
                        fmt::format("average fit: {}", gf_numberText(w.liveParkedAverageFit)),
                        colours::green);
    }
    if (w.staticTarget > 0) {
        if (lf_drawTextLine(canvas, 430, y2, fmt::format("parked static: {:3}", w.parkedStatic),
                            colours::green)) {
            painted.parkedStatic = w.parkedStatic;
        }
        if (!snapshot.week && w.staticAverageFit > 0) {
            lf_drawTextLine(canvas, 571, y2,
                            fmt::format("average fit: {}", gf_numberText(w.staticAverageFit)),
                            colours::green);
        }
    }
    if (!snapshot.rtParkTrafficOnly) {
        if (lf_drawTextLine(
                canvas, 708, y2,
                fmt::format("max park: {:3} (={}% )", w.staticTarget, snapshot.parkingPercentage),
                colours::green)) {
            painted.maxPark = w.staticTarget;
        }
    }
    return painted;
}

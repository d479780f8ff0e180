#include "app/paint.h"

#include "core/log.h"
#include "core/program_info.h"
#include "platform/utf_conversion.h"

#include <fmt/format.h>

namespace {

// Where the message line and the error line stand.
constexpr int kMessageX = 3;
constexpr int kMessageY = 455;

} // namespace

bool lf_drawTextLine(ui::Canvas& canvas, int x, int y, std::string_view utf8, ui::Rgb colour) {
    // The window draws UTF-16; a text it could not convert would show as garbage, so it is
    // logged instead and the rest of the paint goes on.
    try {
        (void)win32::Utf8ToUtf16(utf8);
    } catch (const win32::Utf8ConversionException& e) {
        gf_log(fmt::format("{} conversion exception {}, error code: {}", utf8, e.what(),
                           e.errorCode()));
        return false;
    } catch (const std::exception& e) {
        gf_log(fmt::format("{} conversion exception {}, error code: {}", utf8, e.what(), 0));
        return false;
    }
    canvas.text(x, y, utf8, colour);
    return true;
}

PaintedValues lf_paintMainWindow(ui::Canvas& canvas, const PaintSnapshot& snapshot) {
    const MainWindowSnapshot& w = snapshot.window;

    canvas.fillRect({0, 0, kWindowWidth, 28}, colours::black);
    canvas.fillRect(kStatusRegion, colours::black);
    canvas.fillRect(kControlsRegion, colours::lightBlue);
    canvas.fillRect(kStatisticsRegion, colours::black);
    canvas.fillRect(kMessageStrip, colours::green);

    canvas.line(0, 28, kWindowWidth, 28, colours::white);
    canvas.line(0, 113, kWindowWidth, 113, colours::white);
    canvas.line(0, 449, kWindowWidth, 449, colours::white);
    canvas.line(0, 392, kWindowWidth, 392, colours::white);

    lf_drawTextLine(canvas, 3, 7, fmt::format("Version {}", gf_programVersion().toString()),
                    colours::green);
    lf_drawTextLine(canvas, 390, 7, kProgramName, colours::green);

    for (const ui::Rect& segment : MainWindow::kSeparators) {
        canvas.line(segment.x1, segment.y1, segment.x2, segment.y2, colours::black);
    }
    canvas.line(642, 168, 642, 364, colours::black);

    PaintedValues painted;
    painted.status = lf_paintStatusBlock(canvas, snapshot);

    if (w.sessionEstablished) {
        if ((w.weatherCell == 1 || w.weatherCell == 2) && w.qnh >= 1) {
            lf_drawTextLine(canvas, 642, 63, fmt::format("qnh: {:4}", w.qnh), colours::green);
        }
        if (w.trafficCell == 1 || w.trafficCell == 2) {
            lf_drawTextLine(canvas, 642, 91, fmt::format("live: {:3}", w.liveCount),
                            colours::green);
        }
    }

    painted.staticActive = lf_paintParameterLabels(canvas, snapshot);
    painted.statistics = lf_paintStatistics(canvas, snapshot);

    // The snapshot copied both lines in one hold of the message mutex, so an error set after a
    // message always wins here.
    if (!w.error.empty()) {
        canvas.fillRect(kMessageStrip, colours::red);
        lf_drawTextLine(canvas, kMessageX, kMessageY, w.error, colours::yellow);
    } else {
        canvas.fillRect(kMessageStrip, colours::green);
        if (!w.message.empty()) {
            lf_drawTextLine(canvas, kMessageX, kMessageY, w.message, colours::yellow);
        }
    }

    painted.message = w.message;
    painted.error = w.error;
    painted.weather = w.weatherCell;
    painted.traffic = w.trafficCell;
    painted.qnh = w.qnh;
    painted.live = w.liveCount;
    painted.liveries = w.liveriesCount;
    return painted;
}

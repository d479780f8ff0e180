#include "app/window_position.h"

#include "core/parameters.h"

namespace {

bool lf_atLimit(const IntParameter& p) {
    return p.value() == p.min() || p.value() == p.max();
}

} // namespace

void gf_savePosition(const IntParameter& parameter) {
    parameter.save();
}

void lf_positionAtStart(bool loaded, std::int32_t x, std::int32_t y, const PositionSaver& save) {
    if (!loaded) {
        MAIN_WINDOW_X.setClamped(MAIN_WINDOW_X.defaultValue());
        MAIN_WINDOW_Y.setClamped(MAIN_WINDOW_Y.defaultValue());
        return;
    }
    for (auto [parameter, value] : {std::pair{&MAIN_WINDOW_X, x}, std::pair{&MAIN_WINDOW_Y, y}}) {
        parameter->setClamped(value);
        if (lf_atLimit(*parameter)) {
            parameter->setClamped(parameter->defaultValue());
            save(*parameter);
        }
    }
}

void lf_saveWindowPositionAtExit(ui::Rect windowRect, const PositionSaver& save) {
    const std::int32_t previousX = MAIN_WINDOW_X.value();
    const std::int32_t previousY = MAIN_WINDOW_Y.value();
    MAIN_WINDOW_X.setClamped(windowRect.x1);
    save(MAIN_WINDOW_X);
    MAIN_WINDOW_Y.setClamped(windowRect.y1);
    save(MAIN_WINDOW_Y);
    lf_clampWindowPosition(previousX, previousY, save);
}

void lf_clampWindowPosition(std::int32_t previousX, std::int32_t previousY,
                            const PositionSaver& save) {
    for (auto [parameter, previous] :
         {std::pair{&MAIN_WINDOW_X, previousX}, std::pair{&MAIN_WINDOW_Y, previousY}}) {
        if (lf_atLimit(*parameter)) {
            parameter->setClamped(previous);
            save(*parameter);
        }
    }
}

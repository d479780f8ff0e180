#pragma once
// Where the window opens and what is stored when it closes. A coordinate read or reported at a
// limit of its range (-30000..30000) is not trusted: it falls back to a known position.
#include "ui/window_port.h"

#include <cstdint>
#include <functional>

class IntParameter;

// Saves one coordinate to parameters.xml (tests record instead).
using PositionSaver = std::function<void(const IntParameter&)>;
void gf_savePosition(const IntParameter& parameter);

// At start. loaded: parameters.xml loaded and gave these values. Without it both coordinates keep
// their defaults. Otherwise each takes its value clamped; one at a limit takes its default
// clamped instead, and that is saved.
void lf_positionAtStart(bool loaded, std::int32_t x, std::int32_t y,
                        const PositionSaver& save = gf_savePosition);
// At exit: both coordinates take the window's corner clamped and are saved; then
// lf_clampWindowPosition with the values they had before.
void lf_saveWindowPositionAtExit(ui::Rect windowRect, const PositionSaver& save = gf_savePosition);
// Each coordinate now at a limit goes back to its previous value clamped and is saved again.
void lf_clampWindowPosition(std::int32_t previousX, std::int32_t previousY,
                            const PositionSaver& save = gf_savePosition);

#pragma once
// Snapshots built by hand for the paint tests.
#include "app/paint.h"
#include "core/parameters.h"
#include "support/recording_canvas.h"

namespace ksb::test {

// The window at start, with the three optional-aircraft check boxes enabled as they are once
// the controls exist.
inline PaintSnapshot startSnapshot() {
    PaintSnapshot s;
    for (const CheckBoxParameter* box : {&LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT}) {
        s.enabled[box->commandId()] = true;
    }
    return s;
}

inline void setText(PaintSnapshot& s, WindowText which, std::string text) {
    s.window.texts[static_cast<int>(which)] = std::move(text);
}

template <class Paint> RecordingCanvas paintWith(Paint paint, const PaintSnapshot& s) {
    RecordingCanvas canvas;
    paint(canvas, s);
    return canvas;
}

inline RecordingCanvas paintAll(const PaintSnapshot& s) {
    return paintWith(lf_paintMainWindow, s);
}

} // namespace ksb::test

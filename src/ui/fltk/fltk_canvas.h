#pragma once
// The canvas of a paint in progress: draws with FLTK into the current window.
#include "ui/window_port.h"

namespace ui {

// The size of every text the window draws.
inline constexpr int kFltkFontSize = 12;

class FltkCanvas final : public Canvas {
public:
    void fillRect(Rect region, Rgb colour) override;
    // The end point is not drawn, as the layout's segments expect.
    void line(int x1, int y1, int x2, int y2, Rgb pen) override;
    void text(int x, int y, std::string_view utf8, Rgb colour) override;
};

} // namespace ui

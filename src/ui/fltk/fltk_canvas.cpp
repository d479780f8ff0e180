#include "ui/fltk/fltk_canvas.h"

#include <FL/Enumerations.H>
#include <FL/fl_draw.H>

#include <climits>

namespace ui {

namespace {

void lf_setColour(Rgb colour) {
    fl_color(colour.r, colour.g, colour.b);
}

int lf_step(int from, int to) {
    return to > from ? 1 : (to < from ? -1 : 0);
}

} // namespace

void FltkCanvas::fillRect(Rect region, Rgb colour) {
    if (region.x2 <= region.x1 || region.y2 <= region.y1) {
        return;
    }
    fl_rectf(region.x1, region.y1, region.x2 - region.x1, region.y2 - region.y1, colour.r, colour.g,
             colour.b);
}

void FltkCanvas::line(int x1, int y1, int x2, int y2, Rgb pen) {
    if (x1 == x2 && y1 == y2) {
        return;
    }
    lf_setColour(pen);
    if (x1 == x2 || y1 == y2) {
        fl_line(x1, y1, x2 - lf_step(x1, x2), y2 - lf_step(y1, y2));
    } else {
        fl_line(x1, y1, x2, y2);
    }
}

void FltkCanvas::text(int x, int y, std::string_view utf8, Rgb colour) {
    if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX)) {
        return;
    }
    fl_font(FL_HELVETICA, kFltkFontSize);
    lf_setColour(colour);
    // fl_draw takes the baseline; the window's layout gives the top of the text.
    fl_draw(utf8.data(), static_cast<int>(utf8.size()), x, y + fl_height() - fl_descent());
}

} // namespace ui

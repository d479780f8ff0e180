// TEMPORARY: do-nothing paint so that the window logic links before the paint is merged.
// Dropped at merge.
#include "app/paint.h"

PaintSnapshot gf_takePaintSnapshot() { return {}; }
void lf_paintMainWindow(ui::Canvas&, const PaintSnapshot&) {}
void lf_paintStatusBlock(ui::Canvas&, const PaintSnapshot&) {}
void lf_paintParameterLabels(ui::Canvas&, const PaintSnapshot&) {}
void lf_paintStatistics(ui::Canvas&, const PaintSnapshot&) {}
void lf_drawTextLine(ui::Canvas&, int, int, std::string_view, ui::Rgb) {}

#include "support/recording_canvas.h"

#include <algorithm>
#include <iterator>

namespace ksb::test {

void PrintTo(const CanvasOp& op, std::ostream* out) {
    static constexpr const char* kKinds[] = {"fill", "line", "text"};
    *out << kKinds[static_cast<int>(op.kind)] << " (" << op.at.x1 << "," << op.at.y1 << ")";
    if (op.kind != CanvasOp::Kind::text) {
        *out << "-(" << op.at.x2 << "," << op.at.y2 << ")";
    }
    *out << " RGB(" << int(op.colour.r) << "," << int(op.colour.g) << "," << int(op.colour.b)
         << ")";
    if (op.kind == CanvasOp::Kind::text) {
        *out << " \"" << op.text << "\"";
    }
}

void RecordingCanvas::fillRect(ui::Rect rect, ui::Rgb colour) {
    ops_.push_back(CanvasOp::fill(rect, colour));
}

void RecordingCanvas::line(int x1, int y1, int x2, int y2, ui::Rgb pen) {
    ops_.push_back(CanvasOp::line(x1, y1, x2, y2, pen));
}

void RecordingCanvas::text(int x, int y, std::string_view utf8, ui::Rgb colour) {
    ops_.push_back(CanvasOp::textAt(x, y, std::string(utf8), colour));
}

const CanvasOp* RecordingCanvas::findText(std::string_view text) const {
    const auto it = std::find_if(ops_.begin(), ops_.end(), [&](const CanvasOp& op) {
        return op.kind == CanvasOp::Kind::text && op.text == text;
    });
    return it == ops_.end() ? nullptr : &*it;
}

std::optional<ui::Rgb> RecordingCanvas::textColour(std::string_view text) const {
    if (const CanvasOp* op = findText(text)) {
        return op->colour;
    }
    return std::nullopt;
}

std::vector<CanvasOp> RecordingCanvas::textsAt(int x, int y) const {
    std::vector<CanvasOp> result;
    for (const CanvasOp& op : ops_) {
        if (op.kind == CanvasOp::Kind::text && op.at.x1 == x && op.at.y1 == y) {
            result.push_back(op);
        }
    }
    return result;
}

std::size_t RecordingCanvas::countText(std::string_view text) const {
    return static_cast<std::size_t>(
        std::count_if(ops_.begin(), ops_.end(), [&](const CanvasOp& op) {
            return op.kind == CanvasOp::Kind::text && op.text == text;
        }));
}

std::size_t RecordingCanvas::indexOf(const CanvasOp& op) const {
    const auto it = std::find(ops_.begin(), ops_.end(), op);
    return it == ops_.end() ? npos : static_cast<std::size_t>(it - ops_.begin());
}

std::vector<CanvasOp> RecordingCanvas::only(CanvasOp::Kind kind) const {
    std::vector<CanvasOp> result;
    std::copy_if(ops_.begin(), ops_.end(), std::back_inserter(result),
                 [&](const CanvasOp& op) { return op.kind == kind; });
    return result;
}

} // namespace ksb::test
